// Running the station link in tests as the program runs it: on a thread with its own
// event loop, scheduled through the thread pool, with the port and the timer panel
// opened on that thread so that serial arrivals and timer ticks are delivered there.
#pragma once
#include <functional>

// Runs body on a thread of its own and waits for it; returns body's result.
int RunOnOwnThread(const std::function<int()> &body);
// Same, with the link opened on port before body and closed after it. Returns the
// result of opening (0, -1 port failed, -2 timer panel failed); body runs only on 0.
int RunWithStationLink(int port, const std::function<void()> &body);

// The link's flags and mailboxes at rest, flag_quit 0, console identification 2.
void ResetLinkFlags();
// On the link thread: processes events until the state machine posts a result or
// `seconds` pass. Returns the result taken from the slot (0 when none came).
int PumpUntilResult(double seconds);
// On the link thread: processes events for `seconds`.
void PumpEvents(double seconds);
