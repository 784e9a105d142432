// Turns a measured value in its base unit into what the user sees (number in the chosen
// unit, its text, the unit text, gauge limits, the "---" and "OFL" markers) and turns a
// value the user entered back into the base unit.
#pragma once
#include <cstdint>

#include "records/setup_record.h"

// Quantity index: selects the kind of value and which unit choice applies.
constexpr int QUANTITY_RELATIVE_PRESSURE = 0;
constexpr int QUANTITY_ABSOLUTE_PRESSURE = 1;
constexpr int QUANTITY_INDOOR_TEMPERATURE = 2;
constexpr int QUANTITY_OUTDOOR_TEMPERATURE = 3;
constexpr int QUANTITY_DEWPOINT = 4;
constexpr int QUANTITY_WINDCHILL = 5;
constexpr int QUANTITY_WIND_SPEED = 6;
constexpr int QUANTITY_HUMIDITY = 7;
constexpr int QUANTITY_RAIN_TOTAL = 8;
constexpr int QUANTITY_RAIN_24H = 9;
constexpr int QUANTITY_RAIN_1H = 10;

// Status of a LocalisedValue.
constexpr int LOCALISED_VALID = 0;
constexpr int LOCALISED_NOT_AVAILABLE = 1;  // "---" or "OFL"
constexpr int LOCALISED_WIND_OVERFLOW = 2;  // "OFL"
constexpr int LOCALISED_NO_VALUE = -3;      // no value given; nothing else written

constexpr const char *MARKER_NOT_AVAILABLE = "---";
constexpr const char *MARKER_OVERFLOW = "OFL";

// Unit texts, UTF-8 (the degree sign is U+00B0).
constexpr const char *UNIT_TEXT_HPA = "hPa";
constexpr const char *UNIT_TEXT_INHG = "inHg";
constexpr const char *UNIT_TEXT_CELSIUS = "\u00B0C";
constexpr const char *UNIT_TEXT_FAHRENHEIT = "\u00B0F";
constexpr const char *UNIT_TEXT_MPS = "m/s";
constexpr const char *UNIT_TEXT_KMH = "km/h";
constexpr const char *UNIT_TEXT_MPH = "mph";
constexpr const char *UNIT_TEXT_KNOTS = "knt";
constexpr const char *UNIT_TEXT_BEAUFORT = "Bft";
constexpr const char *UNIT_TEXT_PERCENT = "%";
constexpr const char *UNIT_TEXT_MM = "mm";
constexpr const char *UNIT_TEXT_INCH = "inch";

struct LocalisedValue {
    int32_t status;             // LOCALISED_*
    char unit_text[11];         // empty when a marker is shown
    char value_text[21];        // number, or "---" / "OFL"
    char value_unit_text[32];   // "1013.2 hPa", or the marker alone
    float value;                // number in the chosen unit after cutting; 0 (19 for
                                // humidity) when a marker is shown
    float range_max;
    float range_min;
    float scale_max;
    float scale_min;
};

// unit_choices: the five unit ints in settings order (pressure, wind, temperature,
// humidity, rain). The decimal separator is setup.decimal_comma; the pressure correction
// is UI_data.pressure.rel_offset. The result is a per-thread record that the next call on
// the same thread overwrites. A null value gives status -3 and nothing else is written.
// Beaufort (wind unit 4) gives the force as a whole number with unit "Bft"; a unit number
// outside the choices is taken as the base unit.
LocalisedValue *LocaliseMeasuredValues(int quantity, const int *unit_choices,
                                       const float *value);
LocalisedValue *LocaliseMeasuredValues(int quantity, const UnitsRecord *units,
                                       const float *value);

// A value that was never read: the marker "---" with the quantity's ranges in the user's
// unit and `value` at the scale's lower end, so that a gauge shows nothing. The same
// per-thread record as LocaliseMeasuredValues.
LocalisedValue *LocaliseUnknownValue(int quantity, const UnitsRecord *units);

// The status LocaliseMeasuredValues gives a value, without formatting it: for readers that
// go through many values and only need to know which are markers.
int MeasuredValueStatus(int quantity, float raw);

// The value in the user's unit turned back into the base unit. The result is a per-thread
// float that the next call overwrites; a null value gives 0.
float *DelocaliseValues(int quantity, const int *unit_choices, const float *value);
float *DelocaliseValues(int quantity, const UnitsRecord *units, const float *value);
