// The clear-min/max and clear-general-alarm dialogs driven as a user drives them: a
// click on a min/max or rain field, the station's times arriving, the reset confirmed
// or cancelled, and the station's confirmation redrawing the main panel. The command
// queue is made here, without a communication thread.
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "windows/KOR.h"
#include "windows/alarm_display.h"
#include "windows/clear_dialogs.h"
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
#include "support/gui_app.h"

namespace {

std::vector<std::string> messages;

int RecordMessages(const PopupRequest *request, char *, int) {
    if (request->kind == POPUP_MESSAGE) messages.push_back(request->message);
    return 0;
}

int Attr(int panel, int control, int attribute) {
    int value = -1;
    GetCtrlAttribute(panel, control, attribute, &value);
    return value;
}

std::string Text(int panel, int control) {
    char buffer[512];
    GetCtrlString(panel, control, buffer, sizeof buffer);
    return buffer;
}

bool Up(int panel) {
    int visible = 0;
    GetPanelAttribute(panel, ATTR_VISIBLE, &visible);
    return visible != 0;
}

UIRecord Record(int kind) {
    UIRecord r;
    memset(&r, 0, sizeof r);
    r.kind = kind;
    return r;
}

// Minimum 07.12.06 00:05, maximum 08.12.06 13:05 (broken-down times of nine words).
UIRecord Stamps(int kind) {
    UIRecord r = Record(kind);
    const int32_t min_stamp[9] = {0, 5, 0, 7, 11, 106, 0, 0, 0};
    const int32_t max_stamp[9] = {0, 5, 13, 8, 11, 106, 0, 0, 0};
    memcpy(&r.payload[0], min_stamp, sizeof min_stamp);
    memcpy(&r.payload[9], max_stamp, sizeof max_stamp);
    return r;
}

void Click(int control, int event = EVENT_RIGHT_CLICK, int panel = -1) {
    LoadClearMinMax(panel < 0 ? korP : panel, control, event, nullptr, 0, 0);
}

void Press(CtrlCallbackPtr callback, int panel, int control) {
    callback(panel, control, EVENT_COMMIT, nullptr, 0, 0);
}

const char kPlaceholder[] = "Date: --.--.--\nTime: --:--";

class ClearDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(LoadAppPanelsForTests([](SetupRecord *s) {
                      s->units = UnitsRecord{0, 0, 0, 0, 0};
                      s->time_24h = 1;
                  }),
                  0);
    }

    void SetUp() override {
        setup.absolute_pressure = 0;
        SetUIDataToDefault();
        // The tests fill UI_data as the console's readings would.
        for (int kind = 7; kind <= 19; ++kind) MarkUIGroupDelivered(kind);
        RefreshKORPanelSurface();
        messages.clear();
        SetPopupTestResponder(RecordMessages);
        ASSERT_EQ(OpenCommandQueueForTests(), 0);
    }

    void TearDown() override {
        RemovePopup(1);
        CloseCommandQueueForTests();
        SetPopupTestResponder(nullptr);
    }

    static std::vector<int> SentCodes() {
        std::vector<int> codes;
        for (const CommandRecord &r : TakeCommandsSent()) codes.push_back(r.code);
        return codes;
    }
};

