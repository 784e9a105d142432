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

#include "records/setup_record.h"
#include "records/setup_sanity.h"
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

std::string SimulatorPath() {
    char dir[4096];
    GetProjectDir(dir, sizeof dir);
    return std::string(dir) + "/stationsim";
}

// Starts a program in the working directory with stderr (and stdout) into a file there.
Program Start(const std::string &path, const std::string &err_name = "stderr.txt",
              std::vector<std::string> args = {}, bool with_stdout = false) {
    Program p;
    p.err_file = err_name;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, err_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (with_stdout) posix_spawn_file_actions_adddup2(&actions, 2, 1);
    std::vector<char *> argv = {const_cast<char *>(path.c_str())};
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
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
        // A file long enough is used as it is; start-up does not rewrite it. The next save
        // (here the communication thread's report of the history file in use) writes the
        // record as corrected: every field in its range.
        const std::string after = ReadWholeFile(dir.file("Setup.cnf"));
        if (after != bytes) {
            ASSERT_EQ(after.size(), sizeof(SetupRecord));
            SetupRecord saved;
            memcpy(&saved, after.data(), sizeof saved);
            EXPECT_EQ(SanitiseSetup(&saved), 0);
            // The choices that were in range survive.
            SetupRecord original;
            memcpy(&original, bytes.data(), sizeof original);
            SanitiseSetup(&original);
            EXPECT_EQ(memcmp(&saved.units, &original.units, sizeof saved.units), 0);
            EXPECT_EQ(saved.com_port, original.com_port);
        }
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

// The value of a key in a section of currdat.lst, "" when it is not there.
std::string ListValue(const std::string &list, const std::string &section, const std::string &key) {
    const size_t at = list.find("[" + section + "]");
    if (at == std::string::npos) return "";
    const size_t line = list.find("\n" + key + " = ", at);
    const size_t next_section = list.find("\n[", at + 1);
    if (line == std::string::npos || (next_section != std::string::npos && line > next_section)) return "";
    const size_t from = line + key.size() + 4;
    return list.substr(from, list.find('\r', from) - from);
}

// The number after a name at the start of a line of the simulator's state dump.
double DumpValue(const std::string &dump, const std::string &name) {
    const size_t at = dump.find("\n" + name + " ");
    if (at == std::string::npos) return -1000.0;
    return std::strtod(dump.c_str() + at + 1 + name.size(), nullptr);
}

TEST_F(ProgramRun, AgainstTheSimulatorTheCurrentDataFileHoldsItsValues) {
    if (access(SimulatorPath().c_str(), X_OK) != 0) GTEST_SKIP() << "stationsim not built";
    TempFolder dir;
    // A short history to download first, so that the readings come soon even on a busy
    // machine.
    Program sim = Start(SimulatorPath(), "sim.txt", {"--link", "COM1", "--prefill", "4"}, true);
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (!std::filesystem::exists(dir.file("COM1")) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(20ms);
    Program program = Start(ProgramPath());
    ASSERT_TRUE(WaitUntilRunning(dir, program));
    // Default settings, saved at the first start.
    EXPECT_EQ(ReadWholeFile(dir.file("Setup.cnf")).size(), sizeof(SetupRecord));
    // The file is refreshed every 15 s while anything is stale; wait for readings.
    std::string list;
    bool read = false;
    const auto later = std::chrono::steady_clock::now() + 200s;
    while (!read && std::chrono::steady_clock::now() < later) {
        list = ReadWholeFile(dir.file("currdat.lst"));
        read = ListValue(list, "indoor_humidity", "percent") != "--" &&
               ListValue(list, "outdoor_temperature", "deg_C") != "--.-" &&
               ListValue(list, "wind_direction", "name") != "---";
        if (!read) std::this_thread::sleep_for(200ms);
    }
    EXPECT_TRUE(read) << list << "\n--- program:\n" << ReadWholeFile(dir.file(program.err_file))
                      << "\n--- simulator:\n" << ReadWholeFile(dir.file("sim.txt"));
    kill(sim.pid, SIGUSR1);  // the simulator prints its state
    std::this_thread::sleep_for(500ms);
    const std::string dump = ReadWholeFile(dir.file("sim.txt"));
    if (program.pid > 0) kill(program.pid, SIGTERM);
    EXPECT_EQ(WaitFor(program), 0);
    if (sim.pid > 0) kill(sim.pid, SIGTERM);
    WaitFor(sim);

    // The weather moves slowly; what was read a little earlier is close to it.
    EXPECT_NEAR(std::strtod(ListValue(list, "indoor_temperature", "deg_C").c_str(), nullptr),
                DumpValue(dump, "itemp"), 0.5) << list << dump;
    EXPECT_NEAR(std::strtod(ListValue(list, "outdoor_temperature", "deg_C").c_str(), nullptr),
                DumpValue(dump, "otemp"), 0.5);
    EXPECT_NEAR(std::strtod(ListValue(list, "indoor_humidity", "percent").c_str(), nullptr),
                DumpValue(dump, "ihum"), 2.0);
    EXPECT_NEAR(std::strtod(ListValue(list, "outdoor_humidity", "percent").c_str(), nullptr),
                DumpValue(dump, "ohum"), 2.0);
    // The direction as read, or one step beside it if the wind turned meanwhile.
    const int direction = static_cast<int>(DumpValue(dump, "winddir"));
    static const char *const names[] = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                        "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
    ASSERT_TRUE(direction >= 0 && direction < 16) << dump;
    const std::string shown = ListValue(list, "wind_direction", "name");
    EXPECT_TRUE(shown == names[direction] || shown == names[(direction + 1) % 16] ||
                shown == names[(direction + 15) % 16])
        << shown << " " << direction;
}

}  // namespace
