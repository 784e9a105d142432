// The polling cycle: reads each group of values when its poll timer has run out, keeps
// clear of the console's radio reception windows, and downloads new history data sets
// into the history file. Runs on the communication thread only.
#pragma once
#include <cstdint>

#include "records/kor_data.h"

// One cycle: 0 when it ran to its end, 1 when it stopped early at a step boundary (a
// command, a reception pause or quitting); the next call resumes at the stopped step.
int PollStationData(KORData *record);
// Whether data sets wait to be fetched and the history file may be tried now (it is
// not while the disc refuses it); the main loop runs the cycle for them.
bool HistoryDataSetsDue(const KORData *record);
// Fetches every data set the history file still lacks, however many and while commands
// wait, so that a change that makes the console drop its data sets may come right after
// it: 0 only when a header read at the end shows nothing new and the console's next
// store is not due within seconds (or the console keeps no history). Otherwise the
// HistorySettingsRefusal that says why not everything could be fetched.
int DownloadWaitingHistory(KORData *record);
// An interval write is about to be tried; `before` is the header read that allowed it.
void ExpectHistoryWrite(const KORHistoryHeader *before);
// After an interval write (or the first header read after a write cut off by a lost
// link): fetches the data sets the console stored between that header read and the
// write, which the write left uncounted.
void FetchDataSetsStoredDuringWrite(KORData *record);
bool HistoryWriteCheckDue(const KORData *record);
// One identification exchange between attempts of a failed request. 0 when the console
// answered with the expected identification (and the UI was told), -1 otherwise.
int ConfirmStationID();
// Tells the console to store its settings. 0 done, -1 left early (quit, command, pause).
int KOR_SetEEPromTrigger();

// Timer callbacks of the communication thread's timer panel.
int PollingData(int panel, int control, int event, void *callback_data, int event_data1,
                int event_data2);
int PreventHFReceptionTimer(int panel, int control, int event, void *callback_data,
                            int event_data1, int event_data2);

// Pure parts of the history bookkeeping, kept apart so they can be checked on their own.
// Number of data sets to fetch after a good header read (the new-file case included).
// Returns -1 for a header that cannot be right (no interval, ring index out of range).
int32_t HistoryDataSetsToFetch(const KORHistoryHeader *station, const HistoryFileHeader *file,
                               int new_file, int32_t ring_size);
// Poll timer of the reception group after a good read of the reception timer.
int32_t ReceptionPollSeconds(float tx_interval, float tx_countdown);
// Whether a reception timer reading can be used to plan pauses.
bool ReceptionTimerPlausible(float tx_interval, float tx_countdown);
