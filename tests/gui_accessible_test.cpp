// What a screen reader and a keyboard user get from the panels: every control they can
// reach has a name and something to do, the alarm bells open with the keyboard, and the
// bells and lamps say in words what state their alarm is in.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QWidget>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/panels.h"
#include "platform/popups.h"
#include "records/setup_record.h"
#include "records/ui_data.h"
#include "support/gui_app.h"
#include "windows/KOR.h"
#include "windows/accessible_names.h"
#include "windows/alarm_display.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "windows/language.h"

namespace {

QWidget *Widget(const char *name) {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(name)) return w;
    return nullptr;
}

QAccessibleInterface *Access(const char *name) {
    return QAccessible::queryAccessibleInterface(Widget(name));
}

// Controls a user can reach or press without a name or without anything to do, below
// the interface given, as "object: what is missing".
void FindSilentControls(QAccessibleInterface *node, std::vector<std::string> *faults) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (child == nullptr) continue;
        auto *w = qobject_cast<QWidget *>(child->object());
        FindSilentControls(child, faults);
        if (w == nullptr || !w->property("ctrlId").isValid()) continue;
        if (child->state().disabled) continue;  // neither Tab nor a press reaches it
        QAccessibleActionInterface *actions = child->actionInterface();
        const QStringList names = actions != nullptr ? actions->actionNames() : QStringList();
        // Labels and the program's own pictures with a callback are there to be clicked.
        const bool clickable = w->property("callback").isValid() &&
                               (qobject_cast<QLabel *>(w) != nullptr ||
                                QByteArray(w->metaObject()->className()).startsWith("CH"));
        const bool press = names.contains(QAccessibleActionInterface::pressAction());
        if (!child->state().focusable && !clickable && !press) continue;
        const std::string id = w->objectName().toStdString();
        if (child->text(QAccessible::Name).trimmed().isEmpty()) faults->push_back(id + ": no name");
        // A table's actions are its cells'.
        if (names.isEmpty() && child->tableInterface() == nullptr) faults->push_back(id + ": no action");
        if (clickable && !press) faults->push_back(id + ": no press action");
        if (clickable && !child->state().focusable) faults->push_back(id + ": not reached with Tab");
    }
}

std::string Said(const char *name, QAccessible::Text what) {
    QAccessibleInterface *a = Access(name);
    return a != nullptr ? a->text(what).toStdString() : "";
}

void Key(QWidget *to, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(to, &press);
}

void Tick() { BlinkTimer(korP, KORP_BLINK_TIMER, EVENT_TIMER_TICK, nullptr, 0, 500); }

class AccessiblePanels : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(LoadAppPanelsForTests(), 0);
        NameAccessibleControls();  // as applying the language at start-up does
    }

    // Fresh values everywhere: a stale reading is dimmed, and a dimmed control has
    // nothing to offer.
    void SetUp() override {
        SetUIDataToDefault();
        for (int32_t *live : {&UI_data.indoor_temp.live_timer, &UI_data.outdoor_temp.live_timer,
                              &UI_data.indoor_hum.live_timer, &UI_data.outdoor_hum.live_timer,
                              &UI_data.dewpoint.live_timer, &UI_data.windchill.live_timer,
                              &UI_data.wind.live_timer, &UI_data.pressure.live_timer,
                              &UI_data.rain.live_timer, &UI_data.alarm_enable.live_timer,
                              &UI_data.alarm_state.live_timer})
            *live = 180;
        RefreshKORPanelSurface();
        SetPopupTestResponder([](const PopupRequest *, char *, int) { return 0; });
        ASSERT_EQ(OpenCommandQueueForTests(), 0);
    }

    void TearDown() override {
        RemovePopup(1);
        CloseCommandQueueForTests();
        SetPopupTestResponder(nullptr);
    }
};

TEST_F(AccessiblePanels, EveryControlAUserCanReachHasANameAndAnAction) {
    const char *const windows[] = {"korP", "historyP", "set_alarmP", "change_history_settingsP",
                                   "clr_min_maxP", "clr_gen_alP", "settingsP"};
    for (const char *window : windows) {
        QAccessibleInterface *root = Access(window);
        ASSERT_NE(root, nullptr) << window;
        std::vector<std::string> faults;
        FindSilentControls(root, &faults);
        std::string all;
        for (const std::string &f : faults) all += f + "\n";
        EXPECT_TRUE(faults.empty()) << window << ":\n" << all;
    }
    // The history table's titles are its column headers, not a first row of cells.
    QAccessibleInterface *table = Access("HISTORYP_TABLE");
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->tableInterface(), nullptr);
    int headers = 0;
    for (int i = 0; i < table->childCount(); ++i)
        if (table->child(i) != nullptr && table->child(i)->role() == QAccessible::ColumnHeader) ++headers;
    EXPECT_EQ(headers, table->tableInterface()->columnCount());
}

