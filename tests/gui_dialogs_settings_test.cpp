// The settings dialog driven as a user drives it: opened from the main panel, pages
// changed, OK or cancel, and what reaches setup, "Setup.cnf", the main panel and the
// communication thread. The restart on a new port or history file runs the real thread
// against the simulated console.
#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "windows/KOR.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "windows/language.h"
#include "windows/language_choice.h"
#include "windows/settings_dialog.h"
#include "records/setup_record.h"
#include "app/startup.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "history/history_export.h"
#include "windows/history_view.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "station/comm/comm_lifecycle.h"
#include "station/comm/tsq_records.h"
#include "support/comm_sim_fixture.h"
#include "support/temp_folder.h"
#include "support/mqtt_broker.h"
#include "support/program_process.h"
#include "exchange/mqtt_publisher.h"
#include "exchange/mqtt_settings.h"
#include "windows/mqtt_page.h"
#include "windows/link_display.h"
#include <sys/stat.h>

namespace {

std::vector<std::string> messages;
std::string file_choice;  // what the file pop-up answers; empty: cancelled

int Responder(const PopupRequest *request, char *path_out, int path_size) {
    if (request->kind == POPUP_MESSAGE) messages.push_back(request->message);
    if (request->kind != POPUP_FILE_SELECT || file_choice.empty()) return 0;
    snprintf(path_out, static_cast<size_t>(path_size), "%s", file_choice.c_str());
    return 1;
}

QWidget *Widget(const char *name) {
    for (QWidget *w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(name)) return w;
    return nullptr;
}

std::string Tip(const char *name) {
    QWidget *w = Widget(name);
    return w != nullptr ? w->toolTip().toStdString() : "";
}

std::string Text(int panel, int control) {
    char buffer[512];
    GetCtrlString(panel, control, buffer, sizeof buffer);
    return buffer;
}

int Value(int panel, int control) {
    int value = -1;
    GetCtrlVal(panel, control, &value);
    return value;
}

int Index(int panel, int control) {
    int index = -1;
    GetCtrlIndex(panel, control, &index);
    return index;
}

bool DialogUp() {
    int visible = 0;
    GetPanelAttribute(settingsP, ATTR_VISIBLE, &visible);
    return visible != 0;
}

void Press(CtrlCallbackPtr callback, int panel, int control) {
    callback(panel, control, EVENT_COMMIT, nullptr, 0, 0);
}

void OpenSettings() { Press(Settings, korP, KORP_SETTINGS); }
void PressOK() { Press(SettigsOK, settingsP, SETTINGSP_OK); }

std::string SavedSetup() { return ReadWholeFile("Setup.cnf"); }

std::vector<std::string> LanguageItems() {
    std::vector<std::string> items;
    auto *list = qobject_cast<QComboBox *>(Widget("GLOBALP_LANGUAGE"));
    if (list == nullptr) return items;
    for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i).toStdString());
    return items;
}

void PickLanguage(const std::string &label) {
    const std::vector<std::string> items = LanguageItems();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] != label) continue;
        SetCtrlIndex(globalP, GLOBALP_LANGUAGE, static_cast<int>(i));
        Press(SelectLanguage, globalP, GLOBALP_LANGUAGE);
        return;
    }
    ADD_FAILURE() << "no language " << label;
}

class SettingsDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        memset(&setup, 0, sizeof setup);
        SetSetupToDefault(&setup);
        RegisterAppWidgets();
        RegisterAppCallbacks();
        ASSERT_EQ(LoadInitAllPanels(), 0);
    }

    void SetUp() override {
        memset(&setup, 0, sizeof setup);
        SetSetupToDefault(&setup);
        SetUIDataToDefault();
        messages.clear();
        file_choice.clear();
        SetPopupTestResponder(Responder);
    }

    void TearDown() override {
        RemovePopup(1);
        SetPopupTestResponder(nullptr);
    }
};

