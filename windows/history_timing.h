// When the station stores its next history data set: round intervals that put the data
// sets on whole clock times, the next such boundary, and the instant a countdown of
// minutes ends. Instants are local-time second counts (values/time_scales.h); boundaries
// and minutes are those of the station's clock, which runs clock_offset apart.
#pragma once
#include <cstdint>

// 1 with *round set when period (minutes) is a round period: 1440, 720, 360, 240, 120,
// 60, 30, 20, 15 as themselves, any other multiple of 10 as 10, and 5; else 0 (also
// for 0 and negative periods), *round then untouched.
int CheckRoundPeriod(int period, int *round);

// The first boundary of `round` minutes of the station's clock strictly after now, into
// *next. 0, or -1 when round is below one minute (*next untouched).
int GetRoundetTimeToNextKORDataSet(int round, uint32_t *next);
// The instant the station's countdown of *minutes ends: the next whole station minute
// plus the minutes. 0, or -1 when that lies before now (a negative count).
int GetRealTimeToNextKORDataSet(const int *minutes, uint32_t *next);

// The same for a given local time `now` and clock offset (tests).
int GetRoundetTimeToNextKORDataSetAt(int round, uint32_t now, float clock_offset,
                                     uint32_t *next);
int GetRealTimeToNextKORDataSetAt(const int *minutes, uint32_t now, float clock_offset,
                                  uint32_t *next);
