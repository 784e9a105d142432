// The history panel shows the history file one page of 20 data sets at a time, read from
// the file when the page is asked for, so that neither the file's size nor the
// communication thread's appends slow the user interface down. Values appear as in the
// text export: in the user's units, with dewpoint and windchill derived from each data
// set, and the markers for readings the console did not have.
#include "windows/history_view.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

#include "windows/KOR.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "records/ui_data.h"
#include "history/history_export.h"
#include "history/history_file.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "records/queue_records.h"
#include "station/comm/tsq_records.h"
#include "values/derived.h"
#include "values/localisation.h"
#include "values/time_scales.h"
#include "values/time_texts.h"
#include "records/ui_listeners.h"

namespace {

constexpr uint16_t kIndoorHumidityMissing = 98;
constexpr uint16_t kOutdoorHumidityMissing = 110;
constexpr int kCommandHistoryFileChanged = 3;
constexpr int kTextSize = 304;

enum Column {
    COL_PRESSURE, COL_INDOOR_TEMP, COL_INDOOR_HUM, COL_OUTDOOR_TEMP, COL_OUTDOOR_HUM,
    COL_DEWPOINT, COL_WINDCHILL, COL_WIND, COL_DIRECTION, COL_RAIN, COL_TIME, COL_DATE
};

// 0 until the view has shown a file: the first showing opens at the newest page.
int history_loaded = 0;

int PressureQuantity() {
    return setup.absolute_pressure ? QUANTITY_ABSOLUTE_PRESSURE : QUANTITY_RELATIVE_PRESSURE;
}

// Copies what fits and always terminates; a long language text is cut, not refused.
void CopyCut(char *out, size_t size, const char *text) {
    size_t n = strnlen(text, size - 1);
    // Never half a UTF-8 letter.
    if (text[n] != '\0')
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    memcpy(out, text, n);
    out[n] = '\0';
}

void Cell(char *cell, const char *text) { CopyCut(cell, HISTORY_CELL_SIZE, text); }

// The value text of a quantity into the cell; gives back the value's status.
int ValueCell(char *cell, int quantity, float value) {
    const LocalisedValue *v = LocaliseMeasuredValues(quantity, &setup.units, &value);
    Cell(cell, v->value_text);
    return v->status;
}

void HumidityCell(char *cell, uint16_t humidity, uint16_t missing) {
    if (humidity == missing)
        Cell(cell, MARKER_NOT_AVAILABLE);
    else
        snprintf(cell, HISTORY_CELL_SIZE, "%2d", static_cast<int>(humidity));
}

void StampCells(uint32_t stamp, char *time_cell, char *date_cell) {
    GMTToLocalTime(&stamp);
    const time_t t = static_cast<time_t>(stamp);
    struct tm fields{};
    if (gmtime_r(&t, &fields) == nullptr) {
        Cell(time_cell, MARKER_NOT_AVAILABLE);
        Cell(date_cell, MARKER_NOT_AVAILABLE);
        return;
    }
    const int32_t words[6] = {fields.tm_sec, fields.tm_min,  fields.tm_hour,
                              fields.tm_mday, fields.tm_mon, fields.tm_year};
    char date[TIME_DATE_TEXT_SIZE];
    char time_of_day[TIME_DATE_TEXT_SIZE];
    GetTimeDateString(words, nullptr, date, time_of_day);
    Cell(time_cell, time_of_day);
    Cell(date_cell, date);
}

// The history file's path as a terminated string (the settings field need not be).
void HistoryPath(char *out, size_t size) {
    size_t n = 0;
    while (n + 1 < size && n < sizeof setup.history_file && setup.history_file[n] != '\0') ++n;
    memcpy(out, setup.history_file, n);
    out[n] = '\0';
}

// Whole data sets the file holds before a header's room; the view never labels a row
// with a number the file does not have, whatever the header says.
int DataSetsInFile() {
    char path[sizeof setup.history_file + 1];
    HistoryPath(path, sizeof path);
    struct stat st{};
    if (stat(path, &st) != 0 || st.st_size < HISTORY_HEADER_SIZE) return 0;
    const long long n = (st.st_size - HISTORY_HEADER_SIZE) / HISTORY_RECORD_SIZE;
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
}

int HeaderCount() { return UI_data.file_header.count > 0 ? UI_data.file_header.count : 0; }

int PanelShown() {
    int visible = 0;
    if (historyP <= 0 || GetPanelAttribute(historyP, ATTR_VISIBLE, &visible) < 0) return 0;
    return visible;
}

// The end of the page for an asked end: the newest page for -1 or anything past the
// file, the whole file when it fits one page, never a page shorter than the first.
int PageEnd(int end, int count) {
    if (end < 0 || end > count || count <= HISTORY_PAGE_ROWS) return count;
    return end < HISTORY_PAGE_ROWS ? HISTORY_PAGE_ROWS : end;
}

void ShowReadFailure(int failed) {
    char text[kTextSize] = "";
    if (failed) GetPanelText(TXTP_HISTORY_READ_FAILED, text, sizeof text);
    SetCtrlVal(historyP, HISTORYP_MESSAGE, text);
    SetCtrlAttribute(historyP, HISTORYP_MESSAGE, ATTR_VISIBLE, failed ? 1 : 0);
}

void FillRow(int row, const char *label, char cells[HISTORY_COLUMNS][HISTORY_CELL_SIZE]) {
    SetTableRowAttribute(historyP, HISTORYP_TABLE, row, ATTR_LABEL_TEXT, label);
    for (int c = 0; c < HISTORY_COLUMNS; ++c)
        SetTableCellVal(historyP, HISTORYP_TABLE, MakePoint(c + 1, row), cells[c]);
}

void FillTable(const HistoryRecord *page, int n, int first_number) {
    char cells[HISTORY_COLUMNS][HISTORY_CELL_SIZE];
    char label[16];
    for (int i = 0; i < n; ++i) {
        FormatHistoryRow(&page[i], cells);
        snprintf(label, sizeof label, " %7d ", first_number + i);
        FillRow(i + 1, label, cells);
    }
    memset(cells, 0, sizeof cells);
    for (int row = n + 1; row <= HISTORY_PAGE_ROWS; ++row) FillRow(row, "", cells);
}

void SplitHistoryPath(char *dir, char *file, size_t size) {
    char path[sizeof setup.history_file + 1];
    HistoryPath(path, sizeof path);
    const char *slash = strrchr(path, '/');
    const size_t dir_length = slash != nullptr ? static_cast<size_t>(slash - path) + 1 : 0;
    CopyCut(file, size, path + dir_length);
    path[dir_length] = '\0';
    CopyCut(dir, size, path);
}

// The export writes the same titles and direction names as the table shows.
void TakeExportTexts() {
    static const int titles[HISTORY_TITLE_COUNT] = {
        TXTP_COL_PRESS_REL, TXTP_COL_PRESS_ABS, TXTP_COL_ITEMP, TXTP_COL_IHUM,
        TXTP_COL_OTEMP,     TXTP_COL_OHUM,      TXTP_COL_DEW,   TXTP_COL_CHILL,
        TXTP_COL_WIND,      TXTP_COL_WINDDIR,   TXTP_COL_RAIN,  TXTP_COL_TIME,
        TXTP_COL_DATE};
    char text[kTextSize];
    for (int i = 0; i < HISTORY_TITLE_COUNT; ++i) {
        if (GetPanelText(titles[i], text, sizeof text)[0] == '\0') continue;
        CopyCut(history_export_texts.title[i], HISTORY_TITLE_TEXT_SIZE, text);
    }
    for (int d = 0; d < 16; ++d) {
        if (GetPanelText(TXTP_DIR_0 + d, text, sizeof text)[0] == '\0') continue;
        CopyCut(history_export_texts.direction[d], HISTORY_DIRECTION_TEXT_SIZE, text);
    }
}

void TakeHistoryFile(const UIRecord *r) {
    memcpy(&UI_data.file_header, r->payload, sizeof UI_data.file_header);
    // The path crosses the queue as bytes; it need not be terminated.
    size_t n = 0;
    while (n < sizeof r->text && n < sizeof setup.history_file - 1 && r->text[n] != '\0') ++n;
    memcpy(setup.history_file, r->text, n);
    setup.history_file[n] = '\0';
    // A failed save is not shown; the path in memory is saved with the next save.
    (void)SaveSetup(&setup);
    UI_data.history_file_ok = 1;
    ActualiseScrollBar(&UI_data.file_header);
    ActualiseCurrentInfoFileHeader(&UI_data.file_header);
    // Another file: its newest page.
    UpdateHistoryPanel(-1);
}

void TakeHistoryStored(const UIRecord *r) {
    // A view at the end follows the end; one on an older page stays there.
    const int follow = HistoryViewShowsEnd();
    memcpy(&UI_data.file_header, r->payload, sizeof UI_data.file_header);
    UI_data.history_file_ok = 1;
    ActualiseCurrentInfoFileHeader(&UI_data.file_header);
    ActualiseScrollBar(&UI_data.file_header);
    if (follow) UpdateHistoryPanel(-1);
}

// Data sets were put in front of the file: the data sets on screen stay on screen (they
// moved back in the file), and a view at the end stays there.
void TakeOlderDataSetsStored(const UIRecord *r) {
    const int follow = HistoryViewShowsEnd();
    int position = -1;
    GetCtrlVal(historyP, HISTORYP_SCROLLBAR, &position);
    const int before = UI_data.file_header.count;
    memcpy(&UI_data.file_header, r->payload, sizeof UI_data.file_header);
    UI_data.history_file_ok = 1;
    ActualiseCurrentInfoFileHeader(&UI_data.file_header);
    ActualiseScrollBar(&UI_data.file_header);
    const int added = UI_data.file_header.count - before;
    UpdateHistoryPanel(follow || position < 0 ? -1 : position + added);
}

// The history file's records are taken here, not in the dispatcher: the view must see
// where it stood in the old file before the header changes.
void TakeHistoryFileRecord(const UIRecord *r) {
    if (r->kind == 6) TakeHistoryFile(r);
    else if (r->kind == 171) TakeOlderDataSetsStored(r);
    else TakeHistoryStored(r);
}

// The console's history header came, or its interval was written: the settings button
// may be used.
void EnableHistorySettings(const UIRecord *) {
    SetCtrlAttribute(historyP, HISTORYP_HIST_SETTINGS, ATTR_DIMMED, 0);
}

}  // namespace

