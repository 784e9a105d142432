// The settings dialog. The history file chosen in the dialog is kept in the dialog's
// path field until OK, so that cancel means cancel: setup.history_file always names the
// file the communication thread was started with, until OK restarts it on the new one.
#include "windows/settings_dialog.h"

#include <cstdio>
#include <cstring>

#include "windows/setup_messages.h"
#include "windows/KOR.h"
#include "windows/accessible_names.h"
#include "windows/comm_restart.h"
#include "windows/display.h"
#include "windows/history_file_choice.h"
#include "windows/kor_panels.h"
#include "windows/language_choice.h"
#include "windows/mqtt_page.h"
#include "windows/port_choice.h"
#include "records/setup_record.h"
#include "windows/tooltips.h"
#include "windows/history_view.h"
#include "platform/panels.h"
#include "platform/popups.h"

namespace {

struct ChangeFlags {
    int display;
    int port;
    int history_file;
    int pressure_kind;
};

int Checked(int panel, int control) {
    int value = 0;
    GetCtrlVal(panel, control, &value);
    return value != 0 ? 1 : 0;
}

// The list's current item index, or fallback when the list has none.
int ListIndex(int panel, int control, int fallback) {
    int index = -1;
    if (GetCtrlIndex(panel, control, &index) < 0 || index < 0) return fallback;
    return index;
}

void TakeTooltips() {
    setup.tooltips_enabled = Checked(globalP, GLOBALP_TOOLTIPS);
    EnableDisableToolTips(setup.tooltips_enabled);
}

void TakePressureKind(ChangeFlags *flags) {
    int kind = setup.absolute_pressure;
    GetCtrlVal(pressureP, PRESSUREP_KIND, &kind);
    if (kind == setup.absolute_pressure) return;
    setup.absolute_pressure = kind;
    flags->pressure_kind = 1;
    ShowPressureCaption();
    AdaptPressureToolTips(&setup.absolute_pressure);
    // The pressure bells are named after the caption.
    NameAccessibleControls();
}

void TakeDateAndNumberStyle(ChangeFlags *flags) {
    const int clock_24h = Checked(globalP, GLOBALP_24H);
    if ((setup.time_24h == 0 && clock_24h == 1) || (setup.time_24h == 1 && clock_24h == 0)) {
        setup.time_24h = clock_24h;
        flags->display = 1;
    }
    // The box is on when numbers use a point, the field is 1 for a comma.
    const int point = Checked(globalP, GLOBALP_DECIMAL_POINT);
    if (setup.decimal_comma == 1 && point == 1) {
        setup.decimal_comma = 0;
        flags->display = 1;
    } else if (setup.decimal_comma == 0 && point == 0) {
        setup.decimal_comma = 1;
        flags->display = 1;
    }
    SetNumberFieldsDecimalComma(setup.decimal_comma);
}

void TakeUnits(ChangeFlags *flags) {
    UnitsRecord units;
    units.pressure_unit = ListIndex(unitsP, UNITSP_PRESSURE, setup.units.pressure_unit) == 0 ? 0 : 1;
    units.temperature_unit =
        ListIndex(unitsP, UNITSP_TEMPERATURE, setup.units.temperature_unit) == 0 ? 0 : 1;
    units.wind_unit = ListIndex(unitsP, UNITSP_WIND, setup.units.wind_unit);
    units.rain_unit = ListIndex(unitsP, UNITSP_RAIN, setup.units.rain_unit);
    units.humidity_unit = 0;
    if (memcmp(&units, &setup.units, sizeof units) != 0) flags->display = 1;
    setup.units = units;
}

void TakePort(ChangeFlags *flags) {
    int port = setup.com_port;
    GetCtrlVal(globalP, GLOBALP_COM_PORT, &port);
    if (port == setup.com_port) return;
    setup.com_port = port;
    flags->port = 1;
}

void TakeHistoryFile(ChangeFlags *flags) {
    char chosen[sizeof setup.history_file];
    GetCtrlString(settingsP, SETTINGSP_HISTORY_FILE, chosen, sizeof chosen);
    if (chosen[0] == '\0' || strcoll(chosen, setup.history_file) == 0) return;
    snprintf(setup.history_file, sizeof setup.history_file, "%s", chosen);
    flags->history_file = 1;
}


}  // namespace

