// Panels from a resource file: controls by id, their values, attributes and events,
// pop-up panels, timers on the main thread and on a thread without widgets, and the
// main event loop.
#include "platform/panels.h"
#include "platform/runtime.h"
#include "support/temp_folder.h"
#include "support/test_data.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

class TestGauge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue)
public:
    explicit TestGauge(QWidget *parent) : QWidget(parent) {}
    double value() const { return value_; }
    void setValue(double v) { value_ = v; }

private:
    double value_ = 0;
};

namespace {

// Controls of test_panels.uir.
constexpr int MAINP = 1, MAINP_READING = 2, MAINP_NAME = 3, MAINP_COUNT = 4, MAINP_LEVEL = 5,
              MAINP_ENABLED = 6, MAINP_UNIT = 7, MAINP_QUIT = 8, MAINP_ABSOLUTE = 9,
              MAINP_POSITION = 10, MAINP_GAUGE = 11, MAINP_HISTORY = 12,
              MAINP_BLINK = 20;
constexpr int POPUPP = 2, POPUPP_OK = 2;
constexpr int ASKP = 3, ASKP_OK = 3;
constexpr int TIMERP = 11, TIMERP_RESPONSE = 1, TIMERP_LIVETICK = 4;

struct Event {
    int panel, control, event, data1, data2;
    unsigned thread;
};
std::vector<Event> events;  // main-thread callbacks only
int Record(int panel, int control, int event, void *, int d1, int d2) {
    events.push_back({panel, control, event, d1, d2, CmtGetCurrentThreadID()});
    return 0;
}

std::atomic<int> ticks{0};
std::vector<Event> tick_log;  // written by the ticking thread only
int Tick(int panel, int control, int event, void *, int, int d2) {
    tick_log.push_back({panel, control, event, 0, d2, CmtGetCurrentThreadID()});
    ++ticks;
    return 0;
}

QWidget *MakeGauge(QWidget *parent) { return new TestGauge(parent); }

std::string PanelsFile() { return TestDataPath("test_panels.uir"); }

bool PumpUntil(const std::function<bool()> &cond, double limit_s = 20.0) {
    SetSleepPolicy(VAL_SLEEP_MORE);
    const double end = Timer() + limit_s;
    while (!cond()) {
        if (Timer() > end) return false;
        ProcessSystemEvents();
    }
    return true;
}

void PumpFor(double seconds) {
    const double end = Timer() + seconds;
    while (Timer() < end) ProcessSystemEvents();
}

template <typename W = QWidget>
W *Widget(const char *name) {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(name)) return qobject_cast<W *>(w);
    return nullptr;
}

class Panels : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterCallback("Clicked", Record);
        RegisterCallback("Changed", Record);
        RegisterCallback("Committed", Record);
        RegisterCallback("MainClosed", Record);
        RegisterCallback("Tick", Tick);
        RegisterWidgetClass("TestGauge", MakeGauge);
        events.clear();
        tick_log.clear();
        ticks = 0;
        panel = LoadPanel(0, PanelsFile().c_str(), MAINP);
        ASSERT_GT(panel, 0);
    }
    void TearDown() override {
        if (panel > 0) DiscardPanel(panel);
        PumpFor(0.01);  // lets the discarded widgets go
    }
    int panel = 0;
};

TEST(PanelFile, MissingFilePanelOrBrokenFileAreReported) {
    EXPECT_EQ(LoadPanel(0, "no-such-file.uir", 1), kUIErrFile);
    EXPECT_EQ(LoadPanel(0, PanelsFile().c_str(), 99), kUIErrPanel);
    EXPECT_EQ(LoadPanel(0, TestDataPath("broken_panels.uir").c_str(), 1), kUIErrParse);
    // A bare name is looked up in $CH_RESOURCE_DIR.
    const std::string dir = PanelsFile().substr(0, PanelsFile().rfind('/'));
    const char *old = getenv("CH_RESOURCE_DIR");
    const std::string saved = old != nullptr ? old : "";
    setenv("CH_RESOURCE_DIR", dir.c_str(), 1);
    const int p = LoadPanel(0, "test_panels.uir", POPUPP);
    EXPECT_GT(p, 0);
    EXPECT_EQ(DiscardPanel(p), 0);
    EXPECT_EQ(DiscardPanel(p), kUIErrPanel);
    if (old != nullptr) setenv("CH_RESOURCE_DIR", saved.c_str(), 1); else unsetenv("CH_RESOURCE_DIR");
}

