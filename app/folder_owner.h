// Who works in the data folder. The lock file only says that a copy runs; the owner file
// beside it says which one (its process, with or without windows, since when, and the
// systemd user service it runs as), so a second copy can tell the user instead of ending
// without a word, and offer to stop that service.
#pragma once
#include <cstddef>
#include <ctime>
#include <string>

constexpr const char *kOwnerFileName = "clearhorizon.owner";

struct FolderOwner {
    long pid;
    int headless;   // 1 without windows
    time_t since;   // when it took the folder
    char unit[128]; // the user service it runs as, "" when started otherwise
};

// The user service (a unit ending in ".service" under the user manager "user@N.service")
// named by the text of /proc/<pid>/cgroup; "" when the process runs otherwise.
void UserServiceFromCgroup(const char *cgroup_text, char *unit, size_t size);
// This process, in the working folder: 0, or -1 when the file cannot be written.
int WriteFolderOwner(int headless);
// Reads the owner file of the working folder. 0, or -1 when there is none or it is not
// one (then *owner is zero).
int ReadFolderOwner(FolderOwner *owner);
// "the data folder X is in use by process 1234 (headless, as the user service
// clearhorizon.service, since 2026-12-09 19:00)". holder_pid is the lock's own pid: an
// owner file that names another process is left out.
std::string FolderInUseText(const char *folder, long holder_pid, const FolderOwner &owner);

// A second copy found the folder taken: says so on stderr and, with a screen, in a
// dialog; when the owner is a user service the dialog offers to stop it. 1 when the
// service was stopped and the folder is free now (start-up may go on), else 0.
int ReportFolderInUse(int with_dialog);
