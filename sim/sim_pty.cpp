// Pseudo-terminal of the simulator (see sim_pty.h).
#include "sim/sim_pty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

int Fail(SimPty *pty, std::string *error, const std::string &what) {
    if (error) *error = what + ": " + std::strerror(errno);
    CloseSimPty(pty);
    return -1;
}

// Raw 8N1 at 2400 baud: no echo, no line editing, no translation of any byte.
int MakeRaw(int fd) {
    struct termios tio{};
    if (tcgetattr(fd, &tio) != 0) return -1;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B2400);
    cfsetospeed(&tio, B2400);
    return tcsetattr(fd, TCSANOW, &tio);
}

}  // namespace

int OpenSimPty(SimPty *pty, const char *link_path, std::string *error) {
    // Close-on-exec: a program started later (the one under test) must not hold the line
    // open, or pulling the cable would leave it alive.
    pty->master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty->master < 0) return Fail(pty, error, "posix_openpt");
    if (grantpt(pty->master) != 0 || unlockpt(pty->master) != 0) return Fail(pty, error, "grantpt/unlockpt");
    char name[128];
    if (ptsname_r(pty->master, name, sizeof name) != 0) return Fail(pty, error, "ptsname_r");
    pty->device = name;
    pty->slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty->slave < 0) return Fail(pty, error, std::string("open ") + name);
    if (MakeRaw(pty->slave) != 0) return Fail(pty, error, "tcsetattr");
    const int flags = fcntl(pty->master, F_GETFL);
    if (flags < 0 || fcntl(pty->master, F_SETFL, flags | O_NONBLOCK) != 0) return Fail(pty, error, "fcntl");
    if (!link_path || !*link_path) return 0;
    struct stat st{};
    if (lstat(link_path, &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            errno = EEXIST;
            return Fail(pty, error, std::string("not a link, left alone: ") + link_path);
        }
        if (unlink(link_path) != 0) return Fail(pty, error, std::string("unlink ") + link_path);
    }
    if (symlink(name, link_path) != 0) return Fail(pty, error, std::string("symlink ") + link_path);
    pty->link = link_path;
    return 0;
}

void CloseSimPty(SimPty *pty) {
    if (!pty->link.empty()) {
        char target[256];
        const ssize_t n = readlink(pty->link.c_str(), target, sizeof target - 1);
        if (n > 0) {
            target[n] = 0;
            if (pty->device == target) unlink(pty->link.c_str());
        }
        pty->link.clear();
    }
    if (pty->slave >= 0) close(pty->slave);
    if (pty->master >= 0) close(pty->master);
    pty->slave = pty->master = -1;
}