TEST_F(Panels, ValuesOfEachControlKind) {
    char text[64];
    // Text controls take texts and numbers, and give numbers back when they hold one.
    EXPECT_EQ(SetCtrlVal(panel, MAINP_READING, "21,4 °C"), 0);
    EXPECT_EQ(GetCtrlString(panel, MAINP_READING, text, sizeof text), 0);
    EXPECT_STREQ(text, "21,4 °C");
    int i = 0;
    EXPECT_EQ(GetCtrlVal(panel, MAINP_READING, &i), kUIErrValue);
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_READING, ATTR_PRECISION, 2), 0);
    EXPECT_EQ(SetCtrlVal(panel, MAINP_READING, 3.14159), 0);
    EXPECT_EQ(GetCtrlString(panel, MAINP_READING, text, sizeof text), 0);
    EXPECT_STREQ(text, "3.14");
    double d = 0;
    EXPECT_EQ(GetCtrlVal(panel, MAINP_READING, &d), 0);
    EXPECT_DOUBLE_EQ(d, 3.14);
    char small[4];
    EXPECT_EQ(GetCtrlString(panel, MAINP_READING, small, sizeof small), 0);
    EXPECT_STREQ(small, "3.1");

    EXPECT_EQ(SetCtrlVal(panel, MAINP_NAME, "history.dat"), 0);
    EXPECT_EQ(GetCtrlString(panel, MAINP_NAME, text, sizeof text), 0);
    EXPECT_STREQ(text, "history.dat");

    EXPECT_EQ(SetCtrlVal(panel, MAINP_COUNT, 150), 0);  // kept within the range
    EXPECT_EQ(GetCtrlVal(panel, MAINP_COUNT, &i), 0);
    EXPECT_EQ(i, 100);
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_COUNT, ATTR_MAX_VALUE, 200), 0);
    EXPECT_EQ(SetCtrlVal(panel, MAINP_COUNT, 150), 0);
    EXPECT_EQ(GetCtrlVal(panel, MAINP_COUNT, &i), 0);
    EXPECT_EQ(i, 150);
    EXPECT_EQ(GetCtrlAttribute(panel, MAINP_COUNT, ATTR_MAX_VALUE, &i), 0);
    EXPECT_EQ(i, 200);

    EXPECT_EQ(SetCtrlVal(panel, MAINP_LEVEL, 12.25), 0);
    EXPECT_EQ(GetCtrlVal(panel, MAINP_LEVEL, &d), 0);
    EXPECT_NEAR(d, 12.25, 0.051);  // one decimal in the resource

    EXPECT_EQ(SetCtrlVal(panel, MAINP_ENABLED, 1), 0);
    EXPECT_EQ(GetCtrlVal(panel, MAINP_ENABLED, &i), 0);
    EXPECT_EQ(i, 1);
    EXPECT_EQ(SetCtrlVal(panel, MAINP_ABSOLUTE, 1), 0);
    EXPECT_EQ(GetCtrlVal(panel, MAINP_ABSOLUTE, &i), 0);
    EXPECT_EQ(i, 1);
    EXPECT_EQ(SetCtrlVal(panel, MAINP_POSITION, 42), 0);
    EXPECT_EQ(GetCtrlVal(panel, MAINP_POSITION, &i), 0);
    EXPECT_EQ(i, 42);
    EXPECT_EQ(SetCtrlVal(panel, MAINP_QUIT, 1), kUIErrAttribute);  // a plain button has none

    // A widget class of the program keeps its value in its "value" property.
    ASSERT_NE(Widget<TestGauge>("gauge"), nullptr);
    EXPECT_EQ(SetCtrlVal(panel, MAINP_GAUGE, 17.5), 0);
    EXPECT_EQ(Widget<TestGauge>("gauge")->value(), 17.5);
    EXPECT_EQ(GetCtrlVal(panel, MAINP_GAUGE, &d), 0);
    EXPECT_EQ(d, 17.5);

    EXPECT_EQ(SetCtrlVal(panel, 77, 1), kUIErrControl);
    EXPECT_EQ(SetCtrlVal(9999, MAINP_COUNT, 1), kUIErrPanel);
    // Programmatic values raise no events.
    EXPECT_TRUE(events.empty());
}

