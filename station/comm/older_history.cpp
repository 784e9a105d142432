// Older data sets are read with a failure budget, like the dialogs' reads, so that a
// console that stops answering cannot hold the command queue for ever; nothing is
// written unless every data set was read, the console's own copy of the file's first
// data set was found by its contents (not by the file's time alone, which a clock or
// summer-time step shifts), and a second look at the console's header showed which of
// them may have been overwritten meanwhile. A console that does not hold the file's first
// data set has no older data sets of this file: the offer is withdrawn and the user told.
#include "station/comm/older_history.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "history/history_file.h"
#include "history/station_history.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/comm/link_watch.h"
#include "station/comm/polling_cycle.h"
#include "station/comm/tsq_records.h"
#include "station/data/kor_memory_map.h"

namespace {

constexpr int kFailureBudget = 30;

int64_t IntervalSeconds(const KORHistoryHeader &h) { return 60LL * (int64_t{h.interval_code} + 1); }

// Another attempt after a failed transfer, while the budget lasts, the thread stays and
// the link holds: a lost link is recovered at once, not after the budget is spent.
bool MayRetry(int *budget) {
    if (--*budget <= 0 || flag_quit.load() != 0 || LinkMustRecover()) return false;
    ConfirmStationID();
    return true;
}

// The console's header as two reads in a row give it. 0, or -1 when the budget ran out.
int ReadSteadyHeader(KORHistoryHeader *out, const KORData *rec, int *budget) {
    for (;;) {
        KORHistoryHeader a = *out;
        KORHistoryHeader b = *out;
        if (KOR_ReadHistoryHeader(&a, rec) == 0 && KOR_ReadHistoryHeader(&b, rec) == 0 &&
            a.interval_code == b.interval_code && a.last_data_set_time == b.last_data_set_time &&
            a.index == b.index && a.data_number == b.data_number) {
            *out = b;
            return 0;
        }
        if (!MayRetry(budget)) return -1;
    }
}

// The data set `age` intervals before the console's newest, stamped as the download
// stamps it. 0, or -1 when the budget ran out.
int ReadDataSetAged(HistoryRecord *out, const KORHistoryHeader &h, int32_t age, int *budget) {
    const int32_t slot = ((h.index - age) % HIST_MAX_DATA + HIST_MAX_DATA) % HIST_MAX_DATA;
    const auto address = static_cast<uint16_t>(HIST_START_ADDRESS + 19 * slot);
    for (;;) {
        memset(out, 0, sizeof *out);
        if (KOR_ReadHistoryDataSet(out, address) == 0) break;
        if (!MayRetry(budget)) return -1;
    }
    out->time = static_cast<uint32_t>(int64_t{h.last_data_set_time} - age * IntervalSeconds(h));
    return 0;
}

// The file whose first data set the console was found not to hold: its older data sets
// are not offered again (a new file, or one begun anew, is judged afresh).
uint32_t rejected_first_time = 0;

// A step may be dropped when the queue is full; the end never is, or the bar would go
// on saying the data sets are being stored.
void SendProgress(int32_t done, int32_t total) {
    const OlderDataSetsProgress progress{done, total};
    SendUIRecord(UI_OLDER_DATA_SETS_PROGRESS, &progress, sizeof progress,
                 total == 0 ? TSQ_INFINITE_TIMEOUT : 100);
}

void RejectOlderDataSets(const KORData *rec) {
    rejected_first_time = rec->file_header.first_time;
    SendUIRecord(UI_OLDER_DATA_SETS_REJECTED, nullptr, 0);
}

// Whether the console's data set at `age` is the file's first one by its contents: every
// measured value, and where the file's second data set followed one interval later, the
// console's next one holds its values too. Rain is not compared: the file's rain offset
// may have been determined anew between its first records (a repaired header), and a
// first data set refused for it would leave the older ones unstored for good.
// 1 yes, 0 no, -1 the console could not be read.
int IsFilesFirst(const HistoryRecord &set, const KORHistoryHeader &h, int32_t age,
                 const HistoryRecord *file, int in_file, int *budget) {
    if (!SameHistoryMeasurements(&set, &file[0])) return 0;
    if (in_file < 2 || age < 1 || file[1].time - file[0].time != IntervalSeconds(h)) return 1;
    HistoryRecord next;
    if (ReadDataSetAged(&next, h, age - 1, budget) != 0) return -1;
    return SameHistoryMeasurements(&next, &file[1]) ? 1 : 0;
}

// The console's copy of the file's first data set, found by its contents. First where
// the file's first time puts it; then a step or two either side (a clock set anew) and
// an hour either side (a summer-time change), where it counts only when exactly one
// fits. 1 found (its age and the set given back), 0 none, -1 the console could not be read.
int32_t ExpectedAnchorAge(const KORHistoryHeader &h, const HistoryRecord &first) {
    const int64_t span = int64_t{h.last_data_set_time} - int64_t{first.time};
    return static_cast<int32_t>(std::llround(static_cast<double>(span) / IntervalSeconds(h)));
}

int FindAnchor(const KORHistoryHeader &h, int32_t held, const HistoryRecord *file, int in_file,
               int *budget, int32_t *age_out, HistoryRecord *anchor_out) {
    const int64_t interval = IntervalSeconds(h);
    const int32_t expected = ExpectedAnchorAge(h, file[0]);
    const auto hour = static_cast<int32_t>(std::max<int64_t>(1, 3600 / interval));
    const int32_t shifts[] = {0,     -1,   1,        -2,       2,        -hour,
                              hour,  -hour - 1, -hour + 1, hour - 1, hour + 1};
    std::vector<int32_t> tried;
    int found = 0;
    for (const int32_t shift : shifts) {
        const int32_t age = expected + shift;
        if (age < 0 || age >= held || std::find(tried.begin(), tried.end(), age) != tried.end())
            continue;
        tried.push_back(age);
        HistoryRecord set;
        if (ReadDataSetAged(&set, h, age, budget) != 0) return -1;
        const int fits = IsFilesFirst(set, h, age, file, in_file, budget);
        if (fits < 0) return -1;
        if (fits == 0) continue;
        *age_out = age;
        *anchor_out = set;
        if (shift == 0) return 1;
        ++found;
    }
    return found == 1 ? 1 : 0;
}

int FetchAndPrepend(KORData *rec) {
    if (!KORMapHasHistoryMemory() || rec->history_file_ok != 1) return 0;  // nowhere to or from
    if (rec->file_header.count < 1 || rec->file_header.first_time == rejected_first_time) return 0;
    HistoryRecord file[2];
    const int in_file = ReadFirstHistoryRecords(rec->history_file_name, file, 2);
    if (in_file < 1) return -1;
    int budget = kFailureBudget;
    KORHistoryHeader h = rec->station_header;
    if (ReadSteadyHeader(&h, rec, &budget) != 0) return -1;
    const int32_t held = std::min<int32_t>(h.data_number, HIST_MAX_DATA);
    // By their times the console holds nothing older than the file's first data set (or
    // nothing at all): nothing to look for.
    const int32_t expected = ExpectedAnchorAge(h, file[0]);
    if (expected < 0 || expected >= held - 1) return 0;
    int32_t anchor_age = 0;
    HistoryRecord anchor;
    const int found = FindAnchor(h, held, file, in_file, &budget, &anchor_age, &anchor);
    if (found < 0) return -1;
    if (found == 0) {
        RejectOlderDataSets(rec);
        return 0;
    }
    const int32_t n = held - 1 - anchor_age;
    // Stamps cannot go back beyond the start of the calendar count.
    if (n <= 0 || n * IntervalSeconds(h) > int64_t{file[0].time}) return 0;
    // Oldest first, stamped back from the file's first data set: the file's times rule.
    std::vector<HistoryRecord> sets(static_cast<size_t>(n));
    SendProgress(0, n);
    for (int32_t i = 0; i < n; ++i) {
        if (ReadDataSetAged(&sets[i], h, anchor_age + n - i, &budget) != 0) return -1;
        sets[i].time = static_cast<uint32_t>(int64_t{file[0].time} - (n - i) * IntervalSeconds(h));
        SendProgress(i + 1, n);
    }
    anchor.time = file[0].time;

    // Each data set stored meanwhile took the place of the oldest one once the ring was full.
    KORHistoryHeader after = h;
    if (ReadSteadyHeader(&after, rec, &budget) != 0) return -1;
    if (after.interval_code != h.interval_code || after.data_number < h.data_number) return -1;
    const int32_t added = (after.index - h.index + HIST_MAX_DATA) % HIST_MAX_DATA;
    const int32_t overwritten = std::max(0, h.data_number + added - HIST_MAX_DATA);
    if (overwritten >= n) return 0;
    const int r = PrependHistoryDataSetsToFile(rec, sets.data() + overwritten, n - overwritten,
                                               &anchor);
    if (r == 0) return 0;
    if (r == -7) {
        RejectOlderDataSets(rec);
        return 0;
    }
    MessagePopup("Error", "Can't write history data to disc");
    return -1;
}

}  // namespace

