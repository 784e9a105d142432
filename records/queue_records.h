// Records of the two queues between the user-interface thread and the communication
// thread. Each crosses the queue as raw bytes, so the layouts are fixed.
#pragma once
#include <cstddef>
#include <cstdint>

struct CommandRecord {
    int32_t code;
    int32_t read_back;
    int32_t value_changed;
    float value;
    float value2;
    int32_t param;
    int32_t param2;
    int32_t enable_changed;
    int32_t enabled;
    char file_name[260];
};
static_assert(sizeof(CommandRecord) == 296);

struct UIRecord {
    int32_t kind;
    char text[260];
    uint32_t payload[30];
};
static_assert(sizeof(UIRecord) == 384);
static_assert(offsetof(UIRecord, payload) == 264);

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
    // How far the storing of older data sets has come (OlderDataSetsProgress).
    UI_OLDER_DATA_SETS_PROGRESS = 185,
    // A change cut off by a lost link waits for the same console's return (payload word
    // 0: its command code); the user may give it up meanwhile.
    UI_CHANGE_HELD = 180,
    UI_LINK_STATE = 150,  // LinkStatePayload, text: the device (beyond the console's kinds)
    // The serial line's quality (LineQualityPayload), on change at most every 10 s.
    UI_LINE_QUALITY = 175,
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

// Payload of the link-state record (UI kind 150); the record's text holds the device the
// port resolves to. Sent once per change of state, so a console that stays away costs
// one record, not one per attempt.
enum LinkState : int32_t {
    LINK_CONNECTED = 1,    // the console answers
    LINK_SILENT = 2,       // the port is open, the console has not answered since `since`
    LINK_CANNOT_OPEN = 3,  // the port cannot be opened, for `reason`
};
enum LinkReason : int32_t {
    LINK_REASON_NONE = 0,
    LINK_REASON_MISSING = 1,  // no device there: it is picked up when it appears
    LINK_REASON_ACCESS = 2,   // this user may not open it (not in the dialout group)
    LINK_REASON_OTHER = 3,    // busy or refused
};
struct LinkStatePayload {
    int32_t state;   // LinkState
    int32_t port;    // port number n (COMn)
    int32_t reason;  // LinkReason, LINK_REASON_NONE unless LINK_CANNOT_OPEN
    uint32_t since;  // UTC seconds: last answer (LINK_SILENT), else the time of the change
};
static_assert(sizeof(LinkStatePayload) <= sizeof(UIRecord::payload));

constexpr int TSQ_CAPACITY = 1000;