TEST_F(Panels, ListItemsCarryTheirValues) {
    int i = -1;
    // Items from the resource file are worth their position.
    EXPECT_EQ(SetCtrlVal(panel, MAINP_UNIT, 1), 0);
    char text[16];
    EXPECT_EQ(GetCtrlString(panel, MAINP_UNIT, text, sizeof text), 0);
    EXPECT_STREQ(text, "inHg");
    EXPECT_EQ(ClearListCtrl(panel, MAINP_UNIT), 0);
    EXPECT_EQ(InsertListItem(panel, MAINP_UNIT, -1, "m/s", 10), 0);
    EXPECT_EQ(InsertListItem(panel, MAINP_UNIT, -1, "km/h", 20), 0);
    EXPECT_EQ(InsertListItem(panel, MAINP_UNIT, 0, "knt", 30), 0);
    EXPECT_EQ(GetNumListItems(panel, MAINP_UNIT, &i), 0);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(SetCtrlVal(panel, MAINP_UNIT, 20), 0);
    EXPECT_EQ(GetCtrlIndex(panel, MAINP_UNIT, &i), 0);
    EXPECT_EQ(i, 2);
    EXPECT_EQ(GetCtrlString(panel, MAINP_UNIT, text, sizeof text), 0);
    EXPECT_STREQ(text, "km/h");
    EXPECT_EQ(SetCtrlVal(panel, MAINP_UNIT, 2), kUIErrValue);  // no item is worth 2
    EXPECT_EQ(SetCtrlIndex(panel, MAINP_UNIT, 0), 0);
    EXPECT_EQ(GetCtrlVal(panel, MAINP_UNIT, &i), 0);
    EXPECT_EQ(i, 30);
    EXPECT_EQ(SetCtrlVal(panel, MAINP_UNIT, "m/s"), 0);
    EXPECT_EQ(GetCtrlVal(panel, MAINP_UNIT, &i), 0);
    EXPECT_EQ(i, 10);
    EXPECT_EQ(InsertListItem(panel, MAINP_COUNT, -1, "x", 1), kUIErrAttribute);
}

TEST_F(Panels, TableCellsRowsAndHeaders) {
    int n = -1;
    EXPECT_EQ(GetNumTableColumns(panel, MAINP_HISTORY, &n), 0);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(InsertTableRows(panel, MAINP_HISTORY, -1, 20), 0);
    EXPECT_EQ(GetNumTableRows(panel, MAINP_HISTORY, &n), 0);
    EXPECT_EQ(n, 20);
    EXPECT_EQ(SetTableCellVal(panel, MAINP_HISTORY, MakePoint(3, 20), "1013,2"), 0);
    EXPECT_EQ(SetTableCellVal(panel, MAINP_HISTORY, MakePoint(4, 1), "x"), kUIErrValue);
    EXPECT_EQ(SetTableCellVal(panel, MAINP_HISTORY, MakePoint(1, 0), "x"), kUIErrValue);
    char text[16];
    EXPECT_EQ(GetTableCellVal(panel, MAINP_HISTORY, MakePoint(3, 20), text, sizeof text), 0);
    EXPECT_STREQ(text, "1013,2");
    EXPECT_EQ(GetTableCellVal(panel, MAINP_HISTORY, MakePoint(1, 1), text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(SetTableRowAttribute(panel, MAINP_HISTORY, 1, ATTR_LABEL_TEXT, "      1 "), 0);
    EXPECT_EQ(SetTableColumnAttribute(panel, MAINP_HISTORY, 3, ATTR_LABEL_TEXT, "Pressure\n[hPa]"), 0);
    EXPECT_EQ(SetTableColumnAttribute(panel, MAINP_HISTORY, 4, ATTR_LABEL_TEXT, "x"), kUIErrValue);
    // Rows before row 2: the cell of row 20 moves down with its row.
    EXPECT_EQ(InsertTableRows(panel, MAINP_HISTORY, 2, 1), 0);
    EXPECT_EQ(GetTableCellVal(panel, MAINP_HISTORY, MakePoint(3, 21), text, sizeof text), 0);
    EXPECT_STREQ(text, "1013,2");
    EXPECT_EQ(DeleteTableRows(panel, MAINP_HISTORY, 2, 1), 0);
    EXPECT_EQ(GetTableCellVal(panel, MAINP_HISTORY, MakePoint(3, 20), text, sizeof text), 0);
    EXPECT_STREQ(text, "1013,2");
    EXPECT_EQ(DeleteTableRows(panel, MAINP_HISTORY, 5, -1), 0);
    EXPECT_EQ(GetNumTableRows(panel, MAINP_HISTORY, &n), 0);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(GetNumTableRows(panel, MAINP_COUNT, &n), kUIErrAttribute);
}

TEST_F(Panels, AttributesOfControls) {
    int v = -1;
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_COUNT, ATTR_DIMMED, 1), 0);
    EXPECT_FALSE(Widget("count")->isEnabled());
    EXPECT_EQ(GetCtrlAttribute(panel, MAINP_COUNT, ATTR_DIMMED, &v), 0);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_COUNT, ATTR_VISIBLE, 0), 0);
    EXPECT_EQ(GetCtrlAttribute(panel, MAINP_COUNT, ATTR_VISIBLE, &v), 0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_READING, ATTR_TEXT_COLOR, MakeColor(255, 0, 0)), 0);
    EXPECT_EQ(GetCtrlAttribute(panel, MAINP_READING, ATTR_TEXT_COLOR, &v), 0);
    EXPECT_EQ(v, 0xFF0000);
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_READING, ATTR_TEXT_BGCOLOR, 0x00FF00), 0);
    EXPECT_EQ(GetCtrlAttribute(panel, MAINP_READING, ATTR_TEXT_BGCOLOR, &v), 0);
    EXPECT_EQ(v, 0x00FF00);
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_READING, ATTR_TOOLTIP_TEXT, "Indoor temperature"), 0);
    EXPECT_EQ(Widget("reading")->toolTip(), QString("Indoor temperature"));
    // A line edit's label is the label that names it; a button's label is its text.
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_NAME, ATTR_LABEL_TEXT, "History file"), 0);
    EXPECT_EQ(Widget<QLabel>("nameLabel")->text(), QString("History file"));
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_QUIT, ATTR_LABEL_TEXT, "End"), 0);
    EXPECT_EQ(Widget<QAbstractButton>("quit")->text(), QString("End"));
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_COUNT, ATTR_LABEL_TEXT, "x"), kUIErrAttribute);
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_COUNT, ATTR_INTERVAL, 1.0), kUIErrAttribute);
    EXPECT_EQ(SetPanelAttribute(panel, ATTR_TITLE, "Weather"), 0);
    EXPECT_EQ(Widget("mainP")->windowTitle(), QString("Weather"));
}

