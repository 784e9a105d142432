// The alarm dialog driven as a user drives it: opened from the main panel, filled by the
// station's answer (a UI record through the dispatcher), changed, confirmed or
// cancelled. The command queue is made here without a communication thread, so the test
// reads exactly the records the dialog sent.
#include <QApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWidget>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "windows/KOR.h"
#include "windows/alarm_display.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "windows/settings_dialog.h"
#include "records/setup_record.h"
#include "app/startup.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "station/comm/tsq_records.h"
#include "station/link/comm_flags.h"
#include "windows/alarm_dialog.h"
#include "windows/held_change.h"
#include "values/conversions.h"
#include "support/gui_app.h"
#include "support/temp_folder.h"

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

double Number(int panel, int control) {
    double value = -1;
    GetCtrlVal(panel, control, &value);
    return value;
}

std::string Text(int panel, int control) {
    char buffer[512];
    GetCtrlString(panel, control, buffer, sizeof buffer);
    return buffer;
}

// The window title as the dialog's widget carries it (the panel layer offers no getter).
std::string Title() {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String("set_alarmP")) return w->windowTitle().toStdString();
    return "";
}

bool DialogUp() {
    int visible = 0;
    GetPanelAttribute(set_alarmP, ATTR_VISIBLE, &visible);
    return visible != 0;
}

UIRecord ReadBack(int kind, float value) {
    UIRecord r;
    memset(&r, 0, sizeof r);
    r.kind = kind;
    memcpy(&r.payload[2], &value, sizeof value);
    return r;
}

UIRecord Reply(int kind) {
    UIRecord r;
    memset(&r, 0, sizeof r);
    r.kind = kind;
    return r;
}

void Open(CtrlCallbackPtr callback, int event = EVENT_LEFT_DOUBLE_CLICK) {
    callback(korP, 0, event, nullptr, 0, 0);
}

void Press(CtrlCallbackPtr callback, int panel, int control) {
    callback(panel, control, EVENT_COMMIT, nullptr, 0, 0);
}

class AlarmDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(LoadAppPanelsForTests(), 0);
    }

    void SetUp() override {
        setup.units = UnitsRecord{0, 0, 0, 0, 0};  // hPa, m/s, degC, %, mm
        setup.absolute_pressure = 0;
        setup.decimal_comma = 0;
        SetUIDataToDefault();
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

    // Every record written since the last call, in order.
    static std::vector<CommandRecord> Sent() { return TakeCommandsSent(); }
};

TEST_F(AlarmDialog, FahrenheitThresholdShownUnchangedIsNoChangeAndTheConfirmationEndsTheBlinking) {
    setup.units.temperature_unit = 1;  // degF
    Open(ChangeOutdoorTempHighAlarm, EVENT_RIGHT_CLICK);
    std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, 15);
    EXPECT_EQ(sent[0].read_back, 30);
    EXPECT_TRUE(DialogUp());
    EXPECT_EQ(Number(set_alarmP, SETALARMP_INDEX), 2);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_TEMP, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_VALUE, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_TEMP, ATTR_DIMMED), 1);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_OK, ATTR_DIMMED), 1);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_TEMP, ATTR_TEXT_COLOR), 0x0000FF);
    EXPECT_EQ(Text(set_alarmP, SETALARMP_UNIT), "\u00B0F");
    EXPECT_EQ(Text(set_alarmP, SETALARMP_THRESHOLD_LABEL), "Alarm above");
    EXPECT_EQ(Title(), "Outdoor: Temperature");

    // The station holds 18.2 degC: 64.76 degF, shown cut to 64.7.
    const UIRecord value = ReadBack(44, 18.2f);
    DispatchUIRecord(&value);
    EXPECT_NEAR(Number(set_alarmP, SETALARMP_TEMP), 64.7, 1e-9);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_OK, ATTR_DIMMED), 0);

    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].code, 14);
    EXPECT_EQ(sent[0].value_changed, 0);  // 64.7 degF is 18.17 degC, but it was not changed
    EXPECT_EQ(sent[0].enable_changed, 0);
    EXPECT_EQ(sent[1].code, 6);
    EXPECT_FALSE(DialogUp());
    EXPECT_EQ(UI_data.alarm_enable.poll_timer, 0);
    EXPECT_EQ(UI_data.alarm_change_pending[2], 1);
    EXPECT_EQ(Attr(korP, KORP_OTEMP_HI_SYM, ATTR_TEXT_COLOR), kSymbolRed);
    EXPECT_EQ(Attr(korP, KORP_OTEMP_HI_BELL, ATTR_DIMMED), 1);

    const UIRecord written = Reply(43);
    DispatchUIRecord(&written);
    EXPECT_EQ(UI_data.alarm_change_pending[2], 0);
    EXPECT_EQ(Attr(korP, KORP_OTEMP_HI_SYM, ATTR_TEXT_COLOR), kSymbolGrey);
    EXPECT_EQ(Attr(korP, KORP_OTEMP_HI_SYM, ATTR_DIMMED), 0);

    // Changed this time, and switched on: both flags, the value in degC.
    Open(ChangeOutdoorTempHighAlarm);
    Sent();
    DispatchUIRecord(&value);
    SetCtrlVal(set_alarmP, SETALARMP_TEMP, 70.0);
    SetCtrlVal(set_alarmP, SETALARMP_ENABLE, 1);
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].code, 14);
    EXPECT_EQ(sent[0].value_changed, 1);
    EXPECT_NEAR(sent[0].value, 21.111, 1e-3);
    EXPECT_EQ(sent[0].enable_changed, 1);
    EXPECT_EQ(sent[0].enabled, 1);
    EXPECT_EQ(UI_data.alarm_enable.flag[8], 1);
}

