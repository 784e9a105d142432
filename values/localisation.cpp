// Presentation of measured values in the user's units. Every display, dialog, export and
// exchange file goes through here so that the same value always reads the same way: cut
// (not rounded) to the decimals of its unit, with the user's decimal separator, and with
// the console's marker values shown as "---" (not available) or "OFL" (overflow).
#include "values/localisation.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "records/ui_data.h"
#include "values/conversions.h"

namespace {

thread_local LocalisedValue localised;
thread_local float delocalised;

constexpr float HUMIDITY_MARKER_VALUE = 19.0f;  // just below the humidity scale

// Bounded copy that always terminates; texts are copied, not formatted, because every
// value shown or exported passes through here.
void CopyText(char *out, size_t size, const char *text) {
    size_t n = strlen(text);
    if (n >= size) n = size - 1;
    memcpy(out, text, n);
    out[n] = '\0';
}

// The text "%.*f" gives for a number, without printf's arbitrary-precision float path,
// which dominated exporting large history files. value * 10^decimals is exact in double
// for the magnitudes handled here and nearbyint rounds ties to even as printf does, so
// the digits are the same; anything else goes to snprintf.
void FormatNumber(char *out, size_t size, float value, int decimals) {
    static constexpr double kScale[] = {1.0, 10.0, 100.0, 1000.0};
    if (decimals < 0 || decimals > 3 || !(std::fabs(value) < 1e9f)) {
        snprintf(out, size, "%.*f", decimals < 0 ? 0 : decimals, static_cast<double>(value));
        return;
    }
    auto units = static_cast<unsigned long long>(
        std::fabs(std::nearbyint(static_cast<double>(value) * kScale[decimals])));
    char reversed[24];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + units % 10);
        units /= 10;
    } while (units > 0 || n <= decimals);
    char text[32];
    size_t length = 0;
    if (std::signbit(value)) text[length++] = '-';
    for (int i = n - 1; i >= 0; --i) {
        text[length++] = reversed[i];
        if (i == decimals && decimals > 0) text[length++] = '.';
    }
    text[length] = '\0';
    CopyText(out, size, text);
}

UnitsRecord UnitsFrom(const int *unit_choices) {
    UnitsRecord units{};
    if (unit_choices == nullptr) return units;
    units.pressure_unit = unit_choices[0];
    units.wind_unit = unit_choices[1];
    units.temperature_unit = unit_choices[2];
    units.humidity_unit = unit_choices[3];
    units.rain_unit = unit_choices[4];
    return units;
}

void SetLimits(LocalisedValue *r, float range_min, float range_max, float scale_min,
               float scale_max) {
    r->range_min = range_min;
    r->range_max = range_max;
    r->scale_min = scale_min;
    r->scale_max = scale_max;
}

void SetMarker(LocalisedValue *r, const char *marker, int status, float value = 0.0f) {
    r->status = status;
    r->unit_text[0] = '\0';
    CopyText(r->value_text, sizeof r->value_text, marker);
    CopyText(r->value_unit_text, sizeof r->value_unit_text, marker);
    r->value = value;
}

// A valid value: cut to its decimals, formatted, joined with its unit and given the
// user's decimal separator.
void SetNumber(LocalisedValue *r, float value, int decimals, const char *unit) {
    r->status = LOCALISED_VALID;
    r->value = decimals >= 0 ? TruncateRealNumberPrecision(decimals, &value) : value;
    const int shown = decimals >= 0 ? decimals : 0;
    CopyText(r->unit_text, sizeof r->unit_text, unit);
    FormatNumber(r->value_text, sizeof r->value_text, r->value, shown);
    // value_text (at most 20) + blank + unit (at most 10) always fits value_unit_text.
    const size_t value_length = strlen(r->value_text);
    memcpy(r->value_unit_text, r->value_text, value_length);
    r->value_unit_text[value_length] = ' ';
    CopyText(r->value_unit_text + value_length + 1,
             sizeof r->value_unit_text - value_length - 1, r->unit_text);
    LocaliseRealNumberString(setup.decimal_comma, r->value_text);
    LocaliseRealNumberString(setup.decimal_comma, r->value_unit_text);
}

