// The alarm dialog. Its value field and OK button stay dimmed until the threshold read
// back from the station has arrived (the dispatcher fills and undims them), so the user
// always edits what the station holds. Whether the threshold was changed is judged on
// the number the field showed, in the user's unit: comparing in base units would take a
// value cut for display (18.2 degC shown as 64.7 degF comes back as 18.17 degC) for a
// change and write the cut value to the station.
#include "windows/alarm_dialog.h"

#include <cmath>
#include <cstdio>

#include "windows/KOR.h"
#include "windows/accessible_names.h"
#include "windows/alarm_controls.h"
#include "windows/alarm_display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "records/ui_data.h"
#include "platform/panels.h"
#include "windows/alarm_table.h"
#include "windows/command_sender.h"
#include "values/conversions.h"
#include "values/localisation.h"

namespace {

constexpr int kReadBackRequested = 30;
constexpr int kReadAlarmFlags = 6;
constexpr int kIndoorColour = 0x008000;
constexpr int kOutdoorColour = 0x0000FF;
constexpr int kDirectionCount = 16;
// What the station's temperature alarm field holds: three digits of (value + 30) x 10.
constexpr float kStationTemperatureLowest = -30.0f;
constexpr float kStationTemperatureHighest = 69.9f;

const int kValueControls[] = {SETALARMP_TEMP, SETALARMP_VALUE, SETALARMP_RAIN};

int FieldOf(const AlarmRow &row) {
    if (row.kind == ALARM_KIND_TEMPERATURE) return SETALARMP_TEMP;
    if (row.kind == ALARM_KIND_RAIN) return SETALARMP_RAIN;
    return SETALARMP_VALUE;
}

bool HasThreshold(const AlarmRow &row) {
    return row.kind == ALARM_KIND_TEMPERATURE || row.kind == ALARM_KIND_VALUE ||
           row.kind == ALARM_KIND_RAIN;
}

bool IsPressure(const AlarmRow &row) { return row.second_code != 0; }

int DecimalsOf(const AlarmRow &row) {
    switch (row.quantity) {
    case QUANTITY_WIND_SPEED:
    case QUANTITY_HUMIDITY: return 0;
    case QUANTITY_ABSOLUTE_PRESSURE:
    case QUANTITY_RELATIVE_PRESSURE: return setup.units.pressure_unit == PRESSURE_UNIT_INHG ? 2 : 1;
    case QUANTITY_RAIN_1H:
    case QUANTITY_RAIN_24H: return setup.units.rain_unit == 1 ? 2 : 1;
    default: return 1;
    }
}

float Localised(int quantity, float base) {
    return LocaliseMeasuredValues(quantity, &setup.units, &base)->value;
}

void HideAll() {
    for (int control : kValueControls) {
        SetCtrlAttribute(set_alarmP, control, ATTR_DIMMED, 1);
        SetCtrlAttribute(set_alarmP, control, ATTR_VISIBLE, 0);
    }
    SetCtrlAttribute(set_alarmP, SETALARMP_OK, ATTR_DIMMED, 1);
    for (int i = 0; i < kDirectionCount; ++i)
        SetCtrlAttribute(set_alarmP, SETALARMP_DIR_0 + i, ATTR_VISIBLE, 0);
    SetCtrlAttribute(set_alarmP, SETALARMP_ENABLE, ATTR_VISIBLE, 0);
    SetCtrlAttribute(set_alarmP, SETALARMP_UNIT, ATTR_VISIBLE, 0);
    SetCtrlAttribute(set_alarmP, SETALARMP_THRESHOLD_LABEL, ATTR_VISIBLE, 0);
}

void ShowThresholdLabel(int text) {
    char label[304];
    GetPanelText(text, label, sizeof label);
    SetCtrlVal(set_alarmP, SETALARMP_THRESHOLD_LABEL, label);
    SetCtrlAttribute(set_alarmP, SETALARMP_THRESHOLD_LABEL, ATTR_VISIBLE, 1);
    NameThresholdFields();
}

// The field's limits: the quantity's range in the user's unit, and for temperatures no
// more than the station's alarm field can hold (70 degC would be stored as -30 degC).
void SetFieldRange(const AlarmRow &row, int field, const LocalisedValue &shown) {
    double lowest = shown.range_min;
    double highest = shown.range_max;
    if (row.kind == ALARM_KIND_TEMPERATURE) {
        lowest = std::fmax(lowest, Localised(row.quantity, kStationTemperatureLowest));
        highest = std::fmin(highest, Localised(row.quantity, kStationTemperatureHighest));
    }
    SetCtrlAttribute(set_alarmP, field, ATTR_MIN_VALUE, lowest);
    SetCtrlAttribute(set_alarmP, field, ATTR_MAX_VALUE, highest);
}

void PrepareThreshold(const AlarmRow &row) {
    const int field = FieldOf(row);
    const LocalisedValue shown =
        *LocaliseMeasuredValues(row.quantity, &setup.units, &UI_data.alarm_values[row.entry].value);
    // The unit of a threshold shown as "---" still has to be named.
    const float zero = 0.0f;
    const LocalisedValue unit = *LocaliseMeasuredValues(row.quantity, &setup.units, &zero);
    SetCtrlAttribute(set_alarmP, field, ATTR_PRECISION, DecimalsOf(row));
    SetFieldRange(row, field, shown);
    SetCtrlVal(set_alarmP, field, static_cast<double>(shown.value));
    SetCtrlVal(set_alarmP, SETALARMP_UNIT, unit.unit_text);
    if (row.kind == ALARM_KIND_TEMPERATURE)
        SetCtrlAttribute(set_alarmP, field, ATTR_TEXT_COLOR,
                         row.quantity == QUANTITY_INDOOR_TEMPERATURE ? kIndoorColour : kOutdoorColour);
    SetCtrlAttribute(set_alarmP, SETALARMP_UNIT, ATTR_VISIBLE, 1);
    SetCtrlAttribute(set_alarmP, field, ATTR_VISIBLE, 1);
    ShowThresholdLabel(row.sense == ALARM_HIGH ? TXTP_ALARM_ABOVE : TXTP_ALARM_BELOW);
}

void PrepareDirections() {
    const uint32_t mask = UI_data.alarm_values[ALARM_WIND_DIRECTION].direction_mask;
    for (int i = 0; i < kDirectionCount; ++i) {
        const int box = SETALARMP_DIR_0 + i;
        SetCtrlVal(set_alarmP, box, static_cast<int>((mask >> i) & 1u));
        // Undimmed with the mask read back from the station.
        SetCtrlAttribute(set_alarmP, box, ATTR_DIMMED, 1);
        SetCtrlAttribute(set_alarmP, box, ATTR_VISIBLE, 1);
    }
    ShowThresholdLabel(TXTP_ALARM_DIRECTIONS);
}

// "<group>: <quantity>" from the main panel's own labels, so the title follows the
// language; the pressure caption and the storm label stand alone.
void SetTitle(const AlarmRow &row) {
    char label[304];
    char group[304] = "";
    char title[620];
    GetCtrlString(korP, row.label, label, sizeof label);
    if (row.group != 0) GetCtrlString(korP, row.group, group, sizeof group);
    if (group[0] != '\0')
        snprintf(title, sizeof title, "%s: %s", group, label);
    else
        snprintf(title, sizeof title, "%s", label);
    SetPanelAttribute(set_alarmP, ATTR_TITLE, title);
}

int OpenAlarm(int index, int event) {
    // One click opens it; a double click (its first click already did) or a right click too.
    if (event != EVENT_LEFT_CLICK && event != EVENT_LEFT_DOUBLE_CLICK && event != EVENT_RIGHT_CLICK)
        return 0;
    const AlarmRow *row = AlarmRowOf(index);
    if (row == nullptr) return 0;
    InitSetAlarmPanel(index);
    SetTitle(*row);
    SetCtrlVal(set_alarmP, SETALARMP_ENABLE, UI_data.alarm_enable.flag[row->flag] ? 1 : 0);
    if (row->read_code != 0) {
        CommandRecord read = MakeCommandRecord(row->read_code);
        read.read_back = kReadBackRequested;
        if (SendCommandRecord(&read) != 0) {
            // Without the station's threshold the dialog could only be cancelled.
            ReportCommandNotSent();
            return 0;
        }
    }
    InstallPopup(set_alarmP);
    return 0;
}

int OpenPressureAlarm(bool high, int event) {
    if (setup.absolute_pressure) return OpenAlarm(high ? 11 : 12, event);
    return OpenAlarm(high ? 13 : 14, event);
}

// The number the field showed for the station's threshold, as the dispatcher put it there.
double ShownThreshold(const AlarmRow &row) {
    const float base = UI_data.alarm_values[row.compare_entry].value;
    if (row.compare_quantity < 0) return base;
    const double shown = Localised(row.compare_quantity, base);
    if (row.compare_quantity == QUANTITY_WIND_SPEED) return std::round(shown);
    return shown;
}

bool ThresholdChanged(const AlarmRow &row, double entered) {
    const double half_step = 0.5 * std::pow(10.0, -DecimalsOf(row));
    return std::fabs(entered - ShownThreshold(row)) >= half_step;
}

uint32_t DirectionMask() {
    uint32_t mask = 0;
    for (int i = 0; i < kDirectionCount; ++i) {
        int on = 0;
        GetCtrlVal(set_alarmP, SETALARMP_DIR_0 + i, &on);
        if (on) mask |= 1u << i;
    }
    return mask;
}

// Absolute then relative threshold, each in hPa and inHg, from the number entered.
int SendPressure(const AlarmRow &row, CommandRecord *record, float entered) {
    const int unit = setup.units.pressure_unit;
    const float correction = UI_data.pressure.rel_offset;
    auto to = [&](int kind, int to_unit) {
        return ConvertPressureFromUnitToUnit(row.pressure_kind, unit, kind, to_unit, &entered,
                                             correction);
    };
    record->value = to(PRESSURE_KIND_ABSOLUTE, PRESSURE_UNIT_HPA);
    record->value2 = to(PRESSURE_KIND_ABSOLUTE, PRESSURE_UNIT_INHG);
    if (SendCommandRecord(record) != 0) return -1;
    CommandRecord relative = *record;
    relative.code = row.second_code;
    relative.value = to(PRESSURE_KIND_RELATIVE, PRESSURE_UNIT_HPA);
    relative.value2 = to(PRESSURE_KIND_RELATIVE, PRESSURE_UNIT_INHG);
    return SendCommandRecord(&relative);
}

int SendChange(const AlarmRow &row) {
    CommandRecord record = MakeCommandRecord(row.write_code);
    int enabled = 0;
    GetCtrlVal(set_alarmP, SETALARMP_ENABLE, &enabled);
    record.enabled = enabled ? 1 : 0;
    if (record.enabled != UI_data.alarm_enable.flag[row.flag]) record.enable_changed = 1;
    UI_data.alarm_enable.flag[row.flag] = record.enabled;
    if (row.kind == ALARM_KIND_DIRECTION) {
        const uint32_t mask = DirectionMask();
        record.value_changed = mask != UI_data.alarm_values[ALARM_WIND_DIRECTION].direction_mask;
        record.param = static_cast<int32_t>(mask);
        return SendCommandRecord(&record);
    }
    if (!HasThreshold(row)) return SendCommandRecord(&record);
    double entered = 0;
    GetCtrlVal(set_alarmP, FieldOf(row), &entered);
    record.value_changed = ThresholdChanged(row, entered) ? 1 : 0;
    const float number = static_cast<float>(entered);
    if (IsPressure(row)) return SendPressure(row, &record, number);
    record.value = *DelocaliseValues(row.quantity, &setup.units, &number);
    return SendCommandRecord(&record);
}

void MarkPending(const AlarmRow &row) {
    UI_data.alarm_change_pending[row.slot] = 1;
    SetCtrlAttribute(korP, AlarmBellControl(row.flag), ATTR_DIMMED, 1);
    SetCtrlAttribute(korP, AlarmSymbolControl(row.slot), ATTR_DIMMED, 1);
    ShowAlarmSymbol(row.slot);
}

}  // namespace

