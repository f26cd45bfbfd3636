// The calculator's whole dialogue, run as a program on pipes and on a terminal: every byte of
// standard output and standard error, and the exit code.
#include <gtest/gtest.h>

#include <string>

#include "support/transcript.h"

namespace lnc {
namespace {

const std::string CRLF = "\r\n";
const std::string BANNER[7] = {
    "*****  *****  *****        *   *****   *",
    "  *    *      *           **       *  **",
    "  *    *      *          * *      *    *",
    "  *    ****   ****      *  *     *     *",
    "  *    *      *         *****    *     *",
    "  *    *      *            *     *     *",
    "  *    *****  *            *     *    ***   Quorvaltemsin",
};
const std::string PROMPT = "Dogal logaritmasinin hesaplanmasini istediginiz degeri giriniz:";
const std::string PAUSE = "Programi sonlandirmak icin enter a basiniz.";

// Everything up to the line end that the READ owes the prompt.
std::string before_the_value() {
    std::string text = BANNER[0];
    for (int i = 1; i < 7; ++i) {
        text += CRLF + BANNER[i];
    }
    return text + CRLF + CRLF + PROMPT + CRLF;
}

// The result line, the blank line, the pause (which ends the blank line first) and the line end
// still owed at exit.
std::string whole_dialogue(const std::string& result_line) {
    return before_the_value() + result_line + CRLF + CRLF + PAUSE + CRLF + CRLF;
}

std::string math_report(const std::string& code, const std::string& text) {
    return CRLF + "run-time error " + code + ": MATH" + CRLF + "- floating-point error: " + text +
           CRLF;
}

test::TranscriptResult on_pipes(const std::string& input) {
    test::TranscriptRun run;
    run.input = input;
    return test::run_transcript(LNCALC_PROGRAM_PATH, run);
}

// The value is typed once the prompt's line has ended, the reply once the pause message shows.
test::TranscriptResult on_terminal(const std::string& value) {
    test::TranscriptRun run;
    run.terminal = true;
    run.typed = {{PROMPT + CRLF, value + "\n"}, {PAUSE + CRLF, "\n"}};
    return test::run_transcript(LNCALC_PROGRAM_PATH, run);
}

struct Worked {
    const char* input;
    const char* line;
};

const Worked WORKED[] = {
    {"2", "ln(       2.000000)=   6.931472E-01"},
    {"10", "ln(      10.000000)=       2.302585"},
    {"0.5", "ln(   5.000000E-01)=  -6.931472E-01"},
    {"1e-3", "ln(   1.000000E-03)=      -6.907755"},
    {"1", "ln(       1.000000)=   0.000000E+00"},
    {"100", "ln(     100.000000)=       4.605170"},
    {"12345678", "ln(   1.234568E+07)=      16.328820"},
    {"1234567", "ln( 1234567.000000)=      14.026230"},
    {"2.718282", "ln(       2.718282)=       1.000000"},
    {"2.7182818", "ln(       2.718282)=       1.000000"},
    {"51", "ln(      51.000000)=       3.931826"},
    // 2^-149: the smallest subnormal goes through the logarithm without a trap.
    {"1e-45", "ln(   1.401298E-45)=    -103.278900"},
};

TEST(Dialogue, EveryWorkedResultOnPipes) {
    for (const Worked& row : WORKED) {
        test::TranscriptResult result = on_pipes(std::string(row.input) + "\r\n\r\n");
        EXPECT_EQ(result.output, whole_dialogue(row.line)) << row.input;
        EXPECT_EQ(result.error, "") << row.input;
        EXPECT_EQ(result.exit_code, 0) << row.input;
    }
}

// A console gives the same bytes: the READ ends the prompt's line before waiting, instead of the
// result line ending it.
TEST(Dialogue, EveryWorkedResultOnATerminal) {
    if (test::windows_build()) {
        GTEST_SKIP() << "wine's console on a terminal adds its own echo and cursor sequences";
    }
    for (const Worked& row : WORKED) {
        test::TranscriptResult result = on_terminal(row.input);
        EXPECT_EQ(result.steps_typed, 2u) << row.input;
        EXPECT_EQ(result.output, whole_dialogue(row.line)) << row.input;
        EXPECT_EQ(result.error, "") << row.input;
        EXPECT_EQ(result.exit_code, 0) << row.input;
    }
}

TEST(Dialogue, LinesEndedByLineFeedAloneGiveTheSameBytes) {
    test::TranscriptResult result = on_pipes("  2  \n\n");
    EXPECT_EQ(result.output, whole_dialogue(WORKED[0].line));
    EXPECT_EQ(result.exit_code, 0);
}

struct Trapped {
    const char* input;
    const char* code;
    const char* text;
};

// Zero, a value that rounds to zero in single precision, and negative values never reach the
// result line; the line end owed to the prompt is still written at exit.
const Trapped TRAPPED[] = {
    {"0", "M6103", "divide by zero"},     {"-0", "M6103", "divide by zero"},
    {"1e-50", "M6103", "divide by zero"}, {"-1", "M6101", "invalid"},
    {"-1e-45", "M6101", "invalid"},       {"-3e38", "M6101", "invalid"},
};

TEST(Dialogue, LogarithmOfZeroOrANegativeValueEndsWithTheFloatingPointReport) {
    for (const Trapped& row : TRAPPED) {
        for (bool terminal : {false, true}) {
            if (terminal && test::windows_build()) {
                continue; // wine's console on a terminal adds its own echo and cursor sequences
            }
            test::TranscriptResult result =
                terminal ? on_terminal(row.input) : on_pipes(std::string(row.input) + "\r\n\r\n");
            EXPECT_EQ(result.output, before_the_value()) << row.input << terminal;
            EXPECT_EQ(result.error, math_report(row.code, row.text)) << row.input << terminal;
            EXPECT_EQ(result.exit_code, 1) << row.input << terminal;
        }
    }
}

TEST(Dialogue, TextThatIsNotANumberIsAReadError) {
    test::TranscriptResult result = on_pipes("abc\r\n\r\n");
    EXPECT_EQ(result.output, before_the_value());
    EXPECT_EQ(result.error.rfind(CRLF + "run-time error F6103: READ(CON)" + CRLF + "- ", 0), 0u)
        << result.error;
    EXPECT_EQ(result.exit_code, 1);
}

TEST(Dialogue, EndOfInputBeforeTheValueIsAReadError) {
    test::TranscriptResult result = on_pipes("");
    EXPECT_EQ(result.output, before_the_value());
    EXPECT_EQ(result.error.rfind(CRLF + "run-time error F6501: READ(CON)" + CRLF + "- ", 0), 0u)
        << result.error;
    EXPECT_EQ(result.exit_code, 1);
}

// With standard input redirected, the pause reads its reply from the input records: their end
// is an error of the last statement, the WRITE of the blank line.
TEST(Dialogue, EndOfRedirectedInputAtThePauseIsAnError) {
    test::TranscriptResult result = on_pipes("2\r\n");
    EXPECT_EQ(
        result.output.rfind(before_the_value() + WORKED[0].line + CRLF + CRLF + PAUSE + CRLF, 0),
        0u);
    EXPECT_EQ(result.error.rfind(CRLF + "run-time error F6501: WRITE(CON)" + CRLF + "- ", 0), 0u)
        << result.error;
    EXPECT_EQ(result.exit_code, 1);
}

// An end of input typed at the pause counts as an empty reply on a console.
TEST(Dialogue, EndOfInputTypedAtThePauseEndsNormally) {
    if (test::windows_build()) {
        GTEST_SKIP() << "wine's console on a terminal adds its own echo and cursor sequences";
    }
    test::TranscriptRun run;
    run.terminal = true;
    run.typed = {{PROMPT + CRLF, "2\n"}, {PAUSE + CRLF, "\x04"}};
    test::TranscriptResult result = test::run_transcript(LNCALC_PROGRAM_PATH, run);
    EXPECT_EQ(result.output, whole_dialogue(WORKED[0].line));
    EXPECT_EQ(result.exit_code, 0);
}

} // namespace
} // namespace lnc
