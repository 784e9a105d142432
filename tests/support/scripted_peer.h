// The far end of a serial line for tests: a pseudo-terminal in raw mode, linked as
// "COMn" in the working directory, so that the link opens it like any port. A thread of
// its own answers from a script (expected byte -> reply bytes with delays, silence,
// garbage) and records every byte the link sent with the time it arrived. When the
// script is used up it either stays silent or answers like a console, as chosen.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct PeerByte {
    uint8_t byte;
    double time;  // seconds on the peer's clock (ScriptedPeer::Now)
};

// One reply byte and the time to wait before it is sent (after the byte that triggered
// the reply, or after the previous reply byte).
struct PeerOut {
    uint8_t byte;
    double delay;
};

class ScriptedPeer {
public:
    static constexpr int kAnyByte = -1;

    // Opens the pty and links it as COM<port> in the working directory.
    explicit ScriptedPeer(int port);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer &) = delete;
    ScriptedPeer &operator=(const ScriptedPeer &) = delete;

    // Script steps, taken in order: when byte `expect` (or any byte) arrives, `reply`
    // goes out, the first byte after `delay`, each further one `gap` after the previous.
    void Expect(int expect, std::vector<uint8_t> reply = {}, double delay = 0.0,
                double gap = 0.0);
    void ExpectTimed(int expect, std::vector<PeerOut> reply);
    // Console-like steps for common sequences (echoes as the console gives them).
    void ExpectAddress(uint16_t address);
    void ExpectRead(uint8_t count, const std::vector<uint8_t> &data);  // right checksum
    // Sends bytes now, unasked.
    void Send(const std::vector<uint8_t> &bytes);

    // Once the script is used up: answer every command like a console of this
    // identification, from a nibble memory (all 0 unless poked), or stay silent.
    void AnswerLikeConsole(uint8_t id);
    void StaySilent();
    void PokeNibble(uint16_t address, uint8_t value);
    uint8_t PeekNibble(uint16_t address);

    // Closes the pty and removes the link, as when an adapter is pulled.
    void Vanish();

    std::vector<PeerByte> Received();
    std::vector<uint8_t> ReceivedBytes();
    // Waits until at least n bytes were received; false after `seconds`.
    bool WaitForReceived(size_t n, double seconds);
    // Bytes that arrived while a script step expected another byte.
    int Unexpected();
    size_t StepsLeft();
    void ClearReceived();

    double Now() const;
    const std::string &DevicePath() const { return device_; }
    const std::string &LinkName() const { return link_; }

private:
    struct Step {
        int expect;
        std::vector<PeerOut> reply;
    };

    void Run();
    void HandleByte(uint8_t byte, double now);
    void AnswerConsole(uint8_t byte, double now);
    void Schedule(const std::vector<PeerOut> &reply, double now);
    void WriteDue(double now);
    double NextDue();
    void CloseFds();

    int master_ = -1;
    int slave_ = -1;
    std::string device_;
    std::string link_;
    std::chrono::steady_clock::time_point start_;

    std::mutex mutex_;
    std::condition_variable received_cv_;
    std::deque<Step> script_;
    std::multimap<double, uint8_t> outgoing_;
    std::vector<PeerByte> received_;
    std::vector<uint8_t> memory_;
    int unexpected_ = 0;
    bool console_ = false;
    uint8_t console_id_ = 0;
    int address_position_ = 0;
    uint16_t address_register_ = 0;
    uint16_t address_ = 0;

    std::atomic<bool> stop_{false};
    std::atomic<bool> vanish_{false};
    std::thread thread_;
};