TEST_F(ClearDialogs, TemperatureRecordShowsItsTimesAndIsResetOnConfirmation) {
    TempGroup &t = UI_data.indoor_temp;
    t.current = 21.0f;
    t.min = 19.8f;
    t.max = 23.1f;
    t.live_timer = 180;
    ShowIndoorTemperature(&t);
    Click(KORP_ITEMP_MINMAX);
    EXPECT_EQ(SentCodes(), std::vector<int>{56});
    EXPECT_TRUE(Up(clr_min_maxP));
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_MIN_GROUP, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_MAX_GROUP, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_SINGLE_GROUP, ATTR_VISIBLE), 0);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MIN_VALUE), "19.8 \u00B0C ");
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MAX_VALUE), "23.1 \u00B0C ");
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MIN_DATETIME), kPlaceholder);
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_MIN_DATETIME, ATTR_DIMMED), 1);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_PROMPT), "Reset minimum and maximum to the present value?");

    const UIRecord other = Stamps(23);  // outdoor temperature: not this dialog's
    DispatchUIRecord(&other);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MIN_DATETIME), kPlaceholder);
    const UIRecord own = Stamps(22);
    DispatchUIRecord(&own);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MIN_DATETIME), "Date: 07.12.06\nTime: 00:05");
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MAX_DATETIME), "Date: 08.12.06\nTime: 13:05");
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_MAX_DATETIME, ATTR_DIMMED), 0);

    Press(ClearMinMax, clr_min_maxP, CLRMMP_OK);
    EXPECT_EQ(SentCodes(), std::vector<int>{67});
    EXPECT_FALSE(Up(clr_min_maxP));
    EXPECT_EQ(UI_data.minmax_clear_pending[2], 1);
    EXPECT_EQ(Attr(korP, KORP_ITEMP_MINMAX, ATTR_DIMMED), 1);
    const UIRecord done = Record(85);
    DispatchUIRecord(&done);
    EXPECT_EQ(UI_data.minmax_clear_pending[2], 0);
    EXPECT_FLOAT_EQ(UI_data.indoor_temp.min, 21.0f);
    EXPECT_EQ(Attr(korP, KORP_ITEMP_MINMAX, ATTR_DIMMED), 0);
    EXPECT_EQ(Text(korP, KORP_ITEMP_MINMAX), " min: 21.0 \u00B0C \n max: 21.0 \u00B0C");
}

TEST_F(ClearDialogs, RelativePressureTakesThePressureTimes) {
    UI_data.pressure.rel_offset = 10.0f;
    UI_data.pressure.min = 990.0f;
    UI_data.pressure.max = 1030.0f;
    Click(KORP_PRESS_MINMAX, EVENT_LEFT_DOUBLE_CLICK);
    EXPECT_EQ(SentCodes(), std::vector<int>{61});
    int code = 0;
    GetCtrlVal(clr_min_maxP, CLRMMP_CODE, &code);
    EXPECT_EQ(code, 11);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MIN_VALUE), "1000.0 hPa ");  // relative
    const UIRecord stamps = Stamps(27);
    DispatchUIRecord(&stamps);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MAX_DATETIME), "Date: 08.12.06\nTime: 13:05");
    Press(ClearMinMax, clr_min_maxP, CLRMMP_OK);
    EXPECT_EQ(SentCodes(), std::vector<int>{72});
    EXPECT_EQ(UI_data.minmax_clear_pending[7], 1);
}

TEST_F(ClearDialogs, RainCountersAndLargestRain) {
    // The 1-hour rain has no time of its own: single value only, nothing fetched.
    UI_data.rain.rain_1h = 2.5f;
    UI_data.rain.live_timer = 180;
    ShowRain(&UI_data.rain);
    Click(KORP_RAIN_1H);
    EXPECT_TRUE(SentCodes().empty());
    EXPECT_TRUE(Up(clr_min_maxP));
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_SINGLE_GROUP, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_MIN_GROUP, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_SINGLE_DATETIME, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_SINGLE_LABEL, ATTR_VISIBLE), 0);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_SINGLE_VALUE), "2.5 mm ");
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_PROMPT), "Set this rain counter to 0?");
    Press(ClearMinMax, clr_min_maxP, CLRMMP_OK);
    EXPECT_EQ(SentCodes(), std::vector<int>{52});
    EXPECT_EQ(UI_data.minmax_clear_pending[11], 1);
    const UIRecord done = Record(81);
    DispatchUIRecord(&done);
    EXPECT_EQ(Text(korP, KORP_RAIN_1H), "0.0 mm");
    EXPECT_EQ(UI_data.minmax_clear_pending[11], 0);

    // The rain total has the time of its last reset, shown in the single group again.
    Click(KORP_RAIN_TOTAL);
    EXPECT_EQ(SentCodes(), std::vector<int>{62});
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_SINGLE_DATETIME, ATTR_VISIBLE), 1);
    UIRecord reset_time = Stamps(28);
    DispatchUIRecord(&reset_time);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_SINGLE_DATETIME), "Date: 07.12.06\nTime: 00:05");
    Press(ClearMinMax, clr_min_maxP, CLRMMP_OK);
    EXPECT_EQ(SentCodes(), std::vector<int>{51});
    EXPECT_EQ(UI_data.minmax_clear_pending[10], 1);

    // The largest 24-hour rain: the maximum group alone.
    Click(KORP_RAIN_MAX_24H);
    EXPECT_EQ(SentCodes(), std::vector<int>{64});
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_MAX_GROUP, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_SINGLE_GROUP, ATTR_VISIBLE), 0);
    Press(AbortPopup, clr_min_maxP, CLRMMP_CANCEL);
    EXPECT_TRUE(SentCodes().empty());
    EXPECT_EQ(UI_data.minmax_clear_pending[9], 0);
    EXPECT_FALSE(Up(clr_min_maxP));
}

