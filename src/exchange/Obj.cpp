#include "Obj.h"

#include "ExchangeCommon.h"
#include "FileErrors.h"
#include "ThreeDs.h"
#include "XFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <deque>
#include <filesystem>
#include <future>
#include <limits>
#include <new>
#include <set>
#include <string_view>
#include <system_error>
#include <tuple>

namespace mobrix {

using namespace exchange;

// --- Writing -----------------------------------------------------------------

namespace {

// The OBJ text is written straight into one buffer: each line first makes
// room for its longest form, then its numbers go in with to_chars. The
// buffer grows in large steps and is cut to what was written at the end.
class TextBuffer {
public:
    TextBuffer(std::string& out, std::size_t estimate) : out_(out)
    {
        out_.clear();
        out_.resize(estimate);
    }

    // Where a line of at most `room` chars goes.
    char* Line(std::size_t room)
    {
        if (out_.size() - used_ < room)
            out_.resize(std::max(out_.size() * 2, used_ + room));
        return out_.data() + used_;
    }
    void Wrote(const char* end) { used_ = static_cast<std::size_t>(end - out_.data()); }
    void Finish() { out_.resize(used_); }

private:
    std::string& out_;
    std::size_t used_ = 0;
};

// Room for a line of numbers: a keyword and at most nine numbers of the
// longest form (a float takes at most 15 chars, an integer 20).
constexpr std::size_t kNumberLine = 256;

char* Put(char* at, std::string_view text)
{
    // An empty view may have no storage at all, which memcpy must not see.
    if (!text.empty())
        std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// The shortest text that reads back as the same float, after a blank.
char* PutFloat(char* at, float value)
{
    *at++ = ' ';
    return std::to_chars(at, at + 32, value).ptr;
}

char* PutInteger(char* at, std::int64_t value)
{
    return std::to_chars(at, at + 24, value).ptr;
}

char* PutVector(char* at, std::string_view keyword, const Vec3& v)
{
    at = PutFloat(PutFloat(PutFloat(Put(at, keyword), v.X), v.Y), v.Z);
    *at++ = '\n';
    return at;
}

char* PutUv(char* at, float u, float v)
{
    at = PutFloat(PutFloat(Put(at, "vt"), u), v);
    *at++ = '\n';
    return at;
}

// One line of text as it is.
void PutLine(TextBuffer& out, std::string_view a, std::string_view b = {}, std::string_view c = {})
{
    char* at = out.Line(a.size() + b.size() + c.size() + 1);
    at = Put(Put(Put(at, a), b), c);
    *at++ = '\n';
    out.Wrote(at);
}

// A name on one line of text: up to the first NUL, trimmed of blanks, with
// control characters (which could start a statement of their own) as '_'.
std::string OneLineName(std::span<const char> field)
{
    const auto nul = std::find(field.begin(), field.end(), '\0');
    std::string name(TrimBlanks(std::string_view(field.data(), static_cast<std::size_t>(nul - field.begin()))));
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127)
            c = '_';
    }
    return name;
}

std::string MaterialName(std::int32_t page)
{
    return "page" + std::to_string(page);
}

struct ExportedPart {
    int index = 0;
    PartSpan span;
    std::string name;
};

// Every part located and checked before anything is written.
ExchangeStatus ExportedParts(const CarModel& model, std::vector<ExportedPart>& parts, std::set<std::int32_t>& pages)
{
    const int count = UsablePartCount(model.Header);
    for (int p = 0; p < count; ++p) {
        ExportedPart part;
        part.index = p;
        if (auto failure = LocatePart(model, p, part.span))
            return failure;
        std::vector<Triangle> copy;
        const auto triangles = ContiguousRows(model.Triangles, part.span.firstTriangle, part.span.triangles, copy);
        if (auto failure = CheckCorners(triangles, static_cast<std::int64_t>(part.span.vertices),
                                        "part " + std::to_string(p + 1)))
            return failure;
        for (const Triangle& t : triangles)
            pages.insert(t.TexPage);
        part.name = ObjObjectName(PartName(model, p), p);
        parts.push_back(std::move(part));
    }
    return std::nullopt;
}

void PutDummies(const CarModel& model, TextBuffer& out)
{
    const ModelHeader& h = model.Header;
    for (int d = 0; d < UsableDummyCount(h); ++d) {
        const auto i = static_cast<std::size_t>(d);
        const std::string name = OneLineName(h.DummyNames[i]);
        char* at = out.Line(kNumberLine + name.size());
        at = PutInteger(Put(at, "# dummy "), d + 1);
        *at++ = ' ';
        at = PutVector(Put(Put(at, name), " at"), "", h.DummyPos[i]);
        out.Wrote(at);
    }
}

// The corner's three indices "v/vt/vn", 1-based, after a blank.
char* PutCorner(char* at, std::int64_t vertex, std::int64_t uv)
{
    *at++ = ' ';
    const char* written = at;
    at = PutInteger(at, vertex);
    const std::string_view vertexText(written, static_cast<std::size_t>(at - written));
    *at++ = '/';
    at = PutInteger(at, uv);
    *at++ = '/';
    return Put(at, vertexText); // the normal has the vertex's index
}

// The text is made in pieces, each a run of lines of one kind from one part,
// so that pieces can be made at once on two threads and written as they
// are done, in order, without the whole text ever being held.
enum class Lines { Head, Positions, Normals, Uvs, Faces };

struct Piece {
    Lines lines = Lines::Head;
    std::size_t part = 0;  // index into the exported parts
    std::size_t begin = 0; // the part's vertices or triangles [begin, end)
    std::size_t end = 0;
};

constexpr std::size_t kPieceLength = std::size_t{1} << 15;

// What the lines of each part count from: the vertices and the corner
// texture coordinates of the objects before it.
struct PartBases {
    std::vector<std::int64_t> vertex;
    std::vector<std::int64_t> uv;
};

PartBases BasesOf(const std::vector<ExportedPart>& parts)
{
    PartBases bases;
    std::int64_t vertex = 0;
    std::int64_t uv = 0;
    for (const ExportedPart& part : parts) {
        bases.vertex.push_back(vertex);
        bases.uv.push_back(uv);
        vertex += static_cast<std::int64_t>(part.span.vertices);
        uv += 3 * static_cast<std::int64_t>(part.span.triangles);
    }
    return bases;
}

std::vector<Piece> PiecesOf(const std::vector<ExportedPart>& parts)
{
    std::vector<Piece> pieces{Piece{}};
    const auto cut = [&pieces](Lines lines, std::size_t part, std::size_t from, std::size_t count) {
        for (std::size_t begin = from; begin < count; begin += kPieceLength)
            pieces.push_back({lines, part, begin, std::min(count, begin + kPieceLength)});
    };
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const std::size_t vertices = parts[p].span.vertices;
        // The first piece of positions carries the object's name line, so
        // there is one even when the part has no vertices.
        pieces.push_back({Lines::Positions, p, 0, std::min(vertices, kPieceLength)});
        cut(Lines::Positions, p, kPieceLength, vertices);
        cut(Lines::Normals, p, 0, vertices);
        cut(Lines::Uvs, p, 0, parts[p].span.triangles);
        cut(Lines::Faces, p, 0, parts[p].span.triangles);
    }
    return pieces;
}

