// systemd's watchdog for the service: the main loop tells systemd every so often that
// the program is alive, but only while the communication thread still processes its
// events. A thread stuck in a call that never returns then stops the notices, and
// systemd restarts the program (WatchdogSec= in the unit) instead of letting it record
// nothing for days.
#pragma once

// Says READY=1 to the service manager and, when it asked for a watchdog, feeds it at a
// third of its period from the main loop. Nothing outside a Type=notify service.
void StartServiceWatchdog();
// One look at the communication thread: WATCHDOG=1 when it processed events since the
// previous look (or was started anew). Says once on stderr when it stops feeding.
// Returns 1 when it fed the watchdog.
int ServiceWatchdogTick();
// STOPPING=1, before the orderly quit waits for the communication thread.
void ServiceStopping();
