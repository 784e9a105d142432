// The graphs window: the history file as stacked graphs on one time axis (temperatures,
// humidities, pressure, wind with its direction, rain per interval) and, on a second tab,
// its statistics. It follows the download while it is open, and the settings and the
// language whenever they change. Main thread only; the window exists while it is open
// and its data go with it when it is closed.
#pragma once

class QWidget;

enum GraphsRange { RANGE_DAY, RANGE_WEEK, RANGE_MONTH, RANGE_YEAR, RANGE_ALL, RANGE_COUNT };

// Main panel and history panel command (commit): opens the window on the last week, or
// brings it to the front.
int ShowGraphsWindow(int panel, int control, int event, void *callback_data, int event_data1,
                     int event_data2);
// Opens the window showing the given range, or brings the open one to the front and shows
// it there. Any other number opens on the last week, and leaves an open window's range.
void OpenGraphsWindow(int range);
// The open window, or nullptr.
QWidget *GraphsWindow();

// After a data set was appended or another history file was taken: reads what is new.
// A window that shows the newest data set keeps showing the newest; one on an older
// stretch stays there. Nothing happens while the window is closed.
void FollowHistoryFile();
// After the settings or the language may have changed: units, pressure kind, decimal
// separator, clock style and texts are taken anew when they differ from what is shown.
void RefreshGraphsWindow();

// Listens to the history file's records (4, 5, 6, 171), after the history view has taken
// them, and to the surface redraw.
void RegisterGraphsListeners();
