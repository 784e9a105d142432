// Export of the whole history file as tab-separated text for spreadsheets, in the user's
// units and decimal separator, exactly as the history view shows the values.
#pragma once
#include <cstdio>

enum HistoryTitle {
    HISTORY_TITLE_RELATIVE_PRESSURE,
    HISTORY_TITLE_ABSOLUTE_PRESSURE,
    HISTORY_TITLE_INDOOR_TEMPERATURE,
    HISTORY_TITLE_INDOOR_HUMIDITY,
    HISTORY_TITLE_OUTDOOR_TEMPERATURE,
    HISTORY_TITLE_OUTDOOR_HUMIDITY,
    HISTORY_TITLE_DEWPOINT,
    HISTORY_TITLE_WINDCHILL,
    HISTORY_TITLE_WIND_SPEED,
    HISTORY_TITLE_WIND_DIRECTION,
    HISTORY_TITLE_RAIN,
    HISTORY_TITLE_TIME,
    HISTORY_TITLE_DATE,
    HISTORY_TITLE_COUNT
};

constexpr int HISTORY_TITLE_TEXT_SIZE = 64;
constexpr int HISTORY_DIRECTION_TEXT_SIZE = 32;

// Column titles and the 16 direction names (north first, clockwise) of the export. They
// start in English; the language loading copies the texts panel's texts in here.
struct HistoryExportTexts {
    char title[HISTORY_TITLE_COUNT][HISTORY_TITLE_TEXT_SIZE];
    char direction[16][HISTORY_DIRECTION_TEXT_SIZE];
};
extern HistoryExportTexts history_export_texts;

// Size that the out buffer of GetHistoryTextFileTitleLine must have.
constexpr int HISTORY_TITLE_LINE_SIZE = 1024;
// Data sets read with one read; the file is streamed, never held whole.
constexpr int HISTORY_EXPORT_CHUNK = 100;

// Title line and units line, joined by one newline, into out (HISTORY_TITLE_LINE_SIZE
// bytes). The pressure title follows setup.absolute_pressure.
void GetHistoryTextFileTitleLine(const int *unit_choices, char *out);

// Writes the title lines and one line per data set of the history file (opened "rb") to
// the text file (opened "w"), in setup.units. Every line but the first begins with a
// newline; the text does not end with one. 0 on success; -1 when the history file cannot
// be positioned at its header (shorter than a header); -2 when the header cannot be read
// or its magic is wrong; -3 when a read of data sets comes short or a write or the final
// flush of the text fails. A header that counts more data sets than the file holds
// exports the data sets present. The number of data sets written goes to *exported when
// given.
int ConvertHistoryFileToTextFile(FILE *history, FILE *text, long long *exported = nullptr);
