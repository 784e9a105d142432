// Who hears of a UI record. The views register at start-up for the record kinds they
// show; the dispatcher takes each record into UI_data and then hands it to them in the
// order they registered. So neither the dispatcher nor the display names a view, and a
// new view (a tray, a publisher) is one registration instead of one more call wired into
// the display. Main thread only, like the records' reader.
#pragma once
#include "records/queue_records.h"

using UIRecordListener = void (*)(const UIRecord *record);
using SurfaceListener = void (*)();

// Room for every view with room to spare; a registration beyond it is refused.
constexpr int kMaxUIRecordListeners = 64;

// Listens to the kinds first_kind..last_kind. 0, or -1 when the table is full or the
// listener is null.
int ListenToUIRecords(int first_kind, int last_kind, UIRecordListener listener);
// Hands the record to every listener of its kind, in registration order.
void HandUIRecordToListeners(const UIRecord *record);

// Listens to the redraw of everything from UI_data (units, language, a group gone stale).
// 0, or -1 when the table is full or the listener is null.
int ListenToSurfaceRefresh(SurfaceListener listener);
void HandSurfaceRefreshToListeners();

// Forgets every registration, so that registering again at a new start does not
// register twice.
void ForgetUIRecordListeners();