TEST_F(Panels, UserActionsBecomeControlEvents) {
    Widget<QAbstractButton>("quit")->click();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].panel, panel);
    EXPECT_EQ(events[0].control, MAINP_QUIT);
    EXPECT_EQ(events[0].event, EVENT_COMMIT);

    events.clear();
    Widget<QAbstractButton>("enabled")->click();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].event, EVENT_VAL_CHANGED);
    EXPECT_EQ(events[1].event, EVENT_COMMIT);
    EXPECT_EQ(events[1].control, MAINP_ENABLED);

    events.clear();
    emit Widget<QComboBox>("unit")->activated(1);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].event, EVENT_COMMIT);
    EXPECT_EQ(events[1].control, MAINP_UNIT);

    events.clear();
    QWidget *reading = Widget("reading");
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 7), QPointF(5, 7), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(reading, &right);
    QMouseEvent once(QEvent::MouseButtonPress, QPointF(3, 4), QPointF(3, 4), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(reading, &once);
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(3, 4), QPointF(3, 4), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(reading, &twice);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].event, EVENT_RIGHT_CLICK);
    EXPECT_EQ(events[0].data1, 7);  // y
    EXPECT_EQ(events[0].data2, 5);  // x
    EXPECT_EQ(events[1].event, EVENT_LEFT_CLICK);
    EXPECT_EQ(events[2].event, EVENT_LEFT_DOUBLE_CLICK);
    // A label with a callback is a command: the pointer says so.
    EXPECT_EQ(reading->cursor().shape(), Qt::PointingHandCursor);

    // Closing the window asks the panel's callback, and the window stays.
    events.clear();
    ASSERT_EQ(DisplayPanel(panel), 0);
    Widget("mainP")->close();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, EVENT_CLOSE);
    EXPECT_EQ(events[0].control, 0);
    EXPECT_TRUE(Widget("mainP")->isVisible());
}

