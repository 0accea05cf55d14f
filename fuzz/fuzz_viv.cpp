// libFuzzer target for the car archive reader. A read archive's entries all
// lie inside the file and its names are safe or refused for extraction as
// they should be; writing it gives the plain layout, which reads back to the
// same names and bytes and writes again to the same bytes; replacing an
// entry keeps the others. The car-archive layer picks a model entry that
// is one of them (or the new car.fce) and finds a texture only among them.
#include "CarArchive.h"
#include "FuzzCommon.h"
#include "Viv.h"

#include <algorithm>
#include <cstring>

namespace {

using Bytes = std::vector<std::uint8_t>;

bool SameContents(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

void CheckExtractPath(const std::string& name)
{
    const std::optional<std::string> path = mobrix::SafeExtractPath(name);
    if (!path)
        return;
    fuzzing::Require(!path->empty() && path->front() != '/');
    fuzzing::Require(path->find('\\') == std::string::npos);
    fuzzing::Require(*path != ".." && path->rfind("../", 0) != 0 && path->find("/../") == std::string::npos &&
                     (path->size() < 3 || path->compare(path->size() - 3, 3, "/..") != 0));
}

bool HasEntryNamed(const mobrix::VivArchive& archive, const std::string& name)
{
    return std::any_of(archive.entries.begin(), archive.entries.end(),
                       [&](const mobrix::VivEntry& e) { return e.name == name; });
}

// The archive lies in no folder, so a texture can only be one of its entries.
void CheckCarArchive(const mobrix::VivArchive& archive)
{
    const std::string model = mobrix::ModelEntryFor(archive, {});
    fuzzing::Require(model == mobrix::kArchiveModelName || HasEntryNamed(archive, model));
    if (const auto texture = mobrix::FindCarTexture("/nonexistent-fuzz-folder/car.viv", archive, model))
        fuzzing::Require(HasEntryNamed(archive, texture->entry));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mobrix;
    const std::span<const std::uint8_t> file(data, size);
    const VivRead read = ReadViv(file);
    if (const auto* failure = std::get_if<VivFailure>(&read)) {
        fuzzing::Require(!failure->detail.empty());
        return 0;
    }
    const VivArchive& archive = std::get<VivArchive>(read);
    for (const VivEntry& entry : archive.entries) {
        fuzzing::Require(EntryBytes(file, entry).size() == entry.size);
        CheckExtractPath(entry.name);
    }
    CheckCarArchive(archive);

    const VivEncoded encoded = EncodeViv(VivFiles(file, archive));
    fuzzing::Require(std::holds_alternative<Bytes>(encoded));
    const Bytes& plain = std::get<Bytes>(encoded);
    const VivRead again = ReadViv(plain);
    fuzzing::Require(std::holds_alternative<VivArchive>(again));
    const VivArchive& back = std::get<VivArchive>(again);
    fuzzing::Require(back.entries.size() == archive.entries.size());
    for (std::size_t i = 0; i < back.entries.size(); ++i) {
        fuzzing::Require(back.entries[i].name == archive.entries[i].name);
        fuzzing::Require(SameContents(EntryBytes(plain, back.entries[i]), EntryBytes(file, archive.entries[i])));
    }
    const VivEncoded twice = EncodeViv(VivFiles(plain, back));
    fuzzing::Require(std::holds_alternative<Bytes>(twice) && std::get<Bytes>(twice) == plain);

    if (archive.entries.empty())
        return 0;
    static const std::uint8_t kReplacement[] = {'n', 'e', 'w'};
    const std::size_t index = archive.entries.size() / 2;
    const VivEncoded replaced = ReplaceEntry(file, archive, index, kReplacement);
    fuzzing::Require(std::holds_alternative<Bytes>(replaced));
    const Bytes& out = std::get<Bytes>(replaced);
    const VivRead changed = ReadViv(out);
    fuzzing::Require(std::holds_alternative<VivArchive>(changed));
    const VivArchive& after = std::get<VivArchive>(changed);
    for (std::size_t i = 0; i < after.entries.size(); ++i) {
        const auto expected = i == index ? std::span<const std::uint8_t>(kReplacement)
                                         : EntryBytes(file, archive.entries[i]);
        fuzzing::Require(SameContents(EntryBytes(out, after.entries[i]), expected));
    }
    return 0;
}