TEST_F(SettingsDialog, SixPagesInTheirOrderTakeTheirTitles) {
    auto *tabs = qobject_cast<QTabWidget *>(Widget("SETTINGSP_TAB"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 6);
    const char *const titles[] = {"General", "Units", "Pressure", "History",
                                  "Home automation (MQTT)", "About"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(tabs->tabText(i).toStdString(), titles[i]);
    // The page handles are the pages in the dialog.
    EXPECT_EQ(tabs->widget(0), Widget("globalP"));
    EXPECT_EQ(Text(aboutP, ABOUTP_VERSION), "Ver. 2.0 beta release");
}

TEST_F(SettingsDialog, FillsFromTheRecordAndOkStoresWhatChanged) {
    TempFolder dir;
    setup.decimal_comma = 0;
    setup.time_24h = 0;
    setup.com_port = 3;
    setup.units = UnitsRecord{1, 2, 1, 0, 1};
    const CmtThreadFunctionID thread_before = comm_thread_function_id;
    OpenSettings();
    EXPECT_TRUE(DialogUp());
    EXPECT_EQ(Value(globalP, GLOBALP_24H), 0);
    EXPECT_EQ(Value(globalP, GLOBALP_DECIMAL_POINT), 1);
    EXPECT_EQ(Value(globalP, GLOBALP_COM_PORT), 3);
    EXPECT_EQ(Value(globalP, GLOBALP_TOOLTIPS), 1);
    EXPECT_EQ(Index(unitsP, UNITSP_WIND), 2);
    EXPECT_EQ(Index(unitsP, UNITSP_PRESSURE), 1);
    EXPECT_EQ(Text(unitsP, UNITSP_TEMPERATURE), "\u00B0F");
    EXPECT_EQ(Text(settingsP, SETTINGSP_HISTORY_FILE), setup.history_file);

    SetCtrlVal(globalP, GLOBALP_DECIMAL_POINT, 0);  // decimal comma
    SetCtrlVal(globalP, GLOBALP_24H, 1);
    SetCtrlIndex(unitsP, UNITSP_WIND, 3);           // knots
    SetCtrlIndex(unitsP, UNITSP_TEMPERATURE, 0);    // degC
    PressOK();
    EXPECT_FALSE(DialogUp());
    EXPECT_EQ(setup.decimal_comma, 1);
    EXPECT_EQ(setup.time_24h, 1);
    EXPECT_EQ(setup.units.wind_unit, 3);
    EXPECT_EQ(setup.units.temperature_unit, 0);
    EXPECT_EQ(setup.com_port, 3);
    const std::string saved = SavedSetup();
    ASSERT_EQ(saved.size(), sizeof(SetupRecord));
    EXPECT_EQ(memcmp(saved.data(), &setup, sizeof setup), 0);
    // A unit change redraws but does not restart the communication thread.
    EXPECT_EQ(comm_thread_function_id, thread_before);
    EXPECT_TRUE(messages.empty());

    UI_data.indoor_temp.current = 21.57f;
    UI_data.indoor_temp.live_timer = 180;
    MarkUIGroupDelivered(8);  // as a reading of the console would
    OpenSettings();
    EXPECT_EQ(Value(globalP, GLOBALP_DECIMAL_POINT), 0);
    PressOK();
    EXPECT_EQ(Text(korP, KORP_ITEMP), "21,5 \u00B0C");  // redrawn with the comma

    OpenSettings();
    SetCtrlVal(globalP, GLOBALP_DECIMAL_POINT, 1);  // back to the point
    PressOK();
    EXPECT_EQ(setup.decimal_comma, 0);
    EXPECT_EQ(Text(korP, KORP_ITEMP), "21.5 \u00B0C");
}

// The history table's column titles, joined.
std::string HistoryTitles() {
    auto *table = qobject_cast<QTableWidget *>(Widget("HISTORYP_TABLE"));
    std::string titles;
    if (table == nullptr) return titles;
    for (int c = 0; c < table->columnCount(); ++c)
        if (const QTableWidgetItem *item = table->horizontalHeaderItem(c))
            titles += item->text().toStdString() + "|";
    return titles;
}

TEST_F(SettingsDialog, UnitChangeRetitlesTheHistoryTable) {
    TempFolder dir;
    setup.units.pressure_unit = 1;
    InitTableTileLine(&setup.units.pressure_unit);  // as start-up titles it
    EXPECT_NE(HistoryTitles().find("[inHg]"), std::string::npos);
    OpenSettings();
    SetCtrlIndex(unitsP, UNITSP_PRESSURE, 0);
    PressOK();
    EXPECT_EQ(HistoryTitles().find("[inHg]"), std::string::npos);
    EXPECT_NE(HistoryTitles().find("[hPa]"), std::string::npos);
}

TEST_F(SettingsDialog, BeaufortIsShownAndKept) {
    TempFolder dir;
    setup.units.wind_unit = 4;
    OpenSettings();
    EXPECT_EQ(Index(unitsP, UNITSP_WIND), 4);
    EXPECT_EQ(Text(unitsP, UNITSP_WIND), "Bft");
    PressOK();
    EXPECT_EQ(setup.units.wind_unit, 4);
}

TEST_F(SettingsDialog, PressureKindAndTooltipsApplyAtOnce) {
    TempFolder dir;
    setup.absolute_pressure = 0;
    const std::string relative_tip = Tip("KORP_PRESS_LO_BELL");
    OpenSettings();
    SetCtrlVal(pressureP, PRESSUREP_KIND, 1);
    SetCtrlVal(globalP, GLOBALP_TOOLTIPS, 0);
    PressOK();
    EXPECT_EQ(setup.absolute_pressure, 1);
    EXPECT_EQ(Text(korP, KORP_PRESS_CAPTION), "Absolute pressure");
    EXPECT_EQ(setup.tooltips_enabled, 0);
    EXPECT_TRUE(Tip("KORP_SETTINGS").empty());
    OpenSettings();
    SetCtrlVal(pressureP, PRESSUREP_KIND, 0);
    SetCtrlVal(globalP, GLOBALP_TOOLTIPS, 1);
    PressOK();
    EXPECT_EQ(Text(korP, KORP_PRESS_CAPTION), "Relative pressure");
    EXPECT_EQ(Tip("KORP_PRESS_LO_BELL"), relative_tip);
    EXPECT_FALSE(Tip("KORP_SETTINGS").empty());
}

TEST_F(SettingsDialog, CancelKeepsEverythingAndAnUnusableHistoryFileIsRefused) {
    TempFolder dir;
    const SetupRecord before = setup;
    OpenSettings();
    SetCtrlVal(globalP, GLOBALP_COM_PORT, 9);
    SetCtrlIndex(unitsP, UNITSP_RAIN, 0);
    file_choice = dir.file("other.dat");
    Press(SettingsPChangeHistoryFile, settingsP, SETTINGSP_CHANGE_FILE);
    EXPECT_EQ(Text(settingsP, SETTINGSP_HISTORY_FILE), file_choice);
    Press(SettingsAbort, settingsP, SETTINGSP_CANCEL);
    EXPECT_FALSE(DialogUp());
    EXPECT_EQ(memcmp(&before, &setup, sizeof setup), 0);
    EXPECT_TRUE(SavedSetup().empty());

    OpenSettings();
    EXPECT_EQ(Text(settingsP, SETTINGSP_HISTORY_FILE), setup.history_file);
    for (const std::string &bad : {std::string("/no/such/folder/h.dat"), dir.path()}) {
        file_choice = bad;
        Press(SettingsPChangeHistoryFile, settingsP, SETTINGSP_CHANGE_FILE);
        EXPECT_EQ(Text(settingsP, SETTINGSP_HISTORY_FILE), setup.history_file) << bad;
    }
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find("/no/such/folder/h.dat"), std::string::npos);
    // Cancelled pop-up: nothing changes, nothing is said.
    file_choice.clear();
    Press(SettingsPChangeHistoryFile, settingsP, SETTINGSP_CHANGE_FILE);
    EXPECT_EQ(Text(settingsP, SETTINGSP_HISTORY_FILE), setup.history_file);
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(SettingsDialog, LanguageIsPreviewedKeptOnOkAndBadFilesAreRefused) {
    TempFolder dir;
    WriteWholeFile(dir.file("aaa.lwl"), "TXTP_SETTINGS = Options\n");
    WriteWholeFile(dir.file("broken.lwl"), "this is\nno language file\n\x01\x02\x03\n");
    WriteWholeFile(dir.file("partly.lwl"), "TXTP_SETTINGS = Setup\nno equals sign here\n");
    WriteWholeFile(dir.file("notes.txt"), "TXTP_SETTINGS = x\n");
    OpenSettings();
    // The data folder's files first, then the shipped ones, each by name.
    const std::vector<std::string> expected = {"aaa", "broken", "partly", "deutsch", "english"};
    EXPECT_EQ(LanguageItems(), expected);
    EXPECT_EQ(Text(globalP, GLOBALP_LANGUAGE), "english");  // the one in use

    PickLanguage("deutsch");
    EXPECT_STREQ(setup.language_file, "deutsch.lwl");
    EXPECT_EQ(Text(korP, KORP_SETTINGS), "Einstellungen…");
    EXPECT_EQ(Text(globalP, GLOBALP_LANGUAGE), "deutsch");
    auto *tabs = qobject_cast<QTabWidget *>(Widget("SETTINGSP_TAB"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(0).toStdString(), "Allgemein");
    // Previewed, not kept before OK.
    EXPECT_TRUE(SavedSetup().empty());
    EXPECT_TRUE(messages.empty());

    PickLanguage("broken");  // no text of the program in it
    EXPECT_STREQ(setup.language_file, "deutsch.lwl");
    EXPECT_EQ(Text(korP, KORP_SETTINGS), "Einstellungen…");
    EXPECT_EQ(Text(globalP, GLOBALP_LANGUAGE), "deutsch");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("broken.lwl"), std::string::npos);

    remove(dir.file("aaa.lwl").c_str());  // gone after the list was made
    PickLanguage("aaa");
    EXPECT_STREQ(setup.language_file, "deutsch.lwl");
    EXPECT_EQ(messages.size(), 2u);

    PickLanguage("partly");  // applied, and the user hears of the line left out
    EXPECT_STREQ(setup.language_file, "partly.lwl");
    EXPECT_EQ(Text(korP, KORP_SETTINGS), "Setup");
    EXPECT_EQ(messages.size(), 3u);

    PickLanguage("english");
    EXPECT_EQ(Text(korP, KORP_SETTINGS), "Settings…");
    PickLanguage("deutsch");
    PressOK();
    EXPECT_STREQ(setup.language_file, "deutsch.lwl");
    const std::string saved = SavedSetup();
    ASSERT_EQ(saved.size(), sizeof(SetupRecord));
    EXPECT_STREQ(reinterpret_cast<const SetupRecord *>(saved.data())->language_file, "deutsch.lwl");
}

std::string ExportTitles() {
    char line[HISTORY_TITLE_LINE_SIZE];
    GetHistoryTextFileTitleLine(&setup.units.pressure_unit, line);
    return line;
}

TEST_F(SettingsDialog, LanguageRetextsTableAndExportAndCancelTakesItBack) {
    TempFolder dir;
    ASSERT_EQ(LocaliseAllPanels(), 0);  // English, whatever an earlier test left
    InitTableTileLine(&setup.units.pressure_unit);  // as start-up titles it
    const std::string english_table = HistoryTitles();
    const std::string english_export = ExportTitles();
    ASSERT_NE(english_table.find("Temp. indoor"), std::string::npos);

    OpenSettings();
    PickLanguage("deutsch");
    EXPECT_NE(HistoryTitles().find("Temp. innen"), std::string::npos) << HistoryTitles();
    EXPECT_NE(ExportTitles().find("Temp. innen\tLuftfeuchte innen"), std::string::npos);
    EXPECT_NE(Text(korP, KORP_HISTORY_INFO).find("Verlaufsdatei"), std::string::npos);

    Press(SettingsAbort, settingsP, SETTINGSP_CANCEL);
    EXPECT_STREQ(setup.language_file, "english.lwl");
    EXPECT_EQ(Text(korP, KORP_SETTINGS), "Settings…");
    EXPECT_EQ(HistoryTitles(), english_table);
    EXPECT_EQ(ExportTitles(), english_export);
    EXPECT_TRUE(SavedSetup().empty());

    // Closing the window is a cancel too; the main window takes back the room a longer
    // text took.
    WriteWholeFile(dir.file("long.lwl"), "TXTP_SETTINGS = " + std::string(150, 'W') + "\n");
    OpenSettings();
    PickLanguage("deutsch");
    PickLanguage("english");
    const int english_width = Widget("korP")->width();
    PickLanguage("long");
    EXPECT_GT(Widget("korP")->width(), english_width);
    SettingsAbort(settingsP, 0, EVENT_CLOSE, nullptr, 0, 0);
    EXPECT_FALSE(DialogUp());
    EXPECT_EQ(Text(korP, KORP_SETTINGS), "Settings…");
    EXPECT_EQ(Widget("korP")->width(), english_width);
}

// ---- with the communication thread against the simulated console ---------------------

SimOptions QuietConsole() {
    SimOptions o;
    o.seed = 7;
    o.radio_interval_s = 0;
    o.pace_real = false;
    o.manual_clock = true;
    return o;
}

// The display's share of the records here: the link's state, which the start watch reads.
void DispatchLinkStates(const CommSimRun &run, size_t *dispatched) {
    for (; *dispatched < run.Records().size(); ++*dispatched)
        if (run.Records()[*dispatched].kind == 150) DispatchUIRecord(&run.Records()[*dispatched]);
}

TEST_F(SettingsDialog, NewPortOrHistoryFileRestartsTheThreadAUnitChangeDoesNot) {
    CommSimRun run(QuietConsole());
    ASSERT_EQ(run.StartThread(), 0);
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_STATION_ID) == 1; }, 20.0));
    const CmtThreadFunctionID first = comm_thread_function_id;

    OpenSettings();
    SetCtrlIndex(unitsP, UNITSP_PRESSURE, 1);
    PressOK();
    EXPECT_EQ(setup.units.pressure_unit, 1);
    EXPECT_EQ(comm_thread_function_id, first);

    // COM8 names a device that is not there: the new thread cannot open it.
    ASSERT_EQ(symlink("/nonexistent/tty", run.folder().file("COM8").c_str()), 0);
    OpenSettings();
    SetCtrlVal(globalP, GLOBALP_COM_PORT, 8);
    PressOK();
    EXPECT_NE(comm_thread_function_id, first);
    EXPECT_EQ(setup.com_port, 8);
    size_t dispatched = 0;
    ASSERT_TRUE(run.WaitFor(
        [&] {
            DispatchLinkStates(run, &dispatched);
            return !messages.empty();
        },
        20.0));
    EXPECT_NE(messages[0].find("COM8 (/nonexistent/tty)"), std::string::npos) << messages[0];

    // Back on the console's port the thread identifies the console again.
    OpenSettings();
    SetCtrlVal(globalP, GLOBALP_COM_PORT, CommSimRun::kPort);
    PressOK();
    ASSERT_TRUE(run.WaitFor([&] { return run.CountKind(UI_STATION_ID) == 2; }, 20.0));
    EXPECT_EQ(messages.size(), 1u);

    // Another history file: taken over by OK, announced by the restarted thread.
    const std::string other = run.folder().file("other.dat");
    file_choice = other;
    OpenSettings();
    Press(SettingsPChangeHistoryFile, settingsP, SETTINGSP_CHANGE_FILE);
    const CmtThreadFunctionID before_file = comm_thread_function_id;
    PressOK();
    EXPECT_EQ(other, setup.history_file);
    EXPECT_NE(comm_thread_function_id, before_file);
    ASSERT_TRUE(run.WaitFor(
        [&] {
            for (const UIRecord &r : run.Records())
                if (r.kind == UI_HISTORY_FILE && other == r.text) return true;
            return false;
        },
        20.0));
    const std::string saved = ReadWholeFile(run.folder().file("Setup.cnf"));
    ASSERT_EQ(saved.size(), sizeof(SetupRecord));
    EXPECT_EQ(other, reinterpret_cast<const SetupRecord *>(saved.data())->history_file);
    EXPECT_EQ(messages.size(), 1u);
}

