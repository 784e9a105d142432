// The console's older data sets on the offscreen platform, driven by the UI records the
// communication thread sends and by clicks: the bar's text in the user's date style,
// Store asking for them once, Not now keeping the bar away for this file, the
// history view keeping its data sets in sight when older ones come in front, and the
// interval dialog saying how many data sets are fetched before the interval changes.
#include <QAbstractButton>
#include <QApplication>
#include <QTableWidget>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "windows/KOR.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "records/ui_data.h"
#include "history/history_file.h"
#include "windows/history_view.h"
#include "platform/panels.h"
#include "station/comm/older_history.h"
#include "station/comm/tsq_records.h"
#include "windows/history_interval_dialog.h"
#include "support/gui_app.h"
#include "support/temp_folder.h"
#include "support/utc_zone.h"

namespace {

constexpr uint32_t kInterval = 900;

uint32_t Utc(int year, int month, int day, int hour, int minute) {
    struct tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return static_cast<uint32_t>(timegm(&t));
}

void Offer(int count, uint32_t oldest) {
    UIRecord r{};
    r.kind = UI_OLDER_DATA_SETS;
    const OlderDataSetsOffer offer{count, oldest};
    memcpy(r.payload, &offer, sizeof offer);
    DispatchUIRecord(&r);
}

void Answer(const HistoryFileHeader &header) {
    UIRecord r{};
    r.kind = UI_OLDER_DATA_SETS_STORED;
    memcpy(r.payload, &header, sizeof header);
    DispatchUIRecord(&r);
}

void Progress(int done, int total) {
    UIRecord r{};
    r.kind = UI_OLDER_DATA_SETS_PROGRESS;
    const OlderDataSetsProgress progress{done, total};
    memcpy(r.payload, &progress, sizeof progress);
    DispatchUIRecord(&r);
}

bool Shown(int panel, int control) {
    int visible = 0;
    GetCtrlAttribute(panel, control, ATTR_VISIBLE, &visible);
    return visible != 0;
}

std::string Text(int panel, int control) {
    char text[700];
    GetCtrlString(panel, control, text, sizeof text);
    return text;
}

void Click(const char *name) {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(name)) qobject_cast<QAbstractButton *>(w)->click();
}

int FirstRowNumber() {
    for (QWidget *w : QApplication::allWidgets()) {
        auto *t = qobject_cast<QTableWidget *>(w);
        if (t == nullptr || w->objectName() != QLatin1String("HISTORYP_TABLE")) continue;
        const QTableWidgetItem *item = t->verticalHeaderItem(0);
        return item != nullptr ? item->text().trimmed().toInt() : 0;
    }
    return -1;
}

class OlderDataSets : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(LoadAppPanelsForTests(), 0); }
    void SetUp() override {
        setup.time_24h = 1;
        SetUIDataToDefault();
        ASSERT_EQ(OpenCommandQueueForTests(), 0);
        // A file of its own for each test: Not now holds for the file for the whole run.
        static uint32_t tests = 0;
        UI_data.file_header.count = 1;
        UI_data.file_header.first_time = Utc(2026, 12, 9, 21, 0) + ++tests * kInterval;
    }
    void TearDown() override {
        RemovePopup(1);
        CloseCommandQueueForTests();
        HidePanel(historyP);
    }
    UtcZone utc_;
};

TEST_F(OlderDataSets, TheBarAsksAndOnlyAClickStoresOrPutsOff) {
    Offer(99, Utc(2026, 12, 8, 20, 15));
    ASSERT_TRUE(Shown(korP, KORP_OLDER_BAR));
    EXPECT_EQ(Text(korP, KORP_OLDER_TEXT),
              "The console holds 99 older data sets (from 08.12.26 20:15). Store them too?");
    Offer(1, Utc(2026, 12, 9, 20, 45));
    EXPECT_EQ(Text(korP, KORP_OLDER_TEXT),
              "The console holds 1 older data set (from 09.12.26 20:45). Store it too?");
    EXPECT_TRUE(TakeCommandsSent().empty()) << "nothing is asked for without a click";

    Click("KORP_OLDER_STORE");
    const std::vector<CommandRecord> sent = TakeCommandsSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, COMMAND_STORE_OLDER_DATA_SETS);
    EXPECT_TRUE(Shown(korP, KORP_OLDER_PROGRESS)) << "the bar shows progress while under way";
    EXPECT_FALSE(Shown(korP, KORP_OLDER_STORE));
    EXPECT_EQ(Text(korP, KORP_OLDER_TEXT), "Storing 0 of 1\u2026");
    Answer(UI_data.file_header);
    // The request could not be carried out: the next report offers them again.
    Offer(99, Utc(2026, 12, 8, 20, 15));
    EXPECT_TRUE(Shown(korP, KORP_OLDER_BAR));
    Click("KORP_OLDER_LATER");
    EXPECT_FALSE(Shown(korP, KORP_OLDER_BAR));
    Offer(99, Utc(2026, 12, 8, 20, 15));
    EXPECT_FALSE(Shown(korP, KORP_OLDER_BAR)) << "not again for this file";
    EXPECT_TRUE(TakeCommandsSent().empty());
    // The History window stores them all the same, and says how far it has come.
    Click("HISTORYP_STORE_OLDER");
    ASSERT_EQ(TakeCommandsSent().size(), 1u);
    Progress(37, 99);
    EXPECT_EQ(Text(historyP, HISTORYP_STORE_OLDER), "Storing 37 of 99\u2026");
    EXPECT_TRUE(Shown(korP, KORP_OLDER_BAR));
    EXPECT_EQ(Text(korP, KORP_OLDER_TEXT), "Storing 37 of 99\u2026");
    Progress(0, 0);
    EXPECT_FALSE(Shown(korP, KORP_OLDER_BAR));
    EXPECT_EQ(Text(historyP, HISTORYP_STORE_OLDER), "Store older data sets");
    // Another file is offered afresh; a console with none withdraws the offer.
    UI_data.file_header.first_time += kInterval;
    Offer(5, Utc(2026, 12, 9, 20, 0));
    EXPECT_TRUE(Shown(korP, KORP_OLDER_BAR));
    Offer(0, 0);
    EXPECT_FALSE(Shown(korP, KORP_OLDER_BAR));
}

