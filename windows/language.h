// Applying a language file (windows/language_file.h describes them) to the texts panel.
#pragma once

// The texts panel's own texts, as loaded from the resource file, are remembered once so
// that a failed language file can put them back.
void RememberResourceTexts();
void RestoreResourceTexts();

// Applies setup.language_file to the texts panel, then renews the panel labels, the
// history table (titles and page) with the export's texts, the main panel's readings
// and history information, and the tooltips. A plain
// file name is looked up in the working directory (the data folder), then beside the
// program, where the shipped languages are. 0 on success, -1 when the file cannot be
// read (the resource texts stay).
int LocaliseAllPanels();

// The main window is laid out for the widest of the languages shipped beside the
// program, so that a switch between them does not make it jump; the language of
// setup.language_file is applied again afterwards.
void LayOutForEveryShippedLanguage();
