// Readers and writers end to end: the program's link on its own thread, a simulated
// console of either variant on a pseudo-terminal, and what the console meant compared
// with what the readers decode, what the writers leave in its memory, and the history.
#include <cmath>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>

#include "records/setup_record.h"
#include "history/station_history.h"
#include "sim/stationsim.h"
#include "station/link/comm_flags.h"
#include "station/data/kor_clock.h"
#include "station/data/kor_memory_map.h"
#include "station/data/kor_readers.h"
#include "station/data/kor_writers.h"
#include "support/link_thread.h"
#include "support/temp_folder.h"

namespace {

constexpr int kPort = 1;
constexpr int64_t kStart = 1709626020;  // 2024-03-05 08:07 UTC

class DataTransfers : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ResetLinkFlags();
        SetStationID(static_cast<uint8_t>(GetParam()));
        SimOptions o;
        o.variant = GetParam();
        o.seed = 5;
        o.start_time = kStart;
        o.tz_offset_s = 0;
        o.tz_given = true;
        o.prefill = 40;
        o.hist_interval_min = 15;
        o.radio_interval_s = 32;  // the line's clock stands still: no reception window comes
        o.wind_unit = 3;
        o.manual_clock = true;
        o.pace_real = false;
        std::string error;
        sim_ = StartStationSim(o, folder_.file("COM1").c_str(), &error);
        ASSERT_NE(sim_, nullptr) << error;
    }
    void TearDown() override {
        StopStationSim(sim_);
        ResetLinkFlags();
    }
    // Runs body on the link thread after identifying the console and choosing its map.
    void Run(const std::function<void()> &body) {
        int id_result = 99;
        ASSERT_EQ(RunWithStationLink(kPort, [&] {
                      uint8_t id = 0;
                      id_result = KOR_ReadID(&id);
                      identification_ = id;
                      SelectKORMemoryMap(id);
                      body();
                  }),
                  0);
        ASSERT_EQ(id_result, 0);
        EXPECT_EQ(identification_, GetParam());
    }
    SimState State() {
        SimState s;
        StationSimGetState(sim_, &s);
        return s;
    }

    TempFolder folder_;
    StationSim *sim_ = nullptr;
    int identification_ = -1;
};

TEST_P(DataTransfers, ReadersDecodeWhatTheConsoleHolds) {
    KORData d;
    memset(&d, 0, sizeof d);
    int results[13];
    int32_t wind_unit = -1;
    Run([&] {
        results[0] = KOR_ReadIndoorTemperature(&d.indoor_temp);
        results[1] = KOR_ReadOutdoorTemperature(&d.outdoor_temp);
        results[2] = KOR_ReadWindchill(&d.windchill);
        results[3] = KOR_ReadDewpoint(&d.dewpoint);
        results[4] = KOR_ReadIndoorHumidity(&d.indoor_hum);
        results[5] = KOR_ReadOutdoorHumidity(&d.outdoor_hum);
        results[6] = KOR_ReadWind(&d.wind);
        results[7] = KOR_ReadPressure(&d.pressure);
        results[8] = KOR_ReadPressureMinMax(&d.pressure);
        results[9] = KOR_ReadWeatherPicture(&d.pressure);
        results[10] = KOR_ReadRain(&d.rain);
        results[11] = KOR_ReadHFReceptionTimer(&d.reception);
        results[12] = KOR_ReadWindUnits(&wind_unit);
    });
    for (int i = 0; i < 13; i++)
        EXPECT_EQ(results[i], 0) << "reader " << i;
    const SimState s = State();
    const struct {
        const TempGroup *group;
        const SimQuantity *meant;
    } groups[] = {{&d.indoor_temp, &s.itemp}, {&d.outdoor_temp, &s.otemp},
                  {&d.windchill, &s.chill},   {&d.dewpoint, &s.dew},
                  {&d.indoor_hum, &s.ihum},   {&d.outdoor_hum, &s.ohum}};
    for (const auto &g : groups) {
        ASSERT_EQ(g.meant->marker, SIM_VALUE_OK);
        EXPECT_NEAR(g.group->current, g.meant->current, 0.011);
    }
    EXPECT_NEAR(d.wind.current, s.wind.current, 0.051);
    EXPECT_EQ(d.wind.direction, s.wind_dir);
    EXPECT_NEAR(d.pressure.current, s.press.current, 0.051);
    EXPECT_NEAR(d.pressure.rel_offset, s.rel_offset, 0.051);
    EXPECT_EQ(d.pressure.weather, s.weather);
    EXPECT_EQ(d.pressure.trend, s.trend);
    EXPECT_NEAR(d.rain.rain_24h, s.rain_24h, 0.006);
    EXPECT_NEAR(d.rain.rain_1h, s.rain_1h, 0.006);
    EXPECT_NEAR(d.rain.total.value, s.rain_total, 0.006);
    EXPECT_EQ(d.rain.total.time.day, s.rain_total_reset.day);
    EXPECT_EQ(d.rain.total.time.year, s.rain_total_reset.year);
    EXPECT_FLOAT_EQ(d.reception.tx_interval, 32.0f);
    EXPECT_FLOAT_EQ(d.reception.tx_countdown, static_cast<float>(s.tx_countdown));
    EXPECT_EQ(wind_unit, 1);  // km/h on the console's display
}

