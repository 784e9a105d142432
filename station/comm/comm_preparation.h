// The parts of the communication thread's start and end that belong to its records
// rather than to the link: the measured-values record with its history file header, and
// the two queues to and from the user interface. The life cycle calls them at fixed
// points (see comm_lifecycle.cpp).
#pragma once

// Fills the communication thread's measured-values record with its defaults and
// prepares its history file header from the history file named in it, setting
// history_file_ok and flag_new_history_file. 0, or 1 when the history file could not be
// prepared (the thread runs on without history downloads).
int PrepareCommunicationRecords();
// Creates the UI queue and the command queue and installs their callbacks.
void OpenCommunicationQueues();
// Tells the user interface which history file (and header) the thread uses.
void AnnounceHistoryFile();
// Uninstalls the queue callbacks and discards both queues.
void ReleaseCommunicationQueues();
