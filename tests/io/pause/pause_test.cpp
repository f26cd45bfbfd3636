// The pause statement run in a child process started the way the program starts: its prompt
// bytes, which replies run a command, the reply limits on redirected and terminal input, and its
// failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "io/pause/pause.h"
#include "io/units/units.h"
#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"

namespace {

const char MESSAGE[] = "Programi sonlandirmak icin enter a basiniz.";
const char DEFAULT_PROMPT[] =
    "Pause - Please enter a blank line (to continue) or a DOS command.\r\n";

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// What the body of the child's main program does; set before each fork.
std::function<void()> child_body;

int child_main(int, char**, char**) {
    child_body();
    return 0;
}

struct Outcome {
    int exit_code;
    std::string out;
    std::string err;
    std::string log; // what the interpreter was given, one "|"-separated line per run
};

enum class Input { Redirected, Terminal };

class PauseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/lncalc_pause_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        interpreter_ = root_ + "/interp";
        write_text(interpreter_, "#!/bin/sh\nprintf '%s|' \"$@\" >> '" + root_ +
                                     "/log'\necho >> '" + root_ + "/log'\nexec /bin/sh \"$@\"\n");
        ASSERT_EQ(chmod(interpreter_.c_str(), 0755), 0);
    }

    void TearDown() override {
        std::string command = "rm -rf '" + root_ + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    // Runs body as the main program of a freshly started run-time in a child process, with the
    // given bytes as its standard input (a file, or typed at a terminal).
    Outcome run(std::function<void()> body, const std::string& input,
                Input kind = Input::Redirected) {
        std::string in_path = root_ + "/in", out_path = root_ + "/out", err_path = root_ + "/err";
        write_text(in_path, input);
        int master = -1, terminal = -1;
        if (kind == Input::Terminal)
            open_terminal(input, &master, &terminal);
        child_body = std::move(body);
        std::fflush(nullptr);
        pid_t child = fork();
        if (child == 0) {
            int in = kind == Input::Terminal ? terminal : open(in_path.c_str(), O_RDONLY);
            int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
                dup2(err, 2) < 0)
                _exit(101);
            setenv("COMSPEC", interpreter_.c_str(), 1);
            setenv("PATH", "/usr/bin:/bin", 1);
            char name[] = "lncalc";
            char* argv[] = {name, nullptr};
            lnc::process_entry(1, argv, child_main);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (master >= 0) {
            close(master);
            close(terminal);
        }
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status),
                read_text(out_path), read_text(err_path), read_text(root_ + "/log")};
    }

    // A terminal whose line discipline already holds the typed bytes, without echo.
    void open_terminal(const std::string& typed, int* master, int* terminal) {
        *master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(*master, 0);
        ASSERT_EQ(grantpt(*master), 0);
        ASSERT_EQ(unlockpt(*master), 0);
        *terminal = open(ptsname(*master), O_RDWR | O_NOCTTY);
        ASSERT_GE(*terminal, 0);
        termios modes;
        ASSERT_EQ(tcgetattr(*terminal, &modes), 0);
        modes.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ASSERT_EQ(tcsetattr(*terminal, TCSANOW, &modes), 0);
        ASSERT_EQ(write(*master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    }

    std::string root_;
    std::string interpreter_;
};

void pause_with_message() {
    lnc::pause_statement(43, MESSAGE);
}

const std::string PROMPT = std::string(MESSAGE) + "\r\n";

// ---- replies that run nothing ----

TEST_F(PauseTest, ShortRepliesRunNothing) {
    const char* replies[] = {"\n", "\r\n", "   \t \t \r\n", "x\r\n", "x \t  \n", "\t\n"};
    for (const char* reply : replies) {
        Outcome outcome = run(pause_with_message, reply);
        EXPECT_EQ(outcome.exit_code, 0) << "reply \"" << reply << "\"";
        EXPECT_EQ(outcome.out, PROMPT) << "reply \"" << reply << "\"";
        EXPECT_EQ(outcome.err, "");
        EXPECT_EQ(outcome.log, "") << "reply \"" << reply << "\"";
    }
}

TEST_F(PauseTest, DefaultPromptWhenThereIsNoMessage) {
    Outcome outcome = run([] { lnc::pause_statement(0, nullptr); }, "\r\n");
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.out, DEFAULT_PROMPT);
}

TEST_F(PauseTest, EmptyMessageWritesJustTheLineEnd) {
    Outcome outcome = run([] { lnc::pause_statement(0, MESSAGE); }, "\r\n");
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.out, "\r\n");
}

TEST_F(PauseTest, MessageLengthIsHonouredWithoutTerminator) {
    Outcome outcome = run([] { lnc::pause_statement(8, "Programi sonlandirmak"); }, "\r\n");
    EXPECT_EQ(outcome.out, "Programi\r\n");
}

