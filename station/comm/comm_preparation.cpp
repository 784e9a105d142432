// Hook points of the communication thread's preparation and release that belong to the
// measured-values record, the history file and the inter-thread queues. Those modules
// are not part of the link; until they are written these functions prepare nothing, and
// say so through their results where a result exists.
#include "station/comm/comm_preparation.h"

int PrepareCommunicationRecords() {
    // To come: SetKORDataToDefault on the thread's record; InitFileHistoryHeader on its
    // history_file_name into its file_header; result >= 0: history_file_ok = 1; result
    // 1: flag_new_history_file = 1, else 0; negative: return 1.
    // Nothing is prepared yet, so the history file is reported as not usable.
    return 1;
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
