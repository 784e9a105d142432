// The kinds, slots, entries and indexes here must agree with windows/alarm_table.cpp,
// which sends the commands these records answer.
#include "windows/alarm_replies.h"

#include <cstring>

#include "records/queue_records.h"
#include "records/setup_record.h"
#include "records/ui_data.h"
#include "records/ui_listeners.h"
#include "platform/panels.h"
#include "values/localisation.h"
#include "windows/KOR.h"
#include "windows/alarm_controls.h"
#include "windows/alarm_display.h"
#include "windows/alarm_table.h"
#include "windows/command_sender.h"
#include "windows/display.h"
#include "windows/held_change.h"
#include "windows/kor_panels.h"

namespace {

// Field of the alarm dialog that shows a threshold read back.
enum AlarmField { FIELD_TEMPERATURE, FIELD_VALUE, FIELD_RAIN, FIELD_DIRECTION };

struct AlarmReadBack {
    int kind;
    int entry;     // alarm_values index
    int index;     // the dialog's alarm index this answer is for
    int quantity;  // -1: the number as it came (humidity)
    int field;
    int round;     // shown as a whole number
};

const AlarmReadBack kReadBacks[] = {
    {38, 0, 1, QUANTITY_INDOOR_TEMPERATURE, FIELD_TEMPERATURE, 0},
    {40, 1, 0, QUANTITY_INDOOR_TEMPERATURE, FIELD_TEMPERATURE, 0},
    {42, 2, 3, QUANTITY_OUTDOOR_TEMPERATURE, FIELD_TEMPERATURE, 0},
    {44, 3, 2, QUANTITY_OUTDOOR_TEMPERATURE, FIELD_TEMPERATURE, 0},
    {46, 4, 5, QUANTITY_WINDCHILL, FIELD_TEMPERATURE, 0},
    {48, 5, 4, QUANTITY_WINDCHILL, FIELD_TEMPERATURE, 0},
    {50, 6, 7, QUANTITY_DEWPOINT, FIELD_TEMPERATURE, 0},
    {52, 7, 6, QUANTITY_DEWPOINT, FIELD_TEMPERATURE, 0},
    {54, 8, 9, QUANTITY_WIND_SPEED, FIELD_VALUE, 1},
    {56, 9, 8, QUANTITY_WIND_SPEED, FIELD_VALUE, 1},
    {58, 10, 10, -1, FIELD_DIRECTION, 0},
    {60, 11, 12, QUANTITY_ABSOLUTE_PRESSURE, FIELD_VALUE, 0},
    {62, 12, 11, QUANTITY_ABSOLUTE_PRESSURE, FIELD_VALUE, 0},
    // Relative thresholds come back already relative: shown without the correction.
    {64, 13, 14, QUANTITY_ABSOLUTE_PRESSURE, FIELD_VALUE, 0},
    {66, 14, 13, QUANTITY_ABSOLUTE_PRESSURE, FIELD_VALUE, 0},
    {69, 15, 17, -1, FIELD_VALUE, 0},
    {71, 16, 16, -1, FIELD_VALUE, 0},
    {73, 17, 19, -1, FIELD_VALUE, 0},
    {75, 18, 18, -1, FIELD_VALUE, 0},
    {77, 19, 20, QUANTITY_RAIN_1H, FIELD_RAIN, 0},
    {79, 20, 21, QUANTITY_RAIN_24H, FIELD_RAIN, 0},
};

// Kind of a written-and-confirmed reply and the pending slot it clears.
struct AlarmWritten {
    int kind;
    int slot;
};

const AlarmWritten kWrittenReplies[] = {
    {37, 1},  {39, 0},  {41, 3},  {43, 2},  {45, 5},  {47, 4},  {49, 7},  {51, 6},
    {53, 9},  {55, 8},  {57, 10}, {59, 12}, {63, 12}, {61, 11}, {65, 11}, {67, 13},
    {68, 15}, {70, 14}, {72, 17}, {74, 16}, {76, 18}, {78, 19},
};

float PayloadFloat(const UIRecord *r, int word) {
    float f;
    memcpy(&f, &r->payload[word], sizeof f);
    return f;
}

void ConfirmAlarmWritten(int slot) {
    UI_data.alarm_change_pending[slot] = 0;
    ShowAlarmEnables(&UI_data.alarm_enable);
    const int symbol = AlarmSymbolControl(slot);
    SetCtrlAttribute(korP, symbol, ATTR_DIMMED, 0);
    SetCtrlAttribute(korP, symbol, ATTR_VISIBLE, 1);
    ShowAlarmSymbol(slot);
}

void ShowAlarmReadBack(const AlarmReadBack &a, const UIRecord *r) {
    int index = -1;
    GetCtrlVal(set_alarmP, SETALARMP_INDEX, &index);
    if (index != a.index) return;
    memcpy(&UI_data.alarm_values[a.entry], r->payload, sizeof(AlarmEntry));
    if (a.field == FIELD_DIRECTION) {
        // The reply carries the mask in word 4; the entry keeps it in its direction_mask
        // word (word 3), where the alarm dialog looks for it.
        const uint32_t mask = r->payload[4];
        UI_data.alarm_values[a.entry].direction_mask = mask;
        for (int i = 0; i < 16; ++i) {
            SetCtrlAttribute(set_alarmP, SETALARMP_DIR_0 + i, ATTR_DIMMED, 0);
            SetCtrlVal(set_alarmP, SETALARMP_DIR_0 + i, static_cast<int>((mask >> i) & 1u));
        }
        SetCtrlAttribute(set_alarmP, SETALARMP_OK, ATTR_DIMMED, 0);
        return;
    }
    const float value = PayloadFloat(r, 2);
    double shown = value;
    if (a.quantity >= 0) shown = LocaliseMeasuredValues(a.quantity, &setup.units, &value)->value;
    if (a.round) shown = static_cast<double>(static_cast<long>(shown + (shown < 0 ? -0.5 : 0.5)));
    const int control = a.field == FIELD_TEMPERATURE ? SETALARMP_TEMP
                        : a.field == FIELD_RAIN      ? SETALARMP_RAIN
                                                     : SETALARMP_VALUE;
    SetCtrlVal(set_alarmP, control, shown);
    SetCtrlAttribute(set_alarmP, control, ATTR_DIMMED, 0);
    SetCtrlAttribute(set_alarmP, SETALARMP_OK, ATTR_DIMMED, 0);
    // The field was dimmed while the value was asked for: now it can take the cursor.
    SetActiveCtrl(set_alarmP, control);
}

void TakeAlarmReply(const UIRecord *r) {
    for (const AlarmWritten &w : kWrittenReplies) {
        if (w.kind != r->kind) continue;
        ConfirmAlarmWritten(w.slot);
        return;
    }
    for (const AlarmReadBack &a : kReadBacks) {
        if (a.kind != r->kind) continue;
        ShowAlarmReadBack(a, r);
        return;
    }
}

// A change that never reached the console: its lamp stops waiting (the flags read next
// show what the console holds) and the user is told to make it again, or, when the user
// gave it up, that it may not have arrived.
void TakeCommandFailed(const UIRecord *r) {
    const int code = static_cast<int>(r->payload[0]);
    for (int index = 0; index < kAlarmCount; ++index) {
        const AlarmRow *row = AlarmRowOf(index);
        if (row->write_code == code || row->second_code == code) ConfirmAlarmWritten(row->slot);
    }
    const CommandRecord flags = MakeCommandRecord(6);
    (void)SendCommandRecord(&flags);
    ReportCommandError(HeldChangeGivenUp() ? TXTP_CHANGE_GIVEN_UP : TXTP_COMMAND_FAILED);
}

}  // namespace

int AlarmReadBackEntry(int kind) {
    for (const AlarmReadBack &a : kReadBacks)
        if (a.kind == kind) return a.entry;
    return -1;
}

int AlarmWrittenSlot(int kind) {
    for (const AlarmWritten &w : kWrittenReplies)
        if (w.kind == kind) return w.slot;
    return -1;
}

void RegisterAlarmReplyListeners() {
    (void)ListenToUIRecords(37, 79, TakeAlarmReply);
    (void)ListenToUIRecords(UI_COMMAND_FAILED, UI_COMMAND_FAILED, TakeCommandFailed);
}
