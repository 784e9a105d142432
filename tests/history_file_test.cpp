// The history file's layout, appends, rain continuity and paged reading.
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "records/setup_record.h"
#include "history/history_file.h"
#include "support/temp_folder.h"

namespace {
// Syncs still to fail, as a disc does that takes the bytes and then cannot confirm them
// (a network share gone, a stick pulled and put back).
std::atomic<int> failing_syncs{0};
}  // namespace

// Stands in for the C library's fdatasync in this test program alone.
extern "C" int fdatasync(int fd) {
    if (failing_syncs > 0) {
        --failing_syncs;
        errno = EIO;
        return -1;
    }
    return static_cast<int>(syscall(SYS_fdatasync, fd));
}

namespace {

HistoryRecord DataSet(uint32_t time, float rain = 0.0f) {
    HistoryRecord r{};
    r.reserved = 0xDEADBEEF;  // must reach the disc as 0
    r.time = time;
    r.pressure = 1000.0f + static_cast<float>(time % 50);
    r.wind_speed = 2.5f;
    r.wind_direction = static_cast<int32_t>(time % 16);
    r.rain = rain;
    r.indoor_temperature = 21.0f;
    r.outdoor_temperature = 5.5f;
    r.indoor_humidity = 40;
    r.outdoor_humidity = 80;
    return r;
}

HistoryFileHeader HeaderOf(const std::string &bytes) {
    HistoryFileHeader h{};
    memcpy(&h, bytes.data() + bytes.size() - sizeof h, sizeof h);
    return h;
}

class HistoryFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("history.dat");
        memset(&rec_, 0, sizeof rec_);
        snprintf(rec_.history_file_name, sizeof rec_.history_file_name, "%s", path_.c_str());
        snprintf(setup.history_file, sizeof setup.history_file, "%s", path_.c_str());
        ASSERT_EQ(InitFileHistoryHeader(&rec_.file_header, path_.c_str()), 1);
        rec_.history_file_ok = 1;
    }
    void Append(uint32_t first, int n) {
        for (int i = 0; i < n; ++i) {
            const HistoryRecord r = DataSet(first + static_cast<uint32_t>(i));
            ASSERT_EQ(AddHistoryDataSetToFile(&rec_, &r), 0);
        }
    }
    TempFolder dir_;
    std::string path_;
    KORData rec_;
};

TEST_F(HistoryFile, NewFileIsTheDefaultHeaderAlone) {
    const std::string bytes = ReadWholeFile(path_);
    const std::string expected = std::string("\x87\x65\x43\x21\x19\x04\xd6\x3e", 8) +
                                 std::string(20, '\0');  // magic, 0.418f, zeros
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(rec_.file_header.magic, HISTORY_FILE_MAGIC);
    EXPECT_EQ(rec_.file_header.rain_offset, 0.418f);
    HistoryFileHeader again{};
    EXPECT_EQ(InitFileHistoryHeader(&again, path_.c_str()), 0);
    EXPECT_EQ(memcmp(&again, &rec_.file_header, sizeof again), 0);

    HistoryFileHeader d;
    memset(&d, 0x11, sizeof d);
    SetFileHistoryHeaderToDefault(&d);
    EXPECT_EQ(d.magic, 0x11111111u);  // left for the creator
    EXPECT_EQ(d.count, 0);
    EXPECT_EQ(d.last_raw_rain, 0.0f);
}

TEST_F(HistoryFile, AppendsGrowTheFileAndKeepTheHeaderAtTheEnd) {
    rec_.file_header.rain_offset = 5.0f;
    rec_.file_header.last_raw_rain = 7.5f;
    rec_.history_file_ok = 0;
    Append(1000, 3);
    const std::string bytes = ReadWholeFile(path_);
    ASSERT_EQ(bytes.size(), 136u);
    const HistoryFileHeader h = HeaderOf(bytes);
    EXPECT_EQ(h.magic, HISTORY_FILE_MAGIC);
    EXPECT_EQ(h.count, 3);
    EXPECT_EQ(h.first_time, 1000u);
    EXPECT_EQ(h.last_time, 1002u);
    EXPECT_EQ(h.rain_offset, 5.0f);
    EXPECT_EQ(h.last_raw_rain, 7.5f);
    EXPECT_EQ(memcmp(&h, &rec_.file_header, sizeof h), 0);
    EXPECT_EQ(rec_.history_file_ok, 1);
    for (int i = 0; i < 3; ++i) {
        HistoryRecord r{};
        memcpy(&r, bytes.data() + 36 * i, sizeof r);
        HistoryRecord expected = DataSet(1000 + static_cast<uint32_t>(i));
        expected.reserved = 0;
        EXPECT_EQ(memcmp(&r, &expected, sizeof r), 0) << i;
    }
}