TEST_P(DataTransfers, ClockReadsAsTheConsoleShowsIt) {
    struct tm final_time{}, min_sec{};
    int final_result = 99, min_sec_result = 99;
    Run([&] {
        min_sec_result = KOR_ReadMinSec(&min_sec, CSECL);
        final_result = KOR_ReadFinalTimeDate(&final_time, FINAL_CMINL);
    });
    const SimState s = State();
    ASSERT_EQ(min_sec_result, 0);
    ASSERT_EQ(final_result, 0);
    EXPECT_EQ(min_sec.tm_sec, s.station_second);
    EXPECT_EQ(min_sec.tm_min, s.station.minute);
    EXPECT_EQ(final_time.tm_min, s.station.minute);
    EXPECT_EQ(final_time.tm_hour, s.station.hour);
    EXPECT_EQ(final_time.tm_mday, s.station.day);
    EXPECT_EQ(final_time.tm_mon, s.station.month - 1);
    EXPECT_EQ(final_time.tm_year, s.station.year - 1900);
}

TEST_P(DataTransfers, WrittenValuesReadBack) {
    float temperature = 0, clamped = 0, rain = 0, wind = 0, humidity = 0, pressure = 0;
    uint32_t directions = 0;
    AlarmFlags enabled{}, disabled{};
    WindGroup wind_group{};
    RainGroup rain_group{};
    struct tm stamp{}, min_back{}, max_back{};
    stamp.tm_year = 107;
    stamp.tm_mon = 2;
    stamp.tm_mday = 5;
    stamp.tm_hour = 8;
    stamp.tm_min = 7;
    int failures = 0;
    Run([&] {
        auto check = [&](int result) { failures += result != 0; };
        const float t = 25.04f, too_hot = 75.0f, mm = 12.34f, kmph = 50.0f, percent = 65.0f,
                    hpa = 1013.2f, speed = 10.0f;
        const uint32_t mask = 0xA5C3, on = 1, off = 0;
        check(KOR_WriteTemperatureAlarmValue(&t, ITEMP_HIAL_LL));
        check(KOR_ReadTemperatureAlarmValue(&temperature, ITEMP_HIAL_ML));
        check(KOR_WriteTemperatureAlarmValue(&too_hot, OTEMP_HIAL_LL));
        check(KOR_ReadTemperatureAlarmValue(&clamped, OTEMP_HIAL_ML));
        check(KOR_WriteRainValue(&mm, RAIN24H_AL_01));
        check(KOR_ReadRainValue(&rain, RAIN24H_AL_01));
        check(KOR_WriteWindAlarm_kmph_Value(&kmph, WIND_HIAL_00));
        check(KOR_ReadAlarmWind(&wind, WIND_HIAL_00));
        check(KOR_WriteWindDirectionAlarm(&mask, ALERT_FLAGS7));
        check(KOR_ReadAlarmWindDirection(&directions, ALERT_FLAGS7));
        check(KOR_WriteHumidityValue(&percent, OHUM_LOAL_L));
        check(KOR_ReadHumidityValue(&humidity, OHUM_LOAL_L));
        check(KOR_WritePressureAlarmValue(&hpa, PRESS_REL_HPA_HIAL));
        check(KOR_ReadPressureAlarmValue(&pressure, PRESS_REL_HPA_HIAL));
        check(KOR_WriteAlarmFlag(&on, 0x01B, 1));
        check(KOR_ReadAlert(&enabled, KOR_ALARM_ENABLE_NIBBLE));
        check(KOR_WriteAlarmFlag(&off, 0x01B, 1));
        check(KOR_ReadAlert(&disabled, KOR_ALARM_ENABLE_NIBBLE));
        check(KOR_WriteWindSpeedMinMax(&speed, WIND_MIN_00));
        check(KOR_ReadWind(&wind_group));
        check(KOR_ClearXNibble(static_cast<int16_t>(RAINTOTAL_01), 7));
        check(KOR_WriteKORTime(&stamp, RAINTOTAL_MINL));
        check(KOR_ReadRain(&rain_group));
        check(KOR_WriteKORTime(&stamp, ITEMP_MIN_MINL));
        check(KOR_WriteKORTime(&stamp, ITEMP_MAX_MINL));
        check(KOR_ReadDoubleTimeDate(&min_back, &max_back, ITEMP_MIN_MINL));
    });
    EXPECT_EQ(failures, 0);
    EXPECT_FLOAT_EQ(temperature, 25.0f);
    EXPECT_FLOAT_EQ(clamped, 69.9f);  // the nearest threshold the field holds
    EXPECT_FLOAT_EQ(rain, 12.34f);
    EXPECT_FLOAT_EQ(wind, static_cast<float>(50 / 3.6));
    EXPECT_EQ(directions, 0xA5C3u);
    EXPECT_FLOAT_EQ(humidity, 65.0f);
    EXPECT_FLOAT_EQ(pressure, 1013.2f);
    EXPECT_EQ(enabled.flag[6], 1);  // indoor temperature high
    EXPECT_EQ(disabled.flag[6], 0);
    EXPECT_NEAR(wind_group.min, 10.0f, 1e-4);
    EXPECT_NEAR(wind_group.max, 10.0f, 1e-4);
    EXPECT_FLOAT_EQ(rain_group.total.value, 0.0f);
    EXPECT_EQ(rain_group.total.time.minute, 7);
    EXPECT_EQ(rain_group.total.time.year, 2007);
    for (const struct tm *t : {&min_back, &max_back}) {
        EXPECT_EQ(t->tm_year, 107);
        EXPECT_EQ(t->tm_mon, 2);
        EXPECT_EQ(t->tm_mday, 5);
        EXPECT_EQ(t->tm_hour, 8);
        EXPECT_EQ(t->tm_min, 7);
    }
}