// The console's marker values, tested on the raw value in its base unit; nullptr when the
// value is a reading.
const char *PressureMarker(float raw, double correction) {
    if (raw > correction + 1101.0 && raw < correction + 16665.5) return MARKER_NOT_AVAILABLE;
    if (raw > 11112.1) return MARKER_OVERFLOW;
    return nullptr;
}

const char *TemperatureMarker(float raw) {
    if (raw > 135.65) return MARKER_OVERFLOW;
    if (raw > 80.11) return MARKER_NOT_AVAILABLE;
    return nullptr;
}

int WindStatus(float raw) {
    if (raw == 51.0f) return LOCALISED_NOT_AVAILABLE;
    if (raw == 51.1f || raw < 0.0f || raw > 50.0f) return LOCALISED_WIND_OVERFLOW;
    return LOCALISED_VALID;
}

bool HumidityMissing(float raw) { return raw > 109.0; }

void LocalisePressure(LocalisedValue *r, bool relative, int unit, float raw) {
    const double correction = relative ? UI_data.pressure.rel_offset : 0.0;
    const bool inhg = unit == PRESSURE_UNIT_INHG;
    if (inhg)
        SetLimits(r, 17.0f, 32.0f, 17.0f, 32.0f);
    else
        SetLimits(r, 600.0f, 1100.0f, 600.0f, 1100.0f);
    const char *marker = PressureMarker(raw, correction);
    if (marker != nullptr) {
        SetMarker(r, marker, LOCALISED_NOT_AVAILABLE);
        return;
    }
    const double hpa = raw + correction;
    if (inhg)
        SetNumber(r, static_cast<float>(hpa / HPA_PER_INHG), 2, UNIT_TEXT_INHG);
    else
        SetNumber(r, static_cast<float>(hpa), 1, UNIT_TEXT_HPA);
}

void LocaliseTemperature(LocalisedValue *r, bool indoor, int unit, float raw) {
    const bool fahrenheit = unit == 1;
    if (indoor)
        fahrenheit ? SetLimits(r, 10.0f, 140.0f, 10.0f, 140.0f)
                   : SetLimits(r, -10.0f, 60.0f, -10.0f, 60.0f);
    else
        fahrenheit ? SetLimits(r, -20.0f, 160.0f, -20.0f, 160.0f)
                   : SetLimits(r, -30.0f, 70.0f, -30.0f, 70.0f);
    const char *marker = TemperatureMarker(raw);
    if (marker != nullptr) {
        SetMarker(r, marker, LOCALISED_NOT_AVAILABLE);
        return;
    }
    if (fahrenheit)
        SetNumber(r, static_cast<float>(CelsiusToFahrenheit(raw)), 1, UNIT_TEXT_FAHRENHEIT);
    else
        SetNumber(r, raw, 1, UNIT_TEXT_CELSIUS);
}

void LocaliseWind(LocalisedValue *r, int unit, float raw) {
    switch (unit) {
    case WIND_UNIT_KMH: SetLimits(r, 0.0f, 180.0f, 0.0f, 180.0f); break;
    case WIND_UNIT_MPH: SetLimits(r, 0.0f, 111.0f, 0.0f, 111.0f); break;
    case WIND_UNIT_KNOTS: SetLimits(r, 0.0f, 97.1f, 0.0f, 97.0f); break;
    case WIND_UNIT_BEAUFORT: SetLimits(r, 0.0f, 12.0f, 0.0f, 12.0f); break;
    default: SetLimits(r, 0.0f, 50.0f, 0.0f, 50.0f); break;
    }
    const int status = WindStatus(raw);
    if (status != LOCALISED_VALID) {
        SetMarker(r, status == LOCALISED_NOT_AVAILABLE ? MARKER_NOT_AVAILABLE : MARKER_OVERFLOW,
                  status);
        return;
    }
    if (unit == WIND_UNIT_KMH || unit == WIND_UNIT_MPH) {
        const bool kmh = unit == WIND_UNIT_KMH;
        const float v = static_cast<float>(raw * (kmh ? KMH_PER_MPS : MPH_PER_MPS));
        // Three-digit speeds lose their decimal so that the field keeps its width.
        SetNumber(r, v, v >= 100.0f ? 0 : 1, kmh ? UNIT_TEXT_KMH : UNIT_TEXT_MPH);
    } else if (unit == WIND_UNIT_KNOTS) {
        SetNumber(r, static_cast<float>(raw * KNOTS_PER_MPS), 1, UNIT_TEXT_KNOTS);
    } else if (unit == WIND_UNIT_BEAUFORT) {
        SetNumber(r, static_cast<float>(mps_to_beaufort(&raw)), 0, UNIT_TEXT_BEAUFORT);
    } else {
        SetNumber(r, raw, 1, UNIT_TEXT_MPS);
    }
}

