// The simulator against the program's own memory map and decoders: what the console
// encoded from its description of the memory, the program's decoders (written from the
// readers' description) must turn back into what the console meant, in both variants,
// with markers, and for the history ring. A disagreement is a fault on one side.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "history/station_history.h"
#include "sim/sim_client.h"
#include "sim/stationsim.h"
#include "station/data/kor_clock_codec.h"
#include "station/data/kor_decode.h"
#include "station/data/kor_memory_map.h"
#include "support/temp_folder.h"

namespace {

constexpr float kTol = 2e-3f;

class SimCrossCheck : public ::testing::TestWithParam<int> {
protected:
    void Start(SimOptions o) {
        o.variant = GetParam();
        o.seed = 21;
        o.start_time = 1709626020;
        o.tz_offset_s = 7200;
        o.tz_given = true;
        o.manual_clock = true;
        o.pace_real = false;
        o.prefill = 40;
        o.wind_unit = 3;  // km/h on the console
        std::string error;
        sim_ = StartStationSim(o, folder_.file("COM1").c_str(), &error);
        ASSERT_NE(sim_, nullptr) << error;
        ASSERT_EQ(OpenSimClient(&client_, folder_.file("COM1").c_str()), 0);
        int id = 0;
        ASSERT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_OK);
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
    SimState State() {
        SimState s;
        StationSimGetState(sim_, &s);
        return s;
    }
    void ExpectStamp(const KORStamp &got, const SimStamp &meant, bool with_year, const char *what) {
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
    void ExpectExtreme(float got, const SimExtreme &e, bool humidity, const char *what) {
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
    // Temperatures and humidities: present value, extremes and the stamps of the extremes.
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
    void CheckAll() {
        const SimState s = State();
        CheckTempGroup(ITEMP_ML, ITEMP_MIN_MINL, s.itemp, false, 1, "itemp");
        CheckTempGroup(OTEMP_ML, OTEMP_MIN_MINL, s.otemp, false, 1, "otemp");
        CheckTempGroup(CHILL_ML, CHILL_MIN_MINL, s.chill, false, 0, "chill");
        CheckTempGroup(DEW_ML, DEW_MIN_MINL, s.dew, false, 0, "dew");
        CheckTempGroup(IHUM_L, IHUM_MIN_MINL, s.ihum, true, 0, "ihum");
        CheckTempGroup(OHUM_L, OHUM_MIN_MINL, s.ohum, true, 0, "ohum");

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
        if (s.wind.marker == SIM_VALUE_OK) {
            EXPECT_NEAR(w.current, s.wind.current, kTol);
            EXPECT_EQ(w.direction, s.wind_dir);
            EXPECT_NEAR(w.min, s.wind.min.value, kTol);
            EXPECT_NEAR(w.max, s.wind.max.value, kTol);
            ExpectStamp(w.min_time, s.wind.min.time, true, "wind min");
            ExpectStamp(w.max_time, s.wind.max.time, false, "wind max");
        } else {
            EXPECT_EQ(w.min, s.wind.marker == SIM_VALUE_MISSING ? KOR_WIND_ERROR : KOR_WIND_OVERFLOW);
            EXPECT_EQ(w.max, s.wind.marker == SIM_VALUE_MISSING ? KOR_WIND_ERROR : KOR_WIND_OVERFLOW);
        }

        PressureGroup p{};
        std::vector<uint8_t> b = Read(PRESS_ABS_HPA, KOR_PRESSURE_BYTES);
        ASSERT_EQ(DecodePressure(b.data(), b.size(), &p), 0);
        b = Read(PRESS_ABS_HPA_MIN, KOR_PRESSURE_BYTES);
        ASSERT_EQ(DecodePressureMinMax(b.data(), b.size(), &p), 0);
        b = Read(WEATHER_TYPE, 1);
        ASSERT_EQ(DecodeWeatherPicture(b.data(), b.size(), &p), 0);
        EXPECT_NEAR(p.current, s.press.current, kTol);
        EXPECT_NEAR(p.rel_offset, s.rel_offset, kTol);
        ExpectExtreme(p.min, s.press.min, false, "pressure min");
        ExpectExtreme(p.max, s.press.max, false, "pressure max");
        EXPECT_EQ(p.weather, s.weather);
        EXPECT_EQ(p.trend, s.trend);

        RainGroup r{};
        b = Read(RAIN24H_00, KOR_RAIN_BYTES);
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
        ExpectStamp(r.total.time, s.rain_total_reset, true, "rain total reset");

        ReceptionGroup rx{};
        b = Read(TX_INTERVAL_L, KOR_RECEPTION_BYTES);
        EXPECT_EQ(DecodeReceptionTimer(b.data(), b.size(), &rx), s.tx_interval > 0 ? 0 : 1) << "plausible timer";
        if (s.tx_interval > 0) {
            EXPECT_EQ(rx.tx_interval, s.tx_interval);
            EXPECT_NEAR(rx.tx_countdown, s.tx_countdown, 1e-6);
        }

        AlarmFlags enable{}, state{};
        b = Read(KOR_ALARM_ENABLE_NIBBLE, KOR_ALERT_BYTES);
        ASSERT_EQ(DecodeAlert(b.data(), b.size(), &enable), 0);
        b = Read(KOR_ALARM_STATE_NIBBLE, KOR_ALERT_BYTES);
        ASSERT_EQ(DecodeAlert(b.data(), b.size(), &state), 0);
        EXPECT_EQ(state.flag[2], (s.alarm_state[0] >> 2) & 1) << "general alarm";
        EXPECT_EQ(state.flag[8], (s.alarm_state[2] >> 3) & 1) << "outdoor high";
        EXPECT_EQ(enable.flag[8], (s.alarm_enable[2] >> 3) & 1);
        EXPECT_EQ(DecodeWindUnit(Read(KOR_WIND_UNIT_NIBBLE, 1)[0]), 1) << "km/h";

        struct tm minsec{}, final_time{};
        b = Read(CSECL, 2);
        ASSERT_EQ(DecodeKORMinSec(b.data(), b.size(), &minsec), 0);
        b = Read(FINAL_CMINL, 6);
        ASSERT_EQ(DecodeKORFinalTimeDate(b.data(), b.size(), &final_time), 0);
        EXPECT_EQ(minsec.tm_sec, s.station_second);
        EXPECT_EQ(final_time.tm_min, s.station.minute);
        EXPECT_EQ(final_time.tm_hour, s.station.hour);
        EXPECT_EQ(final_time.tm_mday, s.station.day);
        EXPECT_EQ(final_time.tm_mon + 1, s.station.month);
        EXPECT_EQ(final_time.tm_year + 1900, s.station.year);

        if (KORMapHasHistoryMemory()) CheckHistory(s);
    }
    void CheckHistory(const SimState &s) {
        const std::vector<uint8_t> h = Read(HIST_INTERVAL, KOR_HISTORY_HEADER_BYTES);
        KORHistoryHeader header{};
        ASSERT_EQ(DecodeKORHistoryHeader(h.data(), h.size(), 0, &header), 0);
        EXPECT_EQ(header.interval_code + 1, s.hist_interval_min);
        EXPECT_EQ(header.countdown, s.hist_countdown);
        EXPECT_EQ(header.index, s.hist_index);
        EXPECT_EQ(header.data_number, s.hist_count);
        // The console's clock of the newest data set, as the program reads it (local time).
        struct tm last{};
        const time_t station = static_cast<time_t>(s.hist_last_time + s.tz_offset_s);
        gmtime_r(&station, &last);
        last.tm_isdst = 0;
        EXPECT_EQ(header.last_data_set_time, static_cast<uint32_t>(mktime(&last)));
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
        }
    }

    TempFolder folder_;
    StationSim *sim_ = nullptr;
    SimClient client_;
};

TEST_P(SimCrossCheck, ProgramDecodersReadWhatTheConsoleMeant) {
    SimOptions o;
    o.radio_interval_s = 32;
    Start(o);
    CheckAll();
    // Move on in whole radio periods so the line is never inside a reception window.
    for (int k = 0; k < 3; ++k) {
        StationSimAdvance(sim_, 32.0 * 113);
        SCOPED_TRACE(k);
        CheckAll();
    }
}

TEST_P(SimCrossCheck, MarkersAsTheProgramSeesThem) {
    SimOptions o;
    o.radio_interval_s = 0;
    o.missing = SIM_SENSOR_OTEMP;
    o.overflow = SIM_SENSOR_ITEMP | SIM_SENSOR_WIND;
    Start(o);
    CheckAll();
}

INSTANTIATE_TEST_SUITE_P(BothVariants, SimCrossCheck, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return info.param == 1 ? std::string("Mask7") : std::string("Mask8");
                         });

}  // namespace