// The OBJ text of a model, planned: every part located and checked, and
// the pieces to make, before anything is written.
struct ObjText {
    const CarModel& model;
    std::vector<ExportedPart> parts;
    std::set<std::int32_t> pages;
    PartBases bases;
    std::vector<Piece> pieces;
    std::string mtlFileName;
};

ExchangeStatus PlanText(const CarModel& model, std::string mtlFileName, std::optional<ObjText>& out)
{
    ObjText& obj = out.emplace(ObjText{model, {}, {}, {}, {}, std::move(mtlFileName)});
    if (auto failure = ExportedParts(model, obj.parts, obj.pages))
        return failure;
    obj.bases = BasesOf(obj.parts);
    obj.pieces = PiecesOf(obj.parts);
    return std::nullopt;
}

void PutHead(const ObjText& obj, TextBuffer& out)
{
    PutLine(out, "# " + std::to_string(obj.parts.size()) + " parts, written by Mobrix");
    PutLine(out, "mtllib ", OneLineName(obj.mtlFileName));
    PutDummies(obj.model, out);
}

// Positions are absolute (PartPos added); normals as held.
void PutVertices(const ObjText& obj, const Piece& piece, TextBuffer& out)
{
    const ExportedPart& part = obj.parts[piece.part];
    const std::size_t first = part.span.firstVertex;
    if (piece.lines == Lines::Normals) {
        for (std::size_t i = first + piece.begin; i < first + piece.end; ++i)
            out.Wrote(PutVector(out.Line(kNumberLine), "vn", obj.model.Normals[i]));
        return;
    }
    if (piece.begin == 0)
        PutLine(out, "o ", part.name);
    const Vec3& pos = obj.model.Header.PartPos[static_cast<std::size_t>(part.index)];
    for (std::size_t i = first + piece.begin; i < first + piece.end; ++i) {
        const Vec3& v = obj.model.Vertices[i];
        out.Wrote(PutVector(out.Line(kNumberLine), "v", Vec3{v.X + pos.X, v.Y + pos.Y, v.Z + pos.Z}));
    }
}

// Every corner its own texture coordinate; faces switch material where the
// page changes from the triangle before.
void PutTriangles(const ObjText& obj, const Piece& piece, TextBuffer& out)
{
    const ExportedPart& part = obj.parts[piece.part];
    const std::size_t first = part.span.firstTriangle;
    const RowTable<Triangle>& triangles = obj.model.Triangles;
    if (piece.lines == Lines::Uvs) {
        for (std::size_t k = piece.begin; k < piece.end; ++k) {
            const Triangle& t = triangles[first + k];
            char* at = out.Line(kNumberLine);
            at = PutUv(PutUv(PutUv(at, t.U1, t.V1), t.U2, t.V2), t.U3, t.V3);
            out.Wrote(at);
        }
        return;
    }
    const std::int64_t vertexBase = obj.bases.vertex[piece.part] + 1;
    std::optional<std::int32_t> page;
    if (piece.begin > 0)
        page = triangles[first + piece.begin - 1].TexPage;
    for (std::size_t k = piece.begin; k < piece.end; ++k) {
        const Triangle& t = triangles[first + k];
        if (page != t.TexPage) {
            page = t.TexPage;
            PutLine(out, "usemtl ", MaterialName(t.TexPage));
        }
        const std::int64_t uv = obj.bases.uv[piece.part] + 3 * static_cast<std::int64_t>(k);
        char* at = out.Line(kNumberLine);
        *at++ = 'f';
        at = PutCorner(at, vertexBase + t.I1, uv + 1);
        at = PutCorner(at, vertexBase + t.I2, uv + 2);
        at = PutCorner(at, vertexBase + t.I3, uv + 3);
        *at++ = '\n';
        out.Wrote(at);
    }
}

