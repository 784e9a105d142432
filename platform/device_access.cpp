#include "platform/device_access.h"

#include <cstdio>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kReadWrite = S_IRUSR | S_IWUSR;

// Read and write for the owner (shift 0) or the group (shift 3).
bool Allows(mode_t mode, int shift) { return ((mode << shift) & kReadWrite) == kReadWrite; }

// "dialout:x:20:alice,bob": is user among the members of the group named name?
bool ListedInGroupFile(const char *text, const char *name, const char *user) {
    if (text == nullptr || name == nullptr || user == nullptr || user[0] == '\0') return false;
    const std::string all = text;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        const std::string line = all.substr(start, end - start);
        start = end + 1;
        const size_t first = line.find(':');
        if (first == std::string::npos || line.compare(0, first, name) != 0 || first != strlen(name))
            continue;
        const size_t third = line.find(':', line.find(':', first + 1) + 1);
        if (third == std::string::npos) continue;
        const std::string members = "," + line.substr(third + 1) + ",";
        if (members.find("," + std::string(user) + ",") != std::string::npos) return true;
    }
    return false;
}

std::string ReadGroupFile() {
    std::string text;
    FILE *f = fopen("/etc/group", "r");
    if (f == nullptr) return text;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < (1u << 20))
        text.append(buffer, n);
    fclose(f);
    return text;
}

}  // namespace

int JudgeDeviceAccess(const DeviceFacts &f) {
    // Group root is no group a user should join for one device.
    if (f.group == 0 || !Allows(f.mode, 3)) {
        if (f.owner == f.uid && Allows(f.mode, 0)) return ACCESS_REMEDY_UNKNOWN;
        return ACCESS_REMEDY_UDEV_RULE;
    }
    for (int i = 0; i < f.process_group_count; ++i)
        if (f.process_groups[i] == f.group) return ACCESS_REMEDY_UNKNOWN;
    if (f.primary_group == f.group || ListedInGroupFile(f.group_file, f.group_name, f.user_name))
        return ACCESS_REMEDY_NEW_LOGIN;
    return ACCESS_REMEDY_JOIN_GROUP;
}

int ExamineDeviceAccess(const char *device, char *group_out, size_t size) {
    if (size > 0) group_out[0] = '\0';
    struct stat st {};
    if (device == nullptr || stat(device, &st) != 0) return ACCESS_REMEDY_UNKNOWN;
    const struct group *g = getgrgid(st.st_gid);
    const std::string name = g != nullptr ? g->gr_name : "";
    // usermod takes a group's number as well as its name.
    if (name.empty()) snprintf(group_out, size, "%u", static_cast<unsigned>(st.st_gid));
    else snprintf(group_out, size, "%s", name.c_str());
    const passwd *user = getpwuid(getuid());
    gid_t groups[256];
    int count = getgroups(255, groups);
    if (count < 0) count = 0;
    groups[count++] = getegid();
    const std::string group_file = ReadGroupFile();
    const DeviceFacts facts{st.st_uid, st.st_gid, st.st_mode, name.c_str(), getuid(),
                            user != nullptr ? user->pw_name : "",
                            user != nullptr ? user->pw_gid : static_cast<gid_t>(-1),
                            groups, count, group_file.c_str()};
    return JudgeDeviceAccess(facts);
}
