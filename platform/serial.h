// Serial port services by port number. Port n is the device that the link "COMn" in the
// working directory points to when it exists, else /dev/ttyS<n-1>. Every call belongs to
// the thread that opened the port (others get kComErrThread); the receive callback is
// delivered on that thread while it processes its events. A pseudo-terminal works: the
// modem-line and handshake requests it cannot carry out succeed without effect (parity and
// fewer than 8 data bits it refuses, as settings errors). A device
// that disappears while open makes every later call fail with kComErrIO (CloseCom still
// releases the port); nothing blocks.
#pragma once

// Escape codes of ComSetEscape.
constexpr int SETXOFF = 1, SETXON = 2, SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6;
constexpr int LWRS_RXFLAG = 1;  // receive-callback event: a character arrived

// Negative results, one per kind of failure.
constexpr int kComErrPortNumber = -2;   // port number out of range
constexpr int kComErrOpen = -3;         // device present but cannot be opened (busy, refused)
constexpr int kComErrSettings = -4;     // line settings refused
constexpr int kComErrNotOpen = -5;      // no such open port
constexpr int kComErrIO = -6;           // read/write failed (device gone)
constexpr int kComErrEmpty = -7;        // ComRdByte found nothing waiting
constexpr int kComErrThread = -8;       // port opened by another, still running thread
constexpr int kComErrNoDevice = -9;     // no device there (adapter unplugged, dangling link)
constexpr int kComErrAccess = -10;      // the device is there but this user may not open it

using ComCallbackPtr = void (*)(int port, int event_mask, void *callback_data);

// parity 0 none, 1 odd, 2 even, 3 mark, 4 space; data bits 5..8; stop bits 1 or 2; no
// handshake. A non-empty device_name is used as the device path instead of the port's.
// Opening a port that is already open (on this thread) closes it first. 0 on success.
int OpenComConfig(int port, const char *device_name, long baud, int parity, int data_bits,
                  int stop_bits, int in_queue_size, int out_queue_size);
int CloseCom(int port);
int SetCTSMode(int port, int mode);  // 0 no handshake, otherwise RTS/CTS
int ComSetEscape(int port, int code);  // SETRTS, CLRRTS, SETDTR, CLRDTR
// Hands the byte to the device at once (without blocking). The byte 0..255, or negative.
int ComWrtByte(int port, int byte);
int ComRdByte(int port);  // the byte 0..255, or kComErrEmpty / other negative code
int GetInQLen(int port);  // bytes received and not yet read
// Sleeps while fewer than n bytes are waiting, for the line's time for the missing ones
// less half a byte (at most 100 ms): bytes known to be on their way are then taken in two
// wake-ups of the thread instead of one each, the last byte's own and the one after the
// sleep. Does not process events; the bytes are reported once the thread processes its
// events again. 0, or a negative code.
int ComAwaitBytes(int port, int n);
// Drop everything pending in that direction, including what the driver still holds.
int FlushInQ(int port);
int FlushOutQ(int port);
// callback(port, LWRS_RXFLAG, data) runs on the opening thread whenever bytes arrive and
// the mask has LWRS_RXFLAG; bytes it leaves unread stay waiting. event_mask 0 removes it.
int InstallComCallback(int port, int event_mask, int notify_count, int event_char,
                       ComCallbackPtr callback, void *callback_data);
// The device path a port number resolves to (for messages and tests).
const char *ComPortDevice(int port, char *buffer, int size);
// The device number the port number leads to now, 0 when it leads to no device; far
// cheaper than resolving the path, for watching whether the port moved.
unsigned long long ComPortDeviceNumber(int port);
