#include "RemapFile.h"

#include "FileIO.h"
#include "LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>

namespace mobrix {

namespace {

constexpr std::int64_t kTriStateBytes = 10;
constexpr std::int64_t kTagBytes = 7;
constexpr std::int64_t kRecordNumbersBytes = 4 * 4 + 3 * 2;

bool TagAt(std::span<const std::uint8_t> bytes, std::int64_t pos)
{
    const le::ByteReader r(bytes);
    return r.Fits(pos, kTagBytes) && std::memcmp(bytes.data() + pos, kRemapDataTag, kTagBytes) == 0;
}

// The 16 records from `pos`; nothing unless they are complete and end the file.
std::optional<RemapSections> ParseSections(std::span<const std::uint8_t> bytes, std::int64_t pos)
{
    le::ByteReader r(bytes);
    r.Seek(pos);
    RemapSections sections(kRemapSectionSlots);
    for (RemapSection& s : sections) {
        const std::uint16_t length = r.U16();
        if (r.failed() || !r.Fits(r.Tell(), std::int64_t{length} + kRecordNumbersBytes))
            return std::nullopt;
        const std::span<const std::uint8_t> name = r.Span(r.Tell(), length);
        s.GroupName.assign(name.begin(), name.end());
        r.Seek(r.Tell() + length);
        s.uvLeft = r.F32();
        s.uvWidth = r.F32();
        s.uvTop = r.F32();
        s.uvHeight = r.F32();
        s.Orientation = static_cast<std::int16_t>(r.U16());
        s.MapKind = static_cast<std::int16_t>(r.U16());
        s.rot90 = static_cast<std::int16_t>(r.U16());
    }
    if (r.failed() || r.Tell() != static_cast<std::int64_t>(bytes.size()))
        return std::nullopt;
    return sections;
}

std::vector<TriStateRecord> ParseTriState(std::span<const std::uint8_t> bytes, std::int64_t triangles)
{
    le::ByteReader r(bytes);
    std::vector<TriStateRecord> out(static_cast<std::size_t>(triangles));
    for (TriStateRecord& t : out) {
        t.Selected = static_cast<std::int16_t>(r.U16());
        t.Corner1Sel = static_cast<std::int16_t>(r.U16());
        t.Corner2Sel = static_cast<std::int16_t>(r.U16());
        t.Corner3Sel = static_cast<std::int16_t>(r.U16());
        t.RemapGroup = static_cast<std::int16_t>(r.U16());
    }
    return out;
}

// The triangle count a refused file was written for: the first count whose
// table is followed by the tag and 16 records that end the file.
std::optional<std::int64_t> FileTriangleCount(std::span<const std::uint8_t> bytes)
{
    const auto size = static_cast<std::int64_t>(bytes.size());
    for (std::int64_t count = 0; count * kTriStateBytes + kTagBytes <= size; ++count) {
        const std::int64_t tag = count * kTriStateBytes;
        if (TagAt(bytes, tag) && ParseSections(bytes, tag + kTagBytes))
            return count;
    }
    return std::nullopt;
}

void PutSection(std::vector<std::uint8_t>& out, const RemapSection& s)
{
    const std::size_t length = std::min<std::size_t>(s.GroupName.size(), std::numeric_limits<std::uint16_t>::max());
    const std::size_t at = out.size();
    out.resize(at + 2 + length + kRecordNumbersBytes);
    le::ByteWriter w({out.data() + at, out.size() - at});
    w.U16(static_cast<std::uint16_t>(length));
    w.Chars(std::span<const char>(s.GroupName.data(), length));
    w.F32(s.uvLeft);
    w.F32(s.uvWidth);
    w.F32(s.uvTop);
    w.F32(s.uvHeight);
    w.U16(static_cast<std::uint16_t>(s.Orientation));
    w.U16(static_cast<std::uint16_t>(s.MapKind));
    w.U16(static_cast<std::uint16_t>(s.rot90));
}

} // namespace

namespace {

// The model's name with its extension replaced by "UV".
std::string ExtensionRemapDataPath(const std::string& modelPath, std::size_t nameStart)
{
    const std::size_t dot = modelPath.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart || dot == nameStart)
        return modelPath + ".UV";
    return modelPath.substr(0, dot + 1) + "UV";
}

// The older rule: the name's last three characters replaced by "UV"; empty
// for a name too short to lose three.
std::string LastThreeRemapDataPath(const std::string& modelPath, std::size_t nameStart)
{
    if (modelPath.size() - nameStart < 3)
        return {};
    return modelPath.substr(0, modelPath.size() - 3) + "UV";
}

// A file laid out as a remap data file, for any triangle count: the tag and
// 16 records end it. A file that merely has the older name is left alone.
bool HoldsRemapData(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::vector<std::uint8_t> bytes;
    return !ReadWholeFile(path, bytes) && FileTriangleCount(bytes).has_value();
}

} // namespace

