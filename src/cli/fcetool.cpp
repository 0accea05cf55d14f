// fcetool: the editor's file handling from the command line, for batch work.
//
// Exit status: 0 on success, 1 when a file is refused or cannot be written,
// 2 on bad usage.

#include "CarModel.h"
#include "CleanUp.h"
#include "Damage.h"
#include "ExchangeErrors.h"
#include "FceFiles.h"
#include "FileErrors.h"
#include "FileInfoReport.h"
#include "GltfCommands.h"
#include "Obj.h"
#include "PartFiles.h"
#include "Remap.h"
#include "RemapFile.h"
#include "TgaToBmp.h"
#include "ThreeDs.h"
#include "Transforms.h"
#include "VertexEditor.h"
#include "XFile.h"

#include <array>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <variant>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace mobrix;

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

const char* const kOverview =
    "Usage: fcetool COMMAND [OPTIONS] ...\n"
    "\n"
    "Reads and writes NFSIII and NFSIV FCE car models.\n"
    "\n"
    "Commands:\n"
    "  info          print the file information report of a model\n"
    "  convert       read a model and save it in either FCE variant\n"
    "  extract-part  write one part of a model to a part file\n"
    "  insert-part   add a part file to a model as a new part\n"
    "  import-3ds    convert the meshes of a 3DS file into a model\n"
    "  3ds-to-prt    write every mesh of a 3DS file to its own part file\n"
    "  export-3ds    write the parts of a model as a 3DS file\n"
    "  import-x      convert the first mesh of a text X file into a model\n"
    "  remap         lay out a model's texture coordinates by its remap sections\n"
    "  tga-to-bmp    convert a 32-bit TGA image into a 24-bit bitmap\n"
    "  export-obj    write the parts of a model as a Wavefront OBJ file\n"
    "  import-obj    convert the objects of a Wavefront OBJ file into a model\n"
    "  export-gltf   write a model as a glTF 2.0 file, every field kept\n"
    "  import-gltf   convert a glTF 2.0 file into a model\n"
    "  mesh          transform or clean up the mesh of a model\n"
    "\n"
    "Run 'fcetool COMMAND --help' for the options of a command.\n";

// Options may stand anywhere among the file names; `--opt VALUE` and
// `--opt=VALUE` are the same; `--` ends the options.
struct Arguments {
    std::vector<std::string> files;
    std::map<std::string, std::string> options;
    bool help = false;
};

struct UsageError {
    std::string message;
};

std::variant<Arguments, UsageError> ParseArguments(const std::vector<std::string>& args,
                                                   const std::set<std::string>& flags,
                                                   const std::set<std::string>& valued)
{
    Arguments out;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            out.help = true;
            continue;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        if (flags.count(name) && eq == std::string::npos) {
            out.options[name] = "";
        } else if (valued.count(name)) {
            if (eq != std::string::npos) {
                out.options[name] = arg.substr(eq + 1);
            } else if (i + 1 < args.size()) {
                out.options[name] = args[++i];
            } else {
                return UsageError{"option " + name + " needs a value"};
            }
        } else {
            return UsageError{"unknown option " + arg};
        }
    }
    return out;
}

// Every failure is one line on standard error, whatever text from a file or
// a file name it quotes: control characters are written as escapes.
std::string OneLine(const std::string& text)
{
    std::string line;
    line.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else if (c == '\t')
            line += "\\t";
        else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            line += escaped;
        } else
            line += c;
    }
    return line;
}

void PrintError(const std::string& text)
{
    std::fprintf(stderr, "fcetool: %s\n", OneLine(text).c_str());
}

// The input variant: a flag says which, otherwise the NFSIV magic decides.
std::variant<FceVariant, UsageError> InputVariant(const Arguments& a, const std::string& path)
{
    const bool nfs3 = a.options.count("--nfs3") > 0;
    const bool nfs4 = a.options.count("--nfs4") > 0;
    if (nfs3 && nfs4)
        return UsageError{"--nfs3 and --nfs4 exclude each other"};
    if (nfs3)
        return FceVariant::Nfs3;
    if (nfs4)
        return FceVariant::Nfs4;
    return DetectVariant(path);
}

int Usage(const UsageError& error, const char* command)
{
    PrintError(error.message + " (run 'fcetool " + command + " --help' for usage)");
    return kExitUsage;
}

