#pragma once
// Pieces shared by the readers and writers of the variants: the checks of
// counts and block positions, and the element codecs. Internal to the
// model library.

#include "CarModel.h"
#include "FceFiles.h"
#include "FileErrors.h"
#include "FileIO.h"
#include "LittleEndian.h"

#include <algorithm>
#include <array>
#include <new>
#include <variant>
#include <cstring>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <vector>

namespace mobrix::codec {

inline constexpr int kVec3Size = 12;
inline constexpr int kTriangleSize = 56;

// One data block as the header describes it.
struct Block {
    const char* name;
    std::int64_t offset;  // relative to the end of the header
    std::int64_t count;   // elements
    int elementSize;      // bytes per element
    std::int64_t position(int headerSize) const { return std::int64_t{headerSize} + offset; }
    std::int64_t bytes() const { return count * elementSize; }
};

LoadFailure Absurd(std::string detail);
LoadFailure Corrupted(std::string detail);

// Checks the counts that size tables or index fixed tables: negative vertex
// or triangle counts, more than 64 parts, more than 16 dummies.
LoadStatus CheckHeaderCounts(const ModelHeader& header);

// Checks blocks in reading order against the file. A block too large for the
// whole file is an absurd count; one that starts before the file or past its
// end is a bad record position; one that starts inside but runs over the end
// cannot fit, again an absurd count. Empty blocks are not read and not checked.
LoadStatus CheckBlocks(std::size_t fileSize, int headerSize, std::initializer_list<Block> blocks);

// Header sections laid out the same way in both variants.
void ReadGeometrySection(le::ByteReader& in, ModelHeader& header);  // half sizes .. part tables
// `numParts` is the part count written, which a save may cut below the header's.
void WriteGeometrySection(le::ByteWriter& out, const ModelHeader& header, std::int32_t numParts,
                          const std::array<float, 3>& halfSizes);
void ReadNames(le::ByteReader& in, ModelHeader& header);            // 16 dummy names, 64 part names
void WriteDummyNames(le::ByteWriter& out, const ModelHeader& header);
void WritePartNames(le::ByteWriter& out, const ModelHeader& header, int slots);

// Element tables in a buffer holding a whole file (part files). Readers are
// called only for blocks CheckBlocks accepted. `count` Vec3 entries from
// file position `pos`; zeros (and the reader marked failed) when they are
// not all inside the file.
std::vector<Vec3> ReadVec3s(le::ByteReader& in, std::int64_t pos, std::int64_t count);
// Writes `count` entries; entries missing from a short table are zero.
void WriteVec3s(le::ByteWriter& out, std::span<const Vec3> table, std::int64_t count);

// The 56-byte triangle record. NFSIV files store 1 - V.
enum class VStorage { AsIs, Flipped };
Triangle DecodeTriangle(const std::uint8_t* record, VStorage v);
void EncodeTriangle(std::uint8_t* record, const Triangle& t, VStorage v);
std::vector<Triangle> ReadTriangles(le::ByteReader& in, std::int64_t pos, std::int64_t count, VStorage v);
void WriteTriangles(le::ByteWriter& out, std::span<const Triangle> table, std::int64_t count, VStorage v);

// A table's storage as the bytes it is made of, for tables whose bytes are
// the file's (Vec3 on a little-endian host, the opaque blocks).
template <class T>
std::span<std::uint8_t> StorageBytes(std::vector<T>& table)
{
    static_assert(std::is_trivially_copyable_v<T>);
    return {reinterpret_cast<std::uint8_t*>(table.data()), table.size() * sizeof(T)};
}
template <class T>
std::span<const std::uint8_t> StorageBytes(std::span<const T> table)
{
    static_assert(std::is_trivially_copyable_v<T>);
    return {reinterpret_cast<const std::uint8_t*>(table.data()), table.size() * sizeof(T)};
}

// The same tables read from a source, block by block: the bytes go straight
// into the table where they are its storage. A block the source cannot give
// whole leaves zeros and the source failed.
std::vector<Vec3> ReadVec3s(ByteSource& in, const Block& block, int headerSize);
std::vector<Triangle> ReadTriangles(ByteSource& in, const Block& block, int headerSize, VStorage v);
template <std::size_t K>
std::vector<std::array<std::uint8_t, K>> ReadOpaque(ByteSource& in, const Block& block, int headerSize)
{
    std::vector<std::array<std::uint8_t, K>> table(static_cast<std::size_t>(block.count));
    if (block.count > 0) // empty blocks are not read, wherever they claim to be
        in.Read(block.position(headerSize), StorageBytes(table));
    return table;
}

// Writes a file's blocks one after another into a sink and counts the
// bytes. Tables whose bytes are the file's go to the sink straight from the
// model; the others are encoded a slice at a time, so that no copy of the
// whole file is ever made. Entries missing from a short table are zero.
class BlockWriter {
public:
    explicit BlockWriter(ByteSink& sink) : sink_(sink) {}

