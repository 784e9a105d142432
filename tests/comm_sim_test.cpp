// The communication thread end to end against the Station simulator: what it reads
// reaches the user interface with the values the console meant, in the order of the
// polling steps; history is downloaded oldest first, never twice, with the right times;
// radio reception windows are kept clear.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

#include "history/history_file.h"
#include "platform/serial_devices.h"
#include "station/comm/older_history.h"
#include "station/comm/tsq_records.h"
#include "records/kor_data.h"
#include "support/comm_command_bench.h"
#include "support/comm_sim_fixture.h"
#include "support/utc_zone.h"

namespace {

SimOptions QuietConsole(int variant) {
    SimOptions o;
    o.variant = variant;
    o.seed = 7;
    o.start_time = 1'780'000'000;  // a fixed instant in 2026
    o.tz_offset_s = 0;
    o.tz_given = true;
    o.radio_interval_s = 0;
    o.pace_real = false;
    o.manual_clock = true;  // the weather holds still, so values compare exactly
    o.prefill = 24;
    return o;
}

template <typename Group>
Group GroupOf(const UIRecord &r) {
    Group g;
    memcpy(&g, r.payload, sizeof g);
    return g;
}

const UIRecord &Last(const CommSimRun &run, int kind) {
    for (auto it = run.Records().rbegin(); it != run.Records().rend(); ++it)
        if (it->kind == kind) return *it;
    throw std::runtime_error("no record of that kind");
}

class CommSimVariants : public ::testing::TestWithParam<int> {};

TEST_P(CommSimVariants, FirstCycleReadsEveryGroupInStepOrderWithTheConsolesValues) {
    UtcZone utc;
    CommSimRun run(QuietConsole(GetParam()));
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_ALARM_STATE) > 0; }, 60.0));

    const std::vector<int> group_kinds = {2, 7, 19, 8, 9, 12, 13, 10, 11, 18, 16, 17, 14, 15};
    std::vector<int> seen;
    for (const UIRecord &r : run.Records())
        if (std::find(group_kinds.begin(), group_kinds.end(), r.kind) != group_kinds.end() &&
            std::find(seen.begin(), seen.end(), r.kind) == seen.end())
            seen.push_back(r.kind);
    EXPECT_EQ(seen, group_kinds);
    EXPECT_EQ(run.CountKind(UI_STATION_HISTORY_HEADER), 0);  // not in the first cycle
    ASSERT_GE(run.FindKind(UI_STATION_ID), 0);
    EXPECT_EQ(run.Records()[run.FindKind(UI_STATION_ID)].payload[0] & 0xFF,
              static_cast<uint32_t>(GetParam()));

    SimState s;
    StationSimGetState(run.sim(), &s);
    const TempGroup itemp = GroupOf<TempGroup>(Last(run, UI_INDOOR_TEMP));
    const TempGroup otemp = GroupOf<TempGroup>(Last(run, UI_OUTDOOR_TEMP));
    const TempGroup dew = GroupOf<TempGroup>(Last(run, UI_DEWPOINT));
    const TempGroup chill = GroupOf<TempGroup>(Last(run, UI_WINDCHILL));
    const TempGroup ihum = GroupOf<TempGroup>(Last(run, UI_INDOOR_HUM));
    const TempGroup ohum = GroupOf<TempGroup>(Last(run, UI_OUTDOOR_HUM));
    const WindGroup wind = GroupOf<WindGroup>(Last(run, UI_WIND));
    const PressureGroup press = GroupOf<PressureGroup>(Last(run, UI_PRESSURE_MINMAX));
    const RainGroup rain = GroupOf<RainGroup>(Last(run, UI_RAIN));
    EXPECT_NEAR(itemp.current, s.itemp.current, 0.051);
    EXPECT_NEAR(otemp.current, s.otemp.current, 0.051);
    EXPECT_NEAR(otemp.min, s.otemp.min.value, 0.051);
    EXPECT_NEAR(otemp.max, s.otemp.max.value, 0.051);
    EXPECT_NEAR(dew.current, s.dew.current, 0.051);
    EXPECT_NEAR(chill.current, s.chill.current, 0.051);
    EXPECT_NEAR(ihum.current, s.ihum.current, 0.5);
    EXPECT_NEAR(ohum.current, s.ohum.current, 0.5);
    EXPECT_NEAR(wind.current, s.wind.current, 0.051);
    EXPECT_EQ(wind.direction, s.wind_dir);
    EXPECT_NEAR(press.current, s.press.current, 0.051);
    EXPECT_EQ(press.weather, s.weather);
    EXPECT_EQ(press.trend, s.trend);
    EXPECT_NEAR(rain.total.value, s.rain_total, 0.011);
    EXPECT_NEAR(rain.rain_24h, s.rain_24h, 0.011);
    // Timers after a good read: the display counts them down for staleness.
    EXPECT_EQ(otemp.live_timer, 180);
    EXPECT_EQ(otemp.poll_timer, 20);
    EXPECT_EQ(wind.poll_timer, 8);
    EXPECT_EQ(press.poll_timer, 30);
    // The clock record carries the offset of a console that runs on UTC like this PC.
    float offset = 0;
    memcpy(&offset, Last(run, UI_CLOCK_DIFFERENCE).payload, sizeof offset);
    EXPECT_LT(std::fabs(offset - static_cast<float>(time(nullptr) - s.now)), 120.0f);
    EXPECT_EQ(run.StopThread(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothConsoles, CommSimVariants, ::testing::Values(1, 2));

TEST(CommSimPeriods, EachGroupIsReadAgainOnlyWhenItsPeriodHasRunOut) {
    UtcZone utc;
    CommSimRun run(QuietConsole(2));
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_OUTDOOR_TEMP) >= 2; }, 60.0));
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_WIND) >= 4; }, 60.0));
    EXPECT_EQ(run.StopThread(), 0);
    // Periods are whole seconds counted by a one-second tick, so a read may come up to a
    // tick early against the wall clock, never more.
    const struct { int kind; double period; } groups[] = {
        {UI_WIND, 8}, {UI_WINDCHILL, 8}, {UI_OUTDOOR_TEMP, 20}, {UI_INDOOR_HUM, 20},
        {UI_ALARM_STATE, 10}, {UI_RAIN, 30}, {UI_ALARM_ENABLE, 40}, {UI_CLOCK_DIFFERENCE, 1801}};
    for (const auto &g : groups) {
        double previous = -1;
        for (size_t i = 0; i < run.Records().size(); ++i) {
            if (run.Records()[i].kind != g.kind) continue;
            const double t = run.Arrivals()[i];
            if (previous >= 0) {
                EXPECT_GE(t - previous, g.period - 1.1) << "kind " << g.kind;
            }
            previous = t;
        }
    }
    EXPECT_GE(run.CountKind(UI_ALARM_STATE), 2);
    EXPECT_EQ(run.CountKind(UI_CLOCK_DIFFERENCE), 1);
}

