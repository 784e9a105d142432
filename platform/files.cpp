#include "platform/files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int GetProjectDir(char *buffer, size_t size) {
    if (buffer == nullptr || size == 0) return -1;
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
        snprintf(buffer, size, ".");
        return -1;
    }
    exe[n] = '\0';
    char *slash = strrchr(exe, '/');
    if (slash == nullptr) {
        snprintf(buffer, size, ".");
        return -1;
    }
    *slash = '\0';
    snprintf(buffer, size, "%s", exe[0] ? exe : "/");
    return 0;
}

static bool HoldsResourceFile(const std::string &folder) {
    struct stat st;
    return stat((folder + "/KOR.uir").c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int GetResourceDir(char *buffer, size_t size) {
    if (buffer == nullptr || size == 0) return -1;
    const char *chosen = getenv("CH_RESOURCE_DIR");
    if (chosen != nullptr && chosen[0] != '\0' && HoldsResourceFile(chosen)) {
        snprintf(buffer, size, "%s", chosen);
        return 0;
    }
    char program[PATH_MAX];
    GetProjectDir(program, sizeof program);
    const std::string beside = program;
    const std::string installed = beside + "/../share/clearhorizon";
    const bool use_installed = !HoldsResourceFile(beside) && HoldsResourceFile(installed);
    const std::string &folder = use_installed ? installed : beside;
    char real[PATH_MAX];
    // "/usr/bin/../share/clearhorizon" reads better in messages as "/usr/share/clearhorizon".
    snprintf(buffer, size, "%s", realpath(folder.c_str(), real) != nullptr ? real : folder.c_str());
    return HoldsResourceFile(folder) ? 0 : -1;
}

int ProgramIsInstalled() {
    char program[PATH_MAX];
    GetProjectDir(program, sizeof program);
    const std::string beside = program;
    return !HoldsResourceFile(beside) && HoldsResourceFile(beside + "/../share/clearhorizon") ? 1 : 0;
}

int FolderWritable(const char *folder) {
    return folder != nullptr && access(folder, W_OK | X_OK) == 0 ? 1 : 0;
}

static int SyncFolderOf(const std::string &path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return -1;
    // A folder that cannot be synced (some file systems refuse) still holds the rename.
    (void)fsync(fd);
    close(fd);
    return 0;
}

int ReplaceFileAtomically(const char *path, const void *data, size_t size) {
    std::string tmp = std::string(path) + ".tmpXXXXXX";
    const int fd = mkstemp(tmp.data());
    if (fd < 0) return -1;
    const char *p = static_cast<const char *>(data);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= static_cast<size_t>(n);
    }
    const bool synced = left == 0 && fsync(fd) == 0;
    // mkstemp makes 0600; a settings or exchange file should be readable like any other.
    // (Reading the umask would mean changing it, which is not safe with other threads.)
    (void)fchmod(fd, 0644);
    const bool closed = close(fd) == 0;
    if (!synced || !closed) {
        unlink(tmp.c_str());
        return -2;
    }
    if (rename(tmp.c_str(), path) != 0) {
        unlink(tmp.c_str());
        return -3;
    }
    SyncFolderOf(path);
    return 0;
}
