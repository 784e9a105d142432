// Other programs read currdat.lst instead of the serial port. It always holds every unit,
// always a decimal point whatever the user chose for the display, and placeholders for
// anything that has gone stale, so a reader never mistakes an old value for a new one.
#include "exchange/current_data.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "records/ui_data.h"
#include "values/conversions.h"
#include "values/localisation.h"

IniText h_current_data_list = nullptr;

namespace {

// Index of each unit in a unit-choice block.
enum UnitSlot { SLOT_PRESSURE, SLOT_WIND, SLOT_TEMPERATURE, SLOT_HUMIDITY, SLOT_RAIN };

struct Direction {
    const char *name;
    const char *degrees;
};
constexpr Direction kDirections[16] = {
    {"N", "0.0"},     {"NNE", "22.5"},  {"NE", "45.0"},  {"ENE", "67.5"},
    {"E", "90.0"},    {"ESE", "112.5"}, {"SE", "135.0"}, {"SSE", "157.5"},
    {"S", "180.0"},   {"SSW", "202.5"}, {"SW", "225.0"}, {"WSW", "247.5"},
    {"W", "270.0"},   {"WNW", "292.5"}, {"NW", "315.0"}, {"NNW", "337.5"},
};

// Placeholders of the start-up list.
constexpr const char *kTemperatureC = "--.-";
constexpr const char *kTemperatureF = "---.-";
constexpr const char *kHumidity = "--";
constexpr const char *kSpeedMps = "--.-";
constexpr const char *kSpeedOther = "---.-";
constexpr const char *kBeaufort = "--";
constexpr const char *kDegrees = "---.-";
constexpr const char *kName = "---";
constexpr const char *kRainTotalMm = "----.-";
constexpr const char *kRainTotalInch = "---.--";
constexpr const char *kRainMm = "---.-";
constexpr const char *kRainInch = "--.--";
constexpr const char *kPressureHpa = "----.-";
constexpr const char *kPressureInhg = "---.--";

struct Text {
    char value[32];
    int status;
};

// The value in one unit, with a decimal point whatever the display uses.
Text ValueIn(int quantity, int slot, int unit, float value) {
    int units[5] = {0, 0, 0, 0, 0};
    units[slot] = unit;
    const LocalisedValue *v = LocaliseMeasuredValues(quantity, units, &value);
    Text t{};
    snprintf(t.value, sizeof t.value, "%s", v->value_text);
    t.status = v->status;
    if (char *comma = strchr(t.value, ',')) *comma = '.';
    return t;
}

void Put(IniText list, const char *section, const char *key, const char *value) {
    // Fixed names and values without line breaks: a put cannot be refused.
    (void)Ini_PutRawString(list, section, key, value);
}

void CtimeText(uint32_t seconds, char *out, size_t size) {
    const time_t t = seconds;
    char text[64];
    if (ctime_r(&t, text) == nullptr) {
        snprintf(out, size, "%s", "");
        return;
    }
    text[strcspn(text, "\n")] = '\0';
    snprintf(out, size, "%s", text);
}

void PutTime(IniText list, const char *key, uint32_t seconds) {
    char text[64];
    char date_key[64];
    Ini_PutUInt(list, "time", key, seconds);
    CtimeText(seconds, text, sizeof text);
    snprintf(date_key, sizeof date_key, "%s_date_string", key);
    Put(list, "time", date_key, text);
}

void PutTemperature(IniText list, const char *section, int quantity, const TempGroup &group,
                    int *stale) {
    if (group.live_timer <= 0) {
        ++*stale;
        Put(list, section, "deg_C", kTemperatureC);
        Put(list, section, "deg_F", kTemperatureF);
        return;
    }
    Put(list, section, "deg_C", ValueIn(quantity, SLOT_TEMPERATURE, 0, group.current).value);
    Put(list, section, "deg_F", ValueIn(quantity, SLOT_TEMPERATURE, 1, group.current).value);
}

void PutHumidity(IniText list, const char *section, const TempGroup &group, int *stale) {
    if (group.live_timer <= 0) {
        ++*stale;
        Put(list, section, "percent", kHumidity);
        return;
    }
    Put(list, section, "percent",
        ValueIn(QUANTITY_HUMIDITY, SLOT_HUMIDITY, 0, group.current).value);
}

void PutWindPlaceholders(IniText list) {
    Put(list, "wind_speed", "mps", kSpeedMps);
    Put(list, "wind_speed", "kmh", kSpeedOther);
    Put(list, "wind_speed", "mph", kSpeedOther);
    Put(list, "wind_speed", "knt", kSpeedOther);
    Put(list, "wind_speed", "bft", kBeaufort);
    Put(list, "wind_direction", "deg", kDegrees);
    Put(list, "wind_direction", "name", kName);
}

void PutWind(IniText list, const WindGroup &wind, int *stale) {
    if (wind.live_timer <= 0) {
        ++*stale;
        PutWindPlaceholders(list);
        return;
    }
    char name[DIRECTION_NAME_SIZE];
    char degrees[DIRECTION_DEGREES_SIZE];
    GetDirectionStringForList(wind.direction, name, degrees);
    Put(list, "wind_direction", "deg", degrees);
    Put(list, "wind_direction", "name", name);
    const float speed = wind.current;
    Put(list, "wind_speed", "kmh", ValueIn(QUANTITY_WIND_SPEED, SLOT_WIND, 1, speed).value);
    Put(list, "wind_speed", "mph", ValueIn(QUANTITY_WIND_SPEED, SLOT_WIND, 2, speed).value);
    Put(list, "wind_speed", "knt", ValueIn(QUANTITY_WIND_SPEED, SLOT_WIND, 3, speed).value);
    const Text mps = ValueIn(QUANTITY_WIND_SPEED, SLOT_WIND, 0, speed);
    Put(list, "wind_speed", "mps", mps.value);
    char bft[16];
    if (mps.status == LOCALISED_VALID) {
        // Just under a force's lower bound still counts as the force below it.
        const float below = speed - 0.0049999f;
        const float force = ConvertSpeedFromUnitToUnit(WIND_UNIT_MPS, WIND_UNIT_BEAUFORT, &below);
        snprintf(bft, sizeof bft, "%2.0f", static_cast<double>(force));
        if (char *comma = strchr(bft, ',')) *comma = '.';
    } else {
        snprintf(bft, sizeof bft, "%s", kBeaufort);
    }
    if (mps.status == LOCALISED_NOT_AVAILABLE) {
        Put(list, "wind_direction", "deg", kDegrees);
        Put(list, "wind_direction", "name", kName);
    } else if (mps.status == LOCALISED_WIND_OVERFLOW) {
        snprintf(bft, sizeof bft, "%s", "12");
    }
    Put(list, "wind_speed", "bft", bft);
}

void PutRain(IniText list, const RainGroup &rain, int *stale) {
    if (rain.live_timer <= 0) {
        ++*stale;
        Put(list, "rain_total", "mm", kRainTotalMm);
        Put(list, "rain_24h", "mm", kRainMm);
        Put(list, "rain_1h", "mm", kRainMm);
        Put(list, "rain_total", "inch", kRainTotalInch);
        Put(list, "rain_24h", "inch", kRainInch);
        Put(list, "rain_1h", "inch", kRainInch);
        return;
    }
    Put(list, "rain_total", "mm", ValueIn(QUANTITY_RAIN_TOTAL, SLOT_RAIN, 0, rain.total.value).value);
    Put(list, "rain_24h", "mm", ValueIn(QUANTITY_RAIN_24H, SLOT_RAIN, 0, rain.rain_24h).value);
    Put(list, "rain_1h", "mm", ValueIn(QUANTITY_RAIN_1H, SLOT_RAIN, 0, rain.rain_1h).value);
    Put(list, "rain_total", "inch",
        ValueIn(QUANTITY_RAIN_TOTAL, SLOT_RAIN, 1, rain.total.value).value);
    Put(list, "rain_24h", "inch", ValueIn(QUANTITY_RAIN_24H, SLOT_RAIN, 1, rain.rain_24h).value);
    Put(list, "rain_1h", "inch", ValueIn(QUANTITY_RAIN_1H, SLOT_RAIN, 1, rain.rain_1h).value);
}

void PutPressure(IniText list, const PressureGroup &pressure, int *stale) {
    if (pressure.live_timer <= 0) {
        ++*stale;
        Put(list, "pressure_absolute", "hpa", kPressureHpa);
        Put(list, "pressure_relative", "hpa", kPressureHpa);
        Put(list, "pressure_absolute", "inhg", kPressureInhg);
        Put(list, "pressure_relative", "inhg", kPressureInhg);
        Ini_PutInt(list, "weather_picture", "number", -1);
        Ini_PutInt(list, "weather_tendency", "number", -1);
        return;
    }
    const float p = pressure.current;
    Put(list, "pressure_absolute", "hpa",
        ValueIn(QUANTITY_ABSOLUTE_PRESSURE, SLOT_PRESSURE, 0, p).value);
    Put(list, "pressure_relative", "hpa",
        ValueIn(QUANTITY_RELATIVE_PRESSURE, SLOT_PRESSURE, 0, p).value);
    Put(list, "pressure_absolute", "inHg",
        ValueIn(QUANTITY_ABSOLUTE_PRESSURE, SLOT_PRESSURE, 1, p).value);
    Put(list, "pressure_relative", "inHg",
        ValueIn(QUANTITY_RELATIVE_PRESSURE, SLOT_PRESSURE, 1, p).value);
    Ini_PutInt(list, "weather_picture", "number", pressure.weather);
    Ini_PutInt(list, "weather_tendency", "number", pressure.trend);
}

void PutStormAlarm(IniText list, const AlarmFlags &state, int *stale) {
    if (state.live_timer <= 0) {
        ++*stale;
        Ini_PutInt(list, "storm_alarm", "number", -1);
        return;
    }
    Ini_PutInt(list, "storm_alarm", "number", state.flag[1]);
}

}  // namespace

