#include "windows/setup_messages.h"

#include <cstdio>

#include "windows/KOR.h"
#include "windows/kor_panels.h"
#include "windows/link_display.h"
#include "records/setup_record.h"
#include "windows/text_fields.h"
#include "platform/popups.h"
#include "records/queue_records.h"

namespace {
// Every text of the texts panel fits, whatever its letters: limits count bytes.
constexpr int kTextSize = 304;

int RemedyText(int32_t reason) {
    if (reason == LINK_REASON_MISSING) return TXTP_COMPORT_REMEDY_MISSING;
    if (reason == LINK_REASON_ACCESS) return TXTP_COMPORT_REMEDY_ACCESS;
    return TXTP_COMPORT_REMEDY_OTHER;
}
}  // namespace

void MsgErrorSaveSetup() {
    char title[kTextSize];
    char message[kTextSize];
    GetPanelText(TXTP_ERROR_TITLE, title, sizeof title);
    GetPanelText(TXTP_SAVE_SETUP_FAILED, message, sizeof message);
    MessagePopup(title, message);
}

std::string ComportMessageText(int port, const char *device, int32_t reason) {
    char pattern[kTextSize];
    char port_name[16];
    char why[kTextSize];
    char remedy[kTextSize];
    GetPanelText(TXTP_COMPORT_MESSAGE, pattern, sizeof pattern);
    GetPanelText(LinkReasonText(reason), why, sizeof why);
    GetPanelText(RemedyText(reason), remedy, sizeof remedy);
    snprintf(port_name, sizeof port_name, "COM%d", port);
    const TextField fields[] = {{"port", port_name}, {"device", device}, {"reason", why}};
    return FillTextFields(pattern, fields, 3) + "\n\n" + remedy;
}

void MsgErrorComport(int port, const char *device, int32_t reason) {
    char title[kTextSize];
    GetPanelText(TXTP_ERROR_TITLE, title, sizeof title);
    MessagePopup(title, ComportMessageText(port, device, reason).c_str());
}

int SaveSetupOrReport() {
    const int r = SaveSetup(&setup);
    if (r != 0) MsgErrorSaveSetup();
    return r;
}
