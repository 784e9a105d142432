// The history panel on the offscreen platform, driven as the user and the communication
// thread drive it: its pages, labels, cells and scroll bar, how it follows appends, and
// damaged history files.
#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

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
#include "platform/popups.h"
#include "platform/runtime.h"
#include "records/queue_records.h"
#include "station/comm/tsq_records.h"
#include "support/temp_folder.h"

namespace {

constexpr uint32_t kStart = 1165500300;  // 07.12.2006 14:05 UTC

HistoryRecord DataSet(int i) {
    HistoryRecord r{};
    r.time = kStart + 900u * static_cast<uint32_t>(i);
    r.pressure = 1000.0f + static_cast<float>(i);
    r.wind_speed = 2.5f;
    r.wind_direction = i % 16;
    r.rain = 10.0f;
    r.indoor_temperature = 21.5f;
    r.outdoor_temperature = 10.0f;
    r.indoor_humidity = 45;
    r.outdoor_humidity = 50;
    return r;
}

std::string Bytes(const std::vector<HistoryRecord> &sets, int header_count, bool magic = true) {
    std::string bytes(reinterpret_cast<const char *>(sets.data()), sets.size() * sizeof(HistoryRecord));
    HistoryFileHeader h{};
    SetFileHistoryHeaderToDefault(&h);
    h.magic = magic ? HISTORY_FILE_MAGIC : 0x12345678u;
    h.count = header_count;
    if (!sets.empty()) {
        h.first_time = sets.front().time;
        h.last_time = sets.back().time;
    }
    bytes.append(reinterpret_cast<const char *>(&h), sizeof h);
    return bytes;
}

std::vector<HistoryRecord> Sets(int n) {
    std::vector<HistoryRecord> sets;
    for (int i = 0; i < n; ++i) sets.push_back(DataSet(i));
    return sets;
}

std::string Cell(int column, int row) {
    char buffer[128];
    GetTableCellVal(historyP, HISTORYP_TABLE, MakePoint(column, row), buffer, sizeof buffer);
    return buffer;
}

// The row label as the platform keeps it in the header item.
std::string RowLabel(int row) {
    for (QWidget *w : QApplication::allWidgets()) {
        if (w->objectName() != QLatin1String("HISTORYP_TABLE")) continue;
        auto *t = qobject_cast<QTableWidget *>(w);
        const QTableWidgetItem *item = t != nullptr ? t->verticalHeaderItem(row - 1) : nullptr;
        return item != nullptr ? item->text().toStdString() : "";
    }
    return "<no table>";
}

std::string ColumnTitle(int column) {
    for (QWidget *w : QApplication::allWidgets()) {
        auto *t = qobject_cast<QTableWidget *>(w);
        if (t == nullptr || w->objectName() != QLatin1String("HISTORYP_TABLE")) continue;
        const QTableWidgetItem *item = t->horizontalHeaderItem(column - 1);
        return item != nullptr ? item->text().toStdString() : "";
    }
    return "<no table>";
}

QScrollBar *ScrollBar() {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String("HISTORYP_SCROLLBAR")) return qobject_cast<QScrollBar *>(w);
    return nullptr;
}

int ScrollAttr(int attribute) {
    int value = -1;
    GetCtrlAttribute(historyP, HISTORYP_SCROLLBAR, attribute, &value);
    return value;
}

int ScrollValue() {
    int value = -1;
    GetCtrlVal(historyP, HISTORYP_SCROLLBAR, &value);
    return value;
}

std::string Label(int number) {
    char text[16];
    snprintf(text, sizeof text, " %7d ", number);
    return text;
}

// Rows 1..20 hold data sets first..first+count-1 (label and pressure) and the rest is
// empty.
void ExpectPage(int first, int count) {
    std::vector<std::string> want, got;
    for (int row = 1; row <= HISTORY_PAGE_ROWS; ++row) {
        std::string expected_row, actual_row = RowLabel(row);
        if (row <= count) {
            char pressure[16];
            snprintf(pressure, sizeof pressure, "%d.0", 1000 + first + row - 2);
            // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on the chained +.
            expected_row = Label(first + row - 1);
            expected_row.append("|").append(pressure);
            actual_row.append("|").append(Cell(1, row));
        }
        for (int c = row <= count ? 2 : 1; c <= HISTORY_COLUMNS && row > count; ++c)
            actual_row += Cell(c, row);
        want.push_back(expected_row);
        got.push_back(actual_row);
    }
    EXPECT_EQ(got, want) << "page of " << count << " from " << first;
}

