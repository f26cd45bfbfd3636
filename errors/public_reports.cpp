// The report, exit and standard-error calls that a language front makes (lncalc/reports.h).
#include <cstring>

#include "errors/errors.h"
#include "io/units/units.h"
#include "lncalc/reports.h"
#include "runtime/handles/handles.h"
#include "runtime/startup/startup.h"

namespace lnc {

namespace {

constexpr char NOT_AVAILABLE[] = " is not available in this run-time";

int copy_text(const char* text, char* out, int capacity) {
    if (out == nullptr || capacity <= 0) {
        return 0;
    }
    int length = static_cast<int>(std::strlen(text));
    length = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(out, text, static_cast<std::size_t>(length));
    out[length] = '\0';
    return length;
}

// The message index whose error number is number, -1 when there is none.
int index_of_number(int number) {
    for (int index = 0; index < MESSAGE_COUNT; ++index) {
        if (6000 + ErrorNumberTable[index] == number) {
            return index;
        }
    }
    return -1;
}

} // namespace

int refusal_message(const char* what, char* out, int capacity) {
    int length = copy_text(what != nullptr ? what : "", out, capacity);
    return length + copy_text(NOT_AVAILABLE, out + length, capacity - length);
}

void report_error_text(const char* text) {
    write_error_report(STATUS_REFUSED, text != nullptr ? text : "", KIND_NONE);
}

int refuse_statement(const char* what, bool handled) {
    if (!handled) {
        char text[MESSAGE_BUFFER_SIZE];
        refusal_message(what, text, sizeof text);
        report_error_text(text);
    }
    return STATUS_REFUSED;
}

int status_message(int status, char* out, int capacity) {
    int index = status == STATUS_END_OF_FILE     ? MSG_END_OF_FILE
                : status == STATUS_END_OF_RECORD ? MSG_END_OF_RECORD
                                                 : index_of_number(status);
    // Expanding a message sets the number of the last error; a query leaves it as it was.
    int number = error_state.error_number;
    int length = copy_text(status == 0 ? "" : expand_message(index < 0 ? MSG_UNKNOWN : index), out,
                           capacity);
    error_state.error_number = number;
    return length;
}

void end_program(int code) {
    exit_process(code);
}

int write_standard_error(const char* bytes, int length) {
    return write_handle(STANDARD_ERROR, bytes, length);
}

} // namespace lnc