TEST_F(AccessiblePanels, ABellReachedWithTabOpensItsDialogWithSpace) {
    QWidget *low = Widget("KORP_OTEMP_LO_BELL");
    QWidget *high = Widget("KORP_OTEMP_HI_BELL");
    ASSERT_NE(low, nullptr);
    ASSERT_NE(high, nullptr);
    low->setFocus(Qt::OtherFocusReason);
    // The window's own focus: the offscreen platform activates no window.
    ASSERT_EQ(low->window()->focusWidget(), low);
    Key(low, Qt::Key_Tab);
    ASSERT_EQ(low->window()->focusWidget(), high);  // the lamp between takes no focus
    EXPECT_EQ(Said("KORP_OTEMP_HI_BELL", QAccessible::Name), "Outdoor: Temperature: high alarm");
    Key(high, Qt::Key_Space);
    int up = 0;
    GetPanelAttribute(set_alarmP, ATTR_VISIBLE, &up);
    EXPECT_EQ(up, 1);
    EXPECT_EQ(TakeCommandsSent().size(), 1u);  // the threshold asked for, as a click does

    // A blink that hides the bell leaves the focus on it; it counts as hidden all the same.
    RemovePopup(1);
    SetCtrlAttribute(korP, KORP_OTEMP_HI_BELL, ATTR_VISIBLE, 0);
    EXPECT_EQ(high->window()->focusWidget(), high);
    int visible = -1;
    GetCtrlAttribute(korP, KORP_OTEMP_HI_BELL, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    SetCtrlAttribute(korP, KORP_OTEMP_HI_BELL, ATTR_VISIBLE, 1);
    GetCtrlAttribute(korP, KORP_OTEMP_HI_BELL, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);

    // A screen reader's press on a min/max text opens its dialog as a click does.
    QAccessibleActionInterface *actions = Access("KORP_ITEMP_MINMAX")->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::pressAction());
    GetPanelAttribute(clr_min_maxP, ATTR_VISIBLE, &up);
    EXPECT_EQ(up, 1);
}

TEST_F(AccessiblePanels, BellsAndLampsSayTheStateOfTheirAlarmInTheLanguageChosen) {
    const int flag = 8;  // outdoor temperature high: pending slot 2
    UI_data.alarm_enable.flag[flag] = 1;
    Tick();
    EXPECT_EQ(Said("KORP_OTEMP_HI_BELL", QAccessible::Description), "on");
    EXPECT_EQ(Said("KORP_OTEMP_HI_SYM", QAccessible::Description), "off");
    UI_data.alarm_state.flag[flag] = 1;
    Tick();
    EXPECT_EQ(Said("KORP_OTEMP_HI_BELL", QAccessible::Description), "alarm went off");
    EXPECT_EQ(Said("KORP_OTEMP_HI_SYM", QAccessible::Description), "alarm went off");
    UI_data.alarm_change_pending[2] = 1;
    Tick();
    EXPECT_EQ(Said("KORP_OTEMP_HI_BELL", QAccessible::Description), "alarm pending");
    EXPECT_EQ(Said("KORP_OTEMP_HI_SYM", QAccessible::Description), "alarm pending");
    UI_data.alarm_change_pending[2] = 0;
    UI_data.alarm_enable.flag[flag] = 0;
    Tick();
    EXPECT_EQ(Said("KORP_OTEMP_HI_BELL", QAccessible::Description), "off");
    EXPECT_EQ(Said("KORP_OTEMP_HI_SYM", QAccessible::Description), "off");
    // A reading is read with its name before its value.
    EXPECT_EQ(Said("KORP_OTEMP", QAccessible::Name).rfind("Outdoor: Temperature, ", 0), 0u);

    snprintf(setup.language_file, sizeof setup.language_file, "deutsch.lwl");
    ASSERT_EQ(LocaliseAllPanels(), 0);
    UI_data.alarm_enable.flag[flag] = 1;
    Tick();
    EXPECT_EQ(Said("KORP_OTEMP_HI_BELL", QAccessible::Description), "Alarm ausgelöst");
    EXPECT_EQ(Said("KORP_OTEMP_HI_BELL", QAccessible::Name), "Außen: Temperatur: Alarm hoch");
    snprintf(setup.language_file, sizeof setup.language_file, "english.lwl");
    LocaliseAllPanels();
}

}  // namespace
