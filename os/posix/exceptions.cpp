// Processor exceptions on POSIX systems: the faults arrive as SIGFPE, SIGILL and SIGSEGV, are
// given the exception code of the structured exception protocol and passed to the run-time's
// filter; the filter's answer decides whether the program resumes, ends with the exception code
// or dies of the signal. Also the console control events, which arrive as signals here.
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include "os/files.h"
#include "os/startup.h"

namespace lnc::os {

namespace {

struct Fault {
    siginfo_t* info;
    ucontext_t* context;
    std::uint32_t code;
};

constexpr std::uint32_t FLT_DENORMAL_OPERAND = 0xC000008Du;
constexpr std::uint32_t FLT_DIVIDE_BY_ZERO = 0xC000008Eu;
constexpr std::uint32_t FLT_INEXACT_RESULT = 0xC000008Fu;
constexpr std::uint32_t FLT_INVALID_OPERATION = 0xC0000090u;
constexpr std::uint32_t FLT_OVERFLOW = 0xC0000091u;
constexpr std::uint32_t FLT_STACK_CHECK = 0xC0000092u;
constexpr std::uint32_t FLT_UNDERFLOW = 0xC0000093u;
constexpr std::uint32_t ACCESS_VIOLATION = 0xC0000005u;
constexpr std::uint32_t ILLEGAL_INSTRUCTION = 0xC000001Du;
constexpr std::uint32_t PRIV_INSTRUCTION = 0xC0000096u;

constexpr int FAULT_SIGNALS[] = {SIGFPE, SIGILL, SIGSEGV};
constexpr int FAULT_SIGNAL_COUNT = 3;
constexpr int CONTROL_SIGNALS[] = {SIGINT, SIGQUIT, SIGHUP};
constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr long X87_TRAP = 16; // the #MF vector

// The x87 status word: exception flags, stack fault, summary and busy bits.
constexpr std::uint16_t SW_INVALID = 0x0001;
constexpr std::uint16_t SW_DENORMAL = 0x0002;
constexpr std::uint16_t SW_ZERODIVIDE = 0x0004;
constexpr std::uint16_t SW_OVERFLOW = 0x0008;
constexpr std::uint16_t SW_UNDERFLOW = 0x0010;
constexpr std::uint16_t SW_STACK_FAULT = 0x0040;
constexpr std::uint16_t SW_PENDING = 0x80FF;
constexpr std::uint32_t MXCSR_FLAGS = 0x003F;

struct Guard {
    ExceptionFilter filter;
    ExceptionHandler handler;
};
Guard guard{nullptr, nullptr};
ConsoleControl console_routine = nullptr;

bool is_floating_point(std::uint32_t code) {
    return code >= FLT_DENORMAL_OPERAND && code <= FLT_UNDERFLOW;
}

// The unit's own record tells which unmasked exception is pending, which the signal's code does
// not always say (a stack fault or a denormal operand arrive as other codes).
std::uint32_t x87_code(std::uint16_t status, std::uint16_t control) {
    std::uint16_t pending = status & ~control & 0x3F;
    if (pending & SW_INVALID) {
        return (status & SW_STACK_FAULT) ? FLT_STACK_CHECK : FLT_INVALID_OPERATION;
    }
    if (pending & SW_ZERODIVIDE) {
        return FLT_DIVIDE_BY_ZERO;
    }
    if (pending & SW_DENORMAL) {
        return FLT_DENORMAL_OPERAND;
    }
    if (pending & SW_OVERFLOW) {
        return FLT_OVERFLOW;
    }
    if (pending & SW_UNDERFLOW) {
        return FLT_UNDERFLOW;
    }
    return pending != 0 ? FLT_INEXACT_RESULT : 0;
}

std::uint32_t floating_point_code(const siginfo_t* info, const ucontext_t* context) {
    if (context != nullptr && context->uc_mcontext.fpregs != nullptr &&
        context->uc_mcontext.gregs[REG_TRAPNO] == X87_TRAP) {
        const auto* fpu = context->uc_mcontext.fpregs;
        std::uint32_t code = x87_code(fpu->swd, fpu->cwd);
        if (code != 0) {
            return code;
        }
    }
    switch (info->si_code) {
    case FPE_INTDIV:
        return EXCEPTION_INT_DIVIDE_BY_ZERO;
    case FPE_INTOVF:
        return EXCEPTION_INT_OVERFLOW;
    case FPE_FLTDIV:
        return FLT_DIVIDE_BY_ZERO;
    case FPE_FLTOVF:
        return FLT_OVERFLOW;
    case FPE_FLTUND:
        return FLT_UNDERFLOW;
    case FPE_FLTRES:
        return FLT_INEXACT_RESULT;
    case FPE_FLTSUB:
        return FLT_STACK_CHECK;
    default:
        return FLT_INVALID_OPERATION;
    }
}

std::uint32_t exception_code(int signal, const siginfo_t* info, const ucontext_t* context) {
    switch (signal) {
    case SIGFPE:
        return floating_point_code(info, context);
    case SIGILL:
        return (info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG) ? PRIV_INSTRUCTION
                                                                            : ILLEGAL_INSTRUCTION;
    default:
        return ACCESS_VIOLATION;
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

// The program resumes at the waiting instruction that took the trap; with the exception still
// pending in the saved state it would trap again at once, so the saved state loses it.
void clear_pending_exceptions(ucontext_t* context) {
    if (context != nullptr && context->uc_mcontext.fpregs != nullptr) {
        context->uc_mcontext.fpregs->swd &= static_cast<std::uint16_t>(~SW_PENDING);
        context->uc_mcontext.fpregs->mxcsr &= ~MXCSR_FLAGS;
    }
}

void deliver_fault(int signal, siginfo_t* info, void* raw_context) {
    // A signal sent by a process rather than raised by a fault has no exception behind it.
    if (guard.filter == nullptr || info == nullptr || info->si_code <= 0) {
        die_of(signal);
    }
    auto* context = static_cast<ucontext_t*>(raw_context);
    Fault fault{info, context, exception_code(signal, info, context)};
    int answer = guard.filter(fault.code, &fault);
    if (answer == EXCEPTION_CONTINUE_EXECUTION && is_floating_point(fault.code)) {
        clear_pending_exceptions(context);
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
    const auto* fault = static_cast<const Fault*>(pointers);
    if (fault == nullptr || fault->context == nullptr ||
        fault->context->uc_mcontext.fpregs == nullptr) {
        return 0;
    }
    return fault->context->uc_mcontext.fpregs->swd;
}

// Ctrl+C, the terminal's quit key and a hang-up stand for the console's interrupt, break and
// close events.
bool register_console_control(ConsoleControl routine) {
    struct sigaction action {};
    action.sa_handler = deliver_control;
    sigemptyset(&action.sa_mask);
    for (int signal : CONTROL_SIGNALS) {
        if (sigaction(signal, &action, nullptr) != 0) {
            set_last_error(ERROR_INVALID_PARAMETER);
            return false;
        }
    }
    console_routine = routine;
    return true;
}

} // namespace lnc::os
