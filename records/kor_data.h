// The measured-values record: everything known about the console. The communication
// thread owns one instance, the user-interface thread another (UI_data); groups travel
// between them word for word inside UI records, so their layouts are fixed.
#pragma once
#include <cstdint>

#include "records/history_records.h"

// Time of an extreme: second, minute, hour, day, month, year, spare.
struct KORStamp {
    int32_t second, minute, hour, day, month, year, spare;
};
static_assert(sizeof(KORStamp) == 28);

struct TempGroup {
    float current;
    float max;
    KORStamp max_time;
    float min;
    KORStamp min_time;
    float limit_high;
    float limit_low;
    int32_t live_timer;
    int32_t poll_timer;
};
static_assert(sizeof(TempGroup) == 21 * 4);

struct WindGroup {
    float current;  // m/s
    float max;
    KORStamp max_time;
    float min;
    KORStamp min_time;
    float limit_high;
    float limit_low;
    int32_t direction;         // 0..15, 16 = none
    uint16_t direction_alarm;
    int32_t live_timer;
    int32_t poll_timer;
};
static_assert(sizeof(WindGroup) == 23 * 4);

struct PressureGroup {
    float current;   // absolute hPa
    int32_t weather; // 0 bad, 1 neutral, 2 good, 3 other
    int32_t trend;   // 0 neutral, 1 up, 2 down
    float min;
    KORStamp min_time;
    float max;
    KORStamp max_time;
    float limit_high;
    float limit_low;
    float rel_offset;  // relative minus absolute, hPa
    int32_t live_timer;
    int32_t poll_timer;
};
static_assert(sizeof(PressureGroup) == 24 * 4);

struct RainValue {
    float value;
    KORStamp time;
};

struct RainGroup {
    float rain_1h;
    float rain_24h;
    RainValue total;
    RainValue max_1h;
    RainValue max_24h;
    float spare_value;
    int32_t spare_word;
    int32_t live_timer;
    int32_t poll_timer;
};
static_assert(sizeof(RainGroup) == 30 * 4);

struct ReceptionGroup {
    float tx_interval;   // s
    float tx_countdown;  // s
    int32_t live_timer;
    int32_t poll_timer;
};
static_assert(sizeof(ReceptionGroup) == 16);

struct AlarmFlags {
    int32_t flag[22];
    int32_t live_timer;
    int32_t poll_timer;
};
static_assert(sizeof(AlarmFlags) == 24 * 4);

struct AlarmEntry {
    int32_t unused[2];
    float value;              // threshold in base units
    uint32_t direction_mask;  // wind direction entry only
    int32_t spare[4];
};
static_assert(sizeof(AlarmEntry) == 32);

enum AlarmEntryIndex {
    ALARM_ITEMP_LOW, ALARM_ITEMP_HIGH, ALARM_OTEMP_LOW, ALARM_OTEMP_HIGH,
    ALARM_CHILL_LOW, ALARM_CHILL_HIGH, ALARM_DEW_LOW, ALARM_DEW_HIGH,
    ALARM_WIND_LOW, ALARM_WIND_HIGH, ALARM_WIND_DIRECTION,
    ALARM_PRESS_ABS_LOW, ALARM_PRESS_ABS_HIGH, ALARM_PRESS_REL_LOW, ALARM_PRESS_REL_HIGH,
    ALARM_IHUM_LOW, ALARM_IHUM_HIGH, ALARM_OHUM_LOW, ALARM_OHUM_HIGH,
    ALARM_RAIN_1H, ALARM_RAIN_24H,
    ALARM_ENTRY_COUNT
};

struct KORData {
    uint8_t state_byte;
    int32_t reserved0;
    float clock_offset;  // s; console time = GMT - clock_offset
    int32_t clock_work[18];
    int32_t clock_live_timer;
    int32_t clock_poll_timer;
    int32_t history_file_ok;
    char history_file_name[260];
    HistoryFileHeader file_header;
    int32_t history_header_valid;
    int32_t history_round_period;
    int32_t history_next_from_period;
    uint32_t history_next_time;
    KORHistoryHeader station_header;
    ReceptionGroup reception;
    WindGroup wind;
    TempGroup indoor_temp;
    TempGroup outdoor_temp;
    TempGroup windchill;
    TempGroup dewpoint;
    TempGroup indoor_hum;
    TempGroup outdoor_hum;
    AlarmFlags alarm_enable;
    AlarmFlags alarm_state;
    PressureGroup pressure;
    RainGroup rain;
    int32_t alarm_change_pending[20];
    int32_t minmax_clear_pending[13];
    int32_t general_alarm_clear_pending;
    int32_t reserved1[16];
    AlarmEntry alarm_values[ALARM_ENTRY_COUNT];
};

void SetKORDataToDefault(KORData *data);
void DecrementTimer(int32_t *live, int32_t *poll, int32_t *live_flag, int32_t *poll_flag,
                    const int32_t *elapsed);
void DecrementLiveTimers(KORData *data, int32_t *any_live_expired, int32_t *any_poll_due,
                         const int32_t *elapsed);