void PutPiece(const ObjText& obj, const Piece& piece, TextBuffer& out)
{
    switch (piece.lines) {
    case Lines::Head: PutHead(obj, out); return;
    case Lines::Positions:
    case Lines::Normals: PutVertices(obj, piece, out); return;
    case Lines::Uvs:
    case Lines::Faces: PutTriangles(obj, piece, out); return;
    }
}

// A piece's text, into a buffer that may hold an earlier piece's.
std::string PieceText(const ObjText& obj, const Piece& piece, std::string buffer)
{
    TextBuffer out(buffer, 64 + 80 * (piece.end - piece.begin));
    PutPiece(obj, piece, out);
    out.Finish();
    return buffer;
}

// Hands every piece's text to `take`, in order, while up to two further
// pieces are made at once; on a machine that cannot give a thread the
// pieces are made one after the other. The few buffers go round, so their
// memory is touched once, not once a piece.
template <class Take>
void MakePieces(const ObjText& obj, Take take)
{
    const std::vector<Piece>& pieces = obj.pieces;
    constexpr std::size_t kAhead = 2;
    std::deque<std::future<std::string>> ahead;
    std::vector<std::string> spare;
    std::size_t next = 0;
    const auto start = [&] {
        std::string buffer;
        if (!spare.empty()) {
            buffer = std::move(spare.back());
            spare.pop_back();
        }
        auto make = [&obj, &piece = pieces[next], buffer = std::move(buffer)]() mutable {
            return PieceText(obj, piece, std::move(buffer));
        };
        try {
            ahead.push_back(std::async(std::launch::async, std::move(make)));
        } catch (const std::system_error&) {
            ahead.push_back(std::async(std::launch::deferred, std::move(make)));
        }
        ++next;
    };
    while (next < pieces.size() || !ahead.empty()) {
        while (next < pieces.size() && ahead.size() < kAhead)
            start();
        std::string text = ahead.front().get();
        ahead.pop_front();
        if (next < pieces.size())
            start();
        take(text);
        spare.push_back(std::move(text));
    }
}

std::string MaterialLibrary(const std::set<std::int32_t>& pages, const std::string& textureImage)
{
    std::string out = "# Materials: one per texture page\n";
    for (std::int32_t page : pages) {
        out.append("\nnewmtl " + MaterialName(page) + "\nKd 1 1 1\n");
        if (!textureImage.empty())
            out.append("map_Kd " + textureImage + "\n");
    }
    return out;
}

// The texture as the material library names it: relative to the OBJ file's
// folder when it lies inside it, as given otherwise.
std::string TextureReference(const std::string& objPath, const std::string& texturePath)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = fs::absolute(fs::path(objPath), error).parent_path();
    const fs::path texture = fs::absolute(fs::path(texturePath), error);
    if (error)
        return texturePath;
    const fs::path relative = texture.lexically_normal().lexically_relative(folder.lexically_normal());
    if (relative.empty() || *relative.begin() == "..")
        return texture.lexically_normal().string();
    return relative.generic_string();
}

std::span<const std::uint8_t> AsBytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

std::string ObjMaterialLibraryPath(const std::string& objPath)
{
    std::filesystem::path path(objPath);
    path.replace_extension(".mtl");
    return path.string();
}

std::string ObjObjectName(const Name64& name, int part)
{
    const std::string text = OneLineName(name);
    return text.empty() ? "Part" + std::to_string(part + 1) : text;
}

ExchangeStatus EncodeObj(const CarModel& model, const std::string& mtlFileName, const std::string& textureImage,
                         ObjFiles& out)
{
    std::optional<ObjText> obj;
    if (auto failure = PlanText(model, mtlFileName, obj))
        return failure;
    std::size_t estimate = 64;
    for (const ExportedPart& part : obj->parts)
        estimate += 80 * part.span.vertices + 140 * part.span.triangles;
    TextBuffer text(out.obj, estimate);
    for (const Piece& piece : obj->pieces)
        PutPiece(*obj, piece, text);
    text.Finish();
    out.mtl = MaterialLibrary(obj->pages, OneLineName(textureImage));
    return std::nullopt;
}

