// The calculator's one value as users type it, run as a program: the forms that are accepted
// and where they may stand, and every malformed value with its numbered report.
#include <gtest/gtest.h>

#include <string>

#include "support/transcript.h"

namespace lnc {
namespace {

const std::string CRLF = "\r\n";
const std::string PROMPT = "Dogal logaritmasinin hesaplanmasini istediginiz degeri giriniz:";
const std::string PAUSE = "Programi sonlandirmak icin enter a basiniz.";

std::string result_line_of(const std::string& output) {
    std::size_t at = output.find("ln(");
    return at == std::string::npos ? "" : output.substr(at, output.find(CRLF, at) - at);
}

std::string read_report(const std::string& code, const std::string& message) {
    return CRLF + "run-time error " + code + ": READ(CON)" + CRLF + "- " + message + CRLF;
}

test::TranscriptResult on_pipes(const std::string& input) {
    test::TranscriptRun run;
    run.input = input;
    return test::run_transcript(LNCALC_PROGRAM_PATH, run);
}

struct Accepted {
    const char* input; // everything on standard input, the pause's reply included
    const char* line;
};

const Accepted ACCEPTED[] = {
    {"  2.5  \r\n\r\n", "ln(       2.500000)=   9.162908E-01"},
    {"2, 7\r\n\r\n", "ln(       2.000000)=   6.931472E-01"},
    {"1D+03\r\n\r\n", "ln(    1000.000000)=       6.907755"},
    {"1.0+3\r\n\r\n", "ln(    1000.000000)=       6.907755"},
    {"5-3\r\n\r\n", "ln(   5.000000E-03)=      -5.298317"},
    {".5\r\n\r\n", "ln(   5.000000E-01)=  -6.931472E-01"},
    {"3*2\r\n\r\n", "ln(       2.000000)=   6.931472E-01"},
    {"16#3*2\r\n\r\n", "ln(       2.000000)=   6.931472E-01"},
    // Blank lines and lines of blanks before the value are passed over.
    {"\r\n   \r\n\t\r\n2\r\n\r\n", "ln(       2.000000)=   6.931472E-01"},
    // Line ends of LF alone, and a last line (the reply) without any.
    {"\n\n2\n\n", "ln(       2.000000)=   6.931472E-01"},
    {"2\r\nx", "ln(       2.000000)=   6.931472E-01"},
};

TEST(ValueInput, AcceptedFormsGiveTheirResults) {
    for (const Accepted& c : ACCEPTED) {
        test::TranscriptResult result = on_pipes(c.input);
        EXPECT_EQ(result_line_of(result.output), c.line) << "input \"" << c.input << "\"";
        EXPECT_EQ(result.exit_code, 0) << "input \"" << c.input << "\"";
    }
}

// A null value keeps the variable's first value, 0, whose logarithm traps.
TEST(ValueInput, NullValuesKeepTheStartingZero) {
    for (const char* input : {",\r\n\r\n", "/\r\n\r\n", "3*,\r\n\r\n"}) {
        test::TranscriptResult result = on_pipes(input);
        EXPECT_EQ(result_line_of(result.output), "") << input;
        EXPECT_EQ(result.error, CRLF + "run-time error M6103: MATH" + CRLF +
                                    "- floating-point error: divide by zero" + CRLF)
            << input;
        EXPECT_EQ(result.exit_code, 1) << input;
    }
}

struct Refused {
    const char* input;
    const char* code;
};

const Refused REFUSED[] = {
    {"abc\r\n", "F6103"},  {"1.5e\r\n", "F6103"},  {"1e39\r\n", "F6104"}, {"1e400\r\n", "F6102"},
    {"'2'\r\n", "F6504"},  {"(1,2)\r\n", "F6504"}, {"*2\r\n", "F6502"},   {"0*2\r\n", "F6502"},
    {"-3*2\r\n", "F6502"}, {"3**2\r\n", "F6503"},  {"", "F6501"},         {"\x1A\r\n", "F6501"},
    {"\r\n\r\n", "F6501"},
};

TEST(ValueInput, MalformedValuesEndWithTheirReports) {
    for (const Refused& c : REFUSED) {
        test::TranscriptResult result = on_pipes(c.input);
        std::string shown = "\"" + std::string(c.input) + "\"";
        EXPECT_EQ(result_line_of(result.output), "") << shown;
        EXPECT_EQ(result.error.substr(0, 23), CRLF + "run-time error " + c.code + ":") << shown;
        EXPECT_NE(result.error.find(": READ(CON)" + CRLF + "- "), std::string::npos) << shown;
        EXPECT_EQ(result.exit_code, 1) << shown;
        // The prompt's line end is still written at exit.
        EXPECT_EQ(result.output.substr(result.output.size() - PROMPT.size() - 2), PROMPT + CRLF)
            << shown;
    }
}

TEST(ValueInput, ReportTextsOfTheDialogue) {
    EXPECT_EQ(on_pipes("abc\r\n").error, read_report("F6103", "invalid real value: not a number"));
    EXPECT_EQ(on_pipes("").error, read_report("F6501", "end of file encountered"));
}

// A value on the last line without a line end is read; the pause then meets the end of input.
TEST(ValueInput, ValueOnALastLineWithoutLineEnd) {
    test::TranscriptResult result = on_pipes("2");
    EXPECT_EQ(result_line_of(result.output), "ln(       2.000000)=   6.931472E-01");
    EXPECT_EQ(result.error.substr(0, 23), CRLF + "run-time error F6501:");
    EXPECT_EQ(result.exit_code, 1);
}

TEST(ValueInput, ValueLongerThanItsTokenIsRefusedNotCut) {
    std::string digits(300, '1');
    test::TranscriptResult result = on_pipes(digits + "\r\n\r\n");
    EXPECT_EQ(result.error.substr(0, 23), CRLF + "run-time error F6103:");
    EXPECT_EQ(result.exit_code, 1);
}

// On a terminal a line of 130 characters fits the console buffer with its CR LF; 131 do not.
TEST(ValueInput, ConsoleLineLimitOnATerminal) {
    if (test::windows_build()) {
        GTEST_SKIP() << "wine's console on a terminal adds its own echo and cursor sequences";
    }
    for (int length : {130, 131}) {
        test::TranscriptRun run;
        run.terminal = true;
        run.typed = {{PROMPT + CRLF, std::string(length - 1, ' ') + "2\n"}, {PAUSE + CRLF, "\n"}};
        test::TranscriptResult result = test::run_transcript(LNCALC_PROGRAM_PATH, run);
        if (length == 130) {
            EXPECT_EQ(result_line_of(result.output), "ln(       2.000000)=   6.931472E-01");
            EXPECT_EQ(result.exit_code, 0);
        } else {
            EXPECT_EQ(result.error.substr(0, 23), CRLF + "run-time error F6407:");
            EXPECT_EQ(result.exit_code, 1);
        }
    }
}

} // namespace
} // namespace lnc
