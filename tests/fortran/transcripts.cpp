// Fortran programs compiled by flang 19 with lncalc-flang, run whole on pipes: every byte of
// standard output and standard error and the exit code. The calculator's dialogue in Fortran
// is run beside the calculator itself on the same input.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "support/transcript.h"

namespace lnc {
namespace {

const std::string CRLF = "\r\n";
const std::string DEFAULT_PAUSE =
    "Pause - Please enter a blank line (to continue) or a DOS command.";

std::string program(const std::string& name) {
    return std::string(LNCALC_FORTRAN_PROGRAMS) + "/" + name;
}

test::TranscriptResult run(const std::string& path, const std::string& input,
                           std::vector<std::string> arguments = {},
                           const std::string& folder = "") {
    test::TranscriptRun run;
    run.input = input;
    run.arguments = std::move(arguments);
    run.working_directory = folder;
    return test::run_transcript(path, run);
}

// An empty folder of the test's own for the files a program makes.
std::string empty_folder(const std::string& name) {
    std::filesystem::path folder = program("work") + "/" + name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string lines(const std::vector<std::string>& records) {
    std::string text;
    for (const std::string& record : records) {
        text += record + CRLF;
    }
    return text;
}

// A report at a statement of a test program: its position, the report, the traceback.
std::string statement_report(const std::string& position, const std::string& code,
                             const std::string& message) {
    return CRLF + position + " : run-time error " + code + CRLF + "- " + message + CRLF + CRLF +
           "Execution traceback:" + CRLF + "\t\tfrom statement in " + position + CRLF;
}

// Every byte is the calculator's, the pause's message and the floating-point reports included.
TEST(FortranCalculator, WritesTheCalculatorsBytes) {
    const char* inputs[] = {"2",        "10",      "0.5",      "1e-3",  "1", "100", "51",
                            "12345678", "1234567", "2.718282", "1e-45", "0", "-0",  "-1"};
    for (const char* value : inputs) {
        std::string input = std::string(value) + "\n\n";
        test::TranscriptResult fortran = run(program("calculator"), input);
        test::TranscriptResult calculator = run(LNCALC_PROGRAM_PATH, input);
        if (!LNCALC_FORTRAN_TRAPS && calculator.exit_code != 0) {
            continue; // the program's own LOG does not trap on the software unit
        }
        EXPECT_EQ(fortran.output, calculator.output) << value;
        EXPECT_EQ(fortran.error, calculator.error) << value;
        EXPECT_EQ(fortran.exit_code, calculator.exit_code) << value;
    }
}

TEST(FortranCalculator, TrapsOfTheProgramsOwnLogarithm) {
    if (!LNCALC_FORTRAN_TRAPS) {
        GTEST_SKIP() << "the software unit traps only the run-time's operations";
    }
    struct Case {
        const char* input;
        const char* code;
        const char* text;
    };
    for (const Case& c :
         {Case{"0\n", "M6103", "divide by zero"}, Case{"-1\n", "M6101", "invalid"}}) {
        test::TranscriptResult result = run(program("calculator"), c.input);
        EXPECT_EQ(result.error, CRLF + "run-time error " + c.code + ": MATH" + CRLF +
                                    "- floating-point error: " + c.text + CRLF);
        EXPECT_EQ(result.exit_code, 1);
    }
}

// flang's LOG is the library's, not the x87's division by ln e: where the two part in the last
// digit, each program prints its own.
TEST(FortranCalculator, LibraryLogarithmDiffersAt2_7182818) {
    test::TranscriptResult result = run(program("calculator"), "2.7182818\n\n");
    EXPECT_NE(result.output.find("ln(       2.718282)=   9.999999E-01"), std::string::npos);
}

TEST(FortranCalculator, ReportOfAValueThatIsNotANumberNamesTheRead) {
    test::TranscriptResult result = run(program("calculator"), "abc\n");
    EXPECT_EQ(result.error, CRLF + "calculator.f(15) : run-time error F6103: READ(CON)" + CRLF +
                                "- invalid real value: not a number" + CRLF + CRLF +
                                "Execution traceback:" + CRLF +
                                "\t\tfrom statement in calculator.f(15)" + CRLF);
    EXPECT_EQ(result.exit_code, 1);
}

TEST(FortranItems, EveryTypeScalarsArraysAndSections) {
    test::TranscriptResult result =
        run(program("items"), "7 -300 123456 F T .false. 1.25 2.5d-3 (1,2) (3.5,-4.5) hello\n"
                              "1 2 3 4 5\n10,20,30\n-1 -2 -3 t f t 'x y' zz\n");
    EXPECT_EQ(
        result.output,
        lines({"integers:       -128       32767 -2147483647",
               "logicals:T F T",
               "reals:       2.500000        3.141592653589793",
               "complex:             (1.500000,-2.000000)",
               "   (1.000000000000000E-001,-1.000000000000000E+100)",
               "character:abc  |",
               "vector:          1           4           9          16          25",
               "every other:          1           9          25",
               "grid row 2:          2           4           6",
               "grid:          1           2           3           4           5           6",
               "flags:T F Treals:   5.000000E-01        1.000000      100.000000",
               "   1.000000E+10",
               "pair:              (1.000000000000000,2.000000000000000)",
               "             (-3.000000000000000,4.000000000000000)",
               "words:one  two  ",
               "Give i1 i2 i4 l1 l2 l4 r4 r8 c4 c8 word:",
               "          7        -300      123456 F T F",
               "       1.250000   2.500000000000000E-003               (1.000000,2.000000)",
               "             (3.500000000000000,-4.500000000000000)hello",
               "Give the vector, then every other element of it:",
               "         10           2          20           4          30",
               "Give a row of the grid, three flags and two words:",
               "         -1           2          -2           4          -3           6 T F Tx ",
               "y  zz   "}));
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.exit_code, 0);
}

struct Outcome {
    const char* input;
    std::string output;
    std::string error;
    int exit_code;
};

void expect_outcomes(const std::string& name, const std::vector<Outcome>& outcomes,
                     const std::string& folder = "") {
    for (const Outcome& outcome : outcomes) {
        test::TranscriptResult result = run(program(name), outcome.input, {}, folder);
        EXPECT_EQ(result.output, outcome.output) << name << " " << outcome.input;
        EXPECT_EQ(result.error, outcome.error) << name << " " << outcome.input;
        EXPECT_EQ(result.exit_code, outcome.exit_code) << name << " " << outcome.input;
    }
}

TEST(FortranErrors, ReportsStatusesAndRefusals) {
    std::string open_refused = "the value stream of ACCESS= is not available in this run-time";
    expect_outcomes(
        "errors",
        {{"1\nabc\n", "",
          statement_report("errors.f90(13)", "F6101: READ(CON)",
                           "invalid character in integer value"),
          1},
         {"2\nabc\n",
          lines({"status       6101", "invalid character in integer value",
                 "end of file         -1"}),
          "", 0},
         {"3\nabc\n", lines({"error branch taken", "end branch taken"}), "", 0},
         {"4\n", "",
          statement_report("errors.f90(31)", "F6781", "item type not allowed in this transfer"), 1},
         {"5\n", "", statement_report("errors.f90(33)", "F6804", open_refused), 1},
         {"6\n", lines({"open status       6804", open_refused}), "", 0},
         // A formatted record's first character is the console's carriage control.
         {"7\n", lines({"ormatted  7"}), "", 0}});
}

// Records written, read back, re-read after BACKSPACE and cut by ENDFILE; the file left behind is
// read byte for byte, then opened again on a NEWUNIT= number and deleted by CLOSE.
TEST(FortranFiles, SequentialFileWrittenPositionedInquiredAndDeleted) {
    std::string folder = empty_folder("sequential");
    expect_outcomes(
        "files",
        {{"1\n",
          lines({"after FLUSH: APPEND", "read again: record          2",
                 "T T T          10 seq.txt", "SEQUENTIAL FORMATTED 2147483639 APPEND READWRITE",
                 "NONE NO NO LIST", "after ENDFILE         -1"}),
          "", 0}},
        folder);
    EXPECT_EQ(file_bytes(folder + "/seq.txt"), lines({" record          1", " record          2"}));
    expect_outcomes("files",
                    {{"2\n",
                      lines({"NEWUNIT        -10         -10 T record          1",
                             "FLUSH          0", "deletedT"}),
                      "", 0}},
                    folder);
    EXPECT_FALSE(std::filesystem::exists(folder + "/seq.txt"));
}

TEST(FortranFiles, DirectAccessStatusesAndReports) {
    std::string folder = empty_folder("statuses");
    expect_outcomes(
        "files",
        {{"3\n",
          lines({"DIRECT FORMATTED         20           1 UNDEFINED",
                 "       6734record not yet written"}),
          "", 0},
         {"4\n",
          lines({"       6416file not found", "ERR= branch taken", "unit out of range       6314"}),
          "", 0},
         {"5\n", "",
          statement_report("files.f90(65)", "F6416: OPEN(missing.txt)", "file not found"), 1},
         {"6\n", "",
          statement_report("files.f90(67)", "F6804",
                           "the value quote of DELIM= is not available in this run-time"),
          1},
         {"8\n",
          lines({"         -1 kept          5 UNDEFINED UNDEFINEDF",
                 "       6804the INQUIRE specifier SIZE= is not available in this run-time"}),
          "", 0}},
        folder);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

std::string bytes(std::initializer_list<unsigned char> values) {
    return std::string(values.begin(), values.end());
}

// Each record between two 4-byte little-endian copies of its length, as gfortran writes them;
// read back, re-read after BACKSPACE, and END= after the last.
TEST(FortranRecords, SequentialUnformattedFile) {
    std::string folder = empty_folder("unformatted");
    expect_outcomes("records",
                    {{"1\n",
                      lines({"          7        1.000000        2.000000    5.000000E-01 abc",
                             "again abc", "end of file"}),
                      "", 0}},
                    folder);
    EXPECT_EQ(file_bytes(folder + "/seq.bin"),
              bytes({4,    0,    0, 0, 7, 0,    0, 0, 4, 0,    0,  0, 12, 0, 0, 0, 0, 0,
                     0x80, 0x3f, 0, 0, 0, 0x40, 0, 0, 0, 0x3f, 12, 0, 0,  0, 3, 0, 0, 0}) +
                  "abc" + bytes({3, 0, 0, 0}));
    // A swapped byte order, asked for through the environment, is refused at the first record.
    test::TranscriptRun swapped;
    swapped.input = "1\n";
    swapped.working_directory = folder;
    swapped.set_environment = {{"FORT_CONVERT", "SWAP"}};
    test::TranscriptResult result = test::run_transcript(program("records"), swapped);
    EXPECT_EQ(result.error,
              statement_report("records.f90(14)", "F6804",
                               "the swapped byte order of unformatted records is not available in "
                               "this run-time"));
    EXPECT_EQ(result.exit_code, 1);
}

// Records written out of order and read back by number; a record past the file's end and one
// longer than RECL (which writes nothing) are statuses; REC= on a sequential unit and
// unformatted transfer on a formatted one are numbered reports.
TEST(FortranRecords, DirectAccessAndRecordNumbers) {
    std::string folder = empty_folder("direct");
    std::string not_direct = "record number given for a unit not opened for direct access";
    expect_outcomes(
        "records",
        {{"2\n",
          lines({"          3        3.500000           1        1.500000           2",
                 "past the file       6734", "       6731record length exceeded on output"}),
          "", 0},
         {"3\n", lines({"         22 one"}), "", 0},
         {"4\n",
          lines(
              {"       6203" + not_direct, "       6201unformatted transfer on a formatted unit"}),
          statement_report("records.f90(59)", "F6203: WRITE(seq.txt)", not_direct), 1}},
        folder);
    EXPECT_EQ(file_bytes(folder + "/direct.bin"),
              bytes({1, 0, 0, 0, 0, 0, 0xc0, 0x3f, 0, 0, 0,    0,
                     0, 0, 0, 0, 3, 0, 0,    0,    0, 0, 0x60, 0x40}));
    EXPECT_EQ(file_bytes(folder + "/direct.txt"), lines({"one   ", "    22"}));
}

// flang names '*' by 6: once the program connects 6 to a file, PRINT goes there.
TEST(FortranFiles, UnitSixConnectedToAFile) {
    std::string folder = empty_folder("unit_six");
    expect_outcomes("files", {{"7\n", lines({"to the console"}), "", 0}}, folder);
    EXPECT_EQ(file_bytes(folder + "/six.txt"), lines({" to the file", "  5x"}));
}

// FLUSH hands the unit's held records to the file: what was written before it outlives an
// abort, what came after it is lost with the process.
TEST(FortranFiles, FlushedRecordsOutliveAnAbort) {
    std::string folder = empty_folder("flush");
    test::TranscriptResult result = run(program("files"), "9\n", {}, folder);
    EXPECT_EQ(result.signal, SIGABRT);
    EXPECT_EQ(file_bytes(folder + "/flushed.txt"), lines({" kept"}));
}

// A scalar and arrays of characters, whole and as a section with gaps (refused: the run-time
// would write the elements between), list-directed and formatted; formats held in arrays.
TEST(FortranInternalFiles, ScalarsArraysAndTheirEnds) {
    expect_outcomes(
        "internal",
        {{"",
          lines({"[ n =         42 T             ]", "          7        2.500000",
                 "[  7     ][ab      ]", "          7 ab", "[ one    ][x       ]",
                 "past the last record         -1           5", "past the last element       6600",
                 "       6804",
                 "an internal file whose elements are not adjacent is not available in this "
                 "run-t",
                 "i", "    .333", " 3  4", " 1| 2", "         12          34"}),
          "", 0}});
}

TEST(FortranErrors, OverflowOfTheProgramsOwnArithmeticTraps) {
    test::TranscriptResult result = run(program("errors"), "8\n");
    if (LNCALC_FORTRAN_TRAPS) {
        EXPECT_EQ(result.error, CRLF + "run-time error M6104: MATH" + CRLF +
                                    "- floating-point error: overflow" + CRLF);
        EXPECT_EQ(result.exit_code, 1);
    } else {
        EXPECT_EQ(result.error, "");
        EXPECT_EQ(result.exit_code, 0);
    }
}

// The words are flang's; the exit sequence still writes the line end owed to "stopping".
TEST(FortranStop, EveryFormEndsThroughTheExitSequence) {
    std::string stopping = lines({"stopping"});
    expect_outcomes("stops", {{"1\n", stopping, CRLF + "Fortran STOP" + CRLF, 0},
                              {"2\n", stopping, CRLF + "Fortran STOP: code 3" + CRLF, 3},
                              {"3\n", stopping, CRLF + "Fortran STOP: all done" + CRLF, 0},
                              {"4\n", stopping, CRLF + "Fortran ERROR STOP: code 1" + CRLF, 1},
                              {"5\n", stopping, CRLF + "Fortran ERROR STOP: code 4" + CRLF, 4},
                              {"6\n", stopping, CRLF + "Fortran ERROR STOP: gave up" + CRLF, 1},
                              {"7\n", stopping, "", 5},
                              {"8\n", lines({"stopping", "end reached"}), "", 0}});
}

TEST(FortranPause, EmptyReplyAndCommand) {
    std::string before = "before" + CRLF + DEFAULT_PAUSE + CRLF;
    std::string after = CRLF + "after" + CRLF;
    expect_outcomes("pauses", {{"\n", before + after, "", 0},
                               {"  \t\n", before + after, "", 0},
                               {"echo ran\n", before + "ran\n" + after, "", 0}});
}

// The text or the digits of each PAUSE are its message, in both source forms, with a label, a
// comment, ';' and INCLUDE from the source's folder around them; a PAUSE continued over lines
// keeps the default prompt.
TEST(FortranPause, OperandIsTheMessage) {
    std::string replies(8, '\n');
    expect_outcomes("pause_texts",
                    {{replies.c_str(),
                      lines({"included", "it's \"quoted\""}) + CRLF + lines({"say \"when\"; now"}) +
                          CRLF + lines({"two", "77"}) + CRLF + lines({"three", "00042"}) + CRLF +
                          lines({DEFAULT_PAUSE}) + CRLF + lines({"end"}),
                      "", 0}});
    expect_outcomes("pause_fixed",
                    {{replies.c_str(),
                      lines({"included", "7"}) + CRLF + lines({"spaced keyword"}) + CRLF +
                          lines({"50 characters: ..................................!"}) + CRLF +
                          lines({DEFAULT_PAUSE}) + CRLF + lines({"END"}),
                      "", 0}});
}

TEST(FortranCommand, ArgumentsAndEnvironmentFromTheRunTimesStart) {
    test::TranscriptRun command;
    command.arguments = {"one", "two words"};
    command.set_environment = {{"LNCALC_FRONT_TEST", "there"}};
    command.unset_environment = {"LNCALC_FRONT_UNSET"};
    test::TranscriptResult result = test::run_transcript(program("command"), command);
    EXPECT_EQ(result.output, lines({"arguments:          2", "program name given:T",
                                    "          1one          3           0",
                                    "          2two words          9           0",
                                    "variable:there          5           0",
                                    "unset variable:          0           1", "date digits:T",
                                    "compare:T T          -2           3"}));
    EXPECT_EQ(result.exit_code, 0);
}

} // namespace
} // namespace lnc
