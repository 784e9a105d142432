// The main window's offer of the console's older data sets: a bar above the buttons while
// the console holds data sets older than the history file's first one, until the user
// stores them or puts them off for this file. It only asks; nothing is fetched without a
// click, and the window stays usable while it is shown. While they are stored the bar
// says how far it has come ("Storing 37 of 99…"); its place is kept while it is hidden,
// so nothing moves when it comes or goes. The History window's "Store older data sets"
// asks for them too, after Not now as well. Main thread only.
#pragma once
#include "records/queue_records.h"

// UI record UI_OLDER_DATA_SETS: what the console holds now (a count of 0 withdraws it).
void TakeOlderDataSetsOffer(const UIRecord *record);
// UI record UI_OLDER_DATA_SETS_STORED, after the history view has taken the new header:
// the request is answered; the next report tells what is left.
void OlderDataSetsAnswered();
// Shows or hides the bar for the offer as it stands, with its text in the present
// language and date style.
void ShowOlderDataSetsBar();
// Older data sets the console holds by its last report, offered or not.
int OlderDataSetsOnConsoleCount();

// Store, in the bar or the History window (commit): asks the communication thread for
// the older data sets.
int StoreOlderDataSetsClicked(int panel, int control, int event, void *callback_data,
                              int event_data1, int event_data2);
// Not now (commit): no bar again for this file in this run.
int PutOffOlderDataSets(int panel, int control, int event, void *callback_data,
                        int event_data1, int event_data2);

void RegisterOlderDataSetsCallbacks();

// Listens to the offer (170), its answer (171) and progress (185), and to the surface
// redraw.
void RegisterOlderDataSetsListeners();