HistoryRecord ExpectedDataSet(const SimState &s, int ring_index) {
    const SimHistorySet &h = s.hist[ring_index];
    HistoryRecord r{};
    r.pressure = static_cast<float>(h.press);
    r.wind_speed = static_cast<float>(h.wind);
    r.wind_direction = h.wind_dir;
    r.indoor_temperature = static_cast<float>(h.itemp);
    r.outdoor_temperature = static_cast<float>(h.otemp);
    r.indoor_humidity = static_cast<uint16_t>(h.ihum);
    r.outdoor_humidity = static_cast<uint16_t>(h.ohum);
    return r;
}

void ExpectSameMeasurements(const HistoryRecord &got, const HistoryRecord &want, int k) {
    EXPECT_NEAR(got.pressure, want.pressure, 0.051) << k;
    EXPECT_NEAR(got.wind_speed, want.wind_speed, 0.051) << k;
    EXPECT_EQ(got.wind_direction, want.wind_direction) << k;
    EXPECT_NEAR(got.indoor_temperature, want.indoor_temperature, 0.051) << k;
    EXPECT_NEAR(got.outdoor_temperature, want.outdoor_temperature, 0.051) << k;
    EXPECT_EQ(got.indoor_humidity, want.indoor_humidity) << k;
    EXPECT_EQ(got.outdoor_humidity, want.outdoor_humidity) << k;
}

std::vector<HistoryRecord> ReadRecords(const std::string &path) {
    const std::string bytes = ReadWholeFile(path);
    std::vector<HistoryRecord> out;
    if (bytes.size() < 28) return out;
    out.resize((bytes.size() - 28) / sizeof(HistoryRecord));
    memcpy(out.data(), bytes.data(), out.size() * sizeof(HistoryRecord));
    return out;
}

