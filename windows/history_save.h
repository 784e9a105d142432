// Saving the whole history as a text file, the command of the main panel and of the
// history panel, with the questions and messages it shows in the user's language.
#pragma once

// Message and confirmation pop-ups whose title and text are two text controls of a
// panel (the texts panel). The confirmation gives 1 when the user confirmed.
void LocalisedMessagePopup(int panel, int title_control, int message_control);
int LocalisedConfirmPopup(int panel, int title_control, int message_control);

// Commit: asks for a text file (and before replacing one), then writes the history file
// into it as tab-separated text. A history file that cannot be read to its end is
// reported and leaves no text file behind; the history file is only ever read.
int SaveHistoryAsText(int panel, int control, int event, void *callback_data, int event_data1,
                      int event_data2);

// Says the last export's line on the main panel again, in the language now chosen.
void RedrawExportStatus();
