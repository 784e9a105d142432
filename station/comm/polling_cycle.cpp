// The polling cycle of the communication thread. Each group of values is read when its
// poll timer has run out; a cycle that a command, a reception pause or quitting stops
// resumes at the step it stopped at, so that no group starves while commands arrive.
// History data sets are fetched oldest first, at most 21 per cycle, so that the live
// values keep their rhythm during a long download.
#include "station/comm/polling_cycle.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "records/setup_record.h"
#include "history/history_file.h"
#include "history/station_history.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_thread.h"
#include "station/link/kor_state_machine.h"
#include "station/comm/older_history.h"
#include "station/comm/link_watch.h"
#include "station/comm/tsq_records.h"
#include "station/data/kor_clock.h"
#include "station/data/kor_readers.h"
#include "station/data/kor_writers.h"
#include "station/data/kor_memory_map.h"
#include "values/time_scales.h"
#include "values/conversions.h"

namespace {

constexpr int KOR_CLOCK_IMPOSSIBLE = -3;  // a clock reader's answer for impossible digits

// Set while the history file refuses appends, so that one failure streak shows one
// message instead of one per cycle.
bool history_write_failure_shown = false;

// While the disc refuses the history file (no folder, a full disc, a stick pulled), the
// file is tried again after a wait that grows from 10 s to a minute. Trying on every pass
// would fetch the same data set from the console several times a second; never trying
// again would store nothing until a restart. The live groups keep their own rhythm.
struct DiscWait {
    double until = 0.0;    // Timer() seconds; 0 while the disc accepts
    double seconds = 0.0;  // the present wait
    bool for_file = false;  // the file could not be made (else it refused a data set)
};
DiscWait history_disc_wait;

void HistoryDiscRefused(bool for_file) {
    DiscWait *w = &history_disc_wait;
    w->seconds = w->seconds < 10.0 ? 10.0 : (w->seconds * 2 > 60.0 ? 60.0 : w->seconds * 2);
    w->until = Timer() + w->seconds;
    w->for_file = for_file;
}

void HistoryDiscAccepted() { history_disc_wait = DiscWait{}; }

// A wait for a file that could not be made ends as soon as a file is in use, however it
// came (another file chosen, the file made meanwhile): the download must not idle on it.
bool HistoryDiscWaiting(const KORData *rec) {
    const DiscWait &w = history_disc_wait;
    if (w.until == 0.0 || Timer() >= w.until) return false;
    return !(w.for_file && rec->history_file_ok == 1);
}

// A lost link also stops the step: the thread recovers it and then plans the pass anew.
bool StepMustStop() {
    return flag_quit.load() != 0 || flag_polling_blocked != 0 || flag_reception_pause != 0 ||
           LinkMustRecover();
}

// Calls read() until it succeeds; between attempts one identification exchange. Gives
// up (-1) as soon as the thread must quit, a command waits or a reception pause began.
template <typename Read>
int ReadUntilDone(Read read) {
    for (;;) {
        if (read() == 0) return 0;
        ConfirmStationID();
        if (StepMustStop()) return -1;
    }
}

void SendGroup(int kind, const void *group, size_t bytes) { SendUIRecord(kind, group, bytes); }

template <typename Group>
void GroupRead(Group *group, int32_t poll, int32_t live, int kind, int (*reader)(Group *)) {
    if (ReadUntilDone([&] { return reader(group); }) != 0) return;
    group->poll_timer = poll;
    group->live_timer = live;
    SendGroup(kind, group, sizeof *group);
}

// ---- reception windows -------------------------------------------------------------

// A pause opens this long before a reception the countdown announces and closes this
// long after it. The console counts in half seconds, so the reception may come up to
// half a second off the countdown either way; the trailing margin covers that, which
// the window's end (2 s after the reception) would otherwise not have.
constexpr double kPauseLead = 1.5;
constexpr double kPauseTrail = 2.5;
constexpr double kPauseLength = kPauseLead + kPauseTrail;

// A reading the console gives between two settings (a countdown longer than its
// interval) or one the reader drops plans no window; it is read again this soon.
constexpr int32_t kReceptionRecheckSeconds = 10;

void ReceptionStep(KORData *rec) {
    ReceptionGroup *rx = &rec->reception;
    // Read into a copy whose interval no console gives, so that a reading the reader
    // drops cannot pass for a fresh one with the old countdown.
    ReceptionGroup reading = *rx;
    auto read = [&] {
        reading.tx_interval = 0.0f;
        return KOR_ReadHFReceptionTimer(&reading);
    };
    if (ReadUntilDone(read) != 0) return;
    if (!ReceptionTimerPlausible(reading.tx_interval, reading.tx_countdown)) {
        // The console answered, so this is no failed read, but no pause can be planned
        // from it; a plan from an earlier reading is not trusted either.
        DisarmReceptionTimer();
        rx->poll_timer = kReceptionRecheckSeconds;
        return;
    }
    rx->tx_interval = reading.tx_interval;
    rx->tx_countdown = reading.tx_countdown;
    rx->poll_timer = ReceptionPollSeconds(rx->tx_interval, rx->tx_countdown);
    if (rx->tx_countdown <= kPauseLead) {
        // The reception is no further than a pause's lead: pause now, until the pause
        // that would have begun on time ends, so that the plan after it is on time again.
        // 1.5 s is the least the console can say: the window may be upon it already.
        flag_reception_pause = 1;
        SendUIRecord(UI_RECEPTION_PAUSE, nullptr, 0);
        ArmReceptionTimer(rx->tx_countdown + kPauseTrail);
        return;
    }
    ArmReceptionTimer(rx->tx_countdown - kPauseLead);
    ProcessSystemEvents();
}

// ---- clock --------------------------------------------------------------------------

// Reads until the transfer succeeds. 0, -1 when the step must stop, or
// KOR_CLOCK_IMPOSSIBLE when the console's clock holds a time that cannot be.
template <typename Read>
int ReadClockPart(Read read) {
    for (;;) {
        const int r = read();
        if (r == 0 || r == KOR_CLOCK_IMPOSSIBLE) return r;
        if (StepMustStop()) return -1;
    }
}

void ClockStep(KORData *rec) {
    struct tm min_sec;
    memset(&min_sec, 0, sizeof min_sec);
    int r = ReadClockPart([&] { return KOR_ReadMinSec(&min_sec, CSECL); });
    const time_t pc_time = time(nullptr);
    struct tm final_time;
    memset(&final_time, 0, sizeof final_time);
    if (r == 0) r = ReadClockPart([&] { return KOR_ReadFinalTimeDate(&final_time, FINAL_CMINL); });
    if (r == KOR_CLOCK_IMPOSSIBLE) {
        // mktime would quietly turn 31 February into March and the offset would be days
        // wrong. The offset stays as it was and the clock is asked again in a minute,
        // while the other groups go on being read.
        rec->clock_poll_timer = 60;
        return;
    }
    if (r != 0) return;
    const int final_minute = final_time.tm_min;
    final_time.tm_isdst = 0;
    time_t station = mktime(&final_time) + min_sec.tm_sec;
    if (final_minute != min_sec.tm_min) station -= 60;
    const double pc = static_cast<double>(static_cast<uint32_t>(pc_time));
    const double st = static_cast<double>(static_cast<uint32_t>(station));
    rec->clock_offset = static_cast<float>(GetGMT_TZDiff() + (pc - st));
    rec->clock_poll_timer = 1801;
    rec->clock_live_timer = 86400;
    SendUIRecord(UI_CLOCK_DIFFERENCE, &rec->clock_offset, sizeof rec->clock_offset);
}

// ---- history --------------------------------------------------------------------------

// Once per failure streak, whether the file could not be made or not be appended to: a
// station PC without a screen logs it, and nobody has to click a message away per pass.
void ReportHistoryWriteFailure() {
    if (history_write_failure_shown) return;
    history_write_failure_shown = true;
    MessagePopup("Error", "Can't write history data to disc");
}

bool HistoryAvailable() { return GetStationID() != 1; }  // mask 7 consoles keep no history

// A history file that could not be made at the start (or since) is made once the disc
// takes it; a new file receives the newest data set first, as at the start.
void RetryHistoryFile(KORData *rec) {
    if (history_disc_wait.until == 0.0) {
        HistoryDiscRefused(true);  // the first refusal came before the cycle ran
        ReportHistoryWriteFailure();
        return;
    }
    if (HistoryDiscWaiting(rec)) return;
    const int r = InitFileHistoryHeader(&rec->file_header, rec->history_file_name);
    if (r < 0) {
        HistoryDiscRefused(true);
        ReportHistoryWriteFailure();
        return;
    }
    HistoryDiscAccepted();
    history_write_failure_shown = false;
    rec->history_file_ok = 1;
    flag_new_history_file = r == HISTORY_FILE_CREATED ? 1 : 0;
}

// A header the console keeps giving with impossible contents is asked again this much
// later, not on every pass: its contents will not change before the console stores its
// next data set or is set anew.
constexpr int32_t kRejectedHeaderRetrySeconds = 60;

void HistoryHeaderStep(KORData *rec) {
    KORHistoryHeader *h = &rec->station_header;
    KORHistoryHeader first = *h;
    int r = KOR_ReadHistoryHeader(&first, rec);
    if (r == 0) r = KOR_ReadHistoryHeader(h, rec);
    if (r != 0) {
        if (r == -1) ConfirmStationID();
        rec->history_header_valid = 0;
        h->to_read = 0;
        if (r == -2) h->header_timer = kRejectedHeaderRetrySeconds;
        return;
    }
    const bool agree = first.interval_code == h->interval_code &&
                       first.last_data_set_time == h->last_data_set_time &&
                       first.data_number == h->data_number && first.index == h->index;
    const int32_t n = agree ? HistoryDataSetsToFetch(h, &rec->file_header,
                                                     flag_new_history_file, HIST_MAX_DATA)
                            : -1;
    if (n < 0) {
        rec->history_header_valid = 0;
        h->to_read = 0;
        if (agree) h->header_timer = kRejectedHeaderRetrySeconds;
        return;
    }
    rec->history_header_valid = 1;
    if (flag_new_history_file != 0 || rec->file_header.last_time == 0) flag_new_history_file = 0;
    h->to_read = n;
    if (n != 0) h->read_index = static_cast<uint16_t>((h->index + HIST_MAX_DATA - (n - 1)) % HIST_MAX_DATA);
    h->header_timer = h->countdown * 60 + 61;
    SendUIRecord(UI_STATION_HISTORY_HEADER, h, sizeof *h);
    if (n == 0) OfferOlderDataSets(rec);
}

// A history file deleted while the program runs is made again, header first, and taken
// as a new file: it receives the console's newest data set first, the older ones are
// offered, and the user hears of it once per deletion. False when there is still a file
// (it refused the data set for another reason) or none can be made.
bool RemakeDeletedHistoryFile(KORData *rec) {
    HistoryFileHeader header;
    if (ReadFileHeader(&header, rec->history_file_name) != -2) return false;
    if (InitFileHistoryHeader(&header, rec->history_file_name) != HISTORY_FILE_CREATED) return false;
    rec->file_header = header;
    rec->history_file_ok = 1;
    flag_new_history_file = 1;
    rec->station_header.to_read = 0;
    rec->station_header.header_timer = 0;
    HistoryDiscAccepted();
    history_write_failure_shown = false;
    SendHistoryFileRecord(rec->history_file_name, &rec->file_header, sizeof rec->file_header);
    char message[sizeof rec->history_file_name + 96];
    snprintf(message, sizeof message, "The history file %s was deleted; it has been made again.",
             rec->history_file_name);
    MessagePopup("History", message);
    return true;
}

// Stores one fetched data set. The rain bookkeeping is applied to the file header only
// together with a successful append, so that a failed append leaves nothing half-done
// and the same data set is fetched again, with its own time, on the next attempt.
int StoreDataSet(KORData *rec, HistoryRecord *data_set) {
    const HistoryFileHeader before = rec->file_header;
    data_set->rain = ApplyRainOffset(&rec->file_header, data_set->rain, rec->rain.total.value);
    const int r = AddHistoryDataSetToFile(rec, data_set);
    if (r == 0) {
        history_write_failure_shown = false;
        HistoryDiscAccepted();
        return 0;
    }
    rec->file_header = before;
    if (RemakeDeletedHistoryFile(rec)) return r;  // the download is planned anew for it
    HistoryDiscRefused(false);
    ReportHistoryWriteFailure();
    return r;
}

// Fetches the data set at read_index, stamps and stores it. 0 when stored (the download
// moves on), -1 when the read failed, -2 when the file refused it.
int FetchNextDataSet(KORData *rec) {
    KORHistoryHeader *h = &rec->station_header;
    HistoryRecord data_set;
    memset(&data_set, 0, sizeof data_set);
    const uint16_t address = static_cast<uint16_t>(HIST_START_ADDRESS + 19 * h->read_index);
    if (KOR_ReadHistoryDataSet(&data_set, address) != 0) return -1;
    const uint32_t step = 60u * static_cast<uint32_t>(h->interval_code + 1);
    data_set.time = h->last_data_set_time - static_cast<uint32_t>(h->to_read - 1) * step;
    if (StoreDataSet(rec, &data_set) != 0) return -2;
    h->read_index = static_cast<uint16_t>((h->read_index + HIST_MAX_DATA + 1) % HIST_MAX_DATA);
    SendUIRecord(UI_HISTORY_STORED, &rec->file_header, sizeof rec->file_header,
                 TSQ_INFINITE_TIMEOUT);
    h->to_read -= 1;
    if (h->to_read == 0) OfferOlderDataSets(rec);
    return 0;
}

void HistoryRecordsStep(KORData *rec) {
    KORHistoryHeader *h = &rec->station_header;
    for (int fetched = 0; fetched <= 20; ++fetched) {
        if (flag_quit.load() != 0 || h->to_read <= 0) return;
        if (flag_polling_blocked != 0 || flag_reception_pause != 0 || flag_new_history_file != 0)
            return;
        const int r = FetchNextDataSet(rec);
        if (r == -2) return;
        if (r == -1) {
            if (StepMustStop()) return;
            --fetched;  // tried again at once; it does not count against this cycle
        }
    }
}

void EEPromStep() {
    if (KOR_SetEEPromTrigger() == 0) flag_set_eeprom_trigger_request = 0;
}

void PressureStep(KORData *rec, int step) {
    PressureGroup *p = &rec->pressure;
    if (step == 10) {
        if (ReadUntilDone([&] { return KOR_ReadWeatherPicture(p); }) == 0)
            SendGroup(UI_WEATHER_PICTURE, p, sizeof *p);
    } else if (step == 11) {
        if (ReadUntilDone([&] { return KOR_ReadPressure(p); }) == 0)
            SendGroup(UI_PRESSURE, p, sizeof *p);
    } else {
        GroupRead(p, 30, 180, UI_PRESSURE_MINMAX, KOR_ReadPressureMinMax);
    }
}

void AlertStep(AlarmFlags *flags, uint16_t address, int32_t poll, int32_t live, int kind) {
    if (ReadUntilDone([&] { return KOR_ReadAlert(flags, address); }) != 0) return;
    flags->poll_timer = poll;
    flags->live_timer = live;
    SendGroup(kind, flags, sizeof *flags);
}

// ---- the numbered steps -----------------------------------------------------------

void RunNumberedStep(KORData *rec, int step) {
    switch (step) {
    case 0:
        if (rec->clock_poll_timer == 0) ClockStep(rec);
        return;
    case 1:
        if (rec->history_file_ok == 0 && HistoryAvailable()) RetryHistoryFile(rec);
        if (HistoryWriteCheckDue(rec)) FetchDataSetsStoredDuringWrite(rec);
        if (rec->station_header.header_timer == 0 && rec->station_header.to_read == 0 &&
            rec->history_file_ok == 1 && flag_first_refresh_loop == 0 && HistoryAvailable())
            HistoryHeaderStep(rec);
        return;
    case 2:
        if (rec->wind.poll_timer == 0) GroupRead(&rec->wind, 8, 180, UI_WIND, KOR_ReadWind);
        return;
    case 3:
        if (rec->rain.poll_timer == 0) GroupRead(&rec->rain, 30, 180, UI_RAIN, KOR_ReadRain);
        return;
    case 4:
        if (rec->indoor_temp.poll_timer == 0)
            GroupRead(&rec->indoor_temp, 20, 180, UI_INDOOR_TEMP, KOR_ReadIndoorTemperature);
        return;
    case 5:
        if (rec->outdoor_temp.poll_timer == 0)
            GroupRead(&rec->outdoor_temp, 20, 180, UI_OUTDOOR_TEMP, KOR_ReadOutdoorTemperature);
        return;
    case 6:
        if (rec->indoor_hum.poll_timer == 0)
            GroupRead(&rec->indoor_hum, 20, 180, UI_INDOOR_HUM, KOR_ReadIndoorHumidity);
        return;
    case 7:
        if (rec->outdoor_hum.poll_timer == 0)
            GroupRead(&rec->outdoor_hum, 20, 180, UI_OUTDOOR_HUM, KOR_ReadOutdoorHumidity);
        return;
    case 8:
        if (rec->windchill.poll_timer == 0)
            GroupRead(&rec->windchill, 8, 180, UI_WINDCHILL, KOR_ReadWindchill);
        return;
    case 9:
        if (rec->dewpoint.poll_timer == 0)
            GroupRead(&rec->dewpoint, 20, 180, UI_DEWPOINT, KOR_ReadDewpoint);
        return;
    case 10:
    case 11:
    case 12:
        if (rec->pressure.poll_timer == 0) PressureStep(rec, step);
        return;
    case 13:
        if (rec->alarm_enable.poll_timer == 0) AlertStep(&rec->alarm_enable, 0x019, 40, 180, UI_ALARM_ENABLE);
        return;
    case 14:
        if (rec->alarm_state.poll_timer == 0) AlertStep(&rec->alarm_state, 0x020, 10, 10, UI_ALARM_STATE);
        return;
    case 15:
        if (HistoryDataSetsDue(rec)) HistoryRecordsStep(rec);
        return;
    case 16:
        if (flag_set_eeprom_trigger_request == 1) EEPromStep();
        return;
    }
}

}  // namespace

