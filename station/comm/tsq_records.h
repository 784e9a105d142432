// The two queues between the threads and the communication thread's side of them: the
// queues are created when the communication thread starts and discarded when it ends;
// every reading, status change and command reply leaves the thread as one UI record.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/runtime.h"
#include "station/comm/records.h"

// Made by the communication thread when it starts and read by the user-interface
// thread for its writes, hence atomic.
extern std::atomic<CmtTSQHandle> h_TSQ_to_UI;   // communication thread -> user interface
extern std::atomic<CmtTSQHandle> h_TSQ_to_CSM;  // user interface -> communication thread

// UI record kinds that carry no group (the group kinds are the readings' own).
enum UIRecordKind {
    UI_RECEPTION_PAUSE = 0,
    UI_COMMUNICATION_ACTIVE = 1,
    UI_CLOCK_DIFFERENCE = 2,
    UI_STATION_ID = 3,
    UI_HISTORY_STORED = 4,
    UI_HISTORY_FILE = 6,
    UI_WIND = 7,
    UI_INDOOR_TEMP = 8,
    UI_OUTDOOR_TEMP = 9,
    UI_WINDCHILL = 10,
    UI_DEWPOINT = 11,
    UI_INDOOR_HUM = 12,
    UI_OUTDOOR_HUM = 13,
    UI_ALARM_ENABLE = 14,
    UI_ALARM_STATE = 15,
    UI_PRESSURE = 16,
    UI_PRESSURE_MINMAX = 17,
    UI_WEATHER_PICTURE = 18,
    UI_RAIN = 19,
    UI_STATION_HISTORY_HEADER = 33,
    UI_HISTORY_SETTINGS_WRITTEN = 34,
    // The interval was not written, payload word 0 the HistorySettingsRefusal.
    UI_HISTORY_SETTINGS_REFUSED = 172,
    // A change that did not reach the console (payload word 0: its command code) and
    // was given up: the console answering now is another one, or the thread ended.
    UI_COMMAND_FAILED = 173,
    // Older data sets on the console (OlderDataSetsOffer), and the file header after the
    // request to store them was carried out (or could not be).
    UI_OLDER_DATA_SETS = 170,
    UI_OLDER_DATA_SETS_STORED = 171,
    // The console's older data sets are not this file's (its first data set is not
    // among them): not stored, and not offered again for this file.
    UI_OLDER_DATA_SETS_REJECTED = 174,
    UI_LINK_STATE = 150,  // LinkStatePayload, text: the device (beyond the console's kinds)
};

// Why an interval change was not written: the console's data sets the file lacks
// could not all be fetched first, and the write would have dropped them.
enum HistorySettingsRefusal : int32_t {
    HISTORY_REFUSED_LINK = 1,    // the link went while they were fetched
    HISTORY_REFUSED_DISC = 2,    // the history file refused them
    HISTORY_REFUSED_FILE = 3,    // no usable history file
    HISTORY_REFUSED_HEADER = 4,  // the console's history header could not be read
    HISTORY_REFUSED_BUSY = 5,    // the console kept storing new ones meanwhile
    HISTORY_REFUSED_OLDER = 6,   // older data sets the file lacks could not be fetched
};

// Creates both queues and installs their callbacks: the command queue's on the calling
// (communication) thread, the UI queue's on the main thread. 0, or negative on failure
// (then nothing is left half-made).
int CreateTSQs();
// Uninstalls both callbacks and discards both queues; safe when they do not exist.
void DiscardTSQs();

// The communication thread's one UI record buffer: words not set for a kind keep what an
// earlier record left there, as the receiver expects nothing of them.
UIRecord *CommUIRecord();
// Writes kind with `bytes` of payload (at most the 120 payload bytes) to the UI queue.
// timeout_ms -1 waits as long as needed. 0 when written, -1 when the queue is missing
// or stayed full.
int SendUIRecord(int kind, const void *payload, size_t bytes, int timeout_ms = 100);
// Kind 6: the history file in use and its header.
int SendHistoryFileRecord(const char *path, const void *file_header, size_t bytes);
// Kind 150: the state of the link and the device the port resolves to.
int SendLinkStateRecord(const char *device, const LinkStatePayload *state);

// Command-queue callback (communication thread): raises the flags that stop polling.
void GetTSQ_to_CSMStatus(CmtTSQHandle queue, unsigned event, int value, void *callback_data);
// The display hands its UI-queue callback (ReadElementFromTSQ_to_UI) over once at
// start-up; every queue the communication thread creates then gets it, on the main
// thread. Without one the records wait in the queue for whoever reads it (tests).
void SetUIQueueReader(CmtTSQCallbackPtr reader);
