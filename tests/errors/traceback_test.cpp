// Source position and execution traceback lines, and the integer power of compiled code.
#include <climits>

#include "error_fixture.h"

namespace lnc::test {
namespace {

using TracebackTest = ErrorReportTest;

TEST_F(TracebackTest, NestedRoutinesInnermostFirst) {
    CallSiteRecord main_record = {nullptr, "calc.for", "_main", 12};
    CallSiteRecord solve = {nullptr, "solve.for", "_SOLVE@8", 40};
    CallSiteRecord helper = {nullptr, "util.for", "_mainx", 7};
    push_call_site(&main_record);
    push_call_site(&solve);
    push_call_site(&helper);
    EXPECT_EQ(helper.next, &solve);
    EXPECT_EQ(solve.next, &main_record);

    EXPECT_EQ(exit_code_of([] { raise_statement_error(40, 0); }), 1);
    EXPECT_EQ(capture_.error(), "\r\nutil.for(7) : run-time error F6314\r\n"
                                "- unit number out of range\r\n"
                                "\r\nExecution traceback:\r\n"
                                "\t\tfrom mainx in util.for(7)\r\n"
                                "\t\tfrom SOLVE in solve.for(40)\r\n"
                                "\t\tfrom main program in calc.for(12)\r\n");
    EXPECT_EQ(call_site_list, nullptr);
}

TEST_F(TracebackTest, PopUnlinksTheInnermostRecord) {
    CallSiteRecord outer = {nullptr, "a.for", "_A", 1};
    CallSiteRecord inner = {nullptr, "b.for", "_B@4", 2};
    push_call_site(&outer);
    push_call_site(&inner);
    pop_call_site();
    EXPECT_EQ(call_site_list, &outer);
    print_source_position();
    print_traceback();
    EXPECT_EQ(capture_.error(),
              "a.for(1) : \r\nExecution traceback:\r\n\t\tfrom A in a.for(1)\r\n");
    pop_call_site(); // on an empty list: nothing happens
    EXPECT_EQ(call_site_list, nullptr);
}

TEST_F(TracebackTest, EmptyListWritesNothing) {
    print_source_position();
    print_traceback();
    EXPECT_EQ(capture_.error(), "");
}

TEST_F(TracebackTest, LongNamesAreCutToTheWorkBuffer) {
    std::string routine = "_" + std::string(200, 'r') + "@12";
    std::string file(100, 'f');
    CallSiteRecord record = {nullptr, file.c_str(), routine.c_str(), -3};
    push_call_site(&record);
    print_traceback();
    EXPECT_EQ(capture_.error(), "\r\nExecution traceback:\r\n\t\tfrom " + std::string(78, 'r') +
                                    " in " + std::string(79, 'f') + "(-3)\r\n");
}

TEST_F(TracebackTest, MissingNamesPrintEmpty) {
    CallSiteRecord record = {nullptr, nullptr, nullptr, 5};
    push_call_site(&record);
    print_traceback();
    EXPECT_EQ(capture_.error(), "\r\nExecution traceback:\r\n\t\tfrom  in (5)\r\n");
}

TEST_F(TracebackTest, RecordPushedTwiceDoesNotHangTheTraceback) {
    CallSiteRecord record = {nullptr, "loop.for", "_LOOP", 1};
    push_call_site(&record);
    push_call_site(&record); // its next now points at itself
    print_traceback();
    EXPECT_EQ(call_site_list, nullptr);
    EXPECT_LT(capture_.error().size(), 100000u);
}

TEST(IntegerPower, ResultsWithinRange) {
    struct Case {
        std::int32_t exponent;
        std::int32_t base;
        std::int32_t result;
    };
    const Case cases[] = {
        {0, 5, 1},
        {0, 0, 1},
        {3, 2, 8},
        {30, 2, 1 << 30},
        {19, 3, 1162261467},
        {2, 46340, 2147395600},
        {3, -1290, -2146689000},
        {5, 0, 0},
        {INT_MAX, 1, 1},
        {INT_MAX, -1, -1},
        {INT_MAX - 1, -1, 1},
        {-1, 2, 0},
        {-3, -1, -1},
        {-4, -1, 1},
        {-2, 1, 1},
        {INT_MIN, -1, 1},
        {INT_MIN, 7, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(integer_power(c.exponent, c.base), c.result) << c.base << " ** " << c.exponent;
    }
}

TEST_F(TracebackTest, PowerOverflowIsReported) {
    const std::pair<std::int32_t, std::int32_t> overflowing[] = {
        {31, 2}, {20, 3}, {2, 46341}, {2, -46341}, {31, -2}, {2, INT_MIN}, {INT_MAX, 10},
    };
    for (const auto& [exponent, base] : overflowing) {
        EXPECT_EQ(exit_code_of([exponent, base] { integer_power(exponent, base); }), 1)
            << base << " ** " << exponent;
    }
    std::string one = "\r\nrun-time error F6099: $DEBUG\r\n- integer overflow in arithmetic\r\n";
    std::string all;
    for (std::size_t i = 0; i < std::size(overflowing); ++i) {
        all += one;
    }
    EXPECT_EQ(capture_.error(), all);
}

TEST_F(TracebackTest, ZeroToANegativePowerIsADivisionByZero) {
    EXPECT_EQ(exit_code_of([] { integer_power(-1, 0); }), 1);
    EXPECT_EQ(capture_.error(),
              "\r\nrun-time error F6105: $DEBUG\r\n- integer division by zero\r\n");
}

TEST_F(TracebackTest, OverflowDuringShutdownWrapsAfterOneReport) {
    error_state.in_shutdown = 1;
    EXPECT_EQ(integer_power(32, 2), 0);
    EXPECT_EQ(integer_power(31, 2), INT_MIN);
    std::string one = "\r\nrun-time error F6099: $DEBUG\r\n- integer overflow in arithmetic\r\n";
    EXPECT_EQ(capture_.error(), one + one);
}

TEST_F(TracebackTest, CheckEntriesRaiseTheirMessages) {
    const std::pair<void (*)(), const char*> checks[] = {
        {check_1, "F6106: $DEBUG\r\n- value out of the declared range"},
        {check_2, "F6096: $DEBUG\r\n- array index out of range"},
        {check_3, "F6097: $DEBUG\r\n- substring bounds out of range"},
        {check_5, "F6105: $DEBUG\r\n- integer division by zero"},
    };
    std::size_t seen = 0;
    for (const auto& [check, text] : checks) {
        error_state.statement_kind = KIND_READ;
        EXPECT_EQ(exit_code_of(check), 1);
        EXPECT_EQ(error_state.statement_kind, KIND_DEBUG);
        std::string all = capture_.error();
        EXPECT_EQ(all.substr(seen), std::string("\r\nrun-time error ") + text + "\r\n");
        seen = all.size();
    }
    error_state.statement_kind = KIND_WRITE;
    check_set_kind();
    EXPECT_EQ(error_state.statement_kind, KIND_DEBUG);
}

} // namespace
} // namespace lnc::test