TEST_F(PauseTest, PendingConsoleLineIsEndedFirst) {
    Outcome outcome = run(
        [] {
            lnc::UnitBlock* output = lnc::unit_table[lnc::ENTRY_CONSOLE_OUTPUT].block;
            if (output == nullptr)
                output = lnc::unit_table[lnc::ENTRY_CONSOLE].block;
            output->flags |= lnc::LINE_PENDING;
            pause_with_message();
        },
        "\r\n");
    EXPECT_EQ(outcome.exit_code, 0);
    // The flag stays set, so the exit still owes the line its CR LF.
    EXPECT_EQ(outcome.out, "\r\n" + PROMPT + "\r\n");
}

// ---- replies that run ----

TEST_F(PauseTest, CommandRunsWithoutTrailingBlanks) {
    Outcome outcome = run(pause_with_message, "echo hi   \t \r\n");
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.out, PROMPT + "hi\n");
    EXPECT_EQ(outcome.log, "-c|echo hi|\n");
}

TEST_F(PauseTest, LeadingBlanksAreKept) {
    Outcome outcome = run(pause_with_message, "   echo lead\n");
    EXPECT_EQ(outcome.out, PROMPT + "lead\n");
    EXPECT_EQ(outcome.log, "-c|   echo lead|\n");
    // A blank and one character make two characters: they are run.
    outcome = run(pause_with_message, " :\n");
    EXPECT_EQ(outcome.log, "-c|   echo lead|\n-c| :|\n");
}

TEST_F(PauseTest, ExitCodeIsIgnoredAndThereIsNoSecondPrompt) {
    Outcome outcome = run(
        [] {
            pause_with_message();
            lnc::console_write("after\r\n");
        },
        "exit 3\r\nleft\r\n");
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.out, PROMPT + "after\r\n");
    EXPECT_EQ(outcome.log, "-c|exit 3|\n");
}

TEST_F(PauseTest, CommandThatCannotStartIsIgnored) {
    Outcome outcome = run(
        [] {
            static char comspec[] = "COMSPEC=/nonexistent/interp";
            static char path[] = "PATH=/nonexistent";
            static char* environment[] = {comspec, path, nullptr};
            lnc::process_state.environment = environment;
            pause_with_message();
            lnc::console_write("after\r\n");
        },
        "echo hi\r\n");
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.out, PROMPT + "after\r\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.log, "");
}

TEST_F(PauseTest, RedirectedReplyKeepsItsFirst128Characters) {
    std::string reply = "echo " + std::string(195, 'a'); // 200 characters
    Outcome outcome = run(
        [] {
            pause_with_message();
            pause_with_message();
        },
        reply + "\r\necho second\r\n");
    EXPECT_EQ(outcome.exit_code, 0);
    // The rest of the long line is dropped; the next pause reads the next line.
    EXPECT_EQ(outcome.out, PROMPT + std::string(123, 'a') + "\n" + PROMPT + "second\n");
    EXPECT_EQ(outcome.log, "-c|echo " + std::string(123, 'a') + "|\n-c|echo second|\n");
}

TEST_F(PauseTest, EndOfRedirectedInputIsReported) {
    Outcome outcome = run(pause_with_message, "");
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_EQ(outcome.out.substr(0, PROMPT.size()), PROMPT);
    EXPECT_NE(outcome.err.find("6501"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.log, "");
}

TEST_F(PauseTest, FailedMessageCopyIsReported) {
    Outcome outcome = run(
        [] {
            lnc::fail_allocation_after(1);
            pause_with_message();
        },
        "echo no\r\n");
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_NE(outcome.err.find("6700"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.log, "");
}

// ---- typed at a terminal ----

TEST_F(PauseTest, TerminalLongLineLeavesTheRestForTheNextRead) {
    std::string typed = "echo " + std::string(195, 'b') + "\n";
    Outcome outcome = run(
        [] {
            pause_with_message();
            pause_with_message();
        },
        typed, Input::Terminal);
    EXPECT_EQ(outcome.exit_code, 0);
    // The line end counts against the 128 bytes read, so 126 characters are kept and the two
    // places kept for it are dropped; the second pause reads the rest of the typed line.
    EXPECT_EQ(outcome.log,
              "-c|echo " + std::string(121, 'b') + "|\n-c|" + std::string(72, 'b') + "|\n");
}

TEST_F(PauseTest, TerminalEndOfFileIsAnEmptyReply) {
    Outcome outcome = run(pause_with_message, "\x04", Input::Terminal);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.out, PROMPT);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.log, "");
}

TEST_F(PauseTest, TerminalCommandRuns) {
    Outcome outcome = run(pause_with_message, "echo typed\n", Input::Terminal);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.log, "-c|echo typed|\n");
    EXPECT_EQ(outcome.out, PROMPT + "typed\n");
}

} // namespace