TEST_F(Panels, ShowHidePopupAndDiscard) {
    int visible = -1;
    EXPECT_EQ(DisplayPanel(panel), 0);
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_VISIBLE, &visible), 0);
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(HidePanel(panel), 0);
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_VISIBLE, &visible), 0);
    EXPECT_EQ(visible, 0);

    const int popup = LoadPanel(0, PanelsFile().c_str(), POPUPP);
    ASSERT_GT(popup, 0);
    const int child = LoadPanel(popup, PanelsFile().c_str(), POPUPP);
    ASSERT_GT(child, 0);
    EXPECT_EQ(InstallPopup(child), kUIErrPanel);  // only windows pop up
    EXPECT_EQ(InstallPopup(popup), 0);
    EXPECT_EQ(QApplication::activeModalWidget() == nullptr ? 0 : 1, 1);
    EXPECT_EQ(GetPanelAttribute(popup, ATTR_VISIBLE, &visible), 0);
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(RemovePopup(0), 0);
    EXPECT_EQ(GetPanelAttribute(popup, ATTR_VISIBLE, &visible), 0);
    EXPECT_EQ(visible, 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(InstallPopup(popup), 0);
    EXPECT_EQ(RemovePopup(1), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // Discarding a panel discards its child panels.
    EXPECT_EQ(DiscardPanel(popup), 0);
    EXPECT_EQ(DisplayPanel(child), kUIErrPanel);
    EXPECT_EQ(SetCtrlVal(popup, POPUPP_OK, 1), kUIErrPanel);
}

// A dialog opens centred over the window it was opened from, also when the window
// manager has activated no window (as offscreen), with the cursor in its first field,
// and Return presses its OK; on a small screen it stays wholly on the screen.
TEST_F(Panels, DialogOpensOverItsWindowWithTheCursorAndTakesReturn) {
    QWidget *main = Widget("mainP");
    ASSERT_EQ(DisplayPanel(panel), 0);
    const QRect free = main->screen()->availableGeometry();
    main->setGeometry(free.left() + 150, free.top() + 120, 420, 320);
    const int ask = LoadPanel(0, PanelsFile().c_str(), ASKP);
    ASSERT_GT(ask, 0);
    QWidget *dialog = Widget("askP");

    for (const QPoint corner : {QPoint(150, 120), QPoint(free.width() - 200, free.height() - 100)}) {
        main->move(free.topLeft() + corner);
        ASSERT_EQ(InstallPopup(ask), 0);
        EXPECT_TRUE(free.contains(dialog->frameGeometry())) << corner.x() << "," << corner.y();
        if (corner.x() == 150) {
            EXPECT_TRUE(main->frameGeometry().contains(dialog->frameGeometry()));
            EXPECT_LE((dialog->frameGeometry().center() - main->frameGeometry().center()).manhattanLength(), 2);
        }
        EXPECT_EQ(dialog->focusWidget(), Widget("askP_VALUE"));
        events.clear();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(dialog, &enter);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].control, ASKP_OK);
        EXPECT_EQ(events[0].event, EVENT_COMMIT);
        EXPECT_EQ(RemovePopup(0), 0);
    }
    EXPECT_EQ(DiscardPanel(ask), 0);
}