// The MQTT page: the test says in words what happened, without the dialog waiting for
// it; OK writes clearhorizon.ini for the owner alone, keeping the keys the page lacks;
// TLS checks switched off in the file are shown in red.
TEST_F(SettingsDialog, MqttPageTestsTheConnectionAndWritesTheFile) {
    TempFolder dir;
    TestBroker broker;
    ASSERT_TRUE(StartTestBroker(dir.path(), {"station", "right", "", "", ""}, &broker));
    WriteWholeFile(kMqttSettingsFile, "[mqtt]\nbase_topic=home/weather\ntls_insecure=true\n");
    OpenSettings();
    EXPECT_EQ(Value(mqttP, MQTTP_ENABLED), 0);
    EXPECT_EQ(Value(mqttP, MQTTP_PORT), 1883);
    EXPECT_EQ(Value(mqttP, MQTTP_DISCOVERY), 1);
    SetCtrlVal(mqttP, MQTTP_HOST, "127.0.0.1");
    SetCtrlVal(mqttP, MQTTP_PORT, broker.port);
    SetCtrlVal(mqttP, MQTTP_USER, "station");
    for (const char *password : {"wrong", "right"}) {
        SetCtrlVal(mqttP, MQTTP_PASSWORD, password);
        Press(MqttTestButton, mqttP, MQTTP_TEST);
        const double until = NowSeconds() + 60.0;
        while (Text(mqttP, MQTTP_RESULT).find("\u2026") != std::string::npos && NowSeconds() < until) {
            ProcessSystemEvents();
            MqttTestTimer(mqttP, MQTTP_TEST_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
        }
    }
    EXPECT_EQ(Text(mqttP, MQTTP_RESULT), "connected");
    SetCtrlVal(mqttP, MQTTP_TLS, 1);
    PressOK();
    MqttSettings s;
    ASSERT_EQ(LoadMqttSettings(kMqttSettingsFile, &s), 0);
    EXPECT_STREQ(s.host, "127.0.0.1");
    EXPECT_STREQ(s.password, "right");
    EXPECT_STREQ(s.base_topic, "home/weather");
    EXPECT_TRUE(s.tls);
    struct stat st {};
    ASSERT_EQ(stat(kMqttSettingsFile, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    OpenSettings();
    int visible = 0, colour = 0;
    GetCtrlAttribute(mqttP, MQTTP_INSECURE, ATTR_VISIBLE, &visible);
    GetCtrlAttribute(mqttP, MQTTP_INSECURE, ATTR_TEXT_COLOR, &colour);
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(colour, 0xCC0000);
    Press(SettingsAbort, settingsP, SETTINGSP_CANCEL);
    // The Station group's line takes the client's words into the language's sentence.
    EXPECT_EQ(MqttStateText("retrying, refused: not authorised"),
              "MQTT: retrying, refused: not authorised");
    EXPECT_EQ(MqttStateText("connected to broker.local"), "MQTT: connected to broker.local");
    EXPECT_EQ(MqttStateText(""), "");
    StopMqttPublisher();
    StopTestBroker(&broker);
}

}  // namespace
