#include "ExchangeCommon.h"

#include "FileErrors.h"
#include "FileIO.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mobrix::exchange {

ExchangeFailure Failed(int code, std::string detail)
{
    return {ExchangeError::Failed, code, std::move(detail), 0};
}

ExchangeFailure Truncated(std::string detail)
{
    return Failed(ExchangeErrorCode::InputPastEndOfFile, std::move(detail));
}

ExchangeFailure OutOfRange(std::string detail)
{
    return Failed(ErrorCode::SubscriptOutOfRange, std::move(detail));
}

ExchangeFailure Overflow(std::string detail)
{
    return Failed(ErrorCode::Overflow, std::move(detail));
}

ExchangeFailure NoMemory()
{
    return Failed(ErrorCode::OutOfMemory, "out of memory");
}

ExchangeStatus ReadInputFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::int64_t sizeLimit)
{
    const LoadStatus failure = ReadWholeFile(path, bytes, sizeLimit);
    if (!failure)
        return std::nullopt;
    if (failure->code == ErrorCode::FileNotFound)
        return ExchangeFailure{ExchangeError::FileNotFound, failure->code, failure->detail, 0};
    return Failed(failure->code, failure->detail);
}

InputFile::~InputFile()
{
    if (mapped_ != nullptr)
        ::munmap(mapped_, mappedSize_);
    if (fd_ >= 0)
        ::close(fd_);
}

bool InputFile::Map(const std::string& path, std::int64_t sizeLimit)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
        info.st_size > sizeLimit)
        return false;
    void* data = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd_, 0);
    if (data == MAP_FAILED)
        return false;
    mapped_ = data;
    mappedSize_ = static_cast<std::size_t>(info.st_size);
    return true;
}

ExchangeStatus InputFile::Open(const std::string& path, std::int64_t sizeLimit)
{
    // A file that cannot be mapped (not a regular file, empty, too large) is
    // read the ordinary way, which says what is wrong with it.
    if (Map(path, sizeLimit))
        return std::nullopt;
    return ReadInputFile(path, read_, sizeLimit);
}

std::span<const std::uint8_t> InputFile::bytes() const
{
    if (mapped_ != nullptr)
        return {static_cast<const std::uint8_t*>(mapped_), mappedSize_};
    return read_;
}

namespace {

ExchangeStatus WriteFailure(const SaveStatus& failure)
{
    if (failure)
        return Failed(failure->code, failure->detail);
    return std::nullopt;
}

} // namespace

ExchangeStatus WriteOutputFile(const std::string& path, std::span<const std::uint8_t> bytes)
{
    return WriteFailure(WriteFileAtomically(path, bytes));
}

ExchangeStatus WriteOutputFile(const std::string& path, const std::function<void(ByteSink&)>& produce)
{
    return WriteFailure(WriteFileAtomicallyFrom(path, [&produce](ByteSink& sink) -> SaveStatus {
        produce(sink);
        return std::nullopt;
    }));
}

std::string_view TrimBlanks(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Quoted(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    std::string shown(text.substr(0, kShown));
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 32)
            c = '?';
    }
    return "'" + shown + (text.size() > kShown ? "...'" : "'");
}

namespace {

ExchangeFailure NotANumber(std::string_view text)
{
    return Failed(ExchangeErrorCode::TypeMismatch, Quoted(text) + " is not a number");
}

// A leading '+' is accepted as people write it; from_chars does not.
std::string_view WithoutPlus(std::string_view text)
{
    if (text.size() > 1 && text.front() == '+' && text.substr(1, 1) != "-")
        text.remove_prefix(1);
    return text;
}

} // namespace

