// The simulator read and written over its pseudo-terminal, as the program does it: every
// group of values decodes (with the console readers' formulas, written here from the
// description of the console's memory) to what the simulator meant, in both variants;
// writes and bit commands act as they would on the console.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sim/sim_client.h"
#include "sim/stationsim.h"
#include "support/temp_folder.h"

namespace {

constexpr int64_t kStart = 1709626020;  // 2024-03-05 08:07 UTC, a Tuesday

// Addresses of the program's memory map, per variant where they differ.
struct Map {
    uint16_t wind_flags, wind_minmax_flags, wind_imp, wind_min_00, wind_min_minl, alert_flags7;
    uint16_t wind_loal_00, wind_hial_00, tx_interval, press_abs_hpa, press_abs_hpa_min, press_min_minl;
    uint16_t press_abs_hpa_loal, press_abs_hpa_hial, press_rel_hpa_loal, press_rel_hpa_hial;
};
constexpr Map kMask8{0x527, 0x528, 0x529, 0x4EC, 0x4F8, 0x4E2, 0x50C, 0x512, 0x54C,
                     0x5D8, 0x5F6, 0x61E, 0x632, 0x646, 0x63C, 0x650};
constexpr Map kMask7{0x4E9, 0x4EA, 0x4E2, 0x4F1, 0x4FD, 0x4E5, 0x511, 0x517, 0x54B,
                     0x5D7, 0x5F5, 0x61D, 0x631, 0x645, 0x63B, 0x64F};

int Nib(const std::vector<uint8_t> &b, int i) {
    return i % 2 ? b[i / 2] >> 4 : b[i / 2] & 0xF;
}
int Bcd(uint8_t byte) { return (byte >> 4) * 10 + (byte & 0xF); }

// Temperature from four digits starting at the 0.01 digit, with the +30 bias.
double Temp(const std::vector<uint8_t> &b, int i) {
    return Nib(b, i) / 100.0 + Nib(b, i + 1) / 10.0 + Nib(b, i + 2) + 10 * Nib(b, i + 3) - 30.0;
}
double Hpa(const std::vector<uint8_t> &b, int i) {
    return Nib(b, i) / 10.0 + Nib(b, i + 1) + 10 * Nib(b, i + 2) + 100 * Nib(b, i + 3) + 1000 * Nib(b, i + 4);
}
double Rain6(const std::vector<uint8_t> &b, int i) {
    return Nib(b, i) / 100.0 + Nib(b, i + 1) / 10.0 + Nib(b, i + 2) + 10 * Nib(b, i + 3) +
           100 * Nib(b, i + 4) + 1000 * Nib(b, i + 5);
}
// A stamp of five whole bytes: minute, hour, day, month, year.
SimStamp Stamp(const std::vector<uint8_t> &b, int byte) {
    return SimStamp{Bcd(b[byte]), Bcd(b[byte + 1]), Bcd(b[byte + 2]), Bcd(b[byte + 3]), 2000 + Bcd(b[byte + 4])};
}

void ExpectStamp(const SimStamp &got, const SimStamp &meant, const char *what) {
    EXPECT_EQ(got.minute, meant.minute) << what;
    EXPECT_EQ(got.hour, meant.hour) << what;
    EXPECT_EQ(got.day, meant.day) << what;
    EXPECT_EQ(got.month, meant.month) << what;
    EXPECT_EQ(got.year, meant.year) << what;
}

class SimStation : public ::testing::TestWithParam<int> {
protected:
    void Start(SimOptions opts) {
        opts.manual_clock = true;
        opts.pace_real = false;
        std::string error;
        sim_ = StartStationSim(opts, folder_.file("COM1").c_str(), &error);
        ASSERT_NE(sim_, nullptr) << error;
        ASSERT_EQ(OpenSimClient(&client_, folder_.file("COM1").c_str()), 0);
        map_ = opts.variant == 1 ? kMask7 : kMask8;
    }
    SimOptions Options() const {
        SimOptions o;
        o.variant = GetParam();
        o.seed = 7;
        o.start_time = kStart;
        o.tz_offset_s = 3600;
        o.tz_given = true;
        o.prefill = 30;
        o.radio_interval_s = 0;
        return o;
    }
    void TearDown() override {
        CloseSimClient(&client_);
        StopStationSim(sim_);
    }
    std::vector<uint8_t> Read(uint16_t address, int count) {
        std::vector<uint8_t> b(static_cast<size_t>(count));
        EXPECT_EQ(SimClientRead(&client_, address, count, b.data()), SIM_CLIENT_OK) << std::hex << address;
        return b;
    }
    void Write(uint16_t address, std::vector<uint8_t> nibbles) {
        ASSERT_EQ(SimClientWrite(&client_, address, nibbles.data(), static_cast<int>(nibbles.size())), SIM_CLIENT_OK);
    }
    void Bit(uint16_t address, int bit, bool set) {
        ASSERT_EQ(SimClientWriteBit(&client_, address, bit, set), SIM_CLIENT_OK);
    }
    SimState State() {
        SimState s;
        StationSimGetState(sim_, &s);
        return s;
    }

