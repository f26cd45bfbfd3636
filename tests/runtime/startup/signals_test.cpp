// Signal actions and the last-chance exception filter, called directly.
#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include "os/startup.h"
#include "runtime/handles/handles.h"
#include "runtime/startup/startup.h"
#include "support/forked_child.h"

namespace lnc {
namespace {

struct Call {
    int signal;
    int subcode;
    void* pointers;
    int fpe_subcode_seen;
};
std::vector<Call> calls;

void record(int signal, int subcode) {
    calls.push_back({signal, subcode, signal_state.exception_pointers, signal_state.fpe_subcode});
}

SignalAction action_of(std::uint32_t code) {
    for (const ActionEntry& entry : exception_actions) {
        if (entry.code == code) {
            return entry.action;
        }
    }
    return ACTION_ERROR;
}

constexpr std::uint32_t FP_CODES[] = {
    EXCEPTION_FLT_DENORMAL_OPERAND,  EXCEPTION_FLT_DIVIDE_BY_ZERO, EXCEPTION_FLT_INEXACT_RESULT,
    EXCEPTION_FLT_INVALID_OPERATION, EXCEPTION_FLT_OVERFLOW,       EXCEPTION_FLT_STACK_CHECK,
    EXCEPTION_FLT_UNDERFLOW};

class Signals : public ::testing::Test {
  protected:
    void SetUp() override {
        for (ActionEntry& entry : exception_actions) {
            entry.action = ACTION_DEFAULT;
        }
        calls.clear();
    }
    void TearDown() override { SetUp(); }
};

TEST_F(Signals, FloatingPointActionCoversEveryFloatingPointEntry) {
    EXPECT_EQ(set_signal(SIGNAL_FPE, record), ACTION_DEFAULT);
    for (std::uint32_t code : FP_CODES) {
        EXPECT_EQ(action_of(code), record) << std::hex << code;
    }
    EXPECT_EQ(action_of(EXCEPTION_ACCESS_VIOLATION), ACTION_DEFAULT);
    EXPECT_EQ(action_of(EXCEPTION_ILLEGAL_INSTRUCTION), ACTION_DEFAULT);
    EXPECT_EQ(set_signal(SIGNAL_FPE, ACTION_IGNORE), record);
    EXPECT_EQ(action_of(EXCEPTION_FLT_UNDERFLOW), ACTION_IGNORE);
}

TEST_F(Signals, IllegalInstructionCoversBothEntries) {
    EXPECT_EQ(set_signal(SIGNAL_ILL, ACTION_DIE), ACTION_DEFAULT);
    EXPECT_EQ(action_of(EXCEPTION_ILLEGAL_INSTRUCTION), ACTION_DIE);
    EXPECT_EQ(action_of(EXCEPTION_PRIV_INSTRUCTION), ACTION_DIE);
    EXPECT_EQ(action_of(EXCEPTION_ACCESS_VIOLATION), ACTION_DEFAULT);
    EXPECT_EQ(set_signal(SIGNAL_SEGV, record), ACTION_DEFAULT);
    EXPECT_EQ(set_signal(SIGNAL_SEGV, ACTION_DEFAULT), record);
}

TEST_F(Signals, RefusesUnknownSignalsAndActionsThreeAndFour) {
    error_code = 0;
    EXPECT_EQ(set_signal(9, record), ACTION_ERROR);
    EXPECT_EQ(error_code, 22);
    error_code = 0;
    EXPECT_EQ(set_signal(SIGNAL_FPE, reinterpret_cast<SignalAction>(3)), ACTION_ERROR);
    EXPECT_EQ(error_code, 22);
    error_code = 0;
    EXPECT_EQ(set_signal(SIGNAL_TERM, reinterpret_cast<SignalAction>(4)), ACTION_ERROR);
    EXPECT_EQ(error_code, 22);
    EXPECT_EQ(action_of(EXCEPTION_FLT_OVERFLOW), ACTION_DEFAULT);
}

TEST_F(Signals, AbortAndTerminateKeepActionsOfTheirOwn) {
    EXPECT_EQ(set_signal(SIGNAL_ABRT, record), ACTION_DEFAULT);
    EXPECT_EQ(set_signal(SIGNAL_TERM, ACTION_IGNORE), ACTION_DEFAULT);
    EXPECT_EQ(set_signal(SIGNAL_ABRT, ACTION_DEFAULT), record);
    EXPECT_EQ(set_signal(SIGNAL_TERM, ACTION_DEFAULT), ACTION_IGNORE);
    EXPECT_FALSE(signal_state.console_registered);
}

TEST_F(Signals, UnknownCodesAndDefaultActionsGoToTheSystem) {
    int system_answer = os::unhandled_exception_filter(nullptr);
    EXPECT_EQ(exception_filter(0xC0000094u, nullptr), system_answer);
    EXPECT_EQ(exception_filter(EXCEPTION_FLT_DIVIDE_BY_ZERO, nullptr), system_answer);
    EXPECT_TRUE(calls.empty());
}

TEST_F(Signals, DieEndsThroughTheHandlerOnceThenFallsBackToTheDefault) {
    set_signal(SIGNAL_SEGV, ACTION_DIE);
    EXPECT_EQ(exception_filter(EXCEPTION_ACCESS_VIOLATION, nullptr), os::EXCEPTION_EXECUTE_HANDLER);
    EXPECT_EQ(action_of(EXCEPTION_ACCESS_VIOLATION), ACTION_DEFAULT);
}

TEST_F(Signals, IgnoreContinuesAndStays) {
    set_signal(SIGNAL_FPE, ACTION_IGNORE);
    EXPECT_EQ(exception_filter(EXCEPTION_FLT_OVERFLOW, nullptr), os::EXCEPTION_CONTINUE_EXECUTION);
    EXPECT_EQ(action_of(EXCEPTION_FLT_OVERFLOW), ACTION_IGNORE);
}

TEST_F(Signals, FloatingPointRoutineGetsTheSubCodeOfEachException) {
    const struct {
        std::uint32_t code;
        int subcode;
    } cases[] = {
        {EXCEPTION_FLT_INVALID_OPERATION, 0x81}, {EXCEPTION_FLT_DENORMAL_OPERAND, 0x82},
        {EXCEPTION_FLT_DIVIDE_BY_ZERO, 0x83},    {EXCEPTION_FLT_OVERFLOW, 0x84},
        {EXCEPTION_FLT_UNDERFLOW, 0x85},         {EXCEPTION_FLT_INEXACT_RESULT, 0x86},
        {EXCEPTION_FLT_STACK_CHECK, 0x8A},
    };
    int marker = 0;
    for (const auto& c : cases) {
        calls.clear();
        set_signal(SIGNAL_FPE, record);
        EXPECT_EQ(exception_filter(c.code, &marker), os::EXCEPTION_CONTINUE_EXECUTION);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].signal, SIGNAL_FPE);
        EXPECT_EQ(calls[0].subcode, c.subcode);
        EXPECT_EQ(calls[0].fpe_subcode_seen, c.subcode);
        EXPECT_EQ(calls[0].pointers, &marker);
        // The routine must set itself again: every floating-point action is back to default.
        for (std::uint32_t code : FP_CODES) {
            EXPECT_EQ(action_of(code), ACTION_DEFAULT);
        }
        EXPECT_EQ(signal_state.fpe_subcode, FPE_EXPLICITGEN);
        EXPECT_EQ(signal_state.exception_pointers, nullptr);
    }
}

