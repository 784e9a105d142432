// Loading of every panel of "KOR.uir" at start-up. A panel that fails to load is counted
// and loading goes on, so that start-up can report the failure once, with the fixed
// pop-up, and never works with half a set of panels.
#include "windows/kor_panels.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "windows/KOR.h"
#include "windows/display.h"
#include "windows/panel_text_tables.h"
#include "records/setup_record.h"
#include "windows/tooltips.h"
#include "records/ui_data.h"
#include "windows/history_view.h"
#include "platform/easytab.h"
#include "platform/panels.h"
#include "platform/runtime.h"

int korP = 0;
int txtP = 0;
int historyP = 0;
int set_alarmP = 0;
int change_history_settingsP = 0;
int clr_min_maxP = 0;
int clr_gen_alP = 0;
int settingsP = 0;
int globalP = 0;
int unitsP = 0;
int pressureP = 0;
int set_histP = 0;
int aboutP = 0;
int mqttP = 0;

namespace {

struct PanelToLoad {
    int *handle;
    int resource_id;
};

// The order in which the panels are loaded.
const PanelToLoad kPanels[] = {
    {&korP, KORP},           {&txtP, TXTP},           {&historyP, HISTORYP},
    {&set_alarmP, SETALARMP}, {&change_history_settingsP, CHGHISTP},
    {&clr_min_maxP, CLRMMP}, {&clr_gen_alP, CLRGAP},  {&settingsP, SETTINGSP},
    {&unitsP, UNITSP},       {&globalP, GLOBALP},     {&aboutP, ABOUTP},
    {&set_histP, SETHISTP},  {&pressureP, PRESSUREP},   {&mqttP, MQTTP},
};

void FillList(int panel, int control, const char *const *items, int count) {
    ClearListCtrl(panel, control);
    for (int i = 0; i < count; ++i) InsertListItem(panel, control, -1, items[i], i);
}

void FillUnitLists() {
    static const char *const pressure[] = {"hPa", "inHg"};
    static const char *const temperature[] = {"\u00B0C", "\u00B0F"};
    // Beaufort too, so that a record holding it is shown and kept by the settings dialog.
    static const char *const wind[] = {"m/s", "km/h", "mph", "knt", "Bft"};
    static const char *const rain[] = {"mm", "inch"};
    FillList(unitsP, UNITSP_PRESSURE, pressure, 2);
    FillList(unitsP, UNITSP_TEMPERATURE, temperature, 2);
    FillList(unitsP, UNITSP_WIND, wind, 5);
    FillList(unitsP, UNITSP_RAIN, rain, 2);
}

// The relative/absolute selector's items are texts, so they follow the language.
void FillPressureKindList() {
    char relative[304];
    char absolute[304];
    GetPanelText(TXTP_PRESSURE_KIND_REL, relative, sizeof relative);
    GetPanelText(TXTP_PRESSURE_KIND_ABS, absolute, sizeof absolute);
    int current = 0;
    GetCtrlVal(pressureP, PRESSUREP_KIND, &current);
    ClearListCtrl(pressureP, PRESSUREP_KIND);
    InsertListItem(pressureP, PRESSUREP_KIND, -1, relative, 0);
    InsertListItem(pressureP, PRESSUREP_KIND, -1, absolute, 1);
    SetCtrlVal(pressureP, PRESSUREP_KIND, current);
}

// The six pages of the settings dialog, in their order on the tab control.
void BuildSettingsTabs() {
    const int tab = EasyTab_ConvertFromCanvas(settingsP, SETTINGSP_TAB);
    if (tab < 0) return;
    for (int page : {globalP, unitsP, pressureP, set_histP, mqttP, aboutP})
        EasyTab_AddPanel(settingsP, tab, page);
}

}  // namespace

char *GetPanelText(int text, char *buffer, int size) {
    if (buffer == nullptr || size <= 0) return buffer;
    buffer[0] = '\0';
    if (txtP <= 0 || GetCtrlString(txtP, text, buffer, size) < 0) buffer[0] = '\0';
    return buffer;
}

void FillTextField(char *text, int size, const char *name, const char *value) {
    if (text == nullptr || size <= 0) return;
    const std::string field = std::string("{") + name + "}";
    std::string s(text);
    for (size_t at = s.find(field); at != std::string::npos; at = s.find(field, at + strlen(value)))
        s.replace(at, field.size(), value);
    snprintf(text, static_cast<size_t>(size), "%s", s.c_str());
}

void ApplyPanelTexts() {
    char text[304];
    for (int i = 0; i < kTextBindingCount; ++i) {
        const TextBinding &b = kTextBindings[i];
        if (*b.panel <= 0) continue;
        GetPanelText(b.text, text, sizeof text);
        switch (b.kind) {
        case BIND_TITLE: SetPanelAttribute(*b.panel, ATTR_TITLE, text); break;
        case BIND_LABEL: SetCtrlAttribute(*b.panel, b.control, ATTR_LABEL_TEXT, text); break;
        default: SetCtrlVal(*b.panel, b.control, text); break;
        }
    }
    FillPressureKindList();
    ShowPressureCaption();
}

void ShowPressureCaption() {
    char caption[304];
    GetPanelText(setup.absolute_pressure ? TXTP_PRESS_ABS_CAPTION : TXTP_PRESS_REL_CAPTION,
                 caption, sizeof caption);
    SetCtrlVal(korP, KORP_PRESS_CAPTION, caption);
}

int LoadInitAllPanels() {
    const int policy = GetSleepPolicy();
    SetSleepPolicy(VAL_SLEEP_NONE);
    for (const PanelToLoad &p : kPanels) *p.handle = 0;
    int failures = 0;
    for (const PanelToLoad &p : kPanels) {
        const int handle = LoadPanel(0, KOR_UIR_FILE, p.resource_id);
        if (handle < 0) {
            ++failures;
            continue;
        }
        *p.handle = handle;
    }
    if (failures > 0) {
        // Nothing below may touch a panel that is not there; start-up ends anyway.
        SetSleepPolicy(policy);
        return -failures;
    }
    BuildSettingsTabs();
    FillUnitLists();
    SetCtrlVal(aboutP, ABOUTP_VERSION, PROGRAM_VERSION_TEXT);
    ApplyPanelTexts();
    InitToolTips();
    // The history table has its 20 rows in the resource file; the scroll bar is a
    // scroll bar there too, so neither needs making here.
    ShowPressureCaption();
    RefreshKORPanelSurface();
    SetSleepPolicy(policy);
    return 0;
}

void DeleteAllPanels() {
    int *const order[] = {&historyP, &txtP, &korP};
    for (int *handle : order) {
        if (*handle > 0) DiscardPanel(*handle);
        *handle = 0;
    }
}

int ShowHistoryPanel(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (!UI_data.history_file_ok) return 0;
    DisplayHistoryPanel();
    return 0;
}

int HideHistoryPanel(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    CloseHistoryPanel();
    return 0;
}

int HistoryScrollBar(int panel, int control, int event, void *, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    int position = 0;
    GetCtrlVal(panel, control, &position);
    UpdateHistoryPanel(position);
    return 0;
}
