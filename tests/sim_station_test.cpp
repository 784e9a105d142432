// The simulator read and written over its pseudo-terminal with the program's own memory
// map, decoders and encoders. The console encodes from its own description of the
// memory, so every group that decodes to what the console meant, in both variants, with
// markers and across the history ring, checks both sides; so does every write of the
// program's encoders that the console takes as the console would.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "history/station_history.h"
#include "sim/sim_client.h"
#include "sim/stationsim.h"
#include "station/data/kor_clock_codec.h"
#include "station/data/kor_decode.h"
#include "station/data/kor_encode.h"
#include "station/data/kor_memory_map.h"
#include "support/temp_folder.h"

namespace {

constexpr int64_t kStart = 1709626020;  // 2024-03-05 08:07 UTC, a Tuesday
constexpr float kTol = 2e-3f;

class SimStation : public ::testing::TestWithParam<int> {
protected:
    SimOptions Options() const {
        SimOptions o;
        o.variant = GetParam();
        o.seed = 21;
        o.start_time = kStart;
        o.tz_offset_s = 3600;
        o.tz_given = true;
        o.prefill = 40;
        o.radio_interval_s = 0;
        o.wind_unit = 3;  // km/h on the console's display
        return o;
    }
    void Start(SimOptions o) {
        o.manual_clock = true;
        o.pace_real = false;
        std::string error;
        sim_ = StartStationSim(o, folder_.file("COM1").c_str(), &error);
        ASSERT_NE(sim_, nullptr) << error;
        ASSERT_EQ(OpenSimClient(&client_, folder_.file("COM1").c_str()), 0);
        int id = 0;
        ASSERT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_OK);
        EXPECT_EQ(id, GetParam());
        SelectKORMemoryMap(static_cast<uint8_t>(id));
    }
    void TearDown() override {
        CloseSimClient(&client_);
        StopStationSim(sim_);
    }
    std::vector<uint8_t> Read(uint16_t address, int count) {
        std::vector<uint8_t> b(static_cast<size_t>(count));
        EXPECT_NE(address, KOR_NO_ADDRESS);
        EXPECT_EQ(SimClientRead(&client_, address, count, b.data()), SIM_CLIENT_OK) << std::hex << address;
        return b;
    }
    void Write(uint16_t address, const uint8_t *nibbles, int count) {
        ASSERT_GT(count, 0);
        ASSERT_EQ(SimClientWrite(&client_, address, nibbles, count), SIM_CLIENT_OK) << std::hex << address;
    }
    void Bit(uint16_t address, int bit, bool set) {
        ASSERT_EQ(SimClientWriteBit(&client_, address, bit, set), SIM_CLIENT_OK);
    }
    SimState State() {
        SimState s;
        StationSimGetState(sim_, &s);
        return s;
    }

    static void ExpectStamp(const KORStamp &got, const SimStamp &meant, bool with_year, const char *what) {
        EXPECT_EQ(got.minute, meant.minute) << what;
        EXPECT_EQ(got.hour, meant.hour) << what;
        EXPECT_EQ(got.day, meant.day) << what;
        EXPECT_EQ(got.month, meant.month) << what;
        if (with_year) {
            EXPECT_EQ(got.year % 100, meant.year % 100) << what;
        }
    }
    // An extreme the console holds as "no value" decodes beyond the display's marker
    // thresholds (80.11 and 135.65 for temperatures; humidities above 100).
    static void ExpectExtreme(float got, const SimExtreme &e, bool humidity, const char *what) {
        if (e.marker == SIM_VALUE_OK) {
            EXPECT_NEAR(got, e.value, kTol) << what;
        } else if (humidity) {
            EXPECT_GT(got, 100.0f) << what;
        } else if (e.marker == SIM_VALUE_MISSING) {
            EXPECT_GT(got, 80.11f) << what;
            EXPECT_LT(got, 135.65f) << what;
        } else {
            EXPECT_GE(got, 135.65f) << what;
        }
    }

