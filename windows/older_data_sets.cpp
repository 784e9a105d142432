// "Not now" is remembered for the file by its first data set, so that another file (or
// this one after its older data sets were stored) is offered afresh. Store hides the bar
// at once; the communication thread's next report shows it again if any are left (the
// request failed, or it never arrived because the thread was restarted).
#include "windows/older_data_sets.h"

#include <cstdio>
#include <cstring>

#include "windows/KOR.h"
#include "windows/kor_panels.h"
#include "records/ui_data.h"
#include "platform/panels.h"
#include "station/comm/older_history.h"
#include "windows/command_sender.h"
#include "values/time_texts.h"
#include "records/ui_listeners.h"

namespace {

OlderDataSetsOffer offer{};       // as the communication thread last reported it
bool put_off = false;
uint32_t put_off_first_time = 0;  // the file the user put the offer off for

bool BarWanted() {
    if (offer.count <= 0) return false;
    return !(put_off && put_off_first_time == UI_data.file_header.first_time);
}

void OfferText(char *text, int size) {
    GetPanelText(offer.count == 1 ? TXTP_OLDER_OFFER_ONE : TXTP_OLDER_OFFER_MANY, text, size);
    char count[16];
    snprintf(count, sizeof count, "%d", static_cast<int>(offer.count));
    char date[TIME_DATE_TEXT_SIZE];
    GetFileStampString(offer.oldest_time, date);
    FillTextField(text, size, "count", count);
    FillTextField(text, size, "date", date);
}

void OlderDataSetsStoredRecord(const UIRecord *) { OlderDataSetsAnswered(); }

}  // namespace

void ShowOlderDataSetsBar() {
    if (korP <= 0) return;
    const bool wanted = BarWanted();
    if (wanted) {
        char text[608];
        OfferText(text, sizeof text);
        SetCtrlVal(korP, KORP_OLDER_TEXT, text);
    }
    SetCtrlAttribute(korP, KORP_OLDER_BAR, ATTR_VISIBLE, wanted ? 1 : 0);
}

void TakeOlderDataSetsOffer(const UIRecord *record) {
    memcpy(&offer, record->payload, sizeof offer);
    ShowOlderDataSetsBar();
}

void OlderDataSetsAnswered() {
    offer.count = 0;
    ShowOlderDataSetsBar();
}

int OlderDataSetsOnConsoleCount() { return offer.count > 0 ? offer.count : 0; }

int StoreOlderDataSetsClicked(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    const CommandRecord record = MakeCommandRecord(COMMAND_STORE_OLDER_DATA_SETS);
    if (SendCommandRecord(&record) != 0) {
        ReportCommandNotSent();
        return 0;
    }
    offer.count = 0;
    ShowOlderDataSetsBar();
    return 0;
}

int PutOffOlderDataSets(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    put_off = true;
    put_off_first_time = UI_data.file_header.first_time;
    ShowOlderDataSetsBar();
    return 0;
}

void RegisterOlderDataSetsCallbacks() {
    RegisterCallback("StoreOlderDataSetsClicked", StoreOlderDataSetsClicked);
    RegisterCallback("PutOffOlderDataSets", PutOffOlderDataSets);
}

void RegisterOlderDataSetsListeners() {
    (void)ListenToUIRecords(170, 170, TakeOlderDataSetsOffer);
    (void)ListenToUIRecords(171, 171, OlderDataSetsStoredRecord);
    (void)ListenToSurfaceRefresh(ShowOlderDataSetsBar);
}
