// What the Fortran front takes from the run-time's error layer beyond its public calls: the
// numbered report of a statement the run-time cannot perform, and the message text of a status
// for IOMSG=. Kept in this one file, so that the front meets the engine's inner interfaces in
// one place only.
#include <cstring>

#include "errors/errors.h"
#include "fortran/front.h"

namespace lnc::fortran {

namespace {

constexpr char NOT_AVAILABLE[] = " is not available in this run-time";

// A refusal is numbered as the run-time's catch-all error, its text saying what was refused.
int refusal_number() {
    return 6000 + ErrorNumberTable[MSG_UNKNOWN];
}

void copy_text(const char* text, char* out, std::size_t capacity) {
    if (capacity == 0) {
        return;
    }
    std::size_t length = std::strlen(text);
    length = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(out, text, length);
    out[length] = '\0';
}

// The message index whose error number is number, -1 when there is none.
int message_index(int number) {
    for (int index = 0; index < MESSAGE_COUNT; ++index) {
        if (6000 + ErrorNumberTable[index] == number) {
            return index;
        }
    }
    return -1;
}

} // namespace

void refusal_message(const char* what, char* out, std::size_t capacity) {
    copy_text(what, out, capacity);
    std::size_t used = std::strlen(out);
    copy_text(NOT_AVAILABLE, out + used, capacity - used);
}

void report_error_text(const char* text) {
    write_error_report(refusal_number(), text, KIND_NONE);
}

int report_refusal(const char* what, bool handled) {
    if (!handled) {
        char text[MESSAGE_BUFFER_SIZE];
        refusal_message(what, text, sizeof text);
        report_error_text(text);
    }
    return refusal_number();
}

void status_message(int status, char* out, std::size_t capacity) {
    int index = status == STATUS_END_OF_FILE     ? MSG_END_OF_FILE
                : status == STATUS_END_OF_RECORD ? MSG_END_OF_RECORD
                                                 : message_index(status);
    copy_text(status == 0 ? ""
              : index < 0 ? "unknown run-time error"
                          : expand_message(index),
              out, capacity);
}

} // namespace lnc::fortran
