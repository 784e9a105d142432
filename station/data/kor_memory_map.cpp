// The console's two memory layouts as one constant table, and the routines that load the
// address variables from the column of the identified variant. The table is the single
// place where an address is written down; the variables exist because every transfer in
// the program names its location by them.
#include "station/data/kor_memory_map.h"

#include <cstring>

#define KOR_LOCATION(name, mask8, mask7) uint16_t name = KOR_NO_ADDRESS;
#include "station/data/kor_memory_map_table.inc"
#undef KOR_LOCATION

const KORMapEntry kor_memory_map[] = {
#define KOR_LOCATION(name, mask8, mask7) {#name, &name, mask8, mask7},
#include "station/data/kor_memory_map_table.inc"
#undef KOR_LOCATION
};
const int kor_memory_map_size = static_cast<int>(sizeof kor_memory_map / sizeof kor_memory_map[0]);

int kor_map_variant = 0;

void kor_vars_mask7() {
    for (int i = 0; i < kor_memory_map_size; i++)
        *kor_memory_map[i].variable = kor_memory_map[i].mask7;
    kor_map_variant = 7;
}

void kor_vars_mask8() {
    for (int i = 0; i < kor_memory_map_size; i++)
        *kor_memory_map[i].variable = kor_memory_map[i].mask8;
    kor_map_variant = 8;
}

void SelectKORMemoryMap(uint8_t station_id) {
    if (station_id == 1)
        kor_vars_mask7();
    else
        kor_vars_mask8();
}

int KORMapHasHistoryMemory() {
    return HIST_START_ADDRESS != KOR_NO_ADDRESS && HIST_DATA_NUMBER != KOR_NO_ADDRESS;
}

int FindKORAddress(const char *name, int variant, uint16_t *address) {
    if (name == nullptr)
        return -1;
    for (int i = 0; i < kor_memory_map_size; i++) {
        const KORMapEntry &entry = kor_memory_map[i];
        if (strcmp(entry.name, name) != 0)
            continue;
        uint16_t found = *entry.variable;
        if (variant == 7)
            found = entry.mask7;
        else if (variant == 8)
            found = entry.mask8;
        if (found == KOR_NO_ADDRESS)
            return -2;
        *address = found;
        return 0;
    }
    return -1;
}
