// Processor exceptions on POSIX systems: the faults arrive as SIGFPE, SIGILL and SIGSEGV, are
// given the exception code of the structured exception protocol and passed to the run-time's
// filter; the filter's answer decides whether the program resumes, ends with the exception code
// or dies of the signal. Also the console control events, which arrive as signals here.
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include "os/exception_codes.h"
#include "os/files.h"
#include "os/posix/fault_context.h"
#include "os/startup.h"
#include "os/system_errors.h"

namespace lnc::os {

namespace {

struct Fault {
    siginfo_t* info;
    ucontext_t* context;
    std::uint32_t code;
    std::uint16_t fpu_status;
};

constexpr int FAULT_SIGNALS[] = {SIGFPE, SIGILL, SIGSEGV};
constexpr int FAULT_SIGNAL_COUNT = 3;
constexpr int CONTROL_SIGNALS[] = {SIGINT, SIGQUIT, SIGHUP};

struct Guard {
    ExceptionFilter filter;
    ExceptionHandler handler;
};
Guard guard{nullptr, nullptr};
ConsoleControl console_routine = nullptr;

bool is_floating_point(std::uint32_t code) {
    return code >= EXCEPTION_FLT_DENORMAL_OPERAND && code <= EXCEPTION_FLT_UNDERFLOW;
}

// The unit's own record tells which unmasked exception is pending, which the signal's code does
// not always say (a stack fault or a denormal operand arrive as other codes).
std::uint32_t floating_point_code(const siginfo_t* info, const ucontext_t* context) {
    if (std::uint32_t code = saved_fp_exception(context); code != 0) {
        return code;
    }
    switch (info->si_code) {
    case FPE_INTDIV:
        return EXCEPTION_INT_DIVIDE_BY_ZERO;
    case FPE_INTOVF:
        return EXCEPTION_INT_OVERFLOW;
    case FPE_FLTDIV:
        return EXCEPTION_FLT_DIVIDE_BY_ZERO;
    case FPE_FLTOVF:
        return EXCEPTION_FLT_OVERFLOW;
    case FPE_FLTUND:
        return EXCEPTION_FLT_UNDERFLOW;
    case FPE_FLTRES:
        return EXCEPTION_FLT_INEXACT_RESULT;
    case FPE_FLTSUB:
        return EXCEPTION_FLT_STACK_CHECK;
    default:
        return EXCEPTION_FLT_INVALID_OPERATION;
    }
}

std::uint32_t exception_code(int signal, const siginfo_t* info, const ucontext_t* context) {
    switch (signal) {
    case SIGFPE:
        return floating_point_code(info, context);
    case SIGILL:
        return (info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG)
                   ? EXCEPTION_PRIV_INSTRUCTION
                   : EXCEPTION_ILLEGAL_INSTRUCTION;
    default:
        return EXCEPTION_ACCESS_VIOLATION;
    }
}

// The default disposition comes back and the signal is raised again: the process dies of it as
// it would have without a filter.
void die_of(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal);
    _exit(128 + signal);
}

void deliver_fault(int signal, siginfo_t* info, void* raw_context) {
    // A signal sent by a process rather than raised by a fault has no exception behind it.
    if (guard.filter == nullptr || info == nullptr || info->si_code <= 0) {
        die_of(signal);
    }
    auto* context = static_cast<ucontext_t*>(raw_context);
    Fault fault{info, context, exception_code(signal, info, context), saved_fpu_status(context)};
    int answer = guard.filter(fault.code, &fault);
    if (answer == EXCEPTION_CONTINUE_EXECUTION && is_floating_point(fault.code)) {
        clear_saved_fp_exceptions(context);
        return;
    }
    // Any other fault would repeat at once if the program resumed, so it ends the process
    // with its code like a fault the filter claims.
    if (answer != EXCEPTION_CONTINUE_SEARCH) {
        guard.handler(fault.code);
    }
    die_of(signal);
}

int control_event(int signal) {
    switch (signal) {
    case SIGINT:
        return CONTROL_C_EVENT;
    case SIGQUIT:
        return CONTROL_BREAK_EVENT;
    default:
        return CONTROL_CLOSE_EVENT;
    }
}

void deliver_control(int signal) {
    if (console_routine == nullptr || console_routine(control_event(signal)) == 0) {
        die_of(signal);
    }
}

} // namespace

// SA_NODEFER keeps the signal deliverable while its handler runs, so that a report path left
// by a throw or a jump does not leave the signal blocked for the rest of the process.
void guarded_call(void (*body)(), ExceptionFilter filter, ExceptionHandler handler) {
    Guard saved = guard;
    guard = Guard{filter, handler};
    struct sigaction action {};
    action.sa_sigaction = deliver_fault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    struct sigaction previous[FAULT_SIGNAL_COUNT];
    for (int i = 0; i < FAULT_SIGNAL_COUNT; ++i) {
        sigaction(FAULT_SIGNALS[i], &action, &previous[i]);
    }
    body();
    for (int i = 0; i < FAULT_SIGNAL_COUNT; ++i) {
        sigaction(FAULT_SIGNALS[i], &previous[i], nullptr);
    }
    guard = saved;
}

// Left to itself the system ends the process by the signal's default action.
int unhandled_exception_filter(void*) {
    return EXCEPTION_CONTINUE_SEARCH;
}

std::uint32_t exception_code_of(const void* pointers) {
    return pointers != nullptr ? static_cast<const Fault*>(pointers)->code : 0;
}

std::uint16_t fpu_status_of(const void* pointers) {
    return pointers != nullptr ? static_cast<const Fault*>(pointers)->fpu_status : 0;
}

// Without a guarded call the process dies of the signal, as of an unclaimed trap.
void raise_fp_exception(std::uint32_t code, std::uint16_t status) {
    if (guard.filter == nullptr) {
        die_of(SIGFPE);
    }
    Fault fault{nullptr, nullptr, code, status};
    int answer = guard.filter(code, &fault);
    if (answer == EXCEPTION_CONTINUE_EXECUTION) {
        return;
    }
    if (answer != EXCEPTION_CONTINUE_SEARCH) {
        guard.handler(code);
    }
    die_of(SIGFPE);
}

// Ctrl+C, the terminal's quit key and a hang-up stand for the console's interrupt, break and
// close events.
bool register_console_control(ConsoleControl routine) {
    struct sigaction action {};
    action.sa_handler = deliver_control;
    sigemptyset(&action.sa_mask);
    for (int signal : CONTROL_SIGNALS) {
        if (sigaction(signal, &action, nullptr) != 0) {
            set_last_error(SYS_INVALID_PARAMETER);
            return false;
        }
    }
    console_routine = routine;
    return true;
}

} // namespace lnc::os
