// The two memory tables of the simulated console. Mask 8 carries four nibbles more in its
// wind and radio area, so from the pressure block on mask 7 lies one nibble lower; mask 7
// keeps its wind speed impulses before the direction alarm flags and has no history ring.
#include "sim/sim_layout.h"

namespace {

// Blocks that both variants share.
constexpr SimTempBlock kItemp{0x345, 0x34A, 0x34F, 0x354, 0x35E, 0x368, 0x36D};
constexpr SimTempBlock kOtemp{0x372, 0x377, 0x37C, 0x381, 0x38B, 0x395, 0x39A};
constexpr SimTempBlock kChill{0x39F, 0x3A4, 0x3A9, 0x3AE, 0x3B8, 0x3C2, 0x3C7};
constexpr SimTempBlock kDew{0x3CD, 0x3D2, 0x3D7, 0x3DC, 0x3E6, 0x3F0, 0x3F5};
constexpr SimHumBlock kIhum{0x3FB, 0x3FD, 0x3FF, 0x401, 0x40B, 0x415, 0x417};
constexpr SimHumBlock kOhum{0x419, 0x41B, 0x41D, 0x41F, 0x429, 0x433, 0x435};

SimLayout MakeMask8() {
    SimLayout l{};
    l.variant = 2;
    l.size = 0x1400;
    l.change_notice = 0x008;
    l.eeprom_trigger = 0x00B;
    l.wind_unit = 0x00F;
    l.alarm_enable = 0x019;
    l.alarm_state = 0x020;
    l.alarm_third = 0x027;
    l.clock_sec = 0x200;
    l.final_clock = 0x23B;
    l.time_zone = 0x253;
    l.alarm_timeout = 0x25B;
    l.weather_thresh = 0x264;
    l.storm_thresh = 0x265;
    l.weather_type = 0x26B;
    l.itemp = kItemp;
    l.otemp = kOtemp;
    l.chill = kChill;
    l.dew = kDew;
    l.ihum = kIhum;
    l.ohum = kOhum;
    l.rain_imp = 0x43A;
    l.rainhist24h = 0x446;
    l.rainhist1h = 0x479;
    l.rain24h = 0x497;
    l.rain24h_max = 0x49D;
    l.rain24h_max_stamp = 0x4A3;
    l.rain24h_alarm = 0x4AD;
    l.rain1h = 0x4B4;
    l.rain1h_max = 0x4BA;
    l.rain1h_max_stamp = 0x4C0;
    l.rain1h_alarm = 0x4CA;
    l.raintotal = 0x4D1;
    l.raintotal_stamp = 0x4D8;
    l.winddir_alarm = 0x4E2;
    l.wind_value = 0x4E6;
    l.wind_min = 0x4EC;
    l.wind_max = 0x4F2;
    l.wind_min_stamp = 0x4F8;
    l.wind_max_stamp = 0x502;
    l.wind_low_alarm = 0x50C;
    l.wind_high_alarm = 0x512;
    l.wind_disp = 0x518;
    l.wind_flags = 0x527;
    l.wind_minmax_flags = 0x528;
    l.wind_imp = 0x529;
    l.winddir = 0x52C;
    l.wind_disp_low_alarm = 0x532;
    l.wind_disp_high_alarm = 0x537;
    l.tx_interval = 0x54C;
    l.tx_countdown = 0x54F;
    l.press_abs_hpa = 0x5D8;
    l.press_min = 0x5F6;
    l.press_max = 0x60A;
    l.press_min_stamp = 0x61E;
    l.press_max_stamp = 0x628;
    l.press_low_alarm = 0x632;
    l.press_high_alarm = 0x646;
    l.hist_interval = 0x6B2;
    l.hist_countdown = 0x6B5;
    l.hist_stamp = 0x6B8;
    l.hist_index = 0x6C2;
    l.hist_count = 0x6C4;
    l.hist_start = 0x6C6;
    l.hist_max = 175;
    return l;
}

SimLayout MakeMask7() {
    SimLayout l = MakeMask8();
    l.variant = 1;
    l.size = 0x0700;
    l.wind_imp = 0x4E2;
    l.winddir_alarm = 0x4E5;
    l.wind_flags = 0x4E9;
    l.wind_minmax_flags = 0x4EA;
    l.wind_value = 0x4EB;
    l.wind_min = 0x4F1;
    l.wind_max = 0x4F7;
    l.wind_min_stamp = 0x4FD;
    l.wind_max_stamp = 0x507;
    l.wind_low_alarm = 0x511;
    l.wind_high_alarm = 0x517;
    l.wind_disp = 0x51D;
    l.tx_interval = 0x54B;
    l.tx_countdown = 0x54E;
    l.press_abs_hpa = 0x5D7;
    l.press_min = 0x5F5;
    l.press_max = 0x609;
    l.press_min_stamp = 0x61D;
    l.press_max_stamp = 0x627;
    l.press_low_alarm = 0x631;
    l.press_high_alarm = 0x645;
    l.hist_interval = 0x6B1;
    l.hist_countdown = 0x6B4;
    l.hist_stamp = 0;
    l.hist_index = 0;
    l.hist_count = 0;
    l.hist_start = 0;
    l.hist_max = 0;
    return l;
}

const SimLayout kMask8 = MakeMask8();
const SimLayout kMask7 = MakeMask7();

}  // namespace

const SimLayout *GetSimLayout(int variant) {
    return variant == 1 ? &kMask7 : &kMask8;
}
