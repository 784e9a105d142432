// Sending command records from the dialogs. The queue belongs to the communication
// thread and exists only while that thread runs, so a missing queue is an ordinary
// condition here (a serial port that could not be opened), not a programming error.
#include "windows/command_sender.h"

#include <cstring>

#include "windows/KOR.h"
#include "windows/kor_panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "station/comm/tsq_records.h"

namespace {
constexpr int kQueueWriteTimeoutMs = 100;
}

int SendCommandRecord(const CommandRecord *record) {
    if (record == nullptr || h_TSQ_to_CSM == 0) return -1;
    return CmtWriteTSQData(h_TSQ_to_CSM, record, 1, kQueueWriteTimeoutMs, nullptr) == 1 ? 0 : -1;
}

void ReportCommandNotSent() {
    char title[304];
    char message[304];
    GetPanelText(TXTP_ERROR_TITLE, title, sizeof title);
    GetPanelText(TXTP_COMMAND_NOT_SENT, message, sizeof message);
    MessagePopup(title, message);
}

CommandRecord MakeCommandRecord(int code) {
    CommandRecord record;
    memset(&record, 0, sizeof record);
    record.code = code;
    return record;
}
