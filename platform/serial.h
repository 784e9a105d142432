// Serial port services by port number. Port n is the device that the link "COMn" in the
// working directory points to when it exists, else /dev/ttyS<n-1>. Every call belongs to
// the thread that opened the port; the receive callback is delivered on that thread.
#pragma once

// Escape codes of ComSetEscape.
constexpr int SETXOFF = 1, SETXON = 2, SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6;
constexpr int LWRS_RXFLAG = 1;  // receive-callback event: a character arrived

// Negative results, one per kind of failure.
constexpr int kComErrPortNumber = -2;   // port number out of range
constexpr int kComErrOpen = -3;         // device missing or cannot be opened
constexpr int kComErrSettings = -4;     // line settings refused
constexpr int kComErrNotOpen = -5;      // no such open port
constexpr int kComErrIO = -6;           // read/write failed (device gone)
constexpr int kComErrEmpty = -7;        // ComRdByte found nothing waiting

using ComCallbackPtr = void (*)(int port, int event_mask, void *callback_data);

int OpenComConfig(int port, const char *device_name, long baud, int parity, int data_bits,
                  int stop_bits, int in_queue_size, int out_queue_size);
int CloseCom(int port);
int SetCTSMode(int port, int mode);
int ComSetEscape(int port, int code);
int ComWrtByte(int port, int byte);
int ComRdByte(int port);  // the byte 0..255, or kComErrEmpty / other negative code
int GetInQLen(int port);
int FlushInQ(int port);
int FlushOutQ(int port);
// event_mask 0 removes the callback.
int InstallComCallback(int port, int event_mask, int notify_count, int event_char,
                       ComCallbackPtr callback, void *callback_data);
// The device path a port number resolves to (for messages and tests).
const char *ComPortDevice(int port, char *buffer, int size);
