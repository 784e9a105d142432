// Defaults of the two history headers. Both threads and the history file start from
// them, so they live with the records rather than with any one user of them.
#include "records/history_records.h"

void SetFileHistoryHeaderToDefault(HistoryFileHeader *header) {
    if (header == nullptr) return;
    header->rain_offset = HISTORY_RAIN_OFFSET_UNKNOWN;
    header->last_raw_rain = 0.0f;
    header->reserved = 0;
    header->count = 0;
    header->first_time = 0;
    header->last_time = 0;
}

void SetKORHistoryHeaderToDefault(KORHistoryHeader *header) {
    header->header_timer = 0;
    header->next_data_set_time = 0;
    header->interval_code = -1;
    header->countdown = 2;
    header->index = 0;
    header->data_number = 0;
    header->read_index = 0;
    header->to_read = 0;
}
