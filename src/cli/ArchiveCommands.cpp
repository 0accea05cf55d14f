// viv list, extract, pack and replace: car archives as a whole. The FCE
// commands read and write models inside archives through LoadModelArg and
// SaveModelArg.

#include "ArchiveCommands.h"

#include "FileIO.h"
#include "Viv.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

namespace mobrix::cli {

namespace {

namespace fs = std::filesystem;

const char* const kVivHelp =
    "Usage: fcetool viv list ARCHIVE [--json]\n"
    "       fcetool viv extract ARCHIVE [NAME...] [-C DIR] [--force]\n"
    "       fcetool viv pack OUT FILE...\n"
    "       fcetool viv replace ARCHIVE NAME FILE\n"
    "\n"
    "Reads and writes car archives (car.viv).\n"
    "\n"
    "  list      print each entry's name, offset and size, separated by tabs;\n"
    "            --json prints a JSON array of {name, offset, size} instead\n"
    "  extract   write the entries (or only the NAMEs given) under DIR (the\n"
    "            current folder without -C); an entry whose name would leave DIR\n"
    "            is refused, and so is an existing file unless --force is given;\n"
    "            nothing is written when anything is refused\n"
    "  pack      write OUT holding each FILE under its file name, in order\n"
    "  replace   put the bytes of FILE into the entry NAME, keeping the others\n"
    "\n"
    "The FCE commands also read and write models inside archives: name the\n"
    "archive (its first .fce entry) or ARCHIVE.viv:ENTRY.\n";

std::variant<LoadedViv, Failure> ReadArchive(const std::string& path)
{
    auto loaded = LoadViv(path);
    if (const auto* failure = std::get_if<VivFailure>(&loaded))
        return Refused(VivFailureMessage(*failure));
    return std::move(std::get<LoadedViv>(loaded));
}

// A name as a JSON string. Bytes above 127 are taken as Latin-1, as the
// window shows them.
std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::vector<std::string> ListingLines(const VivArchive& archive, bool json)
{
    std::vector<std::string> lines;
    if (json)
        lines.push_back("[");
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const VivEntry& e = archive.entries[i];
        if (json)
            lines.push_back("  {\"name\": " + JsonString(e.name) + ", \"offset\": " + std::to_string(e.offset) +
                            ", \"size\": " + std::to_string(e.size) + "}" +
                            (i + 1 < archive.entries.size() ? "," : ""));
        else
            lines.push_back(OneLine(e.name) + "\t" + std::to_string(e.offset) + "\t" + std::to_string(e.size));
    }
    if (json)
        lines.push_back("]");
    return lines;
}

Outcome List(const Arguments& a)
{
    if (a.files.size() != 1)
        return BadUsage("viv list takes 1 file");
    auto read = ListViv(a.files[0]);
    if (const auto* failure = std::get_if<VivFailure>(&read))
        return Refused(VivFailureMessage(*failure));
    if (!PrintLines(ListingLines(std::get<VivArchive>(read), a.Has("--json"))))
        return Refused("could not write the listing");
    return std::nullopt;
}

// The entries to extract: the ones named (each must exist), else all.
Result<std::vector<std::size_t>> ChosenEntries(const VivArchive& archive, const Arguments& a)
{
    std::vector<std::size_t> chosen;
    if (a.files.size() == 1) {
        for (std::size_t i = 0; i < archive.entries.size(); ++i)
            chosen.push_back(i);
        return chosen;
    }
    for (std::size_t f = 1; f < a.files.size(); ++f) {
        const std::optional<std::size_t> found = FindEntry(archive, a.files[f]);
        if (!found)
            return Refused(a.files[0], "no entry '" + a.files[f] + "' in the archive");
        chosen.push_back(*found);
    }
    return chosen;
}

// Whether `target` stays inside `root` once links on the way are followed.
bool StaysInside(const fs::path& root, const fs::path& target)
{
    std::error_code ec;
    const fs::path base = fs::weakly_canonical(root, ec);
    if (ec)
        return false;
    const fs::path resolved = fs::weakly_canonical(target.parent_path(), ec);
    if (ec)
        return false;
    auto b = base.begin();
    auto r = resolved.begin();
    for (; b != base.end(); ++b, ++r) {
        if (b->empty())
            continue; // a trailing separator
        if (r == resolved.end() || *b != *r)
            return false;
    }
    return true;
}

// Every target is checked before the first is written: a refusal leaves
// the folder as it was.
Result<std::vector<fs::path>> ExtractTargets(const VivArchive& archive, const std::vector<std::size_t>& chosen,
                                             const fs::path& folder, bool force)
{
    std::vector<fs::path> targets;
    for (const std::size_t i : chosen) {
        const std::string& name = archive.entries[i].name;
        const std::optional<std::string> relative = SafeExtractPath(name);
        const fs::path target = relative ? folder / *relative : fs::path();
        if (!relative || !StaysInside(folder, target))
            return Refused("entry '" + name + "' would be written outside " + folder.string() +
                           "; nothing was extracted");
        std::error_code ec;
        if (!force && fs::exists(fs::symlink_status(target, ec)))
            return Refused(target.string() + ": the file exists (--force overwrites it); nothing was extracted");
        targets.push_back(target);
    }
    return targets;
}

Outcome Extract(const Arguments& a)
{
    if (a.files.empty())
        return BadUsage("viv extract needs an archive");
    auto read = ReadArchive(a.files[0]);
    if (const auto* failure = std::get_if<Failure>(&read))
        return *failure;
    const LoadedViv& viv = std::get<LoadedViv>(read);
    Result<std::vector<std::size_t>> chosen = ChosenEntries(viv.archive, a);
    if (!chosen)
        return chosen.failure();
    const fs::path folder = a.Value("-C").value_or(".");
    Result<std::vector<fs::path>> targets = ExtractTargets(viv.archive, *chosen, folder, a.Has("--force"));
    if (!targets)
        return targets.failure();
    for (std::size_t k = 0; k < chosen->size(); ++k) {
        const fs::path& target = (*targets)[k];
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            return Refused(target.parent_path().string(), ec.message());
        const VivEntry& entry = viv.archive.entries[(*chosen)[k]];
        if (const SaveStatus failure = WriteFileAtomically(target.string(), EntryBytes(viv.bytes, entry)))
            return Refused(target.string(), OneLineSaveFailureMessage(*failure));
    }
    return std::nullopt;
}

Outcome Pack(const Arguments& a)
{
    if (a.files.size() < 2)
        return BadUsage("viv pack takes the archive and at least one file");
    std::vector<std::vector<std::uint8_t>> contents;
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (std::size_t f = 1; f < a.files.size(); ++f) {
        const std::string name = fs::path(a.files[f]).filename().string();
        if (!seen.insert(name).second)
            return Refused(a.files[f], "a file named '" + name + "' is packed already");
        std::vector<std::uint8_t> bytes;
        if (const LoadStatus failure = ReadWholeFile(a.files[f], bytes, static_cast<std::int64_t>(kMaxVivSize)))
            return Refused(a.files[f], OneLineLoadFailureMessage(*failure));
        contents.push_back(std::move(bytes));
        names.push_back(name);
    }
    std::vector<VivFileView> files;
    for (std::size_t i = 0; i < names.size(); ++i)
        files.push_back({names[i], contents[i]});
    if (const VivStatus failure = SaveViv(a.files[0], files))
        return Refused(a.files[0], VivFailureMessage(*failure));
    return std::nullopt;
}

Outcome Replace(const Arguments& a)
{
    if (a.files.size() != 3)
        return BadUsage("viv replace takes the archive, the entry name and the file");
    std::vector<std::uint8_t> bytes;
    if (const LoadStatus failure = ReadWholeFile(a.files[2], bytes, static_cast<std::int64_t>(kMaxVivSize)))
        return Refused(a.files[2], OneLineLoadFailureMessage(*failure));
    if (a.files[1].empty())
        return BadUsage("viv replace needs an entry name");
    if (const VivStatus failure = ReplaceEntryInArchive(a.files[0], a.files[1], bytes))
        return Refused(VivFailureMessage(*failure));
    return std::nullopt;
}

} // namespace

int VivCommand(const CommandArgs& args)
{
    using Action = Outcome (*)(const Arguments&);
    static const std::map<std::string, Action> actions = {
        {"list", List}, {"extract", Extract}, {"pack", Pack}, {"replace", Replace}};
    if (args.empty())
        return Report(BadUsage("viv needs list, extract, pack or replace"), "viv");
    if (args.front() == "--help" || args.front() == "-h") {
        std::fputs(kVivHelp, stdout);
        return kExitOk;
    }
    const auto found = actions.find(args.front());
    if (found == actions.end())
        return Report(BadUsage("unknown viv action '" + args.front() + "'"), "viv");
    const CommandArgs rest(args.begin() + 1, args.end());
    return RunCommand(rest, {"viv", kVivHelp, std::nullopt, {"--json", "--force"}, {"-C"}}, found->second);
}

} // namespace mobrix::cli
