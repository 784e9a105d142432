// What the communication thread prepares and releases besides the link: its
// measured-values record with the history file header, and the inter-thread queues. The
// queue functions are hook points for the queue module, which is not written yet; they
// create nothing until then.
#include "station/comm/comm_preparation.h"

#include "history/history_file.h"
#include "station/comm/comm_flags.h"
#include "station/comm/comm_thread.h"

int PrepareCommunicationRecords() {
    KORData *record = CommRecord();
    SetKORDataToDefault(record);
    const int history = InitFileHistoryHeader(&record->file_header, record->history_file_name);
    record->history_file_ok = history >= 0 ? 1 : 0;
    flag_new_history_file = history == HISTORY_FILE_CREATED ? 1 : 0;
    return history >= 0 ? 0 : 1;
}

void OpenCommunicationQueues() {
    // To come: CmtNewTSQ for h_TSQ_to_UI and h_TSQ_to_CSM (1000 records each, option 4)
    // and their items-in-queue callbacks (UI queue on the main thread, command queue on
    // this thread).
}

void AnnounceHistoryFile() {
    // To come: a UI record of kind 6 with the history file name and header.
}

void ReleaseCommunicationQueues() {
    // To come: uninstall both queue callbacks and discard both queues.
}
