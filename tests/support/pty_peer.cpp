#include "support/pty_peer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal");
    const char *name = ptsname(master_);
    if (name == nullptr) throw std::runtime_error("ptsname failed");
    slave_ = name;
    // Raw on the master side too, so that bytes pass unchanged in both directions.
    termios t{};
    if (tcgetattr(master_, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
    }
}

PtyPeer::~PtyPeer() {
    if (master_ >= 0) close(master_);
}

void PtyPeer::LinkAs(int port) const {
    char link[32];
    snprintf(link, sizeof link, "COM%d", port);
    unlink(link);
    if (symlink(slave_.c_str(), link) != 0) throw std::runtime_error("symlink failed");
}

void PtyPeer::Write(const std::string &bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("pty write failed");
        done += static_cast<size_t>(n);
    }
}

std::string PtyPeer::Read(size_t n, int timeout_ms) const {
    std::string out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (out.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[256];
        const ssize_t got = read(master_, buf, std::min(sizeof buf, n - out.size()));
        if (got <= 0) break;
        out.append(buf, static_cast<size_t>(got));
    }
    return out;
}

void PtyPeer::CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
}
