// The history interval dialog driven as a user drives it: the station's history header
// arrives, the dialog opens on its interval and countdown, the interval is changed
// (round and not round), the next time is edited, and OK sends both numbers. Countdown
// values are checked at given instants, so nothing here depends on the machine's pace.
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "windows/KOR.h"
#include "windows/alarm_display.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "app/startup.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "station/comm/tsq_records.h"
#include "windows/history_interval_dialog.h"
#include "values/time_scales.h"
#include "support/gui_app.h"

namespace {

int messages = 0;

int CountMessages(const PopupRequest *request, char *, int) {
    if (request->kind == POPUP_MESSAGE) ++messages;
    return 0;
}

int Value(int control) {
    int value = -1;
    GetCtrlVal(change_history_settingsP, control, &value);
    return value;
}

int Attr(int panel, int control, int attribute) {
    int value = -1;
    GetCtrlAttribute(panel, control, attribute, &value);
    return value;
}

bool DialogUp() {
    int visible = 0;
    GetPanelAttribute(change_history_settingsP, ATTR_VISIBLE, &visible);
    return visible != 0;
}

uint32_t Now() {
    uint32_t now = 0;
    GetCurrentLocalTime(&now);
    return now;
}

// The user types a value into a field: the field changes, then its callback runs.
void Enter(int control, int value, CtrlCallbackPtr callback) {
    SetCtrlVal(change_history_settingsP, control, value);
    callback(change_history_settingsP, control, EVENT_VAL_CHANGED, nullptr, 0, 0);
}

void EnterPeriod(int hours, int minutes) {
    SetCtrlVal(change_history_settingsP, CHGHISTP_PERIOD_H, hours);
    Enter(CHGHISTP_PERIOD_M, minutes, CB_HistoryPeriodSettingChanged);
}

void Commit(CtrlCallbackPtr callback, int panel, int control) {
    callback(panel, control, EVENT_COMMIT, nullptr, 0, 0);
}

class HistoryIntervalDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(LoadAppPanelsForTests(), 0);
    }

    void SetUp() override {
        SetUIDataToDefault();
        messages = 0;
        SetPopupTestResponder(CountMessages);
        ASSERT_EQ(OpenCommandQueueForTests(), 0);
    }

    void TearDown() override {
        RemovePopup(1);
        CloseCommandQueueForTests();
        SetPopupTestResponder(nullptr);
    }

    // The station's header as the communication thread sends it.
    static void HeaderArrives(int interval_code, int countdown) {
        KORHistoryHeader header = UI_data.station_header;
        header.interval_code = interval_code;
        header.countdown = countdown;
        UIRecord r;
        memset(&r, 0, sizeof r);
        r.kind = 33;
        memcpy(r.payload, &header, sizeof header);
        DispatchUIRecord(&r);
    }

    static std::vector<CommandRecord> Sent() { return TakeCommandsSent(); }
};

TEST_F(HistoryIntervalDialog, TheNextDataSetIsNeverMoreThanOneIntervalAhead) {
    // Every minute, but the countdown left from a longer interval says 13 minutes.
    HeaderArrives(0, 13);
    Commit(OpenChangeHistorySettings, historyP, HISTORYP_HIST_SETTINGS);
    const int shown = Value(CHGHISTP_NEXT_H) * 3600 + Value(CHGHISTP_NEXT_M) * 60 +
                      Value(CHGHISTP_NEXT_S);
    EXPECT_LE(shown, 60);
    EXPECT_LE(UI_data.history_next_time, Now() + 60);
    Sent();
    Commit(SetHistorySettings, change_history_settingsP, CHGHISTP_OK);
    const std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].param, 0);
    EXPECT_LE(sent[0].param2, 1);  // not the stale 13 minutes

    // Nor after a change to an interval that is not round, nor when typed.
    HeaderArrives(14, 12);
    Commit(OpenChangeHistorySettings, historyP, HISTORYP_HIST_SETTINGS);
    EnterPeriod(0, 7);
    EXPECT_LE(Value(CHGHISTP_NEXT_H) * 60 + Value(CHGHISTP_NEXT_M), 6);  // and its seconds
    Enter(CHGHISTP_NEXT_M, 40, CB_HistoryNextSettingChanged);
    EXPECT_EQ(Value(CHGHISTP_NEXT_M), 6);
}

