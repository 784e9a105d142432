// Qt's list of serial devices leaves out pseudo-terminals and the odd driver it does not
// know; a terminal device named on purpose is taken all the same, so the simulator's
// pty can be chosen like an adapter.
#include "platform/device_names.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxDevices = 64;

// A character device that is a terminal. Opening it tells; a device this user may not
// open (or one in use) is given the benefit of the doubt: the port's own error says more
// when the program opens it.
bool IsTerminalDevice(const char *path) {
    struct stat st {};
    if (stat(path, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EACCES || errno == EPERM || errno == EBUSY;
    const bool terminal = isatty(fd) != 0;
    close(fd);
    return terminal;
}

}  // namespace

const char *ComLinkTarget(const SerialDeviceInfo &device) {
    return device.by_id[0] != '\0' ? device.by_id : device.device;
}

int FindSerialDevice(const char *name, SerialDeviceInfo *out) {
    if (name == nullptr || name[0] == '\0' || out == nullptr) return kDeviceMissing;
    std::string candidates[2];
    if (strchr(name, '/') != nullptr) {
        candidates[0] = name;
    } else {
        candidates[0] = std::string("/dev/serial/by-id/") + name;
        candidates[1] = std::string("/dev/") + name;
    }
    for (const std::string &given : candidates) {
        char resolved[PATH_MAX];
        if (given.empty() || realpath(given.c_str(), resolved) == nullptr) continue;
        *out = SerialDeviceInfo{};
        SerialDeviceInfo listed[kMaxDevices];
        const int n = ListSerialDevices(listed, kMaxDevices);
        bool found = false;
        for (int i = 0; i < n && !found; ++i) {
            if (strcmp(listed[i].device, resolved) != 0) continue;
            *out = listed[i];
            found = true;
        }
        if (!found && !IsTerminalDevice(resolved)) return kDeviceNotSerial;
        // A path cut to fit would name another file.
        if (strlen(resolved) >= sizeof out->device || given.size() >= sizeof out->by_id)
            return kDeviceMissing;
        memcpy(out->device, resolved, strlen(resolved) + 1);
        if (given.rfind("/dev/serial/by-id/", 0) == 0)
            memcpy(out->by_id, given.c_str(), given.size() + 1);
        return kDeviceFound;
    }
    return kDeviceMissing;
}