    void CheckTemperature(uint16_t ml, const SimQuantity &q, const char *what) {
        const std::vector<uint8_t> b = Read(ml, 7);
        EXPECT_NEAR(Temp(b, 0), q.current, 1e-6) << what;
        EXPECT_NEAR(Temp(b, 5), q.min.value, 1e-6) << what;
        EXPECT_NEAR(Temp(b, 10), q.max.value, 1e-6) << what;
    }
    void CheckHumidity(uint16_t l, const SimQuantity &q, const char *what) {
        const std::vector<uint8_t> b = Read(l, 3);
        EXPECT_EQ(Nib(b, 0) + 10 * Nib(b, 1), q.current) << what;
        EXPECT_EQ(Nib(b, 2) + 10 * Nib(b, 3), q.min.value) << what;
        EXPECT_EQ(Nib(b, 4) + 10 * Nib(b, 5), q.max.value) << what;
    }
    void CheckStamps(uint16_t min_minl, const SimQuantity &q, const char *what) {
        const std::vector<uint8_t> b = Read(min_minl, 10);
        ExpectStamp(Stamp(b, 0), q.min.time, what);
        ExpectStamp(Stamp(b, 5), q.max.time, what);
    }
    void CheckWind(const SimState &s) {
        double speed = 0;
        int dir = 0, flags = 0;
        if (GetParam() == 1) {
            const std::vector<uint8_t> imp = Read(map_.wind_imp, 2);
            speed = (Nib(imp, 0) + 16 * Nib(imp, 1) + 256 * Nib(imp, 2)) / 10.0;
            dir = Read(0x52C, 1)[0] & 0xF;
            flags = Read(map_.wind_minmax_flags, 1)[0] & 0xF;
        } else {
            const std::vector<uint8_t> b = Read(map_.wind_flags, 3);
            flags = Nib(b, 1);
            speed = (Nib(b, 2) + 16 * Nib(b, 3) + 256 * Nib(b, 4)) / 10.0;
            dir = Nib(b, 5);
        }
        EXPECT_NEAR(speed, s.wind.current, 1e-6);
        EXPECT_EQ(dir, s.wind_dir);
        EXPECT_EQ(flags, 0);
        const std::vector<uint8_t> b = Read(map_.wind_min_00, 15);
        EXPECT_NEAR((b[0] / 256.0 + b[1] + 256.0 * b[2]) / 100.0 / 3.6, s.wind.min.value, 1e-6);
        EXPECT_NEAR((b[3] / 256.0 + b[4] + 256.0 * b[5]) / 100.0 / 3.6, s.wind.max.value, 1e-6);
        ExpectStamp(Stamp(b, 6), s.wind.min.time, "wind min");
        const SimStamp max{Bcd(b[11]), Bcd(b[12]), Bcd(b[13]), Bcd(b[14]), s.wind.max.time.year};
        ExpectStamp(max, s.wind.max.time, "wind max");
    }
    void CheckPressure(const SimState &s) {
        std::vector<uint8_t> b = Read(map_.press_abs_hpa, 13);
        EXPECT_NEAR(Hpa(b, 0), s.press.current, 1e-6);
        EXPECT_NEAR(Hpa(b, 20) - 1000.0, s.rel_offset, 1e-6);
        b = Read(map_.press_abs_hpa_min, 13);
        EXPECT_NEAR(Hpa(b, 0), s.press.min.value, 1e-6);
        EXPECT_NEAR(Hpa(b, 20), s.press.max.value, 1e-6);
        b = Read(0x26B, 1);
        EXPECT_EQ(b[0] & 0xF, s.weather);
        EXPECT_EQ(b[0] >> 4, s.trend);
    }
    void CheckRain(const SimState &s) {
        std::vector<uint8_t> b = Read(0x497, 11);
        EXPECT_NEAR(Rain6(b, 0), s.rain_24h, 1e-6);
        EXPECT_NEAR(Rain6(b, 6), s.rain_24h_max.value, 1e-6);
        ExpectStamp(Stamp(b, 6), s.rain_24h_max.time, "rain 24h max");
        b = Read(0x4B4, 11);
        EXPECT_NEAR(Rain6(b, 0), s.rain_1h, 1e-6);
        EXPECT_NEAR(Rain6(b, 6), s.rain_1h_max.value, 1e-6);
        ExpectStamp(Stamp(b, 6), s.rain_1h_max.time, "rain 1h max");
        b = Read(0x4D2, 8);
        EXPECT_NEAR(Rain6(b, 0), std::floor(s.rain_total * 100.0 + 1e-6) / 100.0, 1e-6);  // 0.001 digit unread
        ExpectStamp(Stamp(b, 3), s.rain_total_reset, "rain total reset");
    }
    void CheckClockAndFlags(const SimState &s) {
        std::vector<uint8_t> b = Read(0x200, 2);
        EXPECT_EQ(Bcd(b[0]), s.station_second);
        EXPECT_EQ(Bcd(b[1]), s.station.minute);
        b = Read(0x23B, 6);
        EXPECT_EQ(Nib(b, 0) + 10 * Nib(b, 1), s.station.minute);
        EXPECT_EQ(Nib(b, 2) + 10 * Nib(b, 3), s.station.hour);
        EXPECT_EQ(Nib(b, 4), s.station_weekday);
        EXPECT_EQ(Nib(b, 5) + 10 * Nib(b, 6), s.station.day);
        EXPECT_EQ(Nib(b, 7) + 10 * Nib(b, 8), s.station.month);
        EXPECT_EQ(2000 + Nib(b, 9) + 10 * Nib(b, 10), s.station.year);
        for (uint16_t at : {0x019, 0x020}) {
            b = Read(at, 4);
            const uint8_t *meant = at == 0x019 ? s.alarm_enable : s.alarm_state;
            for (int i = 0; i < 7; ++i) EXPECT_EQ(Nib(b, i), meant[i]) << std::hex << at << " + " << i;
        }
        EXPECT_EQ(Read(0x00F, 1)[0] & 0xF, s.wind_unit);
    }
    void CheckHistory(const SimState &s) {
        if (GetParam() == 1) return;
        const std::vector<uint8_t> h = Read(0x6B2, 10);
        EXPECT_EQ(Nib(h, 0) + 16 * Nib(h, 1) + 256 * Nib(h, 2) + 1, s.hist_interval_min);
        EXPECT_EQ(Nib(h, 3) + 16 * Nib(h, 4) + 256 * Nib(h, 5), s.hist_countdown);
        EXPECT_EQ(h[8], s.hist_index);
        EXPECT_EQ(h[9], s.hist_count);
        SimStamp last{};
        int second = 0, weekday = 0;
        SimConsole probe;
        probe.opts.tz_offset_s = s.tz_offset_s;
        SimStationTime(&probe, static_cast<double>(s.hist_last_time), &last, &second, &weekday);
        ExpectStamp(Stamp(h, 3), last, "last data set");
        for (int n = 0; n < s.hist_count; ++n) {
            const int i = (s.hist_index - n + SIM_HIST_MAX) % SIM_HIST_MAX;
            const std::vector<uint8_t> d = Read(static_cast<uint16_t>(0x6C6 + 19 * i), 10);
            const SimHistorySet &m = s.hist[i];
            const long x = Nib(d, 0) + 16L * Nib(d, 1) + 256L * Nib(d, 2) + 4096L * Nib(d, 3) + 65536L * Nib(d, 4);
            EXPECT_NEAR((x % 1000) / 10.0 - 30.0, m.itemp, 1e-6) << i;
            EXPECT_NEAR((x / 1000 % 1000) / 10.0 - 30.0, m.otemp, 1e-6) << i;
            const long y = Nib(d, 5) + 16L * Nib(d, 6) + 256L * Nib(d, 7) + 4096L * Nib(d, 8) + 65536L * Nib(d, 9);
            long code = y % 10000;
            if (code < 5000) code += 10000;
            EXPECT_NEAR(code / 10.0, m.press, 1e-6) << i;
            EXPECT_EQ(y / 10000 % 100, m.ihum) << i;
            EXPECT_EQ(Nib(d, 10) + 10 * Nib(d, 11), m.ohum) << i;
            EXPECT_EQ(Nib(d, 12) + 16 * Nib(d, 13) + 256 * Nib(d, 14), m.rain_raw) << i;
            EXPECT_NEAR((Nib(d, 15) + 16 * Nib(d, 16) + 256 * Nib(d, 17)) / 10.0, m.wind, 1e-6) << i;
            EXPECT_EQ(Nib(d, 18), m.wind_dir) << i;
            if (n > 0) {
                const SimHistorySet &newer = s.hist[(i + 1) % SIM_HIST_MAX];
                EXPECT_EQ(newer.time - m.time, 60 * s.hist_interval_min) << i;
            }
        }
    }
    void CheckEverything() {
        const SimState s = State();
        CheckTemperature(0x346, s.itemp, "itemp");
        CheckTemperature(0x373, s.otemp, "otemp");
        CheckTemperature(0x3A0, s.chill, "chill");
        CheckTemperature(0x3CE, s.dew, "dew");
        CheckHumidity(0x3FB, s.ihum, "ihum");
        CheckHumidity(0x419, s.ohum, "ohum");
        CheckStamps(0x354, s.itemp, "itemp");
        CheckStamps(0x381, s.otemp, "otemp");
        CheckStamps(0x3AE, s.chill, "chill");
        CheckStamps(0x3DC, s.dew, "dew");
        CheckStamps(0x401, s.ihum, "ihum");
        CheckStamps(0x41F, s.ohum, "ohum");
        CheckStamps(map_.press_min_minl, s.press, "pressure");
        CheckWind(s);
        CheckPressure(s);
        CheckRain(s);
        CheckClockAndFlags(s);
        CheckHistory(s);
    }

