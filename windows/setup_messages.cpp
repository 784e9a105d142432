#include "windows/setup_messages.h"

#include <cstdio>

#include "windows/KOR.h"
#include "windows/kor_panels.h"
#include "windows/link_display.h"
#include "records/setup_record.h"
#include "windows/text_fields.h"
#include "platform/device_access.h"
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

// For a refused device, the remedy that fits its owner, group and mode and this user.
std::string AccessRemedy(const char *device) {
    char group[64];
    const int remedy = ExamineDeviceAccess(device, group, sizeof group);
    int text = TXTP_COMPORT_REMEDY_ACCESS;
    if (remedy == ACCESS_REMEDY_JOIN_GROUP) text = TXTP_COMPORT_REMEDY_JOIN;
    if (remedy == ACCESS_REMEDY_NEW_LOGIN) text = TXTP_COMPORT_REMEDY_RELOGIN;
    if (remedy == ACCESS_REMEDY_UDEV_RULE) text = TXTP_COMPORT_REMEDY_UDEV;
    char pattern[kTextSize];
    GetPanelText(text, pattern, sizeof pattern);
    const TextField fields[] = {{"group", group}, {"device", device}};
    return FillTextFields(pattern, fields, 2);
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
    const std::string fitting = reason == LINK_REASON_ACCESS ? AccessRemedy(device) : remedy;
    return FillTextFields(pattern, fields, 3) + "\n\n" + fitting;
}

void MsgErrorComport(int port, const char *device, int32_t reason) {
    char title[kTextSize];
    GetPanelText(TXTP_ERROR_TITLE, title, sizeof title);
    KeyedMessagePopup(MESSAGE_KEY_PORT_ERROR, title, ComportMessageText(port, device, reason).c_str());
}

int SaveSetupOrReport() {
    const int r = SaveSetup(&setup);
    if (r != 0) MsgErrorSaveSetup();
    return r;
}