void LocaliseHumidity(LocalisedValue *r, float raw) {
    SetLimits(r, 20.0f, 95.0f, 20.0f, 95.0f);
    if (HumidityMissing(raw)) {
        SetMarker(r, MARKER_NOT_AVAILABLE, LOCALISED_NOT_AVAILABLE, HUMIDITY_MARKER_VALUE);
        return;
    }
    SetNumber(r, raw, -1, UNIT_TEXT_PERCENT);  // whole percent, not cut
}

void LocaliseRain(LocalisedValue *r, int quantity, int unit, float raw) {
    const bool inch = unit == 1;
    if (inch)
        SetNumber(r, static_cast<float>(raw * INCH_PER_MM), 2, UNIT_TEXT_INCH);
    else
        SetNumber(r, raw, 1, UNIT_TEXT_MM);
    switch (quantity) {
    case QUANTITY_RAIN_TOTAL:
        if (inch)
            SetLimits(r, 0.0f, 100.0f, 0.0f, r->value <= 40.0f ? 40.0f : 100.0f);
        else
            SetLimits(r, 0.0f, 2500.0f, 0.0f, r->value <= 1000.0f ? 1000.0f : 2500.0f);
        break;
    case QUANTITY_RAIN_24H:
        inch ? SetLimits(r, 0.0f, 20.0f, 0.0f, 20.0f) : SetLimits(r, 0.0f, 500.0f, 0.0f, 500.0f);
        break;
    default:
        inch ? SetLimits(r, 0.0f, 4.0f, 0.0f, 4.0f) : SetLimits(r, 0.0f, 100.0f, 0.0f, 100.0f);
        break;
    }
}

}  // namespace

int MeasuredValueStatus(int quantity, float raw) {
    switch (quantity) {
    case QUANTITY_RELATIVE_PRESSURE:
        return PressureMarker(raw, UI_data.pressure.rel_offset) ? LOCALISED_NOT_AVAILABLE
                                                                 : LOCALISED_VALID;
    case QUANTITY_ABSOLUTE_PRESSURE:
        return PressureMarker(raw, 0.0) ? LOCALISED_NOT_AVAILABLE : LOCALISED_VALID;
    case QUANTITY_INDOOR_TEMPERATURE:
    case QUANTITY_OUTDOOR_TEMPERATURE:
    case QUANTITY_DEWPOINT:
    case QUANTITY_WINDCHILL:
        return TemperatureMarker(raw) ? LOCALISED_NOT_AVAILABLE : LOCALISED_VALID;
    case QUANTITY_WIND_SPEED: return WindStatus(raw);
    case QUANTITY_HUMIDITY: return HumidityMissing(raw) ? LOCALISED_NOT_AVAILABLE : LOCALISED_VALID;
    case QUANTITY_RAIN_TOTAL:
    case QUANTITY_RAIN_24H:
    case QUANTITY_RAIN_1H: return LOCALISED_VALID;
    default: return LOCALISED_NO_VALUE;
    }
}

