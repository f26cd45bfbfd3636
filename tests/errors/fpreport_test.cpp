// Floating-point exception reports: sub-codes, math-library errors, the handler and the traps.
#include "error_fixture.h"
#include "os/fpu.h"
#include "runtime/startup/startup.h"

namespace lnc::test {
namespace {

using FpReportTest = ErrorReportTest;

std::string math_report(const char* code, const std::string& text) {
    return std::string("\r\nrun-time error ") + code + ": MATH\r\n- " + text + "\r\n";
}

TEST_F(FpReportTest, SignalSubCodes) {
    struct Case {
        int code;
        const char* number;
        const char* text;
    };
    const Case cases[] = {
        {129, "M6101", "invalid"},
        {130, "M6102", "denormal"},
        {131, "M6103", "divide by zero"},
        {132, "M6104", "overflow"},
        {133, "M6105", "underflow"},
        {134, "M6106", "inexact"},
        {136, "M6108", "square root"},
        {138, "M6110", "stack overflow"},
        {139, "M6111", "stack underflow"},
        // Codes without a text of their own show the prefix alone.
        {135, "M6107", ""},
        {137, "M6109", ""},
        {140, "M6112", ""},
        {200, "M6112", ""},
    };
    std::size_t seen = 0;
    for (const Case& c : cases) {
        fp_error_state.fp_error_code = c.code;
        EXPECT_EQ(exit_code_of(report_fp_error), 1) << c.code;
        std::string all = capture_.error();
        EXPECT_EQ(all.substr(seen),
                  math_report(c.number, std::string("floating-point error: ") + c.text))
            << c.code;
        seen = all.size();
    }
}

TEST_F(FpReportTest, HandlerReportsTheTrapOfTheProgram) {
    EXPECT_EQ(exit_code_of([] { fp_signal_handler(SIGNAL_FPE, FPE_ZERODIVIDE); }), 1);
    EXPECT_EQ(fp_error_state.fp_in_error, 1);
    EXPECT_EQ(fp_error_state.fp_error_code, FPE_ZERODIVIDE);
    EXPECT_EQ(capture_.error(), math_report("M6103", "floating-point error: divide by zero"));
}

MathException record_of(int type, const char* name) {
    return {type, name, 2.0, 3.0, 99.0};
}

TEST_F(FpReportTest, MathLibraryErrorsNameTheirRoutine) {
    struct Case {
        int id;
        const char* name;
        int type;
        const char* number;
        const char* text;
    };
    const Case cases[] = {
        {4, "fdim", 1, "M6201", "dim: DOMAIN error"},
        {6, "tan", 2, "M6202", "COTAN: SING error"},
        {16, "csqrt", 1, "M6201", "csqrt: DOMAIN error"},
        {0, "pow", 3, "M6203", "**: OVERFLOW error"},
        {0, "powf", 4, "M6204", "**: UNDERFLOW error"},
        {0, "fmodl", 5, "M6205", "mod: TLOSS error"},
        {0, "log10", 2, "M6202", "log10: SING error"},
        {0, "verylongname", 6, "M6206", "verylong: PLOSS error"},
        {0, "sqrt", 8, "M6208", "sqrt:  error"},
        {5, "exp", 1, "M6201", "exp: DOMAIN error"}, // an id without a name of its own
    };
    std::size_t seen = 0;
    for (const Case& c : cases) {
        fp_error_state.math_function_id = c.id;
        MathException record = record_of(c.type, c.name);
        EXPECT_EQ(exit_code_of([&record] { math_error_entry(&record); }), 1) << c.name;
        EXPECT_EQ(fp_error_state.fp_error_code, c.type);
        std::string all = capture_.error();
        EXPECT_EQ(all.substr(seen), math_report(c.number, c.text)) << c.name;
        seen = all.size();
    }
    EXPECT_EQ(std::string(fp_error_state.math_function_name, 8), "exp     ");
    EXPECT_EQ(fp_error_state.math_function_name_length, 3);
}

std::string hook_name;
int hook_length = 0;
void correcting_hook(const char* name, int length, int* length_ptr, MathException* record,
                     std::int16_t* handled) {
    hook_name.assign(name, static_cast<std::size_t>(length));
    hook_length = *length_ptr;
    record->retval = 1.5;
    *handled = 1;
}

TEST_F(FpReportTest, HookThatHandlesTheErrorCorrectsTheResult) {
    MathErrorHook saved = math_error_hook;
    math_error_hook = correcting_hook;
    MathException record = record_of(1, "acos");
    EXPECT_EQ(math_error_entry(&record), 1);
    math_error_hook = saved;
    EXPECT_EQ(record.retval, 1.5);
    EXPECT_EQ(record.arg1, 2.0);
    EXPECT_EQ(hook_name, "acos");
    EXPECT_EQ(hook_length, 4);
    EXPECT_EQ(fp_error_state.fp_in_error, 0);
    EXPECT_EQ(capture_.error(), "");
}

TEST_F(FpReportTest, DefaultHookLeavesTheErrorToTheReport) {
    std::int16_t handled = 7;
    MathException record = record_of(1, "acos");
    default_math_error_hook("acos", 4, nullptr, &record, &handled);
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(record.retval, 99.0);
}

// Leaves the zero-divide flag pending in the status word with the exception masked.
void pend_zero_divide() {
    fpu::ln2_log2(0);
}

class FpUnitTest : public FpReportTest {
  protected:
    void SetUp() override {
        FpReportTest::SetUp();
        saved_control_ = fpu::control_word();
        saved_action_ = set_signal(SIGNAL_FPE, ACTION_DEFAULT);
    }
    void TearDown() override {
        fpu::clear_exceptions();
        fpu::set_control_word(saved_control_);
        set_signal(SIGNAL_FPE, saved_action_);
        FpReportTest::TearDown();
    }
    std::uint16_t saved_control_ = 0;
    SignalAction saved_action_ = ACTION_DEFAULT;
};

TEST_F(FpUnitTest, ArmingUnmasksInvalidZeroDivideAndOverflow) {
    fpu::set_control_word(0x027F); // 53-bit precision, everything masked
    pend_zero_divide();
    ASSERT_NE(fpu::status_word() & 0x04, 0);
    arm_fpu_traps();
    // Invalid, zero divide and overflow trap; denormal, underflow and inexact stay masked. (Bit 7
    // is written but reads back as the processor keeps it.)
    EXPECT_EQ(fpu::control_word() & 0xFF3F, 0x0232);
    EXPECT_EQ(fpu::status_word() & 0x3F, 0) << "a stale flag would trap at once";
    fpu::set_control_word(0x027F);
    EXPECT_EQ(set_signal(SIGNAL_FPE, ACTION_DEFAULT), fp_signal_handler);

    fpu::set_control_word(0x0C7F); // rounding bits and another precision stay as found
    arm_fpu_traps();
    EXPECT_EQ(fpu::control_word() & 0xFF3F, 0x0C32);
    fpu::set_control_word(0x027F);
}

TEST_F(FpUnitTest, HandlerOfAnIntrinsicRoutineResetsTheUnitAndRearms) {
    fp_error_state.math_function_id = 12;
    fpu::set_control_word(0x037F);
    pend_zero_divide();
    fp_signal_handler(SIGNAL_FPE, FPE_INVALID);
    EXPECT_EQ(fpu::control_word(), 0x037F);
    EXPECT_EQ(fpu::status_word(), 0) << "pending flags and stack top cleared";
    EXPECT_EQ(set_signal(SIGNAL_FPE, ACTION_DEFAULT), fp_signal_handler);
    EXPECT_EQ(fp_error_state.fp_in_error, 0);
    EXPECT_EQ(capture_.error(), "");
}

TEST_F(FpUnitTest, ReportDuringShutdownStillRearms) {
    error_state.in_shutdown = 1;
    fp_signal_handler(SIGNAL_FPE, FPE_OVERFLOW);
    EXPECT_EQ(capture_.error(), math_report("M6104", "floating-point error: overflow"));
    EXPECT_EQ(set_signal(SIGNAL_FPE, ACTION_DEFAULT), fp_signal_handler);
}

} // namespace
} // namespace lnc::test
