// Start-up and shutdown. The order matters: settings before panels (the panels show
// the units), panels before the communication thread (its first records redraw them),
// and on the way out the timers stop before the thread is awaited so that nothing
// touches the station data while the thread finishes.
#include "app/startup.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>

#include "windows/KOR.h"
#include "windows/alarm_display.h"
#include "windows/alarm_replies.h"
#include "windows/link_display.h"
#include "records/ui_listeners.h"
#include "windows/comm_restart.h"
#include "app/command_line.h"
#include "windows/desktop_notice.h"
#include "windows/dialog_callbacks.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "windows/language.h"
#include "windows/held_change.h"
#include "windows/older_data_sets.h"
#include "records/setup_record.h"
#include "records/setup_sanity.h"
#include "windows/tooltips.h"
#include "records/ui_data.h"
#include "windows/widgets.h"
#include "app/folder_owner.h"
#include "app/port_command.h"
#include "app/service_watchdog.h"
#include "exchange/current_data.h"
#include "exchange/mqtt_publisher.h"
#include "exchange/mqtt_settings.h"
#include "graphs/graphs_window.h"
#include "windows/history_save.h"
#include "windows/history_view.h"
#include "platform/engine.h"
#include "platform/files.h"
#include "platform/ini_text.h"
#include "platform/instance.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "station/comm/comm_lifecycle.h"
#include "station/comm/tsq_records.h"

namespace {

std::atomic<int> quit_requested{0};
// The other copy is left as it is, not brought forward.
constexpr int kDoNotActivateOther = 0;
// Beside Setup.cnf in the data folder: what Setup.cnf's fixed layout has no room for.
constexpr const char *kWindowPlacesFile = "clearhorizon.ini";

void OnQuitSignal(int) { quit_requested.store(1); }

void ShowProgramIcon() {
    char dir[4096];
    char icon[4200];
    GetResourceDir(dir, sizeof dir);
    snprintf(icon, sizeof icon, "%s/clearhorizon.svg", dir);
    SetApplicationIcon(icon, "org.clearhorizon.clearhorizon");  // the menu entry's id
}

}  // namespace

