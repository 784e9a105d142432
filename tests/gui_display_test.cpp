// The display side of the UI records, driven as the UI queue callback drives it, with
// the panels loaded from the shipped resource file on the offscreen platform.
#include <QApplication>
#include <QWidget>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "windows/KOR.h"
#include "windows/alarm_controls.h"
#include "windows/alarm_display.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "app/startup.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "platform/panels.h"
#include "support/temp_folder.h"

namespace {

std::string Text(int panel, int control) {
    char buffer[512];
    GetCtrlString(panel, control, buffer, sizeof buffer);
    return buffer;
}

int Attr(int panel, int control, int attribute) {
    int value = -1;
    GetCtrlAttribute(panel, control, attribute, &value);
    return value;
}

QWidget *Widget(const char *name) {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(name)) return w;
    return nullptr;
}

int IntVal(int panel, int control) {
    int value = -1;
    GetCtrlVal(panel, control, &value);
    return value;
}

double DoubleVal(int panel, int control) {
    double value = -1;
    GetCtrlVal(panel, control, &value);
    return value;
}

template <typename Group>
UIRecord GroupRecord(int kind, const Group &group) {
    UIRecord r;
    memset(&r, 0, sizeof r);
    r.kind = kind;
    memcpy(r.payload, &group, sizeof group);
    return r;
}

UIRecord Empty(int kind) {
    UIRecord r;
    memset(&r, 0, sizeof r);
    r.kind = kind;
    return r;
}

void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) BlinkTimer(korP, KORP_BLINK_TIMER, EVENT_TIMER_TICK, nullptr, 0, 500);
}

// Ticks until a tick has just counted a second, so the next one counts none.
void AlignToCountingTick() {
    for (int i = 0; i < 3; ++i) {
        UI_data.reception.poll_timer = 1000;
        Tick();
        if (UI_data.reception.poll_timer == 999) return;
    }
    FAIL() << "no tick counted a second";
}

class Display : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        memset(&setup, 0, sizeof setup);
        SetSetupToDefault(&setup);
        setup.units = UnitsRecord{0, 0, 0, 0, 0};  // hPa, m/s, degC, %, mm
        setup.time_24h = 1;
        RegisterAppWidgets();
        RegisterAppCallbacks();
        ASSERT_EQ(LoadInitAllPanels(), 0);
    }
    void SetUp() override {
        SetUIDataToDefault();
        RefreshKORPanelSurface();
    }
};

