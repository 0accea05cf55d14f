#include "ProjectFile.h"

#include "Codec.h"

#include <algorithm>
#include <limits>

namespace trimlet {

namespace {

// A text of variable length, cut at what its 16-bit length can say.
std::string_view Storable(std::string_view text)
{
    return text.substr(0, std::min<std::size_t>(text.size(), std::numeric_limits<std::uint16_t>::max()));
}

std::string_view PartFileNameAt(const ProjectData& project, int n)
{
    const auto index = static_cast<std::size_t>(n);
    return index < project.PartFileNames.size() ? std::string_view(project.PartFileNames[index]) : std::string_view();
}

std::int64_t EncodedSize(const ProjectData& project)
{
    std::int64_t size = 2 + static_cast<std::int64_t>(Storable(kProjectDescription).size()) + 2;
    for (int n = 0; n < kPartSlots; ++n)
        size += 2 + static_cast<std::int64_t>(Storable(PartFileNameAt(project, n)).size());
    size += 4 + kDummySlots * (static_cast<std::int64_t>(sizeof(Name64)) + 12) + 4;
    size += kColourTables * static_cast<std::int64_t>(sizeof(ColourTable));
    return size;
}

void PutText(le::ByteWriter& out, std::string_view text)
{
    const std::string_view stored = Storable(text);
    out.U16(static_cast<std::uint16_t>(stored.size()));
    out.Chars(std::span<const char>(stored.data(), stored.size()));
}

} // namespace

// Written into a buffer of the exact size, field by field: growing a vector
// by many small inserts is slower and makes GCC 12 at -O3 see overflows
// that cannot happen.
std::vector<std::uint8_t> EncodeProjectFile(const ProjectData& project)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(EncodedSize(project)));
    le::ByteWriter out(bytes);
    PutText(out, kProjectDescription);
    out.U16(static_cast<std::uint16_t>(project.PartCount));
    for (int n = 0; n < kPartSlots; ++n)
        PutText(out, PartFileNameAt(project, n));
    out.I32(project.DummyCount);
    for (const Name64& name : project.DummyNames)
        out.Chars(std::span<const char>(name.data(), name.size()));
    for (const Vec3& v : project.DummyPositions)
        codec::WriteVec3(out, v);
    out.I32(project.ColourCount);
    for (const ColourTable& table : project.Colours) {
        for (const ColourRecord& c : table)
            out.Bytes(c);
    }
    return bytes;
}

} // namespace trimlet
