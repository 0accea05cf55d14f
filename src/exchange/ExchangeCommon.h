#pragma once
// Pieces shared by the exchange readers and writers: file access with the
// exchange outcomes, number text, and appending a whole part to the model
// in bulk. Internal to the exchange library.

#include "CarModel.h"
#include "ExchangeErrors.h"
#include "FileIO.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mobrix::exchange {


ExchangeFailure Failed(int code, std::string detail);
ExchangeFailure Truncated(std::string detail);   // data cut short: "Input past end of file"
ExchangeFailure OutOfRange(std::string detail);  // a count or index outside what it addresses
ExchangeFailure Overflow(std::string detail);    // a count too large for the model or the format
ExchangeFailure NoMemory();                      // an allocation failed
// File text for a message: at most 40 characters in quotes, control
// characters (line breaks among them) shown as '?', so the message stays on
// one line.
std::string Quoted(std::string_view text);
ExchangeFailure AtLine(ExchangeFailure failure, std::size_t line); // detail led by "line N: " (1-based)

// Reads a whole file; a missing file is ExchangeError::FileNotFound, one
// above `sizeLimit` bytes an absurd size.
ExchangeStatus ReadInputFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                             std::int64_t sizeLimit = kMaxModelFileSize);

// A whole input file, mapped read-only when it is a regular file, so that a
// large file is read from the page cache without a copy of its own; read
// into memory as ReadInputFile reads it otherwise, with its failures.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    ExchangeStatus Open(const std::string& path, std::int64_t sizeLimit);
    std::span<const std::uint8_t> bytes() const;

private:
    bool Map(const std::string& path, std::int64_t sizeLimit);

    int fd_ = -1;
    void* mapped_ = nullptr;
    std::size_t mappedSize_ = 0;
    std::vector<std::uint8_t> read_;
};

// Replaces a file atomically; an existing file is kept intact on failure.
ExchangeStatus WriteOutputFile(const std::string& path, std::span<const std::uint8_t> bytes);
// The same with the bytes handed to the file as `produce` makes them, so
// that a large text is never held whole.
ExchangeStatus WriteOutputFile(const std::string& path, const std::function<void(ByteSink&)>& produce);

// --- Text ----------------------------------------------------------------

// `text` without leading and trailing blanks and tabs.
std::string_view TrimBlanks(std::string_view text);

// The whole text (blanks around it allowed) as a number; nothing else may
// follow it. A number outside the type's range is an overflow, anything
// else that is not a number a type mismatch.
struct IntParse {
    std::int64_t value = 0;
    ExchangeStatus failure;
};
IntParse ParseInteger(std::string_view text, std::int64_t lowest, std::int64_t highest);

struct FloatParse {
    float value = 0;
    ExchangeStatus failure;
};
FloatParse ParseFloat(std::string_view text);

// The float widened to double with exactly ten decimals ("0.0000000000").
void AppendFixed10(std::string& out, float value);

void AppendInteger(std::string& out, std::int64_t value);

// True when `path` ends with `extension` (".TXT"), in any letter case.
bool HasExtension(std::string_view path, std::string_view extension);

// --- Model ---------------------------------------------------------------

// A name field holding `text` followed by one NUL (cut at 64 characters),
// blank-filled: how the part commands store a name.
Name64 TerminatedName(std::string_view text);

struct PartTables {
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals; // as long as vertices
    std::vector<Triangle> triangles;
};

// The span of `part` (0-based); fails when the model has no such part or
// its ranges leave the vertex, normal or triangle table.
ExchangeStatus LocatePart(const CarModel& model, int part, PartSpan& out);

// The part's name field; a blank field when the name table is too short.
const Name64& PartName(const CarModel& model, int part);

// Every corner of every triangle must name one of `vertices` vertices;
// `owner` ("part 3", "object 'X'") leads the detail of a refusal.
ExchangeStatus CheckCorners(std::span<const Triangle> triangles, std::int64_t vertices, std::string_view owner);

// Refuses a part that would not fit: the part tables already full, or
// totals beyond the 32-bit counts.
ExchangeStatus CheckRoomForPart(const CarModel& model, std::int64_t vertices, std::int64_t triangles);

enum class ReservedOnAppend { Keep, ZeroAll };
enum class SelectionOnAppend { Keep, Clear };

// Claims the memory for appending parts of these sizes in all, so that a
// run of AppendPart calls allocates nothing. Throws std::bad_alloc before
// any change.
void ReserveForParts(CarModel& model, std::size_t vertices, std::size_t triangles, std::size_t parts);

// Appends the tables as the new last part P = NumParts: vertices, normals
// and triangles after the existing ones, every other per-vertex and
// per-triangle table grown with zero entries (the three NFSIV sets receive
// the vertices and normals while the model came from an NFSIV file), the
// part tables and counts updated, PartNames[P] = `name`. PartPos[P] keeps
// what it held. All memory is claimed before the first change, so a failed
// allocation (std::bad_alloc) leaves the model as it was. Call
// CheckRoomForPart first.
void AppendPart(CarModel& model, const Name64& name, PartTables&& tables, ReservedOnAppend reserved,
                SelectionOnAppend selection);

} // namespace mobrix::exchange
