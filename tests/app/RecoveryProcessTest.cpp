// Mobrix as a child process on the test's display, driven with xdotool as a
// user would drive it, and ended with SIGKILL: the recovery copy written
// before the kill brings the edits back, and Save puts them into the file.

#include "CleanUp.h"
#include "FceFiles.h"
#include "SampleCar.h"
#include "TestFiles.h"
#include "Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr const char* kXdotool = "/usr/bin/xdotool";

bool WaitFor(const std::function<bool()>& done, int seconds = 20)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

// A running Mobrix; killed with SIGKILL at the latest when the test ends.
class Mobrix {
public:
    Mobrix(const std::vector<std::string>& args, const std::vector<std::string>& environment, const std::string& out)
    {
        std::vector<std::string> env = environment;
        for (char** e = environ; *e != nullptr; ++e)
            env.emplace_back(*e); // the first of a name wins
        std::vector<std::string> argv{MOBRIX_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::vector<char*> rawArgs = Raw(argv);
        const std::vector<char*> rawEnv = Raw(env);
        if (posix_spawn(&pid_, MOBRIX_PATH, &actions, nullptr, rawArgs.data(), rawEnv.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    Mobrix(const Mobrix&) = delete;
    Mobrix& operator=(const Mobrix&) = delete;
    ~Mobrix() { Kill(); }

    bool Running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }
    void Kill()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    static std::vector<char*> Raw(std::vector<std::string>& strings)
    {
        std::vector<char*> raw;
        for (std::string& s : strings)
            raw.push_back(s.data());
        raw.push_back(nullptr);
        return raw;
    }
    pid_t pid_ = -1;
};

class RecoveryProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr || ::access(kXdotool, X_OK) != 0)
            GTEST_SKIP() << "needs a display and xdotool";
        mobrix::CarModel sample = mobrix::BuildSampleCar();
        ASSERT_FALSE(mobrix::SaveFCE4(sample, model));
        original = ReadBytes(model);
    }

    Mobrix Start(std::vector<std::string> args, bool stallWrites = false)
    {
        std::vector<std::string> env{"XDG_DATA_HOME=" + dir.File("data"), "MOBRIX_AUTOSAVE_SECONDS=1",
                                     std::string("MOBRIX_STALL_RECOVERY_WRITES=") + (stallWrites ? "1" : "0")};
        return Mobrix(args, env, out);
    }

    // The visible window whose title matches, or empty.
    static std::string Window(const std::string& title)
    {
        std::string id;
        WaitFor([&] {
            const ProcessResult found = RunProcess(kXdotool, {"search", "--onlyvisible", "--name", title});
            id = found.out.substr(0, found.out.find('\n'));
            return !id.empty();
        });
        return id;
    }
    static void Keys(const std::string& title, const std::vector<std::string>& keys)
    {
        const std::string id = Window(title);
        ASSERT_FALSE(id.empty()) << "no window " << title;
        RunProcess(kXdotool, {"windowfocus", "--sync", id});
        for (const std::string& key : keys)
            RunProcess(kXdotool, {"key", "--clearmodifiers", key});
    }
    // "Tools" > "Reverse Winding Order", the menu's first item.
    static void ReverseWinding(const std::string& title) { Keys(title, {"alt+t", "Return"}); }

    std::string Manifest() const
    {
        std::error_code ec;
        for (const fs::directory_entry& e : fs::directory_iterator(dir.File("data/Mobrix/recovery"), ec))
            if (fs::exists(e.path() / "copy.ini"))
                return (e.path() / "copy.ini").string();
        return {};
    }
    std::string ManifestText() const
    {
        const std::vector<std::uint8_t> bytes = ReadBytes(Manifest());
        return std::string(bytes.begin(), bytes.end());
    }

    // The sample reversed `times` times, as an NFSIV file.
    std::vector<std::uint8_t> Reversed(int times) const
    {
        mobrix::CarModel m;
        EXPECT_FALSE(mobrix::LoadFCE4(m, model));
        for (int i = 0; i < times; ++i)
            mobrix::ReverseWindingOrder(m);
        return mobrix::EncodeFCE4(m).bytes;
    }

    // A new Mobrix recovers the copy and saves it into the model's file.
    void RecoverAndSave(const std::vector<std::uint8_t>& expected)
    {
        Mobrix again = Start({});
        Keys("^Recovery$", {"Return"});
        Keys("car4.fce", {"ctrl+s"});
        EXPECT_TRUE(WaitFor([&] { return ReadBytes(model) == expected; })) << "the saved file is not the edited model";
        EXPECT_TRUE(WaitFor([&] { return Manifest().empty(); })) << "Save left the recovery copy";
    }

    TempDir dir;
    std::string model = dir.File("car4.fce");
    std::string out = dir.File("out.txt");
    std::vector<std::uint8_t> original;
};

TEST_F(RecoveryProcess, EditsCopiedBeforeAKillAreRecoveredAndSavedIntoTheirFile)
{
    {
        Mobrix first = Start({model});
        ReverseWinding("car4.fce");
        ASSERT_TRUE(WaitFor([&] { return !Manifest().empty(); })) << "no recovery copy was written";
        first.Kill();
    }
    EXPECT_EQ(ReadBytes(model), original) << "the copy went beside the user's file";
    RecoverAndSave(Reversed(1));
}

TEST_F(RecoveryProcess, AKillDuringAWriteLeavesTheCopyBeforeIt)
{
    {
        Mobrix first = Start({model}, true);
        ReverseWinding("car4.fce");
        ASSERT_TRUE(WaitFor([&] { return !Manifest().empty(); }));
        ReverseWinding("car4.fce");
        ASSERT_TRUE(WaitFor([&] {
            const std::vector<std::uint8_t> printed = ReadBytes(out);
            return std::string(printed.begin(), printed.end()).find("recovery write stalled") != std::string::npos;
        })) << "the second write did not start";
        first.Kill();
    }
    EXPECT_NE(ManifestText().find("Generation=1\n"), std::string::npos) << ManifestText();
    RecoverAndSave(Reversed(1));
}

} // namespace
