// The serial port layer against a pseudo-terminal whose master plays the console.
#include "platform/runtime.h"
#include "platform/serial.h"
#include "support/pty_peer.h"
#include "support/temp_folder.h"

#include <atomic>
#include <climits>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kPort = 7;

bool PumpUntil(const std::function<bool()> &cond, double limit_s = 20.0) {
    SetSleepPolicy(VAL_SLEEP_MORE);
    const double end = Timer() + limit_s;
    while (!cond()) {
        if (Timer() > end) return false;
        ProcessSystemEvents();
    }
    return true;
}

void PumpFor(double seconds) {
    const double end = Timer() + seconds;
    while (Timer() < end) ProcessSystemEvents();
}

int OpenStationLine(int port) { return OpenComConfig(port, "", 2400, 0, 8, 1, 1298, 1298); }

std::string Canonical(const std::string &path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) != nullptr ? buf : path;
}

struct Arrivals {
    int calls = 0;
    int last_mask = 0;
    int last_port = 0;
    std::string bytes;
};

void ReadAll(int port, int mask, void *data) {
    auto *a = static_cast<Arrivals *>(data);
    ++a->calls;
    a->last_mask = mask;
    a->last_port = port;
    int b = 0;
    while ((b = ComRdByte(port)) >= 0) a->bytes.push_back(static_cast<char>(b));
}

TEST(Serial, PortNumbersResolveThroughComLinks) {
    TempFolder dir;
    char buf[PATH_MAX];
    EXPECT_STREQ(ComPortDevice(3, buf, sizeof buf), "/dev/ttyS2");
    PtyPeer peer;
    peer.LinkAs(3);
    EXPECT_EQ(std::string(ComPortDevice(3, buf, sizeof buf)), Canonical(peer.slave_path()));
    // The number that tells a moved link cheaply follows the link, not the port number.
    struct stat first {};
    ASSERT_EQ(stat(peer.slave_path().c_str(), &first), 0);
    EXPECT_EQ(ComPortDeviceNumber(3), first.st_rdev);
    PtyPeer other;
    other.LinkAs(3);
    EXPECT_NE(ComPortDeviceNumber(3), first.st_rdev);
    // A link whose device is gone names that device and fails to open: no fallback.
    ASSERT_EQ(symlink("/dev/no-such-adapter", "COM4"), 0);
    EXPECT_STREQ(ComPortDevice(4, buf, sizeof buf), "/dev/no-such-adapter");
    EXPECT_EQ(ComPortDeviceNumber(4), 0u);
    EXPECT_EQ(OpenStationLine(4), kComErrNoDevice);
    // A device this user may not open is told apart from a missing one (root may open
    // anything, so the check needs an ordinary user).
    if (geteuid() != 0) {
        WriteWholeFile(dir.file("locked-tty"), "");
        ASSERT_EQ(chmod(dir.file("locked-tty").c_str(), 0), 0);
        ASSERT_EQ(symlink(dir.file("locked-tty").c_str(), "COM5"), 0);
        EXPECT_EQ(OpenStationLine(5), kComErrAccess);
    }
    EXPECT_EQ(OpenStationLine(0), kComErrPortNumber);
    EXPECT_EQ(ComWrtByte(5, 0x06), kComErrNotOpen);
}

TEST(Serial, BytesBothWaysOverAPseudoTerminal) {
    TempFolder dir;
    PtyPeer peer;
    peer.LinkAs(kPort);
    ASSERT_EQ(OpenStationLine(kPort), 0);
    // The console's line settings: no handshake, RTS set, DTR cleared. A pty has no modem
    // lines and must still accept them.
    EXPECT_EQ(SetCTSMode(kPort, 0), 0);
    EXPECT_EQ(ComSetEscape(kPort, SETRTS), 0);
    EXPECT_EQ(ComSetEscape(kPort, CLRDTR), 0);
    EXPECT_EQ(ComSetEscape(kPort, CLRRTS), 0);
    EXPECT_EQ(ComSetEscape(kPort, SETDTR), 0);
    EXPECT_EQ(FlushInQ(kPort), 0);
    EXPECT_EQ(FlushOutQ(kPort), 0);
    Arrivals arrivals;
    ASSERT_EQ(InstallComCallback(kPort, LWRS_RXFLAG, 0, 0, ReadAll, &arrivals), 0);

    EXPECT_EQ(ComWrtByte(kPort, 0x82), 0x82);
    EXPECT_EQ(ComWrtByte(kPort, 0x1FF), 0xFF);  // only the low byte goes out
    // The bytes leave without the thread processing events.
    EXPECT_EQ(peer.Read(2, 5000), std::string("\x82\xFF", 2));

    peer.Write(std::string("\x00\x12\xC3", 3));
    ASSERT_TRUE(PumpUntil([&] { return arrivals.bytes.size() == 3; }));
    EXPECT_EQ(arrivals.bytes, std::string("\x00\x12\xC3", 3));
    EXPECT_EQ(arrivals.last_mask & LWRS_RXFLAG, LWRS_RXFLAG);
    EXPECT_EQ(arrivals.last_port, kPort);
    EXPECT_EQ(ComRdByte(kPort), kComErrEmpty);
    EXPECT_EQ(GetInQLen(kPort), 0);

    // Without a callback bytes wait in the input queue.
    ASSERT_EQ(InstallComCallback(kPort, 0, 0, 0, ReadAll, &arrivals), 0);
    const int calls = arrivals.calls;
    peer.Write("AB");
    ASSERT_TRUE(PumpUntil([&] { return GetInQLen(kPort) == 2; }));
    EXPECT_EQ(arrivals.calls, calls);
    EXPECT_EQ(ComRdByte(kPort), 'A');
    EXPECT_EQ(GetInQLen(kPort), 1);
    EXPECT_EQ(CloseCom(kPort), 0);
    EXPECT_EQ(CloseCom(kPort), kComErrNotOpen);
}