// A place kept from a narrower run is taken, but not below the width laid out for
// every language.
TEST_F(Panels, AKeptPlaceDoesNotUndoTheLeastWidth) {
    Widget("mainP")->setObjectName(QStringLiteral("leastP"));  // never shown in this run
    QWidget narrow;
    narrow.setGeometry(60, 50, 300, 200);
    narrow.show();
    TempFolder dir;
    {
        QSettings ini(QString::fromStdString(dir.file("places.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("windows/leastP"), narrow.saveGeometry());
    }
    ASSERT_EQ(LoadWindowPlaces(dir.file("places.ini").c_str()), 0);
    ASSERT_EQ(SetPanelLeastWidth(panel, 640), 0);
    ASSERT_EQ(DisplayPanel(panel), 0);
    EXPECT_GE(Widget("leastP")->width(), 640);
}

TEST_F(Panels, MainThreadTimerTicksSuspendsAndStopsTheEventLoop) {
    double interval = 0;
    EXPECT_EQ(GetCtrlAttribute(panel, MAINP_BLINK, ATTR_INTERVAL, &interval), 0);
    EXPECT_DOUBLE_EQ(interval, 0.05);
    int enabled = -1;
    EXPECT_EQ(GetCtrlAttribute(panel, MAINP_BLINK, ATTR_ENABLED, &enabled), 0);
    EXPECT_EQ(enabled, 0);
    PumpFor(0.15);
    EXPECT_EQ(ticks.load(), 0);  // disabled in the resource

    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_BLINK, ATTR_ENABLED, 1), 0);
    ASSERT_TRUE(PumpUntil([] { return ticks >= 3; }));
    for (const Event &e : tick_log) {
        EXPECT_EQ(e.panel, panel);
        EXPECT_EQ(e.control, MAINP_BLINK);
        EXPECT_EQ(e.event, EVENT_TIMER_TICK);
        EXPECT_GE(e.data2, 40);  // about the 50 ms interval, never much less
        EXPECT_EQ(e.thread, CmtGetMainThreadID());
    }

    // Suspended ticks are dropped; their time goes into the next callback.
    EXPECT_EQ(SuspendTimerCallbacks(), 0);
    const int before = ticks;
    PumpFor(0.3);
    EXPECT_EQ(ticks.load(), before);
    EXPECT_EQ(ResumeTimerCallbacks(), 0);
    ASSERT_TRUE(PumpUntil([&] { return ticks > before; }));
    EXPECT_GE(tick_log[static_cast<size_t>(before)].data2, 290);

    // A timer callback may end the event loop.
    RegisterCallback("Tick", [](int, int, int, void *, int, int) {
        QuitUserInterface(7);
        return 0;
    });
    EXPECT_EQ(RunUserInterface(), 7);
    EXPECT_EQ(SetCtrlAttribute(panel, MAINP_BLINK, ATTR_ENABLED, 0), 0);
}

// The communication thread's kind of panel: loaded off the main thread, timers only.
struct ThreadPanelResult {
    int handle = 0;
    int ticks_seen = 0;
    int late_tick_ms = 0;
    int response_ticks = 0;
    unsigned thread = 0;
    bool ticks_on_this_thread = true;
    int value_call = 0;
    int discard = 0;
};

int LoadsTimerPanel(void *data) {
    auto *r = static_cast<ThreadPanelResult *>(data);
    r->thread = CmtGetCurrentThreadID();
    r->handle = LoadPanel(0, PanelsFile().c_str(), TIMERP);
    if (r->handle <= 0) return 1;
    SetSleepPolicy(VAL_SLEEP_MORE);
    const double limit = Timer() + 20;
    while (ticks < 3 && Timer() < limit) ProcessSystemEvents();
    // Busy for a while: the missed ticks arrive as one, carrying the whole time.
    const int before = ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    while (ticks == before && Timer() < limit) ProcessSystemEvents();
    r->late_tick_ms = tick_log.back().data2;
    r->ticks_seen = ticks;
    // The response timer, armed the way the state machine arms it.
    SetCtrlAttribute(r->handle, TIMERP_LIVETICK, ATTR_ENABLED, 0);
    SetCtrlAttribute(r->handle, TIMERP_RESPONSE, ATTR_INTERVAL, 0.05);
    ResetTimer(r->handle, TIMERP_RESPONSE);
    SetCtrlAttribute(r->handle, TIMERP_RESPONSE, ATTR_ENABLED, 1);
    const int armed = ticks;
    while (ticks == armed && Timer() < limit) ProcessSystemEvents();
    for (const Event &e : tick_log) {
        if (e.thread != r->thread) r->ticks_on_this_thread = false;
        if (e.control == TIMERP_RESPONSE) ++r->response_ticks;
    }
    r->value_call = SetCtrlVal(r->handle, TIMERP_RESPONSE, 1);
    r->discard = DiscardPanel(r->handle);
    return 0;
}

TEST_F(Panels, TimerPanelOfAnotherThreadTicksThereWithoutWidgets) {
    const auto widgets_before = QApplication::allWidgets().size();
    ThreadPanelResult r;
    CmtThreadFunctionID id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, LoadsTimerPanel, &r, &id), 0);
    // The panel is the loading thread's: the main thread may not touch it.
    while (r.handle == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(SetCtrlAttribute(r.handle, TIMERP_LIVETICK, ATTR_ENABLED, 0), kUIErrThread);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id,
                                                     OPT_TP_PROCESS_EVENTS_WHILE_WAITING), 0);
    ASSERT_GT(r.handle, 0);
    EXPECT_EQ(QApplication::allWidgets().size(), widgets_before);
    EXPECT_GE(r.ticks_seen, 4);
    EXPECT_TRUE(r.ticks_on_this_thread);
    EXPECT_NE(r.thread, CmtGetMainThreadID());
    EXPECT_GE(r.late_tick_ms, 340);
    for (size_t i = 0; i < 3; ++i) EXPECT_GE(tick_log[i].data2, 80);
    EXPECT_EQ(r.response_ticks, 1);
    EXPECT_EQ(r.value_call, kUIErrAttribute);  // timers have no value
    EXPECT_EQ(r.discard, 0);
    EXPECT_DOUBLE_EQ(TimerTickSeconds(1500), 1.5);
}

}  // namespace

#include "platform_panels_test.moc"
