// The public headers compiled together with the engine's own: every call that programs see keeps
// the signature programs were built against (a changed parameter type would break their calls,
// and the address checks below would not compile). Then the headers' worked examples are run, so
// that what they teach is what the run-time does.
#include "lncalc/runtime.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <type_traits>

#include "errors/errors.h"
#include "io/pause/pause.h"
#include "io/statement/statement.h"
#include "runtime/startup/startup.h"
#include "support/engine_fixture.h"
#include "support/exit_capture.h"

namespace lnc {
namespace {

template <typename Expected, typename Actual> constexpr bool same(Actual) {
    return std::is_same_v<Expected, Actual>;
}

// Begin, item and end calls.
static_assert(same<int (*)(int, const char*, int, const char*, int, int)>(&begin_write));
static_assert(
    same<int (*)(int, const char*, int, const char*, int, std::int32_t*, int)>(&begin_read));
static_assert(same<int (*)(std::int8_t)>(&write_item_integer1));
static_assert(same<int (*)(std::int16_t)>(&write_item_integer2));
static_assert(same<int (*)(std::int32_t)>(&write_item_integer4));
static_assert(same<int (*)(int)>(&write_item_logical1));
static_assert(same<int (*)(int)>(&write_item_logical2));
static_assert(same<int (*)(std::int32_t)>(&write_item_logical4));
static_assert(same<int (*)(std::uint32_t)>(&write_item_real4));
static_assert(same<int (*)(std::uint64_t)>(&write_item_real8));
static_assert(same<int (*)(std::uint32_t, std::uint32_t)>(&write_item_complex8));
static_assert(same<int (*)(std::uint64_t, std::uint64_t)>(&write_item_complex16));
static_assert(same<int (*)(const char*, int)>(&write_item_character));
static_assert(same<int (*)(const char*, int)>(&write_item_character_raw));
static_assert(same<int (*)(std::int8_t*)>(&read_item_integer1));
static_assert(same<int (*)(std::int16_t*)>(&read_item_integer2));
static_assert(same<int (*)(std::int32_t*)>(&read_item_integer4));
static_assert(same<int (*)(std::int8_t*)>(&read_item_logical1));
static_assert(same<int (*)(std::int16_t*)>(&read_item_logical2));
static_assert(same<int (*)(std::int32_t*)>(&read_item_logical4));
static_assert(same<int (*)(char*, int)>(&read_item_character));
static_assert(same<int (*)(float*)>(&read_item_real4));
static_assert(same<int (*)(double*)>(&read_item_real8));
static_assert(same<int (*)(float*)>(&read_item_complex8));
static_assert(same<int (*)(double*)>(&read_item_complex16));
static_assert(same<int (*)(int, const void*, int, int)>(&write_item_array));
static_assert(same<int (*)(int, const void*, int, int)>(&write_item_array_by_reference));
static_assert(same<int (*)(int, void*, int, int)>(&read_item_array));
static_assert(same<int (*)()>(&end_write));
static_assert(same<int (*)()>(&end_read));
static_assert(same<void (*)(int, const char*)>(&pause_statement));
// Call-site records and checks.
static_assert(same<void (*)(CallSiteRecord*)>(&push_call_site));
static_assert(same<void (*)()>(&pop_call_site));
static_assert(same<void (*)()>(&check_1));
static_assert(same<void (*)()>(&check_2));
static_assert(same<void (*)()>(&check_3));
static_assert(same<void (*)()>(&check_4));
static_assert(same<void (*)()>(&check_5));
static_assert(same<std::int32_t (*)(std::int32_t, std::int32_t)>(&integer_power));
// Reports, the program's end and standard error.
static_assert(same<int (*)(const char*, bool)>(&refuse_statement));
static_assert(same<int (*)(const char*, char*, int)>(&refusal_message));
static_assert(same<int (*)(int, char*, int)>(&status_message));
static_assert(same<void (*)(const char*)>(&report_error_text));
static_assert(same<void (*)(int)>(&end_program));
static_assert(same<int (*)(const char*, int)>(&write_standard_error));
// The entry.
static_assert(same<void (*)(int, char**, MainRoutine)>(&process_entry));
static_assert(std::is_same_v<MainRoutine, int (*)(int, char**, char**)>);

class PublicHeaderExampleTest : public test::EngineTest {};

// statements.h: WRITE(*,*) 'n =', n, ' x =', x
TEST_F(PublicHeaderExampleTest, WriteExampleWritesTheRecordItShows) {
    start_engine();
    std::int32_t n = 42;
    float x = 2.5f;
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    lnc::write_item_character("n =", 3);
    lnc::write_item_integer4(n);
    lnc::write_item_character(" x =", 4);
    lnc::write_item_real4(std::bit_cast<std::uint32_t>(x));
    EXPECT_EQ(lnc::end_write(), 0);
    // The carriage-control blank is not shown and the line end waits for the next record.
    EXPECT_EQ(output(), "n =         42 x =       2.500000");
}

// statements.h: READ(*,*) k, y with the line "7, 1.5e2"; the rest of the line is dropped.
TEST_F(PublicHeaderExampleTest, ReadExampleStoresEachValueAtItsItemCall) {
    start_engine({.input = "7, 1.5e2 9\r\n8\r\n"});
    std::int32_t k = 0;
    float y = 0;
    lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    EXPECT_EQ(lnc::read_item_integer4(&k), 0);
    EXPECT_EQ(k, 7);
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(lnc::read_item_real4(&y), 0);
    EXPECT_EQ(y, 150.0f);
    EXPECT_EQ(lnc::end_read(), 0);
    lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    lnc::read_item_integer4(&k);
    lnc::end_read();
    EXPECT_EQ(k, 8);
}

// statements.h: a READ with an error branch gets the error number from the failing item call and
// from its end call, and nothing is reported; at end of file the status is -1.
TEST_F(PublicHeaderExampleTest, StatusesOfAReadThatHandlesItsErrors) {
    start_engine({.input = "x\r\n"});
    std::int32_t k = 5;
    std::int32_t m = 6;
    ASSERT_EQ(lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 4 | 1), 0);
    EXPECT_EQ(lnc::read_item_integer4(&k), 6101);
    EXPECT_EQ(lnc::read_item_integer4(&m), 6101);
    EXPECT_EQ(lnc::end_read(), 6101);
    EXPECT_EQ(k, 5);
    EXPECT_EQ(m, 6);
    ASSERT_EQ(lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 4 | 1), 0);
    EXPECT_EQ(lnc::read_item_integer4(&k), -1);
    EXPECT_EQ(lnc::end_read(), -1);
    EXPECT_EQ(error(), "");
}

