#include "app/setup_messages.h"

#include <cstdio>

#include "app/KOR.h"
#include "app/kor_panels.h"
#include "app/setup_record.h"
#include "platform/popups.h"

namespace {
constexpr int kTextSize = 104;
}  // namespace

void MsgErrorSaveSetup() {
    char title[kTextSize];
    char message[kTextSize];
    GetPanelText(TXTP_ERROR_TITLE, title, sizeof title);
    GetPanelText(TXTP_SAVE_SETUP_FAILED, message, sizeof message);
    MessagePopup(title, message);
}

void MsgErrorComport(const int *port) {
    char title[kTextSize];
    char prefix[kTextSize];
    char suffix[kTextSize];
    char message[kTextSize];
    GetPanelText(TXTP_ERROR_TITLE, title, sizeof title);
    GetPanelText(TXTP_COMPORT_PREFIX, prefix, sizeof prefix);
    GetPanelText(TXTP_COMPORT_SUFFIX, suffix, sizeof suffix);
    // A longer message is cut at 103 characters: that is all the message holds.
    if (snprintf(message, sizeof message, "%s COM%i%s", prefix, *port, suffix) < 0)
        message[0] = '\0';
    MessagePopup(title, message);
}

int SaveSetupOrReport() {
    const int r = SaveSetup(&setup);
    if (r != 0) MsgErrorSaveSetup();
    return r;
}
