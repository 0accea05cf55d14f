#include "CliCommon.h"

#include "FileErrors.h"

#include <cstdio>
#include <cstdlib>

namespace mobrix::cli {

std::optional<std::string> Arguments::Value(const std::string& option) const
{
    const auto found = options.find(option);
    if (found == options.end())
        return std::nullopt;
    return found->second;
}

Failure BadUsage(std::string message)
{
    return {Failure::Kind::Usage, std::move(message)};
}

Failure Refused(std::string message)
{
    return {Failure::Kind::Refused, std::move(message)};
}

Failure Refused(const std::string& path, const std::string& message)
{
    return Refused(path + ": " + message);
}

std::variant<Arguments, Failure> ParseArguments(const CommandArgs& args, const std::set<std::string>& flags,
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
                return BadUsage("option " + name + " needs a value");
            }
        } else {
            return BadUsage("unknown option " + arg);
        }
    }
    return out;
}

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

int Report(const Failure& failure, const char* command)
{
    if (failure.kind == Failure::Kind::Refused) {
        PrintError(failure.message);
        return kExitRefused;
    }
    PrintError(failure.message + " (run 'fcetool " + command + " --help' for usage)");
    return kExitUsage;
}

bool PrintLines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

int RunCommand(const CommandArgs& args, const CommandShape& shape,
               const std::function<Outcome(const Arguments&)>& body)
{
    const auto parsed = ParseArguments(args, shape.flags, shape.valued);
    if (const auto* failure = std::get_if<Failure>(&parsed))
        return Report(*failure, shape.name);
    const Arguments& a = std::get<Arguments>(parsed);
    if (a.help) {
        std::fputs(shape.help, stdout);
        return kExitOk;
    }
    if (shape.files && a.files.size() != *shape.files) {
        const std::size_t files = *shape.files;
        return Report(BadUsage(std::string(shape.name) + " takes " + std::to_string(files) +
                               (files == 1 ? " file" : " files")),
                      shape.name);
    }
    if (const Outcome outcome = body(a))
        return Report(*outcome, shape.name);
    return kExitOk;
}

namespace {

// The variant a flag names, if one does.
Result<std::optional<FceVariant>> ForcedVariant(const Arguments& a)
{
    const int named = int{a.Has("--nfs3")} + int{a.Has("--nfs4")} + int{a.Has("--fce4m")};
    if (named > 1)
        return BadUsage("--nfs3, --nfs4 and --fce4m exclude each other");
    if (a.Has("--nfs3"))
        return std::optional<FceVariant>(FceVariant::Nfs3);
    if (a.Has("--nfs4"))
        return std::optional<FceVariant>(FceVariant::Nfs4);
    if (a.Has("--fce4m"))
        return std::optional<FceVariant>(FceVariant::Fce4m);
    return std::optional<FceVariant>();
}

Result<LoadedModel> LoadFromArchive(const ArchiveRef& ref, std::optional<FceVariant> forced)
{
    LoadedModel loaded{CarModel{}, FceVariant::Nfs4, std::nullopt};
    auto read = LoadModelFromArchive(loaded.model, ref.archive, ref.entry, forced);
    if (const auto* failure = std::get_if<VivFailure>(&read))
        return Refused(VivFailureMessage(*failure));
    const ArchiveModel& from = std::get<ArchiveModel>(read);
    loaded.variant = from.variant;
    loaded.archive = ArchiveRef{ref.archive, from.entryName};
    return loaded;
}

} // namespace

// The variant named by --to, NFSIII when there is none.
Result<FceVariant> TargetVariant(const Arguments& a)
{
    const std::optional<std::string> to = a.Value("--to");
    if (!to || *to == "nfs3")
        return FceVariant::Nfs3;
    if (*to == "nfs4")
        return FceVariant::Nfs4;
    if (*to == "fce4m")
        return FceVariant::Fce4m;
    return BadUsage("--to takes nfs3, nfs4 or fce4m, not '" + *to + "'");
}

Result<LoadedModel> LoadModelArg(const Arguments& a, const std::string& path, KeptTables kept)
{
    Result<std::optional<FceVariant>> forced = ForcedVariant(a);
    if (!forced)
        return forced.failure();
    if (const std::optional<ArchiveRef> ref = ParseArchiveRef(path))
        return LoadFromArchive(*ref, *forced);
    const FceVariant variant = forced->value_or(DetectVariant(path));
    LoadedModel loaded{CarModel{}, variant, std::nullopt};
    if (auto failure = OpenFCE(loaded.model, path, variant, kept))
        return Refused(path, OneLineLoadFailureMessage(*failure));
    return loaded;
}

// The model is written as it is, not prepared as the editor's save prepares
// the model it keeps (PrepareForSave): the writers give the same bytes
// either way, and here the model ends with the command, so the three vertex
// sets an NFSIV save would copy into it would only cost memory.
Outcome SaveModelArg(const CarModel& model, const std::string& path, FceVariant variant, const LoadedModel* from)
{
    if (std::optional<ArchiveRef> ref = ParseArchiveRef(path)) {
        const ArchiveRef* source = from != nullptr && from->archive ? &*from->archive : nullptr;
        if (ref->entry.empty() && source != nullptr)
            ref->entry = source->entry;
        const auto written = PutModelInArchive(model, variant, *ref, source != nullptr ? source->archive : "");
        if (const auto* failure = std::get_if<VivFailure>(&written))
            return Refused(VivFailureMessage(*failure));
        return std::nullopt;
    }
    if (auto failure = SaveFCEAs(model, path, variant))
        return Refused(path, OneLineSaveFailureMessage(*failure));
    return std::nullopt;
}

Outcome WithModel(const Arguments& a, const std::function<Outcome(const CarModel&)>& use)
{
    Result<LoadedModel> in = LoadModelArg(a, a.files[0]);
    if (!in)
        return in.failure();
    return use(in->model);
}

Outcome EditModel(const Arguments& a, const std::string& out, const std::function<Outcome(CarModel&)>& edit)
{
    Result<LoadedModel> in = LoadModelArg(a, a.files[0]);
    if (!in)
        return in.failure();
    if (Outcome failure = edit(in->model))
        return failure;
    return SaveModelArg(in->model, out, in->variant, &*in);
}

Outcome WriteModelTo(const Arguments& a, const std::string& out, const std::function<Outcome(CarModel&)>& fill)
{
    const Result<FceVariant> target = TargetVariant(a);
    if (!target)
        return target.failure();
    CarModel model;
    if (Outcome failure = fill(model))
        return failure;
    return SaveModelArg(model, out, *target);
}

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

} // namespace mobrix::cli
