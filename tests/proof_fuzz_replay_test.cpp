// Every input the fuzzers kept (tests/data/fuzz/<target>/) goes through its target again:
// the inputs that once reached new code, and any that once broke it, stay tried by every
// test run, with this build's sanitizers. A target that broke a promise aborts the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"
#include "support/temp_folder.h"
#include "support/test_data.h"

namespace {

std::vector<std::string> CorpusOf(const char *target) {
    std::vector<std::string> files;
    const std::filesystem::path folder = TestDataPath(std::string("fuzz/") + target);
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzReplay : public ::testing::TestWithParam<int> {};

TEST_P(FuzzReplay, EveryKeptInputPassesItsTarget) {
    int count = 0;
    const FuzzTarget &target = FuzzTargets(&count)[GetParam()];
    const std::vector<std::string> corpus = CorpusOf(target.name);
    ASSERT_FALSE(corpus.empty()) << "no kept corpus for " << target.name;
    for (const std::string &file : corpus) {
        const std::string bytes = ReadWholeFile(file);
        SCOPED_TRACE(file);
        EXPECT_EQ(target.entry(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::Range(0, 7),
                         [](const ::testing::TestParamInfo<int> &info) {
                             int count = 0;
                             return std::string(FuzzTargets(&count)[info.param].name);
                         });

TEST(FuzzReplay, EveryTargetIsReplayed) {
    int count = 0;
    FuzzTargets(&count);
    EXPECT_EQ(count, 7);
}

}  // namespace
