// Why this user may not open a serial device, and what helps: a device is opened through
// its group, and the answer differs by who lacks what. The user may not be in the
// device's group at all (join it, then log in anew), may be in it by /etc/group while
// this process still runs with the groups of an older login (a lingering user service
// keeps them until the user manager restarts), or the device may give no group the
// right to open it (root:root 0600), where only a udev rule helps.
#pragma once
#include <cstddef>
#include <sys/types.h>

constexpr int ACCESS_REMEDY_UNKNOWN = 0;     // nothing in owner, group and mode explains it
constexpr int ACCESS_REMEDY_JOIN_GROUP = 1;  // usermod -aG <group>, then a new login
constexpr int ACCESS_REMEDY_NEW_LOGIN = 2;   // in the group already, not this process
constexpr int ACCESS_REMEDY_UDEV_RULE = 3;   // no group may open the device

struct DeviceFacts {
    uid_t owner;
    gid_t group;
    mode_t mode;
    const char *group_name;     // "" when the group has no name
    uid_t uid;                  // this process's user
    const char *user_name;      // "" when unknown
    gid_t primary_group;        // the user's group in /etc/passwd
    const gid_t *process_groups;  // this process's effective group and supplementary ones
    int process_group_count;
    const char *group_file;     // text of /etc/group
};

// The remedy for facts of a device that could not be opened.
int JudgeDeviceAccess(const DeviceFacts &facts);
// Looks at the device (following links), this process and /etc/group; the remedy, with
// the name of the device's group in group (size bytes).
int ExamineDeviceAccess(const char *device, char *group_out, size_t size);
