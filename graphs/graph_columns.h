// What a graph draws of a series: for a time range shown in a number of pixel columns,
// the data sets themselves while they are fewer than the columns allow, otherwise the
// minimum and maximum of each column (from the block summaries), so that a graph of
// millions of data sets costs a few thousand points and still shows every peak.
#pragma once
#include <cstddef>
#include <vector>

#include "graphs/history_series.h"

struct ColumnBounds {
    double from, to;          // stamps of the range shown
    int columns;
    size_t first, end;        // data sets inside the range
    bool raw;                 // few enough to draw each data set
    std::vector<size_t> edge; // columns + 1 data set numbers; column c is [edge[c], edge[c+1])
};

ColumnBounds MakeColumnBounds(const HistorySeries &s, double from, double to, int columns);

enum ColumnMode {
    COLUMN_MIN_MAX,  // lines: both ends of each column, plus the data set just outside
                     // each end of the range so that lines run to the edges
    COLUMN_MAX       // bars: the largest value of each column, nothing outside
};

// Keys (stamps) and values in base units. A column whose data sets are all missing
// gives a NaN point, so that a line breaks there instead of bridging the gap.
void SummariseColumns(const HistorySeries &s, const ColumnBounds &b, int series, int mode,
                      std::vector<double> *keys, std::vector<double> *values);
// One point per direction occurring in a column, its value in degrees (0 north, 90 east).
void SummariseDirections(const HistorySeries &s, const ColumnBounds &b, std::vector<double> *keys,
                         std::vector<double> *values);
