// The program's panels: their handles, loading them all from "KOR.uir" at start-up,
// the labels they take from the texts panel, and the small callbacks that show and hide
// the history panel.
// The panels, the display, the history view, the tooltips and the panels' text tables
// call each other (a redraw needs the panels, the panels' loading draws the first
// surface): they are one piece of the windows and stay in this folder together.
#pragma once

extern int korP;
extern int txtP;
extern int historyP;
extern int set_alarmP;
extern int change_history_settingsP;
extern int clr_min_maxP;
extern int clr_gen_alP;
extern int settingsP;
extern int globalP;
extern int unitsP;
extern int pressureP;
extern int set_histP;
extern int aboutP;
extern int mqttP;

constexpr const char *KOR_UIR_FILE = "KOR.uir";
constexpr const char *PROGRAM_VERSION_TEXT = "Ver. 2.0 beta release";

// Loads all thirteen panels and fills what the program owns in them. 0 when every panel
// loaded, otherwise minus the number of panels that failed (the others are loaded).
int LoadInitAllPanels();
// Every label, caption and title of the panels from the texts panel (after loading and
// after a language file was applied).
void ApplyPanelTexts();
// The main panel's pressure caption for setup.absolute_pressure.
void ShowPressureCaption();
void DeleteAllPanels();

// Reads text control `text` of the texts panel into buffer (always terminated); an empty
// text when the panel or control is missing. Returns buffer.
char *GetPanelText(int text, char *buffer, int size);

// Replaces every "{name}" in the terminated text (a buffer of size bytes) by value; what
// does not fit is cut. Texts keep their numbers and dates out of the format strings this
// way, so a language file cannot put a conversion into a format.
void FillTextField(char *text, int size, const char *name, const char *value);

int ShowHistoryPanel(int panel, int control, int event, void *callback_data, int event_data1,
                     int event_data2);
int HideHistoryPanel(int panel, int control, int event, void *callback_data, int event_data1,
                     int event_data2);
int HistoryScrollBar(int panel, int control, int event, void *callback_data, int event_data1,
                     int event_data2);