// Opens a model as the editor's "Open" would.
bool OpenModel(CarModel& model, const std::string& path, FceVariant variant)
{
    if (auto failure = OpenFCE(model, path, variant)) {
        PrintError(path + ": " + OneLineLoadFailureMessage(*failure));
        return false;
    }
    return true;
}

// --- Shared by every command -------------------------------------------------

std::optional<FceVariant> VariantNamed(const std::string& name)
{
    if (name == "nfs3")
        return FceVariant::Nfs3;
    if (name == "nfs4")
        return FceVariant::Nfs4;
    return std::nullopt;
}

int ExchangeRefused(ExchangeCommand command, const std::string& path, const ExchangeFailure& failure)
{
    PrintError(path + ": " + OneLineFailureMessage(command, failure));
    return kExitRefused;
}

bool SaveModel(CarModel& model, const std::string& path, FceVariant variant)
{
    if (auto failure = SaveFCEAs(model, path, variant)) {
        PrintError(path + ": " + OneLineSaveFailureMessage(*failure));
        return false;
    }
    return true;
}

// The variant named by --to, NFSIII when there is none.
std::variant<FceVariant, UsageError> TargetVariant(const Arguments& a)
{
    const auto to = a.options.find("--to");
    if (to == a.options.end())
        return FceVariant::Nfs3;
    if (const std::optional<FceVariant> variant = VariantNamed(to->second))
        return *variant;
    return UsageError{"--to takes nfs3 or nfs4, not '" + to->second + "'"};
}

// Parses the arguments of a command that takes exactly `files` file names.
std::variant<Arguments, int> CommandArguments(const std::vector<std::string>& args, const char* command,
                                              const char* help, std::size_t files, const std::set<std::string>& flags,
                                              const std::set<std::string>& valued)
{
    const auto parsed = ParseArguments(args, flags, valued);
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return Usage(*error, command);
    const Arguments& a = std::get<Arguments>(parsed);
    if (a.help) {
        std::fputs(help, stdout);
        return kExitOk;
    }
    if (a.files.size() != files)
        return Usage({std::string(command) + " takes " + std::to_string(files) + (files == 1 ? " file" : " files")},
                     command);
    return a;
}

// Opens MODEL of a command, its variant detected unless a flag names it.
std::optional<FceVariant> OpenInputModel(CarModel& model, const Arguments& a, const std::string& path,
                                         const char* command, int& exitCode)
{
    const auto variant = InputVariant(a, path);
    if (const auto* error = std::get_if<UsageError>(&variant)) {
        exitCode = Usage(*error, command);
        return std::nullopt;
    }
    if (!OpenModel(model, path, std::get<FceVariant>(variant))) {
        exitCode = kExitRefused;
        return std::nullopt;
    }
    return std::get<FceVariant>(variant);
}

const char* const kInfoHelp =
    "Usage: fcetool info [--nfs3|--nfs4] FILE\n"
    "\n"
    "Prints the file information report of an FCE model, one line per line.\n"
    "The variant is detected by the NFSIV magic number unless an option names it.\n"
    "\n"
    "Options:\n"
    "  --nfs3   read FILE as an NFSIII model\n"
    "  --nfs4   read FILE as an NFSIV model\n"
    "  --help   show this help\n";

int Info(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "info", kInfoHelp, 1, {"--nfs3", "--nfs4"}, {});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    const std::string& path = a.files[0];
    CarModel model;
    int exitCode = kExitOk;
    if (!OpenInputModel(model, a, path, "info", exitCode))
        return exitCode;
    for (const std::string& line : FileInfoReport(model, path)) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        PrintError("could not write the report");
        return kExitRefused;
    }
    return kExitOk;
}

const char* const kConvertHelp =
    "Usage: fcetool convert [--nfs3|--nfs4] IN OUT --to nfs3|nfs4\n"
    "\n"
    "Reads the model IN and saves it as OUT in the chosen FCE variant, exactly\n"
    "as opening it in Mobrix and choosing Save As would. The variant of IN is\n"
    "detected by the NFSIV magic number unless an option names it.\n"
    "\n"
    "Options:\n"
    "  --to nfs3|nfs4   the variant to write (required)\n"
    "  --nfs3           read IN as an NFSIII model\n"
    "  --nfs4           read IN as an NFSIV model\n"
    "  --help           show this help\n";

