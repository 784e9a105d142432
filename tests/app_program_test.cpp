// The program as a process: start-up in a fresh data folder, the single-instance
// check, the orderly quit on SIGTERM and SIGINT, a damaged "Setup.cnf" and a missing
// resource file. The program runs on the offscreen platform.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/setup_record.h"
#include "platform/files.h"
#include "support/temp_folder.h"

extern char **environ;

namespace {

using namespace std::chrono_literals;
// Generous: these bound a hang, they do not measure speed.
constexpr auto kPatience = 60s;

// The program is built beside the test programs.
std::string ProgramPath() {
    char dir[4096];
    GetProjectDir(dir, sizeof dir);
    return std::string(dir) + "/clearhorizon";
}

struct Program {
    pid_t pid = -1;
    std::string err_file;
};

// Starts the program in the working directory with stderr into a file there.
Program Start(const std::string &path, const std::string &err_name = "stderr.txt") {
    Program p;
    p.err_file = err_name;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, err_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char *> argv = {const_cast<char *>(path.c_str()), nullptr};
    const int error = posix_spawn(&p.pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    if (error != 0) {
        ADD_FAILURE() << "cannot start " << path << ": " << strerror(error);
        p.pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return p;
}

// Ends a program that did not end by itself. Only a real child is ever signalled.
void KillProgram(const Program &p) {
    if (p.pid <= 0) return;
    kill(p.pid, SIGKILL);
    waitpid(p.pid, nullptr, 0);
}

// The exit status, or -1000 when it did not end in time (it is then killed).
int WaitFor(const Program &p) {
    if (p.pid <= 0) return -2000;
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        const pid_t r = waitpid(p.pid, &status, WNOHANG);
        if (r == p.pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -100 - WTERMSIG(status);
        std::this_thread::sleep_for(20ms);
    }
    KillProgram(p);
    return -1000;
}

// Waits until the program holds its lock and has written the current-data file, the
// last step of its start-up. A program that never gets there is ended.
bool WaitUntilRunning(const TempFolder &dir, const Program &p) {
    if (p.pid <= 0) return false;
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < until) {
        if (std::filesystem::exists(dir.file("currdat.lst")) &&
            std::filesystem::exists(dir.file("clearhorizon.lock")))
            return true;
        std::this_thread::sleep_for(20ms);
    }
    KillProgram(p);
    return false;
}

class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (access(ProgramPath().c_str(), X_OK) != 0) GTEST_SKIP() << "clearhorizon not built";
    }
};

TEST_F(ProgramRun, FirstStartWritesDefaultsRefusesASecondCopyAndQuitsOnSignals) {
    TempFolder dir;
    Program first = Start(ProgramPath());
    ASSERT_GT(first.pid, 0);
    ASSERT_TRUE(WaitUntilRunning(dir, first));
    const std::string bytes = ReadWholeFile(dir.file("Setup.cnf"));
    SetupRecord defaults;
    memset(&defaults, 0, sizeof defaults);
    SetSetupToDefault(&defaults);
    // The program's own folder is the build's bin folder, as is this test's.
    snprintf(defaults.history_file, sizeof defaults.history_file, "%s/history.dat",
             std::filesystem::path(ProgramPath()).parent_path().c_str());
    ASSERT_EQ(bytes.size(), sizeof defaults);
    EXPECT_EQ(memcmp(bytes.data(), &defaults, sizeof defaults), 0);

    Program second = Start(ProgramPath(), "second.txt");
    EXPECT_EQ(WaitFor(second), 255);  // -1, and nothing shown
    EXPECT_EQ(ReadWholeFile(dir.file("second.txt")).find("Error"), std::string::npos);

    if (first.pid > 0) kill(first.pid, SIGTERM);
    EXPECT_EQ(WaitFor(first), 0);

    std::filesystem::remove(dir.file("currdat.lst"));
    Program again = Start(ProgramPath());
    ASSERT_TRUE(WaitUntilRunning(dir, again));
    if (again.pid > 0) kill(again.pid, SIGINT);
    EXPECT_EQ(WaitFor(again), 0);
}

TEST_F(ProgramRun, RandomSettingsBytesStillStartSanely) {
    std::mt19937 rng(2026);
    for (int round = 0; round < 3; ++round) {
        TempFolder dir;
        std::string bytes(sizeof(SetupRecord) + round * 7, '\0');
        for (char &c : bytes) c = static_cast<char>(rng());
        // A port that cannot exist here: with a console attached the program would save
        // the record as soon as the communication thread reports its history file.
        const int32_t no_such_port = 99;
        memcpy(bytes.data() + offsetof(SetupRecord, com_port), &no_such_port, sizeof no_such_port);
        WriteWholeFile(dir.file("Setup.cnf"), bytes);
        Program p = Start(ProgramPath());
        ASSERT_TRUE(WaitUntilRunning(dir, p));
        if (p.pid > 0) kill(p.pid, SIGTERM);
        EXPECT_EQ(WaitFor(p), 0) << ReadWholeFile(dir.file(p.err_file));
        // A file long enough is used as it is and not rewritten.
        EXPECT_EQ(ReadWholeFile(dir.file("Setup.cnf")), bytes);
    }
}

TEST_F(ProgramRun, MissingResourceFileEndsWithTheFixedMessage) {
    TempFolder dir;
    // A copy of the program in a folder without KOR.uir.
    std::filesystem::copy_file(ProgramPath(), dir.file("clearhorizon"));
    std::filesystem::permissions(dir.file("clearhorizon"), std::filesystem::perms::owner_all);
    const std::string previous = getenv("CH_RESOURCE_DIR") != nullptr ? getenv("CH_RESOURCE_DIR") : "";
    unsetenv("CH_RESOURCE_DIR");
    Program p = Start(dir.file("clearhorizon"));
    const int status = WaitFor(p);
    if (!previous.empty()) setenv("CH_RESOURCE_DIR", previous.c_str(), 1);
    EXPECT_EQ(status, 255);
    const std::string err = ReadWholeFile(dir.file(p.err_file));
    EXPECT_NE(err.find("Error!"), std::string::npos) << err;
    EXPECT_NE(err.find("file --.xw not found"), std::string::npos) << err;
}

}  // namespace
