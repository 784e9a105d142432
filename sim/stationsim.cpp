// The simulator's thread: it waits on the pseudo-terminal, hands each command byte to
// the console's protocol, adds what the line does to it (radio silence, pacing at
// 2400 baud, injected faults) and keeps the console's time running. Simulated time is
// the start time plus the speed factor times the line's clock; the line's clock is real
// time, or in manual mode only what the caller advances it by.
#include "sim/stationsim.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

#include "sim/sim_protocol.h"
#include "sim/sim_pty.h"

namespace {

constexpr double kByteSeconds = 10.0 / 2400.0;  // start bit, 8 data bits, stop bit
// The console takes in the program's writes only once the line has been quiet this
// long, so that it never acts on a value whose nibbles are half written.
constexpr double kWriteSettle = 0.1;
constexpr double kMaxSettleDelay = 2.0;
// Half an address that is not completed within this time is forgotten, so that a program
// that gave up in the middle of one starts afresh with its next command.
constexpr double kAddressIdleReset = 0.5;
constexpr int kIdlePollMs = 20;
// A reception window: from 1 s before the reception to 2 s after it.
constexpr double kRadioWindowSeconds = 3.0;
// Bytes in windows named on stderr when asked, so that a failed run shows when they came.
constexpr uint64_t kWindowBytesReported = 10;

struct PendingByte {
    double due;  // real seconds
    uint8_t byte;
};

}  // namespace

struct StationSim {
    SimOptions opts;
    SimConsole console;
    SimLinkState link{};
    SimPty pty;
    SimRandom fault_rng{};
    SimCounters counters{};
    std::mutex mu;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::chrono::steady_clock::time_point started;
    double link_offset = 0.0;      // seconds added by StationSimAdvance
    double start_time = 0.0;       // UTC seconds at link time 0
    double silent_until = -1.0;    // link seconds
    double last_write = -1e9;      // link seconds of the last write or bit command
    double last_byte = 0.0;        // link seconds of the last command byte
    double line_empty_at = -1e9;   // link seconds: the line held no unread byte then
    // The radio countdown was read since the start or the line's return.
    bool radio_known = false;
    double last_advance = 0.0;     // link seconds when the console last ran
    double last_due = 0.0;         // real seconds when the line is free again
    std::deque<PendingByte> out;
    // Pulled cables: the line is present as wanted, once the thread has acted on it.
    std::string link_path;
    std::atomic<bool> want_present{true};
    std::atomic<bool> present{true};
    double next_vanish = 0.0;      // real seconds, scheduled pulls only
    double return_at = 0.0;
    // On demand, for tests: history reads to answer before a data set is stored (0:
    // none asked for), and command bytes still to leave unanswered.
    int store_after_reads = 0;
    int drop_next = 0;
    int store_before_write_at = -1;
};

namespace {

double RealSeconds(const StationSim *sim) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - sim->started).count();
}

double LinkSeconds(const StationSim *sim) {
    return (sim->opts.manual_clock ? 0.0 : RealSeconds(sim)) + sim->link_offset;
}

double SimTimeAt(const StationSim *sim, double link) {
    return sim->start_time + sim->opts.speed * link;
}

void RunConsole(StationSim *sim, double link) {
    AdvanceSimConsole(&sim->console, SimTimeAt(sim, link));
    RefreshSimClock(&sim->console, SimTimeAt(sim, link), link);
    sim->last_advance = link;
}

// Runs the console's clock on to the minute of its next store, so that the data set
// stored now has the time and the weather it would have had.
void StoreNextDataSet(StationSim *sim) {
    if (!sim->console.layout->hist_max) return;
    const double t = SimTimeAt(sim, LinkSeconds(sim));
    // Half a second beyond the minute, so that rounding cannot leave the step before it.
    const double to_store = 60.0 - std::fmod(t, 60.0) + 60.0 * sim->console.state.hist_countdown + 0.5;
    sim->link_offset += to_store / sim->opts.speed;
    RunConsole(sim, LinkSeconds(sim));
}

void SendByte(StationSim *sim, uint8_t byte) {
    // A full line buffer (nobody reading the other end) loses the byte, as a wire would.
    const ssize_t n = write(sim->pty.master, &byte, 1);
    (void)n;
}