TEST_F(AlarmDialog, PressureAlarmWritesTheAbsoluteThenTheRelativeThreshold) {
    UI_data.pressure.rel_offset = 10.0f;
    UI_data.alarm_values[12].value = 1000.0f;  // absolute high threshold known so far
    Open(ChangeAbsPressureHighAlarm);          // relative pressure is shown
    std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, 37);
    EXPECT_EQ(Number(set_alarmP, SETALARMP_INDEX), 13);
    EXPECT_EQ(Title(), "Relative pressure");
    EXPECT_NEAR(Number(set_alarmP, SETALARMP_VALUE), 1010.0, 1e-6);  // 1000 + offset
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_VALUE, ATTR_PRECISION), 1);

    const UIRecord relative = ReadBack(66, 1020.0f);  // the relative threshold as held
    DispatchUIRecord(&relative);
    EXPECT_NEAR(Number(set_alarmP, SETALARMP_VALUE), 1020.0, 1e-6);
    SetCtrlVal(set_alarmP, SETALARMP_VALUE, 1025.0);
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].code, 32);
    EXPECT_EQ(sent[0].value_changed, 1);
    EXPECT_NEAR(sent[0].value, 1015.0, 1e-3);  // absolute: relative minus the offset
    EXPECT_NEAR(sent[0].value2, 1015.0 / HPA_PER_INHG, 1e-4);
    EXPECT_EQ(sent[1].code, 36);
    EXPECT_EQ(sent[1].value_changed, 1);
    EXPECT_NEAR(sent[1].value, 1025.0, 1e-3);
    EXPECT_NEAR(sent[1].value2, 1025.0 / HPA_PER_INHG, 1e-4);
    EXPECT_EQ(sent[0].enable_changed, sent[1].enable_changed);
    EXPECT_EQ(sent[2].code, 6);
    EXPECT_EQ(UI_data.alarm_change_pending[11], 1);
    const UIRecord written = Reply(61);
    DispatchUIRecord(&written);
    EXPECT_EQ(UI_data.alarm_change_pending[11], 0);

    // Absolute pressure in inHg: index 12, read code 31, two decimals; unchanged.
    setup.absolute_pressure = 1;
    setup.units.pressure_unit = 1;
    Open(ChangeAbsPressureLowAlarm);
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, 31);
    EXPECT_EQ(Number(set_alarmP, SETALARMP_INDEX), 12);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_VALUE, ATTR_PRECISION), 2);
    EXPECT_EQ(Text(set_alarmP, SETALARMP_UNIT), "inHg");
    const UIRecord low = ReadBack(60, 990.0f);  // 29.2347 inHg, shown 29.23
    DispatchUIRecord(&low);
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].code, 30);
    EXPECT_EQ(sent[0].value_changed, 0);
    EXPECT_EQ(sent[1].code, 34);
    EXPECT_EQ(sent[1].value_changed, 0);
    EXPECT_EQ(UI_data.alarm_change_pending[12], 1);
}

