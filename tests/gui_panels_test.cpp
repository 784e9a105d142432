// Loading the panels, the texts panel and language files, tooltips, and what a console
// of identification 1 changes on the main panel for the rest of the run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "windows/KOR.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "windows/language.h"
#include "records/setup_record.h"
#include "app/startup.h"
#include "windows/tooltips.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "exchange/current_data.h"
#include "platform/easytab.h"
#include "platform/ini_text.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/files.h"
#include "support/temp_folder.h"

namespace {

std::string Text(int panel, int control) {
    char buffer[512];
    GetCtrlString(panel, control, buffer, sizeof buffer);
    return buffer;
}

std::string Label(int panel, int control) {
    char buffer[512] = "";
    // Buttons carry their text as their value too.
    GetCtrlString(panel, control, buffer, sizeof buffer);
    return buffer;
}

int Attr(int panel, int control, int attribute) {
    int value = -1;
    GetCtrlAttribute(panel, control, attribute, &value);
    return value;
}

// The tooltip as the widget carries it (the panel layer offers no read-back of it).
std::string Tip(const char *object_name) {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(object_name)) return w->toolTip().toStdString();
    ADD_FAILURE() << "no widget " << object_name;
    return "";
}

// The resources are copied beside the test programs.
std::string ResourceDir() {
    char dir[4096];
    GetProjectDir(dir, sizeof dir);
    return dir;
}

class Panels : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        memset(&setup, 0, sizeof setup);
        SetSetupToDefault(&setup);
        RegisterAppWidgets();
        RegisterAppCallbacks();
        ASSERT_EQ(LoadInitAllPanels(), 0);
        SetUIDataToDefault();
    }
};

TEST_F(Panels, EveryPanelLoadsAndTakesItsTexts) {
    for (int handle : {korP, txtP, historyP, set_alarmP, change_history_settingsP, clr_min_maxP,
                       clr_gen_alP, settingsP, globalP, unitsP, pressureP, set_histP, aboutP,
                       mqttP})
        EXPECT_GT(handle, 0);
    EXPECT_EQ(Text(txtP, TXTP_ERROR_TITLE), "Error");
    EXPECT_EQ(Label(korP, KORP_QUIT), "Quit");
    EXPECT_EQ(Text(aboutP, ABOUTP_VERSION), "Ver. 2.0 beta release");
    EXPECT_EQ(Text(korP, KORP_PRESS_CAPTION), "Relative pressure");
    EXPECT_EQ(EasyTab_GetPageCount(settingsP, SETTINGSP_TAB), 6);
    // The pages keep answering to their handles inside the tab control.
    EXPECT_EQ(SetCtrlVal(globalP, GLOBALP_COM_PORT, 3), 0);
    int port = 0;
    GetCtrlVal(globalP, GLOBALP_COM_PORT, &port);
    EXPECT_EQ(port, 3);
    int items = 0;
    GetNumListItems(unitsP, UNITSP_WIND, &items);
    EXPECT_EQ(items, 5);  // m/s, km/h, mph, knt and Bft, so a Beaufort setting is kept
}

TEST_F(Panels, LanguageFileRenamesEverythingAndABadOneKeepsTheResourceTexts) {
    TempFolder dir;
    WriteWholeFile(dir.file("deutsch.lwl"), ReadWholeFile(ResourceDir() + "/deutsch.lwl"));
    snprintf(setup.language_file, sizeof setup.language_file, "deutsch.lwl");
    EXPECT_EQ(LocaliseAllPanels(), 0);
    EXPECT_EQ(Label(korP, KORP_QUIT), "Beenden");
    EXPECT_EQ(Text(korP, KORP_PRESS_CAPTION), "Relativer Luftdruck");
    EXPECT_EQ(Text(txtP, TXTP_DIR_4), "O");
    EXPECT_EQ(Tip("KORP_QUIT"), "Das Programm beenden");

    // Unknown and overlong entries, a missing file: start-up goes on with sane texts.
    WriteWholeFile(dir.file("odd.lwl"), "NOT_A_TEXT = x\nTXTP_ERROR_TITLE = " +
                                            std::string(5000, 'e') + "\nTXTP_TIP_KORP_QUIT = " +
                                            std::string(300, 't') + "\n");
    snprintf(setup.language_file, sizeof setup.language_file, "odd.lwl");
    EXPECT_EQ(LocaliseAllPanels(), 0);
    EXPECT_EQ(Text(txtP, TXTP_ERROR_TITLE), "Error");  // the overlong line was skipped
    EXPECT_EQ(Label(korP, KORP_QUIT), "Quit");         // not named: the resource's text
    EXPECT_EQ(Tip("KORP_QUIT"), std::string(100, 't'));

    snprintf(setup.language_file, sizeof setup.language_file, "missing.lwl");
    EXPECT_EQ(LocaliseAllPanels(), -1);
    EXPECT_EQ(Label(korP, KORP_QUIT), "Quit");
    // A shipped language not copied into the data folder is found beside the program.
    std::remove(dir.file("deutsch.lwl").c_str());
    snprintf(setup.language_file, sizeof setup.language_file, "deutsch.lwl");
    EXPECT_EQ(LocaliseAllPanels(), 0);
    EXPECT_EQ(Label(korP, KORP_QUIT), "Beenden");
    // A name without its end (as a damaged Setup.cnf may give it) is read no further.
    memset(setup.language_file, 'x', sizeof setup.language_file);
    EXPECT_EQ(LocaliseAllPanels(), -1);
    EXPECT_EQ(Label(korP, KORP_QUIT), "Quit");
    snprintf(setup.language_file, sizeof setup.language_file, "english.lwl");
}

