// The current-data list "currdat.lst": the latest readings in every unit at once, with
// the time of the last and the next refresh, for other programs on the PC to follow the
// weather without talking to the console. Runs on the user-interface thread from UI_data.
#pragma once
#include <cstdint>

#include "platform/ini_text.h"

constexpr const char *CURRENT_DATA_FILE_NAME = "currdat.lst";
constexpr int CURRENT_DATA_INTERVAL_STALE = 15;  // s, while any group is stale
constexpr int CURRENT_DATA_INTERVAL_FRESH = 60;  // s, while every group is fresh
// Sizes the outputs of GetDirectionStringForList must have.
constexpr int DIRECTION_NAME_SIZE = 8;
constexpr int DIRECTION_DEGREES_SIZE = 8;

// The list, created at start-up with Ini_New(0) and disposed of at the end of the run.
extern IniText h_current_data_list;

// Every section and key with its start-up placeholder; the time keys from time() (or
// from now). The next refresh is announced 15 s after the start.
void InitCurrentDataList(IniText list);
void InitCurrentDataListAt(IniText list, uint32_t now);

// Puts the present values of UI_data, group by group (a group whose live timer has run
// out gets its placeholders back), and the time keys. Returns the next refresh interval
// in seconds (15 while any group is stale, else 60), which the refresh timer takes.
int RefreshCurrentDataList(IniText list);
int RefreshCurrentDataListAt(IniText list, uint32_t now);

// Writes the list to "currdat.lst" in the working directory, replacing the old file
// whole. 0 on success, negative when it could not be written (the next refresh tries
// again).
int SaveCurrentDataList(IniText list);

// Work of the refresh timer: refresh, then save. Returns the next interval in seconds.
int RefreshCurrentDataFile(IniText list);

// Fixed compass name ("N" .. "NNW") and bearing ("0.0" .. "337.5") of a direction 0..15;
// "---" and "---.-" for any other. Either output may be null.
void GetDirectionStringForList(int direction, char *name, char *degrees);
