// Commands given at random through the queue the dialogs use, while the line has faults
// and the cable is pulled now and then: alarm thresholds and switches, min/max resets,
// interval changes and older-set stores. Every command must be answered, either as done
// or as failed; every change confirmed as done must be in the console's memory; no data
// set the console stored may be missing from the history file across the interval
// changes; and outside commands no byte may land in a radio window. Commands themselves
// end the reception pauses (a change must not wait for the radio), so bytes in windows
// during commands are counted apart.
//
// The suite runs a short version; scripts/soak.sh runs the long one with the history
// soak's CH_SOAK_SETS and CH_SOAK_SEED (CH_CMD_SOAK_VANISH_EVERY: seconds between pulled
// cables).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "sim/sim_layout.h"
#include "station/comm/older_history.h"
#include "station/comm/tsq_records.h"
#include "support/comm_command_bench.h"
#include "support/comm_sim_fixture.h"
#include "support/history_ledger.h"
#include "support/utc_zone.h"

namespace {

double EnvNumber(const char *name, double fallback) {
    const char *text = getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    return atof(text);
}

struct Plan {
    int sets;             // data sets the console stores during the run
    uint64_t seed;
    double vanish_every;  // s between pulled cables
};

Plan PlanFromEnvironment() {
    Plan plan;
    plan.sets = static_cast<int>(EnvNumber("CH_SOAK_SETS", 40));
    plan.seed = static_cast<uint64_t>(EnvNumber("CH_SOAK_SEED", 11));
    plan.vanish_every = EnvNumber("CH_CMD_SOAK_VANISH_EVERY", 25.0);
    return plan;
}

SimOptions FaultyConsole(const Plan &plan) {
    SimOptions o;
    o.variant = 2;
    o.seed = plan.seed;
    o.start_time = 1'780'000'000;
    o.tz_offset_s = 0;
    o.tz_given = true;
    o.hist_interval_min = 1;
    o.prefill = 30;
    o.radio_interval_s = 32;
    o.speed = 60.0;  // a data set every real second at an interval of one minute
    o.pace_real = false;
    o.bad_echo = 0.03;
    o.drop = 0.01;
    o.bad_checksum = 0.01;
    o.vanish_every_s = plan.vanish_every;
    o.vanish_for_s = 6.0;
    return o;
}

// A temperature alarm threshold: its command, its confirmation and where the console
// keeps it and its switch.
struct Alarm {
    int code;
    int reply;
    bool high;
    int block;  // 0 indoor, 1 outdoor, 2 windchill, 3 dewpoint
    uint16_t enable_nibble;
    int enable_bit;
};

const Alarm kAlarms[] = {
    {8, 37, false, 0, 0x01B, 0},  {10, 39, true, 0, 0x01B, 1}, {12, 41, false, 1, 0x01B, 2},
    {14, 43, true, 1, 0x01B, 3},  {16, 45, false, 2, 0x01C, 0}, {18, 47, true, 2, 0x01C, 1},
    {20, 49, false, 3, 0x01C, 2}, {22, 51, true, 3, 0x01C, 3},
};

uint16_t ThresholdAddress(const Alarm &a) {
    const SimLayout *l = GetSimLayout(2);
    const SimTempBlock *blocks[] = {&l->itemp, &l->otemp, &l->chill, &l->dew};
    return a.high ? blocks[a.block]->high_alarm_ll : blocks[a.block]->low_alarm_ll;
}

double ConsoleThreshold(StationSim *sim, const Alarm &a) {
    const uint16_t at = ThresholdAddress(a);
    SimMemory m;
    InitSimMemory(&m, static_cast<uint32_t>(at) + 8);
    for (uint16_t i = 0; i < 5; ++i)
        PutSimNibble(&m, at + i, StationSimPeek(sim, static_cast<uint16_t>(at + i)));
    double celsius = 0;
    GetSimTemperature(&m, at, &celsius);
    return celsius;
}

bool ConsoleEnabled(StationSim *sim, const Alarm &a) {
    return ((StationSimPeek(sim, a.enable_nibble) >> a.enable_bit) & 1) != 0;
}

struct Confirmed {
    float value;
    int enabled;
};

struct Tally {
    int issued = 0, confirmed = 0, failed_and_said = 0;
    int missing_from_console = 0;  // confirmed changes the console does not hold
    uint64_t window_bytes_in_commands = 0;
};

class CommandSoak {
public:
    explicit CommandSoak(const Plan &plan) : plan_(plan), run_(FaultyConsole(plan)), rng_(plan.seed) {}

