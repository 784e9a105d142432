// Panels and controls of the resource file "KOR.uir". Panel constants are the resource
// numbers of the panels; control constants are the ctrlId properties of their controls.
// The texts panel's controls are listed once, in TXTP_TEXTS, with the longest text each
// may hold, so that the language loader knows every name and its limit.
#pragma once
#include "station/link/comm_timers.h"

// korP
constexpr int KORP = 1;
constexpr int KORP_ITEMP_GAUGE = 2;
constexpr int KORP_ITEMP_LABEL = 3;
constexpr int KORP_ITEMP_LO_SYM = 4;
constexpr int KORP_ITEMP_LO_BELL = 5;
constexpr int KORP_ITEMP_HI_SYM = 6;
constexpr int KORP_ITEMP_HI_BELL = 7;
constexpr int KORP_ITEMP = 8;
constexpr int KORP_ITEMP_MINMAX = 9;
constexpr int KORP_IHUM_LABEL = 10;
constexpr int KORP_IHUM_LO_SYM = 11;
constexpr int KORP_IHUM_LO_BELL = 12;
constexpr int KORP_IHUM_HI_SYM = 13;
constexpr int KORP_IHUM_HI_BELL = 14;
constexpr int KORP_IHUM = 15;
constexpr int KORP_IHUM_MINMAX = 16;
constexpr int KORP_INDOOR_BOX = 17;
constexpr int KORP_OTEMP_GAUGE = 18;
constexpr int KORP_OTEMP_LABEL = 19;
constexpr int KORP_OTEMP_LO_SYM = 20;
constexpr int KORP_OTEMP_LO_BELL = 21;
constexpr int KORP_OTEMP_HI_SYM = 22;
constexpr int KORP_OTEMP_HI_BELL = 23;
constexpr int KORP_OTEMP = 24;
constexpr int KORP_OTEMP_MINMAX = 25;
constexpr int KORP_OHUM_LABEL = 26;
constexpr int KORP_OHUM_LO_SYM = 27;
constexpr int KORP_OHUM_LO_BELL = 28;
constexpr int KORP_OHUM_HI_SYM = 29;
constexpr int KORP_OHUM_HI_BELL = 30;
constexpr int KORP_OHUM = 31;
constexpr int KORP_OHUM_MINMAX = 32;
constexpr int KORP_DEW_LABEL = 33;
constexpr int KORP_DEW_LO_SYM = 34;
constexpr int KORP_DEW_LO_BELL = 35;
constexpr int KORP_DEW_HI_SYM = 36;
constexpr int KORP_DEW_HI_BELL = 37;
constexpr int KORP_DEW = 38;
constexpr int KORP_DEW_MINMAX = 39;
constexpr int KORP_CHILL_LABEL = 40;
constexpr int KORP_CHILL_LO_SYM = 41;
constexpr int KORP_CHILL_LO_BELL = 42;
constexpr int KORP_CHILL_HI_SYM = 43;
constexpr int KORP_CHILL_HI_BELL = 44;
constexpr int KORP_CHILL = 45;
constexpr int KORP_CHILL_MINMAX = 46;
constexpr int KORP_OUTDOOR_BOX = 47;
constexpr int KORP_WIND_COMPASS = 48;
constexpr int KORP_WIND_LABEL = 49;
constexpr int KORP_WIND_LO_SYM = 50;
constexpr int KORP_WIND_LO_BELL = 51;
constexpr int KORP_WIND_HI_SYM = 52;
constexpr int KORP_WIND_HI_BELL = 53;
constexpr int KORP_WIND = 54;
constexpr int KORP_WIND_MINMAX = 55;
constexpr int KORP_WINDDIR_LABEL = 56;
constexpr int KORP_WINDDIR_SYM = 57;
constexpr int KORP_WINDDIR_BELL = 58;
constexpr int KORP_WIND_DIR = 59;
constexpr int KORP_BEAUFORT_LABEL = 60;
constexpr int KORP_BEAUFORT = 61;
constexpr int KORP_WIND_BOX = 62;
constexpr int KORP_PRESS_CAPTION = 63;
constexpr int KORP_PRESS_LO_SYM = 64;
constexpr int KORP_PRESS_LO_BELL = 65;
constexpr int KORP_PRESS_HI_SYM = 66;
constexpr int KORP_PRESS_HI_BELL = 67;
constexpr int KORP_PRESSURE = 68;
constexpr int KORP_PRESS_MINMAX = 69;
constexpr int KORP_WEATHER = 70;
constexpr int KORP_TREND = 71;
constexpr int KORP_STORM_LABEL = 72;
constexpr int KORP_STORM_SYM = 73;
constexpr int KORP_STORM_BELL = 74;
constexpr int KORP_STORM = 75;
constexpr int KORP_PRESSURE_BOX = 76;
constexpr int KORP_RAIN_TOTAL_LABEL = 77;
constexpr int KORP_RAIN_TOTAL_GAUGE = 78;
constexpr int KORP_RAIN_TOTAL = 79;
constexpr int KORP_RAIN_24H_LABEL = 80;
constexpr int KORP_RAIN_24H_SYM = 81;
constexpr int KORP_RAIN_24H_BELL = 82;
constexpr int KORP_RAIN_24H_GAUGE = 83;
constexpr int KORP_RAIN_24H = 84;
constexpr int KORP_RAIN_1H_LABEL = 85;
constexpr int KORP_RAIN_1H_SYM = 86;
constexpr int KORP_RAIN_1H_BELL = 87;
constexpr int KORP_RAIN_1H_GAUGE = 88;
constexpr int KORP_RAIN_1H = 89;
constexpr int KORP_RAIN_MAX_24H = 90;
constexpr int KORP_RAIN_MAX_1H = 91;
constexpr int KORP_RAIN_BOX = 92;
constexpr int KORP_GENERAL_ALARM = 93;
constexpr int KORP_GENERAL_ALARM_SYM = 94;
constexpr int KORP_GENERAL_ALARM_LABEL = 95;
constexpr int KORP_RECEPTION = 96;
constexpr int KORP_RECEPTION_LABEL = 97;
constexpr int KORP_HISTORY_INFO = 98;
constexpr int KORP_STATION_BOX = 99;
constexpr int KORP_SETTINGS = 100;
constexpr int KORP_HISTORY = 101;
constexpr int KORP_SAVE_TEXT = 102;
constexpr int KORP_QUIT = 103;
constexpr int KORP_BLINK_TIMER = 104;
// The bar that offers the console's older data sets.
constexpr int KORP_OLDER_BAR = 190;
constexpr int KORP_OLDER_TEXT = 191;
constexpr int KORP_OLDER_STORE = 192;
constexpr int KORP_OLDER_LATER = 193;
constexpr int KORP_STATUS = 130;
constexpr int KORP_GRAPHS = 120;
constexpr int KORP_LINK_STATE = 105;

