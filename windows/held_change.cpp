#include "windows/held_change.h"

#include <cstring>

#include "platform/panels.h"
#include "records/ui_listeners.h"
#include "station/link/comm_flags.h"
#include "windows/KOR.h"
#include "windows/kor_panels.h"

namespace {

bool given_up = false;

void ShowGiveUp(bool shown) {
    SetCtrlAttribute(korP, KORP_GIVE_UP_CHANGE, ATTR_DIMMED, 0);
    SetCtrlAttribute(korP, KORP_GIVE_UP_CHANGE, ATTR_VISIBLE, shown ? 1 : 0);
}

void TakeChangeHeld(const UIRecord *) {
    given_up = false;
    ShowGiveUp(true);
}

void TakeChangeEnded(const UIRecord *) {
    given_up = false;
    ShowGiveUp(false);
}

// Once the console answers again the held change is carried out at once: nothing is
// left to give up.
void TakeLinkStateForHeldChange(const UIRecord *record) {
    LinkStatePayload state{};
    memcpy(&state, record->payload, sizeof state);
    if (state.state == LINK_CONNECTED) ShowGiveUp(false);
}

}  // namespace

int GiveUpHeldChange(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    given_up = true;
    flag_give_up_held_change.store(1);
    SetCtrlAttribute(korP, KORP_GIVE_UP_CHANGE, ATTR_DIMMED, 1);
    return 0;
}

bool HeldChangeGivenUp() { return given_up; }

void RegisterHeldChangeCallbacks() { RegisterCallback("GiveUpHeldChange", GiveUpHeldChange); }

void RegisterHeldChangeListeners() {
    (void)ListenToUIRecords(UI_CHANGE_HELD, UI_CHANGE_HELD, TakeChangeHeld);
    (void)ListenToUIRecords(UI_COMMAND_FAILED, UI_COMMAND_FAILED, TakeChangeEnded);
    (void)ListenToUIRecords(UI_LINK_STATE, UI_LINK_STATE, TakeLinkStateForHeldChange);
}
