// Floating-point exception reports: the traps of the floating-point unit, the handler of the
// floating-point signal and the report of errors signalled by math-library routines (the "M"
// codes).
#include <cstring>

#include "errors/errors.h"
#include "os/fpu.h"
#include "runtime/startup/startup.h"

namespace lnc {

FpErrorState fp_error_state = {};
MathErrorHook math_error_hook = default_math_error_hook;

namespace {

struct FpCode {
    int code;
    const char* text;
    int number;
};
constexpr FpCode fp_codes[] = {
    {1, "DOMAIN", 6201},
    {2, "SING", 6202},
    {3, "OVERFLOW", 6203},
    {4, "UNDERFLOW", 6204},
    {5, "TLOSS", 6205},
    {6, "PLOSS", 6206},
    {129, "invalid", 6101},
    {130, "denormal", 6102},
    {131, "divide by zero", 6103},
    {132, "overflow", 6104},
    {133, "underflow", 6105},
    {134, "inexact", 6106},
    {136, "square root", 6108},
    {138, "stack overflow", 6110},
    {139, "stack underflow", 6111},
};

// Routines of the run-time's own math library, named by the id they set while they run.
struct MathName {
    int id;
    const char* name;
};
constexpr MathName math_names[] = {
    {2, "nint"},  {3, "sign"},  {4, "dim"},   {6, "cotan"},  {10, "cabs"}, {12, "ccos"},
    {13, "csin"}, {14, "cexp"}, {15, "clog"}, {16, "csqrt"}, {17, "cpow"},
};

inline constexpr int MATH_NAME_SIZE = static_cast<int>(sizeof fp_error_state.math_function_name);
inline constexpr int FIRST_SIGNAL_CODE = 129;
inline constexpr int LAST_SIGNAL_CODE = 140;
inline constexpr int EXPLICIT_SIGNAL_NUMBER = 6112;

const FpCode* find_code(int code) {
    for (const FpCode& entry : fp_codes) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

struct ReportText {
    char text[FP_REPORT_SIZE];
    int length;

    void put(const char* s, int count) {
        for (int i = 0; i < count && s[i] != '\0' && length < FP_REPORT_SIZE - 1; ++i) {
            text[length++] = s[i];
        }
        text[length] = '\0';
    }
    void put(const char* s) { put(s, FP_REPORT_SIZE); }
};

bool starts_with(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

const char* shown_math_name(int id, const char* library_name) {
    for (const MathName& entry : math_names) {
        if (entry.id == id) {
            return entry.name;
        }
    }
    if (library_name == nullptr) {
        return "";
    }
    if (starts_with(library_name, "pow")) {
        return "**";
    }
    if (starts_with(library_name, "fmod")) {
        return "mod";
    }
    return library_name;
}

void store_math_name(const char* name) {
    int length = 0;
    while (length < MATH_NAME_SIZE && name[length] != '\0') {
        ++length;
    }
    std::memset(fp_error_state.math_function_name, ' ', MATH_NAME_SIZE);
    std::memcpy(fp_error_state.math_function_name, name, static_cast<std::size_t>(length));
    fp_error_state.math_function_name_length = length;
}

} // namespace

int fp_error_number(int code) {
    if (const FpCode* entry = find_code(code)) {
        return entry->number;
    }
    if (code >= 7 && code <= 9) {
        return 6200 + code;
    }
    if (code >= FIRST_SIGNAL_CODE && code <= LAST_SIGNAL_CODE) {
        return 6101 + (code - FIRST_SIGNAL_CODE);
    }
    return EXPLICIT_SIGNAL_NUMBER;
}

void default_math_error_hook(const char*, int, int*, MathException*, std::int16_t* handled) {
    *handled = 0;
}

void arm_fpu_traps() {
    std::uint16_t control = fpu::control_word();
    control = static_cast<std::uint16_t>((control & ~fpu::EXCEPTION_MASKS) | FPU_TRAP_BITS);
    // A flag left pending by earlier masked work would otherwise trap at an unrelated instruction.
    fpu::clear_exceptions();
    fpu::set_control_word(control);
    set_signal(SIGNAL_FPE, fp_signal_handler);
}

void fp_signal_handler(int, int subcode) {
    if (fp_error_state.math_function_id == 0) {
        fp_error_state.fp_in_error = 1;
        fp_error_state.fp_error_code = subcode;
        report_fp_error(); // returns only while the shutdown runs
    }
    // Clear the pending exception and the register stack but keep the traps, and re-arm: the
    // signal layer resets the floating-point action before it calls a handler.
    std::uint16_t control = fpu::control_word();
    fpu::reinitialise();
    fpu::set_control_word(control);
    set_signal(SIGNAL_FPE, fp_signal_handler);
}

void report_fp_error() {
    int code = fp_error_state.fp_error_code;
    ReportText report = {};
    if (code >= 10) {
        report.put("floating-point error: ");
    } else if (fp_error_state.math_function_id == MATH_FUNCTION_COTAN) {
        report.put("COTAN: ");
    } else {
        int length = fp_error_state.math_function_name_length;
        length = length < 0 ? 0 : (length > MATH_NAME_SIZE ? MATH_NAME_SIZE : length);
        report.put(fp_error_state.math_function_name, length);
        report.put(": ");
    }
    if (const FpCode* entry = find_code(code)) {
        report.put(entry->text);
    }
    if (code < 10) {
        report.put(" error");
    }
    write_error_report(fp_error_number(code), report.text, KIND_MATH);
}

int math_error_entry(MathException* record) {
    fp_error_state.fp_in_error = 1;
    fp_error_state.fp_error_code = record->type;
    store_math_name(shown_math_name(fp_error_state.math_function_id, record->name));

    MathException copy = *record;
    std::int16_t handled = 0;
    int length = fp_error_state.math_function_name_length;
    MathErrorHook hook = math_error_hook != nullptr ? math_error_hook : default_math_error_hook;
    hook(fp_error_state.math_function_name, length, &length, &copy, &handled);
    if (length >= 0 && length <= MATH_NAME_SIZE) {
        fp_error_state.math_function_name_length = length;
    }
    record->retval = copy.retval;
    if (handled == 0) {
        report_fp_error(); // returns only while the shutdown runs
        return 0;
    }
    fp_error_state.fp_in_error = 0;
    return handled;
}

} // namespace lnc
