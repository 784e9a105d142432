// The clear dialogs. Opening the clear-min/max dialog asks the station for the times of
// the record it shows; the answer is shown only while the dialog still shows that record
// (the dialog's hidden code field, checked by ShowMinMaxStamps). A reset is marked
// pending only once its command is in the queue, so that a reset the station never heard
// of is not left blinking as if it were on its way.
#include "windows/clear_dialogs.h"

#include <cstdio>

#include "windows/KOR.h"
#include "windows/alarm_controls.h"
#include "windows/alarm_display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "records/ui_data.h"
#include "platform/panels.h"
#include "windows/command_sender.h"
#include "values/time_texts.h"

namespace {

constexpr int kClearGeneralAlarm = 75;
constexpr int kPressureAbsoluteCode = 10;
constexpr int kPressureRelativeCode = 11;

struct ClearRow {
    int control;        // main-panel field
    int code;           // the dialog's code (pressure: 10, or 11 for relative)
    int text_kind;      // kind of GetMinMaxText
    int stamp_command;  // 0: no times to fetch
    int min_group, max_group, single_group;
    int title;
    int prompt;
    int reset_command;
    int slot;           // minmax_clear_pending
};

const ClearRow kRows[] = {
    {KORP_IHUM_MINMAX, 2, 2, 54, 1, 1, 0, TXTP_CLR_TITLE_IHUM, TXTP_CLR_PROMPT_MINMAX, 65, 0},
    {KORP_OHUM_MINMAX, 3, 2, 55, 1, 1, 0, TXTP_CLR_TITLE_OHUM, TXTP_CLR_PROMPT_MINMAX, 66, 1},
    {KORP_ITEMP_MINMAX, 4, 4, 56, 1, 1, 0, TXTP_CLR_TITLE_ITEMP, TXTP_CLR_PROMPT_MINMAX, 67, 2},
    {KORP_OTEMP_MINMAX, 5, 5, 57, 1, 1, 0, TXTP_CLR_TITLE_OTEMP, TXTP_CLR_PROMPT_MINMAX, 68, 3},
    {KORP_DEW_MINMAX, 6, 6, 58, 1, 1, 0, TXTP_CLR_TITLE_DEW, TXTP_CLR_PROMPT_MINMAX, 69, 4},
    {KORP_CHILL_MINMAX, 7, 7, 59, 1, 1, 0, TXTP_CLR_TITLE_CHILL, TXTP_CLR_PROMPT_MINMAX, 70, 5},
    {KORP_WIND_MINMAX, 8, 8, 60, 1, 1, 0, TXTP_CLR_TITLE_WIND, TXTP_CLR_PROMPT_MINMAX, 71, 6},
    {KORP_PRESS_MINMAX, kPressureAbsoluteCode, 10, 61, 1, 1, 0, TXTP_CLR_TITLE_PRESS,
     TXTP_CLR_PROMPT_MINMAX, 72, 7},
    {KORP_RAIN_TOTAL, 12, 12, 62, 0, 0, 1, TXTP_CLR_TITLE_RAIN_TOTAL, TXTP_CLR_PROMPT_COUNTER, 51, 10},
    {KORP_RAIN_MAX_1H, 15, 12, 63, 0, 1, 0, TXTP_CLR_TITLE_RAIN_MAX_1H, TXTP_CLR_PROMPT_LARGEST, 73, 8},
    {KORP_RAIN_MAX_24H, 16, 12, 64, 0, 1, 0, TXTP_CLR_TITLE_RAIN_MAX_24H, TXTP_CLR_PROMPT_LARGEST, 74, 9},
    {KORP_RAIN_1H, 13, 12, 0, 0, 0, 1, TXTP_CLR_TITLE_RAIN_1H, TXTP_CLR_PROMPT_COUNTER, 52, 11},
    {KORP_RAIN_24H, 14, 12, 0, 0, 0, 1, TXTP_CLR_TITLE_RAIN_24H, TXTP_CLR_PROMPT_COUNTER, 53, 12},
};

const ClearRow *RowOfControl(int control) {
    for (const ClearRow &r : kRows)
        if (r.control == control) return &r;
    return nullptr;
}

const ClearRow *RowOfCode(int code) {
    if (code == kPressureRelativeCode) code = kPressureAbsoluteCode;
    for (const ClearRow &r : kRows)
        if (r.code == code) return &r;
    return nullptr;
}

// The minimum and maximum (or the one value) the row shows, from UI_data.
void RowValues(int code, const float **min, const float **max) {
    *min = nullptr;
    *max = nullptr;
    const TempGroup *group = nullptr;
    switch (code) {
    case 2: group = &UI_data.indoor_hum; break;
    case 3: group = &UI_data.outdoor_hum; break;
    case 4: group = &UI_data.indoor_temp; break;
    case 5: group = &UI_data.outdoor_temp; break;
    case 6: group = &UI_data.dewpoint; break;
    case 7: group = &UI_data.windchill; break;
    case 8: *min = &UI_data.wind.min; *max = &UI_data.wind.max; return;
    case kPressureAbsoluteCode:
    case kPressureRelativeCode: *min = &UI_data.pressure.min; *max = &UI_data.pressure.max; return;
    case 12: *max = &UI_data.rain.total.value; return;
    case 13: *max = &UI_data.rain.rain_1h; return;
    case 14: *max = &UI_data.rain.rain_24h; return;
    case 15: *max = &UI_data.rain.max_1h.value; return;
    case 16: *max = &UI_data.rain.max_24h.value; return;
    default: return;
    }
    *min = &group->min;
    *max = &group->max;
}

void SetText(int control, int text) {
    char buffer[304];
    GetPanelText(text, buffer, sizeof buffer);
    SetCtrlVal(clr_min_maxP, control, buffer);
}

// "Date: --.--.--\nTime: --:--" until the station's times arrive.
void ShowStampPlaceholders() {
    char date[304];
    char time_of_day[304];
    char text[640];
    GetPanelText(TXTP_CLR_DATE, date, sizeof date);
    GetPanelText(TXTP_CLR_TIME, time_of_day, sizeof time_of_day);
    snprintf(text, sizeof text, "%s: --.--.--\n%s: --:--", date, time_of_day);
    for (int control : {CLRMMP_MIN_DATETIME, CLRMMP_MAX_DATETIME, CLRMMP_SINGLE_DATETIME}) {
        SetCtrlVal(clr_min_maxP, control, text);
        SetCtrlAttribute(clr_min_maxP, control, ATTR_DIMMED, 1);
    }
}

void FillClearMinMax(const ClearRow &row, int code) {
    const float *min = nullptr;
    const float *max = nullptr;
    RowValues(code, &min, &max);
    const int text_kind = row.text_kind == 10 ? code : row.text_kind;
    const MinMaxTexts *t = GetMinMaxText(text_kind, min, nullptr, max, nullptr);
    ViewMinMaxObjects(row.min_group, row.max_group, row.single_group);
    // The rain counters of the last hour and day have no time of their own.
    const int single_stamp = row.stamp_command != 0 ? 1 : 0;
    SetCtrlAttribute(clr_min_maxP, CLRMMP_SINGLE_DATETIME, ATTR_VISIBLE, single_stamp);
    SetCtrlAttribute(clr_min_maxP, CLRMMP_SINGLE_LABEL, ATTR_VISIBLE, single_stamp);
    if (row.min_group) SetCtrlVal(clr_min_maxP, CLRMMP_MIN_VALUE, t->min_value);
    if (row.max_group) SetCtrlVal(clr_min_maxP, CLRMMP_MAX_VALUE, t->max_value);
    if (row.single_group) SetCtrlVal(clr_min_maxP, CLRMMP_SINGLE_VALUE, t->max_value);
    ShowStampPlaceholders();
    SetCtrlVal(clr_min_maxP, CLRMMP_CODE, code);
    char title[304];
    GetPanelText(row.title, title, sizeof title);
    SetPanelAttribute(clr_min_maxP, ATTR_TITLE, title);
    SetText(CLRMMP_GENERAL_LABEL, TXTP_CLR_GENERAL);
    SetText(CLRMMP_PROMPT, row.prompt);
}

bool OpeningClick(int panel, int event) {
    return panel == korP && (event == EVENT_LEFT_CLICK || event == EVENT_LEFT_DOUBLE_CLICK ||
                             event == EVENT_RIGHT_CLICK);
}

}  // namespace