void QueueReply(StationSim *sim, const uint8_t *reply, int n) {
    if (!sim->opts.pace_real) {
        for (int i = 0; i < n; ++i) SendByte(sim, reply[i]);
        return;
    }
    double due = std::max(RealSeconds(sim), sim->last_due);
    for (int i = 0; i < n; ++i) {
        due += kByteSeconds;
        sim->out.push_back(PendingByte{due, reply[i]});
    }
    sim->last_due = due;
}

// Faults that change an answer: a first byte that cannot be the expected echo, a
// checksum that cannot match.
// Whether it changed the answer.
bool SpoilReply(StationSim *sim, SimCommandKind kind, uint8_t *reply, int n) {
    bool spoiled = false;
    if (SimChance(&sim->fault_rng, sim->opts.bad_echo)) {
        reply[0] = kind == SIM_CMD_ID ? static_cast<uint8_t>(reply[0] | 0x80) : static_cast<uint8_t>(reply[0] ^ 0x40);
        ++sim->counters.bad_echoes;
        spoiled = true;
    }
    if (kind == SIM_CMD_READ && SimChance(&sim->fault_rng, sim->opts.bad_checksum)) {
        reply[n - 1] = static_cast<uint8_t>(reply[n - 1] ^ 0x5A);
        ++sim->counters.bad_checksums;
        spoiled = true;
    }
    return spoiled;
}

// A good answer to a read of the radio countdown (echo, data bytes, checksum): from now
// on the program can know when the windows come.
bool AnswersCountdown(const StationSim *sim, SimCommandKind kind, int n) {
    if (kind != SIM_CMD_READ) return false;
    const int from = sim->link.address;
    const int countdown = sim->console.layout->tx_countdown;
    return from <= countdown && countdown + 3 <= from + 2 * (n - 2);
}

// A byte read inside a reception window counts against the program only when it could
// know the windows (it has read the radio countdown) and the line surely brought the byte
// there: the line was empty at a moment inside the same window. After
// this thread stood still (a loaded machine), a byte read now may have been sent before
// the window began, and the program cannot be blamed for the simulator's delay.
void CountWindowByte(StationSim *sim, uint8_t byte, double link) {
    if (!sim->radio_known) {
        ++sim->counters.radio_unplanned;
        return;
    }
    // A clock that moves only when told has no such delay.
    const double empty = sim->opts.manual_clock ? link : sim->line_empty_at;
    const bool surely = SimRadioSilent(&sim->console, empty) && link - empty < kRadioWindowSeconds;
    if (!surely) {
        ++sim->counters.radio_unsure;
        return;
    }
    ++sim->counters.radio_ignored;
    if (!sim->opts.report_window_bytes || sim->counters.radio_ignored > kWindowBytesReported) return;
    fprintf(stderr, "stationsim: byte 0x%02X came during a reception window (line %.3f s, empty at %.3f s)\n",
            byte, link, empty);
}

void HandleByte(StationSim *sim, uint8_t byte) {
    std::lock_guard<std::mutex> lock(sim->mu);
    const double link = LinkSeconds(sim);
    ++sim->counters.received;
    if (link - sim->last_byte >= kAddressIdleReset) sim->link.position = 0;
    sim->last_byte = link;
    // The clock and the radio countdown must be right to the second when read.
    RefreshSimClock(&sim->console, SimTimeAt(sim, link), link);
    if (SimRadioSilent(&sim->console, link)) {
        CountWindowByte(sim, byte, link);
        return;
    }
    if (link < sim->silent_until) {
        ++sim->counters.silenced;
        return;
    }
    if (SimChance(&sim->fault_rng, sim->opts.silence_prob)) {
        sim->silent_until = link + sim->opts.silence_s;
        ++sim->counters.silences;
        ++sim->counters.silenced;
        return;
    }
    if (sim->drop_next > 0 || SimChance(&sim->fault_rng, sim->opts.drop)) {
        sim->drop_next = std::max(0, sim->drop_next - 1);
        ++sim->counters.dropped;
        return;
    }
    uint8_t reply[SIM_MAX_REPLY];
    const SimCommandKind kind = ClassifySimCommand(byte);
    if (kind == SIM_CMD_WRITE && sim->link.address == sim->store_before_write_at) {
        sim->store_before_write_at = -1;
        StoreNextDataSet(sim);
    }
    const int n = AnswerSimCommand(&sim->link, &sim->console.mem, sim->console.layout->variant, byte, reply);
    if (n == 0) {
        ++sim->counters.unanswered;
        return;
    }
    if (kind == SIM_CMD_WRITE || kind == SIM_CMD_SET_BIT || kind == SIM_CMD_CLEAR_BIT) {
        sim->last_write = link;
        ++sim->counters.writes;
    }
    const SimLayout *l = sim->console.layout;
    const bool history_read = kind == SIM_CMD_READ && sim->link.address >= l->hist_start &&
                              sim->link.address < l->hist_start + 19 * l->hist_max;
    if (history_read) ++sim->counters.history_reads;
    const bool spoiled = SpoilReply(sim, kind, reply, n);
    if (!spoiled && AnswersCountdown(sim, kind, n)) sim->radio_known = true;
    QueueReply(sim, reply, n);
    ++sim->counters.answered;
    sim->counters.reply_bytes += static_cast<uint64_t>(n);
    if (history_read && sim->store_after_reads > 0 && --sim->store_after_reads == 0)
        StoreNextDataSet(sim);
}

