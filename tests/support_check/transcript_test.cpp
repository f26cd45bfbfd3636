// The transcript runner itself, tried on the shell and small system programs.
#include "support/transcript.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>

namespace lnc::test {
namespace {

TranscriptRun shell(const std::string& script) {
    TranscriptRun run;
    run.arguments = {"-c", script};
    return run;
}

TEST(Transcript, CapturesOutputErrorAndExitCode) {
    TranscriptRun run = shell("cat; printf 'e\\r\\n' >&2; exit 3");
    run.input = std::string("in\0put\r\n", 8);
    TranscriptResult result = run_transcript("/bin/sh", run);
    EXPECT_EQ(result.failure, "");
    EXPECT_EQ(result.output, std::string("in\0put\r\n", 8));
    EXPECT_EQ(result.error, "e\r\n");
    EXPECT_EQ(result.exit_code, 3);
    EXPECT_EQ(result.signal, 0);
    EXPECT_FALSE(result.timed_out);
}

TEST(Transcript, PassesArgumentsAsGiven) {
    TranscriptRun run;
    run.arguments = {"a  b", "", "c"};
    TranscriptResult result = run_transcript("/bin/echo", run);
    EXPECT_EQ(result.output, "a  b  c\n");
    EXPECT_EQ(result.exit_code, 0);
}

TEST(Transcript, ChangesTheEnvironment) {
    setenv("LNCALC_TRANSCRIPT_KEPT", "kept", 1);
    setenv("LNCALC_TRANSCRIPT_GONE", "gone", 1);
    TranscriptRun run = shell("printf '%s|%s|%s' \"$LNCALC_TRANSCRIPT_KEPT\" "
                              "\"${LNCALC_TRANSCRIPT_GONE-unset}\" \"$COMSPEC\"");
    run.unset_environment = {"LNCALC_TRANSCRIPT_GONE"};
    run.set_environment = {{"COMSPEC", "/bin/sh"}};
    TranscriptResult result = run_transcript("/bin/sh", run);
    EXPECT_EQ(result.output, "kept|unset|/bin/sh");
}

TEST(Transcript, RunsInTheWorkingDirectoryGiven) {
    TranscriptRun run;
    run.working_directory = "/";
    EXPECT_EQ(run_transcript("/bin/pwd", run).output, "/\n");
}

TEST(Transcript, ReportsASignalAndAProgramThatCannotStart) {
    TranscriptResult killed = run_transcript("/bin/sh", shell("kill -TERM $$"));
    EXPECT_EQ(killed.signal, SIGTERM);
    EXPECT_EQ(killed.exit_code, -1);
    TranscriptResult missing = run_transcript("/nonexistent/program", TranscriptRun{});
    EXPECT_NE(missing.failure, "");
    EXPECT_EQ(missing.exit_code, -1);
}

TEST(Transcript, KillsARunThatOutlastsItsTime) {
    TranscriptRun run = shell("echo started; sleep 30 & wait");
    run.timeout_ms = 1000;
    auto start = std::chrono::steady_clock::now();
    TranscriptResult result = run_transcript("/bin/sh", run);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(result.timed_out);
    EXPECT_EQ(result.signal, SIGKILL);
    EXPECT_EQ(result.output, "started\n");
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(Transcript, InputLeftOpenIsNotAnEndOfInput) {
    TranscriptRun run = shell("read line; echo \"got $line\"");
    run.input = "hi\n";
    run.close_input = false;
    EXPECT_EQ(run_transcript("/bin/sh", run).output, "got hi\n");
    TranscriptRun waiting;
    waiting.input = "partial";
    waiting.close_input = false;
    waiting.timeout_ms = 1000;
    TranscriptResult result = run_transcript("/bin/cat", waiting);
    EXPECT_TRUE(result.timed_out);
    EXPECT_EQ(result.output, "partial");
}

TEST(Transcript, LargeInputAndOutputDoNotStall) {
    std::string input(300000, 'x');
    for (std::size_t i = 0; i < input.size(); i += 77) {
        input[i] = '\n';
    }
    TranscriptRun run;
    run.input = input;
    TranscriptResult result = run_transcript("/bin/cat", run);
    EXPECT_EQ(result.output, input);
    TranscriptResult zeros = run_transcript("/bin/sh", shell("head -c 200000 /dev/zero >&2"));
    EXPECT_EQ(zeros.error, std::string(200000, '\0'));
}

TEST(Transcript, TerminalModeTypesLinesWhenThePromptAppears) {
    TranscriptRun run = shell("test -t 0 && test -t 1 && ! test -t 2 && echo tty; "
                              "printf 'value? '; read x; printf 'again? '; read y; "
                              "echo \"[$x][$y]\"");
    run.terminal = true;
    run.typed = {{"value? ", "42\n"}, {"again? ", "ab cd\n"}};
    TranscriptResult result = run_transcript("/bin/sh", run);
    // Neither echo nor CR insertion: only what the program wrote.
    EXPECT_EQ(result.output, "tty\nvalue? again? [42][ab cd]\n");
    EXPECT_EQ(result.steps_typed, 2u);
    EXPECT_EQ(result.exit_code, 0);
}

TEST(Transcript, TerminalEndOfInputAndInterrupt) {
    TranscriptRun run = shell("cat; echo done");
    run.terminal = true;
    run.typed = {{"", "abc\n"}, {"abc", "\x04"}};
    TranscriptResult result = run_transcript("/bin/sh", run);
    EXPECT_EQ(result.output, "abc\ndone\n");
    TranscriptRun interrupted = shell("echo ready; sleep 20");
    interrupted.terminal = true;
    interrupted.typed = {{"ready", "\x03"}};
    TranscriptResult stopped = run_transcript("/bin/sh", interrupted);
    EXPECT_EQ(stopped.signal, SIGINT);
    EXPECT_FALSE(stopped.timed_out);
}

TEST(Transcript, AStepWhoseTextNeverAppearsIsNotTyped) {
    TranscriptRun run = shell("echo one; read x; echo \"[$x]\"");
    run.terminal = true;
    run.typed = {{"one", "\n"}, {"two", "x\n"}};
    TranscriptResult result = run_transcript("/bin/sh", run);
    EXPECT_EQ(result.output, "one\n[]\n");
    EXPECT_EQ(result.steps_typed, 1u);
    EXPECT_EQ(result.exit_code, 0);
}

} // namespace
} // namespace lnc::test
