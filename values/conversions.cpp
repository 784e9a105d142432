// Conversions between the base units the system keeps values in (degC, m/s, hPa, mm) and
// the units users choose. The constants are the ones the system has always used, so that
// the numbers shown, stored and exchanged stay comparable with earlier copies.
#include "values/conversions.h"

#include <cmath>

namespace {

// Lower bounds in m/s of Beaufort forces 1 to 12.
constexpr float kBeaufortLowerBound[12] = {0.51f,  2.06f,  3.6f,   5.66f,  8.75f,  11.32f,
                                           14.4f,  17.49f, 21.09f, 24.69f, 28.81f, 32.92f};

constexpr double MPS_PER_KNOT = 1.943844;  // reverse factor as the system has it
constexpr double KMH_PER_MILE = 1.609344;
constexpr double KMH_PER_KNOT = 1.852;
constexpr double MPH_PER_KNOT = 1.150779;

float ToMps(int from_unit, float value) {
    switch (from_unit) {
    case WIND_UNIT_MPS: return value;
    case WIND_UNIT_KMH: return static_cast<float>(value / KMH_PER_MPS);
    case WIND_UNIT_MPH: return static_cast<float>(value / MPH_PER_MPS);
    case WIND_UNIT_KNOTS: return static_cast<float>(value / MPS_PER_KNOT);
    case WIND_UNIT_BEAUFORT: {
        if (!(value >= 1.0f)) return 0.0f;  // also NaN
        const int force = value >= 12.0f ? 12 : static_cast<int>(value);
        return beaufort_to_mps(&force);
    }
    default: return 0.0f;
    }
}

float FromMps(int to_unit, float mps) {
    switch (to_unit) {
    case WIND_UNIT_MPS: return mps;
    case WIND_UNIT_KMH: return static_cast<float>(mps * KMH_PER_MPS);
    case WIND_UNIT_MPH: return static_cast<float>(mps * MPH_PER_MPS);
    case WIND_UNIT_KNOTS: return static_cast<float>(mps * KNOTS_PER_MPS);
    case WIND_UNIT_BEAUFORT: return static_cast<float>(mps_to_beaufort(&mps));
    default: return 0.0f;
    }
}

}  // namespace

double CelsiusToFahrenheit(double celsius) { return 1.8 * celsius + 32.0; }

double FahrenheitToCelsius(double fahrenheit) {
    return (fahrenheit - 32.0) * 0.5555555555555556;
}

float ConvertSpeedFromUnitToUnit(int from_unit, int to_unit, const float *value) {
    if (value == nullptr || to_unit < 0 || to_unit > 4 || from_unit < 0 || from_unit > 4)
        return 0.0f;
    const float v = *value;
    if (from_unit == to_unit) return v;
    // The direct factors between km/h, mph and knots are the system's own; going through
    // m/s would change the last digits of what users have always seen.
    if (from_unit == WIND_UNIT_KMH && to_unit == WIND_UNIT_MPH)
        return static_cast<float>(v / KMH_PER_MILE);
    if (from_unit == WIND_UNIT_KMH && to_unit == WIND_UNIT_KNOTS)
        return static_cast<float>(v / KMH_PER_KNOT);
    if (from_unit == WIND_UNIT_MPH && to_unit == WIND_UNIT_KMH)
        return static_cast<float>(v * KMH_PER_MILE);
    if (from_unit == WIND_UNIT_MPH && to_unit == WIND_UNIT_KNOTS)
        return static_cast<float>(v / MPH_PER_KNOT);
    if (from_unit == WIND_UNIT_KNOTS && to_unit == WIND_UNIT_KMH)
        return static_cast<float>(v * KMH_PER_KNOT);
    if (from_unit == WIND_UNIT_KNOTS && to_unit == WIND_UNIT_MPH)
        return static_cast<float>(v * MPH_PER_KNOT);
    return FromMps(to_unit, ToMps(from_unit, v));
}

float ConvertPressureFromUnitToUnit(int from_kind, int from_unit, int to_kind, int to_unit,
                                    const float *value, float correction) {
    if (value == nullptr) return 0.0f;
    double hpa = *value;
    if (from_unit == PRESSURE_UNIT_INHG) hpa *= HPA_PER_INHG;
    if (from_kind == PRESSURE_KIND_RELATIVE) hpa -= correction;
    if (to_kind == PRESSURE_KIND_RELATIVE) hpa += correction;
    if (to_unit == PRESSURE_UNIT_INHG) hpa /= HPA_PER_INHG;
    return static_cast<float>(hpa);
}

int mps_to_beaufort(const float *mps) {
    if (mps == nullptr) return 0;
    int force = 0;
    for (const float bound : kBeaufortLowerBound)
        if (bound <= *mps) ++force;
    return force;
}

float beaufort_to_mps(const int *beaufort) {
    if (beaufort == nullptr || *beaufort < 1 || *beaufort > 12) return 0.0f;
    return kBeaufortLowerBound[*beaufort - 1];
}

float TruncateRealNumberPrecision(int decimal_places, const float *value) {
    if (value == nullptr) return 0.0f;
    const float factor = std::pow(10.0f, static_cast<float>(decimal_places));
    // The product is rounded to a float before its fraction is dropped: 0.7 * 10 must be
    // 7, not 6.99999...
    const float product = *value * factor;
    return std::trunc(product) / factor;
}

void LocaliseRealNumberString(int decimal_comma, char *text) {
    if (text == nullptr) return;
    const char from = decimal_comma ? '.' : ',';
    const char to = decimal_comma ? ',' : '.';
    for (char *p = text; *p != '\0'; ++p)
        if (*p == from) *p = to;
}
