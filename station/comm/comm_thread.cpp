// The thread function of the communication thread. Everything that reaches the thread
// (serial arrivals, its timers, the command-queue callback) is delivered while it
// processes its events: in its main loop and inside every blocking request. So the
// loop itself only has to look at flags between event batches.
//
// After each batch of events the main loop runs the polling cycle when a group is due
// (or history is still to fetch) and nothing blocks it, then the waiting commands.
#include "station/comm/comm_thread.h"

#include "platform/runtime.h"
#include "station/comm/comm_flags.h"
#include "station/comm/comm_lifecycle.h"
#include "station/comm/command_handling.h"
#include "station/comm/polling_cycle.h"
#include "station/comm/tsq_records.h"
#include "station/data/kor_memory_map.h"
#include "station/data/kor_readers.h"
#include "station/link/kor_requests.h"

std::atomic<unsigned> comm_thread_id{0};

static KORData comm_record;

KORData *CommRecord() { return &comm_record; }

// Reads until a read succeeds. 0, or -1 when flag_quit ended the attempts.
static int ReadIdentificationUntilSuccess(uint8_t *id) {
    while (flag_quit.load() == 0) {
        if (KOR_ReadID(id) == 0) return 0;
    }
    return -1;
}

// Identification until two successful reads agree; 0 with *id set, or -1 when flag_quit
// ended the attempts.
static int IdentifyStation(uint8_t *id) {
    while (flag_quit.load() == 0) {
        uint8_t first = 0;
        uint8_t second = 0;
        if (ReadIdentificationUntilSuccess(&first) != 0) return -1;
        if (ReadIdentificationUntilSuccess(&second) != 0) return -1;
        if (first == second) {
            *id = first;
            return 0;
        }
    }
    return -1;
}

static void RunMainLoop() {
    while (flag_quit.load() == 0) {
        ProcessSystemEvents();
        KORData *record = CommRecord();
        if ((flag_data_due != 0 || HistoryDataSetsDue(record)) &&
            flag_polling_blocked == 0 && flag_reception_pause == 0) {
            PollStationData(record);
            flag_first_refresh_loop = 0;
        }
        if (flag_commands_waiting == 1) ReadFromTSQ_to_CSM();
    }
}

// Handles what is already pending without waiting for more: on the way out nothing new
// is expected, and a wait would only delay the end of the thread.
static void ProcessPendingEvents() {
    SetSleepPolicy(VAL_SLEEP_NONE);
    ProcessSystemEvents();
}

int StateMaschineMain(void *data) {
    auto *record = static_cast<CommThreadRecord *>(data);
    comm_thread_id = CmtGetCurrentThreadID();
    SetSleepPolicy(VAL_SLEEP_MORE);

    flag_KOR_state_machine_busy = 1;
    if (InitStateMaschine(record) < 0) {
        comm_thread_id = 0;
        CmtExitThreadPoolThread(1);
    }
    flag_KOR_state_machine_busy = 0;
    flag_polling_blocked = 0;
    flag_reception_pause = 0;
    record->thread_status = THREAD_RUNNING;

    uint8_t id = 0;
    if (IdentifyStation(&id) == 0) {
        SendUIRecord(UI_STATION_ID, &id, sizeof id);
        SelectKORMemoryMap(id);
        RunMainLoop();
    }

    flag_polling_blocked = 1;
    FlushMessageInQueue();
    ProcessPendingEvents();
    ClearStateMaschine(record);
    ProcessPendingEvents();
    comm_thread_id = 0;
    return 0;
}