void InitSetAlarmPanel(int index) {
    SetCtrlVal(set_alarmP, SETALARMP_INDEX, index);
    HideAll();
    const AlarmRow *row = AlarmRowOf(index);
    if (row == nullptr) return;
    SetCtrlAttribute(set_alarmP, SETALARMP_ENABLE, ATTR_VISIBLE, 1);
    if (HasThreshold(*row)) {
        PrepareThreshold(*row);
    } else if (row->kind == ALARM_KIND_DIRECTION) {
        PrepareDirections();
    } else {
        // The storm alarm has no threshold to wait for.
        SetCtrlAttribute(set_alarmP, SETALARMP_OK, ATTR_DIMMED, 0);
    }
}

int SetAlarm(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int index = -1;
    GetCtrlVal(set_alarmP, SETALARMP_INDEX, &index);
    if (const AlarmRow *row = AlarmRowOf(index)) {
        if (SendChange(*row) == 0)
            MarkPending(*row);
        else
            ReportCommandNotSent();
    }
    // The flags are asked for again in every case; a queue that is not there was
    // reported above already.
    const CommandRecord flags = MakeCommandRecord(kReadAlarmFlags);
    (void)SendCommandRecord(&flags);
    RemovePopup(1);
    UI_data.alarm_enable.poll_timer = 0;
    return 0;
}