int Convert(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "convert", kConvertHelp, 2, {"--nfs3", "--nfs4"}, {"--to"});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    if (a.options.count("--to") == 0)
        return Usage({"convert needs --to nfs3 or --to nfs4"}, "convert");
    const auto target = TargetVariant(a);
    if (const auto* error = std::get_if<UsageError>(&target))
        return Usage(*error, "convert");
    CarModel model;
    int exitCode = kExitOk;
    if (!OpenInputModel(model, a, a.files[0], "convert", exitCode))
        return exitCode;
    return SaveModel(model, a.files[1], std::get<FceVariant>(target)) ? kExitOk : kExitRefused;
}

// --- Exchange formats ---------------------------------------------------------

// A 1-based part number, or the name as the part list shows it (trimmed of
// blanks, also without what follows a NUL).
std::optional<int> FindPart(const CarModel& model, const std::string& which)
{
    const int parts = UsablePartCount(model.Header);
    if (!which.empty() && which.find_first_not_of("0123456789") == std::string::npos) {
        const long number = std::strtol(which.c_str(), nullptr, 10);
        if (number >= 1 && number <= parts)
            return static_cast<int>(number - 1);
    }
    for (int p = 0; p < parts && static_cast<std::size_t>(p) < model.Header.PartNames.size(); ++p) {
        const std::string name = TrimmedName(model.Header.PartNames[static_cast<std::size_t>(p)]);
        const std::string beforeNul = name.substr(0, name.find('\0'));
        if (which == name || which == TrimmedName(beforeNul))
            return p;
    }
    return std::nullopt;
}

const char* const kExtractPartHelp =
    "Usage: fcetool extract-part [--nfs3|--nfs4] MODEL PART OUT\n"
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

int ExtractPartCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "extract-part", kExtractPartHelp, 3, {"--nfs3", "--nfs4"}, {});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    CarModel model;
    int exitCode = kExitOk;
    if (!OpenInputModel(model, a, a.files[0], "extract-part", exitCode))
        return exitCode;
    const std::optional<int> part = FindPart(model, a.files[1]);
    if (!part)
        return Usage({"the model has no part '" + a.files[1] + "'"}, "extract-part");
    const std::string& out = a.files[2];
    std::setlocale(LC_TIME, ""); // the date line in the user's format
    if (auto failure = ExtractPart(model, *part, out, PartFileFormatFor(out), GeneralDateTime(std::time(nullptr))))
        return ExchangeRefused(ExchangeCommand::ExtractPart, out, *failure);
    return kExitOk;
}

const char* const kInsertPartHelp =
    "Usage: fcetool insert-part [--nfs3|--nfs4] MODEL PARTFILE OUT\n"
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

int InsertPartCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "insert-part", kInsertPartHelp, 3, {"--nfs3", "--nfs4"}, {});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    CarModel model;
    int exitCode = kExitOk;
    const std::optional<FceVariant> variant = OpenInputModel(model, a, a.files[0], "insert-part", exitCode);
    if (!variant)
        return exitCode;
    const std::string& partFile = a.files[1];
    if (auto failure = InsertPart(model, partFile, PartFileFormatFor(partFile)))
        return ExchangeRefused(ExchangeCommand::InsertPart, partFile, *failure);
    return SaveModel(model, a.files[2], *variant) ? kExitOk : kExitRefused;
}

const char* const kImport3dsHelp =
    "Usage: fcetool import-3ds IN.3DS OUT [--to nfs3|nfs4]\n"
    "\n"
    "Converts the mesh objects of the 3DS file IN.3DS into a new model, one part\n"
    "per object (at most 64), as Mobrix's Convert 3DS does, and saves it as OUT.\n"
    "\n"
    "Options:\n"
    "  --to nfs3|nfs4   the FCE variant to write (default nfs3)\n"
    "  --help           show this help\n";

int Import3dsCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "import-3ds", kImport3dsHelp, 2, {}, {"--to"});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    const auto target = TargetVariant(a);
    if (const auto* error = std::get_if<UsageError>(&target))
        return Usage(*error, "import-3ds");
    CarModel model;
    NewFCE(model);
    if (auto failure = Convert3DS(model, a.files[0]))
        return ExchangeRefused(ExchangeCommand::Convert3DS, a.files[0], *failure);
    return SaveModel(model, a.files[1], std::get<FceVariant>(target)) ? kExitOk : kExitRefused;
}

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

int ThreeDsToPrtCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "3ds-to-prt", k3dsToPrtHelp, 2, {}, {});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    const ThreeDsToPartsResult result = Read3DSToParts(a.files[0], a.files[1]);
    for (const WrittenPartFile& file : result.written) {
        std::printf("%s\n", file.path.c_str());
        if (file.renamed)
            PrintError("object '" + file.objectName + "' written as " + file.path +
                       ": its own file name was already used");
    }
    std::fflush(stdout);
    if (result.failure)
        return ExchangeRefused(ExchangeCommand::Convert3DSToPRT, a.files[0], *result.failure);
    return kExitOk;
}

const char* const kExport3dsHelp =
    "Usage: fcetool export-3ds [--nfs3|--nfs4] MODEL OUT.3DS\n"
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

int Export3dsCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "export-3ds", kExport3dsHelp, 2, {"--nfs3", "--nfs4"}, {});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    CarModel model;
    int exitCode = kExitOk;
    if (!OpenInputModel(model, a, a.files[0], "export-3ds", exitCode))
        return exitCode;
    if (auto failure = Write3DS(model, a.files[1]))
        return ExchangeRefused(ExchangeCommand::Export3DS, a.files[1], *failure);
    return kExitOk;
}

const char* const kImportXHelp =
    "Usage: fcetool import-x IN.X OUT [--to nfs3|nfs4]\n"
    "\n"
    "Converts the first mesh of the text X file IN.X into a new model of one\n"
    "part named after the file, as Mobrix's Convert X does, and saves it as OUT.\n"
    "Only triangle faces are accepted.\n"
    "\n"
    "Options:\n"
    "  --to nfs3|nfs4   the FCE variant to write (default nfs3)\n"
    "  --help           show this help\n";

int ImportXCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "import-x", kImportXHelp, 2, {}, {"--to"});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    const auto target = TargetVariant(a);
    if (const auto* error = std::get_if<UsageError>(&target))
        return Usage(*error, "import-x");
    CarModel model;
    NewFCE(model);
    if (auto failure = ConvertX(model, a.files[0]))
        return ExchangeRefused(ExchangeCommand::ConvertX, a.files[0], *failure);
    return SaveModel(model, a.files[1], std::get<FceVariant>(target)) ? kExitOk : kExitRefused;
}

// --- Texture mapping ------------------------------------------------------------

const char* const kRemapHelp =
    "Usage: fcetool remap [--nfs3|--nfs4] IN OUT [--uv FILE]\n"
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

int RemapCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "remap", kRemapHelp, 2, {"--nfs3", "--nfs4"}, {"--uv"});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    CarModel model;
    int exitCode = kExitOk;
    const std::optional<FceVariant> variant = OpenInputModel(model, a, a.files[0], "remap", exitCode);
    if (!variant)
        return exitCode;
    RemapSections sections = StartupRemapSections();
    const auto named = a.options.find("--uv");
    const std::string uvPath = named != a.options.end() ? named->second : RemapDataPath(a.files[0]);
    if (auto failure = LoadRemapData(model, sections, uvPath)) {
        // Only the file beside IN may be absent: a named one must be there.
        if (failure->kind != RemapFileError::Missing || named != a.options.end()) {
            PrintError(uvPath + ": " + RemapFileFailureMessage(*failure));
            return kExitRefused;
        }
    }
    Remap(model, sections);
    return SaveModel(model, a.files[1], *variant) ? kExitOk : kExitRefused;
}

const char* const kTgaToBmpHelp =
    "Usage: fcetool tga-to-bmp IN.TGA OUT.BMP\n"
    "\n"
    "Converts the 32-bit TGA image IN.TGA (uncompressed or run-length encoded)\n"
    "into the 24-bit bitmap OUT.BMP, as Mobrix does when it loads a TGA texture.\n"
    "The alpha channel is dropped. Images of other depths are refused.\n"
    "\n"
    "Options:\n"
    "  --help   show this help\n";

int TgaToBmpCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "tga-to-bmp", kTgaToBmpHelp, 2, {}, {});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    if (auto failure = ConvertTgaToBmp(a.files[0], a.files[1])) {
        const std::string& path = failure->kind == TgaError::WriteFailed ? a.files[1] : a.files[0];
        PrintError(path + ": " + TgaFailureMessage(*failure));
        return kExitRefused;
    }
    return kExitOk;
}

