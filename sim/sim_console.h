// The simulated console itself: its memory, its weather, and what it does every step of
// simulated time (present values, extremes with their stamps, alarms, rain counters,
// the history ring, the clock and the radio timer). Everything it writes into memory it
// also keeps as plain numbers in SimState, "what the console meant", so that tests can
// compare what the program decodes with what was encoded.
#pragma once
#include <cstdint>

#include "sim/sim_layout.h"
#include "sim/sim_memory.h"
#include "sim/sim_options.h"
#include "sim/sim_weather.h"

struct SimExtreme {
    double value;
    SimStamp time;
    int marker;
};

struct SimQuantity {
    double current;
    int marker;
    SimExtreme min, max;
};

struct SimHistorySet {
    int64_t time;       // UTC seconds of storing
    double itemp, otemp;
    int itemp_marker, otemp_marker;
    double press;       // absolute hPa
    int ihum, ohum;
    int rain_raw;       // 12-bit rain gauge count
    double wind;        // m/s
    int wind_dir;
};

constexpr int SIM_HIST_MAX = 175;
constexpr int SIM_ALARM_NIBBLES = 7;

struct SimState {
    int variant;
    double now;              // UTC seconds of the simulated instant
    int tz_offset_s;
    SimStamp station;        // console clock: minute .. year
    int station_second;
    int station_weekday;     // 1 Monday .. 7 Sunday
    SimQuantity itemp, otemp, chill, dew, ihum, ohum;
    SimQuantity wind;        // m/s
    int wind_dir;
    SimQuantity press;       // absolute hPa
    double rel_offset;       // relative minus absolute, hPa
    int weather;             // 0 bad, 1 neutral, 2 good
    int trend;               // 0 neutral, 1 up, 2 down
    double rain_1h, rain_24h, rain_total;
    SimStamp rain_total_reset;
    SimExtreme rain_1h_max, rain_24h_max;
    uint32_t rain_impulses;  // the gauge's count since the console started
    int wind_unit;
    double tx_interval;      // s, 0 without radio
    double tx_countdown;     // s to the next reception
    bool radio_silent;       // inside a reception window now
    int hist_interval_min, hist_countdown, hist_index, hist_count;
    int64_t hist_last_time;  // UTC seconds of the newest data set, 0 before the first
    SimHistorySet hist[SIM_HIST_MAX];
    uint8_t alarm_enable[SIM_ALARM_NIBBLES];
    uint8_t alarm_state[SIM_ALARM_NIBBLES];
};

struct SimConsole {
    const SimLayout *layout;
    SimOptions opts;
    SimMemory mem;
    SimWeather weather;
    SimRandom marker_rng;
    SimState state;
    double next_step;            // UTC seconds of the next weather step
    double radio_phase;          // link seconds of the first reception
    double rain_total_base;      // mm at the last reset ...
    uint32_t rain_total_base_imp;  // ... and the gauge count then
    int64_t rain_slot_4min, rain_slot_hour;
    double press_ring[19];       // relative pressure every 10 minutes, 3 h back
    int press_ring_fill;
    bool alarm_was_on[24];
};

// Builds the console as it stands at opts.start_time (the present time when 0), with
// opts.prefill history data sets already stored.
void InitSimConsole(SimConsole *c, const SimOptions &opts);
// Takes in what the program wrote, then runs every weather step up to sim_time.
void AdvanceSimConsole(SimConsole *c, double sim_time);
// Writes the clock for sim_time and the radio timer for link_time (seconds on the
// line's own clock, from the start of the simulator).
void RefreshSimClock(SimConsole *c, double sim_time, double link_time);
// True when the console is receiving its sensors at link_time and does not listen.
bool SimRadioSilent(const SimConsole *c, double link_time);
// The console's local clock fields for a UTC instant.
void SimStationTime(const SimConsole *c, double utc, SimStamp *stamp, int *second, int *weekday);
