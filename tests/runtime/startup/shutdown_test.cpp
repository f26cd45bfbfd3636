// The exit sequence with the units: a run-time error while the units are closed at exit is
// reported, the other closing steps go on, and a normal end becomes a failure (exit code 1).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "runtime/handles/handles.h"
#include "runtime/startup/startup.h"
#include "support/forked_child.h"

namespace lnc {
namespace {

// Unit 7 holds an unwritten record for a device that refuses every byte (disk full).
void add_unit_on_full_device() {
    int handle = open_file("/dev/full", OPEN_WRITE_ONLY | OPEN_BINARY, SHARE_READ_WRITE, 0);
    if (handle < 0) {
        std::_Exit(60);
    }
    UnitBlock* block = new_unit_block(16);
    static char name[] = "full.dat";
    block->name = static_cast<char*>(unit_alloc(sizeof name));
    std::memcpy(block->name, name, sizeof name);
    block->handle = handle;
    block->organisation = 3;
    std::memcpy(block->buffer, "record", 6);
    block->pos = 6;
    block->flags |= DIRTY | LINE_PENDING;
    unit_table[1] = UnitEntry{7, block};
}

void write_console_text() {
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    write_item_character("x", 1);
    end_write();
}

int ends_normally(int, char**, char**) {
    add_unit_on_full_device();
    write_console_text();
    return 0;
}

int ends_with_a_read_error(int, char**, char**) {
    add_unit_on_full_device();
    write_console_text();
    float value = 0.0f;
    begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    read_item_real4(&value);
    end_read();
    return 0;
}

test::ChildResult run(MainRoutine main_routine, const char* input) {
    return test::run_in_child(
        [main_routine] {
            static char name[] = "lncalc";
            static char* argv[] = {name, nullptr};
            process_entry(1, argv, main_routine);
        },
        input);
}

const std::string CLOSE_REPORT_START = "\r\nrun-time error F";
const std::string CLOSE_REPORT_UNIT = ": CLOSE(full.dat)\r\n- ";

// Output was lost: the normal end is no success. The console's pending line end is still written.
TEST(Shutdown, AReportWhileClosingMakesANormalEndAFailure) {
    test::ChildResult child = run(ends_normally, "");
    EXPECT_EQ(child.exit_code, 1);
    EXPECT_EQ(child.output, "x\r\n");
    EXPECT_EQ(child.error.rfind(CLOSE_REPORT_START, 0), 0u) << child.error;
    EXPECT_NE(child.error.find(CLOSE_REPORT_UNIT), std::string::npos) << child.error;
    EXPECT_EQ(child.error.substr(child.error.size() - 2), "\r\n");
}

TEST(Shutdown, AReportWhileClosingAfterAnEarlierReportKeepsExitCodeOne) {
    test::ChildResult child = run(ends_with_a_read_error, "abc\r\n");
    EXPECT_EQ(child.exit_code, 1);
    std::size_t read_report = child.error.find(": READ(CON)\r\n- ");
    std::size_t close_report = child.error.find(CLOSE_REPORT_UNIT);
    ASSERT_NE(read_report, std::string::npos) << child.error;
    ASSERT_NE(close_report, std::string::npos) << child.error;
    EXPECT_LT(read_report, close_report);
    EXPECT_EQ(child.error.rfind("\r\nrun-time error F6103: READ(CON)\r\n- ", 0), 0u);
}

// Without a failing unit the pending console line end is written at exit.
TEST(Shutdown, TheConsoleLineEndOwedAtExitIsWritten) {
    test::ChildResult child = run(
        [](int, char**, char**) {
            write_console_text();
            return 0;
        },
        "");
    EXPECT_EQ(child.output, "x\r\n");
    EXPECT_EQ(child.error, "");
    EXPECT_EQ(child.exit_code, 0);
}

} // namespace
} // namespace lnc
