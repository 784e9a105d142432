// Memory map of both console variants: choice by identification, spot checks of the
// addresses the program transfers at, and the layout differences between the variants.
#include <cstring>
#include <gtest/gtest.h>
#include <set>

#include "station/data/kor_memory_map.h"

namespace {

TEST(MemoryMap, IdentificationOneIsMaskSevenEverythingElseMaskEight) {
    SelectKORMemoryMap(1);
    EXPECT_EQ(kor_map_variant, 7);
    EXPECT_EQ(WIND_FLAGS, 0x4E9);
    for (int id : {0, 2, 3, 63, 255}) {
        SelectKORMemoryMap(1);
        SelectKORMemoryMap(static_cast<uint8_t>(id));
        EXPECT_EQ(kor_map_variant, 8) << "identification " << id;
        EXPECT_EQ(WIND_FLAGS, 0x527) << "identification " << id;
    }
}

TEST(MemoryMap, SharedLocationsHaveTheSameAddressInBothVariants) {
    struct Spot { uint16_t *variable; uint16_t address; };
    const Spot spots[] = {
        {&CSECL, 0x200}, {&FINAL_CMINL, 0x23B}, {&ALARM_TIMEOUT, 0x25B},
        {&WEATHER_TYPE, 0x26B}, {&ITEMP_ML, 0x346}, {&ITEMP_LOAL_LL, 0x368},
        {&OTEMP_HIAL_ML, 0x39B}, {&CHILL_ML, 0x3A0}, {&DEW_MAX_MINL, 0x3E6},
        {&IHUM_L, 0x3FB}, {&OHUM_HIAL_L, 0x435}, {&RAINHIST24H_00_L, 0x446},
        {&RAINHIST1H_00_L, 0x479}, {&RAIN24H_00, 0x497}, {&RAIN24H_AL_01, 0x4AD},
        {&RAIN1H_00, 0x4B4}, {&RAINTOTAL_01, 0x4D1}, {&RAINTOTAL_MINL, 0x4D8},
        {&WINDDIR, 0x52C}, {&WIND_DISP_LOAL_LL, 0x532}, {&WIND_DISP_HIAL_LL, 0x537},
    };
    for (int variant : {7, 8}) {
        variant == 7 ? kor_vars_mask7() : kor_vars_mask8();
        for (const Spot &s : spots)
            EXPECT_EQ(*s.variable, s.address) << "mask " << variant;
    }
}

TEST(MemoryMap, MaskSevenWindBlockIsSplitMaskEightIsContiguous) {
    kor_vars_mask8();
    EXPECT_EQ(WIND_FLAGS, 0x527);
    EXPECT_EQ(WIND_MINMAX_FLAGS, 0x528);
    EXPECT_EQ(WINDIMP_L, 0x529);
    EXPECT_EQ(WINDIMP_H, 0x52B);
    EXPECT_EQ(WINDDIR, 0x52C);
    EXPECT_EQ(ALERT_FLAGS7, 0x4E2);
    EXPECT_EQ(WIND_MIN_00, 0x4EC);
    EXPECT_EQ(WIND_LOAL_00, 0x50C);
    EXPECT_EQ(WIND_HIAL_00, 0x512);

    kor_vars_mask7();
    EXPECT_EQ(WINDIMP_L, 0x4E2);  // before the direction-alarm flags
    EXPECT_EQ(ALERT_FLAGS7, 0x4E5);
    EXPECT_EQ(ALERT_FLAGS10, 0x4E8);
    EXPECT_EQ(WIND_FLAGS, 0x4E9);
    EXPECT_EQ(WIND_MINMAX_FLAGS, 0x4EA);
    EXPECT_EQ(WIND_00, 0x4EB);
    EXPECT_EQ(WIND_MIN_00, 0x4F1);
    EXPECT_EQ(WIND_MIN_MINL, 0x4FD);
    EXPECT_EQ(WIND_MAX_MINL, 0x507);
    EXPECT_EQ(WIND_LOAL_00, 0x511);
    EXPECT_EQ(WIND_HIAL_00, 0x517);
    EXPECT_EQ(WINDDIR, 0x52C);
}

TEST(MemoryMap, FromThePressureBlockOnMaskSevenIsOneNibbleLower) {
    uint16_t *const shifted[] = {
        &TX_INTERVAL_L, &PRESS_ABS_HPA, &PRESS_ABS_HPA_MIN, &PRESS_REL_HPA_MIN,
        &PRESS_ABS_HPA_MAX, &PRESS_REL_HPA_MAX, &PRESS_MIN_MINL, &PRESS_MAX_MINL,
        &PRESS_ABS_HPA_LOAL, &PRESS_ABS_INHG_LOAL, &PRESS_REL_HPA_LOAL, &PRESS_REL_INHG_LOAL,
        &PRESS_ABS_HPA_HIAL, &PRESS_ABS_INHG_HIAL, &PRESS_REL_HPA_HIAL, &PRESS_REL_INHG_HIAL,
        &HIST_INTERVAL};
    uint16_t mask8[std::size(shifted)];
    kor_vars_mask8();
    for (size_t i = 0; i < std::size(shifted); i++)
        mask8[i] = *shifted[i];
    kor_vars_mask7();
    for (size_t i = 0; i < std::size(shifted); i++)
        EXPECT_EQ(*shifted[i] + 1, mask8[i]) << "location " << i;
    kor_vars_mask8();
    EXPECT_EQ(PRESS_ABS_HPA, 0x5D8);
    EXPECT_EQ(PRESS_REL_INHG_HIAL, 0x655);
    EXPECT_EQ(HIST_INTERVAL, 0x6B2);
    EXPECT_EQ(TX_INTERVAL_L, 0x54C);
}

TEST(MemoryMap, MaskSevenHasNoHistoryHeaderNorLongRainHistory) {
    kor_vars_mask8();
    EXPECT_EQ(HIST_DATA_NUMBER, 0x6C4);
    EXPECT_EQ(HIST_START_ADDRESS, 0x6C6);
    EXPECT_EQ(RAINHIST1H_04_L, 0x47B);
    EXPECT_TRUE(KORMapHasHistoryMemory());
    kor_vars_mask7();
    EXPECT_EQ(HIST_MINL, 0x6B7);  // still there
    for (uint16_t *absent : {&HIST_MONTHH, &HIST_YEARL, &HIST_INDEX, &HIST_DATA_NUMBER,
                             &HIST_START_ADDRESS, &RAINHIST1H_00_H, &RAINHIST1H_56_H,
                             &FREE_NIBBLE2, &LIGHT_COUNTER_L, &TX_REC_BUFFER0B})
        EXPECT_EQ(*absent, KOR_NO_ADDRESS);
    EXPECT_FALSE(KORMapHasHistoryMemory());
}

TEST(MemoryMap, TableIsCompleteAndNoTwoNamesShareAnAddress) {
    ASSERT_EQ(kor_memory_map_size, 1223);
    // Mask 8 fills 0x200..0x6C6 without a gap, in the order of the table.
    std::set<uint16_t> mask7;
    std::set<std::string> names;
    for (int i = 0; i < kor_memory_map_size; i++) {
        const KORMapEntry &e = kor_memory_map[i];
        EXPECT_EQ(e.mask8, 0x200 + i) << e.name;
        EXPECT_TRUE(names.insert(e.name).second) << e.name;
        if (e.mask7 != KOR_NO_ADDRESS) {
            EXPECT_TRUE(mask7.insert(e.mask7).second) << e.name;
        }
    }
    EXPECT_EQ(mask7.size(), 1178u);
}

TEST(MemoryMap, LookupByName) {
    uint16_t address = 0;
    EXPECT_EQ(FindKORAddress("WINDIMP_L", 7, &address), 0);
    EXPECT_EQ(address, 0x4E2);
    EXPECT_EQ(FindKORAddress("WINDIMP_L", 8, &address), 0);
    EXPECT_EQ(address, 0x529);
    EXPECT_EQ(FindKORAddress("HIST_START_ADDRESS", 7, &address), -2);
    EXPECT_EQ(FindKORAddress("NO_SUCH_PLACE", 8, &address), -1);
    kor_vars_mask7();
    EXPECT_EQ(FindKORAddress("PRESS_ABS_HPA", 0, &address), 0);
    EXPECT_EQ(address, 0x5D7);
}

}  // namespace