    TempFolder folder_;
    StationSim *sim_ = nullptr;
    SimClient client_;
    Map map_ = kMask8;
};

// Every group, at the start and after hours and a day of weather.
TEST_P(SimStation, EveryGroupReadsAsMeant) {
    Start(Options());
    const SimState s0 = State();
    EXPECT_EQ(s0.station.hour, 9);  // UTC+1
    EXPECT_EQ(s0.station.minute, 7);
    EXPECT_EQ(s0.station_weekday, 2);
    EXPECT_EQ(s0.hist_count, GetParam() == 1 ? 0 : 30);
    int id = 0;
    ASSERT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_OK);
    EXPECT_EQ(id, GetParam());
    CheckEverything();
    for (double hours : {1.0, 5.0, 30.0}) {
        StationSimAdvance(sim_, hours * 3600.0 + 7.0);
        SCOPED_TRACE(hours);
        CheckEverything();
    }
    const SimState s1 = State();
    EXPECT_NE(s1.otemp.current, s0.otemp.current);
    EXPECT_LE(s1.otemp.min.value, s1.otemp.current);
    EXPECT_GE(s1.otemp.max.value, s1.otemp.current);
}

TEST_P(SimStation, FactoryThresholdsReadBack) {
    Start(Options());
    const struct { uint16_t ml; double celsius; } temps[] = {
        {0x369, 16.0}, {0x36E, 28.0}, {0x396, -10.0}, {0x39B, 35.0},
        {0x3C3, -15.0}, {0x3C8, 30.0}, {0x3F1, -5.0}, {0x3F6, 20.0}};
    for (const auto &t : temps) EXPECT_NEAR(Temp(Read(t.ml, 2), 0), t.celsius, 1e-6) << std::hex << t.ml;
    const struct { uint16_t at; int percent; } hums[] = {{0x415, 30}, {0x417, 70}, {0x433, 20}, {0x435, 98}};
    for (const auto &h : hums) {
        const std::vector<uint8_t> b = Read(h.at, 1);
        EXPECT_EQ(Nib(b, 0) + 10 * Nib(b, 1), h.percent);
    }
    const struct { uint16_t at; double hpa; } press[] = {{map_.press_abs_hpa_loal, 950.0}, {map_.press_abs_hpa_hial, 1030.0},
                                                        {map_.press_rel_hpa_loal, 980.0}, {map_.press_rel_hpa_hial, 1040.0}};
    for (const auto &p : press) EXPECT_NEAR(Hpa(Read(p.at, 3), 0), p.hpa, 1e-6);
    for (uint16_t at : {map_.wind_loal_00, map_.wind_hial_00}) {
        const std::vector<uint8_t> b = Read(at, 3);
        const long raw = b[0] + 256L * b[1] + 65536L * b[2];
        EXPECT_NEAR((raw / 25600) / 3.6, at == map_.wind_loal_00 ? 0.0 : 60.0 / 3.6, 1e-6);
    }
    const std::vector<uint8_t> dir = Read(map_.alert_flags7, 2);
    EXPECT_EQ(dir[0] + 256 * dir[1], 0);
    for (uint16_t at : {0x4CA, 0x4AD}) {
        const std::vector<uint8_t> b = Read(at, 3);
        const double mm = Nib(b, 0) / 1000.0 + Nib(b, 1) / 100.0 + Nib(b, 2) / 10.0 + Nib(b, 3) + 10 * Nib(b, 4) +
                          100 * Nib(b, 5);
        EXPECT_NEAR(mm, at == 0x4CA ? 10.0 : 50.0, 1e-6);
    }
}

