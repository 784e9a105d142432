// On-disc and in-memory layouts of the history: one data set, the header at the end of
// the history file, and the console's own history header as the communication thread
// keeps it. The first two are stored bytes; their layout must never change.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t HISTORY_FILE_MAGIC = 0x21436587u;
constexpr float HISTORY_RAIN_OFFSET_UNKNOWN = 0.418f;  // rain offset not yet determined

struct HistoryRecord {
    uint32_t reserved;             // written as 0, ignored by readers
    uint32_t time;                 // calendar seconds of the console clock read as local time
    float pressure;                // absolute, hPa
    float wind_speed;              // m/s
    int32_t wind_direction;        // 0..15 in steps of 22.5 degrees from north
    float rain;                    // mm: raw counter value plus the file's rain offset
    float indoor_temperature;      // degC; 81.11 not available, 136.65 overflow
    float outdoor_temperature;     // degC; same markers
    uint16_t indoor_humidity;      // percent; 98 not available
    uint16_t outdoor_humidity;     // percent; 110 not available
};
static_assert(sizeof(HistoryRecord) == 36);
static_assert(offsetof(HistoryRecord, time) == 4);
static_assert(offsetof(HistoryRecord, rain) == 20);
static_assert(offsetof(HistoryRecord, indoor_humidity) == 32);

struct HistoryFileHeader {
    uint32_t magic;        // HISTORY_FILE_MAGIC
    float rain_offset;     // mm added to each raw rain value; 0.418 = not determined
    float last_raw_rain;   // raw rain of the last data set appended
    int32_t reserved;
    int32_t count;         // data sets in the file
    uint32_t first_time;
    uint32_t last_time;
};
static_assert(sizeof(HistoryFileHeader) == 28);

// The console's history header as read from its memory, plus the download bookkeeping.
struct KORHistoryHeader {
    int32_t header_timer;          // seconds until the header is read again
    uint32_t last_data_set_time;   // calendar seconds of the newest data set in the ring
    uint32_t next_data_set_time;
    int32_t interval_code;         // interval in minutes minus 1
    int32_t countdown;             // minutes to the next data set
    int32_t index;                 // ring index
    int32_t data_number;           // data sets held by the console
    uint16_t read_index;           // ring index of the next data set to fetch
    int32_t to_read;               // data sets still to fetch
};
static_assert(sizeof(KORHistoryHeader) == 36);

// Defaults of a new header: rain offset "not determined" (0.418), last raw rain 0, count
// and times 0. The magic is left for the creator to set.
void SetFileHistoryHeaderToDefault(HistoryFileHeader *header);

// Defaults of the header as the communication thread keeps it; last_data_set_time is left
// as it is.
void SetKORHistoryHeaderToDefault(KORHistoryHeader *header);
