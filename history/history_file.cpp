// The history file keeps what the console's ring memory cannot: every data set ever
// downloaded. Its layout (records, then the header at the end) is fixed by the files
// users already have, so crash safety comes from how it is written and repaired: an
// append writes data set and new header with one write and syncs it, and a file left
// by an interrupted append is recognised by its size and repaired on the writing side,
// keeping a damaged original beside the repaired file. The reading side never writes.
#include "history/history_file.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

#include "records/setup_record.h"
#include "values/conversions.h"

namespace {

constexpr int64_t kRecord = HISTORY_RECORD_SIZE;
constexpr int64_t kHeader = HISTORY_HEADER_SIZE;

// What the file's size and tail say about it.
struct FileScan {
    int64_t size = 0;
    int64_t whole_records = 0;     // records that lie wholly before the tail
    bool valid = false;            // size 36 * count + 28 and the magic in place
    bool records_only = false;     // size a multiple of 36: the header was never written
    bool tail_has_rain = false;    // the bytes after the records begin a header with magic
    HistoryFileHeader header{};    // the last 28 bytes, when valid
    float tail_rain_offset = HISTORY_RAIN_OFFSET_UNKNOWN;
    float tail_last_raw_rain = 0.0f;
};

// Full read at an offset; false on an error or end of file.
bool ReadAt(int fd, void *buffer, size_t size, int64_t offset) {
    char *p = static_cast<char *>(buffer);
    while (size > 0) {
        const ssize_t n = pread(fd, p, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

// Full write at an offset; false when anything was left unwritten.
bool WriteAt(int fd, const void *buffer, size_t size, int64_t offset) {
    const char *p = static_cast<const char *>(buffer);
    while (size > 0) {
        const ssize_t n = pwrite(fd, p, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

int OpenRetrying(const char *path, int flags, mode_t mode = 0) {
    int fd;
    do fd = open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool ScanFile(int fd, FileScan *scan) {
    struct stat st{};
    if (fstat(fd, &st) != 0) return false;
    scan->size = st.st_size;
    scan->whole_records = scan->size / kRecord;
    const int64_t remainder = scan->size % kRecord;
    scan->records_only = remainder == 0;
    if (scan->size >= kHeader) {
        HistoryFileHeader h{};
        if (!ReadAt(fd, &h, sizeof h, scan->size - kHeader)) return false;
        scan->valid = h.magic == HISTORY_FILE_MAGIC && h.count >= 0 &&
                      scan->size == static_cast<int64_t>(h.count) * kRecord + kHeader;
        if (scan->valid) scan->header = h;
    }
    // The start of a header after the whole records (a header cut short, or one whose
    // count is wrong) still tells the rain offset.
    const int64_t tail = scan->size - scan->whole_records * kRecord;
    if (tail >= 12) {
        uint32_t words[3];
        if (!ReadAt(fd, words, sizeof words, scan->whole_records * kRecord)) return false;
        if (words[0] == HISTORY_FILE_MAGIC) {
            scan->tail_has_rain = true;
            memcpy(&scan->tail_rain_offset, &words[1], sizeof(float));
            memcpy(&scan->tail_last_raw_rain, &words[2], sizeof(float));
        }
    }
    return true;
}

// Header describing the first `records` data sets of fd, with the given rain state.
bool RebuildHeader(int fd, int64_t records, float rain_offset, float last_raw_rain,
                   HistoryFileHeader *out) {
    SetFileHistoryHeaderToDefault(out);
    out->magic = HISTORY_FILE_MAGIC;
    out->rain_offset = rain_offset;
    out->last_raw_rain = last_raw_rain;
    if (records > INT32_MAX) return false;
    out->count = static_cast<int32_t>(records);
    if (records == 0) return true;
    HistoryRecord first{};
    HistoryRecord last{};
    if (!ReadAt(fd, &first, sizeof first, 0)) return false;
    if (!ReadAt(fd, &last, sizeof last, (records - 1) * kRecord)) return false;
    out->first_time = first.time;
    out->last_time = last.time;
    return true;
}

void SyncFolderOf(const std::string &path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    (void)fsync(fd);  // some file systems refuse; the rename itself is done either way
    close(fd);
}

// The header was never written after whole records: append the rebuilt header in place.
int AppendMissingHeader(const char *path, const FileScan &scan, HistoryFileHeader *out) {
    const int fd = OpenRetrying(path, O_RDWR);
    if (fd < 0) return -1;
    HistoryFileHeader header{};
    const bool ok = RebuildHeader(fd, scan.whole_records, HISTORY_RAIN_OFFSET_UNKNOWN, 0.0f,
                                  &header) &&
                    WriteAt(fd, &header, sizeof header, scan.size) && fdatasync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!ok || !closed) return -2;
    *out = header;
    return scan.whole_records == 0 ? HISTORY_FILE_CREATED : HISTORY_FILE_REPAIRED;
}

// A name beside path for the damaged original, with a number added when the plain name
// is taken.
std::string DamagedName(const char *path, int attempt) {
    char stamp[32];
    const time_t now = time(nullptr);
    struct tm local{};
    localtime_r(&now, &local);
    strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    char name[PATH_MAX + 64];
    if (attempt > 0)
        snprintf(name, sizeof name, "%s.damaged-%s-%d", path, stamp, attempt);
    else
        snprintf(name, sizeof name, "%s.damaged-%s", path, stamp);
    return name;
}

// The first `size` bytes of `from` into `to`, starting there at `to_offset`.
bool CopyBytes(int from, int to, int64_t size, int64_t to_offset = 0) {
    char buffer[64 * 1024];
    int64_t done = 0;
    while (done < size) {
        const size_t chunk = static_cast<size_t>(
            size - done < static_cast<int64_t>(sizeof buffer) ? size - done : sizeof buffer);
        if (!ReadAt(from, buffer, chunk, done) || !WriteAt(to, buffer, chunk, done + to_offset))
            return false;
        done += static_cast<int64_t>(chunk);
    }
    return true;
}

// Keeps the damaged file under a new name beside it: a second link to the same bytes, or
// a copy where the file system has no links. The original name is untouched.
bool KeepDamagedFile(const char *path, int source_fd, int64_t size) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = DamagedName(path, attempt);
        if (link(path, name.c_str()) == 0) return true;
        if (errno == EEXIST) continue;
        const int fd = OpenRetrying(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        const bool ok = CopyBytes(source_fd, fd, size) && fsync(fd) == 0;
        if (close(fd) != 0 || !ok) {
            unlink(name.c_str());
            return false;
        }
        return true;
    }
    return false;
}

// A repaired file with the whole records of the damaged one and a rebuilt header takes
// the damaged file's name; the damaged file is kept beside first.
int ReplaceDamagedFile(const char *path, const FileScan &scan, HistoryFileHeader *out) {
    const int source = OpenRetrying(path, O_RDONLY);
    if (source < 0) return -1;
    std::string temp = std::string(path) + ".tmpXXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        close(source);
        return -1;
    }
    const float rain_offset =
        scan.tail_has_rain ? scan.tail_rain_offset : HISTORY_RAIN_OFFSET_UNKNOWN;
    const float last_raw = scan.tail_has_rain ? scan.tail_last_raw_rain : 0.0f;
    const int64_t records_bytes = scan.whole_records * kRecord;
    HistoryFileHeader header{};
    bool ok = RebuildHeader(source, scan.whole_records, rain_offset, last_raw, &header) &&
              CopyBytes(source, fd, records_bytes) &&
              WriteAt(fd, &header, sizeof header, records_bytes) && fsync(fd) == 0;
    (void)fchmod(fd, 0644);  // mkostemp makes 0600; a history file is an ordinary file
    ok = close(fd) == 0 && ok;
    ok = ok && KeepDamagedFile(path, source, scan.size);
    close(source);  // read-only; nothing to lose on close
    if (!ok || rename(temp.c_str(), path) != 0) {
        unlink(temp.c_str());
        return -2;
    }
    SyncFolderOf(path);
    *out = header;
    return scan.whole_records == 0 ? HISTORY_FILE_CREATED : HISTORY_FILE_REPAIRED;
}

// After a sync or close that failed behind a complete write: true when the file ends with
// exactly the appended block at `at`; otherwise the old header is put back at `at` and the
// file cut to its old size (as far as the disc lets), and false.
bool AppendLanded(const char *path, const unsigned char *block, size_t size, int64_t at,
                  const HistoryFileHeader &old) {
    const int fd = OpenRetrying(path, O_RDWR);
    if (fd < 0) return false;
    struct stat st{};
    unsigned char found[sizeof(HistoryRecord) + sizeof(HistoryFileHeader)];
    const bool whole = size == sizeof found && fstat(fd, &st) == 0 &&
                       st.st_size == at + static_cast<int64_t>(size) &&
                       ReadAt(fd, found, size, at) && memcmp(found, block, size) == 0;
    // A failure here leaves a file that the next append or start repairs.
    if (!whole)
        (void)(WriteAt(fd, &old, sizeof old, at) && ftruncate(fd, at + kHeader) == 0 &&
               fdatasync(fd) == 0);
    close(fd);
    return whole;
}

int RepairFile(const char *path, const FileScan &scan, HistoryFileHeader *out) {
    if (scan.records_only) return AppendMissingHeader(path, scan, out);
    return ReplaceDamagedFile(path, scan, out);
}

int CreateNewFile(const char *path, HistoryFileHeader *out) {
    const int fd = OpenRetrying(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return -1;
    HistoryFileHeader header{};
    SetFileHistoryHeaderToDefault(&header);
    header.magic = HISTORY_FILE_MAGIC;
    const bool ok = WriteAt(fd, &header, sizeof header, 0) && fsync(fd) == 0;
    if (close(fd) != 0 || !ok) {
        unlink(path);
        return -2;
    }
    SyncFolderOf(path);
    *out = header;
    return HISTORY_FILE_CREATED;
}

// The console's measurements of a data set (stamp and rain are the file's own). Values
// come in tenths; a smaller difference is only the float arithmetic of the decoding.
bool SameMeasurements(const HistoryRecord &a, const HistoryRecord &b) {
    const auto near = [](float x, float y) { return std::fabs(x - y) < 0.04f; };
    return near(a.pressure, b.pressure) && near(a.wind_speed, b.wind_speed) &&
           a.wind_direction == b.wind_direction &&
           near(a.indoor_temperature, b.indoor_temperature) &&
           near(a.outdoor_temperature, b.outdoor_temperature) &&
           a.indoor_humidity == b.indoor_humidity && a.outdoor_humidity == b.outdoor_humidity;
}

// Older data sets belong in front of `first` only when the console's copy of it is the
// file's (the same ring the file was filled from) and their stamps run strictly upwards
// to it.
bool FitInFront(const std::vector<HistoryRecord> &sets, const HistoryRecord &first,
                const HistoryRecord &anchor) {
    if (anchor.time != first.time || !SameMeasurements(anchor, first)) return false;
    for (size_t i = 0; i < sets.size(); ++i) {
        const uint32_t next = i + 1 < sets.size() ? sets[i + 1].time : first.time;
        if (sets[i].time >= next) return false;
    }
    return true;
}

// Raw rain into stored rain, from the newest of the older sets back: each takes the
// offset of the set after it, one counter wrap less where the raw value went down
// from it to that set.
void CountRainBackwards(std::vector<HistoryRecord> *sets, float first_raw, float first_offset) {
    float next_raw = first_raw;
    float offset = first_offset;
    for (auto it = sets->rbegin(); it != sets->rend(); ++it) {
        const float raw = it->rain;
        if (next_raw < raw) offset -= HISTORY_RAIN_WRAP_MM;
        it->rain = raw + offset;
        it->reserved = 0;
        next_raw = raw;
    }
}

// Writes the older sets, the file's records and the new header into a new file beside
// path and renames it over path. 0, or the failure codes of PrependHistoryDataSetsToFile.
int WriteWithFront(const char *path, int source, const std::vector<HistoryRecord> &front,
                   int64_t records, const HistoryFileHeader &header) {
    std::string temp = std::string(path) + ".tmpXXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return -3;
    const int64_t front_bytes = static_cast<int64_t>(front.size()) * kRecord;
    bool ok = WriteAt(fd, front.data(), static_cast<size_t>(front_bytes), 0) &&
              CopyBytes(source, fd, records * kRecord, front_bytes) &&
              WriteAt(fd, &header, sizeof header, front_bytes + records * kRecord);
    struct stat st{};
    // mkostemp makes 0600; the file keeps the permissions it had.
    if (fstat(source, &st) == 0) (void)fchmod(fd, st.st_mode & 07777);
    const bool synced = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok) {
        unlink(temp.c_str());
        return -4;
    }
    if (!synced || rename(temp.c_str(), path) != 0) {
        unlink(temp.c_str());
        return -6;
    }
    SyncFolderOf(path);
    return 0;
}

}  // namespace

int PrependHistoryDataSetsToFile(KORData *rec, const HistoryRecord *older, int count,
                                 const HistoryRecord *anchor) {
    if (rec == nullptr || anchor == nullptr || (count > 0 && older == nullptr)) return -4;
    if (count <= 0) return 0;
    const char *path = rec->history_file_name;
    const int source = OpenRetrying(path, O_RDONLY);
    if (source < 0) return -2;
    FileScan scan;
    HistoryRecord first{};
    int r = 0;
    if (!ScanFile(source, &scan) || !scan.valid || scan.header.count < 1 ||
        scan.header.count > INT32_MAX - count)
        r = -1;
    else if (!ReadAt(source, &first, sizeof first, 0))
        r = -4;
    std::vector<HistoryRecord> front(older, older + count);
    if (r == 0 && !FitInFront(front, first, *anchor)) r = -7;
    HistoryFileHeader header = scan.header;
    if (r == 0) {
        CountRainBackwards(&front, anchor->rain, first.rain - anchor->rain);
        header.count += count;
        header.first_time = front.front().time;
        r = WriteWithFront(path, source, front, scan.header.count, header);
    }
    close(source);  // read-only; nothing to lose on close
    if (r != 0) return r;
    rec->file_header = header;
    rec->history_file_ok = 1;
    return 0;
}

float ApplyRainOffset(HistoryFileHeader *header, float raw_rain, float rain_total) {
    if (header->rain_offset == HISTORY_RAIN_OFFSET_UNKNOWN) {
        const float offset = rain_total - raw_rain;
        header->rain_offset = TruncateRealNumberPrecision(2, &offset);
    } else if (raw_rain < header->last_raw_rain) {
        header->rain_offset += HISTORY_RAIN_WRAP_MM;
    }
    header->last_raw_rain = raw_rain;
    return raw_rain + header->rain_offset;
}

int ReadFileHeader(HistoryFileHeader *out, const char *path) {
    if (path == nullptr) return -2;
    const int fd = OpenRetrying(path, O_RDONLY);
    if (fd < 0) return -2;
    struct stat st{};
    HistoryFileHeader header{};
    const bool ok = fstat(fd, &st) == 0 && st.st_size >= kHeader &&
                    ReadAt(fd, &header, sizeof header, st.st_size - kHeader);
    close(fd);
    if (!ok || header.magic != HISTORY_FILE_MAGIC) return -1;
    if (out != nullptr) *out = header;
    return 0;
}

int InitFileHistoryHeader(HistoryFileHeader *out, const char *path) {
    if (out == nullptr || path == nullptr || path[0] == '\0') return -1;
    const int fd = OpenRetrying(path, O_RDONLY);
    if (fd < 0) return errno == ENOENT ? CreateNewFile(path, out) : -1;
    FileScan scan;
    const bool scanned = ScanFile(fd, &scan);
    close(fd);
    if (!scanned) return -1;
    if (scan.valid) {
        *out = scan.header;
        return HISTORY_FILE_OPENED;
    }
    return RepairFile(path, scan, out);
}

int AddHistoryDataSetToFile(KORData *rec, const HistoryRecord *data_set) {
    if (rec == nullptr || data_set == nullptr) return -4;
    const char *path = rec->history_file_name;
    int fd = OpenRetrying(path, O_RDWR);
    if (fd < 0) {
        const int readable = OpenRetrying(path, O_RDONLY);
        if (readable < 0) return -2;
        close(readable);
        return -3;
    }
    FileScan scan;
    if (!ScanFile(fd, &scan)) {
        close(fd);
        return -1;
    }
    if (!scan.valid) {
        close(fd);
        HistoryFileHeader repaired{};
        if (RepairFile(path, scan, &repaired) < 0) return -1;
        fd = OpenRetrying(path, O_RDWR);
        if (fd < 0) return -3;
        scan = FileScan{};
        if (!ScanFile(fd, &scan) || !scan.valid) {
            close(fd);
            return -1;
        }
    }
    const HistoryFileHeader old = scan.header;
    HistoryFileHeader header = old;
    header.rain_offset = rec->file_header.rain_offset;
    header.last_raw_rain = rec->file_header.last_raw_rain;
    header.count = old.count + 1;
    header.last_time = data_set->time;
    if (old.count == 0) header.first_time = data_set->time;

    // Data set and header in one write over the old header: a process killed at any
    // moment leaves the old file, the new one, or a cut tail that the repair recognises.
    unsigned char block[sizeof(HistoryRecord) + sizeof(HistoryFileHeader)];
    HistoryRecord record = *data_set;
    record.reserved = 0;
    memcpy(block, &record, sizeof record);
    memcpy(block + sizeof record, &header, sizeof header);
    const int64_t at = static_cast<int64_t>(old.count) * kRecord;
    if (!WriteAt(fd, block, sizeof block, at)) {
        // Put the old header back so that the file stays as it was (a full disc, say).
        if (WriteAt(fd, &old, sizeof old, at)) (void)ftruncate(fd, at + kHeader);
        close(fd);
        return -4;
    }
    const bool synced = fdatasync(fd) == 0;
    if (close(fd) != 0 || !synced) {
        // The bytes went out but the disc did not confirm them. Reporting a failure while
        // the set is in the file would have it fetched and appended a second time.
        if (!AppendLanded(path, block, sizeof block, at, old)) return -6;
    }
    rec->file_header = header;
    rec->history_file_ok = 1;
    return 0;
}

int GetHistoryDataFromFile(const KORData *rec, HistoryRecord *out, int end, int count) {
    if (rec == nullptr || rec->history_file_ok == 0) return -4;
    if (count == 0) return 1;
    if (out == nullptr || count < 0) return 0;
    const int fd = OpenRetrying(setup.history_file, O_RDONLY);
    if (fd < 0) return -2;
    struct stat st{};
    if (fstat(fd, &st) != 0) {
        close(fd);
        return -3;
    }
    // Data sets are counted from the start: those the header names are complete even
    // while the communication thread appends further ones.
    const int64_t in_file = st.st_size >= kHeader ? (st.st_size - kHeader) / kRecord : 0;
    int64_t available = rec->file_header.count < in_file ? rec->file_header.count : in_file;
    if (available < 0) available = 0;
    if (count > available) count = static_cast<int>(available);
    if (end < 0 || end > available) end = static_cast<int>(available);
    int64_t first = static_cast<int64_t>(end) - count;
    if (first < 0) first = 0;
    const int64_t wanted = end - first;
    if (wanted <= 0) {
        close(fd);
        return 0;
    }
    const bool ok = ReadAt(fd, out, static_cast<size_t>(wanted * kRecord), first * kRecord);
    close(fd);
    return ok ? static_cast<int>(wanted) : -3;
}
