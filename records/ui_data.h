// The user-interface thread's copy of the measured-values record. The display, the
// localisation of pressures (its rel_offset), the current-data file and the history view
// read it; only the user-interface thread touches it.
#pragma once
#include "records/kor_data.h"

extern KORData UI_data;

// Which value groups the console has delivered in this run, by the UI record kind that
// carries them (7 to 19; the pressure kinds 16 to 18 are one group). A group never
// delivered holds only defaults, which must not be shown as readings.
void MarkUIGroupDelivered(int kind);
bool UIGroupDelivered(int kind);
// Start-up (and a test's fresh start): nothing delivered yet.
void ForgetUIGroupsDelivered();
// The link to the console is lost: every group's live timer runs out at once, so each
// view treats every value as stale (dimmed, placeholders in currdat.lst) until it comes
// again.
void MarkUIGroupsStale();
