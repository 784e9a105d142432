#include "support/scripted_peer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kPollSliceMs = 20;

void MakeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) throw std::runtime_error("tcgetattr on pty failed");
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
}

}  // namespace

ScriptedPeer::ScriptedPeer(int port)
    : start_(std::chrono::steady_clock::now()), memory_(0x10000, 0) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) throw std::runtime_error("posix_openpt failed");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
        throw std::runtime_error("grantpt/unlockpt failed");
    const char *name = ptsname(master_);
    if (name == nullptr) throw std::runtime_error("ptsname failed");
    device_ = name;
    // The peer keeps the far side open itself, so that the master never sees a hang-up
    // while the link closes and reopens the port.
    slave_ = open(device_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) throw std::runtime_error("cannot open pty slave");
    MakeRaw(slave_);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

    char link[32];
    snprintf(link, sizeof link, "COM%d", port);
    link_ = link;
    unlink(link_.c_str());
    if (symlink(device_.c_str(), link_.c_str()) != 0)
        throw std::runtime_error("cannot link the pty as " + link_);
    thread_ = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    CloseFds();
    unlink(link_.c_str());
}

void ScriptedPeer::CloseFds() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    master_ = -1;
    slave_ = -1;
}

double ScriptedPeer::Now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ScriptedPeer::Expect(int expect, std::vector<uint8_t> reply, double delay, double gap) {
    std::vector<PeerOut> timed;
    for (size_t i = 0; i < reply.size(); ++i) timed.push_back({reply[i], i == 0 ? delay : gap});
    ExpectTimed(expect, std::move(timed));
}

void ScriptedPeer::ExpectTimed(int expect, std::vector<PeerOut> reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_.push_back({expect, std::move(reply)});
}

// Written from the console's side of the protocol: address nibble n at position p is
// sent as 0x82 + 4n and echoed as 16p + n.
void ScriptedPeer::ExpectAddress(uint16_t address) {
    for (int position = 0; position < 4; ++position) {
        const int nibble = (address >> (12 - 4 * position)) & 0x0F;
        Expect(0x82 + 4 * nibble, {static_cast<uint8_t>(16 * position + nibble)});
    }
}

void ScriptedPeer::ExpectRead(uint8_t count, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> reply{static_cast<uint8_t>(0x30 + count)};
    int sum = 0;
    for (const uint8_t b : data) {
        reply.push_back(b);
        sum += b;
    }
    reply.push_back(static_cast<uint8_t>(sum % 256));
    Expect(0xC2 + 4 * count, reply);
}

void ScriptedPeer::Send(const std::vector<uint8_t> &bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (master_ < 0) return;
    for (const uint8_t b : bytes) (void)!write(master_, &b, 1);
}

void ScriptedPeer::AnswerLikeConsole(uint8_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    console_ = true;
    console_id_ = id;
}

void ScriptedPeer::StaySilent() {
    std::lock_guard<std::mutex> lock(mutex_);
    console_ = false;
}

void ScriptedPeer::PokeNibble(uint16_t address, uint8_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    memory_[address] = value & 0x0F;
}

uint8_t ScriptedPeer::PeekNibble(uint16_t address) {
    std::lock_guard<std::mutex> lock(mutex_);
    return memory_[address];
}

void ScriptedPeer::Vanish() {
    vanish_ = true;
    std::unique_lock<std::mutex> lock(mutex_);
    received_cv_.wait_for(lock, std::chrono::seconds(5), [this] { return master_ < 0; });
}

std::vector<PeerByte> ScriptedPeer::Received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

std::vector<uint8_t> ScriptedPeer::ReceivedBytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<uint8_t> bytes;
    for (const PeerByte &b : received_) bytes.push_back(b.byte);
    return bytes;
}

bool ScriptedPeer::WaitForReceived(size_t n, double seconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    return received_cv_.wait_for(lock, std::chrono::duration<double>(seconds),
                                 [&] { return received_.size() >= n; });
}

int ScriptedPeer::Unexpected() {
    std::lock_guard<std::mutex> lock(mutex_);
    return unexpected_;
}

size_t ScriptedPeer::StepsLeft() {
    std::lock_guard<std::mutex> lock(mutex_);
    return script_.size();
}

void ScriptedPeer::ClearReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.clear();
}

void ScriptedPeer::Schedule(const std::vector<PeerOut> &reply, double now) {
    double t = now;
    for (const PeerOut &out : reply) {
        t += out.delay;
        outgoing_.emplace(t, out.byte);
    }
}

