// Naming the console's device the way a user does: a path (/dev/ttyUSB0), a stable
// /dev/serial/by-id name with or without its folder, or a bare name under /dev. The
// settings dialog and the command line both link COMn to what this finds, so a port
// chosen either way leads to the same link.
#pragma once

#include "platform/serial_devices.h"

// What COMn should point at for a device: its stable by-id name when it has one (it
// survives another USB socket), else its path.
const char *ComLinkTarget(const SerialDeviceInfo &device);

constexpr int kDeviceFound = 0;
constexpr int kDeviceMissing = -1;    // nothing of that name
constexpr int kDeviceNotSerial = -2;  // something is there, but no serial line
// Finds the device name stands for. A device in the list of serial devices comes with
// what the list knows of it; another terminal device (a pseudo-terminal) with its path
// alone. A by-id name given is kept as the device's by-id name.
int FindSerialDevice(const char *name, SerialDeviceInfo *out);