void InstallQuitSignals() {
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int QuitRequested() { return quit_requested.load(); }

int CurrentDataRefreshTimer(int panel, int control, int event, void *, int, int) {
    if (event != EVENT_TIMER_TICK || h_current_data_list == nullptr) return 0;
    const int interval = RefreshCurrentDataFile(h_current_data_list);
    SetCtrlAttribute(panel, control, ATTR_INTERVAL, static_cast<double>(interval));
    ResetTimer(panel, control);
    return 0;
}

// A quit asked for by a signal is carried out on the main thread, at the blink timer's
// next tick, instead of that tick's blink.
static int BlinkTimerOrQuit(int panel, int control, int event, void *data, int data1, int data2) {
    if (event == EVENT_TIMER_TICK && QuitRequested()) {
        Quit(korP, KORP_QUIT, EVENT_COMMIT, nullptr, 0, 0);
        return 0;
    }
    if (event == EVENT_TIMER_TICK) ShowMqttState();
    return BlinkTimer(panel, control, event, data, data1, data2);
}

int MainPanelCallback(int panel, int, int event, void *, int, int) {
    if (event == EVENT_CLOSE) Quit(panel, KORP_QUIT, EVENT_COMMIT, nullptr, 0, 0);
    return 0;
}

// Every view that shows UI records, in the order they hear of one: the history view
// first, since it takes the history file's header into UI_data for the views after it.
// Each registration fits: the table holds several times the views there are.
static void RegisterViewListeners() {
    ForgetUIRecordListeners();
    RegisterHistoryViewListeners();
    RegisterDisplayListeners();
    // Before the tray and the notices, which read the link state it takes.
    RegisterLinkDisplayListeners();
    RegisterAlarmDisplayListeners();
    RegisterAlarmReplyListeners();
    RegisterDesktopNoticeListeners();
    RegisterOlderDataSetsListeners();
    RegisterGraphsListeners();
    RegisterHeldChangeListeners();
    RegisterMqttPublisherListeners();
}

void RegisterAppCallbacks() {
    RegisterViewListeners();
    RegisterCallback("MainPanelCallback", MainPanelCallback);
    RegisterCallback("Quit", Quit);
    RegisterCallback("CurrentDataRefreshTimer", CurrentDataRefreshTimer);
    RegisterCallback("BlinkTimer", BlinkTimerOrQuit);
    RegisterCallback("AbortPopup", AbortPopup);
    RegisterCallback("ShowHistoryPanel", ShowHistoryPanel);
    RegisterCallback("HideHistoryPanel", HideHistoryPanel);
    RegisterCallback("HistoryScrollBar", HistoryScrollBar);
    RegisterCallback("HistoryPChangeHistoryFile", HistoryPChangeHistoryFile);
    RegisterCallback("SaveHistoryAsText", SaveHistoryAsText);
    RegisterOlderDataSetsCallbacks();
    RegisterHeldChangeCallbacks();
    RegisterCallback("ShowGraphsWindow", ShowGraphsWindow);
    RegisterDialogCallbacks();
}

int StartClearHorizon(int argc, char *argv[]) {
    (void)argc;
    if (InitCVIRTE(0, argv, 0) == 0) return kStartFailed;
    ShowProgramIcon();
    RemovePopup(1);
    int duplicate = 0;
    if (CheckForDuplicateAppInstance(kDoNotActivateOther, &duplicate) >= 0 && duplicate &&
        !ReportFolderInUse(ScreenShown()))
        return kStartFolderInUse;
    // Beside the lock, for the next copy to say who holds the folder; without it that
    // copy still names the lock's process.
    (void)WriteFolderOwner(ScreenShown() ? 0 : 1);
    SetSleepPolicy(VAL_SLEEP_NONE);
    LoadSetup(&setup);
    SanitiseSetup(&setup);
    RegisterAppWidgets();
    RegisterAppCallbacks();
    if (LoadInitAllPanels() < 0) {
        // Fixed texts: the texts panel may be what failed to load.
        MessagePopup("Error!", "file --.xw not found");
        return kStartFailed;
    }
    // A language file that cannot be read leaves the resource's texts. Without a screen
    // nothing is laid out (nor are fonts loaded for it); the laying out ends with the
    // chosen language applied.
    if (IsHeadless())
        (void)LocaliseAllPanels();
    else
        LayOutForEveryShippedLanguage();
    InitTableTileLine(&setup.units.pressure_unit);
    EnableDisableToolTips(setup.tooltips_enabled);
    SetNumberFieldsDecimalComma(setup.decimal_comma);
    SetUIDataToDefault();
    RefreshKORPanelSurface();
    // Without a screen the panels still hold the display's state, they are just never shown.
    if (!IsHeadless()) {
        (void)LoadWindowPlaces(kWindowPlacesFile);
        DisplayPanel(korP);
        StartDesktopNotices();
    }
    SetSleepPolicy(VAL_SLEEP_MORE);
    // Every UI queue the communication thread makes hands its records to the display,
    // on this thread.
    SetUIQueueReader(ReadElementFromTSQ_to_UI);
    // Before the communication thread, so that its first records are published. Off (no
    // file, or enabled = false) costs nothing.
    (void)StartMqttPublisher(kMqttSettingsFile, setup.station_id);
    // The start only schedules the thread; whether it could open its port shows a moment
    // later, and the watch tells the user then.
    if (StateMaschineConstructor(setup.com_port) == 0) WatchCommunicationStart();
    h_current_data_list = Ini_New(0);
    if (h_current_data_list == nullptr) {
        // The thread is stopped before the process ends, not left running into exit.
        StateMaschineDestructor();
        StopMqttPublisher();
        return kStartNoCurrentData;
    }
    SetCtrlAttribute(settingsP, SETTINGSP_DATA_TIMER, ATTR_INTERVAL,
                     static_cast<double>(CURRENT_DATA_INTERVAL_STALE));
    ResetTimer(settingsP, SETTINGSP_DATA_TIMER);
    SetCtrlAttribute(settingsP, SETTINGSP_DATA_TIMER, ATTR_ENABLED, 1);
    InitCurrentDataList(h_current_data_list);
    // A file that cannot be written now is written by the next refresh.
    (void)SaveCurrentDataList(h_current_data_list);
    return 0;
}

namespace {

// --port: the link is changed only by the copy that holds the folder, never under a
// running one. 0 when start-up may go on, else the exit status.
int ChoosePortFirst(const CommandLine &options) {
    int another = 0;
    if (CheckForDuplicateAppInstance(kDoNotActivateOther, &another) >= 0 && another) {
        (void)ReportFolderInUse(0);
        return kExitFolderInUse;
    }
    const int chosen = ChoosePortCommand(options.port, options.port_number);
    if (chosen != 0) return chosen;
    // --port alone only links; with --headless or a window option the program runs on.
    return options.headless || options.qt_options ? 0 : -1;
}

}  // namespace

int RunClearHorizon(int argc, char *argv[]) {
    CommandLine options;
    if (ParseCommandLine(argc, argv, &options) != 0) return options.exit_code;
    // Before anything else: the settings, the lock and the port links live there. An
    // installed program has one data folder, whoever starts it (menu, service, shell).
    char default_dir[PATH_MAX];
    const char *data_dir = options.data_dir;
    if (data_dir == nullptr && ProgramIsInstalled() && DefaultDataDir(default_dir, sizeof default_dir) == 0)
        data_dir = default_dir;
    if (data_dir != nullptr && EnterDataDir(data_dir) != 0) return 1;
    if (options.list_ports) return ListPortsCommand();
    if (options.port != nullptr) {
        const int chosen = ChoosePortFirst(options);
        if (chosen != 0) return chosen < 0 ? 0 : chosen;
    }
    SetHeadless(options.headless);
    InstallQuitSignals();
    const int started = StartClearHorizon(argc, argv);
    if (started != 0) return started;
    StartServiceWatchdog();
    RunUserInterface();
    return 0;
}

int Quit(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    ServiceStopping();
    SuspendTimerCallbacks();
    // Sets flag_quit and waits for the thread, processing events (UI records among them).
    StateMaschineDestructor();
    // After the thread: its last records are published, then "offline".
    StopMqttPublisher();
    if (h_current_data_list != nullptr) {
        Ini_Dispose(h_current_data_list);
        h_current_data_list = nullptr;
    }
    if (!IsHeadless()) (void)SaveWindowPlaces(kWindowPlacesFile);
    QuitUserInterface(0);
    return 0;
}
