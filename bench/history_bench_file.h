// Shared by the history benchmarks: a large history file made directly (appending a
// million data sets one by one with a sync each would measure the disc, not the reader),
// peak memory and a monotonic clock.
#pragma once
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "history/history_file.h"

inline double Seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Peak resident set of this process so far, in KiB.
inline long PeakRssKiB() {
    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

inline HistoryRecord BenchDataSet(uint32_t i) {
    HistoryRecord r{};
    r.time = 1700000000u + 300u * i;
    r.pressure = 990.0f + static_cast<float>(i % 400) * 0.1f;
    r.wind_speed = static_cast<float>(i % 200) * 0.1f;
    r.wind_direction = static_cast<int32_t>(i % 16);
    r.rain = static_cast<float>(i % 100000) * 0.518f;
    r.indoor_temperature = 18.0f + static_cast<float>(i % 70) * 0.1f;
    r.outdoor_temperature = -10.0f + static_cast<float>(i % 400) * 0.1f;
    r.indoor_humidity = static_cast<uint16_t>(30 + i % 40);
    r.outdoor_humidity = static_cast<uint16_t>(40 + i % 60);
    return r;
}

// Writes count data sets and a valid header to path. false on a write failure.
inline bool MakeHistoryFile(const std::string &path, uint32_t count) {
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    std::vector<HistoryRecord> chunk(4096);
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = count - done < chunk.size() ? count - done
                                                        : static_cast<uint32_t>(chunk.size());
        for (uint32_t i = 0; i < n; ++i) chunk[i] = BenchDataSet(done + i);
        if (fwrite(chunk.data(), sizeof(HistoryRecord), n, f) != n) {
            fclose(f);
            return false;
        }
        done += n;
    }
    HistoryFileHeader h{};
    SetFileHistoryHeaderToDefault(&h);
    h.magic = HISTORY_FILE_MAGIC;
    h.count = static_cast<int32_t>(count);
    h.first_time = BenchDataSet(0).time;
    h.last_time = BenchDataSet(count - 1).time;
    const bool ok = fwrite(&h, sizeof h, 1, f) == 1;
    return fclose(f) == 0 && ok;
}

// Reads the whole file once in large blocks, as fast as the library allows: the yardstick
// the other figures are compared with. Returns the bytes read.
inline long long ReadWholeFileOnce(const std::string &path) {
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr) return -1;
    static char block[1 << 16];
    long long total = 0;
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0) total += static_cast<long long>(n);
    fclose(f);
    return total;
}
