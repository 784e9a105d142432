// Older data sets are read with a failure budget, like the dialogs' reads, so that a
// console that stops answering cannot hold the command queue for ever; nothing is
// written unless every data set was read, the console's own copy of the file's first
// data set matched it, and a second look at the console's header showed which of them
// may have been overwritten meanwhile.
#include "station/comm/older_history.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "history/history_file.h"
#include "history/station_history.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/comm/polling_cycle.h"
#include "station/comm/tsq_records.h"
#include "station/data/kor_memory_map.h"

namespace {

constexpr int kFailureBudget = 30;

int64_t IntervalSeconds(const KORHistoryHeader &h) { return 60LL * (int64_t{h.interval_code} + 1); }

// Another attempt after a failed transfer, while the budget lasts and the thread stays.
bool MayRetry(int *budget) {
    if (--*budget <= 0 || flag_quit.load() != 0) return false;
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

int FetchAndPrepend(KORData *rec) {
    if (!KORMapHasHistoryMemory() || rec->history_file_ok != 1) return 0;  // nowhere to or from
    int budget = kFailureBudget;
    KORHistoryHeader h = rec->station_header;
    if (ReadSteadyHeader(&h, rec, &budget) != 0) return -1;
    const int32_t n = OlderDataSetsOnConsole(&h, &rec->file_header, HIST_MAX_DATA);
    if (n <= 0) return 0;
    const auto first_age = static_cast<int32_t>(
        (int64_t{h.last_data_set_time} - rec->file_header.first_time) / IntervalSeconds(h));
    // Oldest first; the last one is the console's copy of the file's first data set.
    std::vector<HistoryRecord> sets(static_cast<size_t>(n) + 1);
    for (int32_t i = 0; i <= n; ++i)
        if (ReadDataSetAged(&sets[i], h, first_age + n - i, &budget) != 0) return -1;

    // Each data set stored meanwhile took the place of the oldest one once the ring was full.
    KORHistoryHeader after = h;
    if (ReadSteadyHeader(&after, rec, &budget) != 0) return -1;
    if (after.interval_code != h.interval_code || after.data_number < h.data_number) return -1;
    const int32_t added = (after.index - h.index + HIST_MAX_DATA) % HIST_MAX_DATA;
    const int32_t overwritten = std::max(0, h.data_number + added - HIST_MAX_DATA);
    if (overwritten >= n) return 0;
    const HistoryRecord anchor = sets.back();
    const int r = PrependHistoryDataSetsToFile(rec, sets.data() + overwritten, n - overwritten,
                                               &anchor);
    // -7: these are not the data sets the file was begun from.
    if (r == 0 || r == -7) return 0;
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
    return r;
}

void HandleStoreOlderDataSets(KORData *rec) {
    StoreOlderDataSets(rec);
    OfferOlderDataSets(rec);
}
