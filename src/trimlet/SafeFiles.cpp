#include "SafeFiles.h"

#include "ErrorNumbers.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trimlet {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and returns the error of close(), 0 when it succeeded.
    int Close()
    {
        if (fd_ < 0)
            return 0;
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int fd_;
};

std::uint32_t NumberFor(int err)
{
    return err == ENOENT ? errors::kFileNotFound : errors::kPathFileAccess;
}

FileFailure ReadFailure(int err, const std::filesystem::path& path)
{
    return {FileFailure::Kind::Unreadable, NumberFor(err),
            "Cannot read " + path.string() + ": " + std::strerror(err)};
}

FileFailure WriteFailure(int err, const std::filesystem::path& path)
{
    return {FileFailure::Kind::WriteFailed, errors::kPathFileAccess,
            "Cannot write " + path.string() + ": " + std::strerror(err)};
}

bool WriteFully(int fd, std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

std::optional<FileFailure> ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out)
{
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return ReadFailure(errno, path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return ReadFailure(errno, path);
    if (!S_ISREG(st.st_mode))
        return ReadFailure(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, path);
    if (st.st_size > kMaxFileSize)
        return FileFailure{FileFailure::Kind::Damaged, errors::kOutOfMemory,
                           path.string() + " is " + std::to_string(st.st_size) + " bytes long, too large for a model"};

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ReadFailure(errno, path);
        }
        if (n == 0)
            break; // the file shrank meanwhile
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    out = std::move(bytes);
    return std::nullopt;
}

std::optional<FileFailure> WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                               Flush flush)
{
    std::error_code ec;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto resolved = std::filesystem::canonical(path, ec);
        if (!ec)
            target = resolved;
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return WriteFailure(EISDIR, path);
    // Replacing needs only a writable folder; a file the user protected
    // against writing must refuse the save as writing into it would.
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return WriteFailure(errno, path);

    std::string temp = target.string() + ".saving-XXXXXX";
    Descriptor fd(::mkstemp(temp.data()));
    if (!fd.valid())
        return WriteFailure(errno, path);
    auto fail = [&](int err) {
        fd.Close();
        ::unlink(temp.c_str());
        return WriteFailure(err, path);
    };
    const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(fd.get(), mode) != 0)
        return fail(errno);
    if (!WriteFully(fd.get(), bytes))
        return fail(errno);
    if (flush == Flush::ToDisk && ::fdatasync(fd.get()) != 0)
        return fail(errno);
    if (const int err = fd.Close(); err != 0)
        return fail(err);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(errno);
    return std::nullopt;
}

} // namespace trimlet