int PollStationData(KORData *rec) {
    polling_resume_step = polling_step;
    polling_step = 0;
    if (flag_polling_blocked != 0 || flag_reception_pause != 0) return 1;
    if (rec->reception.poll_timer == 0 && flag_first_refresh_loop == 0) ReceptionStep(rec);
    for (int step = 0; step <= 16; ++step) {
        if (StepMustStop()) return 1;
        if (step > 0) ++polling_step;
        if (polling_step >= polling_resume_step) RunNumberedStep(rec, step);
    }
    flag_data_due = 0;
    polling_step = 0;
    return 0;
}

bool HistoryDataSetsDue(const KORData *rec) {
    return rec->station_header.to_read != 0 && HistoryAvailable() && !HistoryDiscWaiting(rec);
}

namespace {

// A header read now, not the plan of a download under way: a data set the console
// stored meanwhile shows only in a fresh header. 0, or why none could be had.
int ReadFreshHeader(KORData *rec) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (flag_quit.load() != 0 || LinkMustRecover()) return HISTORY_REFUSED_LINK;
        // The header's times are the console's: its clock must have been read (a change
        // given right at the start comes before the first cycle has read it).
        if (rec->clock_live_timer < 1) ClockStep(rec);
        HistoryHeaderStep(rec);
        if (rec->history_header_valid == 1) return 0;
    }
    return LinkMustRecover() ? HISTORY_REFUSED_LINK : HISTORY_REFUSED_HEADER;
}

