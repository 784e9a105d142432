// The tray tooltip and alarm notifications follow UI_data as the dispatcher fills it;
// both are cheap and send without waiting, so they ride on the records themselves
// rather than on a timer of their own.
#include "windows/desktop_notice.h"

#include <cstdio>

#include "windows/KOR.h"
#include "windows/alarm_controls.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "records/ui_data.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/tray.h"
#include "windows/alarm_table.h"
#include "values/localisation.h"
#include "records/ui_listeners.h"

namespace {

bool notified[kAlarmFlagCount] = {};

void BringMainWindowForward() { DisplayPanel(korP); }

// "<group>: <quantity>" of the alarm's row, from the main panel's labels (so in the
// user's language); "" when no row shows the flag.
void AlarmName(int flag, char *out, int size) {
    out[0] = '\0';
    for (int i = 0; const AlarmRow *row = AlarmRowOf(i); ++i) {
        if (row->flag != flag) continue;
        char label[304] = "";
        char group[304] = "";
        GetCtrlString(korP, row->label, label, sizeof label);
        if (row->group != 0) GetCtrlString(korP, row->group, group, sizeof group);
        snprintf(out, static_cast<size_t>(size), "%s%s%s", group, group[0] ? ": " : "", label);
        return;
    }
}

void UpdateTrayOnRecord(const UIRecord *) { UpdateTrayToolTip(); }
void NoteAlarmsOnRecord(const UIRecord *) { NoteAlarmsThatWentOff(); }

}  // namespace

void StartDesktopNotices() {
    char icon[4200];
    char dir[4096];
    GetResourceDir(dir, sizeof dir);
    snprintf(icon, sizeof icon, "%s/clearhorizon.svg", dir);
    if (TrayIconStart(icon, BringMainWindowForward)) UpdateTrayToolTip();
}

void UpdateTrayToolTip() {
    char label[304];
    char temperature[32];
    char humidity[32];
    GetPanelText(TXTP_TRAY_OUTDOOR, label, sizeof label);
    snprintf(temperature, sizeof temperature, "%s",
             LocaliseMeasuredValues(QUANTITY_OUTDOOR_TEMPERATURE, &setup.units,
                                    &UI_data.outdoor_temp.current)->value_unit_text);
    snprintf(humidity, sizeof humidity, "%s",
             LocaliseMeasuredValues(QUANTITY_HUMIDITY, &setup.units,
                                    &UI_data.outdoor_hum.current)->value_unit_text);
    char text[400];
    snprintf(text, sizeof text, "Clear Horizon\n%s: %s, %s", label, temperature, humidity);
    TrayIconSetToolTip(text);
}

void NoteAlarmsThatWentOff() {
    for (int flag = 1; flag < kAlarmFlagCount; ++flag) {
        if (AlarmBellControl(flag) == 0) continue;
        const bool went_off = UI_data.alarm_enable.flag[flag] == 1 && UI_data.alarm_state.flag[flag] == 1;
        if (went_off && !notified[flag]) {
            char title[304];
            char name[620];
            GetPanelText(TXTP_ALARM_WENT_OFF, title, sizeof title);
            AlarmName(flag, name, sizeof name);
            DesktopNotify(title, name);
        }
        notified[flag] = went_off;
    }
}

void RegisterDesktopNoticeListeners() {
    (void)ListenToUIRecords(9, 9, UpdateTrayOnRecord);
    (void)ListenToUIRecords(13, 13, UpdateTrayOnRecord);
    (void)ListenToUIRecords(14, 15, NoteAlarmsOnRecord);
    (void)ListenToSurfaceRefresh(UpdateTrayToolTip);
}
