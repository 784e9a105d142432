// The cable pulled in the middle of a history download: the program as a process
// against the simulator, whose line vanishes for 10 s and comes back under the same
// link while the console goes on storing data sets. Polling must resume by itself soon
// after the return, and the history file must afterwards hold every data set the console
// stored, once, in order, with its time and values.
#include <gtest/gtest.h>

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
constexpr int64_t kInterval = 60;   // a data set every simulated minute ...
// ... which is every 5 real seconds: the ring turns over in about 15 minutes, so even a
// slow download on a loaded machine fetches every set before the console overwrites it.
constexpr double kSpeed = 12.0;
constexpr int kBacklog = 100;       // data sets the program has yet to fetch at its start
constexpr int kBeforePull = 10;     // data sets stored before the cable is pulled
constexpr double kAway = 10.0;      // s the line stays away
// Bounds for a hang, not measures of speed.
constexpr double kResumeLimit = 30.0;
constexpr double kCatchUpLimit = 180.0;

SimOptions Console() {
    SimOptions o;
    o.variant = 2;
    o.seed = 23;
    o.start_time = 1'780'000'000;
    o.tz_offset_s = 0;
    o.tz_given = true;
    o.hist_interval_min = 1;
    o.prefill = 175;
    o.radio_interval_s = 32;
    o.speed = kSpeed;
    o.pace_real = true;  // at 2400 baud the download lasts long enough to be cut
    return o;
}

struct Watch {
    StationSim *sim;
    HistoryLedger ledger;
    std::string history;
    std::vector<int64_t> ring_oldest_seen;
    size_t known = 0;

    // Takes a look at the console and the file; the number of records in the file.
    size_t Look() {
        UpdateLedger(sim, &ledger);
        const HistoryFileImage image = ReadHistoryImage(history);
        if (image.valid && image.records.size() > known) {
            ring_oldest_seen.resize(image.records.size(), ledger.ring_oldest);
            known = image.records.size();
        }
        return known;
    }
    // Looks until pred holds or seconds pass; true when it held.
    template <typename Pred>
    bool LookUntil(Pred pred, double seconds) {
        const double until = NowSeconds() + seconds;
        while (!pred()) {
            if (NowSeconds() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            Look();
        }
        return true;
    }
};

TEST(ProofCable, PulledDuringADownloadPollingResumesAndNothingIsLostOrDoubled) {
    if (access(ClearHorizonPath().c_str(), X_OK) != 0) GTEST_SKIP() << "clearhorizon not built";
    TempFolder folder;
    std::string error;
    Watch w{StartStationSim(Console(), folder.file("COM1").c_str(), &error), {}, {}, {}, 0};
    ASSERT_NE(w.sim, nullptr) << error;
    w.history = folder.file("history.dat");
    UpdateLedger(w.sim, &w.ledger);
    std::vector<SimHistorySet> earlier;
    for (const auto &entry : w.ledger.sets) earlier.push_back(entry.second);
    earlier.resize(earlier.size() - kBacklog);
    ASSERT_TRUE(WriteHistoryFileOf(w.history, earlier, 100.0f));
    ASSERT_TRUE(WriteSetupFile(folder.path(), w.history, kPort));
    w.ring_oldest_seen.assign(earlier.size(), 0);
    w.known = earlier.size();

    ProgramProcess program;
    ASSERT_TRUE(StartProgram(folder.path(), &program));
    EXPECT_TRUE(w.LookUntil([&] { return w.known >= earlier.size() + kBeforePull; }, 120.0))
        << "the download did not begin";

    ASSERT_TRUE(StationSimVanish(w.sim));
    w.LookUntil([] { return false; }, kAway);
    const size_t at_pull = w.Look();
    ASSERT_TRUE(StationSimReturn(w.sim));
    const double returned = NowSeconds();
    const int64_t newest_at_return = w.ledger.ring_newest;

    EXPECT_TRUE(w.LookUntil([&] { return w.known > at_pull; }, kResumeLimit))
        << "no data set stored within " << kResumeLimit << " s of the return";
    const double resumed_after = NowSeconds() - returned;
    // Everything the console stored up to its return, the sets of the pull included.
    EXPECT_TRUE(w.LookUntil(
        [&] {
            const HistoryFileImage image = ReadHistoryImage(w.history);
            return image.valid && !image.records.empty() &&
                   image.records.back().time >= newest_at_return;
        },
        kCatchUpLimit));

    const bool alive = ProgramRunning(&program);
    EXPECT_GE(QuitProgram(&program, 30.0), 0.0);
    w.Look();
    SimCounters counters;
    StationSimGetCounters(w.sim, &counters);
    StopStationSim(w.sim);

    const std::string errors = ProgramErrorOutput(program);
    EXPECT_EQ(SanitizerReportIn(errors), "");
    ASSERT_TRUE(alive) << "the program ended by itself\n" << errors;
    EXPECT_EQ(ProgramExitCode(program), 0);
    EXPECT_EQ(counters.vanishes, 1u);
    const HistoryFileImage image = ReadHistoryImage(w.history);
    ASSERT_TRUE(image.valid);
    EXPECT_EQ(w.ledger.conflicts, 0u);
    const HistoryVerdict verdict =
        JudgeHistory(image.records, w.ledger, w.ring_oldest_seen, kInterval);
    EXPECT_EQ(verdict.checked, static_cast<int>(image.records.size()));
    EXPECT_EQ(verdict.allowed_gaps, 0);
    for (const std::string &fault : verdict.faults) ADD_FAILURE() << fault;
    printf("cable: %zu data sets before the pull, %zu after; polling resumed %.1f s after "
           "the return\n",
           at_pull - earlier.size(), image.records.size() - at_pull, resumed_after);
}

}  // namespace
