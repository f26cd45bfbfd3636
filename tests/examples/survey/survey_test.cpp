// The survey program run whole on pipes (and once on a terminal): every byte of standard output
// and standard error and the exit code, for inputs with repeat factors, empty values, a slash,
// values spread over lines, and for inputs that end it with a report and its traceback.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/transcript.h"

namespace lnc {
namespace {

const std::string CRLF = "\r\n";

// The records before the first READ: constants of every item type, then the first prompt.
const std::vector<std::string> OPENING = {
    "Survey of the run-time items",
    "integers:       -128       32767 -2147483648",
    "logicals: T F T",
    "double:       3.141592653589793   1.000000000000000E-300",
    "single complex:             (1.500000,-2.000000)",
    "double complex:   (1.000000000000000E-001,-1.000000000000000E+100)",
    "Give a byte, a word, a long word, two flags, a weight and a point:",
};

// Every record shows as its line and a CR LF: the line end of each record is written before the
// next record or READ, and the last one's at exit.
std::string lines(const std::vector<std::string>& records) {
    std::string text;
    for (const std::string& record : records) {
        text += record + CRLF;
    }
    return text;
}

std::vector<std::string> operator+(std::vector<std::string> first,
                                   const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

test::TranscriptResult on_pipes(const std::string& input) {
    test::TranscriptRun run;
    run.input = input;
    return test::run_transcript(LNCALC_SURVEY_PATH, run);
}

// The line of survey.cpp holding a statement's comment: what a report names as its position.
int source_line(const std::string& statement) {
    std::ifstream source(LNCALC_SOURCE_DIR "/examples/survey/survey.cpp");
    std::string line;
    for (int number = 1; std::getline(source, line); ++number) {
        if (line.find("// " + statement) != std::string::npos) {
            return number;
        }
    }
    ADD_FAILURE() << "no statement " << statement << " in survey.cpp";
    return 0;
}

std::string position(const std::string& statement) {
    return "survey.cpp(" + std::to_string(source_line(statement)) + ")";
}

// A report with the failing statement's position in front and the traceback after it.
std::string report(const std::string& statement, const std::string& code_and_kind,
                   const std::string& message, const std::vector<std::string>& traceback) {
    std::string text = CRLF + position(statement) + " : run-time error " + code_and_kind + CRLF +
                       "- " + message + CRLF + CRLF + "Execution traceback:" + CRLF;
    for (const std::string& routine : traceback) {
        text += "\t\tfrom " + routine + CRLF;
    }
    return text;
}

const std::string READ_SAMPLE = "READ(*,*) byte, word, long_word, flag1, flag4, weight, point";
const std::string READ_READINGS = "READ(*,*) readings";
const std::string READ_EXPONENT = "READ(*,*) exponent";

// A run whose values use repeat factors, for items and for the elements of the array.
const char* const REPEATED_INPUT[] = {"-7 2*300 T .f. 1.25d0 (3,-4)\n", "3*1.5,,2.5\n", "3\n"};
const std::vector<std::string> REPEATED_OUTPUT = {
    "byte, word, long word:         -7         300         300",
    "flags: T F weight:       1.250000000000000",
    "point:             (3.000000,-4.000000)",
    "Give five readings:",
    // The fifth field does not fit the 79 columns and starts the next record.
    "readings:       1.500000        1.500000        1.500000        4.000000",
    "       2.500000",
    // The WRITE inside mean() runs while the WRITE of the mean is being built.
    "averaging          5 readings",
    "mean:       2.200000",
    "Give a power of ten:",
    "10 **          3 =       1000",
};

TEST(Survey, RepeatFactorsFillSeveralItemsAndArrayElements) {
    test::TranscriptResult result =
        on_pipes(std::string(REPEATED_INPUT[0]) + REPEATED_INPUT[1] + REPEATED_INPUT[2]);
    EXPECT_EQ(result.output, lines(OPENING + REPEATED_OUTPUT));
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.exit_code, 0);
}

// Empty values keep what the items held, except logicals, which read as true; a slash leaves
// the rest of the list as it was.
TEST(Survey, EmptyValuesAndASlashKeepTheOldValues) {
    test::TranscriptResult result = on_pipes(", 12 3*, 2.5 /\n1 2 3 4 5\n9\n");
    EXPECT_EQ(result.output, lines(OPENING + std::vector<std::string>{
                                                 "byte, word, long word:          1          12"
                                                 "           3",
                                                 "flags: T T weight:       2.500000000000000",
                                                 "point:      (0.000000E+00,0.000000E+00)",
                                                 "Give five readings:",
                                                 "readings:       1.000000        2.000000     "
                                                 "   3.000000        4.000000",
                                                 "       5.000000",
                                                 "averaging          5 readings",
                                                 "mean:       3.000000",
                                                 "Give a power of ten:",
                                                 "10 **          9 = 1000000000",
                                             }));
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.exit_code, 0);
}

// A READ goes on over blank and further lines until its items are served, and drops the rest of
// its last line; a repeat factor at a line end gives empty values for the next elements.
TEST(Survey, ValuesSpreadOverLines) {
    test::TranscriptResult result = on_pipes("5\n\n  6 7\nF F 1d0\n(1,1) ignored\n2*\n,4*7\n0\n");
    EXPECT_EQ(result.output, lines(OPENING + std::vector<std::string>{
                                                 "byte, word, long word:          5           6"
                                                 "           7",
                                                 "flags: F F weight:       1.000000000000000",
                                                 "point:              (1.000000,1.000000)",
                                                 "Give five readings:",
                                                 "readings:       1.000000        2.000000     "
                                                 "   7.000000        7.000000",
                                                 "       7.000000",
                                                 "averaging          5 readings",
                                                 "mean:       4.800000",
                                                 "Give a power of ten:",
                                                 "10 **          0 =          1",
                                             }));
    EXPECT_EQ(result.exit_code, 0);
}

// The smallest 4-byte integer fills its field, so no blank separates it from the text before.
TEST(Survey, NegativePowersAndTheSmallestInteger) {
    test::TranscriptResult result = on_pipes("1 2 3 T F 1 (1,2)\n1 2 3 4 5\n-2147483648\n");
    std::string last = "10 **-2147483648 =          0" + CRLF;
    ASSERT_GE(result.output.size(), last.size());
    EXPECT_EQ(result.output.substr(result.output.size() - last.size()), last);
    EXPECT_EQ(result.exit_code, 0);
}

struct Failure {
    const char* input;
    const char* statement; // the comment of the failing statement in survey.cpp
    const char* code_and_kind;
    const char* message;
};

// Errors of the READ statements, each reported at its statement with the main program alone in
// the traceback; nothing of the statement's output appears.
const Failure READ_FAILURES[] = {
    {"abc\n", "READ(*,*) byte", "F6101: READ(CON)", "invalid character in integer value"},
    {"300\n", "READ(*,*) byte", "F6100: READ(CON)", "integer value overflows its item"},
    {"1 40000\n", "READ(*,*) byte", "F6100: READ(CON)", "integer value overflows its item"},
    {"1 2 3 X\n", "READ(*,*) byte", "F6507: READ(CON)", "invalid logical value"},
    {"1 2 3 T F 1 5\n", "READ(*,*) byte", "F6504: READ(CON)", "invalid value for item type"},
    {"1 2 3 T F 1 (5)\n", "READ(*,*) byte", "F6506: READ(CON)", "comma missing in complex value"},
    {"", "READ(*,*) byte", "F6501: READ(CON)", "end of file encountered"},
    {"1 2 3 T F 1 (1,2)\n0*1\n", "READ(*,*) readings", "F6502: READ(CON)", "zero repeat factor"},
    {"1 2 3 T F 1 (1,2)\n1 2 3 4\n", "READ(*,*) readings", "F6501: READ(CON)",
     "end of file encountered"},
    {"1 2 3 T F 1 (1,2)\n1 2 3 4 5\n1.5\n", "READ(*,*) exponent", "F6101: READ(CON)",
     "invalid character in integer value"},
};

TEST(Survey, ReadErrorsNameTheirStatementAndTraceBackToTheMainProgram) {
    for (const Failure& row : READ_FAILURES) {
        test::TranscriptResult result = on_pipes(row.input);
        std::string expected = report(row.statement, row.code_and_kind, row.message,
                                      {"main program in " + position(row.statement)});
        EXPECT_EQ(result.error, expected) << row.input;
        EXPECT_EQ(result.exit_code, 1) << row.input;
        // Standard output holds everything up to the failing READ's prompt, with its line end.
        std::string prompt = std::string(row.statement) == "READ(*,*) byte" ? OPENING.back()
                             : std::string(row.statement) == "READ(*,*) readings"
                                 ? "Give five readings:"
                                 : "Give a power of ten:";
        std::string tail = prompt + CRLF;
        ASSERT_GE(result.output.size(), tail.size()) << row.input;
        EXPECT_EQ(result.output.substr(result.output.size() - tail.size()), tail) << row.input;
    }
}

// The overflow is found inside power_of_ten, which the WRITE calls for its last item: the
// report names that routine's line, and the traceback goes from it to the main program's WRITE.
TEST(Survey, AnOverflowInARoutineTracesBackThroughItsCaller) {
    for (const char* exponent : {"10", "31", "2147483647"}) {
        test::TranscriptResult result =
            on_pipes(std::string("1 2 3 T F 1 (1,2)\n1 2 3 4 5\n") + exponent + "\n");
        std::string inner = "power_of_ten = 10 ** n";
        std::string outer = "WRITE(*,*) '10 **', exponent";
        EXPECT_EQ(result.error, report(inner, "F6099: $DEBUG", "integer overflow in arithmetic",
                                       {"power_of_ten in " + position(inner),
                                        "main program in " + position(outer)}))
            << exponent;
        EXPECT_EQ(result.exit_code, 1) << exponent;
        // The outer WRITE never runs.
        std::string tail = "mean:       3.000000" + CRLF + "Give a power of ten:" + CRLF;
        ASSERT_GE(result.output.size(), tail.size());
        EXPECT_EQ(result.output.substr(result.output.size() - tail.size()), tail) << exponent;
    }
}

// On a terminal the READs end their prompts' lines before waiting: the same bytes.
TEST(Survey, ATerminalShowsTheSameBytes) {
    if (test::windows_build()) {
        GTEST_SKIP() << "wine's console on a terminal adds its own echo and cursor sequences";
    }
    test::TranscriptRun run;
    run.terminal = true;
    run.typed = {{OPENING.back() + CRLF, REPEATED_INPUT[0]},
                 {"Give five readings:" + CRLF, REPEATED_INPUT[1]},
                 {"Give a power of ten:" + CRLF, REPEATED_INPUT[2]}};
    test::TranscriptResult result = test::run_transcript(LNCALC_SURVEY_PATH, run);
    EXPECT_EQ(result.steps_typed, 3u);
    EXPECT_EQ(result.output, lines(OPENING + REPEATED_OUTPUT));
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.exit_code, 0);
}

} // namespace
} // namespace lnc