    void CheckTempGroup(uint16_t ml, uint16_t min_minl, const SimQuantity &q, bool humidity, int markers,
                        const char *what) {
        TempGroup g{};
        if (humidity) {
            const std::vector<uint8_t> b = Read(ml, KOR_HUMIDITY_BYTES);
            ASSERT_EQ(DecodeHumidities(b.data(), b.size(), &g), 0);
        } else {
            const std::vector<uint8_t> b = Read(ml, KOR_TEMPERATURE_BYTES);
            ASSERT_EQ(DecodeTemperatures(b.data(), b.size(), markers, &g), 0);
        }
        if (q.marker == SIM_VALUE_OK) {
            EXPECT_NEAR(g.current, q.current, kTol) << what;
        } else if (markers) {
            EXPECT_EQ(g.current, q.marker == SIM_VALUE_MISSING ? KOR_TEMP_NOT_AVAILABLE : KOR_TEMP_OVERFLOW) << what;
        }
        ExpectExtreme(g.min, q.min, humidity, what);
        ExpectExtreme(g.max, q.max, humidity, what);
        const std::vector<uint8_t> t = Read(min_minl, 10);
        KORStamp min{}, max{};
        ConvertKORDataToMinMaxDateTime(t.data(), 1, &min);
        ConvertKORDataToMinMaxDateTime(t.data() + 5, 1, &max);
        if (q.min.marker == SIM_VALUE_OK) ExpectStamp(min, q.min.time, true, what);
        if (q.max.marker == SIM_VALUE_OK) ExpectStamp(max, q.max.time, true, what);
    }
    void CheckWind(const SimState &s) {
        WindGroup w{};
        int flags = 0;
        if (WIND_MINMAX_FLAGS == WIND_FLAGS + 1 && WINDIMP_L == WIND_FLAGS + 2 && WINDDIR == WIND_FLAGS + 5) {
            const std::vector<uint8_t> b = Read(WIND_FLAGS, KOR_WIND_MASK8_BYTES);
            ASSERT_EQ(DecodeWindMask8(b.data(), b.size(), &flags, &w.current, &w.direction), 0);
        } else {
            const std::vector<uint8_t> b = Read(WINDIMP_L, KOR_WIND_SPEED_MASK7_BYTES);
            ASSERT_EQ(DecodeWindSpeedMask7(b.data(), b.size(), &w.current), 0);
            w.direction = Read(WINDDIR, 1)[0] & 0xF;
            flags = Read(WIND_MINMAX_FLAGS, 1)[0] & 0xF;
        }
        const std::vector<uint8_t> wm = Read(WIND_MIN_00, KOR_WIND_MINMAX_BYTES);
        ASSERT_EQ(DecodeWindMinMax(wm.data(), wm.size(), &w), 0);
        ApplyWindFlags(flags, &w);
        // Marked wind extremes read as the program's error and overflow values.
        auto extreme = [](float got, const SimExtreme &e, const char *what) {
            if (e.marker == SIM_VALUE_OK) {
                EXPECT_NEAR(got, e.value, kTol) << what;
            } else {
                EXPECT_EQ(got, e.marker == SIM_VALUE_MISSING ? KOR_WIND_ERROR : KOR_WIND_OVERFLOW) << what;
            }
        };
        extreme(w.min, s.wind.min, "wind min");
        extreme(w.max, s.wind.max, "wind max");
        if (s.wind.marker != SIM_VALUE_OK) return;
        EXPECT_NEAR(w.current, s.wind.current, kTol);
        EXPECT_EQ(w.direction, s.wind_dir);
        if (s.wind.min.marker == SIM_VALUE_OK) ExpectStamp(w.min_time, s.wind.min.time, true, "wind min");
        if (s.wind.max.marker == SIM_VALUE_OK) ExpectStamp(w.max_time, s.wind.max.time, false, "wind max");
    }
    void CheckPressure(const SimState &s) {
        PressureGroup p{};
        std::vector<uint8_t> b = Read(PRESS_ABS_HPA, KOR_PRESSURE_BYTES);
        ASSERT_EQ(DecodePressure(b.data(), b.size(), &p), 0);
        b = Read(PRESS_ABS_HPA_MIN, KOR_PRESSURE_BYTES);
        ASSERT_EQ(DecodePressureMinMax(b.data(), b.size(), &p), 0);
        b = Read(WEATHER_TYPE, 1);
        ASSERT_EQ(DecodeWeatherPicture(b.data(), b.size(), &p), 0);
        if (s.press.marker == SIM_VALUE_OK) {
            EXPECT_NEAR(p.current, s.press.current, kTol);
        }
        EXPECT_NEAR(p.rel_offset, s.rel_offset, kTol);
        ExpectExtreme(p.min, s.press.min, false, "pressure min");
        ExpectExtreme(p.max, s.press.max, false, "pressure max");
        EXPECT_EQ(p.weather, s.weather);
        EXPECT_EQ(p.trend, s.trend);
        b = Read(PRESS_MIN_MINL, 10);
        KORStamp min{}, max{};
        ConvertKORDataToMinMaxDateTime(b.data(), 1, &min);
        ConvertKORDataToMinMaxDateTime(b.data() + 5, 1, &max);
        if (s.press.min.marker == SIM_VALUE_OK) ExpectStamp(min, s.press.min.time, true, "pressure min");
        if (s.press.max.marker == SIM_VALUE_OK) ExpectStamp(max, s.press.max.time, true, "pressure max");
    }
    void CheckRain(const SimState &s) {
        RainGroup r{};
        std::vector<uint8_t> b = Read(RAIN24H_00, KOR_RAIN_BYTES);
        ASSERT_EQ(DecodeRain(b.data(), b.size(), &r.rain_24h, &r.max_24h), 0);
        b = Read(RAIN1H_00, KOR_RAIN_BYTES);
        ASSERT_EQ(DecodeRain(b.data(), b.size(), &r.rain_1h, &r.max_1h), 0);
        b = Read(RAINTOTAL_00, KOR_RAIN_TOTAL_BYTES);
        ASSERT_EQ(DecodeRainTotal(b.data(), b.size(), &r.total), 0);
        EXPECT_NEAR(r.rain_24h, s.rain_24h, kTol);
        EXPECT_NEAR(r.rain_1h, s.rain_1h, kTol);
        EXPECT_NEAR(r.max_24h.value, s.rain_24h_max.value, kTol);
        EXPECT_NEAR(r.max_1h.value, s.rain_1h_max.value, kTol);
        EXPECT_NEAR(r.total.value, s.rain_total, 0.011);  // the 0.001 digit is not read
        ExpectStamp(r.max_24h.time, s.rain_24h_max.time, true, "rain 24h max");
        ExpectStamp(r.max_1h.time, s.rain_1h_max.time, true, "rain 1h max");
        ExpectStamp(r.total.time, s.rain_total_reset, true, "rain total reset");
    }
    void CheckLineAndClock(const SimState &s) {
        ReceptionGroup rx{};
        std::vector<uint8_t> b = Read(TX_INTERVAL_L, KOR_RECEPTION_BYTES);
        EXPECT_EQ(DecodeReceptionTimer(b.data(), b.size(), &rx), s.tx_interval > 0 ? 0 : 1) << "plausible timer";
        if (s.tx_interval > 0) {
            EXPECT_EQ(rx.tx_interval, s.tx_interval);
            EXPECT_NEAR(rx.tx_countdown, s.tx_countdown, 1e-6);
        }
        for (uint16_t at : {KOR_ALARM_ENABLE_NIBBLE, KOR_ALARM_STATE_NIBBLE}) {
            AlarmFlags flags{};
            b = Read(at, KOR_ALERT_BYTES);
            ASSERT_EQ(DecodeAlert(b.data(), b.size(), &flags), 0);
            const uint8_t *meant = at == KOR_ALARM_ENABLE_NIBBLE ? s.alarm_enable : s.alarm_state;
            EXPECT_EQ(flags.flag[2], (meant[0] >> 2) & 1) << std::hex << at;
            EXPECT_EQ(flags.flag[8], (meant[2] >> 3) & 1) << std::hex << at;
            EXPECT_EQ(flags.flag[19], (meant[6] >> 2) & 1) << std::hex << at;
        }
        EXPECT_EQ(DecodeWindUnit(Read(KOR_WIND_UNIT_NIBBLE, 1)[0]), 1) << "km/h";
        struct tm minsec{}, final_time{};
        b = Read(CSECL, 2);
        ASSERT_EQ(DecodeKORMinSec(b.data(), b.size(), &minsec), 0);
        b = Read(FINAL_CMINL, 6);
        ASSERT_EQ(DecodeKORFinalTimeDate(b.data(), b.size(), &final_time), 0);
        EXPECT_EQ(minsec.tm_sec, s.station_second);
        EXPECT_EQ(minsec.tm_min, s.station.minute);
        EXPECT_EQ(final_time.tm_min, s.station.minute);
        EXPECT_EQ(final_time.tm_hour, s.station.hour);
        EXPECT_EQ(final_time.tm_wday, s.station_weekday);
        EXPECT_EQ(final_time.tm_mday, s.station.day);
        EXPECT_EQ(final_time.tm_mon + 1, s.station.month);
        EXPECT_EQ(final_time.tm_year + 1900, s.station.year);
    }
    void CheckHistory(const SimState &s) {
        if (!KORMapHasHistoryMemory()) return;
        const std::vector<uint8_t> h = Read(HIST_INTERVAL, KOR_HISTORY_HEADER_BYTES);
        KORHistoryHeader header{};
        ASSERT_EQ(DecodeKORHistoryHeader(h.data(), h.size(), 0, &header), 0);
        EXPECT_EQ(header.interval_code + 1, s.hist_interval_min);
        EXPECT_EQ(header.countdown, s.hist_countdown);
        EXPECT_EQ(header.index, s.hist_index);
        EXPECT_EQ(header.data_number, s.hist_count);
        // The console's clock at the newest data set, turned into a count as the program
        // does it (read as local time).
        struct tm last{};
        const time_t station = static_cast<time_t>(s.hist_last_time + s.tz_offset_s);
        gmtime_r(&station, &last);
        last.tm_isdst = 0;
        if (s.hist_count > 0) {
            EXPECT_EQ(header.last_data_set_time, static_cast<uint32_t>(mktime(&last)));
        }
        for (int n = 0; n < s.hist_count; ++n) {
            const int i = (s.hist_index - n + HIST_MAX_DATA) % HIST_MAX_DATA;
            const std::vector<uint8_t> d =
                Read(static_cast<uint16_t>(HIST_START_ADDRESS + KOR_HISTORY_DATA_SET_NIBBLES * i),
                     KOR_HISTORY_DATA_SET_BYTES);
            HistoryRecord rec{};
            DecodeHistoryDataSet(d.data(), &rec);
            const SimHistorySet &m = s.hist[i];
            auto temp = [](double v, int marker) {
                return marker == SIM_VALUE_MISSING ? 81.11 : marker == SIM_VALUE_OVERFLOW ? 136.65 : v;
            };
            EXPECT_NEAR(rec.indoor_temperature, temp(m.itemp, m.itemp_marker), kTol) << i;
            EXPECT_NEAR(rec.outdoor_temperature, temp(m.otemp, m.otemp_marker), kTol) << i;
            EXPECT_NEAR(rec.pressure, m.press, kTol) << i;
            EXPECT_EQ(rec.indoor_humidity, m.ihum) << i;
            EXPECT_EQ(rec.outdoor_humidity, m.ohum) << i;
            EXPECT_NEAR(rec.rain, 0.518 * m.rain_raw, kTol) << i;
            EXPECT_NEAR(rec.wind_speed, m.wind, kTol) << i;
            EXPECT_EQ(rec.wind_direction, m.wind_dir) << i;
            if (n > 0) {
                EXPECT_EQ(s.hist[(i + 1) % HIST_MAX_DATA].time - m.time, 60 * s.hist_interval_min) << i;
            }
        }
    }
    void CheckEverything() {
        const SimState s = State();
        CheckTempGroup(ITEMP_ML, ITEMP_MIN_MINL, s.itemp, false, 1, "itemp");
        CheckTempGroup(OTEMP_ML, OTEMP_MIN_MINL, s.otemp, false, 1, "otemp");
        CheckTempGroup(CHILL_ML, CHILL_MIN_MINL, s.chill, false, 0, "chill");
        CheckTempGroup(DEW_ML, DEW_MIN_MINL, s.dew, false, 0, "dew");
        CheckTempGroup(IHUM_L, IHUM_MIN_MINL, s.ihum, true, 0, "ihum");
        CheckTempGroup(OHUM_L, OHUM_MIN_MINL, s.ohum, true, 0, "ohum");
        CheckWind(s);
        CheckPressure(s);
        CheckRain(s);
        CheckLineAndClock(s);
        CheckHistory(s);
    }

