// Users take their weather history into spreadsheets. The export streams the history
// file in chunks of data sets and builds each line in a fixed buffer, so that a file of
// millions of data sets exports in constant memory, and formats every value through the
// same localisation as the history view.
#include "history/history_export.h"

#include <cstring>
#include <ctime>
#include <sys/types.h>

#include "records/setup_record.h"
#include "history/history_file.h"
#include "values/derived.h"
#include "values/localisation.h"
#include "values/time_scales.h"

HistoryExportTexts history_export_texts = {
    {"relative air pressure", "absolute air pressure", "indoor temperature",
     "indoor humidity", "outdoor temperature", "outdoor humidity", "dewpoint", "windchill",
     "wind speed", "wind direction", "rain", "time", "date"},
    {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE", "S", "SSW", "SW", "WSW", "W", "WNW",
     "NW", "NNW"},
};

namespace {

constexpr int kLineSize = 512;
constexpr uint16_t kIndoorHumidityMissing = 98;
constexpr uint16_t kOutdoorHumidityMissing = 110;

// A line under construction in a fixed buffer; what does not fit is cut.
struct Line {
    char text[kLineSize];
    size_t used;
};

void PutText(Line *line, const char *text) {
    size_t n = strlen(text);
    const size_t room = sizeof line->text - 1 - line->used;
    if (n > room) n = room;
    memcpy(line->text + line->used, text, n);
    line->used += n;
    line->text[line->used] = '\0';
}

void Put(Line *line, const char *a, const char *b = "") {
    PutText(line, a);
    PutText(line, b);
}

void PutField(Line *line, const char *text) { Put(line, "\t", text); }

const char *UnitText(int quantity, const UnitsRecord *units) {
    static thread_local char unit[sizeof(LocalisedValue::unit_text)];
    const float zero = 0.0f;
    snprintf(unit, sizeof unit, "%s", LocaliseMeasuredValues(quantity, units, &zero)->unit_text);
    return unit;
}

void PutHumidity(Line *line, uint16_t humidity, uint16_t missing) {
    char text[16];
    if (humidity == missing)
        snprintf(text, sizeof text, "%s", MARKER_NOT_AVAILABLE);
    else
        snprintf(text, sizeof text, "%2d", static_cast<int>(humidity));
    PutField(line, text);
}

// Value text of a quantity; the status of the value is given back.
int PutValue(Line *line, int quantity, const UnitsRecord *units, float value, bool first) {
    const LocalisedValue *v = LocaliseMeasuredValues(quantity, units, &value);
    if (first)
        Put(line, "\n", v->value_text);
    else
        PutField(line, v->value_text);
    return v->status;
}

void BuildDataLine(const HistoryRecord &d, const UnitsRecord *units, Line *line) {
    line->used = 0;
    line->text[0] = '\0';
    const int pressure_quantity =
        setup.absolute_pressure ? QUANTITY_ABSOLUTE_PRESSURE : QUANTITY_RELATIVE_PRESSURE;
    PutValue(line, pressure_quantity, units, d.pressure, true);
    PutValue(line, QUANTITY_INDOOR_TEMPERATURE, units, d.indoor_temperature, false);
    PutHumidity(line, d.indoor_humidity, kIndoorHumidityMissing);
    const int outdoor =
        PutValue(line, QUANTITY_OUTDOOR_TEMPERATURE, units, d.outdoor_temperature, false);
    PutHumidity(line, d.outdoor_humidity, kOutdoorHumidityMissing);

    const float wind = d.wind_speed;
    const int wind_status = LocaliseMeasuredValues(QUANTITY_WIND_SPEED, units, &wind)->status;
    if (d.outdoor_humidity == kOutdoorHumidityMissing || outdoor != LOCALISED_VALID) {
        PutField(line, MARKER_NOT_AVAILABLE);
    } else {
        const float dewpoint = CalculateDewpoint(&d.outdoor_temperature, &d.outdoor_humidity);
        PutValue(line, QUANTITY_OUTDOOR_TEMPERATURE, units, dewpoint, false);
    }
    if (wind_status != LOCALISED_VALID || outdoor != LOCALISED_VALID) {
        PutField(line, MARKER_NOT_AVAILABLE);
    } else {
        const float chill = CalculateWindchill(&d.outdoor_temperature, &d.wind_speed);
        PutValue(line, QUANTITY_OUTDOOR_TEMPERATURE, units, chill, false);
    }
    PutValue(line, QUANTITY_WIND_SPEED, units, d.wind_speed, false);
    const bool has_direction = wind_status != LOCALISED_NOT_AVAILABLE &&
                               d.wind_direction >= 0 && d.wind_direction < 16;
    PutField(line, has_direction ? history_export_texts.direction[d.wind_direction]
                                 : MARKER_NOT_AVAILABLE);
    PutValue(line, QUANTITY_RAIN_TOTAL, units, d.rain, false);

    struct tm *fields = nullptr;
    SerToKORTime(&fields, &d.time);
    char text[48];
    snprintf(text, sizeof text, "%02d:%02d", fields->tm_hour, fields->tm_min);
    PutField(line, text);
    snprintf(text, sizeof text, "%02d.%02d.%04d", fields->tm_mday, fields->tm_mon + 1,
             fields->tm_year + 1900);
    PutField(line, text);
}

bool WriteText(FILE *text, const char *bytes, size_t size) {
    return size == 0 || fwrite(bytes, size, 1, text) == 1;
}

}  // namespace

