// Telling systemd how the program is doing when it runs as a Type=notify service: the
// sd_notify protocol, one datagram per notice to the socket NOTIFY_SOCKET names (a path,
// or "@name" in the abstract namespace). Outside such a service every call does nothing.
#pragma once

// Sends one notice ("READY=1", "WATCHDOG=1", "STOPPING=1", "STATUS=text"). 0 when sent,
// 1 when no manager listens (NOTIFY_SOCKET unset), -1 when the socket refused it.
int ServiceNotify(const char *notice);
// The watchdog period the manager asked of this process (WATCHDOG_USEC, heeded only when
// WATCHDOG_PID is unset or names this process) in seconds; 0 when none.
double ServiceWatchdogPeriod();
// Calls tick every seconds on the main thread while its event loop runs.
void RunOnMainThreadEvery(double seconds, void (*tick)());
