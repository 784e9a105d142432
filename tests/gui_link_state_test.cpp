// The serial link as the user sees it: its state in words in the Station group, the port
// message after a start (whole, in every shipped language) and the device list of the
// settings dialog with the COMn link it makes.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "windows/KOR.h"
#include "windows/comm_restart.h"
#include "windows/desktop_notice.h"
#include "windows/link_display.h"
#include "records/ui_data.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "windows/language.h"
#include "windows/language_file.h"
#include "windows/port_choice.h"
#include "windows/setup_messages.h"
#include "records/setup_record.h"
#include "windows/text_fields.h"
#include "platform/files.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/serial_devices.h"
#include "support/gui_app.h"
#include "support/temp_folder.h"
#include "support/utc_zone.h"

namespace {

struct Shown {
    std::string title;
    std::string message;
};
std::vector<Shown> shown;

int Responder(const PopupRequest *request, char *, int) {
    if (request->kind == POPUP_MESSAGE) shown.push_back({request->title, request->message});
    return 0;
}

std::string Text(int panel, int control) {
    char buffer[2048];
    GetCtrlString(panel, control, buffer, sizeof buffer);
    return buffer;
}

void Dispatch(int32_t state, int32_t reason, uint32_t since, const char *device) {
    UIRecord r{};
    r.kind = 150;
    const LinkStatePayload p{state, 1, reason, since};
    memcpy(r.payload, &p, sizeof p);
    snprintf(r.text, sizeof r.text, "%s", device);
    DispatchUIRecord(&r);
}

void UseLanguage(const std::string &file) {
    snprintf(setup.language_file, sizeof setup.language_file, "%s", file.c_str());
    ASSERT_EQ(LocaliseAllPanels(), 0) << file;
    RefreshKORPanelSurface();
}

std::string ResourceDir() {
    char dir[4096];
    GetProjectDir(dir, sizeof dir);
    return dir;
}

class LinkState : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(LoadAppPanelsForTests(), 0);
        SetPopupTestResponder(Responder);
        shown.clear();
    }
    void TearDown() override {
        SetPopupTestResponder(nullptr);
        UseLanguage("english.lwl");
    }
    UtcZone utc;
};

TEST_F(LinkState, StationGroupSaysItInBothLanguagesAndAFailedStartShowsThePortMessage) {
    setup.time_24h = 1;
    UseLanguage("english.lwl");
    Dispatch(LINK_CONNECTED, LINK_REASON_NONE, 0, "/dev/ttyUSB0");
    EXPECT_EQ(Text(korP, KORP_LINK_STATE), "Console connected (COM1 → /dev/ttyUSB0)");
    Dispatch(LINK_SILENT, LINK_REASON_NONE, 1780000000 - 1780000000 % 86400 + 14 * 3600 + 180,
             "/dev/ttyUSB0");
    EXPECT_EQ(Text(korP, KORP_LINK_STATE), "Console not answering since 14:03 — retrying");

    WatchCommunicationStart();
    const uint32_t at_1405 = 1780000000 - 1780000000 % 86400 + 14 * 3600 + 300;
    Dispatch(LINK_CANNOT_OPEN, LINK_REASON_ACCESS, at_1405, "/dev/ttyUSB0");
    EXPECT_EQ(Text(korP, KORP_LINK_STATE), "Port COM1 cannot be opened since 14:05: permission denied");
    CommStartWatchTimer(settingsP, SETTINGSP_PORT_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].message.find("COM1 (/dev/ttyUSB0): permission denied"), std::string::npos);
    EXPECT_NE(shown[0].message.find("sudo usermod -aG dialout $USER"), std::string::npos);
    // Later changes are the main window's to show; only a start's first report pops up.
    Dispatch(LINK_CANNOT_OPEN, LINK_REASON_MISSING, at_1405, "/dev/ttyUSB0");
    CommStartWatchTimer(settingsP, SETTINGSP_PORT_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(shown.size(), 1u);

    UseLanguage("deutsch.lwl");  // the language change re-texts the state shown
    EXPECT_EQ(Text(korP, KORP_LINK_STATE),
              "Schnittstelle COM1 lässt sich seit 14:05 nicht öffnen: Gerät nicht gefunden");
}

void Collect(int control, const char *text, void *context) {
    (*static_cast<std::map<int, std::string> *>(context))[control] = text;
}

