// The history panel: the history file as a table of 20 data sets a page, with a scroll
// bar whose value is the number of the data set after the last row shown. Only the page
// on screen is ever read from the file, so a file of millions of data sets pages as fast
// as one of twenty. Main thread only.
#pragma once
#include "records/history_records.h"

constexpr int HISTORY_PAGE_ROWS = 20;
constexpr int HISTORY_COLUMNS = 12;
// Size of one cell text of FormatHistoryRow.
constexpr int HISTORY_CELL_SIZE = 48;

// Results of UpdateHistoryPanel besides 0.
constexpr int HISTORY_VIEW_HIDDEN = 1;       // only the scroll bar was set
constexpr int HISTORY_VIEW_NOT_READY = -1;   // UI_data.history_file_ok is 0
constexpr int HISTORY_VIEW_READ_FAILED = -3; // the file could not be read; the table is
                                             // emptied and the panel says so

// Shows the history panel, or brings it to the front when it is shown already. The first
// showing of the run (and the first after another file was chosen) opens at the newest
// page, later ones at the page the scroll bar stands on.
void DisplayHistoryPanel();
// Hides it; the scroll bar keeps its place for the next showing.
void CloseHistoryPanel();

// Fills the table with the page that ends before data set number `end` (1-based numbers
// end - 19 .. end). -1 or anything above the data sets present means the newest page;
// with at most 20 data sets the whole file is the page. The scroll bar takes the end.
int UpdateHistoryPanel(int end);
// Range and page step of the scroll bar for the header's count. Returns 0.
int ActualiseScrollBar(const HistoryFileHeader *header);
// The 12 column titles: the texts panel's title, a line break and the unit in brackets,
// in the units given (the five unit ints of the settings, pressure first). The texts
// export takes the same titles and direction names, so both speak the same language.
void InitTableTileLine(const int *unit_choices);

// 1 when the view stands on the newest page of the file UI_data.file_header describes
// (or the file has at most 20 data sets): asked before a newly appended data set is
// taken in, so that a view at the end follows the end and one on an older page stays.
int HistoryViewShowsEnd();
// Redraws the page the scroll bar stands on (after the units or the pressure kind
// changed); a view at the end stays at the end. Returns what UpdateHistoryPanel returns.
int RedrawHistoryPanel();

// The cell texts of one data set in the user's units, as the table shows them.
void FormatHistoryRow(const HistoryRecord *data_set, char cells[HISTORY_COLUMNS][HISTORY_CELL_SIZE]);

// The history panel's choice of another history file (commit): asks for the file and
// hands it to the communication thread, which takes it over and reports it back.
int HistoryPChangeHistoryFile(int panel, int control, int event, void *callback_data,
                              int event_data1, int event_data2);

// Listens to the history file's records (4, 5, 6, 171) and the console's history header
// (33, 34). Registered before every other view of those records, which read the header it
// takes into UI_data.
void RegisterHistoryViewListeners();
