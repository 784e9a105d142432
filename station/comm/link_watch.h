// The serial line as it behaves in real life: a USB adapter is pulled, resets or loses
// power and comes back under the same name; a console loses power on a port that stays
// open. The communication thread waits such states out instead of ending, and tells the
// user interface which state the link is in, once per change.
#pragma once
#include <cstdint>

#include "records/kor_data.h"

// How often a port that cannot be opened is tried again, and how often a console that
// stopped answering is asked for its identification.
constexpr double kLinkRetrySeconds = 5.0;
// A console whose requests have gone unanswered for this long, counted from the first
// request it left unanswered, counts as not answering. Longer than a read's time-out
// with its retry (6 s), so that one lost reply on a noisy line is not taken for a lost
// console.
constexpr double kLinkSilentSeconds = 10.0;
// The user is told sooner, so that no value looks live for long after the console fell
// silent: one lost reply is answered again within about 3 s (the read's time-out, then
// an identification that the console answers), so this much silence is more than that.
constexpr double kLinkNoticeSeconds = 5.0;

// Thread start: nothing reported yet.
void ResetLinkWatch();
// True when the port failed (device gone, hang-up), the console has left its requests
// unanswered for kLinkSilentSeconds, or the port's COMn link now leads to another device
// than the open one (looked at once a second): polling and command handling stop at their
// next step and the thread recovers the link, reopening the port where its link leads.
bool LinkMustRecover();
// Opens port n, trying again every kLinkRetrySeconds while it cannot be opened (each
// new reason reported once). 0 when open, -1 when the thread must end.
int OpenPortWhenPresent(int port);
// Identification until two successful reads agree. A console that has stopped
// answering is reported as such and asked only every kLinkRetrySeconds. 0 with *id
// set, -1 when the thread must end, -2 when the port failed meanwhile.
int IdentifyConsole(uint8_t *id);
// After an identification: reports the link as connected and plans polling to resume
// where it stood: every group and the clock read at once, the console's history header
// read again so that the download continues after the last data set the file holds.
void ResumeAfterIdentification(KORData *rec);
// After polling stopped for LinkMustRecover: stops the reception pauses and closes a
// port that failed or whose link leads elsewhere (a console silent on a working port
// that is still the right one keeps it).
void PrepareLinkRecovery();