void FormatHistoryRow(const HistoryRecord *d, char cells[HISTORY_COLUMNS][HISTORY_CELL_SIZE]) {
    ValueCell(cells[COL_PRESSURE], PressureQuantity(), d->pressure);
    ValueCell(cells[COL_INDOOR_TEMP], QUANTITY_INDOOR_TEMPERATURE, d->indoor_temperature);
    HumidityCell(cells[COL_INDOOR_HUM], d->indoor_humidity, kIndoorHumidityMissing);
    const int outdoor =
        ValueCell(cells[COL_OUTDOOR_TEMP], QUANTITY_OUTDOOR_TEMPERATURE, d->outdoor_temperature);
    HumidityCell(cells[COL_OUTDOOR_HUM], d->outdoor_humidity, kOutdoorHumidityMissing);
    const int wind = ValueCell(cells[COL_WIND], QUANTITY_WIND_SPEED, d->wind_speed);

    if (d->outdoor_humidity == kOutdoorHumidityMissing || outdoor != LOCALISED_VALID) {
        Cell(cells[COL_DEWPOINT], MARKER_NOT_AVAILABLE);
    } else {
        // A dewpoint that is no number (0 %) comes back from the localisation as "---".
        const float dewpoint = CalculateDewpoint(&d->outdoor_temperature, &d->outdoor_humidity);
        ValueCell(cells[COL_DEWPOINT], QUANTITY_OUTDOOR_TEMPERATURE, dewpoint);
    }
    if (wind != LOCALISED_VALID || outdoor != LOCALISED_VALID) {
        Cell(cells[COL_WINDCHILL], MARKER_NOT_AVAILABLE);
    } else {
        const float chill = CalculateWindchill(&d->outdoor_temperature, &d->wind_speed);
        ValueCell(cells[COL_WINDCHILL], QUANTITY_OUTDOOR_TEMPERATURE, chill);
    }
    if (wind == LOCALISED_NOT_AVAILABLE) {
        Cell(cells[COL_DIRECTION], MARKER_NOT_AVAILABLE);
    } else {
        char name[kTextSize];
        GetDirectionString(d->wind_direction, name, nullptr);
        Cell(cells[COL_DIRECTION], name);
    }
    ValueCell(cells[COL_RAIN], QUANTITY_RAIN_TOTAL, d->rain);
    StampCells(d->time, cells[COL_TIME], cells[COL_DATE]);
}

