// What the communication thread prepares and releases besides the link: its
// measured-values record with the history file header, and the inter-thread queues.
#include "station/comm/comm_preparation.h"

#include "history/history_file.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_thread.h"
#include "station/comm/tsq_records.h"

int PrepareCommunicationRecords() {
    KORData *record = CommRecord();
    SetKORDataToDefault(record);
    const int history = InitFileHistoryHeader(&record->file_header, record->history_file_name);
    record->history_file_ok = history >= 0 ? 1 : 0;
    flag_new_history_file = history == HISTORY_FILE_CREATED ? 1 : 0;
    return history >= 0 ? 0 : 1;
}

void OpenCommunicationQueues() {
    // A queue that cannot be made leaves the thread without a way to report; it keeps
    // talking to the console all the same, and the user interface shows stale values.
    (void)CreateTSQs();
}

void AnnounceHistoryFile() {
    const KORData *record = CommRecord();
    SendHistoryFileRecord(record->history_file_name, &record->file_header,
                          sizeof record->file_header);
}

void ReleaseCommunicationQueues() { DiscardTSQs(); }
