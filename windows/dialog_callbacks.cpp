// One place that names every dialog's callbacks, called with the main window's own.
#include "app/dialog_callbacks.h"

#include "app/clear_dialogs.h"
#include "app/settings_dialog.h"
#include "station/settings/alarm_dialog.h"
#include "station/settings/history_interval_dialog.h"

void RegisterDialogCallbacks() {
    RegisterAlarmDialogCallbacks();
    RegisterHistoryIntervalCallbacks();
    RegisterClearDialogCallbacks();
    RegisterSettingsDialogCallbacks();
}
