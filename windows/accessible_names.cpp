// A bell alone says nothing: its name is the quantity it watches ("Outdoor: Temperature",
// the way the alarm dialog titles itself) and which alarm it is. The panels' labels stand
// beside the readings in the layout only, so the readings are named here too; the
// platform reads a label's name before its text.
#include "windows/accessible_names.h"

#include <cstdio>
#include <initializer_list>

#include "platform/panels.h"
#include "records/ui_data.h"
#include "windows/KOR.h"
#include "windows/alarm_controls.h"
#include "windows/kor_panels.h"

namespace {

constexpr int kText = 304;

// One reading of the main panel and what belongs to it; 0 where it has none. A reading
// with a single alarm has it as its high bell and lamp.
struct Reading {
    int label;
    int group;
    int low_bell, high_bell, low_lamp, high_lamp;
    int value, minmax, gauge;
};

const Reading kReadings[] = {
    {KORP_ITEMP_LABEL, KORP_INDOOR_BOX, KORP_ITEMP_LO_BELL, KORP_ITEMP_HI_BELL, KORP_ITEMP_LO_SYM,
     KORP_ITEMP_HI_SYM, KORP_ITEMP, KORP_ITEMP_MINMAX, KORP_ITEMP_GAUGE},
    {KORP_IHUM_LABEL, KORP_INDOOR_BOX, KORP_IHUM_LO_BELL, KORP_IHUM_HI_BELL, KORP_IHUM_LO_SYM,
     KORP_IHUM_HI_SYM, KORP_IHUM, KORP_IHUM_MINMAX, 0},
    {KORP_OTEMP_LABEL, KORP_OUTDOOR_BOX, KORP_OTEMP_LO_BELL, KORP_OTEMP_HI_BELL, KORP_OTEMP_LO_SYM,
     KORP_OTEMP_HI_SYM, KORP_OTEMP, KORP_OTEMP_MINMAX, KORP_OTEMP_GAUGE},
    {KORP_OHUM_LABEL, KORP_OUTDOOR_BOX, KORP_OHUM_LO_BELL, KORP_OHUM_HI_BELL, KORP_OHUM_LO_SYM,
     KORP_OHUM_HI_SYM, KORP_OHUM, KORP_OHUM_MINMAX, 0},
    {KORP_DEW_LABEL, KORP_OUTDOOR_BOX, KORP_DEW_LO_BELL, KORP_DEW_HI_BELL, KORP_DEW_LO_SYM,
     KORP_DEW_HI_SYM, KORP_DEW, KORP_DEW_MINMAX, 0},
    {KORP_CHILL_LABEL, KORP_OUTDOOR_BOX, KORP_CHILL_LO_BELL, KORP_CHILL_HI_BELL, KORP_CHILL_LO_SYM,
     KORP_CHILL_HI_SYM, KORP_CHILL, KORP_CHILL_MINMAX, 0},
    {KORP_WIND_LABEL, KORP_WIND_BOX, KORP_WIND_LO_BELL, KORP_WIND_HI_BELL, KORP_WIND_LO_SYM,
     KORP_WIND_HI_SYM, KORP_WIND, KORP_WIND_MINMAX, 0},
    {KORP_WINDDIR_LABEL, KORP_WIND_BOX, 0, KORP_WINDDIR_BELL, 0, KORP_WINDDIR_SYM, KORP_WIND_DIR, 0,
     KORP_WIND_COMPASS},
    {KORP_BEAUFORT_LABEL, KORP_WIND_BOX, 0, 0, 0, 0, KORP_BEAUFORT, 0, 0},
    {KORP_PRESS_CAPTION, 0, KORP_PRESS_LO_BELL, KORP_PRESS_HI_BELL, KORP_PRESS_LO_SYM,
     KORP_PRESS_HI_SYM, KORP_PRESSURE, KORP_PRESS_MINMAX, 0},
    {KORP_STORM_LABEL, 0, 0, KORP_STORM_BELL, 0, KORP_STORM_SYM, KORP_STORM, 0, 0},
    {KORP_RAIN_TOTAL_LABEL, KORP_RAIN_BOX, 0, 0, 0, 0, KORP_RAIN_TOTAL, 0, KORP_RAIN_TOTAL_GAUGE},
    {KORP_RAIN_24H_LABEL, KORP_RAIN_BOX, 0, KORP_RAIN_24H_BELL, 0, KORP_RAIN_24H_SYM, KORP_RAIN_24H,
     KORP_RAIN_MAX_24H, KORP_RAIN_24H_GAUGE},
    {KORP_RAIN_1H_LABEL, KORP_RAIN_BOX, 0, KORP_RAIN_1H_BELL, 0, KORP_RAIN_1H_SYM, KORP_RAIN_1H,
     KORP_RAIN_MAX_1H, KORP_RAIN_1H_GAUGE},
    {KORP_GENERAL_ALARM_LABEL, 0, 0, KORP_GENERAL_ALARM, 0, KORP_GENERAL_ALARM_SYM, 0, 0, 0},
    {KORP_RECEPTION_LABEL, 0, 0, 0, 0, 0, KORP_RECEPTION, 0, 0},
};

// A dialog's field named by the label before it and the unit after it.
struct Field {
    const int *panel;
    int field;
    int label;
    int unit;
};

const Field kFields[] = {
    {&change_history_settingsP, CHGHISTP_PERIOD_H, CHGHISTP_PERIOD_LABEL, CHGHISTP_H1},
    {&change_history_settingsP, CHGHISTP_PERIOD_M, CHGHISTP_PERIOD_LABEL, CHGHISTP_M1},
    {&change_history_settingsP, CHGHISTP_NEXT_H, CHGHISTP_NEXT_LABEL, CHGHISTP_H2},
    {&change_history_settingsP, CHGHISTP_NEXT_M, CHGHISTP_NEXT_LABEL, CHGHISTP_M2},
    {&change_history_settingsP, CHGHISTP_NEXT_S, CHGHISTP_NEXT_LABEL, CHGHISTP_S},
};

void Name(int panel, int control, const char *name) {
    if (control != 0) SetCtrlAttribute(panel, control, ATTR_ACCESSIBLE_NAME, name);
}

void Describe(int control, const char *state) {
    if (control != 0) SetCtrlAttribute(korP, control, ATTR_ACCESSIBLE_DESCRIPTION, state);
}

// "<group>: <label>", or the label alone where it stands alone.
void QuantityOf(const Reading &r, char *out, int size) {
    char label[kText] = "";
    char group[kText] = "";
    GetCtrlString(korP, r.label, label, sizeof label);
    if (r.group != 0) GetCtrlString(korP, r.group, group, sizeof group);
    if (group[0] != '\0')
        snprintf(out, static_cast<size_t>(size), "%s: %s", group, label);
    else
        snprintf(out, static_cast<size_t>(size), "%s", label);
}

void NameFrom(int control, int pattern, const char *quantity) {
    if (control == 0) return;
    char name[kText];
    GetPanelText(pattern, name, sizeof name);
    FillTextField(name, sizeof name, "quantity", quantity);
    Name(korP, control, name);
}

void NameReading(const Reading &r) {
    char quantity[2 * kText];
    QuantityOf(r, quantity, sizeof quantity);
    const bool single = r.low_bell == 0;
    NameFrom(r.low_bell, TXTP_ACC_LOW_ALARM, quantity);
    NameFrom(r.high_bell, single ? TXTP_ACC_ALARM : TXTP_ACC_HIGH_ALARM, quantity);
    NameFrom(r.low_lamp, TXTP_ACC_LOW_LAMP, quantity);
    NameFrom(r.high_lamp, single ? TXTP_ACC_LAMP : TXTP_ACC_HIGH_LAMP, quantity);
    NameFrom(r.gauge, TXTP_ACC_GAUGE, quantity);
    // The general alarm's lamp is its switch: it is the quantity itself.
    if (r.high_bell == KORP_GENERAL_ALARM) Name(korP, r.high_bell, quantity);
    Name(korP, r.value, quantity);
    Name(korP, r.minmax, quantity);
}

void NameFromPanelText(int panel, int control, int text) {
    char name[kText];
    GetPanelText(text, name, sizeof name);
    Name(panel, control, name);
}

// The words for each state, read once per call.
struct StateWords {
    char on[kText], off[kText], went_off[kText], pending[kText];
};

void ReadStateWords(StateWords *w) {
    GetPanelText(TXTP_ACC_STATE_ON, w->on, kText);
    GetPanelText(TXTP_ACC_STATE_OFF, w->off, kText);
    GetPanelText(TXTP_ACC_STATE_WENT_OFF, w->went_off, kText);
    GetPanelText(TXTP_ACC_STATE_PENDING, w->pending, kText);
}

// As the blink timer shows them: an enabled alarm that went off while the alarm states
// are fresh, and a change sent but not yet confirmed.
void SayAlarm(int slot, const StateWords &words) {
    const int flag = AlarmFlagOfSlot(slot);
    const AlarmFlags &state = UI_data.alarm_state;
    const bool enabled = UI_data.alarm_enable.flag[flag] == 1;
    const bool went_off = state.live_timer != 0 && state.flag[flag] == 1 && enabled;
    const char *lamp = words.off;
    const char *bell = enabled ? words.on : words.off;
    if (went_off) lamp = bell = words.went_off;
    if (UI_data.alarm_change_pending[slot]) lamp = bell = words.pending;
    Describe(AlarmSymbolControl(slot), lamp);
    Describe(AlarmBellControl(flag), bell);
}

void SayGeneralAlarm(const StateWords &words) {
    const bool pending = UI_data.general_alarm_clear_pending != 0;
    Describe(KORP_GENERAL_ALARM, UI_data.alarm_state.flag[2] ? words.went_off : words.off);
    Describe(KORP_GENERAL_ALARM_SYM, pending ? words.pending : words.off);
    int receiving = 0;
    GetCtrlVal(korP, KORP_RECEPTION, &receiving);
    Describe(KORP_RECEPTION, receiving ? words.on : words.off);
}

// The picture shown, in words; a picture index outside the list says nothing.
void SayPicture(int control, const int *texts, int count) {
    int shown = -1;
    GetCtrlVal(korP, control, &shown);
    char words[kText] = "";
    if (shown >= 0 && shown < count) GetPanelText(texts[shown], words, sizeof words);
    Describe(control, words);
}

// A gauge and the wind rose say the reading shown beside them.
void SayGauges() {
    for (const Reading &r : kReadings) {
        if (r.gauge == 0 || r.value == 0) continue;
        char reading[kText] = "";
        GetCtrlString(korP, r.value, reading, sizeof reading);
        Describe(r.gauge, reading);
    }
}

}  // namespace

