#include "XFile.h"

#include "ExchangeCommon.h"
#include "FileErrors.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <new>
#include <string_view>
#include <utility>

namespace mobrix {

using namespace exchange;

namespace {

constexpr std::uint16_t kXFillWord = 0xFF00;
constexpr std::size_t kXHeaderSize = 16; // "xof 0303txt 0032"

enum class TokenKind { End, Word, Open, Close, Separator, Other };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;
    std::size_t line = 1;
};

// Splits X text into words (names and numbers), braces and separators;
// strings, GUIDs and brackets are single "other" tokens; comments ("//" or
// "#" to the end of the line) are skipped. Copying a scanner peeks ahead.
class Scanner {
public:
    Scanner(std::string_view text, std::size_t start) : text_(text), pos_(start) {}

    std::size_t remaining() const { return text_.size() - pos_; }

    Token Next()
    {
        SkipSpaceAndComments();
        Token t;
        t.line = line_;
        if (pos_ >= text_.size())
            return t;
        const std::size_t start = pos_;
        const char c = text_[pos_++];
        switch (c) {
        case '{': t.kind = TokenKind::Open; break;
        case '}': t.kind = TokenKind::Close; break;
        case ';':
        case ',': t.kind = TokenKind::Separator; break;
        case '"': SkipPast('"'); t.kind = TokenKind::Other; break;
        case '<': SkipPast('>'); t.kind = TokenKind::Other; break;
        case '[':
        case ']': t.kind = TokenKind::Other; break;
        default:
            while (pos_ < text_.size() && !EndsWord(text_[pos_]))
                ++pos_;
            t.kind = TokenKind::Word;
            break;
        }
        t.text = text_.substr(start, pos_ - start);
        return t;
    }

private:
    static bool Space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
    static bool EndsWord(char c)
    {
        return Space(c) || c == '{' || c == '}' || c == ';' || c == ',' || c == '"' || c == '<' || c == '[' ||
               c == ']' || c == '#';
    }

    void SkipPast(char end)
    {
        while (pos_ < text_.size() && text_[pos_] != end) {
            if (text_[pos_] == '\n')
                ++line_;
            ++pos_;
        }
        if (pos_ < text_.size())
            ++pos_;
    }

