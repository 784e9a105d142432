// Files left behind by interrupted appends, damaged files, and appends killed at random
// moments: each must open again with every completed data set once and nothing lost.
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "history/history_file.h"
#include "support/temp_folder.h"

namespace {

HistoryRecord DataSet(uint32_t time) {
    HistoryRecord r{};
    r.time = time;
    r.pressure = 990.0f;
    r.rain = static_cast<float>(time) * 0.5f;
    r.outdoor_humidity = 70;
    return r;
}

std::vector<std::string> DamagedFilesIn(const std::string &folder) {
    std::vector<std::string> found;
    DIR *d = opendir(folder.c_str());
    if (d == nullptr) return found;
    while (const dirent *e = readdir(d))
        if (strstr(e->d_name, ".damaged-") != nullptr) found.push_back(folder + "/" + e->d_name);
    closedir(d);
    return found;
}

// The file is valid, holds `count` data sets stamped first .. first + count - 1 in order,
// and gives that header back.
void ExpectValidFile(const std::string &path, int count, HistoryFileHeader *header = nullptr) {
    const std::string bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 36u * static_cast<unsigned>(count) + 28u);
    HistoryFileHeader h{};
    memcpy(&h, bytes.data() + bytes.size() - 28, sizeof h);
    EXPECT_EQ(h.magic, HISTORY_FILE_MAGIC);
    EXPECT_EQ(h.count, count);
    for (int i = 0; i < count; ++i) {
        HistoryRecord r{};
        memcpy(&r, bytes.data() + 36 * i, sizeof r);
        ASSERT_EQ(r.time, static_cast<uint32_t>(1000 + i)) << "data set " << i;
    }
    if (count > 0) {
        EXPECT_EQ(h.first_time, 1000u);
        EXPECT_EQ(h.last_time, static_cast<uint32_t>(1000 + count - 1));
    }
    if (header != nullptr) *header = h;
}

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("history.dat");
        memset(&rec_, 0, sizeof rec_);
        snprintf(rec_.history_file_name, sizeof rec_.history_file_name, "%s", path_.c_str());
        ASSERT_EQ(InitFileHistoryHeader(&rec_.file_header, path_.c_str()), 1);
    }
    // A valid file of n data sets with a known rain state.
    std::string ValidFile(int n) {
        rec_.file_header.rain_offset = 12.5f;
        rec_.file_header.last_raw_rain = 3.0f;
        for (int i = 0; i < n; ++i) {
            const HistoryRecord r = DataSet(1000 + static_cast<uint32_t>(i));
            EXPECT_EQ(AddHistoryDataSetToFile(&rec_, &r), 0);
        }
        return ReadWholeFile(path_);
    }
    TempFolder dir_;
    std::string path_;
    KORData rec_;
};

TEST_F(Recovery, RecordsWithoutHeaderGetTheirHeaderBackInPlace) {
    const std::string good = ValidFile(3);
    WriteWholeFile(path_, good.substr(0, 36 * 3));
    HistoryFileHeader h{};
    EXPECT_EQ(InitFileHistoryHeader(&h, path_.c_str()), HISTORY_FILE_REPAIRED);
    ExpectValidFile(path_, 3);
    EXPECT_EQ(h.rain_offset, HISTORY_RAIN_OFFSET_UNKNOWN);  // determined afresh
    EXPECT_EQ(h.count, 3);
    EXPECT_TRUE(DamagedFilesIn(dir_.path()).empty());
    // An empty file is a new file.
    WriteWholeFile(path_, "");
    EXPECT_EQ(InitFileHistoryHeader(&h, path_.c_str()), HISTORY_FILE_CREATED);
    ExpectValidFile(path_, 0);
}

TEST_F(Recovery, CutRecordKeepsTheDamagedFileBeside) {
    const std::string good = ValidFile(3);
    const std::string cut = good.substr(0, 36 * 2 + 20);
    WriteWholeFile(path_, cut);
    HistoryFileHeader h{};
    EXPECT_EQ(InitFileHistoryHeader(&h, path_.c_str()), HISTORY_FILE_REPAIRED);
    ExpectValidFile(path_, 2);
    const auto damaged = DamagedFilesIn(dir_.path());
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_EQ(ReadWholeFile(damaged[0]), cut);
}

TEST_F(Recovery, CountThatDisagreesWithTheSizeIsRebuiltFromTheRecords) {
    std::string bytes = ValidFile(3);
    HistoryFileHeader h{};
    memcpy(&h, bytes.data() + bytes.size() - 28, sizeof h);
    h.count = 7;
    memcpy(bytes.data() + bytes.size() - 28, &h, sizeof h);
    WriteWholeFile(path_, bytes);
    HistoryFileHeader got{};
    EXPECT_EQ(InitFileHistoryHeader(&got, path_.c_str()), HISTORY_FILE_REPAIRED);
    ExpectValidFile(path_, 3);
    EXPECT_EQ(got.rain_offset, 12.5f);  // the old header's rain state survives
    EXPECT_EQ(got.last_raw_rain, 3.0f);
    EXPECT_EQ(DamagedFilesIn(dir_.path()).size(), 1u);
}

