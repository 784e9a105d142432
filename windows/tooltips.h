// Tooltips of the main panel and the history panel. Each text is read from the texts
// panel into a buffer that lives for the whole run; the main panel's set can be switched
// off and on as a whole (a setting), the history panel's stays on.
#pragma once

// Creates both tooltip sets anew from the texts panel and attaches them.
void InitToolTips();
// The three pressure tooltips (low and high alarm, min/max) for the pressure kind.
void AdaptPressureToolTips(const int *absolute_pressure);
// 1 shows the main panel's tooltips, any other value hides them.
void EnableDisableToolTips(int on);
// Removes one control's tooltip from the main panel's set for good.
void DiscardMainToolTip(int control);
