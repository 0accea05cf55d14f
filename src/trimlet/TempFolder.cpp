#include "TempFolder.h"

#include "Config.h"
#include "ErrorNumbers.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace trimlet {

namespace {

constexpr const char* kLockFileName = "trimlet.lock";

} // namespace

std::string TempFolderName(int n)
{
    std::string name(kTempFolderName);
    return n <= 1 ? name : name + std::to_string(n);
}

TempFolderLock::TempFolderLock(std::filesystem::path folder, int fd) : folder_(std::move(folder)), fd_(fd) {}

TempFolderLock::TempFolderLock(TempFolderLock&& other) noexcept
    : folder_(std::move(other.folder_)), fd_(std::exchange(other.fd_, -1))
{
}

TempFolderLock::~TempFolderLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::variant<TempFolderLock, FileFailure> TempFolderLock::Acquire(const std::filesystem::path& appFolder)
{
    int lastError = 0;
    for (int n = 1; n <= kMaxTempFolders; ++n) {
        const std::filesystem::path folder = appFolder / TempFolderName(n);
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        const std::filesystem::path lockPath = folder / kLockFileName;
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return TempFolderLock(folder, fd);
        lastError = errno;
        ::close(fd);
    }
    return FileFailure{FileFailure::Kind::WriteFailed, errors::kPathFileAccess,
                       "No temp folder is free in " + appFolder.string() + " (" + std::to_string(kMaxTempFolders) +
                           " Trimlets running?): " + std::strerror(lastError)};
}

} // namespace trimlet