// statements.h: the same failure without a branch ends the process with the report and exit 1.
TEST_F(PublicHeaderExampleTest, AReadWithoutABranchEndsTheProcess) {
    start_engine({.input = "x\r\n"});
    std::int32_t k = 5;
    int code = test::exit_code_of([&k] {
        lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
        lnc::read_item_integer4(&k);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6101: READ(CON)\r\n- invalid character in integer "
                       "value\r\n");
}

// call_sites.h: total(12) from the main program overflows 10 ** 12.
std::int32_t total(std::int32_t n) {
    lnc::CallSiteRecord site{nullptr, "totals.f", "_total@4", 10};
    lnc::push_call_site(&site);
    site.line = 12;
    std::int32_t result = lnc::integer_power(n, 10);
    lnc::pop_call_site();
    return result;
}

TEST_F(PublicHeaderExampleTest, CallSiteExampleGivesThePositionAndTracebackItShows) {
    start_engine();
    lnc::CallSiteRecord main_site{nullptr, "main.f", "_main", 4};
    lnc::push_call_site(&main_site);
    EXPECT_EQ(total(9), 1000000000);
    EXPECT_EQ(call_site_list, &main_site);
    EXPECT_EQ(test::exit_code_of([] { total(12); }), 1);
    EXPECT_EQ(error(), "\r\ntotals.f(12) : run-time error F6099: $DEBUG\r\n"
                       "- integer overflow in arithmetic\r\n"
                       "\r\nExecution traceback:\r\n"
                       "\t\tfrom total in totals.f(12)\r\n"
                       "\t\tfrom main program in main.f(4)\r\n");
}

} // namespace
} // namespace lnc
