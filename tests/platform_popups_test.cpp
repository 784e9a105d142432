// Message, confirmation and file pop-ups answered by a test responder, pop-ups asked for
// by another thread, and the single-instance check.
#include "platform/instance.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "support/temp_folder.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Asked {
    int kind;
    std::string title, message, dir, file, filter;
    unsigned thread;
};
std::vector<Asked> asked;  // the responder runs on the main thread only
int answer = 0;
std::string chosen_path;

int Responder(const PopupRequest *r, char *path_out, int path_size) {
    asked.push_back({r->kind, r->title, r->message, r->default_dir, r->default_file, r->filter,
                     CmtGetCurrentThreadID()});
    if (r->kind == POPUP_FILE_SELECT && answer != 0)
        snprintf(path_out, static_cast<size_t>(path_size), "%s", chosen_path.c_str());
    return answer;
}

bool PumpUntil(const std::function<bool()> &cond, double limit_s = 20.0) {
    SetSleepPolicy(VAL_SLEEP_MORE);
    const double end = Timer() + limit_s;
    while (!cond()) {
        if (Timer() > end) return false;
        ProcessSystemEvents();
    }
    return true;
}

class Popups : public ::testing::Test {
protected:
    void SetUp() override {
        asked.clear();
        answer = 0;
        chosen_path.clear();
        SetPopupTestResponder(Responder);
    }
    void TearDown() override { SetPopupTestResponder(nullptr); }
};

TEST_F(Popups, MessageAndConfirmationReachTheResponder) {
    EXPECT_EQ(MessagePopup("Error", "Can't write history data to disc"), 0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, POPUP_MESSAGE);
    EXPECT_EQ(asked[0].title, "Error");
    EXPECT_EQ(asked[0].message, "Can't write history data to disc");
    answer = 1;
    EXPECT_EQ(ConfirmPopup("Export", "Overwrite?"), 1);
    answer = 0;
    EXPECT_EQ(ConfirmPopup("Export", "Overwrite?"), 0);
    answer = 5;  // any yes is a plain 1
    EXPECT_EQ(ConfirmPopup("Export", "Overwrite?"), 1);
    EXPECT_EQ(asked.back().kind, POPUP_CONFIRM);
}

TEST_F(Popups, FileSelectionTellsExistingFromNewAndKeepsTheBufferOnCancel) {
    TempFolder dir;
    WriteWholeFile(dir.file("history.dat"), "x");
    char path[MAX_PATHNAME_LEN];
    snprintf(path, sizeof path, "%s", "unchanged");
    answer = 0;
    EXPECT_EQ(FileSelectPopup(dir.path().c_str(), "history.dat", "*.dat", "History file",
                              VAL_OK_BUTTON, 0, 1, 1, 1, path), VAL_NO_FILE_SELECTED);
    EXPECT_STREQ(path, "unchanged");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, POPUP_FILE_SELECT);
    EXPECT_EQ(asked[0].dir, dir.path());
    EXPECT_EQ(asked[0].file, "history.dat");
    EXPECT_EQ(asked[0].filter, "*.dat");
    EXPECT_EQ(asked[0].title, "History file");

    answer = 1;
    chosen_path = dir.file("history.dat");
    EXPECT_EQ(FileSelectPopup(dir.path().c_str(), "history.dat", "*.dat", "", VAL_OK_BUTTON, 0, 1,
                              1, 1, path), VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(std::string(path), dir.file("history.dat"));

    // A new name without extension gets the filter's, and is made absolute.
    chosen_path = "export";
    EXPECT_EQ(FileSelectPopup(dir.path().c_str(), "*.txt", "*.txt", "", VAL_SAVE_BUTTON, 0, 1, 1,
                              1, path), VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(std::string(path), dir.file("export.txt"));
    // Without the restriction the name stays as typed.
    EXPECT_EQ(FileSelectPopup(dir.path().c_str(), "*.txt", "*.txt", "", VAL_SAVE_BUTTON, 0, 0, 1,
                              1, path), VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(std::string(path), dir.file("export"));

    // A path that would not fit the caller's buffer is no choice at all.
    snprintf(path, sizeof path, "%s", "unchanged");
    chosen_path = "/" + std::string(MAX_PATHNAME_LEN, 'a');
    EXPECT_EQ(FileSelectPopup("", "", "*.dat", "", VAL_OK_BUTTON, 0, 1, 1, 1, path),
              VAL_NO_FILE_SELECTED);
    EXPECT_STREQ(path, "unchanged");
}

// Pop-ups asked for on another thread are shown by the main thread.
std::atomic<int> worker_confirm{-1};
std::atomic<bool> worker_posted{false};
int AsksFromWorker(void *) {
    for (int i = 0; i < 3; ++i) MessagePopup("Error", "Can't write history data to disc");
    worker_posted = true;
    worker_confirm = ConfirmPopup("Question", "Go on?");
    return 0;
}

TEST_F(Popups, WorkerThreadPopupsAreShownByTheMainThread) {
    worker_confirm = -1;
    worker_posted = false;
    answer = 1;
    CmtThreadFunctionID id = 0;
    ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, AsksFromWorker, nullptr, &id), 0);
    // The messages do not wait for the main thread.
    while (!worker_posted) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id,
                                                     OPT_TP_PROCESS_EVENTS_WHILE_WAITING), 0);
    EXPECT_EQ(worker_confirm.load(), 1);
    // The same message asked three times while waiting is shown once.
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].kind, POPUP_MESSAGE);
    EXPECT_EQ(asked[1].kind, POPUP_CONFIRM);
    for (const Asked &a : asked) EXPECT_EQ(a.thread, CmtGetMainThreadID());
    // Once shown, the same message may come again.
    std::thread again([] { MessagePopup("Error", "Can't write history data to disc"); });
    again.join();
    EXPECT_TRUE(PumpUntil([] { return asked.size() == 3; }));
}

TEST(PopupsWithoutResponder, OffscreenNeverBlocks) {
    SetPopupTestResponder(nullptr);
    char path[MAX_PATHNAME_LEN] = "kept";
    EXPECT_EQ(ConfirmPopup("Title", "Sure?"), 0);
    EXPECT_EQ(FileSelectPopup("", "", "*.dat", "", VAL_OK_BUTTON, 0, 1, 1, 1, path),
              VAL_NO_FILE_SELECTED);
    EXPECT_STREQ(path, "kept");
    EXPECT_EQ(MessagePopup("Title", "shown on stderr"), 0);
}

TEST(Instance, SecondCopyInTheSameFolderIsSeen) {
    TempFolder dir;
    int another = -1;
    ASSERT_EQ(CheckForDuplicateAppInstance(0, &another), 0);
    EXPECT_EQ(another, 0);
    // Asking again from the copy that holds the lock is no duplicate.
    EXPECT_EQ(CheckForDuplicateAppInstance(0, &another), 0);
    EXPECT_EQ(another, 0);
    // Another process in the same folder sees this one.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int seen = -1;
        const int r = CheckForDuplicateAppInstance(0, &seen);
        _exit(r == 0 ? seen : 9);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(CheckForDuplicateAppInstance(0, nullptr), -1);
}

}  // namespace
