// The run-time prepared for an in-process test of the I/O engine: the private heap, the handle
// table with handles 0 to 2 captured (support/handle_capture.h), the unit table, the statement
// engine and a clean error state, made fresh for each test and released after it.
//
//     class ReadTest : public lnc::test::EngineTest {};
//
//     TEST_F(ReadTest, ValueAfterPrompt) {
//         start_engine({.console = lnc::test::Console::Terminal});
//         type("2\n");                                   // one typed line, arrives as "2\r\n"
//         lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
//         float x = 0;
//         lnc::read_item_real4(&x);
//         lnc::end_read();
//         EXPECT_EQ(x, 2.0f);
//     }
//
// The consoles a test can have:
// - Console::Pipes (the default): handles 0, 1 and 2 on pipes. Standard input and output are not
//   character devices, so output goes through the separate console output block (entry 63).
//   `input` is what standard input holds; it ends after it unless keep_input_open is set (then
//   feed() adds more and close_input() ends it).
// - Console::InputFile: standard input a temporary disk file holding `input`; 1 and 2 on pipes.
// - Console::Terminal: handles 0 and 1 on a pseudo-terminal (character devices: one shared
//   console block serves input and output), handle 2 on a pipe. type() sends keystrokes; "\n"
//   ends a typed line and reaches the program as CR LF, "\x04" at the start of a line is the end
//   of input.
//
// output() and error() return every byte written to handles 1 and 2 since the start.
//
// Ending the process: a run-time error report ends the process through exit_process. Run such
// code under exit_code_of() of support/exit_capture.h; the exit list holds close_all_units, as in
// the program, so the owed CR LF is written before the exit code comes back. After such an exit
// the units are closed and released; the test may inspect output but must not run statements.
//
// `arguments` become the command-line arguments (argv[1] onwards) that an implicit open of an
// unconnected unit takes its file names from.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lnc::test {

enum class Console { Pipes, InputFile, Terminal };

struct EngineOptions {
    Console console = Console::Pipes;
    std::string input = {};
    bool keep_input_open = false;
    std::vector<std::string> arguments = {};
};

class EngineSessionState;

// The prepared run-time for as long as the object lives (EngineTest holds one per test).
class EngineSession {
  public:
    explicit EngineSession(const EngineOptions& options = {});
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    std::string output();
    std::string error();
    void type(std::string_view keys);  // Console::Terminal
    void feed(std::string_view bytes); // Console::Pipes with keep_input_open
    void close_input();                // Console::Pipes with keep_input_open

  private:
    std::unique_ptr<EngineSessionState> state_;
};

// A test whose run-time is prepared by start_engine and released after the test.
class EngineTest : public ::testing::Test {
  protected:
    void start_engine(const EngineOptions& options = {});
    void TearDown() override;

    std::string output() { return session_->output(); }
    std::string error() { return session_->error(); }
    void type(std::string_view keys) { session_->type(keys); }
    void feed(std::string_view bytes) { session_->feed(bytes); }
    void close_input() { session_->close_input(); }

    std::unique_ptr<EngineSession> session_;
};

} // namespace lnc::test