ExchangeStatus WriteObj(const CarModel& model, const std::string& objPath, const std::string& texturePath)
{
    try {
        const std::string mtlPath = ObjMaterialLibraryPath(objPath);
        const std::string texture = texturePath.empty() ? std::string() : TextureReference(objPath, texturePath);
        std::optional<ObjText> obj;
        if (auto failure = PlanText(model, std::filesystem::path(mtlPath).filename().string(), obj))
            return failure;
        if (auto failure = WriteOutputFile(mtlPath, AsBytes(MaterialLibrary(obj->pages, OneLineName(texture)))))
            return failure;
        return WriteOutputFile(objPath, [&obj](ByteSink& sink) {
            MakePieces(*obj, [&sink](const std::string& text) { sink.Write(AsBytes(text)); });
        });
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
}

// --- Reading -----------------------------------------------------------------

namespace {

constexpr std::int32_t kNone = -1;

// One corner of a face: 0-based indices into the file's positions, texture
// coordinates and normals (kNone when the corner names none).
struct Corner {
    std::int32_t position = kNone;
    std::int32_t uv = kNone;
    std::int32_t normal = kNone;
};

// What one object (or group) holds: its triangles as corner triples, and
// the positions declared while it was the current one.
struct Section {
    std::string name;
    std::size_t firstPosition = 0;
    std::size_t endPosition = 0;
    std::vector<Corner> corners; // three per triangle
};

struct ObjData {
    std::vector<Vec3> positions;
    std::vector<std::array<float, 2>> uvs;
    std::vector<Vec3> normals;
    std::vector<Section> sections; // sections[0]: before the first object or group
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// The words of one line, taken one after the other.
class Words {
public:
    explicit Words(std::string_view line) : rest_(line) {}

    // The next word, empty at the end of the line.
    std::string_view Next()
    {
        std::size_t start = 0;
        while (start < rest_.size() && IsBlank(rest_[start]))
            ++start;
        std::size_t end = start;
        while (end < rest_.size() && !IsBlank(rest_[end]))
            ++end;
        const std::string_view word = rest_.substr(start, end - start);
        rest_.remove_prefix(end);
        return word;
    }

    // Everything not yet taken, without blanks around it.
    std::string_view Rest() const
    {
        std::size_t start = 0;
        std::size_t end = rest_.size();
        while (start < end && IsBlank(rest_[start]))
            ++start;
        while (end > start && IsBlank(rest_[end - 1]))
            --end;
        return rest_.substr(start, end - start);
    }

private:
    std::string_view rest_;
};

// True when a line of the text is an object statement ("o", blanks, name).
bool HasObjectStatement(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        if (pos < text.size() && text[pos] == 'o' && (pos + 1 == text.size() || IsBlank(text[pos + 1]) ||
                                                      text[pos + 1] == '\n'))
            return true;
        const std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            break;
        pos = end + 1;
    }
    return false;
}

// All numbers of a `v`, `vt` or `vn` line, at least `needed` of them; the
// first `wanted` go to `out` (missing ones stay 0).
ExchangeStatus ReadNumbers(Words& words, std::size_t needed, std::span<float> out, const char* what)
{
    std::size_t count = 0;
    for (std::string_view word = words.Next(); !word.empty(); word = words.Next(), ++count) {
        const FloatParse number = ParseFloat(word);
        if (number.failure)
            return number.failure;
        if (count < out.size())
            out[count] = number.value;
    }
    if (count < needed)
        return Failed(ExchangeErrorCode::InvalidFileFormat, std::string(what) + " needs " + std::to_string(needed) +
                                                                " numbers; this one has " + std::to_string(count));
    return std::nullopt;
}

// A 1-based or negative (counting back from the last) index among the
// `count` elements read so far, as a 0-based index.
ExchangeStatus ResolveIndex(std::string_view text, std::size_t count, const char* what, std::int32_t& out)
{
    // Most indices are a few plain digits: read at once; anything else
    // (signs, blanks, long or broken numbers) goes the general way.
    if (!text.empty() && text.size() <= 9 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        std::int64_t value = 0;
        for (const char c : text)
            value = value * 10 + (c - '0');
        if (value >= 1 && static_cast<std::size_t>(value) <= count) {
            out = static_cast<std::int32_t>(value - 1);
            return std::nullopt;
        }
    }
    const IntParse number =
        ParseInteger(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    if (number.failure)
        return number.failure;
    const auto n = static_cast<std::int64_t>(count);
    const std::int64_t index = number.value < 0 ? n + number.value : number.value - 1;
    if (number.value == 0 || index < 0 || index >= n)
        return OutOfRange(std::string(what) + " index " + std::to_string(number.value) + " is out of range: " +
                          std::to_string(n) + " are read so far");
    out = static_cast<std::int32_t>(index);
    return std::nullopt;
}

// One corner "v", "v/vt", "v//vn" or "v/vt/vn".
ExchangeStatus ReadCorner(std::string_view text, const ObjData& data, Corner& corner)
{
    const std::size_t first = text.find('/');
    const std::string_view position = text.substr(0, first);
    if (auto failure = ResolveIndex(position, data.positions.size(), "position", corner.position))
        return failure;
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::string_view rest = text.substr(first + 1);
    const std::size_t second = rest.find('/');
    const std::string_view uv = rest.substr(0, second);
    if (!uv.empty()) {
        if (auto failure = ResolveIndex(uv, data.uvs.size(), "texture coordinate", corner.uv))
            return failure;
    }
    if (second == std::string_view::npos)
        return std::nullopt;
    return ResolveIndex(rest.substr(second + 1), data.normals.size(), "normal", corner.normal);
}

// A polygon as the fan of triangles around its first corner.
ExchangeStatus ReadFace(Words& words, const ObjData& data, std::vector<Corner>& corners, std::vector<Corner>& out)
{
    corners.clear();
    for (std::string_view word = words.Next(); !word.empty(); word = words.Next()) {
        Corner corner;
        if (auto failure = ReadCorner(word, data, corner))
            return failure;
        corners.push_back(corner);
    }
    if (corners.size() < 3)
        return Failed(ExchangeErrorCode::InvalidFileFormat, "a face needs at least three corners; this one has " +
                                                                std::to_string(corners.size()));
    for (std::size_t k = 1; k + 1 < corners.size(); ++k) {
        out.push_back(corners[0]);
        out.push_back(corners[k]);
        out.push_back(corners[k + 1]);
    }
    return std::nullopt;
}

void StartSection(ObjData& data, std::string_view name)
{
    data.sections.back().endPosition = data.positions.size();
    Section section;
    section.name = std::string(name);
    section.firstPosition = data.positions.size();
    data.sections.push_back(std::move(section));
}

ExchangeStatus ReadStatement(std::string_view line, std::string_view splitter, ObjData& data,
                             std::vector<Corner>& corners)
{
    Words words(line);
    const std::string_view keyword = words.Next();
    if (keyword == "v") {
        float xyz[3] = {0, 0, 0};
        if (auto failure = ReadNumbers(words, 3, xyz, "a position"))
            return failure;
        data.positions.push_back({xyz[0], xyz[1], xyz[2]});
    } else if (keyword == "vt") {
        float uv[2] = {0, 0};
        if (auto failure = ReadNumbers(words, 1, uv, "a texture coordinate"))
            return failure;
        data.uvs.push_back({uv[0], uv[1]});
    } else if (keyword == "vn") {
        float xyz[3] = {0, 0, 0};
        if (auto failure = ReadNumbers(words, 3, xyz, "a normal"))
            return failure;
        data.normals.push_back({xyz[0], xyz[1], xyz[2]});
    } else if (keyword == "f") {
        return ReadFace(words, data, corners, data.sections.back().corners);
    } else if (keyword == splitter) {
        StartSection(data, words.Rest());
    }
    // mtllib, usemtl, s, comments and anything unknown are skipped
    return std::nullopt;
}

// --- The fast way -------------------------------------------------------------
//
// Most lines of a big file are what an exporter writes: plain numbers and
// plain positive indices. These are read here in one pass over the line.
// A line this way does not take whole (a sign, an unusual corner, an index
// out of range, anything malformed) goes the general way above, which reads
// it again from its start and gives the same result or the exact failure;
// nothing of the fast attempt is kept.

const char* SkipBlanks(const char* p, const char* end)
{
    while (p < end && IsBlank(*p))
        ++p;
    return p;
}

// The float of a plain decimal number "-123.456e-7" of at most 19 digits
// and a small power of ten, as from_chars reads it, and where it ends;
// false for anything else, which from_chars then reads. The digits and the
// power of ten are exact doubles, so their product or quotient is the
// correctly rounded double of the decimal; rounding that to a float gives
// the correctly rounded float unless the double lies exactly halfway
// between two floats, which is left to from_chars too.
bool FastFloat(const char* p, const char* end, float& out, const char*& after)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const bool negative = p < end && *p == '-';
    p += negative ? 1 : 0;
    std::uint64_t digits = 0;
    int significant = 0;
    int exponent = 0;
    bool any = false;
    const auto take = [&](char c) {
        any = true;
        if (digits == 0 && c == '0')
            return;
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        ++significant;
    };
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
        take(*p);
    if (p < end && *p == '.') {
        for (++p; p < end && *p >= '0' && *p <= '9'; ++p) {
            take(*p);
            --exponent;
        }
    }
    if (!any || significant > 19)
        return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool down = p < end && *p == '-';
        p += (p < end && (*p == '-' || *p == '+')) ? 1 : 0;
        int written = 0;
        int length = 0;
        for (; p < end && *p >= '0' && *p <= '9' && length < 4; ++p, ++length)
            written = written * 10 + (*p - '0');
        if (length == 0 || length == 4)
            return false;
        exponent += down ? -written : written;
    }
    constexpr std::uint64_t kExactDigits = std::uint64_t{1} << 53;
    if (digits > kExactDigits || exponent < -22 || exponent > 22)
        return false;
    double value = static_cast<double>(digits);
    value = exponent < 0 ? value / kPowers[-exponent] : value * kPowers[exponent];
    if (digits != 0) {
        // Below the smallest normal float, or near the largest, the float's
        // precision is not the 24 bits the halfway test knows.
        if (value < 0x1p-126 || value >= 0x1p127)
            return false;
        constexpr std::uint64_t kBelowFloat = (std::uint64_t{1} << 29) - 1;
        if ((std::bit_cast<std::uint64_t>(value) & kBelowFloat) == (std::uint64_t{1} << 28))
            return false;
    }
    out = static_cast<float>(negative ? -value : value);
    after = p;
    return true;
}

// Every number of the line after the keyword, the first out.size() kept;
// false unless all are plain numbers and there are at least `needed`.
bool FastNumbers(const char* p, const char* end, std::span<float> out, std::size_t needed)
{
    std::size_t count = 0;
    for (p = SkipBlanks(p, end); p < end; p = SkipBlanks(p, end), ++count) {
        if (*p == '+')
            return false;
        float value = 0;
        const char* next = p;
        if (!FastFloat(p, end, value, next)) {
            const auto read = std::from_chars(p, end, value);
            if (read.ec != std::errc())
                return false;
            next = read.ptr;
        }
        if (next < end && !IsBlank(*next))
            return false;
        if (count < out.size())
            out[count] = value;
        p = next;
    }
    return count >= needed;
}

// How far the indices of a face may reach: up to what was read so far, or,
// in a later chunk of the file read on its own, anything, with the furthest
// reach past what the chunk itself read kept for the check after the merge.
struct IndexReach {
    bool bounded = true;
    std::int64_t positions = 0; // furthest reach past the chunk's own elements
    std::int64_t uvs = 0;
    std::int64_t normals = 0;
};

// A plain index of one to nine digits within reach, as a 0-based index.
bool FastIndex(const char*& p, const char* end, std::size_t count, bool bounded, std::int64_t& reach,
               std::int32_t& out)
{
    const char* start = p;
    std::int64_t value = 0;
    while (p < end && *p >= '0' && *p <= '9' && p - start < 10)
        value = value * 10 + (*p++ - '0');
    if (p == start || p - start > 9 || value < 1)
        return false;
    const std::int64_t past = value - static_cast<std::int64_t>(count);
    if (past > 0) {
        if (bounded)
            return false;
        reach = std::max(reach, past);
    }
    out = static_cast<std::int32_t>(value - 1);
    return true;
}

// One corner "v", "v/vt", "v//vn" or "v/vt/vn" of plain indices.
bool FastCorner(const char*& p, const char* end, const ObjData& data, IndexReach& reach, Corner& corner)
{
    if (!FastIndex(p, end, data.positions.size(), reach.bounded, reach.positions, corner.position))
        return false;
    if (p < end && *p == '/') {
        ++p;
        if (p < end && *p != '/' &&
            !FastIndex(p, end, data.uvs.size(), reach.bounded, reach.uvs, corner.uv))
            return false;
        if (p < end && *p == '/') {
            ++p;
            if (!FastIndex(p, end, data.normals.size(), reach.bounded, reach.normals, corner.normal))
                return false;
        } else if (corner.uv == kNone) {
            return false; // "v/" alone
        }
    }
    return p == end || IsBlank(*p);
}

bool FastFace(const char* p, const char* end, ObjData& data, IndexReach& reach, std::vector<Corner>& corners)
{
    corners.clear();
    for (p = SkipBlanks(p, end); p < end; p = SkipBlanks(p, end)) {
        Corner corner;
        if (!FastCorner(p, end, data, reach, corner))
            return false;
        corners.push_back(corner);
    }
    if (corners.size() < 3)
        return false;
    std::vector<Corner>& out = data.sections.back().corners;
    for (std::size_t k = 1; k + 1 < corners.size(); ++k) {
        out.push_back(corners[0]);
        out.push_back(corners[k]);
        out.push_back(corners[k + 1]);
    }
    return true;
}

enum class Keyword { Position, Uv, Normal, Face, Other };

// The keyword of a line, and where its arguments start.
Keyword KeywordOf(const char*& p, const char* end)
{
    p = SkipBlanks(p, end);
    const auto endsWord = [end](const char* at) { return at == end || IsBlank(*at); };
    if (p < end && *p == 'f' && endsWord(p + 1)) {
        p += 1;
        return Keyword::Face;
    }
    if (p == end || *p != 'v')
        return Keyword::Other;
    if (endsWord(p + 1)) {
        p += 1;
        return Keyword::Position;
    }
    if ((p[1] == 't' || p[1] == 'n') && endsWord(p + 2)) {
        const Keyword keyword = p[1] == 't' ? Keyword::Uv : Keyword::Normal;
        p += 2;
        return keyword;
    }
    return Keyword::Other;
}

// A line read the fast way; false when it must go the general way.
bool ReadFastStatement(std::string_view line, ObjData& data, IndexReach& reach, std::vector<Corner>& corners)
{
    const char* p = line.data();
    const char* end = line.data() + line.size();
    // Positions and normals alike: three numbers onto their table.
    const auto vector = [&](std::vector<Vec3>& table) {
        float xyz[3] = {0, 0, 0};
        if (!FastNumbers(p, end, xyz, 3))
            return false;
        table.push_back({xyz[0], xyz[1], xyz[2]});
        return true;
    };
    switch (KeywordOf(p, end)) {
    case Keyword::Position: return vector(data.positions);
    case Keyword::Normal: return vector(data.normals);
    case Keyword::Uv: {
        float uv[2] = {0, 0};
        if (!FastNumbers(p, end, uv, 1))
            return false;
        data.uvs.push_back({uv[0], uv[1]});
        return true;
    }
    case Keyword::Face: return FastFace(p, end, data, reach, corners);
    case Keyword::Other: break;
    }
    return false;
}

// Whether a line the fast way refused may still go the general way in a
// later chunk: only when it has no indices, whose meaning and checks need
// what the chunks before it read.
bool ReadableOutOfOrder(std::string_view line)
{
    const char* p = line.data();
    return KeywordOf(p, line.data() + line.size()) != Keyword::Face;
}

// Reads `text`, whole lines, into `data`, whose last section the first
// lines continue. In a later chunk (`reach` unbounded) a line only the
// general way takes fails the chunk rather than being read out of order;
// the caller then reads the whole file in order.
ExchangeStatus ReadLines(std::string_view text, std::string_view splitter, std::size_t firstLine, ObjData& data,
                         IndexReach& reach)
{
    std::vector<Corner> corners;
    std::size_t line = firstLine;
    for (std::size_t pos = 0; pos < text.size(); ++line) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view statement = text.substr(pos, end - pos);
        pos = end + 1;
        if (ReadFastStatement(statement, data, reach, corners))
            continue;
        if (!reach.bounded && !ReadableOutOfOrder(statement))
            return Failed(ExchangeErrorCode::InvalidFileFormat, "read in order");
        if (auto failure = ReadStatement(statement, splitter, data, corners))
            return AtLine(*failure, line);
    }
    data.sections.back().endPosition = data.positions.size();
    return std::nullopt;
}

