// The history text export, byte for byte, and how it reads the history file.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>
#include <algorithm>
#include <string>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

#include "records/setup_record.h"
#include "records/ui_data.h"
#include "history/history_export.h"
#include "history/history_file.h"
#include "support/temp_folder.h"

namespace {

const std::string kTitles =
    "relative air pressure\tindoor temperature\tindoor humidity\toutdoor temperature\t"
    "outdoor humidity\tdewpoint\twindchill\twind speed\twind direction\train\ttime\tdate\n"
    "[hPa]\t[\u00B0C]\t[%]\t[\u00B0C]\t[%]\t[\u00B0C]\t[\u00B0C]\t[m/s]\t\t[mm]";

uint32_t Gmt(int year, int month, int day, int hour, int minute) {
    struct tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    return static_cast<uint32_t>(timegm(&fields));
}

HistoryRecord DataSet(uint32_t time) {
    HistoryRecord r{};
    r.time = time;
    r.pressure = 1013.25f;
    r.wind_speed = 2.5f;
    r.wind_direction = 3;
    r.rain = 123.45f;
    r.indoor_temperature = 21.57f;
    r.outdoor_temperature = 5.5f;
    r.indoor_humidity = 45;
    r.outdoor_humidity = 80;
    return r;
}

std::string FileOf(const std::vector<HistoryRecord> &records,
                   std::optional<int32_t> count = std::nullopt) {
    HistoryFileHeader h{};
    SetFileHistoryHeaderToDefault(&h);
    h.magic = HISTORY_FILE_MAGIC;
    h.count = count.value_or(static_cast<int32_t>(records.size()));
    std::string bytes(reinterpret_cast<const char *>(records.data()),
                      records.size() * sizeof(HistoryRecord));
    return bytes + std::string(reinterpret_cast<const char *>(&h), sizeof h);
}

class Export : public ::testing::Test {
protected:
    void SetUp() override {
        const char *tz = getenv("TZ");
        if (tz != nullptr) old_tz_ = tz;
        had_tz_ = tz != nullptr;
        setenv("TZ", "UTC0", 1);
        tzset();
        setup.units = UnitsRecord{0, 0, 0, 0, 0};
        setup.decimal_comma = 0;
        setup.absolute_pressure = 0;
        UI_data.pressure.rel_offset = 0.0f;
    }
    void TearDown() override {
        had_tz_ ? setenv("TZ", old_tz_.c_str(), 1) : unsetenv("TZ");
        tzset();
        setup.decimal_comma = 0;
    }
    // Exports the given history file bytes; the text produced comes back in text.
    int Run(const std::string &history_bytes, std::string *text) {
        WriteWholeFile(dir_.file("h.dat"), history_bytes);
        FILE *history = fopen(dir_.file("h.dat").c_str(), "rb");
        FILE *out = fopen(dir_.file("h.txt").c_str(), "w");
        const int result = ConvertHistoryFileToTextFile(history, out);
        fclose(history);
        fclose(out);
        *text = ReadWholeFile(dir_.file("h.txt"));
        return result;
    }
    TempFolder dir_;
    bool had_tz_ = false;
    std::string old_tz_;
};

TEST_F(Export, WholeTextOfASmallFile) {
    std::vector<HistoryRecord> records;
    records.push_back(DataSet(Gmt(2024, 3, 10, 14, 5)));
    HistoryRecord missing = DataSet(Gmt(2024, 3, 10, 0, 7));
    missing.indoor_temperature = 81.11f;
    missing.indoor_humidity = 98;
    missing.outdoor_humidity = 110;
    missing.wind_speed = 51.0f;
    records.push_back(missing);
    HistoryRecord overflow = DataSet(Gmt(2024, 12, 31, 23, 59));
    overflow.indoor_temperature = 136.65f;
    overflow.outdoor_temperature = 136.65f;
    overflow.wind_speed = 51.1f;
    overflow.wind_direction = 15;
    overflow.indoor_humidity = 7;
    records.push_back(overflow);
    std::string text;
    ASSERT_EQ(Run(FileOf(records), &text), 0);
    EXPECT_EQ(text, kTitles +
                        "\n1013.2\t21.5\t45\t5.5\t80\t2.3\t2.8\t2.5\tENE\t123.4\t14:05\t10.03.2024"
                        "\n1013.2\t---\t---\t5.5\t---\t---\t---\t---\t---\t123.4\t00:07\t10.03.2024"
                        "\n1013.2\tOFL\t 7\tOFL\t80\t---\t---\tOFL\tNNW\t123.4\t23:59\t31.12.2024");
}

TEST_F(Export, UserUnitsDecimalCommaAndAbsolutePressure) {
    setup.units = UnitsRecord{1, 1, 1, 0, 1};
    setup.decimal_comma = 1;
    setup.absolute_pressure = 1;
    std::string text;
    ASSERT_EQ(Run(FileOf({DataSet(Gmt(2024, 3, 10, 14, 5))}), &text), 0);
    EXPECT_EQ(text,
              "absolute air pressure\tindoor temperature\tindoor humidity\toutdoor temperature\t"
              "outdoor humidity\tdewpoint\twindchill\twind speed\twind direction\train\ttime\tdate\n"
              "[inHg]\t[\u00B0F]\t[%]\t[\u00B0F]\t[%]\t[\u00B0F]\t[\u00B0F]\t[km/h]\t\t[inch]"
              "\n29,92\t70,8\t45\t41,9\t80\t36,1\t37,1\t9,0\tENE\t4,86\t14:05\t10.03.2024");

    setup.units = UnitsRecord{0, 0, 0, 0, 0};
    setup.absolute_pressure = 0;
    UI_data.pressure.rel_offset = -0.05f;
    ASSERT_EQ(Run(FileOf({DataSet(Gmt(2024, 3, 10, 14, 5))}), &text), 0);
    EXPECT_EQ(text.substr(kTitles.size(), 8), "\n1013,2\t");
}

TEST_F(Export, EmptyFileGivesTheTwoTitleLines) {
    std::string text;
    ASSERT_EQ(Run(FileOf({}), &text), 0);
    EXPECT_EQ(text, kTitles);
}

TEST_F(Export, BrokenHistoryFiles) {
    std::string text;
    EXPECT_EQ(Run("short", &text), -1);
    std::string bytes = FileOf({DataSet(1)});
    bytes[36] = 0;  // magic
    EXPECT_EQ(Run(bytes, &text), -2);
    // A header that counts more data sets than the file holds exports those present.
    std::vector<HistoryRecord> two = {DataSet(Gmt(2024, 1, 1, 1, 0)),
                                      DataSet(Gmt(2024, 1, 1, 2, 0))};
    EXPECT_EQ(Run(FileOf(two, 1000), &text), 0);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    EXPECT_EQ(Run(FileOf(two, -4), &text), 0);
    EXPECT_EQ(text, kTitles);
}

TEST_F(Export, WriteFailureIsReported) {
    WriteWholeFile(dir_.file("h.dat"), FileOf({DataSet(1)}));
    FILE *history = fopen(dir_.file("h.dat").c_str(), "rb");
    FILE *full = fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(ConvertHistoryFileToTextFile(history, full), -3);
    fclose(history);
    fclose(full);
}

// Read calls and bytes read by this process so far, from the kernel's own counters.
// Taking them costs one read call of the counters' text.
bool ReadCounters(long long *calls, long long *bytes) {
    const int fd = open("/proc/self/io", O_RDONLY);
    if (fd < 0) return false;
    char text[1024];
    const ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) return false;
    text[n] = '\0';
    const char *calls_at = strstr(text, "syscr: ");
    const char *bytes_at = strstr(text, "rchar: ");
    if (calls_at == nullptr || bytes_at == nullptr) return false;
    *calls = atoll(calls_at + 7);
    *bytes = atoll(bytes_at + 7);
    return true;
}