void InitSettings() {
    char history_file[sizeof setup.history_file + 1];
    memcpy(history_file, setup.history_file, sizeof setup.history_file);
    history_file[sizeof setup.history_file] = '\0';
    SetCtrlVal(settingsP, SETTINGSP_HISTORY_FILE, history_file);
    SetCtrlVal(unitsP, UNITSP_WIND, setup.units.wind_unit);
    SetCtrlVal(unitsP, UNITSP_PRESSURE, setup.units.pressure_unit);
    SetCtrlVal(unitsP, UNITSP_TEMPERATURE, setup.units.temperature_unit);
    SetCtrlVal(unitsP, UNITSP_RAIN, setup.units.rain_unit);
    SetCtrlVal(pressureP, PRESSUREP_KIND, setup.absolute_pressure);
    SetCtrlVal(globalP, GLOBALP_24H, setup.time_24h != 0 ? 1 : 0);
    SetCtrlVal(globalP, GLOBALP_DECIMAL_POINT, setup.decimal_comma != 1 ? 1 : 0);
    SetCtrlVal(globalP, GLOBALP_COM_PORT, setup.com_port);
    SetCtrlVal(globalP, GLOBALP_TOOLTIPS, setup.tooltips_enabled);
    FillDeviceList();
    FillLanguageList();
    InitMqttPage();
}

int Settings(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    InitSettings();
    InstallPopup(settingsP);
    return 0;
}

int SettigsOK(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    ChangeFlags flags{};
    TakeTooltips();
    TakePressureKind(&flags);
    TakeDateAndNumberStyle(&flags);
    TakeUnits(&flags);
    TakePort(&flags);
    // A device chosen for the port changes where the port leads, not its number.
    if (TakeDeviceChoice(setup.com_port) != 0) flags.port = 1;
    TakeHistoryFile(&flags);
    SaveSetupOrReport();
    // A file that cannot be written keeps the connection as it is; the page shows it again.
    (void)TakeMqttPage();
    if (flags.display || flags.pressure_kind) {
        InitTableTileLine(&setup.units.pressure_unit);
        RedrawHistoryPanel();
    }
    RefreshKORPanelSurface();
    RemovePopup(1);
    if (flags.port || flags.history_file) RestartCommunicationThread();
    return 0;
}

int SettingsAbort(int, int, int event, void *, int, int) {
    // Closing the window is a cancel too.
    if (event != EVENT_COMMIT && event != EVENT_CLOSE) return 0;
    RestoreLanguageAtOpen();
    RemovePopup(1);
    return 0;
}

int SettingsPChangeHistoryFile(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    char current[MAX_PATHNAME_LEN];
    GetCtrlString(settingsP, SETTINGSP_HISTORY_FILE, current, sizeof current);
    char chosen[MAX_PATHNAME_LEN];
    if (ChooseHistoryFile(current, chosen)) SetCtrlVal(settingsP, SETTINGSP_HISTORY_FILE, chosen);
    return 0;
}

void RegisterSettingsDialogCallbacks() {
    RegisterCallback("Settings", Settings);
    RegisterCallback("SettigsOK", SettigsOK);
    RegisterCallback("SettingsAbort", SettingsAbort);
    RegisterCallback("SettingsPChangeHistoryFile", SettingsPChangeHistoryFile);
    RegisterCallback("SelectLanguage", SelectLanguage);
    RegisterCallback("CommStartWatchTimer", CommStartWatchTimer);
    RegisterCallback("SettingsPortChanged", SettingsPortChanged);
    RegisterMqttPageCallbacks();
}
