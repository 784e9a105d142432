// The serial port to the console: opening it with the console's line settings, sending
// one command byte at a time and handing every arrival to the state machine. Only the
// communication thread calls these; the port lives from its preparation to its release.
#pragma once
#include <cstdint>

// Number of the open serial port, -1 while none is open.
extern int32_t gm_comport;

// Modem-line escape codes, named by the voltage the console sees on the line.
constexpr int P12VON = 4;   // clear RTS (kept for completeness, not used)
constexpr int P12VOFF = 3;  // set RTS
constexpr int M12VON = 5;   // set DTR
constexpr int M12VOFF = 6;  // clear DTR

// Port settings fixed by the console.
constexpr long KOR_BAUD_RATE = 2400;
constexpr int KOR_QUEUE_SIZE = 1298;

// Opens and prepares the port. 0 on success (also when port is already the open one),
// otherwise the negative code of OpenComConfig, unchanged; then no port is open.
int InitCommunication(int port);
// Releases the open port; nothing happens when none is open.
void EndCommunication();
// Discards everything waiting in both directions, sends one command byte and arms the
// response timer with the time-out of the current state. Does nothing without a port.
void KOR_SEND_COMMAND(unsigned char command);
// Receive notification of the port: hands an arrival to the state machine.
void KOR_ComCallback(int port, int event_mask, void *callback_data);

// True when the open port has failed (device gone, hang-up): nothing more can pass it
// until it is closed and opened again.
bool KOR_PortLost();
// The console's answers, for telling a silent console from a quiet line: the request
// functions mark when each step is first sent, every step the console answered as
// expected, and every step it did not answer as expected (no reply in time, a wrong echo
// or checksum); opening the port counts as an answer. SecondsConsoleSilent is 0 while the
// last step was answered, else the seconds (on the monotonic Timer()) since the first
// unanswered step was sent: a line that is merely not asked for a while is not silent.
void MarkRequestStarted();
void MarkConsoleAnswered();
void MarkConsoleUnanswered();
double SecondsConsoleSilent();
