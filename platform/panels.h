// Panels and controls from the resource file "KOR.uir", under the names the system was
// written against. Widgets are Qt widgets on the main thread; a panel loaded by another
// thread holds its timers only, and they run on that thread.
//
// ---- The resource file ------------------------------------------------------------------
// "KOR.uir" is a Qt Designer .ui XML file. Its top-level widget is only a container; each
// of its direct child widgets (directly or inside the container's layout) that carries the
// dynamic property `resourceId` (int) is one panel, for example:
//
//   <ui version="4.0">
//    <widget class="QWidget" name="resources">
//     <widget class="QWidget" name="korP">
//      <property name="resourceId" stdset="0"><number>1</number></property>
//      <property name="windowTitle"><string>Clear Horizon</string></property>
//      <property name="callback" stdset="0"><string>MainPanelCallback</string></property>
//      <widget class="QPushButton" name="quitButton">
//       <property name="ctrlId" stdset="0"><number>3</number></property>
//       <property name="callback" stdset="0"><string>Quit</string></property>
//       <property name="text"><string>Quit</string></property>
//      </widget>
//      <widget class="CVITimer" name="blinkTimer">
//       <property name="ctrlId" stdset="0"><number>9</number></property>
//       <property name="callback" stdset="0"><string>BlinkTimer</string></property>
//       <property name="interval" stdset="0"><double>0.5</double></property>
//       <property name="enabled"><bool>true</bool></property>
//      </widget>
//     </widget>
//    </widget>
//   </ui>
//
// - A panel's objectName is its name (korP); its resource number is `resourceId`. An
//   optional `callback` on the panel receives EVENT_CLOSE (control 0) when the user closes
//   its window; the window then stays open and the callback decides. Without one, closing
//   hides the panel.
// - A control is any widget inside a panel with the dynamic property `ctrlId` (int, the
//   constant from windows/KOR.h, unique within its panel) and optionally `callback` (string:
//   a name given to RegisterCallback; looked up when the event happens).
// - Timers are widgets of the custom class `CVITimer` with `ctrlId`, `callback`,
//   `interval` (double, seconds; 1.0 when absent) and `enabled` (bool; true when absent).
// - A QTableWidget with the bool property `fitColumns` sizes its columns to their contents;
//   with `fillRows` its rows share its height; with `pagedBy` (int: the ctrlId of a scroll
//   bar of its panel) the wheel, Page Up/Down and Ctrl+Home/End on it move that scroll bar.
// - Other classes come from Qt, or from RegisterWidgetClass (gauges and other custom
//   widgets); a custom widget's value is its Qt property `value` (or `text`).
// - Property values are given as <number>, <double>, <bool>, <string> or <cstring>.
// The file is looked up in $CH_RESOURCE_DIR when set and the file is there, else beside
// the executable (GetProjectDir); a file name with a '/' is used as it stands.
#pragma once

class QWidget;

// Events delivered to control callbacks.
constexpr int EVENT_COMMIT = 1;
constexpr int EVENT_VAL_CHANGED = 2;
constexpr int EVENT_LEFT_CLICK = 3;
constexpr int EVENT_LEFT_DOUBLE_CLICK = 4;
constexpr int EVENT_RIGHT_CLICK = 5;
constexpr int EVENT_CLOSE = 11;
constexpr int EVENT_TIMER_TICK = 15;

// Control attributes.
constexpr int ATTR_DIMMED = 1;        // int: 1 disabled
constexpr int ATTR_VISIBLE = 2;       // int
constexpr int ATTR_INTERVAL = 3;      // timers, double seconds
constexpr int ATTR_ENABLED = 4;       // timers, int
constexpr int ATTR_LABEL_TEXT = 5;    // string: button text, group title, buddy label, or
                                      // a custom widget's `label` property
constexpr int ATTR_TEXT_COLOR = 6;    // int 0xRRGGBB
constexpr int ATTR_CTRL_VAL = 7;      // as SetCtrlVal / GetCtrlVal
constexpr int ATTR_TOOLTIP_TEXT = 8;  // string
constexpr int ATTR_TITLE = 9;         // panels: string window title
constexpr int ATTR_TEXT_BGCOLOR = 10; // int 0xRRGGBB
constexpr int ATTR_MIN_VALUE = 11;    // numeric controls
constexpr int ATTR_MAX_VALUE = 12;
constexpr int ATTR_PRECISION = 13;    // int: decimals of a double spin box or a number text
constexpr int ATTR_PAGE_STEP = 14;    // int: scroll bars and sliders, the step of a page
// Strings for screen readers: the name that says what the control is (a label beside it
// names a field without it), and the description that says what state it is in. A
// label's name is read before its text.
constexpr int ATTR_ACCESSIBLE_NAME = 44;
constexpr int ATTR_ACCESSIBLE_DESCRIPTION = 45;

