// How close the polling cycle and a full history download come to the line itself: the
// communication code runs against the simulated console answering at 2400 baud, and the
// time it takes is set against the wire time of every byte it exchanged. The goals are a
// ratio of at most 1.10 for both (no radio windows here: pauses are the console's time,
// not the program's).
//
// The pseudo-terminal delivers the program's own bytes at once, while on a real line each
// takes a byte time before the console can answer; the measured time is therefore
// counted with the command bytes' wire time added, so the ratio is the real line's.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "records/setup_record.h"
#include "history/history_file.h"
#include "platform/runtime.h"
#include "sim/stationsim.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_preparation.h"
#include "station/comm/polling_cycle.h"
#include "station/comm/tsq_records.h"
#include "records/kor_data.h"
#include "station/data/kor_memory_map.h"
#include "support/history_ledger.h"
#include "support/link_thread.h"
#include "support/temp_folder.h"

namespace {

constexpr int kPort = 9;
constexpr double kByteSeconds = 10.0 / 2400.0;
constexpr int kCycles = 5;
constexpr int32_t kNotDue = 1'000'000;  // a poll timer that does not run out during a run

struct Measure {
    double seconds = 0;
    uint64_t sent = 0;      // command bytes the console received
    uint64_t received = 0;  // bytes it answered with
    int runs = 0;
};

void DiscardUIRecords(CmtTSQHandle queue, unsigned, int, void *) {
    UIRecord record;
    while (CmtReadTSQData(queue, &record, 1, 0, 0) == 1) {}
}

SimOptions BenchConsole() {
    SimOptions o;
    o.variant = 2;
    o.seed = 5;
    o.start_time = 1'780'000'000;
    o.tz_offset_s = 0;
    o.tz_given = true;
    o.hist_interval_min = 1;
    o.prefill = 175;           // a full ring to download
    o.radio_interval_s = 0;
    o.pace_real = true;
    o.manual_clock = true;     // no data set is stored while the download runs
    return o;
}

void AllGroupsDue(KORData *rec, bool due) {
    const int32_t t = due ? 0 : kNotDue;
    rec->clock_poll_timer = t;
    rec->wind.poll_timer = rec->rain.poll_timer = t;
    rec->indoor_temp.poll_timer = rec->outdoor_temp.poll_timer = t;
    rec->indoor_hum.poll_timer = rec->outdoor_hum.poll_timer = t;
    rec->windchill.poll_timer = rec->dewpoint.poll_timer = rec->pressure.poll_timer = t;
    rec->alarm_enable.poll_timer = rec->alarm_state.poll_timer = t;
    rec->reception.poll_timer = kNotDue;
}

// Runs fn on the link thread, adding its time and the console's byte counts to m.
template <typename Fn>
void Timed(StationSim *sim, Measure *m, Fn fn) {
    SimCounters before{}, after{};
    StationSimGetCounters(sim, &before);
    const double start = Timer();
    fn();
    m->seconds += Timer() - start;
    StationSimGetCounters(sim, &after);
    m->sent += after.received - before.received;
    m->received += after.reply_bytes - before.reply_bytes;
    ++m->runs;
}

void Report(const char *name, const Measure &m) {
    const double wire = static_cast<double>(m.sent + m.received) * kByteSeconds;
    const double line = m.seconds + static_cast<double>(m.sent) * kByteSeconds;
    printf("%s: %d run(s), %llu bytes sent, %llu received, %.3f s on the line, wire time "
           "%.3f s\n",
           name, m.runs, static_cast<unsigned long long>(m.sent),
           static_cast<unsigned long long>(m.received), line, wire);
    printf("%s: ratio to wire time at 2400 baud: %.4f (goal <= 1.10)\n", name, line / wire);
}

}  // namespace

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    TempFolder folder;
    std::string error;
    const std::string link = folder.file("COM" + std::to_string(kPort));
    StationSim *sim = StartStationSim(BenchConsole(), link.c_str(), &error);
    if (sim == nullptr) {
        fprintf(stderr, "wire_ratio: no simulator: %s\n", error.c_str());
        return 1;
    }
    memset(&setup, 0, sizeof setup);
    SetSetupToDefault(&setup);
    ResetLinkFlags();
    SetUIQueueReader(DiscardUIRecords);

    // A history file whose newest data set is older than everything the ring holds, so
    // that the download takes the whole ring.
    HistoryLedger ledger;
    UpdateLedger(sim, &ledger);
    SimHistorySet old = ledger.sets.begin()->second;
    old.time -= 60;
    const std::string history = folder.file("history.dat");
    WriteHistoryFileOf(history, {old}, 10.0f);

    Measure cycle, download;
    int stored = 0;
    const int opened = RunWithStationLink(kPort, [&] {
        OpenCommunicationQueues();
        SelectKORMemoryMap(2);
        static KORData rec;
        SetKORDataToDefault(&rec);
        flag_polling_blocked = 0;
        flag_first_refresh_loop = 1;  // every group, no history: the first cycle's work
        for (int i = 0; i < kCycles; ++i) {
            AllGroupsDue(&rec, true);
            Timed(sim, &cycle, [&] { PollStationData(&rec); });
        }
        snprintf(rec.history_file_name, sizeof rec.history_file_name, "%s", history.c_str());
        rec.history_file_ok = InitFileHistoryHeader(&rec.file_header, history.c_str()) >= 0;
        flag_new_history_file = 0;
        flag_first_refresh_loop = 0;
        AllGroupsDue(&rec, false);
        rec.clock_live_timer = 86400;
        rec.station_header.header_timer = 0;
        rec.station_header.to_read = 0;
        Timed(sim, &download, [&] {
            PollStationData(&rec);  // the header, then the data sets 21 at a time
            while (rec.station_header.to_read > 0 && flag_quit.load() == 0)
                PollStationData(&rec);
        });
        stored = rec.file_header.count - 1;
        ReleaseCommunicationQueues();
    });
    StopStationSim(sim);
    if (opened != 0) {
        fprintf(stderr, "wire_ratio: cannot open the link (%d)\n", opened);
        return 1;
    }
    Report("polling cycle (every group)", cycle);
    printf("history download: %d data sets stored\n", stored);
    Report("history download", download);
    return stored == 175 ? 0 : 1;
}
