// Restarting the communication thread after the serial port or the history file was
// changed, and telling the user when the new port cannot be opened. The thread alone
// opens the port, and its start returns before it tries; a thread that could not open
// its port ends at once with the result 1, which a short watch on the settings panel's
// timer picks up.
#pragma once

// Stops the communication thread and starts it again on setup.com_port with
// setup.history_file, then watches its start.
void RestartCommunicationThread();
// Watches the communication thread just started on port for a few seconds.
void WatchCommunicationStart(int port);
// The watch's timer on the settings panel (timer tick).
int CommStartWatchTimer(int panel, int control, int event, void *callback_data,
                        int event_data1, int event_data2);