IntParse ParseInteger(std::string_view text, std::int64_t lowest, std::int64_t highest)
{
    const std::string_view number = WithoutPlus(TrimBlanks(text));
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || end != number.data() + number.size())
        return {0, NotANumber(text)};
    if (error == std::errc::result_out_of_range || value < lowest || value > highest)
        return {0, Overflow(Quoted(TrimBlanks(text)) + " is outside " + std::to_string(lowest) + ".." +
                            std::to_string(highest))};
    if (error != std::errc())
        return {0, NotANumber(text)};
    return {value, std::nullopt};
}

FloatParse ParseFloat(std::string_view text)
{
    const std::string_view number = WithoutPlus(TrimBlanks(text));
    float value = 0;
    const char* first = number.data();
    const char* last = number.data() + number.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (number.empty() || end != last)
        return {0, NotANumber(text)};
    if (error == std::errc::result_out_of_range) {
        // Too small for a float rounds towards zero; too large is an overflow.
        double wide = 0;
        const auto [wideEnd, wideError] = std::from_chars(first, last, wide);
        if (wideEnd == last && std::fabs(wide) < 1.0)
            return {static_cast<float>(wideError == std::errc() ? wide : 0.0), std::nullopt};
        return {0, Overflow(Quoted(TrimBlanks(text)) + " is too large for a 32-bit float")};
    }
    if (error != std::errc())
        return {0, NotANumber(text)};
    return {value, std::nullopt};
}

namespace {

// |value| * 10^10 rounded to the nearest integer (ties to even), computed
// exactly from the float's bits; only for |value| < 2^24, where the product
// fits in 64 bits.
bool ScaledByTenToTheTen(float value, std::uint64_t& out)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const std::uint32_t exponent = (bits >> 23) & 0xFF;
    const std::uint64_t mantissa = exponent == 0 ? (bits & 0x7FFFFF) : ((bits & 0x7FFFFF) | 0x800000);
    const int shift = exponent == 0 ? 149 : 150 - static_cast<int>(exponent); // value = mantissa / 2^shift
    if (exponent == 0xFF || shift < 0)
        return false;
    const std::uint64_t product = mantissa * 10'000'000'000ULL; // below 2^58
    if (shift >= 60) {
        out = 0; // below a twentieth of the last decimal
        return true;
    }
    std::uint64_t quotient = product >> shift;
    if (shift > 0) {
        const std::uint64_t rest = product & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (quotient & 1) != 0))
            ++quotient;
    }
    out = quotient;
    return true;
}

} // namespace

void AppendFixed10(std::string& out, float value)
{
    // Zero of either sign prints without a minus sign.
    if (value == 0.0f) {
        out.append("0.0000000000");
        return;
    }
    std::uint64_t scaled = 0;
    if (ScaledByTenToTheTen(value, scaled)) {
        // Coordinates take this exact integer path; to_chars gives the same
        // digits but is several times slower.
        char text[32];
        char* end = std::end(text);
        char* p = end;
        for (int digit = 0; digit < 10; ++digit) {
            *--p = static_cast<char>('0' + scaled % 10);
            scaled /= 10;
        }
        *--p = '.';
        do {
            *--p = static_cast<char>('0' + scaled % 10);
            scaled /= 10;
        } while (scaled != 0);
        if (std::signbit(value))
            *--p = '-';
        out.append(p, end);
        return;
    }
    char text[128];
    const auto result =
        std::to_chars(std::begin(text), std::end(text), static_cast<double>(value), std::chars_format::fixed, 10);
    out.append(text, result.ptr);
}

void AppendInteger(std::string& out, std::int64_t value)
{
    char text[24];
    const auto result = std::to_chars(std::begin(text), std::end(text), value);
    out.append(text, result.ptr);
}

bool HasExtension(std::string_view path, std::string_view extension)
{
    if (path.size() < extension.size())
        return false;
    const std::string_view tail = path.substr(path.size() - extension.size());
    return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
    });
}

Name64 TerminatedName(std::string_view text)
{
    std::string withNul(text);
    withNul.push_back('\0');
    return MakeName(withNul);
}

