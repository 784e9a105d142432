// Written against the protocol rather than libsystemd: it is one datagram, and a program
// that may run without systemd should not need the library to say nothing.
#include "platform/service_notify.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int ServiceNotify(const char *notice) {
    const char *name = getenv("NOTIFY_SOCKET");
    if (name == nullptr || name[0] == '\0' || notice == nullptr) return 1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t length = strlen(name);
    if ((name[0] != '/' && name[0] != '@') || length >= sizeof address.sun_path) return -1;
    memcpy(address.sun_path, name, length);
    if (name[0] == '@') address.sun_path[0] = '\0';  // abstract namespace
    const socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const ssize_t sent = sendto(fd, notice, strlen(notice), MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr *>(&address), size);
    close(fd);
    return sent == static_cast<ssize_t>(strlen(notice)) ? 0 : -1;
}

double ServiceWatchdogPeriod() {
    const char *usec = getenv("WATCHDOG_USEC");
    if (usec == nullptr || usec[0] == '\0') return 0.0;
    const char *pid = getenv("WATCHDOG_PID");
    if (pid != nullptr && pid[0] != '\0' && strtol(pid, nullptr, 10) != static_cast<long>(getpid()))
        return 0.0;
    const double period = strtod(usec, nullptr) / 1e6;
    return period > 0.0 ? period : 0.0;
}

void RunOnMainThreadEvery(double seconds, void (*tick)()) {
    QCoreApplication *app = QCoreApplication::instance();
    if (app == nullptr || tick == nullptr || seconds <= 0.0) return;
    auto *timer = new QTimer(app);  // lives as long as the application
    timer->setInterval(static_cast<int>(seconds * 1000.0));
    QObject::connect(timer, &QTimer::timeout, timer, tick);
    timer->start();
}