// An alarm threshold written as the program writes it, then its enable bit: the state
// bit and the general alarm go on; cleared by the program they stay off while the
// condition merely persists.
TEST_P(SimStation, AlarmGoesOnWhenEnabledThresholdIsCrossed) {
    Start(Options());
    const SimState s0 = State();
    const double threshold = s0.otemp.current - 5.0;  // outdoor high alarm, already exceeded
    const long n = std::lround((threshold + 30.0) * 10.0);
    Write(0x39A, {0, 0, static_cast<uint8_t>(n % 10), static_cast<uint8_t>(n / 10 % 10), static_cast<uint8_t>(n / 100)});
    StationSimAdvance(sim_, 10.0);
    EXPECT_EQ(State().alarm_state[2] & 0x8, 0) << "not enabled yet";
    Bit(0x01B, 3, true);
    StationSimAdvance(sim_, 10.0);
    std::vector<uint8_t> b = Read(0x020, 4);
    EXPECT_TRUE(b[1] & 0x08) << "outdoor high state (flag 8)";
    EXPECT_TRUE(b[0] & 0x04) << "general alarm (flag 2)";
    EXPECT_TRUE(StationSimPeek(sim_, 0x028) & 0x8) << "went-off bit";
    Bit(0x022, 3, false);
    Bit(0x020, 2, false);
    StationSimAdvance(sim_, 60.0);
    b = Read(0x020, 4);
    EXPECT_FALSE(b[1] & 0x08);
    EXPECT_FALSE(b[0] & 0x04);
}

