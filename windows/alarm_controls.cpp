// The alarm tables of the main panel, in one place so that the flag, slot and record
// numbers of the station data meet the controls of KOR.uir only here.
#include "windows/alarm_controls.h"

#include "windows/KOR.h"

namespace {

// Index: alarm flag (meanings of the station's flag blocks).
const int kBellOfFlag[kAlarmFlagCount] = {
    0,                  0,                  // 0 unused, 1 storm (below)
    0,                  KORP_PRESS_LO_BELL, KORP_PRESS_HI_BELL,  // 2 general alarm, 3, 4
    KORP_ITEMP_LO_BELL, KORP_ITEMP_HI_BELL, KORP_OTEMP_LO_BELL, KORP_OTEMP_HI_BELL,
    KORP_CHILL_LO_BELL, KORP_CHILL_HI_BELL, KORP_DEW_LO_BELL,   KORP_DEW_HI_BELL,
    KORP_IHUM_LO_BELL,  KORP_IHUM_HI_BELL,  KORP_OHUM_LO_BELL,  KORP_OHUM_HI_BELL,
    KORP_RAIN_24H_BELL, KORP_RAIN_1H_BELL,  KORP_WINDDIR_BELL,  KORP_WIND_LO_BELL,
    KORP_WIND_HI_BELL,
};

// Index: pending slot of the alarm dialog.
const int kSymbolOfSlot[kAlarmPendingSlots] = {
    KORP_ITEMP_HI_SYM, KORP_ITEMP_LO_SYM, KORP_OTEMP_HI_SYM, KORP_OTEMP_LO_SYM,
    KORP_CHILL_HI_SYM, KORP_CHILL_LO_SYM, KORP_DEW_HI_SYM,   KORP_DEW_LO_SYM,
    KORP_WIND_HI_SYM,  KORP_WIND_LO_SYM,  KORP_WINDDIR_SYM,  KORP_PRESS_HI_SYM,
    KORP_PRESS_LO_SYM, KORP_STORM_SYM,    KORP_IHUM_HI_SYM,  KORP_IHUM_LO_SYM,
    KORP_OHUM_HI_SYM,  KORP_OHUM_LO_SYM,  KORP_RAIN_1H_SYM,  KORP_RAIN_24H_SYM,
};

// Index: pending slot; the flag of the bell that the slot's symbol stands beside.
const int kFlagOfSlot[kAlarmPendingSlots] = {6, 5, 8, 7, 10, 9, 12, 11, 21, 20,
                                             19, 4, 3, 1, 14, 13, 16, 15, 18, 17};

// Index: minmax_clear_pending slot.
const int kFieldOfMinMax[kMinMaxPendingSlots] = {
    KORP_IHUM_MINMAX,  KORP_OHUM_MINMAX,   KORP_ITEMP_MINMAX,  KORP_OTEMP_MINMAX,
    KORP_DEW_MINMAX,   KORP_CHILL_MINMAX,  KORP_WIND_MINMAX,   KORP_PRESS_MINMAX,
    KORP_RAIN_MAX_1H,  KORP_RAIN_MAX_24H,  KORP_RAIN_TOTAL,    KORP_RAIN_1H,
    KORP_RAIN_24H,
};

}  // namespace

int AlarmBellControl(int flag) {
    if (flag == 1) return KORP_STORM_BELL;
    if (flag < 0 || flag >= kAlarmFlagCount) return 0;
    return kBellOfFlag[flag];
}

int AlarmSymbolControl(int slot) {
    if (slot < 0 || slot >= kAlarmPendingSlots) return 0;
    return kSymbolOfSlot[slot];
}

int AlarmFlagOfSlot(int slot) {
    if (slot < 0 || slot >= kAlarmPendingSlots) return 0;
    return kFlagOfSlot[slot];
}

int MinMaxFieldControl(int slot) {
    if (slot < 0 || slot >= kMinMaxPendingSlots) return 0;
    return kFieldOfMinMax[slot];
}
