// The calls of lncalc/reports.h: refusals with and without the statement's own handling, message
// texts for IOMSG=, the program's end through the exit list, and bytes to standard error.
#include "lncalc/reports.h"

#include "error_fixture.h"
#include "runtime/heap/heap.h"

namespace lnc::test {
namespace {

using PublicReportsTest = ErrorReportTest;

const char REFUSED_OPEN[] = "the OPEN statement is not available in this run-time";

TEST_F(PublicReportsTest, RefusalReportsAtThePositionOrReturnsTheStatus) {
    EXPECT_EQ(STATUS_REFUSED, 6000 + ErrorNumberTable[MSG_UNKNOWN]);
    EXPECT_EQ(refuse_statement("the OPEN statement", true), STATUS_REFUSED);
    EXPECT_EQ(capture_.error(), "");
    CallSiteRecord site{nullptr, "files.f", "_statement", 12};
    push_call_site(&site);
    EXPECT_EQ(exit_code_of([] { refuse_statement("the OPEN statement", false); }), 1);
    EXPECT_EQ(capture_.error(), std::string("\r\nfiles.f(12) : run-time error F6804\r\n- ") +
                                    REFUSED_OPEN +
                                    "\r\n\r\nExecution traceback:\r\n\t\tfrom "
                                    "statement in files.f(12)\r\n");
}

TEST_F(PublicReportsTest, MessagesAreCutToTheirBuffer) {
    char text[80];
    EXPECT_EQ(refusal_message("the OPEN statement", text, sizeof text), 52);
    EXPECT_STREQ(text, REFUSED_OPEN);
    EXPECT_EQ(refusal_message("the OPEN statement", text, 9), 8);
    EXPECT_STREQ(text, "the OPEN");
    EXPECT_EQ(status_message(6101, text, 8), 7);
    EXPECT_STREQ(text, "invalid");
}

TEST_F(PublicReportsTest, StatusMessages) {
    struct Case {
        int status;
        const char* text;
    };
    const Case cases[] = {{0, ""},
                          {STATUS_END_OF_FILE, "end of file encountered"},
                          {STATUS_END_OF_RECORD, "end of record"},
                          {6101, "invalid character in integer value"},
                          {6416, "file not found"},
                          {STATUS_REFUSED, "unknown run-time error"},
                          {6105, "integer division by zero"},
                          {5999, "unknown run-time error"}};
    error_state.error_number = 123;
    for (const Case& c : cases) {
        char text[MESSAGE_BUFFER_SIZE];
        status_message(c.status, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.status;
    }
    EXPECT_EQ(error_state.error_number, 123); // a query is no error of the program's
}

std::string ran;

TEST_F(PublicReportsTest, EndProgramRunsTheExitListAndStandardErrorTakesBytes) {
    ExitList saved = exit_list;
    exit_list = ExitList{};
    ran.clear();
    at_exit([] { ran += "closed"; });
    EXPECT_EQ(exit_code_of([] { end_program(3); }), 3);
    release(exit_list.entries);
    exit_list = saved;
    EXPECT_EQ(ran, "closed");
    EXPECT_EQ(write_standard_error("a\r\n\0b", 5), 5);
    EXPECT_EQ(capture_.error(), std::string("a\r\n\0b", 5));
}

} // namespace
} // namespace lnc::test