// Resets as the program makes them: extremes and their stamps, the rain total, the
// EEPROM trigger and the change notice that the console takes and clears.
TEST_P(SimStation, WrittenResetsTakeEffect) {
    Start(Options());
    StationSimAdvance(sim_, 6 * 3600.0);
    const SimState s0 = State();
    ASSERT_LT(s0.itemp.min.value, s0.itemp.max.value);
    const long n = std::lround((s0.itemp.current + 30.0) * 1000.0);
    std::vector<uint8_t> digits;
    for (long v = n, i = 0; i < 5; ++i, v /= 10) digits.push_back(static_cast<uint8_t>(v % 10));
    Write(0x34A, digits);  // ITEMP_MIN_LL
    Write(0x34F, digits);  // ITEMP_MAX_LL
    Write(0x354, {7, 0, 8, 0, 5, 0, 3, 0, 7, 0});  // both stamps: 5 March 2007, 08:07
    Write(0x35E, {7, 0, 8, 0, 5, 0, 3, 0, 7, 0});
    Write(0x4D1, {0, 0, 0, 0, 0, 0, 0});  // RAINTOTAL_01
    Bit(0x00B, 0, true);
    Bit(0x008, 2, true);
    EXPECT_EQ(StationSimPeek(sim_, 0x00B) & 1, 1);
    EXPECT_EQ(StationSimPeek(sim_, 0x008) & 4, 4);
    StationSimAdvance(sim_, 0.0);  // the console takes the writes
    SimState s1 = State();
    EXPECT_NEAR(s1.itemp.min.value, s0.itemp.current, 1e-9);
    EXPECT_NEAR(s1.itemp.max.value, s0.itemp.current, 1e-9);
    ExpectStamp(s1.itemp.min.time, SimStamp{7, 8, 5, 3, 2007}, "written stamp");
    EXPECT_NEAR(s1.rain_total, 0.0, 1e-9);
    StationSimAdvance(sim_, 10.0);
    s1 = State();
    EXPECT_LE(s1.itemp.min.value, s0.itemp.current);
    EXPECT_EQ(StationSimPeek(sim_, 0x00B) & 1, 0);
    EXPECT_EQ(StationSimPeek(sim_, 0x008) & 4, 0);
    CheckEverything();
    EXPECT_GE(s1.rain_total, 0.0);
    EXPECT_LT(s1.rain_total, 1.1);
}