TEST(CommSimHistory, NewFileReceivesExactlyTheNewestDataSet) {
    UtcZone utc;
    CommSimRun run(QuietConsole(2));
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_HISTORY_STORED) > 0; }, 90.0));
    run.WaitFor([] { return false; }, 1.0);
    EXPECT_EQ(run.StopThread(), 0);

    SimState s;
    StationSimGetState(run.sim(), &s);
    const std::vector<HistoryRecord> stored = ReadRecords(run.history_path());
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(ReadWholeFile(run.history_path()).size(), 36u + 28u);
    ExpectSameMeasurements(stored[0], ExpectedDataSet(s, s.hist_index), 0);
    EXPECT_EQ(stored[0].time, static_cast<uint32_t>(s.hist_last_time));
    EXPECT_EQ(run.CountKind(UI_HISTORY_STORED), 1);
    HistoryFileHeader header;
    ASSERT_EQ(ReadFileHeader(&header, run.history_path().c_str()), 0);
    EXPECT_EQ(header.count, 1);
    EXPECT_EQ(header.first_time, stored[0].time);
    EXPECT_EQ(header.last_time, stored[0].time);
}

// Runs a download of the 30 data sets a file lacks and checks order, times, values and
// that a restart fetches nothing again. `later_sets` more data sets are stored after the
// prefill, so that the ring index can be made to wrap inside the download.
void DownloadThirtyMissing(int prefill, int later_sets, bool interrupt_the_disc = false) {
    UtcZone utc;
    SimOptions o = QuietConsole(2);
    o.prefill = prefill;
    o.hist_interval_min = 15;
    CommSimRun run(o);
    const uint32_t interval = 15 * 60;
    StationSimAdvance(run.sim(), static_cast<double>(later_sets) * interval);
    SimState s;
    StationSimGetState(run.sim(), &s);
    const uint32_t newest = static_cast<uint32_t>(s.hist_last_time);

    // A file that already holds the data set stored 30 intervals before the newest.
    const std::string folder = run.folder().file("disc");
    const std::string away = run.folder().file("disc-away");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/kept.dat";
    KORData rec{};
    snprintf(rec.history_file_name, sizeof rec.history_file_name, "%s", path.c_str());
    ASSERT_EQ(InitFileHistoryHeader(&rec.file_header, path.c_str()), 1);
    HistoryRecord old = ExpectedDataSet(s, (s.hist_index + 175 - 30) % 175);
    old.time = newest - 30 * interval;
    ASSERT_EQ(AddHistoryDataSetToFile(&rec, &old), 0);

    ASSERT_EQ(run.StartThread(path), 0);
    if (interrupt_the_disc) {
        // The disc goes away in the middle of the download and comes back: the data
        // sets that could not be stored are fetched again, none is skipped.
        ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_HISTORY_STORED) >= 5; }, 90.0));
        std::filesystem::rename(folder, away);
        const int stored_before = run.CountKind(UI_HISTORY_STORED);
        run.WaitFor([&] { return run.CountKind(UI_HISTORY_STORED) > stored_before; }, 1.0);
        SimCounters outage_start;
        StationSimGetCounters(run.sim(), &outage_start);
        run.WaitFor([] { return false; }, 4.0);
        SimCounters outage_end;
        StationSimGetCounters(run.sim(), &outage_end);
        EXPECT_LE(run.CountKind(UI_HISTORY_STORED), stored_before + 1);  // one may be under way
        // The refused data set is not fetched again and again while the disc is away:
        // one attempt (a read and its confirmation, maybe once more) in these seconds.
        EXPECT_LE(outage_end.history_reads - outage_start.history_reads, 4u);
        std::filesystem::rename(away, folder);
    }
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_HISTORY_STORED) >= 30; }, 60.0));
    run.WaitFor([] { return false; }, 1.0);
    EXPECT_EQ(run.StopThread(), 0);
    EXPECT_EQ(run.CountKind(UI_HISTORY_STORED), 30);

    const std::vector<HistoryRecord> stored = ReadRecords(path);
    ASSERT_EQ(stored.size(), 31u);
    for (int k = 1; k <= 30; ++k) {
        EXPECT_EQ(stored[k].time, newest - static_cast<uint32_t>(30 - k) * interval) << k;
        ExpectSameMeasurements(stored[k], ExpectedDataSet(s, (s.hist_index + 175 - (30 - k)) % 175), k);
    }

    // After a restart with the same file nothing is fetched twice.
    const size_t before = run.Records().size();
    ASSERT_EQ(run.StartThread(path), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(UI_STATION_HISTORY_HEADER, before) >= 0; }, 90.0));
    run.WaitFor([] { return false; }, 2.0);
    EXPECT_EQ(run.StopThread(), 0);
    EXPECT_EQ(run.CountKind(UI_HISTORY_STORED), 30);
    EXPECT_EQ(ReadRecords(path).size(), 31u);
}

