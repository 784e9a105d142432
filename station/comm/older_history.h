// Data sets the console held before the history file began. A new file takes only the
// console's newest data set, yet the console may hold up to 174 older ones: the user is
// told how many, and on request they are put in front of the file's first data set.
// Only the communication thread talks to the console, so the fetch is a command there.
#pragma once
#include <cstdint>

#include "records/kor_data.h"

// Command record code that asks for the older data sets to be stored (no parameters).
constexpr int COMMAND_STORE_OLDER_DATA_SETS = 170;

// Payload of the UI record UI_OLDER_DATA_SETS: how many older data sets the console holds
// (0: none, or none that line up with the file) and the stamp of the oldest of them.
struct OlderDataSetsOffer {
    int32_t count;
    uint32_t oldest_time;
};

// Payload of the UI record UI_OLDER_DATA_SETS_PROGRESS: `done` of `total` older data
// sets read from the console; once all are read they are being written. A total of 0
// says the work is over, whatever came of it.
struct OlderDataSetsProgress {
    int32_t done;
    int32_t total;
};
static_assert(sizeof(OlderDataSetsProgress) == 8);

// Data sets the console holds that are older than the file's first one. Only when that
// first data set lies on the console's interval grid among the data sets it holds (the
// file was begun from this ring at this interval); 0 otherwise.
int32_t OlderDataSetsOnConsole(const KORHistoryHeader *station, const HistoryFileHeader *file,
                               int32_t ring_size);

// Tells the user interface what OlderDataSetsOnConsole says for the console's header as
// last read (a count of 0 too, so that an offer that no longer holds is withdrawn).
void OfferOlderDataSets(const KORData *rec);

// Reads the console's header afresh, finds the console's copy of the file's first data
// set by its contents, fetches the data sets older than it oldest first and puts them in
// front of the file (PrependHistoryDataSetsToFile), stamped back from the file's first
// time and dropping any that the console overwrote while they were read. When data sets
// were put in front, UI_OLDER_DATA_SETS_STORED carries the new file header. When the
// console holds data sets older than the file's first by their times but not that data
// set itself, they are another file's: UI_OLDER_DATA_SETS_REJECTED, and they are not
// offered again for this file. 0 when nothing older of this file's remains on the
// console (stored, none, or rejected); -1 when they remain: the console could not be
// read (30 failures), the thread quits or the link went, or the file could not be read
// or written (the user is told). Progress records follow the reading, and one with a
// total of 0 ends the work in every case.
int StoreOlderDataSets(KORData *rec);
// Command COMMAND_STORE_OLDER_DATA_SETS: StoreOlderDataSets, then what is left is
// reported (OfferOlderDataSets), so that the request always has an answer.
void HandleStoreOlderDataSets(KORData *rec);