std::string RemapDataPath(const std::string& modelPath)
{
    if (modelPath.empty())
        return {};
    const std::size_t slash = modelPath.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string byExtension = ExtensionRemapDataPath(modelPath, nameStart);
    const std::string byLastThree = LastThreeRemapDataPath(modelPath, nameStart);
    if (!byLastThree.empty() && byLastThree != byExtension && HoldsRemapData(byLastThree))
        return byLastThree;
    return byExtension;
}

std::string RemapFileFailureMessage(const RemapFileFailure& failure)
{
    switch (failure.kind) {
    case RemapFileError::Missing:
        return "The remap data file was not found. Nothing was loaded.";
    case RemapFileError::Unreadable:
        return "The remap data file could not be read (" + failure.detail + "). Nothing was loaded.";
    case RemapFileError::OtherModel:
        return "This remap data file was written for a model with " + std::to_string(failure.fileTriangles) +
               " triangles, but the current model has " + std::to_string(failure.modelTriangles) +
               " triangles. Nothing was loaded.";
    case RemapFileError::Damaged:
        break;
    }
    return "The remap data file is incomplete or damaged: it does not fit a model with " +
           std::to_string(failure.modelTriangles) + " triangles. Nothing was loaded.";
}

std::variant<RemapData, RemapFileFailure> ParseRemapData(std::span<const std::uint8_t> bytes, std::int64_t triangles)
{
    const auto size = static_cast<std::int64_t>(bytes.size());
    const std::int64_t table = triangles * kTriStateBytes;
    if (triangles >= 0 && table <= size) {
        if (table == size)
            return RemapData{ParseTriState(bytes, triangles), std::nullopt};
        if (TagAt(bytes, table)) {
            if (auto sections = ParseSections(bytes, table + kTagBytes))
                return RemapData{ParseTriState(bytes, triangles), std::move(sections)};
        }
    }
    RemapFileFailure failure;
    failure.modelTriangles = triangles;
    if (const std::optional<std::int64_t> count = FileTriangleCount(bytes)) {
        failure.kind = RemapFileError::OtherModel;
        failure.fileTriangles = *count;
    }
    return failure;
}

std::vector<std::uint8_t> EncodeRemapData(const CarModel& model, const RemapSections& sections)
{
    std::vector<std::uint8_t> out(model.TriState.size() * kTriStateBytes + kTagBytes);
    le::ByteWriter w(out);
    for (const TriStateRecord& t : model.TriState) {
        w.U16(static_cast<std::uint16_t>(t.Selected));
        w.U16(static_cast<std::uint16_t>(t.Corner1Sel));
        w.U16(static_cast<std::uint16_t>(t.Corner2Sel));
        w.U16(static_cast<std::uint16_t>(t.Corner3Sel));
        w.U16(static_cast<std::uint16_t>(t.RemapGroup));
    }
    w.Chars(std::span<const char>(kRemapDataTag, kTagBytes));
    for (std::size_t i = 0; i < kRemapSectionSlots; ++i)
        PutSection(out, i < sections.size() ? sections[i] : RemapSection{});
    return out;
}

std::variant<RemapData, RemapFileFailure> ReadRemapData(const std::string& path, std::int64_t triangles)
{
    std::vector<std::uint8_t> bytes;
    if (const LoadStatus read = ReadWholeFile(path, bytes)) {
        RemapFileFailure failure;
        failure.modelTriangles = triangles;
        const bool missing = read->code == ErrorCode::FileNotFound || read->code == ErrorCode::PathNotFound;
        failure.kind = missing ? RemapFileError::Missing : RemapFileError::Unreadable;
        failure.code = read->code;
        failure.detail = read->detail;
        return failure;
    }
    auto parsed = ParseRemapData(bytes, triangles);
    if (auto* data = std::get_if<RemapData>(&parsed)) {
        for (TriStateRecord& t : data->triState) {
            if (t.RemapGroup < 0 || t.RemapGroup >= kUsedRemapSections)
                t.RemapGroup = 0;
        }
    }
    return parsed;
}

std::optional<RemapFileFailure> LoadRemapData(CarModel& model, RemapSections& sections, const std::string& path)
{
    auto read = ReadRemapData(path, static_cast<std::int64_t>(model.TriState.size()));
    if (auto* failure = std::get_if<RemapFileFailure>(&read))
        return std::move(*failure);
    RemapData& data = std::get<RemapData>(read);
    model.TriState = std::move(data.triState);
    if (data.sections)
        sections = std::move(*data.sections);
    return std::nullopt;
}

SaveStatus SaveRemapData(const CarModel& model, const RemapSections& sections, const std::string& path)
{
    return WriteFileAtomically(path, EncodeRemapData(model, sections));
}

} // namespace mobrix