LocalisedValue *LocaliseMeasuredValues(int quantity, const UnitsRecord *units,
                                       const float *value) {
    LocalisedValue *r = &localised;
    if (value == nullptr || units == nullptr) {
        r->status = LOCALISED_NO_VALUE;
        return r;
    }
    const float raw = *value;
    switch (quantity) {
    case QUANTITY_RELATIVE_PRESSURE:
    case QUANTITY_ABSOLUTE_PRESSURE:
        LocalisePressure(r, quantity == QUANTITY_RELATIVE_PRESSURE, units->pressure_unit, raw);
        break;
    case QUANTITY_INDOOR_TEMPERATURE:
    case QUANTITY_OUTDOOR_TEMPERATURE:
    case QUANTITY_DEWPOINT:
    case QUANTITY_WINDCHILL:
        LocaliseTemperature(r, quantity == QUANTITY_INDOOR_TEMPERATURE,
                            units->temperature_unit, raw);
        break;
    case QUANTITY_WIND_SPEED: LocaliseWind(r, units->wind_unit, raw); break;
    case QUANTITY_HUMIDITY: LocaliseHumidity(r, raw); break;
    case QUANTITY_RAIN_TOTAL:
    case QUANTITY_RAIN_24H:
    case QUANTITY_RAIN_1H: LocaliseRain(r, quantity, units->rain_unit, raw); break;
    default:
        r->status = LOCALISED_NO_VALUE;
        return r;
    }
    // A value that is no number at all (a dewpoint of 0 % humidity, say) is not
    // available rather than "nan".
    if (r->status == LOCALISED_VALID && !std::isfinite(r->value))
        SetMarker(r, MARKER_NOT_AVAILABLE, LOCALISED_NOT_AVAILABLE,
                  quantity == QUANTITY_HUMIDITY ? HUMIDITY_MARKER_VALUE : 0.0f);
    return r;
}

LocalisedValue *LocaliseUnknownValue(int quantity, const UnitsRecord *units) {
    const float zero = 0.0f;
    LocalisedValue *r = LocaliseMeasuredValues(quantity, units, &zero);
    if (r->status == LOCALISED_NO_VALUE) return r;
    r->status = LOCALISED_NOT_AVAILABLE;
    r->unit_text[0] = '\0';
    snprintf(r->value_text, sizeof r->value_text, "%s", MARKER_NOT_AVAILABLE);
    snprintf(r->value_unit_text, sizeof r->value_unit_text, "%s", MARKER_NOT_AVAILABLE);
    r->value = r->scale_min;
    return r;
}

LocalisedValue *LocaliseMeasuredValues(int quantity, const int *unit_choices,
                                       const float *value) {
    if (unit_choices == nullptr)
        return LocaliseMeasuredValues(quantity, static_cast<const UnitsRecord *>(nullptr), value);
    const UnitsRecord units = UnitsFrom(unit_choices);
    return LocaliseMeasuredValues(quantity, &units, value);
}

float *DelocaliseValues(int quantity, const UnitsRecord *units, const float *value) {
    delocalised = 0.0f;
    if (value == nullptr || units == nullptr) return &delocalised;
    const double v = *value;
    double base = v;
    switch (quantity) {
    case QUANTITY_RELATIVE_PRESSURE:
    case QUANTITY_ABSOLUTE_PRESSURE:
        if (units->pressure_unit == PRESSURE_UNIT_INHG) base = v * HPA_PER_INHG;
        if (quantity == QUANTITY_RELATIVE_PRESSURE) base -= UI_data.pressure.rel_offset;
        break;
    case QUANTITY_INDOOR_TEMPERATURE:
    case QUANTITY_OUTDOOR_TEMPERATURE:
    case QUANTITY_DEWPOINT:
    case QUANTITY_WINDCHILL:
        if (units->temperature_unit == 1) base = FahrenheitToCelsius(v);
        break;
    case QUANTITY_WIND_SPEED:
        switch (units->wind_unit) {
        case WIND_UNIT_KMH: base = v / 3.6; break;
        case WIND_UNIT_MPH: base = v / 0.62137 / 3.6; break;
        case WIND_UNIT_KNOTS: base = v / 0.539597708 / 3.6; break;
        case WIND_UNIT_BEAUFORT: {
            const int force = static_cast<int>(std::lround(std::fmin(std::fmax(v, 0.0), 12.0)));
            base = beaufort_to_mps(&force);
            break;
        }
        default: break;
        }
        break;
    case QUANTITY_RAIN_TOTAL:
    case QUANTITY_RAIN_24H:
    case QUANTITY_RAIN_1H:
        if (units->rain_unit == 1) base = v / INCH_PER_MM;
        break;
    default: break;
    }
    delocalised = static_cast<float>(base);
    return &delocalised;
}

float *DelocaliseValues(int quantity, const int *unit_choices, const float *value) {
    if (unit_choices == nullptr)
        return DelocaliseValues(quantity, static_cast<const UnitsRecord *>(nullptr), value);
    const UnitsRecord units = UnitsFrom(unit_choices);
    return DelocaliseValues(quantity, &units, value);
}
