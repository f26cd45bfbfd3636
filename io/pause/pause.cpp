// The pause statement: ends the open console line, prompts, reads one reply line and runs a reply
// of two or more characters as a command.
#include "io/pause/pause.h"

#include "io/units/units.h"
#include "runtime/process/process.h"

namespace lnc {

namespace {

const char DEFAULT_PROMPT[] =
    "Pause - Please enter a blank line (to continue) or a DOS command.\r\n";

// The reply without its trailing blanks and tabs; leading blanks are part of the command.
int trimmed_length(const char* reply, int length) {
    while (length > 0 && (reply[length - 1] == ' ' || reply[length - 1] == '\t'))
        --length;
    return length;
}

} // namespace

void pause_statement(int length, const char* message) {
    end_console_line();
    if (message != nullptr)
        console_write_line(message, length < 0 ? 0 : length);
    else
        console_write(DEFAULT_PROMPT);

    char reply[REPLY_CAPACITY + 1];
    int stored = console_read_line(reply, REPLY_CAPACITY);
    // A failed or empty read is an empty reply; never trust a count beyond the buffer.
    if (stored < 0)
        stored = 0;
    if (stored > REPLY_CAPACITY)
        stored = REPLY_CAPACITY;
    stored = trimmed_length(reply, stored);
    reply[stored] = '\0';
    if (stored >= 2)
        run_command(reply);
}

} // namespace lnc
