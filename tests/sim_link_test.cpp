// The program's own station link, readers and writers against the simulator, on a link
// thread as in the program, at the real 2400 baud: every group reads as the console
// meant it in both variants (mask 7 writes with one address per nibble), writes and bits
// take effect, and injected faults are ridden out by retrying as the program does.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "records/setup_record.h"
#include "history/station_history.h"
#include "sim/stationsim.h"
#include "station/data/kor_clock.h"
#include "records/kor_data.h"
#include "station/data/kor_memory_map.h"
#include "station/data/kor_readers.h"
#include "station/data/kor_writers.h"
#include "support/link_thread.h"
#include "support/temp_folder.h"

namespace {

constexpr int kPort = 6;
constexpr float kTol = 2e-3f;

class SimLink : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { ResetLinkFlags(); }
    void TearDown() override {
        StopStationSim(sim_);
        ResetLinkFlags();
    }
    void Start(SimOptions o) {
        o.variant = GetParam();
        o.seed = 4;
        o.start_time = 1709626020;
        o.tz_offset_s = 3600;
        o.tz_given = true;
        o.manual_clock = true;  // the radio's first window never comes
        o.prefill = 12;
        std::string error;
        sim_ = StartStationSim(o, "COM6", &error);
        ASSERT_NE(sim_, nullptr) << error;
        SetStationID(static_cast<uint8_t>(GetParam()));
        SelectKORMemoryMap(static_cast<uint8_t>(GetParam()));
    }
    // As the program's retry loop: one identification exchange between attempts.
    static int Retry(const std::function<int()> &transfer) {
        int r = -1;
        for (int attempt = 0; attempt < 25 && r != 0; ++attempt) {
            r = transfer();
            if (r != 0) {
                uint8_t id = 0;
                KOR_ReadID(&id);
            }
        }
        return r;
    }
    SimState State() {
        SimState s;
        StationSimGetState(sim_, &s);
        return s;
    }
    void ReadAllAndCompare() {
        const SimState s = State();
        KORData d{};
        uint8_t id = 0;
        EXPECT_EQ(Retry([&] { return KOR_ReadID(&id); }), 0);
        EXPECT_EQ(id, GetParam());
        EXPECT_EQ(Retry([&] { return KOR_ReadIndoorTemperature(&d.indoor_temp); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadOutdoorTemperature(&d.outdoor_temp); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadWindchill(&d.windchill); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadDewpoint(&d.dewpoint); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadIndoorHumidity(&d.indoor_hum); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadOutdoorHumidity(&d.outdoor_hum); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadWind(&d.wind); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadPressure(&d.pressure); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadPressureMinMax(&d.pressure); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadWeatherPicture(&d.pressure); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadRain(&d.rain); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadHFReceptionTimer(&d.reception); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ReadAlert(&d.alarm_state, 0x020); }), 0);
        struct tm final_time{};
        EXPECT_EQ(Retry([&] { return KOR_ReadFinalTimeDate(&final_time, FINAL_CMINL); }), 0);

        const struct { const TempGroup *g; const SimQuantity *q; const char *name; } temps[] = {
            {&d.indoor_temp, &s.itemp, "itemp"}, {&d.outdoor_temp, &s.otemp, "otemp"},
            {&d.windchill, &s.chill, "chill"},   {&d.dewpoint, &s.dew, "dew"},
            {&d.indoor_hum, &s.ihum, "ihum"},    {&d.outdoor_hum, &s.ohum, "ohum"}};
        for (const auto &t : temps) {
            EXPECT_NEAR(t.g->current, t.q->current, kTol) << t.name;
            EXPECT_NEAR(t.g->min, t.q->min.value, kTol) << t.name;
            EXPECT_NEAR(t.g->max, t.q->max.value, kTol) << t.name;
        }
        EXPECT_NEAR(d.wind.current, s.wind.current, kTol);
        EXPECT_EQ(d.wind.direction, s.wind_dir);
        EXPECT_NEAR(d.wind.max, s.wind.max.value, kTol);
        EXPECT_EQ(d.wind.min_time.hour, s.wind.min.time.hour);
        EXPECT_NEAR(d.pressure.current, s.press.current, kTol);
        EXPECT_NEAR(d.pressure.rel_offset, s.rel_offset, kTol);
        EXPECT_NEAR(d.pressure.min, s.press.min.value, kTol);
        EXPECT_EQ(d.pressure.trend, s.trend);
        EXPECT_NEAR(d.rain.rain_24h, s.rain_24h, kTol);
        EXPECT_NEAR(d.rain.total.value, s.rain_total, 0.011);
        EXPECT_EQ(d.reception.tx_interval, 32.0f);
        EXPECT_NEAR(d.reception.tx_countdown, s.tx_countdown, 1e-6);
        EXPECT_EQ(d.alarm_state.flag[2], (s.alarm_state[0] >> 2) & 1);
        EXPECT_EQ(final_time.tm_hour, s.station.hour);
        EXPECT_EQ(final_time.tm_mday, s.station.day);

        if (GetParam() != 2) return;
        d.clock_live_timer = 1;  // the clock counts as fresh
        EXPECT_EQ(Retry([&] { return KOR_ReadHistoryHeader(&d.station_header, &d); }), 0);
        EXPECT_EQ(d.station_header.index, s.hist_index);
        EXPECT_EQ(d.station_header.data_number, s.hist_count);
        HistoryRecord rec{};
        const uint16_t at = static_cast<uint16_t>(HIST_START_ADDRESS + 19 * s.hist_index);
        EXPECT_EQ(Retry([&] { return KOR_ReadHistoryDataSet(&rec, at); }), 0);
        EXPECT_NEAR(rec.outdoor_temperature, s.hist[s.hist_index].otemp, kTol);
        EXPECT_NEAR(rec.pressure, s.hist[s.hist_index].press, kTol);
    }

