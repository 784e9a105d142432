// Panels and controls from the resource file "KOR.uir" (Qt Designer XML). A panel is a
// top-level widget of the file with a resource number; its controls are reached through
// the integer ids of app/KOR.h. Callbacks are named in the resource and bound to the
// functions registered under those names. A panel loaded on another thread than the main
// thread may hold timers only; they run on the loading thread.
#pragma once

// Events delivered to control callbacks.
constexpr int EVENT_COMMIT = 1;
constexpr int EVENT_VAL_CHANGED = 2;
constexpr int EVENT_LEFT_DOUBLE_CLICK = 4;
constexpr int EVENT_RIGHT_CLICK = 5;
constexpr int EVENT_TIMER_TICK = 15;

// Control attributes.
constexpr int ATTR_DIMMED = 1;
constexpr int ATTR_VISIBLE = 2;
constexpr int ATTR_INTERVAL = 3;      // timers, double seconds
constexpr int ATTR_ENABLED = 4;       // timers, int
constexpr int ATTR_LABEL_TEXT = 5;
constexpr int ATTR_TEXT_COLOR = 6;
constexpr int ATTR_CTRL_VAL = 7;
constexpr int ATTR_TOOLTIP_TEXT = 8;

using CtrlCallbackPtr = int (*)(int panel, int control, int event, void *callback_data,
                                int event_data1, int event_data2);

// Makes a callback known under the name the resource file uses for it.
void RegisterCallback(const char *name, CtrlCallbackPtr callback);

// The resource file is looked up beside the executable (or in $CH_RESOURCE_DIR).
// Returns a panel handle > 0, or a negative code when the file or the panel is missing.
int LoadPanel(int parent, const char *file_name, int resource_id);
int DiscardPanel(int panel);
int DisplayPanel(int panel);
int HidePanel(int panel);
int InstallPopup(int panel);
int RemovePopup(int all);

int ResetTimer(int panel, int control);
int SuspendTimerCallbacks();
int ResumeTimerCallbacks();

int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, double value);
int SetCtrlAttribute(int panel, int control, int attribute, const char *value);
int GetCtrlAttribute(int panel, int control, int attribute, int *value);
int GetCtrlAttribute(int panel, int control, int attribute, double *value);

int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char *value);
int GetCtrlVal(int panel, int control, int *value);
int GetCtrlVal(int panel, int control, double *value);
// Copies at most size-1 characters and always terminates.
int GetCtrlString(int panel, int control, char *buffer, int size);

int RunUserInterface();
int QuitUserInterface(int code);
