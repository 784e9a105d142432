// Tables that tie the panels to the texts panel: which text each label, caption and panel
// title shows, and which text each tooltip takes. They live beside KOR.uir's layout.
#pragma once

enum TextBindingKind {
    BIND_VALUE,  // the control's value is its text (text messages)
    BIND_LABEL,  // the control's label (buttons, check boxes, frames)
    BIND_TITLE   // the panel's title (control 0)
};

struct TextBinding {
    const int *panel;  // the panel handle variable
    int control;
    int text;          // control of the texts panel
    int kind;
};

struct ToolTipBinding {
    int control;
    int text;
};

extern const TextBinding kTextBindings[];
extern const int kTextBindingCount;
extern const ToolTipBinding kMainToolTips[];
extern const int kMainToolTipCount;
extern const ToolTipBinding kHistoryToolTips[];
extern const int kHistoryToolTipCount;