int AbortSetAlarm(int, int, int event, void *, int, int) {
    if (event == EVENT_COMMIT) RemovePopup(1);
    return 0;
}

int ChangeIndoorTempHighAlarm(int, int, int event, void *, int, int) { return OpenAlarm(0, event); }
int ChangeIndoorTempLowAlarm(int, int, int event, void *, int, int) { return OpenAlarm(1, event); }
int ChangeOutdoorTempHighAlarm(int, int, int event, void *, int, int) { return OpenAlarm(2, event); }
int ChangeOutdoorTempLowAlarm(int, int, int event, void *, int, int) { return OpenAlarm(3, event); }
int ChangeWindchillHighAlarm(int, int, int event, void *, int, int) { return OpenAlarm(4, event); }
int ChangeWindchillLowAlarm(int, int, int event, void *, int, int) { return OpenAlarm(5, event); }
int ChangeDewpointHighAlarm(int, int, int event, void *, int, int) { return OpenAlarm(6, event); }
int ChangeDewpointLowAlarm(int, int, int event, void *, int, int) { return OpenAlarm(7, event); }
int ChangeWindSpeedHighAlarm(int, int, int event, void *, int, int) { return OpenAlarm(8, event); }
int ChangeWindSpeedLowAlarm(int, int, int event, void *, int, int) { return OpenAlarm(9, event); }
int ChangeWindDirectionAlarm(int, int, int event, void *, int, int) { return OpenAlarm(10, event); }
int ChangeAbsPressureHighAlarm(int, int, int event, void *, int, int) {
    return OpenPressureAlarm(true, event);
}
int ChangeAbsPressureLowAlarm(int, int, int event, void *, int, int) {
    return OpenPressureAlarm(false, event);
}
int ChangeStormAlarm(int, int, int event, void *, int, int) { return OpenAlarm(15, event); }
int ChangeInHumidityHighAlarm(int, int, int event, void *, int, int) { return OpenAlarm(16, event); }
int ChangeInHumidityLowAlarm(int, int, int event, void *, int, int) { return OpenAlarm(17, event); }
int ChangeOutHumidityHighAlarm(int, int, int event, void *, int, int) { return OpenAlarm(18, event); }
int ChangeOutHumidityLowAlarm(int, int, int event, void *, int, int) { return OpenAlarm(19, event); }
int Change1hRainAlarm(int, int, int event, void *, int, int) { return OpenAlarm(20, event); }
int Change24hRainAlarm(int, int, int event, void *, int, int) { return OpenAlarm(21, event); }