UIRecord HeaderRecord(int kind, const std::string &path) {
    UIRecord r;
    memset(&r, 0, sizeof r);
    r.kind = kind;
    HistoryFileHeader h{};
    ReadFileHeader(&h, path.c_str());
    memcpy(r.payload, &h, sizeof h);
    snprintf(r.text, sizeof r.text, "%s", path.c_str());
    return r;
}

class HistoryView : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC", 1);
        tzset();
        memset(&setup, 0, sizeof setup);
        SetSetupToDefault(&setup);
        RegisterAppWidgets();
        RegisterAppCallbacks();
        ASSERT_EQ(LoadInitAllPanels(), 0);
    }
    void SetUp() override {
        setup.units = UnitsRecord{0, 0, 0, 0, 0};  // hPa, m/s, degC, %, mm
        setup.time_24h = 1;
        setup.decimal_comma = 0;
        setup.absolute_pressure = 0;
        InitTableTileLine(&setup.units.pressure_unit);
        SetUIDataToDefault();
        HidePanel(historyP);
        path_ = folder_.file("history.dat");
    }
    void TearDown() override { HidePanel(historyP); }

    // The file and a header of count data sets arrive as the communication thread
    // reports a file in use.
    void UseFile(const std::string &bytes, int count) {
        WriteWholeFile(path_, bytes);
        UIRecord r = HeaderRecord(UI_HISTORY_FILE, path_);
        HistoryFileHeader h;
        memcpy(&h, r.payload, sizeof h);
        h.count = count;
        memcpy(r.payload, &h, sizeof h);
        DispatchUIRecord(&r);
    }
    void Show() { ShowHistoryPanel(korP, KORP_HISTORY, EVENT_COMMIT, nullptr, 0, 0); }

    TempFolder folder_;
    std::string path_;
};

TEST_F(HistoryView, FiveDataSetsFillFiveRowsAndTheScrollBarRunsFrom20To21) {
    UseFile(Bytes(Sets(5), 5), 5);
    Show();
    ExpectPage(1, 5);
    EXPECT_EQ(ScrollAttr(ATTR_MIN_VALUE), 20);
    EXPECT_EQ(ScrollAttr(ATTR_MAX_VALUE), 21);
    EXPECT_EQ(ScrollAttr(ATTR_PAGE_STEP), 0);
    // A whole row in the user's style.
    const std::vector<std::string> row1 = {"1000.0", "21.5", "45", "10.0", "50",    "0.0",
                                           "7.7",    "2.5",  "N",  "10.0", "14:05", "07.12.06"};
    for (int c = 1; c <= HISTORY_COLUMNS; ++c) EXPECT_EQ(Cell(c, 1), row1[c - 1]) << "column " << c;
    EXPECT_EQ(Cell(9, 4), "ENE");
    // The user pulls the bar to its other end: still the whole file.
    ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    ExpectPage(1, 5);
}

TEST_F(HistoryView, FortyFiveDataSetsOpenAtTheEndAndPageToTheStart) {
    UseFile(Bytes(Sets(45), 45), 45);
    Show();
    ExpectPage(26, 20);
    EXPECT_EQ(ScrollAttr(ATTR_MIN_VALUE), 20);
    EXPECT_EQ(ScrollAttr(ATTR_MAX_VALUE), 45);
    EXPECT_EQ(ScrollAttr(ATTR_PAGE_STEP), 20);
    EXPECT_EQ(ScrollValue(), 45);
    // A page up in the trough, then the bar at its top: data sets 1 to 20.
    ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    ExpectPage(6, 20);
    ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    ExpectPage(1, 20);
    // One step down moves by one data set.
    ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ExpectPage(2, 20);
    // Hidden and shown again: the page the user left.
    HideHistoryPanel(historyP, HISTORYP_CLOSE, EVENT_COMMIT, nullptr, 0, 0);
    int visible = 1;
    GetPanelAttribute(historyP, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    Show();
    ExpectPage(2, 20);
    // The page step follows the count: 30 data sets page by 9.
    HistoryFileHeader h = UI_data.file_header;
    h.count = 30;
    ActualiseScrollBar(&h);
    EXPECT_EQ(ScrollAttr(ATTR_PAGE_STEP), 9);
    h.count = 0;
    ActualiseScrollBar(&h);
    EXPECT_EQ(ScrollAttr(ATTR_MIN_VALUE), 0);
    EXPECT_EQ(ScrollAttr(ATTR_MAX_VALUE), 1);
}

QTableWidget *Table() {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String("HISTORYP_TABLE")) return qobject_cast<QTableWidget *>(w);
    return nullptr;
}