TEST_F(Signals, OtherRoutinesResetOnlyTheirOwnEntry) {
    set_signal(SIGNAL_ILL, record);
    int marker = 0;
    EXPECT_EQ(exception_filter(EXCEPTION_PRIV_INSTRUCTION, &marker),
              os::EXCEPTION_CONTINUE_EXECUTION);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].signal, SIGNAL_ILL);
    EXPECT_EQ(calls[0].subcode, 0);
    EXPECT_EQ(calls[0].fpe_subcode_seen, FPE_EXPLICITGEN);
    EXPECT_EQ(action_of(EXCEPTION_PRIV_INSTRUCTION), ACTION_DEFAULT);
    EXPECT_EQ(action_of(EXCEPTION_ILLEGAL_INSTRUCTION), record);
}

// The interrupt actions need the console's control routine, which is registered once; a routine
// runs once and is then back to the default, which ends the process by the signal.
TEST(ConsoleSignals, InterruptRoutineRunsOnceThenTheDefaultEndsTheProcess) {
    test::ChildResult child = test::run_in_child([] {
        static int seen = 0;
        if (set_signal(SIGNAL_INT, [](int signal, int) { seen = signal; }) != ACTION_DEFAULT ||
            !signal_state.console_registered) {
            std::_Exit(90);
        }
        std::raise(SIGINT);
        if (seen != SIGNAL_INT || signal_state.interrupt_action != ACTION_DEFAULT) {
            std::_Exit(91);
        }
        set_signal(SIGNAL_BREAK, ACTION_IGNORE);
        std::raise(SIGINT);
        std::_Exit(92);
    });
    EXPECT_EQ(child.signal, SIGINT);
    EXPECT_EQ(child.exit_code, -1);
}

TEST(ConsoleSignals, IgnoredInterruptKeepsTheProcessRunning) {
    test::ChildResult child = test::run_in_child([] {
        set_signal(SIGNAL_INT, ACTION_IGNORE);
        std::raise(SIGINT);
        std::raise(SIGINT);
        std::_Exit(33);
    });
    EXPECT_EQ(child.exit_code, 33);
}

} // namespace
} // namespace lnc