    void Run() {
        ASSERT_EQ(run_.StartThread(), 0);
        ASSERT_TRUE(run_.WaitFor([&] { return run_.CountKind(UI_ALARM_STATE) > 0; }, 60.0));
        UpdateLedger(run_.sim(), &ledger_);
        first_seen_ = ledger_.ring_newest;
        while (StoredSinceStart() < plan_.sets && !hung_) IssueOne();
        EXPECT_EQ(run_.StopThread(), 0);
    }

    void Judge() {
        for (const auto &[code, c] : confirmed_) {
            for (const Alarm &a : kAlarms) {
                if (a.code != code) continue;
                EXPECT_NEAR(ConsoleThreshold(run_.sim(), a), c.value, 0.06) << "code " << code;
                EXPECT_EQ(ConsoleEnabled(run_.sim(), a), c.enabled == 1) << "code " << code;
            }
        }
        EXPECT_FALSE(hung_) << "a command was answered neither way";
        EXPECT_EQ(tally_.missing_from_console, 0);
        EXPECT_EQ(LostDataSets(), 0);
        SimCounters c;
        StationSimGetCounters(run_.sim(), &c);
        const uint64_t outside = c.radio_ignored - tally_.window_bytes_in_commands;
        // As in the history soak: after a pulled cable the windows are unknown until the
        // console's reception timer has been read again.
        EXPECT_LE(outside, 8u * c.vanishes) << "bytes in radio windows outside commands";
        printf("command soak: %d commands issued, %d confirmed, %d failed and said; %d "
               "confirmed changes missing from the console; %d data sets lost\n",
               tally_.issued, tally_.confirmed, tally_.failed_and_said,
               tally_.missing_from_console, LostDataSets());
        printf("command soak: %llu bytes in radio windows during commands, %llu outside; "
               "%llu pulled cables, %llu wrong echoes, %llu dropped, %llu wrong checksums\n",
               static_cast<unsigned long long>(tally_.window_bytes_in_commands),
               static_cast<unsigned long long>(outside),
               static_cast<unsigned long long>(c.vanishes),
               static_cast<unsigned long long>(c.bad_echoes),
               static_cast<unsigned long long>(c.dropped),
               static_cast<unsigned long long>(c.bad_checksums));
    }

private:
    int Random(int n) { return static_cast<int>(rng_() % static_cast<uint64_t>(n)); }

