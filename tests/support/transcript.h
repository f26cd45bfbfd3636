// Running a program as a child process and capturing its exact bytes, for tests of whole runs.
//
// run_transcript starts the program at `program` (no PATH search) with the arguments and the
// environment changes given, and returns what it wrote to standard output and standard error,
// byte for byte, with its exit code or the signal that ended it. Two ways to connect it:
//
// - Pipes (the default): standard input, output and error are pipes. `input` is fed to standard
//   input, which is then closed (end of input) unless `close_input` is false, in which case it
//   stays open, as an idle console would, until the program ends.
// - Terminal (`terminal` true): standard input and output are one pseudo-terminal, the child's
//   controlling terminal; standard error stays a pipe. The terminal is in line mode with echo
//   and output processing off, so `output` holds exactly the program's own bytes (an LF it
//   writes is not widened). `typed` is typed as a user would: each step waits until standard
//   output shows its `wait_for` text (searched after the previous step's match; empty: at
//   once), then sends its keys ("2\n" is a typed line, "\x04" at the start of a line an end of
//   input, "\x03" an interrupt; "\x1A" arrives as a Ctrl-Z byte since the suspend character is
//   off). Steps whose text never appears are not typed; `steps_typed` tells how many were.
//
// The child gets default signal dispositions and its own process group. A run that outlasts
// `timeout_ms` is killed with its whole process group and reported with `timed_out`; a test
// never hangs on it.
//
//     lnc::test::TranscriptRun run;
//     run.terminal = true;
//     run.typed = {{"? ", "2\n"}, {"", "\n"}};
//     lnc::test::TranscriptResult result = lnc::test::run_transcript(LNCALC_PROGRAM_PATH, run);
//     EXPECT_EQ(result.exit_code, 0);
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace lnc::test {

struct TypedStep {
    std::string wait_for; // output text to wait for before typing; empty: type at once
    std::string keys;     // the bytes typed
};

struct TranscriptRun {
    std::vector<std::string> arguments; // after the program name (argv[0] is the path)
    std::vector<std::pair<std::string, std::string>> set_environment; // NAME, value
    std::vector<std::string> unset_environment;                       // NAMEs removed
    std::string working_directory;                                    // empty: this one
    // Pipe mode.
    std::string input;
    bool close_input = true;
    // Terminal mode.
    bool terminal = false;
    std::vector<TypedStep> typed;
    int timeout_ms = 10000;
};

struct TranscriptResult {
    std::string output; // standard output (the terminal's side in terminal mode)
    std::string error;  // standard error
    int exit_code = -1; // -1 when a signal ended the program or it could not start
    int signal = 0;     // the signal that ended it, 0 if none
    bool timed_out = false;
    std::size_t steps_typed = 0;
    std::string failure; // why the program could not be started; empty when it ran
};

// With LNCALC_WINDOWS_BUILD naming the Windows build folder, a program of this build is run
// from there instead (its ".exe", through wine, or LNCALC_WINE): the same transcripts then
// check the Windows program. windows_build() tells a test which one it is checking. With
// LNCALC_AARCH64_BUILD the program of the aarch64 build runs under qemu-aarch64 (or LNCALC_QEMU)
// and must give the same bytes.
TranscriptResult run_transcript(const std::string& program, const TranscriptRun& run);
bool windows_build();

} // namespace lnc::test