int ActualiseScrollBar(const HistoryFileHeader *header) {
    const int count = header != nullptr && header->count > 0 ? header->count : 0;
    int minimum = HISTORY_PAGE_ROWS, maximum = count, page = 0;
    if (count == 0) {
        minimum = 0;
        maximum = 1;
    } else if (count <= HISTORY_PAGE_ROWS) {
        maximum = HISTORY_PAGE_ROWS + 1;
    } else {
        page = count - (HISTORY_PAGE_ROWS + 1);
        if (page < 1) page = 1;
        if (page > HISTORY_PAGE_ROWS) page = HISTORY_PAGE_ROWS;
    }
    SetCtrlAttribute(historyP, HISTORYP_SCROLLBAR, ATTR_MIN_VALUE, minimum);
    SetCtrlAttribute(historyP, HISTORYP_SCROLLBAR, ATTR_MAX_VALUE, maximum);
    SetCtrlAttribute(historyP, HISTORYP_SCROLLBAR, ATTR_PAGE_STEP, page);
    SetCtrlAttribute(historyP, HISTORYP_SCROLLBAR, ATTR_DIMMED, 0);
    return 0;
}

int UpdateHistoryPanel(int end) {
    const int count = HeaderCount();
    end = PageEnd(end, count);
    SetCtrlVal(historyP, HISTORYP_SCROLLBAR, end);
    if (!PanelShown()) return HISTORY_VIEW_HIDDEN;
    if (UI_data.history_file_ok == 0) return HISTORY_VIEW_NOT_READY;

    // A file shorter than its header says shows the data sets it has, numbered truly.
    const int present = DataSetsInFile();
    const int read_end = end < present ? end : present;
    HistoryRecord page[HISTORY_PAGE_ROWS];
    const int n = GetHistoryDataFromFile(&UI_data, page, read_end, HISTORY_PAGE_ROWS);
    // The table is filled in one go without processing events between cells, so the
    // user never sees half a page.
    const int policy = GetSleepPolicy();
    SetSleepPolicy(VAL_SLEEP_NONE);
    const int shown = n > 0 ? n : 0;
    FillTable(page, shown, read_end - shown + 1);
    ShowReadFailure(n < 0);
    SetSleepPolicy(policy);
    if (n < 0) return HISTORY_VIEW_READ_FAILED;
    history_loaded = 1;
    return 0;
}

