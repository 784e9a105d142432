// Redraw of the main panel from UI_data, one group of values at a time. Every redraw
// dims its controls while the group is stale (its live timer ran out) and undims them
// otherwise; values are shown in the user's units through LocaliseMeasuredValues.
#pragma once
#include "records/kor_data.h"
#include "records/queue_records.h"

// UI_data to its defaults before the first record arrives.
void SetUIDataToDefault();
// Listens to the reception (0, 1) and group records (7 to 19).
void RegisterDisplayListeners();
// Redraws every group and the history file information, then lets the views that listen
// to the surface redraw theirs. Returns 0.
int RefreshKORPanelSurface();

void ShowWind(const WindGroup *g);
void ShowIndoorTemperature(const TempGroup *g);
void ShowOutdoorTemperature(const TempGroup *g);
void ShowWindchill(const TempGroup *g);
void ShowDewpoint(const TempGroup *g);
void ShowIndoorHumidity(const TempGroup *g);
void ShowOutdoorHumidity(const TempGroup *g);
void ShowPressureValue(const PressureGroup *g);
void ShowPressureMinMax(const PressureGroup *g);
void ShowWeatherPicture(const PressureGroup *g);
void ShowRain(const RainGroup *g);
void ShowAlarmEnables(const AlarmFlags *g);

// Direction 0..15 as its name (from the texts panel) and as name, line break and
// bearing; any other direction gives "---" and "---\n---". Either output may be null;
// name takes 304 bytes, name_and_bearing kDirectionTextSize.
constexpr int kDirectionTextSize = 340;
void GetDirectionString(int direction, char *name, char *name_and_bearing);

// The history file information (file name, first and last data set, their number) in
// the main panel's and the history panel's information fields.
void ActualiseCurrentInfoFileHeader(const HistoryFileHeader *header);
// "<n> data set" or "<n> data sets": the number with the texts panel's word for one
// data set or for any other number of them.
void DataSetCountText(long long count, char *out, int size);
