// Changes to the console under faults, the communication thread against the Station
// simulator: an interval change never drops a data set the file lacks, not one stored
// in the middle of the fetch before it, and not over a pulled cable; a threshold write
// that a pulled cable cuts off is never confirmed unless it reached the console.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "sim/sim_layout.h"
#include "station/comm/older_history.h"
#include "station/comm/tsq_records.h"
#include "station/link/comm_flags.h"
#include "support/comm_command_bench.h"
#include "support/comm_sim_fixture.h"
#include "support/history_ledger.h"
#include "support/utc_zone.h"

namespace {

constexpr uint32_t kInterval = 15 * 60;

SimOptions Console(bool paced) {
    SimOptions o;
    o.variant = 2;
    o.seed = 11;
    o.start_time = 1'780'000'000;
    o.tz_offset_s = 0;
    o.tz_given = true;
    o.radio_interval_s = 0;
    o.pace_real = paced;
    o.manual_clock = true;
    o.prefill = 60;
    o.hist_interval_min = 15;
    return o;
}

SimState State(CommSimRun &run) {
    SimState s;
    StationSimGetState(run.sim(), &s);
    return s;
}

uint64_t HistoryReads(CommSimRun &run) {
    SimCounters c;
    StationSimGetCounters(run.sim(), &c);
    return c.history_reads;
}

// A history file that holds the console's data set `missing` intervals before its newest.
std::string FileLacking(CommSimRun &run, int missing) {
    const SimState s = State(run);
    const std::string path = run.folder().file("history.dat");
    KORData rec{};
    snprintf(rec.history_file_name, sizeof rec.history_file_name, "%s", path.c_str());
    if (InitFileHistoryHeader(&rec.file_header, path.c_str()) != 1) return "";
    HistoryRecord set{};
    set.time = static_cast<uint32_t>(s.hist_last_time) - static_cast<uint32_t>(missing) * kInterval;
    if (AddHistoryDataSetToFile(&rec, &set) != 0) return "";
    return path;
}

// The records in front of the header at the file's end.
std::vector<HistoryRecord> Records(const std::string &path) {
    const std::string bytes = ReadWholeFile(path);
    std::vector<HistoryRecord> out;
    if (bytes.size() < sizeof(HistoryFileHeader)) return out;
    out.resize((bytes.size() - sizeof(HistoryFileHeader)) / sizeof(HistoryRecord));
    memcpy(out.data(), bytes.data(), out.size() * sizeof(HistoryRecord));
    return out;
}

CommandRecord IntervalChange(int minutes) {
    CommandRecord cmd = MakeCommand(2);
    cmd.param = minutes - 1;
    cmd.param2 = minutes - 1;
    return cmd;
}

// Starts the thread on a file lacking `missing` data sets and gives the interval change
// before the first header read could plan their download.
void StartAndChangeInterval(CommSimRun &run, int missing) {
    const std::string path = FileLacking(run, missing);
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(run.StartThread(path), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_STATION_ID) > 0; }, 30.0));
    ASSERT_EQ(run.SendCommands({IntervalChange(30)}), 0);
}

TEST(CommSimChanges, ADataSetStoredWhileTheWaitingOnesAreFetchedReachesTheFileBeforeTheWrite) {
    UtcZone utc;
    CommSimRun run(Console(false));
    StationSimStoreDataSet(run.sim(), 3);  // in the middle of the ten reads to come
    StartAndChangeInterval(run, 10);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_HISTORY_SETTINGS_WRITTEN) > 0; }, 90.0));
    EXPECT_EQ(run.StopThread(), 0);
    StationSimAdvance(run.sim(), 1.0);  // the console takes the write in
    const SimState s = State(run);
    EXPECT_EQ(s.hist_interval_min, 30);
    EXPECT_EQ(run.CountKind(UI_HISTORY_SETTINGS_REFUSED), 0);
    // Every data set up to the one stored mid-fetch, one interval apart, none missing.
    const std::vector<HistoryRecord> stored = Records(run.history_path());
    ASSERT_GE(stored.size(), 12u);
    EXPECT_EQ(stored.back().time, static_cast<uint32_t>(s.hist_last_time));
    for (size_t k = 1; k < stored.size(); ++k)
        EXPECT_EQ(stored[k].time - stored[k - 1].time, kInterval) << k;
}

