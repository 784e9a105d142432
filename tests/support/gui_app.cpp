#include "support/gui_app.h"

#include <cstring>

#include "windows/kor_panels.h"
#include "app/startup.h"
#include "windows/widgets.h"
#include "platform/runtime.h"
#include "station/comm/tsq_records.h"

int LoadAppPanelsForTests(void (*adjust)(SetupRecord *)) {
    memset(&setup, 0, sizeof setup);
    SetSetupToDefault(&setup);
    if (adjust != nullptr) adjust(&setup);
    RegisterAppWidgets();
    RegisterAppCallbacks();
    return LoadInitAllPanels();
}

int OpenCommandQueueForTests() {
    CmtTSQHandle queue = 0;
    const int r = CmtNewTSQ(TSQ_CAPACITY, sizeof(CommandRecord), OPT_TSQ_AUTO_FLUSH_EXACT, &queue);
    if (r < 0) return r;
    h_TSQ_to_CSM = queue;
    return 0;
}

void CloseCommandQueueForTests() {
    if (h_TSQ_to_CSM != 0) CmtDiscardTSQ(h_TSQ_to_CSM);
    h_TSQ_to_CSM = 0;
}

std::vector<CommandRecord> TakeCommandsSent() {
    std::vector<CommandRecord> records;
    CommandRecord r;
    while (h_TSQ_to_CSM != 0 && CmtReadTSQData(h_TSQ_to_CSM, &r, 1, 0, 0) == 1)
        records.push_back(r);
    return records;
}
