#include "GltfCommands.h"

#include "ExchangeErrors.h"
#include "FileIO.h"
#include "Gltf.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace mobrix::cli {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// A texture larger than this is no car's texture.
constexpr std::int64_t kMaxTextureSize = std::int64_t{256} << 20;

Outcome GltfOutcome(ExchangeCommand command, const std::string& path, const ExchangeStatus& status)
{
    if (status)
        return Refused(path, OneLineFailureMessage(command, *status));
    return std::nullopt;
}

// The PNG image named by --texture, or nothing without the option.
Result<std::vector<std::uint8_t>> TextureArg(const Arguments& a)
{
    std::vector<std::uint8_t> png;
    const std::optional<std::string> path = a.Value("--texture");
    if (!path)
        return png;
    if (auto failure = ReadWholeFile(*path, png, kMaxTextureSize))
        return Refused(*path, "the texture cannot be read (" + failure->detail + ")");
    if (png.size() < kPngSignature.size() || !std::equal(kPngSignature.begin(), kPngSignature.end(), png.begin()))
        return Refused(*path, "the texture is not a PNG image");
    return png;
}

const char* const kExportGltfHelp =
    "Usage: fcetool export-gltf [--nfs3|--nfs4|--fce4m] [--texture IMAGE.PNG] MODEL OUT.glb|OUT.gltf\n"
    "\n"
    "Writes the model MODEL as the glTF 2.0 file OUT, as Mobrix's Export glTF\n"
    "does: a node and mesh per part, a primitive per texture page and triangle\n"
    "flags, NFSIV damage as the morph target \"damage\", the dummies as empty\n"
    "nodes under \"dummies\", and everything else the model holds in extras, so\n"
    "import-gltf gives back the same FCE file. OUT ending in .glb is one binary\n"
    "file; otherwise a .gltf text file with its buffer embedded, and the texture\n"
    "beside it (OUT with the extension .png).\n"
    "\n"
    "Options:\n"
    "  --texture IMAGE.PNG  the texture of every material (a PNG image)\n"
    "  --nfs3               read MODEL as an NFSIII model\n"
    "  --nfs4               read MODEL as an NFSIV model\n"
    "  --help               show this help\n";

const char* const kImportGltfHelp =
    "Usage: fcetool import-gltf IN.glb|IN.gltf OUT [--to nfs3|nfs4|fce4m]\n"
    "\n"
    "Converts the glTF 2.0 file IN into a model and saves it as OUT. A file that\n"
    "export-gltf wrote gives back its model field for field. From other\n"
    "programs, every node with a mesh becomes a part (its transform applied, at\n"
    "most 64), every empty node a dummy (at most 16), strips and fans become\n"
    "triangles, and a morph target \"damage\" the damaged set. Points and lines,\n"
    "and files that name data outside IN's folder, are refused.\n"
    "\n"
    "Options:\n"
    "  --to nfs3|nfs4   the FCE variant to write (default nfs3)\n"
    "  --help           show this help\n";

} // namespace

int ExportGltfCommand(const CommandArgs& args)
{
    return RunCommand(args, {"export-gltf", kExportGltfHelp, 2, kVariantFlags, {"--texture"}}, [](const Arguments& a) {
        return WithModel(a, [&](const CarModel& model) {
            Result<std::vector<std::uint8_t>> png = TextureArg(a);
            if (!png)
                return Outcome(png.failure());
            return GltfOutcome(ExchangeCommand::ExportGltf, a.files[1], WriteGltf(model, a.files[1], *png));
        });
    });
}

int ImportGltfCommand(const CommandArgs& args)
{
    return RunCommand(args, {"import-gltf", kImportGltfHelp, 2, {}, {"--to"}}, [](const Arguments& a) {
        return WriteModelTo(a, a.files[1], [&](CarModel& model) {
            NewFCE(model);
            return GltfOutcome(ExchangeCommand::ImportGltf, a.files[0], ConvertGltf(model, a.files[0]));
        });
    });
}

} // namespace mobrix::cli
