// The tray tooltip and alarm notifications follow UI_data as the dispatcher fills it;
// both are cheap and send without waiting, so they ride on the records themselves
// rather than on a timer of their own.
#include "windows/desktop_notice.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "windows/KOR.h"
#include "windows/alarm_controls.h"
#include "windows/alarm_replies.h"
#include "windows/command_sender.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "windows/link_display.h"
#include "windows/text_fields.h"
#include "records/setup_record.h"
#include "records/ui_data.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/tray.h"
#include "windows/alarm_table.h"
#include "values/conversions.h"
#include "values/localisation.h"
#include "records/ui_listeners.h"

namespace {

bool notified[kAlarmFlagCount] = {};

// Thresholds as the console last told them (read back for a dialog or for a notice);
// the alarm dialog keeps its own copy in UI_data, which only the dialog shown may change.
bool threshold_known[ALARM_ENTRY_COUNT] = {};
float thresholds[ALARM_ENTRY_COUNT] = {};

// Alarms that went off while their threshold was unknown: asked of the console, the
// notice waits for the answer, at most this many alarm-state records.
constexpr int kThresholdWaitRecords = 2;
constexpr int kThresholdReadTries = 30;  // as many as the alarm dialog allows
int waiting[kAlarmFlagCount] = {};

void BringMainWindowForward() { DisplayPanel(korP); }

// The same orderly quit as the main window's quit button.
void QuitFromTray() { (void)CallCtrlCallback(korP, KORP_QUIT, EVENT_COMMIT, 0, 0); }

// The program's name opens its window; the quit entry says what the quit button says, in
// the language chosen.
void SetTrayMenuTexts() {
    char quit[304] = "";
    GetCtrlString(korP, KORP_QUIT, quit, sizeof quit);
    TrayIconSetMenu("Clear Horizon", BringMainWindowForward, quit, QuitFromTray);
}

// The row that names an alarm flag; for the pressure alarms the one of the pressure kind
// the user reads.
const AlarmRow *RowOfFlag(int flag) {
    const AlarmRow *found = nullptr;
    for (int i = 0; const AlarmRow *row = AlarmRowOf(i); ++i) {
        if (row->flag != flag) continue;
        if (found == nullptr) found = row;
        const int kind = setup.absolute_pressure ? PRESSURE_KIND_ABSOLUTE : PRESSURE_KIND_RELATIVE;
        if (row->pressure_kind == kind) return row;
    }
    return found;
}

// "<group>: <quantity>" of the alarm's row, from the main panel's labels (so in the
// user's language).
std::string AlarmName(const AlarmRow *row) {
    char label[304] = "";
    char group[304] = "";
    GetCtrlString(korP, row->label, label, sizeof label);
    if (row->group != 0) GetCtrlString(korP, row->group, group, sizeof group);
    return std::string(group) + (group[0] ? ": " : "") + label;
}

// A value as the panels show it: the marker when it was never read or is no longer live.
std::string Shown(int kind, int live_timer, int quantity, float value) {
    if (!UIGroupDelivered(kind) || live_timer <= 0)
        return LocaliseUnknownValue(quantity, &setup.units)->value_unit_text;
    return LocaliseMeasuredValues(quantity, &setup.units, &value)->value_unit_text;
}

// The reading an alarm row watches, as text ("" for the storm alarm, which has none).
std::string AlarmValueText(const AlarmRow *row) {
    const KORData &d = UI_data;
    switch (row->label) {
    case KORP_ITEMP_LABEL: return Shown(8, d.indoor_temp.live_timer, QUANTITY_INDOOR_TEMPERATURE, d.indoor_temp.current);
    case KORP_OTEMP_LABEL: return Shown(9, d.outdoor_temp.live_timer, QUANTITY_OUTDOOR_TEMPERATURE, d.outdoor_temp.current);
    case KORP_CHILL_LABEL: return Shown(10, d.windchill.live_timer, QUANTITY_WINDCHILL, d.windchill.current);
    case KORP_DEW_LABEL: return Shown(11, d.dewpoint.live_timer, QUANTITY_DEWPOINT, d.dewpoint.current);
    case KORP_WIND_LABEL: return Shown(7, d.wind.live_timer, QUANTITY_WIND_SPEED, d.wind.current);
    case KORP_IHUM_LABEL: return Shown(12, d.indoor_hum.live_timer, QUANTITY_HUMIDITY, d.indoor_hum.current);
    case KORP_OHUM_LABEL: return Shown(13, d.outdoor_hum.live_timer, QUANTITY_HUMIDITY, d.outdoor_hum.current);
    case KORP_RAIN_1H_LABEL: return Shown(19, d.rain.live_timer, QUANTITY_RAIN_1H, d.rain.rain_1h);
    case KORP_RAIN_24H_LABEL: return Shown(19, d.rain.live_timer, QUANTITY_RAIN_24H, d.rain.rain_24h);
    case KORP_PRESS_CAPTION:
        return Shown(16, d.pressure.live_timer, row->quantity, d.pressure.current);
    case KORP_WINDDIR_LABEL: {
        if (!UIGroupDelivered(7) || d.wind.live_timer <= 0) return MARKER_NOT_AVAILABLE;
        char name[304];
        GetDirectionString(d.wind.direction, name, nullptr);
        return name;
    }
    default: return std::string();
    }
}

// The threshold as the console holds it, in the user's unit; the marker while unknown.
std::string ThresholdText(const AlarmRow *row) {
    const int entry = row->compare_entry;
    if (entry < 0 || entry >= ALARM_ENTRY_COUNT || !threshold_known[entry]) return MARKER_NOT_AVAILABLE;
    if (row->compare_quantity >= 0)
        return LocaliseMeasuredValues(row->compare_quantity, &setup.units, &thresholds[entry])
            ->value_unit_text;
    char text[32];
    snprintf(text, sizeof text, "%.0f %%", static_cast<double>(thresholds[entry]));
    return text;
}

void SendNotice(int flag) {
    waiting[flag] = 0;
    char title[304];
    GetPanelText(TXTP_ALARM_WENT_OFF, title, sizeof title);
    DesktopNotify(title, AlarmNoticeText(flag).c_str());
}

// An alarm that went off: told at once when its threshold is known, else after asking
// the console for it (or when it does not answer in time).
void AlarmWentOff(int flag) {
    const AlarmRow *row = RowOfFlag(flag);
    const bool has_threshold = row != nullptr && (row->sense == ALARM_LOW || row->sense == ALARM_HIGH);
    if (!has_threshold || threshold_known[row->compare_entry] || row->read_code == 0) {
        SendNotice(flag);
        return;
    }
    CommandRecord read = MakeCommandRecord(row->read_code);
    read.read_back = kThresholdReadTries;
    if (SendCommandRecord(&read) != 0) {
        SendNotice(flag);
        return;
    }
    waiting[flag] = kThresholdWaitRecords;
}

void UpdateTrayOnRecord(const UIRecord *) { UpdateTrayToolTip(); }

void NoteAlarmsOnRecord(const UIRecord *r) {
    NoteAlarmsThatWentOff();
    if (r->kind != 15) return;
    for (int flag = 1; flag < kAlarmFlagCount; ++flag)
        if (waiting[flag] > 0 && --waiting[flag] == 0) SendNotice(flag);
}

// Answers to threshold questions (the dialog's and the notices' own): a threshold read
// back is kept; one written makes what was kept unknown until it is read again.
void TakeThresholdAnswer(const UIRecord *r) {
    const int entry = AlarmReadBackEntry(r->kind);
    if (entry >= 0) {
        memcpy(&thresholds[entry], &r->payload[2], sizeof(float));
        threshold_known[entry] = true;
        for (int flag = 1; flag < kAlarmFlagCount; ++flag) {
            const AlarmRow *row = RowOfFlag(flag);
            if (waiting[flag] > 0 && row != nullptr && row->compare_entry == entry) SendNotice(flag);
        }
        return;
    }
    const int slot = AlarmWrittenSlot(r->kind);
    for (int i = 0; const AlarmRow *row = AlarmRowOf(i); ++i)
        if (slot >= 0 && row->slot == slot && row->compare_entry >= 0)
            threshold_known[row->compare_entry] = false;
}

// Questions the console will not answer now: their notices go without the threshold.
void SendWaitingNotices(const UIRecord *) {
    for (int flag = 1; flag < kAlarmFlagCount; ++flag)
        if (waiting[flag] > 0) SendNotice(flag);
}

}  // namespace