// Fetches the data sets the last header read planned. 0, or why not all could be had.
int FetchPlannedDataSets(KORData *rec) {
    while (rec->station_header.to_read > 0) {
        if (flag_quit.load() != 0 || LinkMustRecover()) return HISTORY_REFUSED_LINK;
        const int r = FetchNextDataSet(rec);
        if (r == -2) return HISTORY_REFUSED_DISC;
        if (r == -1) ConfirmStationID();
    }
    return 0;
}

// The console's next store is this close or closer: a write now could land on either
// side of it, so the store is waited out and fetched first.
constexpr double kStoreMarginSeconds = 10.0;
// Rounds of header read and fetch before the console is taken to store faster than
// the line can follow (it cannot: a round takes seconds, the shortest interval a minute).
constexpr int kFreshHeaderRounds = 4;

double SecondsToNextStore(const KORData *rec) {
    const struct tm *now = CalculateKORTimeDate(rec);
    return 60.0 * rec->station_header.countdown + (60 - now->tm_sec);
}

void WaitOutNextStore(double seconds) {
    const double until = Timer() + seconds + 2.0;
    while (Timer() < until && flag_quit.load() == 0) ProcessSystemEvents();
}

}  // namespace

int DownloadWaitingHistory(KORData *rec) {
    if (!HistoryAvailable()) return 0;
    if (rec->history_file_ok != 1) return HISTORY_REFUSED_FILE;
    for (int round = 0; round < kFreshHeaderRounds; ++round) {
        int r = ReadFreshHeader(rec);
        if (r == 0 && rec->station_header.to_read == 0) {
            const double to_store = SecondsToNextStore(rec);
            if (to_store > kStoreMarginSeconds) return 0;
            WaitOutNextStore(to_store);
            continue;
        }
        if (r == 0) r = FetchPlannedDataSets(rec);
        if (r != 0) return r;
    }
    return HISTORY_REFUSED_BUSY;
}

