// Group redraws of the main panel. The min/max texts are built from the localised
// texts of both values in fixed-size buffers; a value that cannot be shown ("---",
// "OFL") passes through as the localisation gives it.
#include "windows/display.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "windows/KOR.h"
#include "windows/alarm_controls.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "records/ui_data.h"
#include "history/history_file.h"
#include "history/station_history.h"
#include "platform/panels.h"
#include "values/conversions.h"
#include "values/localisation.h"
#include "values/time_scales.h"
#include "values/time_texts.h"
#include "records/ui_listeners.h"

namespace {

constexpr int kMinMaxTextSize = 128;
constexpr int kWeatherUnknown = 3;  // the picture for a forecast the console does not give

LocalisedValue Localise(int quantity, const float *value) {
    return *LocaliseMeasuredValues(quantity, &setup.units, value);
}

// A group the console has not delivered yet holds defaults (0 °C is 32 °F): those are
// no readings, so the marker is shown instead, as currdat.lst does.
LocalisedValue LocaliseRead(int kind, int quantity, const float *value) {
    if (!UIGroupDelivered(kind)) return *LocaliseUnknownValue(quantity, &setup.units);
    return Localise(quantity, value);
}

void DimAll(const int *controls, int count, int stale) {
    for (int i = 0; i < count; ++i) SetCtrlAttribute(korP, controls[i], ATTR_DIMMED, stale ? 1 : 0);
}

// " min: <min>" (+ trailing blank) then "\n max: <max>".
void MinMaxText(char *out, int size, const char *min, const char *max, bool blank_after_min) {
    snprintf(out, static_cast<size_t>(size), " min: %s%s\n max: %s", min,
             blank_after_min ? " " : "", max);
}

void ShowTemperatureGroup(int kind, const TempGroup *g, int quantity, const int *controls,
                          int count, int gauge, int value_text, int minmax, bool blank_after_min) {
    const int stale = g->live_timer == 0;
    DimAll(controls, count, stale);
    const LocalisedValue now = LocaliseRead(kind, quantity, &g->current);
    if (gauge != 0) {
        SetCtrlAttribute(korP, gauge, ATTR_MIN_VALUE, static_cast<double>(now.scale_min));
        SetCtrlAttribute(korP, gauge, ATTR_MAX_VALUE, static_cast<double>(now.range_max));
        SetCtrlVal(korP, gauge, static_cast<double>(now.value));
    }
    SetCtrlVal(korP, value_text, now.value_unit_text);
    const LocalisedValue lo = LocaliseRead(kind, quantity, &g->min);
    const LocalisedValue hi = LocaliseRead(kind, quantity, &g->max);
    char text[kMinMaxTextSize];
    MinMaxText(text, sizeof text, lo.value_unit_text, hi.value_unit_text, blank_after_min);
    SetCtrlVal(korP, minmax, text);
}

// Top of a rain gauge's scale: the round number (1, 2 or 5 times a power of ten) at or
// above the value, at least 10 mm or 0.5 inch, so that a few millimetres still make a
// column one can see and a cloudburst still fits.
double RainScaleTop(const LocalisedValue &v) {
    const double least = setup.units.rain_unit == 0 ? 10.0 : 0.5;
    const double value = v.value;
    if (v.status != LOCALISED_VALID || !(value > least)) return least;
    const double magnitude = std::pow(10.0, std::floor(std::log10(value)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (factor * magnitude >= value) return factor * magnitude;
    return 10.0 * magnitude;
}

void ShowRainGauge(int quantity, float value, int gauge, int text) {
    const LocalisedValue v = LocaliseRead(19, quantity, &value);
    SetCtrlAttribute(korP, gauge, ATTR_MIN_VALUE, static_cast<double>(v.scale_min));
    SetCtrlAttribute(korP, gauge, ATTR_MAX_VALUE, RainScaleTop(v));
    // The unit goes with the scale's marks: "20 mm" at the top.
    SetCtrlAttribute(korP, gauge, ATTR_LABEL_TEXT, v.unit_text);
    SetCtrlVal(korP, gauge, static_cast<double>(v.value));
    SetCtrlVal(korP, text, v.value_unit_text);
}

void ShowRainMax(int quantity, float value, int control) {
    const LocalisedValue v = LocaliseRead(19, quantity, &value);
    char text[kMinMaxTextSize];
    snprintf(text, sizeof text, " max: %s", v.value_unit_text);
    SetCtrlVal(korP, control, text);
}

int PressureQuantity() {
    return setup.absolute_pressure ? QUANTITY_ABSOLUTE_PRESSURE : QUANTITY_RELATIVE_PRESSURE;
}

const char *const kBearings[16] = {"0", "22.5", "45", "67.5", "90", "112.5", "135", "157.5",
                                   "180", "202.5", "225", "247.5", "270", "292.5", "315", "337.5"};

void ShowReception(const UIRecord *r) { SetCtrlVal(korP, KORP_RECEPTION, r->kind == 0 ? 1 : 0); }

void ShowGroupRecord(const UIRecord *r) {
    switch (r->kind) {
    case 7: ShowWind(&UI_data.wind); return;
    case 8: ShowIndoorTemperature(&UI_data.indoor_temp); return;
    case 9: ShowOutdoorTemperature(&UI_data.outdoor_temp); return;
    case 10: ShowWindchill(&UI_data.windchill); return;
    case 11: ShowDewpoint(&UI_data.dewpoint); return;
    case 12: ShowIndoorHumidity(&UI_data.indoor_hum); return;
    case 13: ShowOutdoorHumidity(&UI_data.outdoor_hum); return;
    case 14: ShowAlarmEnables(&UI_data.alarm_enable); return;
    case 16: ShowPressureValue(&UI_data.pressure); return;
    case 17: ShowPressureMinMax(&UI_data.pressure); return;
    case 18: ShowWeatherPicture(&UI_data.pressure); return;
    case 19: ShowRain(&UI_data.rain); return;
    default: return;  // 15: the blink timer shows the alarm states
    }
}

}  // namespace

void GetDirectionString(int direction, char *name, char *name_and_bearing) {
    char own_name[304];
    if (direction < 0 || direction > 15) {
        if (name != nullptr) snprintf(name, sizeof own_name, "---");
        if (name_and_bearing != nullptr) snprintf(name_and_bearing, kDirectionTextSize, "---\n---");
        return;
    }
    GetPanelText(TXTP_DIR_0 + direction, own_name, sizeof own_name);
    if (name != nullptr) snprintf(name, sizeof own_name, "%s", own_name);
    if (name_and_bearing == nullptr) return;
    char bearing[16];
    snprintf(bearing, sizeof bearing, "%s", kBearings[direction]);
    if (setup.decimal_comma) {
        char *dot = strchr(bearing, '.');
        if (dot != nullptr) *dot = ',';
    }
    snprintf(name_and_bearing, kDirectionTextSize, "%s\n%s\u00B0", own_name, bearing);
}

void SetUIDataToDefault() {
    SetKORDataToDefault(&UI_data);
    ForgetUIGroupsDelivered();
    SetFileHistoryHeaderToDefault(&UI_data.file_header);
    SetKORHistoryHeaderToDefault(&UI_data.station_header);
}

void ShowIndoorTemperature(const TempGroup *g) {
    static const int controls[] = {KORP_ITEMP_GAUGE, KORP_ITEMP, KORP_ITEMP_MINMAX};
    ShowTemperatureGroup(8, g, QUANTITY_INDOOR_TEMPERATURE, controls, 3, KORP_ITEMP_GAUGE, KORP_ITEMP,
                         KORP_ITEMP_MINMAX, true);
}

void ShowOutdoorTemperature(const TempGroup *g) {
    static const int controls[] = {KORP_OTEMP_GAUGE, KORP_OTEMP, KORP_OTEMP_MINMAX};
    ShowTemperatureGroup(9, g, QUANTITY_OUTDOOR_TEMPERATURE, controls, 3, KORP_OTEMP_GAUGE,
                         KORP_OTEMP, KORP_OTEMP_MINMAX, true);
}

void ShowWindchill(const TempGroup *g) {
    static const int controls[] = {KORP_CHILL, KORP_CHILL_MINMAX};
    ShowTemperatureGroup(10, g, QUANTITY_WINDCHILL, controls, 2, 0, KORP_CHILL, KORP_CHILL_MINMAX, false);
}

void ShowDewpoint(const TempGroup *g) {
    static const int controls[] = {KORP_DEW, KORP_DEW_MINMAX};
    ShowTemperatureGroup(11, g, QUANTITY_DEWPOINT, controls, 2, 0, KORP_DEW, KORP_DEW_MINMAX, false);
}

void ShowIndoorHumidity(const TempGroup *g) {
    static const int controls[] = {KORP_IHUM, KORP_IHUM_MINMAX};
    DimAll(controls, 2, g->live_timer == 0);
    const LocalisedValue now = LocaliseRead(12, QUANTITY_HUMIDITY, &g->current);
    if (now.status >= 0) SetCtrlVal(korP, KORP_IHUM, now.value_unit_text);
    if (!UIGroupDelivered(12)) {
        char text[kMinMaxTextSize];
        MinMaxText(text, sizeof text, MARKER_NOT_AVAILABLE, MARKER_NOT_AVAILABLE, true);
        SetCtrlVal(korP, KORP_IHUM_MINMAX, text);
        return;
    }
    const MinMaxTexts *t = GetMinMaxText(2, &g->min, nullptr, &g->max, nullptr);
    SetCtrlVal(korP, KORP_IHUM_MINMAX, t->both);
}

void ShowOutdoorHumidity(const TempGroup *g) {
    static const int controls[] = {KORP_OHUM, KORP_OHUM_MINMAX};
    DimAll(controls, 2, g->live_timer == 0);
    const LocalisedValue now = LocaliseRead(13, QUANTITY_HUMIDITY, &g->current);
    if (now.status >= 0) SetCtrlVal(korP, KORP_OHUM, now.value_unit_text);
    const LocalisedValue lo = LocaliseRead(13, QUANTITY_HUMIDITY, &g->min);
    if (lo.status < 0) return;
    const LocalisedValue hi = LocaliseRead(13, QUANTITY_HUMIDITY, &g->max);
    if (hi.status < 0) return;
    char text[kMinMaxTextSize];
    MinMaxText(text, sizeof text, lo.value_unit_text, hi.value_unit_text, true);
    SetCtrlVal(korP, KORP_OHUM_MINMAX, text);
}

void ShowPressureValue(const PressureGroup *g) {
    SetCtrlAttribute(korP, KORP_PRESSURE, ATTR_DIMMED, g->live_timer == 0 ? 1 : 0);
    const LocalisedValue now = LocaliseRead(16, PressureQuantity(), &g->current);
    SetCtrlVal(korP, KORP_PRESSURE, now.value_unit_text);
}

void ShowPressureMinMax(const PressureGroup *g) {
    SetCtrlAttribute(korP, KORP_PRESS_MINMAX, ATTR_DIMMED, g->live_timer == 0 ? 1 : 0);
    const LocalisedValue lo = LocaliseRead(16, PressureQuantity(), &g->min);
    const LocalisedValue hi = LocaliseRead(16, PressureQuantity(), &g->max);
    char text[kMinMaxTextSize];
    MinMaxText(text, sizeof text, lo.value_unit_text, hi.value_unit_text, false);
    SetCtrlVal(korP, KORP_PRESS_MINMAX, text);
}

void ShowWeatherPicture(const PressureGroup *g) {
    static const int controls[] = {KORP_WEATHER, KORP_TREND};
    DimAll(controls, 2, g->live_timer == 0);
    const bool read = UIGroupDelivered(18);
    SetCtrlVal(korP, KORP_WEATHER, read ? static_cast<int>(g->weather) : kWeatherUnknown);
    SetCtrlVal(korP, KORP_TREND, read ? static_cast<int>(g->trend) : 0);
}

void ShowWind(const WindGroup *g) {
    static const int controls[] = {KORP_WIND, KORP_WIND_MINMAX, KORP_WIND_DIR, KORP_WIND_COMPASS,
                                   KORP_BEAUFORT};
    const int stale = g->live_timer == 0;
    DimAll(controls, 5, stale);
    const LocalisedValue now = LocaliseRead(7, QUANTITY_WIND_SPEED, &g->current);
    SetCtrlVal(korP, KORP_WIND, now.value_unit_text);
    const int direction = now.status == LOCALISED_NOT_AVAILABLE ? 16 : g->direction;
    char text[kDirectionTextSize];
    GetDirectionString(direction, nullptr, text);
    SetCtrlVal(korP, KORP_WIND_DIR, text);
    SetCtrlVal(korP, KORP_WIND_COMPASS, direction >= 0 && direction <= 15 ? direction : 16);
    int beaufort = 12;
    if (now.status != LOCALISED_WIND_OVERFLOW) {
        const float speed = g->current - 0.0049999f;
        beaufort = static_cast<int>(std::lround(ConvertSpeedFromUnitToUnit(0, 4, &speed)));
    }
    if (now.status == LOCALISED_NOT_AVAILABLE) {
        SetCtrlVal(korP, KORP_BEAUFORT, "--");
        SetCtrlAttribute(korP, KORP_BEAUFORT, ATTR_DIMMED, 1);
    } else {
        snprintf(text, sizeof text, "%d", beaufort);
        SetCtrlVal(korP, KORP_BEAUFORT, text);
    }
    const LocalisedValue lo = LocaliseRead(7, QUANTITY_WIND_SPEED, &g->min);
    const LocalisedValue hi = LocaliseRead(7, QUANTITY_WIND_SPEED, &g->max);
    char minmax[kMinMaxTextSize];
    MinMaxText(minmax, sizeof minmax, lo.value_unit_text, hi.value_unit_text, false);
    SetCtrlVal(korP, KORP_WIND_MINMAX, minmax);
}

void ShowRain(const RainGroup *g) {
    static const int controls[] = {KORP_RAIN_TOTAL_GAUGE, KORP_RAIN_TOTAL, KORP_RAIN_24H_GAUGE,
                                   KORP_RAIN_24H, KORP_RAIN_1H_GAUGE, KORP_RAIN_1H,
                                   KORP_RAIN_MAX_1H, KORP_RAIN_MAX_24H};
    DimAll(controls, 8, g->live_timer == 0);
    ShowRainGauge(QUANTITY_RAIN_TOTAL, g->total.value, KORP_RAIN_TOTAL_GAUGE, KORP_RAIN_TOTAL);
    ShowRainGauge(QUANTITY_RAIN_1H, g->rain_1h, KORP_RAIN_1H_GAUGE, KORP_RAIN_1H);
    ShowRainGauge(QUANTITY_RAIN_24H, g->rain_24h, KORP_RAIN_24H_GAUGE, KORP_RAIN_24H);
    ShowRainMax(QUANTITY_RAIN_1H, g->max_1h.value, KORP_RAIN_MAX_1H);
    ShowRainMax(QUANTITY_RAIN_24H, g->max_24h.value, KORP_RAIN_MAX_24H);
}

void ShowAlarmEnables(const AlarmFlags *g) {
    const int stale = g->live_timer == 0;
    for (int flag = 1; flag < kAlarmFlagCount; ++flag) {
        const int control = AlarmBellControl(flag);
        if (control == 0) continue;
        SetCtrlVal(korP, control, g->flag[flag] ? 1 : 0);
        SetCtrlAttribute(korP, control, ATTR_DIMMED, stale ? 1 : 0);
    }
}

void ActualiseCurrentInfoFileHeader(const HistoryFileHeader *header) {
    char caption_file[304], caption_first[304], caption_last[304];
    GetPanelText(TXTP_INFO_FILE, caption_file, sizeof caption_file);
    GetPanelText(TXTP_INFO_FIRST, caption_first, sizeof caption_first);
    GetPanelText(TXTP_INFO_LAST, caption_last, sizeof caption_last);
    char path[sizeof setup.history_file + 1];
    memcpy(path, setup.history_file, sizeof setup.history_file);
    path[sizeof setup.history_file] = '\0';
    const char *file = strrchr(path, '/');
    file = file != nullptr ? file + 1 : path;
    char first[TIME_DATE_TEXT_SIZE] = "--.---- --:--";
    char last[TIME_DATE_TEXT_SIZE] = "--.---- --:--";
    if (header->count > 0) {
        uint32_t times[2] = {header->first_time, header->last_time};
        char *outs[2] = {first, last};
        for (int i = 0; i < 2; ++i) {
            GMTToLocalTime(&times[i]);
            const time_t t = static_cast<time_t>(times[i]);
            struct tm fields;
            if (gmtime_r(&t, &fields) == nullptr) continue;
            const int32_t stamp[6] = {fields.tm_sec, fields.tm_min, fields.tm_hour,
                                      fields.tm_mday, fields.tm_mon, fields.tm_year};
            GetTimeDateString(stamp, outs[i], nullptr, nullptr);
        }
    }
    char count[320];
    DataSetCountText(header->count, count, sizeof count);
    char text[2048];
    snprintf(text, sizeof text, " %s\n %s \n %s%s \n %s%s \n %s", caption_file, file,
             caption_first, first, caption_last, last, count);
    if (korP > 0) SetCtrlVal(korP, KORP_HISTORY_INFO, text);
    if (historyP > 0) SetCtrlVal(historyP, HISTORYP_INFO, text);
}

void DataSetCountText(long long count, char *out, int size) {
    char word[304];
    GetPanelText(count == 1 ? TXTP_INFO_COUNT_ONE : TXTP_INFO_COUNT, word, sizeof word);
    snprintf(out, static_cast<size_t>(size), "%lld %s", count, word);
}

int RefreshKORPanelSurface() {
    ShowRain(&UI_data.rain);
    ShowAlarmEnables(&UI_data.alarm_enable);
    ShowIndoorTemperature(&UI_data.indoor_temp);
    ShowOutdoorTemperature(&UI_data.outdoor_temp);
    ShowWind(&UI_data.wind);
    ShowPressureValue(&UI_data.pressure);
    ShowPressureMinMax(&UI_data.pressure);
    ShowWeatherPicture(&UI_data.pressure);
    ShowIndoorHumidity(&UI_data.indoor_hum);
    ShowOutdoorHumidity(&UI_data.outdoor_hum);
    ShowWindchill(&UI_data.windchill);
    ShowDewpoint(&UI_data.dewpoint);
    ActualiseCurrentInfoFileHeader(&UI_data.file_header);
    // The other views follow units, number style and language like the panel.
    HandSurfaceRefreshToListeners();
    return 0;
}

void RegisterDisplayListeners() {
    (void)ListenToUIRecords(0, 1, ShowReception);
    (void)ListenToUIRecords(7, 19, ShowGroupRecord);
}
