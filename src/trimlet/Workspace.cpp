#include "Workspace.h"

#include "ErrorNumbers.h"
#include "ProjectFile.h"

#include <algorithm>
#include <regex>

namespace trimlet {

namespace {

bool IsPartFileName(const std::string& name)
{
    static const std::regex pattern("TPART[0-9]+\\.PRT");
    return std::regex_match(name, pattern);
}

void RemoveStalePartFiles(const std::filesystem::path& tempFolder)
{
    std::error_code ec;
    std::vector<std::filesystem::path> stale;
    for (const auto& entry : std::filesystem::directory_iterator(tempFolder, ec)) {
        if (entry.is_regular_file(ec) && IsPartFileName(entry.path().filename().string()))
            stale.push_back(entry.path());
    }
    for (const auto& path : stale)
        std::filesystem::remove(path, ec);
}

float Moved(float value, double by)
{
    return by == 0 ? value : static_cast<float>(value + by);
}

} // namespace

std::variant<FceStore, FileFailure> SplitFce(const std::filesystem::path& fcePath,
                                             const std::filesystem::path& tempFolder)
{
    std::vector<std::uint8_t> bytes;
    if (auto failure = ReadWholeFile(fcePath, bytes))
        return *failure;
    auto split = SplitFceBytes(bytes);
    if (auto* failure = std::get_if<FileFailure>(&split))
        return *failure;
    SplitModel& model = std::get<SplitModel>(split);

    std::error_code ec;
    std::filesystem::create_directories(tempFolder, ec);
    RemoveStalePartFiles(tempFolder);
    for (std::size_t p = 0; p < model.parts.size(); ++p) {
        if (auto failure = SavePart(tempFolder, model.store.Project.PartFileNames[p], model.parts[p]))
            return *failure;
        model.store.Reach = std::max(model.store.Reach, PartReach(model.parts[p]));
    }
    const std::vector<std::uint8_t> project = EncodeProjectFile(model.store.Project);
    if (auto failure = WriteFileAtomically(tempFolder / kProjectFileName, project, Flush::Later))
        return *failure;
    return std::move(model.store);
}

std::optional<FileFailure> JoinFce(const std::filesystem::path& fcePath, const std::filesystem::path& tempFolder,
                                   const FceStore& store)
{
    std::vector<PartFile> parts;
    for (const std::string& name : store.Project.PartFileNames) {
        auto part = LoadPart(tempFolder, name, IdentityCheck::Skip);
        if (auto* failure = std::get_if<FileFailure>(&part))
            return *failure;
        parts.push_back(std::move(std::get<PartFile>(part)));
    }
    auto joined = JoinFceBytes(store, parts);
    if (auto* failure = std::get_if<FileFailure>(&joined))
        return *failure;
    return WriteFileAtomically(fcePath, std::get<std::vector<std::uint8_t>>(joined), Flush::ToDisk);
}

std::variant<PartFile, FileFailure> LoadPart(const std::filesystem::path& tempFolder, const std::string& fileName,
                                             IdentityCheck identity)
{
    std::vector<std::uint8_t> bytes;
    if (auto failure = ReadWholeFile(tempFolder / fileName, bytes))
        return *failure;
    return DecodePartFile(bytes, fileName, identity);
}

std::optional<FileFailure> SavePart(const std::filesystem::path& tempFolder, const std::string& fileName,
                                    const PartFile& part)
{
    return WriteFileAtomically(tempFolder / fileName, EncodePartFile(part), Flush::Later);
}

void AppendPart(PartFile& target, const PartFile& other)
{
    const auto base = static_cast<std::int32_t>(target.VertexCount());
    const double dx = static_cast<double>(other.Position.X) - target.Position.X;
    const double dy = static_cast<double>(other.Position.Y) - target.Position.Y;
    const double dz = static_cast<double>(other.Position.Z) - target.Position.Z;
    for (std::size_t s = 0; s < kVertexSets; ++s) {
        for (const Vec3& v : other.VertexSets[s])
            target.VertexSets[s].push_back({Moved(v.X, dx), Moved(v.Y, dy), Moved(v.Z, dz)});
        target.NormalSets[s].insert(target.NormalSets[s].end(), other.NormalSets[s].begin(),
                                    other.NormalSets[s].end());
    }
    target.Flags.insert(target.Flags.end(), other.Flags.begin(), other.Flags.end());
    for (Triangle t : other.Triangles) {
        t.I1 += base;
        t.I2 += base;
        t.I3 += base;
        target.Triangles.push_back(t);
    }
}

std::variant<FuseOutcome, FileFailure> FuseParts(const std::filesystem::path& tempFolder, ProjectData& project,
                                                 std::vector<int> selected)
{
    const int parts = static_cast<int>(project.PartFileNames.size());
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    std::erase_if(selected, [parts](int p) { return p < 0 || p >= parts; });
    if (selected.size() < 2)
        return FuseOutcome{};

    auto load = [&](int p) { return LoadPart(tempFolder, project.PartFileNames[static_cast<std::size_t>(p)]); };
    auto target = load(selected.front());
    if (auto* failure = std::get_if<FileFailure>(&target))
        return *failure;
    PartFile& fused = std::get<PartFile>(target);
    for (std::size_t i = 1; i < selected.size(); ++i) {
        auto other = load(selected[i]);
        if (auto* failure = std::get_if<FileFailure>(&other))
            return *failure;
        AppendPart(fused, std::get<PartFile>(other));
    }
    if (auto failure = SavePart(tempFolder, project.PartFileNames[static_cast<std::size_t>(selected.front())], fused))
        return *failure;

    FuseOutcome outcome{selected.front(), {selected.begin() + 1, selected.end()}};
    // From the last so that the indices still to remove stay valid.
    for (auto it = outcome.removed.rbegin(); it != outcome.removed.rend(); ++it) {
        const auto index = static_cast<std::size_t>(*it);
        std::error_code ec;
        std::filesystem::remove(tempFolder / project.PartFileNames[index], ec);
        project.PartFileNames.erase(project.PartFileNames.begin() + static_cast<std::ptrdiff_t>(index));
        --project.PartCount;
    }
    return outcome;
}

} // namespace trimlet