    TempFolder folder_;
    StationSim *sim_ = nullptr;
    SimClient client_;
};

// Every group at the start and after hours and days of weather, with the radio timer
// read between receptions.
TEST_P(SimStation, EveryGroupReadsAsMeant) {
    SimOptions o = Options();
    o.radio_interval_s = 32;  // first reception 16 s in
    Start(o);
    const SimState s0 = State();
    EXPECT_EQ(s0.station.hour, 9);  // UTC+1
    EXPECT_EQ(s0.station.minute, 7);
    EXPECT_EQ(s0.station_weekday, 2);
    EXPECT_EQ(s0.hist_count, GetParam() == 1 ? 0 : 40);
    CheckEverything();
    for (int k = 0; k < 3; ++k) {
        StationSimAdvance(sim_, 32.0 * 113 * (k + 1));  // whole radio periods: never in a window
        SCOPED_TRACE(k);
        CheckEverything();
    }
    const SimState s1 = State();
    EXPECT_NE(s1.otemp.current, s0.otemp.current);
    EXPECT_LE(s1.otemp.min.value, s1.otemp.current);
    EXPECT_GE(s1.otemp.max.value, s1.otemp.current);
}

TEST_P(SimStation, SensorMarkers) {
    SimOptions o = Options();
    o.missing = SIM_SENSOR_OTEMP;
    o.overflow = SIM_SENSOR_ITEMP | SIM_SENSOR_WIND;
    Start(o);
    const SimState s = State();
    EXPECT_EQ(s.otemp.marker, SIM_VALUE_MISSING);
    EXPECT_EQ(s.chill.marker, SIM_VALUE_MISSING);
    EXPECT_EQ(s.itemp.marker, SIM_VALUE_OVERFLOW);
    CheckEverything();
}

