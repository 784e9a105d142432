// The state of the serial link in words, in the Station group of the main window:
// connected (and to which device), not answering since when, or why the port cannot be
// opened. The communication thread reports each change once (UI kind 150); the words
// come from the texts panel, so they follow the language.
#pragma once
#include <string>

#include "records/queue_records.h"

// Kind 150 (main thread): keeps the state and shows it. A lost link makes every value
// stale at once; a link that works again closes the port's error box.
void TakeLinkState(const UIRecord *record);
// True once the console has answered and until the link is lost again.
bool ConsoleConnected();
// Shows the state last taken in the current language (empty before the first report).
void ShowLinkState();
// The state last taken in words, as the Station group shows it ("" before any report).
std::string LinkStateWords();
// The texts panel's text that names a LinkReason.
int LinkReasonText(int32_t reason);
// Reports taken so far, and the last one with its device: for watching a (re)start.
int LinkStateReports();
const LinkStatePayload *LastLinkState(const char **device);

// Back to the start: no state reported yet.
void ForgetLinkState();

// Listens to the link-state record (150) and to the surface redraw.
void RegisterLinkDisplayListeners();