// The write sets the console's count of held data sets to 0. A set it stored between the
// header read that allowed the write and the write itself is counted by no header after
// it, though its slot still holds it: the ring index moved further than the count says.
// A write cut off by a lost link may have reached the console all the same, so the look
// waits for the next header read after the link's return.
namespace {

bool write_check_pending = false;
KORHistoryHeader header_before_write;

// Stamps the uncounted sets on the old interval's grid, on from the newest before the
// write. (With a count of 0 the header's stamp is not taken in, so it cannot anchor them.)
uint32_t NewestUncountedTime(const KORHistoryHeader &before, int32_t uncounted) {
    const uint32_t step = 60u * static_cast<uint32_t>(before.interval_code + 1);
    const uint32_t first = before.data_number > 0 ? before.last_data_set_time + step
                                                  : before.next_data_set_time;
    return first + static_cast<uint32_t>(uncounted - 1) * step;
}

}  // namespace

void ExpectHistoryWrite(const KORHistoryHeader *before) {
    header_before_write = *before;
    write_check_pending = true;
}

bool HistoryWriteCheckDue(const KORData *rec) {
    return write_check_pending && rec->history_file_ok == 1 && HistoryAvailable();
}

void FetchDataSetsStoredDuringWrite(KORData *rec) {
    if (!HistoryWriteCheckDue(rec)) return;
    if (ReadFreshHeader(rec) != 0) return;
    write_check_pending = false;
    const KORHistoryHeader &before = header_before_write;
    KORHistoryHeader *h = &rec->station_header;
    const int32_t moved = (h->index - before.index + HIST_MAX_DATA) % HIST_MAX_DATA;
    const int32_t uncounted = moved - h->data_number;
    if (uncounted <= 0) return;
    const KORHistoryHeader counted = *h;
    h->last_data_set_time = NewestUncountedTime(before, uncounted);
    h->interval_code = before.interval_code;
    h->to_read = uncounted;
    h->read_index = static_cast<uint16_t>((before.index + 1) % HIST_MAX_DATA);
    const int r = FetchPlannedDataSets(rec);
    // The sets stored after the write are the header's own; they follow in the next cycle.
    *h = counted;
    if (r != 0) h->to_read = 0;
}