// The program's new history interval and count take effect from the next minute.
TEST_P(SimStation, HistorySettingsTakeEffect) {
    Start(Options());
    if (GetParam() == 1) {
        // Mask 7 keeps no history: the header and ring locations of mask 8 stay empty.
        StationSimAdvance(sim_, 3 * 3600.0);
        for (uint16_t a = 0x6B0; a < 0x700; ++a) EXPECT_EQ(StationSimPeek(sim_, a), 0) << std::hex << a;
        EXPECT_EQ(State().hist_count, 0);
        return;
    }
    StationSimAdvance(sim_, 60.0 - 7.0);  // to a whole minute
    const SimState s0 = State();
    Write(0x6B2, {4, 0, 0, 2, 0, 0});  // 5 minutes, next data set after 2 more ticks
    Write(0x6C4, {0, 0});
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

// With one data set a minute the ring of 175 fills and wraps: the newest data sets
// overwrite the oldest, the count stays at 175, and every data set in the ring, across
// the wrap, is one interval older than the next.
TEST_P(SimStation, HistoryRingWraps) {
    if (GetParam() == 1) return;  // no ring in mask 7 (see HistorySettingsTakeEffect)
    SimOptions o = Options();
    o.hist_interval_min = 1;
    o.prefill = 170;
    Start(o);
    SimState s = State();
    EXPECT_EQ(s.hist_index, 169);
    EXPECT_EQ(s.hist_count, 170);
    StationSimAdvance(sim_, 10 * 60.0);
    s = State();
    EXPECT_EQ(s.hist_index, 4);
    EXPECT_EQ(s.hist_count, 175);
    EXPECT_EQ(s.hist[0].time, s.hist[174].time + 60);
    CheckEverything();
}

// Sensors that report markers are stored as the console stores them, and the program's
// reader rules recognise them.
TEST_P(SimStation, SensorMarkers) {
    SimOptions o = Options();
    o.missing = SIM_SENSOR_OTEMP | SIM_SENSOR_WIND;
    o.overflow = SIM_SENSOR_ITEMP;
    Start(o);
    std::vector<uint8_t> b = Read(0x346, 7);
    EXPECT_EQ(Nib(b, 2), 0xF);  // indoor units digit: overflow (shown as 136.65)
    b = Read(0x373, 7);
    EXPECT_EQ(Nib(b, 2), 0xA);  // outdoor: missing (81.11)
    b = Read(0x3A0, 7);
    EXPECT_EQ(Nib(b, 2), 0xA);  // windchill follows the outdoor sensor
    const int flags = GetParam() == 1 ? Read(map_.wind_minmax_flags, 1)[0] & 0xF : Nib(Read(map_.wind_flags, 3), 1);
    EXPECT_EQ(flags, 0x5);      // both extremes flagged missing (51.0 m/s)
    const SimState s = State();
    EXPECT_EQ(s.otemp.marker, SIM_VALUE_MISSING);
    EXPECT_EQ(s.itemp.marker, SIM_VALUE_OVERFLOW);
    if (GetParam() == 2) {
        const std::vector<uint8_t> d = Read(static_cast<uint16_t>(0x6C6 + 19 * s.hist_index), 10);
        const long x = Nib(d, 0) + 16L * Nib(d, 1) + 256L * Nib(d, 2) + 4096L * Nib(d, 3) + 65536L * Nib(d, 4);
        EXPECT_EQ(x % 1000, 999);
        EXPECT_EQ(x / 1000 % 1000, 998);
    }
}

// The reception timer counts down to the next reception, and around it the console
// does not answer.
TEST_P(SimStation, RadioReceptionWindow) {
    SimOptions o = Options();
    o.radio_interval_s = 8;  // first reception 4 s after the start, then every 8 s
    Start(o);
    std::vector<uint8_t> b = Read(map_.tx_interval, 3);
    auto interval = [&] { return (b[0] + 256 * (b[1] & 0xF)) / 2.0 + 1.5; };
    auto countdown = [&] { return ((b[1] >> 4) + 16 * b[2]) / 2.0 + 1.5; };
    EXPECT_EQ(interval(), 8.0);
    EXPECT_NEAR(countdown(), 4.0, 0.5);
    client_.timeout_ms = 200;
    int id = 0;
    StationSimAdvance(sim_, 3.5);
    EXPECT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_SILENT);
    EXPECT_TRUE(State().radio_silent);
    StationSimAdvance(sim_, 2.4);  // 5.9 s: still receiving
    EXPECT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_SILENT);
    StationSimAdvance(sim_, 0.3);  // 6.2 s: answering again, next reception at 12 s
    EXPECT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_OK);
    b = Read(map_.tx_interval, 3);
    EXPECT_NEAR(countdown(), 5.8, 0.5);
    SimCounters counters;
    StationSimGetCounters(sim_, &counters);
    EXPECT_EQ(counters.radio_ignored, 2u);
}

INSTANTIATE_TEST_SUITE_P(BothVariants, SimStation, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return info.param == 1 ? std::string("Mask7") : std::string("Mask8");
                         });

}  // namespace
