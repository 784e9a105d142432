// Display side of the UI records. Group records are copied word for word into the
// matching group of UI_data (the layouts are the same on both threads); replies to the
// dialogs only reach a dialog that still shows what was asked for, so a late answer to
// an alarm or a min/max record the user has left changes nothing.
#include "app/dispatcher.h"

#include <cstring>

#include "app/KOR.h"
#include "app/alarm_controls.h"
#include "app/alarm_display.h"
#include "app/desktop_notice.h"
#include "app/display.h"
#include "app/kor_panels.h"
#include "app/older_data_sets.h"
#include "app/link_display.h"
#include "app/setup_record.h"
#include "app/tooltips.h"
#include "app/ui_data.h"
#include "graphs/graphs_window.h"
#include "history/history_view.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "station/comm/tsq_records.h"
#include "station/settings/alarm_table.h"
#include "station/settings/command_sender.h"
#include "station/settings/history_timing.h"
#include "values/localisation.h"

static_assert(sizeof(WindGroup) <= sizeof(UIRecord::payload));
static_assert(sizeof(RainGroup) <= sizeof(UIRecord::payload));
static_assert(sizeof(PressureGroup) <= sizeof(UIRecord::payload));
static_assert(sizeof(KORHistoryHeader) <= sizeof(UIRecord::payload));
// The clock part runs from clock_offset to clock_poll_timer without a gap: 21 words.
static_assert(offsetof(KORData, clock_poll_timer) + 4 - offsetof(KORData, clock_offset) == 21 * 4);

