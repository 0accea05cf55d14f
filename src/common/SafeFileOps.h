#pragma once
// The careful whole-file read and replace that both programs use, as plain
// POSIX calls. Header-only, like LittleEndian.h, so that Trimlet, which links
// nothing of the editor, shares it; each program wraps the outcome in its
// own failure type and messages.
//
// A read never waits: a FIFO, a device or a socket is refused before it is
// opened (and again after, should it have been swapped in meanwhile).
//
// A replace never damages the file it replaces:
// - only regular files are replaced; a FIFO, a device or a socket is refused
//   (renaming over a device as root would swap a system device for a file);
// - a file with no write permission bit is refused, also for root, who could
//   otherwise replace it;
// - a symbolic link is followed, so the file it points to is replaced and
//   the link stays;
// - the new content goes to a nameless temporary file in the same folder
//   where the system offers one, and gets a name only for the final rename;
//   the signals that end a program from the terminal wait until the save is
//   over, so an interrupted save never leaves a temporary file behind;
// - after the rename the folder is flushed too, so the new name survives a
//   power cut.
// A file with several hard links is replaced under the saved name only: the
// other names keep the old content.

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mobrix::fileops {

// Closes a file descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd)
    {
        Close();
        fd_ = fd;
    }
    // Hands the descriptor over; this one no longer closes it.
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Returns the errno of a failed close, 0 on success.
    int Close()
    {
        int err = 0;
        if (fd_ >= 0 && ::close(fd_) != 0)
            err = errno;
        fd_ = -1;
        return err;
    }

private:
    int fd_;
};

// Why a read or a replace did not happen. `err` is the errno value the
// callers map to their error numbers; `notRegular` names the kind of a
// special file ("a FIFO") when that was the reason.
struct Problem {
    int err = 0;
    std::string notRegular;
    std::int64_t tooLarge = -1; // the size of a file above the limit
};