TEST_F(Export, LargeFilesAreReadInChunksOfAHundred) {
    std::vector<HistoryRecord> records;
    for (uint32_t i = 0; i < 250; ++i) records.push_back(DataSet(Gmt(2024, 1, 1, 0, 0) + 60 * i));
    WriteWholeFile(dir_.file("h.dat"), FileOf(records));
    FILE *history = fopen(dir_.file("h.dat").c_str(), "rb");
    ASSERT_NE(history, nullptr);
    // Unbuffered, every fread of the export is one read call of exactly its size.
    setvbuf(history, nullptr, _IONBF, 0);
    FILE *out = fopen(dir_.file("h.txt").c_str(), "w");
    long long c0 = 0, b0 = 0, c1 = 0, b1 = 0, c2 = 0, b2 = 0;
    const bool counted = ReadCounters(&c0, &b0) && ReadCounters(&c1, &b1);
    EXPECT_EQ(ConvertHistoryFileToTextFile(history, out), 0);
    const bool counted_after = ReadCounters(&c2, &b2);
    fclose(history);
    fclose(out);
    if (counted && counted_after) {
        // Less what taking the counters costs: the header (28 bytes) and three chunks of
        // 100, 100 and 50 data sets, one read each.
        EXPECT_EQ((c2 - c1) - (c1 - c0), 4);
        EXPECT_NEAR(static_cast<double>((b2 - b1) - (b1 - b0)), 28 + 250 * 36, 4);
    }
    const std::string text = ReadWholeFile(dir_.file("h.txt"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 251);
    EXPECT_NE(text.back(), '\n');
    EXPECT_EQ(text.substr(text.size() - 16), "04:09\t01.01.2024");  // the 250th minute
}

}  // namespace