TEST_F(AlarmDialog, StormAlarmHasNoThresholdAndSendsOnlyItsSwitch) {
    Open(ChangeStormAlarm);
    EXPECT_TRUE(Sent().empty());  // nothing to read back
    EXPECT_TRUE(DialogUp());
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_OK, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_ENABLE, ATTR_VISIBLE), 1);
    for (int control : {SETALARMP_TEMP, SETALARMP_VALUE, SETALARMP_RAIN, SETALARMP_UNIT,
                        SETALARMP_THRESHOLD_LABEL, SETALARMP_DIR_0})
        EXPECT_EQ(Attr(set_alarmP, control, ATTR_VISIBLE), 0) << control;
    SetCtrlVal(set_alarmP, SETALARMP_ENABLE, 1);
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    const std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].code, 38);
    EXPECT_EQ(sent[0].enable_changed, 1);
    EXPECT_EQ(sent[0].enabled, 1);
    EXPECT_EQ(sent[0].value_changed, 0);
    EXPECT_EQ(sent[1].code, 6);
    EXPECT_EQ(UI_data.alarm_change_pending[13], 1);
    EXPECT_EQ(Attr(korP, KORP_STORM_BELL, ATTR_DIMMED), 1);
    const UIRecord written = Reply(67);
    DispatchUIRecord(&written);
    EXPECT_EQ(UI_data.alarm_change_pending[13], 0);
}

TEST_F(AlarmDialog, WindDirectionsComeFromTheStationAndGoBackAsAMask) {
    UI_data.alarm_values[10].direction_mask = 0x0001u;
    Open(ChangeWindDirectionAlarm);
    std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, 29);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_DIR_0, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_DIR_0, ATTR_DIMMED), 1);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_OK, ATTR_DIMMED), 1);
    UIRecord mask = Reply(58);
    mask.payload[4] = 0x8001u;  // N and NNW
    DispatchUIRecord(&mask);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_DIR_15, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_OK, ATTR_DIMMED), 0);
    SetCtrlVal(set_alarmP, SETALARMP_DIR_0 + 2, 1);  // NE added
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].code, 28);
    EXPECT_EQ(sent[0].value_changed, 1);
    EXPECT_EQ(static_cast<uint32_t>(sent[0].param), 0x8005u);
    EXPECT_EQ(UI_data.alarm_change_pending[10], 1);
}

TEST_F(AlarmDialog, CancelSendsNothingAndAFailedReadLeavesOnlyCancel) {
    Open(ChangeInHumidityHighAlarm, EVENT_COMMIT);  // a plain click is not for this bell
    EXPECT_FALSE(DialogUp());
    Open(ChangeInHumidityHighAlarm);
    EXPECT_EQ(Sent().size(), 1u);
    const UIRecord failed = Reply(132);  // the read-back failed
    DispatchUIRecord(&failed);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_OK, ATTR_DIMMED), 1);
    Press(AbortSetAlarm, set_alarmP, SETALARMP_CANCEL);
    EXPECT_FALSE(DialogUp());
    EXPECT_TRUE(Sent().empty());
    for (int slot = 0; slot < 20; ++slot) EXPECT_EQ(UI_data.alarm_change_pending[slot], 0);

    // An OK that arrives for no alarm at all still asks for the flags and closes.
    InitSetAlarmPanel(-1);
    InstallPopup(set_alarmP);
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    const std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, 6);
    EXPECT_FALSE(DialogUp());
}