TEST_F(Display, TemperatureHumidityAndPressureRecordsFillUIDataAndControls) {
    TempGroup t = UI_data.indoor_temp;
    t.current = 22.57f;
    t.min = 19.8f;
    t.max = 23.1f;
    t.live_timer = 0;
    const UIRecord r = GroupRecord(8, t);
    DispatchUIRecord(&r);
    EXPECT_FLOAT_EQ(UI_data.indoor_temp.current, 22.57f);
    EXPECT_EQ(UI_data.indoor_temp.live_timer, 180);
    EXPECT_EQ(Text(korP, KORP_ITEMP), "22.5 \u00B0C");
    EXPECT_EQ(Text(korP, KORP_ITEMP_MINMAX), " min: 19.8 \u00B0C \n max: 23.1 \u00B0C");
    EXPECT_NEAR(DoubleVal(korP, KORP_ITEMP_GAUGE), 22.5, 1e-4);
    double end = 0;  // the thermometer runs from the scale's lower end to the range's upper
    GetCtrlAttribute(korP, KORP_ITEMP_GAUGE, ATTR_MIN_VALUE, &end);
    EXPECT_DOUBLE_EQ(end, -10.0);
    GetCtrlAttribute(korP, KORP_ITEMP_GAUGE, ATTR_MAX_VALUE, &end);
    EXPECT_DOUBLE_EQ(end, 60.0);
    EXPECT_EQ(Attr(korP, KORP_ITEMP, ATTR_DIMMED), 0);

    TempGroup dew = UI_data.dewpoint;
    dew.current = 5.31f;
    dew.min = -2.0f;
    dew.max = 9.0f;
    const UIRecord d = GroupRecord(11, dew);
    DispatchUIRecord(&d);
    EXPECT_EQ(Text(korP, KORP_DEW), "5.3 \u00B0C");
    EXPECT_EQ(Text(korP, KORP_DEW_MINMAX), " min: -2.0 \u00B0C\n max: 9.0 \u00B0C");

    TempGroup h = UI_data.outdoor_hum;
    h.current = 81.0f;
    h.min = 40.0f;
    h.max = 95.0f;
    const UIRecord hr = GroupRecord(13, h);
    DispatchUIRecord(&hr);
    EXPECT_EQ(Text(korP, KORP_OHUM), "81 %");
    EXPECT_EQ(Text(korP, KORP_OHUM_MINMAX), " min: 40 % \n max: 95 %");

    PressureGroup p = UI_data.pressure;
    p.current = 1013.25f;
    p.rel_offset = 10.0f;
    p.min = 990.0f;
    p.max = 1030.0f;
    p.weather = 2;
    p.trend = 1;
    for (int kind : {16, 17, 18}) {
        const UIRecord pr = GroupRecord(kind, p);
        DispatchUIRecord(&pr);
    }
    EXPECT_EQ(UI_data.pressure.live_timer, 180);
    EXPECT_EQ(Text(korP, KORP_PRESSURE), "1023.2 hPa");  // relative: absolute + offset
    EXPECT_EQ(Text(korP, KORP_PRESS_MINMAX), " min: 1000.0 hPa\n max: 1040.0 hPa");
    EXPECT_EQ(IntVal(korP, KORP_WEATHER), 2);
    EXPECT_EQ(IntVal(korP, KORP_TREND), 1);
}

TEST_F(Display, WindShowsDirectionBearingAndBeaufort) {
    WindGroup w = UI_data.wind;
    w.current = 8.8f;  // Beaufort 5 from 8.75 m/s
    w.direction = 11;
    w.min = 0.0f;
    w.max = 12.3f;
    UIRecord r = GroupRecord(7, w);
    DispatchUIRecord(&r);
    EXPECT_EQ(Text(korP, KORP_WIND), "8.8 m/s");
    EXPECT_EQ(Text(korP, KORP_WIND_DIR), "WSW\n247.5\u00B0");
    EXPECT_EQ(Text(korP, KORP_BEAUFORT), "5");
    EXPECT_EQ(IntVal(korP, KORP_WIND_COMPASS), 11);
    EXPECT_EQ(Text(korP, KORP_WIND_MINMAX), " min: 0.0 m/s\n max: 12.3 m/s");

    w.current = 51.0f;  // the station's "not available"
    r = GroupRecord(7, w);
    DispatchUIRecord(&r);
    EXPECT_EQ(Text(korP, KORP_WIND), "---");
    EXPECT_EQ(Text(korP, KORP_WIND_DIR), "---\n---");
    EXPECT_EQ(Attr(korP, KORP_BEAUFORT, ATTR_DIMMED), 1);

    w.current = 51.1f;  // overflow
    r = GroupRecord(7, w);
    DispatchUIRecord(&r);
    EXPECT_EQ(Text(korP, KORP_WIND), "OFL");
    EXPECT_EQ(Text(korP, KORP_BEAUFORT), "12");
    EXPECT_EQ(Attr(korP, KORP_BEAUFORT, ATTR_DIMMED), 0);

    setup.decimal_comma = 1;
    w.current = 3.0f;
    w.direction = 3;
    r = GroupRecord(7, w);
    DispatchUIRecord(&r);
    setup.decimal_comma = 0;
    EXPECT_EQ(Text(korP, KORP_WIND_DIR), "ENE\n67,5\u00B0");
    EXPECT_EQ(Text(korP, KORP_WIND), "3,0 m/s");
}

