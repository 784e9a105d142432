// Inside platform/ only: what a window of the program does so that it behaves like a
// desktop dialog although the resource makes plain widgets of it. Its place: over the
// window the user is working in, whole on that screen. Its keys: Return or Enter press the
// button named ..._OK (or the button that has the focus), Escape presses ..._CANCEL, so
// the dialog's own callbacks decide as they do for a click. Its focus: the first field
// that takes input.
#pragma once

class QWidget;

// Return, Enter and Escape for a freshly built top-level panel; no effect on a panel
// without such buttons.
void GiveKeysToButtons(QWidget *window);
// Centres the window over the active window of the program (or, without one, on its
// screen) the first time it is shown, and keeps it whole on the screen's free area every
// time; also tells the window system whose dialog it is.
void PlaceOverActiveWindow(QWidget *window);
// Puts the focus on the first enabled field that takes text or a number, if any.
void FocusFirstField(QWidget *window);
