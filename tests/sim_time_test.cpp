// The simulator's weather and clock over long stretches of simulated time: an hour on
// its own thread at a high time-speed factor, and a week stepped by hand, stay within
// plausible ranges and change no faster than weather does.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "sim/sim_client.h"
#include "sim/stationsim.h"
#include "support/temp_folder.h"

namespace {

constexpr int64_t kStart = 1709626020;  // 2024-03-05 08:07 UTC

void ExpectPlausible(const SimState &s) {
    EXPECT_GE(s.otemp.current, -30.0);
    EXPECT_LE(s.otemp.current, 45.0);
    EXPECT_GE(s.itemp.current, 10.0);
    EXPECT_LE(s.itemp.current, 32.0);
    EXPECT_GE(s.ohum.current, 10.0);
    EXPECT_LE(s.ohum.current, 99.0);
    EXPECT_GE(s.ihum.current, 20.0);
    EXPECT_LE(s.ihum.current, 80.0);
    EXPECT_LE(s.dew.current, s.otemp.current + 1e-9);
    EXPECT_LE(s.chill.current, s.otemp.current + 1e-9);
    EXPECT_GE(s.wind.current, 0.0);
    EXPECT_LE(s.wind.current, 30.0);
    EXPECT_GE(s.wind_dir, 0);
    EXPECT_LE(s.wind_dir, 15);
    const double rel = s.press.current + s.rel_offset;
    EXPECT_GE(rel, 960.0);
    EXPECT_LE(rel, 1050.0);
    EXPECT_GE(s.rel_offset, 0.0);
    EXPECT_LE(s.otemp.min.value, s.otemp.current);
    EXPECT_GE(s.otemp.max.value, s.otemp.current);
    EXPECT_LE(s.rain_1h, s.rain_24h + 1e-9);
    EXPECT_GE(s.weather, 0);
    EXPECT_LE(s.weather, 2);
    EXPECT_GE(s.trend, 0);
    EXPECT_LE(s.trend, 2);
}

// Changes between two samples dt seconds apart stay within what weather does.
void ExpectGradual(const SimState &a, const SimState &b) {
    const double hours = (b.now - a.now) / 3600.0;
    EXPECT_LE(std::fabs(b.otemp.current - a.otemp.current), 1.0 + 4.0 * hours);
    EXPECT_LE(std::fabs(b.itemp.current - a.itemp.current), 0.5 + 2.0 * hours);
    EXPECT_LE(std::fabs(b.press.current - a.press.current), 1.0 + 4.0 * hours);
    EXPECT_LE(std::fabs(b.ohum.current - a.ohum.current), 12.0 + 25.0 * hours);  // a shower comes quickly
    EXPECT_GE(b.rain_total, a.rain_total);
    EXPECT_LE(b.rain_total - a.rain_total, 0.6 + 8.0 * hours);
}

TEST(SimTime, HourAtHighSpeedStaysPlausible) {
    TempFolder folder;
    SimOptions o;
    o.seed = 3;
    o.start_time = kStart;
    o.speed = 3600.0;
    o.pace_real = false;
    o.prefill = 0;
    o.hist_interval_min = 5;
    std::string error;
    StationSim *sim = StartStationSim(o, folder.file("COM1").c_str(), &error);
    ASSERT_NE(sim, nullptr) << error;
    SimState first, prev, s;
    StationSimGetState(sim, &first);
    prev = first;
    int samples = 0;
    for (int i = 0; i < 6000; ++i) {  // ends at an hour of simulated time, whatever the pace
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        StationSimGetState(sim, &s);
        ExpectPlausible(s);
        ExpectGradual(prev, s);
        prev = s;
        ++samples;
        if (s.now >= kStart + 3600.0 || ::testing::Test::HasFailure()) break;
    }
    StopStationSim(sim);
    ASSERT_GE(s.now, kStart + 3600.0);
    EXPECT_GT(samples, 1);
    EXPECT_GE(s.hist_count, 12);   // one data set every 5 minutes
    EXPECT_LE(s.hist_count, 13);
    EXPECT_EQ(s.station.hour, (first.station.hour + 1) % 24);
}

TEST(SimTime, WeekStaysPlausibleAndVaries) {
    SimConsole c;
    SimOptions o;
    o.seed = 5;
    o.start_time = kStart;
    o.tz_given = true;
    o.prefill = 0;
    InitSimConsole(&c, o);
    SimState prev = c.state;
    double lo = 100, hi = -100, plo = 2000, phi = 0;
    for (int step = 1; step <= 7 * 24 * 6; ++step) {
        const double t = kStart + 600.0 * step;
        AdvanceSimConsole(&c, t);
        RefreshSimClock(&c, t, 0);
        ExpectPlausible(c.state);
        ExpectGradual(prev, c.state);
        if (::testing::Test::HasFailure()) break;
        prev = c.state;
        lo = std::min(lo, c.state.otemp.current);
        hi = std::max(hi, c.state.otemp.current);
        plo = std::min(plo, c.state.press.current);
        phi = std::max(phi, c.state.press.current);
    }
    // A week has days and nights and passing weather, and some rain.
    EXPECT_GT(hi - lo, 4.0);
    EXPECT_GT(phi - plo, 3.0);
    EXPECT_NEAR(c.state.otemp.min.value, lo, 1e-9);
    EXPECT_NEAR(c.state.otemp.max.value, hi, 1e-9);
    EXPECT_GT(c.state.rain_24h_max.value, 0.0);
    EXPECT_EQ(c.state.hist_count, SIM_HIST_MAX);
}

// While time runs (and the line is paced as the real one), extremes written by the
// program are taken in once the write is complete, and are not overwritten by readings
// that do not beat them.
TEST(SimTime, WritesTakeEffectWhileRunning) {
    TempFolder folder;
    SimOptions o;
    o.start_time = kStart;
    o.speed = 600.0;
    o.radio_interval_s = 0;
    std::string error;
    StationSim *sim = StartStationSim(o, folder.file("COM1").c_str(), &error);
    ASSERT_NE(sim, nullptr) << error;
    SimClient client;
    ASSERT_EQ(OpenSimClient(&client, folder.file("COM1").c_str()), 0);
    const uint8_t low[] = {0, 0, 0, 0, 1};    // 10.000 - 30 = -20 °C
    const uint8_t high[] = {0, 0, 0, 0, 9};   // 90.000 - 30 = 60 °C
    const uint8_t stamp[] = {7, 0, 8, 0, 5, 0, 3, 0, 7, 0};
    EXPECT_EQ(SimClientWrite(&client, 0x34A, low, 5), SIM_CLIENT_OK);
    EXPECT_EQ(SimClientWrite(&client, 0x34F, high, 5), SIM_CLIENT_OK);
    EXPECT_EQ(SimClientWrite(&client, 0x354, stamp, 10), SIM_CLIENT_OK);
    EXPECT_EQ(SimClientWrite(&client, 0x35E, stamp, 10), SIM_CLIENT_OK);
    SimState s;
    for (int i = 0; i < 500; ++i) {  // until the console has taken them (about 0.1 s)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        StationSimGetState(sim, &s);
        if (s.itemp.min.value == -20.0 && s.itemp.max.value == 60.0) break;
    }
    const double taken_at = s.now;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    StationSimGetState(sim, &s);
    EXPECT_GT(s.now, taken_at);
    EXPECT_NEAR(s.itemp.min.value, -20.0, 1e-9);
    EXPECT_NEAR(s.itemp.max.value, 60.0, 1e-9);
    EXPECT_EQ(s.itemp.min.time.year, 2007);
    EXPECT_EQ(s.itemp.max.time.minute, 7);
    uint8_t bytes[7];
    ASSERT_EQ(SimClientRead(&client, 0x346, 7, bytes), SIM_CLIENT_OK);
    EXPECT_EQ(bytes[4] & 0xF, 1);   // minimum's tens digit
    EXPECT_EQ(bytes[6] >> 4, 9);    // maximum's tens digit
    CloseSimClient(&client);
    StopStationSim(sim);
}

// One seed, one weather: two consoles built alike agree to the last nibble.
TEST(SimTime, SeedNamesOneHistory) {
    SimOptions o;
    o.seed = 9;
    o.start_time = kStart;
    o.tz_given = true;
    SimConsole a, b;
    InitSimConsole(&a, o);
    InitSimConsole(&b, o);
    AdvanceSimConsole(&a, kStart + 7200.0);
    for (int i = 1; i <= 720; ++i) AdvanceSimConsole(&b, kStart + 10.0 * i + 3.0);
    EXPECT_EQ(a.mem.nibble, b.mem.nibble);
    o.seed = 10;
    SimConsole other;
    InitSimConsole(&other, o);
    AdvanceSimConsole(&other, kStart + 7200.0);
    EXPECT_NE(a.mem.nibble, other.mem.nibble);
}

}  // namespace
