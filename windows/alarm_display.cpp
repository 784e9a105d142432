// The blink timer runs every half second on the main thread. Alarm bells of enabled
// alarms that went off, and the marks of changes sent to the station but not yet
// confirmed, are shown on one tick and hidden on the next. Every second tick counts one
// second off UI_data's live timers, which is how a group becomes stale and is dimmed.
#include "windows/alarm_display.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "windows/KOR.h"
#include "windows/accessible_names.h"
#include "windows/alarm_controls.h"
#include "windows/tooltips.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/ui_data.h"
#include "platform/panels.h"
#include "windows/history_interval_dialog.h"
#include "values/time_texts.h"
#include "records/ui_listeners.h"

namespace {

int blink_phase = 0;
int second_tick = 0;

// What the last tick showed on the main panel shown_panel, so that a tick touches only
// the controls that change: on most ticks none does. Index 0 is the storm sign, 1.. the
// bells by alarm flag; -1 unknown.
int shown_panel = 0;
std::array<int, kAlarmFlagCount> shown_visible;
int shown_general_alarm = -1;

void ShowVisible(int control, int *shown, int visible) {
    if (*shown == visible) return;
    SetCtrlAttribute(korP, control, ATTR_VISIBLE, visible);
    *shown = visible;
}

void ShowAlarmStates() {
    if (shown_panel != korP) {  // a panel loaded anew shows what its resource says
        shown_panel = korP;
        shown_visible.fill(-1);
        shown_general_alarm = -1;
    }
    const AlarmFlags &state = UI_data.alarm_state;
    const AlarmFlags &enable = UI_data.alarm_enable;
    ShowVisible(KORP_STORM, &shown_visible[0], state.flag[1] ? 1 : 0);
    const bool all_visible = state.live_timer == 0 || blink_phase == 1;
    for (int flag = 1; flag < kAlarmFlagCount; ++flag) {
        const int bell = AlarmBellControl(flag);
        if (bell == 0) continue;
        const bool went_off = enable.flag[flag] == 1 && state.flag[flag] == 1;
        ShowVisible(bell, &shown_visible[flag], all_visible || !went_off ? 1 : 0);
    }
    const int general = state.flag[2] ? 1 : 0;
    if (general != shown_general_alarm) SetCtrlVal(korP, KORP_GENERAL_ALARM, general);
    shown_general_alarm = general;
}

// A lamp is red while it has something to say, grey and dark otherwise. It blinks by
// its light, never by hiding, so that nothing beside it moves.
void SetLamp(int control, bool red, bool lit) {
    SetCtrlAttribute(korP, control, ATTR_TEXT_COLOR, red ? kSymbolRed : kSymbolGrey);
    SetCtrlVal(korP, control, lit ? 1 : 0);
}

void BlinkPendingMarks() {
    for (int slot = 0; slot < kAlarmPendingSlots; ++slot) ShowAlarmSymbol(slot);
    for (int slot = 0; slot < kMinMaxPendingSlots; ++slot) {
        if (!UI_data.minmax_clear_pending[slot]) continue;
        SetCtrlAttribute(korP, MinMaxFieldControl(slot), ATTR_VISIBLE, blink_phase);
    }
    if (!GeneralAlarmHidden()) {
        const bool pending = UI_data.general_alarm_clear_pending != 0;
        SetLamp(KORP_GENERAL_ALARM_SYM, pending, pending && blink_phase);
    }
}

// "Date: <date>\nTime: <time>" with the labels of the texts panel.
void StampText(char *out, int size, const char *date, const char *time_of_day) {
    char date_label[304];
    char time_label[304];
    GetPanelText(TXTP_CLR_DATE, date_label, sizeof date_label);
    GetPanelText(TXTP_CLR_TIME, time_label, sizeof time_label);
    snprintf(out, static_cast<size_t>(size), "%s: %s\n%s: %s", date_label, date, time_label,
             time_of_day);
}

void SetStampControl(int control, const char *date, const char *time_of_day) {
    char text[700];
    StampText(text, sizeof text, date, time_of_day);
    SetCtrlVal(clr_min_maxP, control, text);
    SetCtrlAttribute(clr_min_maxP, control, ATTR_DIMMED, 0);
}

// Code of the clear-min/max dialog that stamp kind 20..30 answers.
int CodeOfStampKind(int kind) {
    static const int codes[] = {2, 3, 4, 5, 6, 7, 8, 10, 12, 15, 16};
    return codes[kind - 20];
}

// Min/max groups whose minimum and maximum become the present value again.
void ResetMinMax(TempGroup *g) { g->min = g->max = g->current; }

int general_alarm_hidden = 0;

void HideGeneralAlarm() {
    general_alarm_hidden = 1;
    SetCtrlAttribute(korP, KORP_GENERAL_ALARM, ATTR_VISIBLE, 0);
    SetCtrlAttribute(korP, KORP_GENERAL_ALARM_SYM, ATTR_VISIBLE, 0);
    SetCtrlAttribute(korP, KORP_GENERAL_ALARM_LABEL, ATTR_VISIBLE, 0);
    DiscardMainToolTip(KORP_GENERAL_ALARM);
}

// The console of identification 1 has no general alarm.
void TakeStationIDForDisplay(const UIRecord *r) {
    const uint8_t id = static_cast<uint8_t>(r->payload[0] & 0xFFu);
    if (id == 1 && !general_alarm_hidden) HideGeneralAlarm();
}

void TakeResetConfirmation(const UIRecord *r) { ConfirmReset(r->kind); }

}  // namespace

