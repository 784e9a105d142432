// The state of the serial link in words, in the Station group of the main window:
// connected (and to which device), not answering since when, or why the port cannot be
// opened. The communication thread reports each change once (UI kind 150); the words
// come from the texts panel, so they follow the language.
#pragma once
#include <string>

#include "records/queue_records.h"
#include "station/link/line_quality.h"

// The line's quality in words, for the link line's tooltip: "Line: 99.1 % clean in the
// last hour; 12 retries (9 wrong echoes, 3 no answer); last fault 14:02" (the time of
// day local, the number with the user's decimal separator).
std::string LineQualityText(const LineQualityPayload *q);
// Kind 175 (main thread): the tooltip of the link line.
void TakeLineQuality(const UIRecord *record);
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

// The MQTT state line under the link's ("MQTT: connected to broker.local"), looked at
// on every blink-timer tick since the network thread never touches a panel; each change
// is also written to stderr with the time, the journal of a headless station PC.
void ShowMqttState();
// The client's words ("retrying, connection refused") as the Station group shows them, in
// the current language.
std::string MqttStateText(const std::string &words);