// Appends a later chunk read on its own: its elements after ours, its first
// section continuing our last one.
void AppendChunk(ObjData& data, ObjData&& later)
{
    const std::size_t base = data.positions.size();
    data.positions.insert(data.positions.end(), later.positions.begin(), later.positions.end());
    data.uvs.insert(data.uvs.end(), later.uvs.begin(), later.uvs.end());
    data.normals.insert(data.normals.end(), later.normals.begin(), later.normals.end());
    Section& last = data.sections.back();
    Section& continued = later.sections.front();
    last.corners.insert(last.corners.end(), continued.corners.begin(), continued.corners.end());
    last.endPosition = base + continued.endPosition;
    for (std::size_t k = 1; k < later.sections.size(); ++k) {
        Section& section = later.sections[k];
        section.firstPosition += base;
        section.endPosition += base;
        data.sections.push_back(std::move(section));
    }
}

// Reads the two halves of a large file at once; false when the file must
// be read in order instead (a failure, or a line that needs the order).
bool ReadHalvesAtOnce(std::string_view text, std::string_view splitter, ObjData& data)
{
    const std::size_t cut = text.find('\n', text.size() / 2);
    if (cut == std::string_view::npos)
        return false;
    ObjData later;
    later.sections.emplace_back();
    IndexReach laterReach{.bounded = false};
    std::future<ExchangeStatus> second;
    try {
        second = std::async(std::launch::async, [&] {
            return ReadLines(text.substr(cut + 1), splitter, 0, later, laterReach);
        });
    } catch (const std::system_error&) {
        return false; // no second thread: one goes through the whole
    }
    IndexReach reach;
    const ExchangeStatus first = ReadLines(text.substr(0, cut + 1), splitter, 1, data, reach);
    const ExchangeStatus failure = second.get();
    if (first || failure)
        return false;
    // The later half's plain indices may reach back into the first half.
    if (laterReach.positions > static_cast<std::int64_t>(data.positions.size()) ||
        laterReach.uvs > static_cast<std::int64_t>(data.uvs.size()) ||
        laterReach.normals > static_cast<std::int64_t>(data.normals.size()))
        return false;
    AppendChunk(data, std::move(later));
    return true;
}