// What a special file is, in words; empty for a regular file.
inline std::string SpecialFileKind(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

inline Problem NotRegular(mode_t mode)
{
    return {S_ISDIR(mode) ? EISDIR : EINVAL, S_ISDIR(mode) ? std::string() : SpecialFileKind(mode), -1};
}

// The sentence for a refused special file, after its path.
inline std::string NotRegularText(const Problem& problem)
{
    return "is " + problem.notRegular + ", not a regular file";
}

// Reads up to out.size() bytes, fewer when the file ends first; returns the
// number read, or -1 with errno set.
inline ssize_t ReadFully(int fd, std::span<std::uint8_t> out)
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

inline bool WriteFully(int fd, std::span<const std::uint8_t> in)
{
    std::size_t done = 0;
    while (done < in.size()) {
        const ssize_t n = ::write(fd, in.data() + done, in.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Opens a regular file for reading without waiting on a special one.
inline std::optional<Problem> OpenRegular(const std::string& path, Descriptor& fd, struct stat& st)
{
    if (::stat(path.c_str(), &st) != 0)
        return Problem{errno, {}, -1};
    if (!S_ISREG(st.st_mode))
        return NotRegular(st.st_mode);
    fd.reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid())
        return Problem{errno, {}, -1};
    if (::fstat(fd.get(), &st) != 0)
        return Problem{errno, {}, -1};
    if (!S_ISREG(st.st_mode))
        return NotRegular(st.st_mode);
    return std::nullopt;
}

// Reads a whole regular file of at most `maxSize` bytes.
inline std::optional<Problem> ReadRegularFile(const std::string& path, std::int64_t maxSize,
                                              std::vector<std::uint8_t>& out)
{
    Descriptor fd;
    struct stat st {};
    if (auto problem = OpenRegular(path, fd, st))
        return problem;
    if (st.st_size > maxSize)
        return Problem{EFBIG, {}, static_cast<std::int64_t>(st.st_size)};
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        return Problem{ENOMEM, {}, -1};
    }
    const ssize_t n = ReadFully(fd.get(), bytes);
    if (n < 0)
        return Problem{errno, {}, -1};
    bytes.resize(static_cast<std::size_t>(n)); // the file may have shrunk meanwhile
    out = std::move(bytes);
    return std::nullopt;
}

// Reads up to `count` bytes from the start of a regular file; empty when it
// cannot be read.
inline std::vector<std::uint8_t> ReadRegularFileHead(const std::string& path, std::size_t count)
{
    Descriptor fd;
    struct stat st {};
    if (OpenRegular(path, fd, st))
        return {};
    std::vector<std::uint8_t> head(count);
    const ssize_t n = ReadFully(fd.get(), head);
    head.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return head;
}

// The file a save replaces: symbolic links followed to the end, also to a
// target that does not exist yet (which the save then creates).
inline std::optional<std::string> FinalTarget(const std::string& path, int& err)
{
    std::filesystem::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current.string();
        std::error_code ec;
        const std::filesystem::path next = std::filesystem::read_symlink(current, ec);
        if (ec) {
            err = ec.value();
            return std::nullopt;
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    err = ELOOP;
    return std::nullopt;
}

// Holds back the signals that end a program from its terminal or from a
// plain kill while it lives; they arrive, and end the program, when it goes.
class SignalsHeldBack {
public:
    SignalsHeldBack()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            sigaddset(&held, s);
        active_ = ::pthread_sigmask(SIG_BLOCK, &held, &previous_) == 0;
    }
    ~SignalsHeldBack()
    {
        if (active_)
            ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SignalsHeldBack(const SignalsHeldBack&) = delete;
    SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;

private:
    sigset_t previous_{};
    bool active_ = false;
};

// The new content on its way: a nameless file where the file system offers
// one, otherwise a named one that is removed again unless it was renamed
// over the target.
class TemporaryFile {
public:
    // Sets `err` when no temporary file could be made.
    TemporaryFile(const std::string& target, int& err)
    {
        const std::filesystem::path folder = std::filesystem::path(target).parent_path();
        const std::string folderName = folder.empty() ? "." : folder.string();
        // The nameless file is named later through /proc.
        if (::access("/proc/self/fd", X_OK) == 0) {
            fd_.reset(::open(folderName.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
            if (fd_.valid())
                return;
        }
        name_ = target + ".saving-XXXXXX";
        fd_.reset(::mkstemp(name_.data()));
        if (!fd_.valid()) {
            err = errno;
            name_.clear();
        }
    }
    ~TemporaryFile()
    {
        fd_.Close();
        if (!name_.empty())
            ::unlink(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_.get(); }

    // Closes the file and puts it in place of `target`; returns 0 or errno.
    int ReplaceTarget(const std::string& target)
    {
        if (name_.empty()) {
            // Give the nameless file a name next to the target, then rename
            // it over the target: only between those two calls does a
            // temporary name exist.
            if (const int err = LinkBeside(target); err != 0)
                return err;
        }
        if (const int err = fd_.Close(); err != 0)
            return err;
        if (::rename(name_.c_str(), target.c_str()) != 0)
            return errno;
        name_.clear();
        return 0;
    }

private:
    int LinkBeside(const std::string& target)
    {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "%06x",
                          (static_cast<unsigned>(::getpid()) * 7919u + attempt * 104729u) & 0xFFFFFFu);
            const std::string named = target + ".saving-" + suffix;
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                name_ = named;
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }

    Descriptor fd_;
    std::string name_; // empty while the file has no name
};

inline mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Flushes the folder's entries, so that a rename into it is on the disk.
inline int FlushFolderOf(const std::string& target)
{
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    Descriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return errno;
    // Some file systems cannot flush a folder; their renames are as safe as
    // they get.
    if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != ENOTSUP)
        return errno;
    return 0;
}

// Whether the save waits until the bytes, and the folder's new entry, are
// on the disk.
enum class Durability { Flushed, Cached };

// Writes the new content into the temporary file's descriptor; returns 0,
// or the errno value that stops the save (ECANCELED for a refusal of the
// writer's own). The existing file is then left as it was.
using ContentWriter = std::function<int(int fd)>;

// Replaces the file at `path` (or creates it) with what `write` writes, as
// described at the top, so that a large file goes to the disk as it is made
// and is never held whole in memory.
inline std::optional<Problem> ReplaceFileWith(const std::string& path, const ContentWriter& write,
                                              Durability durability)
{
    int err = 0;
    const std::optional<std::string> found = FinalTarget(path, err);
    if (!found)
        return Problem{err, {}, -1};
    const std::string& target = *found;

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return NotRegular(existing.st_mode);
    // Replacing needs only a writable folder; a file the user protected
    // against writing refuses the save as writing into it would, whoever
    // saves.
    if (exists && ((existing.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        return Problem{EACCES, {}, -1};

    const SignalsHeldBack held;
    TemporaryFile temp(target, err);
    if (err != 0)
        return Problem{err, {}, -1};
    // A new file gets the permissions the old file had, or those a newly
    // created file would get.
    const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(temp.fd(), mode) != 0)
        return Problem{errno, {}, -1};
    if (const int written = write(temp.fd()); written != 0)
        return Problem{written, {}, -1};
    if (durability == Durability::Flushed && ::fdatasync(temp.fd()) != 0)
        return Problem{errno, {}, -1};
    if (const int replaced = temp.ReplaceTarget(target); replaced != 0)
        return Problem{replaced, {}, -1};
    if (durability == Durability::Flushed) {
        if (const int flushed = FlushFolderOf(target); flushed != 0)
            return Problem{flushed, {}, -1};
    }
    return std::nullopt;
}

// The same with the new content in pieces, written one after another, so
// that a file assembled from parts of others (an archive with one entry
// replaced) is never copied together in memory first.
using Pieces = std::span<const std::span<const std::uint8_t>>;

inline std::optional<Problem> ReplaceFile(const std::string& path, Pieces pieces, Durability durability)
{
    return ReplaceFileWith(
        path,
        [pieces](int fd) {
            for (const std::span<const std::uint8_t> piece : pieces) {
                if (!WriteFully(fd, piece))
                    return errno;
            }
            return 0;
        },
        durability);
}

inline std::optional<Problem> ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                          Durability durability)
{
    const std::span<const std::uint8_t> whole[] = {bytes};
    return ReplaceFile(path, Pieces(whole), durability);
}

} // namespace mobrix::fileops
