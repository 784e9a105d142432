// The program's entry and exit: start-up in its fixed order, the event loop, and the
// orderly quit that lets the communication thread finish first. main() only calls
// RunClearHorizon; tests drive StartClearHorizon and Quit directly.
#pragma once

// Start-up results besides 0 (the event loop may run).
constexpr int kStartFailed = -1;           // engine, second copy, or panels
constexpr int kStartNoCurrentData = -10;   // the current-data list cannot be made

// Steps of start-up up to the event loop. 0 when the event loop may run.
int StartClearHorizon(int argc, char *argv[]);
// Start-up, event loop, result of main.
int RunClearHorizon(int argc, char *argv[]);

// The quit command of the main panel (commit), also run when the main window is closed
// and on SIGINT and SIGTERM. Returns 0.
int Quit(int panel, int control, int event, void *callback_data, int event_data1,
         int event_data2);

// The settings panel's timer: refreshes "currdat.lst" and takes the next interval.
int CurrentDataRefreshTimer(int panel, int control, int event, void *callback_data,
                            int event_data1, int event_data2);

// The main panel's own callback: closing the window quits like the quit command.
int MainPanelCallback(int panel, int control, int event, void *callback_data, int event_data1,
                      int event_data2);

// Makes SIGINT and SIGTERM ask for the orderly quit; the request is carried out on the
// main thread by the next blink-timer tick. QuitRequested is 1 once a signal came.
void InstallQuitSignals();
int QuitRequested();
// Makes every callback of the panels known under its resource-file name, and registers
// the views as listeners of the UI records they show.
void RegisterAppCallbacks();
