#include "PartFiles.h"

#include "ExchangeCommon.h"
#include "FceCodec.h"
#include "FileErrors.h"
#include "FileInfoReport.h"
#include "LittleEndian.h"

#include <algorithm>
#include <new>

namespace mobrix {

using namespace exchange;

namespace {

constexpr std::uint16_t kTextFillWord = 0xFF00;
constexpr const char* kCreditLine = "Written by Mobrix, the FCE car model editor of the Mobrix developers";

// --- Binary ----------------------------------------------------------------

ExchangeStatus RefuseWhenFull(const CarModel& model)
{
    if (PartLimitReached(model))
        return ExchangeFailure{ExchangeError::TooManyParts, 0,
                               "the model has " + std::to_string(model.Header.NumParts) + " parts", 0};
    return std::nullopt;
}

// Checks room and commits; the only place the insert commands change the model.
ExchangeStatus Commit(CarModel& model, std::string_view name, PartTables&& tables, ReservedOnAppend reserved,
                      SelectionOnAppend selection)
{
    if (auto failure = CheckRoomForPart(model, static_cast<std::int64_t>(tables.vertices.size()),
                                        static_cast<std::int64_t>(tables.triangles.size())))
        return failure;
    AppendPart(model, TerminatedName(name), std::move(tables), reserved, selection);
    return std::nullopt;
}


// --- Text ------------------------------------------------------------------

class TextWriter {
public:
    explicit TextWriter(std::size_t expected) { text_.reserve(expected); }
    void Line(std::string_view line)
    {
        text_.append(line);
        text_.append("\r\n");
    }
    void Index(std::size_t index)
    {
        AppendInteger(text_, static_cast<std::int64_t>(index));
        text_.append(":\r\n");
    }
    void Coordinate(std::string_view label, float value)
    {
        text_.append(label);
        AppendFixed10(text_, value);
        text_.append("\r\n");
    }
    void Corner(std::string_view label, std::int32_t value)
    {
        text_.append(label);
        AppendInteger(text_, value);
        text_.append("\r\n");
    }
    void TextureCoordinate(std::string_view label, float value)
    {
        text_.append(label);
        text_ += FormatFloat(value);
        text_.append("\r\n");
    }
    std::vector<std::uint8_t> Bytes() const { return {text_.begin(), text_.end()}; }

private:
    std::string text_;
};

void WriteCoordinateTable(TextWriter& out, std::span<const Vec3> table, std::size_t firstIndex)
{
    for (std::size_t i = 0; i < table.size(); ++i) {
        out.Index(firstIndex + i);
        out.Coordinate("X: ", table[i].X);
        out.Coordinate("Y: ", table[i].Y);
        out.Coordinate("Z: ", table[i].Z);
    }
}

// The file as lines, without their CR LF (a bare LF ends a line as well).
std::vector<std::string_view> SplitLines(std::span<const std::uint8_t> file)
{
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    std::vector<std::string_view> lines;
    lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

// Line positions of the text form, from 0.
constexpr std::size_t kNameLine = 4;
constexpr std::size_t kVertexCountLine = 6;
constexpr std::size_t kTriangleCountLine = 8;
constexpr std::size_t kFirstVertexLine = 12;

struct TextLayout {
    std::size_t vertices = 0;
    std::size_t triangles = 0;
    std::size_t firstVertex() const { return kFirstVertexLine; }
    std::size_t endOfVertices() const { return firstVertex() + 4 * vertices; }
    std::size_t firstNormal() const { return endOfVertices() + 4; }
    std::size_t endOfNormals() const { return firstNormal() + 4 * vertices; }
    std::size_t firstTriangle() const { return endOfNormals() + 4; }
    std::size_t endOfTriangles() const { return firstTriangle() + 9 * triangles; }
};

// The value of a labelled line: the line trimmed, less its first three
// characters ("X: ", "I1:").
std::string_view LabelledValue(std::string_view line)
{
    const std::string_view trimmed = TrimBlanks(line);
    return trimmed.size() > 3 ? trimmed.substr(3) : std::string_view{};
}

ExchangeStatus ReadCount(const std::vector<std::string_view>& lines, std::size_t at, const char* what,
                         std::size_t& out)
{
    const IntParse count = ParseInteger(lines[at], INT32_MIN, INT32_MAX);
    if (count.failure)
        return AtLine(*count.failure, at + 1);
    if (count.value < 0)
        return AtLine(OutOfRange(std::string("negative number of ") + what), at + 1);
    out = static_cast<std::size_t>(count.value);
    return std::nullopt;
}

ExchangeStatus ReadCoordinates(const std::vector<std::string_view>& lines, std::size_t first, std::vector<Vec3>& table)
{
    std::size_t at = first;
    for (Vec3& v : table) {
        ++at; // the index line is not interpreted
        for (float* coordinate : {&v.X, &v.Y, &v.Z}) {
            const FloatParse value = ParseFloat(LabelledValue(lines[at]));
            if (value.failure)
                return AtLine(*value.failure, at + 1);
            *coordinate = value.value;
            ++at;
        }
    }
    return std::nullopt;
}

ExchangeStatus ReadTriangles(const std::vector<std::string_view>& lines, std::size_t first,
                             std::vector<Triangle>& table)
{
    std::size_t at = first;
    for (Triangle& t : table) {
        for (std::int32_t* index : {&t.I1, &t.I2, &t.I3}) {
            const IntParse value = ParseInteger(LabelledValue(lines[at]), INT32_MIN, INT32_MAX);
            if (value.failure)
                return AtLine(*value.failure, at + 1);
            *index = static_cast<std::int32_t>(value.value);
            ++at;
        }
        for (float* uv : {&t.U1, &t.U2, &t.U3, &t.V1, &t.V2, &t.V3}) {
            const FloatParse value = ParseFloat(LabelledValue(lines[at]));
            if (value.failure)
                return AtLine(*value.failure, at + 1);
            *uv = value.value;
            ++at;
        }
        t.TriFill.fill(kTextFillWord);
    }
    return std::nullopt;
}

// A table holding other than its count of entries would shift every later
// line; the end line of each table is where that shows.
ExchangeStatus ExpectLine(const std::vector<std::string_view>& lines, std::size_t at, std::string_view expected,
                          const char* table, std::size_t count)
{
    if (TrimBlanks(lines[at]) == expected)
        return std::nullopt;
    return AtLine(OutOfRange(std::string("the ") + table + " table does not hold the " + std::to_string(count) +
                             " entries its count gives (expected '" + std::string(expected) + "')"),
                  at + 1);
}

ExchangeStatus ParseText(std::span<const std::uint8_t> file, std::string& name, PartTables& tables)
{
    const std::vector<std::string_view> lines = SplitLines(file);
    if (lines.empty() || lines[0] != kPartFileHeader)
        return ExchangeFailure{ExchangeError::InvalidHeader, 0, "the first line is not '" +
                                                                    std::string(kPartFileHeader) + "'", 0};
    if (lines.size() <= kFirstVertexLine)
        return Truncated("the file ends after " + std::to_string(lines.size()) + " lines, within its heading");
    TextLayout layout;
    if (auto failure = ReadCount(lines, kVertexCountLine, "vertices", layout.vertices))
        return failure;
    if (auto failure = ReadCount(lines, kTriangleCountLine, "triangles", layout.triangles))
        return failure;
    // Counts are below 2^31, so the positions cannot overflow.
    if (lines.size() <= layout.endOfTriangles())
        return Truncated("the file has " + std::to_string(lines.size()) + " lines; " +
                         std::to_string(layout.vertices) + " vertices and " + std::to_string(layout.triangles) +
                         " triangles need " + std::to_string(layout.endOfTriangles() + 1));
    if (auto failure = ExpectLine(lines, layout.endOfVertices(), "End of vertices", "vertex", layout.vertices))
        return failure;
    if (auto failure = ExpectLine(lines, layout.endOfNormals(), "End of normals", "normal", layout.vertices))
        return failure;
    if (auto failure = ExpectLine(lines, layout.endOfTriangles(), "End of triangles", "triangle", layout.triangles))
        return failure;

    name = TrimmedName(lines[kNameLine]);
    tables.vertices.resize(layout.vertices);
    tables.normals.resize(layout.vertices);
    tables.triangles.resize(layout.triangles);
    if (auto failure = ReadCoordinates(lines, layout.firstVertex(), tables.vertices))
        return failure;
    if (auto failure = ReadCoordinates(lines, layout.firstNormal(), tables.normals))
        return failure;
    if (auto failure = ReadTriangles(lines, layout.firstTriangle(), tables.triangles))
        return failure;
    return CheckCorners(tables.triangles, static_cast<std::int64_t>(layout.vertices), "the part");
}

ExchangeStatus ParseBinary(std::span<const std::uint8_t> file, std::string& name, PartTables& tables)
{
    le::ByteReader in(file);
    if (!in.Fits(0, kBinaryPartHeaderSize))
        return Truncated("the file is " + std::to_string(file.size()) + " bytes long, shorter than the " +
                         std::to_string(kBinaryPartHeaderSize) + "-byte heading of a part file");
    Name64 field;
    in.Chars(std::span<char>(field));
    const std::int64_t vertices = in.I32();
    const std::int64_t triangles = in.I32();
    if (vertices < 0 || triangles < 0)
        return OutOfRange("negative count (" + std::to_string(vertices) + " vertices, " + std::to_string(triangles) +
                          " triangles)");
    const std::int64_t needed = kBinaryPartHeaderSize + 2 * codec::kVec3Size * vertices + codec::kTriangleSize * triangles;
    if (needed > static_cast<std::int64_t>(file.size()))
        return Truncated(std::to_string(vertices) + " vertices and " + std::to_string(triangles) +
                         " triangles need " + std::to_string(needed) + " bytes; the file has " +
                         std::to_string(file.size()));

    name = TrimmedName(field);
    const std::int64_t vertexTable = codec::kVec3Size * vertices;
    tables.vertices = codec::ReadVec3s(in, kBinaryPartHeaderSize, vertices);
    tables.normals = codec::ReadVec3s(in, kBinaryPartHeaderSize + vertexTable, vertices);
    tables.triangles =
        codec::ReadTriangles(in, kBinaryPartHeaderSize + 2 * vertexTable, triangles, codec::VStorage::AsIs);
    if (in.failed())
        return Truncated("a read went past the end of the file");
    return CheckCorners(tables.triangles, vertices, "the part");
}

} // namespace

PartFileFormat PartFileFormatFor(std::string_view path)
{
    return HasExtension(path, ".TXT") ? PartFileFormat::Text : PartFileFormat::Binary;
}

bool PartLimitReached(const CarModel& model)
{
    return model.Header.NumParts >= kPartLimit;
}

std::string GeneralDateTime(std::time_t when)
{
    std::tm local{};
    if (::localtime_r(&when, &local) == nullptr)
        return {};
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%x %X", &local);
    return std::string(text, length);
}

std::vector<std::uint8_t> EncodeBinaryPartFile(const Name64& name, std::span<const Vec3> vertices,
                                                std::span<const Vec3> normals, std::span<const Triangle> triangles)
{
    const auto count = static_cast<std::int64_t>(vertices.size());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(
        kBinaryPartHeaderSize + 2 * codec::kVec3Size * count + codec::kTriangleSize * static_cast<std::int64_t>(triangles.size())));
    le::ByteWriter out(bytes);
    out.Chars(std::span<const char>(name));
    out.I32(static_cast<std::int32_t>(vertices.size()));
    out.I32(static_cast<std::int32_t>(triangles.size()));
    codec::WriteVec3s(out, vertices, count);
    // A normal table shorter than the vertex table is written as zeros.
    codec::WriteVec3s(out, normals, count);
    codec::WriteTriangles(out, triangles, static_cast<std::int64_t>(triangles.size()), codec::VStorage::AsIs);
    return bytes;
}

namespace {

// The part's rows of the vertex, normal and triangle tables.
struct PartTableViews {
    std::span<const Vec3> vertices, normals;
    std::span<const Triangle> triangles;
};

// `copy` holds the part's triangles when they do not lie together.
PartTableViews TablesOf(const CarModel& model, const PartSpan& span, std::vector<Triangle>& copy)
{
    return {std::span(model.Vertices).subspan(span.firstVertex, span.vertices),
            std::span(model.Normals).subspan(span.firstVertex, span.vertices),
            ContiguousRows(model.Triangles, span.firstTriangle, span.triangles, copy)};
}

} // namespace

ExchangeStatus EncodePartBinary(const CarModel& model, int part, std::vector<std::uint8_t>& out)
{
    PartSpan span;
    if (auto failure = LocatePart(model, part, span))
        return failure;
    std::vector<Triangle> copy;
    const auto [vertices, normals, triangles] = TablesOf(model, span, copy);
    out = EncodeBinaryPartFile(PartName(model, part), vertices, normals, triangles);
    return std::nullopt;
}

namespace {

// A count between blanks, built by appending: GCC 12 at -O3 takes a blank
// put before a number for an overlapping copy.
std::string Blanked(std::int64_t count)
{
    std::string text = " ";
    text += std::to_string(count);
    text += ' ';
    return text;
}

} // namespace

ExchangeStatus EncodePartText(const CarModel& model, int part, std::string_view created,
                              std::vector<std::uint8_t>& out)
{
    PartSpan span;
    if (auto failure = LocatePart(model, part, span))
        return failure;
    std::vector<Triangle> copy;
    const auto [vertices, normals, triangles] = TablesOf(model, span, copy);

    TextWriter text(400 + span.vertices * 2 * 64 + span.triangles * 120);
    text.Line(kPartFileHeader);
    text.Line(std::string(24, '-'));
    text.Line("");
    text.Line("Part Name:");
    text.Line(TrimmedName(PartName(model, part)));
    text.Line("Number of vertices:");
    text.Line(Blanked(span.vertices));
    text.Line("Number of triangles:");
    text.Line(Blanked(span.triangles));
    text.Line("");
    text.Line("Table of vertices");
    text.Line(std::string(17, '-'));
    WriteCoordinateTable(text, vertices, span.firstVertex);
    text.Line("End of vertices");
    text.Line("");
    text.Line("Table of normals");
    text.Line(std::string(16, '-'));
    WriteCoordinateTable(text, normals, span.firstVertex);
    text.Line("End of normals");
    text.Line("");
    text.Line("Table of triangles");
    text.Line(std::string(18, '-'));
    for (const Triangle& t : triangles) {
        text.Corner("I1: ", t.I1);
        text.Corner("I2: ", t.I2);
        text.Corner("I3: ", t.I3);
        text.TextureCoordinate("U1: ", t.U1);
        text.TextureCoordinate("U2: ", t.U2);
        text.TextureCoordinate("U3: ", t.U3);
        text.TextureCoordinate("V1: ", t.V1);
        text.TextureCoordinate("V2: ", t.V2);
        text.TextureCoordinate("V3: ", t.V3);
    }
    text.Line("End of triangles");
    text.Line("");
    text.Line("File created: " + std::string(created));
    text.Line(kCreditLine);
    out = text.Bytes();
    return std::nullopt;
}

ExchangeStatus ExtractPart(const CarModel& model, int part, const std::string& path, PartFileFormat format,
                           std::string_view created)
{
    try {
        std::vector<std::uint8_t> bytes;
        const ExchangeStatus encoded = format == PartFileFormat::Text ? EncodePartText(model, part, created, bytes)
                                                                      : EncodePartBinary(model, part, bytes);
        if (encoded)
            return encoded;
        return WriteOutputFile(path, bytes);
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
}

namespace {

// Parses a part file with `parse` and appends its part; the model changes
// only when the whole file was read.
template <class Parse>
ExchangeStatus InsertParsed(CarModel& model, std::span<const std::uint8_t> file, Parse parse,
                            ReservedOnAppend reserved, SelectionOnAppend selection)
{
    if (auto failure = RefuseWhenFull(model))
        return failure;
    try {
        std::string name;
        PartTables tables;
        if (auto failure = parse(file, name, tables))
            return failure;
        return Commit(model, name, std::move(tables), reserved, selection);
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
}

} // namespace

ExchangeStatus InsertPartBinary(CarModel& model, std::span<const std::uint8_t> file)
{
    return InsertParsed(model, file, ParseBinary, ReservedOnAppend::ZeroAll, SelectionOnAppend::Keep);
}

ExchangeStatus InsertPartText(CarModel& model, std::span<const std::uint8_t> file)
{
    return InsertParsed(model, file, ParseText, ReservedOnAppend::Keep, SelectionOnAppend::Clear);
}

ExchangeStatus InsertPart(CarModel& model, const std::string& path, PartFileFormat format)
{
    if (auto failure = RefuseWhenFull(model))
        return failure;
    std::vector<std::uint8_t> bytes;
    try {
        if (auto failure = ReadInputFile(path, bytes))
            return failure;
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
    return format == PartFileFormat::Text ? InsertPartText(model, bytes) : InsertPartBinary(model, bytes);
}

} // namespace mobrix