    void SkipSpaceAndComments()
    {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (Space(c)) {
                if (c == '\n')
                    ++line_;
                ++pos_;
            } else if (c == '#' || text_.substr(pos_, 2) == "//") {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
            } else {
                return;
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

ExchangeFailure NoLayout(std::string detail)
{
    return Failed(ExchangeErrorCode::InvalidFileFormat, std::move(detail));
}

// Checks the "xof" header when there is one; returns where the data begins.
ExchangeStatus CheckHeader(std::string_view text, std::size_t& start)
{
    start = 0;
    if (text.substr(0, 4) != "xof ")
        return std::nullopt; // a bare mesh as one entry per line
    const std::string_view format = text.substr(std::min<std::size_t>(8, text.size()), 4);
    if (format != "txt ")
        return NoLayout("the X file is stored as '" + std::string(format) + "'; only the text form ('txt ') is read");
    start = std::min(kXHeaderSize, text.size());
    return std::nullopt;
}

// Skips a block from just before its "{" to just after the matching "}".
void SkipBlock(Scanner& in)
{
    Token t = in.Next();
    while (t.kind != TokenKind::Open && t.kind != TokenKind::End)
        t = in.Next();
    for (int depth = 1; depth > 0 && t.kind != TokenKind::End;) {
        t = in.Next();
        if (t.kind == TokenKind::Open)
            ++depth;
        else if (t.kind == TokenKind::Close)
            --depth;
    }
}

// Moves `in` into the first Mesh data object, after its "{" (and GUID).
ExchangeStatus FindMesh(Scanner& in)
{
    TokenKind before = TokenKind::End;
    for (;;) {
        const Token t = in.Next();
        const TokenKind previous = std::exchange(before, t.kind);
        if (t.kind == TokenKind::End)
            return NoLayout("the file holds no Mesh");
        if (t.kind != TokenKind::Word)
            continue;
        if (t.text == "template") {
            SkipBlock(in);
            before = TokenKind::Close;
            continue;
        }
        // Only a type name stands right before an object's name, so a
        // "Mesh" after a word is a frame or material named Mesh.
        if (t.text != "Mesh" || previous == TokenKind::Word)
            continue;
        Scanner ahead = in;
        Token next = ahead.Next();
        if (next.kind == TokenKind::Word) // the object's name
            next = ahead.Next();
        if (next.kind != TokenKind::Open)
            continue; // a reference or a word in other data, not an object
        in = ahead;
        Scanner guid = in;
        if (const Token g = guid.Next(); g.kind == TokenKind::Other && g.text.front() == '<')
            in = guid;
        return std::nullopt;
    }
}

// The numbers of the mesh, separators between them skipped.
class NumberReader {
public:
    explicit NumberReader(Scanner& in) : in_(in) {}

    std::size_t remaining() const { return in_.remaining(); }

    ExchangeStatus Integer(std::int64_t& out, std::int64_t lowest, std::int64_t highest)
    {
        Token t;
        if (auto failure = Word(t))
            return failure;
        const IntParse value = ParseInteger(t.text, lowest, highest);
        if (value.failure)
            return AtLine(*value.failure, t.line);
        out = value.value;
        return std::nullopt;
    }

    ExchangeStatus Float(float& out)
    {
        Token t;
        if (auto failure = Word(t))
            return failure;
        const FloatParse value = ParseFloat(t.text);
        if (value.failure)
            return AtLine(*value.failure, t.line);
        out = value.value;
        return std::nullopt;
    }

private:
    ExchangeStatus Word(Token& out)
    {
        do {
            out = in_.Next();
        } while (out.kind == TokenKind::Separator);
        if (out.kind == TokenKind::Word)
            return std::nullopt;
        if (out.kind == TokenKind::End)
            return Truncated("the file ends inside the mesh");
        return AtLine(Failed(ExchangeErrorCode::TypeMismatch, Quoted(out.text) + " where the mesh has a number"),
                      out.line);
    }

    Scanner& in_;
};

// A count of entries that each need at least `bytesEach` bytes of the rest.
ExchangeStatus ReadCount(NumberReader& numbers, std::size_t bytesEach, const char* what, std::size_t& out)
{
    std::int64_t count = 0;
    if (auto failure = numbers.Integer(count, INT32_MIN, INT32_MAX))
        return failure;
    if (count < 0)
        return OutOfRange(std::string("negative number of ") + what + " (" + std::to_string(count) + ")");
    if (static_cast<std::uint64_t>(count) > numbers.remaining() / bytesEach)
        return Truncated(std::to_string(count) + " " + what + " cannot fit in the rest of the file");
    out = static_cast<std::size_t>(count);
    return std::nullopt;
}

// Tables grow as entries are read; this much is claimed up front.
constexpr std::size_t kReserveAtOnce = std::size_t{1} << 16;

ExchangeStatus ReadFaces(NumberReader& numbers, std::size_t vertices, std::vector<Triangle>& triangles)
{
    // The shortest face text is "3;0,0,0," (the last one may drop its
    // separator). Entries are appended as they are read, so a count that
    // the file cannot back never allocates beyond what was really there.
    std::size_t count = 0;
    if (auto failure = ReadCount(numbers, 7, "faces", count))
        return failure;
    triangles.clear();
    triangles.reserve(std::min<std::size_t>(count, kReserveAtOnce));
    for (std::size_t j = 0; j < count; ++j) {
        std::int64_t corners = 0;
        if (auto failure = numbers.Integer(corners, INT32_MIN, INT32_MAX))
            return failure;
        if (corners != 3)
            return ExchangeFailure{ExchangeError::NotTriangle, 0,
                                   "face " + std::to_string(j) + " has " + std::to_string(corners) + " corners",
                                   static_cast<std::int64_t>(j)};
        Triangle& t = triangles.emplace_back();
        for (std::int32_t* corner : {&t.I1, &t.I2, &t.I3}) {
            std::int64_t index = 0;
            if (auto failure = numbers.Integer(index, INT32_MIN, INT32_MAX))
                return failure;
            if (index < 0 || static_cast<std::uint64_t>(index) >= vertices)
                return OutOfRange("face " + std::to_string(j) + " has corner " + std::to_string(index) +
                                  " outside the mesh's " + std::to_string(vertices) + " vertices");
            *corner = static_cast<std::int32_t>(index);
        }
    }
    return std::nullopt;
}


} // namespace

ExchangeStatus ReadXMesh(std::span<const std::uint8_t> file, XMesh& mesh)
{
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    std::size_t start = 0;
    if (auto failure = CheckHeader(text, start))
        return failure;
    Scanner in(text, start);
    if (auto failure = FindMesh(in))
        return failure;
    NumberReader numbers(in);
    // The shortest vertex text is "0;0;0;" (the last may drop one character).
    std::size_t vertices = 0;
    if (auto failure = ReadCount(numbers, 5, "vertices", vertices))
        return failure;
    mesh.vertices.clear();
    mesh.vertices.reserve(std::min<std::size_t>(vertices, kReserveAtOnce));
    for (std::size_t i = 0; i < vertices; ++i) {
        Vec3& v = mesh.vertices.emplace_back();
        for (float* coordinate : {&v.X, &v.Y, &v.Z}) {
            if (auto failure = numbers.Float(*coordinate))
                return failure;
        }
    }
    return ReadFaces(numbers, vertices, mesh.triangles);
}

std::string XPartName(const std::string& path)
{
    const std::string stem = std::filesystem::path(path).stem().string();
    return stem.empty() ? "Mesh" : stem;
}

ExchangeStatus ConvertX(CarModel& model, std::span<const std::uint8_t> file, const std::string& partName)
{
    try {
        XMesh mesh;
        if (auto failure = ReadXMesh(file, mesh))
            return failure;
        const std::size_t n = mesh.vertices.size();
        const std::size_t m = mesh.triangles.size();
        for (Triangle& t : mesh.triangles)
            t.TriFill.fill(kXFillWord);
        // Everything is built before the model changes.
        std::vector<Vec3> normals = mesh.vertices; // the normal table receives the positions
        std::vector<Reserved32> reserved1(n);
        std::vector<Reserved12> reserved2(n);
        std::vector<Reserved12> reserved3(n);
        std::vector<std::int16_t> vertSelected(n, 0);
        std::vector<TriStateRecord> triState(m);
        std::vector<Name64> partNames = model.Header.PartNames;
        if (partNames.empty())
            partNames.resize(1, MakeName(""));
        partNames[0] = TerminatedName(partName);
        ModelHeader& h = model.Header;

        model.Vertices = std::move(mesh.vertices);
        model.Normals = std::move(normals);
        model.Triangles = std::move(mesh.triangles);
        model.Reserved1 = std::move(reserved1);
        model.Reserved2 = std::move(reserved2);
        model.Reserved3 = std::move(reserved3);
        model.VertSelected = std::move(vertSelected);
        model.TriState = std::move(triState);
        ClearNfs4Tables(model);
        if (HoldsNfs4Tables(model))
            model.FileFormat = ModelOrigin::Nfs3;

        h.NumVertices = static_cast<std::int32_t>(n);
        h.NumTriangles = static_cast<std::int32_t>(m);
        h.NumParts = 1;
        h.PartPos.fill(Vec3{});
        h.PartFirstVertex.fill(0);
        h.PartNumVertices.fill(0);
        h.PartFirstTriangle.fill(0);
        h.PartNumTriangles.fill(0);
        h.PartNumVertices[0] = static_cast<std::int32_t>(n);
        h.PartNumTriangles[0] = static_cast<std::int32_t>(m);
        h.PartNames = std::move(partNames);
        model.CurrentPart = 0;
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
}

ExchangeStatus ConvertX(CarModel& model, const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (auto failure = ReadInputFile(path, bytes))
        return failure;
    return ConvertX(model, bytes, XPartName(path));
}

} // namespace mobrix
