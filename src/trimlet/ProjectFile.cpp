#include "ProjectFile.h"

#include "Codec.h"

#include <algorithm>
#include <limits>

namespace trimlet {

namespace {

void PutText(std::vector<std::uint8_t>& out, std::string_view text)
{
    const std::size_t length = std::min<std::size_t>(text.size(), std::numeric_limits<std::uint16_t>::max());
    std::array<std::uint8_t, 2> size{};
    le::Store<std::uint16_t>(size.data(), static_cast<std::uint16_t>(length));
    out.insert(out.end(), size.begin(), size.end());
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
}

template <class T>
void Put(std::vector<std::uint8_t>& out, T value)
{
    std::array<std::uint8_t, sizeof(T)> raw{};
    le::Store<T>(raw.data(), value);
    out.insert(out.end(), raw.begin(), raw.end());
}

} // namespace

std::vector<std::uint8_t> EncodeProjectFile(const ProjectData& project)
{
    std::vector<std::uint8_t> out;
    PutText(out, kProjectDescription);
    Put<std::int16_t>(out, project.PartCount);
    for (int n = 0; n < kPartSlots; ++n)
        PutText(out, static_cast<std::size_t>(n) < project.PartFileNames.size()
                         ? std::string_view(project.PartFileNames[static_cast<std::size_t>(n)])
                         : std::string_view());
    Put<std::int32_t>(out, project.DummyCount);
    for (const Name64& name : project.DummyNames)
        out.insert(out.end(), name.begin(), name.end());
    for (const Vec3& v : project.DummyPositions) {
        Put<float>(out, v.X);
        Put<float>(out, v.Y);
        Put<float>(out, v.Z);
    }
    Put<std::int32_t>(out, project.ColourCount);
    for (const ColourTable& table : project.Colours) {
        for (const ColourRecord& c : table)
            out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

} // namespace trimlet
