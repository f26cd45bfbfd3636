// Fatal start-up messages: the numbered texts written to standard error before the process ends
// with exit code 255.
#include <cstring>

#include "os/files.h"
#include "runtime/handles/handles.h"
#include "runtime/startup/startup.h"

namespace lnc {

FatalHook fatal_message_hook = nullptr;

namespace {

// Every report starts with these two, in this order.
constexpr int FATAL_LINE_START = 252;
constexpr int FATAL_BANNER = 255;

struct FatalMessage {
    int number;
    const char* text;
};

constexpr FatalMessage FATAL_MESSAGES[] = {
    {FATAL_NO_ARGUMENT_SPACE, "R6008\r\n- not enough space for arguments\r\n"},
    {FATAL_NO_ENVIRONMENT_SPACE, "R6009\r\n- not enough space for environment\r\n"},
    {FATAL_NO_EXIT_LIST_SPACE, "R6024\r\n- not enough space for _onexit/atexit table\r\n"},
    {FATAL_NO_STREAM_SPACE, "R6026\r\n- not enough space for stdio initialization\r\n"},
    {FATAL_NO_HANDLE_SPACE, "R6027\r\n- not enough space for lowio initialization\r\n"},
    {FATAL_LINE_START, "\r\n"},
    {FATAL_BANNER, "runtime error "},
};

// Handle 2 may have no system handle yet (the handle table is built after the first fatal
// message can occur), so the process's own standard error stands in for it.
os::Handle error_output() {
    if (handle_table.blocks[0] != nullptr && 2 < handle_table.handle_count) {
        os::Handle handle = handle_table.blocks[0][2].os_handle;
        if (handle != os::NO_HANDLE) {
            return handle;
        }
    }
    return os::get_std_handle(2);
}

} // namespace

// One write of the whole text, so that the message is never split by another writer.
void write_fatal_message(int number) {
    for (const FatalMessage& message : FATAL_MESSAGES) {
        if (message.number == number) {
            std::uint32_t done = 0;
            os::write_file(error_output(), message.text,
                           static_cast<std::uint32_t>(std::strlen(message.text)), &done);
            return;
        }
    }
}

void fatal_exit(int number) {
    write_fatal_message(FATAL_LINE_START);
    if (fatal_message_hook != nullptr) {
        fatal_message_hook();
    }
    write_fatal_message(FATAL_BANNER);
    write_fatal_message(number);
    quick_exit(255);
}

} // namespace lnc