TEST_F(Display, RainAlarmEnablesAndReception) {
    RainGroup g = UI_data.rain;
    g.total.value = 123.45f;
    g.rain_1h = 1.2f;
    g.rain_24h = 7.5f;
    g.max_1h.value = 4.0f;
    g.max_24h.value = 20.0f;
    const UIRecord r = GroupRecord(19, g);
    DispatchUIRecord(&r);
    EXPECT_EQ(UI_data.rain.live_timer, 180);
    EXPECT_EQ(Text(korP, KORP_RAIN_TOTAL), "123.4 mm");
    EXPECT_EQ(Text(korP, KORP_RAIN_1H), "1.2 mm");
    EXPECT_EQ(Text(korP, KORP_RAIN_24H), "7.5 mm");
    EXPECT_EQ(Text(korP, KORP_RAIN_MAX_1H), " max: 4.0 mm");
    EXPECT_EQ(Text(korP, KORP_RAIN_MAX_24H), " max: 20.0 mm");
    // Each gauge runs to the round number at or above its value, 10 mm at least.
    const auto scale_top = [](int gauge) {
        double end = 0;
        GetCtrlAttribute(korP, gauge, ATTR_MAX_VALUE, &end);
        return end;
    };
    EXPECT_DOUBLE_EQ(scale_top(KORP_RAIN_TOTAL_GAUGE), 200.0);
    EXPECT_DOUBLE_EQ(scale_top(KORP_RAIN_1H_GAUGE), 10.0);
    EXPECT_DOUBLE_EQ(scale_top(KORP_RAIN_24H_GAUGE), 10.0);
    EXPECT_NEAR(DoubleVal(korP, KORP_RAIN_TOTAL_GAUGE), 123.4, 1e-4);
    setup.units.rain_unit = 1;  // inch: 4.86 in and 0.05 in
    ShowRain(&UI_data.rain);
    EXPECT_DOUBLE_EQ(scale_top(KORP_RAIN_TOTAL_GAUGE), 5.0);
    EXPECT_DOUBLE_EQ(scale_top(KORP_RAIN_1H_GAUGE), 0.5);
    setup.units.rain_unit = 0;
    g.total.value = 20.0f;
    const UIRecord round = GroupRecord(19, g);
    DispatchUIRecord(&round);
    EXPECT_DOUBLE_EQ(scale_top(KORP_RAIN_TOTAL_GAUGE), 20.0);
    // Fresh rain is drawn undimmed at once.
    EXPECT_EQ(Attr(korP, KORP_RAIN_TOTAL, ATTR_DIMMED), 0);

    AlarmFlags enable = UI_data.alarm_enable;
    enable.flag[6] = 1;   // indoor temperature high
    enable.flag[20] = 1;  // wind speed low
    const UIRecord e = GroupRecord(14, enable);
    DispatchUIRecord(&e);
    EXPECT_EQ(IntVal(korP, KORP_ITEMP_HI_BELL), 1);
    EXPECT_EQ(IntVal(korP, KORP_ITEMP_LO_BELL), 0);
    EXPECT_EQ(IntVal(korP, KORP_WIND_LO_BELL), 1);
    EXPECT_EQ(Attr(korP, KORP_WIND_LO_BELL, ATTR_DIMMED), 0);

    const UIRecord pause = Empty(0);
    DispatchUIRecord(&pause);
    EXPECT_EQ(IntVal(korP, KORP_RECEPTION), 1);
    const UIRecord active = Empty(1);
    DispatchUIRecord(&active);
    EXPECT_EQ(IntVal(korP, KORP_RECEPTION), 0);
}

