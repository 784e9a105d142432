// Date and time texts used everywhere in the program, and the minimum/maximum texts shown
// beside each reading, in the user's date style and units.
#pragma once
#include <cstdint>

// Every output of GetTimeDateString must hold at least this many bytes.
constexpr int TIME_DATE_TEXT_SIZE = 32;
constexpr int MIN_MAX_TEXT_SIZE = 51;
// The two-line texts hold two whole single texts and the line break.
constexpr int MIN_MAX_BOTH_SIZE = 2 * MIN_MAX_TEXT_SIZE;

// A stamp is a broken-down time of int32 words: second, minute, hour, day of month, month
// from 0, years since 1900 (further words are not read). With setup.time_24h:
// "07.12.06 14:05", "07.12.06", "14:05" (day first); without: "06.12.07 02:05 PM",
// "06.12.07", "02:05 PM" (year first, 12-hour clock). Null outputs are skipped; a null
// stamp leaves every output empty. Returns 0.
int GetTimeDateString(const int32_t *time, char *date_and_time, char *date,
                      char *time_of_day);

// A time stamp of the history file as GetTimeDateString's date-and-time text of the
// wall-clock time it stands for (output of TIME_DATE_TEXT_SIZE bytes). Returns 0; -1,
// with "---", when the stamp cannot be split.
int GetFileStampString(uint32_t stamp, char *date_and_time);

struct MinMaxTexts {
    char max_value[MIN_MAX_TEXT_SIZE];
    char max_label[MIN_MAX_TEXT_SIZE];
    char max_date[MIN_MAX_TEXT_SIZE];
    char max_time_text[MIN_MAX_TEXT_SIZE];
    char max_datetime[MIN_MAX_TEXT_SIZE];
    char max_full[MIN_MAX_TEXT_SIZE];
    char min_value[MIN_MAX_TEXT_SIZE];
    char min_label[MIN_MAX_TEXT_SIZE];
    char min_date[MIN_MAX_TEXT_SIZE];
    char min_time_text[MIN_MAX_TEXT_SIZE];
    char min_datetime[MIN_MAX_TEXT_SIZE];
    char min_full[MIN_MAX_TEXT_SIZE];
    char both[MIN_MAX_BOTH_SIZE];
    char both_full[MIN_MAX_BOTH_SIZE];
};

// Kinds: 2, 3 humidity; 4 indoor temperature; 5, 6, 7 outdoor temperature (also dewpoint
// and windchill); 8 wind speed; 10 absolute, 11 relative pressure; 12 rain total; 13, 15
// one-hour rain; 14, 16 24-hour rain (12..16 have a maximum only). Any pointer may be
// null. Values are shown in setup.units. Texts of a step that does not run (a stamp not
// given) keep what the previous call left. The result is a per-thread record.
MinMaxTexts *GetMinMaxText(int kind, const float *min, const int32_t *min_stamp,
                           const float *max, const int32_t *max_stamp);