void NameAccessibleControls() {
    if (korP <= 0) return;
    for (const Reading &r : kReadings) NameReading(r);
    NameFromPanelText(korP, KORP_WEATHER, TXTP_ACC_WEATHER);
    NameFromPanelText(korP, KORP_TREND, TXTP_ACC_TREND);
    NameFromPanelText(historyP, HISTORYP_TABLE, TXTP_TITLE_HISTORYP);
    NameFromPanelText(settingsP, SETTINGSP_TAB, TXTP_TITLE_SETTINGSP);
    for (const Field &f : kFields) {
        char label[kText] = "";
        char unit[kText] = "";
        char name[2 * kText + 4];
        GetCtrlString(*f.panel, f.label, label, sizeof label);
        GetCtrlString(*f.panel, f.unit, unit, sizeof unit);
        snprintf(name, sizeof name, "%s (%s)", label, unit);
        Name(*f.panel, f.field, name);
    }
    NameThresholdFields();
    SayAccessibleStates();
}

void SayAccessibleStates() {
    if (korP <= 0) return;
    StateWords words;
    ReadStateWords(&words);
    for (int slot = 0; slot < kAlarmPendingSlots; ++slot) SayAlarm(slot, words);
    SayGeneralAlarm(words);
    static const int weather[] = {TXTP_ACC_WEATHER_RAIN, TXTP_ACC_WEATHER_CLOUD,
                                  TXTP_ACC_WEATHER_SUN, TXTP_ACC_WEATHER_UNKNOWN};
    static const int trend[] = {TXTP_ACC_TREND_STEADY, TXTP_ACC_TREND_UP, TXTP_ACC_TREND_DOWN};
    SayPicture(KORP_WEATHER, weather, 4);
    SayPicture(KORP_TREND, trend, 3);
    SayGauges();
}

void NameThresholdFields() {
    if (set_alarmP <= 0) return;
    char label[kText] = "";
    GetCtrlString(set_alarmP, SETALARMP_THRESHOLD_LABEL, label, sizeof label);
    for (int field : {SETALARMP_TEMP, SETALARMP_VALUE, SETALARMP_RAIN}) Name(set_alarmP, field, label);
}