const char* const kExportObjHelp =
    "Usage: fcetool export-obj [--nfs3|--nfs4] [--texture IMAGE] MODEL OUT.OBJ\n"
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

int ExportObjCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "export-obj", kExportObjHelp, 2, {"--nfs3", "--nfs4"}, {"--texture"});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    CarModel model;
    int exitCode = kExitOk;
    if (!OpenInputModel(model, a, a.files[0], "export-obj", exitCode))
        return exitCode;
    const auto texture = a.options.find("--texture");
    if (auto failure = WriteObj(model, a.files[1], texture == a.options.end() ? std::string() : texture->second))
        return ExchangeRefused(ExchangeCommand::ExportObj, a.files[1], *failure);
    return kExitOk;
}

const char* const kImportObjHelp =
    "Usage: fcetool import-obj IN.OBJ OUT [--to nfs3|nfs4]\n"
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

int ImportObjCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "import-obj", kImportObjHelp, 2, {}, {"--to"});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    const auto target = TargetVariant(a);
    if (const auto* error = std::get_if<UsageError>(&target))
        return Usage(*error, "import-obj");
    CarModel model;
    NewFCE(model);
    if (auto failure = ConvertObj(model, a.files[0]))
        return ExchangeRefused(ExchangeCommand::ConvertObj, a.files[0], *failure);
    return SaveModel(model, a.files[1], std::get<FceVariant>(target)) ? kExitOk : kExitRefused;
}

int ExportGltfCommand(const std::vector<std::string>& args)
{
    const auto parsed =
        CommandArguments(args, "export-gltf", cli::kExportGltfHelp, 2, {"--nfs3", "--nfs4"}, {"--texture"});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    CarModel model;
    int exitCode = kExitOk;
    if (!OpenInputModel(model, a, a.files[0], "export-gltf", exitCode))
        return exitCode;
    const auto texture = a.options.find("--texture");
    return cli::ExportGltfFile(model, a.files[1], texture == a.options.end() ? std::string() : texture->second)
               ? kExitOk
               : kExitRefused;
}

int ImportGltfCommand(const std::vector<std::string>& args)
{
    const auto parsed = CommandArguments(args, "import-gltf", cli::kImportGltfHelp, 2, {}, {"--to"});
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    const Arguments& a = std::get<Arguments>(parsed);
    const auto target = TargetVariant(a);
    if (const auto* error = std::get_if<UsageError>(&target))
        return Usage(*error, "import-gltf");
    CarModel model;
    NewFCE(model);
    if (!cli::ImportGltfFile(model, a.files[0]))
        return kExitRefused;
    return SaveModel(model, a.files[1], std::get<FceVariant>(target)) ? kExitOk : kExitRefused;
}

// --- Mesh transforms and clean-up ----------------------------------------------

const char* const kMeshHelp =
    "Usage: fcetool mesh [--nfs3|--nfs4] IN OUT OPERATION [ARGUMENTS] [--part P]...\n"
    "\n"
    "Reads the model IN, applies one of Mobrix's mesh commands and saves the\n"
    "result as OUT in the variant of IN. P is a 1-based part number or a part\n"
    "name as the part list shows it; --part may repeat (the selected parts, the\n"
    "first of them the current part). Without --part the first part is used.\n"
    "\n"
    "Operations:\n"
    "  swap-xy, swap-xz, swap-yz     exchange two axes of the whole model\n"
    "  rotate                        the same as swap-yz\n"
    "  mirror-x, mirror-y, mirror-z  negate one axis of the part\n"
    "  rescale X Y Z                 scale every --part by X, Y, Z percent (0 to 200)\n"
    "  centre                        centre the part on its origin; prints the box\n"
    "  centre-all                    centre all parts together; prints the box\n"
    "  reverse-winding               reverse the corner order of every triangle\n"
    "  remove-duplicate-polys        remove repeated triangles of the part\n"
    "  remove-unnecessary-verts      merge coincident vertices of the part and\n"
    "                                remove unused ones; prints the final status\n"
    "  copy-part FROM TO             copy the mesh of part FROM over part TO\n"
    "                                (parts of the same size only)\n"
    "  fuse                          fuse every --part after the first into the first\n"
    "  create-damage [--seed N]      scatter the part's damaged positions (NFSIV);\n"
    "                                N (0 to 2^64-1) repeats a run, else the clock\n"
    "  reset-damage                  put the part's undamaged positions back (NFSIV)\n"
    "\n"
    "Options:\n"
    "  --part P   a part to work on (may repeat)\n"
    "  --nfs3     read IN as an NFSIII model\n"
    "  --nfs4     read IN as an NFSIV model\n"
    "  --help     show this help\n";