TEST_F(Display, KindsTheDisplayDoesNotKnowChangeNothing) {
    TempGroup t = UI_data.outdoor_temp;
    t.current = 11.0f;
    const UIRecord fill = GroupRecord(9, t);
    DispatchUIRecord(&fill);
    const KORData before = UI_data;
    const std::string shown = Text(korP, KORP_OTEMP);
    for (int kind : {31, 32, 35, 36, 94, 96, 99, 140, -1, 1000}) {
        UIRecord r = GroupRecord(kind, t);
        memset(r.payload, 0x5A, sizeof r.payload);
        DispatchUIRecord(&r);
    }
    EXPECT_EQ(memcmp(&before, &UI_data, sizeof before), 0);
    EXPECT_EQ(Text(korP, KORP_OTEMP), shown);
}

TEST_F(Display, HistoryFileRecordChangesAndSavesTheSettings) {
    TempFolder dir;
    UIRecord r = Empty(6);
    HistoryFileHeader header = UI_data.file_header;
    header.count = 3;
    header.first_time = 1700000000u;
    header.last_time = 1700003600u;
    memcpy(r.payload, &header, sizeof header);
    // A path as long as the field, without its end: it is cut, not overrun.
    memset(r.text, 'p', sizeof r.text);
    r.text[0] = '/';
    DispatchUIRecord(&r);
    EXPECT_EQ(UI_data.history_file_ok, 1);
    EXPECT_EQ(UI_data.file_header.count, 3);
    EXPECT_EQ(strlen(setup.history_file), sizeof setup.history_file - 1);
    const std::string saved = ReadWholeFile(dir.file("Setup.cnf"));
    ASSERT_EQ(saved.size(), sizeof(SetupRecord));
    EXPECT_EQ(memcmp(saved.data(), &setup, sizeof setup), 0);
    EXPECT_NE(Text(korP, KORP_HISTORY_INFO).find(" 3 data sets"), std::string::npos);
    header.count = 1;
    memcpy(r.payload, &header, sizeof header);
    r.kind = 4;
    DispatchUIRecord(&r);
    const std::string one = Text(korP, KORP_HISTORY_INFO);
    EXPECT_EQ(one.substr(one.size() - 11), " 1 data set") << one;
}

TEST_F(Display, AlarmReadBackReachesOnlyTheAlarmShown) {
    SetCtrlVal(set_alarmP, SETALARMP_INDEX, 2);  // outdoor temperature high
    SetCtrlAttribute(set_alarmP, SETALARMP_TEMP, ATTR_DIMMED, 1);
    SetCtrlAttribute(set_alarmP, SETALARMP_OK, ATTR_DIMMED, 1);
    const AlarmEntry before = UI_data.alarm_values[0];
    UIRecord r = Empty(38);  // indoor temperature low, for alarm index 1
    const float value = 18.25f;
    memcpy(&r.payload[2], &value, sizeof value);
    DispatchUIRecord(&r);
    EXPECT_EQ(memcmp(&before, &UI_data.alarm_values[0], sizeof before), 0);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_OK, ATTR_DIMMED), 1);

    r.kind = 44;  // outdoor temperature high: index 2, entry 3
    DispatchUIRecord(&r);
    EXPECT_FLOAT_EQ(UI_data.alarm_values[3].value, 18.25f);
    EXPECT_NEAR(DoubleVal(set_alarmP, SETALARMP_TEMP), 18.2, 1e-4);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_TEMP, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_OK, ATTR_DIMMED), 0);

    SetCtrlVal(set_alarmP, SETALARMP_INDEX, 10);  // wind direction
    UIRecord dir = Empty(58);
    dir.payload[4] = 0x8001u;  // north and north-north-west
    DispatchUIRecord(&dir);
    EXPECT_EQ(UI_data.alarm_values[10].direction_mask, 0x8001u);
    EXPECT_EQ(IntVal(set_alarmP, SETALARMP_DIR_0), 1);
    EXPECT_EQ(IntVal(set_alarmP, SETALARMP_DIR_0 + 1), 0);
    EXPECT_EQ(IntVal(set_alarmP, SETALARMP_DIR_0 + 15), 1);

    SetCtrlVal(set_alarmP, SETALARMP_INDEX, 8);  // wind speed high, shown whole
    UIRecord wind = Empty(56);
    const float mps = 13.8f;
    memcpy(&wind.payload[2], &mps, sizeof mps);
    DispatchUIRecord(&wind);
    EXPECT_DOUBLE_EQ(DoubleVal(set_alarmP, SETALARMP_VALUE), 14.0);
}

