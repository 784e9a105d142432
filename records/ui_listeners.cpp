// Fixed tables, filled at start-up: a registration never allocates and the record path
// walks a few dozen entries at most.
#include "records/ui_listeners.h"

namespace {

struct RecordListener {
    int first_kind;
    int last_kind;
    UIRecordListener listener;
};

RecordListener record_listeners[kMaxUIRecordListeners];
int record_listener_count = 0;
SurfaceListener surface_listeners[kMaxUIRecordListeners];
int surface_listener_count = 0;

}  // namespace

int ListenToUIRecords(int first_kind, int last_kind, UIRecordListener listener) {
    if (listener == nullptr || record_listener_count >= kMaxUIRecordListeners) return -1;
    record_listeners[record_listener_count++] = {first_kind, last_kind, listener};
    return 0;
}

void HandUIRecordToListeners(const UIRecord *record) {
    if (record == nullptr) return;
    for (int i = 0; i < record_listener_count; ++i) {
        const RecordListener &l = record_listeners[i];
        if (record->kind >= l.first_kind && record->kind <= l.last_kind) l.listener(record);
    }
}

int ListenToSurfaceRefresh(SurfaceListener listener) {
    if (listener == nullptr || surface_listener_count >= kMaxUIRecordListeners) return -1;
    surface_listeners[surface_listener_count++] = listener;
    return 0;
}

void HandSurfaceRefreshToListeners() {
    for (int i = 0; i < surface_listener_count; ++i) surface_listeners[i]();
}

void ForgetUIRecordListeners() {
    record_listener_count = 0;
    surface_listener_count = 0;
}
