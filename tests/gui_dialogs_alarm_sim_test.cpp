// The alarm dialog against the simulated console through the real communication thread:
// a threshold entered in the dialog is written to the console, confirmed, and read back
// into the dialog the next time it opens.
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

#include "windows/KOR.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "app/startup.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "platform/panels.h"
#include "station/comm/tsq_records.h"
#include "windows/alarm_dialog.h"
#include "support/comm_sim_fixture.h"

namespace {

SimOptions QuietConsole() {
    SimOptions o;
    o.seed = 11;
    o.radio_interval_s = 0;
    o.pace_real = false;
    o.manual_clock = true;
    return o;
}

int Attr(int control, int attribute) {
    int value = -1;
    GetCtrlAttribute(set_alarmP, control, attribute, &value);
    return value;
}

double Number(int control) {
    double value = 0;
    GetCtrlVal(set_alarmP, control, &value);
    return value;
}

class AlarmDialogOnTheConsole : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        memset(&setup, 0, sizeof setup);
        SetSetupToDefault(&setup);
        RegisterAppWidgets();
        RegisterAppCallbacks();
        ASSERT_EQ(LoadInitAllPanels(), 0);
    }

    void SetUp() override {
        run_ = std::make_unique<CommSimRun>(QuietConsole());
        ASSERT_EQ(run_->StartThread(), 0);
        setup.units = UnitsRecord{0, 0, 0, 0, 0};
        setup.absolute_pressure = 0;
        SetUIDataToDefault();
        // The first cycle brings every group, the alarm flags and the pressure offset.
        ASSERT_TRUE(Until([] { return UI_data.alarm_state.live_timer > 0; }));
    }

    void TearDown() override {
        RemovePopup(1);
        run_.reset();
    }

    // Hands every record the thread sent so far to the dispatcher, as the UI queue's
    // callback does in the program, until pred() holds.
    bool Until(const std::function<bool()> &pred) {
        return run_->WaitFor(
            [&] {
                while (next_ < run_->Records().size()) DispatchUIRecord(&run_->Records()[next_++]);
                return pred();
            },
            90.0);  // bounds a hang on a loaded machine; the console answers in a second
    }

    bool ThresholdShown() { return Until([] { return Attr(SETALARMP_OK, ATTR_DIMMED) == 0; }); }

    std::unique_ptr<CommSimRun> run_;
    size_t next_ = 0;
};

TEST_F(AlarmDialogOnTheConsole, FahrenheitThresholdReachesTheConsoleAndComesBack) {
    setup.units.temperature_unit = 1;
    ChangeOutdoorTempHighAlarm(korP, KORP_OTEMP_HI_BELL, EVENT_RIGHT_CLICK, nullptr, 0, 0);
    ASSERT_TRUE(ThresholdShown());
    SetCtrlVal(set_alarmP, SETALARMP_TEMP, 70.0);  // 21.11 degC
    SetCtrlVal(set_alarmP, SETALARMP_ENABLE, 1);
    SetAlarm(set_alarmP, SETALARMP_OK, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(UI_data.alarm_change_pending[2], 1);
    ASSERT_TRUE(Until([] { return UI_data.alarm_change_pending[2] == 0; }));
    // The flags read after the confirmation come from the console.
    UI_data.alarm_enable.flag[8] = 0;
    ASSERT_TRUE(Until([] { return UI_data.alarm_enable.flag[8] == 1; }));

    ChangeOutdoorTempHighAlarm(korP, KORP_OTEMP_HI_BELL, EVENT_RIGHT_CLICK, nullptr, 0, 0);
    ASSERT_TRUE(ThresholdShown());
    // Stored as 21.1 degC (0.1 degC steps): 69.98 degF, shown cut.
    EXPECT_NEAR(Number(SETALARMP_TEMP), 69.9, 1e-9);
    EXPECT_NEAR(UI_data.alarm_values[3].value, 21.1, 1e-4);
}

TEST_F(AlarmDialogOnTheConsole, RelativePressureThresholdIsStoredBothWays) {
    const float offset = UI_data.pressure.rel_offset;
    ChangeAbsPressureHighAlarm(korP, KORP_PRESS_HI_BELL, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    ASSERT_TRUE(ThresholdShown());
    SetCtrlVal(set_alarmP, SETALARMP_VALUE, 1030.0);
    SetAlarm(set_alarmP, SETALARMP_OK, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_TRUE(Until([] { return UI_data.alarm_change_pending[11] == 0; }));

    ChangeAbsPressureHighAlarm(korP, KORP_PRESS_HI_BELL, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    ASSERT_TRUE(ThresholdShown());
    EXPECT_NEAR(Number(SETALARMP_VALUE), 1030.0, 1e-6);
    AbortSetAlarm(set_alarmP, SETALARMP_CANCEL, EVENT_COMMIT, nullptr, 0, 0);

    setup.absolute_pressure = 1;
    ChangeAbsPressureHighAlarm(korP, KORP_PRESS_HI_BELL, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    ASSERT_TRUE(ThresholdShown());
    EXPECT_NEAR(Number(SETALARMP_VALUE), 1030.0 - offset, 0.15);
}

TEST_F(AlarmDialogOnTheConsole, StormAlarmSwitchIsWrittenAndReadAgain) {
    const int before = UI_data.alarm_enable.flag[1];
    ChangeStormAlarm(korP, KORP_STORM_BELL, EVENT_RIGHT_CLICK, nullptr, 0, 0);
    SetCtrlVal(set_alarmP, SETALARMP_ENABLE, before ? 0 : 1);
    SetAlarm(set_alarmP, SETALARMP_OK, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_TRUE(Until([] { return UI_data.alarm_change_pending[13] == 0; }));
    // The flags asked for after the change come from the console.
    UI_data.alarm_enable.flag[1] = before;
    ASSERT_TRUE(Until([&] { return UI_data.alarm_enable.flag[1] != before; }));
}

}  // namespace