TEST(CommSimChanges, ADataSetStoredRightBeforeTheWriteIsFetchedFromItsSlotAfterIt) {
    UtcZone utc;
    CommSimRun run(Console(false));
    StationSimStoreBeforeWrite(run.sim(), GetSimLayout(2)->hist_interval);
    StartAndChangeInterval(run, 3);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_HISTORY_SETTINGS_WRITTEN) > 0; }, 90.0));
    EXPECT_EQ(run.StopThread(), 0);
    StationSimAdvance(run.sim(), 1.0);  // the console takes the write in
    const SimState s = State(run);
    EXPECT_EQ(s.hist_interval_min, 30);
    EXPECT_EQ(s.hist_count, 0);  // the write left the set it stored first uncounted
    const std::vector<HistoryRecord> stored = Records(run.history_path());
    ASSERT_GE(stored.size(), 4u);
    EXPECT_EQ(stored.back().time, static_cast<uint32_t>(s.hist_last_time));
    for (size_t k = 1; k < stored.size(); ++k)
        EXPECT_EQ(stored[k].time - stored[k - 1].time, kInterval) << k;
}

TEST(CommSimChanges, ACablePulledWhileTheWaitingOnesAreFetchedEndsInRecoveryAndNoWrite) {
    UtcZone utc;
    CommSimRun run(Console(true));
    const uint64_t reads_before = HistoryReads(run);
    StartAndChangeInterval(run, 40);
    ASSERT_TRUE(run.WaitFor([&] { return HistoryReads(run) >= reads_before + 5; }, 60.0));
    ASSERT_TRUE(StationSimVanish(run.sim()));
    run.WaitFor([] { return false; }, 2.0);
    ASSERT_TRUE(StationSimReturn(run.sim()));
    const size_t returned = run.Records().size();
    EXPECT_TRUE(run.WaitFor([&] { return run.FindKind(UI_WIND, returned) >= 0; }, 40.0))
        << "no recovery within 40 s of the return";
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_HISTORY_SETTINGS_REFUSED) > 0; }, 5.0));
    EXPECT_EQ(run.StopThread(), 0);
    EXPECT_EQ(run.CountKind(UI_HISTORY_SETTINGS_WRITTEN), 0);
    const int refused = run.FindKind(UI_HISTORY_SETTINGS_REFUSED);
    EXPECT_EQ(run.Records()[refused].payload[0], static_cast<uint32_t>(HISTORY_REFUSED_LINK));
    StationSimAdvance(run.sim(), 1.0);
    EXPECT_EQ(State(run).hist_interval_min, 15);
}

double OutdoorHighThreshold(CommSimRun &run) {
    const SimLayout *l = GetSimLayout(2);
    SimMemory m;
    InitSimMemory(&m, l->otemp.high_alarm_ll + 8);
    for (uint32_t i = 0; i < 5; ++i)
        PutSimNibble(&m, l->otemp.high_alarm_ll + i,
                     StationSimPeek(run.sim(), static_cast<uint16_t>(l->otemp.high_alarm_ll + i)));
    double celsius = 0;
    GetSimTemperature(&m, l->otemp.high_alarm_ll, &celsius);
    return celsius;
}