void InitTableTileLine(const int *unit_choices) {
    UnitsRecord units{};
    if (unit_choices != nullptr) memcpy(&units, unit_choices, sizeof units);
    const float zero = 0.0f;
    char unit[4][sizeof(LocalisedValue::unit_text)];
    const int unit_quantities[4] = {QUANTITY_ABSOLUTE_PRESSURE, QUANTITY_OUTDOOR_TEMPERATURE,
                                    QUANTITY_WIND_SPEED, QUANTITY_RAIN_TOTAL};
    for (int i = 0; i < 4; ++i)
        snprintf(unit[i], sizeof unit[i], "%s",
                 LocaliseMeasuredValues(unit_quantities[i], &units, &zero)->unit_text);
    enum { PRESSURE, TEMPERATURE, WIND, RAIN, PERCENT, NONE };
    struct Title {
        int text;
        int unit;
    };
    const Title titles[HISTORY_COLUMNS] = {
        {setup.absolute_pressure ? TXTP_COL_PRESS_ABS : TXTP_COL_PRESS_REL, PRESSURE},
        {TXTP_COL_ITEMP, TEMPERATURE}, {TXTP_COL_IHUM, PERCENT},
        {TXTP_COL_OTEMP, TEMPERATURE}, {TXTP_COL_OHUM, PERCENT},
        {TXTP_COL_DEW, TEMPERATURE},   {TXTP_COL_CHILL, TEMPERATURE},
        {TXTP_COL_WIND, WIND},         {TXTP_COL_WINDDIR, NONE},
        {TXTP_COL_RAIN, RAIN},         {TXTP_COL_TIME, NONE},
        {TXTP_COL_DATE, NONE}};
    char text[kTextSize];
    char title[kTextSize + 32];
    for (int c = 0; c < HISTORY_COLUMNS; ++c) {
        GetPanelText(titles[c].text, text, sizeof text);
        if (titles[c].unit == NONE)
            snprintf(title, sizeof title, "%s", text);
        else if (titles[c].unit == PERCENT)
            snprintf(title, sizeof title, "%s\n[%%]", text);
        else
            snprintf(title, sizeof title, "%s\n[%s]", text, unit[titles[c].unit]);
        SetTableColumnAttribute(historyP, HISTORYP_TABLE, c + 1, ATTR_LABEL_TEXT, title);
        // Numbers line up on their last digit; names, times and dates sit centred.
        SetTableColumnAttribute(historyP, HISTORYP_TABLE, c + 1, ATTR_CELL_JUSTIFY,
                                titles[c].unit == NONE ? VAL_CENTER_JUSTIFIED : VAL_RIGHT_JUSTIFIED);
    }
    TakeExportTexts();
}