TEST_F(Display, ConfirmedAlarmChangeStopsBlinking) {
    UI_data.alarm_change_pending[1] = 1;  // indoor temperature low
    Tick(2);
    const UIRecord r = Empty(37);
    DispatchUIRecord(&r);
    EXPECT_EQ(UI_data.alarm_change_pending[1], 0);
    EXPECT_EQ(Attr(korP, KORP_ITEMP_LO_SYM, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(korP, KORP_ITEMP_LO_SYM, ATTR_TEXT_COLOR), kSymbolGrey);
    Tick(3);
    EXPECT_EQ(Attr(korP, KORP_ITEMP_LO_SYM, ATTR_VISIBLE), 1);
}

TEST_F(Display, GroupGoesStaleThreeHundredSixtyTicksAfterItsRecord) {
    AlignToCountingTick();
    WindGroup w = UI_data.wind;
    w.current = 4.0f;
    const UIRecord r = GroupRecord(7, w);
    DispatchUIRecord(&r);
    EXPECT_EQ(Attr(korP, KORP_WIND, ATTR_DIMMED), 0);
    Tick(359);
    EXPECT_EQ(UI_data.wind.live_timer, 1);
    EXPECT_EQ(Attr(korP, KORP_WIND, ATTR_DIMMED), 0);
    Tick();
    EXPECT_EQ(UI_data.wind.live_timer, 0);
    EXPECT_EQ(Attr(korP, KORP_WIND, ATTR_DIMMED), 1);
    EXPECT_EQ(Attr(korP, KORP_WIND_DIR, ATTR_DIMMED), 1);
    // A new record undims the group at once.
    DispatchUIRecord(&r);
    EXPECT_EQ(Attr(korP, KORP_WIND, ATTR_DIMMED), 0);
}

TEST_F(Display, EnabledAlarmThatWentOffBlinks) {
    AlarmFlags enable = UI_data.alarm_enable;
    enable.flag[8] = 1;  // outdoor temperature high on
    const UIRecord e = GroupRecord(14, enable);
    DispatchUIRecord(&e);
    AlarmFlags state = UI_data.alarm_state;
    state.flag[8] = 1;   // ... and went off
    state.flag[10] = 1;  // windchill high went off, but is not enabled
    state.flag[1] = 1;   // storm
    state.flag[2] = 1;   // general alarm
    const UIRecord s = GroupRecord(15, state);
    DispatchUIRecord(&s);
    int shown = 0;
    int hidden = 0;
    for (int i = 0; i < 6; ++i) {
        Tick();
        (Attr(korP, KORP_OTEMP_HI_BELL, ATTR_VISIBLE) ? shown : hidden) += 1;
        EXPECT_EQ(Attr(korP, KORP_CHILL_HI_BELL, ATTR_VISIBLE), 1);
        EXPECT_EQ(Attr(korP, KORP_STORM, ATTR_VISIBLE), 1);
        EXPECT_EQ(IntVal(korP, KORP_GENERAL_ALARM), 1);
        // The lamp beside the bell burns steadily; the one of an alarm that is off stays dark.
        EXPECT_EQ(IntVal(korP, KORP_OTEMP_HI_SYM), 1);
        EXPECT_EQ(Attr(korP, KORP_OTEMP_HI_SYM, ATTR_TEXT_COLOR), kSymbolRed);
        EXPECT_EQ(IntVal(korP, KORP_CHILL_HI_SYM), 0);
    }
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(hidden, 3);
}

TEST_F(Display, ABlinkingBellKeepsItsPlace) {
    DisplayPanel(korP);
    const auto x_of_lamp = [] {
        QApplication::processEvents();
        return Widget("KORP_OTEMP_LO_SYM")->mapTo(Widget("korP"), QPoint(0, 0)).x();
    };
    const int before = x_of_lamp();
    SetCtrlAttribute(korP, KORP_OTEMP_LO_BELL, ATTR_VISIBLE, 0);
    EXPECT_EQ(x_of_lamp(), before);
    SetCtrlAttribute(korP, KORP_OTEMP_LO_BELL, ATTR_VISIBLE, 1);
    HidePanel(korP);
}

TEST_F(Display, PendingChangesBlinkAndResetConfirmationsRedraw) {
    UI_data.alarm_change_pending[0] = 1;
    UI_data.minmax_clear_pending[11] = 1;  // 1-hour rain
    int symbol_lit = 0;
    int field_shown = 0;
    for (int i = 0; i < 4; ++i) {
        Tick();
        symbol_lit += IntVal(korP, KORP_ITEMP_HI_SYM);
        EXPECT_EQ(Attr(korP, KORP_ITEMP_HI_SYM, ATTR_VISIBLE), 1);  // blinks by its light
        field_shown += Attr(korP, KORP_RAIN_1H, ATTR_VISIBLE);
    }
    EXPECT_EQ(symbol_lit, 2);
    EXPECT_EQ(field_shown, 2);
    EXPECT_EQ(Attr(korP, KORP_ITEMP_HI_SYM, ATTR_TEXT_COLOR), kSymbolRed);

    RainGroup g = UI_data.rain;
    g.rain_1h = 2.5f;
    const UIRecord r = GroupRecord(19, g);
    DispatchUIRecord(&r);
    const UIRecord cleared = Empty(81);
    DispatchUIRecord(&cleared);
    EXPECT_FLOAT_EQ(UI_data.rain.rain_1h, 0.0f);
    EXPECT_EQ(UI_data.minmax_clear_pending[11], 0);
    EXPECT_EQ(Text(korP, KORP_RAIN_1H), "0.0 mm");
    EXPECT_EQ(Attr(korP, KORP_RAIN_1H, ATTR_VISIBLE), 1);

    TempGroup t = UI_data.indoor_temp;
    t.current = 21.0f;
    t.min = 15.0f;
    t.max = 25.0f;
    const UIRecord tr = GroupRecord(8, t);
    DispatchUIRecord(&tr);
    const UIRecord reset = Empty(85);
    DispatchUIRecord(&reset);
    EXPECT_FLOAT_EQ(UI_data.indoor_temp.min, 21.0f);
    EXPECT_FLOAT_EQ(UI_data.indoor_temp.max, 21.0f);
    EXPECT_EQ(Text(korP, KORP_ITEMP_MINMAX), " min: 21.0 \u00B0C \n max: 21.0 \u00B0C");

    UI_data.general_alarm_clear_pending = 1;
    UI_data.alarm_state.flag[2] = 1;
    const UIRecord general = Empty(93);
    DispatchUIRecord(&general);
    EXPECT_EQ(UI_data.general_alarm_clear_pending, 0);
    EXPECT_EQ(UI_data.alarm_state.flag[2], 0);
    EXPECT_EQ(Attr(korP, KORP_GENERAL_ALARM_SYM, ATTR_TEXT_COLOR), kSymbolGrey);
}

TEST_F(Display, StampsReachTheClearDialogOnlyForItsRecord) {
    UIRecord r = Empty(27);  // pressure stamps
    const int32_t min_stamp[9] = {0, 5, 0, 7, 11, 106, 0, 0, 0};    // 07.12.06 00:05
    const int32_t max_stamp[9] = {0, 5, 13, 8, 11, 106, 0, 0, 0};   // 08.12.06 13:05
    memcpy(&r.payload[0], min_stamp, sizeof min_stamp);
    memcpy(&r.payload[9], max_stamp, sizeof max_stamp);
    SetCtrlVal(clr_min_maxP, CLRMMP_CODE, 4);  // the dialog shows indoor temperature
    SetCtrlVal(clr_min_maxP, CLRMMP_MIN_DATETIME, "unchanged");
    DispatchUIRecord(&r);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MIN_DATETIME), "unchanged");

    SetCtrlVal(clr_min_maxP, CLRMMP_CODE, 11);  // relative pressure still takes them
    SetCtrlAttribute(clr_min_maxP, CLRMMP_MIN_DATETIME, ATTR_DIMMED, 1);
    DispatchUIRecord(&r);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MIN_DATETIME), "Date: 07.12.06\nTime: 00:05");
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MAX_DATETIME), "Date: 08.12.06\nTime: 13:05");
    EXPECT_EQ(Attr(clr_min_maxP, CLRMMP_MIN_DATETIME, ATTR_DIMMED), 0);

    setup.time_24h = 0;  // 12-hour clock: midnight is 12 AM
    DispatchUIRecord(&r);
    setup.time_24h = 1;
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MIN_DATETIME), "Date: 06.12.07\nTime: 12:05 AM");
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_MAX_DATETIME), "Date: 06.12.08\nTime: 01:05 PM");

    UIRecord single = Empty(28);  // rain total reset time
    memcpy(&single.payload[0], max_stamp, sizeof max_stamp);
    SetCtrlVal(clr_min_maxP, CLRMMP_CODE, 12);
    DispatchUIRecord(&single);
    EXPECT_EQ(Text(clr_min_maxP, CLRMMP_SINGLE_DATETIME), "Date: 08.12.06\nTime: 13:05");
}