void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(Table(), &press);
}

void Wheel(int delta) {
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Table()->viewport(), &wheel);
}

TEST_F(HistoryView, WheelAndPagingKeysOnTheTableMoveByRowsAndPages) {
    UseFile(Bytes(Sets(65), 65), 65);
    Show();
    ASSERT_NE(Table(), nullptr);
    const int lines = QApplication::wheelScrollLines();
    Wheel(120);  // one notch up: older rows
    EXPECT_EQ(ScrollValue(), 65 - lines);
    ExpectPage(46 - lines, 20);
    Wheel(-120);
    EXPECT_EQ(ScrollValue(), 65);
    Key(Qt::Key_PageUp);
    ExpectPage(26, 20);
    Key(Qt::Key_PageUp);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(ScrollValue(), 45);
    Key(Qt::Key_Home, Qt::ControlModifier);
    ExpectPage(1, 20);
    Key(Qt::Key_End, Qt::ControlModifier);
    ExpectPage(46, 20);
}

TEST_F(HistoryView, MarkersDerivedValuesAndTheUsersStyle) {
    std::vector<HistoryRecord> sets = Sets(6);
    sets[0].outdoor_humidity = 110;      // not available: its column and the dewpoint
    sets[1].indoor_humidity = 98;
    sets[1].indoor_temperature = 81.11f;
    sets[2].indoor_temperature = 136.65f;
    sets[2].outdoor_temperature = 81.11f;  // no dewpoint, no windchill
    sets[3].wind_speed = 51.0f;            // no wind: no windchill, no direction
    sets[4].wind_speed = 51.1f;            // overflow: no windchill, but a direction
    sets[4].wind_direction = 3;
    sets[5].wind_speed = 10.0f;
    sets[5].outdoor_humidity = 5;
    sets[5].time = 1704067200u + 13 * 3600u + 5 * 60u;  // 01.01.2024 13:05
    setup.decimal_comma = 1;
    UseFile(Bytes(sets, 6), 6);
    Show();
    EXPECT_EQ(Cell(5, 1), "---");
    EXPECT_EQ(Cell(6, 1), "---");
    EXPECT_EQ(Cell(7, 1), "7,7");
    EXPECT_EQ(Cell(3, 2), "---");
    EXPECT_EQ(Cell(2, 2), "---");
    EXPECT_EQ(Cell(2, 3), "OFL");
    EXPECT_EQ(Cell(4, 3), "---");
    EXPECT_EQ(Cell(6, 3), "---");
    EXPECT_EQ(Cell(7, 3), "---");
    EXPECT_EQ(Cell(8, 4), "---");
    EXPECT_EQ(Cell(7, 4), "---");
    EXPECT_EQ(Cell(9, 4), "---");
    EXPECT_EQ(Cell(8, 5), "OFL");
    EXPECT_EQ(Cell(7, 5), "---");
    EXPECT_EQ(Cell(9, 5), "ENE");
    EXPECT_EQ(Cell(3, 6), "45");
    EXPECT_EQ(Cell(5, 6), " 5");
    EXPECT_EQ(Cell(6, 6), "-27,9");  // dewpoint of 10 degC at 5 %, cut to one decimal
    EXPECT_EQ(Cell(7, 6), "0,4");    // windchill of 10 degC at 10 m/s
    EXPECT_EQ(Cell(1, 6), "1005,0");
    EXPECT_EQ(Cell(10, 6), "10,0");
    char name_and_bearing[kDirectionTextSize];
    GetDirectionString(3, nullptr, name_and_bearing);
    EXPECT_STREQ(name_and_bearing, "ENE\n67,5\u00B0");

    // Units, pressure kind and the 12-hour style redraw the same page.
    setup.decimal_comma = 0;
    setup.time_24h = 0;
    setup.absolute_pressure = 1;
    setup.units = UnitsRecord{1, 1, 1, 0, 1};  // inHg, km/h, degF, %, inch
    InitTableTileLine(&setup.units.pressure_unit);
    EXPECT_EQ(RedrawHistoryPanel(), 0);
    EXPECT_EQ(Cell(4, 1), "50.0");
    EXPECT_EQ(Cell(8, 6), "36.0");
    EXPECT_EQ(Cell(11, 6), "01:05 PM");
    EXPECT_EQ(Cell(12, 6), "24.01.01");
    EXPECT_EQ(ColumnTitle(1), "Abs. pressure\n[inHg]");
    EXPECT_EQ(ColumnTitle(4), "Temp. outdoor\n[\u00B0F]");
    EXPECT_EQ(ColumnTitle(5), "Hum. outdoor\n[%]");
    EXPECT_EQ(ColumnTitle(8), "Wind speed\n[km/h]");
    EXPECT_EQ(ColumnTitle(9), "Wind dir.");
    EXPECT_EQ(ColumnTitle(10), "Rain\n[inch]");
    EXPECT_EQ(ColumnTitle(12), "Date");
}

