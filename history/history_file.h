// The history file: every history data set downloaded from the console, oldest first, as
// 36-byte records followed by one 28-byte header at the very end of the file. The
// communication thread creates, repairs and appends; the user-interface thread only
// reads, opening the file anew for each read.
#pragma once
#include <cstdint>

#include "records/history_records.h"
#include "records/kor_data.h"

constexpr long HISTORY_RECORD_SIZE = static_cast<long>(sizeof(HistoryRecord));
constexpr long HISTORY_HEADER_SIZE = static_cast<long>(sizeof(HistoryFileHeader));
// A raw rain below the last one means the console's 12-bit counter wrapped: 4096 counts
// of 0.518 mm.
constexpr float HISTORY_RAIN_WRAP_MM = 2121.728f;

// Results of InitFileHistoryHeader that leave a usable file.
constexpr int HISTORY_FILE_OPENED = 0;    // the file's header was valid
constexpr int HISTORY_FILE_CREATED = 1;   // a new, empty file was begun
constexpr int HISTORY_FILE_REPAIRED = 2;  // an interrupted or damaged file was repaired;
                                          // its data sets are kept (see below)

// Reads the last 28 bytes of the file. 0 when they begin with the magic; -1 when the file
// is shorter than a header or the magic is missing; -2 when it cannot be opened. Never
// writes.
int ReadFileHeader(HistoryFileHeader *out, const char *path);

// Makes path a usable history file and gives its header back in out.
// - Valid file (size 36 * count + 28 and the magic at the header): 0.
// - Missing file: created with the default header; 1. -1 when it cannot be created, -2
//   when its header cannot be written (the half-made file is removed again).
// - Whole records without a header (an append that wrote its data set but not yet its
//   header): the header is rebuilt from the records and appended in place; 2 (1 when
//   there were no records). The rain offset is then "not determined", so the next append
//   determines it afresh from the console's rain total.
// - Anything else (a cut record, a cut header, a wrong magic, a count that disagrees with
//   the size): the damaged file is kept beside as "<path>.damaged-YYYYMMDD-HHMMSS" and a
//   repaired file takes its name with every whole record of it and a rebuilt header (the
//   rain offset taken from the old header when its start survived); 2, or 1 when no whole
//   record was left. -1 / -2 when the repaired file cannot be made or written, in which
//   case the old file is left as it was.
// An existing file that cannot be opened is never overwritten: -1.
int InitFileHistoryHeader(HistoryFileHeader *out, const char *path);


// Rain continuity for the next data set with the console's raw rain value: determines
// the offset the first time (console rain total minus raw, cut to 2 decimals), adds a
// counter wrap when the raw value went down, records the raw value and returns the rain
// to store (raw plus offset).
float ApplyRainOffset(HistoryFileHeader *header, float raw_rain, float rain_total);

// Appends one data set to rec->history_file_name, with the rain offset and last raw rain
// of rec->file_header. Data set and new header go to disc in one write and are synced,
// so that an interrupted append leaves either the old file, the new file, or a state
// InitFileHistoryHeader repairs without losing a completed data set. A file found
// damaged is repaired first (as InitFileHistoryHeader does). On success the new header is
// copied into rec->file_header, rec->history_file_ok is set and 0 returned. Failures:
// -1 the header is unusable and the file could not be repaired, -2 the file cannot be
// opened, -3 it cannot be opened for writing, -4 the write failed (the old header is put
// back), -6 the sync or close failed and the file was cut back to its old size. A sync or
// close that fails while the data set and header are found whole in the file counts as
// stored, so that the data set is never appended twice.
int AddHistoryDataSetToFile(KORData *rec, const HistoryRecord *data_set);

// Puts `count` data sets in front of the file's first one. `older` holds them oldest first,
// stamped, with the console's raw rain values; `anchor` is the console's own copy of the
// file's first data set (stamped, raw rain). The rain stays continuous backwards: the
// first data set's offset (its stored rain less the anchor's raw rain), less one counter
// wrap wherever the raw value went down between two neighbours. The new file is written
// beside the old one, synced and renamed over it, so that a reader sees the old file or
// the new one, each whole. On success rec->file_header takes the new count and first time
// and 0 is returned. -1 the file is not a valid history file (nothing is repaired here),
// -2 it cannot be opened, -3 no file can be made beside it, -4 a read or write failed,
// -6 the sync, close or rename failed, -7 the anchor is not the file's first data set
// (other time or measurements) or an older data set is not older than the one after it.
// On any failure the file is left as it was.
int PrependHistoryDataSetsToFile(KORData *rec, const HistoryRecord *older, int count,
                                 const HistoryRecord *anchor);

// Reads up to count data sets ending before data set number end (0-based numbers
// end - count .. end - 1) from setup.history_file into out; out must hold count records.
// count is limited to rec->file_header.count; end below 0 or beyond the data sets present
// means the end of the file. Returns the number read; 1 when count is 0; -4 when
// rec->history_file_ok is 0; -2 when the file cannot be opened; -3 on a read error.
// Never writes, and tolerates a file that is shorter or longer than the header says.
int GetHistoryDataFromFile(const KORData *rec, HistoryRecord *out, int end, int count);