void GetDirectionStringForList(int direction, char *name, char *degrees) {
    const bool known = direction >= 0 && direction < 16;
    if (name != nullptr)
        snprintf(name, DIRECTION_NAME_SIZE, "%s", known ? kDirections[direction].name : kName);
    if (degrees != nullptr)
        snprintf(degrees, DIRECTION_DEGREES_SIZE, "%s",
                 known ? kDirections[direction].degrees : kDegrees);
}

void InitCurrentDataListAt(IniText list, uint32_t now) {
    Put(list, "header", "programm_name", "clear horizon");
    Put(list, "header", "programm_version", "Ver. 2.0 beta release");
    Put(list, "header", "file_name", CURRENT_DATA_FILE_NAME);
    Put(list, "header", "file_format_version", "ver. 1.0");
    PutTime(list, "start", now);
    PutTime(list, "last_actualisation", now);
    PutTime(list, "next_actualisation", now + CURRENT_DATA_INTERVAL_STALE);
    Put(list, "weather_picture", "comment", "-1=not valid, 0=rain, 1=cloud, 2=sun");
    Ini_PutInt(list, "weather_picture", "number", -1);
    Put(list, "weather_tendency", "comment_1",
        "-1=not valid,            0=no change of air pressure");
    Put(list, "weather_tendency", "comment_2", " 1=air pressure rising,  2=air pressure falling");
    Ini_PutInt(list, "weather_tendency", "number", -1);
    for (const char *section :
         {"indoor_temperature", "outdoor_temperature"}) {
        Put(list, section, "deg_C", kTemperatureC);
        Put(list, section, "deg_F", kTemperatureF);
    }
    Put(list, "indoor_humidity", "percent", kHumidity);
    Put(list, "outdoor_humidity", "percent", kHumidity);
    for (const char *section : {"dewpoint", "windchill"}) {
        Put(list, section, "deg_C", kTemperatureC);
        Put(list, section, "deg_F", kTemperatureF);
    }
    PutWindPlaceholders(list);
    Put(list, "rain_total", "mm", kRainTotalMm);
    Put(list, "rain_total", "inch", kRainTotalInch);
    for (const char *section : {"rain_24h", "rain_1h"}) {
        Put(list, section, "mm", kRainMm);
        Put(list, section, "inch", kRainInch);
    }
    for (const char *section : {"pressure_absolute", "pressure_relative"}) {
        Put(list, section, "hpa", kPressureHpa);
        Put(list, section, "inhg", kPressureInhg);
    }
    Put(list, "storm_alarm", "comment",
        "-1=not valid, 0=storm alarm not activ, 1=storm alarm activ");
    Ini_PutInt(list, "storm_alarm", "number", 0);
}

