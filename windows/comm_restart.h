// Restarting the communication thread after the serial port or the history file was
// changed, and telling the user when the port cannot be opened. The thread alone opens
// the port, and its start returns before it tries; the thread reports the link's state
// a moment later (UI kind 150), and a short watch on the settings panel's timer shows
// the port message when that first report says the port cannot be opened. The thread
// itself goes on trying.
#pragma once

// Stops the communication thread and starts it again on setup.com_port with
// setup.history_file, then watches its start.
void RestartCommunicationThread();
// Watches the communication thread just started for a few seconds.
void WatchCommunicationStart();
// The watch's timer on the settings panel (timer tick).
int CommStartWatchTimer(int panel, int control, int event, void *callback_data,
                        int event_data1, int event_data2);