TEST_F(HistoryIntervalDialog, OpensOnTheStationsIntervalAndCountsDown) {
    const uint32_t before = Now();
    HeaderArrives(29, 10);  // every 30 minutes, next in 10 whole minutes
    EXPECT_EQ(UI_data.history_header_valid, 1);
    EXPECT_EQ(UI_data.history_round_period, 29);
    // The next whole minute plus 10 minutes.
    EXPECT_GT(UI_data.history_next_time, before + 600);
    EXPECT_LE(UI_data.history_next_time, Now() + 660);
    Commit(OpenChangeHistorySettings, historyP, HISTORYP_HIST_SETTINGS);
    EXPECT_TRUE(DialogUp());
    EXPECT_EQ(Value(CHGHISTP_PERIOD_H), 0);
    EXPECT_EQ(Value(CHGHISTP_PERIOD_M), 30);
    const int shown = Value(CHGHISTP_NEXT_H) * 3600 + Value(CHGHISTP_NEXT_M) * 60 +
                      Value(CHGHISTP_NEXT_S);
    EXPECT_GT(shown, 600);
    EXPECT_LE(shown, 660);
    EXPECT_EQ(Attr(change_history_settingsP, CHGHISTP_OK, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(change_history_settingsP, CHGHISTP_NEXT_H, ATTR_TEXT_BGCOLOR), 0xC0C0C0);

    const uint32_t t = 1700000000u;
    UI_data.history_next_time = t;
    EXPECT_EQ(RefreshNextDataSetDisplayAt(1, t - 1565), 0);
    EXPECT_EQ(Value(CHGHISTP_NEXT_H), 0);
    EXPECT_EQ(Value(CHGHISTP_NEXT_M), 26);
    EXPECT_EQ(Value(CHGHISTP_NEXT_S), 5);
    // Hidden dialog: nothing is shown.
    EXPECT_EQ(RefreshNextDataSetDisplayAt(0, t - 60), 0);
    EXPECT_EQ(Value(CHGHISTP_NEXT_M), 26);
    // The data set passed: the next one is one interval (30 min) later.
    EXPECT_EQ(RefreshNextDataSetDisplayAt(1, t + 10), 0);
    EXPECT_EQ(UI_data.history_next_time, t + 1800);
    EXPECT_EQ(Value(CHGHISTP_NEXT_M), 29);
    EXPECT_EQ(Value(CHGHISTP_NEXT_S), 50);

    // The blink timer drives it while the dialog is up: 25 min 25 s away stays 25 min
    // for a few seconds whatever the machine's pace.
    UI_data.history_next_time = Now() + 1525;
    for (int i = 0; i < 2; ++i) BlinkTimer(korP, KORP_BLINK_TIMER, EVENT_TIMER_TICK, nullptr, 0, 500);
    EXPECT_EQ(Value(CHGHISTP_NEXT_H), 0);
    EXPECT_EQ(Value(CHGHISTP_NEXT_M), 25);
}

TEST_F(HistoryIntervalDialog, RoundIntervalsPutTheNextDataSetOnTheStationsClock) {
    UI_data.clock_offset = 90.0f;  // the station's clock runs 90 s behind
    HeaderArrives(4, 3);
    Commit(OpenChangeHistorySettings, historyP, HISTORYP_HIST_SETTINGS);

    const uint32_t before = Now();
    EnterPeriod(1, 0);
    EXPECT_EQ(UI_data.history_next_from_period, 1);
    EXPECT_EQ(UI_data.history_round_period, 59);
    const uint32_t next = UI_data.history_next_time;
    EXPECT_EQ((next - 90) % 3600, 0u);  // a whole hour of the station's clock
    EXPECT_GT(next, before);
    EXPECT_LE(next, Now() + 3600);

    EnterPeriod(0, 50);  // a multiple of 10: the next ten minutes
    EXPECT_EQ(UI_data.history_next_from_period, 1);
    EXPECT_EQ(UI_data.history_round_period, 9);
    EXPECT_EQ((UI_data.history_next_time - 90) % 600, 0u);

    const uint32_t kept = UI_data.history_next_time;
    EnterPeriod(0, 45);  // not round: the next time stays, the user sets it
    EXPECT_EQ(UI_data.history_next_from_period, 0);
    EXPECT_EQ(UI_data.history_next_time, kept);
    EXPECT_EQ(Attr(change_history_settingsP, CHGHISTP_NEXT_M, ATTR_TEXT_BGCOLOR), 0xFFFFFF);

    EnterPeriod(0, 5);
    EXPECT_EQ(UI_data.history_next_from_period, 1);
    EXPECT_EQ(UI_data.history_round_period, 4);
    EnterPeriod(0, 25);
    EXPECT_EQ(UI_data.history_next_from_period, 0);

    // A round interval passing while the dialog is up moves on by the round period.
    EnterPeriod(0, 15);
    const uint32_t boundary = UI_data.history_next_time;
    EXPECT_EQ(RefreshNextDataSetDisplayAt(1, boundary + 1), 0);
    EXPECT_EQ(UI_data.history_next_time, boundary + 900);
}

TEST_F(HistoryIntervalDialog, IntervalStaysBetweenOneMinuteAndADay) {
    HeaderArrives(59, 0);
    Commit(OpenChangeHistorySettings, historyP, HISTORYP_HIST_SETTINGS);
    EnterPeriod(0, 0);
    EXPECT_EQ(Value(CHGHISTP_PERIOD_M), 1);
    EnterPeriod(24, 30);
    EXPECT_EQ(Value(CHGHISTP_PERIOD_H), 24);
    EXPECT_EQ(Value(CHGHISTP_PERIOD_M), 0);
    EXPECT_EQ(UI_data.history_round_period, 1439);  // one data set a day is round
}

TEST_F(HistoryIntervalDialog, OkSendsTheIntervalCodeAndTheCountdown) {
    HeaderArrives(59, 20);
    Commit(OpenChangeHistorySettings, historyP, HISTORYP_HIST_SETTINGS);
    Sent();
    EnterPeriod(2, 30);
    Enter(CHGHISTP_NEXT_H, 0, CB_HistoryNextSettingChanged);
    Enter(CHGHISTP_NEXT_M, 10, CB_HistoryNextSettingChanged);
    EXPECT_EQ(UI_data.history_next_from_period, 0);
    // While the user edits the next time, the countdown leaves hours and minutes alone.
    UI_data.history_next_time = 1700000000u;
    RefreshNextDataSetDisplayAt(1, 1700000000u - 7322);
    EXPECT_EQ(Value(CHGHISTP_NEXT_H), 0);
    EXPECT_EQ(Value(CHGHISTP_NEXT_M), 10);
    EXPECT_EQ(Value(CHGHISTP_NEXT_S), 2);
    Commit(SetHistorySettings, change_history_settingsP, CHGHISTP_OK);
    const std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, 2);
    EXPECT_EQ(sent[0].param, 149);
    EXPECT_EQ(sent[0].param2, 10);
    EXPECT_EQ(UI_data.station_header.interval_code, 149);
    EXPECT_EQ(UI_data.station_header.countdown, 10);
    EXPECT_FALSE(DialogUp());
    EXPECT_EQ(Attr(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED), 1);
    UIRecord written;
    memset(&written, 0, sizeof written);
    written.kind = 34;
    DispatchUIRecord(&written);
    EXPECT_EQ(Attr(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED), 0);
}

TEST_F(HistoryIntervalDialog, WithoutTheStationsHeaderOrQueueNothingIsSent) {
    // A console without history memory never sends its header: nothing to change.
    Commit(OpenChangeHistorySettings, historyP, HISTORYP_HIST_SETTINGS);
    EXPECT_TRUE(DialogUp());
    EXPECT_EQ(RefreshNextDataSetDisplay(1), -1);
    EXPECT_EQ(Attr(change_history_settingsP, CHGHISTP_OK, ATTR_DIMMED), 1);
    Commit(AbortPopup, change_history_settingsP, CHGHISTP_CANCEL);
    EXPECT_FALSE(DialogUp());
    EXPECT_TRUE(Sent().empty());

    HeaderArrives(59, 5);
    CloseCommandQueueForTests();
    Commit(OpenChangeHistorySettings, historyP, HISTORYP_HIST_SETTINGS);
    Commit(SetHistorySettings, change_history_settingsP, CHGHISTP_OK);
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(Attr(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED), 0);  // nothing on its way
    EXPECT_FALSE(DialogUp());
}

}  // namespace