TEST_F(Display, ClockHistoryAndRemainingGroupKindsReachUIData) {
    UIRecord clock = Empty(2);
    const float offset = -3599.5f;
    memcpy(&clock.payload[0], &offset, sizeof offset);
    clock.payload[19] = 86400;  // the clock part's live timer
    UI_data.history_file_ok = 0;
    DispatchUIRecord(&clock);
    EXPECT_FLOAT_EQ(UI_data.clock_offset, offset);
    EXPECT_EQ(UI_data.clock_live_timer, 86400);
    EXPECT_EQ(UI_data.history_file_ok, 1);

    for (int kind : {4, 5}) {
        HistoryFileHeader header = UI_data.file_header;
        header.count = 40 + kind;
        UIRecord stored = Empty(kind);
        memcpy(stored.payload, &header, sizeof header);
        DispatchUIRecord(&stored);
        EXPECT_EQ(UI_data.file_header.count, 40 + kind);
        EXPECT_NE(Text(korP, KORP_HISTORY_INFO).find(std::to_string(40 + kind) + " "), std::string::npos);
    }

    TempGroup chill = UI_data.windchill;
    chill.current = -4.26f;
    const UIRecord c = GroupRecord(10, chill);
    DispatchUIRecord(&c);
    EXPECT_EQ(UI_data.windchill.live_timer, 180);
    EXPECT_EQ(Text(korP, KORP_CHILL), "-4.2 \u00B0C");

    TempGroup hum = UI_data.indoor_hum;
    hum.current = 45.0f;
    hum.min = 30.0f;
    hum.max = 60.0f;
    const UIRecord h = GroupRecord(12, hum);
    DispatchUIRecord(&h);
    EXPECT_EQ(Text(korP, KORP_IHUM), "45 %");
    EXPECT_NE(Text(korP, KORP_IHUM_MINMAX).find("30 %"), std::string::npos);
    EXPECT_NE(Text(korP, KORP_IHUM_MINMAX).find("60 %"), std::string::npos);

    KORHistoryHeader header = UI_data.station_header;
    header.interval_code = 59;
    header.countdown = 12;
    UIRecord station = GroupRecord(33, header);
    SetCtrlAttribute(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED, 1);
    DispatchUIRecord(&station);
    EXPECT_EQ(UI_data.history_header_valid, 1);
    EXPECT_EQ(UI_data.history_round_period, 59);
    EXPECT_EQ(UI_data.station_header.countdown, 12);
    EXPECT_EQ(Attr(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED), 0);
    SetCtrlAttribute(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED, 1);
    const UIRecord written = Empty(34);
    DispatchUIRecord(&written);
    EXPECT_EQ(Attr(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED), 0);
}

