// Saving replaces the file whole or not at all.

#include "CarModel.h"
#include "FceFiles.h"
#include "FileIO.h"
#include "RandomModel.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mobrix;
using namespace testing_support;

namespace {

// Limits the size of files this process may write, so that a write fails
// halfway as on a full disk, and restores the limit afterwards.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

std::size_t FilesIn(const std::string& folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

// Runs `save` as an ordinary user and returns the error code it reported
// (0 for success). Root may write into any file, so when the tests run as
// root the save runs in a child that has given its rights up.
int ErrorCodeAsOrdinaryUser(const std::function<SaveStatus()>& save)
{
    auto code = [&] {
        const SaveStatus status = save();
        return status ? status->code : 0;
    };
    if (::geteuid() != 0)
        return code();
    const pid_t child = ::fork();
    if (child == 0) {
        const uid_t nobody = 65534;
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(255);
        ::_exit(code());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(SafeSave, AFailureHalfwayKeepsTheOldFileAndLeavesNoTemporary)
{
    TempDir dir;
    const std::string path = dir.File("car.fce");
    const std::vector<std::uint8_t> old(5000, 0xAB);
    WriteBytes(path, old);

    CarModel model = RandomModel(1, {.vertices = 500, .triangles = 800});
    SaveStatus status;
    {
        FileSizeLimit limit(20000);
        status = SaveFCE4(model, path);
    }
    ASSERT_TRUE(status);
    EXPECT_EQ(status->code, 61) << status->detail; // disk full
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(FilesIn(dir.path()), 1u);

    ASSERT_FALSE(SaveFCE4(model, path));
    EXPECT_EQ(ReadBytes(path), EncodeFCE4(model).bytes);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(SafeSave, KeepsPermissionsAndFollowsLinks)
{
    TempDir dir;
    const std::string target = dir.File("real.fce");
    const std::string link = dir.File("link.fce");
    WriteBytes(target, {1});
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, link);

    CarModel model = RandomModel(2, {.origin = ModelOrigin::Nfs3});
    ASSERT_FALSE(SaveFCE3(model, link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), EncodeFCE3(model).bytes);
    struct stat st {};
    ::stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(SafeSave, UnwritablePlacesReportTheirError)
{
    TempDir dir;
    CarModel model = RandomModel(3, {.origin = ModelOrigin::Nfs3});
    const SaveStatus noFolder = SaveFCE3(model, dir.File("missing/car.fce"));
    ASSERT_TRUE(noFolder);
    EXPECT_EQ(noFolder->code, 76);
    const SaveStatus folder = SaveFCE3(model, dir.path());
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->code, 75);
    const SaveStatus empty = SaveFCE3(model, "");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->code, 52);
}

TEST(SafeSave, AFileProtectedAgainstWritingIsNotReplaced)
{
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777); // the folder itself allows replacing
    const std::string path = dir.File("original.fce");
    const std::vector<std::uint8_t> old(100, 0x5A);
    WriteBytes(path, old);
    ::chmod(path.c_str(), 0444);

    CarModel model = RandomModel(4, {.origin = ModelOrigin::Nfs3});
    EXPECT_EQ(ErrorCodeAsOrdinaryUser([&] { return SaveFCE3(model, path); }), 70); // permission denied
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}
