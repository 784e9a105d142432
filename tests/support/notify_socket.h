// A datagram socket standing in for systemd's notify socket: NOTIFY_SOCKET names it for
// this process and the programs it starts, for the socket's life.
#pragma once
#include <string>

#include "support/temp_folder.h"

class FakeNotifySocket {
public:
    FakeNotifySocket();
    ~FakeNotifySocket();
    FakeNotifySocket(const FakeNotifySocket &) = delete;
    FakeNotifySocket &operator=(const FakeNotifySocket &) = delete;
    bool bound() const { return bound_; }
    // The next notice already received, "" when there is none.
    std::string Next();
    // Waits up to seconds for a notice equal to want, dropping others. True when it came.
    bool WaitFor(const std::string &want, double seconds);

private:
    std::string dir_;
    std::string path_;
    int fd_ = -1;
    bool bound_ = false;
};
