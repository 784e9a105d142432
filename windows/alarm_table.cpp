// The alarm table. Read and write codes pair up with the replies the display dispatcher
// expects (written: pending slot cleared; read back: shown for the same alarm index), so
// slot, entry and index here must agree with windows/dispatcher.cpp.
#include "windows/alarm_table.h"

#include "windows/KOR.h"
#include "values/conversions.h"
#include "values/localisation.h"

namespace {

constexpr int Q_ITEMP = QUANTITY_INDOOR_TEMPERATURE;
constexpr int Q_OTEMP = QUANTITY_OUTDOOR_TEMPERATURE;
constexpr int Q_WIND = QUANTITY_WIND_SPEED;
constexpr int Q_HUM = QUANTITY_HUMIDITY;
constexpr int Q_ABS = QUANTITY_ABSOLUTE_PRESSURE;
constexpr int Q_REL = QUANTITY_RELATIVE_PRESSURE;
constexpr int ABS = PRESSURE_KIND_ABSOLUTE;
constexpr int REL = PRESSURE_KIND_RELATIVE;
constexpr int TEMP = ALARM_KIND_TEMPERATURE;
constexpr int VALUE = ALARM_KIND_VALUE;
constexpr int RAIN = ALARM_KIND_RAIN;
constexpr int HI = ALARM_HIGH;
constexpr int LO = ALARM_LOW;
constexpr int NONE = ALARM_OTHER;

// read, write, second, quantity, entry, compare entry, compare quantity, flag, slot, kind,
// sense, pressure kind, label, group
const AlarmRow kAlarmRows[kAlarmCount] = {
    {11, 10, 0, Q_ITEMP, 1, 1, Q_ITEMP, 6, 0, TEMP, HI, 0, KORP_ITEMP_LABEL, KORP_INDOOR_BOX},
    {9, 8, 0, Q_ITEMP, 0, 0, Q_ITEMP, 5, 1, TEMP, LO, 0, KORP_ITEMP_LABEL, KORP_INDOOR_BOX},
    {15, 14, 0, Q_OTEMP, 3, 3, Q_OTEMP, 8, 2, TEMP, HI, 0, KORP_OTEMP_LABEL, KORP_OUTDOOR_BOX},
    {13, 12, 0, Q_OTEMP, 2, 2, Q_OTEMP, 7, 3, TEMP, LO, 0, KORP_OTEMP_LABEL, KORP_OUTDOOR_BOX},
    {19, 18, 0, Q_OTEMP, 5, 5, Q_OTEMP, 10, 4, TEMP, HI, 0, KORP_CHILL_LABEL, KORP_OUTDOOR_BOX},
    {17, 16, 0, Q_OTEMP, 4, 4, Q_OTEMP, 9, 5, TEMP, LO, 0, KORP_CHILL_LABEL, KORP_OUTDOOR_BOX},
    {23, 22, 0, Q_OTEMP, 7, 7, Q_OTEMP, 12, 6, TEMP, HI, 0, KORP_DEW_LABEL, KORP_OUTDOOR_BOX},
    {21, 20, 0, Q_OTEMP, 6, 6, Q_OTEMP, 11, 7, TEMP, LO, 0, KORP_DEW_LABEL, KORP_OUTDOOR_BOX},
    {27, 26, 0, Q_WIND, 9, 9, Q_WIND, 21, 8, VALUE, HI, 0, KORP_WIND_LABEL, KORP_WIND_BOX},
    {25, 24, 0, Q_WIND, 8, 8, Q_WIND, 20, 9, VALUE, LO, 0, KORP_WIND_LABEL, KORP_WIND_BOX},
    {29, 28, 0, -1, 10, 10, -1, 19, 10, ALARM_KIND_DIRECTION, NONE, 0, KORP_WINDDIR_LABEL,
     KORP_WIND_BOX},
    // Pressure: the number entered is absolute (11, 12) or relative (13, 14); both the
    // absolute and the relative threshold are written. A relative threshold read back is
    // already relative and is shown without the correction.
    {33, 32, 36, Q_ABS, 12, 12, Q_ABS, 4, 11, VALUE, HI, ABS, KORP_PRESS_CAPTION, 0},
    {31, 30, 34, Q_ABS, 11, 11, Q_ABS, 3, 12, VALUE, LO, ABS, KORP_PRESS_CAPTION, 0},
    {37, 32, 36, Q_REL, 12, 14, Q_ABS, 4, 11, VALUE, HI, REL, KORP_PRESS_CAPTION, 0},
    {35, 30, 34, Q_REL, 11, 13, Q_ABS, 3, 12, VALUE, LO, REL, KORP_PRESS_CAPTION, 0},
    {0, 38, 0, -1, -1, -1, -1, 1, 13, ALARM_KIND_STORM, NONE, 0, KORP_STORM_LABEL, 0},
    {42, 41, 0, Q_HUM, 16, 16, -1, 14, 14, VALUE, HI, 0, KORP_IHUM_LABEL, KORP_INDOOR_BOX},
    {40, 39, 0, Q_HUM, 15, 15, -1, 13, 15, VALUE, LO, 0, KORP_IHUM_LABEL, KORP_INDOOR_BOX},
    {46, 45, 0, Q_HUM, 18, 18, -1, 16, 16, VALUE, HI, 0, KORP_OHUM_LABEL, KORP_OUTDOOR_BOX},
    {44, 43, 0, Q_HUM, 17, 17, -1, 15, 17, VALUE, LO, 0, KORP_OHUM_LABEL, KORP_OUTDOOR_BOX},
    {48, 47, 0, QUANTITY_RAIN_1H, 19, 19, QUANTITY_RAIN_1H, 18, 18, RAIN, HI, 0,
     KORP_RAIN_1H_LABEL, KORP_RAIN_BOX},
    {50, 49, 0, QUANTITY_RAIN_24H, 20, 20, QUANTITY_RAIN_24H, 17, 19, RAIN, HI, 0,
     KORP_RAIN_24H_LABEL, KORP_RAIN_BOX},
};

}  // namespace

const AlarmRow *AlarmRowOf(int index) {
    if (index < 0 || index >= kAlarmCount) return nullptr;
    return &kAlarmRows[index];
}
