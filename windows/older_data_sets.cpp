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
OlderDataSetsProgress progress{}; // total 0: nothing is being stored

bool Storing() { return progress.total > 0; }

bool BarWanted() {
    if (Storing()) return true;
    if (offer.count <= 0) return false;
    return !(put_off && put_off_first_time == UI_data.file_header.first_time);
}

void ProgressText(char *text, int size) {
    GetPanelText(TXTP_OLDER_STORING, text, size);
    char done[16], total[16];
    snprintf(done, sizeof done, "%d", static_cast<int>(progress.done));
    snprintf(total, sizeof total, "%d", static_cast<int>(progress.total));
    FillTextField(text, size, "done", done);
    FillTextField(text, size, "total", total);
}

// The History window's way to the older data sets, also after Not now: its button
// stands while the console holds some, and shows how far the storing has come.
void ShowHistoryButton() {
    if (historyP <= 0) return;
    char text[608];
    if (Storing())
        ProgressText(text, sizeof text);
    else
        GetPanelText(TXTP_HISTORYP_STORE_OLDER, text, sizeof text);
    SetCtrlAttribute(historyP, HISTORYP_STORE_OLDER, ATTR_LABEL_TEXT, text);
    SetCtrlAttribute(historyP, HISTORYP_STORE_OLDER, ATTR_DIMMED, Storing() || offer.count <= 0 ? 1 : 0);
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
    ShowHistoryButton();
    if (korP <= 0) return;
    const bool wanted = BarWanted();
    if (wanted) {
        char text[608];
        if (Storing())
            ProgressText(text, sizeof text);
        else
            OfferText(text, sizeof text);
        SetCtrlVal(korP, KORP_OLDER_TEXT, text);
        SetCtrlAttribute(korP, KORP_OLDER_PROGRESS, ATTR_MAX_VALUE, Storing() ? progress.total : 1);
        SetCtrlVal(korP, KORP_OLDER_PROGRESS, Storing() ? progress.done : 0);
    }
    SetCtrlAttribute(korP, KORP_OLDER_PROGRESS, ATTR_VISIBLE, Storing() ? 1 : 0);
    SetCtrlAttribute(korP, KORP_OLDER_STORE, ATTR_VISIBLE, Storing() ? 0 : 1);
    SetCtrlAttribute(korP, KORP_OLDER_LATER, ATTR_VISIBLE, Storing() ? 0 : 1);
    SetCtrlAttribute(korP, KORP_OLDER_BAR, ATTR_VISIBLE, wanted ? 1 : 0);
}

void TakeOlderDataSetsProgress(const UIRecord *record) {
    memcpy(&progress, record->payload, sizeof progress);
    if (progress.total <= 0 || progress.done < 0) progress = OlderDataSetsProgress{};
    ShowOlderDataSetsBar();
}

void TakeOlderDataSetsOffer(const UIRecord *record) {
    memcpy(&offer, record->payload, sizeof offer);
    // A report before any data set was read: the request is still queued, or it was
    // lost with a restarted thread; the bar offers what there is again.
    if (progress.done == 0) progress = OlderDataSetsProgress{};
    ShowOlderDataSetsBar();
}

void OlderDataSetsAnswered() {
    offer.count = 0;
    progress = OlderDataSetsProgress{};
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
    // Under way until the communication thread reports: what the console offered is
    // what is fetched.
    progress = OlderDataSetsProgress{0, offer.count};
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

// The console's older data sets are another file's: the offer is gone, the user told why.
void TakeOlderDataSetsRejected(const UIRecord *) { ReportCommandError(TXTP_OLDER_REJECTED); }

void RegisterOlderDataSetsListeners() {
    (void)ListenToUIRecords(170, 170, TakeOlderDataSetsOffer);
    (void)ListenToUIRecords(UI_OLDER_DATA_SETS_REJECTED, UI_OLDER_DATA_SETS_REJECTED,
                            TakeOlderDataSetsRejected);
    (void)ListenToUIRecords(171, 171, OlderDataSetsStoredRecord);
    (void)ListenToUIRecords(UI_OLDER_DATA_SETS_PROGRESS, UI_OLDER_DATA_SETS_PROGRESS,
                            TakeOlderDataSetsProgress);
    (void)ListenToSurfaceRefresh(ShowOlderDataSetsBar);
}