void SendDue(StationSim *sim) {
    std::lock_guard<std::mutex> lock(sim->mu);
    const double now = RealSeconds(sim);
    while (!sim->out.empty() && sim->out.front().due <= now) {
        SendByte(sim, sim->out.front().byte);
        sim->out.pop_front();
    }
}

void Tick(StationSim *sim) {
    std::lock_guard<std::mutex> lock(sim->mu);
    if (sim->opts.manual_clock) return;
    const double link = LinkSeconds(sim);
    const bool settled = link - sim->last_write >= kWriteSettle;
    if (settled || link - sim->last_advance >= kMaxSettleDelay) {
        RunConsole(sim, link);
    } else {
        RefreshSimClock(&sim->console, SimTimeAt(sim, link), link);
    }
}

// How long the thread may wait for the next command byte: until the next reply byte is
// due, exactly. A wait in whole milliseconds would send every byte up to 1 ms late, a
// fifth of a byte time at 2400 baud, and the line would seem slower than its baud rate.
timespec WaitBeforeNextByte(StationSim *sim) {
    std::lock_guard<std::mutex> lock(sim->mu);
    double wait = kIdlePollMs / 1000.0;
    if (!sim->out.empty()) wait = std::clamp(sim->out.front().due - RealSeconds(sim), 0.0, wait);
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(wait);
    ts.tv_nsec = static_cast<long>((wait - static_cast<double>(ts.tv_sec)) * 1e9);
    return ts;
}

// Scheduled pulls set what is wanted; the line is then closed or opened again here, on
// the thread that reads it.
void UpdatePresence(StationSim *sim) {
    const double now = RealSeconds(sim);
    if (sim->opts.vanish_every_s > 0.0) {
        if (sim->present.load() && now >= sim->next_vanish) {
            sim->want_present = false;
            sim->return_at = now + sim->opts.vanish_for_s;
            sim->next_vanish = now + sim->opts.vanish_every_s;
        } else if (!sim->present.load() && now >= sim->return_at) {
            sim->want_present = true;
        }
    }
    const bool want = sim->want_present.load();
    if (want == sim->present.load()) return;
    std::lock_guard<std::mutex> lock(sim->mu);
    if (!want) {
        CloseSimPty(&sim->pty);
        sim->out.clear();
        sim->radio_known = false;
        ++sim->counters.vanishes;
        sim->present = false;
        return;
    }
    // A line that cannot be made now is tried again on the next pass.
    std::string error;
    if (OpenSimPty(&sim->pty, sim->link_path.c_str(), &error) != 0) return;
    sim->link.position = 0;
    sim->present = true;
}

double LockedLinkSeconds(StationSim *sim) {
    std::lock_guard<std::mutex> lock(sim->mu);
    return LinkSeconds(sim);
}

// The line was seen empty from `since` on: whatever is read later came after it.
void NoteLineEmpty(StationSim *sim, double since) {
    std::lock_guard<std::mutex> lock(sim->mu);
    sim->line_empty_at = since;
}