TEST_F(OlderDataSets, TheViewKeepsItsDataSetsWhenOlderOnesComeInFront) {
    TempFolder folder;
    const std::string path = folder.file("history.dat");
    snprintf(setup.history_file, sizeof setup.history_file, "%s", path.c_str());
    KORData rec{};
    snprintf(rec.history_file_name, sizeof rec.history_file_name, "%s", path.c_str());
    ASSERT_EQ(InitFileHistoryHeader(&rec.file_header, path.c_str()), 1);
    const uint32_t start = Utc(2026, 12, 9, 0, 0);
    for (int i = 0; i < 45; ++i) {
        HistoryRecord r{};
        r.time = start + static_cast<uint32_t>(i) * kInterval;
        ASSERT_EQ(AddHistoryDataSetToFile(&rec, &r), 0);
    }
    UI_data.file_header = rec.file_header;
    UI_data.history_file_ok = 1;
    ActualiseScrollBar(&UI_data.file_header);
    DisplayHistoryPanel();
    UpdateHistoryPanel(20);  // the user reads data sets 1 to 20
    ASSERT_EQ(FirstRowNumber(), 1);

    std::vector<HistoryRecord> older(30);
    for (int i = 0; i < 30; ++i) older[i].time = start - static_cast<uint32_t>(30 - i) * kInterval;
    HistoryRecord anchor{};
    anchor.time = start;
    ASSERT_EQ(PrependHistoryDataSetsToFile(&rec, older.data(), 30, &anchor), 0);
    Answer(rec.file_header);
    EXPECT_EQ(UI_data.file_header.count, 75);
    EXPECT_EQ(FirstRowNumber(), 31) << "the same data sets, now numbered 31 to 50";
    UpdateHistoryPanel(-1);
    older.resize(5);
    for (int i = 0; i < 5; ++i) older[i].time = start - static_cast<uint32_t>(35 - i) * kInterval;
    anchor.time = start - 30 * kInterval;
    ASSERT_EQ(PrependHistoryDataSetsToFile(&rec, older.data(), 5, &anchor), 0);
    Answer(rec.file_header);
    EXPECT_EQ(FirstRowNumber(), 61) << "a view at the end stays at the end";
}

TEST_F(OlderDataSets, TheIntervalDialogSaysWhatIsFetchedFirst) {
    KORHistoryHeader &h = UI_data.station_header;
    h.interval_code = 14;
    h.index = 99;
    h.data_number = 100;
    h.last_data_set_time = Utc(2026, 12, 9, 12, 0);
    UI_data.history_header_valid = 1;
    UI_data.file_header.last_time = h.last_data_set_time - 40 * kInterval;
    OpenChangeHistorySettings(historyP, HISTORYP_HIST_SETTINGS, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_TRUE(Shown(change_history_settingsP, CHGHISTP_WAITING));
    EXPECT_EQ(Text(change_history_settingsP, CHGHISTP_WAITING),
              "40 data sets on the console are not in the history file yet. The console deletes "
              "its data sets when the interval changes, so they are fetched first.");
    // The older data sets a new file did not take count too.
    Offer(3, UI_data.file_header.first_time - 3 * kInterval);
    RefreshNextDataSetDisplay(1);
    EXPECT_EQ(Text(change_history_settingsP, CHGHISTP_WAITING).substr(0, 3), "43 ");
    Offer(0, 0);
    UI_data.file_header.last_time = h.last_data_set_time;
    RefreshNextDataSetDisplay(1);
    EXPECT_FALSE(Shown(change_history_settingsP, CHGHISTP_WAITING));
}

}  // namespace