TEST(Serial, FlushDropsPendingInputIncludingTheDrivers) {
    TempFolder dir;
    PtyPeer peer;
    peer.LinkAs(kPort);
    ASSERT_EQ(OpenStationLine(kPort), 0);
    peer.Write("stray");
    ASSERT_TRUE(PumpUntil([&] { return GetInQLen(kPort) == 5; }));
    // These have reached the driver but not yet the port's buffer.
    peer.Write("more");
    EXPECT_EQ(FlushInQ(kPort), 0);
    EXPECT_EQ(GetInQLen(kPort), 0);
    PumpFor(0.2);
    EXPECT_EQ(GetInQLen(kPort), 0);
    // The line works on afterwards.
    peer.Write("Z");
    ASSERT_TRUE(PumpUntil([&] { return GetInQLen(kPort) == 1; }));
    EXPECT_EQ(ComRdByte(kPort), 'Z');
    EXPECT_EQ(CloseCom(kPort), 0);
}

TEST(Serial, RejectsBadLineSettings) {
    TempFolder dir;
    PtyPeer peer;
    peer.LinkAs(kPort);
    EXPECT_EQ(OpenComConfig(kPort, "", 2400, 7, 8, 1, 1298, 1298), kComErrSettings);
    EXPECT_EQ(OpenComConfig(kPort, "", 2400, 0, 9, 1, 1298, 1298), kComErrSettings);
    EXPECT_EQ(OpenComConfig(kPort, "", 2400, 0, 8, 3, 1298, 1298), kComErrSettings);
    EXPECT_EQ(ComWrtByte(kPort, 1), kComErrNotOpen);  // a refused open leaves nothing open
    // An explicit device name wins over the port's own device.
    // (A pty carries 8 data bits without parity only.)
    EXPECT_EQ(OpenComConfig(9, peer.slave_path().c_str(), 19200, 0, 8, 2, 16, 16), 0);
    EXPECT_EQ(ComWrtByte(9, 'x'), 'x');
    EXPECT_EQ(peer.Read(1, 5000), "x");
    EXPECT_EQ(CloseCom(9), 0);
}

// The port belongs to the thread that opened it: arrivals are reported there, other
// threads are refused.
std::atomic<unsigned> opener_id{0};
std::atomic<unsigned> callback_thread{0};
std::atomic<int> opener_state{0};  // 1 open, 2 got bytes, -1 failed
std::atomic<bool> opener_stop{false};
void NoteThread(int port, int, void *) {
    callback_thread = CmtGetCurrentThreadID();
    while (ComRdByte(port) >= 0) {}
    opener_state = 2;
}
int OpensAndListens(void *) {
    opener_id = CmtGetCurrentThreadID();
    if (OpenStationLine(kPort) != 0 ||
        InstallComCallback(kPort, LWRS_RXFLAG, 0, 0, NoteThread, nullptr) != 0) {
        opener_state = -1;
        return 1;
    }
    opener_state = 1;
    SetSleepPolicy(VAL_SLEEP_MORE);
    while (!opener_stop) ProcessSystemEvents();
    CloseCom(kPort);
    return 0;
}

TEST(Serial, CallbackRunsOnTheOpeningThread) {
    TempFolder dir;
    PtyPeer peer;
    peer.LinkAs(kPort);
    opener_state = 0;
    opener_stop = false;
    CmtThreadFunctionID id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, OpensAndListens, nullptr, &id), 0);
    ASSERT_TRUE(PumpUntil([] { return opener_state != 0; }));
    ASSERT_EQ(opener_state.load(), 1);
    EXPECT_EQ(ComWrtByte(kPort, 1), kComErrThread);
    EXPECT_EQ(OpenStationLine(kPort), kComErrOpen);
    peer.Write("\x06");
    EXPECT_TRUE(PumpUntil([] { return opener_state == 2; }));
    EXPECT_EQ(callback_thread.load(), opener_id.load());
    EXPECT_NE(callback_thread.load(), CmtGetMainThreadID());
    opener_stop = true;
    WakeThread(opener_id);
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 0), 0);
    EXPECT_EQ(CmtGetThreadPoolFunctionReturnValue(id), 0);
}

TEST(Serial, VanishedDeviceGivesErrorsNotCrashes) {
    TempFolder dir;
    PtyPeer peer;
    peer.LinkAs(kPort);
    ASSERT_EQ(OpenStationLine(kPort), 0);
    Arrivals arrivals;
    ASSERT_EQ(InstallComCallback(kPort, LWRS_RXFLAG, 0, 0, ReadAll, &arrivals), 0);
    peer.CloseMaster();
    ASSERT_TRUE(PumpUntil([] { return ComWrtByte(kPort, 0x06) < 0; }));
    PumpFor(0.1);
    EXPECT_EQ(ComWrtByte(kPort, 0x06), kComErrIO);
    EXPECT_EQ(ComRdByte(kPort), kComErrIO);
    EXPECT_EQ(GetInQLen(kPort), kComErrIO);
    EXPECT_EQ(FlushInQ(kPort), kComErrIO);
    EXPECT_EQ(ComSetEscape(kPort, SETRTS), kComErrIO);
    EXPECT_EQ(CloseCom(kPort), 0);
    // A port that failed can be opened again once the device is back.
    PtyPeer again;
    again.LinkAs(kPort);
    ASSERT_EQ(OpenStationLine(kPort), 0);
    EXPECT_EQ(ComWrtByte(kPort, 'k'), 'k');
    EXPECT_EQ(again.Read(1, 5000), "k");
    EXPECT_EQ(CloseCom(kPort), 0);
}

}  // namespace
