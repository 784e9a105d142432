// The listener table: a record reaches exactly the listeners of its kind, in the order
// they registered; a full table refuses instead of overwriting; forgetting empties it.
#include <gtest/gtest.h>

#include <string>

#include "records/ui_listeners.h"

namespace {

std::string heard;

void First(const UIRecord *r) { heard += "a" + std::to_string(r->kind); }
void Second(const UIRecord *r) { heard += "b" + std::to_string(r->kind); }
void Surface() { heard += "s"; }

UIRecord Record(int kind) {
    UIRecord r{};
    r.kind = kind;
    return r;
}

class UIListenersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetUIRecordListeners();
        heard.clear();
    }
    void TearDown() override { ForgetUIRecordListeners(); }
};

TEST_F(UIListenersTest, RecordReachesItsKindsInRegistrationOrder) {
    ASSERT_EQ(ListenToUIRecords(4, 6, Second), 0);
    ASSERT_EQ(ListenToUIRecords(6, 6, First), 0);
    ASSERT_EQ(ListenToSurfaceRefresh(Surface), 0);
    for (int kind : {3, 4, 6, 7}) {
        const UIRecord r = Record(kind);
        HandUIRecordToListeners(&r);
    }
    HandSurfaceRefreshToListeners();
    EXPECT_EQ(heard, "b4b6a6s");
}

TEST_F(UIListenersTest, FullTableRefusesAndForgetEmptiesIt) {
    for (int i = 0; i < kMaxUIRecordListeners; ++i) ASSERT_EQ(ListenToUIRecords(1, 1, First), 0);
    EXPECT_EQ(ListenToUIRecords(1, 1, Second), -1);
    EXPECT_EQ(ListenToUIRecords(2, 2, nullptr), -1);
    ForgetUIRecordListeners();
    const UIRecord r = Record(1);
    HandUIRecordToListeners(&r);
    HandUIRecordToListeners(nullptr);
    EXPECT_EQ(heard, "");
}

}  // namespace
