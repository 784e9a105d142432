#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/command_line.h"
#include "platform/engine.h"
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
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("unknown option '--bogus'"), std::string::npos) << said;
    EXPECT_NE(said.find("--data-dir needs a folder"), std::string::npos) << said;
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

TEST(CommandLine, DisplayIsJudgedBySocketsNotByNames) {
    const char *names[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
    std::string saved[3];
    bool had[3];
    for (int i = 0; i < 3; ++i) {
        const char *v = getenv(names[i]);
        had[i] = v != nullptr;
        saved[i] = v ? v : "";
        unsetenv(names[i]);
    }
    EXPECT_EQ(DisplayReachable(), 0);
    setenv("DISPLAY", ":987", 1);  // no X server behind that number
    EXPECT_EQ(DisplayReachable(), 0);
    setenv("DISPLAY", "otherhost:0", 1);  // another machine's display is trusted
    EXPECT_EQ(DisplayReachable(), 1);
    unsetenv("DISPLAY");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EXPECT_EQ(DisplayReachable(), 1);
    for (int i = 0; i < 3; ++i) {
        if (had[i]) setenv(names[i], saved[i].c_str(), 1);
        else unsetenv(names[i]);
    }
}

}  // namespace
