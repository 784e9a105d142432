#include "support/link_thread.h"

#include "records/setup_record.h"
#include "platform/runtime.h"
#include "station/link/comm_flags.h"
#include "station/comm/comm_lifecycle.h"
#include "station/link/kor_requests.h"
#include "station/link/kor_state_machine.h"

namespace {

struct ThreadJob {
    const std::function<int()> *body;
};

int RunJob(void *data) {
    SetSleepPolicy(VAL_SLEEP_MORE);
    return (*static_cast<ThreadJob *>(data)->body)();
}

}  // namespace

int RunOnOwnThread(const std::function<int()> &body) {
    ThreadJob job{&body};
    CmtThreadFunctionID id = 0;
    if (CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, RunJob, &job, &id) != 0)
        return -1000;
    CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id,
                                           OPT_TP_PROCESS_EVENTS_WHILE_WAITING);
    return CmtGetThreadPoolFunctionReturnValue(id);
}

int RunWithStationLink(int port, const std::function<void()> &body) {
    return RunOnOwnThread([&] {
        const int opened = OpenStationLink(port);
        if (opened != 0) return opened;
        ResetStationLink();
        body();
        CloseStationLink();
        return 0;
    });
}

void ResetLinkFlags() {
    flag_quit = 0;
    flag_KOR_state_machine_busy = 0;
    flag_reception_pause = 0;
    DisarmReceptionTimer();
    FlushMessageInQueue();
    FlushMessageOutQueue();
    KOR_descriptor = KORDescriptor{};
    SetStationID(2);
}

int PumpUntilResult(double seconds) {
    const double deadline = Timer() + seconds;
    while (KOR_message_out_queue == 0 && Timer() < deadline) ProcessSystemEvents();
    return GetNextMessageOutQueue();
}

void PumpEvents(double seconds) {
    const double deadline = Timer() + seconds;
    while (Timer() < deadline) ProcessSystemEvents();
}