// The parts an operation works on.
enum class PartUse {
    None, // the whole model (or parts named in its own arguments)
    One,  // the current part
    Many, // the selected parts
};

struct MeshRequest {
    std::vector<int> parts;              // resolved --part values, or the first part
    std::vector<std::string> arguments;  // the operation's own arguments
    std::map<std::string, std::string> options;
};

// What an operation ends with: lines for standard output, or a refusal
// (exit 1, nothing written), or bad arguments (exit 2).
struct MeshOutcome {
    std::vector<std::string> out;
    std::string refusal;
    std::optional<UsageError> usage;
};

MeshOutcome Printed(std::vector<std::string> lines = {})
{
    return {std::move(lines), {}, std::nullopt};
}

MeshOutcome Refused(std::string message)
{
    return {{}, std::move(message), std::nullopt};
}

MeshOutcome BadArguments(std::string message)
{
    return {{}, {}, UsageError{std::move(message)}};
}

MeshOutcome FromStatus(MeshToolStatus status, std::vector<std::string> lines = {})
{
    if (status == MeshToolStatus::NoSuchPart)
        return Refused(kPartNotEditableMessage);
    return Printed(std::move(lines));
}

struct MeshOperation {
    int arguments = 0;
    PartUse parts = PartUse::None;
    std::set<std::string> options; // valued options of its own
    std::function<MeshOutcome(CarModel&, const MeshRequest&)> run;
};

// A percentage as the rescale dialog's bars give it: a whole number 0..200.
std::optional<int> BarPercent(const std::string& text)
{
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(text);
    return value <= 200 ? std::optional<int>(value) : std::nullopt;
}

MeshOutcome RescaleOperation(CarModel& model, const MeshRequest& r)
{
    std::array<int, 3> percent{};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::optional<int> value = BarPercent(r.arguments[i]);
        if (!value)
            return BadArguments("rescale takes whole percentages from 0 to 200, not '" + r.arguments[i] + "'");
        percent[i] = *value;
    }
    return FromStatus(RescaleParts(model, r.parts, {percent[0], percent[1], percent[2]}).status);
}

MeshOutcome CentreOutcome(const CentreResult& result)
{
    return FromStatus(result.status, result.messageLines);
}

MeshOutcome CopyPartOperation(CarModel& model, const MeshRequest& r)
{
    std::array<int, 2> parts{};
    for (std::size_t i = 0; i < 2; ++i) {
        const std::optional<int> part = FindPart(model, r.arguments[i]);
        if (!part)
            return BadArguments("the model has no part '" + r.arguments[i] + "'");
        parts[i] = *part;
    }
    const CopyPartResult result = CopyPart(model, parts[0], parts[1]);
    if (result.status == MeshToolStatus::SizeMismatch)
        return Refused(result.message);
    return FromStatus(result.status);
}

MeshOutcome DamageOutcome(DamageStatus status)
{
    if (const char* refusal = DamageRefusalText(status))
        return Refused(refusal);
    return Printed();
}

// A seed as a whole decimal number that fits in 64 bits.
std::optional<std::uint64_t> Seed(const std::string& text)
{
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE)
        return std::nullopt;
    return static_cast<std::uint64_t>(value);
}

MeshOutcome CreateDamageOperation(CarModel& model, const MeshRequest& r)
{
    const auto seedOption = r.options.find("--seed");
    std::optional<DamageRandom> random;
    if (seedOption == r.options.end()) {
        random = DamageRandom::FromClock();
    } else if (const std::optional<std::uint64_t> seed = Seed(seedOption->second)) {
        random.emplace(*seed);
    } else {
        return BadArguments("--seed takes a whole number from 0 to 18446744073709551615, not '" + seedOption->second +
                            "'");
    }
    return DamageOutcome(CreateDamage(model, r.parts[0], *random));
}

