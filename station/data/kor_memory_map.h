// Where every value lives in the console's nibble-addressed memory. Two firmware variants
// (mask 7 and mask 8) lay it out differently; the address variables below are filled once,
// when the console has identified itself, and from then on every reader and writer names
// its location through them, so no variant test is scattered through the transfers.
#pragma once
#include <cstdint>

// A location that the chosen variant does not have. Nothing may transfer at it.
constexpr uint16_t KOR_NO_ADDRESS = 0xFFFF;

// The 16-bit address variables, one per named console location (ITEMP_ML, WIND_FLAGS,
// HIST_START_ADDRESS, ...). All hold KOR_NO_ADDRESS until a variant is chosen.
#define KOR_LOCATION(name, mask8, mask7) extern uint16_t name;
#include "station/data/kor_memory_map_table.inc"
#undef KOR_LOCATION

// Locations addressed by literal; the same in both variants.
constexpr uint16_t KOR_ALARM_NOTICE_NIBBLE = 0x008;    // bits 1..3: an alarm was changed
constexpr uint16_t KOR_EEPROM_TRIGGER_NIBBLE = 0x00B;  // bit 0: store the settings
constexpr uint16_t KOR_WIND_UNIT_NIBBLE = 0x00F;       // wind unit shown on the console
constexpr uint16_t KOR_ALARM_ENABLE_NIBBLE = 0x019;    // 8 nibbles of alarm enable bits
constexpr uint16_t KOR_ALARM_STATE_NIBBLE = 0x020;     // 8 nibbles of alarm state bits
constexpr uint16_t KOR_ALARM_THIRD_NIBBLE = 0x027;     // a third bit per alarm

// Enumerations the firmware keeps beside its addresses.
constexpr int DATE_DISP_DMY = 0, DATE_DISP_WDM = 1, DATE_DISP_SEC = 2, DATE_DISP_ALARM = 3,
              DATE_DISP_ZONE = 4;
constexpr int PRESS_REL = 0, PRESS_ABS = 1;
constexpr int ACCU_ITEMP = 0, ACCU_IHUM = 1, ACCU_OTEMP = 2, ACCU_OHUM = 3, ACCU_CHILL = 4,
              ACCU_DEW = 5, ACCU_RAIN24H = 6, ACCU_RAIN1H = 7, ACCU_RAINTOTAL = 8;
constexpr int WIND_VELOCITY = 0, WIND_DIR_ALPHA = 1, WIND_DIR_NUM = 2;
constexpr int WEATHER_BAD = 0, WEATHER_NEUTRAL = 1, WEATHER_GOOD = 2;
constexpr int TREND_NEUTRAL = 0, TREND_UP = 1, TREND_DOWN = 2;
constexpr int WINDDIR_HIST_SIZE = 6;
// Data sets in the history ring. Only mask 8 has a history memory; the number is a
// constant so that ring arithmetic can never divide by zero on the other variant.
constexpr int HIST_MAX_DATA = 0xAF;
// Bits of WIND_MINMAX_FLAGS.
constexpr int WIND_MIN_ERR = 0, WIND_MIN_OFL = 1, WIND_MAX_ERR = 2, WIND_MAX_OFL = 3;
// Bits of the 16-bit wind-direction alarm mask at ALERT_FLAGS7..ALERT_FLAGS10, clockwise
// from north in steps of 22.5 degrees.
constexpr int ALERT_WIND_N_BIT = 0, ALERT_WIND_NNE_BIT = 1, ALERT_WIND_NE_BIT = 2,
              ALERT_WIND_ENE_BIT = 3, ALERT_WIND_E_BIT = 4, ALERT_WIND_ESE_BIT = 5,
              ALERT_WIND_SE_BIT = 6, ALERT_WIND_SSE_BIT = 7, ALERT_WIND_S_BIT = 8,
              ALERT_WIND_SSW_BIT = 9, ALERT_WIND_SW_BIT = 10, ALERT_WIND_WSW_BIT = 11,
              ALERT_WIND_W_BIT = 12, ALERT_WIND_WNW_BIT = 13, ALERT_WIND_NW_BIT = 14,
              ALERT_WIND_NNW_BIT = 15;

// One named location with its address on each variant.
struct KORMapEntry {
    const char *name;
    uint16_t *variable;
    uint16_t mask8;
    uint16_t mask7;  // KOR_NO_ADDRESS where mask 7 has no such location
};

extern const KORMapEntry kor_memory_map[];
extern const int kor_memory_map_size;

// The variant whose addresses the variables hold: 7, 8, or 0 before any was chosen.
extern int kor_map_variant;

// Store every address variable of the variant.
void kor_vars_mask7();
void kor_vars_mask8();
// Identification 1 is the mask 7 console; every other identification is mask 8.
void SelectKORMemoryMap(uint8_t station_id);
// 1 when the chosen variant has the history header and ring (mask 8), else 0.
int KORMapHasHistoryMemory();

// Address of a named location: with variant 7 or 8 from that variant's column, with
// variant 0 from the variables as they stand. 0 and *address set on success; -1 for an
// unknown name; -2 when the variant has no such location (or none was chosen yet).
int FindKORAddress(const char *name, int variant, uint16_t *address);