namespace {

constexpr int kFreshSeconds = 180;
int general_alarm_hidden = 0;

// Field of the alarm dialog that shows a threshold read back.
enum AlarmField { FIELD_TEMPERATURE, FIELD_VALUE, FIELD_RAIN, FIELD_DIRECTION };

struct AlarmReadBack {
    int kind;
    int entry;     // alarm_values index
    int index;     // the dialog's alarm index this answer is for
    int quantity;  // -1: the number as it came (humidity)
    int field;
    int round;     // shown as a whole number
};

const AlarmReadBack kReadBacks[] = {
    {38, 0, 1, QUANTITY_INDOOR_TEMPERATURE, FIELD_TEMPERATURE, 0},
    {40, 1, 0, QUANTITY_INDOOR_TEMPERATURE, FIELD_TEMPERATURE, 0},
    {42, 2, 3, QUANTITY_OUTDOOR_TEMPERATURE, FIELD_TEMPERATURE, 0},
    {44, 3, 2, QUANTITY_OUTDOOR_TEMPERATURE, FIELD_TEMPERATURE, 0},
    {46, 4, 5, QUANTITY_WINDCHILL, FIELD_TEMPERATURE, 0},
    {48, 5, 4, QUANTITY_WINDCHILL, FIELD_TEMPERATURE, 0},
    {50, 6, 7, QUANTITY_DEWPOINT, FIELD_TEMPERATURE, 0},
    {52, 7, 6, QUANTITY_DEWPOINT, FIELD_TEMPERATURE, 0},
    {54, 8, 9, QUANTITY_WIND_SPEED, FIELD_VALUE, 1},
    {56, 9, 8, QUANTITY_WIND_SPEED, FIELD_VALUE, 1},
    {58, 10, 10, -1, FIELD_DIRECTION, 0},
    {60, 11, 12, QUANTITY_ABSOLUTE_PRESSURE, FIELD_VALUE, 0},
    {62, 12, 11, QUANTITY_ABSOLUTE_PRESSURE, FIELD_VALUE, 0},
    // Relative thresholds come back already relative: shown without the correction.
    {64, 13, 14, QUANTITY_ABSOLUTE_PRESSURE, FIELD_VALUE, 0},
    {66, 14, 13, QUANTITY_ABSOLUTE_PRESSURE, FIELD_VALUE, 0},
    {69, 15, 17, -1, FIELD_VALUE, 0},
    {71, 16, 16, -1, FIELD_VALUE, 0},
    {73, 17, 19, -1, FIELD_VALUE, 0},
    {75, 18, 18, -1, FIELD_VALUE, 0},
    {77, 19, 20, QUANTITY_RAIN_1H, FIELD_RAIN, 0},
    {79, 20, 21, QUANTITY_RAIN_24H, FIELD_RAIN, 0},
};

// Kind of a written-and-confirmed reply and the pending slot it clears.
struct AlarmWritten {
    int kind;
    int slot;
};

const AlarmWritten kWrittenReplies[] = {
    {37, 1},  {39, 0},  {41, 3},  {43, 2},  {45, 5},  {47, 4},  {49, 7},  {51, 6},
    {53, 9},  {55, 8},  {57, 10}, {59, 12}, {63, 12}, {61, 11}, {65, 11}, {67, 13},
    {68, 15}, {70, 14}, {72, 17}, {74, 16}, {76, 18}, {78, 19},
};

float PayloadFloat(const UIRecord *r, int word) {
    float f;
    memcpy(&f, &r->payload[word], sizeof f);
    return f;
}

void ConfirmAlarmWritten(int slot) {
    UI_data.alarm_change_pending[slot] = 0;
    ShowAlarmEnables(&UI_data.alarm_enable);
    const int symbol = AlarmSymbolControl(slot);
    SetCtrlAttribute(korP, symbol, ATTR_DIMMED, 0);
    SetCtrlAttribute(korP, symbol, ATTR_VISIBLE, 1);
    ShowAlarmSymbol(slot);
}

void ShowAlarmReadBack(const AlarmReadBack &a, const UIRecord *r) {
    int index = -1;
    GetCtrlVal(set_alarmP, SETALARMP_INDEX, &index);
    if (index != a.index) return;
    memcpy(&UI_data.alarm_values[a.entry], r->payload, sizeof(AlarmEntry));
    if (a.field == FIELD_DIRECTION) {
        // The reply carries the mask in word 4; the entry keeps it in its direction_mask
        // word (word 3), where the alarm dialog looks for it.
        const uint32_t mask = r->payload[4];
        UI_data.alarm_values[a.entry].direction_mask = mask;
        for (int i = 0; i < 16; ++i) {
            SetCtrlAttribute(set_alarmP, SETALARMP_DIR_0 + i, ATTR_DIMMED, 0);
            SetCtrlVal(set_alarmP, SETALARMP_DIR_0 + i, static_cast<int>((mask >> i) & 1u));
        }
        SetCtrlAttribute(set_alarmP, SETALARMP_OK, ATTR_DIMMED, 0);
        return;
    }
    const float value = PayloadFloat(r, 2);
    double shown = value;
    if (a.quantity >= 0) shown = LocaliseMeasuredValues(a.quantity, &setup.units, &value)->value;
    if (a.round) shown = static_cast<double>(static_cast<long>(shown + (shown < 0 ? -0.5 : 0.5)));
    const int control = a.field == FIELD_TEMPERATURE ? SETALARMP_TEMP
                        : a.field == FIELD_RAIN      ? SETALARMP_RAIN
                                                     : SETALARMP_VALUE;
    SetCtrlVal(set_alarmP, control, shown);
    SetCtrlAttribute(set_alarmP, control, ATTR_DIMMED, 0);
    SetCtrlAttribute(set_alarmP, SETALARMP_OK, ATTR_DIMMED, 0);
}

bool DispatchAlarmReply(const UIRecord *r) {
    for (const AlarmWritten &w : kWrittenReplies) {
        if (w.kind != r->kind) continue;
        ConfirmAlarmWritten(w.slot);
        return true;
    }
    for (const AlarmReadBack &a : kReadBacks) {
        if (a.kind != r->kind) continue;
        ShowAlarmReadBack(a, r);
        return true;
    }
    return false;
}

void ShowError(int text) {
    char title[304];
    char message[304];
    GetPanelText(TXTP_ERROR_TITLE, title, sizeof title);
    GetPanelText(text, message, sizeof message);
    MessagePopup(title, message);
}

// A change that never reached the console: its lamp stops waiting (the flags read next
// show what the console holds) and the user is told to make it again.
void TakeCommandFailed(const UIRecord *r) {
    const int code = static_cast<int>(r->payload[0]);
    for (int index = 0; index < kAlarmCount; ++index) {
        const AlarmRow *row = AlarmRowOf(index);
        if (row->write_code == code || row->second_code == code) ConfirmAlarmWritten(row->slot);
    }
    const CommandRecord flags = MakeCommandRecord(6);
    (void)SendCommandRecord(&flags);
    ShowError(TXTP_COMMAND_FAILED);
}

void TakeHistorySettingsRefused(const UIRecord *r) {
    SetCtrlAttribute(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED, 0);
    static const int kTexts[] = {TXTP_INTERVAL_REFUSED_LINK,   TXTP_INTERVAL_REFUSED_DISC,
                                 TXTP_INTERVAL_REFUSED_FILE,   TXTP_INTERVAL_REFUSED_HEADER,
                                 TXTP_INTERVAL_REFUSED_BUSY,   TXTP_INTERVAL_REFUSED_OLDER};
    const uint32_t reason = r->payload[0];
    const bool known = reason >= 1 && reason <= sizeof kTexts / sizeof kTexts[0];
    ShowError(known ? kTexts[reason - 1] : TXTP_INTERVAL_REFUSED_HEADER);
}

template <typename Group>
void CopyGroup(Group *group, const UIRecord *r) {
    memcpy(group, r->payload, sizeof(Group));
}

void HideGeneralAlarm() {
    general_alarm_hidden = 1;
    SetCtrlAttribute(korP, KORP_GENERAL_ALARM, ATTR_VISIBLE, 0);
    SetCtrlAttribute(korP, KORP_GENERAL_ALARM_SYM, ATTR_VISIBLE, 0);
    SetCtrlAttribute(korP, KORP_GENERAL_ALARM_LABEL, ATTR_VISIBLE, 0);
    DiscardMainToolTip(KORP_GENERAL_ALARM);
}

void TakeStationID(const UIRecord *r) {
    const uint8_t id = static_cast<uint8_t>(r->payload[0] & 0xFFu);
    if (id == GetStationID()) return;
    SetStationID(id);
    // The console of identification 1 has no general alarm.
    if (id == 1) HideGeneralAlarm();
}

void TakeHistoryFile(const UIRecord *r) {
    CopyGroup(&UI_data.file_header, r);
    // The path crosses the queue as bytes; it need not be terminated.
    size_t n = 0;
    while (n < sizeof r->text && n < sizeof setup.history_file - 1 && r->text[n] != '\0') ++n;
    memcpy(setup.history_file, r->text, n);
    setup.history_file[n] = '\0';
    // A failed save is not shown; the path in memory is saved with the next save.
    (void)SaveSetup(&setup);
    UI_data.history_file_ok = 1;
    ActualiseScrollBar(&UI_data.file_header);
    ActualiseCurrentInfoFileHeader(&UI_data.file_header);
    // Another file: its newest page.
    UpdateHistoryPanel(-1);
    FollowHistoryFile();
}

void TakeHistoryStored(const UIRecord *r) {
    // A view at the end follows the end; one on an older page stays there.
    const int follow = HistoryViewShowsEnd();
    CopyGroup(&UI_data.file_header, r);
    UI_data.history_file_ok = 1;
    ActualiseCurrentInfoFileHeader(&UI_data.file_header);
    ActualiseScrollBar(&UI_data.file_header);
    if (follow) UpdateHistoryPanel(-1);
    FollowHistoryFile();
}

// Data sets were put in front of the file: the data sets on screen stay on screen (they
// moved back in the file), and a view at the end stays there.
void TakeOlderDataSetsStored(const UIRecord *r) {
    const int follow = HistoryViewShowsEnd();
    int position = -1;
    GetCtrlVal(historyP, HISTORYP_SCROLLBAR, &position);
    const int before = UI_data.file_header.count;
    CopyGroup(&UI_data.file_header, r);
    UI_data.history_file_ok = 1;
    ActualiseCurrentInfoFileHeader(&UI_data.file_header);
    ActualiseScrollBar(&UI_data.file_header);
    const int added = UI_data.file_header.count - before;
    UpdateHistoryPanel(follow || position < 0 ? -1 : position + added);
    FollowHistoryFile();
    OlderDataSetsAnswered();
}

void TakeStationHistoryHeader(const UIRecord *r) {
    CopyGroup(&UI_data.station_header, r);
    UI_data.history_header_valid = 1;
    UI_data.history_round_period = UI_data.station_header.interval_code;
    // A negative countdown leaves the last time; the countdown display moves it on.
    (void)GetRealTimeToNextKORDataSet(&UI_data.station_header.countdown,
                                      &UI_data.history_next_time);
    SetCtrlAttribute(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED, 0);
}

}  // namespace

