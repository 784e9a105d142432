// The tab control of the settings dialog: a tab widget of a panel whose pages are other
// panels of the resource file, each shown under its panel title.
#pragma once

// The panel's control as a tab control: returns the control when it is a tab widget,
// else a negative code (kUIErrControl, kUIErrAttribute).
int EasyTab_ConvertFromCanvas(int panel, int control);
// Puts the loaded panel `page` into the tab control as its last page, titled with the
// page's panel title (and following later changes of that title). The page handle stays
// valid for its controls. 0, or a negative code of panels.h.
int EasyTab_AddPanel(int panel, int tab_control, int page);
// Number of pages of the tab control, or a negative code.
int EasyTab_GetPageCount(int panel, int tab_control);
