// The thread function of the communication thread. Everything that reaches the thread
// (serial arrivals, its timers, the command-queue callback) is delivered while it
// processes its events: in its main loop and inside every blocking request. So the
// loop itself only has to look at flags between event batches.
//
// The main loop is built to take two more calls, in this order, after each batch of
// events (see RunMainLoop): the polling cycle PollStationData and the command handler
// ReadFromTSQ_to_CSM. Between identification and the loop come the report of the
// identification to the user interface and the choice of the memory map.
#include "station/comm/comm_thread.h"

#include "platform/runtime.h"
#include "station/comm/comm_flags.h"
#include "station/comm/comm_lifecycle.h"
#include "station/link/kor_requests.h"

std::atomic<unsigned> comm_thread_id{0};

int ReadStationIdentification(uint8_t *id) {
    const int result = GetIDFromKOR();
    if (result != 0) return result;
    *id = KOR_descriptor.id_byte & 0x3F;
    return 0;
}

// Reads until a read succeeds. 0, or -1 when flag_quit ended the attempts.
static int ReadIdentificationUntilSuccess(uint8_t *id) {
    while (flag_quit.load() == 0) {
        if (ReadStationIdentification(id) == 0) return 0;
    }
    return -1;
}

int IdentifyStation(uint8_t *id) {
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
        // Polling cycle, once it exists (record: the thread's measured-values record):
        //   if ((flag_data_due != 0 || record->station_header.to_read != 0) &&
        //       flag_polling_blocked == 0 && flag_reception_pause == 0) {
        //       PollStationData(record);
        //       flag_first_refresh_loop = 0;
        //   }
        // Command handling, once it exists:
        //   if (flag_commands_waiting == 1) ReadFromTSQ_to_CSM();
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
        // Next, once the queues and the memory maps exist: send a UI record of kind 3
        // with id (the user interface stores it as station_id), then choose the memory
        // map: id 1 the mask 7 map, any other the mask 8 map.
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