ExchangeStatus LocatePart(const CarModel& model, int part, PartSpan& out)
{
    if (part < 0 || part >= UsablePartCount(model.Header))
        return OutOfRange("the model has no part " + std::to_string(std::int64_t{part} + 1) + "; it has " +
                          std::to_string(UsablePartCount(model.Header)));
    const std::optional<PartSpan> span = PartSpanOf(model, part);
    if (!span)
        return OutOfRange("part " + std::to_string(part + 1) + " reaches outside the vertex or triangle table");
    out = *span;
    return std::nullopt;
}

const Name64& PartName(const CarModel& model, int part)
{
    static const Name64 blank = MakeName("");
    const auto p = static_cast<std::size_t>(part);
    return part >= 0 && p < model.Header.PartNames.size() ? model.Header.PartNames[p] : blank;
}

ExchangeFailure AtLine(ExchangeFailure failure, std::size_t line)
{
    failure.detail = "line " + std::to_string(line) + ": " + failure.detail;
    return failure;
}

ExchangeStatus CheckCorners(std::span<const Triangle> triangles, std::int64_t vertices, std::string_view owner)
{
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        for (std::int32_t corner : {triangles[t].I1, triangles[t].I2, triangles[t].I3}) {
            if (corner < 0 || corner >= vertices)
                return OutOfRange(std::string(owner) + ": triangle " + std::to_string(t + 1) + " has corner " +
                                  std::to_string(corner) + " outside its " + std::to_string(vertices) + " vertices");
        }
    }
    return std::nullopt;
}

ExchangeStatus CheckRoomForPart(const CarModel& model, std::int64_t vertices, std::int64_t triangles)
{
    const ModelHeader& h = model.Header;
    if (h.NumParts < 0 || h.NumParts >= kPartSlots)
        return Overflow("the model already has " + std::to_string(h.NumParts) + " parts; its tables hold " +
                        std::to_string(kPartSlots));
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    if (std::int64_t{std::max(0, h.NumVertices)} + vertices > kMax ||
        std::int64_t{std::max(0, h.NumTriangles)} + triangles > kMax)
        return Overflow("the model would have more vertices or triangles than its counts can hold");
    return std::nullopt;
}

namespace {

template <class T>
void Reserve(T& table, std::size_t size)
{
    table.reserve(std::max(size, table.size()));
}

// Sets the table to `keep` entries, then appends `added` (or zero entries).
template <class Table, class T>
void KeepThenAppend(Table& table, std::size_t keep, std::span<const T> added)
{
    table.resize(keep);
    table.insert(table.end(), added.begin(), added.end());
}

template <class Table>
void KeepThenGrow(Table& table, std::size_t keep, std::size_t total)
{
    table.resize(keep);
    table.resize(total, typename Table::value_type{});
}

} // namespace

void ReserveForParts(CarModel& model, std::size_t vertices, std::size_t triangles, std::size_t parts)
{
    const std::size_t newVertices = static_cast<std::size_t>(std::max(0, model.Header.NumVertices)) + vertices;
    const std::size_t newTriangles = static_cast<std::size_t>(std::max(0, model.Header.NumTriangles)) + triangles;
    Reserve(model.Vertices, newVertices);
    Reserve(model.Normals, newVertices);
    Reserve(model.Reserved1, newVertices);
    Reserve(model.Reserved2, newVertices);
    Reserve(model.Reserved3, newVertices);
    Reserve(model.VertSelected, newVertices);
    Reserve(model.Triangles, newTriangles);
    Reserve(model.TriState, newTriangles);
    if (HoldsFce4mTables(model))
        Reserve(model.VertReservedC, newVertices);
    if (HoldsNfs4Tables(model)) {
        for (VertexSet set : {VertexSet::Normal, VertexSet::Undamaged2, VertexSet::Damaged}) {
            Reserve(SetVertices(model, set), newVertices);
            Reserve(SetNormals(model, set), newVertices);
        }
        Reserve(model.VertReservedA, newVertices);
        Reserve(model.VertReservedB, newVertices);
        Reserve(model.VertFlags, newVertices);
        Reserve(model.TriReserved, newTriangles);
    }
    Reserve(model.Header.PartNames, static_cast<std::size_t>(std::max(0, model.Header.NumParts)) + parts);
}