int BlinkPhase() { return blink_phase; }

void ShowAlarmSymbol(int slot) {
    const int symbol = AlarmSymbolControl(slot);
    if (symbol == 0) return;
    if (UI_data.alarm_change_pending[slot]) {
        SetLamp(symbol, true, blink_phase == 1);
        return;
    }
    const int flag = AlarmFlagOfSlot(slot);
    const AlarmFlags &state = UI_data.alarm_state;
    const bool went_off = state.live_timer != 0 && state.flag[flag] == 1 &&
                          UI_data.alarm_enable.flag[flag] == 1;
    SetLamp(symbol, went_off, went_off);
}

int BlinkTimer(int, int, int event, void *, int, int) {
    if (event != EVENT_TIMER_TICK) return 0;
    blink_phase = !blink_phase;
    ShowAlarmStates();
    BlinkPendingMarks();
    if (second_tick) {
        second_tick = 0;
        // The countdown to the next data set is seen only in its dialog; opening the
        // dialog brings it up to date.
        int dialog_up = 0;
        GetPanelAttribute(change_history_settingsP, ATTR_VISIBLE, &dialog_up);
        if (dialog_up) RefreshNextDataSetDisplay(1);
    } else {
        second_tick = 1;
    }
    int32_t any_live_expired = 0;
    int32_t any_poll_due = 0;
    const int32_t elapsed = second_tick;
    DecrementLiveTimers(&UI_data, &any_live_expired, &any_poll_due, &elapsed);
    if (any_live_expired) RefreshKORPanelSurface();
    SayAccessibleStates();
    return 0;
}

void ShowMinMaxStamps(const UIRecord *r) {
    if (r->kind < 20 || r->kind > 30) return;
    int code = 0;
    GetCtrlVal(clr_min_maxP, CLRMMP_CODE, &code);
    const int wanted = CodeOfStampKind(r->kind);
    const bool matches = code == wanted || (r->kind == 27 && (code == 10 || code == 11));
    if (!matches) return;
    const int32_t *first = reinterpret_cast<const int32_t *>(&r->payload[0]);
    const int32_t *second = reinterpret_cast<const int32_t *>(&r->payload[9]);
    if (r->kind <= 27) {
        const MinMaxTexts *t = GetMinMaxText(code, nullptr, first, nullptr, second);
        SetStampControl(CLRMMP_MAX_DATETIME, t->max_date, t->max_time_text);
        SetStampControl(CLRMMP_MIN_DATETIME, t->min_date, t->min_time_text);
        return;
    }
    const MinMaxTexts *t = GetMinMaxText(code, nullptr, nullptr, nullptr, first);
    SetStampControl(r->kind == 28 ? CLRMMP_SINGLE_DATETIME : CLRMMP_MAX_DATETIME, t->max_date,
                    t->max_time_text);
}

