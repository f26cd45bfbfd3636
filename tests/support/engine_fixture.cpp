// The prepared run-time of in-process engine tests: set up per test, released after it.
#include "support/engine_fixture.h"

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"
#include "support/handle_capture.h"

namespace lnc::test {

class EngineSessionState {
  public:
    std::unique_ptr<HandleCapture> pipes;
    std::unique_ptr<TerminalCapture> terminal;
    std::vector<std::string> arguments;
    std::vector<char*> argv;
    ProcessState saved_process;
    int saved_exit_count = 0;
};

namespace {

void prepare_heap() {
    static bool created = false;
    if (!created) {
        created = create_process_heap();
        ASSERT_TRUE(created);
    }
}

void capture_handles(EngineSessionState& state, const EngineOptions& options) {
    if (options.console == Console::Terminal) {
        state.terminal = std::make_unique<TerminalCapture>();
        return;
    }
    CaptureOptions capture;
    capture.input = options.input;
    capture.input_kind = options.console == Console::InputFile ? InputKind::File : InputKind::Pipe;
    capture.keep_input_open = options.keep_input_open;
    state.pipes = std::make_unique<HandleCapture>(capture);
}

void set_arguments(EngineSessionState& state, const EngineOptions& options) {
    state.saved_process = process_state;
    state.arguments.push_back("lncalc");
    for (const std::string& argument : options.arguments)
        state.arguments.push_back(argument);
    for (std::string& argument : state.arguments)
        state.argv.push_back(argument.data());
    state.argv.push_back(nullptr);
    process_state.argc = static_cast<int>(state.arguments.size());
    process_state.argv = state.argv.data();
}

} // namespace

EngineSession::EngineSession(const EngineOptions& options)
    : state_(std::make_unique<EngineSessionState>()) {
    prepare_heap();
    capture_handles(*state_, options);
    set_arguments(*state_, options);
    error_state = ErrorState{};
    init_units();
    init_statement_engine();
    // As in the program, the units are closed by the exit sequence.
    state_->saved_exit_count = exit_list.count;
    at_exit(close_all_units);
}

EngineSession::~EngineSession() {
    if (exit_list.count > state_->saved_exit_count)
        exit_list.count = state_->saved_exit_count;
    if (error_state.in_shutdown == 0)
        close_all_units();
    error_state = ErrorState{};
    fail_allocation_after(0);
    process_state.argc = state_->saved_process.argc;
    process_state.argv = state_->saved_process.argv;
}

std::string EngineSession::output() {
    return state_->terminal ? state_->terminal->output() : state_->pipes->output();
}

std::string EngineSession::error() {
    return state_->terminal ? state_->terminal->error() : state_->pipes->error();
}

void EngineSession::type(std::string_view keys) {
    ASSERT_TRUE(state_->terminal) << "type() needs Console::Terminal";
    state_->terminal->type(keys);
}

void EngineSession::feed(std::string_view bytes) {
    ASSERT_TRUE(state_->pipes) << "feed() needs Console::Pipes";
    state_->pipes->feed(bytes);
}

void EngineSession::close_input() {
    ASSERT_TRUE(state_->pipes) << "close_input() needs Console::Pipes";
    state_->pipes->close_input();
}

void EngineTest::start_engine(const EngineOptions& options) {
    session_ = std::make_unique<EngineSession>(options);
}

void EngineTest::TearDown() {
    session_.reset();
}

} // namespace lnc::test
