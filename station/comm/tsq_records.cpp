#include "station/comm/tsq_records.h"

#include <cstdio>
#include <cstring>

#include "station/comm/comm_flags.h"

CmtTSQHandle h_TSQ_to_UI = 0;
CmtTSQHandle h_TSQ_to_CSM = 0;

static CmtTSQCallbackID ui_callback_id = 0;
static CmtTSQCallbackID csm_callback_id = 0;
static UIRecord ui_record;
static CmtTSQCallbackPtr ui_queue_reader = nullptr;

void SetUIQueueReader(CmtTSQCallbackPtr reader) { ui_queue_reader = reader; }

int CreateTSQs() {
    if (CmtNewTSQ(TSQ_CAPACITY, sizeof(UIRecord), OPT_TSQ_AUTO_FLUSH_EXACT, &h_TSQ_to_UI) < 0) {
        h_TSQ_to_UI = 0;
        return -1;
    }
    if (CmtNewTSQ(TSQ_CAPACITY, sizeof(CommandRecord), OPT_TSQ_AUTO_FLUSH_EXACT,
                  &h_TSQ_to_CSM) < 0) {
        h_TSQ_to_CSM = 0;
        DiscardTSQs();
        return -2;
    }
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
    if (h_TSQ_to_UI != 0) {
        if (ui_callback_id != 0) CmtUninstallTSQCallback(h_TSQ_to_UI, ui_callback_id);
        CmtDiscardTSQ(h_TSQ_to_UI);
    }
    if (h_TSQ_to_CSM != 0) {
        if (csm_callback_id != 0) CmtUninstallTSQCallback(h_TSQ_to_CSM, csm_callback_id);
        CmtDiscardTSQ(h_TSQ_to_CSM);
    }
    h_TSQ_to_UI = h_TSQ_to_CSM = 0;
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