TEST_F(AlarmDialog, FieldsKeepToWhatTheStationCanHold) {
    // 70 degC would wrap to -30 degC in the station's three-digit field.
    Open(ChangeOutdoorTempHighAlarm);
    double highest = 0;
    GetCtrlAttribute(set_alarmP, SETALARMP_TEMP, ATTR_MAX_VALUE, &highest);
    EXPECT_NEAR(highest, 69.9, 1e-4);
    const UIRecord value = ReadBack(44, 30.0f);
    DispatchUIRecord(&value);
    SetCtrlVal(set_alarmP, SETALARMP_TEMP, 500.0);
    EXPECT_NEAR(Number(set_alarmP, SETALARMP_TEMP), 69.9, 1e-4);
    Press(AbortSetAlarm, set_alarmP, SETALARMP_CANCEL);

    setup.units.temperature_unit = 1;
    Open(ChangeDewpointLowAlarm);
    GetCtrlAttribute(set_alarmP, SETALARMP_TEMP, ATTR_MAX_VALUE, &highest);
    EXPECT_NEAR(highest, 157.8, 1e-4);  // 69.9 degC
    double lowest = 0;
    GetCtrlAttribute(set_alarmP, SETALARMP_TEMP, ATTR_MIN_VALUE, &lowest);
    EXPECT_NEAR(lowest, -20.0, 1e-4);
    Press(AbortSetAlarm, set_alarmP, SETALARMP_CANCEL);

    // Wind speed and humidity in whole numbers; the wind read back is rounded, and that
    // rounded number left as it is writes nothing.
    setup.units.wind_unit = 1;  // km/h
    Open(ChangeWindSpeedLowAlarm);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_VALUE, ATTR_PRECISION), 0);
    const UIRecord wind = ReadBack(54, 5.0f);  // 18 km/h
    DispatchUIRecord(&wind);
    EXPECT_DOUBLE_EQ(Number(set_alarmP, SETALARMP_VALUE), 18.0);
    Sent();
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].code, 24);
    EXPECT_EQ(sent[0].value_changed, 0);

    // Rain in inches with two decimals.
    setup.units.rain_unit = 1;
    Open(Change24hRainAlarm);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_RAIN, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(set_alarmP, SETALARMP_RAIN, ATTR_PRECISION), 2);
    const UIRecord rain = ReadBack(79, 25.4f);
    DispatchUIRecord(&rain);
    SetCtrlVal(set_alarmP, SETALARMP_RAIN, 2.0);
    Sent();
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].code, 49);
    EXPECT_EQ(sent[0].value_changed, 1);
    EXPECT_NEAR(sent[0].value, 50.8, 1e-2);
}

QWidget *Widget(const char *name) {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(name)) return w;
    return nullptr;
}

void LeftClick(const char *name) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(4, 4), QPointF(4, 4), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Widget(name), &press);
}

TEST_F(AlarmDialog, OneLeftClickOpensWhatADoubleClickOpens) {
    for (const char *name : {"KORP_OTEMP_HI_BELL", "KORP_ITEMP_MINMAX", "KORP_GENERAL_ALARM"}) {
        ASSERT_NE(Widget(name), nullptr) << name;
        EXPECT_EQ(Widget(name)->cursor().shape(), Qt::PointingHandCursor) << name;
    }
    EXPECT_EQ(Widget("KORP_ITEMP")->cursor().shape(), Qt::ArrowCursor);  // nothing to open

    LeftClick("KORP_OTEMP_HI_BELL");
    EXPECT_TRUE(DialogUp());
    std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, 15);  // the threshold is asked for
    Press(AbortSetAlarm, set_alarmP, SETALARMP_CANCEL);

    int visible = 0;
    LeftClick("KORP_ITEMP_MINMAX");
    GetPanelAttribute(clr_min_maxP, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    RemovePopup(1);
    LeftClick("KORP_GENERAL_ALARM");
    GetPanelAttribute(clr_gen_alP, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
}

TEST_F(AlarmDialog, WithTheDecimalCommaTheFieldShowsAndTakesIt) {
    TempFolder dir;  // the settings are saved here
    Settings(korP, KORP_SETTINGS, EVENT_COMMIT, nullptr, 0, 0);
    SetCtrlVal(globalP, GLOBALP_DECIMAL_POINT, 0);
    SettigsOK(settingsP, SETTINGSP_OK, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(setup.decimal_comma, 1);

    Open(ChangeIndoorTempHighAlarm);
    const UIRecord value = ReadBack(40, 16.0f);
    DispatchUIRecord(&value);
    auto *field = qobject_cast<QDoubleSpinBox *>(Widget("SETALARMP_TEMP"));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text().toStdString(), "16,0");
    // Typed, and OK pressed without leaving the field first.
    field->findChild<QLineEdit *>()->setText("21,5");
    Sent();
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    const std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].value_changed, 1);
    EXPECT_FLOAT_EQ(sent[0].value, 21.5f);
    SetNumberFieldsDecimalComma(0);
}

