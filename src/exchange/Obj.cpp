#include "Obj.h"

#include "ExchangeCommon.h"
#include "FileErrors.h"
#include "ThreeDs.h"
#include "XFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <set>
#include <string_view>
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
        const auto triangles = std::span(model.Triangles).subspan(part.span.firstTriangle, part.span.triangles);
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
    at = PutInteger(at, vertex);
    *at++ = '/';
    at = PutInteger(at, uv);
    *at++ = '/';
    return PutInteger(at, vertex);
}

// One object: its vertices, normals, corner texture coordinates and faces.
// `vertexBase` and `uvBase` count what earlier objects wrote.
void PutObject(const CarModel& model, const ExportedPart& part, std::int64_t& vertexBase, std::int64_t& uvBase,
               TextBuffer& out)
{
    const PartSpan& s = part.span;
    const Vec3& pos = model.Header.PartPos[static_cast<std::size_t>(part.index)];
    PutLine(out, "o ", part.name);
    for (std::size_t i = s.firstVertex; i < s.firstVertex + s.vertices; ++i) {
        const Vec3& v = model.Vertices[i];
        out.Wrote(PutVector(out.Line(kNumberLine), "v", Vec3{v.X + pos.X, v.Y + pos.Y, v.Z + pos.Z}));
    }
    for (std::size_t i = s.firstVertex; i < s.firstVertex + s.vertices; ++i)
        out.Wrote(PutVector(out.Line(kNumberLine), "vn", model.Normals[i]));
    const auto triangles = std::span(model.Triangles).subspan(s.firstTriangle, s.triangles);
    for (const Triangle& t : triangles) {
        char* at = out.Line(kNumberLine);
        at = PutUv(PutUv(PutUv(at, t.U1, t.V1), t.U2, t.V2), t.U3, t.V3);
        out.Wrote(at);
    }
    std::optional<std::int32_t> page;
    for (const Triangle& t : triangles) {
        if (page != t.TexPage) {
            page = t.TexPage;
            PutLine(out, "usemtl ", MaterialName(t.TexPage));
        }
        char* at = out.Line(kNumberLine);
        *at++ = 'f';
        at = PutCorner(at, vertexBase + 1 + t.I1, uvBase + 1);
        at = PutCorner(at, vertexBase + 1 + t.I2, uvBase + 2);
        at = PutCorner(at, vertexBase + 1 + t.I3, uvBase + 3);
        *at++ = '\n';
        out.Wrote(at);
        uvBase += 3;
    }
    vertexBase += static_cast<std::int64_t>(s.vertices);
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
    std::vector<ExportedPart> parts;
    std::set<std::int32_t> pages;
    if (auto failure = ExportedParts(model, parts, pages))
        return failure;
    std::size_t estimate = 64;
    for (const ExportedPart& part : parts)
        estimate += 80 * part.span.vertices + 140 * part.span.triangles;
    TextBuffer text(out.obj, estimate);
    PutLine(text, "# " + std::to_string(parts.size()) + " parts, written by Mobrix");
    PutLine(text, "mtllib ", OneLineName(mtlFileName));
    PutDummies(model, text);
    std::int64_t vertexBase = 0;
    std::int64_t uvBase = 0;
    for (const ExportedPart& part : parts)
        PutObject(model, part, vertexBase, uvBase, text);
    text.Finish();
    out.mtl = MaterialLibrary(pages, OneLineName(textureImage));
    return std::nullopt;
}

ExchangeStatus WriteObj(const CarModel& model, const std::string& objPath, const std::string& texturePath)
{
    try {
        const std::string mtlPath = ObjMaterialLibraryPath(objPath);
        const std::string texture = texturePath.empty() ? std::string() : TextureReference(objPath, texturePath);
        ObjFiles files;
        if (auto failure = EncodeObj(model, std::filesystem::path(mtlPath).filename().string(), texture, files))
            return failure;
        const auto bytes = [](const std::string& text) {
            return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        };
        if (auto failure = WriteOutputFile(mtlPath, bytes(files.mtl)))
            return failure;
        return WriteOutputFile(objPath, bytes(files.obj));
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

ExchangeStatus ReadObjData(std::string_view text, ObjData& data)
{
    const std::string_view splitter = HasObjectStatement(text) ? "o" : "g";
    data.sections.emplace_back();
    std::vector<Corner> corners;
    std::size_t line = 1;
    for (std::size_t pos = 0; pos < text.size(); ++line) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        if (auto failure = ReadStatement(text.substr(pos, end - pos), splitter, data, corners))
            return AtLine(*failure, line);
        pos = end + 1;
    }
    data.sections.back().endPosition = data.positions.size();
    return std::nullopt;
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

PartVertices NumberVertices(const Section& section, const std::vector<bool>& used)
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
ObjPart MakePart(const ObjData& data, const Section& section, const std::vector<bool>& used)
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

} // namespace

ExchangeStatus ParseObj(std::span<const std::uint8_t> file, const std::string& unnamedPart, std::size_t partLimit,
                        std::vector<ObjPart>& parts)
{
    ObjData data;
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    if (auto failure = ReadObjData(text, data))
        return failure;
    if (data.positions.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return Overflow("the file has more positions than a model can hold");
    std::vector<bool> used(data.positions.size(), false);
    for (const Section& section : data.sections) {
        for (const Corner& c : section.corners)
            used[static_cast<std::size_t>(c.position)] = true;
    }
    data.sections.front().name = unnamedPart;
    for (const Section& section : data.sections) {
        if (parts.size() >= partLimit)
            break;
        ObjPart part = MakePart(data, section, used);
        if (!part.vertices.empty())
            parts.push_back(std::move(part));
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
    std::vector<std::uint8_t> bytes;
    if (auto failure = ReadInputFile(path, bytes, kMaxObjFileSize))
        return failure;
    return ConvertObj(model, bytes, XPartName(path));
}

} // namespace mobrix