int GeneralAlarmHidden() { return general_alarm_hidden; }

void DispatchUIRecord(const UIRecord *r) {
    if (r == nullptr) return;
    switch (r->kind) {
    case 0: SetCtrlVal(korP, KORP_RECEPTION, 1); return;
    case 1: SetCtrlVal(korP, KORP_RECEPTION, 0); return;
    case 2:
        memcpy(&UI_data.clock_offset, r->payload, 21 * 4);
        UI_data.history_file_ok = 1;
        return;
    case 3: TakeStationID(r); return;
    case 4:
    case 5: TakeHistoryStored(r); return;
    case 6: TakeHistoryFile(r); return;
    case 7:
        CopyGroup(&UI_data.wind, r);
        UI_data.wind.live_timer = kFreshSeconds;
        ShowWind(&UI_data.wind);
        return;
    case 8:
        CopyGroup(&UI_data.indoor_temp, r);
        UI_data.indoor_temp.live_timer = kFreshSeconds;
        ShowIndoorTemperature(&UI_data.indoor_temp);
        return;
    case 9:
        CopyGroup(&UI_data.outdoor_temp, r);
        UI_data.outdoor_temp.live_timer = kFreshSeconds;
        ShowOutdoorTemperature(&UI_data.outdoor_temp);
        UpdateTrayToolTip();
        return;
    case 10:
        CopyGroup(&UI_data.windchill, r);
        UI_data.windchill.live_timer = kFreshSeconds;
        ShowWindchill(&UI_data.windchill);
        return;
    case 11:
        CopyGroup(&UI_data.dewpoint, r);
        UI_data.dewpoint.live_timer = kFreshSeconds;
        ShowDewpoint(&UI_data.dewpoint);
        return;
    case 12:
        CopyGroup(&UI_data.indoor_hum, r);
        UI_data.indoor_hum.live_timer = kFreshSeconds;
        ShowIndoorHumidity(&UI_data.indoor_hum);
        return;
    case 13:
        CopyGroup(&UI_data.outdoor_hum, r);
        UI_data.outdoor_hum.live_timer = kFreshSeconds;
        ShowOutdoorHumidity(&UI_data.outdoor_hum);
        UpdateTrayToolTip();
        return;
    case 14:
        CopyGroup(&UI_data.alarm_enable, r);
        UI_data.alarm_enable.live_timer = kFreshSeconds;
        ShowAlarmEnables(&UI_data.alarm_enable);
        NoteAlarmsThatWentOff();
        return;
    case 15:
        // The blink timer shows the states.
        CopyGroup(&UI_data.alarm_state, r);
        UI_data.alarm_state.live_timer = kFreshSeconds;
        NoteAlarmsThatWentOff();
        return;
    case 16:
    case 17:
    case 18:
        CopyGroup(&UI_data.pressure, r);
        UI_data.pressure.live_timer = kFreshSeconds;
        if (r->kind == 16) ShowPressureValue(&UI_data.pressure);
        if (r->kind == 17) ShowPressureMinMax(&UI_data.pressure);
        if (r->kind == 18) ShowWeatherPicture(&UI_data.pressure);
        return;
    case 19:
        // Marked fresh before the redraw, as every other group: fresh rain is never
        // drawn dimmed until the next record.
        CopyGroup(&UI_data.rain, r);
        UI_data.rain.live_timer = kFreshSeconds;
        ShowRain(&UI_data.rain);
        return;
    case 33: TakeStationHistoryHeader(r); return;
    case 34: SetCtrlAttribute(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED, 0); return;
    case UI_HISTORY_SETTINGS_REFUSED: TakeHistorySettingsRefused(r); return;
    case UI_COMMAND_FAILED: TakeCommandFailed(r); return;
    case UI_OLDER_DATA_SETS_REJECTED: ShowError(TXTP_OLDER_REJECTED); return;
    case UI_OLDER_DATA_SETS: TakeOlderDataSetsOffer(r); return;
    case UI_OLDER_DATA_SETS_STORED: TakeOlderDataSetsStored(r); return;
    case 150: TakeLinkState(r); return;  // the state of the serial link
    default: break;
    }
    if (r->kind >= 20 && r->kind <= 30) {
        ShowMinMaxStamps(r);
        return;
    }
    if (r->kind >= 37 && r->kind <= 79) {
        DispatchAlarmReply(r);
        return;
    }
    if (r->kind >= 80 && r->kind <= 93) ConfirmReset(r->kind);
    // Every other kind (31, 32, 35, 36, the failures 96 to 140) is not the display's.
}

void ReadElementFromTSQ_to_UI(int queue, unsigned, int, void *) {
    int waiting = 0;
    while (CmtGetTSQAttribute(queue, ATTR_TSQ_ITEMS_IN_QUEUE, &waiting) >= 0 && waiting > 0) {
        UIRecord record;
        if (CmtReadTSQData(queue, &record, 1, TSQ_INFINITE_TIMEOUT, 0) != 1) return;
        DispatchUIRecord(&record);
    }
}