    TempFolder folder_;
    StationSim *sim_ = nullptr;
};

TEST_P(SimLink, ProgramReadsEveryGroupAsMeant) {
    SimOptions o;
    Start(o);
    ASSERT_EQ(RunWithStationLink(kPort, [&] { ReadAllAndCompare(); }), 0);
}

TEST_P(SimLink, ProgramWritesTakeEffect) {
    SimOptions o;
    o.pace_real = false;
    Start(o);
    const float threshold = static_cast<float>(State().otemp.current) - 4.0f;
    const float present = static_cast<float>(State().ihum.current);
    const uint32_t on = 1;
    ASSERT_EQ(RunWithStationLink(kPort, [&] {
        EXPECT_EQ(Retry([&] { return KOR_WriteTemperatureAlarmValue(&threshold, OTEMP_HIAL_LL); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_WriteAlarmFlag(&on, 0x01B, 3); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_WriteHumidityMinMax(&present, IHUM_MIN_L); }), 0);
        EXPECT_EQ(Retry([&] { return KOR_ClearXNibble(RAINTOTAL_01, 7); }), 0);
        if (GetParam() == 2) {
            const int code = 29, countdown = 3;  // 30 minutes
            EXPECT_EQ(KOR_WriteHistorySettings(&code, &countdown), 0);
        }
    }), 0);
    StationSimAdvance(sim_, 10.0);
    const SimState s = State();
    EXPECT_TRUE(s.alarm_state[2] & 0x8) << "outdoor high alarm";
    EXPECT_TRUE(s.alarm_state[0] & 0x4) << "general alarm";
    EXPECT_EQ(s.ihum.min.value, present);
    EXPECT_LT(s.rain_total, 1.1);
    if (GetParam() == 2) {
        EXPECT_EQ(s.hist_interval_min, 30);
        EXPECT_EQ(s.hist_count, 0);
    }
}

// Wrong echoes and checksums make single transfers fail; the program's retries with an
// identification exchange in between still bring every value in right.
TEST_P(SimLink, RetriesRideOutFaults) {
    SimOptions o;
    o.pace_real = false;
    o.bad_echo = 0.03;
    o.bad_checksum = 0.1;
    Start(o);
    ASSERT_EQ(RunWithStationLink(kPort, [&] {
        for (int round = 0; round < 3; ++round) ReadAllAndCompare();
    }), 0);
    SimCounters c;
    StationSimGetCounters(sim_, &c);
    EXPECT_GT(c.bad_echoes + c.bad_checksums, 0u);
}

INSTANTIATE_TEST_SUITE_P(BothVariants, SimLink, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return info.param == 1 ? std::string("Mask7") : std::string("Mask8");
                         });

}  // namespace
