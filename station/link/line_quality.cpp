// The hour is 60 buckets of one minute each, keyed by the minute of UTC, so that the
// counts of an hour slide by the minute without a list of every event.
#include "station/link/line_quality.h"

#include <ctime>

namespace {

constexpr int kMinutes = 60;

struct Bucket {
    int64_t minute;  // UTC minute the bucket counts, -1 unused
    LineCounts counts;
};

Bucket buckets[kMinutes];
LineCounts total{};
uint32_t pulled_cables = 0;
uint32_t last_fault_utc = 0;
int32_t last_fault = LINE_FAULT_NONE;
bool faulted = false;  // the exchange under way had a fault
bool changed = false;

LineCounts *Now() {
    const int64_t minute = static_cast<int64_t>(time(nullptr)) / 60;
    Bucket &b = buckets[minute % kMinutes];
    if (b.minute != minute) b = Bucket{minute, {}};
    return &b.counts;
}

void Add(LineCounts *c, const LineCounts &d) {
    c->exchanges += d.exchanges;
    c->clean += d.clean;
    c->wrong_echoes += d.wrong_echoes;
    c->wrong_checksums += d.wrong_checksums;
    c->no_answers += d.no_answers;
}

}  // namespace

void ResetLineQuality() {
    for (Bucket &b : buckets) b = Bucket{-1, {}};
    total = {};
    pulled_cables = 0;
    last_fault_utc = 0;
    last_fault = LINE_FAULT_NONE;
    faulted = false;
    changed = true;
}

void CountLineExchange() {
    faulted = false;
    const LineCounts one{1, 0, 0, 0, 0};
    Add(Now(), one);
    Add(&total, one);
    changed = true;
}

void EndLineExchange(bool answered) {
    if (!answered || faulted) return;
    const LineCounts one{0, 1, 0, 0, 0};
    Add(Now(), one);
    Add(&total, one);
}

void CountLineFault(LineFault fault) {
    faulted = true;
    changed = true;
    last_fault = fault;
    last_fault_utc = static_cast<uint32_t>(time(nullptr));
    if (fault == LINE_FAULT_CABLE) {
        ++pulled_cables;
        return;
    }
    LineCounts one{};
    if (fault == LINE_FAULT_ECHO) one.wrong_echoes = 1;
    if (fault == LINE_FAULT_CHECKSUM) one.wrong_checksums = 1;
    if (fault == LINE_FAULT_NO_ANSWER) one.no_answers = 1;
    Add(Now(), one);
    Add(&total, one);
}

void GetLineQuality(uint32_t utc_now, LineQualityPayload *out) {
    *out = LineQualityPayload{};
    const int64_t minute = static_cast<int64_t>(utc_now) / 60;
    for (const Bucket &b : buckets)
        if (b.minute >= 0 && b.minute > minute - kMinutes && b.minute <= minute) Add(&out->hour, b.counts);
    out->total = total;
    out->pulled_cables = pulled_cables;
    out->last_fault_utc = last_fault_utc;
    out->last_fault = last_fault;
}

bool LineQualityChanged() {
    const bool was = changed;
    changed = false;
    return was;
}