TEST_F(ClearDialogs, GeneralAlarmIsClearedAndItsMarkTurnsGreyOnConfirmation) {
    LoadClearGeneralAlarm(korP, KORP_GENERAL_ALARM, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    EXPECT_TRUE(Up(clr_gen_alP));
    Press(ClearGeneralAlarm, clr_gen_alP, CLRGAP_OK);
    EXPECT_EQ(SentCodes(), std::vector<int>{75});
    EXPECT_FALSE(Up(clr_gen_alP));
    EXPECT_EQ(UI_data.general_alarm_clear_pending, 1);
    EXPECT_EQ(Attr(korP, KORP_GENERAL_ALARM, ATTR_DIMMED), 1);
    EXPECT_EQ(Attr(korP, KORP_GENERAL_ALARM_SYM, ATTR_TEXT_COLOR), kSymbolRed);
    const UIRecord done = Record(93);
    DispatchUIRecord(&done);
    EXPECT_EQ(UI_data.general_alarm_clear_pending, 0);
    EXPECT_EQ(Attr(korP, KORP_GENERAL_ALARM, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(korP, KORP_GENERAL_ALARM_SYM, ATTR_TEXT_COLOR), kSymbolGrey);

    LoadClearGeneralAlarm(korP, KORP_GENERAL_ALARM, EVENT_RIGHT_CLICK, nullptr, 0, 0);
    Press(AbortPopup, clr_gen_alP, CLRGAP_CANCEL);
    EXPECT_TRUE(SentCodes().empty());
    EXPECT_FALSE(Up(clr_gen_alP));
}

TEST_F(ClearDialogs, OtherEventsPanelsAndAMissingThreadOpenNothing) {
    Click(KORP_ITEMP_MINMAX, EVENT_COMMIT);
    Click(KORP_ITEMP_MINMAX, EVENT_RIGHT_CLICK, historyP);
    Click(KORP_ITEMP);  // not a min/max field
    LoadClearGeneralAlarm(korP, KORP_GENERAL_ALARM, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_TRUE(SentCodes().empty());
    EXPECT_FALSE(Up(clr_min_maxP));
    EXPECT_FALSE(Up(clr_gen_alP));

    CloseCommandQueueForTests();
    Click(KORP_WIND_MINMAX);
    EXPECT_FALSE(Up(clr_min_maxP));
    EXPECT_EQ(messages.size(), 1u);
    LoadClearGeneralAlarm(korP, KORP_GENERAL_ALARM, EVENT_RIGHT_CLICK, nullptr, 0, 0);
    Press(ClearGeneralAlarm, clr_gen_alP, CLRGAP_OK);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(UI_data.general_alarm_clear_pending, 0);  // nothing is on its way
    EXPECT_FALSE(Up(clr_gen_alP));
}

}  // namespace
