#pragma once
// Whole-file reads and safe whole-file writes.

#include "FileErrors.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

inline constexpr std::int64_t kNoSizeLimit = std::numeric_limits<std::int64_t>::max();
// Exchange files (3DS, X, part files) above this size are refused as absurd
// before anything is allocated for them.
inline constexpr std::int64_t kMaxModelFileSize = std::int64_t{64} << 20;

// Reads a whole regular file into `out`. Failures are LoadError::Other with
// the error number, except a file above `sizeLimit`, which is an absurd
// size (LoadError::IndexOutOfRange). FCE files have no size limit: their
// readers refuse them by their counts, each of which must fit in the file.
// A FIFO, device or socket is refused without waiting on it.
LoadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out,
                         std::int64_t sizeLimit = kNoSizeLimit);

// Reads up to `count` bytes from the start of a file (fewer if it is
// shorter). Returns an empty vector when the file cannot be read.
std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t count);

// Writes `bytes` to `path` through a temporary file in the same folder that
// is flushed to disk and then renamed over the target, so the existing file
// is either fully replaced or left exactly as it was. A symbolic link is
// followed and its target replaced; an existing file keeps its permissions.
// Special files and files without a write permission bit are refused; see
// SafeFileOps.h for the whole list.
SaveStatus WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// The same with the content in pieces, written one after the other.
SaveStatus WriteFileAtomically(const std::string& path, std::span<const std::span<const std::uint8_t>> pieces);

// Where a writer's bytes go, in file order.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends the bytes; after a failed write the rest are dropped, and the
    // one who owns the sink reports the failure.
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    // The number of bytes the writer is about to write, told first.
    virtual void Expect(std::int64_t /*bytes*/) {}
};

// Collects the bytes in memory.
class MemorySink : public ByteSink {
public:
    explicit MemorySink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    void Write(std::span<const std::uint8_t> bytes) override { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    void Expect(std::int64_t bytes) override { bytes_.reserve(bytes_.size() + static_cast<std::size_t>(bytes)); }

private:
    std::vector<std::uint8_t>& bytes_;
};

// Replaces the file at `path` as WriteFileAtomically does with the bytes
// `produce` writes into the sink it gets, which go to the temporary file as
// they come, so that the whole file is never held in memory. A failure
// `produce` returns (or a failed write) leaves the existing file as it was.
SaveStatus WriteFileAtomicallyFrom(const std::string& path, const std::function<SaveStatus(ByteSink&)>& produce);

// The bytes of a file being read, which the readers take in blocks: from
// memory, or from the disk block by block, straight into the tables, so
// that a large file is never held whole in memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::int64_t Size() const = 0;
    // Fills `out` with the bytes at `pos`. When they are not all there (a
    // file that shrank while it was read) `out` is zeroed and the source
    // has failed from then on.
    bool Read(std::int64_t pos, std::span<std::uint8_t> out);
    bool failed() const { return failed_; }

protected:
    virtual bool ReadAt(std::int64_t pos, std::span<std::uint8_t> out) = 0;

private:
    bool failed_ = false;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }

protected:
    bool ReadAt(std::int64_t pos, std::span<std::uint8_t> out) override;

private:
    std::span<const std::uint8_t> bytes_;
};

// A regular file opened for reading; its size is the size at opening.
class FileSource : public ByteSource {
public:
    FileSource() = default;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    ~FileSource() override;
    // The failures ReadWholeFile gives for a file it cannot read.
    LoadStatus Open(const std::string& path);
    std::int64_t Size() const override { return size_; }

protected:
    bool ReadAt(std::int64_t pos, std::span<std::uint8_t> out) override;

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
};

// The same without waiting for the disk, for files made again at will
// (pictures, thumbnails): the old file is still replaced whole or kept, but
// a crash of the system soon after may leave the new one empty.
SaveStatus WriteFileAtomicallyUnflushed(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace mobrix
