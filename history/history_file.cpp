// The history file's header defaults.
#include "history/history_file.h"

void SetFileHistoryHeaderToDefault(HistoryFileHeader *header) {
    header->rain_offset = HISTORY_RAIN_OFFSET_UNKNOWN;
    header->last_raw_rain = 0.0f;
    header->reserved = 0;
    header->count = 0;
    header->first_time = 0;
    header->last_time = 0;
}