TEST_P(SimStation, FactoryThresholdsReadBack) {
    Start(Options());
    float v = 0;
    const struct { uint16_t at; float celsius; } temps[] = {
        {ITEMP_LOAL_ML, 16}, {ITEMP_HIAL_ML, 28}, {OTEMP_LOAL_ML, -10}, {OTEMP_HIAL_ML, 35},
        {CHILL_LOAL_ML, -15}, {CHILL_HIAL_ML, 30}, {DEW_LOAL_ML, -5}, {DEW_HIAL_ML, 20}};
    for (const auto &t : temps) {
        const std::vector<uint8_t> b = Read(t.at, 2);
        ASSERT_EQ(DecodeTemperatureAlarmValue(b.data(), b.size(), &v), 0);
        EXPECT_NEAR(v, t.celsius, kTol) << std::hex << t.at;
    }
    const struct { uint16_t at; float percent; } hums[] = {
        {IHUM_LOAL_L, 30}, {IHUM_HIAL_L, 70}, {OHUM_LOAL_L, 20}, {OHUM_HIAL_L, 98}};
    for (const auto &h : hums) {
        const std::vector<uint8_t> b = Read(h.at, 1);
        ASSERT_EQ(DecodeHumidityValue(b.data(), b.size(), &v), 0);
        EXPECT_EQ(v, h.percent);
    }
    const struct { uint16_t at; float hpa; } press[] = {
        {PRESS_ABS_HPA_LOAL, 950}, {PRESS_ABS_HPA_HIAL, 1030}, {PRESS_REL_HPA_LOAL, 980}, {PRESS_REL_HPA_HIAL, 1040}};
    for (const auto &p : press) {
        const std::vector<uint8_t> b = Read(p.at, 3);
        ASSERT_EQ(DecodePressureAlarmValue(b.data(), b.size(), &v), 0);
        EXPECT_NEAR(v, p.hpa, kTol);
    }
    std::vector<uint8_t> b = Read(WIND_HIAL_00, 3);
    ASSERT_EQ(DecodeAlarmWind(b.data(), b.size(), &v), 0);
    EXPECT_NEAR(v, 60.0f / 3.6f, kTol);
    b = Read(RAIN1H_AL_01, 3);
    ASSERT_EQ(DecodeRainAlarmValue(b.data(), b.size(), &v), 0);
    EXPECT_NEAR(v, 10.0f, kTol);
    b = Read(RAIN24H_AL_01, 3);
    ASSERT_EQ(DecodeRainAlarmValue(b.data(), b.size(), &v), 0);
    EXPECT_NEAR(v, 50.0f, kTol);
    uint32_t mask = 1;
    b = Read(ALERT_FLAGS7, 2);
    ASSERT_EQ(DecodeAlarmWindDirection(b.data(), b.size(), &mask), 0);
    EXPECT_EQ(mask, 0u);
}