// A console as the protocol describes it: address nibbles build the address, a read
// sends nibble pairs and their sum, writes store a nibble and advance, bit commands
// touch the nibble at the address. Unknown bytes get no answer.
void ScriptedPeer::AnswerConsole(uint8_t b, double now) {
    std::vector<PeerOut> reply;
    const int arg = (b >> 2) & 0x0F;
    if (b == 0x06) {
        reply.push_back({console_id_, 0});
        address_position_ = 0;
    } else if ((b & 0xC3) == 0x82) {
        reply.push_back({static_cast<uint8_t>(16 * address_position_ + arg), 0});
        address_register_ = static_cast<uint16_t>((address_register_ << 4) | arg);
        if (++address_position_ == 4) {
            address_ = address_register_;
            address_position_ = 0;
        }
    } else if ((b & 0xC3) == 0xC2) {
        reply.push_back({static_cast<uint8_t>(0x30 + arg), 0});
        int sum = 0;
        for (int k = 0; k < arg; ++k) {
            const uint16_t a = static_cast<uint16_t>(address_ + 2 * k);
            const int byte = memory_[a] | (memory_[static_cast<uint16_t>(a + 1)] << 4);
            reply.push_back({static_cast<uint8_t>(byte), 0});
            sum += byte;
        }
        reply.push_back({static_cast<uint8_t>(sum % 256), 0});
        address_position_ = 0;
    } else if ((b & 0xC3) == 0x42) {
        memory_[address_] = static_cast<uint8_t>(arg);
        address_ = static_cast<uint16_t>(address_ + 1);
        reply.push_back({static_cast<uint8_t>(b >> 2), 0});
        address_position_ = 0;
    } else if ((b & 0xF3) == 0x12 || (b & 0xF3) == 0x32) {
        const uint8_t bit = static_cast<uint8_t>(1 << (arg & 3));
        if ((b & 0xF3) == 0x12)
            memory_[address_] |= bit;
        else
            memory_[address_] &= static_cast<uint8_t>(~bit);
        reply.push_back({static_cast<uint8_t>(b >> 2), 0});
        address_position_ = 0;
    }
    Schedule(reply, now);
}

void ScriptedPeer::HandleByte(uint8_t byte, double now) {
    received_.push_back({byte, now});
    received_cv_.notify_all();
    if (!script_.empty()) {
        const Step &step = script_.front();
        if (step.expect != kAnyByte && step.expect != byte) {
            ++unexpected_;
            return;
        }
        Schedule(step.reply, now);
        script_.pop_front();
        return;
    }
    if (console_) AnswerConsole(byte, now);
}

double ScriptedPeer::NextDue() {
    std::lock_guard<std::mutex> lock(mutex_);
    return outgoing_.empty() ? -1.0 : outgoing_.begin()->first;
}

void ScriptedPeer::WriteDue(double now) {
    std::lock_guard<std::mutex> lock(mutex_);
    while (!outgoing_.empty() && outgoing_.begin()->first <= now) {
        const uint8_t b = outgoing_.begin()->second;
        outgoing_.erase(outgoing_.begin());
        if (master_ >= 0) (void)!write(master_, &b, 1);
    }
}

void ScriptedPeer::Run() {
    uint8_t buffer[256];
    while (!stop_) {
        if (vanish_) {
            std::lock_guard<std::mutex> lock(mutex_);
            CloseFds();
            unlink(link_.c_str());
            outgoing_.clear();
            vanish_ = false;
            received_cv_.notify_all();
        }
        if (master_ < 0) {
            usleep(kPollSliceMs * 1000);
            continue;
        }
        const double due = NextDue();
        int timeout_ms = kPollSliceMs;
        if (due >= 0) {
            const double wait = (due - Now()) * 1000.0;
            timeout_ms = std::clamp(static_cast<int>(wait + 0.999), 0, kPollSliceMs);
        }
        pollfd pfd{master_, POLLIN, 0};
        const int ready = poll(&pfd, 1, timeout_ms);
        if (ready > 0 && (pfd.revents & POLLIN) != 0) {
            const ssize_t n = read(master_, buffer, sizeof buffer);
            const double now = Now();
            std::lock_guard<std::mutex> lock(mutex_);
            for (ssize_t i = 0; i < n; ++i) HandleByte(buffer[i], now);
        } else if (ready > 0) {
            usleep(1000);  // hang-up or error without data: do not spin
        }
        WriteDue(Now());
    }
}
