// One place that names every dialog's callbacks, called with the main window's own.
#include "windows/dialog_callbacks.h"

#include "windows/clear_dialogs.h"
#include "windows/settings_dialog.h"
#include "windows/alarm_dialog.h"
#include "windows/history_interval_dialog.h"

void RegisterDialogCallbacks() {
    RegisterAlarmDialogCallbacks();
    RegisterHistoryIntervalCallbacks();
    RegisterClearDialogCallbacks();
    RegisterSettingsDialogCallbacks();
}
