#pragma once
// The temp folder of one running Trimlet. Its part files are the only copy
// of the user's unsaved flags, normals and fusions, so two Trimlets must
// never share one: each holds a lock on its folder while it runs, and a
// second Trimlet works in a folder of its own (temp2, temp3, ...). The
// system drops the lock when a Trimlet ends, however it ends.

#include "FileFailure.h"

#include <filesystem>
#include <string>
#include <variant>

namespace trimlet {

// The most Trimlets that can run side by side from one program folder.
inline constexpr int kMaxTempFolders = 64;

// The name of the n-th temp folder, n counted from 1: "temp", "temp2", ...
std::string TempFolderName(int n);

class TempFolderLock {
public:
    // Takes the first temp folder of `appFolder` that no running Trimlet
    // holds, creating it when missing. Fails when none of them can be held.
    static std::variant<TempFolderLock, FileFailure> Acquire(const std::filesystem::path& appFolder);

    TempFolderLock(TempFolderLock&& other) noexcept;
    TempFolderLock& operator=(TempFolderLock&&) = delete;
    TempFolderLock(const TempFolderLock&) = delete;
    TempFolderLock& operator=(const TempFolderLock&) = delete;
    // Closing the lock file lets the lock go.
    ~TempFolderLock();

    const std::filesystem::path& Folder() const { return folder_; }

private:
    TempFolderLock(std::filesystem::path folder, int fd);

    std::filesystem::path folder_;
    int fd_ = -1; // the locked file in the folder
};

} // namespace trimlet