TEST_F(HistoryView, NothingIsReadWhileHiddenOrBeforeTheFileIsReady) {
    ShowHistoryPanel(korP, KORP_HISTORY, EVENT_COMMIT, nullptr, 0, 0);
    int visible = 1;
    GetPanelAttribute(historyP, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);  // no file reported yet

    WriteWholeFile(path_, Bytes(Sets(45), 45));
    UIRecord r = HeaderRecord(UI_HISTORY_STORED, path_);
    snprintf(setup.history_file, sizeof setup.history_file, "%s", path_.c_str());
    DispatchUIRecord(&r);
    EXPECT_EQ(UpdateHistoryPanel(30), HISTORY_VIEW_HIDDEN);
    EXPECT_EQ(ScrollValue(), 30);
    UI_data.history_file_ok = 0;
    DisplayHistoryPanel();
    EXPECT_EQ(UpdateHistoryPanel(-1), HISTORY_VIEW_NOT_READY);
}

TEST_F(HistoryView, AppendsAreFollowedAtTheEndAndLeaveAnOlderPageAlone) {
    KORData writer{};
    snprintf(writer.history_file_name, sizeof writer.history_file_name, "%s", path_.c_str());
    ASSERT_EQ(InitFileHistoryHeader(&writer.file_header, path_.c_str()), 1);
    auto append = [&](int i) {
        const HistoryRecord d = DataSet(i);
        ASSERT_EQ(AddHistoryDataSetToFile(&writer, &d), 0);
        UIRecord r;
        memset(&r, 0, sizeof r);
        r.kind = UI_HISTORY_STORED;
        memcpy(r.payload, &writer.file_header, sizeof writer.file_header);
        DispatchUIRecord(&r);
    };
    const UIRecord file = HeaderRecord(UI_HISTORY_FILE, path_);
    DispatchUIRecord(&file);
    Show();
    ExpectPage(1, 0);
    for (int i = 0; i < 25; ++i) append(i);
    ExpectPage(6, 20);
    EXPECT_EQ(ScrollValue(), 25);
    ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    ExpectPage(1, 20);
    for (int i = 25; i < 30; ++i) append(i);
    ExpectPage(1, 20);  // the user reads older data sets undisturbed
    EXPECT_EQ(ScrollAttr(ATTR_MAX_VALUE), 30);
    EXPECT_EQ(ScrollValue(), 20);
    ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    ExpectPage(11, 20);
    append(30);
    ExpectPage(12, 20);
    // While hidden the view keeps following, and shows the end when opened.
    CloseHistoryPanel();
    append(31);
    EXPECT_EQ(ScrollValue(), 32);
    Show();
    ExpectPage(13, 20);
}

