// Commands through the command queue of the running communication thread: commands
// written at once are handled in order, each announced by a kind-1 record, before
// polling goes on; a command stops the polling cycle at its next step boundary and the
// cycle then resumes at the step it stopped at; resets carry the console's own time;
// a new history interval waits until the file holds every data set the console had.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "sim/sim_layout.h"
#include "station/comm/older_history.h"
#include "station/comm/tsq_records.h"
#include "records/kor_data.h"
#include "support/comm_command_bench.h"
#include "support/comm_sim_fixture.h"
#include "support/utc_zone.h"

namespace {

SimOptions Console(int variant) {
    SimOptions o;
    o.variant = variant;
    o.seed = 9;
    o.start_time = 0;  // the present: the program's clock offset stays small
    o.tz_offset_s = 19800;  // the console keeps UTC + 5:30, the PC keeps UTC
    o.tz_given = true;
    o.radio_interval_s = 0;
    o.pace_real = false;
    o.manual_clock = true;
    o.prefill = 24;
    return o;
}

// Kinds from position `from` on.
std::vector<int> KindsFrom(const CommSimRun &run, size_t from) {
    std::vector<int> kinds;
    for (size_t i = from; i < run.Records().size(); ++i) kinds.push_back(run.Records()[i].kind);
    return kinds;
}

std::vector<uint8_t> Nibbles(StationSim *sim, uint32_t address, int count) {
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) out.push_back(StationSimPeek(sim, static_cast<uint16_t>(address + i)));
    return out;
}

SimStamp PeekStamp(StationSim *sim, uint32_t address) {
    SimMemory m;
    InitSimMemory(&m, address + 10);
    for (uint32_t a = address; a < address + 10; ++a) m.nibble[a] = StationSimPeek(sim, static_cast<uint16_t>(a));
    return GetSimStamp(&m, address);
}

const std::vector<int> kFirstCycle = {UI_CLOCK_DIFFERENCE, UI_WIND, UI_RAIN, UI_INDOOR_TEMP,
                                      UI_OUTDOOR_TEMP, UI_INDOOR_HUM, UI_OUTDOOR_HUM,
                                      UI_WINDCHILL, UI_DEWPOINT, UI_WEATHER_PICTURE, UI_PRESSURE,
                                      UI_PRESSURE_MINMAX, UI_ALARM_ENABLE, UI_ALARM_STATE};

bool IsGroupKind(int kind) {
    return std::find(kFirstCycle.begin(), kFirstCycle.end(), kind) != kFirstCycle.end();
}

class CommandQueue : public ::testing::TestWithParam<int> {};

TEST_P(CommandQueue, CommandsWrittenAtOnceAreHandledInOrderBeforePollingGoesOn) {
    UtcZone utc;
    CommSimRun run(Console(GetParam()));
    const SimLayout &l = *GetSimLayout(GetParam());
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_ALARM_STATE) > 0; }, 20.0));
    StationSimPoke(run.sim(), 0x008, 0);
    StationSimPoke(run.sim(), 0x00B, 0);

    CommandRecord write = MakeCommand(8);
    write.value_changed = 1;
    write.value = 12.3f;
    write.enable_changed = 1;
    write.enabled = 1;
    CommandRecord read = MakeCommand(9);
    read.read_back = 30;
    const size_t from = run.Records().size();
    ASSERT_EQ(run.SendCommands({write, read, MakeCommand(67)}), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(85, from) >= 0; }, 20.0));
    // Polling goes on afterwards: the reset group is read again at once.
    ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(UI_INDOOR_TEMP, run.FindKind(85, from)) >= 0; }, 20.0));
    // The polling cycle that follows asks the console to store its settings.
    ASSERT_TRUE(run.WaitFor([&] { return (StationSimPeek(run.sim(), 0x00B) & 1) != 0; }, 20.0));
    SimState s;
    StationSimGetState(run.sim(), &s);
    EXPECT_EQ(run.StopThread(), 0);

    const std::vector<int> kinds = KindsFrom(run, from);
    const auto first = std::find(kinds.begin(), kinds.end(), UI_COMMUNICATION_ACTIVE);
    ASSERT_NE(first, kinds.end());
    const std::vector<int> handled(first, std::min(first + 6, kinds.end()));
    EXPECT_EQ(handled, (std::vector<int>{1, 37, 1, 38, 1, 85}));
    EXPECT_EQ(std::count(first, kinds.end(), UI_COMMUNICATION_ACTIVE), 3);

    // The threshold written, read back through the queue and stored in the console.
    float value = 0;
    memcpy(&value, &run.Records()[run.FindKind(38, from)].payload[2], sizeof value);
    EXPECT_NEAR(value, 12.3f, 0.01f);
    EXPECT_EQ(Nibbles(run.sim(), l.itemp.low_alarm_ll, 5), (std::vector<uint8_t>{0, 0, 3, 2, 4}));
    EXPECT_EQ(Nibbles(run.sim(), l.alarm_timeout, 2), (std::vector<uint8_t>{2, 0}));
    EXPECT_EQ(StationSimPeek(run.sim(), 0x008), 0x4);
    EXPECT_TRUE((StationSimPeek(run.sim(), 0x01B) & 1) != 0);

    // The reset stamps carry the console's time (UTC + 5:30), from the clock the program
    // read, not the PC's. The console's clock stands still here, the PC's runs on.
    const int64_t console = static_cast<int64_t>(s.now) + s.tz_offset_s;
    float offset = 0;
    memcpy(&offset, run.Records()[run.FindKind(UI_CLOCK_DIFFERENCE)].payload, sizeof offset);
    EXPECT_NEAR(offset, static_cast<double>(time(nullptr) - console), 120.0);
    for (uint32_t at : {l.itemp.min_stamp, l.itemp.max_stamp}) {
        const int64_t t = StampSeconds(PeekStamp(run.sim(), at));
        EXPECT_GE(t, console / 60 * 60 - 60);
        EXPECT_LE(t, console + 120);
    }
}

