// Weather for the simulated console: slow, seedable processes that keep every reading in
// a plausible range and change it no faster than real weather does. The model moves in
// fixed steps of simulated time, so a seed and a start time name one weather history
// whatever the time-speed factor or the moments at which the simulator is asked.
#pragma once
#include <cstdint>

#include "sim/sim_random.h"

constexpr double SIM_WEATHER_STEP_S = 10.0;

struct SimWeather {
    SimRandom rng;
    // Climate of this seed.
    double otemp_mean, otemp_swing, press_sea_mean, rel_offset, wind_mean;
    // Slow anomalies (Ornstein-Uhlenbeck processes around 0). Outdoor temperature and
    // pressure move by a tendency that wanders itself, so they change smoothly.
    double otemp_anom, itemp_anom, dewdep_anom, ihum_anom, press_anom, wind_anom;
    double otemp_tendency, press_tendency;  // per hour
    double dir_deg;      // prevailing wind direction
    double wetness;      // 0 dry .. 1 soaked, follows the showers
    double shower_left;  // seconds of the present shower, 0 when dry
    double shower_rate;  // mm/h of the present shower
    double rain_carry;   // mm fallen that have not yet tipped the rain gauge
    // Readings after the last step.
    double itemp, otemp, ihum, ohum, press_abs, wind;
    int wind_dir;        // 0..15, 22.5° steps from north
};

// Weather of this seed as it stands at hour_of_day (the console's local hour).
void InitSimWeather(SimWeather *w, uint64_t seed, double hour_of_day);
// One step of SIM_WEATHER_STEP_S seconds; hour_of_day is the console's local hour
// (0..24, fractional). Returns the rain gauge impulses of this step.
int StepSimWeather(SimWeather *w, double hour_of_day);