// Every message built from several texts comes out whole in every shipped language, the
// longest device name included: nothing is cut at a buffer's end.
TEST_F(LinkState, PortAndSetupMessagesAreWholeInEveryShippedLanguage) {
    const char *device = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    const struct {
        int32_t reason;
        int why;
        int remedy;
    } cases[] = {
        {LINK_REASON_MISSING, TXTP_LINK_REASON_MISSING, TXTP_COMPORT_REMEDY_MISSING},
        {LINK_REASON_ACCESS, TXTP_LINK_REASON_ACCESS, TXTP_COMPORT_REMEDY_ACCESS},
        {LINK_REASON_OTHER, TXTP_LINK_REASON_OTHER, TXTP_COMPORT_REMEDY_OTHER},
    };
    int languages = 0;
    for (const auto &entry : std::filesystem::directory_iterator(ResourceDir())) {
        if (entry.path().extension() != ".lwl") continue;
        ++languages;
        const std::string file = entry.path().string();
        std::map<int, std::string> t;
        LanguageStats stats;
        ASSERT_EQ(ReadLanguageFile(file.c_str(), Collect, &t, &stats), 0);
        EXPECT_EQ(stats.cut, 0) << file;
        UseLanguage(file);
        for (const auto &c : cases) {
            shown.clear();
            MsgErrorComport(1, device, c.reason);
            ASSERT_EQ(shown.size(), 1u);
            const TextField fields[] = {
                {"port", "COM1"}, {"device", device}, {"reason", t[c.why].c_str()}};
            EXPECT_EQ(shown[0].title, t[TXTP_ERROR_TITLE]) << file;
            EXPECT_EQ(shown[0].message,
                      FillTextFields(t[TXTP_COMPORT_MESSAGE].c_str(), fields, 3) + "\n\n" +
                          t[c.remedy])
                << file;
        }
        shown.clear();
        MsgErrorSaveSetup();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].message, t[TXTP_SAVE_SETUP_FAILED]) << file;
    }
    EXPECT_GE(languages, 2);
}

TEST_F(LinkState, DeviceListShowsWhereThePortLeadsAndLinksAreReplacedInOneStep) {
    TempFolder folder;
    ASSERT_EQ(symlink("/dev/no-such-adapter", "COM3"), 0);
    SetCtrlVal(globalP, GLOBALP_COM_PORT, 3);
    FillDeviceList();
    EXPECT_EQ(Text(globalP, GLOBALP_DEVICE), "COM3 → /dev/no-such-adapter (not present)");
    EXPECT_EQ(TakeDeviceChoice(3), 0);  // the port as it stands: nothing to link
    SetCtrlVal(globalP, GLOBALP_COM_PORT, 4);
    FillDeviceList();
    EXPECT_EQ(Text(globalP, GLOBALP_DEVICE), "COM4 → /dev/ttyS3 (no link made)");

    ASSERT_EQ(LinkComPort(3, "/dev/null"), 0);
    char target[PATH_MAX];
    EXPECT_EQ(ComLinkState(3, target, sizeof target), COM_LINK_PRESENT);
    EXPECT_STREQ(target, "/dev/null");
    // A COMn of the user's own that is no link is left alone.
    WriteWholeFile(folder.file("COM5"), "mine");
    EXPECT_NE(LinkComPort(5, "/dev/null"), 0);
    EXPECT_EQ(ReadWholeFile(folder.file("COM5")), "mine");
}

}  // namespace

