// Raising run-time errors: report bytes, exit codes, status values and the unit left behind.
#include "error_fixture.h"
#include "io/listin/listin.h"

namespace lnc::test {
namespace {

using RaiseTest = ErrorReportTest;

TEST_F(RaiseTest, ReadErrorOnTheConsoleNamesTheUnit) {
    block_.flags = DIRTY | AT_EOF | LINE_PENDING;
    EXPECT_EQ(exit_code_of([] { raise_runtime_error(7, KIND_READ); }), 1);
    EXPECT_EQ(capture_.error(),
              "\r\nrun-time error F6103: READ(CON)\r\n- invalid real value: not a number\r\n");
    // The console can be read again: the line is dropped, the end of file forgotten.
    EXPECT_EQ(block_.pos, 0);
    EXPECT_EQ(block_.last, -1);
    EXPECT_EQ(block_.flags, LINE_PENDING);
    EXPECT_EQ(block_.select_status, 6103);
}

TEST_F(RaiseTest, SeparateConsoleOutputBlockKeepsTheRecord) {
    UnitBlock output = {};
    unit_table[ENTRY_CONSOLE_OUTPUT].block = &output;
    block_.flags = DIRTY | AT_EOF;
    EXPECT_EQ(exit_code_of([] { raise_runtime_error(53, KIND_READ); }), 1);
    EXPECT_EQ(block_.pos, 4);
    EXPECT_EQ(block_.last, 9);
    EXPECT_EQ(block_.flags, 0u);
    EXPECT_EQ(capture_.error(), "\r\nrun-time error F6407: READ(CON)\r\n- console input line too "
                                "long\r\n");
}

TEST_F(RaiseTest, StatementNamesByKind) {
    struct Case {
        int kind;
        const char* report;
    };
    const Case cases[] = {
        {KIND_UNNAMED, "\r\nrun-time error F6501: (CON)\r\n- end of file encountered\r\n"},
        {KIND_WRITE, "\r\nrun-time error F6501: WRITE(CON)\r\n- end of file encountered\r\n"},
        {KIND_BACKSPACE,
         "\r\nrun-time error F6501: BACKSPACE(CON)\r\n- end of file encountered\r\n"},
        {KIND_ALLOCATE, "\r\nrun-time error F6501: ALLOCATE\r\n- end of file encountered\r\n"},
        {KIND_NONE, "\r\nrun-time error F6501\r\n- end of file encountered\r\n"},
        {KIND_PANE, "\r\nrun-time error F6501: PANE\r\n- end of file encountered\r\n"},
    };
    std::size_t seen = 0;
    for (const Case& c : cases) {
        int kind = c.kind;
        EXPECT_EQ(exit_code_of([kind] { raise_runtime_error(73, kind); }), 1);
        std::string all = capture_.error();
        EXPECT_EQ(all.substr(seen), c.report) << "kind " << c.kind;
        seen = all.size();
    }
}

TEST_F(RaiseTest, OpenShowsTheFileNameItWasGiven) {
    std::strcpy(error_state.report_name_buffer, "data.txt");
    EXPECT_EQ(exit_code_of([] { raise_runtime_error(62, KIND_OPEN); }), 1);
    EXPECT_EQ(capture_.error(), "\r\nrun-time error F6416: OPEN(data.txt)\r\n- file not found\r\n");
}

TEST_F(RaiseTest, EmptyMessageEndsTheLineAfterTheUnitName) {
    EXPECT_EQ(exit_code_of([] { raise_runtime_error(MSG_NO_TEXT, KIND_WRITE); }), 1);
    EXPECT_EQ(capture_.error(), "\r\nrun-time error F6799: WRITE(CON)\r\n\r\n");
}

TEST_F(RaiseTest, PlaceholdersAreFilledFromTheArguments) {
    EXPECT_EQ(exit_code_of([] { raise_runtime_error(155, KIND_READ, 4096, "LINE"); }), 1);
    EXPECT_EQ(exit_code_of([] { raise_runtime_error(66, KIND_BACKSPACE, 12); }), 1);
    EXPECT_EQ(capture_.error(),
              "\r\nrun-time error F6740: READ(CON)\r\n- internal file length 4096 too large for "
              "LINE\r\n"
              "\r\nrun-time error F6420: BACKSPACE(CON)\r\n- unit 12 not connected\r\n");
}

TEST_F(RaiseTest, LongUnitNameIsCutToTheBuffer) {
    std::string long_name(400, 'u');
    block_.name = long_name.data();
    block_.organisation = 3;
    EXPECT_EQ(exit_code_of([] { raise_runtime_error(72, KIND_READ); }), 1);
    EXPECT_EQ(capture_.error(), "\r\nrun-time error F6500: READ(" + std::string(259, 'u') +
                                    ")\r\n- read failure on this unit\r\n");
}

TEST_F(RaiseTest, ErrorBranchGetsTheStatusWithoutReport) {
    error_state.error_branch = 1;
    error_state.end_branch = 1;
    system_error = 5;
    list_read.repeat_count = 3;
    EXPECT_EQ(unwind_status([] { raise_runtime_error(76, KIND_READ); }), 6504);
    EXPECT_EQ(capture_.error(), "");
    EXPECT_EQ(block_.select_status, 6504);
    // The per-statement state is gone.
    EXPECT_EQ(error_state.error_branch, 0);
    EXPECT_EQ(error_state.end_branch, 0);
    EXPECT_EQ(system_error, 0u);
    EXPECT_EQ(list_read.repeat_count, 0);
    EXPECT_EQ(error_state.raise_depth, 0);
}

TEST_F(RaiseTest, EndBranchAtEndOfFileGivesMinusOne) {
    block_.organisation = 3;
    error_state.end_branch = 1;
    error_state.at_end_of_file = 1;
    EXPECT_EQ(unwind_status([] { raise_runtime_error(73, KIND_READ); }), -1);
    EXPECT_EQ(capture_.error(), "");
    EXPECT_NE(block_.flags & AT_EOF, 0u);
    EXPECT_EQ(block_.select_status, 6501);
    EXPECT_EQ(error_state.at_end_of_file, 0);
}

TEST_F(RaiseTest, EndOfFileWithOnlyAnErrorBranchIsStillMinusOne) {
    error_state.error_branch = 1;
    error_state.at_end_of_file = 1;
    EXPECT_EQ(unwind_status([] { raise_runtime_error(51, KIND_READ); }), -1);
    EXPECT_EQ(capture_.error(), "");
}

TEST_F(RaiseTest, EndOfFileWithoutBranchIsReported) {
    error_state.at_end_of_file = 1;
    EXPECT_EQ(exit_code_of([] { raise_runtime_error(73, KIND_READ); }), 1);
    EXPECT_EQ(capture_.error(),
              "\r\nrun-time error F6501: READ(CON)\r\n- end of file encountered\r\n");
}

TEST_F(RaiseTest, EndOfRecordConditionsGiveMinusTwo) {
    block_.format_flags = FMT_EOR_BRANCH;
    EXPECT_EQ(unwind_status([] { raise_runtime_error(MSG_END_OF_RECORD_CONDITION, KIND_READ); }),
              -2);
    EXPECT_EQ(error_state.error_number, -2);
    EXPECT_EQ(block_.select_status, -2);
    block_.format_flags = 0;
    error_state.end_branch = 1;
    EXPECT_EQ(unwind_status([] { raise_runtime_error(MSG_END_OF_RECORD, KIND_READ); }), -2);
    EXPECT_EQ(capture_.error(), "");
}

TEST_F(RaiseTest, EndOfRecordWithoutBranchIsReported) {
    EXPECT_EQ(exit_code_of([] { raise_runtime_error(MSG_END_OF_RECORD_CONDITION, KIND_WRITE); }),
              1);
    EXPECT_EQ(capture_.error(),
              "\r\nrun-time error F6601: WRITE(CON)\r\n- write past the end of the record\r\n");
}

TEST_F(RaiseTest, UnwindOnlyTouchesNothing) {
    error_state.error_branch = 1;
    system_error = 7;
    EXPECT_EQ(unwind_status([] { raise_runtime_error(MSG_UNWIND_ONLY, KIND_READ); }), -3);
    EXPECT_EQ(capture_.error(), "");
    EXPECT_EQ(error_state.error_branch, 1);
    EXPECT_EQ(system_error, 7u);
    EXPECT_EQ(error_state.raise_depth, 0);
}

TEST_F(RaiseTest, SingleCharacterInputSilencesItsOwnConditions) {
    error_state.single_char_input = 1;
    EXPECT_EQ(unwind_status([] { raise_runtime_error(76, KIND_READ); }), 6504);
    EXPECT_EQ(unwind_status([] { raise_runtime_error(5, KIND_READ); }), 6101);
    EXPECT_EQ(capture_.error(), "");
    EXPECT_EQ(exit_code_of([] { raise_runtime_error(74, KIND_READ); }), 1);
}

int record_ends = 0;
void count_record_end() {
    ++record_ends;
}
void other_read_driver(bool) {}

TEST_F(RaiseTest, FailedFormattedReadSkipsToTheNextRecord) {
    block_.organisation = 3;
    engine.record_end = count_record_end;
    engine.read_driver = other_read_driver;
    record_ends = 0;
    error_state.error_branch = 1;
    EXPECT_EQ(unwind_status([] { raise_runtime_error(76, KIND_READ); }), 6504);
    EXPECT_EQ(record_ends, 1);

    // Not for list-directed input, not at end of file, not for a WRITE, not without a branch.
    engine.read_driver = list_directed_read;
    error_state.error_branch = 1;
    unwind_status([] { raise_runtime_error(76, KIND_READ); });
    engine.read_driver = other_read_driver;
    error_state.error_branch = 1;
    error_state.at_end_of_file = 1;
    unwind_status([] { raise_runtime_error(73, KIND_READ); });
    error_state.error_branch = 1;
    unwind_status([] { raise_runtime_error(76, KIND_WRITE); });
    block_.organisation = 1;
    error_state.error_branch = 1;
    unwind_status([] { raise_runtime_error(76, KIND_READ); });
    EXPECT_EQ(record_ends, 1);
}

TEST_F(RaiseTest, StatementErrorWithFlagsMinusOneReturnsTheStatus) {
    EXPECT_EQ(raise_statement_error(40, -1), 6314);
    EXPECT_EQ(capture_.error(), "");
    EXPECT_EQ(error_state.error_branch, 0);
}

TEST_F(RaiseTest, StatementErrorWithFlagsZeroIsReported) {
    EXPECT_EQ(exit_code_of([] { raise_statement_error(40, 0); }), 1);
    EXPECT_EQ(capture_.error(), "\r\nrun-time error F6314\r\n- unit number out of range\r\n");
}

TEST_F(RaiseTest, StatementErrorFollowsTheBranchOfTheStatementUnderWay) {
    error_state.error_branch = 1;
    EXPECT_EQ(raise_statement_error(92, 0), 6700);
    EXPECT_EQ(capture_.error(), "");
    EXPECT_EQ(error_state.error_branch, 0);
}

TEST_F(RaiseTest, ReportDuringShutdownReturnsToTheShutdown) {
    error_state.in_shutdown = 1;
    EXPECT_EQ(unwind_status([] { raise_runtime_error(68, KIND_CLOSE); }), 6422);
    EXPECT_EQ(capture_.error(),
              "\r\nrun-time error F6422: CLOSE(CON)\r\n- no space left on device\r\n");
}

TEST_F(RaiseTest, ChecksOfCompiledCodeReportWithDebugKind) {
    EXPECT_EQ(exit_code_of(check_4), 1);
    EXPECT_EQ(error_state.statement_kind, KIND_DEBUG);
    EXPECT_EQ(capture_.error(),
              "\r\nrun-time error F6099: $DEBUG\r\n- integer overflow in arithmetic\r\n");
    // The unit is left alone by a check.
    EXPECT_EQ(block_.pos, 4);
    EXPECT_EQ(block_.select_status, 0);
}

TEST_F(RaiseTest, CheckReturnsWhileTheShutdownRuns) {
    error_state.in_shutdown = 1;
    EXPECT_EQ(raise_check_error(9), 6105);
    EXPECT_EQ(capture_.error(),
              "\r\nrun-time error F6105: $DEBUG\r\n- integer division by zero\r\n");
    EXPECT_EQ(error_state.raise_depth, 0);
}

TEST_F(RaiseTest, KindOutsideTheTableNamesNoStatement) {
    EXPECT_EQ(exit_code_of([] { write_error_report(6998, "windowed", 40); }), 1);
    EXPECT_EQ(capture_.error(), "\r\nrun-time error F6998\r\n- windowed\r\n");
}

void report_again() {
    write_error_report(6701, "again", KIND_NONE);
}

TEST_F(RaiseTest, ReportInsideAReportEndsTheProcessWithoutLooping) {
    ASSERT_TRUE(exit_list.entries != nullptr || create_exit_list());
    ASSERT_NE(at_exit(report_again), nullptr);
    EXPECT_EQ(exit_code_of([] { raise_statement_error(40, 0); }), 1);
    EXPECT_EQ(capture_.error(), "\r\nrun-time error F6314\r\n- unit number out of range\r\n");
}

} // namespace
} // namespace lnc::test
