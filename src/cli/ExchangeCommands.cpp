// Part files, 3DS, X and OBJ: models to and from other files.

#include "ExchangeCommands.h"

#include "CliCommon.h"
#include "ExchangeErrors.h"
#include "Obj.h"
#include "PartFiles.h"
#include "ThreeDs.h"
#include "XFile.h"

#include <clocale>
#include <cstdio>
#include <ctime>

namespace mobrix::cli {

namespace {

Outcome ExchangeOutcome(ExchangeCommand command, const std::string& path, const ExchangeStatus& status)
{
    if (status)
        return Refused(path, OneLineFailureMessage(command, *status));
    return std::nullopt;
}

// import-3ds, import-x and import-obj: a new model filled from IN, saved as
// OUT in the variant named by --to.
int ImportCommand(const CommandArgs& args, const char* name, const char* help, ExchangeCommand command,
                  ExchangeStatus (*convert)(CarModel&, const std::string&))
{
    return RunCommand(args, {name, help, 2, {}, {"--to"}}, [&](const Arguments& a) {
        return WriteModelTo(a, a.files[1], [&](CarModel& model) {
            NewFCE(model);
            return ExchangeOutcome(command, a.files[0], convert(model, a.files[0]));
        });
    });
}

const char* const kExtractPartHelp =
    "Usage: fcetool extract-part [--nfs3|--nfs4|--fce4m] MODEL PART OUT\n"
    "\n"
    "Writes one part of the model MODEL to the part file OUT, as Mobrix's\n"
    "Extract Part does. PART is the 1-based part number or the part's name as\n"
    "the part list shows it. OUT ending in .TXT gets the text form, any other\n"
    "name the binary form. The variant of MODEL is detected by the NFSIV magic\n"
    "number unless an option names it.\n"
    "\n"
    "Options:\n"
    "  --nfs3   read MODEL as an NFSIII model\n"
    "  --nfs4   read MODEL as an NFSIV model\n"
    "  --help   show this help\n";

const char* const kInsertPartHelp =
    "Usage: fcetool insert-part [--nfs3|--nfs4|--fce4m] MODEL PARTFILE OUT\n"
    "\n"
    "Adds the part file PARTFILE to the model MODEL as its new last part, as\n"
    "Mobrix's Insert Part does, and saves the result as OUT in the variant of\n"
    "MODEL. PARTFILE ending in .TXT is read as the text form, any other name as\n"
    "the binary form. A model with 15 parts takes no more. The variant of\n"
    "MODEL is detected by the NFSIV magic number unless an option names it.\n"
    "\n"
    "Options:\n"
    "  --nfs3   read MODEL as an NFSIII model\n"
    "  --nfs4   read MODEL as an NFSIV model\n"
    "  --help   show this help\n";

const char* const kImport3dsHelp =
    "Usage: fcetool import-3ds IN.3DS OUT [--to nfs3|nfs4|fce4m]\n"
    "\n"
    "Converts the mesh objects of the 3DS file IN.3DS into a new model, one part\n"
    "per object (at most 64), as Mobrix's Convert 3DS does, and saves it as OUT.\n"
    "\n"
    "Options:\n"
    "  --to nfs3|nfs4   the FCE variant to write (default nfs3)\n"
    "  --help           show this help\n";

const char* const k3dsToPrtHelp =
    "Usage: fcetool 3ds-to-prt IN.3DS OUTDIR\n"
    "\n"
    "Writes every mesh object of the 3DS file IN.3DS to its own binary part file\n"
    "in the folder OUTDIR, as Mobrix's Convert 3DS to PRT does: NAME.PRT after\n"
    "the object's name, with characters that are unsafe in a file name replaced\n"
    "by '_'. When two objects would get the same file, the later one is written\n"
    "as 'NAME (2).PRT' and so on. Prints the path of every file written.\n"
    "\n"
    "Options:\n"
    "  --help   show this help\n";

const char* const kExport3dsHelp =
    "Usage: fcetool export-3ds [--nfs3|--nfs4|--fce4m] MODEL OUT.3DS\n"
    "\n"
    "Writes the parts of the model MODEL as the mesh objects of the 3DS file\n"
    "OUT.3DS, as Mobrix's Export 3DS does: vertices relative to their part,\n"
    "faces, no materials or mapping coordinates. The variant of MODEL is\n"
    "detected by the NFSIV magic number unless an option names it.\n"
    "\n"
    "Options:\n"
    "  --nfs3   read MODEL as an NFSIII model\n"
    "  --nfs4   read MODEL as an NFSIV model\n"
    "  --help   show this help\n";

const char* const kImportXHelp =
    "Usage: fcetool import-x IN.X OUT [--to nfs3|nfs4|fce4m]\n"
    "\n"
    "Converts the first mesh of the text X file IN.X into a new model of one\n"
    "part named after the file, as Mobrix's Convert X does, and saves it as OUT.\n"
    "Only triangle faces are accepted.\n"
    "\n"
    "Options:\n"
    "  --to nfs3|nfs4   the FCE variant to write (default nfs3)\n"
    "  --help           show this help\n";

const char* const kExportObjHelp =
    "Usage: fcetool export-obj [--nfs3|--nfs4|--fce4m] [--texture IMAGE] MODEL OUT.OBJ\n"
    "\n"
    "Writes the parts of the model MODEL as the objects of the Wavefront OBJ file\n"
    "OUT.OBJ, as Mobrix's Export OBJ does: absolute positions, normals, texture\n"
    "coordinates as the model holds them, one material per texture page in a\n"
    "material library beside OUT.OBJ (same name, extension .mtl), and the\n"
    "dummies as comment lines. The variant of MODEL is detected by the NFSIV\n"
    "magic number unless an option names it.\n"
    "\n"
    "Options:\n"
    "  --texture IMAGE  name IMAGE as the texture of every material (map_Kd)\n"
    "  --nfs3           read MODEL as an NFSIII model\n"
    "  --nfs4           read MODEL as an NFSIV model\n"
    "  --help           show this help\n";

const char* const kImportObjHelp =
    "Usage: fcetool import-obj IN.OBJ OUT [--to nfs3|nfs4|fce4m]\n"
    "\n"
    "Converts the Wavefront OBJ file IN.OBJ into a new model, as Mobrix's\n"
    "Convert OBJ does, and saves it as OUT. Each object (o) becomes a part, or\n"
    "each group (g) when the file has no objects, at most 64; polygons are split\n"
    "into triangles; texture coordinates and normals are kept. Materials and\n"
    "smoothing groups are not read. A malformed file is refused with a message\n"
    "naming its line.\n"
    "\n"
    "Options:\n"
    "  --to nfs3|nfs4   the FCE variant to write (default nfs3)\n"
    "  --help           show this help\n";

} // namespace

int ExtractPartCommand(const CommandArgs& args)
{
    return RunCommand(args, {"extract-part", kExtractPartHelp, 3, kVariantFlags, {}}, [](const Arguments& a) {
        return WithModel(a, [&](const CarModel& model) {
            const std::optional<int> part = FindPart(model, a.files[1]);
            if (!part)
                return Outcome(BadUsage("the model has no part '" + a.files[1] + "'"));
            const std::string& out = a.files[2];
            std::setlocale(LC_TIME, ""); // the date line in the user's format
            return ExchangeOutcome(
                ExchangeCommand::ExtractPart, out,
                ExtractPart(model, *part, out, PartFileFormatFor(out), GeneralDateTime(std::time(nullptr))));
        });
    });
}

int InsertPartCommand(const CommandArgs& args)
{
    return RunCommand(args, {"insert-part", kInsertPartHelp, 3, kVariantFlags, {}}, [](const Arguments& a) {
        return EditModel(a, a.files[2], [&](CarModel& model) {
            const std::string& partFile = a.files[1];
            return ExchangeOutcome(ExchangeCommand::InsertPart, partFile,
                                   InsertPart(model, partFile, PartFileFormatFor(partFile)));
        });
    });
}

int Import3dsCommand(const CommandArgs& args)
{
    return ImportCommand(args, "import-3ds", kImport3dsHelp, ExchangeCommand::Convert3DS, Convert3DS);
}

int ThreeDsToPrtCommand(const CommandArgs& args)
{
    return RunCommand(args, {"3ds-to-prt", k3dsToPrtHelp, 2, {}, {}}, [](const Arguments& a) {
        const ThreeDsToPartsResult result = Read3DSToParts(a.files[0], a.files[1]);
        for (const WrittenPartFile& file : result.written) {
            std::printf("%s\n", file.path.c_str());
            if (file.renamed)
                PrintError("object '" + file.objectName + "' written as " + file.path +
                           ": its own file name was already used");
        }
        std::fflush(stdout);
        return ExchangeOutcome(ExchangeCommand::Convert3DSToPRT, a.files[0], result.failure);
    });
}

int Export3dsCommand(const CommandArgs& args)
{
    return RunCommand(args, {"export-3ds", kExport3dsHelp, 2, kVariantFlags, {}}, [](const Arguments& a) {
        return WithModel(a, [&](const CarModel& model) {
            return ExchangeOutcome(ExchangeCommand::Export3DS, a.files[1], Write3DS(model, a.files[1]));
        });
    });
}

int ImportXCommand(const CommandArgs& args)
{
    return ImportCommand(args, "import-x", kImportXHelp, ExchangeCommand::ConvertX, ConvertX);
}

int ExportObjCommand(const CommandArgs& args)
{
    return RunCommand(args, {"export-obj", kExportObjHelp, 2, kVariantFlags, {"--texture"}}, [](const Arguments& a) {
        return WithModel(a, [&](const CarModel& model) {
            return ExchangeOutcome(ExchangeCommand::ExportObj, a.files[1],
                                   WriteObj(model, a.files[1], a.Value("--texture").value_or(std::string())));
        });
    });
}

int ImportObjCommand(const CommandArgs& args)
{
    return ImportCommand(args, "import-obj", kImportObjHelp, ExchangeCommand::ConvertObj, ConvertObj);
}

} // namespace mobrix::cli
