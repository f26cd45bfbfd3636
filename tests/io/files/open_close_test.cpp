// OPEN and CLOSE: refused values and files, each with its numbered report naming the file and
// nothing left behind; where buffered output goes at CLOSE, at the end and after a report.
#include "io/files/file_fixture.h"

namespace lnc::test {
namespace {

class OpenCloseTest : public FileTest {};

struct OpenFailure {
    const char* what;
    Specifiers specifiers;
    int index;
};

TEST_F(OpenCloseTest, RefusedOpensReportTheFileAndLeaveNothing) {
    make_file("old.txt", "kept\r\n");
    make_file("other.txt", "");
    make_file("locked.txt", "");
    std::filesystem::permissions("locked.txt", std::filesystem::perms::owner_read);
    std::filesystem::create_directory("folder");
    std::string long_name(300, 'n');
    const OpenFailure cases[] = {
        {"status", {{"FILE", "a.txt"}, {"STATUS", "OLDE"}}, MSG_OPEN_STATUS},
        {"access", {{"FILE", "a.txt"}, {"ACCESS", "DIRECTT"}}, MSG_BAD_ACCESS},
        {"form", {{"FILE", "a.txt"}, {"FORM", "FORMATED"}}, MSG_BAD_FORM},
        {"blank", {{"FILE", "a.txt"}, {"BLANK", "ZEROS"}}, MSG_BAD_BLANK},
        {"position", {{"FILE", "a.txt"}, {"POSITION", "END"}}, MSG_BAD_POSITION},
        {"action", {{"FILE", "a.txt"}, {"ACTION", "READ WRITE"}}, MSG_BAD_ACTION},
        {"recl 0", {{"FILE", "a.txt"}, {"RECL", "0"}}, MSG_BAD_RECL},
        {"recl -5", {{"ACCESS", "DIRECT"}, {"RECL", "-5"}, {"FILE", "a.txt"}}, MSG_BAD_RECL},
        {"no recl", {{"FILE", "a.txt"}, {"ACCESS", "direct"}}, MSG_RECL_REQUIRED},
        {"named scratch", {{"STATUS", "SCRATCH"}, {"FILE", "a.txt"}}, MSG_NAMED_SCRATCH},
        {"long name", {{"FILE", long_name}}, MSG_FILE_NAME_TOO_LONG},
        {"missing", {{"FILE", "a.txt"}, {"STATUS", "OLD"}}, MSG_FILE_NOT_FOUND},
        {"no directory", {{"FILE", "none/a.txt"}}, MSG_FILE_NOT_FOUND},
        {"exists", {{"FILE", "other.txt"}, {"STATUS", "NEW"}}, MSG_FILE_EXISTS},
        {"read-only", {{"FILE", "locked.txt"}, {"ACTION", "WRITE"}}, MSG_FILE_ACCESS_DENIED},
        {"replace read-only",
         {{"FILE", "locked.txt"}, {"STATUS", "REPLACE"}},
         MSG_FILE_ACCESS_DENIED},
        {"directory", {{"FILE", "folder"}}, MSG_FILE_ACCESS_DENIED},
        {"two units", {{"FILE", "old.txt"}, {"STATUS", "REPLACE"}}, MSG_ALREADY_CONNECTED},
    };
    for (const OpenFailure& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name =
            c.specifiers[0].first == "FILE" ? c.specifiers[0].second : c.specifiers.back().second;
        std::string shown = name.substr(0, 259);
        std::string report;
        for (int branch : {1, 0}) {
            EngineSession session;
            ASSERT_EQ(open_unit(9, {{"FILE", "old.txt"}, {"STATUS", "OLD"}}), 0);
            int status = 0;
            int code = exit_code_of([&] { status = open_unit(10, c.specifiers, branch); });
            EXPECT_EQ(branch == 1 ? status : code, branch == 1 ? error_number(c.index) : 1);
            report = session.error();
        }
        std::string expected = "\r\nrun-time error F" + std::to_string(error_number(c.index)) +
                               ": OPEN(" + shown + ")\r\n- ";
        EXPECT_EQ(report.substr(0, expected.size()), expected);
        EXPECT_FALSE(std::filesystem::exists("a.txt"));
        EXPECT_EQ(file_text("old.txt"), "kept\r\n");
    }
}

TEST_F(OpenCloseTest, RecordsReachTheFileAtCloseAtTheEndAndAfterAReport) {
    start_engine();
    ASSERT_EQ(open_unit(10, {{"STATUS", "new"}, {"FILE", " closed.txt "}}), 0);
    ASSERT_EQ(open_unit(11, {{"FILE", "ended.txt"}}), 0);
    write_line(10, "one");
    write_line(10, "two");
    write_line(11, "kept");
    EXPECT_EQ(file_text("closed.txt"), ""); // buffered until the close
    EXPECT_EQ(close_unit_with(10), 0);
    EXPECT_EQ(file_text("closed.txt"), " one\r\n two\r\n");
    EXPECT_EQ(close_unit_with(10), 0); // not connected: nothing
    ASSERT_EQ(open_unit(12, {{"FILE", "reported.txt"}}), 0);
    write_line(12, "before the report");
    EXPECT_EQ(exit_code_of([] { open_unit(13, {{"FILE", "x"}, {"FORM", "BAD"}}); }), 1);
    EXPECT_EQ(file_text("ended.txt"), " kept\r\n");
    EXPECT_EQ(file_text("reported.txt"), " before the report\r\n");
}

TEST_F(OpenCloseTest, AFullDiskIsReportedWhenTheRecordsGoOut) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "needs a device that is always full";
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "/dev/full"}}), 0);
    write_line(10, "lost");
    EXPECT_EQ(close_unit_with(10, nullptr, 1), error_number(MSG_DISK_FULL));
    std::int32_t opened = 1;
    begin_inquire_unit(10, 0);
    inquire_opened(&opened);
    end_inquire();
    EXPECT_EQ(opened, 0); // let go even so
    ASSERT_EQ(open_unit(10, {{"FILE", "/dev/full"}}), 0);
    write_line(10, "lost at the end");
    ASSERT_EQ(open_unit(11, {{"FILE", "after.txt"}}), 0);
    write_line(11, "kept");
    // A normal end whose closing reports lost output is no success; later units still close.
    EXPECT_EQ(exit_code_of([] { exit_process(0); }), 1);
    EXPECT_EQ(error(),
              "\r\nrun-time error F6422: CLOSE(/dev/full)\r\n- no space left on device\r\n");
    EXPECT_EQ(file_text("after.txt"), " kept\r\n");
}