// Every reset confirmation puts the values the station now holds into UI_data and clears
// its pending mark.
TEST_F(Display, ResetConfirmationsSetTheRecordedValues) {
    // All groups fresh: a stale group is drawn dimmed whatever a confirmation says.
    TempGroup t = UI_data.indoor_temp;
    t.current = 10.0f;
    t.min = 5.0f;
    t.max = 15.0f;
    t.live_timer = 180;
    UI_data.wind.live_timer = UI_data.pressure.live_timer = UI_data.rain.live_timer = 180;
    UI_data.indoor_hum = UI_data.outdoor_hum = UI_data.indoor_temp = UI_data.outdoor_temp = t;
    UI_data.dewpoint = UI_data.windchill = t;
    UI_data.wind.current = 3.0f;
    UI_data.wind.min = 0.0f;
    UI_data.wind.max = 9.0f;
    UI_data.pressure.current = 1000.0f;
    UI_data.pressure.min = 990.0f;
    UI_data.pressure.max = 1010.0f;
    RainGroup &rain = UI_data.rain;
    rain.rain_1h = 1.0f;
    rain.rain_24h = 4.0f;
    rain.total.value = 100.0f;
    rain.max_1h.value = 7.0f;
    rain.max_24h.value = 30.0f;
    for (int &pending : UI_data.minmax_clear_pending) pending = 1;
    TempGroup *const groups[] = {&UI_data.indoor_hum, &UI_data.outdoor_hum, &UI_data.indoor_temp,
                                 &UI_data.outdoor_temp, &UI_data.dewpoint, &UI_data.windchill};
    for (int kind = 80; kind <= 92; ++kind) {
        const UIRecord r = Empty(kind);
        DispatchUIRecord(&r);
    }
    for (const TempGroup *g : groups) {
        EXPECT_FLOAT_EQ(g->min, 10.0f);
        EXPECT_FLOAT_EQ(g->max, 10.0f);
    }
    EXPECT_FLOAT_EQ(UI_data.wind.min, 3.0f);
    EXPECT_FLOAT_EQ(UI_data.wind.max, 3.0f);
    EXPECT_FLOAT_EQ(UI_data.pressure.min, 1000.0f);
    EXPECT_FLOAT_EQ(UI_data.pressure.max, 1000.0f);
    EXPECT_FLOAT_EQ(rain.total.value, 0.0f);
    EXPECT_FLOAT_EQ(rain.rain_1h, 0.0f);
    EXPECT_FLOAT_EQ(rain.rain_24h, 0.0f);
    // The largest values take the rain counters as they stood when each reset came.
    EXPECT_FLOAT_EQ(rain.max_1h.value, 0.0f);
    EXPECT_FLOAT_EQ(rain.max_24h.value, 0.0f);
    for (int slot = 0; slot < kMinMaxPendingSlots; ++slot) {
        EXPECT_EQ(UI_data.minmax_clear_pending[slot], 0) << slot;
        EXPECT_EQ(Attr(korP, MinMaxFieldControl(slot), ATTR_VISIBLE), 1) << slot;
        EXPECT_EQ(Attr(korP, MinMaxFieldControl(slot), ATTR_DIMMED), 0) << slot;
    }
}

}  // namespace
