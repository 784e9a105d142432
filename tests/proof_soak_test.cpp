// The program against a faulty console for a long stretch: wrong echoes, dropped
// replies, wrong checksums, silent stretches of 30 s and radio windows, with the console's
// time running fast so that its history ring turns over again and again. Afterwards the
// history file must hold every data set the console stored, once, in order, with its time
// and values; no byte may reach the console inside a radio window; the program must still
// run and end in an orderly way when asked.
//
// The suite runs a short version. The long one is the same test with more data sets:
//     CH_SOAK_SETS=2000 build-test/bin/proof_soak_test
// (scripts/soak.sh builds and runs it). CH_SOAK_SPEED and CH_SOAK_SEED change the
// console's time factor and its fault pattern; CH_SOAK_VANISH_EVERY=S pulls the cable
// every S seconds for 10 s (the line comes back under the same link).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "sim/stationsim.h"
#include "support/history_ledger.h"
#include "support/program_process.h"
#include "support/temp_folder.h"

namespace {

constexpr int kPort = 1;
constexpr int64_t kInterval = 60;  // the console stores a data set every minute
// Data sets of the ring the program has not yet fetched when it starts: its first
// download is a long one straight away.
constexpr int kBacklog = 60;
// Bounds for a hang, not measures of speed: the longest quiet time between two stored
// data sets is a header interval (61 s) plus silent stretches plus time-outs.
constexpr double kQuietLimit = 240.0;
constexpr double kQuitPatience = 30.0;

double EnvNumber(const char *name, double fallback) {
    const char *text = getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    return atof(text);
}

struct SoakPlan {
    int sets;           // data sets to download in this run
    double speed;       // simulated seconds per real second
    double silence_p;   // per command byte: a silent stretch of 30 s begins
    uint64_t seed;
    double vanish_every;  // s between pulled cables, 0 none
};

SoakPlan PlanFromEnvironment() {
    SoakPlan plan;
    plan.sets = static_cast<int>(EnvNumber("CH_SOAK_SETS", 100));
    // One data set per real second: a download at the pace the faults allow stays far
    // ahead of the console, so no data set is overwritten before it is fetched, and no
    // more than 175 come between two header reads even with a silent stretch.
    plan.speed = EnvNumber("CH_SOAK_SPEED", 60.0);
    // A short run needs a higher chance to meet a silent stretch at all.
    plan.silence_p = plan.sets > 500 ? 1.0e-4 : 4.0e-4;
    plan.seed = static_cast<uint64_t>(EnvNumber("CH_SOAK_SEED", 11));
    plan.vanish_every = EnvNumber("CH_SOAK_VANISH_EVERY", 0.0);
    return plan;
}

SimOptions FaultyConsole(const SoakPlan &plan) {
    SimOptions o;
    o.variant = 2;
    o.seed = plan.seed;
    o.start_time = 1'780'000'000;  // a fixed instant in 2026
    o.tz_offset_s = 0;
    o.tz_given = true;
    o.hist_interval_min = 1;
    o.prefill = 175;
    o.radio_interval_s = 32;
    o.speed = plan.speed;
    o.pace_real = false;
    o.bad_echo = 0.05;
    o.drop = 0.02;
    o.bad_checksum = 0.01;
    o.silence_prob = plan.silence_p;
    o.silence_s = 30.0;
    o.marker_prob = 0.01;  // now and then the outdoor sensors are lost
    o.vanish_every_s = plan.vanish_every;
    o.vanish_for_s = 10.0;
    o.report_window_bytes = true;
    return o;
}

// The oldest data sets of the ring as a history file that an earlier run left.
std::vector<SimHistorySet> EarlierDownload(const HistoryLedger &ledger) {
    std::vector<SimHistorySet> sets;
    for (const auto &entry : ledger.sets) sets.push_back(entry.second);
    sets.resize(sets.size() > static_cast<size_t>(kBacklog) ? sets.size() - kBacklog : 0);
    return sets;
}

TEST(ProofSoak, FaultyConsoleHistoryArrivesCompleteOnceInOrderAndTheProgramQuits) {
    if (access(ClearHorizonPath().c_str(), X_OK) != 0) GTEST_SKIP() << "clearhorizon not built";
    const SoakPlan plan = PlanFromEnvironment();
    TempFolder folder;
    std::string error;
    StationSim *sim = StartStationSim(FaultyConsole(plan), folder.file("COM1").c_str(), &error);
    ASSERT_NE(sim, nullptr) << error;

    HistoryLedger ledger;
    UpdateLedger(sim, &ledger);
    const std::string history = folder.file("history.dat");
    const std::vector<SimHistorySet> earlier = EarlierDownload(ledger);
    ASSERT_FALSE(earlier.empty());
    ASSERT_TRUE(WriteHistoryFileOf(history, earlier, 100.0f));
    ASSERT_TRUE(WriteSetupFile(folder.path(), history, kPort));

    ProgramProcess program;
    ASSERT_TRUE(StartProgram(folder.path(), &program));
    const double start = NowSeconds();
    std::vector<int64_t> ring_oldest_seen(earlier.size(), 0);
    size_t known = earlier.size();
    double last_growth = start;
    bool hung = false;
    while (ProgramRunning(&program)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        UpdateLedger(sim, &ledger);
        const HistoryFileImage image = ReadHistoryImage(history);
        if (image.valid && image.records.size() > known) {
            // The console's ring as it stands when the program has stored these.
            ring_oldest_seen.resize(image.records.size(), ledger.ring_oldest);
            known = image.records.size();
            last_growth = NowSeconds();
        }
        if (known - earlier.size() >= static_cast<size_t>(plan.sets)) break;
        if (NowSeconds() - last_growth > kQuietLimit) {
            hung = true;
            break;
        }
    }
    const double run_seconds = NowSeconds() - start;
    const bool alive = ProgramRunning(&program);
    const double quit_seconds = QuitProgram(&program, kQuitPatience);
    UpdateLedger(sim, &ledger);
    SimCounters counters;
    StationSimGetCounters(sim, &counters);
    StopStationSim(sim);

    const std::string errors = ProgramErrorOutput(program);
    EXPECT_EQ(SanitizerReportIn(errors), "");
    ASSERT_TRUE(alive) << "the program ended by itself: " << ProgramExitCode(program) << "\n"
                       << errors;
    EXPECT_FALSE(hung) << "nothing stored for " << kQuietLimit << " s";
    EXPECT_GE(quit_seconds, 0.0) << "the program did not end within " << kQuitPatience << " s";
    EXPECT_EQ(ProgramExitCode(program), 0);

    const HistoryFileImage image = ReadHistoryImage(history);
    ASSERT_TRUE(image.valid) << "size " << image.size;
    ASSERT_GE(image.records.size(), earlier.size());
    const int downloaded = static_cast<int>(image.records.size() - earlier.size());
    EXPECT_GE(downloaded, plan.sets);
    EXPECT_EQ(ledger.conflicts, 0u);
    const HistoryVerdict verdict = JudgeHistory(image.records, ledger, ring_oldest_seen, kInterval);
    EXPECT_EQ(verdict.checked, static_cast<int>(image.records.size()));
    for (const std::string &fault : verdict.faults) ADD_FAILURE() << fault;
    // The console hears its sensors in these windows; the reception pauses exist so that
    // nothing the program sends lands in one, faults or not. Only until it has read the
    // console's reception timer (at its start, and after a pulled cable) the program
    // cannot know the windows: a few identification and address bytes may land there.
    constexpr uint64_t kWindowBytesPerStart = 8;
    EXPECT_EQ(counters.radio_ignored, 0u) << "bytes sent inside radio windows";
    EXPECT_LE(counters.radio_unplanned, kWindowBytesPerStart * (counters.vanishes + 1))
        << "bytes in radio windows before the reception timer was read";
    EXPECT_EQ(image.header.first_time, image.records.front().time);
    EXPECT_EQ(image.header.last_time, image.records.back().time);

    printf("soak: %d data sets downloaded in %.0f s (%.2f per s), ring index wrapped %llu "
           "times, %d forgiven (overwritten before fetch)\n",
           downloaded, run_seconds, downloaded / run_seconds,
           static_cast<unsigned long long>(ledger.index_wraps), verdict.allowed_gaps);
    printf("soak: console saw %llu command bytes; injected %llu wrong echoes, %llu dropped "
           "replies, %llu wrong checksums, %llu silent stretches; %llu bytes in radio windows "
           "(%llu more before the reception timer was read, %llu more read there after a "
           "stall of the simulator)\n",
           static_cast<unsigned long long>(counters.received),
           static_cast<unsigned long long>(counters.bad_echoes),
           static_cast<unsigned long long>(counters.dropped),
           static_cast<unsigned long long>(counters.bad_checksums),
           static_cast<unsigned long long>(counters.silences),
           static_cast<unsigned long long>(counters.radio_ignored),
           static_cast<unsigned long long>(counters.radio_unplanned),
           static_cast<unsigned long long>(counters.radio_unsure));
    printf("soak: %llu pulled cables\n", static_cast<unsigned long long>(counters.vanishes));
    printf("soak: quit took %.3f s\n", quit_seconds);
    RecordProperty("downloaded", downloaded);
    RecordProperty("quit_ms", static_cast<int>(quit_seconds * 1000));
}

}  // namespace