// Cut after its first written nibbles and given up: either carried out after the return
// and then confirmed, or reported failed; never confirmed while the console lacks it.
TEST(CommSimChanges, AThresholdWriteCutByAPulledCableIsNeverConfirmedUnlessItArrived) {
    UtcZone utc;
    CommSimRun run(Console(true));
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_ALARM_STATE) > 0; }, 60.0));
    SimCounters before;
    StationSimGetCounters(run.sim(), &before);
    CommandRecord cmd = MakeCommand(14);  // outdoor temperature high
    cmd.value_changed = 1;
    cmd.value = 42.5f;
    ASSERT_EQ(run.SendCommands({cmd}), 0);
    ASSERT_TRUE(run.WaitFor([&] {
        SimCounters c;
        StationSimGetCounters(run.sim(), &c);
        return c.writes >= before.writes + 2;
    }, 30.0));
    ASSERT_TRUE(StationSimVanish(run.sim()));
    EXPECT_EQ(run.CountKind(43), 0);
    // Out for longer than a console may stay silent, so that the write is given up.
    const bool confirmed_while_out = run.WaitFor([&] { return run.CountKind(43) > 0; }, 14.0);
    EXPECT_FALSE(confirmed_while_out) << "confirmed while the cable was out";
    ASSERT_TRUE(StationSimReturn(run.sim()));
    ASSERT_TRUE(run.WaitFor([&] {
        return run.CountKind(43) > 0 || run.CountKind(UI_COMMAND_FAILED) > 0;
    }, 60.0));
    const double threshold = OutdoorHighThreshold(run);
    EXPECT_EQ(run.StopThread(), 0);
    if (run.CountKind(43) > 0)
        EXPECT_NEAR(threshold, 42.5, 0.06);
    else
        EXPECT_EQ(run.Records()[run.FindKind(UI_COMMAND_FAILED)].payload[0], 14u);
}

// The user gives up a change that waits for the console: it ends as failed while the
// console is still away, and the console's return brings no confirmation.
TEST(CommSimChanges, AWaitingChangeGivenUpEndsWhileTheConsoleIsAway) {
    UtcZone utc;
    CommSimRun run(Console(true));
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_ALARM_STATE) > 0; }, 60.0));
    CommandRecord cmd = MakeCommand(14);
    cmd.value_changed = 1;
    cmd.value = 42.5f;
    SimCounters before;
    StationSimGetCounters(run.sim(), &before);
    ASSERT_EQ(run.SendCommands({cmd}), 0);
    ASSERT_TRUE(run.WaitFor([&] {
        SimCounters c;
        StationSimGetCounters(run.sim(), &c);
        return c.writes >= before.writes + 2;
    }, 30.0));
    ASSERT_TRUE(StationSimVanish(run.sim()));
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_CHANGE_HELD) > 0; }, 30.0));
    flag_give_up_held_change.store(1);
    EXPECT_TRUE(run.WaitFor([&] { return run.CountKind(UI_COMMAND_FAILED) > 0; }, 15.0));
    ASSERT_TRUE(StationSimReturn(run.sim()));
    const size_t returned = run.Records().size();
    EXPECT_TRUE(run.WaitFor([&] { return run.FindKind(UI_WIND, returned) >= 0; }, 40.0));
    EXPECT_EQ(run.StopThread(), 0);
    flag_give_up_held_change.store(0);
    EXPECT_EQ(run.CountKind(43), 0);
    EXPECT_EQ(run.Records()[run.FindKind(UI_COMMAND_FAILED)].payload[0], 14u);
}

// Deleted in the middle of a download: made again with its header, reported once (the
// file record), and begun as a new file with the console's newest data set.
TEST(CommSimChanges, AHistoryFileDeletedWhileInUseIsMadeAgain) {
    UtcZone utc;
    CommSimRun run(Console(true));
    const std::string path = FileLacking(run, 40);
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(run.StartThread(path), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_HISTORY_STORED) >= 3; }, 60.0));
    ASSERT_TRUE(std::filesystem::remove(path));
    const size_t deleted = run.Records().size();
    ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(UI_HISTORY_FILE, deleted) >= 0; }, 30.0));
    ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(UI_HISTORY_STORED, deleted) >= 0; }, 90.0));
    run.WaitFor([] { return false; }, 1.0);
    EXPECT_EQ(run.StopThread(), 0);
    int file_records = 0;
    for (size_t i = deleted; i < run.Records().size(); ++i)
        file_records += run.Records()[i].kind == UI_HISTORY_FILE ? 1 : 0;
    EXPECT_EQ(file_records, 1);
    const std::vector<HistoryRecord> stored = Records(path);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].time, static_cast<uint32_t>(State(run).hist_last_time));
}

