// Transfers of the console's history: its header, the settings the history dialog writes,
// and single data sets. A data set is read twice and kept only when both reads agree,
// because a download cannot be repeated once the console has moved its ring on.
#include "history/station_history.h"

#include <cstring>

#include "station/data/kor_memory_map.h"
#include "station/link/kor_requests.h"

static int ReadKORBytes(uint16_t address, int count) {
    KOR_descriptor.address = address;
    KOR_descriptor.count = static_cast<uint16_t>(count);
    KOR_descriptor.index = 0;
    return ReadDataFromKOR();
}

int KOR_ReadHistoryHeader(KORHistoryHeader *header, const KORData *record) {
    if (record->clock_live_timer < 1 || !KORMapHasHistoryMemory())
        return -1;
    if (ReadKORBytes(HIST_INTERVAL, KOR_HISTORY_HEADER_BYTES) != 0)
        return -1;
    return DecodeKORHistoryHeader(KOR_descriptor.data, KOR_HISTORY_HEADER_BYTES, time(nullptr),
                                  header) == 0 ? 0 : -2;
}

static void PutBinary(uint8_t *nibbles, int value) {
    const int kept = value < 0 ? 0 : (value > 0xFFF ? 0xFFF : value);
    for (int i = 0; i < 3; i++)
        nibbles[i] = static_cast<uint8_t>((kept >> (4 * i)) & 0x0F);
}

static int WriteNibbles(uint16_t address, const uint8_t *nibbles, int count) {
    KOR_descriptor.address = address;
    KOR_descriptor.nibbles_to_write = static_cast<uint16_t>(count);
    KOR_descriptor.index = 0;
    memcpy(KOR_descriptor.data, nibbles, static_cast<size_t>(count));
    return WriteDataToKOR();
}

int KOR_WriteHistorySettings(const int *interval_code, const int *countdown) {
    if (!KORMapHasHistoryMemory())
        return -3;
    uint8_t settings[6];
    PutBinary(settings, *interval_code);
    PutBinary(settings + 3, *countdown);
    if (WriteNibbles(HIST_INTERVAL, settings, 6) != 0)
        return -1;
    static const uint8_t no_data_sets[2] = {0, 0};
    if (WriteNibbles(HIST_DATA_NUMBER, no_data_sets, 2) != 0)
        return -2;
    return 0;
}

int KOR_ReadHistoryDataSet(HistoryRecord *out, uint16_t nibble_address) {
    if (ReadKORBytes(nibble_address, KOR_HISTORY_DATA_SET_BYTES) != 0)
        return -1;
    uint8_t first[KOR_HISTORY_DATA_SET_BYTES];
    memcpy(first, KOR_descriptor.data, sizeof first);

    bool confirmed = false;
    for (int attempt = 0; attempt < 5 && !confirmed; attempt++)
        confirmed = ReadKORBytes(nibble_address, KOR_HISTORY_DATA_SET_BYTES) == 0;
    if (!confirmed || !HistoryDataSetsAgree(first, KOR_descriptor.data))
        return -1;
    return DecodeHistoryDataSet(first, out);
}