void ViewMinMaxObjects(int min_group, int max_group, int single_group) {
    SetCtrlAttribute(clr_min_maxP, CLRMMP_MIN_GROUP, ATTR_VISIBLE, min_group ? 1 : 0);
    SetCtrlAttribute(clr_min_maxP, CLRMMP_MAX_GROUP, ATTR_VISIBLE, max_group ? 1 : 0);
    SetCtrlAttribute(clr_min_maxP, CLRMMP_SINGLE_GROUP, ATTR_VISIBLE, single_group ? 1 : 0);
}

int LoadClearMinMax(int panel, int control, int event, void *, int, int) {
    if (!OpeningClick(panel, event)) return 0;
    const ClearRow *row = RowOfControl(control);
    if (row == nullptr) return 0;
    int code = row->code;
    if (code == kPressureAbsoluteCode && !setup.absolute_pressure) code = kPressureRelativeCode;
    FillClearMinMax(*row, code);
    if (row->stamp_command != 0) {
        const CommandRecord stamps = MakeCommandRecord(row->stamp_command);
        if (SendCommandRecord(&stamps) != 0) {
            // Nothing the dialog offers could reach the station.
            ReportCommandNotSent();
            return 0;
        }
    }
    InstallPopup(clr_min_maxP);
    return 0;
}