// A new file takes the console's newest data set and is offered the older ones. Without
// a request nothing more is stored; on request they come in front, oldest first, with
// their own times and a rain total that runs on into the file's first data set; a
// second request finds nothing left. `later_sets` more data sets after the prefill make
// the older ones run over the end of the ring.
void StoreOlderDataSets(int prefill, int later_sets) {
    UtcZone utc;
    SimOptions o = QuietConsole(2);
    o.prefill = prefill;
    o.hist_interval_min = 15;
    CommSimRun run(o);
    const uint32_t interval = 15 * 60;
    StationSimAdvance(run.sim(), static_cast<double>(later_sets) * interval);
    SimState s;
    StationSimGetState(run.sim(), &s);
    const uint32_t newest = static_cast<uint32_t>(s.hist_last_time);
    const int held = std::min(prefill + later_sets, 175);

    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_OLDER_DATA_SETS) > 0; }, 90.0));
    OlderDataSetsOffer offer;
    memcpy(&offer, run.Records()[run.FindKind(UI_OLDER_DATA_SETS)].payload, sizeof offer);
    EXPECT_EQ(offer.count, held - 1);
    EXPECT_EQ(offer.oldest_time, newest - static_cast<uint32_t>(held - 1) * interval);
    run.WaitFor([] { return false; }, 2.0);
    EXPECT_EQ(ReadRecords(run.history_path()).size(), 1u) << "stored without a request";

    // Each request is answered with what is left: nothing.
    for (int request = 1; request <= 2; ++request) {
        const size_t from = run.Records().size();
        ASSERT_EQ(run.SendCommands({MakeCommand(COMMAND_STORE_OLDER_DATA_SETS)}), 0);
        ASSERT_TRUE(run.WaitFor([&] { return run.FindKind(UI_OLDER_DATA_SETS, from) >= 0; }, 90.0));
        memcpy(&offer, run.Records()[run.FindKind(UI_OLDER_DATA_SETS, from)].payload, sizeof offer);
        EXPECT_EQ(offer.count, 0);
    }
    EXPECT_EQ(run.StopThread(), 0);
    EXPECT_EQ(run.CountKind(UI_OLDER_DATA_SETS_STORED), 1) << "the second request stored nothing";
    // Each data set read was reported as it came, and the end of each request.
    std::vector<OlderDataSetsProgress> steps;
    for (const UIRecord &r : run.Records()) {
        if (r.kind != UI_OLDER_DATA_SETS_PROGRESS) continue;
        steps.emplace_back();
        memcpy(&steps.back(), r.payload, sizeof steps.back());
    }
    ASSERT_EQ(steps.size(), static_cast<size_t>(held + 2));
    for (int k = 0; k < held; ++k) {
        EXPECT_EQ(steps[k].done, k);
        EXPECT_EQ(steps[k].total, held - 1);
    }
    EXPECT_EQ(steps[held].total, 0);
    EXPECT_EQ(steps[held + 1].total, 0);

    const std::vector<HistoryRecord> stored = ReadRecords(run.history_path());
    ASSERT_EQ(stored.size(), static_cast<size_t>(held));
    EXPECT_EQ(ReadWholeFile(run.history_path()).size(), 36u * held + 28u);
    HistoryFileHeader header;
    ASSERT_EQ(ReadFileHeader(&header, run.history_path().c_str()), 0);
    EXPECT_EQ(header.count, held);
    EXPECT_EQ(header.first_time, stored.front().time);
    EXPECT_EQ(header.last_time, newest);
    HistoryFileHeader reported;
    memcpy(&reported, Last(run, UI_OLDER_DATA_SETS_STORED).payload, sizeof reported);
    EXPECT_EQ(memcmp(&reported, &header, sizeof header), 0);
    for (int k = 0; k < held; ++k) {
        const int age = held - 1 - k;
        const int slot = (s.hist_index + 175 - age) % 175;
        EXPECT_EQ(stored[k].time, newest - static_cast<uint32_t>(age) * interval) << k;
        ExpectSameMeasurements(stored[k], ExpectedDataSet(s, slot), k);
        if (k == 0) continue;
        const int counts = (s.hist[slot].rain_raw - s.hist[(slot + 174) % 175].rain_raw + 4096) % 4096;
        EXPECT_NEAR(stored[k].rain - stored[k - 1].rain, 0.518f * counts, 0.01) << k;
    }
}

