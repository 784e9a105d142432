// Both commands work on the data folder the program was pointed at, before the engine
// comes up: they need no screen and no running console.
#include "app/port_command.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "records/setup_record.h"
#include "records/setup_sanity.h"
#include "platform/device_names.h"
#include "platform/serial_devices.h"

namespace {

constexpr int kMaxDevices = 64;

struct ComLink {
    int port;
    int state;  // COM_LINK_*
    std::string target;
    std::string resolved;  // "" when it leads nowhere
};

// Every COMn link of the working folder, by port number.
std::vector<ComLink> ComLinks() {
    std::vector<ComLink> links;
    DIR *dir = opendir(".");
    if (dir == nullptr) return links;
    while (const dirent *entry = readdir(dir)) {
        const char *name = entry->d_name;
        if (strncmp(name, "COM", 3) != 0 || name[3] == '\0') continue;
        if (strspn(name + 3, "0123456789") != strlen(name + 3)) continue;
        const int port = atoi(name + 3);
        if (port < 1 || port > kHighestComPort) continue;
        char target[PATH_MAX];
        ComLink link{port, ComLinkState(port, target, sizeof target), target, ""};
        char resolved[PATH_MAX];
        if (link.state == COM_LINK_PRESENT && realpath(name, resolved) != nullptr)
            link.resolved = resolved;
        links.push_back(link);
    }
    closedir(dir);
    std::sort(links.begin(), links.end(),
              [](const ComLink &a, const ComLink &b) { return a.port < b.port; });
    return links;
}

// The port Setup.cnf names, without writing the defaults when there is none.
int SetupPort() {
    SetupRecord record;
    FILE *f = fopen(SETUP_FILE_NAME, "rb");
    if (f == nullptr) return 1;
    const size_t items = fread(&record, sizeof record, 1, f);
    fclose(f);
    if (items != 1) return 1;
    SanitiseSetup(&record);
    return record.com_port;
}

void PrintField(const char *label, const char *value) {
    if (value[0] != '\0') printf("    %-13s%s\n", label, value);
}

}  // namespace

int ListPortsCommand() {
    SerialDeviceInfo devices[kMaxDevices];
    const int n = ListSerialDevices(devices, kMaxDevices);
    const std::vector<ComLink> links = ComLinks();
    printf("Serial devices:\n");
    if (n == 0) printf("    (none found)\n");
    for (int i = 0; i < n; ++i) {
        const SerialDeviceInfo &d = devices[i];
        printf("  %s\n", d.device);
        PrintField("by-id:", d.by_id);
        PrintField("description:", d.description);
        PrintField("maker:", d.manufacturer);
        PrintField("serial:", d.serial_number);
        std::string linked;
        for (const ComLink &link : links)
            if (link.resolved == d.device) linked += (linked.empty() ? "COM" : ", COM") + std::to_string(link.port);
        PrintField("linked as:", linked.c_str());
    }
    char here[PATH_MAX];
    if (getcwd(here, sizeof here) == nullptr) snprintf(here, sizeof here, ".");
    printf("COMn links in %s:\n", here);
    if (links.empty()) printf("    (none: port n is /dev/ttyS<n-1>)\n");
    for (const ComLink &link : links) {
        const char *note = link.state == COM_LINK_MISSING ? " (not present)"
                           : link.state == COM_LINK_NOT_LINK ? " (a file, not a link)" : "";
        printf("    COM%d -> %s%s\n", link.port, link.target.c_str(), note);
    }
    printf("Setup.cnf uses COM%d.\n", SetupPort());
    return 0;
}

int ChoosePortCommand(const char *device, int port_number) {
    SerialDeviceInfo found;
    const int result = FindSerialDevice(device, &found);
    if (result != kDeviceFound) {
        fprintf(stderr, "clearhorizon: %s is %s; --list-ports shows the serial devices\n",
                device, result == kDeviceNotSerial ? "not a serial device" : "not there");
        return 2;
    }
    LoadSetup(&setup);
    SanitiseSetup(&setup);
    const int port = port_number != 0 ? port_number : setup.com_port;
    const char *target = ComLinkTarget(found);
    if (LinkComPort(port, target) != 0) {
        if (errno == EEXIST)
            fprintf(stderr, "clearhorizon: COM%d in the data folder is a file, not a link; "
                            "remove it first\n", port);
        else
            fprintf(stderr, "clearhorizon: cannot link COM%d to %s: %s\n", port, target,
                    strerror(errno));
        return 1;
    }
    if (port != setup.com_port) {
        setup.com_port = port;
        if (SaveSetup(&setup) != 0)
            fprintf(stderr, "clearhorizon: COM%d is linked, but Setup.cnf could not be saved "
                            "with port %d\n", port, port);
    }
    if (strcmp(target, found.device) == 0) printf("COM%d -> %s\n", port, target);
    else printf("COM%d -> %s (%s)\n", port, target, found.device);
    return 0;
}
