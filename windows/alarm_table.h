// The 22 alarms of the alarm dialog in one table: which command reads a threshold back
// and which writes it, how the threshold is shown, and which flag, pending slot and
// main-panel controls belong to it. Index = the dialog's alarm index.
#pragma once

constexpr int kAlarmCount = 22;

enum AlarmKind {
    ALARM_KIND_TEMPERATURE,  // temperature field
    ALARM_KIND_VALUE,        // shared field: wind speed, humidity, pressure
    ALARM_KIND_RAIN,         // rain field
    ALARM_KIND_DIRECTION,    // the sixteen direction boxes
    ALARM_KIND_STORM,        // on/off only
};

enum AlarmSense { ALARM_LOW, ALARM_HIGH, ALARM_OTHER };

struct AlarmRow {
    int read_code;         // 0: nothing to read back
    int write_code;
    int second_code;       // the relative-pressure write that follows, 0 for none
    int quantity;          // of LocaliseMeasuredValues for the threshold shown at opening
    int entry;             // alarm_values entry shown at opening
    int compare_entry;     // entry the read-back fills (what the user sees)
    int compare_quantity;  // how the read-back is shown; -1: the number as it is
    int flag;              // alarm_enable flag
    int slot;              // alarm_change_pending slot
    int kind;              // AlarmKind
    int sense;             // AlarmSense
    int pressure_kind;     // PRESSURE_KIND_* of the number entered (pressure rows only)
    int label;             // main-panel label naming the quantity
    int group;             // main-panel group box around it, 0 for none
};

// The row of an alarm index, nullptr outside 0..21.
const AlarmRow *AlarmRowOf(int index);
