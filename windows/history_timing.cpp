// Timing of the station's history data sets. The station counts its interval on its own
// clock, so boundaries are taken in station time and turned back into local time.
#include "windows/history_timing.h"

#include "records/ui_data.h"
#include "values/time_scales.h"

namespace {

// The periods kept as they are, tested in this order.
constexpr int kRoundPeriods[] = {1440, 720, 360, 240, 120, 60, 30, 20, 15};

uint32_t Now() {
    uint32_t now = 0;
    GetCurrentLocalTime(&now);
    return now;
}

}  // namespace

int CheckRoundPeriod(int period, int *round) {
    if (period <= 0 || round == nullptr) return 0;
    for (int p : kRoundPeriods) {
        if (period != p) continue;
        *round = p;
        return 1;
    }
    if (period % 10 == 0) {
        *round = 10;
        return 1;
    }
    if (period == 5) {
        *round = 5;
        return 1;
    }
    return 0;
}

int GetRoundetTimeToNextKORDataSetAt(int round, uint32_t now, float clock_offset,
                                     uint32_t *next) {
    const int64_t step = static_cast<int64_t>(round) * 60;
    if (step < 1 || next == nullptr) return -1;
    uint32_t station_now = now;
    GMTToKORTime(&station_now, &clock_offset);
    // The first boundary strictly after now, counted from the station clock's zero.
    const int64_t t = station_now - station_now % step + step;
    uint32_t boundary = static_cast<uint32_t>(t);
    KORToGMTTime(&boundary, &clock_offset);
    *next = boundary;
    return 0;
}

int GetRealTimeToNextKORDataSetAt(const int *minutes, uint32_t now, float clock_offset,
                                  uint32_t *next) {
    if (minutes == nullptr || next == nullptr || *minutes < 0) return -1;
    uint32_t station_now = now;
    GMTToKORTime(&station_now, &clock_offset);
    const int64_t t = static_cast<int64_t>(station_now) + int64_t{*minutes} * 60 + 60 -
                      station_now % 60;
    uint32_t at = static_cast<uint32_t>(t);
    KORToGMTTime(&at, &clock_offset);
    *next = at;
    return at < now ? -1 : 0;
}

int GetRoundetTimeToNextKORDataSet(int round, uint32_t *next) {
    return GetRoundetTimeToNextKORDataSetAt(round, Now(), UI_data.clock_offset, next);
}

int GetRealTimeToNextKORDataSet(const int *minutes, uint32_t *next) {
    return GetRealTimeToNextKORDataSetAt(minutes, Now(), UI_data.clock_offset, next);
}
