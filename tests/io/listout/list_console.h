// A console for list-directed statements run in-process: the unit layer over captured standard
// handles (pipes, or a terminal), set up as start-up does and closed as the exit does.
#pragma once
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "support/handle_capture.h"

namespace lnc::test {

inline std::uint32_t bits_of(float value) {
    return std::bit_cast<std::uint32_t>(value);
}
inline std::uint64_t bits_of(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

enum class Console { Pipes, Terminal };

class ListConsole {
  public:
    explicit ListConsole(std::string_view input = {}, Console kind = Console::Pipes) {
        if (kind == Console::Terminal) {
            terminal_ = std::make_unique<TerminalCapture>();
        } else {
            pipes_ = std::make_unique<HandleCapture>(input);
        }
        error_state = ErrorState{};
        init_statement_engine();
        init_units();
    }
    ~ListConsole() { close(); }
    ListConsole(const ListConsole&) = delete;
    ListConsole& operator=(const ListConsole&) = delete;

    // Runs the exit's unit shutdown (the CR LF owed to an open console line).
    void close() {
        if (!closed_) {
            closed_ = true;
            close_all_units();
            error_state.in_shutdown = 0;
        }
    }
    void type(std::string_view keys) { terminal_->type(keys); }
    std::string output() { return pipes_ ? pipes_->output() : terminal_->output(); }
    std::string error() { return pipes_ ? pipes_->error() : terminal_->error(); }

  private:
    std::unique_ptr<HandleCapture> pipes_;
    std::unique_ptr<TerminalCapture> terminal_;
    bool closed_ = false;
};

// Statement flags of begin_read: the statement handles end of file and errors itself.
inline constexpr int READ_BRANCHES = 1 | 4;

} // namespace lnc::test
