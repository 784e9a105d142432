// The stationsim program itself: its command line, its link, its dumps on request, and
// its orderly end on SIGTERM.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "sim/sim_client.h"
#include "sim/sim_options.h"
#include "support/temp_folder.h"

namespace {

// Beside the test programs; made absolute before a test changes its working folder.
std::string ProgramPath() {
    const char *dir = std::getenv("CH_RESOURCE_DIR");
    const std::string path = std::string(dir ? dir : ".") + "/stationsim";
    char full[PATH_MAX];
    return realpath(path.c_str(), full) ? std::string(full) : path;
}

bool Exists(const std::string &path) {
    struct stat st{};
    return lstat(path.c_str(), &st) == 0;
}

TEST(SimProgram, ParsesEveryOption) {
    const char *argv[] = {"stationsim", "--link", "run/COM3", "--variant", "1", "--seed", "77",
                          "--start", "2024-03-05T08:07:00Z", "--tz-offset", "-5.5", "--hist-interval", "30",
                          "--prefill", "175", "--radio-interval", "16", "--speed=60", "--pace", "none",
                          "--wind-unit", "kmh", "--bad-echo", "0.1", "--drop", "0.02", "--bad-checksum", "0.05",
                          "--silence", "0.01,2.5", "--missing", "otemp,wind", "--overflow", "itemp",
                          "--marker-prob", "0.2"};
    SimOptions o;
    std::string link, error;
    ASSERT_EQ(ParseSimOptions(sizeof argv / sizeof argv[0], const_cast<char **>(argv), &o, &link, &error), 0) << error;
    EXPECT_EQ(link, "run/COM3");
    EXPECT_EQ(o.variant, 1);
    EXPECT_EQ(o.seed, 77u);
    EXPECT_EQ(o.start_time, 1709626020);
    EXPECT_TRUE(o.tz_given);
    EXPECT_EQ(o.tz_offset_s, -19800);
    EXPECT_EQ(o.hist_interval_min, 30);
    EXPECT_EQ(o.prefill, 175);
    EXPECT_EQ(o.radio_interval_s, 16);
    EXPECT_EQ(o.speed, 60.0);
    EXPECT_FALSE(o.pace_real);
    EXPECT_EQ(o.wind_unit, 3);
    EXPECT_EQ(o.bad_echo, 0.1);
    EXPECT_EQ(o.drop, 0.02);
    EXPECT_EQ(o.bad_checksum, 0.05);
    EXPECT_EQ(o.silence_prob, 0.01);
    EXPECT_EQ(o.silence_s, 2.5);
    EXPECT_EQ(o.missing, static_cast<uint32_t>(SIM_SENSOR_OTEMP | SIM_SENSOR_WIND));
    EXPECT_EQ(o.overflow, static_cast<uint32_t>(SIM_SENSOR_ITEMP));
    EXPECT_EQ(o.marker_prob, 0.2);
}

TEST(SimProgram, RefusesBadOptions) {
    const std::vector<std::vector<const char *>> bad = {
        {"--variant", "3"}, {"--radio-interval", "30"}, {"--prefill", "176"}, {"--speed", "0"},
        {"--drop", "1.5"}, {"--silence", "0.1"}, {"--missing", "rain"}, {"--start", "2024-13-01"},
        {"--pace", "fast"}, {"--seed"}, {"--frobnicate", "1"}, {"--hist-interval", "0"}};
    for (const auto &args : bad) {
        std::vector<const char *> argv = {"stationsim"};
        argv.insert(argv.end(), args.begin(), args.end());
        SimOptions o;
        std::string link, error;
        EXPECT_EQ(ParseSimOptions(static_cast<int>(argv.size()), const_cast<char **>(argv.data()), &o, &link, &error), -1)
            << args[0];
        EXPECT_FALSE(error.empty());
    }
    const char *help[] = {"stationsim", "--help"};
    SimOptions o;
    std::string link, error;
    EXPECT_EQ(ParseSimOptions(2, const_cast<char **>(help), &o, &link, &error), 1);
    EXPECT_NE(SimUsage().find("--radio-interval"), std::string::npos);
}

// Started as a user would start it: it links its line, answers, prints its state on
// SIGUSR1, and on SIGTERM ends and removes the link.
TEST(SimProgram, RunsLinksDumpsAndEnds) {
    const std::string program = ProgramPath();
    if (access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "stationsim not built at " << program;
    TempFolder folder;
    const std::string out = folder.file("out.txt");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        execl(program.c_str(), "stationsim", "--link", "COM1", "--pace", "none", "--variant", "1",
              "--radio-interval", "0", static_cast<char *>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 500 && !Exists(folder.file("COM1")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!Exists(folder.file("COM1"))) {
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        FAIL() << "no link; exit status " << status << ", output: " << ReadWholeFile(out);
    }
    SimClient client;
    ASSERT_EQ(OpenSimClient(&client, folder.file("COM1").c_str()), 0);
    int id = 0;
    EXPECT_EQ(SimClientReadID(&client, &id), SIM_CLIENT_OK);
    EXPECT_EQ(id, 1);
    CloseSimClient(&client);
    kill(pid, SIGUSR1);
    std::string text;
    for (int i = 0; i < 250 && text.find("history  none") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        text = ReadWholeFile(out);
    }
    EXPECT_NE(text.find("console  id 1 (mask 7)"), std::string::npos) << text;
    EXPECT_NE(text.find("otemp"), std::string::npos);
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(Exists(folder.file("COM1")));
}

}  // namespace
