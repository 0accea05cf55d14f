// remap and tga-to-bmp: texture coordinates and texture images.

#include "TextureCommands.h"

#include "CliCommon.h"
#include "Remap.h"
#include "RemapFile.h"
#include "TgaToBmp.h"

namespace mobrix::cli {

namespace {

const char* const kRemapHelp =
    "Usage: fcetool remap [--nfs3|--nfs4|--fce4m] IN OUT [--uv FILE]\n"
    "\n"
    "Lays out the texture coordinates of the model IN by its remap sections, as\n"
    "Mobrix's REMAP does, and saves the result as OUT in the variant of IN.\n"
    "The sections and each triangle's section come from the remap data file\n"
    "FILE, or else from the one beside IN (IN with the extension UV). Without\n"
    "one, the start-up sections are used with every triangle in section 0.\n"
    "A remap data file that does not fit the model's triangle count is refused.\n"
    "The variant of IN is detected by the NFSIV magic number unless an option\n"
    "names it.\n"
    "\n"
    "Options:\n"
    "  --uv FILE   the remap data file to use\n"
    "  --nfs3      read IN as an NFSIII model\n"
    "  --nfs4      read IN as an NFSIV model\n"
    "  --help      show this help\n";

const char* const kTgaToBmpHelp =
    "Usage: fcetool tga-to-bmp IN.TGA OUT.BMP\n"
    "\n"
    "Converts the 32-bit TGA image IN.TGA (uncompressed or run-length encoded)\n"
    "into the 24-bit bitmap OUT.BMP, as Mobrix does when it loads a TGA texture.\n"
    "The alpha channel is dropped. Images of other depths are refused.\n"
    "\n"
    "Options:\n"
    "  --help   show this help\n";

} // namespace

int RemapCommand(const CommandArgs& args)
{
    return RunCommand(args, {"remap", kRemapHelp, 2, kVariantFlags, {"--uv"}}, [](const Arguments& a) {
        return EditModel(a, a.files[1], [&](CarModel& model) -> Outcome {
            RemapSections sections = StartupRemapSections();
            const std::optional<std::string> named = a.Value("--uv");
            const std::string uvPath = named ? *named : RemapDataPath(a.files[0]);
            if (auto failure = LoadRemapData(model, sections, uvPath)) {
                // Only the file beside IN may be absent: a named one must be there.
                if (failure->kind != RemapFileError::Missing || named)
                    return Refused(uvPath, RemapFileFailureMessage(*failure));
            }
            Remap(model, sections);
            return std::nullopt;
        });
    });
}

int TgaToBmpCommand(const CommandArgs& args)
{
    return RunCommand(args, {"tga-to-bmp", kTgaToBmpHelp, 2, {}, {}}, [](const Arguments& a) -> Outcome {
        if (auto failure = ConvertTgaToBmp(a.files[0], a.files[1])) {
            const std::string& path = failure->kind == TgaError::WriteFailed ? a.files[1] : a.files[0];
            return Refused(path, TgaFailureMessage(*failure));
        }
        return std::nullopt;
    });
}

} // namespace mobrix::cli