TEST_F(Panels, ToolTipsSwitchAndFollowThePressureKind) {
    EnableDisableToolTips(1);
    EXPECT_FALSE(Tip("KORP_SETTINGS").empty());
    EnableDisableToolTips(2);  // only 1 switches them on
    EXPECT_TRUE(Tip("KORP_SETTINGS").empty());
    EXPECT_FALSE(Tip("HISTORYP_CHANGE_FILE").empty());  // the history panel's stay
    EnableDisableToolTips(1);
    EXPECT_FALSE(Tip("KORP_SETTINGS").empty());

    const std::string relative = Tip("KORP_PRESS_MINMAX");
    setup.absolute_pressure = 1;
    AdaptPressureToolTips(&setup.absolute_pressure);
    ShowPressureCaption();
    EXPECT_NE(Tip("KORP_PRESS_MINMAX"), relative);
    EXPECT_NE(Tip("KORP_PRESS_LO_BELL").find("bsolute"), std::string::npos);
    EXPECT_EQ(Text(korP, KORP_PRESS_CAPTION), "Absolute pressure");
    setup.absolute_pressure = 0;
    AdaptPressureToolTips(&setup.absolute_pressure);
    ShowPressureCaption();
    EXPECT_EQ(Tip("KORP_PRESS_MINMAX"), relative);
}

TEST_F(Panels, HistoryPanelWaitsForTheHistoryFile) {
    UI_data.history_file_ok = 0;
    ShowHistoryPanel(korP, KORP_HISTORY, EVENT_COMMIT, nullptr, 0, 0);
    int visible = -1;
    GetPanelAttribute(historyP, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    UI_data.history_file_ok = 1;
    ShowHistoryPanel(korP, KORP_HISTORY, EVENT_COMMIT, nullptr, 0, 0);
    GetPanelAttribute(historyP, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    HideHistoryPanel(historyP, HISTORYP_CLOSE, EVENT_COMMIT, nullptr, 0, 0);
    GetPanelAttribute(historyP, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
}

// Last in this program: it changes the main panel for the rest of the run.
TEST_F(Panels, ConsoleOfVariantOneHidesTheGeneralAlarmForGood) {
    UIRecord r;
    memset(&r, 0, sizeof r);
    r.kind = 3;
    r.payload[0] = 1;
    DispatchUIRecord(&r);
    EXPECT_EQ(GetStationID(), 1);
    EXPECT_EQ(Attr(korP, KORP_GENERAL_ALARM, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(korP, KORP_GENERAL_ALARM_SYM, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(korP, KORP_GENERAL_ALARM_LABEL, ATTR_VISIBLE), 0);
    EXPECT_TRUE(Tip("KORP_GENERAL_ALARM").empty());
    r.payload[0] = 2;
    DispatchUIRecord(&r);
    EXPECT_EQ(GetStationID(), 2);
    UI_data.general_alarm_clear_pending = 1;
    r.kind = 93;
    DispatchUIRecord(&r);
    InitToolTips();  // a new language renews the tooltips, but not this one
    EXPECT_EQ(Attr(korP, KORP_GENERAL_ALARM, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(korP, KORP_GENERAL_ALARM_SYM, ATTR_VISIBLE), 0);
    EXPECT_TRUE(Tip("KORP_GENERAL_ALARM").empty());
}

// A resource file that lacks panels: the others still load, the count is returned.
TEST(PanelsMissing, LoadInitAllPanelsCountsMissingPanels) {
    TempFolder dir;
    std::string uir = ReadWholeFile(ResourceDir() + "/KOR.uir");
    for (const char *panel : {"clr_gen_alP", "aboutP"}) {
        const std::string from = std::string("name=\"") + panel + "\">";
        const size_t at = uir.find(from);
        ASSERT_NE(at, std::string::npos);
        const size_t id = uir.find("resourceId", at);
        uir.replace(id, 10, "resourceXx");
        WriteWholeFile(dir.file("KOR.uir"), uir);
        const char *set = getenv("CH_RESOURCE_DIR");
        const std::string previous = set != nullptr ? set : "";
        setenv("CH_RESOURCE_DIR", dir.path().c_str(), 1);
        const int result = LoadInitAllPanels();
        if (set != nullptr) setenv("CH_RESOURCE_DIR", previous.c_str(), 1);
        else unsetenv("CH_RESOURCE_DIR");
        EXPECT_EQ(result, std::string(panel) == "aboutP" ? -2 : -1);
        EXPECT_GT(korP, 0);
        EXPECT_GT(settingsP, 0);
    }
    EXPECT_EQ(clr_gen_alP, 0);
    EXPECT_EQ(aboutP, 0);
}

// Closing the main window ends the event loop through the orderly quit, like the quit
// command: the timers stop and the current-data list is disposed of.
TEST_F(Panels, ClosingTheMainWindowQuits) {
    h_current_data_list = Ini_New(0);
    ASSERT_NE(h_current_data_list, nullptr);
    DisplayPanel(korP);
    QWidget *main_window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("korP")) main_window = w;
    ASSERT_NE(main_window, nullptr);
    QTimer::singleShot(0, main_window, [main_window] { main_window->close(); });
    // A loop that does not end would hang here: the guard ends it and fails the test.
    bool guard_fired = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&guard_fired] {
        guard_fired = true;
        QuitUserInterface(-1);
    });
    guard.start(60000);
    EXPECT_EQ(RunUserInterface(), 0);
    guard.stop();
    EXPECT_FALSE(guard_fired);
    EXPECT_EQ(h_current_data_list, nullptr);
    ResumeTimerCallbacks();
    HidePanel(korP);
}

}  // namespace

namespace {

int MainWindowWidth() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("korP")) return w->width();
    ADD_FAILURE() << "no main window";
    return 0;
}

bool Has(const std::vector<std::string> &texts, const std::string &wanted) {
    for (const std::string &t : texts)
        if (t.find(wanted) != std::string::npos) return true;
    return false;
}

}  // namespace

