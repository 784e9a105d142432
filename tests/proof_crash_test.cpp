// Crash safety of the history download: the program is killed with SIGKILL at random
// moments while it downloads data sets, and started again, over a hundred times. After
// every kill the history file must be whole (size and header agree), keep every data set
// it held before, and after every restart the program must open it and go on where it
// stopped: no data set stored twice, none skipped, each with its own time and values.
//
// Each restart costs the program's own start-up rhythm (the console's history header is
// read on the second polling pass, some 8 s in), so several copies run side by side, each
// in its own data folder with its own console.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "sim/stationsim.h"
#include "support/history_ledger.h"
#include "support/program_process.h"
#include "support/temp_folder.h"

namespace {

constexpr int kCopies = 17;
constexpr int kKillsPerCopy = 6;  // 102 kills in all
constexpr int kPort = 1;
constexpr int64_t kInterval = 60;
constexpr int kBacklog = 40;  // data sets waiting at the first start
// Bounds for a hang, not measures of speed.
constexpr double kDownloadPatience = 120.0;
constexpr double kQuitPatience = 30.0;

SimOptions CalmConsole(uint64_t seed) {
    SimOptions o;
    o.variant = 2;
    o.seed = seed;
    o.start_time = 1'780'000'000 + static_cast<int64_t>(seed) * 7919;
    o.tz_offset_s = 0;
    o.tz_given = true;
    o.hist_interval_min = 1;
    o.prefill = 175;
    o.radio_interval_s = 0;
    // Half a data set per second against a download at 2400 baud: there is always a
    // download under way a few seconds after each start, long enough to be cut.
    o.speed = 30.0;
    o.pace_real = true;
    return o;
}

struct Copy {
    std::string folder;
    StationSim *sim = nullptr;
    HistoryLedger ledger;
    ProgramProcess program;
    std::vector<HistoryRecord> kept;   // the file as the last kill left it
    std::vector<int64_t> ring_oldest_seen;
    size_t known = 0;
    double started = 0;
    double kill_at = 0;                // 0 while no kill is scheduled
    double next_look = 0;
    int kills = 0;
    bool final_run = false;
    bool done = false;
    double quit_seconds = 0;
    std::mt19937 random;
};

bool SamePrefix(const std::vector<HistoryRecord> &prefix, const std::vector<HistoryRecord> &all) {
    if (all.size() < prefix.size()) return false;
    return prefix.empty() ||
           memcmp(prefix.data(), all.data(), prefix.size() * sizeof(HistoryRecord)) == 0;
}

void Restart(Copy *c, double now) {
    c->started = now;
    c->kill_at = 0;
    c->known = c->kept.size();
    ASSERT_TRUE(StartProgram(c->folder, &c->program));
}

// After a kill: the file is whole and keeps what it held; then the next start.
void AfterKill(Copy *c, double now) {
    const HistoryFileImage image = ReadHistoryImage(c->folder + "/history.dat");
    ASSERT_TRUE(image.valid) << c->folder << ": history file not whole after kill "
                             << c->kills << " (size " << image.size << ")";
    ASSERT_TRUE(SamePrefix(c->kept, image.records))
        << c->folder << ": data sets lost or changed by kill " << c->kills;
    c->kept = image.records;
    c->ring_oldest_seen.resize(c->kept.size(), c->ledger.ring_oldest);
    ++c->kills;
    c->final_run = c->kills >= kKillsPerCopy;
    Restart(c, now);
}

// One look at a copy: its console, its file, and the kill when it is due.
void Look(Copy *c, double now) {
    UpdateLedger(c->sim, &c->ledger);
    ASSERT_TRUE(ProgramRunning(&c->program))
        << c->folder << ": the program ended by itself (" << ProgramExitCode(c->program)
        << ")\n" << ProgramErrorOutput(c->program);
    const HistoryFileImage image = ReadHistoryImage(c->folder + "/history.dat");
    if (image.valid && image.records.size() > c->known) {
        c->known = image.records.size();
        c->ring_oldest_seen.resize(c->known, c->ledger.ring_oldest);
        if (c->kill_at == 0) {
            // The download is under way: cut it at once now and then, otherwise within
            // the next two seconds.
            std::uniform_real_distribution<double> delay(0.0, 2.0);
            c->kill_at = now + (c->random() % 6 == 0 ? 0.0 : delay(c->random));
        }
    }
    ASSERT_LT(now - c->started, kDownloadPatience) << c->folder << ": no download after a start";
    if (c->kill_at == 0 || now < c->kill_at) return;
    if (c->final_run) {
        // The last start ends in order, in the middle of its download.
        c->quit_seconds = QuitProgram(&c->program, kQuitPatience);
        EXPECT_GE(c->quit_seconds, 0.0) << c->folder << ": did not quit";
        EXPECT_EQ(ProgramExitCode(c->program), 0) << c->folder;
        c->done = true;
        return;
    }
    KillProgram(&c->program);
    AfterKill(c, now);
}

TEST(ProofCrash, KilledDuringDownloadsTheHistoryFileLosesNothingAndStoresNothingTwice) {
    if (access(ClearHorizonPath().c_str(), X_OK) != 0) GTEST_SKIP() << "clearhorizon not built";
    TempFolder root;
    std::vector<std::unique_ptr<Copy>> copies;
    for (int i = 0; i < kCopies; ++i) {
        auto c = std::make_unique<Copy>();
        c->folder = root.file("copy" + std::to_string(i));
        std::filesystem::create_directory(c->folder);
        std::string error;
        c->sim = StartStationSim(CalmConsole(100 + i), (c->folder + "/COM1").c_str(), &error);
        ASSERT_NE(c->sim, nullptr) << error;
        c->random.seed(static_cast<unsigned>(4242 + i));
        UpdateLedger(c->sim, &c->ledger);
        std::vector<SimHistorySet> earlier;
        for (const auto &entry : c->ledger.sets) earlier.push_back(entry.second);
        earlier.resize(earlier.size() - kBacklog);
        ASSERT_TRUE(WriteHistoryFileOf(c->folder + "/history.dat", earlier, 50.0f + i));
        ASSERT_TRUE(WriteSetupFile(c->folder, c->folder + "/history.dat", kPort));
        c->kept = ReadHistoryImage(c->folder + "/history.dat").records;
        c->ring_oldest_seen.assign(c->kept.size(), 0);
        copies.push_back(std::move(c));
    }
    // Staggered starts, so that the copies do not all load their panels at once.
    for (size_t i = 0; i < copies.size(); ++i) {
        Restart(copies[i].get(), NowSeconds());
        if (HasFatalFailure()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    for (;;) {
        bool all_done = true;
        for (auto &c : copies) {
            if (c->done) continue;
            all_done = false;
            const double now = NowSeconds();
            if (now < c->next_look && (c->kill_at == 0 || now < c->kill_at)) continue;
            c->next_look = now + 0.02;
            Look(c.get(), now);
            if (HasFatalFailure()) break;
        }
        if (all_done || HasFatalFailure()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    int kills = 0;
    double slowest_quit = 0;
    for (auto &c : copies) {
        KillProgram(&c->program);  // only when a failure left it running
        UpdateLedger(c->sim, &c->ledger);
        StopStationSim(c->sim);
        c->sim = nullptr;
        kills += c->kills;
        slowest_quit = std::max(slowest_quit, c->quit_seconds);
        EXPECT_EQ(SanitizerReportIn(ProgramErrorOutput(c->program)), "") << c->folder;
        for (const auto &entry : std::filesystem::directory_iterator(c->folder))
            EXPECT_EQ(entry.path().filename().string().find(".damaged"), std::string::npos)
                << "a kill left a file that needed repair: " << entry.path();
        const HistoryFileImage image = ReadHistoryImage(c->folder + "/history.dat");
        ASSERT_TRUE(image.valid) << c->folder;
        EXPECT_TRUE(SamePrefix(c->kept, image.records)) << c->folder;
        const HistoryVerdict verdict =
            JudgeHistory(image.records, c->ledger, c->ring_oldest_seen, kInterval);
        for (const std::string &fault : verdict.faults) ADD_FAILURE() << c->folder << ": " << fault;
        EXPECT_EQ(verdict.allowed_gaps, 0) << c->folder;
        EXPECT_EQ(c->ledger.conflicts, 0u);
    }
    EXPECT_GE(kills, 100);
    printf("crash: %d kills during downloads over %d copies; slowest orderly quit %.3f s\n",
           kills, kCopies, slowest_quit);
}

}  // namespace
