#include "windows/port_choice.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "windows/KOR.h"
#include "windows/kor_panels.h"
#include "windows/setup_messages.h"
#include "windows/text_fields.h"
#include "platform/panels.h"
#include "platform/serial.h"
#include "platform/serial_devices.h"
#include "records/queue_records.h"

namespace {

constexpr int kMaxDevices = 32;
// Link targets of the list's entries after the first, in their order.
std::vector<std::string> device_targets;

// The first entry: where the port leads now.
std::string CurrentEntry(int port) {
    char target[PATH_MAX];
    const int state = ComLinkState(port, target, sizeof target);
    int text = TXTP_DEVICE_LINKED;
    if (state == COM_LINK_MISSING) text = TXTP_DEVICE_LINK_MISSING;
    if (state == COM_LINK_NONE) {
        text = TXTP_DEVICE_NO_LINK;
        ComPortDevice(port, target, sizeof target);
    }
    char pattern[304];
    char port_name[16];
    GetPanelText(text, pattern, sizeof pattern);
    snprintf(port_name, sizeof port_name, "COM%d", port);
    const TextField fields[] = {{"port", port_name}, {"device", target}};
    return FillTextFields(pattern, fields, 2);
}

// "/dev/ttyUSB0 — FT232R USB UART, FTDI, A50285BI (usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0)"
std::string DeviceEntry(const SerialDeviceInfo &d) {
    std::string entry = d.device;
    std::string about;
    for (const char *part : {d.description, d.manufacturer, d.serial_number}) {
        if (part[0] == '\0') continue;
        if (!about.empty()) about += ", ";
        about += part;
    }
    if (!about.empty()) entry += " — " + about;
    if (d.by_id[0] != '\0') {
        const char *name = strrchr(d.by_id, '/');
        entry += std::string(" (") + (name != nullptr ? name + 1 : d.by_id) + ")";
    }
    return entry;
}

int ShownPort() {
    int port = 1;
    GetCtrlVal(globalP, GLOBALP_COM_PORT, &port);
    return port;
}

}  // namespace

void FillDeviceList() {
    ClearListCtrl(globalP, GLOBALP_DEVICE);
    device_targets.clear();
    InsertListItem(globalP, GLOBALP_DEVICE, -1, CurrentEntry(ShownPort()).c_str(), 0);
    SerialDeviceInfo devices[kMaxDevices];
    const int n = ListSerialDevices(devices, kMaxDevices);
    for (int i = 0; i < n; ++i) {
        // The stable name is linked when there is one: it survives another USB socket.
        device_targets.push_back(devices[i].by_id[0] != '\0' ? devices[i].by_id : devices[i].device);
        InsertListItem(globalP, GLOBALP_DEVICE, -1, DeviceEntry(devices[i]).c_str(), i + 1);
    }
    SetCtrlIndex(globalP, GLOBALP_DEVICE, 0);
}

int SettingsPortChanged(int, int, int event, void *, int, int) {
    if (event == EVENT_VAL_CHANGED) FillDeviceList();
    return 0;
}

int TakeDeviceChoice(int port) {
    int index = 0;
    if (GetCtrlIndex(globalP, GLOBALP_DEVICE, &index) < 0 || index < 1) return 0;
    if (index > static_cast<int>(device_targets.size())) return 0;
    const std::string &target = device_targets[static_cast<size_t>(index - 1)];
    if (LinkComPort(port, target.c_str()) != 0) {
        MsgErrorComport(port, target.c_str(), LINK_REASON_OTHER);
        return 0;
    }
    return 1;
}