void StartDesktopNotices() {
    char icon[4200];
    char dir[4096];
    GetResourceDir(dir, sizeof dir);
    snprintf(icon, sizeof icon, "%s/clearhorizon.svg", dir);
    if (!TrayIconStart(icon, BringMainWindowForward)) return;
    SetTrayMenuTexts();
    UpdateTrayToolTip();
}

std::string TrayToolTipText() {
    char label[304];
    GetPanelText(TXTP_TRAY_OUTDOOR, label, sizeof label);
    std::string text = "Clear Horizon\n";
    if (!ConsoleConnected()) {
        std::string link = LinkStateWords();
        if (link.empty()) {
            char words[304];
            GetPanelText(TXTP_TRAY_NOT_CONNECTED, words, sizeof words);
            link = words;
        }
        text += link + "\n";
    }
    const KORData &d = UI_data;
    text += std::string(label) + ": " +
            Shown(9, d.outdoor_temp.live_timer, QUANTITY_OUTDOOR_TEMPERATURE, d.outdoor_temp.current) +
            ", " + Shown(13, d.outdoor_hum.live_timer, QUANTITY_HUMIDITY, d.outdoor_hum.current);
    return text;
}

void UpdateTrayToolTip() { TrayIconSetToolTip(TrayToolTipText().c_str()); }