constexpr int MakeColor(int red, int green, int blue) {
    return ((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF);
}

// Negative results, one per kind of failure.
constexpr int kUIErrFile = -1;       // resource file missing or unreadable
constexpr int kUIErrPanel = -2;      // no such panel (resource number or handle)
constexpr int kUIErrControl = -3;    // no control with that id on the panel
constexpr int kUIErrAttribute = -4;  // attribute or value type not offered by the control
constexpr int kUIErrThread = -5;     // panel belongs to another thread, or widgets asked
                                     // for off the main thread
constexpr int kUIErrParse = -6;      // resource file is not a readable .ui file
constexpr int kUIErrValue = -7;      // value not accepted (text not a number, no such item)

using CtrlCallbackPtr = int (*)(int panel, int control, int event, void *callback_data,
                                int event_data1, int event_data2);

// Makes a callback known under the name the resource file uses for it.
void RegisterCallback(const char *name, CtrlCallbackPtr callback);

// Lets the resource file use a widget class of windows/ (a gauge, a trend arrow): factory
// makes one as a child of parent. Call before LoadPanel.
using WidgetFactory = QWidget *(*)(QWidget *parent);
void RegisterWidgetClass(const char *class_name, WidgetFactory factory);

// On the main thread: builds the panel's widgets (hidden until displayed). On any other
// thread: builds no widget; the panel holds the panel's timers, owned by that thread.
// parent 0 makes a window; a panel handle makes the new panel a child of that panel.
// Returns a panel handle > 0, or a negative code.
int LoadPanel(int parent, const char *file_name, int resource_id);
// Panels, controls and timers belong to the loading thread; calls from another thread
// get kUIErrThread. Discarding also discards the panel's child panels.
int DiscardPanel(int panel);
int DisplayPanel(int panel);
int HidePanel(int panel);
// Resizes the panel's window to the size the resource file gives it, or larger where its
// contents need more room: after its texts changed, it grows for longer ones and shrinks
// back for shorter ones.
int FitPanelToContents(int panel);
// The width the panel's contents need at least with the texts they hold now.
int GetPanelContentsWidth(int panel, int *width);
// Makes the panel at least this wide from now on, whatever its texts (FitPanelToContents
// keeps to it), and fits it.
int SetPanelLeastWidth(int panel, int width);
// Windows keep their size and place between runs: saved (on the orderly quit) into the
// "windows" group of an INI file, and taken back when each is first shown in the next
// run. A window without a saved place opens centred over the window in front, wholly on
// the screen. 0 on success.
int SaveWindowPlaces(const char *ini_path);
int LoadWindowPlaces(const char *ini_path);
// Shows the panel as a modal pop-up (the rest of the program's windows take no input
// until it is removed), centred over the window in front each time and wholly on its
// screen; returns at once.
int InstallPopup(int panel);
// all != 0 removes every pop-up, otherwise the last one installed.
int RemovePopup(int all);
int SetPanelAttribute(int panel, int attribute, int value);  // ATTR_VISIBLE, ATTR_DIMMED
int SetPanelAttribute(int panel, int attribute, const char *value);  // ATTR_TITLE
int GetPanelAttribute(int panel, int attribute, int *value);  // ATTR_VISIBLE, ATTR_DIMMED

// ---- Timers -------------------------------------------------------------------------------
// A timer calls callback(panel, control, EVENT_TIMER_TICK, nullptr, 0, event_data2) on the
// thread that loaded its panel, every interval while enabled, whenever that thread
// processes its events. event_data2 is the time since the timer's previous callback (or,
// for the first one, since the timer was loaded enabled or last enabled) in whole
// milliseconds; TimerTickSeconds gives it in seconds. Ticks missed while the thread was
// busy are not made up one by one: the next callback carries the whole time.
double TimerTickSeconds(int event_data2);
// Starts the timer's interval anew from now (when enabled; a disabled timer starts its
// interval when it is enabled).
int ResetTimer(int panel, int control);
// Stops and restarts delivery of the timer callbacks of the calling thread's panels.
// Ticks while suspended are dropped; their time counts into the next callback's time.
int SuspendTimerCallbacks();
int ResumeTimerCallbacks();

// ---- Controls -----------------------------------------------------------------------------
// Callbacks receive EVENT_COMMIT from buttons (click), check boxes and radio buttons,
// combo boxes, spin boxes and sliders (each after EVENT_VAL_CHANGED) and line edits (on
// Return or leaving them after an edit); EVENT_LEFT_CLICK (the left button pressed),
// EVENT_LEFT_DOUBLE_CLICK and EVENT_RIGHT_CLICK (event_data1 y, event_data2 x) from any
// control with a callback. A label or picture with a callback is there to be clicked:
// the pointer becomes a hand over it, Tab reaches it, and Space or Enter on it (or a
// screen reader's press) is a left click in its middle. Values set by the program raise
// no event.
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, double value);
int SetCtrlAttribute(int panel, int control, int attribute, const char *value);
int GetCtrlAttribute(int panel, int control, int attribute, int *value);
int GetCtrlAttribute(int panel, int control, int attribute, double *value);