TEST_F(Recovery, GarbageShorterThanARecordStartsAnEmptyFile) {
    WriteWholeFile(path_, "not a history file");
    HistoryFileHeader h{};
    EXPECT_EQ(InitFileHistoryHeader(&h, path_.c_str()), HISTORY_FILE_CREATED);
    ExpectValidFile(path_, 0);
    const auto damaged = DamagedFilesIn(dir_.path());
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_EQ(ReadWholeFile(damaged[0]), "not a history file");
}

TEST_F(Recovery, ExistingPathThatIsNoFileIsLeftAlone) {
    const std::string folder = dir_.file("folder.dat");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    HistoryFileHeader h{};
    EXPECT_EQ(InitFileHistoryHeader(&h, folder.c_str()), -1);
    EXPECT_EQ(InitFileHistoryHeader(&h, dir_.file("no/such/folder.dat").c_str()), -1);
}

TEST_F(Recovery, AppendToADamagedFileRepairsItFirst) {
    const std::string good = ValidFile(2);
    WriteWholeFile(path_, good.substr(0, 36 * 2));  // header never written
    const HistoryRecord r = DataSet(1002);
    EXPECT_EQ(AddHistoryDataSetToFile(&rec_, &r), 0);
    HistoryFileHeader h{};
    ExpectValidFile(path_, 3, &h);
    EXPECT_EQ(h.rain_offset, 12.5f);  // the appender's own rain state
}

// Every moment at which the one write of an append can stop: nothing completed is lost,
// nothing is stored twice, and only states that lose bytes keep a damaged copy.
TEST_F(Recovery, AppendCutAfterAnyNumberOfBytes) {
    const std::string before = ValidFile(3);
    const HistoryRecord r = DataSet(1003);
    ASSERT_EQ(AddHistoryDataSetToFile(&rec_, &r), 0);
    const std::string after = ReadWholeFile(path_);
    ASSERT_EQ(after.size(), before.size() + 36);
    const size_t at = 36 * 3;
    for (size_t j = 0; j <= 64; ++j) {
        SCOPED_TRACE("write stopped after " + std::to_string(j) + " bytes");
        for (const std::string &d : DamagedFilesIn(dir_.path())) unlink(d.c_str());
        std::string state = after.substr(0, at + j);
        if (j < 28) state += before.substr(at + j);  // rest of the old header
        WriteWholeFile(path_, state);
        HistoryFileHeader h{};
        const int result = InitFileHistoryHeader(&h, path_.c_str());
        const int expected_count = j < 36 ? 3 : 4;
        ExpectValidFile(path_, expected_count);
        EXPECT_EQ(result, j == 0 || j == 64 ? HISTORY_FILE_OPENED : HISTORY_FILE_REPAIRED);
        const auto damaged = DamagedFilesIn(dir_.path());
        const bool lossless = j == 0 || j == 36 || j == 64;
        EXPECT_EQ(damaged.size(), lossless ? 0u : 1u);
        if (!damaged.empty()) {
            EXPECT_EQ(ReadWholeFile(damaged[0]), state);
        }
        if (j >= 36 + 12) {
            EXPECT_EQ(h.rain_offset, 12.5f);
        }
    }
}

// A writer process killed at random moments while it appends; after each kill the file
// opens again holding every data set the writer had reported done, in order, once.
TEST_F(Recovery, KilledWriterNeverLosesOrDuplicatesDataSets) {
    std::mt19937 random(12345);
    int stored = 0;
    for (int round = 0; round < 25; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            KORData rec{};
            snprintf(rec.history_file_name, sizeof rec.history_file_name, "%s", path_.c_str());
            if (InitFileHistoryHeader(&rec.file_header, path_.c_str()) < 0) _exit(2);
            for (uint32_t t = 1000 + static_cast<uint32_t>(rec.file_header.count);; ++t) {
                const HistoryRecord r = DataSet(t);
                if (AddHistoryDataSetToFile(&rec, &r) != 0) _exit(3);
                if (write(fds[1], &t, sizeof t) != sizeof t) _exit(4);
            }
        }
        close(fds[1]);
        usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended by itself: " << WEXITSTATUS(status);
        uint32_t t = 0;
        int reported = stored;
        while (read(fds[0], &t, sizeof t) == sizeof t) reported = static_cast<int>(t - 999);
        close(fds[0]);

        HistoryFileHeader h{};
        ASSERT_GE(InitFileHistoryHeader(&h, path_.c_str()), 0);
        ExpectValidFile(path_, h.count);
        EXPECT_GE(h.count, reported);      // nothing reported done is lost
        EXPECT_LE(h.count, reported + 1);  // at most the append under way completed
        EXPECT_GE(h.count, stored);
        stored = h.count;
    }
    EXPECT_GT(stored, 0);
}

}  // namespace
