// The implicit open of a unit that a READ or WRITE names before any OPEN: the file name from
// the command line or from the console, devices by name, and the already-connected check.
#include <cstdint>
#include <cstring>

#include "errors/errors.h"
#include "io/units/units.h"
#include "io/units/units_internal.h"
#include "os/system_errors.h"
#include "runtime/handles/handles.h"
#include "runtime/startup/startup.h"

namespace lnc {

namespace {

constexpr char NAME_PROMPT[] = "File name missing or blank - please enter file name\r\nUNIT ";

char file_name[FILE_NAME_CAPACITY + 1];

void trim_blanks(char* text) {
    std::size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == ' ')
        text[--length] = '\0';
    std::size_t start = 0;
    while (text[start] == ' ')
        start++;
    std::memmove(text, text + start, length - start + 1);
}

// The unit number in decimal at `text`, which has room for 12 bytes; returns its end.
char* put_unit_number(char* text, std::int32_t unit) {
    char digits[12];
    int length = 0;
    std::uint32_t magnitude =
        unit < 0 ? 0u - static_cast<std::uint32_t>(unit) : static_cast<std::uint32_t>(unit);
    do {
        digits[length++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (unit < 0)
        *text++ = '-';
    while (length > 0)
        *text++ = digits[--length];
    *text = '\0';
    return text;
}

void write_unit_number(std::int32_t unit) {
    char text[13];
    put_unit_number(text, unit);
    console_write(text);
}

// Asks at the console until a name that is not blank is typed. Input that has reached its end
// would be asked forever: the unit then takes the file named after its number, fort.N in the
// current directory.
void prompt_for_name(std::int32_t unit) {
    end_console_line();
    while (file_name[0] == '\0') {
        console_write(NAME_PROMPT);
        write_unit_number(unit);
        console_write("? ");
        bool nothing_read;
        int n = console_read_line_checked(file_name, FILE_NAME_CAPACITY, &nothing_read);
        if (nothing_read) {
            std::memcpy(file_name, "fort.", 5);
            put_unit_number(file_name + 5, unit);
            return;
        }
        file_name[n] = '\0';
        trim_blanks(file_name);
    }
}

} // namespace

const char* obtain_file_name(std::int32_t unit) {
    file_name[0] = '\0';
    if (implicit_open_index <= process_state.argc - 1 && process_state.argv != nullptr) {
        const char* argument = process_state.argv[implicit_open_index++];
        std::size_t length = std::strlen(argument);
        if (length > FILE_NAME_CAPACITY - 1)
            length = FILE_NAME_CAPACITY - 1;
        std::memcpy(file_name, argument, length);
        file_name[length] = '\0';
        trim_blanks(file_name);
    }
    if (file_name[0] == '\0')
        prompt_for_name(unit);
    return file_name;
}

namespace {

// Frees a block whose connection failed and raises the error of the handle layer's code; a code
// with no message of its own is reported as an invalid open.
[[noreturn]] void fail_open(UnitBlock* block, int code) {
    release_unit(block, code);
    raise_runtime_error(MSG_OPEN_FAILED, error_state.statement_kind);
}

// A device is a console-like unit: carriage control, a 132-byte buffer.
UnitBlock* open_device(char* name, int code) {
    char* dot = std::strrchr(name, '.');
    if (dot != nullptr)
        *dot = '\0';
    UnitBlock* block = new_unit_block(CONSOLE_BUFFER_SIZE);
    block->name = copy_unit_name(name);
    block->organisation = ORGANISATION_CONSOLE;
    block->format_flags = CC_CONTROL_CHAR;
    if (code == 1) {
        block->flags |= CONSOLE_CONNECTED;
        block->handle = 1;
    } else if (code == 2) {
        block->handle = 2;
    } else {
        block->handle =
            open_file(name, OPEN_READ_WRITE | OPEN_BINARY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
        if (block->handle == -1)
            fail_open(block, error_code);
    }
    return block;
}

// One file is connected to one unit at a time.
void check_not_connected(UnitBlock* block) {
    for (int entry = 1; entry <= LAST_NUMBERED_ENTRY; ++entry) {
        const UnitBlock* other = unit_table[entry].block;
        if (other == nullptr || other->handle < 3)
            continue;
        if (same_file(block->handle, other->handle)) {
            close_handle(block->handle);
            release_unit(block, 0);
            raise_runtime_error(MSG_ALREADY_CONNECTED, error_state.statement_kind);
        }
    }
}

// A formatted sequential file, positioned at its start; a READ does not create it.
UnitBlock* open_named_file(const char* name, int access) {
    UnitBlock* block = new_unit_block(FILE_BUFFER_SIZE);
    block->name = copy_unit_name(name);
    block->organisation = ORGANISATION_FILE;
    int flags = OPEN_READ_WRITE | OPEN_BINARY | (access == ACCESS_READ ? 0 : OPEN_CREATE);
    block->handle = open_file(name, flags, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    if (block->handle == -1 && access == ACCESS_READ && error_code == os::CODE_ACCESS)
        block->handle =
            open_file(name, OPEN_READ_ONLY | OPEN_BINARY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    if (block->handle == -1)
        fail_open(block, error_code);
    check_not_connected(block);
    return block;
}

int free_numbered_entry() {
    for (int entry = 1; entry <= LAST_NUMBERED_ENTRY; ++entry) {
        if (unit_table[entry].block == nullptr)
            return entry;
    }
    return 0;
}

} // namespace

void implicit_open(std::int32_t unit, int access) {
    int saved_kind = error_state.statement_kind;
    error_state.statement_kind = KIND_OPEN;
    error_state.report_name_buffer[0] = '\0';
    char name[FILE_NAME_CAPACITY + 1];
    std::strcpy(name, obtain_file_name(unit));
    std::size_t length = std::strlen(name);
    if (length > sizeof error_state.report_name_buffer - 1)
        length = sizeof error_state.report_name_buffer - 1;
    std::memcpy(error_state.report_name_buffer, name, length);
    error_state.report_name_buffer[length] = '\0';
    bool device;
    int code = device_code(name, &device);
    UnitBlock* block = device ? open_device(name, code) : open_named_file(name, access);
    int entry = free_numbered_entry();
    if (entry == 0) {
        if (block->handle >= 3)
            close_handle(block->handle);
        fail_open(block, os::CODE_UNIT_TABLE_FULL);
    }
    unit_table[entry] = UnitEntry{unit, block};
    error_state.statement_kind = saved_kind;
}

} // namespace lnc
