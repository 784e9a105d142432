#include "station/comm/tsq_records.h"

#include <cstdio>
#include <cstring>

#include "station/link/comm_flags.h"

std::atomic<CmtTSQHandle> h_TSQ_to_UI{0};
std::atomic<CmtTSQHandle> h_TSQ_to_CSM{0};

static CmtTSQCallbackID ui_callback_id = 0;
static CmtTSQCallbackID csm_callback_id = 0;
static UIRecord ui_record;
static CmtTSQCallbackPtr ui_queue_reader = nullptr;

void SetUIQueueReader(CmtTSQCallbackPtr reader) { ui_queue_reader = reader; }

int CreateTSQs() {
    CmtTSQHandle to_ui = 0;
    if (CmtNewTSQ(TSQ_CAPACITY, sizeof(UIRecord), OPT_TSQ_AUTO_FLUSH_EXACT, &to_ui) < 0)
        return -1;
    h_TSQ_to_UI = to_ui;
    CmtTSQHandle to_csm = 0;
    if (CmtNewTSQ(TSQ_CAPACITY, sizeof(CommandRecord), OPT_TSQ_AUTO_FLUSH_EXACT, &to_csm) < 0) {
        DiscardTSQs();
        return -2;
    }
    h_TSQ_to_CSM = to_csm;
    if ((ui_queue_reader != nullptr &&
         CmtInstallTSQCallback(h_TSQ_to_UI, EVENT_TSQ_ITEMS_IN_QUEUE, 1, ui_queue_reader, nullptr,
                               CmtGetMainThreadID(), &ui_callback_id) < 0) ||
        CmtInstallTSQCallback(h_TSQ_to_CSM, EVENT_TSQ_ITEMS_IN_QUEUE, 1, GetTSQ_to_CSMStatus,
                              nullptr, CmtGetCurrentThreadID(), &csm_callback_id) < 0) {
        DiscardTSQs();
        return -3;
    }
    return 0;
}

void DiscardTSQs() {
    // The handles are taken away before the queues go, so that the other thread sees
    // either a queue or none.
    const CmtTSQHandle to_ui = h_TSQ_to_UI.exchange(0);
    const CmtTSQHandle to_csm = h_TSQ_to_CSM.exchange(0);
    if (to_ui != 0) {
        if (ui_callback_id != 0) CmtUninstallTSQCallback(to_ui, ui_callback_id);
        CmtDiscardTSQ(to_ui);
    }
    if (to_csm != 0) {
        if (csm_callback_id != 0) CmtUninstallTSQCallback(to_csm, csm_callback_id);
        CmtDiscardTSQ(to_csm);
    }
    ui_callback_id = csm_callback_id = 0;
}

UIRecord *CommUIRecord() { return &ui_record; }

int SendUIRecord(int kind, const void *payload, size_t bytes, int timeout_ms) {
    if (h_TSQ_to_UI == 0) return -1;
    ui_record.kind = kind;
    if (payload != nullptr && bytes > 0) {
        if (bytes > sizeof ui_record.payload) bytes = sizeof ui_record.payload;
        memcpy(ui_record.payload, payload, bytes);
    }
    return CmtWriteTSQData(h_TSQ_to_UI, &ui_record, 1, timeout_ms, nullptr) == 1 ? 0 : -1;
}

int SendHistoryFileRecord(const char *path, const void *file_header, size_t bytes) {
    snprintf(ui_record.text, sizeof ui_record.text, "%s", path);
    return SendUIRecord(UI_HISTORY_FILE, file_header, bytes);
}

int SendLinkStateRecord(const char *device, const LinkStatePayload *state) {
    snprintf(ui_record.text, sizeof ui_record.text, "%s", device);
    return SendUIRecord(UI_LINK_STATE, state, sizeof *state);
}

void GetTSQ_to_CSMStatus(CmtTSQHandle queue, unsigned, int, void *) {
    int items = 0;
    if (CmtGetTSQAttribute(queue, ATTR_TSQ_ITEMS_IN_QUEUE, &items) < 0) return;
    if (items > 0) {
        flag_commands_waiting = 1;
        flag_polling_blocked = 1;
    }
}