ExchangeStatus ReadObjData(std::string_view text, std::size_t halvesFrom, ObjData& data)
{
    const std::string_view splitter = HasObjectStatement(text) ? "o" : "g";
    if (text.size() >= halvesFrom) {
        data.sections.emplace_back();
        if (ReadHalvesAtOnce(text, splitter, data))
            return std::nullopt;
        data = ObjData{};
    }
    data.sections.emplace_back();
    IndexReach reach;
    return ReadLines(text, splitter, 1, data, reach);
}

// The vertices of a part: every distinct pair of position and normal its
// corners use, and every position of its section that no face uses, in the
// order of the position's index, then the normal's (none first). Found
// without sorting the whole: the corners are counted out by position (the
// positions lie in a known range), and only the few of one position are
// ordered by normal.
struct PartVertices {
    std::vector<std::int32_t> positions;
    std::vector<std::int32_t> normals; // kNone: none
    std::vector<std::int32_t> ofCorner; // the vertex of each corner
};

PartVertices NumberVertices(const Section& section, const std::vector<char>& used)
{
    constexpr std::uint32_t kUnusedPosition = std::numeric_limits<std::uint32_t>::max();
    std::size_t low = section.firstPosition;
    std::size_t high = section.endPosition;
    for (const Corner& c : section.corners) {
        low = std::min(low, static_cast<std::size_t>(c.position));
        high = std::max(high, static_cast<std::size_t>(c.position) + 1);
    }
    // start[p - low]: where the entries of position p begin.
    std::vector<std::uint32_t> start(high - low + 1, 0);
    for (const Corner& c : section.corners)
        ++start[static_cast<std::size_t>(c.position) - low + 1];
    for (std::size_t p = section.firstPosition; p < section.endPosition; ++p) {
        if (!used[p])
            ++start[p - low + 1];
    }
    for (std::size_t k = 1; k < start.size(); ++k)
        start[k] += start[k - 1];

    struct Entry {
        std::int32_t normal;
        std::uint32_t corner; // kUnusedPosition for a position no face uses
    };
    std::vector<Entry> entries(start.back());
    std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
    for (std::size_t k = 0; k < section.corners.size(); ++k) {
        const Corner& c = section.corners[k];
        entries[next[static_cast<std::size_t>(c.position) - low]++] = Entry{c.normal, static_cast<std::uint32_t>(k)};
    }
    for (std::size_t p = section.firstPosition; p < section.endPosition; ++p) {
        if (!used[p])
            entries[next[p - low]++] = Entry{kNone, kUnusedPosition};
    }

    PartVertices vertices;
    vertices.ofCorner.resize(section.corners.size());
    for (std::size_t p = 0; p + 1 < start.size(); ++p) {
        const auto first = entries.begin() + start[p];
        const auto last = entries.begin() + start[p + 1];
        std::sort(first, last, [](const Entry& a, const Entry& b) { return a.normal < b.normal; });
        for (auto e = first; e != last; ++e) {
            if (e == first || e->normal != (e - 1)->normal) {
                vertices.positions.push_back(static_cast<std::int32_t>(p + low));
                vertices.normals.push_back(e->normal);
            }
            if (e->corner != kUnusedPosition)
                vertices.ofCorner[e->corner] = static_cast<std::int32_t>(vertices.positions.size() - 1);
        }
    }
    return vertices;
}