namespace {

void DispatchOutdoor(float celsius) {
    UIRecord r{};
    r.kind = 9;
    TempGroup g = UI_data.outdoor_temp;
    g.current = g.min = g.max = celsius;
    memcpy(r.payload, &g, sizeof g);
    DispatchUIRecord(&r);
}

void DispatchFlags(int kind, int flag) {
    UIRecord r{};
    r.kind = kind;
    AlarmFlags f{};
    f.flag[flag] = 1;
    memcpy(r.payload, &f, sizeof f);
    DispatchUIRecord(&r);
}

int Dimmed(int control) {
    int dimmed = 0;
    GetCtrlAttribute(korP, control, ATTR_DIMMED, &dimmed);
    return dimmed;
}

// What the window and the tray say must be true: nothing read is no number, a lost link
// dims every live value at once (not minutes later), and the port's error box goes when
// the port works.
TEST_F(LinkState, NeverReadShowsTheMarkerAndALostLinkDimsAtOnce) {
    ForgetLinkState();
    setup.time_24h = 1;
    setup.units.temperature_unit = 1;  // 0 °C would read 32.0 °F
    SetUIDataToDefault();
    RefreshKORPanelSurface();
    for (int control : {KORP_OTEMP, KORP_ITEMP, KORP_OHUM, KORP_PRESSURE, KORP_WIND, KORP_CHILL})
        EXPECT_EQ(Text(korP, control), "---") << control;
    EXPECT_EQ(Text(korP, KORP_OTEMP_MINMAX).find("32"), std::string::npos);
    EXPECT_EQ(Text(korP, KORP_RAIN_TOTAL), "---");
    EXPECT_EQ(TrayToolTipText(), "Clear Horizon\nConsole not connected\nOutdoor: ---, ---");

    Dispatch(LINK_CONNECTED, LINK_REASON_NONE, 0, "/dev/ttyUSB0");
    DispatchOutdoor(22.57f);
    EXPECT_EQ(Text(korP, KORP_OTEMP), "72.6 \u00B0F");
    EXPECT_EQ(Dimmed(KORP_OTEMP), 0);
    EXPECT_EQ(TrayToolTipText(), "Clear Horizon\nOutdoor: 72.6 \u00B0F, ---");

    SetPopupTestResponder(nullptr);  // a real box, shown offscreen
    KeyedMessagePopup(MESSAGE_KEY_PORT_ERROR, "Error", "Port COM1 cannot be opened");
    EXPECT_EQ(OpenMessagePopups(MESSAGE_KEY_PORT_ERROR), 1);

    const uint32_t at_1403 = 1780000000 - 1780000000 % 86400 + 14 * 3600 + 180;
    Dispatch(LINK_SILENT, LINK_REASON_NONE, at_1403, "/dev/ttyUSB0");
    for (int control : {KORP_OTEMP, KORP_OTEMP_GAUGE, KORP_OTEMP_MINMAX, KORP_WIND, KORP_PRESSURE,
                        KORP_OHUM, KORP_RAIN_TOTAL})
        EXPECT_EQ(Dimmed(control), 1) << control;
    EXPECT_EQ(Text(korP, KORP_OTEMP), "72.6 \u00B0F");  // the last reading, dimmed
    EXPECT_EQ(TrayToolTipText(),
              "Clear Horizon\nConsole not answering since 14:03 — retrying\nOutdoor: ---, ---");
    EXPECT_EQ(OpenMessagePopups(MESSAGE_KEY_PORT_ERROR), 1);

    Dispatch(LINK_CONNECTED, LINK_REASON_NONE, 0, "/dev/ttyUSB0");
    EXPECT_EQ(OpenMessagePopups(MESSAGE_KEY_PORT_ERROR), 0);
}

// The notice of an alarm names the reading, the side crossed and the threshold, which
// it asks of the console when it does not know it yet.
TEST_F(LinkState, AlarmNoticeNamesValueSideAndThreshold) {
    ASSERT_EQ(OpenCommandQueueForTests(), 0);
    setup.units.temperature_unit = 0;
    SetUIDataToDefault();
    DispatchOutdoor(31.5f);
    DispatchFlags(14, 8);  // outdoor temperature high alarm on
    DispatchFlags(15, 8);  // and gone off
    const std::vector<CommandRecord> sent = TakeCommandsSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, 15);  // read back the outdoor high threshold
    EXPECT_NE(AlarmNoticeText(8).find("above the high alarm threshold of ---"), std::string::npos);

    UIRecord answer{};
    answer.kind = 44;
    const float threshold = 30.0f;
    memcpy(&answer.payload[2], &threshold, sizeof threshold);
    DispatchUIRecord(&answer);
    const std::string notice = AlarmNoticeText(8);
    EXPECT_NE(notice.find(": 31.5 \u00B0C — above the high alarm threshold of 30.0 \u00B0C"),
              std::string::npos) << notice;
    UseLanguage("deutsch.lwl");
    EXPECT_NE(AlarmNoticeText(8).find("über der oberen Alarmschwelle von 30.0 \u00B0C"),
              std::string::npos) << AlarmNoticeText(8);
    CloseCommandQueueForTests();
}

}  // namespace
