// The console's own history: its header (interval, countdown, time of the newest data
// set, ring index and count) and the ring of 19-nibble data sets that it stores every
// interval. Only the mask 8 console has this memory. The transfers run on the
// communication thread; the decoders are pure and checked against impossible contents.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>

#include "records/history_records.h"
#include "records/kor_data.h"

constexpr int KOR_HISTORY_HEADER_BYTES = 10;   // 20 nibbles from HIST_INTERVAL
constexpr int KOR_HISTORY_DATA_SET_NIBBLES = 19;
constexpr int KOR_HISTORY_DATA_SET_BYTES = 10;  // the 20th nibble belongs to the next set

// Reads the console's history header into *header (interval_code, countdown, index,
// data_number, last_data_set_time, next_data_set_time; the download bookkeeping is left
// alone). Only while the console clock is fresh (clock_live_timer of record at least 1).
// 0 on success; -1 when the clock is stale, the console has no history memory or the read
// failed; -2 when the header is implausible (see DecodeKORHistoryHeader). *header is
// untouched on failure.
int KOR_ReadHistoryHeader(KORHistoryHeader *header, const KORData *record);

// Writes the interval code and countdown (three binary nibbles each, kept inside 0..4095),
// then sets the console's count of held data sets to 0. 0; -1 when the first write
// failed, -2 when the second failed; -3 without a transfer on a console without history.
int KOR_WriteHistorySettings(const int *interval_code, const int *countdown);

// Reads one data set at its nibble address, reads it again to confirm (up to 5 attempts)
// and decodes it into the measurement fields of *out (time and reserved are the caller's).
// 0; -1 when a read failed, the two reads differ, or five confirmations failed.
int KOR_ReadHistoryDataSet(HistoryRecord *out, uint16_t nibble_address);

// Decodes the 10 bytes of one data set into the measurement fields of *out. Always 0.
int DecodeHistoryDataSet(const uint8_t *bytes, HistoryRecord *out);

// 1 when two reads of a data set agree in its 19 nibbles (the 20th is ignored).
int HistoryDataSetsAgree(const uint8_t *first, const uint8_t *second);

// Decodes the 10 header bytes read at HIST_INTERVAL into *header, with now as the present
// time for a console that holds no data set yet. 0; -1 (and *header untouched) when size
// is short, the ring index is not below HIST_MAX_DATA, the count is above HIST_MAX_DATA,
// or the console holds data sets and the stamp of the newest is no real time (a BCD
// digit above 9, 31 February, month 13, beyond mktime). With no data set held the stamp
// is not read and last_data_set_time is left as it was.
int DecodeKORHistoryHeader(const uint8_t *bytes, size_t size, time_t now,
                           KORHistoryHeader *header);

