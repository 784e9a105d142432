// A tooltip set is a list of (control, text) pairs of one panel and a switch. Switching
// the set off takes the texts off the controls and keeps them, so that switching on
// again needs no texts panel read. Discarded entries stay off whatever the switch says.
#include "windows/tooltips.h"

#include <cstdio>

#include "windows/KOR.h"
#include "windows/alarm_controls.h"
#include "windows/kor_panels.h"
#include "windows/panel_text_tables.h"
#include "records/setup_record.h"
#include "platform/panels.h"

namespace {

constexpr int kToolTipTextSize = 101;  // at most 100 characters
constexpr int kMaxToolTips = 96;

struct ToolTip {
    int control;
    int discarded;
    char text[kToolTipTextSize];
};

struct ToolTipSet {
    const int *panel;
    int enabled;
    int count;
    ToolTip tips[kMaxToolTips];
};

ToolTipSet tool_tips_for_KOR_P = {&korP, 1, 0, {}};
// Controls whose main-panel tooltip was discarded; a new set keeps them off.
int discarded_controls[8];
int discarded_count = 0;

bool IsDiscarded(const ToolTipSet &set, int control) {
    if (&set != &tool_tips_for_KOR_P) return false;
    for (int i = 0; i < discarded_count; ++i)
        if (discarded_controls[i] == control) return true;
    return false;
}
ToolTipSet tool_tips_for_HISTORY_P = {&historyP, 1, 0, {}};

void ApplyTip(const ToolTipSet &set, const ToolTip &tip) {
    if (*set.panel <= 0) return;
    const bool show = set.enabled && !tip.discarded;
    SetCtrlAttribute(*set.panel, tip.control, ATTR_TOOLTIP_TEXT, show ? tip.text : "");
}

// Attaches (or renews) the tooltip of one control with a text of the texts panel.
void AttachTip(ToolTipSet &set, int control, int text) {
    ToolTip *tip = nullptr;
    for (int i = 0; i < set.count; ++i)
        if (set.tips[i].control == control) tip = &set.tips[i];
    if (tip == nullptr) {
        if (set.count >= kMaxToolTips) return;
        tip = &set.tips[set.count++];
        tip->control = control;
        tip->discarded = IsDiscarded(set, control) ? 1 : 0;
    }
    GetPanelText(text, tip->text, sizeof tip->text);
    ApplyTip(set, *tip);
}

void NewSet(ToolTipSet &set) {
    // Earlier attachments are taken off before the set is made anew.
    for (int i = 0; i < set.count; ++i)
        if (*set.panel > 0) SetCtrlAttribute(*set.panel, set.tips[i].control, ATTR_TOOLTIP_TEXT, "");
    const int enabled = set.enabled;
    set = ToolTipSet{set.panel, enabled, 0, {}};
}

}  // namespace

void InitToolTips() {
    NewSet(tool_tips_for_HISTORY_P);
    NewSet(tool_tips_for_KOR_P);
    for (int i = 0; i < kMainToolTipCount; ++i)
        AttachTip(tool_tips_for_KOR_P, kMainToolTips[i].control, kMainToolTips[i].text);
    // Every lamp beside a bell means the same.
    for (int slot = 0; slot < kAlarmPendingSlots; ++slot)
        AttachTip(tool_tips_for_KOR_P, AlarmSymbolControl(slot), TXTP_TIP_ALARM_LAMP);
    AdaptPressureToolTips(&setup.absolute_pressure);
    for (int i = 0; i < kHistoryToolTipCount; ++i)
        AttachTip(tool_tips_for_HISTORY_P, kHistoryToolTips[i].control, kHistoryToolTips[i].text);
}

void AdaptPressureToolTips(const int *absolute_pressure) {
    const bool absolute = absolute_pressure != nullptr && *absolute_pressure == 1;
    AttachTip(tool_tips_for_KOR_P, KORP_PRESS_LO_BELL, absolute ? TXTP_TIP_PRESS_LO_ABS : TXTP_TIP_PRESS_LO_REL);
    AttachTip(tool_tips_for_KOR_P, KORP_PRESS_HI_BELL, absolute ? TXTP_TIP_PRESS_HI_ABS : TXTP_TIP_PRESS_HI_REL);
    AttachTip(tool_tips_for_KOR_P, KORP_PRESS_MINMAX,
              absolute ? TXTP_TIP_PRESS_MINMAX_ABS : TXTP_TIP_PRESS_MINMAX_REL);
}

void EnableDisableToolTips(int on) {
    tool_tips_for_KOR_P.enabled = on == 1;
    for (int i = 0; i < tool_tips_for_KOR_P.count; ++i)
        ApplyTip(tool_tips_for_KOR_P, tool_tips_for_KOR_P.tips[i]);
}

void DiscardMainToolTip(int control) {
    if (!IsDiscarded(tool_tips_for_KOR_P, control) && discarded_count < 8)
        discarded_controls[discarded_count++] = control;
    for (int i = 0; i < tool_tips_for_KOR_P.count; ++i) {
        ToolTip &tip = tool_tips_for_KOR_P.tips[i];
        if (tip.control != control) continue;
        tip.discarded = 1;
        ApplyTip(tool_tips_for_KOR_P, tip);
    }
}