TEST_F(OpenCloseTest, ReopeningTheSameFileChangesBlankOnlyAnotherFileIsClosedFirst) {
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "first.txt"}}), 0);
    write_line(10, "first");
    EXPECT_EQ(open_unit(10, {{"FILE", "./first.txt"}, {"BLANK", "ZERO"}, {"STATUS", "OLD"}}), 0);
    EXPECT_EQ(open_unit(10, {{"BLANK", "NULL"}, {"ACTION", "READWRITE"}}), 0);
    EXPECT_EQ(open_unit(10, {{"ACCESS", "DIRECT"}, {"RECL", "8"}}, 1),
              error_number(MSG_REOPEN_CHANGES));
    EXPECT_EQ(open_unit(10, {{"FILE", "first.txt"}, {"STATUS", "NEW"}}, 1),
              error_number(MSG_REOPEN_CHANGES));
    EXPECT_EQ(file_text("first.txt"), "");
    EXPECT_EQ(open_unit(10, {{"FILE", "second.txt"}}), 0);
    EXPECT_EQ(file_text("first.txt"), " first\r\n");
    write_line(10, "second");
    EXPECT_EQ(close_unit_with(10), 0);
    EXPECT_EQ(file_text("second.txt"), " second\r\n");
}

TEST_F(OpenCloseTest, ScratchFilesDeleteAndKeep) {
    start_engine();
    for (int unit = 1; unit <= 61; ++unit)
        ASSERT_EQ(open_unit(unit, {{"STATUS", "SCRATCH"}}), 0) << unit;
    EXPECT_EQ(open_unit(62, {{"FILE", "one.too.many"}}, 1), error_number(MSG_TOO_MANY_UNITS));
    EXPECT_FALSE(std::filesystem::exists("one.too.many"));
    EXPECT_EQ(close_unit_with(1, "KEEP", 1), error_number(MSG_KEEP_SCRATCH));
    EXPECT_EQ(close_unit_with(1, "delete  "), 0);
    EXPECT_EQ(close_unit_with(2, "GONE", 1), error_number(MSG_CLOSE_STATUS));
    for (int unit = 2; unit <= 61; ++unit)
        EXPECT_EQ(close_unit_with(unit), 0);
    EXPECT_TRUE(std::filesystem::is_empty(directory_));
    make_file("doomed.txt", "x");
    ASSERT_EQ(open_unit(3, {{"FILE", "doomed.txt"}}), 0);
    EXPECT_EQ(close_unit_with(3, "DELETE"), 0);
    EXPECT_FALSE(std::filesystem::exists("doomed.txt"));
}

TEST_F(OpenCloseTest, BeginCallsRefuseUnitsOutOfRange) {
    start_engine();
    EXPECT_EQ(begin_open(40000, FLAGS_SILENT), error_number(MSG_UNIT_OUT_OF_RANGE));
    open_file_name("never.txt", -1);
    EXPECT_EQ(end_open(), error_number(MSG_UNIT_OUT_OF_RANGE));
    EXPECT_FALSE(std::filesystem::exists("never.txt"));
    EXPECT_EQ(exit_code_of([] { begin_rewind(-40000, 1); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6314\r\n- unit number out of range\r\n");
}

} // namespace
} // namespace lnc::test
