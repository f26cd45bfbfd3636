// The console routines of the pause statement and of the file-name prompt: explicit writes to
// standard output, the deferred line end, and reading one typed line.
#include <cstring>

#include "io/units/units.h"
#include "io/units/units_internal.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"

namespace lnc {

void console_write(const char* text) {
    write_handle(1, text, static_cast<int>(std::strlen(text)));
}

void console_write_line(const char* text, int length) {
    if (length < 0)
        length = 0;
    auto* line = static_cast<char*>(unit_alloc(length + 2));
    if (length > 0)
        std::memcpy(line, text, static_cast<std::size_t>(length));
    line[length] = '\r';
    line[length + 1] = '\n';
    write_handle(1, line, length + 2);
    release(line);
}

// The flag stays set: the exit still owes the line its end of the record.
void end_console_line() {
    UnitBlock* block = console_output_block();
    if (block != nullptr && (block->flags & LINE_PENDING) != 0)
        write_handle(1, "\r\n", 2);
}

namespace {

// A console read delivers one typed line with its line end, or as much of a longer line as
// fits (the rest stays in the console's input); a line end does not count as characters, and
// in a line cut short the last two places count as the room its line end would have taken.
int read_device_line(char* buffer, int capacity, bool* nothing_read) {
    *nothing_read = false;
    int n = capacity > 0 ? read_handle(0, buffer, capacity) : 0;
    if (n <= 0) {
        *nothing_read = true;
        return 0;
    }
    if (buffer[n - 1] == '\n') {
        n--;
        if (n > 0 && buffer[n - 1] == '\r')
            n--;
        return n;
    }
    return n >= 2 ? n - 2 : 0;
}

// Redirected input follows the record rules: the line's first `capacity` characters are kept,
// the rest of it is read and dropped; the end of the input is an end-of-file error.
int read_record_line(char* buffer, int capacity) {
    int stored = 0;
    for (;;) {
        std::uint8_t c = next_char();
        if (c == '\n')
            break;
        if (c == '\r') {
            if (next_char() != '\n')
                current_unit->pos--;
            break;
        }
        if (stored < capacity)
            buffer[stored++] = static_cast<char>(c);
    }
    return stored;
}

// The end of redirected input is answered through nothing_read when end_answered, else it is the
// end-of-file error of a record read.
int read_console(char* buffer, int capacity, bool* nothing_read, bool end_answered) {
    current_unit = unit_table[ENTRY_CONSOLE].block;
    current_unit_entry = ENTRY_CONSOLE;
    *nothing_read = false;
    if (is_device(0))
        return read_device_line(buffer, capacity, nothing_read);
    if (unit_table[ENTRY_CONSOLE_OUTPUT].block == nullptr)
        current_unit->handle = 0;
    if (end_answered && input_used_up(current_unit)) {
        *nothing_read = true;
        return 0;
    }
    return read_record_line(buffer, capacity);
}

} // namespace

int console_read_line_checked(char* buffer, int capacity, bool* nothing_read) {
    return read_console(buffer, capacity, nothing_read, true);
}

int console_read_line(char* buffer, int capacity) {
    bool nothing_read;
    return read_console(buffer, capacity, &nothing_read, false);
}

} // namespace lnc