    // Sends one command and waits for its answer; the console's memory is looked at
    // the moment a change is confirmed, before anything else can touch it.
    void IssueOne() {
        CommandRecord cmd{};
        std::vector<int> done_kinds;
        const Alarm *alarm = nullptr;
        const int pick = Random(10);
        if (pick < 6) {
            alarm = &kAlarms[Random(8)];
            cmd = MakeCommand(alarm->code);
            cmd.value_changed = 1;
            cmd.value = static_cast<float>(Random(900) - 300) / 10.0f;
            cmd.enable_changed = 1;
            cmd.enabled = Random(2);
            done_kinds = {alarm->reply};
        } else if (pick < 8) {
            const int code = 65 + Random(6);
            cmd = MakeCommand(code);
            done_kinds = {code + 18};
        } else if (pick < 9) {
            interval_minutes_ = interval_minutes_ == 1 ? 2 : 1;
            cmd = MakeCommand(2);
            cmd.param = interval_minutes_ - 1;
            cmd.param2 = interval_minutes_ - 1;
            done_kinds = {UI_HISTORY_SETTINGS_WRITTEN};
        } else {
            cmd = MakeCommand(COMMAND_STORE_OLDER_DATA_SETS);
            done_kinds = {UI_OLDER_DATA_SETS};
        }
        SimCounters before;
        StationSimGetCounters(run_.sim(), &before);
        const size_t from = run_.Records().size();
        if (run_.SendCommands({cmd}) != 0) {
            hung_ = true;
            return;
        }
        ++tally_.issued;
        int answer = -1;
        const bool answered = run_.WaitFor([&] {
            UpdateLedger(run_.sim(), &ledger_);
            answer = Answer(from, cmd.code, done_kinds);
            return answer >= 0;
        }, 180.0);
        SimCounters after;
        StationSimGetCounters(run_.sim(), &after);
        tally_.window_bytes_in_commands += after.radio_ignored - before.radio_ignored;
        if (!answered) {
            hung_ = true;
            return;
        }
        if (answer == 0) {
            ++tally_.failed_and_said;
            if (cmd.code == 2) interval_minutes_ = interval_minutes_ == 1 ? 2 : 1;  // unchanged
            return;
        }
        ++tally_.confirmed;
        if (alarm == nullptr) return;
        confirmed_[alarm->code] = Confirmed{cmd.value, cmd.enabled};
        const bool held = std::abs(ConsoleThreshold(run_.sim(), *alarm) - cmd.value) < 0.06 &&
                          ConsoleEnabled(run_.sim(), *alarm) == (cmd.enabled == 1);
        if (!held) ++tally_.missing_from_console;
    }

    int StoredSinceStart() const {
        int n = 0;
        for (auto it = ledger_.sets.upper_bound(first_seen_); it != ledger_.sets.end(); ++it) ++n;
        return n;
    }

    // 1 done, 0 failed and said, -1 no answer yet.
    int Answer(size_t from, int code, const std::vector<int> &done_kinds) const {
        for (size_t i = from; i < run_.Records().size(); ++i) {
            const UIRecord &r = run_.Records()[i];
            for (int kind : done_kinds)
                if (r.kind == kind) return 1;
            if (r.kind == UI_COMMAND_FAILED && static_cast<int>(r.payload[0]) == code) return 0;
            if (r.kind == UI_HISTORY_SETTINGS_REFUSED && code == 2) return 0;
        }
        return -1;
    }

    // Data sets the console stored after the program had begun its file that the file
    // lacks, though the console's ring still held them when last seen or an interval
    // write emptied it.
    int LostDataSets() const {
        const HistoryFileImage image = ReadHistoryImage(run_.history_path());
        if (!image.valid || image.records.empty()) return -1;
        std::set<uint32_t> stored;
        for (const HistoryRecord &r : image.records) stored.insert(r.time);
        int lost = 0;
        for (const auto &[time, set] : ledger_.sets) {
            if (time < image.header.first_time || time > image.header.last_time) continue;
            if (stored.count(static_cast<uint32_t>(time)) != 0) continue;
            ++lost;
            fprintf(stderr, "lost: the data set of %lld\n", static_cast<long long>(time));
        }
        return lost;
    }

    Plan plan_;
    CommSimRun run_;
    std::mt19937_64 rng_;
    HistoryLedger ledger_;
    int64_t first_seen_ = 0;
    int interval_minutes_ = 1;
    bool hung_ = false;
    Tally tally_;
    std::map<int, Confirmed> confirmed_;
};

TEST(ProofCommandSoak, ChangesUnderFaultsAreConfirmedOnlyWhenDoneAndLoseNoDataSet) {
    UtcZone utc;
    CommandSoak soak(PlanFromEnvironment());
    soak.Run();
    soak.Judge();
}

}  // namespace