// A threshold written with the program's encoder, then its enable bit: the state bit and
// the general alarm go on; cleared by the program they stay off while the condition
// merely persists.
TEST_P(SimStation, AlarmGoesOnWhenEnabledThresholdIsCrossed) {
    Start(Options());
    uint8_t n[8];
    Write(OTEMP_HIAL_LL, n, EncodeTemperatureAlarmValue(static_cast<float>(State().otemp.current) - 5.0f, n, sizeof n));
    StationSimAdvance(sim_, 10.0);
    EXPECT_EQ(State().alarm_state[2] & 0x8, 0) << "not enabled yet";
    Bit(0x01B, 3, true);
    StationSimAdvance(sim_, 10.0);
    AlarmFlags flags{};
    std::vector<uint8_t> b = Read(KOR_ALARM_STATE_NIBBLE, KOR_ALERT_BYTES);
    DecodeAlert(b.data(), b.size(), &flags);
    EXPECT_EQ(flags.flag[8], 1) << "outdoor high";
    EXPECT_EQ(flags.flag[2], 1) << "general alarm";
    EXPECT_TRUE(StationSimPeek(sim_, 0x028) & 0x8) << "went-off bit";
    Bit(0x022, 3, false);
    Bit(0x020, 2, false);
    StationSimAdvance(sim_, 60.0);
    b = Read(KOR_ALARM_STATE_NIBBLE, KOR_ALERT_BYTES);
    DecodeAlert(b.data(), b.size(), &flags);
    EXPECT_EQ(flags.flag[8], 0);
    EXPECT_EQ(flags.flag[2], 0);
}

