// Where the simulated console keeps every value it writes or reads back, for both firmware
// variants. The simulator chooses one table when it starts and never asks the variant
// again, so the console logic is the same for both. The addresses are the console's own,
// taken from the description of its memory, not from the program's map, so that the
// program's map and this table check each other.
#pragma once
#include <cstdint>

// Start of a five-digit temperature block: value, minimum, maximum, their stamps and
// the two alarm thresholds, each a fixed distance from the value's lowest digit.
struct SimTempBlock {
    uint16_t value_ll;   // five BCD digits, 0.001 °C steps, +30 °C bias
    uint16_t min_ll;
    uint16_t max_ll;
    uint16_t min_stamp;  // ten nibbles: minute, hour, day, month, year (BCD, units first)
    uint16_t max_stamp;
    uint16_t low_alarm_ll;
    uint16_t high_alarm_ll;
};

struct SimHumBlock {
    uint16_t value_l;    // two BCD digits, percent
    uint16_t min_l;
    uint16_t max_l;
    uint16_t min_stamp;
    uint16_t max_stamp;
    uint16_t low_alarm_l;
    uint16_t high_alarm_l;
};

struct SimLayout {
    int variant;              // identification: 1 (mask 7) or 2 (mask 8)
    uint32_t size;            // nibbles of memory; addresses beyond read as 0
    // Fixed locations (same in both variants).
    uint16_t change_notice;   // bits 1-3: the program changed alarm settings
    uint16_t eeprom_trigger;  // bit 0: store settings
    uint16_t wind_unit;       // unit shown on the console's display
    uint16_t alarm_enable;    // 7 nibbles of enable bits
    uint16_t alarm_state;     // 7 nibbles of state bits, enable + 7
    uint16_t alarm_third;     // 6 nibbles, enable + 13
    // Clock.
    uint16_t clock_sec;       // CSECL: sec, min, hour (2 each), weekday, day, month, year
    uint16_t final_clock;     // FINAL_CMINL: min, hour, weekday, day, month, year
    uint16_t time_zone;       // TZONEL: two's complement hours, two nibbles
    uint16_t alarm_timeout;
    uint16_t weather_thresh;
    uint16_t storm_thresh;
    uint16_t weather_type;    // weather picture; trend in the next nibble
    // Temperatures and humidities.
    SimTempBlock itemp, otemp, chill, dew;
    SimHumBlock ihum, ohum;
    // Rain.
    uint16_t rain_imp;        // RAINIMP_L: three nibbles, binary impulse counter
    uint16_t rainhist24h;     // 24 hourly buckets, two binary nibbles each
    uint16_t rainhist1h;      // 15 four-minute buckets, two binary nibbles each
    uint16_t rain24h;         // RAIN24H_00: six digits, 0.01 mm
    uint16_t rain24h_max;
    uint16_t rain24h_max_stamp;
    uint16_t rain24h_alarm;   // RAIN24H_AL_01: seven digits, 0.001 mm
    uint16_t rain1h;
    uint16_t rain1h_max;
    uint16_t rain1h_max_stamp;
    uint16_t rain1h_alarm;
    uint16_t raintotal;       // RAINTOTAL_01: seven digits, 0.001 mm
    uint16_t raintotal_stamp; // time of the last reset
    // Wind.
    uint16_t winddir_alarm;   // ALERT_FLAGS7..10: direction mask
    uint16_t wind_value;      // WIND_00: six binary nibbles, km/h x 25600
    uint16_t wind_min;
    uint16_t wind_max;
    uint16_t wind_min_stamp;
    uint16_t wind_max_stamp;
    uint16_t wind_low_alarm;  // km/h x 25600
    uint16_t wind_high_alarm;
    uint16_t wind_disp;       // five digits, 0.01 steps in the display unit: value, min, max
    uint16_t wind_flags;      // bit 0 error, bit 1 overflow, bit 2 direction error
    uint16_t wind_minmax_flags;  // bits 0/1 minimum error/overflow, 2/3 maximum
    uint16_t wind_imp;        // WINDIMP_L: three binary nibbles, 0.1 m/s
    uint16_t winddir;         // present direction, then five older ones
    uint16_t wind_disp_low_alarm;
    uint16_t wind_disp_high_alarm;
    // Radio reception timer: three nibbles each, half seconds minus 1.5 s.
    uint16_t tx_interval;
    uint16_t tx_countdown;
    // Pressure: each five digits, hPa in 0.1 steps, inHg in 0.01 steps.
    uint16_t press_abs_hpa;   // then abs inHg, rel hPa, rel inHg, diff hPa, diff inHg
    uint16_t press_min;       // abs hPa, abs inHg, rel hPa, rel inHg
    uint16_t press_max;
    uint16_t press_min_stamp;
    uint16_t press_max_stamp;
    uint16_t press_low_alarm; // abs hPa, abs inHg, rel hPa, rel inHg
    uint16_t press_high_alarm;
    // History (mask 8 only; 0 when the variant has none).
    uint16_t hist_interval;   // three binary nibbles: minutes - 1
    uint16_t hist_countdown;  // three binary nibbles: minutes to the next data set
    uint16_t hist_stamp;      // BCD minute, hour, day, month, year of the last data set
    uint16_t hist_index;      // two binary nibbles
    uint16_t hist_count;      // two binary nibbles
    uint16_t hist_start;      // first nibble of data set 0
    int hist_max;             // data sets in the ring (0: no history)
};

constexpr int SIM_HIST_SET_NIBBLES = 19;

// The table of the variant: 1 selects mask 7, anything else mask 8 (as the program does).
const SimLayout *GetSimLayout(int variant);
