// The history panel open while the communication thread downloads data sets from the
// simulated console into the history file: the view follows the end, and a user reading
// an older page keeps it.
#include <QApplication>
#include <QScrollBar>
#include <QTableWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>

#include "windows/KOR.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "app/startup.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "history/history_file.h"
#include "windows/history_view.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "sim/stationsim.h"
#include "station/comm/comm_lifecycle.h"
#include "station/comm/tsq_records.h"
#include "support/temp_folder.h"

namespace {

constexpr int kPort = 8;
constexpr uint32_t kInterval = 15 * 60;

QTableWidget *Table() {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String("HISTORYP_TABLE")) return qobject_cast<QTableWidget *>(w);
    return nullptr;
}

QScrollBar *ScrollBar() {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String("HISTORYP_SCROLLBAR")) return qobject_cast<QScrollBar *>(w);
    return nullptr;
}

// The number in a row's label, 0 for an empty row.
int RowNumber(int row) {
    const QTableWidgetItem *item = Table()->verticalHeaderItem(row - 1);
    return item != nullptr ? item->text().trimmed().toInt() : 0;
}

std::string Cell(int column, int row) {
    char buffer[64];
    GetTableCellVal(historyP, HISTORYP_TABLE, MakePoint(column, row), buffer, sizeof buffer);
    return buffer;
}

bool WaitFor(const std::function<bool()> &pred, double seconds) {
    const double end = Timer() + seconds;
    bool ok = pred();
    while (!ok && Timer() < end) {
        ProcessSystemEvents();
        ok = pred();
    }
    return ok;
}

TEST(HistoryFollow, ViewFollowsTheDownloadAtTheEndAndKeepsAnOlderPage) {
    setenv("TZ", "UTC", 1);
    tzset();
    TempFolder folder;
    SimOptions o;
    o.variant = 2;
    o.seed = 7;
    o.start_time = 1'780'000'000;
    o.tz_offset_s = 0;
    o.tz_given = true;
    o.radio_interval_s = 0;
    o.pace_real = true;  // the download takes seconds, so the user can act during it
    o.manual_clock = true;
    o.prefill = 60;
    o.hist_interval_min = 15;
    std::string error;
    StationSim *sim = StartStationSim(o, folder.file("COM" + std::to_string(kPort)).c_str(), &error);
    ASSERT_NE(sim, nullptr) << error;
    SimState s;
    StationSimGetState(sim, &s);
    const uint32_t newest = static_cast<uint32_t>(s.hist_last_time);

    // The file holds the data set stored 30 intervals before the console's newest one.
    const std::string path = folder.file("history.dat");
    KORData writer{};
    snprintf(writer.history_file_name, sizeof writer.history_file_name, "%s", path.c_str());
    ASSERT_EQ(InitFileHistoryHeader(&writer.file_header, path.c_str()), 1);
    HistoryRecord old{};
    old.time = newest - 30 * kInterval;
    old.pressure = 1000.0f;
    old.outdoor_humidity = 50;
    old.indoor_humidity = 50;
    ASSERT_EQ(AddHistoryDataSetToFile(&writer, &old), 0);

    memset(&setup, 0, sizeof setup);
    SetSetupToDefault(&setup);
    setup.units = UnitsRecord{0, 0, 0, 0, 0};
    setup.time_24h = 1;
    setup.com_port = kPort;
    snprintf(setup.history_file, sizeof setup.history_file, "%s", path.c_str());
    RegisterAppWidgets();
    RegisterAppCallbacks();
    ASSERT_EQ(LoadInitAllPanels(), 0);
    InitTableTileLine(&setup.units.pressure_unit);
    SetUIDataToDefault();
    SetUIQueueReader(ReadElementFromTSQ_to_UI);
    SetSleepPolicy(VAL_SLEEP_MORE);
    ASSERT_EQ(StateMaschineConstructor(kPort), 0);

    ASSERT_TRUE(WaitFor([] { return UI_data.history_file_ok != 0; }, 30.0));
    ShowHistoryPanel(korP, KORP_HISTORY, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(RowNumber(1), 1);

    // Whenever the display has taken in an append, the last rows are the newest.
    bool always_at_end = true;
    ASSERT_TRUE(WaitFor([&] {
        const int count = UI_data.file_header.count;
        const int last_row = count < 20 ? count : 20;
        if (RowNumber(last_row) != count || RowNumber(last_row + 1) != 0) always_at_end = false;
        return count >= 22;
    }, 120.0));
    EXPECT_TRUE(always_at_end);
    const int before_scrolling = UI_data.file_header.count;
    EXPECT_LT(before_scrolling, 31) << "the download ended before the user could scroll";

    ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(RowNumber(1), 1);
    ASSERT_TRUE(WaitFor([] { return UI_data.file_header.count == 31; }, 120.0));
    EXPECT_EQ(RowNumber(1), 1);
    EXPECT_EQ(RowNumber(20), 20);
    EXPECT_EQ(ScrollBar()->maximum(), 31);

    ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(RowNumber(1), 12);
    EXPECT_EQ(RowNumber(20), 31);
    // The newest row carries the console's newest data set time.
    char time_text[16];
    snprintf(time_text, sizeof time_text, "%02u:%02u", (newest / 3600) % 24, (newest / 60) % 60);
    EXPECT_EQ(Cell(11, 20), time_text);

    EXPECT_EQ(StateMaschineDestructor(), 0);
    ProcessSystemEvents();
    SetUIQueueReader(nullptr);
    StopStationSim(sim);
    HidePanel(historyP);
}

}  // namespace
