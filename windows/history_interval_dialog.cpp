// The history interval dialog. The countdown to the next data set runs on the blink
// timer's second ticks; while the next time follows the interval (a round interval, or
// the station's own countdown) its hours and minutes are shown greyed and kept up to
// date, and once the user edits them only the seconds keep running.
#include "windows/history_interval_dialog.h"

#include <cstdio>

#include "windows/KOR.h"
#include "windows/kor_panels.h"
#include "windows/older_data_sets.h"
#include "records/ui_data.h"
#include "platform/panels.h"
#include "station/comm/polling_cycle.h"
#include "station/data/kor_memory_map.h"
#include "windows/command_sender.h"
#include "windows/history_timing.h"
#include "values/time_scales.h"

namespace {

constexpr int kWriteHistorySettings = 2;
constexpr int kFollowsPeriodColour = 0xC0C0C0;
constexpr int kEditableColour = 0xFFFFFF;
// The longest interval offered: one data set a day.
constexpr int kLongestPeriod = 1440;

int Value(int control) {
    int value = 0;
    GetCtrlVal(change_history_settingsP, control, &value);
    return value;
}

// Writes only a changed value, so that a number the user is typing into the field is not
// overwritten every second.
void ShowValue(int control, int value) {
    if (Value(control) != value) SetCtrlVal(change_history_settingsP, control, value);
}

void ColourNextFields(int colour) {
    SetCtrlAttribute(change_history_settingsP, CHGHISTP_NEXT_H, ATTR_TEXT_BGCOLOR, colour);
    SetCtrlAttribute(change_history_settingsP, CHGHISTP_NEXT_M, ATTR_TEXT_BGCOLOR, colour);
}

// The interval in minutes as the two fields give it, kept between 1 minute and a day.
int EnteredPeriod() {
    int hours = Value(CHGHISTP_PERIOD_H);
    int minutes = Value(CHGHISTP_PERIOD_M);
    if (hours == 0 && minutes == 0) {
        minutes = 1;
        SetCtrlVal(change_history_settingsP, CHGHISTP_PERIOD_M, minutes);
    }
    if (hours * 60 + minutes > kLongestPeriod) {
        hours = kLongestPeriod / 60;
        minutes = 0;
        SetCtrlVal(change_history_settingsP, CHGHISTP_PERIOD_H, hours);
        SetCtrlVal(change_history_settingsP, CHGHISTP_PERIOD_M, minutes);
    }
    return hours * 60 + minutes;
}

// Data sets on the console that the file lacks: the newer ones still to fetch and the
// older ones a new file did not take. Writing the interval empties the console, so the
// communication thread fetches them all first; the dialog says so.
void ShowWaitingDataSets() {
    int waiting = 0;
    if (UI_data.history_header_valid) {
        const int32_t newer = HistoryDataSetsToFetch(&UI_data.station_header, &UI_data.file_header,
                                                     0, HIST_MAX_DATA);
        waiting = (newer > 0 ? newer : 0) + OlderDataSetsOnConsoleCount();
    }
    if (waiting > 0) {
        char text[608];
        GetPanelText(waiting == 1 ? TXTP_CHGHISTP_WAITING_ONE : TXTP_CHGHISTP_WAITING_MANY, text,
                     sizeof text);
        char count[16];
        snprintf(count, sizeof count, "%d", waiting);
        FillTextField(text, sizeof text, "count", count);
        SetCtrlVal(change_history_settingsP, CHGHISTP_WAITING, text);
    }
    SetCtrlAttribute(change_history_settingsP, CHGHISTP_WAITING, ATTR_VISIBLE, waiting > 0 ? 1 : 0);
}

uint32_t Now() {
    uint32_t now = 0;
    GetCurrentLocalTime(&now);
    return now;
}

// A next time the user keeps or types is at most one interval away: the station would
// otherwise wait longer than its interval for the first data set. The minutes count from
// the next whole minute, so one interval is the period less one minute.
void KeepNextWithinPeriod(int period) {
    const int most = period > 0 ? period - 1 : 0;
    if (Value(CHGHISTP_NEXT_H) * 60 + Value(CHGHISTP_NEXT_M) <= most) return;
    SetCtrlVal(change_history_settingsP, CHGHISTP_NEXT_H, most / 60);
    SetCtrlVal(change_history_settingsP, CHGHISTP_NEXT_M, most % 60);
    GetRealTimeToNextKORDataSet(&most, &UI_data.history_next_time);
}

}  // namespace

