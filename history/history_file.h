// The history file: data sets downloaded from the console, oldest first, followed by a
// header with a magic number at the very end of the file.
#pragma once
#include "history/history_records.h"

// Defaults of a new header (rain offset not yet determined, no data sets); magic is left
// to whoever creates the file.
void SetFileHistoryHeaderToDefault(HistoryFileHeader *header);
