// Serial devices through Qt's list of them (device, description, manufacturer, serial
// number), with the stable /dev/serial/by-id names udev makes for USB adapters: those
// stay the same whichever ttyUSB number the adapter gets, so a link to one survives
// plugging the adapter into another socket.
#include "platform/serial_devices.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char *kByIdFolder = "/dev/serial/by-id";

void Copy(char *out, size_t size, const QString &text) {
    snprintf(out, size, "%s", text.toUtf8().constData());
}

// The by-id name that resolves to device, "" when there is none.
std::string ByIdName(const char *device) {
    std::string found;
    DIR *dir = opendir(kByIdFolder);
    if (dir == nullptr) return found;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const std::string path = std::string(kByIdFolder) + "/" + entry->d_name;
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) != nullptr && strcmp(resolved, device) == 0) {
            found = path;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace

int ListSerialDevices(SerialDeviceInfo *out, int max) {
    if (out == nullptr || max <= 0) return 0;
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return a.systemLocation() < b.systemLocation();
    });
    int n = 0;
    for (const QSerialPortInfo &info : ports) {
        if (n >= max) break;
        SerialDeviceInfo &d = out[n++];
        Copy(d.device, sizeof d.device, info.systemLocation());
        snprintf(d.by_id, sizeof d.by_id, "%s", ByIdName(d.device).c_str());
        Copy(d.description, sizeof d.description, info.description());
        Copy(d.manufacturer, sizeof d.manufacturer, info.manufacturer());
        Copy(d.serial_number, sizeof d.serial_number, info.serialNumber());
    }
    return n;
}

int ComLinkState(int port, char *target, int size) {
    if (target != nullptr && size > 0) target[0] = '\0';
    char link[32];
    snprintf(link, sizeof link, "COM%d", port);
    struct stat st {};
    if (lstat(link, &st) != 0) return COM_LINK_NONE;
    if (!S_ISLNK(st.st_mode)) return COM_LINK_NOT_LINK;
    char text[PATH_MAX];
    const ssize_t n = readlink(link, text, sizeof text - 1);
    text[n > 0 ? n : 0] = '\0';
    if (target != nullptr && size > 0) snprintf(target, static_cast<size_t>(size), "%s", text);
    return stat(link, &st) == 0 ? COM_LINK_PRESENT : COM_LINK_MISSING;
}

int LinkComPort(int port, const char *target) {
    if (target == nullptr || target[0] == '\0') {
        errno = EINVAL;
        return -1;
    }
    if (ComLinkState(port, nullptr, 0) == COM_LINK_NOT_LINK) {
        errno = EEXIST;
        return -1;
    }
    char link[32];
    char fresh[48];
    snprintf(link, sizeof link, "COM%d", port);
    snprintf(fresh, sizeof fresh, ".COM%d.new", port);
    unlink(fresh);  // a leftover of an interrupted attempt
    if (symlink(target, fresh) != 0) return -1;
    // rename replaces the old link in one step: at no moment is there no COMn.
    if (rename(fresh, link) != 0) {
        const int error = errno;
        unlink(fresh);
        errno = error;
        return -1;
    }
    return 0;
}
