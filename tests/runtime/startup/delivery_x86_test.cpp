// Processor exceptions delivered to the last-chance filter: each in a child process, which ends
// with the sub-code the signal routine received, resumes, or dies as the action decides.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>

#include "os/startup.h"
#include "os/x87.h"
#include "runtime/startup/startup.h"
#include "support/forked_child.h"

namespace lnc {
namespace {

constexpr std::uint16_t MASK_INVALID = 0x01;
constexpr std::uint16_t MASK_DENORMAL = 0x02;
constexpr std::uint16_t MASK_ZERODIVIDE = 0x04;
constexpr std::uint16_t MASK_OVERFLOW = 0x08;

const float ZERO = 0.0f;
const float ONE = 1.0f;
const float HUGE_VALUE = 1e30f;
const std::uint32_t DENORMAL_BITS = 0x00000001u;

void unmask(std::uint16_t masks) {
    x87::clear_exceptions();
    x87::set_control_word(static_cast<std::uint16_t>(x87::control_word() & ~masks));
}

// Each fault leaves the register stack empty when execution goes on past it.
void divide_by_zero() {
    float result;
    asm volatile("flds %1\n\tfdivs %2\n\tfstps %0" : "=m"(result) : "m"(ONE), "m"(ZERO) : "st");
}
void zero_by_zero() {
    float result;
    asm volatile("flds %1\n\tfdivs %1\n\tfstps %0" : "=m"(result) : "m"(ZERO) : "st");
}
void overflow_on_store() {
    float result;
    asm volatile("flds %1\n\tfmuls %1\n\tfstps %0\n\tfwait"
                 : "=m"(result)
                 : "m"(HUGE_VALUE)
                 : "st");
}
void load_denormal() {
    float result;
    asm volatile("flds %1\n\tfstps %0\n\tfwait" : "=m"(result) : "m"(DENORMAL_BITS) : "st");
}
// A ninth value on the eight registers: a stack fault.
void overfill_stack() {
    asm volatile("fld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfwait\n\t"
                 "fninit" ::
                     : "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
}
void touch_bad_address() {
    volatile std::uintptr_t address = 8;
    *reinterpret_cast<volatile int*>(address) = 1;
}
void illegal_instruction() {
    asm volatile("ud2");
}

[[noreturn]] void end_with_code(std::uint32_t code) {
    quick_exit(static_cast<int>(code));
}
[[noreturn]] void exit_with_subcode(int, int subcode) {
    std::_Exit(subcode);
}
[[noreturn]] void exit_with_signal(int signal, int subcode) {
    std::_Exit(signal * 10 + subcode);
}

void (*fault)() = nullptr;
int routine_calls = 0;
void count_call(int, int) {
    ++routine_calls;
}

// The fault runs under the filter the way the main program does; when execution goes on past it
// the child ends with 40 after one routine call, 41 after none, 42 after several.
test::ChildResult run_fault(void (*what)(), std::uint16_t masks, SignalAction fp_action) {
    fault = what;
    return test::run_in_child([masks, fp_action] {
        set_signal(SIGNAL_FPE, fp_action);
        unmask(masks);
        os::guarded_call(
            [] {
                fault();
                std::_Exit(routine_calls == 0 ? 41 : routine_calls == 1 ? 40 : 42);
            },
            exception_filter, end_with_code);
    });
}

TEST(ExceptionDelivery, X87DivisionByZeroReachesTheRoutineWithSubCode0x83) {
    EXPECT_EQ(run_fault(divide_by_zero, MASK_ZERODIVIDE, exit_with_subcode).exit_code, 0x83);
}

// While the routine runs, the fault's description is at hand: its code and the unit's status word
// with the zero-divide flag and the summary bit.
[[noreturn]] void exit_with_fault_description(int, int) {
    const void* pointers = signal_state.exception_pointers;
    bool code = os::exception_code_of(pointers) == EXCEPTION_FLT_DIVIDE_BY_ZERO;
    bool status = (os::fpu_status_of(pointers) & 0x0084) == 0x0084;
    std::_Exit((code ? 1 : 0) + (status ? 2 : 0));
}

TEST(ExceptionDelivery, TheRoutineSeesTheFaultsDescription) {
    EXPECT_EQ(run_fault(divide_by_zero, MASK_ZERODIVIDE, exit_with_fault_description).exit_code, 3);
}

TEST(ExceptionDelivery, EachX87ExceptionHasItsSubCode) {
    EXPECT_EQ(run_fault(zero_by_zero, MASK_INVALID, exit_with_subcode).exit_code, 0x81);
    EXPECT_EQ(run_fault(overflow_on_store, MASK_OVERFLOW, exit_with_subcode).exit_code, 0x84);
    // The signal's own code says underflow for these two; the unit's status word tells.
    EXPECT_EQ(run_fault(load_denormal, MASK_DENORMAL, exit_with_subcode).exit_code, 0x82);
    EXPECT_EQ(run_fault(overfill_stack, MASK_INVALID, exit_with_subcode).exit_code, 0x8A);
}

TEST(ExceptionDelivery, MaskedExceptionsDoNotTrap) {
    EXPECT_EQ(run_fault(divide_by_zero, 0, exit_with_subcode).exit_code, 41);
    EXPECT_EQ(run_fault(load_denormal, MASK_ZERODIVIDE, exit_with_subcode).exit_code, 41);
}

// The routine returns: the pending exception is dropped from the interrupted state, so the
// waiting instruction goes through instead of trapping again.
TEST(ExceptionDelivery, ExecutionGoesOnAfterARoutineReturns) {
    EXPECT_EQ(run_fault(divide_by_zero, MASK_ZERODIVIDE, count_call).exit_code, 40);
    EXPECT_EQ(run_fault(overflow_on_store, MASK_OVERFLOW, count_call).exit_code, 40);
}

TEST(ExceptionDelivery, IgnoreGoesOnWithoutARoutine) {
    EXPECT_EQ(run_fault(divide_by_zero, MASK_ZERODIVIDE, ACTION_IGNORE).exit_code, 41);
}

// Die ends the process with the exception code, of which the exit status keeps the low byte.
TEST(ExceptionDelivery, DieEndsWithTheExceptionCode) {
    test::ChildResult child = run_fault(divide_by_zero, MASK_ZERODIVIDE, ACTION_DIE);
    EXPECT_EQ(child.exit_code, 0x8E);
    EXPECT_EQ(child.error, "");
}

// Without an action the system's handling applies: the process dies of the signal.
TEST(ExceptionDelivery, DefaultActionDiesOfTheSignal) {
    test::ChildResult child = run_fault(divide_by_zero, MASK_ZERODIVIDE, ACTION_DEFAULT);
    EXPECT_EQ(child.signal, SIGFPE);
    child = run_fault(touch_bad_address, 0, ACTION_DEFAULT);
    EXPECT_EQ(child.signal, SIGSEGV);
}

TEST(ExceptionDelivery, AccessViolationAndIllegalInstructionReachTheirRoutines) {
    fault = touch_bad_address;
    test::ChildResult child = test::run_in_child([] {
        set_signal(SIGNAL_SEGV, exit_with_signal);
        os::guarded_call(fault, exception_filter, end_with_code);
    });
    EXPECT_EQ(child.exit_code, 110);
    fault = illegal_instruction;
    child = test::run_in_child([] {
        set_signal(SIGNAL_ILL, exit_with_signal);
        os::guarded_call(fault, exception_filter, end_with_code);
    });
    EXPECT_EQ(child.exit_code, 40);
}

// A fault that would repeat as soon as the program resumed ends the process with its code.
TEST(ExceptionDelivery, AReturningRoutineCannotResumeAnAccessViolation) {
    fault = touch_bad_address;
    test::ChildResult child = test::run_in_child([] {
        set_signal(SIGNAL_SEGV, count_call);
        os::guarded_call(fault, exception_filter, end_with_code);
    });
    EXPECT_EQ(child.exit_code, 0x05);
}

TEST(ExceptionDelivery, ASignalSentByAnotherProcessIsNotAnException) {
    test::ChildResult child = test::run_in_child([] {
        set_signal(SIGNAL_FPE, exit_with_subcode);
        os::guarded_call([] { std::raise(SIGFPE); }, exception_filter, end_with_code);
    });
    EXPECT_EQ(child.signal, SIGFPE);
}

} // namespace
} // namespace lnc