TEST_P(CommandQueue, ACommandStopsPollingAtAStepBoundaryAndTheCycleResumesThere) {
    UtcZone utc;
    SimOptions o = Console(GetParam());
    o.pace_real = true;  // a cycle long enough to be caught in the middle
    CommSimRun run(o);
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_WIND) > 0; }, 20.0));
    // Resetting the wind extremes makes the wind group due again at once; it is step 2,
    // which the resumed cycle must not go back to.
    ASSERT_EQ(run.SendCommands({MakeCommand(71)}), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(89) >= 0; }, 20.0));
    const size_t reply = static_cast<size_t>(run.FindKind(89));
    ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(UI_WIND, reply) >= 0; }, 30.0));
    EXPECT_EQ(run.StopThread(), 0);

    std::vector<int> before, after;
    const int announced = run.FindKind(UI_COMMUNICATION_ACTIVE);
    ASSERT_GE(announced, 0);
    for (int i = 0; i < announced; ++i)
        if (IsGroupKind(run.Records()[i].kind)) before.push_back(run.Records()[i].kind);
    for (size_t i = reply + 1; i < run.Records().size(); ++i) {
        const int kind = run.Records()[i].kind;
        if (kind == UI_WIND) break;
        if (IsGroupKind(kind)) after.push_back(kind);
    }
    ASSERT_GT(before.size(), 1u) << "the command came before polling began";
    ASSERT_LT(before.size(), kFirstCycle.size()) << "the command came after the first cycle";
    EXPECT_EQ(run.Records()[announced + 1].kind, 89);  // nothing polled in between
    // Before the command: the first steps in order. After it: exactly the steps not yet
    // run, in order, and only then the wind group again, in the next cycle.
    EXPECT_TRUE(std::equal(before.begin(), before.end(), kFirstCycle.begin()));
    const std::vector<int> rest(kFirstCycle.begin() + static_cast<long>(before.size()), kFirstCycle.end());
    EXPECT_EQ(after, rest);
}

TEST_P(CommandQueue, AfterARestartMidCycleTheClockIsReadBeforeResetsAreStamped) {
    UtcZone utc;
    SimOptions o = Console(GetParam());
    o.pace_real = true;  // so that the stop falls in the middle of the first cycle
    CommSimRun run(o);
    const SimLayout &l = *GetSimLayout(GetParam());
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_INDOOR_TEMP) > 0; }, 20.0));
    ASSERT_EQ(run.CountKind(UI_ALARM_STATE), 0) << "the first cycle ended before the stop";
    EXPECT_EQ(run.StopThread(), 0);

    // The restarted thread begins a cycle of its own, clock first, and a reset after
    // that cycle carries the console's time.
    const size_t restart = run.Records().size();
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(UI_ALARM_STATE, restart) >= 0; }, 30.0));
    ASSERT_EQ(run.SendCommands({MakeCommand(70)}), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(88, restart) >= 0; }, 20.0));
    SimState s;
    StationSimGetState(run.sim(), &s);
    EXPECT_EQ(run.StopThread(), 0);

    std::vector<int> groups;
    for (int kind : KindsFrom(run, restart))
        if (IsGroupKind(kind)) groups.push_back(kind);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.front(), UI_CLOCK_DIFFERENCE);
    const int64_t console = static_cast<int64_t>(s.now) + s.tz_offset_s;
    for (uint32_t at : {l.chill.min_stamp, l.chill.max_stamp}) {
        const int64_t t = StampSeconds(PeekStamp(run.sim(), at));
        EXPECT_GE(t, console / 60 * 60 - 60);
        EXPECT_LE(t, console + 120);
    }
}

INSTANTIATE_TEST_SUITE_P(BothConsoles, CommandQueue, ::testing::Values(1, 2));