TEST_F(HistoryFile, AppendFailuresAreReported) {
    const HistoryRecord r = DataSet(1);
    snprintf(rec_.history_file_name, sizeof rec_.history_file_name, "%s",
             dir_.file("missing.dat").c_str());
    EXPECT_EQ(AddHistoryDataSetToFile(&rec_, &r), -2);
    EXPECT_EQ(AddHistoryDataSetToFile(&rec_, nullptr), -4);
}

TEST_F(HistoryFile, ASyncFailureAfterTheWriteNeverDoublesADataSet) {
    Append(1000, 2);
    failing_syncs = 1;
    const HistoryRecord third = DataSet(1002);
    // The cycle tries a set again until it is reported stored.
    if (AddHistoryDataSetToFile(&rec_, &third) != 0) {
        ASSERT_EQ(AddHistoryDataSetToFile(&rec_, &third), 0);
    }
    const std::string bytes = ReadWholeFile(path_);
    ASSERT_EQ(bytes.size(), 3 * sizeof(HistoryRecord) + sizeof(HistoryFileHeader));
    EXPECT_EQ(HeaderOf(bytes).count, 3);
    EXPECT_EQ(HeaderOf(bytes).last_time, 1002u);
    EXPECT_EQ(rec_.file_header.count, 3);
}

TEST(RainOffset, DeterminedOnceThenWrapsAdd) {
    HistoryFileHeader h{};
    SetFileHistoryHeaderToDefault(&h);
    EXPECT_FLOAT_EQ(ApplyRainOffset(&h, 100.0f, 345.678f), 345.67f);  // cut to 2 places
    EXPECT_FLOAT_EQ(h.rain_offset, 245.67f);

    h.rain_offset = 10.0f;
    h.last_raw_rain = 0.0f;
    EXPECT_FLOAT_EQ(ApplyRainOffset(&h, 2100.0f, 0.0f), 2110.0f);
    EXPECT_NEAR(ApplyRainOffset(&h, 3.1f, 0.0f), 2134.828f, 1e-3);
    EXPECT_NEAR(h.rain_offset, 2131.728f, 1e-3);
    EXPECT_EQ(h.last_raw_rain, 3.1f);
    EXPECT_NEAR(ApplyRainOffset(&h, 3.1f, 0.0f), 2134.828f, 1e-3);  // equal is no wrap
}

TEST(ReadHeader, ShortMissingAndWrongMagic) {
    TempFolder dir;
    HistoryFileHeader h{};
    EXPECT_EQ(ReadFileHeader(&h, dir.file("none.dat").c_str()), -2);
    WriteWholeFile(dir.file("short.dat"), std::string(27, '\0'));
    EXPECT_EQ(ReadFileHeader(&h, dir.file("short.dat").c_str()), -1);
    WriteWholeFile(dir.file("magic.dat"), std::string(64, '\x21'));
    EXPECT_EQ(ReadFileHeader(&h, dir.file("magic.dat").c_str()), -1);
}

TEST_F(HistoryFile, PagesAreCountedFromTheStart) {
    Append(0, 45);
    std::vector<HistoryRecord> page(45);
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page.data(), 45, 45), 45);
    for (uint32_t i = 0; i < 45; ++i) EXPECT_EQ(page[i].time, i);

    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page.data(), 25, 20), 20);
    EXPECT_EQ(page[0].time, 5u);
    EXPECT_EQ(page[19].time, 24u);

    // End beyond the data sets, or -1, means the end of the file.
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page.data(), -1, 20), 20);
    EXPECT_EQ(page[0].time, 25u);
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page.data(), 1000, 20), 20);
    EXPECT_EQ(page[19].time, 44u);
    // Fewer than asked at the start of the file.
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page.data(), 5, 20), 5);
    EXPECT_EQ(page[0].time, 0u);
    EXPECT_EQ(page[4].time, 4u);
}