int ConfirmStationID() {
    uint8_t id = 0;
    if (KOR_ReadID(&id) != 0) return -1;
    if (id != GetStationID()) return -1;
    SendUIRecord(UI_STATION_ID, &id, sizeof id);
    return 0;
}

int KOR_SetEEPromTrigger() {
    const uint32_t one = 1;
    for (;;) {
        if (KOR_WriteAlarmFlag(&one, 0x00B, 0) == 0) return 0;
        ConfirmStationID();
        // Unlike the console's own rule (until done or quit), a command or a reception
        // pause also ends the attempt: the request stays set and the next cycle retries.
        if (StepMustStop()) return -1;
    }
}

int PollingData(int, int, int event, void *, int, int event_data2) {
    if (event != EVENT_TIMER_TICK) return 0;
    const int32_t elapsed = static_cast<int32_t>(std::lround(TimerTickSeconds(event_data2)));
    int32_t live_expired = 0;
    int32_t due = 0;
    DecrementLiveTimers(CommRecord(), &live_expired, &due, &elapsed);
    if (due != 0) flag_data_due = 1;
    return 0;
}

int PreventHFReceptionTimer(int, int, int event, void *, int, int) {
    if (event != EVENT_TIMER_TICK) return 0;
    const ReceptionGroup &rx = CommRecord()->reception;
    // Failed reads of the reception timer leave the plan running: the console's radio
    // keeps its rhythm while the line is silent, and a plan comes only from a good read.
    if (flag_commands_waiting == 1) {
        DisarmReceptionTimer();
        flag_reception_pause = 0;
        SendUIRecord(UI_COMMUNICATION_ACTIVE, nullptr, 0);
        return 0;
    }
    if (flag_reception_pause == 0) {
        const KORHistoryHeader &h = CommRecord()->station_header;
        if (rx.tx_interval == 8.0f && CommRecord()->history_header_valid == 1 && h.to_read > 1) {
            reception_skip_count -= 1;
            if (reception_skip_count > 0) {
                // This window is let pass; the next tick comes one radio interval later,
                // as far ahead of the next window as this one came.
                ArmReceptionTimer(rx.tx_interval);
                return 0;
            }
            flag_reception_pause = 1;
            SendUIRecord(UI_RECEPTION_PAUSE, nullptr, 0);
            reception_skip_count = 4;
        } else {
            flag_reception_pause = 1;
            SendUIRecord(UI_RECEPTION_PAUSE, nullptr, 0);
            reception_skip_count = 0;
        }
        ArmReceptionTimer(kPauseLength);
        return 0;
    }
    flag_reception_pause = 0;
    ArmReceptionTimer(rx.tx_interval - kPauseLength);
    SendUIRecord(UI_COMMUNICATION_ACTIVE, nullptr, 0);
    return 0;
}