int32_t OlderDataSetsOnConsole(const KORHistoryHeader *station, const HistoryFileHeader *file,
                               int32_t ring_size) {
    const int64_t interval = IntervalSeconds(*station);
    if (interval <= 0 || file->count < 1) return 0;
    const int64_t held = std::min<int64_t>(station->data_number, ring_size);
    const int64_t span = int64_t{station->last_data_set_time} - file->first_time;
    if (span < 0 || span % interval != 0) return 0;
    const int64_t older = held - 1 - span / interval;
    // Stamps cannot go back beyond the start of the calendar count.
    if (older <= 0 || older * interval > int64_t{file->first_time}) return 0;
    return static_cast<int32_t>(older);
}

void OfferOlderDataSets(const KORData *rec) {
    OlderDataSetsOffer offer{};
    if (rec->file_header.first_time != rejected_first_time)
        offer.count = OlderDataSetsOnConsole(&rec->station_header, &rec->file_header, HIST_MAX_DATA);
    if (offer.count > 0)
        offer.oldest_time = static_cast<uint32_t>(
            rec->file_header.first_time - offer.count * IntervalSeconds(rec->station_header));
    SendUIRecord(UI_OLDER_DATA_SETS, &offer, sizeof offer);
}

int StoreOlderDataSets(KORData *rec) {
    const int32_t count_before = rec->file_header.count;
    const int r = FetchAndPrepend(rec);
    if (rec->file_header.count != count_before)
        SendUIRecord(UI_OLDER_DATA_SETS_STORED, &rec->file_header, sizeof rec->file_header,
                     TSQ_INFINITE_TIMEOUT);
    SendProgress(0, 0);
    return r;
}

void HandleStoreOlderDataSets(KORData *rec) {
    StoreOlderDataSets(rec);
    OfferOlderDataSets(rec);
}