void AppendPart(CarModel& model, const Name64& name, PartTables&& tables, ReservedOnAppend reserved,
                SelectionOnAppend selection)
{
    ModelHeader& h = model.Header;
    const auto oldVertices = static_cast<std::size_t>(std::max(0, h.NumVertices));
    const auto oldTriangles = static_cast<std::size_t>(std::max(0, h.NumTriangles));
    const std::size_t vertices = tables.vertices.size();
    const std::size_t triangles = tables.triangles.size();
    const std::size_t newVertices = oldVertices + vertices;
    const std::size_t newTriangles = oldTriangles + triangles;
    const bool nfs4 = HoldsNfs4Tables(model);
    tables.normals.resize(vertices);

    // Claim every byte first: after this nothing below allocates.
    ReserveForParts(model, vertices, triangles, 1);
    const auto part = static_cast<std::size_t>(h.NumParts);

    const std::span<const Vec3> addedVertices(tables.vertices);
    const std::span<const Vec3> addedNormals(tables.normals);
    KeepThenAppend(model.Vertices, oldVertices, addedVertices);
    KeepThenAppend(model.Normals, oldVertices, addedNormals);
    if (reserved == ReservedOnAppend::ZeroAll) {
        model.Reserved1.assign(newVertices, Reserved32{});
        model.Reserved2.assign(newVertices, Reserved12{});
        model.Reserved3.assign(newVertices, Reserved12{});
    } else {
        KeepThenGrow(model.Reserved1, oldVertices, newVertices);
        KeepThenGrow(model.Reserved2, oldVertices, newVertices);
        KeepThenGrow(model.Reserved3, oldVertices, newVertices);
    }
    KeepThenAppend(model.Triangles, oldTriangles, std::span<const Triangle>(tables.triangles));
    if (selection == SelectionOnAppend::Clear) {
        model.VertSelected.assign(newVertices, 0);
        model.TriState.assign(newTriangles, TriStateRecord{});
    } else {
        KeepThenGrow(model.VertSelected, oldVertices, newVertices);
        KeepThenGrow(model.TriState, oldTriangles, newTriangles);
    }
    if (nfs4) {
        for (VertexSet set : {VertexSet::Normal, VertexSet::Undamaged2, VertexSet::Damaged}) {
            KeepThenAppend(SetVertices(model, set), oldVertices, addedVertices);
            KeepThenAppend(SetNormals(model, set), oldVertices, addedNormals);
        }
        KeepThenGrow(model.VertReservedA, oldVertices, newVertices);
        KeepThenGrow(model.VertReservedB, oldVertices, newVertices);
        KeepThenGrow(model.VertFlags, oldVertices, newVertices);
        KeepThenGrow(model.TriReserved, oldTriangles, newTriangles);
    }
    if (HoldsFce4mTables(model))
        KeepThenGrow(model.VertReservedC, oldVertices, newVertices);

    if (h.PartNames.size() <= part)
        h.PartNames.resize(part + 1, MakeName(""));
    h.PartNames[part] = name;
    h.PartFirstVertex[part] = static_cast<std::int32_t>(oldVertices);
    h.PartNumVertices[part] = static_cast<std::int32_t>(vertices);
    h.PartFirstTriangle[part] = static_cast<std::int32_t>(oldTriangles);
    h.PartNumTriangles[part] = static_cast<std::int32_t>(triangles);
    h.NumVertices = static_cast<std::int32_t>(newVertices);
    h.NumTriangles = static_cast<std::int32_t>(newTriangles);
    h.NumParts += 1;
}

} // namespace mobrix::exchange
