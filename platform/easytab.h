// The tab control of the settings dialog: a tab control of a panel whose pages are panels
// of their own, loaded from the resource file as children of that panel. Each page keeps
// its own controls (reached through its own panel handle) and its tab shows the page
// panel's title, also when the title changes later (a language applied afterwards).
#pragma once

// Checks that the control of the panel is a tab control (a QTabWidget in the resource
// file) and returns its control id, or a negative code (kUIErrPanel, kUIErrControl, or
// kUIErrAttribute when it is some other widget).
int EasyTab_ConvertFromCanvas(int panel, int control);

struct EasyTabPage {
    int resource_id;  // panel of the resource file that becomes the page
    int *handle;      // receives the page's panel handle; left alone when it fails
};

// Loads the pages, in the order given, as child panels of panel and adds each as one tab.
// 0 when every page was added, otherwise minus the number that failed (the others are
// there).
int EasyTab_LoadPanels(int panel, int tab_control, const char *file_name,
                       const EasyTabPage *pages, int count);
