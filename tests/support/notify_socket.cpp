#include "support/notify_socket.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

FakeNotifySocket::FakeNotifySocket() {
    // A short path: socket addresses hold about a hundred bytes.
    char dir[] = "/tmp/ch-notify-XXXXXX";
    if (mkdtemp(dir) == nullptr) return;
    dir_ = dir;
    path_ = dir_ + "/notify";
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", path_.c_str());
    bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    setenv("NOTIFY_SOCKET", path_.c_str(), 1);
}

FakeNotifySocket::~FakeNotifySocket() {
    unsetenv("NOTIFY_SOCKET");
    if (fd_ >= 0) close(fd_);
    if (!path_.empty()) unlink(path_.c_str());
    if (!dir_.empty()) rmdir(dir_.c_str());
}

std::string FakeNotifySocket::Next() {
    char buffer[256];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

bool FakeNotifySocket::WaitFor(const std::string &want, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 100) > 0 && Next() == want) return true;
    }
    return false;
}