void InitCurrentDataList(IniText list) {
    InitCurrentDataListAt(list, static_cast<uint32_t>(time(nullptr)));
}

int RefreshCurrentDataListAt(IniText list, uint32_t now) {
    int stale = 0;
    PutTemperature(list, "indoor_temperature", QUANTITY_INDOOR_TEMPERATURE, UI_data.indoor_temp,
                   &stale);
    PutTemperature(list, "outdoor_temperature", QUANTITY_OUTDOOR_TEMPERATURE,
                   UI_data.outdoor_temp, &stale);
    PutTemperature(list, "dewpoint", QUANTITY_DEWPOINT, UI_data.dewpoint, &stale);
    PutTemperature(list, "windchill", QUANTITY_WINDCHILL, UI_data.windchill, &stale);
    PutHumidity(list, "indoor_humidity", UI_data.indoor_hum, &stale);
    PutHumidity(list, "outdoor_humidity", UI_data.outdoor_hum, &stale);
    PutWind(list, UI_data.wind, &stale);
    PutRain(list, UI_data.rain, &stale);
    PutPressure(list, UI_data.pressure, &stale);
    PutStormAlarm(list, UI_data.alarm_state, &stale);
    const int interval = stale > 0 ? CURRENT_DATA_INTERVAL_STALE : CURRENT_DATA_INTERVAL_FRESH;
    PutTime(list, "last_actualisation", now);
    PutTime(list, "next_actualisation", now + static_cast<uint32_t>(interval));
    return interval;
}

int RefreshCurrentDataList(IniText list) {
    return RefreshCurrentDataListAt(list, static_cast<uint32_t>(time(nullptr)));
}

int SaveCurrentDataList(IniText list) { return Ini_WriteToFile(list, CURRENT_DATA_FILE_NAME); }

int RefreshCurrentDataFile(IniText list) {
    const int interval = RefreshCurrentDataList(list);
    // A failed write is not reported; the next refresh writes the whole file again.
    (void)SaveCurrentDataList(list);
    return interval;
}