void ConfirmReset(int kind) {
    if (kind == 93) {
        UI_data.alarm_state.flag[2] = 0;
        UI_data.general_alarm_clear_pending = 0;
        if (GeneralAlarmHidden()) return;
        SetCtrlAttribute(korP, KORP_GENERAL_ALARM, ATTR_DIMMED, 0);
        SetCtrlAttribute(korP, KORP_GENERAL_ALARM_SYM, ATTR_DIMMED, 0);
        SetCtrlAttribute(korP, KORP_GENERAL_ALARM_SYM, ATTR_VISIBLE, 1);
        SetLamp(KORP_GENERAL_ALARM_SYM, false, false);
        return;
    }
    RainGroup &rain = UI_data.rain;
    int slot = -1;
    switch (kind) {
    case 80: rain.total.value = 0.0f; slot = 10; break;
    case 81: rain.rain_1h = 0.0f; slot = 11; break;
    case 82: rain.rain_24h = 0.0f; slot = 12; break;
    case 83: ResetMinMax(&UI_data.indoor_hum); slot = 0; break;
    case 84: ResetMinMax(&UI_data.outdoor_hum); slot = 1; break;
    case 85: ResetMinMax(&UI_data.indoor_temp); slot = 2; break;
    case 86: ResetMinMax(&UI_data.outdoor_temp); slot = 3; break;
    case 87: ResetMinMax(&UI_data.dewpoint); slot = 4; break;
    case 88: ResetMinMax(&UI_data.windchill); slot = 5; break;
    case 89: UI_data.wind.min = UI_data.wind.max = UI_data.wind.current; slot = 6; break;
    case 90: UI_data.pressure.min = UI_data.pressure.max = UI_data.pressure.current; slot = 7; break;
    case 91: rain.max_1h.value = rain.rain_1h; slot = 8; break;
    case 92: rain.max_24h.value = rain.rain_24h; slot = 9; break;
    default: return;
    }
    switch (kind) {
    case 83: ShowIndoorHumidity(&UI_data.indoor_hum); break;
    case 84: ShowOutdoorHumidity(&UI_data.outdoor_hum); break;
    case 85: ShowIndoorTemperature(&UI_data.indoor_temp); break;
    case 86: ShowOutdoorTemperature(&UI_data.outdoor_temp); break;
    case 87: ShowDewpoint(&UI_data.dewpoint); break;
    case 88: ShowWindchill(&UI_data.windchill); break;
    case 89: ShowWind(&UI_data.wind); break;
    case 90: ShowPressureMinMax(&UI_data.pressure); break;
    default: ShowRain(&UI_data.rain); break;
    }
    UI_data.minmax_clear_pending[slot] = 0;
    const int field = MinMaxFieldControl(slot);
    SetCtrlAttribute(korP, field, ATTR_DIMMED, 0);
    SetCtrlAttribute(korP, field, ATTR_VISIBLE, 1);
}

int AbortPopup(int, int, int event, void *, int, int) {
    if (event == EVENT_COMMIT) RemovePopup(1);
    return 0;
}

int GeneralAlarmHidden() { return general_alarm_hidden; }

void RegisterAlarmDisplayListeners() {
    (void)ListenToUIRecords(3, 3, TakeStationIDForDisplay);
    (void)ListenToUIRecords(20, 30, ShowMinMaxStamps);
    (void)ListenToUIRecords(80, 93, TakeResetConfirmation);
}
