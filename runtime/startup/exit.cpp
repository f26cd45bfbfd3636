// The end of the process: the exit list, the terminator lists and the final process end, which
// tests may replace with a hook of their own.
#include "errors/errors.h"
#include "os/startup.h"
#include "runtime/handles/handles.h"
#include "runtime/startup/startup.h"

namespace lnc {

ProcessState process_state{};
ExitHook exit_hook = nullptr;
ExitList exit_list{};
ExitRoutine pre_terminators[PRE_TERMINATOR_SLOTS] = {};

namespace {

// Nothing in this system needs a routine after the exit list and the stream flush.
constexpr ExitRoutine TERMINATORS[] = {nullptr};

void run_routines(const ExitRoutine* routines, int count) {
    for (int i = 0; i < count; ++i) {
        if (routines[i] != nullptr) {
            routines[i]();
        }
    }
}

// Each routine leaves the list before it runs, so an exit started from inside a routine goes on
// with the routines still waiting and never runs one twice.
void run_exit_list() {
    while (exit_list.entries != nullptr && exit_list.count > 0) {
        ExitRoutine routine = exit_list.entries[--exit_list.count];
        if (routine != nullptr) {
            routine();
        }
    }
}

[[noreturn]] void end_sequence(int code, bool quick) {
    process_state.exit_returns = false;
    if (!quick) {
        run_exit_list();
        run_routines(pre_terminators, PRE_TERMINATOR_SLOTS);
    }
    // Output lost at the exit's closing of the units makes a normal end a failure.
    if (code == 0 && error_state.failed_at_exit != 0) {
        code = 1;
    }
    run_routines(TERMINATORS, static_cast<int>(sizeof TERMINATORS / sizeof TERMINATORS[0]));
    // What follows the process on its standard input finds the file where the program's reads
    // left it.
    return_read_ahead();
    if (exit_hook != nullptr) {
        exit_hook(code);
    }
    os::end_process(code);
}

} // namespace

void exit_process(int code) {
    end_sequence(code, false);
}

void quick_exit(int code) {
    end_sequence(code, true);
}

} // namespace lnc
