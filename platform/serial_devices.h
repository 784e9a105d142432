// The serial devices of this machine, for choosing the console's port, and the "COMn"
// links in the working folder through which a port number reaches a device. Choosing a
// device makes (or replaces) the link, so the settings keep only the port number.
#pragma once

struct SerialDeviceInfo {
    char device[256];         // /dev/ttyUSB0
    char by_id[256];          // its stable name under /dev/serial/by-id, "" when none
    char description[128];    // as the adapter reports them, "" when it does not
    char manufacturer[128];
    char serial_number[64];
};

// The serial devices present now, at most max of them, by device name. The count.
int ListSerialDevices(SerialDeviceInfo *out, int max);

constexpr int COM_LINK_NONE = 0;      // no COMn: the port is /dev/ttyS<n-1>
constexpr int COM_LINK_PRESENT = 1;   // COMn points at a device that is there
constexpr int COM_LINK_MISSING = 2;   // COMn points at nothing (adapter unplugged)
constexpr int COM_LINK_NOT_LINK = 3;  // COMn is a file of its own, not a link
// The state of the link COMn in the working folder; target receives what it points at
// (size bytes, may be null).
int ComLinkState(int port, char *target, int size);
// Makes COMn in the working folder point at target, replacing an earlier link in one
// step. A COMn that is not a link is left alone. 0, or -1 with errno set.
int LinkComPort(int port, const char *target);