void RegisterAlarmDialogCallbacks() {
    struct Named {
        const char *name;
        CtrlCallbackPtr callback;
    };
    static const Named kCallbacks[] = {
        {"SetAlarm", SetAlarm},
        {"AbortSetAlarm", AbortSetAlarm},
        {"ChangeIndoorTempHighAlarm", ChangeIndoorTempHighAlarm},
        {"ChangeIndoorTempLowAlarm", ChangeIndoorTempLowAlarm},
        {"ChangeOutdoorTempHighAlarm", ChangeOutdoorTempHighAlarm},
        {"ChangeOutdoorTempLowAlarm", ChangeOutdoorTempLowAlarm},
        {"ChangeWindchillHighAlarm", ChangeWindchillHighAlarm},
        {"ChangeWindchillLowAlarm", ChangeWindchillLowAlarm},
        {"ChangeDewpointHighAlarm", ChangeDewpointHighAlarm},
        {"ChangeDewpointLowAlarm", ChangeDewpointLowAlarm},
        {"ChangeWindSpeedHighAlarm", ChangeWindSpeedHighAlarm},
        {"ChangeWindSpeedLowAlarm", ChangeWindSpeedLowAlarm},
        {"ChangeWindDirectionAlarm", ChangeWindDirectionAlarm},
        {"ChangeAbsPressureHighAlarm", ChangeAbsPressureHighAlarm},
        {"ChangeAbsPressureLowAlarm", ChangeAbsPressureLowAlarm},
        {"ChangeStormAlarm", ChangeStormAlarm},
        {"ChangeInHumidityHighAlarm", ChangeInHumidityHighAlarm},
        {"ChangeInHumidityLowAlarm", ChangeInHumidityLowAlarm},
        {"ChangeOutHumidityHighAlarm", ChangeOutHumidityHighAlarm},
        {"ChangeOutHumidityLowAlarm", ChangeOutHumidityLowAlarm},
        {"Change1hRainAlarm", Change1hRainAlarm},
        {"Change24hRainAlarm", Change24hRainAlarm},
    };
    for (const Named &n : kCallbacks) RegisterCallback(n.name, n.callback);
}