// txtP
constexpr int TXTP = 2;
// historyP
constexpr int HISTORYP = 3;
constexpr int HISTORYP_TABLE = 2;
constexpr int HISTORYP_SCROLLBAR = 3;
constexpr int HISTORYP_INFO = 4;
constexpr int HISTORYP_CHANGE_FILE = 5;
constexpr int HISTORYP_HIST_SETTINGS = 6;
constexpr int HISTORYP_SAVE_TEXT = 7;
constexpr int HISTORYP_CLOSE = 8;
constexpr int HISTORYP_MESSAGE = 9;
constexpr int HISTORYP_GRAPHS = 20;

// set_alarmP
constexpr int SETALARMP = 4;
constexpr int SETALARMP_INDEX = 2;
constexpr int SETALARMP_ENABLE = 3;
constexpr int SETALARMP_THRESHOLD_LABEL = 4;
constexpr int SETALARMP_TEMP = 5;
constexpr int SETALARMP_VALUE = 6;
constexpr int SETALARMP_RAIN = 7;
constexpr int SETALARMP_UNIT = 8;
constexpr int SETALARMP_DIR_0 = 9;
constexpr int SETALARMP_DIR_1 = 10;
constexpr int SETALARMP_DIR_2 = 11;
constexpr int SETALARMP_DIR_3 = 12;
constexpr int SETALARMP_DIR_4 = 13;
constexpr int SETALARMP_DIR_5 = 14;
constexpr int SETALARMP_DIR_6 = 15;
constexpr int SETALARMP_DIR_7 = 16;
constexpr int SETALARMP_DIR_8 = 17;
constexpr int SETALARMP_DIR_9 = 18;
constexpr int SETALARMP_DIR_10 = 19;
constexpr int SETALARMP_DIR_11 = 20;
constexpr int SETALARMP_DIR_12 = 21;
constexpr int SETALARMP_DIR_13 = 22;
constexpr int SETALARMP_DIR_14 = 23;
constexpr int SETALARMP_DIR_15 = 24;
constexpr int SETALARMP_OK = 25;
constexpr int SETALARMP_CANCEL = 26;

