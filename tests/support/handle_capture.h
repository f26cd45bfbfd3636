// In-process capture of the standard handles of the handle table.
//
// HandleCapture points handles 0, 1 and 2 of the handle table (runtime/handles) at pipes for the
// life of the object: standard input is fed the bytes given (then closed, so a read past them is
// the end of input), and output() / error() return exactly the bytes written to handles 1 and 2
// so far. Handle 0 may instead be a temporary disk file holding the input. The slots get the
// flags start-up would give them (H_OPEN | H_TEXT, plus H_PIPE for pipes) and the platform's
// standard handles are pointed at them too; the previous entries come back on destruction.
//
// TerminalCapture puts handles 0 and 1 on a pseudo-terminal (character devices, H_DEVICE) and
// handle 2 on a pipe. The terminal is in line mode without echo and without output processing,
// so output() returns the program's own bytes; type() sends keystrokes as a user would ("12\n"
// is one typed line, "\x04" at the start of a line is an end of input, "\x1A" is a Ctrl-Z byte
// since the suspend character is off).
//
// Both create the handle table with init_handles when it does not exist yet. Output is drained
// continuously, so any amount may be written. Use them on the test's own thread, one at a time:
//
//     lnc::test::HandleCapture capture("2\n");
//     char line[16];
//     int n = lnc::read_bytes(0, line, sizeof line);  // "2\n" in text mode
//     lnc::write_bytes(1, "x\n", 2);
//     EXPECT_EQ(capture.output(), "x\r\n");
#pragma once
#include <memory>
#include <string>
#include <string_view>

namespace lnc::test {

enum class InputKind { Pipe, File };

struct CaptureOptions {
    std::string input; // the bytes standard input holds
    InputKind input_kind = InputKind::Pipe;
    bool keep_input_open = false;     // Pipe only: more may come with feed(); a read that
                                      // finds the pipe empty then waits for it
    bool output_shares_error = false; // handles 1 and 2 hold one and the same pipe
};

class OutputDrain;
class StandardSlots;

class HandleCapture {
  public:
    explicit HandleCapture(std::string_view input = {});
    explicit HandleCapture(const CaptureOptions& options);
    ~HandleCapture();
    HandleCapture(const HandleCapture&) = delete;
    HandleCapture& operator=(const HandleCapture&) = delete;

    std::string output(); // every byte written to handle 1 so far
    std::string error();  // every byte written to handle 2 so far (output() when shared)
    void feed(std::string_view bytes); // keep_input_open only
    void close_input();                // ends the input after what was fed

  private:
    std::unique_ptr<StandardSlots> slots_;
    std::unique_ptr<OutputDrain> out_;
    std::unique_ptr<OutputDrain> err_;
    int input_writer_ = -1;
    bool shared_ = false;
};

class TerminalCapture {
  public:
    TerminalCapture();
    ~TerminalCapture();
    TerminalCapture(const TerminalCapture&) = delete;
    TerminalCapture& operator=(const TerminalCapture&) = delete;

    void type(std::string_view keys);
    std::string output(); // what reached the terminal through handle 1 (waits for it to settle)
    std::string error();  // every byte written to handle 2 so far

  private:
    std::unique_ptr<StandardSlots> slots_;
    std::unique_ptr<OutputDrain> out_;
    std::unique_ptr<OutputDrain> err_;
    int master_ = -1;
};

} // namespace lnc::test
