#include "FileInfoReport.h"

#include "VariantConversion.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>

namespace mobrix {

std::string FormatInteger(std::int64_t value)
{
    return std::to_string(value);
}

std::string FormatFloat(float value)
{
    // printf's %.7G, but independent of the process locale: a GUI toolkit
    // may switch LC_NUMERIC to one with a decimal comma.
    char text[48];
    const auto result =
        std::to_chars(std::begin(text), std::end(text), static_cast<double>(value), std::chars_format::general, 7);
    std::string s(std::begin(text), result.ptr);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string FormatFixed(double value, int decimals)
{
    // Fields and readouts always show '.', whatever the process locale says.
    char text[400];
    const auto result = std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed, decimals);
    return std::string(std::begin(text), result.ptr);
}

std::string FormatIndex(std::int64_t index)
{
    // Appended rather than prefixed: GCC 12 at -O3 takes a prefix for an
    // overlapping copy.
    std::string text = index < 0 ? "" : " ";
    text += std::to_string(index);
    return text;
}

namespace {

std::string Coordinates(const Vec3& v)
{
    return "X: " + FormatFloat(v.X) + " Y: " + FormatFloat(v.Y) + " Z: " + FormatFloat(v.Z);
}

std::string Entry(int zeroBasedIndex, const std::string& text)
{
    return FormatIndex(zeroBasedIndex + 1) + ": " + text;
}

void AddPartTable(std::vector<std::string>& lines, const char* heading,
                  const std::array<std::int32_t, kPartSlots>& table, int parts)
{
    lines.emplace_back(heading);
    for (int p = 0; p < parts; ++p)
        lines.push_back(Entry(p, FormatInteger(table[static_cast<std::size_t>(p)])));
}

template <class Table>
std::vector<std::string> RawLines(const Table& table, std::int64_t count)
{
    std::vector<std::string> lines;
    const auto n = std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(table.size()));
    lines.reserve(static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i) {
        const auto& entry = table[static_cast<std::size_t>(i)];
        lines.emplace_back(entry.begin(), entry.end());
    }
    return lines;
}

std::string Hex32(std::uint32_t value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += kDigits[(value >> shift) & 0xF];
    return text;
}

std::uint32_t HeaderWord(const CarModel& model, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= std::uint32_t{model.Fce4Header[at + i]} << (8 * i);
    return value;
}

// The fields only FCE4M gives a meaning to, or none, shown as read.
void AddFce4mFields(std::vector<std::string>& lines, const CarModel& model)
{
    constexpr std::size_t kFieldAt0924 = 0x0924;
    lines.emplace_back("Variant: FCE4M");
    lines.push_back("Version: " + Hex32(HeaderWord(model, 0)));
    lines.push_back("Field at 0x0924: " +
                    FormatInteger(static_cast<std::int32_t>(HeaderWord(model, kFieldAt0924))));
}

// What an FCE4M file holds that the game may not expect.
void AddFce4mWarnings(std::vector<std::string>& lines, const CarModel& model)
{
    const std::int32_t colours = model.Header.NumPriColours;
    if (colours < 0 || colours > kColourSlots)
        lines.push_back("Warning: the colour count at 0x0820 is " + FormatInteger(colours) + ", outside 0-16");
    for (PartRole wheel : {PartRole::LeftFrontWheel, PartRole::LeftRearWheel}) {
        if (!FindPartWithRole(model, wheel, FceVariant::Fce4m))
            lines.push_back("Warning: there is no part " + std::string(PartNameOf(wheel, FceVariant::Fce4m)));
    }
}

} // namespace

std::vector<std::string> FileInfoReport(const CarModel& model, const std::string& fileName)
{
    const ModelHeader& h = model.Header;
    // The readers refuse counts outside the fixed tables; a model built in
    // memory is still clamped so the report can never index past them.
    const int dummies = UsableDummyCount(h);
    const int parts = UsablePartCount(h);

    std::vector<std::string> lines;
    lines.push_back("File information for '" + fileName + "'");
    const bool fce4m = model.FileFormat == ModelOrigin::Fce4m;
    if (fce4m)
        AddFce4mFields(lines, model);
    lines.push_back("Unknown: " + std::string(h.HeaderTag.begin(), h.HeaderTag.end()));
    lines.push_back("Number of Triangles: " + FormatInteger(h.NumTriangles));
    lines.push_back("Number of Vertices: " + FormatInteger(h.NumVertices));
    lines.push_back("Number of Arts: " + FormatInteger(h.NumArts));
    lines.push_back("Vertices Offset: " + FormatInteger(h.VerticesOffset));
    lines.push_back("Normals Offset: " + FormatInteger(h.NormalsOffset));
    lines.push_back("Triangles Offset: " + FormatInteger(h.TrianglesOffset));
    lines.push_back("Reserved 1 Offset: " + FormatInteger(h.Reserved1Offset));
    lines.push_back("Reserved 2 Offset: " + FormatInteger(h.Reserved2Offset));
    lines.push_back("Reserved 3 Offset: " + FormatInteger(h.Reserved3Offset));
    lines.push_back("X Half-Size: " + FormatFloat(h.XHalfSize));
    lines.push_back("Y Half-Size: " + FormatFloat(h.YHalfSize));
    lines.push_back("Z Half-Size: " + FormatFloat(h.ZHalfSize));
    lines.push_back("Number of Dummies: " + FormatInteger(h.NumDummies));
    lines.emplace_back("Dummy Co-ordinates:");
    for (int i = 0; i < dummies; ++i)
        lines.push_back(Entry(i, Coordinates(h.DummyPos[static_cast<std::size_t>(i)])));
    lines.push_back("Number of Parts: " + FormatInteger(h.NumParts));
    lines.emplace_back("Part Co-ordinates:");
    for (int p = 0; p < parts; ++p)
        lines.push_back(Entry(p, Coordinates(h.PartPos[static_cast<std::size_t>(p)])));
    AddPartTable(lines, "First Vertex in each part:", h.PartFirstVertex, parts);
    AddPartTable(lines, "Number of vertices in each part:", h.PartNumVertices, parts);
    AddPartTable(lines, "First triangle in each part:", h.PartFirstTriangle, parts);
    AddPartTable(lines, "Number of triangles in each part:", h.PartNumTriangles, parts);
    lines.push_back("Number of Primary Colours: " + FormatInteger(h.NumPriColours));
    lines.push_back("Number of Secondary Colours: " + FormatInteger(h.NumSecColours));
    lines.emplace_back("Dummy Names:");
    for (int i = 0; i < dummies; ++i)
        lines.push_back(Entry(i, TrimmedName(h.DummyNames[static_cast<std::size_t>(i)])));
    lines.emplace_back("Part Names:");
    for (int p = 0; p < parts; ++p) {
        const auto slot = static_cast<std::size_t>(p);
        lines.push_back(Entry(p, slot < h.PartNames.size() ? TrimmedName(h.PartNames[slot]) : std::string()));
    }
    if (fce4m)
        AddFce4mWarnings(lines, model);
    return lines;
}

ReservedBlockLines FileInfoWindowLines(const CarModel& model)
{
    const std::int64_t n = model.Header.NumVertices;
    const std::int64_t m = model.Header.NumTriangles;
    ReservedBlockLines out;
    out.List1 = RawLines(model.Reserved1, n);
    out.List2 = RawLines(model.Reserved2, n);
    out.List3 = RawLines(model.Reserved3, n);
    out.List4 = RawLines(model.VertReservedA, n);
    out.List5 = RawLines(model.VertReservedB, n);
    out.List6 = RawLines(model.TriReserved, m);
    return out;
}

} // namespace mobrix