const std::map<std::string, MeshOperation>& MeshOperations()
{
    using R = const MeshRequest&;
    auto swap = [](AxisPair pair) {
        return MeshOperation{0, PartUse::None, {}, [pair](CarModel& m, R) { return FromStatus(SwapAxes(m, pair).status); }};
    };
    auto mirror = [](Axis axis) {
        return MeshOperation{0, PartUse::One, {}, [axis](CarModel& m, R r) {
                                 return FromStatus(MirrorPart(m, r.parts[0], axis).status);
                             }};
    };
    static const std::map<std::string, MeshOperation> operations = {
        {"swap-xy", swap(AxisPair::XY)},
        {"swap-xz", swap(AxisPair::XZ)},
        {"swap-yz", swap(AxisPair::YZ)},
        {"rotate", {0, PartUse::None, {}, [](CarModel& m, R) { return FromStatus(RotateMesh(m).status); }}},
        {"mirror-x", mirror(Axis::X)},
        {"mirror-y", mirror(Axis::Y)},
        {"mirror-z", mirror(Axis::Z)},
        {"rescale", {3, PartUse::Many, {}, RescaleOperation}},
        {"centre", {0, PartUse::One, {}, [](CarModel& m, R r) { return CentreOutcome(CentrePart(m, r.parts[0])); }}},
        {"centre-all", {0, PartUse::None, {}, [](CarModel& m, R) { return CentreOutcome(CentreAllParts(m)); }}},
        {"reverse-winding",
         {0, PartUse::None, {}, [](CarModel& m, R) { return FromStatus(ReverseWindingOrder(m).status); }}},
        {"remove-duplicate-polys",
         {0, PartUse::One, {}, [](CarModel& m, R r) { return FromStatus(RemoveDuplicatePolys(m, r.parts[0]).status); }}},
        {"remove-unnecessary-verts", {0, PartUse::One, {}, [](CarModel& m, R r) {
                                          const CleanUpResult result = RemoveUnnecessaryVerts(m, r.parts[0]);
                                          return FromStatus(result.status, {result.statusText});
                                      }}},
        {"copy-part", {2, PartUse::None, {}, CopyPartOperation}},
        {"fuse", {0, PartUse::Many, {}, [](CarModel& m, R r) { return FromStatus(FuseParts(m, r.parts[0], r.parts).status); }}},
        {"create-damage", {0, PartUse::One, {"--seed"}, CreateDamageOperation}},
        {"reset-damage", {0, PartUse::One, {}, [](CarModel& m, R r) { return DamageOutcome(ResetDamage(m, r.parts[0])); }}},
    };
    return operations;
}

// Takes every `--part P` and `--part=P` out of the arguments (before a `--`).
std::variant<std::vector<std::string>, UsageError> TakePartOptions(const std::vector<std::string>& args,
                                                                     std::vector<std::string>& parts)
{
    std::vector<std::string> rest;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        optionsEnded = optionsEnded || arg == "--";
        if (optionsEnded || (arg != "--part" && arg.rfind("--part=", 0) != 0)) {
            rest.push_back(arg);
        } else if (arg != "--part") {
            parts.push_back(arg.substr(7));
        } else if (i + 1 < args.size()) {
            parts.push_back(args[++i]);
        } else {
            return UsageError{"option --part needs a value"};
        }
    }
    return rest;
}

// The parts named by --part, or the first part when none is named.
std::variant<std::vector<int>, MeshOutcome> ResolveParts(const CarModel& model, const std::vector<std::string>& names,
                                                         const std::string& operation, PartUse use)
{
    if (use == PartUse::None) {
        if (!names.empty())
            return BadArguments(operation + " takes no --part");
        return std::vector<int>{};
    }
    if (use == PartUse::One && names.size() > 1)
        return BadArguments(operation + " works on one part; give --part once");
    if (names.empty()) {
        if (UsablePartCount(model.Header) == 0)
            return Refused("the model has no parts");
        return std::vector<int>{0};
    }
    std::vector<int> parts;
    for (const std::string& name : names) {
        const std::optional<int> part = FindPart(model, name);
        if (!part)
            return BadArguments("the model has no part '" + name + "'");
        parts.push_back(*part);
    }
    return parts;
}