std::string AlarmNoticeText(int flag) {
    const AlarmRow *row = RowOfFlag(flag);
    if (row == nullptr) return std::string();
    const std::string name = AlarmName(row);
    const std::string value = AlarmValueText(row);
    // The storm alarm has no reading and no threshold: its name says it all.
    if (value.empty() && row->sense == ALARM_OTHER) return name;
    const std::string threshold = ThresholdText(row);
    int pattern_text = TXTP_ALARM_NOTICE_OTHER;
    if (row->sense == ALARM_HIGH) pattern_text = TXTP_ALARM_NOTICE_HIGH;
    if (row->sense == ALARM_LOW) pattern_text = TXTP_ALARM_NOTICE_LOW;
    char pattern[304];
    GetPanelText(pattern_text, pattern, sizeof pattern);
    const TextField fields[] = {
        {"name", name.c_str()}, {"value", value.c_str()}, {"threshold", threshold.c_str()}};
    return FillTextFields(pattern, fields, 3);
}

void NoteAlarmsThatWentOff() {
    for (int flag = 1; flag < kAlarmFlagCount; ++flag) {
        if (AlarmBellControl(flag) == 0) continue;
        const bool went_off = UI_data.alarm_enable.flag[flag] == 1 && UI_data.alarm_state.flag[flag] == 1;
        if (went_off && !notified[flag]) AlarmWentOff(flag);
        notified[flag] = went_off;
    }
}

void RegisterDesktopNoticeListeners() {
    (void)ListenToUIRecords(9, 9, UpdateTrayOnRecord);
    (void)ListenToUIRecords(13, 13, UpdateTrayOnRecord);
    (void)ListenToUIRecords(14, 15, NoteAlarmsOnRecord);
    (void)ListenToUIRecords(37, 79, TakeThresholdAnswer);
    (void)ListenToUIRecords(UI_COMMAND_FAILED, UI_COMMAND_FAILED, SendWaitingNotices);
    (void)ListenToUIRecords(150, 150, UpdateTrayOnRecord);
    (void)ListenToUIRecords(150, 150, SendWaitingNotices);
    (void)ListenToSurfaceRefresh(UpdateTrayToolTip);
    (void)ListenToSurfaceRefresh(SetTrayMenuTexts);
}