void GetHistoryTextFileTitleLine(const int *unit_choices, char *out) {
    if (out == nullptr) return;
    UnitsRecord units{};
    if (unit_choices != nullptr) memcpy(&units, unit_choices, sizeof units);
    const char(*title)[HISTORY_TITLE_TEXT_SIZE] = history_export_texts.title;
    const int pressure =
        setup.absolute_pressure ? HISTORY_TITLE_ABSOLUTE_PRESSURE : HISTORY_TITLE_RELATIVE_PRESSURE;
    char temperature[sizeof(LocalisedValue::unit_text)];
    snprintf(temperature, sizeof temperature, "%s",
             UnitText(QUANTITY_OUTDOOR_TEMPERATURE, &units));
    char pressure_unit[sizeof(LocalisedValue::unit_text)];
    snprintf(pressure_unit, sizeof pressure_unit, "%s",
             UnitText(QUANTITY_ABSOLUTE_PRESSURE, &units));
    char wind[sizeof(LocalisedValue::unit_text)];
    snprintf(wind, sizeof wind, "%s", UnitText(QUANTITY_WIND_SPEED, &units));
    const char *rain = UnitText(QUANTITY_RAIN_TOTAL, &units);
    snprintf(out, HISTORY_TITLE_LINE_SIZE,
             "%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n"
             "[%s]\t[%s]\t[%%]\t[%s]\t[%%]\t[%s]\t[%s]\t[%s]\t\t[%s]",
             title[pressure], title[HISTORY_TITLE_INDOOR_TEMPERATURE],
             title[HISTORY_TITLE_INDOOR_HUMIDITY], title[HISTORY_TITLE_OUTDOOR_TEMPERATURE],
             title[HISTORY_TITLE_OUTDOOR_HUMIDITY], title[HISTORY_TITLE_DEWPOINT],
             title[HISTORY_TITLE_WINDCHILL], title[HISTORY_TITLE_WIND_SPEED],
             title[HISTORY_TITLE_WIND_DIRECTION], title[HISTORY_TITLE_RAIN],
             title[HISTORY_TITLE_TIME], title[HISTORY_TITLE_DATE], pressure_unit, temperature,
             temperature, temperature, temperature, wind, rain);
}

int ConvertHistoryFileToTextFile(FILE *history, FILE *text, long long *exported) {
    if (history == nullptr || text == nullptr) return -1;
    if (fseeko(history, -HISTORY_HEADER_SIZE, SEEK_END) != 0) return -1;
    const off_t header_at = ftello(history);
    if (header_at < 0) return -1;
    HistoryFileHeader header{};
    if (fread(&header, sizeof header, 1, history) != 1) return -2;
    if (header.magic != HISTORY_FILE_MAGIC) return -2;
    // Only data sets that lie wholly before the header are exported.
    const int64_t present = header_at / HISTORY_RECORD_SIZE;
    const int64_t count = header.count < 0 ? 0 : header.count < present ? header.count : present;

    rewind(text);
    char titles[HISTORY_TITLE_LINE_SIZE];
    GetHistoryTextFileTitleLine(&setup.units.pressure_unit, titles);
    if (!WriteText(text, titles, strlen(titles))) return -3;

    rewind(history);
    HistoryRecord chunk[HISTORY_EXPORT_CHUNK];
    Line line;
    for (int64_t done = 0; done < count;) {
        const size_t n = static_cast<size_t>(
            count - done < HISTORY_EXPORT_CHUNK ? count - done : HISTORY_EXPORT_CHUNK);
        if (fread(chunk, sizeof chunk[0], n, history) != n) return -3;
        for (size_t i = 0; i < n; ++i) {
            BuildDataLine(chunk[i], &setup.units, &line);
            if (!WriteText(text, line.text, line.used)) return -3;
        }
        done += static_cast<int64_t>(n);
    }
    if (fflush(text) != 0) return -3;
    if (exported != nullptr) *exported = count;
    return 0;
}
