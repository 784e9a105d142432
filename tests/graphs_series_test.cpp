// The history file decoded for the graphs: rain per interval across the counter's wrap
// and a rain offset determined afresh, markers as gaps, appends read alone, and the
// block summaries against a plain scan.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "records/setup_record.h"
#include "graphs/history_series.h"
#include "history/history_file.h"
#include "support/temp_folder.h"

namespace {

HistoryRecord DataSet(uint32_t time) {
    HistoryRecord r{};
    r.time = time;
    r.pressure = 1000.0f;
    r.wind_speed = 10.0f;
    r.wind_direction = 4;
    r.indoor_temperature = 21.0f;
    r.outdoor_temperature = 10.0f;
    r.indoor_humidity = 40;
    r.outdoor_humidity = 50;
    return r;
}

class GraphsSeries : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("history.dat");
        memset(&rec_, 0, sizeof rec_);
        snprintf(rec_.history_file_name, sizeof rec_.history_file_name, "%s", path_.c_str());
        snprintf(setup.history_file, sizeof setup.history_file, "%s", path_.c_str());
        ASSERT_EQ(InitFileHistoryHeader(&rec_.file_header, path_.c_str()), 1);
        rec_.history_file_ok = 1;
    }
    // Appends as the polling cycle does: raw counter value and the console's rain total.
    void AppendRain(uint32_t time, float raw, float console_total) {
        HistoryRecord r = DataSet(time);
        r.rain = ApplyRainOffset(&rec_.file_header, raw, console_total);
        ASSERT_EQ(AddHistoryDataSetToFile(&rec_, &r), 0);
    }
    void Append(const HistoryRecord &r) { ASSERT_EQ(AddHistoryDataSetToFile(&rec_, &r), 0); }
    TempFolder dir_;
    std::string path_;
    KORData rec_;
};

TEST_F(GraphsSeries, RainPerIntervalAcrossTheWrapAndAnOffsetDeterminedAfresh) {
    AppendRain(1000, 2100.0f, 2110.0f);      // offset 10
    AppendRain(2000, 2121.21f, 0.0f);        // 21.21 mm more
    AppendRain(3000, 1.036f, 0.0f);          // wrapped: 4095 -> 2 counts, 3 counts fell
    // The file was repaired: the offset is determined anew, from a console whose rain
    // counter the user had cleared meanwhile.
    rec_.file_header.rain_offset = HISTORY_RAIN_OFFSET_UNKNOWN;
    AppendRain(4000, 2.072f, 5.0f);
    AppendRain(5000, 2.59f, 0.0f);           // one count

    HistorySeries s;
    ASSERT_EQ(RefreshHistorySeries(&s), 5);
    auto rain = [&s](size_t i) { return SeriesValue(s, SERIES_RAIN, i); };
    EXPECT_TRUE(std::isnan(rain(0))) << "nothing is known before the first data set";
    EXPECT_NEAR(rain(1), 21.21f, 1e-3f);
    EXPECT_NEAR(rain(2), 3 * 0.518f, 1e-3f);
    EXPECT_TRUE(std::isnan(rain(3))) << "the stored total went down: unknown, not negative";
    EXPECT_NEAR(rain(4), 0.518f, 1e-3f);
}

TEST_F(GraphsSeries, MarkersAndWhatDependsOnThemAreGaps) {
    HistoryRecord r = DataSet(100);
    Append(r);                                  // all readings
    r = DataSet(200);
    r.indoor_temperature = 81.11f;              // "---"
    r.outdoor_humidity = 110;                   // "---": no dewpoint either
    r.wind_speed = 51.0f;                       // "---": no windchill, no direction
    Append(r);
    r = DataSet(300);
    r.outdoor_temperature = 136.65f;            // "OFL": no dewpoint, no windchill
    r.indoor_humidity = 98;
    r.pressure = 1200.0f;                       // "---"
    Append(r);

    HistorySeries s;
    ASSERT_EQ(RefreshHistorySeries(&s), 3);
    for (int k = 0; k < SERIES_COUNT; ++k)
        if (k != SERIES_RAIN) {
            EXPECT_FALSE(std::isnan(SeriesValue(s, k, 0))) << k;
        }
    EXPECT_EQ(s.direction[0], 4);
    EXPECT_NEAR(SeriesValue(s, SERIES_DEWPOINT, 0), 0.06f, 0.05f);   // 10 degC at 50 %
    EXPECT_NEAR(SeriesValue(s, SERIES_WINDCHILL, 0), 0.46f, 0.01f);  // 10 degC at 10 m/s

    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_INDOOR_TEMPERATURE, 1)));
    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_OUTDOOR_HUMIDITY, 1)));
    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_DEWPOINT, 1)));
    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_WIND_SPEED, 1)));
    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_WINDCHILL, 1)));
    EXPECT_EQ(s.direction[1], DIRECTION_NONE);
    EXPECT_FALSE(std::isnan(SeriesValue(s, SERIES_OUTDOOR_TEMPERATURE, 1)));

    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_OUTDOOR_TEMPERATURE, 2)));
    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_DEWPOINT, 2)));
    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_WINDCHILL, 2)));
    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_INDOOR_HUMIDITY, 2)));
    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_PRESSURE, 2)));
    EXPECT_FALSE(std::isnan(SeriesValue(s, SERIES_WIND_SPEED, 2)));
    // A gap is a gap in the summaries too, never a zero.
    const ValueRange pressure = SeriesRange(s, SERIES_PRESSURE, 0, 3);
    EXPECT_EQ(pressure.min, 1000.0f);
    EXPECT_EQ(pressure.max, 1000.0f);
}