void ThreadMain(StationSim *sim) {
    while (!sim->stop.load()) {
        UpdatePresence(sim);
        struct pollfd p{sim->pty.master, POLLIN, 0};
        const timespec wait = WaitBeforeNextByte(sim);
        const double before_wait = LockedLinkSeconds(sim);
        const int r = ppoll(&p, 1, &wait, nullptr);
        if (r == 0) NoteLineEmpty(sim, before_wait);
        if (r > 0 && (p.revents & POLLIN)) {
            uint8_t buf[64];
            const double before_read = LockedLinkSeconds(sim);
            const ssize_t n = read(sim->pty.master, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) HandleByte(sim, buf[i]);
            // Bytes left behind by a full buffer may have come before the read.
            if (n >= 0 && n < static_cast<ssize_t>(sizeof buf)) NoteLineEmpty(sim, before_read);
        } else if (r > 0) {
            // Hang-up or error without data: do not spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(kIdlePollMs));
        }
        SendDue(sim);
        Tick(sim);
    }
}

}  // namespace

StationSim *StartStationSim(const SimOptions &opts, const char *link_path, std::string *error) {
    auto *sim = new StationSim;
    sim->opts = opts;
    if (OpenSimPty(&sim->pty, link_path, error) != 0) {
        delete sim;
        return nullptr;
    }
    InitSimConsole(&sim->console, opts);
    sim->opts.tz_offset_s = sim->console.opts.tz_offset_s;
    sim->start_time = sim->console.state.now;
    SeedSimRandom(&sim->fault_rng, opts.seed ^ 0xFA017ull);
    sim->started = std::chrono::steady_clock::now();
    sim->link_path = link_path != nullptr ? link_path : "";
    sim->next_vanish = opts.vanish_every_s;
    sim->thread = std::thread(ThreadMain, sim);
    return sim;
}

void StopStationSim(StationSim *sim) {
    if (!sim) return;
    sim->stop.store(true);
    if (sim->thread.joinable()) sim->thread.join();
    CloseSimPty(&sim->pty);
    delete sim;
}

std::string StationSimDevice(StationSim *sim) {
    std::lock_guard<std::mutex> lock(sim->mu);
    return sim->pty.device;
}

namespace {

bool WaitForPresence(StationSim *sim, bool present) {
    sim->want_present = present;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (sim->present.load() != present) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace

bool StationSimVanish(StationSim *sim) { return WaitForPresence(sim, false); }
bool StationSimReturn(StationSim *sim) { return WaitForPresence(sim, true); }
bool StationSimPresent(StationSim *sim) { return sim->present.load(); }

void StationSimAdvance(StationSim *sim, double seconds) {
    std::lock_guard<std::mutex> lock(sim->mu);
    if (seconds > 0) sim->link_offset += seconds;
    RunConsole(sim, LinkSeconds(sim));
}

void StationSimStoreDataSet(StationSim *sim, int after_history_reads) {
    std::lock_guard<std::mutex> lock(sim->mu);
    sim->store_after_reads = after_history_reads;
    if (after_history_reads <= 0) StoreNextDataSet(sim);
}

void StationSimStoreBeforeWrite(StationSim *sim, uint16_t address) {
    std::lock_guard<std::mutex> lock(sim->mu);
    sim->store_before_write_at = address;
}

void StationSimDropNext(StationSim *sim, int count) {
    std::lock_guard<std::mutex> lock(sim->mu);
    sim->drop_next = count;
}

uint8_t StationSimPeek(StationSim *sim, uint16_t address) {
    std::lock_guard<std::mutex> lock(sim->mu);
    return GetSimNibble(&sim->console.mem, address);
}

void StationSimPoke(StationSim *sim, uint16_t address, uint8_t nibble) {
    std::lock_guard<std::mutex> lock(sim->mu);
    PutSimNibble(&sim->console.mem, address, nibble);
    MarkSimTouched(&sim->console.mem, address);
}

void StationSimGetState(StationSim *sim, SimState *out) {
    std::lock_guard<std::mutex> lock(sim->mu);
    *out = sim->console.state;
}

void StationSimGetCounters(StationSim *sim, SimCounters *out) {
    std::lock_guard<std::mutex> lock(sim->mu);
    *out = sim->counters;
}

std::string StationSimDump(StationSim *sim, bool with_memory) {
    std::lock_guard<std::mutex> lock(sim->mu);
    std::string text = DumpSimState(&sim->console);
    if (with_memory) text += DumpSimMemory(&sim->console.mem);
    return text;
}
