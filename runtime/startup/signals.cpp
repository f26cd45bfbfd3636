// Signals: the action table that links processor exceptions to signals, the last-chance filter
// that runs those actions, and the console interrupt signals.
#include "os/files.h"
#include "os/startup.h"
#include "runtime/handles/handles.h"
#include "runtime/startup/startup.h"

namespace lnc {

ActionEntry exception_actions[EXCEPTION_ACTIONS] = {
    {EXCEPTION_ACCESS_VIOLATION, SIGNAL_SEGV, ACTION_DEFAULT},
    {EXCEPTION_ILLEGAL_INSTRUCTION, SIGNAL_ILL, ACTION_DEFAULT},
    {EXCEPTION_PRIV_INSTRUCTION, SIGNAL_ILL, ACTION_DEFAULT},
    {EXCEPTION_FLT_DENORMAL_OPERAND, SIGNAL_FPE, ACTION_DEFAULT},
    {EXCEPTION_FLT_DIVIDE_BY_ZERO, SIGNAL_FPE, ACTION_DEFAULT},
    {EXCEPTION_FLT_INEXACT_RESULT, SIGNAL_FPE, ACTION_DEFAULT},
    {EXCEPTION_FLT_INVALID_OPERATION, SIGNAL_FPE, ACTION_DEFAULT},
    {EXCEPTION_FLT_OVERFLOW, SIGNAL_FPE, ACTION_DEFAULT},
    {EXCEPTION_FLT_STACK_CHECK, SIGNAL_FPE, ACTION_DEFAULT},
    {EXCEPTION_FLT_UNDERFLOW, SIGNAL_FPE, ACTION_DEFAULT},
};
SignalState signal_state{FPE_EXPLICITGEN, nullptr,        ACTION_DEFAULT, ACTION_DEFAULT,
                         ACTION_DEFAULT,  ACTION_DEFAULT, false};

namespace {

const SignalAction ACTION_SGE = reinterpret_cast<SignalAction>(3);
const SignalAction ACTION_ACK = reinterpret_cast<SignalAction>(4);
constexpr int FIRST_FP_ENTRY = 3;
constexpr int FP_ENTRIES = 7;
constexpr int INVALID_ARGUMENT = 22;

struct SubCode {
    std::uint32_t code;
    int subcode;
};

constexpr SubCode FP_SUBCODES[FP_ENTRIES] = {
    {EXCEPTION_FLT_DENORMAL_OPERAND, FPE_DENORMAL}, {EXCEPTION_FLT_DIVIDE_BY_ZERO, FPE_ZERODIVIDE},
    {EXCEPTION_FLT_INEXACT_RESULT, FPE_INEXACT},    {EXCEPTION_FLT_INVALID_OPERATION, FPE_INVALID},
    {EXCEPTION_FLT_OVERFLOW, FPE_OVERFLOW},         {EXCEPTION_FLT_STACK_CHECK, FPE_STACKCHECK},
    {EXCEPTION_FLT_UNDERFLOW, FPE_UNDERFLOW},
};

ActionEntry* find_action(std::uint32_t code) {
    for (ActionEntry& entry : exception_actions) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

int fp_subcode_of(std::uint32_t code) {
    for (const SubCode& entry : FP_SUBCODES) {
        if (entry.code == code) {
            return entry.subcode;
        }
    }
    return FPE_EXPLICITGEN;
}

SignalAction* interrupt_slot(int signal) {
    switch (signal) {
    case SIGNAL_INT:
        return &signal_state.interrupt_action;
    case SIGNAL_BREAK:
        return &signal_state.break_action;
    case SIGNAL_ABRT:
        return &signal_state.abort_action;
    case SIGNAL_TERM:
        return &signal_state.terminate_action;
    default:
        return nullptr;
    }
}

void refuse() {
    error_code = INVALID_ARGUMENT;
}

// Ctrl+C takes the interrupt action, every other console event the break action. A routine is
// reset to the default before it runs, as a signal action is.
int console_control(int event) {
    SignalAction* slot =
        event == os::CONTROL_C_EVENT ? &signal_state.interrupt_action : &signal_state.break_action;
    SignalAction action = *slot;
    if (action == ACTION_DEFAULT) {
        return 0;
    }
    if (action != ACTION_IGNORE) {
        *slot = ACTION_DEFAULT;
        action(event == os::CONTROL_C_EVENT ? SIGNAL_INT : SIGNAL_BREAK, 0);
    }
    return 1;
}

SignalAction set_exception_signal(int signal, SignalAction action) {
    ActionEntry* first = nullptr;
    SignalAction previous = ACTION_DEFAULT;
    for (ActionEntry& entry : exception_actions) {
        if (entry.signal == signal) {
            if (first == nullptr) {
                first = &entry;
                previous = entry.action;
            }
            entry.action = action;
        }
    }
    return previous;
}

} // namespace

SignalAction set_signal(int signal, SignalAction action) {
    if (action == ACTION_SGE || action == ACTION_ACK) {
        refuse();
        return ACTION_ERROR;
    }
    if (signal == SIGNAL_FPE || signal == SIGNAL_ILL || signal == SIGNAL_SEGV) {
        return set_exception_signal(signal, action);
    }
    SignalAction* slot = interrupt_slot(signal);
    if (slot == nullptr) {
        refuse();
        return ACTION_ERROR;
    }
    if ((signal == SIGNAL_INT || signal == SIGNAL_BREAK) && !signal_state.console_registered) {
        if (!os::register_console_control(console_control)) {
            error_code = INVALID_ARGUMENT;
            system_error = os::last_error();
            return ACTION_ERROR;
        }
        signal_state.console_registered = true;
    }
    SignalAction previous = *slot;
    *slot = action;
    return previous;
}

// A floating-point routine gets the sub-code of the exception; every floating-point action is
// reset first, so the routine must set itself again to stay in place.
void run_signal_routine(ActionEntry* entry, void* pointers) {
    void* saved_pointers = signal_state.exception_pointers;
    signal_state.exception_pointers = pointers;
    SignalAction routine = entry->action;
    if (entry->signal == SIGNAL_FPE) {
        for (int i = FIRST_FP_ENTRY; i < FIRST_FP_ENTRY + FP_ENTRIES; ++i) {
            exception_actions[i].action = ACTION_DEFAULT;
        }
        signal_state.fpe_subcode = fp_subcode_of(entry->code);
        routine(SIGNAL_FPE, signal_state.fpe_subcode);
        signal_state.fpe_subcode = FPE_EXPLICITGEN;
    } else {
        entry->action = ACTION_DEFAULT;
        routine(entry->signal, 0);
    }
    signal_state.exception_pointers = saved_pointers;
}

int exception_filter(std::uint32_t code, void* pointers) {
    ActionEntry* entry = find_action(code);
    if (entry == nullptr || entry->action == ACTION_DEFAULT) {
        return os::unhandled_exception_filter(pointers);
    }
    if (entry->action == ACTION_DIE) {
        entry->action = ACTION_DEFAULT;
        return os::EXCEPTION_EXECUTE_HANDLER;
    }
    if (entry->action != ACTION_IGNORE) {
        run_signal_routine(entry, pointers);
    }
    return os::EXCEPTION_CONTINUE_EXECUTION;
}

} // namespace lnc