TEST_F(AlarmDialog, WithoutACommunicationThreadTheUserIsToldAndNothingIsMarked) {
    CloseCommandQueueForTests();
    Open(ChangeIndoorTempLowAlarm);
    EXPECT_FALSE(DialogUp());  // the threshold could never arrive
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("cannot be reached"), std::string::npos);

    UI_data.alarm_enable.live_timer = 180;  // fresh flags: the bells are undimmed
    ShowAlarmEnables(&UI_data.alarm_enable);
    Open(ChangeStormAlarm);
    EXPECT_TRUE(DialogUp());
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    EXPECT_FALSE(DialogUp());
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(UI_data.alarm_change_pending[13], 0);
    EXPECT_EQ(Attr(korP, KORP_STORM_BELL, ATTR_DIMMED), 0);
}

// A change the communication thread had to give up (another console answered after the
// cable came back): the lamp stops waiting, the user is told, the flags are asked for.
TEST_F(AlarmDialog, AChangeGivenUpEndsItsBlinkingWithAWordToTheUser) {
    Open(ChangeOutdoorTempHighAlarm);
    const UIRecord value = ReadBack(44, 18.2f);
    DispatchUIRecord(&value);
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    Sent();
    ASSERT_EQ(UI_data.alarm_change_pending[2], 1);
    UIRecord failed = Reply(UI_COMMAND_FAILED);
    failed.payload[0] = 14;
    DispatchUIRecord(&failed);
    EXPECT_EQ(UI_data.alarm_change_pending[2], 0);
    EXPECT_EQ(Attr(korP, KORP_OTEMP_HI_SYM, ATTR_DIMMED), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("did not reach the console"), std::string::npos);
    const std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, 6);
}

// While the console is away the change waits; the user may give it up, and is told then
// that it may not have arrived rather than that another console answers.
TEST_F(AlarmDialog, AWaitingChangeCanBeGivenUpWhileTheConsoleIsAway) {
    Open(ChangeOutdoorTempHighAlarm);
    const UIRecord value = ReadBack(44, 18.2f);
    DispatchUIRecord(&value);
    Press(SetAlarm, set_alarmP, SETALARMP_OK);
    Sent();
    UIRecord held = Reply(UI_CHANGE_HELD);
    held.payload[0] = 14;
    DispatchUIRecord(&held);
    EXPECT_EQ(Attr(korP, KORP_GIVE_UP_CHANGE, ATTR_VISIBLE), 1);
    Press(GiveUpHeldChange, korP, KORP_GIVE_UP_CHANGE);
    EXPECT_EQ(flag_give_up_held_change.exchange(0), 1);
    UIRecord failed = Reply(UI_COMMAND_FAILED);
    failed.payload[0] = 14;
    DispatchUIRecord(&failed);
    EXPECT_EQ(UI_data.alarm_change_pending[2], 0);
    EXPECT_EQ(Attr(korP, KORP_GIVE_UP_CHANGE, ATTR_VISIBLE), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("given up"), std::string::npos);
}

}  // namespace

namespace {

void Key(QWidget *to, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(to, &press);
}

// The value field takes the cursor once the value came, Return in it presses OK and
// Escape cancels.
TEST_F(AlarmDialog, AnswersReturnAndEscapeWithTheCursorInTheValue) {
    Open(ChangeIndoorTempHighAlarm);
    QWidget *dialog = Widget("set_alarmP");
    ASSERT_NE(dialog, nullptr);

    const UIRecord value = ReadBack(40, 16.0f);
    DispatchUIRecord(&value);
    // The window's own focus: the offscreen platform activates no window.
    QWidget *field = dialog->focusWidget();
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(qobject_cast<QDoubleSpinBox *>(field) != nullptr ||
                qobject_cast<QDoubleSpinBox *>(field->parentWidget()) != nullptr);
    auto *line = qobject_cast<QLineEdit *>(field);
    if (line == nullptr) line = field->findChild<QLineEdit *>();
    ASSERT_NE(line, nullptr);
    line->setText("21.5");
    Sent();
    Key(field, Qt::Key_Return);
    const std::vector<CommandRecord> sent = Sent();
    ASSERT_EQ(sent.size(), 2u);  // threshold and enable, as OK sends them
    EXPECT_FLOAT_EQ(sent[0].value, 21.5f);
    EXPECT_FALSE(DialogUp());

    Open(ChangeIndoorTempHighAlarm);
    Sent();
    Key(dialog, Qt::Key_Escape);
    EXPECT_FALSE(DialogUp());
    EXPECT_TRUE(Sent().empty());
}

}  // namespace