void DisplayHistoryPanel() {
    if (PanelShown()) {
        DisplayPanel(historyP);  // brings it to the front
        return;
    }
    DisplayPanel(historyP);
    ActualiseScrollBar(&UI_data.file_header);
    if (!history_loaded) {
        UpdateHistoryPanel(-1);
        return;
    }
    int position = -1;
    GetCtrlVal(historyP, HISTORYP_SCROLLBAR, &position);
    UpdateHistoryPanel(position);
}

void CloseHistoryPanel() { HidePanel(historyP); }

int HistoryViewShowsEnd() {
    const int count = HeaderCount();
    if (count <= HISTORY_PAGE_ROWS) return 1;
    int position = 0;
    if (GetCtrlVal(historyP, HISTORYP_SCROLLBAR, &position) < 0) return 0;
    return position >= count ? 1 : 0;
}

int RedrawHistoryPanel() {
    if (HistoryViewShowsEnd()) return UpdateHistoryPanel(-1);
    int position = -1;
    GetCtrlVal(historyP, HISTORYP_SCROLLBAR, &position);
    return UpdateHistoryPanel(position);
}

int HistoryPChangeHistoryFile(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    char title[kTextSize];
    GetPanelText(TXTP_HISTORY_FILE_TITLE, title, sizeof title);
    char dir[MAX_PATHNAME_LEN];
    char file[MAX_PATHNAME_LEN];
    SplitHistoryPath(dir, file, sizeof dir);
    static CommandRecord command;
    memset(&command, 0, sizeof command);
    const int chosen = FileSelectPopup(dir, file, "*.dat", title, VAL_OK_BUTTON, 0, 1, 1, 1,
                                       command.file_name);
    if (chosen <= 0) return 0;
    history_loaded = 0;
    command.code = kCommandHistoryFileChanged;
    CmtWriteTSQData(h_TSQ_to_CSM, &command, 1, 100, nullptr);
    return 0;
}

void RegisterHistoryViewListeners() {
    (void)ListenToUIRecords(4, 6, TakeHistoryFileRecord);
    (void)ListenToUIRecords(171, 171, TakeHistoryFileRecord);
    (void)ListenToUIRecords(33, 34, EnableHistorySettings);
}