// Resets as the program writes them: extremes with their stamps, wind extremes with
// their flags, the rain total; the EEPROM trigger and the change notice, which the
// console takes and clears.
TEST_P(SimStation, WrittenResetsTakeEffect) {
    Start(Options());
    StationSimAdvance(sim_, 6 * 3600.0);
    const SimState s0 = State();
    ASSERT_LT(s0.itemp.min.value, s0.itemp.max.value);
    uint8_t n[16];
    const float present = static_cast<float>(s0.itemp.current);
    Write(ITEMP_MIN_LL, n, EncodeTemperatureMinMax(present, n, sizeof n));
    Write(ITEMP_MAX_LL, n, EncodeTemperatureMinMax(present, n, sizeof n));
    struct tm when{};
    when.tm_min = 7, when.tm_hour = 8, when.tm_mday = 5, when.tm_mon = 2, when.tm_year = 107;
    Write(ITEMP_MIN_MINL, n, EncodeKORTime(&when, n, sizeof n));
    Write(ITEMP_MAX_MINL, n, EncodeKORTime(&when, n, sizeof n));
    uint8_t wind_flags = 0;
    Write(WIND_MIN_00, n, EncodeWindSpeedMinMax(KOR_WIND_ERROR, n, sizeof n, &wind_flags));
    Write(WIND_MINMAX_FLAGS, &wind_flags, 1);
    const uint8_t zeros[7] = {};
    Write(RAINTOTAL_01, zeros, 7);
    Bit(KOR_EEPROM_TRIGGER_NIBBLE, 0, true);
    Bit(KOR_ALARM_NOTICE_NIBBLE, 2, true);
    EXPECT_EQ(StationSimPeek(sim_, KOR_EEPROM_TRIGGER_NIBBLE) & 1, 1);
    StationSimAdvance(sim_, 0.0);  // the console takes the writes
    SimState s1 = State();
    EXPECT_NEAR(s1.itemp.min.value, present, kTol);
    EXPECT_NEAR(s1.itemp.max.value, present, kTol);
    EXPECT_EQ(s1.itemp.min.time.year, 2007);
    EXPECT_EQ(s1.wind.min.marker, SIM_VALUE_MISSING);
    EXPECT_NEAR(s1.rain_total, 0.0, 1e-9);
    CheckEverything();
    StationSimAdvance(sim_, 10.0);
    s1 = State();
    EXPECT_EQ(s1.wind.min.marker, SIM_VALUE_OK) << "a good reading replaces the marked extreme";
    EXPECT_EQ(StationSimPeek(sim_, KOR_EEPROM_TRIGGER_NIBBLE) & 1, 0);
    EXPECT_EQ(StationSimPeek(sim_, KOR_ALARM_NOTICE_NIBBLE) & 4, 0);
    EXPECT_LT(s1.rain_total, 1.1);
    CheckEverything();
}

