// The language list of the settings dialog. It lists the language files (*.lwl) of the
// data folder and, after them, those shipped beside the program, marks the language in
// use, and applies a language the moment the user picks it: the texts change at once,
// as a preview; the settings dialog's OK keeps it in "Setup.cnf", its cancel takes it
// back. A file that cannot be read, or holds no text of the program, is refused with a
// message and the language stays as it was.
#pragma once

// Clears and fills the list of the general page; the language in use is selected and
// remembered as the one RestoreLanguageAtOpen returns to.
void FillLanguageList();
// Applies the language remembered by FillLanguageList again when another is in use.
void RestoreLanguageAtOpen();
// The list's callback (commit).
int SelectLanguage(int panel, int control, int event, void *callback_data, int event_data1,
                   int event_data2);