int ClearMinMax(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int code = 0;
    GetCtrlVal(clr_min_maxP, CLRMMP_CODE, &code);
    if (const ClearRow *row = RowOfCode(code)) {
        const CommandRecord reset = MakeCommandRecord(row->reset_command);
        if (SendCommandRecord(&reset) == 0) {
            UI_data.minmax_clear_pending[row->slot] = 1;
            SetCtrlAttribute(korP, MinMaxFieldControl(row->slot), ATTR_DIMMED, 1);
        } else {
            ReportCommandNotSent();
        }
    }
    RemovePopup(1);
    return 0;
}

int LoadClearGeneralAlarm(int panel, int, int event, void *, int, int) {
    if (!OpeningClick(panel, event)) return 0;
    InstallPopup(clr_gen_alP);
    return 0;
}

int ClearGeneralAlarm(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    const CommandRecord clear = MakeCommandRecord(kClearGeneralAlarm);
    if (SendCommandRecord(&clear) == 0) {
        UI_data.general_alarm_clear_pending = 1;
        SetCtrlAttribute(korP, KORP_GENERAL_ALARM, ATTR_DIMMED, 1);
        SetCtrlAttribute(korP, KORP_GENERAL_ALARM_SYM, ATTR_DIMMED, 1);
        SetCtrlAttribute(korP, KORP_GENERAL_ALARM_SYM, ATTR_TEXT_COLOR, kSymbolRed);
        SetCtrlVal(korP, KORP_GENERAL_ALARM_SYM, 1);
    } else {
        ReportCommandNotSent();
    }
    RemovePopup(1);
    return 0;
}

void RegisterClearDialogCallbacks() {
    RegisterCallback("LoadClearMinMax", LoadClearMinMax);
    RegisterCallback("ClearMinMax", ClearMinMax);
    RegisterCallback("LoadClearGeneralAlarm", LoadClearGeneralAlarm);
    RegisterCallback("ClearGeneralAlarm", ClearGeneralAlarm);
}
