#include "FileIO.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace mobrix {

namespace {

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
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

LoadFailure ReadFailure(int err, const std::string& path)
{
    const int code = ErrorCodeFromErrno(err);
    return {LoadError::Other, code, ErrorCodeDescription(code) + " (" + path + ": " + std::strerror(err) + ")"};
}

// Reads exactly out.size() bytes unless the file ends first; returns the
// number of bytes read, or -1 with errno set.
ssize_t ReadFully(int fd, std::span<std::uint8_t> out)
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

bool WriteFully(int fd, std::span<const std::uint8_t> in)
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

SaveFailure WriteFailure(int err, const std::string& path)
{
    // A file being created is only "not found" when its folder is missing.
    const int code = err == ENOENT ? ErrorCode::PathNotFound : ErrorCodeFromErrno(err);
    return {code, ErrorCodeDescription(code) + " (" + path + ": " + std::strerror(err) + ")"};
}

// The file a save really replaces: the target of a symbolic link.
std::string ResolveTarget(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto target = std::filesystem::canonical(path, ec);
        if (!ec)
            return target.string();
    }
    return path;
}

mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

LoadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return ReadFailure(errno, path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return ReadFailure(errno, path);
    if (!S_ISREG(st.st_mode))
        return ReadFailure(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, path);

    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        return LoadFailure{LoadError::IndexOutOfRange, ErrorCode::OutOfMemory, "out of memory"};
    }
    const ssize_t n = ReadFully(fd.get(), bytes);
    if (n < 0)
        return ReadFailure(errno, path);
    bytes.resize(static_cast<std::size_t>(n)); // the file may have shrunk meanwhile
    out = std::move(bytes);
    return std::nullopt;
}

std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t count)
{
    std::vector<std::uint8_t> head(count);
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return {};
    const ssize_t n = ReadFully(fd.get(), head);
    head.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return head;
}

SaveStatus WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    if (path.empty())
        return SaveFailure{ErrorCode::BadFileName, "no file name"};
    const std::string target = ResolveTarget(path);

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return WriteFailure(EISDIR, path);
    // Replacing needs only a writable folder; a file the user protected
    // against writing must refuse the save as writing into it would.
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return WriteFailure(errno, path);

    std::string temp = target + ".saving-XXXXXX";
    FileDescriptor fd(::mkstemp(temp.data()));
    if (!fd.valid())
        return WriteFailure(errno, path);

    auto fail = [&](int err) {
        fd.Close();
        ::unlink(temp.c_str());
        return WriteFailure(err, path);
    };

    // mkstemp creates the file private; give it the permissions the old file
    // had, or those a newly created file would get.
    const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(fd.get(), mode) != 0)
        return fail(errno);
    if (!WriteFully(fd.get(), bytes))
        return fail(errno);
    if (::fdatasync(fd.get()) != 0)
        return fail(errno);
    if (const int err = fd.Close(); err != 0)
        return fail(err);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(errno);
    return std::nullopt;
}

} // namespace mobrix