// A file begun from the console's data set `age` intervals before its newest (and the
// one after it), its times `shift` seconds off the console's, `spoil` added to the
// outdoor temperature; then a request for the older data sets. The file's records.
std::vector<HistoryRecord> StoreOlderInto(CommSimRun &run, int age, int64_t shift, float spoil) {
    HistoryLedger ledger;
    UpdateLedger(run.sim(), &ledger);
    std::vector<SimHistorySet> sets;
    for (const auto &entry : ledger.sets) sets.push_back(entry.second);
    std::vector<SimHistorySet> begun(sets.end() - age - 1, sets.end() - age + 1);
    for (SimHistorySet &set : begun) {
        set.time += shift;
        set.otemp += spoil;
    }
    const std::string path = run.folder().file("history.dat");
    if (!WriteHistoryFileOf(path, begun, 10.0f) || run.StartThread(path) != 0) return {};
    run.WaitFor([&] { return run.CountKind(UI_OLDER_DATA_SETS) > 0; }, 60.0);
    const size_t from = run.Records().size();
    if (run.SendCommands({MakeCommand(COMMAND_STORE_OLDER_DATA_SETS)}) != 0) return {};
    run.WaitFor([&] { return run.FindKind(UI_OLDER_DATA_SETS, from) >= 0; }, 60.0);
    run.StopThread();
    return Records(path);
}

// The console's copy of the file's first data set is found by its contents: a file whose
// times run an hour ahead of the console's (begun across a summer-time change) takes the
// older data sets, stamped back from its own first time.
TEST(CommSimChanges, OlderDataSetsLineUpByContentAcrossASummerTimeStep) {
    UtcZone utc;
    CommSimRun run(Console(false));
    const std::vector<HistoryRecord> stored = StoreOlderInto(run, 20, 3600, 0.0f);
    EXPECT_EQ(run.CountKind(UI_OLDER_DATA_SETS_REJECTED), 0);
    HistoryLedger ledger;
    UpdateLedger(run.sim(), &ledger);
    std::vector<SimHistorySet> sets;
    for (const auto &entry : ledger.sets) sets.push_back(entry.second);
    const size_t older = sets.size() - 21;
    ASSERT_GE(stored.size(), older + 2);
    for (size_t k = 0; k < older; ++k) {
        EXPECT_EQ(stored[k].time, static_cast<uint32_t>(sets[k].time + 3600)) << k;
        const HistoryRecord want = ExpectedHistoryRecord(sets[k], 0.0f);
        EXPECT_TRUE(SameHistoryMeasurements(&stored[k], &want)) << k;
    }
}

// A file the console never held: its older-looking data sets are refused, with a word to
// the user, and the file stays as it was.
TEST(CommSimChanges, OlderDataSetsOfAnotherFileAreRejected) {
    UtcZone utc;
    CommSimRun run(Console(false));
    const std::vector<HistoryRecord> stored = StoreOlderInto(run, 20, 0, 7.0f);
    EXPECT_EQ(run.CountKind(UI_OLDER_DATA_SETS_REJECTED), 1);
    EXPECT_EQ(run.CountKind(UI_OLDER_DATA_SETS_STORED), 0);
    ASSERT_GE(stored.size(), 2u);
    EXPECT_EQ(stored.front().time, static_cast<uint32_t>(State(run).hist_last_time - 20 * kInterval));
    const int last_offer = [&] {
        for (int i = static_cast<int>(run.Records().size()) - 1; i >= 0; --i)
            if (run.Records()[i].kind == UI_OLDER_DATA_SETS) return i;
        return -1;
    }();
    ASSERT_GE(last_offer, 0);
    OlderDataSetsOffer offer;
    memcpy(&offer, run.Records()[last_offer].payload, sizeof offer);
    EXPECT_EQ(offer.count, 0);
}

}  // namespace
