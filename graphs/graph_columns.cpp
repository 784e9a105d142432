// Column summaries for drawing. The column edges are found once per redraw and shared by
// every series; each column then costs a few summary blocks, whatever its data sets.
#include "graphs/graph_columns.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

uint32_t StampAtOrAfter(double t) {
    if (t <= 0) return 0;
    if (t >= 4294967295.0) return 4294967295u;
    return static_cast<uint32_t>(std::ceil(t));
}

void Put(std::vector<double> *keys, std::vector<double> *values, double key, double value) {
    keys->push_back(key);
    values->push_back(value);
}

}  // namespace

ColumnBounds MakeColumnBounds(const HistorySeries &s, double from, double to, int columns) {
    ColumnBounds b{};
    b.from = from;
    b.to = to > from ? to : from + 1;
    b.columns = columns > 0 ? columns : 1;
    b.first = FirstDataSetAtOrAfter(s, StampAtOrAfter(b.from));
    // Data sets stamped exactly at the upper end belong to the range.
    b.end = std::max(b.first, FirstDataSetAtOrAfter(s, StampAtOrAfter(std::floor(b.to) + 1)));
    b.raw = b.end - b.first <= 2 * static_cast<size_t>(b.columns);
    if (b.raw) return b;
    b.edge.resize(static_cast<size_t>(b.columns) + 1);
    b.edge[0] = b.first;
    const double width = (b.to - b.from) / b.columns;
    for (int c = 1; c < b.columns; ++c) {
        const size_t at = FirstDataSetAtOrAfter(s, StampAtOrAfter(b.from + c * width));
        b.edge[static_cast<size_t>(c)] = std::clamp(at, b.edge[static_cast<size_t>(c) - 1], b.end);
    }
    b.edge[static_cast<size_t>(b.columns)] = b.end;
    return b;
}

void SummariseColumns(const HistorySeries &s, const ColumnBounds &b, int series, int mode,
                      std::vector<double> *keys, std::vector<double> *values) {
    keys->clear();
    values->clear();
    const bool lines = mode == COLUMN_MIN_MAX;
    // A line breaks at a NaN point: one in the middle of every gap before data set i,
    // never before a point already put (a column's point sits at its middle).
    auto break_before = [&](size_t i) {
        if (!lines || !GapBefore(s, i)) return;
        const double middle = (static_cast<double>(s.time[i - 1]) + s.time[i]) / 2;
        Put(keys, values, keys->empty() ? middle : std::max(middle, keys->back()), kNaN);
    };
    if (lines && b.first > 0) Put(keys, values, s.time[b.first - 1], SeriesValue(s, series, b.first - 1));
    if (b.raw) {
        for (size_t i = b.first; i < b.end; ++i) {
            const float v = SeriesValue(s, series, i);
            if (!lines && std::isnan(v)) continue;
            break_before(i);
            Put(keys, values, s.time[i], v);
        }
    } else {
        const double width = (b.to - b.from) / b.columns;
        for (int c = 0; c < b.columns; ++c) {
            const size_t i = b.edge[static_cast<size_t>(c)];
            const size_t j = b.edge[static_cast<size_t>(c) + 1];
            if (i == j) continue;
            break_before(i);
            const double key = b.from + (c + 0.5) * width;
            const ValueRange r = SeriesRange(s, series, i, j);
            if (std::isnan(r.min)) {
                if (lines) Put(keys, values, key, kNaN);
                continue;
            }
            if (!lines) {
                Put(keys, values, key, r.max);
                continue;
            }
            Put(keys, values, key, r.min);
            if (r.max != r.min) Put(keys, values, key, r.max);
        }
    }
    if (lines && b.end < DataSetCount(s)) {
        break_before(b.end);
        Put(keys, values, s.time[b.end], SeriesValue(s, series, b.end));
    }
}

void SummariseDirections(const HistorySeries &s, const ColumnBounds &b, std::vector<double> *keys,
                         std::vector<double> *values) {
    keys->clear();
    values->clear();
    if (b.raw) {
        for (size_t i = b.first; i < b.end; ++i)
            if (s.direction[i] < 16) Put(keys, values, s.time[i], s.direction[i] * 22.5);
        return;
    }
    const double width = (b.to - b.from) / b.columns;
    for (int c = 0; c < b.columns; ++c) {
        const uint16_t bits = DirectionsIn(s, b.edge[static_cast<size_t>(c)],
                                           b.edge[static_cast<size_t>(c) + 1]);
        for (int d = 0; d < 16; ++d)
            if (bits & (1u << d)) Put(keys, values, b.from + (c + 0.5) * width, d * 22.5);
    }
}
