// The call-site records of routines compiled with traceback information, the source position
// and execution traceback lines of a report, and the check entry points of compiled code.
#include <cstring>

#include "errors/errors.h"
#include "io/units/units.h"
#include "runtime/handles/handles.h"

namespace lnc {

CallSiteRecord* call_site_list = nullptr;

namespace {

// A record pushed twice links the list into a ring; the traceback stops after this many lines.
inline constexpr int MAX_TRACEBACK_LINES = 1000;

void put(const char* text) {
    write_handle(STANDARD_ERROR, text, static_cast<int>(std::strlen(text)));
}

// Copies text into an 80-byte work buffer, cut at stop (when it occurs) and at the buffer's end.
void copy_name(char (&buffer)[TRACEBACK_NAME_SIZE], const char* text, char stop) {
    int length = 0;
    if (text != nullptr) {
        while (length < TRACEBACK_NAME_SIZE - 1 && text[length] != '\0' && text[length] != stop) {
            buffer[length] = text[length];
            ++length;
        }
    }
    buffer[length] = '\0';
}

// Writes "file(line)" for a record.
void put_position(const CallSiteRecord* record) {
    char file[TRACEBACK_NAME_SIZE];
    copy_name(file, record->source_file, '\0');
    char line[12];
    format_decimal(line, record->line);
    put(file);
    put("(");
    put(line);
    put(")");
}

void put_routine(const CallSiteRecord* record) {
    if (record->routine_name != nullptr && std::strcmp(record->routine_name, "_main") == 0) {
        put("\t\tfrom main program");
        return;
    }
    // The decorated name loses its leading underscore and any "@" byte-count suffix.
    char name[TRACEBACK_NAME_SIZE];
    copy_name(name, record->routine_name, '@');
    put("\t\tfrom ");
    put(name[0] != '\0' ? name + 1 : name);
}

inline constexpr std::int64_t INT32_LIMIT = 2147483647;

std::int64_t magnitude(std::int32_t value) {
    return value < 0 ? -static_cast<std::int64_t>(value) : value;
}

// base to the power count, modulo 2^32: the product the multiplication loop wraps to.
std::uint32_t wrapped_power(std::uint32_t base, std::int64_t count) {
    std::uint32_t result = 1;
    while (count > 0) {
        if ((count & 1) != 0) {
            result *= base;
        }
        base *= base;
        count >>= 1;
    }
    return result;
}

std::int32_t as_int32(std::uint32_t bits) {
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

void push_call_site(CallSiteRecord* record) {
    record->next = call_site_list;
    call_site_list = record;
}

void pop_call_site() {
    if (call_site_list != nullptr) {
        call_site_list = call_site_list->next;
    }
}

void print_source_position() {
    if (call_site_list == nullptr) {
        return;
    }
    put_position(call_site_list);
    put(" : ");
}

void print_traceback() {
    if (call_site_list == nullptr) {
        return;
    }
    put("\r\nExecution traceback:\r\n");
    for (int lines = 0; call_site_list != nullptr && lines < MAX_TRACEBACK_LINES; ++lines) {
        const CallSiteRecord* record = call_site_list;
        call_site_list = record->next;
        put_routine(record);
        put(" in ");
        put_position(record);
        put("\r\n");
    }
    call_site_list = nullptr;
}

void check_set_kind() {
    error_state.statement_kind = KIND_DEBUG;
}

void check_1() {
    check_set_kind();
    raise_check_error(MSG_DECLARED_RANGE);
}

void check_2() {
    check_set_kind();
    raise_check_error(MSG_ARRAY_INDEX);
}

void check_3() {
    check_set_kind();
    raise_check_error(MSG_SUBSTRING_BOUNDS);
}

void check_4() {
    check_set_kind();
    raise_check_error(MSG_ARITHMETIC_OVERFLOW);
}

void check_5() {
    check_set_kind();
    raise_check_error(MSG_DIVISION_BY_ZERO);
}

std::int32_t integer_power(std::int32_t exponent, std::int32_t base) {
    if (exponent == 0) {
        return 1;
    }
    if (exponent < 0) {
        // 1 / base is 1, -1 or 0; a base of 0 would divide by zero.
        if (base == 0) {
            check_5();
            return 0;
        }
        std::int32_t reciprocal = 1 / base;
        return as_int32(
            wrapped_power(static_cast<std::uint32_t>(reciprocal), -std::int64_t{exponent}));
    }
    // Bases 0, 1 and -1 never overflow; the loop would only count the exponent down.
    if (magnitude(base) <= 1) {
        return as_int32(wrapped_power(static_cast<std::uint32_t>(base), exponent));
    }
    std::int64_t limit = INT32_LIMIT / magnitude(base);
    std::uint32_t result = 1;
    for (std::int32_t done = 0; done < exponent; ++done) {
        if (magnitude(as_int32(result)) > limit) {
            check_4();
            // Only a report during the shutdown comes back: finish without further checks.
            return as_int32(result *
                            wrapped_power(static_cast<std::uint32_t>(base), exponent - done));
        }
        result *= static_cast<std::uint32_t>(base);
    }
    return as_int32(result);
}

} // namespace lnc