// change_history_settingsP
constexpr int CHGHISTP = 5;
constexpr int CHGHISTP_PERIOD_LABEL = 2;
constexpr int CHGHISTP_PERIOD_H = 3;
constexpr int CHGHISTP_H1 = 4;
constexpr int CHGHISTP_PERIOD_M = 5;
constexpr int CHGHISTP_M1 = 6;
constexpr int CHGHISTP_NEXT_LABEL = 7;
constexpr int CHGHISTP_NEXT_H = 8;
constexpr int CHGHISTP_H2 = 9;
constexpr int CHGHISTP_NEXT_M = 10;
constexpr int CHGHISTP_M2 = 11;
constexpr int CHGHISTP_NEXT_S = 12;
constexpr int CHGHISTP_S = 13;
constexpr int CHGHISTP_HINT = 14;
constexpr int CHGHISTP_OK = 15;
constexpr int CHGHISTP_CANCEL = 16;
constexpr int CHGHISTP_WAITING = 40;

// clr_min_maxP
constexpr int CLRMMP = 6;
constexpr int CLRMMP_CODE = 2;
constexpr int CLRMMP_GENERAL_LABEL = 3;
constexpr int CLRMMP_MIN_LABEL = 4;
constexpr int CLRMMP_MIN_VALUE = 5;
constexpr int CLRMMP_MIN_DATETIME = 6;
constexpr int CLRMMP_MIN_GROUP = 7;
constexpr int CLRMMP_MAX_LABEL = 8;
constexpr int CLRMMP_MAX_VALUE = 9;
constexpr int CLRMMP_MAX_DATETIME = 10;
constexpr int CLRMMP_MAX_GROUP = 11;
constexpr int CLRMMP_SINGLE_LABEL = 12;
constexpr int CLRMMP_SINGLE_VALUE = 13;
constexpr int CLRMMP_SINGLE_DATETIME = 14;
constexpr int CLRMMP_SINGLE_GROUP = 15;
constexpr int CLRMMP_PROMPT = 16;
constexpr int CLRMMP_OK = 17;
constexpr int CLRMMP_CANCEL = 18;

// clr_gen_alP
constexpr int CLRGAP = 7;
constexpr int CLRGAP_TEXT = 2;
constexpr int CLRGAP_OK = 3;
constexpr int CLRGAP_CANCEL = 4;

// settingsP
constexpr int SETTINGSP = 8;
constexpr int SETTINGSP_TAB = 2;
constexpr int SETTINGSP_FILE_LABEL = 3;
constexpr int SETTINGSP_HISTORY_FILE = 4;
constexpr int SETTINGSP_CHANGE_FILE = 5;
constexpr int SETTINGSP_OK = 6;
constexpr int SETTINGSP_CANCEL = 7;
constexpr int SETTINGSP_DATA_TIMER = 8;
constexpr int SETTINGSP_PORT_TIMER = 9;  // watches a restarted communication thread

// unitsP
constexpr int UNITSP = 9;
constexpr int UNITSP_PRESSURE_LABEL = 2;
constexpr int UNITSP_PRESSURE = 3;
constexpr int UNITSP_TEMPERATURE_LABEL = 4;
constexpr int UNITSP_TEMPERATURE = 5;
constexpr int UNITSP_WIND_LABEL = 6;
constexpr int UNITSP_WIND = 7;
constexpr int UNITSP_RAIN_LABEL = 8;
constexpr int UNITSP_RAIN = 9;

// globalP
constexpr int GLOBALP = 10;
constexpr int GLOBALP_24H = 2;
constexpr int GLOBALP_DECIMAL_POINT = 3;
constexpr int GLOBALP_TOOLTIPS = 4;
constexpr int GLOBALP_COM_PORT_LABEL = 5;
constexpr int GLOBALP_COM_PORT = 6;
constexpr int GLOBALP_LANGUAGE_LABEL = 7;
constexpr int GLOBALP_LANGUAGE = 8;
constexpr int GLOBALP_DEVICE_LABEL = 9;
constexpr int GLOBALP_DEVICE = 10;  // serial devices present, beside the port number