int MeshCommand(const std::vector<std::string>& args)
{
    std::vector<std::string> partNames;
    const auto withoutParts = TakePartOptions(args, partNames);
    if (const auto* error = std::get_if<UsageError>(&withoutParts))
        return Usage(*error, "mesh");
    std::set<std::string> valued;
    for (const auto& [name, operation] : MeshOperations())
        valued.insert(operation.options.begin(), operation.options.end());
    const auto parsed = ParseArguments(std::get<std::vector<std::string>>(withoutParts), {"--nfs3", "--nfs4"}, valued);
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return Usage(*error, "mesh");
    const Arguments& a = std::get<Arguments>(parsed);
    if (a.help) {
        std::fputs(kMeshHelp, stdout);
        return kExitOk;
    }
    if (a.files.size() < 3)
        return Usage({"mesh takes IN, OUT and an operation"}, "mesh");
    const std::string& name = a.files[2];
    const auto found = MeshOperations().find(name);
    if (found == MeshOperations().end())
        return Usage({"unknown mesh operation '" + name + "'"}, "mesh");
    const MeshOperation& operation = found->second;
    if (a.files.size() != 3 + static_cast<std::size_t>(operation.arguments))
        return Usage({name + " takes " + std::to_string(operation.arguments) + " arguments"}, "mesh");
    for (const auto& [option, value] : a.options) {
        if (valued.count(option) && !operation.options.count(option))
            return Usage({name + " takes no " + option}, "mesh");
    }

    CarModel model;
    int exitCode = kExitOk;
    const std::optional<FceVariant> variant = OpenInputModel(model, a, a.files[0], "mesh", exitCode);
    if (!variant)
        return exitCode;
    MeshRequest request{{}, {a.files.begin() + 3, a.files.end()}, a.options};
    const auto parts = ResolveParts(model, partNames, name, operation.parts);
    MeshOutcome outcome = std::holds_alternative<MeshOutcome>(parts) ? std::get<MeshOutcome>(parts) : MeshOutcome{};
    if (const auto* resolved = std::get_if<std::vector<int>>(&parts)) {
        request.parts = *resolved;
        outcome = operation.run(model, request);
    }
    if (outcome.usage)
        return Usage(*outcome.usage, "mesh");
    if (!outcome.refusal.empty()) {
        PrintError(a.files[0] + ": " + outcome.refusal);
        return kExitRefused;
    }
    for (const std::string& line : outcome.out) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return SaveModel(model, a.files[1], *variant) ? kExitOk : kExitRefused;
}

struct Command {
    std::function<int(const std::vector<std::string>&)> run;
    const char* help;
};

const std::map<std::string, Command>& Commands()
{
    static const std::map<std::string, Command> commands = {
        {"info", {Info, kInfoHelp}},
        {"convert", {Convert, kConvertHelp}},
        {"extract-part", {ExtractPartCommand, kExtractPartHelp}},
        {"insert-part", {InsertPartCommand, kInsertPartHelp}},
        {"import-3ds", {Import3dsCommand, kImport3dsHelp}},
        {"3ds-to-prt", {ThreeDsToPrtCommand, k3dsToPrtHelp}},
        {"export-3ds", {Export3dsCommand, kExport3dsHelp}},
        {"import-x", {ImportXCommand, kImportXHelp}},
        {"remap", {RemapCommand, kRemapHelp}},
        {"tga-to-bmp", {TgaToBmpCommand, kTgaToBmpHelp}},
        {"export-obj", {ExportObjCommand, kExportObjHelp}},
        {"import-obj", {ImportObjCommand, kImportObjHelp}},
        {"export-gltf", {ExportGltfCommand, cli::kExportGltfHelp}},
        {"import-gltf", {ImportGltfCommand, cli::kImportGltfHelp}},
        {"mesh", {MeshCommand, kMeshHelp}},
    };
    return commands;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintError("no command given (run 'fcetool --help' for the commands)");
        return kExitUsage;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        if (!args.empty() && Commands().count(args.front())) {
            std::fputs(Commands().at(args.front()).help, stdout);
            return kExitOk;
        }
        std::fputs(kOverview, stdout);
        return kExitOk;
    }
    const auto found = Commands().find(command);
    if (found == Commands().end()) {
        PrintError("unknown command '" + command + "' (run 'fcetool --help' for the commands)");
        return kExitUsage;
    }
    return found->second.run(args);
}