TEST_F(HistoryView, DamagedFilesShowWhatIsThereAndAreNeverWritten) {
    // The header counts 45, the file holds 30: the rows say which data sets they are.
    std::string bytes = Bytes(Sets(30), 45);
    UseFile(bytes, 45);
    Show();
    ExpectPage(11, 20);
    EXPECT_EQ(Cell(1, 20), "1029.0");
    ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    ExpectPage(1, 20);
    EXPECT_EQ(ReadWholeFile(path_), bytes);

    // A last data set cut short with no header behind it: what is whole is shown.
    bytes = Bytes(Sets(29), 29).substr(0, 29 * 36 - 10);
    WriteWholeFile(path_, bytes);
    ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    ExpectPage(8, 20);  // 27 whole data sets before the last 28 bytes
    EXPECT_EQ(ReadWholeFile(path_), bytes);

    // A header without its magic number: the data sets before it are still data sets.
    bytes = Bytes(Sets(25), 25, false);
    UseFile(bytes, 25);
    ExpectPage(6, 20);
    EXPECT_EQ(ReadWholeFile(path_), bytes);

    // A file that went away: the panel says so, and recovers when it is back.
    std::remove(path_.c_str());
    EXPECT_EQ(UpdateHistoryPanel(-1), HISTORY_VIEW_READ_FAILED);
    ExpectPage(1, 0);
    int visible = 0;
    GetCtrlAttribute(historyP, HISTORYP_MESSAGE, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    char message[400];
    GetCtrlString(historyP, HISTORYP_MESSAGE, message, sizeof message);
    EXPECT_NE(std::string(message).find("cannot be read"), std::string::npos);
    WriteWholeFile(path_, Bytes(Sets(25), 25));
    EXPECT_EQ(UpdateHistoryPanel(-1), 0);
    GetCtrlAttribute(historyP, HISTORYP_MESSAGE, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    ExpectPage(6, 20);
}

// ---- choosing another history file ----------------------------------------------------

std::vector<PopupRequest> asked;
std::vector<std::string> asked_dirs, asked_files, asked_titles, asked_filters;
std::string answer;

int Answer(const PopupRequest *request, char *path_out, int path_size) {
    asked.push_back(*request);
    asked_dirs.push_back(request->default_dir);
    asked_files.push_back(request->default_file);
    asked_titles.push_back(request->title);
    asked_filters.push_back(request->filter);
    if (request->kind != POPUP_FILE_SELECT || answer.empty()) return 0;
    snprintf(path_out, static_cast<size_t>(path_size), "%s", answer.c_str());
    return 1;
}

TEST_F(HistoryView, AnotherFileIsHandedToTheCommunicationThread) {
    UseFile(Bytes(Sets(45), 45), 45);
    Show();
    ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    CmtTSQHandle queue = 0;
    ASSERT_EQ(CmtNewTSQ(10, sizeof(CommandRecord), 0, &queue), 0);
    h_TSQ_to_CSM = queue;
    SetPopupTestResponder(Answer);

    answer.clear();  // cancelled: nothing is sent
    HistoryPChangeHistoryFile(historyP, HISTORYP_CHANGE_FILE, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked_dirs[0], folder_.path() + "/");
    EXPECT_EQ(asked_files[0], "history.dat");
    EXPECT_EQ(asked_filters[0], "*.dat");
    EXPECT_EQ(asked_titles[0], "Choose the history file");
    int waiting = -1;
    CmtGetTSQAttribute(queue, ATTR_TSQ_ITEMS_IN_QUEUE, &waiting);
    EXPECT_EQ(waiting, 0);

    answer = folder_.file("other");  // a new file; the extension is added
    HistoryPChangeHistoryFile(historyP, HISTORYP_CHANGE_FILE, EVENT_COMMIT, nullptr, 0, 0);
    CommandRecord sent{};
    ASSERT_EQ(CmtReadTSQData(queue, &sent, 1, 0, 0), 1);
    EXPECT_EQ(sent.code, 3);
    EXPECT_STREQ(sent.file_name, folder_.file("other.dat").c_str());
    EXPECT_EQ(std::string(setup.history_file), path_);  // the thread reports it back

    // The next showing opens the file at its newest page.
    CloseHistoryPanel();
    Show();
    ExpectPage(26, 20);

    SetPopupTestResponder(nullptr);
    h_TSQ_to_CSM = 0;
    CmtDiscardTSQ(queue);
    asked.clear();
}

}  // namespace
