// The closing pause of the calculator, run as a program: what each reply runs, what it prints and
// how the program ends.
#include <gtest/gtest.h>

#include <string>

#include "support/transcript.h"

namespace lnc {
namespace {

const std::string CRLF = "\r\n";
const std::string PAUSE = "Programi sonlandirmak icin enter a basiniz.";
const std::string RESULT = "ln(       2.000000)=   6.931472E-01";

// Everything the program writes after the result line: the blank line, the pause (which ends
// the blank line first), what the command printed, and the line end still owed at exit.
std::string after_the_result(const std::string& command_output) {
    return RESULT + CRLF + CRLF + PAUSE + CRLF + command_output + CRLF;
}

// The interpreter's own line end: the shell writes LF, the Windows interpreter CR LF.
std::string line(const std::string& text) {
    return text + (test::windows_build() ? CRLF : "\n");
}

std::string tail_of(const std::string& output) {
    std::size_t at = output.find(RESULT);
    return at == std::string::npos ? output : output.substr(at);
}

// The value 2, then the reply, on pipes; the interpreter is the shell found along PATH.
test::TranscriptResult reply_on_pipes(const std::string& reply) {
    test::TranscriptRun run;
    run.input = "2\r\n" + reply;
    run.unset_environment = {"COMSPEC"};
    run.set_environment = {{"PATH", "/usr/bin:/bin"}};
    return test::run_transcript(LNCALC_PROGRAM_PATH, run);
}

TEST(Pause, EmptyReplyEndsNormally) {
    for (const char* reply : {"\r\n", "\n", " \t \r\n", "x\r\n"}) {
        test::TranscriptResult result = reply_on_pipes(reply);
        EXPECT_EQ(tail_of(result.output), after_the_result("")) << "reply \"" << reply << "\"";
        EXPECT_EQ(result.error, "");
        EXPECT_EQ(result.exit_code, 0);
    }
}

TEST(Pause, CommandWithTrailingBlanksRuns) {
    test::TranscriptResult result = reply_on_pipes("echo hi   \t\r\n");
    EXPECT_EQ(tail_of(result.output), after_the_result(line("hi")));
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.exit_code, 0);
}

TEST(Pause, FailingCommandStillEndsWithZero) {
    test::TranscriptResult result =
        reply_on_pipes(test::windows_build() ? "echo out& echo err>&2& exit 3\r\n"
                                             : "echo out; echo err >&2; exit 3\r\n");
    EXPECT_EQ(tail_of(result.output), after_the_result(line("out")));
    EXPECT_EQ(result.error, line("err"));
    EXPECT_EQ(result.exit_code, 0);
}

TEST(Pause, CommandThatCannotStartEndsWithZero) {
    test::TranscriptRun run;
    if (test::windows_build()) {
        GTEST_SKIP() << "wine sets COMSPEC itself; the Windows tests cover this in-process";
    }
    run.input = "2\r\necho hi\r\n";
    run.set_environment = {{"COMSPEC", "/nonexistent/sh"}, {"PATH", "/nonexistent"}};
    test::TranscriptResult result = test::run_transcript(LNCALC_PROGRAM_PATH, run);
    EXPECT_EQ(tail_of(result.output), after_the_result(""));
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.exit_code, 0);
}

TEST(Pause, ComspecNamesTheInterpreter) {
    test::TranscriptRun run;
    run.input = "2\r\n  echo  via  comspec\r\n";
    run.set_environment = {
        {"COMSPEC", test::windows_build() ? "C:\\windows\\system32\\cmd.exe" : "/bin/sh"},
        {"PATH", "/nonexistent"}};
    test::TranscriptResult result = test::run_transcript(LNCALC_PROGRAM_PATH, run);
    // The reply reaches the interpreter unchanged, leading blanks included.
    EXPECT_EQ(
        tail_of(result.output),
        after_the_result(test::windows_build() ? line(" via  comspec") : line("via comspec")));
    EXPECT_EQ(result.exit_code, 0);
}

TEST(Pause, EndOfRedirectedInputIsReported) {
    test::TranscriptResult result = reply_on_pipes("");
    // The report ends the program through the exit list, which still ends the open line.
    EXPECT_EQ(tail_of(result.output), after_the_result(""));
    EXPECT_EQ(result.error, CRLF + "run-time error F6501: WRITE(CON)" + CRLF +
                                "- end of file encountered" + CRLF);
    EXPECT_EQ(result.exit_code, 1);
}

TEST(Pause, LongRedirectedReplyKeeps128Characters) {
    // 200 characters: "echo " and 195 letters, of which 123 are kept.
    test::TranscriptResult result = reply_on_pipes("echo " + std::string(195, 'a') + "\r\n");
    EXPECT_EQ(tail_of(result.output), after_the_result(line(std::string(123, 'a'))));
    EXPECT_EQ(result.exit_code, 0);
}

TEST(Pause, TypedCommandRunsOnTheTerminal) {
    if (test::windows_build()) {
        GTEST_SKIP() << "wine's console on a terminal adds its own echo and cursor sequences";
    }
    test::TranscriptRun run;
    run.terminal = true;
    run.unset_environment = {"COMSPEC"};
    run.set_environment = {{"PATH", "/usr/bin:/bin"}};
    run.typed = {{"giriniz:" + CRLF, "2\n"}, {PAUSE + CRLF, "echo typed\n"}};
    test::TranscriptResult result = test::run_transcript(LNCALC_PROGRAM_PATH, run);
    EXPECT_EQ(result.steps_typed, 2u);
    EXPECT_EQ(tail_of(result.output), after_the_result("typed\n"));
    EXPECT_EQ(result.exit_code, 0);
}

} // namespace
} // namespace lnc