// The program's new interval and count take effect from the next minute; mask 7 has no
// history and keeps the ring's place empty.
TEST_P(SimStation, HistorySettingsTakeEffect) {
    Start(Options());
    if (GetParam() == 1) {
        StationSimAdvance(sim_, 3 * 3600.0);
        for (uint16_t a = 0x6B0; a < 0x700; ++a) EXPECT_EQ(StationSimPeek(sim_, a), 0) << std::hex << a;
        EXPECT_EQ(State().hist_count, 0);
        return;
    }
    StationSimAdvance(sim_, 60.0 - 7.0);  // to a whole minute
    const SimState s0 = State();
    const uint8_t settings[] = {4, 0, 0, 2, 0, 0};  // 5 minutes; next data set after 2 more
    Write(HIST_INTERVAL, settings, 6);
    const uint8_t none[] = {0, 0};
    Write(HIST_DATA_NUMBER, none, 2);
    StationSimAdvance(sim_, 0.0);
    EXPECT_EQ(State().hist_count, 0);
    EXPECT_EQ(State().hist_interval_min, 5);
    StationSimAdvance(sim_, 120.0);
    EXPECT_EQ(State().hist_count, 0);
    StationSimAdvance(sim_, 60.0);
    SimState s = State();
    EXPECT_EQ(s.hist_count, 1);
    EXPECT_EQ(s.hist_index, (s0.hist_index + 1) % SIM_HIST_MAX);
    EXPECT_EQ(s.hist_countdown, 4);
    const int64_t first = s.hist_last_time;
    StationSimAdvance(sim_, 20 * 60.0);
    s = State();
    EXPECT_EQ(s.hist_count, 5);
    EXPECT_EQ(s.hist_last_time, first + 20 * 60);
    CheckHistory(s);
}

