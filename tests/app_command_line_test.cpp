#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/command_line.h"
#include "platform/engine.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

int Parse(std::vector<const char *> args, CommandLine *out) {
    args.insert(args.begin(), "clearhorizon");
    args.push_back(nullptr);
    return ParseCommandLine(static_cast<int>(args.size()) - 1, const_cast<char **>(args.data()), out);
}

TEST(CommandLine, OptionsAndTheirEndings) {
    CommandLine c;
    EXPECT_EQ(Parse({"--headless", "--data-dir", "/x/y"}, &c), 0);
    EXPECT_EQ(c.headless, 1);
    EXPECT_STREQ(c.data_dir, "/x/y");
    EXPECT_EQ(Parse({"--data-dir=/z", "-platform", "xcb", "-reverse"}, &c), 0);
    EXPECT_STREQ(c.data_dir, "/z");
    EXPECT_EQ(c.headless, 0);

    testing::internal::CaptureStdout();
    EXPECT_EQ(Parse({"--version"}, &c), 1);
    EXPECT_EQ(c.exit_code, 0);
    EXPECT_EQ(Parse({"--help"}, &c), 1);
    EXPECT_EQ(c.exit_code, 0);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind("clearhorizon ", 0), 0u) << printed;
    EXPECT_NE(printed.find("--data-dir DIR"), std::string::npos);

    testing::internal::CaptureStderr();
    EXPECT_EQ(Parse({"--bogus"}, &c), 1);
    EXPECT_EQ(c.exit_code, 2);
    EXPECT_EQ(Parse({"--data-dir"}, &c), 1);
    EXPECT_EQ(c.exit_code, 2);
    EXPECT_EQ(Parse({"--port", "/dev/ttyUSB0", "--port-number", "0"}, &c), 1);
    EXPECT_EQ(c.exit_code, 2);
    EXPECT_EQ(Parse({"--port-number", "2"}, &c), 1);
    EXPECT_EQ(c.exit_code, 2);
    EXPECT_EQ(Parse({"--port"}, &c), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("unknown option '--bogus'"), std::string::npos) << said;
    EXPECT_NE(said.find("--data-dir needs a folder"), std::string::npos) << said;
    EXPECT_NE(said.find("--port-number takes 1 to 255, not '0'"), std::string::npos) << said;
    EXPECT_NE(said.find("--port-number goes with --port"), std::string::npos) << said;
    EXPECT_NE(said.find("--port needs a value"), std::string::npos) << said;

    EXPECT_EQ(Parse({"--list-ports", "--port=usb-FTDI_x", "--port-number=7", "-display", ":1"}, &c), 0);
    EXPECT_EQ(c.list_ports, 1);
    EXPECT_STREQ(c.port, "usb-FTDI_x");
    EXPECT_EQ(c.port_number, 7);
    EXPECT_EQ(c.qt_options, 1);
}

TEST(CommandLine, DefaultDataFolderFollowsXdgDataHome) {
    char dir[4096];
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/srv/data");
        ASSERT_EQ(DefaultDataDir(dir, sizeof dir), 0);
        EXPECT_STREQ(dir, "/srv/data/clearhorizon");
    }
    ScopedEnv relative("XDG_DATA_HOME", "relative/data");  // not absolute: ignored
    ScopedEnv home("HOME", "/home/station");
    ASSERT_EQ(DefaultDataDir(dir, sizeof dir), 0);
    EXPECT_STREQ(dir, "/home/station/.local/share/clearhorizon");
    ScopedEnv no_home("HOME", nullptr);
    EXPECT_EQ(DefaultDataDir(dir, sizeof dir), -1);
}

TEST(CommandLine, DataDirIsMadeAndEntered) {
    TempFolder dir;
    const std::string nested = dir.file("a/b/station");
    ASSERT_EQ(EnterDataDir(nested.c_str()), 0);
    char here[PATH_MAX];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    char want[PATH_MAX];
    ASSERT_NE(realpath(nested.c_str(), want), nullptr);
    EXPECT_STREQ(here, want);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    WriteWholeFile(dir.file("plain"), "x");
    testing::internal::CaptureStderr();
    EXPECT_EQ(EnterDataDir(dir.file("plain/sub").c_str()), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot use the data folder"), std::string::npos);
}

TEST(CommandLine, PlatformsAreTriedRealFirstOffscreenLast) {
    EXPECT_EQ(PlatformsToTry(nullptr, nullptr, 0), "offscreen");
    EXPECT_EQ(PlatformsToTry(":0", "", 1), "xcb;offscreen");
    EXPECT_EQ(PlatformsToTry(":0", "wayland-0", 1), "wayland;xcb;offscreen");
    // WAYLAND_DISPLAY alone is no screen without Qt's Wayland plugin.
    EXPECT_EQ(PlatformsToTry(nullptr, "wayland-0", 0), "offscreen");
}

}  // namespace
