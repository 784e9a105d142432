// The user-interface thread's copy of the measured-values record. The display, the
// localisation of pressures (its rel_offset), the current-data file and the history view
// read it; only the user-interface thread touches it.
#pragma once
#include "records/kor_data.h"

extern KORData UI_data;