TEST_F(HistoryFile, ReadingResults) {
    Append(0, 3);
    HistoryRecord page[20];
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page, 3, 0), 1);
    // The count is limited to what the reader's header says, even when the file has more.
    rec_.file_header.count = 2;
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page, 3, 20), 2);
    EXPECT_EQ(page[1].time, 1u);
    rec_.file_header.count = 0;
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page, 3, 20), 0);
    rec_.file_header.count = 3;
    rec_.history_file_ok = 0;
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page, 3, 20), -4);
    rec_.history_file_ok = 1;
    snprintf(setup.history_file, sizeof setup.history_file, "%s", "/nonexistent/h.dat");
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page, 3, 20), -2);
}

TEST_F(HistoryFile, ReadingToleratesHeadersThatDisagreeWithTheFile) {
    Append(0, 10);
    const std::string good = ReadWholeFile(path_);
    HistoryRecord page[20];
    // The reader's header claims far more data sets than the file holds.
    rec_.file_header.count = 1000000;
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page, -1, 20), 10);
    EXPECT_EQ(page[9].time, 9u);
    // A cut last record and no header: whole records only, and nothing is written.
    WriteWholeFile(path_, good.substr(0, 36 * 7 + 20));
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page, -1, 20), 6);
    EXPECT_EQ(ReadWholeFile(path_).size(), 36u * 7 + 20);
    // Shorter than a header.
    WriteWholeFile(path_, std::string(5, '\0'));
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page, -1, 20), 0);
    // A negative count in the header.
    WriteWholeFile(path_, good);
    rec_.file_header.count = -5;
    EXPECT_EQ(GetHistoryDataFromFile(&rec_, page, -1, 20), 0);
}

}  // namespace

namespace {

TEST_F(HistoryFile, OlderDataSetsGoInFrontOnlyBeforeTheirOwnFirstDataSet) {
    // The file's first data set was stored with raw rain 20.0 and offset 10.0.
    HistoryRecord first = DataSet(10000, 30.0f);
    ASSERT_EQ(AddHistoryDataSetToFile(&rec_, &first), 0);
    Append(10001, 2);
    chmod(path_.c_str(), 0640);
    HistoryRecord anchor = first;
    anchor.rain = 20.0f;  // as the console holds it
    // Oldest first, raw rain: the counter wrapped between the oldest two.
    std::vector<HistoryRecord> older = {DataSet(9997, 2100.0f), DataSet(9998, 5.0f),
                                        DataSet(9999, 15.0f)};
    const std::string before = ReadWholeFile(path_);

    HistoryRecord stranger = anchor;
    stranger.outdoor_temperature += 0.1f;
    EXPECT_EQ(PrependHistoryDataSetsToFile(&rec_, older.data(), 3, &stranger), -7);
    EXPECT_EQ(ReadWholeFile(path_), before);

    ASSERT_EQ(PrependHistoryDataSetsToFile(&rec_, older.data(), 3, &anchor), 0);
    const std::string bytes = ReadWholeFile(path_);
    ASSERT_EQ(bytes.size(), 6u * 36u + 28u);
    EXPECT_EQ(bytes.substr(3 * 36, 3 * 36), before.substr(0, 3 * 36));
    std::vector<HistoryRecord> all(6);
    memcpy(all.data(), bytes.data(), 6 * sizeof(HistoryRecord));
    EXPECT_FLOAT_EQ(all[2].rain, 25.0f);
    EXPECT_FLOAT_EQ(all[1].rain, 15.0f);
    EXPECT_FLOAT_EQ(all[0].rain, 2100.0f + 10.0f - HISTORY_RAIN_WRAP_MM);
    const HistoryFileHeader h = HeaderOf(bytes);
    EXPECT_EQ(h.count, 6);
    EXPECT_EQ(h.first_time, 9997u);
    EXPECT_EQ(h.last_time, 10002u);
    EXPECT_EQ(memcmp(&h, &rec_.file_header, sizeof h), 0);
    struct stat st{};
    ASSERT_EQ(stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                            std::filesystem::directory_iterator()), 1) << "nothing left beside";
}

}  // namespace