int RefreshNextDataSetDisplayAt(int show_all, uint32_t now) {
    if (!UI_data.history_header_valid) {
        // Without the station's header there is nothing to change (a console without
        // history memory never sends one).
        SetCtrlAttribute(change_history_settingsP, CHGHISTP_OK, ATTR_DIMMED, 1);
        return -1;
    }
    SetCtrlAttribute(change_history_settingsP, CHGHISTP_OK, ATTR_DIMMED, 0);
    // history_round_period is an interval code: minutes minus 1.
    int64_t step = (int64_t{UI_data.history_round_period} + 1) * 60;
    if (step < 60) step = 60;
    int64_t d = int64_t{UI_data.history_next_time} - now;
    if (d < 0) {
        const int64_t steps = (-d + step - 1) / step;
        d += steps * step;
        UI_data.history_next_time = static_cast<uint32_t>(UI_data.history_next_time + steps * step);
    }
    if (d > step) {
        // At most one interval away: a countdown left from a longer interval would
        // otherwise be offered, and written back to the station, as it stands.
        const int64_t steps = (d - 1) / step;
        d -= steps * step;
        UI_data.history_next_time = static_cast<uint32_t>(UI_data.history_next_time - steps * step);
    }
    if (UI_data.history_next_from_period == 1) {
        if (!show_all) return 0;
        ShowValue(CHGHISTP_NEXT_H, static_cast<int>(d / 3600));
        ShowValue(CHGHISTP_NEXT_M, static_cast<int>(d % 3600 / 60));
        ShowValue(CHGHISTP_NEXT_S, static_cast<int>(d % 60));
        ColourNextFields(kFollowsPeriodColour);
        return 0;
    }
    ShowValue(CHGHISTP_NEXT_S, static_cast<int>(d % 60));
    ColourNextFields(kEditableColour);
    return 0;
}

int RefreshNextDataSetDisplay(int show_all) {
    if (show_all) ShowWaitingDataSets();  // the count falls while the download runs
    return RefreshNextDataSetDisplayAt(show_all, Now());
}

int OpenChangeHistorySettings(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int period = UI_data.station_header.interval_code + 1;
    if (period < 0) period = 0;
    SetCtrlVal(change_history_settingsP, CHGHISTP_PERIOD_H, period / 60);
    SetCtrlVal(change_history_settingsP, CHGHISTP_PERIOD_M, period % 60);
    UI_data.history_next_from_period = 1;
    RefreshNextDataSetDisplay(1);
    InstallPopup(change_history_settingsP);
    return 0;
}

int CB_HistoryPeriodSettingChanged(int, int, int event, void *, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    const int period = EnteredPeriod();
    int round = 0;
    const int is_round = CheckRoundPeriod(period, &round);
    if (is_round) {
        // Kept as an interval code, as the station header gives it, so that a boundary
        // that passes while the dialog is up moves on by exactly one round period.
        UI_data.history_round_period = round - 1;
        GetRoundetTimeToNextKORDataSet(round, &UI_data.history_next_time);
    } else {
        KeepNextWithinPeriod(period);
    }
    UI_data.history_next_from_period = is_round;
    RefreshNextDataSetDisplay(1);
    return 0;
}

int CB_HistoryNextSettingChanged(int, int, int event, void *, int, int) {
    if (event != EVENT_VAL_CHANGED && event != EVENT_LEFT_DOUBLE_CLICK) return 0;
    UI_data.history_next_from_period = 0;
    KeepNextWithinPeriod(EnteredPeriod());
    RefreshNextDataSetDisplay(1);
    return 0;
}

int SetHistorySettings(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int period = Value(CHGHISTP_PERIOD_H) * 60 + Value(CHGHISTP_PERIOD_M);
    if (period > kLongestPeriod) period = kLongestPeriod;
    KORHistoryHeader &header = UI_data.station_header;
    header.interval_code = period > 0 ? period - 1 : 0;
    header.countdown = Value(CHGHISTP_NEXT_H) * 60 + Value(CHGHISTP_NEXT_M);
    CommandRecord record = MakeCommandRecord(kWriteHistorySettings);
    record.param = header.interval_code;
    record.param2 = header.countdown;
    if (SendCommandRecord(&record) == 0)
        SetCtrlAttribute(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED, 1);  // until written
    else
        ReportCommandNotSent();
    RemovePopup(1);
    return 0;
}

void RegisterHistoryIntervalCallbacks() {
    RegisterCallback("OpenChangeHistorySettings", OpenChangeHistorySettings);
    RegisterCallback("CB_HistoryPeriodSettingChanged", CB_HistoryPeriodSettingChanged);
    RegisterCallback("CB_HistoryNextSettingChanged", CB_HistoryNextSettingChanged);
    RegisterCallback("SetHistorySettings", SetHistorySettings);
}
