// A station PC run as a systemd user service: the owner of the data folder as a second
// copy reports it (and the offer to stop the service), and the watchdog notices that
// follow the communication thread's heartbeat, received on a fake NOTIFY_SOCKET.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "app/folder_owner.h"
#include "app/service_watchdog.h"
#include "platform/device_access.h"
#include "platform/instance.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "station/comm/comm_lifecycle.h"
#include "support/notify_socket.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;

TEST(FolderOwner, ServiceIsReadFromTheCgroupAndTheMessageSaysWho) {
    char unit[128];
    UserServiceFromCgroup("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                          "clearhorizon.service\n", unit, sizeof unit);
    EXPECT_STREQ(unit, "clearhorizon.service");
    // A window started from a terminal or the menu runs in a scope, not a service.
    UserServiceFromCgroup("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                          "app-gnome-clearhorizon-4711.scope\n", unit, sizeof unit);
    EXPECT_STREQ(unit, "");
    UserServiceFromCgroup("0::/system.slice/clearhorizon.service\n", unit, sizeof unit);
    EXPECT_STREQ(unit, "");  // a system service is no user's to stop

    TempFolder dir;
    FolderOwner owner;
    EXPECT_EQ(ReadFolderOwner(&owner), -1);
    ASSERT_EQ(WriteFolderOwner(1), 0);
    ASSERT_EQ(ReadFolderOwner(&owner), 0);
    EXPECT_EQ(owner.pid, static_cast<long>(getpid()));
    EXPECT_EQ(owner.headless, 1);
    snprintf(owner.unit, sizeof owner.unit, "clearhorizon.service");
    const std::string text = FolderInUseText("/data", owner.pid, owner);
    EXPECT_EQ(text.rfind("the data folder /data is in use by process " + std::to_string(getpid()) +
                             " (headless, as the user service clearhorizon.service, since ", 0),
              0u) << text;
    // An owner file of an earlier copy is not believed: the lock names another process.
    EXPECT_EQ(FolderInUseText("/data", owner.pid + 1, owner),
              "the data folder /data is in use by process " + std::to_string(owner.pid + 1));
}

std::string asked;
int DeclineAndRemember(const PopupRequest *request, char *, int) {
    asked = request->message;
    return 0;
}

TEST(FolderOwner, SecondCopyIsOfferedToStopTheOwningService) {
    TempFolder dir;
    int to_child[2];
    ASSERT_EQ(pipe(to_child), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {  // the service: holds the folder until told to end
        int another = 0;
        if (CheckForDuplicateAppInstance(0, &another) != 0 || another) _exit(9);
        FILE *f = fopen("owner.tmp", "w");
        if (f == nullptr) _exit(9);
        fprintf(f, "pid=%ld\nmode=headless\nsince=1780000000\nunit=clearhorizon.service\n",
                static_cast<long>(getpid()));
        fclose(f);
        rename("owner.tmp", kOwnerFileName);  // whole, as the program writes it
        char byte;
        (void)!read(to_child[0], &byte, 1);
        _exit(0);
    }
    // The owner file follows the lock; both must name the child.
    FolderOwner owner{};
    const auto until = std::chrono::steady_clock::now() + 60s;
    while ((DuplicateAppInstanceHolder() != child || ReadFolderOwner(&owner) != 0 ||
            owner.pid != child) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(owner.pid, child);
    SetPopupTestResponder(DeclineAndRemember);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReportFolderInUse(1), 0);  // declined: the folder stays the service's
    const std::string said = testing::internal::GetCapturedStderr();
    SetPopupTestResponder(nullptr);
    (void)!write(to_child[1], "x", 1);
    waitpid(child, nullptr, 0);
    EXPECT_NE(said.find("in use by process " + std::to_string(child) + " (headless, as the user "
                        "service clearhorizon.service"), std::string::npos) << said;
    EXPECT_NE(asked.find("systemctl --user stop clearhorizon.service"), std::string::npos) << asked;
}

TEST(DeviceAccess, TheRemedyFitsOwnerGroupModeAndTheUsersGroups) {
    const gid_t dialout = 20, users = 100;
    const gid_t without[] = {users};
    const gid_t with[] = {users, dialout};
    const char *file = "root:x:0:\ndialout:x:20:alice,bob\nusers:x:100:\n";
    struct Case {
        uid_t owner;
        gid_t group;
        mode_t mode;
        const char *user;
        gid_t primary;
        const gid_t *groups;
        int want;
    } cases[] = {
        {0, dialout, 020660, "carol", users, without, ACCESS_REMEDY_JOIN_GROUP},
        // In /etc/group (or by the primary group) but not yet in this process: a new login.
        {0, dialout, 020660, "bob", users, without, ACCESS_REMEDY_NEW_LOGIN},
        {0, dialout, 020660, "carol", dialout, without, ACCESS_REMEDY_NEW_LOGIN},
        {0, dialout, 020660, "bob", users, with, ACCESS_REMEDY_UNKNOWN},
        // No group may open it: only a udev rule helps.
        {0, 0, 020600, "bob", users, without, ACCESS_REMEDY_UDEV_RULE},
        {0, dialout, 020600, "bob", users, with, ACCESS_REMEDY_UDEV_RULE},
        {0, 0, 020660, "bob", users, without, ACCESS_REMEDY_UDEV_RULE},
    };
    for (const Case &c : cases) {
        const int count = c.groups == with ? 2 : 1;
        const DeviceFacts facts{c.owner, c.group, c.mode, c.group == dialout ? "dialout" : "root",
                                1000, c.user, c.primary, c.groups, count, file};
        EXPECT_EQ(JudgeDeviceAccess(facts), c.want) << c.user << " " << std::oct << c.mode;
    }
}

std::atomic<int> hang{0}, hanging{0}, release{0};

// Stands in for the communication thread: processes its events until told to hang, then
// blocks without processing any.
int FakeCommThread(void *) {
    SetSleepPolicy(VAL_SLEEP_SOME);
    while (hang.load() == 0) ProcessSystemEvents();
    hanging.store(1);
    while (release.load() == 0) std::this_thread::sleep_for(5ms);
    return 0;
}

// Waits until the thread has processed events again since the last look.
void WaitForHeartbeat(CmtThreadFunctionID id) {
    uint64_t first = 0, now = 0;
    ASSERT_EQ(ThreadFunctionEventRounds(id, &first), 0);
    do {
        std::this_thread::sleep_for(5ms);
        ASSERT_EQ(ThreadFunctionEventRounds(id, &now), 0);
    } while (now == first);
}

TEST(ServiceWatchdog, FedWhileTheCommunicationThreadRunsNotOnceItHangs) {
    FakeNotifySocket notify;
    ASSERT_TRUE(notify.bound());
    unsetenv("WATCHDOG_USEC");
    StartServiceWatchdog();
    EXPECT_EQ(notify.Next(), "READY=1");

    const CmtThreadFunctionID saved = comm_thread_function_id;
    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, FakeCommThread, nullptr,
                                            &comm_thread_function_id), 0);
    for (int round = 0; round < 2; ++round) {
        WaitForHeartbeat(comm_thread_function_id);
        EXPECT_EQ(ServiceWatchdogTick(), 1);
        EXPECT_EQ(notify.Next(), "WATCHDOG=1");
    }
    hang.store(1);
    while (hanging.load() == 0) std::this_thread::sleep_for(5ms);
    testing::internal::CaptureStderr();
    (void)ServiceWatchdogTick();  // may still see the last rounds before the hang
    (void)notify.Next();
    EXPECT_EQ(ServiceWatchdogTick(), 0);
    EXPECT_EQ(ServiceWatchdogTick(), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(notify.Next(), "");
    EXPECT_NE(said.find("has stopped processing its events"), std::string::npos) << said;
    EXPECT_EQ(said.find("stopped", said.find("stopped") + 1), std::string::npos) << "said twice";

    release.store(1);
    CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, comm_thread_function_id, 0);
    EXPECT_EQ(ServiceWatchdogTick(), 0);  // an ended thread feeds nothing either
    comm_thread_function_id = saved;
}

}  // namespace