// Number fields with decimals (double spin boxes) of every panel, and of those loaded
// later, show and take a decimal comma when comma is nonzero, else a decimal point.
// Main thread.
void SetNumberFieldsDecimalComma(int comma);

// Values by widget: check boxes, radio buttons and checkable buttons 0/1; combo boxes the
// current item's value (its position unless InsertListItem gave one); spin boxes,
// sliders and progress bars their number; labels, line edits and text edits their text
// (numbers are written as text and read back from it).
// Runs the control's callback with the event, as a user's action on it would. 0, or
// negative when the panel or control is unknown.
int CallCtrlCallback(int panel, int control, int event, int data1, int data2);
// Gives the control the keyboard focus (the cursor goes into a field). 0 or negative.
int SetActiveCtrl(int panel, int control);
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char *value);
int GetCtrlVal(int panel, int control, int *value);
int GetCtrlVal(int panel, int control, double *value);
// Copies at most size-1 characters and always terminates.
int GetCtrlString(int panel, int control, char *buffer, int size);

// List items of combo boxes. index -1 appends.
int ClearListCtrl(int panel, int control);
int InsertListItem(int panel, int control, int index, const char *label, int value);
int GetNumListItems(int panel, int control, int *count);
int GetCtrlIndex(int panel, int control, int *index);
int SetCtrlIndex(int panel, int control, int index);

// Tables (QTableWidget). Cells, rows and columns count from 1, as cell.x the column and
// cell.y the row. A cell is written as text and read back as text.
struct Point {
    int x;
    int y;
};
constexpr Point MakePoint(int x, int y) { return Point{x, y}; }
int SetTableCellVal(int panel, int control, Point cell, const char *value);
int GetTableCellVal(int panel, int control, Point cell, char *buffer, int size);
// Only ATTR_LABEL_TEXT: the text in the row's or column's header.
int SetTableRowAttribute(int panel, int control, int row, int attribute, const char *value);
int SetTableColumnAttribute(int panel, int control, int column, int attribute,
                            const char *value);
// Only ATTR_CELL_JUSTIFY: how the column's cells, present and future, place their text.
constexpr int ATTR_CELL_JUSTIFY = 15;
constexpr int VAL_LEFT_JUSTIFIED = 0;
constexpr int VAL_CENTER_JUSTIFIED = 1;
constexpr int VAL_RIGHT_JUSTIFIED = 2;
int SetTableColumnAttribute(int panel, int control, int column, int attribute, int value);
// index: the row before which the new rows go; -1 appends. count -1 deletes to the end.
int InsertTableRows(int panel, int control, int index, int count);
int DeleteTableRows(int panel, int control, int index, int count);
int GetNumTableRows(int panel, int control, int *rows);
int GetNumTableColumns(int panel, int control, int *columns);

// The main thread's event loop, until QuitUserInterface (from any thread); returns the
// code given there. Closing the last window does not end it: panel callbacks decide.
int RunUserInterface();
int QuitUserInterface(int code);
