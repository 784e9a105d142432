// The owner file is written after the lock is taken and read only while the lock is held
// by someone else, so an old file left by a crash is never believed on its own: its pid
// must be the lock's.
#include "app/folder_owner.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/files.h"
#include "platform/instance.h"
#include "platform/popups.h"
#include "platform/runtime.h"

extern char **environ;

namespace {

// How long a stopped service may take to let go of the folder.
constexpr double kServiceStopPatience = 30.0;

std::string ReadSmallFile(const char *path) {
    std::string text;
    FILE *f = fopen(path, "r");
    if (f == nullptr) return text;
    char buffer[4096];
    const size_t n = fread(buffer, 1, sizeof buffer, f);
    fclose(f);
    text.assign(buffer, n);
    return text;
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// "systemctl --user stop UNIT"; 0 when it said it did.
int StopUserService(const char *unit) {
    char *argv[] = {const_cast<char *>("systemctl"), const_cast<char *>("--user"),
                    const_cast<char *>("stop"), const_cast<char *>(unit), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "systemctl", nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}

// After the service stopped: the lock is free once its process has ended.
int WaitForFreeFolder() {
    const double until = Timer() + kServiceStopPatience;
    while (Timer() < until) {
        int another = 0;
        if (CheckForDuplicateAppInstance(0, &another) >= 0 && !another) return 1;
        Delay(0.2);
    }
    return 0;
}

}  // namespace

void UserServiceFromCgroup(const char *cgroup_text, char *unit, size_t size) {
    if (size > 0) unit[0] = '\0';
    if (cgroup_text == nullptr) return;
    for (const std::string &line : Lines(cgroup_text)) {
        // "0::/user.slice/user-1000.slice/user@1000.service/app.slice/clearhorizon.service"
        const size_t manager = line.find("/user@");
        const size_t last = line.rfind('/');
        if (manager == std::string::npos || last <= manager) continue;
        const std::string name = line.substr(last + 1);
        const size_t suffix = name.size() >= 8 ? name.size() - 8 : std::string::npos;
        if (suffix == std::string::npos || name.compare(suffix, 8, ".service") != 0) continue;
        if (name.rfind("user@", 0) == 0) continue;
        snprintf(unit, size, "%s", name.c_str());
        return;
    }
}

int WriteFolderOwner(int headless) {
    char unit[128];
    UserServiceFromCgroup(ReadSmallFile("/proc/self/cgroup").c_str(), unit, sizeof unit);
    char text[512];
    const int n = snprintf(text, sizeof text, "pid=%ld\nmode=%s\nsince=%lld\nunit=%s\n",
                           static_cast<long>(getpid()), headless ? "headless" : "window",
                           static_cast<long long>(time(nullptr)), unit);
    if (n < 0 || n >= static_cast<int>(sizeof text)) return -1;
    return ReplaceFileAtomically(kOwnerFileName, text, static_cast<size_t>(n)) == 0 ? 0 : -1;
}

int ReadFolderOwner(FolderOwner *owner) {
    *owner = FolderOwner{};
    int fields = 0;
    for (const std::string &line : Lines(ReadSmallFile(kOwnerFileName))) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "pid") {
            owner->pid = strtol(value.c_str(), nullptr, 10);
            ++fields;
        }
        if (key == "mode") {
            owner->headless = value == "headless" ? 1 : 0;
            ++fields;
        }
        if (key == "since") owner->since = static_cast<time_t>(strtoll(value.c_str(), nullptr, 10));
        if (key == "unit") snprintf(owner->unit, sizeof owner->unit, "%s", value.c_str());
    }
    if (fields == 2 && owner->pid > 0) return 0;
    *owner = FolderOwner{};
    return -1;
}

std::string FolderInUseText(const char *folder, long holder_pid, const FolderOwner &owner) {
    char text[1024];
    const bool known = owner.pid > 0 && (holder_pid == 0 || owner.pid == holder_pid);
    if (!known) {
        if (holder_pid > 0)
            snprintf(text, sizeof text, "the data folder %s is in use by process %ld", folder, holder_pid);
        else
            snprintf(text, sizeof text, "the data folder %s is in use by another copy", folder);
        return text;
    }
    char since[32] = "";
    struct tm local {};
    if (owner.since > 0 && localtime_r(&owner.since, &local) != nullptr)
        strftime(since, sizeof since, ", since %Y-%m-%d %H:%M", &local);
    char service[200] = "";
    if (owner.unit[0] != '\0')
        snprintf(service, sizeof service, ", as the user service %s", owner.unit);
    snprintf(text, sizeof text, "the data folder %s is in use by process %ld (%s%s%s)", folder,
             owner.pid, owner.headless ? "headless" : "with a window", service, since);
    return text;
}

int ReportFolderInUse(int with_dialog) {
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof folder) == nullptr) snprintf(folder, sizeof folder, ".");
    FolderOwner owner;
    (void)ReadFolderOwner(&owner);  // an unreadable owner file still leaves the lock's pid
    const long holder = DuplicateAppInstanceHolder();
    const std::string what = FolderInUseText(folder, holder, owner);
    fprintf(stderr, "clearhorizon: %s; only one copy may work in it.\n", what.c_str());
    if (!with_dialog) return 0;
    std::string message = "Clear Horizon cannot start: " + what + ".";
    const bool service = owner.unit[0] != '\0' && owner.pid == holder;
    if (!service) {
        MessagePopup("Clear Horizon is running", (message + "\nOnly one copy may work in a "
                                                  "data folder.").c_str());
        return 0;
    }
    message += "\n\nStop the service (systemctl --user stop " + std::string(owner.unit) +
               ") and start here instead?";
    if (!ConfirmPopup("Clear Horizon is running", message.c_str())) return 0;
    if (StopUserService(owner.unit) != 0) {
        fprintf(stderr, "clearhorizon: systemctl --user stop %s failed\n", owner.unit);
        MessagePopup("Clear Horizon is running", "The service could not be stopped.");
        return 0;
    }
    fprintf(stderr, "clearhorizon: stopped the user service %s\n", owner.unit);
    return WaitForFreeFolder();
}