// The part a section makes; empty vertices when it has none.
ObjPart MakePart(const ObjData& data, const Section& section, const std::vector<char>& used)
{
    const PartVertices numbered = NumberVertices(section, used);
    ObjPart part;
    part.name = section.name;
    part.vertices.reserve(numbered.positions.size());
    part.normals.reserve(numbered.positions.size());
    for (std::size_t v = 0; v < numbered.positions.size(); ++v) {
        part.vertices.push_back(data.positions[static_cast<std::size_t>(numbered.positions[v])]);
        const std::int32_t normal = numbered.normals[v];
        part.normals.push_back(normal == kNone ? Vec3{} : data.normals[static_cast<std::size_t>(normal)]);
    }
    const auto uvOf = [&data](const Corner& c) {
        return c.uv == kNone ? std::array<float, 2>{0, 0} : data.uvs[static_cast<std::size_t>(c.uv)];
    };
    part.triangles.resize(section.corners.size() / 3);
    for (std::size_t t = 0; t < part.triangles.size(); ++t) {
        const Corner* c = &section.corners[3 * t];
        const std::int32_t* vertex = &numbered.ofCorner[3 * t];
        Triangle& tri = part.triangles[t];
        tri.I1 = vertex[0];
        tri.I2 = vertex[1];
        tri.I3 = vertex[2];
        std::tie(tri.U1, tri.V1) = std::pair(uvOf(c[0])[0], uvOf(c[0])[1]);
        std::tie(tri.U2, tri.V2) = std::pair(uvOf(c[1])[0], uvOf(c[1])[1]);
        std::tie(tri.U3, tri.V3) = std::pair(uvOf(c[2])[0], uvOf(c[2])[1]);
    }
    return part;
}

