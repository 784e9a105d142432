// Inside platform/ only: what a window of the program does so that it behaves like a
// desktop dialog although the resource makes plain widgets of it. Its keys: Return or
// Enter press the button named ..._OK (or the button that has the focus), Escape presses ..._CANCEL, so
// the dialog's own callbacks decide as they do for a click. Its focus: the first field
// that takes input.
#pragma once

class QWidget;

// Return, Enter and Escape for a freshly built top-level panel; no effect on a panel
// without such buttons.
void GiveKeysToButtons(QWidget *window);
// Puts the focus on the first enabled field that takes text or a number, if any.
void FocusFirstField(QWidget *window);