// German reaches Qt's own dialogs and every text the program draws, and the main window
// keeps its width when the language changes.
TEST_F(Panels, GermanReachesQtsOwnDialogsAndTheWindowKeepsItsWidth) {
    snprintf(setup.language_file, sizeof setup.language_file, "english.lwl");
    LayOutForEveryShippedLanguage();
    const int english_width = MainWindowWidth();
    EXPECT_TRUE(Has(FileDialogTexts(VAL_SAVE_BUTTON), "Cancel"));

    snprintf(setup.language_file, sizeof setup.language_file, "deutsch.lwl");
    ASSERT_EQ(LocaliseAllPanels(), 0);
    FitPanelToContents(korP);
    EXPECT_EQ(MainWindowWidth(), english_width);
    const std::vector<std::string> texts = FileDialogTexts(VAL_SAVE_BUTTON);
    EXPECT_TRUE(Has(texts, "Abbrechen"));
    EXPECT_TRUE(Has(texts, "Speichern")) << ::testing::PrintToString(texts);
    EXPECT_TRUE(Has(texts, "Suchen in"));
    EXPECT_FALSE(Has(texts, "Look in"));
    EXPECT_EQ(Text(aboutP, ABOUTP_NOTICE).rfind("Clear Horizon liest", 0), 0u);

    snprintf(setup.language_file, sizeof setup.language_file, "english.lwl");
    ASSERT_EQ(LocaliseAllPanels(), 0);
    FitPanelToContents(korP);
    EXPECT_EQ(MainWindowWidth(), english_width);
    EXPECT_TRUE(Has(FileDialogTexts(VAL_SAVE_BUTTON), "Cancel"));
}

// A window opens wholly on the screen, and its place is kept for the next run.
TEST_F(Panels, WindowsOpenOnTheScreenAndTheirPlacesAreKept) {
    TempFolder dir;
    ASSERT_EQ(DisplayPanel(historyP), 0);
    QWidget *history = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("historyP")) history = w;
    ASSERT_NE(history, nullptr);
    const QRect screen = history->screen()->availableGeometry();
    // Its top left corner on the screen, and no larger than the screen unless its
    // contents cannot be made smaller (the offscreen screen is small).
    EXPECT_TRUE(screen.contains(history->geometry().topLeft()));
    EXPECT_TRUE(history->width() <= screen.width() ||
                history->width() == history->minimumSizeHint().width());
    EXPECT_TRUE(history->height() <= screen.height() ||
                history->height() == history->minimumSizeHint().height());
    history->move(37, 41);
    ASSERT_EQ(SaveWindowPlaces(dir.file("places.ini").c_str()), 0);
    EXPECT_NE(ReadWholeFile(dir.file("places.ini")).find("historyP="), std::string::npos);
    EXPECT_EQ(LoadWindowPlaces(dir.file("places.ini").c_str()), 0);
    HidePanel(historyP);
}