std::vector<HistoryRecord> StoredRecords(const std::string &path) {
    const std::string bytes = ReadWholeFile(path);
    std::vector<HistoryRecord> out;
    if (bytes.size() < sizeof(HistoryFileHeader)) return out;
    out.resize((bytes.size() - sizeof(HistoryFileHeader)) / sizeof(HistoryRecord));
    memcpy(out.data(), bytes.data(), out.size() * sizeof(HistoryRecord));
    return out;
}

// The console's data set `age` intervals before its newest, as the file keeps it (rain
// aside).
HistoryRecord ConsoleDataSet(const SimState &s, int age, uint32_t interval) {
    const SimHistorySet &h = s.hist[(s.hist_index + 175 - age) % 175];
    HistoryRecord r{};
    r.time = static_cast<uint32_t>(s.hist_last_time) - static_cast<uint32_t>(age) * interval;
    r.pressure = static_cast<float>(h.press);
    r.wind_speed = static_cast<float>(h.wind);
    r.wind_direction = h.wind_dir;
    r.indoor_temperature = static_cast<float>(h.itemp);
    r.outdoor_temperature = static_cast<float>(h.otemp);
    r.indoor_humidity = static_cast<uint16_t>(h.ihum);
    r.outdoor_humidity = static_cast<uint16_t>(h.ohum);
    return r;
}

TEST(CommandQueueHistory, NoDataSetIsLostToAnIntervalChange) {
    UtcZone utc;
    SimOptions o = Console(2);
    o.tz_offset_s = 0;
    o.prefill = 60;
    o.hist_interval_min = 15;
    o.pace_real = true;  // a download long enough to be caught in the middle
    CommSimRun run(o);
    SimState s;
    StationSimGetState(run.sim(), &s);
    const uint32_t interval = 15 * 60;
    const SimLayout &l = *GetSimLayout(2);

    // A file begun 40 intervals before the console's newest data set: 40 are waiting,
    // and the console holds 19 older than the file's first.
    const std::string path = run.folder().file("kept.dat");
    KORData rec{};
    snprintf(rec.history_file_name, sizeof rec.history_file_name, "%s", path.c_str());
    ASSERT_EQ(InitFileHistoryHeader(&rec.file_header, path.c_str()), 1);
    const HistoryRecord first = ConsoleDataSet(s, 40, interval);
    ASSERT_EQ(AddHistoryDataSetToFile(&rec, &first), 0);

    ASSERT_EQ(run.StartThread(path), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_HISTORY_STORED) > 0; }, 60.0));
    CommandRecord settings = MakeCommand(2);
    settings.param = 4;   // 5 minutes from now on
    settings.param2 = 3;
    ASSERT_EQ(run.SendCommands({settings}), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(UI_HISTORY_SETTINGS_WRITTEN) >= 0; }, 120.0));
    // The header read after the write brings in the console's new interval.
    ASSERT_TRUE(run.WaitFor(
        [&] {
            for (size_t i = run.FindKind(UI_HISTORY_SETTINGS_WRITTEN); i < run.Records().size(); ++i) {
                if (run.Records()[i].kind != UI_STATION_HISTORY_HEADER) continue;
                KORHistoryHeader h;
                memcpy(&h, run.Records()[i].payload, sizeof h);
                if (h.interval_code == 4) return true;
            }
            return false;
        },
        30.0));
    EXPECT_EQ(run.StopThread(), 0);

    // Every waiting data set, and the older ones, reached the file before the write.
    const int reply = run.FindKind(UI_HISTORY_SETTINGS_WRITTEN);
    int stored_before = 0;
    for (int i = 0; i < reply; ++i) stored_before += run.Records()[i].kind == UI_HISTORY_STORED ? 1 : 0;
    EXPECT_EQ(stored_before, 40);
    EXPECT_EQ(run.CountKind(UI_HISTORY_STORED), 40);
    const int older = run.FindKind(UI_OLDER_DATA_SETS_STORED);
    ASSERT_GE(older, 0);
    EXPECT_LT(older, reply);

    const std::vector<HistoryRecord> stored = StoredRecords(path);
    ASSERT_EQ(stored.size(), 60u);
    EXPECT_EQ(ReadWholeFile(path).size(), 60u * 36u + 28u);
    for (int k = 0; k < 60; ++k) {
        const HistoryRecord want = ConsoleDataSet(s, 59 - k, interval);
        EXPECT_EQ(stored[k].time, want.time) << k;
        EXPECT_NEAR(stored[k].pressure, want.pressure, 0.051) << k;
        EXPECT_NEAR(stored[k].outdoor_temperature, want.outdoor_temperature, 0.051) << k;
        EXPECT_EQ(stored[k].outdoor_humidity, want.outdoor_humidity) << k;
    }
    HistoryFileHeader header;
    ASSERT_EQ(ReadFileHeader(&header, path.c_str()), 0);
    EXPECT_EQ(header.count, 60);
    EXPECT_EQ(header.first_time, stored.front().time);
    EXPECT_EQ(header.last_time, stored.back().time);
    EXPECT_EQ(Nibbles(run.sim(), l.hist_interval, 3), (std::vector<uint8_t>{4, 0, 0}));
}

}  // namespace
