// fcetool: the editor's file handling from the command line, for batch work.
//
// Exit status: 0 on success, 1 when a file is refused or cannot be written,
// 2 on bad usage.

#include "CarModel.h"
#include "FceFiles.h"
#include "FileErrors.h"
#include "FileInfoReport.h"

#include <cstdio>
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
    "  info      print the file information report of a model\n"
    "  convert   read a model and save it in either FCE variant\n"
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

void PrintError(const std::string& text)
{
    std::fprintf(stderr, "fcetool: %s\n", text.c_str());
}

// The message of a refused file on one line.
std::string OneLineLoadMessage(const LoadFailure& failure)
{
    std::string text;
    if (failure.kind == LoadError::Other)
        text = "An error has occurred during the loading process. The error code reported was: " +
               std::to_string(failure.code);
    else
        text = LoadFailureMessage(failure);
    if (!failure.detail.empty())
        text += " (" + failure.detail + ")";
    return text;
}

std::string OneLineSaveMessage(const SaveFailure& failure)
{
    std::string text = "An error has occurred whilst saving the file. The error code reported was: " +
                       std::to_string(failure.code);
    if (!failure.detail.empty())
        text += " (" + failure.detail + ")";
    return text;
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
    PrintError(error.message);
    std::fprintf(stderr, "Run 'fcetool %s --help' for usage.\n", command);
    return kExitUsage;
}

// Opens a model as the editor's "Open" would.
bool OpenModel(CarModel& model, const std::string& path, FceVariant variant)
{
    if (auto failure = OpenFCE(model, path, variant)) {
        PrintError(path + ": " + OneLineLoadMessage(*failure));
        return false;
    }
    return true;
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
    const auto parsed = ParseArguments(args, {"--nfs3", "--nfs4"}, {});
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return Usage(*error, "info");
    const Arguments& a = std::get<Arguments>(parsed);
    if (a.help) {
        std::fputs(kInfoHelp, stdout);
        return kExitOk;
    }
    if (a.files.size() != 1)
        return Usage({"info takes exactly one FILE"}, "info");
    const std::string& path = a.files[0];
    const auto variant = InputVariant(a, path);
    if (const auto* error = std::get_if<UsageError>(&variant))
        return Usage(*error, "info");

    CarModel model;
    if (!OpenModel(model, path, std::get<FceVariant>(variant)))
        return kExitRefused;
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

std::optional<FceVariant> VariantNamed(const std::string& name)
{
    if (name == "nfs3")
        return FceVariant::Nfs3;
    if (name == "nfs4")
        return FceVariant::Nfs4;
    return std::nullopt;
}

int Convert(const std::vector<std::string>& args)
{
    const auto parsed = ParseArguments(args, {"--nfs3", "--nfs4"}, {"--to"});
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return Usage(*error, "convert");
    const Arguments& a = std::get<Arguments>(parsed);
    if (a.help) {
        std::fputs(kConvertHelp, stdout);
        return kExitOk;
    }
    if (a.files.size() != 2)
        return Usage({"convert takes an input and an output file"}, "convert");
    const auto to = a.options.find("--to");
    if (to == a.options.end())
        return Usage({"convert needs --to nfs3 or --to nfs4"}, "convert");
    const std::optional<FceVariant> target = VariantNamed(to->second);
    if (!target)
        return Usage({"--to takes nfs3 or nfs4, not '" + to->second + "'"}, "convert");
    const std::string& in = a.files[0];
    const std::string& out = a.files[1];
    const auto variant = InputVariant(a, in);
    if (const auto* error = std::get_if<UsageError>(&variant))
        return Usage(*error, "convert");

    CarModel model;
    if (!OpenModel(model, in, std::get<FceVariant>(variant)))
        return kExitRefused;
    if (auto failure = SaveFCEAs(model, out, *target)) {
        PrintError(out + ": " + OneLineSaveMessage(*failure));
        return kExitRefused;
    }
    return kExitOk;
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
    };
    return commands;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kOverview, stderr);
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
        PrintError("unknown command '" + command + "'");
        std::fputs(kOverview, stderr);
        return kExitUsage;
    }
    return found->second.run(args);
}
