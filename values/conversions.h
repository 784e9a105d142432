// Unit conversions and number-text rules shared by the display, the alarm dialogs, the
// history view and export, the current-data file and the communication thread. These
// functions keep no state, so either thread may call them.
#pragma once

// Wind-speed unit numbers, as in the settings record.
constexpr int WIND_UNIT_MPS = 0;
constexpr int WIND_UNIT_KMH = 1;
constexpr int WIND_UNIT_MPH = 2;
constexpr int WIND_UNIT_KNOTS = 3;
constexpr int WIND_UNIT_BEAUFORT = 4;

// Pressure kinds and units of ConvertPressureFromUnitToUnit.
constexpr int PRESSURE_KIND_RELATIVE = 0;
constexpr int PRESSURE_KIND_ABSOLUTE = 1;
constexpr int PRESSURE_UNIT_HPA = 0;
constexpr int PRESSURE_UNIT_INHG = 1;

constexpr double HPA_PER_INHG = 33.8639;
constexpr double INCH_PER_MM = 0.0393701;
constexpr double KMH_PER_MPS = 3.6;
constexpr double MPH_PER_MPS = 2.23694;
constexpr double KNOTS_PER_MPS = 1.942549488;

double CelsiusToFahrenheit(double celsius);
double FahrenheitToCelsius(double fahrenheit);

// Speed from one wind unit to another. A target outside 0..4 gives 0; so does a source
// outside 0..4. Beaufort as a source is taken as the lower bound of its force.
float ConvertSpeedFromUnitToUnit(int from_unit, int to_unit, const float *value);

// Pressure between relative/absolute and hPa/inHg; correction is relative minus absolute
// pressure in hPa. Unknown kinds or units are taken as absolute and hPa.
float ConvertPressureFromUnitToUnit(int from_kind, int from_unit, int to_kind, int to_unit,
                                    const float *value, float correction);

// Beaufort force 0..12: the number of force lower bounds at or below the speed.
int mps_to_beaufort(const float *mps);
// Lower bound in m/s of a force 1..12; 0 for 0 and for anything outside 1..12.
float beaufort_to_mps(const int *beaufort);

// The value cut (not rounded) to the given number of decimal places: 22.57 -> 22.5,
// -3.27 -> -3.2.
float TruncateRealNumberPrecision(int decimal_places, const float *value);

// Rewrites every '.' to ',' (decimal_comma nonzero) or every ',' to '.' (zero), in place.
void LocaliseRealNumberString(int decimal_comma, char *text);
