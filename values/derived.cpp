// The console computes dewpoint and windchill for its present readings only; the history
// view and export derive them for each stored data set with the same formulas, so that
// a history line and the live display agree.
#include "values/derived.h"

#include <cmath>

float CalculateDewpoint(const float *temperature_c, const uint16_t *humidity_percent) {
    if (temperature_c == nullptr || humidity_percent == nullptr) return 0.0f;
    const float t = *temperature_c;
    const float a = static_cast<float>(7.6 * t / (240.7 + t));
    const float e = static_cast<float>(std::pow(10.0, static_cast<double>(a)) * 0.006107 *
                                       *humidity_percent);  // vapour pressure, kPa
    const double l = std::log(e / 0.61078);
    return static_cast<float>(241.88 * l / (17.558 - l));
}

float CalculateWindchill(const float *temperature_c, const float *wind_mps) {
    if (temperature_c == nullptr || wind_mps == nullptr) return 0.0f;
    const float t = *temperature_c;
    const float v = *wind_mps;
    // Compared as floats: exactly 1.8 m/s and exactly 33 degC take the formula.
    if (v < 1.8f || t > 33.0f) return t;
    const double factor = 0.417 * std::sqrt(static_cast<double>(v)) + 0.55 - 0.0454 * v;
    return static_cast<float>(33.0 - factor * (33.0 - t));
}
