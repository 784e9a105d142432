// Statistics of a small history against values worked out by hand: days, a month
// boundary, markers left out, rain from the counter, ties keeping the first time, and
// the text written in the export's number style.
#include <cmath>
#include <cstdio>
#include <vector>
#include <gtest/gtest.h>
#include <string>

#include "records/setup_record.h"
#include "graphs/history_statistics.h"
#include "support/temp_folder.h"
#include "support/test_data.h"

namespace {

// 31.01.2026 10:00 UTC and the stamps after it.
constexpr uint32_t k31Jan10 = 1769853600, k31Jan14 = 1769868000, k31Jan22 = 1769896800,
                   k01Feb06 = 1769925600, k01Feb12 = 1769947200, k02Feb0030 = 1769992200;

HistoryRecord Set(uint32_t t, float temperature, uint16_t humidity, float pressure, float wind,
                  int direction, float rain) {
    HistoryRecord r{};
    r.time = t;
    r.outdoor_temperature = temperature;
    r.outdoor_humidity = humidity;
    r.pressure = pressure;
    r.wind_speed = wind;
    r.wind_direction = direction;
    r.rain = rain;
    r.indoor_temperature = 20.0f;
    r.indoor_humidity = 50;
    return r;
}

HistorySeries Golden() {
    const HistoryRecord sets[] = {
        Set(k31Jan10, 5.0f, 80, 1010.0f, 3.0f, 2, 100.0f),
        Set(k31Jan14, 9.5f, 60, 1008.5f, 7.5f, 6, 101.036f),
        Set(k31Jan22, 2.5f, 90, 1012.0f, 1.0f, 0, 101.036f),
        Set(k01Feb06, -1.5f, 95, 1015.5f, 12.25f, 12, 103.108f),
        Set(k01Feb12, 81.11f, 110, 1013.0f, 51.0f, 3, 103.626f),  // markers
        Set(k02Feb0030, 4.0f, 70, 1009.0f, 12.25f, 8, 103.626f),  // wind ties the maximum
    };
    HistorySeries s;
    LoadDataSets(&s, sets, 6);
    return s;
}

class GraphsStatistics : public ::testing::Test {
protected:
    void SetUp() override {
        SetSetupToDefault(&setup);
        setup.units = UnitsRecord{};  // hPa, m/s, degC, mm
        setup.absolute_pressure = 1;
        setup.decimal_comma = 1;
    }
};

TEST_F(GraphsStatistics, MonthsAndYearByHand) {
    const HistorySeries s = Golden();
    const auto months = ComputeStatistics(s, 0, 6, PERIOD_MONTH, 0);
    ASSERT_EQ(months.size(), 2u);
    const PeriodStatistics &feb = months[1];
    EXPECT_EQ(feb.month, 2);
    EXPECT_EQ(feb.data_sets, 3u);
    EXPECT_EQ(feb.temperature_min.value, -1.5f);
    EXPECT_EQ(feb.temperature_max.time, k02Feb0030);
    EXPECT_FLOAT_EQ(feb.temperature_mean, 1.25f);  // the marker is not a reading
    EXPECT_EQ(feb.humidity_min.value, 70.0f);
    EXPECT_EQ(feb.pressure_min.time, k02Feb0030);
    EXPECT_NEAR(feb.rain, 2.59f, 1e-3f);
    EXPECT_EQ(feb.wind_max.time, k01Feb06);  // the first of two equal maxima
    EXPECT_EQ(feb.wind_direction, 12);

    const auto years = ComputeStatistics(s, 0, 6, PERIOD_YEAR, 0);
    ASSERT_EQ(years.size(), 1u);
    const PeriodStatistics records = ComputeRecords(s, 0);
    EXPECT_NEAR(years[0].rain, 3.626f, 1e-3f);
    EXPECT_FLOAT_EQ(years[0].temperature_mean, 3.9f);
    EXPECT_EQ(records.data_sets, 6u);
    EXPECT_EQ(records.temperature_max.time, k31Jan14);
    EXPECT_NEAR(records.rain, years[0].rain, 1e-6f);

    // A range that starts inside the file: the first day it holds begins the table.
    const auto late = ComputeStatistics(s, 3, 6, PERIOD_DAY, 0);
    ASSERT_EQ(late.size(), 2u);
    EXPECT_EQ(late[0].day, 1);
    // Local time moves the day boundary: one hour east, 22:00 UTC is the next day.
    EXPECT_EQ(ComputeStatistics(s, 0, 6, PERIOD_DAY, 3600)[1].data_sets, 2u);
}

TEST_F(GraphsStatistics, DaysWrittenAsTheGoldenFile) {
    const HistorySeries s = Golden();
    // Read before the temporary folder becomes the working directory.
    const std::string golden = ReadWholeFile(TestDataPath("graphs_statistics_days.txt"));
    ASSERT_FALSE(golden.empty());
    TempFolder dir;
    const std::string path = dir.file("days.txt");
    FILE *f = fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(WriteStatisticsText(f, ComputeStatistics(s, 0, 6, PERIOD_DAY, 0), PERIOD_DAY,
                                  ComputeRecords(s, 0), 0),
              0);
    fclose(f);
    EXPECT_EQ(ReadWholeFile(path), golden);

    // With the decimal point the same cells read with points.
    setup.decimal_comma = 0;
    char cells[STAT_COLUMNS][STAT_CELL_SIZE];
    FormatStatisticsRow(ComputeRecords(s, 0), PERIOD_DAY, 1, 0, 1, cells);
    EXPECT_STREQ(cells[STAT_PRESSURE_MAX], "1015.5");
    EXPECT_STREQ(cells[STAT_TEMPERATURE_MEAN], "3.9");
}

// Hourly data sets with a three-day outage after 02.02.2026 23:00 (its 12 mm of rain
// arrive with the first data set after it) and one of two hours within 06.02.2026.
HistorySeries WithGaps(size_t count) {
    std::vector<HistoryRecord> sets;
    float rain = 100.0f;
    uint32_t t = k02Feb0030 - 30 * 60;
    for (int i = 0; i < 96; ++i, t += 3600) {
        if (i == 24) t += 3 * 86400;
        if (i == 34) t += 2 * 3600;
        rain += i == 24 ? 12.0f : (i == 34 ? 0.5f : 0.0f);
        sets.push_back(Set(t, 5.0f, 80, 1010.0f, 3.0f, 2, rain));
    }
    HistorySeries s;
    LoadDataSets(&s, sets.data(), std::min(count, sets.size()));
    return s;
}

TEST_F(GraphsStatistics, AGapsRainIsItsOwnUnlessItLiesWithinAPeriod) {
    const HistorySeries s = WithGaps(96);
    EXPECT_TRUE(GapBefore(s, 24));
    EXPECT_TRUE(std::isnan(SeriesValue(s, SERIES_RAIN, 24)));
    const auto days = ComputeStatistics(s, 0, 96, PERIOD_DAY, 0);
    ASSERT_EQ(days.size(), 6u);  // 2 Feb, the gap, 6 to 9 Feb
    EXPECT_EQ(days[0].rain, 0.0f);
    EXPECT_EQ(days[1].gap, 1);
    EXPECT_NEAR(days[1].rain, 12.0f, 1e-3f);
    EXPECT_EQ(days[1].data_sets, 0u);
    EXPECT_EQ(days[2].day, 6);
    EXPECT_NEAR(days[2].rain, 0.5f, 1e-3f) << "the short gap within the day is the day's";
    EXPECT_NEAR(ComputeStatistics(s, 0, 96, PERIOD_MONTH, 0)[0].rain, 12.5f, 1e-3f);
    EXPECT_NEAR(ComputeRecords(s, 0).rain, 12.5f, 1e-3f);
    char cells[STAT_COLUMNS][STAT_CELL_SIZE];
    FormatStatisticsRow(days[1], PERIOD_DAY, 0, 0, 1, cells);
    EXPECT_STREQ(cells[STAT_PERIOD], "during the gap 02.02.2026\u201306.02.2026");
    EXPECT_STREQ(cells[STAT_RAIN], "12,0");
    EXPECT_STREQ(cells[STAT_TEMPERATURE_MIN], "");
}

// Kept up to date as data sets come in or the range moves, the cache holds what a
// computation from scratch gives, and an append recomputes only the last period (with
// the gap before it).
TEST_F(GraphsStatistics, TheCacheAgreesWithAFreshComputation) {
    StatisticsCache cache;
    auto same = [](const std::vector<PeriodStatistics> &a, const std::vector<PeriodStatistics> &b) {
        if (a.size() != b.size()) return false;
        for (size_t r = 0; r < a.size(); ++r)
            if (a[r].gap != b[r].gap || a[r].first != b[r].first || a[r].end != b[r].end ||
                a[r].data_sets != b[r].data_sets || !(a[r].rain == b[r].rain || (std::isnan(a[r].rain) && std::isnan(b[r].rain))))
                return false;
        return true;
    };
    for (size_t n : {5u, 23u, 24u, 25u, 26u, 40u, 96u}) {
        const HistorySeries s = WithGaps(n);
        const size_t before = cache.rows.size();
        const size_t changed = UpdateStatistics(&cache, s, 0, n, PERIOD_DAY, 0);
        EXPECT_TRUE(same(cache.rows, ComputeStatistics(s, 0, n, PERIOD_DAY, 0))) << n;
        EXPECT_NEAR(CachedRecords(cache).rain, ComputeRecords(s, 0).rain, 1e-3f) << n;
        if (before > 0) {
            // The last period, and the gap before it when there is one.
            EXPECT_GE(changed + 2, before) << n;
        }
    }
    const HistorySeries s = WithGaps(96);
    for (size_t first : {30u, 10u, 60u}) {
        UpdateStatistics(&cache, s, first, 80, PERIOD_DAY, 0);
        EXPECT_TRUE(same(cache.rows, ComputeStatistics(s, first, 80, PERIOD_DAY, 0))) << first;
    }
}

}  // namespace