// `make`(k) on a thread of its own; no future when no thread can be had, and
// the caller makes the part itself.
template <class Make>
std::future<ObjPart> MakeAtOnce(const Make& make, std::size_t k)
{
    try {
        return std::async(std::launch::async, make, k);
    } catch (const std::system_error&) {
        return {};
    }
}

} // namespace

ExchangeStatus ParseObj(std::span<const std::uint8_t> file, const std::string& unnamedPart, std::size_t partLimit,
                        std::vector<ObjPart>& parts, const ObjReadSizes& sizes)
{
    ObjData data;
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    if (auto failure = ReadObjData(text, sizes.halvesFrom, data))
        return failure;
    if (data.positions.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return Overflow("the file has more positions than a model can hold");
    std::vector<char> used(data.positions.size(), 0);
    for (const Section& section : data.sections) {
        for (const Corner& c : section.corners)
            used[static_cast<std::size_t>(c.position)] = 1;
    }
    data.sections.front().name = unnamedPart;
    // Parts are made in order, two large ones at once.
    const auto make = [&](std::size_t k) { return MakePart(data, data.sections[k], used); };
    for (std::size_t k = 0; k < data.sections.size() && parts.size() < partLimit; k += 2) {
        const bool pair = k + 1 < data.sections.size();
        std::future<ObjPart> next;
        if (pair && data.sections[k + 1].corners.size() >= sizes.pairedPartFrom)
            next = MakeAtOnce(make, k + 1);
        ObjPart made[2] = {make(k), next.valid() ? next.get() : pair ? make(k + 1) : ObjPart{}};
        for (ObjPart& part : made) {
            if (!part.vertices.empty() && parts.size() < partLimit)
                parts.push_back(std::move(part));
        }
    }
    return std::nullopt;
}

ExchangeStatus ConvertObj(CarModel& model, std::span<const std::uint8_t> file, const std::string& unnamedPart)
{
    // Built apart, as the 3DS conversion is, so a refused file changes nothing.
    try {
        std::vector<ObjPart> parts;
        if (auto failure = ParseObj(file, unnamedPart, kMaxConvertedObjects, parts))
            return failure;
        CarModel converted;
        converted.Header = model.Header;
        converted.Fce4Header = model.Fce4Header;
        converted.TextureFileName = model.TextureFileName;
        NewFCE(converted);
        std::size_t vertices = 0;
        std::size_t triangles = 0;
        for (const ObjPart& part : parts) {
            vertices += part.vertices.size();
            triangles += part.triangles.size();
        }
        if (auto failure = CheckRoomForPart(converted, static_cast<std::int64_t>(vertices),
                                            static_cast<std::int64_t>(triangles)))
            return failure;
        ReserveForParts(converted, vertices, triangles, parts.size());
        for (ObjPart& part : parts) {
            PartTables tables{std::move(part.vertices), std::move(part.normals), std::move(part.triangles)};
            AppendPart(converted, MakeName(part.name), std::move(tables), ReservedOnAppend::Keep,
                       SelectionOnAppend::Keep);
        }
        Finish3DSConversion(converted);
        model = std::move(converted);
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
}

ExchangeStatus ConvertObj(CarModel& model, const std::string& path)
{
    InputFile file;
    if (auto failure = file.Open(path, kMaxObjFileSize))
        return failure;
    return ConvertObj(model, file.bytes(), XPartName(path));
}

} // namespace mobrix