// With one data set a minute the ring of 175 fills and wraps: the newest overwrite the
// oldest, the count stays at 175, and every data set across the wrap is one interval
// older than the next.
TEST_P(SimStation, HistoryRingWraps) {
    if (GetParam() == 1) return;  // no ring in mask 7 (see HistorySettingsTakeEffect)
    SimOptions o = Options();
    o.hist_interval_min = 1;
    o.prefill = 170;
    Start(o);
    EXPECT_EQ(State().hist_index, 169);
    EXPECT_EQ(State().hist_count, 170);
    StationSimAdvance(sim_, 10 * 60.0);
    const SimState s = State();
    EXPECT_EQ(s.hist_index, 4);
    EXPECT_EQ(s.hist_count, 175);
    EXPECT_EQ(s.hist[0].time, s.hist[174].time + 60);
    CheckHistory(s);
}

// The reception timer counts down to the next reception, and around it the console does
// not answer. A byte in a window counts against the program only once it has read the
// countdown and could have known the window.
TEST_P(SimStation, RadioReceptionWindow) {
    SimOptions o = Options();
    o.radio_interval_s = 8;  // first reception 4 s after the start, then every 8 s
    Start(o);
    client_.timeout_ms = 200;
    int id = 0;
    StationSimAdvance(sim_, 3.5);
    EXPECT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_SILENT);
    EXPECT_TRUE(State().radio_silent);
    StationSimAdvance(sim_, 2.7);  // 6.2 s: answering again, next reception at 12 s
    ReceptionGroup rx{};
    std::vector<uint8_t> b = Read(TX_INTERVAL_L, KOR_RECEPTION_BYTES);
    ASSERT_EQ(DecodeReceptionTimer(b.data(), b.size(), &rx), 0);
    EXPECT_EQ(rx.tx_interval, 8.0f);
    EXPECT_NEAR(rx.tx_countdown, 5.8f, 0.5f);
    StationSimAdvance(sim_, 4.8);  // 11.0 s
    EXPECT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_SILENT);
    StationSimAdvance(sim_, 2.9);  // 13.9 s: still receiving
    EXPECT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_SILENT);
    StationSimAdvance(sim_, 0.3);  // 14.2 s
    EXPECT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_OK);
    SimCounters counters;
    StationSimGetCounters(sim_, &counters);
    EXPECT_EQ(counters.radio_unplanned, 1u);
    EXPECT_EQ(counters.radio_ignored, 2u);
}

// Half an address followed by nothing is forgotten after a pause, so the next complete
// address is taken as it is sent.
TEST_P(SimStation, HalfAddressIsForgottenAfterAPause) {
    Start(Options());
    uint8_t echo = 0;
    ASSERT_EQ(ExchangeSimClient(&client_, 0x82, &echo, 1), 1);
    ASSERT_EQ(ExchangeSimClient(&client_, 0x86, &echo, 1), 1);
    EXPECT_EQ(echo, 0x11);
    StationSimAdvance(sim_, 1.0);
    uint8_t bytes[3];
    EXPECT_EQ(SimClientRead(&client_, IHUM_L, 3, bytes), SIM_CLIENT_OK);
}

INSTANTIATE_TEST_SUITE_P(BothVariants, SimStation, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return info.param == 1 ? std::string("Mask7") : std::string("Mask8");
                         });

}  // namespace
