// The far end of a serial line for tests: a pseudo-terminal whose master the test drives
// byte by byte, while the code under test opens the slave as its serial port (directly or
// through a "COMn" link in the working directory).
#pragma once
#include <string>

class PtyPeer {
public:
    PtyPeer();  // throws when no pseudo-terminal can be had
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    const std::string &slave_path() const { return slave_; }
    // Makes "COMn" in the working directory point at the slave.
    void LinkAs(int port) const;
    void Write(const std::string &bytes) const;
    // Up to n bytes, waiting at most timeout_ms for them all.
    std::string Read(size_t n, int timeout_ms) const;
    // Hangs up: the slave side sees the device vanish.
    void CloseMaster();

private:
    int master_ = -1;
    std::string slave_;
};