TEST_P(DataTransfers, RefusedTransfersLeaveValuesAlone) {
    TempGroup t{};
    t.current = 12.5f;
    RainGroup r{};
    r.rain_1h = 3.0f;
    PressureGroup p{};
    p.min = 990.0f;
    struct tm stamp{};
    stamp.tm_mday = 17;
    int results[5];
    Run([&] {
        flag_reception_pause = 1;  // the console is receiving: nothing is sent
        results[0] = KOR_ReadIndoorTemperature(&t);
        results[1] = KOR_ReadRain(&r);
        results[2] = KOR_ReadTimeDate(&stamp, RAINTOTAL_MINL);
        results[3] = KOR_ReadPressureMinMax(&p);
        const float v = 1.0f;
        results[4] = KOR_WriteHumidityValue(&v, IHUM_LOAL_L);
        flag_reception_pause = 0;
    });
    EXPECT_EQ(results[0], -1);
    EXPECT_EQ(results[1], -1);
    EXPECT_LT(results[2], 0);
    EXPECT_EQ(results[3], -3);
    EXPECT_LT(results[4], 0);
    EXPECT_FLOAT_EQ(t.current, 12.5f);
    EXPECT_FLOAT_EQ(r.rain_1h, 3.0f);
    EXPECT_FLOAT_EQ(p.min, 990.0f);
    EXPECT_EQ(stamp.tm_mday, 17);
}

TEST_P(DataTransfers, ConsoleHistory) {
    KORData record;
    memset(&record, 0, sizeof record);
    KORHistoryHeader stale{}, header{}, after{};
    HistoryRecord newest{};
    int results[5] = {99, 99, 99, 99, 99};
    Run([&] {
        results[0] = KOR_ReadHistoryHeader(&stale, &record);  // clock not fresh
        record.clock_live_timer = 1;
        results[1] = KOR_ReadHistoryHeader(&header, &record);
        if (results[1] != 0)
            return;
        const uint16_t address = static_cast<uint16_t>(HIST_START_ADDRESS + 19 * header.index);
        results[2] = KOR_ReadHistoryDataSet(&newest, address);
        const int interval_code = 29, countdown = 5;
        results[3] = KOR_WriteHistorySettings(&interval_code, &countdown);
        results[4] = KOR_ReadHistoryHeader(&after, &record);
    });
    EXPECT_EQ(results[0], -1);
    if (GetParam() == 1) {  // mask 7 keeps no history
        EXPECT_EQ(results[1], -1);
        return;
    }
    ASSERT_EQ(results[1], 0);
    const SimState s = State();
    EXPECT_EQ(header.interval_code, s.hist_interval_min - 1);
    EXPECT_EQ(header.data_number, s.hist_count);
    EXPECT_EQ(header.index, s.hist_index);
    EXPECT_EQ(header.next_data_set_time, header.last_data_set_time + 60u * s.hist_interval_min);

    ASSERT_EQ(results[2], 0);
    const SimHistorySet &meant = s.hist[s.hist_index];
    EXPECT_NEAR(newest.indoor_temperature, meant.itemp, 0.051);
    EXPECT_NEAR(newest.outdoor_temperature, meant.otemp, 0.051);
    EXPECT_NEAR(newest.pressure, meant.press, 0.051);
    EXPECT_EQ(newest.indoor_humidity, meant.ihum);
    EXPECT_EQ(newest.outdoor_humidity, meant.ohum);
    EXPECT_NEAR(newest.rain, 0.518 * meant.rain_raw, 1e-3);
    EXPECT_NEAR(newest.wind_speed, meant.wind, 0.051);
    EXPECT_EQ(newest.wind_direction, meant.wind_dir);

    EXPECT_EQ(results[3], 0);
    ASSERT_EQ(results[4], 0);
    EXPECT_EQ(after.interval_code, 29);
    EXPECT_EQ(after.countdown, 5);
    EXPECT_EQ(after.data_number, 0);
}

INSTANTIATE_TEST_SUITE_P(BothVariants, DataTransfers, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return info.param == 1 ? std::string("Mask7")
                                                    : std::string("Mask8");
                         });

}  // namespace
