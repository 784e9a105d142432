// The communication thread's resources live from its preparation to its release, both
// on that thread: the port and the timer panel must be created there so that their
// callbacks are delivered there. The constructor and destructor run on the main thread
// and share only flag_quit, the thread record and the function identifier with it.
#include "station/comm/comm_lifecycle.h"
#include "station/comm/polling_cycle.h"

#include "station/link/comm_timers.h"
#include "platform/panels.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_preparation.h"
#include "station/comm/comm_thread.h"
#include "station/link/kor_state_machine.h"
#include "station/comm/link_watch.h"
#include "station/link/kor_requests.h"
#include "station/link/kor_rs232.h"

CommThreadRecord comm_thread_record;
CmtThreadFunctionID comm_thread_function_id = 0;

static constexpr double kQuitGrace = 0.1;  // s given to the thread to see flag_quit

int StateMaschineConstructor(int port) {
    flag_quit = 0;
    comm_thread_record.thread_status = THREAD_SCHEDULED;
    comm_thread_record.port = port;
    return CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, StateMaschineMain,
                                         &comm_thread_record, &comm_thread_function_id);
}

int StateMaschineDestructor() {
    flag_quit = 1;
    // The thread may be waiting for an event (a reply, a 3 s time-out); wake it so that
    // it sees the flag at once instead of at its next timer tick.
    const unsigned thread = comm_thread_id.load();
    if (thread != 0) WakeThread(thread);
    Delay(kQuitGrace);
    return CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE,
                                                  comm_thread_function_id,
                                                  OPT_TP_PROCESS_EVENTS_WHILE_WAITING);
}

static void StopTimer(int control) {
    SetCtrlAttribute(timer_panel, control, ATTR_ENABLED, 0);
    ResetTimer(timer_panel, control);
}

int LoadLinkTimers() {
    RegisterCallback("KOR_Timeout", KOR_Timeout);
    RegisterCallback("DataPolling", DataPolling);
    RegisterCallback("PollingData", PollingData);
    RegisterCallback("PreventHFReceptionTimer", PreventHFReceptionTimer);
    const int panel = LoadPanel(0, "KOR.uir", TIMERP);
    if (panel < 0) return -1;
    timer_panel = panel;
    StopTimer(TIMERP_DATAPOLL);
    StopTimer(TIMERP_RESPONSE);
    DisarmReceptionTimer();  // a plan of the panel before has no tick to come
    return 0;
}

int OpenStationLink(int port) {
    if (InitCommunication(port) < 0) return -1;
    if (LoadLinkTimers() < 0) {
        // Without its timers the link cannot time out; do not leave the port open on a
        // thread that is about to end.
        EndCommunication();
        return -2;
    }
    return 0;
}

void ResetStationLink() {
    FlushMessageInQueue();
    FlushMessageOutQueue();
    InitStateVariable(&KOR_state);
    KOR_TransitToState(&KOR_state.state);
}

void CloseStationLink() {
    if (timer_panel > 0) StopTimer(TIMERP_DATAPOLL);
    FlushMessageInQueue();
    FlushMessageOutQueue();
    EndCommunication();
    if (timer_panel > 0) DiscardPanel(timer_panel);
    timer_panel = 0;
}

int InitStateMaschine(CommThreadRecord *record) {
    const int history = PrepareCommunicationRecords();

    flag_polling_blocked = 1;
    flag_reception_pause = 0;
    flag_KOR_state_machine_busy = 0;
    flag_first_refresh_loop = 1;
    flag_set_eeprom_trigger_request = 0;
    // A thread restarted after one that stopped in the middle of a cycle must not resume
    // that cycle: it would skip the clock and answer commands with stamps in the PC's
    // time instead of the console's until the next full cycle.
    polling_step = 0;
    polling_resume_step = 0;
    flag_data_due = 0;
    flag_commands_waiting = 0;
    reception_skip_count = 8;

    // The port itself is opened by the thread's link loop, which waits while it cannot
    // be opened; only the timers are needed here.
    if (LoadLinkTimers() < 0) return -2;
    ResetLinkWatch();

    OpenCommunicationQueues();
    ResetStationLink();
    AnnounceHistoryFile();
    record->thread_status = THREAD_RUNNING;
    return history == 0 ? 0 : 1;
}

int ClearStateMaschine(CommThreadRecord *record) {
    flag_polling_blocked = 1;
    CloseStationLink();
    ReleaseCommunicationQueues();
    record->thread_status = THREAD_RELEASED;
    return 0;
}