    void Bytes(std::span<const std::uint8_t> bytes);
    void Zeros(std::int64_t count);
    void Vec3s(std::span<const Vec3> table, std::int64_t count);
    void Triangles(const RowTable<Triangle>& table, std::int64_t count, VStorage v);
    template <std::size_t K>
    void Opaque(std::span<const std::array<std::uint8_t, K>> table, std::int64_t count)
    {
        Opaque(std::array{table, std::span<const std::array<std::uint8_t, K>>()}, count);
    }
    // A table whose rows lie in two pieces, as a row table's around its gap.
    template <std::size_t K>
    void Opaque(std::array<std::span<const std::array<std::uint8_t, K>>, 2> pieces, std::int64_t count)
    {
        const std::size_t present = Present(pieces[0].size() + pieces[1].size(), count);
        std::size_t left = present;
        for (const auto& piece : pieces) {
            const std::size_t rows = std::min(left, piece.size());
            Bytes(StorageBytes(piece.first(rows)));
            left -= rows;
        }
        Zeros((count - static_cast<std::int64_t>(present)) * static_cast<std::int64_t>(K));
    }
    // `count` records of `size` bytes, each made by encode(record, index).
    template <class Encode>
    void Records(std::int64_t count, int size, Encode encode)
    {
        const std::int64_t perSlice = std::max<std::int64_t>(1, kSliceBytes / size);
        for (std::int64_t first = 0; first < count; first += perSlice) {
            const std::int64_t n = std::min(perSlice, count - first);
            slice_.resize(static_cast<std::size_t>(n * size));
            for (std::int64_t i = 0; i < n; ++i)
                encode(slice_.data() + i * size, first + i);
            Bytes(slice_);
        }
    }

    std::int64_t Written() const { return written_; }
    // How many of `count` entries a table of `size` entries holds.
    static std::size_t Present(std::size_t size, std::int64_t count)
    {
        return static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(size)));
    }

private:
    static constexpr std::int64_t kSliceBytes = std::int64_t{256} << 10;

    ByteSink& sink_;
    std::int64_t written_ = 0;
    std::vector<std::uint8_t> slice_;
};

// The value an NFSIV file stores for V: the value read from the file while
// the model's V is still the one that came from it, 1 - V otherwise.
float StoredV(float v, float storedBefore);

// Half of the model's extent per axis: the largest absolute coordinate of
// any vertex of the first `parts` parts, vertex plus part position, starting
// from 0.
std::array<float, 3> HalfSizes(const CarModel& model, std::span<const Vec3> vertices, int parts);

// The first `count` entries of a table (all of it when it is shorter): what
// a copy of the table resized to `count` would hand to the writers.
template <class T>
std::span<const T> FirstEntries(const std::vector<T>& table, std::int64_t count)
{
    return std::span<const T>(table).first(static_cast<std::size_t>(
        std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(table.size()))));
}

// True when data blocks of this many bytes in all can be addressed by the
// 32-bit offsets of the header.
bool BlocksFitOffsets(std::int64_t dataBytes);
SaveFailure OffsetOverflow();

// The writer filled exactly `size` bytes and wrote nothing outside them; a
// layout whose blocks do not add up to the file must never reach the disk.
SaveStatus CheckFilled(const le::ByteWriter& out, std::int64_t size);
SaveStatus CheckFilled(const BlockWriter& out, std::int64_t size);

// Makes the part-name table hold at least `slots` names, keeping names.
void EnsurePartNameSlots(ModelHeader& header, int slots);

// Parses a whole file and commits the result to the model only when every
// check passed; running out of memory counts as an absurd size.
template <class Contents, class Parse, class Commit>
LoadStatus ParseThenCommit(ByteSource& file, CarModel& model, Parse parse, Commit commit)
{
    try {
        auto parsed = parse(file);
        if (auto* failure = std::get_if<LoadFailure>(&parsed))
            return *failure;
        commit(std::get<Contents>(std::move(parsed)), model);
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return LoadFailure{LoadError::IndexOutOfRange, ErrorCode::OutOfMemory, "out of memory"};
    }
}

// Opens the file at `path` and hands it to `read`, which takes it block by
// block.
LoadStatus LoadWith(CarModel& model, const std::string& path,
                    const std::function<LoadStatus(ByteSource&, CarModel&)>& read);

// A writer of one variant: the model's file into the sink, or why not.
using Writer = SaveStatus (*)(const CarModel&, ByteSink&);

// Replaces the file at `path` with what `write` writes, as it writes it.
SaveStatus SaveWith(const CarModel& model, const std::string& path, Writer write);

// What `write` writes, in memory.
EncodedFile EncodeWith(const CarModel& model, Writer write);

// Re-creates the three per-vertex reserved blocks zero-filled (models
// converted from 3DS have none of their own).
void BlankReservedBlocks(CarModel& model);

// The writers of the variants, into a sink.
SaveStatus WriteFCE3(const CarModel& model, ByteSink& sink);
SaveStatus WriteFCE4(const CarModel& model, ByteSink& sink);
SaveStatus WriteFCE4M(const CarModel& model, ByteSink& sink);

// What a save of each variant changes in the model (see PrepareForSave);
// NFSIV and FCE4M share theirs.
void PrepareNfs3Save(CarModel& model);
void PrepareNfs4Save(CarModel& model, FceVariant variant);

// Whether a file of `fileSize` bytes starting with `head` meets the NFSIII
// reader's size rules: the header fits, its counts are sound, and every
// block lies inside the file.
bool Nfs3SizeRulesHold(std::span<const std::uint8_t> head, std::uint64_t fileSize);

} // namespace mobrix::codec