int32_t HistoryDataSetsToFetch(const KORHistoryHeader *station, const HistoryFileHeader *file,
                               int new_file, int32_t ring_size) {
    const int64_t interval = 60LL * (static_cast<int64_t>(station->interval_code) + 1);
    if (interval <= 0 || station->index < 0 || station->index >= ring_size) return -1;
    // A console that holds no data set yet has nothing worth fetching, even for a new file.
    if (new_file != 0 || file->last_time == 0) return station->data_number > 0 ? 1 : 0;
    const int64_t newest = station->last_data_set_time;
    const int64_t stored = file->last_time;
    int64_t n = 0;
    if (newest > stored) n = (newest - stored + interval - 1) / interval;
    if (n > station->data_number) n = station->data_number;
    if (newest > stored && station->data_number == 1) n = 1;
    if (n > ring_size) n = ring_size;
    if (n < 0) n = 0;
    return static_cast<int32_t>(n);
}

int32_t ReceptionPollSeconds(float tx_interval, float tx_countdown) {
    double seconds = static_cast<double>(tx_countdown) + 3.0;
    if (tx_interval == 8.0f) seconds += 24.0;
    return static_cast<int32_t>(seconds);
}

bool ReceptionTimerPlausible(float tx_interval, float tx_countdown) {
    if (!std::isfinite(tx_interval) || !std::isfinite(tx_countdown)) return false;
    if (tx_interval < 4.0f || tx_interval > 600.0f) return false;
    return tx_countdown >= 0.0f && tx_countdown <= tx_interval + 3.5f;
}