TEST_F(GraphsSeries, ARefreshReadsOnlyWhatWasAppendedAndAnotherFileAnew) {
    for (uint32_t t = 1; t <= 3; ++t) Append(DataSet(t * 60));
    HistorySeries s;
    ASSERT_EQ(RefreshHistorySeries(&s), 3);
    EXPECT_EQ(RefreshHistorySeries(&s), 0);
    HistoryRecord r = DataSet(240);
    r.outdoor_temperature = -3.5f;
    Append(r);
    Append(DataSet(300));
    ASSERT_EQ(RefreshHistorySeries(&s), 2);
    ASSERT_EQ(DataSetCount(s), 5u);
    EXPECT_EQ(s.time[3], 240u);
    EXPECT_EQ(SeriesValue(s, SERIES_OUTDOOR_TEMPERATURE, 3), -3.5f);
    EXPECT_EQ(SeriesRange(s, SERIES_OUTDOOR_TEMPERATURE, 0, 5).min, -3.5f);

    // Another file is read from its start, whatever the series held.
    const std::string other = dir_.file("other.dat");
    HistoryFileHeader h{};
    ASSERT_EQ(InitFileHistoryHeader(&h, other.c_str()), 1);
    snprintf(rec_.history_file_name, sizeof rec_.history_file_name, "%s", other.c_str());
    rec_.file_header = h;
    Append(DataSet(9000));
    snprintf(setup.history_file, sizeof setup.history_file, "%s", other.c_str());
    ASSERT_EQ(RefreshHistorySeries(&s), 1);
    ASSERT_EQ(DataSetCount(s), 1u);
    EXPECT_EQ(s.time[0], 9000u);
}

TEST_F(GraphsSeries, OlderDataSetsPutInFrontAreReadWithTheRest) {
    const HistoryRecord first = DataSet(600);
    Append(first);
    Append(DataSet(660));
    HistorySeries s;
    ASSERT_EQ(RefreshHistorySeries(&s), 2);
    const HistoryRecord older[] = {DataSet(480), DataSet(540)};
    ASSERT_EQ(PrependHistoryDataSetsToFile(&rec_, older, 2, &first), 0);
    EXPECT_EQ(RefreshHistorySeries(&s), 4);
    ASSERT_EQ(DataSetCount(s), 4u);
    EXPECT_EQ(s.time[0], 480u);
    EXPECT_EQ(s.time[3], 660u);
}

// A file whose header counts more data sets than it holds (cut short by a crash) is read
// as far as it goes, and a refresh takes none of its data sets twice.
TEST_F(GraphsSeries, AShortFileIsReadOnce) {
    for (uint32_t t = 1; t <= 3; ++t) Append(DataSet(t * 60));
    HistoryFileHeader h = rec_.file_header;
    h.count = 6;
    FILE *f = fopen(path_.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fseek(f, -static_cast<long>(sizeof h), SEEK_END), 0);
    ASSERT_EQ(fwrite(&h, sizeof h, 1, f), 1u);
    fclose(f);
    HistorySeries s;
    EXPECT_EQ(RefreshHistorySeries(&s), 3);
    EXPECT_EQ(RefreshHistorySeries(&s), 0);
    ASSERT_EQ(DataSetCount(s), 3u);
    EXPECT_EQ(s.time[2], 180u);
}

// The summaries answer as a plain scan would, for ranges that start and end anywhere,
// across appends that complete a block.
TEST(GraphsSummaries, RangesAgreeWithAPlainScan) {
    HistorySeries s;
    std::vector<HistoryRecord> sets;
    for (uint32_t i = 0; i < 9000; ++i) {
        HistoryRecord r = DataSet(i * 300);
        r.outdoor_temperature = (i % 997 == 0) ? 81.11f : static_cast<float>((i * 7919) % 601) / 10.0f - 20.0f;
        r.wind_direction = static_cast<int32_t>((i / 500) % 16);
        sets.push_back(r);
    }
    LoadDataSets(&s, sets.data(), 5000);
    LoadDataSets(&s, sets.data() + 5000, 1);
    LoadDataSets(&s, sets.data() + 5001, 3999);
    auto v = [&s](size_t i) { return SeriesValue(s, SERIES_OUTDOOR_TEMPERATURE, i); };
    for (size_t first : {0u, 1u, 15u, 16u, 255u, 300u, 4095u, 4100u}) {
        for (size_t end : {first + 1, first + 17, first + 4096, first + 4500, size_t{9000}}) {
            float lo = NAN, hi = NAN;
            uint16_t bits = 0;
            for (size_t i = first; i < end; ++i) {
                bits |= static_cast<uint16_t>(1u << s.direction[i]);
                if (std::isnan(v(i))) continue;
                if (std::isnan(lo) || v(i) < lo) lo = v(i);
                if (std::isnan(hi) || v(i) > hi) hi = v(i);
            }
            const ValueRange r = SeriesRange(s, SERIES_OUTDOOR_TEMPERATURE, first, end);
            EXPECT_TRUE(r.min == lo || (std::isnan(r.min) && std::isnan(lo))) << first << ".." << end;
            EXPECT_TRUE(r.max == hi || (std::isnan(r.max) && std::isnan(hi))) << first << ".." << end;
            EXPECT_EQ(DirectionsIn(s, first, end), bits) << first << ".." << end;
        }
    }
    EXPECT_EQ(FirstDataSetAtOrAfter(s, 301), 2u);
    EXPECT_EQ(FirstDataSetAtOrAfter(s, 300), 1u);
}

}  // namespace
