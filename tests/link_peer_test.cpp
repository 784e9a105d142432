// The scripted peer that the link tests stand on: if it answered wrongly or recorded
// badly, the link tests would prove nothing. Checked here through the COMn link with
// plain file operations, without the link.
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "support/scripted_peer.h"
#include "support/temp_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

class PeerLine {
public:
    explicit PeerLine(const char *path) : fd_(open(path, O_RDWR | O_NOCTTY)) {
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
    ~PeerLine() {
        if (fd_ >= 0) close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    void Send(uint8_t b) { ASSERT_EQ(write(fd_, &b, 1), 1); }
    // Bytes that arrive within `seconds`.
    Bytes Receive(size_t wanted, double seconds) {
        Bytes got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (got.size() < wanted && std::chrono::steady_clock::now() < end) {
            pollfd pfd{fd_, POLLIN, 0};
            if (poll(&pfd, 1, 20) <= 0) continue;
            uint8_t buffer[64];
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i) got.push_back(buffer[i]);
        }
        return got;
    }

private:
    int fd_;
};

TEST(ScriptedPeer, AnswersItsScriptInOrderAndRecordsWhatArrived) {
    TempFolder folder;
    ScriptedPeer peer(4);
    peer.Expect(0x06, {0x02});
    peer.Expect(0x82, {0x00, 0x11}, 0.0, 0.3);
    PeerLine line("COM4");
    ASSERT_TRUE(line.ok());
    line.Send(0x07);  // not what the script expects: counted, not answered
    line.Send(0x06);
    EXPECT_EQ(line.Receive(1, 2.0), Bytes{0x02});
    line.Send(0x82);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(line.Receive(2, 2.0), (Bytes{0x00, 0x11}));
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(took, 0.25);  // the gap before the second byte was kept
    EXPECT_EQ(peer.ReceivedBytes(), (Bytes{0x07, 0x06, 0x82}));
    EXPECT_EQ(peer.Unexpected(), 1);
    EXPECT_EQ(peer.StepsLeft(), 0u);
    const std::vector<PeerByte> sent = peer.Received();
    EXPECT_LE(sent[0].time, sent[1].time);
    EXPECT_LE(sent[1].time, sent[2].time);
}

TEST(ScriptedPeer, AnswersLikeAConsoleFromItsMemory) {
    TempFolder folder;
    ScriptedPeer peer(4);
    peer.AnswerLikeConsole(1);
    peer.PokeNibble(0x0012, 0x5);
    peer.PokeNibble(0x0013, 0xC);
    PeerLine line("COM4");
    ASSERT_TRUE(line.ok());
    const Bytes commands{0x06, 0x82, 0x82, 0x86, 0x8A, 0xC6};
    for (const uint8_t b : commands) line.Send(b);
    // id, four address echoes, read echo, one data byte, checksum
    EXPECT_EQ(line.Receive(8, 3.0), (Bytes{0x01, 0x00, 0x10, 0x21, 0x32, 0x31, 0xC5, 0xC5}));
    line.Send(0x6A);  // write 0xA at 0x0012, which advances the address
    line.Send(0x3A);  // clear bit 2 of 0x0013
    EXPECT_EQ(line.Receive(2, 3.0), (Bytes{0x1A, 0x0E}));
    EXPECT_EQ(peer.PeekNibble(0x0012), 0xA);
    EXPECT_EQ(peer.PeekNibble(0x0013), 0x8);
}

TEST(ScriptedPeer, VanishingRemovesTheLink) {
    TempFolder folder;
    ScriptedPeer peer(4);
    EXPECT_EQ(access("COM4", F_OK), 0);
    peer.Vanish();
    EXPECT_NE(access("COM4", F_OK), 0);
}

}  // namespace
