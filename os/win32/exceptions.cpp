// Processor exceptions over KERNEL32: a fault that no frame claims reaches the top-level filter,
// which hands it to the run-time's filter with the system's exception pointers; console control
// events reach the registered routine.
#include <cstdint>

#include "os/startup.h"
// After our own headers: windows.h defines macros with the names and values of some of our
// constants, which must not rewrite their declarations.
#include <windows.h>

namespace lnc::os {

namespace {

struct Guard {
    ExceptionFilter filter;
    ExceptionHandler handler;
};
Guard guard{nullptr, nullptr};
ConsoleControl console_routine = nullptr;

// Exception flags, stack fault, summary and busy bits of the x87 status word.
constexpr DWORD X87_PENDING = 0x80FF;

bool is_floating_point(DWORD code) {
    return code >= STATUS_FLOAT_DENORMAL_OPERAND && code <= STATUS_FLOAT_UNDERFLOW;
}

// The program resumes at the waiting instruction that took the trap; with the exception still
// pending in the saved state it would trap again at once, so the saved state loses it.
void clear_pending_exceptions(CONTEXT* context) {
    if (context != nullptr)
        context->FloatSave.StatusWord &= ~X87_PENDING;
}

LONG WINAPI top_level_filter(EXCEPTION_POINTERS* pointers) {
    DWORD code = pointers->ExceptionRecord->ExceptionCode;
    if (guard.filter == nullptr)
        return UnhandledExceptionFilter(pointers);
    int answer = guard.filter(code, pointers);
    if (answer == EXCEPTION_CONTINUE_EXECUTION) {
        if (is_floating_point(code))
            clear_pending_exceptions(pointers->ContextRecord);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (answer == EXCEPTION_EXECUTE_HANDLER)
        guard.handler(code);
    return answer;
}

BOOL WINAPI console_control(DWORD event) {
    return console_routine != nullptr && console_routine(static_cast<int>(event)) != 0;
}

} // namespace

void guarded_call(void (*body)(), ExceptionFilter filter, ExceptionHandler handler) {
    Guard saved = guard;
    guard = Guard{filter, handler};
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(top_level_filter);
    body();
    SetUnhandledExceptionFilter(previous);
    guard = saved;
}

int unhandled_exception_filter(void* pointers) {
    return UnhandledExceptionFilter(static_cast<EXCEPTION_POINTERS*>(pointers));
}

std::uint32_t exception_code_of(const void* pointers) {
    const auto* exception = static_cast<const EXCEPTION_POINTERS*>(pointers);
    return exception != nullptr ? exception->ExceptionRecord->ExceptionCode : 0;
}

std::uint16_t fpu_status_of(const void* pointers) {
    const auto* exception = static_cast<const EXCEPTION_POINTERS*>(pointers);
    if (exception == nullptr || exception->ContextRecord == nullptr)
        return 0;
    return static_cast<std::uint16_t>(exception->ContextRecord->FloatSave.StatusWord);
}

// Unused while the x87 is this platform's unit; a software unit's exception takes the path of
// any raised exception.
void raise_fp_exception(std::uint32_t code, std::uint16_t) {
    RaiseException(code, 0, 0, nullptr);
}

bool register_console_control(ConsoleControl routine) {
    if (!SetConsoleCtrlHandler(console_control, TRUE))
        return false;
    console_routine = routine;
    return true;
}

} // namespace lnc::os
