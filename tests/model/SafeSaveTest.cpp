// Saving replaces the file whole or not at all.

#include "CarModel.h"
#include "FceFiles.h"
#include "FileIO.h"
#include "RandomModel.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
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

// Whether the folder holds anything but `keep`.
bool OnlyFileIs(const std::string& folder, const std::string& keep)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename() != keep)
            return false;
    }
    return true;
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

// A writer that gives up after much of the file went to the disk.
TEST(SafeSave, AWriterRefusingHalfwayKeepsTheOldFile)
{
    TempDir dir;
    const std::string path = dir.File("car.fce");
    const std::vector<std::uint8_t> old(5000, 0xAB);
    WriteBytes(path, old);
    const std::vector<std::uint8_t> written(std::size_t{3} << 20, 0xCD);
    const SaveStatus status = WriteFileAtomicallyFrom(path, [&](ByteSink& sink) -> SaveStatus {
        sink.Write(written);
        return SaveFailure{ErrorCode::InternalError, "refused"};
    });
    ASSERT_TRUE(status);
    EXPECT_EQ(status->detail, "refused");
    EXPECT_EQ(ReadBytes(path), old);
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

    // A relative link to a file not made yet, through a second link: the
    // file is made where the links point, and both links stay.
    std::filesystem::create_directory(dir.File("sub"));
    std::filesystem::create_symlink("sub/new.fce", dir.File("first.fce"));
    std::filesystem::create_symlink("first.fce", dir.File("second.fce"));
    ASSERT_FALSE(SaveFCE3(model, dir.File("second.fce")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("first.fce")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("second.fce")));
    EXPECT_EQ(ReadBytes(dir.File("sub/new.fce")), EncodeFCE3(model).bytes);

    // A hard link is another name of the old file: it keeps the old content.
    std::filesystem::create_hard_link(target, dir.File("hard.fce"));
    const std::vector<std::uint8_t> before = ReadBytes(target);
    CarModel other = RandomModel(6, {.origin = ModelOrigin::Nfs3});
    ASSERT_FALSE(SaveFCE3(other, target));
    EXPECT_EQ(ReadBytes(target), EncodeFCE3(other).bytes);
    EXPECT_EQ(ReadBytes(dir.File("hard.fce")), before);
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

// Also when the tests run as root, who may write into any file.
TEST(SafeSave, AFileProtectedAgainstWritingIsNotReplaced)
{
    TempDir dir;
    const std::string path = dir.File("original.fce");
    const std::vector<std::uint8_t> old(100, 0x5A);
    WriteBytes(path, old);
    ::chmod(path.c_str(), 0444);

    CarModel model = RandomModel(4, {.origin = ModelOrigin::Nfs3});
    const SaveStatus status = SaveFCE3(model, path);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->code, 70); // permission denied
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(SafeSave, SpecialFilesAreNeitherReplacedNorWaitedOn)
{
    TempDir dir;
    std::vector<std::string> specials{dir.File("fifo")};
    ASSERT_EQ(::mkfifo(specials[0].c_str(), 0666), 0);
    // A copy of the null device, where the system lets the tests make one.
    if (::mknod(dir.File("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        specials.push_back(dir.File("null"));

    CarModel model = RandomModel(5, {.origin = ModelOrigin::Nfs3});
    for (const std::string& path : specials) {
        struct stat before {};
        ::stat(path.c_str(), &before);
        const SaveStatus saved = SaveFCE3(model, path);
        ASSERT_TRUE(saved) << path;
        EXPECT_EQ(saved->code, 75) << saved->detail;
        EXPECT_NE(saved->detail.find("not a regular file"), std::string::npos) << saved->detail;
        struct stat after {};
        ::stat(path.c_str(), &after);
        EXPECT_EQ(after.st_mode, before.st_mode) << path;
        EXPECT_EQ(after.st_rdev, before.st_rdev) << path;

        // Nothing writes into the FIFO: a read that opened it would wait.
        std::vector<std::uint8_t> bytes;
        const LoadStatus read = ReadWholeFile(path, bytes);
        ASSERT_TRUE(read) << path;
        EXPECT_NE(read->detail.find("not a regular file"), std::string::npos) << read->detail;
    }
    EXPECT_EQ(FilesIn(dir.path()), specials.size());
}

TEST(SafeSave, AnInterruptedSaveLeavesNoTemporaryFile)
{
    TempDir dir;
    const std::string path = dir.File("big.fce");
    const std::vector<std::uint8_t> bytes(8 << 20, 0x11);
    for (int run = 0; run < 12; ++run) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(ready[0]);
            (void)!::write(ready[1], "x", 1);
            (void)WriteFileAtomically(path, bytes);
            ::_exit(0);
        }
        ::close(ready[1]);
        char byte = 0;
        (void)!::read(ready[0], &byte, 1);
        ::close(ready[0]);
        // From the start of the save on, at different points of it.
        std::this_thread::sleep_for(std::chrono::milliseconds(run * 3));
        ::kill(child, run % 2 == 0 ? SIGTERM : SIGINT);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(OnlyFileIs(dir.path(), "big.fce")) << "run " << run;
        if (std::filesystem::exists(path)) {
            EXPECT_EQ(std::filesystem::file_size(path), bytes.size());
        }
    }
}