TEST(CommSimHistory, OlderDataSetsAreStoredInFrontOnlyOnRequest) { StoreOlderDataSets(24, 0); }

TEST(CommSimHistory, OlderDataSetsOfAWrappedRingComeInOrder) { StoreOlderDataSets(175, 10); }

TEST(CommSimHistory, MissingDataSetsComeOldestFirstAndNeverTwice) { DownloadThirtyMissing(60, 0); }

TEST(CommSimHistory, ARingThatWrappedIsReadInOrder) {
    // Full ring, then ten more: the newest sits at index 9 and the download runs from
    // index 155 over the end of the ring.
    DownloadThirtyMissing(175, 10);
}

TEST(CommSimHistory, AFailedAppendIsFetchedAgainWithItsOwnTime) { DownloadThirtyMissing(60, 0, true); }

TEST(CommSimHistory, AHistoryFolderThatAppearsLaterReceivesTheData) {
    UtcZone utc;
    CommSimRun run(QuietConsole(2));
    const std::string folder = run.folder().file("later");
    ASSERT_EQ(run.StartThread(folder + "/history.dat"), 0);
    run.WaitFor([] { return false; }, 2.0);
    std::filesystem::create_directory(folder);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_HISTORY_STORED) > 0; }, 90.0));
    EXPECT_EQ(run.StopThread(), 0);
    EXPECT_EQ(ReadRecords(folder + "/history.dat").size(), 1u);
}

TEST(CommSimClock, TheOffsetHoldsWhileDaylightSavingIsInForce) {
    // One hour east of Greenwich with daylight saving all year round, so that it is in
    // force whatever today's date; the console shows the local summer time.
    ScopedTimeZone summer("XST-1XDT,J1/0,J365/25");
    SimOptions o = QuietConsole(2);
    o.tz_offset_s = 7200;
    CommSimRun run(o);
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_CLOCK_DIFFERENCE) > 0; }, 60.0));
    EXPECT_EQ(run.StopThread(), 0);
    SimState s;
    StationSimGetState(run.sim(), &s);
    float offset = 0;
    memcpy(&offset, Last(run, UI_CLOCK_DIFFERENCE).payload, sizeof offset);
    // Console time = GMT - offset, the console's count being its wall clock as a count.
    const double console = static_cast<double>(s.now) + o.tz_offset_s;
    EXPECT_NEAR(offset, static_cast<double>(time(nullptr)) - console, 120.0);
}

TEST(CommSimRadio, NoByteReachesTheConsoleDuringItsReceptionWindows) {
    SimOptions o = QuietConsole(2);
    o.radio_interval_s = 8;
    o.manual_clock = false;
    CommSimRun run(o);
    ASSERT_EQ(run.StartThread(), 0);
    // The first cycle cannot know the windows yet; count from the first planned pause.
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_RECEPTION_PAUSE) >= 1; }, 90.0));
    SimCounters at_first_pause;
    StationSimGetCounters(run.sim(), &at_first_pause);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_RECEPTION_PAUSE) >= 4; }, 90.0));
    SimCounters later;
    StationSimGetCounters(run.sim(), &later);
    EXPECT_EQ(run.StopThread(), 0);
    EXPECT_EQ(later.radio_ignored, at_first_pause.radio_ignored);
    EXPECT_GT(later.answered, at_first_pause.answered);  // and polling went on in between
    EXPECT_GE(run.CountKind(UI_COMMUNICATION_ACTIVE), 3);
}

// A device chosen for the port while another is open (Settings makes COMn anew) takes
// its place at once: the console behind the new link is identified and polled.
TEST(CommSimLink, TheOpenPortFollowsItsLinkToAnotherDevice) {
    UtcZone utc;
    CommSimRun run(QuietConsole(2));
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_WIND) > 0; }, 60.0));
    std::string error;
    StationSim *other = StartStationSim(QuietConsole(1), run.folder().file("other").c_str(), &error);
    ASSERT_NE(other, nullptr) << error;
    ASSERT_EQ(LinkComPort(CommSimRun::kPort, StationSimDevice(other).c_str()), 0);
    const size_t from = run.Records().size();
    const bool moved = run.WaitFor([&] {
        for (size_t i = from; i < run.Records().size(); ++i)
            if (run.Records()[i].kind == UI_STATION_ID && (run.Records()[i].payload[0] & 0xFF) == 1)
                return true;
        return false;
    }, 20.0);
    EXPECT_EQ(run.StopThread(), 0);
    StopStationSim(other);
    EXPECT_TRUE(moved) << "the console behind the new link was never identified";
}

}  // namespace
