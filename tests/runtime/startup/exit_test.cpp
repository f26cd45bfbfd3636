// The exit list, the exit sequence and its quick form.
#include <gtest/gtest.h>

#include <string>

#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"
#include "support/exit_capture.h"

namespace lnc {
namespace {

std::string trace;

void routine_a() {
    trace += 'a';
}
void routine_b() {
    trace += 'b';
}
void routine_c() {
    trace += 'c';
}
void flush_mark() {
    trace += 'F';
}
void exits_with_7() {
    trace += '7';
    exit_process(7);
}

// Every test starts with an empty list of its own and no pre-terminator.
class ExitList : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = exit_list;
        saved_flush_ = pre_terminators[0];
        exit_list = lnc::ExitList{};
        pre_terminators[0] = nullptr;
        trace.clear();
    }
    void TearDown() override {
        release(exit_list.entries);
        exit_list = saved_;
        pre_terminators[0] = saved_flush_;
    }

  private:
    lnc::ExitList saved_{};
    ExitRoutine saved_flush_ = nullptr;
};

TEST_F(ExitList, RunsLastRegisteredFirstThenEndsWithTheCode) {
    ASSERT_EQ(at_exit(routine_a), routine_a);
    ASSERT_EQ(at_exit(routine_b), routine_b);
    ASSERT_EQ(at_exit(nullptr), nullptr);
    ASSERT_EQ(at_exit(routine_c), routine_c);
    pre_terminators[0] = flush_mark;
    EXPECT_EQ(test::exit_code_of([] { exit_process(3); }), 3);
    EXPECT_EQ(trace, "cbaF");
    EXPECT_EQ(exit_list.count, 0);
}

TEST_F(ExitList, QuickExitSkipsTheListAndTheFlush) {
    at_exit(routine_a);
    pre_terminators[0] = flush_mark;
    EXPECT_EQ(test::exit_code_of([] { quick_exit(255); }), 255);
    EXPECT_EQ(trace, "");
    EXPECT_EQ(exit_list.count, 1);
}

TEST_F(ExitList, StartsWithRoomFor32AndGrowsByFour) {
    ASSERT_TRUE(create_exit_list());
    EXPECT_EQ(block_size(exit_list.entries), 32 * sizeof(ExitRoutine));
    for (int i = 0; i < 32; ++i) {
        ASSERT_NE(at_exit(routine_a), nullptr);
    }
    EXPECT_EQ(block_size(exit_list.entries), 32 * sizeof(ExitRoutine));
    ASSERT_EQ(at_exit(routine_b), routine_b);
    EXPECT_EQ(block_size(exit_list.entries), 36 * sizeof(ExitRoutine));
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(at_exit(routine_a), nullptr);
    }
    EXPECT_EQ(block_size(exit_list.entries), 36 * sizeof(ExitRoutine));
    ASSERT_EQ(at_exit(routine_c), routine_c);
    EXPECT_EQ(block_size(exit_list.entries), 40 * sizeof(ExitRoutine));
    EXPECT_EQ(test::exit_code_of([] { exit_process(0); }), 0);
    EXPECT_EQ(trace, "c" + std::string(3, 'a') + "b" + std::string(32, 'a'));
}

TEST_F(ExitList, AFailedGrowthRefusesAndKeepsTheList) {
    for (int i = 0; i < 32; ++i) {
        ASSERT_NE(at_exit(routine_a), nullptr);
    }
    fail_allocation_after(1);
    EXPECT_EQ(at_exit(routine_b), nullptr);
    fail_allocation_after(0);
    EXPECT_EQ(exit_list.count, 32);
    EXPECT_EQ(block_size(exit_list.entries), 32 * sizeof(ExitRoutine));
    ASSERT_EQ(at_exit(routine_c), routine_c);
    EXPECT_EQ(test::exit_code_of([] { exit_process(0); }), 0);
    EXPECT_EQ(trace, "c" + std::string(32, 'a'));
}

TEST_F(ExitList, NoListAtAllWhenTheFirstBlockCannotBeHad) {
    fail_allocation_after(1);
    EXPECT_FALSE(create_exit_list());
    fail_allocation_after(1);
    EXPECT_EQ(at_exit(routine_a), nullptr);
    fail_allocation_after(0);
    EXPECT_EQ(exit_list.entries, nullptr);
    EXPECT_EQ(test::exit_code_of([] { exit_process(4); }), 4);
    EXPECT_EQ(trace, "");
}

// An exit begun by a routine of the list finishes the list once, with the later code.
TEST_F(ExitList, AnExitFromInsideTheListRunsEachRoutineOnce) {
    at_exit(routine_a);
    at_exit(exits_with_7);
    at_exit(routine_b);
    EXPECT_EQ(test::exit_code_of([] { exit_process(0); }), 7);
    EXPECT_EQ(trace, "b7a");
}

TEST(ExitCapture, ReportsNoExitWhenTheBodyReturns) {
    EXPECT_EQ(test::exit_code_of([] {}), test::NO_EXIT);
    EXPECT_EQ(exit_hook, nullptr);
    {
        test::ExitCapture capture;
        EXPECT_NE(exit_hook, nullptr);
        EXPECT_THROW(exit_process(2), test::TestExit);
    }
    EXPECT_EQ(exit_hook, nullptr);
}

} // namespace
} // namespace lnc