// aboutP
constexpr int ABOUTP = 12;
constexpr int ABOUTP_VERSION = 2;
constexpr int ABOUTP_NOTICE = 3;

// set_histP
constexpr int SETHISTP = 13;
constexpr int SETHISTP_TEXT = 2;

// pressureP
constexpr int PRESSUREP = 14;
constexpr int PRESSUREP_KIND_LABEL = 2;
constexpr int PRESSUREP_KIND = 3;
constexpr int PRESSUREP_HINT = 4;

// timerP lives in station/link/comm_timers.h: the communication thread loads it and must
// not need the window ids.

// X(name, control id, longest text in characters)
#define TXTP_TEXTS(X) \
    X(TXTP_TIP_KORP_ITEMP_GAUGE, 2, 100) \
    X(TXTP_ITEMP_LABEL, 3, 303) \
    X(TXTP_TIP_KORP_ITEMP_LO_BELL, 4, 100) \
    X(TXTP_TIP_KORP_ITEMP_HI_BELL, 5, 100) \
    X(TXTP_TIP_KORP_ITEMP, 6, 100) \
    X(TXTP_TIP_KORP_ITEMP_MINMAX, 7, 100) \
    X(TXTP_IHUM_LABEL, 8, 303) \
    X(TXTP_TIP_KORP_IHUM_LO_BELL, 9, 100) \
    X(TXTP_TIP_KORP_IHUM_HI_BELL, 10, 100) \
    X(TXTP_TIP_KORP_IHUM, 11, 100) \
    X(TXTP_TIP_KORP_IHUM_MINMAX, 12, 100) \
    X(TXTP_INDOOR_BOX, 13, 303) \
    X(TXTP_TIP_KORP_OTEMP_GAUGE, 14, 100) \
    X(TXTP_OTEMP_LABEL, 15, 303) \
    X(TXTP_TIP_KORP_OTEMP_LO_BELL, 16, 100) \
    X(TXTP_TIP_KORP_OTEMP_HI_BELL, 17, 100) \
    X(TXTP_TIP_KORP_OTEMP, 18, 100) \
    X(TXTP_TIP_KORP_OTEMP_MINMAX, 19, 100) \
    X(TXTP_OHUM_LABEL, 20, 303) \
    X(TXTP_TIP_KORP_OHUM_LO_BELL, 21, 100) \
    X(TXTP_TIP_KORP_OHUM_HI_BELL, 22, 100) \
    X(TXTP_TIP_KORP_OHUM, 23, 100) \
    X(TXTP_TIP_KORP_OHUM_MINMAX, 24, 100) \
    X(TXTP_DEW_LABEL, 25, 303) \
    X(TXTP_TIP_KORP_DEW_LO_BELL, 26, 100) \
    X(TXTP_TIP_KORP_DEW_HI_BELL, 27, 100) \
    X(TXTP_TIP_KORP_DEW, 28, 100) \
    X(TXTP_TIP_KORP_DEW_MINMAX, 29, 100) \
    X(TXTP_CHILL_LABEL, 30, 303) \
    X(TXTP_TIP_KORP_CHILL_LO_BELL, 31, 100) \
    X(TXTP_TIP_KORP_CHILL_HI_BELL, 32, 100) \
    X(TXTP_TIP_KORP_CHILL, 33, 100) \
    X(TXTP_TIP_KORP_CHILL_MINMAX, 34, 100) \
    X(TXTP_OUTDOOR_BOX, 35, 303) \
    X(TXTP_TIP_KORP_WIND_COMPASS, 36, 100) \
    X(TXTP_WIND_LABEL, 37, 303) \
    X(TXTP_TIP_KORP_WIND_LO_BELL, 38, 100) \
    X(TXTP_TIP_KORP_WIND_HI_BELL, 39, 100) \
    X(TXTP_TIP_KORP_WIND, 40, 100) \
    X(TXTP_TIP_KORP_WIND_MINMAX, 41, 100) \
    X(TXTP_WINDDIR_LABEL, 42, 303) \
    X(TXTP_TIP_KORP_WINDDIR_BELL, 43, 100) \
    X(TXTP_TIP_KORP_WIND_DIR, 44, 100) \
    X(TXTP_BEAUFORT_LABEL, 45, 303) \
    X(TXTP_TIP_KORP_BEAUFORT, 46, 100) \
    X(TXTP_WIND_BOX, 47, 303) \
    X(TXTP_TIP_KORP_PRESSURE, 48, 100) \
    X(TXTP_TIP_KORP_WEATHER, 49, 100) \
    X(TXTP_TIP_KORP_TREND, 50, 100) \
    X(TXTP_STORM_LABEL, 51, 303) \
    X(TXTP_TIP_KORP_STORM_BELL, 52, 100) \
    X(TXTP_STORM, 53, 303) \
    X(TXTP_PRESSURE_BOX, 54, 303) \
    X(TXTP_RAIN_TOTAL_LABEL, 55, 303) \
    X(TXTP_TIP_KORP_RAIN_TOTAL, 56, 100) \
    X(TXTP_RAIN_24H_LABEL, 57, 303) \
    X(TXTP_TIP_KORP_RAIN_24H_BELL, 58, 100) \
    X(TXTP_TIP_KORP_RAIN_24H, 59, 100) \
    X(TXTP_RAIN_1H_LABEL, 60, 303) \
    X(TXTP_TIP_KORP_RAIN_1H_BELL, 61, 100) \
    X(TXTP_TIP_KORP_RAIN_1H, 62, 100) \
    X(TXTP_TIP_KORP_RAIN_MAX_24H, 63, 100) \
    X(TXTP_TIP_KORP_RAIN_MAX_1H, 64, 100) \
    X(TXTP_RAIN_BOX, 65, 303) \
    X(TXTP_TIP_KORP_GENERAL_ALARM, 66, 100) \
    X(TXTP_GENERAL_ALARM_LABEL, 67, 303) \
    X(TXTP_TIP_KORP_RECEPTION, 68, 100) \
    X(TXTP_RECEPTION_LABEL, 69, 303) \
    X(TXTP_TIP_KORP_HISTORY_INFO, 70, 100) \
    X(TXTP_STATION_BOX, 71, 303) \
    X(TXTP_SETTINGS, 72, 303) \
    X(TXTP_TIP_KORP_SETTINGS, 73, 100) \
    X(TXTP_HISTORY, 74, 303) \
    X(TXTP_TIP_KORP_HISTORY, 75, 100) \
    X(TXTP_SAVE_TEXT, 76, 303) \
    X(TXTP_TIP_KORP_SAVE_TEXT, 77, 100) \
    X(TXTP_QUIT, 78, 303) \
    X(TXTP_TIP_KORP_QUIT, 79, 100) \
    X(TXTP_TITLE_KORP, 80, 303) \
    X(TXTP_TIP_HISTORYP_TABLE, 81, 100) \
    X(TXTP_TIP_HISTORYP_SCROLLBAR, 82, 100) \
    X(TXTP_HISTORYP_CHANGE_FILE, 83, 303) \
    X(TXTP_TIP_HISTORYP_CHANGE_FILE, 84, 100) \
    X(TXTP_HISTORYP_HIST_SETTINGS, 85, 303) \
    X(TXTP_TIP_HISTORYP_HIST_SETTINGS, 86, 100) \
    X(TXTP_HISTORYP_SAVE_TEXT, 87, 303) \
    X(TXTP_TIP_HISTORYP_SAVE_TEXT, 88, 100) \
    X(TXTP_HISTORYP_CLOSE, 89, 303) \
    X(TXTP_TITLE_HISTORYP, 90, 303) \
    X(TXTP_SETALARMP_ENABLE, 91, 303) \
    X(TXTP_SETALARMP_THRESHOLD_LABEL, 92, 303) \
    X(TXTP_DIR_0, 93, 303) \
    X(TXTP_DIR_1, 94, 303) \
    X(TXTP_DIR_2, 95, 303) \
    X(TXTP_DIR_3, 96, 303) \
    X(TXTP_DIR_4, 97, 303) \
    X(TXTP_DIR_5, 98, 303) \
    X(TXTP_DIR_6, 99, 303) \
    X(TXTP_DIR_7, 100, 303) \
    X(TXTP_DIR_8, 101, 303) \
    X(TXTP_DIR_9, 102, 303) \
    X(TXTP_DIR_10, 103, 303) \
    X(TXTP_DIR_11, 104, 303) \
    X(TXTP_DIR_12, 105, 303) \
    X(TXTP_DIR_13, 106, 303) \
    X(TXTP_DIR_14, 107, 303) \
    X(TXTP_DIR_15, 108, 303) \
    X(TXTP_SETALARMP_OK, 109, 303) \
    X(TXTP_SETALARMP_CANCEL, 110, 303) \
    X(TXTP_TITLE_SETALARMP, 111, 303) \
    X(TXTP_CHGHISTP_PERIOD_LABEL, 112, 303) \
    X(TXTP_CHGHISTP_H1, 113, 303) \
    X(TXTP_CHGHISTP_M1, 114, 303) \
    X(TXTP_CHGHISTP_NEXT_LABEL, 115, 303) \
    X(TXTP_CHGHISTP_H2, 116, 303) \
    X(TXTP_CHGHISTP_M2, 117, 303) \
    X(TXTP_CHGHISTP_S, 118, 303) \
    X(TXTP_CHGHISTP_HINT, 119, 303) \
    X(TXTP_CHGHISTP_OK, 120, 303) \
    X(TXTP_CHGHISTP_CANCEL, 121, 303) \
    X(TXTP_TITLE_CHGHISTP, 122, 303) \
    X(TXTP_CLRMMP_MIN_LABEL, 123, 303) \
    X(TXTP_CLRMMP_MAX_LABEL, 124, 303) \
    X(TXTP_CLRMMP_SINGLE_LABEL, 125, 303) \
    X(TXTP_CLRMMP_OK, 126, 303) \
    X(TXTP_CLRMMP_CANCEL, 127, 303) \
    X(TXTP_TITLE_CLRMMP, 128, 303) \
    X(TXTP_CLRGAP_TEXT, 129, 303) \
    X(TXTP_CLRGAP_OK, 130, 303) \
    X(TXTP_CLRGAP_CANCEL, 131, 303) \
    X(TXTP_TITLE_CLRGAP, 132, 303) \
    X(TXTP_SETTINGSP_FILE_LABEL, 133, 303) \
    X(TXTP_SETTINGSP_CHANGE_FILE, 134, 303) \
    X(TXTP_SETTINGSP_OK, 135, 303) \
    X(TXTP_SETTINGSP_CANCEL, 136, 303) \
    X(TXTP_TITLE_SETTINGSP, 137, 303) \
    X(TXTP_UNITSP_PRESSURE_LABEL, 138, 303) \
    X(TXTP_UNITSP_TEMPERATURE_LABEL, 139, 303) \
    X(TXTP_UNITSP_WIND_LABEL, 140, 303) \
    X(TXTP_UNITSP_RAIN_LABEL, 141, 303) \
    X(TXTP_TITLE_UNITSP, 142, 303) \
    X(TXTP_GLOBALP_24H, 143, 303) \
    X(TXTP_GLOBALP_DECIMAL_POINT, 144, 303) \
    X(TXTP_GLOBALP_TOOLTIPS, 145, 303) \
    X(TXTP_GLOBALP_COM_PORT_LABEL, 146, 303) \
    X(TXTP_GLOBALP_LANGUAGE_LABEL, 147, 303) \
    X(TXTP_TITLE_GLOBALP, 148, 303) \
    X(TXTP_TITLE_ABOUTP, 149, 303) \
    X(TXTP_SETHISTP_TEXT, 150, 303) \
    X(TXTP_TITLE_SETHISTP, 151, 303) \
    X(TXTP_PRESSUREP_KIND_LABEL, 152, 303) \
    X(TXTP_PRESSUREP_HINT, 153, 303) \
    X(TXTP_TITLE_PRESSUREP, 154, 303) \
    X(TXTP_ERROR_TITLE, 155, 103) \
    X(TXTP_SAVE_SETUP_FAILED, 156, 103) \
    X(TXTP_COMPORT_MESSAGE, 157, 303) \
    X(TXTP_COMPORT_REMEDY_OTHER, 158, 303) \
    X(TXTP_PRESS_ABS_CAPTION, 159, 303) \
    X(TXTP_PRESS_REL_CAPTION, 160, 303) \
    X(TXTP_TIP_PRESS_LO_ABS, 161, 100) \
    X(TXTP_TIP_PRESS_HI_ABS, 162, 100) \
    X(TXTP_TIP_PRESS_MINMAX_ABS, 163, 100) \
    X(TXTP_TIP_PRESS_LO_REL, 164, 100) \
    X(TXTP_TIP_PRESS_HI_REL, 165, 100) \
    X(TXTP_TIP_PRESS_MINMAX_REL, 166, 100) \
    X(TXTP_PRESSURE_KIND_REL, 167, 303) \
    X(TXTP_PRESSURE_KIND_ABS, 168, 303) \
    X(TXTP_HISTORY_FILE_TITLE, 169, 303) \
    X(TXTP_COL_PRESS_ABS, 170, 303) \
    X(TXTP_COL_PRESS_REL, 171, 303) \
    X(TXTP_COL_ITEMP, 172, 303) \
    X(TXTP_COL_IHUM, 173, 303) \
    X(TXTP_COL_OTEMP, 174, 303) \
    X(TXTP_COL_OHUM, 175, 303) \
    X(TXTP_COL_DEW, 176, 303) \
    X(TXTP_COL_CHILL, 177, 303) \
    X(TXTP_COL_WIND, 178, 303) \
    X(TXTP_COL_WINDDIR, 179, 303) \
    X(TXTP_COL_RAIN, 180, 303) \
    X(TXTP_COL_TIME, 181, 303) \
    X(TXTP_COL_DATE, 182, 303) \
    X(TXTP_INFO_FILE, 183, 303) \
    X(TXTP_INFO_FIRST, 184, 303) \
    X(TXTP_INFO_LAST, 185, 303) \
    X(TXTP_INFO_COUNT, 186, 303) \
    X(TXTP_CLR_TITLE_IHUM, 187, 303) \
    X(TXTP_CLR_TITLE_OHUM, 188, 303) \
    X(TXTP_CLR_TITLE_ITEMP, 189, 303) \
    X(TXTP_CLR_TITLE_OTEMP, 190, 303) \
    X(TXTP_CLR_TITLE_DEW, 191, 303) \
    X(TXTP_CLR_TITLE_CHILL, 192, 303) \
    X(TXTP_CLR_TITLE_WIND, 193, 303) \
    X(TXTP_CLR_TITLE_PRESS, 194, 303) \
    X(TXTP_CLR_TITLE_RAIN_TOTAL, 195, 303) \
    X(TXTP_CLR_TITLE_RAIN_MAX_1H, 196, 303) \
    X(TXTP_CLR_TITLE_RAIN_MAX_24H, 197, 303) \
    X(TXTP_CLR_TITLE_RAIN_1H, 198, 303) \
    X(TXTP_CLR_TITLE_RAIN_24H, 199, 303) \
    X(TXTP_CLR_PROMPT_MINMAX, 200, 303) \
    X(TXTP_CLR_PROMPT_LARGEST, 201, 303) \
    X(TXTP_CLR_PROMPT_COUNTER, 202, 303) \
    X(TXTP_CLR_GENERAL, 203, 303) \
    X(TXTP_CLR_DATE, 204, 303) \
    X(TXTP_CLR_TIME, 205, 303) \
    X(TXTP_EXPORT_TITLE, 206, 303) \
    X(TXTP_EXPORT_OVERWRITE, 207, 303) \
    X(TXTP_EXPORT_CREATE_FAILED, 208, 303) \
    X(TXTP_EXPORT_OPEN_FAILED, 209, 303) \
    X(TXTP_PROGRESS_TITLE, 210, 303) \
    X(TXTP_PROGRESS_LABEL, 211, 303) \
    X(TXTP_PROGRESS_CANCEL, 212, 303) \
    X(TXTP_HISTORY_READ_FAILED, 213, 303) \
    X(TXTP_EXPORT_FAILED, 214, 303) \
    X(TXTP_COMMAND_NOT_SENT, 215, 303) \
    X(TXTP_ALARM_ABOVE, 216, 303) \
    X(TXTP_ALARM_BELOW, 217, 303) \
    X(TXTP_ALARM_DIRECTIONS, 218, 303) \
    X(TXTP_LANGUAGE_UNREADABLE, 219, 303) \
    X(TXTP_LANGUAGE_NO_TEXTS, 220, 303) \
    X(TXTP_LANGUAGE_SKIPPED, 221, 303) \
    X(TXTP_HISTORY_FILE_UNUSABLE, 222, 303) \
    X(TXTP_ALARM_WENT_OFF, 290, 303) \
    X(TXTP_TRAY_OUTDOOR, 291, 303) \
    X(TXTP_OLDER_OFFER_ONE, 340, 303) \
    X(TXTP_OLDER_OFFER_MANY, 341, 303) \
    X(TXTP_KORP_OLDER_STORE, 342, 303) \
    X(TXTP_KORP_OLDER_LATER, 343, 303) \
    X(TXTP_CHGHISTP_WAITING_ONE, 344, 303) \
    X(TXTP_CHGHISTP_WAITING_MANY, 345, 303) \
    X(TXTP_TIP_ALARM_LAMP, 260, 100) \
    X(TXTP_INFO_COUNT_ONE, 261, 303) \
    X(TXTP_EXPORT_SAVED, 262, 303) \
    X(TXTP_GRAPHS, 300, 303) \
    X(TXTP_TIP_KORP_GRAPHS, 301, 100) \
    X(TXTP_TITLE_GRAPHS, 302, 303) \
    X(TXTP_GRAPHS_TAB, 303, 303) \
    X(TXTP_STATISTICS_TAB, 304, 303) \
    X(TXTP_RANGE_DAY, 305, 303) \
    X(TXTP_RANGE_WEEK, 306, 303) \
    X(TXTP_RANGE_MONTH, 307, 303) \
    X(TXTP_RANGE_YEAR, 308, 303) \
    X(TXTP_RANGE_ALL, 309, 303) \
    X(TXTP_GRAPHS_SAVE, 310, 303) \
    X(TXTP_GRAPHS_SAVE_TITLE, 311, 303) \
    X(TXTP_GRAPHS_SAVE_FAILED, 312, 303) \
    X(TXTP_GRAPHS_TEMPERATURE, 313, 303) \
    X(TXTP_GRAPHS_HUMIDITY, 314, 303) \
    X(TXTP_GRAPHS_RAIN, 315, 303) \
    X(TXTP_GRAPHS_HINT, 316, 303) \
    X(TXTP_STAT_TEMP_MIN, 317, 303) \
    X(TXTP_STAT_TEMP_MAX, 318, 303) \
    X(TXTP_STAT_TEMP_MEAN, 319, 303) \
    X(TXTP_STAT_HUM_MIN, 320, 303) \
    X(TXTP_STAT_HUM_MAX, 321, 303) \
    X(TXTP_STAT_PRESS_MIN, 322, 303) \
    X(TXTP_STAT_PRESS_MAX, 323, 303) \
    X(TXTP_STAT_RAIN, 324, 303) \
    X(TXTP_STAT_WIND_MAX, 325, 303) \
    X(TXTP_STAT_AT, 326, 303) \
    X(TXTP_STAT_RECORDS, 327, 303) \
    X(TXTP_STAT_RANGE, 328, 303) \
    X(TXTP_STAT_SAVE, 329, 303) \
    X(TXTP_STAT_SAVE_TITLE, 330, 303) \
    X(TXTP_LINK_CONNECTED, 360, 303) \
    X(TXTP_LINK_SILENT, 361, 303) \
    X(TXTP_LINK_CANNOT_OPEN, 362, 303) \
    X(TXTP_LINK_REASON_MISSING, 363, 303) \
    X(TXTP_LINK_REASON_ACCESS, 364, 303) \
    X(TXTP_LINK_REASON_OTHER, 365, 303) \
    X(TXTP_COMPORT_REMEDY_MISSING, 366, 303) \
    X(TXTP_COMPORT_REMEDY_ACCESS, 367, 303) \
    X(TXTP_GLOBALP_DEVICE_LABEL, 368, 303) \
    X(TXTP_DEVICE_LINKED, 369, 303) \
    X(TXTP_DEVICE_LINK_MISSING, 370, 303) \
    X(TXTP_DEVICE_NO_LINK, 371, 303) \

#define TXTP_DECLARE_CONSTANT(name, id, limit) constexpr int name = id;
TXTP_TEXTS(TXTP_DECLARE_CONSTANT)
#undef TXTP_DECLARE_CONSTANT
