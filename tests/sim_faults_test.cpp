// Faults injected by the simulator show up on the line at the rate asked for. The
// patterns are seeded, so each test sees the same faults every run; the bounds are wide
// enough to hold for any seed.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "sim/sim_client.h"
#include "sim/stationsim.h"
#include "support/temp_folder.h"

namespace {

class SimFaults : public ::testing::Test {
protected:
    void Start(SimOptions opts) {
        opts.seed = 11;
        opts.start_time = 1709626020;
        opts.radio_interval_s = 0;
        opts.manual_clock = true;
        std::string error;
        sim_ = StartStationSim(opts, folder_.file("COM1").c_str(), &error);
        ASSERT_NE(sim_, nullptr) << error;
        ASSERT_EQ(OpenSimClient(&client_, folder_.file("COM1").c_str()), 0);
        client_.timeout_ms = 250;
    }
    void TearDown() override {
        CloseSimClient(&client_);
        StopStationSim(sim_);
    }
    SimCounters Counters() {
        SimCounters c;
        StationSimGetCounters(sim_, &c);
        return c;
    }
    SimOptions Quick() const {
        SimOptions o;
        o.pace_real = false;
        return o;
    }

    TempFolder folder_;
    StationSim *sim_ = nullptr;
    SimClient client_;
};

TEST_F(SimFaults, WrongEchoes) {
    SimOptions o = Quick();
    o.bad_echo = 0.1;
    Start(o);
    const int n = 3000;
    int bad = 0;
    for (int i = 0; i < n; ++i) {
        const uint8_t nibble = static_cast<uint8_t>(i & 0xF);
        uint8_t echo = 0;
        ASSERT_EQ(ExchangeSimClient(&client_, static_cast<uint8_t>(0x82 | (nibble << 2)), &echo, 1), 1);
        if (echo != (((i % 4) << 4) | nibble)) ++bad;
    }
    EXPECT_GT(bad, n * 0.07);
    EXPECT_LT(bad, n * 0.13);
    EXPECT_EQ(Counters().bad_echoes, static_cast<uint64_t>(bad));
}

TEST_F(SimFaults, WrongChecksums) {
    SimOptions o = Quick();
    o.bad_checksum = 0.2;
    Start(o);
    const int n = 800;
    int bad = 0;
    for (int i = 0; i < n; ++i) {
        uint8_t bytes[4];
        const int r = SimClientRead(&client_, 0x346, 4, bytes);
        ASSERT_TRUE(r == SIM_CLIENT_OK || r == SIM_CLIENT_BAD_CHECKSUM) << r;
        if (r == SIM_CLIENT_BAD_CHECKSUM) ++bad;
    }
    EXPECT_GT(bad, n * 0.15);
    EXPECT_LT(bad, n * 0.25);
    EXPECT_EQ(Counters().bad_checksums, static_cast<uint64_t>(bad));
}

TEST_F(SimFaults, DroppedCommands) {
    SimOptions o = Quick();
    o.drop = 0.05;
    Start(o);
    const int n = 400;
    int dropped = 0;
    for (int i = 0; i < n; ++i) {
        int id = 0;
        const int r = SimClientReadID(&client_, &id);
        if (r == SIM_CLIENT_SILENT) ++dropped;
        else EXPECT_EQ(id, 2);
    }
    EXPECT_GT(dropped, n * 0.02);
    EXPECT_LT(dropped, n * 0.09);
    EXPECT_EQ(Counters().dropped, static_cast<uint64_t>(dropped));
}

// A silent stretch swallows every command until it has passed on the line's clock.
TEST_F(SimFaults, SilentStretches) {
    SimOptions o = Quick();
    o.silence_prob = 0.03;
    o.silence_s = 3.0;
    Start(o);
    const int n = 300;
    int silences = 0;
    for (int i = 0; i < n; ++i) {
        int id = 0;
        if (SimClientReadID(&client_, &id) == SIM_CLIENT_OK) continue;
        ++silences;
        StationSimAdvance(sim_, 2.0);
        EXPECT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_SILENT) << "still within the stretch";
        StationSimAdvance(sim_, 1.5);
    }
    EXPECT_GT(silences, n * 0.007);
    EXPECT_LT(silences, n * 0.06);
    EXPECT_EQ(Counters().silences, static_cast<uint64_t>(silences));
}

// Outdoor sensors lost for single weather steps are stored as missing for that step.
TEST_F(SimFaults, LostOutdoorReadings) {
    SimOptions o = Quick();
    o.marker_prob = 0.25;
    Start(o);
    const int n = 600;
    int lost = 0;
    for (int i = 0; i < n; ++i) {
        StationSimAdvance(sim_, 10.0);
        SimState s;
        StationSimGetState(sim_, &s);
        if (s.otemp.marker == SIM_VALUE_MISSING) {
            ++lost;
            EXPECT_EQ(s.ohum.marker, SIM_VALUE_MISSING);
            EXPECT_EQ(StationSimPeek(sim_, 0x375), 0xA);  // outdoor units digit
        } else {
            EXPECT_LT(StationSimPeek(sim_, 0x375), 10);
        }
        EXPECT_EQ(s.itemp.marker, SIM_VALUE_OK);
    }
    EXPECT_GT(lost, n * 0.18);
    EXPECT_LT(lost, n * 0.32);
}

// At 2400 baud ten bits a byte take 4.17 ms, so a 15-byte read (echo, data, checksum)
// can never arrive in less than 17 byte times.
TEST_F(SimFaults, RealPaceIsNeverFaster) {
    SimOptions o;
    o.pace_real = true;
    Start(o);
    client_.timeout_ms = 2000;
    ASSERT_EQ(SimClientSetAddress(&client_, 0x346), SIM_CLIENT_OK);
    uint8_t reply[17];
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(ExchangeSimClient(&client_, 0xC2 | (15 << 2), reply, 17), 17);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(ms, 17 * 4.1);
    EXPECT_EQ(reply[0], 0x3F);
}

}  // namespace

// A pulled cable takes the link away and the line with it; the console comes back under
// the same link on a new line and answers there. Scheduled pulls come and go by
// themselves.
TEST_F(SimFaults, PulledCableGoesAndComesBackUnderTheSameLink) {
    Start(Quick());
    const std::string link = folder_.file("COM1");
    ASSERT_TRUE(StationSimVanish(sim_));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    int id = 0;
    EXPECT_NE(SimClientReadID(&client_, &id), SIM_CLIENT_OK);  // the old line is dead
    CloseSimClient(&client_);
    ASSERT_TRUE(StationSimReturn(sim_));
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), StationSimDevice(sim_));
    ASSERT_EQ(OpenSimClient(&client_, link.c_str()), 0);
    EXPECT_EQ(SimClientReadID(&client_, &id), SIM_CLIENT_OK);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(Counters().vanishes, 1u);

    SimOptions o = Quick();
    o.vanish_every_s = 0.3;
    o.vanish_for_s = 0.2;
    StopStationSim(sim_);
    sim_ = StartStationSim(o, link.c_str());
    ASSERT_NE(sim_, nullptr);
    for (int i = 0; i < 2000 && Counters().vanishes < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(Counters().vanishes, 2u);
}
