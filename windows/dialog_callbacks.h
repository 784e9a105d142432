// Makes the callbacks of the program's dialogs known under their resource-file names:
// alarm, history interval, clear-min/max, clear-general-alarm and settings dialogs.
#pragma once

void RegisterDialogCallbacks();
