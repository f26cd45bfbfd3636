// Connecting a unit to a file: the handle for each STATUS= and ACTION=, scratch files, devices,
// the one-unit-per-file rule, and the unit block of each organisation.
#include <cstring>

#include "errors/errors.h"
#include "io/files/files.h"
#include "os/system_errors.h"
#include "runtime/handles/handles.h"
#include "runtime/process/process.h"

namespace lnc {

namespace {

// The record buffer of a unit: a formatted sequential file holds its WRITEs' records in it until
// it is full, as the implicit open's file does, so that a few records go to the system at once
// (8 KiB: one write for some five hundred short records); the other organisations take one
// record at a time.
constexpr int FILE_RECORD_BUFFER = 1024;
constexpr int SEQUENTIAL_TEXT_BUFFER = 8192;
constexpr int SCRATCH_NAMES = 9999;

int disposition_of(int status) {
    switch (status) {
    case STATUS_OLD:
        return 0;
    case STATUS_NEW:
        return OPEN_CREATE | OPEN_EXCLUSIVE;
    case STATUS_REPLACE:
        return OPEN_CREATE | OPEN_TRUNCATE;
    default:
        return OPEN_CREATE;
    }
}

int open_binary(const char* name, int flags) {
    return open_file(name, flags | OPEN_BINARY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
}

// The directory named by TMP, TEMP or TMPDIR, or the current directory ("").
const char* temporary_directory() {
    static constexpr const char* VARIABLES[] = {"TMP", "TEMP", "TMPDIR"};
    for (const char* variable : VARIABLES) {
        const char* value = find_environment_value(variable);
        if (value != nullptr && value[0] != '\0' && std::strlen(value) < NAME_CAPACITY - 16)
            return value;
    }
    return "";
}

// directory/lncNNNN.tmp
void scratch_name(char* name, const char* directory, int number) {
    std::size_t length = std::strlen(directory);
    std::memcpy(name, directory, length);
    if (length > 0 && directory[length - 1] != '/' && directory[length - 1] != '\\')
        name[length++] = '/';
    std::memcpy(name + length, "lnc", 3);
    length += 3;
    for (int divisor = 1000; divisor > 0; divisor /= 10)
        name[length++] = static_cast<char>('0' + number / divisor % 10);
    std::memcpy(name + length, ".tmp", 5);
}

char* copy_name(const char* name) {
    std::size_t length = std::strlen(name);
    auto* copy = static_cast<char*>(unit_alloc(static_cast<int>(length + 1)));
    std::memcpy(copy, name, length + 1);
    return copy;
}

// A device is a console-like unit: carriage control, a buffer of one console line.
UnitBlock* connect_device(const char* name, int code) {
    UnitBlock* block = new_unit_block(CONSOLE_BUFFER_SIZE);
    block->name = copy_name(name);
    char* dot = std::strrchr(block->name, '.');
    if (dot != nullptr)
        *dot = '\0';
    block->organisation = ORGANISATION_CONSOLE;
    block->format_flags = CC_CONTROL_CHAR;
    block->handle = code == 1 ? 1 : code == 2 ? 2 : open_binary(block->name, ACTION_READWRITE);
    if (code == 1)
        block->flags |= CONSOLE_CONNECTED;
    if (block->handle == -1) {
        release_unit(block, error_code);
        raise_runtime_error(MSG_OPEN_FAILED, KIND_OPEN);
    }
    return block;
}

// The organisation, buffer and record length that ACCESS=, FORM= and RECL= ask for. A formatted
// direct-access record holds RECL characters and the CR LF that ends it in the file.
void lay_out(UnitBlock* block, const FileStatement& s) {
    bool direct = s.access == ACCESS_DIRECT;
    bool unformatted = s.form == FORM_UNFORMATTED || (direct && s.form == NOT_GIVEN);
    int recl = s.recl == NOT_GIVEN ? 0 : s.recl;
    if (!direct) {
        block->organisation = unformatted ? ORGANISATION_UNFORMATTED : ORGANISATION_FILE;
        block->record_length = recl;
    } else {
        block->organisation = unformatted ? ORGANISATION_DIRECT : ORGANISATION_FORMATTED_DIRECT;
        block->record_length = unformatted ? recl : recl + 2;
    }
    if (s.blank == BLANK_ZERO && !unformatted)
        block->format_flags |= FMT_BLANK_ZERO;
}

// One file is connected to one unit at a time; a device may serve many.
void check_file_not_connected(UnitBlock* block) {
    if (is_device(block->handle))
        return;
    for (int entry = 1; entry < ENTRY_CONSOLE; ++entry) {
        const UnitBlock* other = unit_table[entry].block;
        if (other != nullptr && other->handle >= 3 && same_file(block->handle, other->handle)) {
            close_handle(block->handle);
            release_unit(block, 0);
            raise_runtime_error(MSG_ALREADY_CONNECTED, KIND_OPEN);
        }
    }
}

// BACKSPACE finds the record before by reading the file, so a sequential file opened with
// ACTION='WRITE' is opened for reading too where the system allows it; the unit's open_action
// stays ACTION_WRITE, so that a READ is still refused.
int open_sequential_for_writing(const char* name, int status) {
    int readable = ACTION_READWRITE;
    int h = open_named(name, status, &readable);
    if (h == -1 && error_code == os::CODE_ACCESS) {
        int write_only = ACTION_WRITE;
        h = open_named(name, status, &write_only);
    }
    return h;
}

// Everything the unit needs is allocated before the file is opened, so that a shortage of
// memory cannot leave a handle open.
UnitBlock* connect_file(FileStatement& s) {
    bool scratch = s.status == STATUS_SCRATCH;
    bool text = s.access != ACCESS_DIRECT && s.form != FORM_UNFORMATTED;
    UnitBlock* block = new_unit_block(text ? SEQUENTIAL_TEXT_BUFFER : FILE_RECORD_BUFFER);
    block->name = static_cast<char*>(unit_alloc(NAME_CAPACITY));
    lay_out(block, s);
    int action = s.action;
    if (scratch) {
        block->handle = open_scratch(s.name);
        block->flags |= SCRATCH;
        action = ACTION_READWRITE;
    } else if (action == ACTION_WRITE && s.access != ACCESS_DIRECT) {
        block->handle = open_sequential_for_writing(s.name, s.status);
    } else {
        block->handle = open_named(s.name, s.status, &action);
    }
    std::strcpy(block->name, s.name);
    block->open_action = action;
    if (block->handle == -1) {
        release_unit(block, error_code);
        raise_runtime_error(MSG_OPEN_FAILED, KIND_OPEN);
    }
    check_file_not_connected(block);
    if (s.position == POSITION_APPEND && s.access != ACCESS_DIRECT) {
        std::int32_t end = seek(block->handle, 0, 2);
        block->transferred = end > 0 ? end : 0;
    }
    return block;
}

int free_numbered_entry() {
    for (int entry = 1; entry < ENTRY_CONSOLE; ++entry) {
        if (unit_table[entry].block == nullptr)
            return entry;
    }
    return 0;
}

} // namespace

// Without ACTION= a file is opened for reading and writing, or for reading only when it allows
// no more (unless STATUS= asks to create or empty it, which needs writing).
int open_named(const char* name, int status, int* action) {
    int flags = disposition_of(status);
    bool chosen = *action != NOT_GIVEN;
    *action = chosen ? *action : ACTION_READWRITE;
    int h = open_binary(name, *action | flags);
    bool may_fall_back = status == STATUS_OLD || status == STATUS_UNKNOWN || status == NOT_GIVEN;
    if (h == -1 && !chosen && may_fall_back && error_code == os::CODE_ACCESS) {
        h = open_binary(name, ACTION_READ | flags);
        *action = ACTION_READ;
    }
    return h;
}

// On a system that deletes a temporary file only at its close the names must differ, so each
// name already taken moves on to the next.
int open_scratch(char* name) {
    const char* directory = temporary_directory();
    int flags =
        ACTION_READWRITE | OPEN_CREATE | OPEN_EXCLUSIVE | OPEN_TEMPORARY | OPEN_NOT_INHERITED;
    for (int number = 1; number <= SCRATCH_NAMES; ++number) {
        scratch_name(name, directory, number);
        int h = open_binary(name, flags);
        if (h != -1 || error_code != os::CODE_EXISTS)
            return h;
    }
    return -1;
}

// The file is looked at through a handle of its own, opened for reading only, so that nothing
// happens to it; a file that cannot be opened so is connected to no unit that could tell.
int entry_connected_to(const char* name, int except) {
    int probe = open_binary(name, ACTION_READ);
    if (probe == -1)
        return 0;
    int found = 0;
    for (int entry = 1; entry < ENTRY_CONSOLE && found == 0; ++entry) {
        const UnitBlock* other = unit_table[entry].block;
        if (entry != except && other != nullptr && other->handle >= 3 &&
            same_file(probe, other->handle))
            found = entry;
    }
    close_handle(probe);
    return found;
}

int entry_of_device(const char* name) {
    char stem[NAME_CAPACITY];
    std::strncpy(stem, name, NAME_CAPACITY - 1);
    stem[NAME_CAPACITY - 1] = '\0';
    char* dot = std::strrchr(stem, '.');
    if (dot != nullptr)
        *dot = '\0';
    for (int entry = 1; entry < ENTRY_CONSOLE; ++entry) {
        const UnitBlock* block = unit_table[entry].block;
        if (block != nullptr && block->organisation == ORGANISATION_CONSOLE &&
            compare_ignoring_case(stem, block->name) == 0)
            return entry;
    }
    return 0;
}

// Connects the unit of the statement, which is not connected: the name is known, the
// specifiers agree with one another.
void connect_unit(FileStatement& s) {
    int entry = free_numbered_entry();
    if (entry == 0)
        raise_runtime_error(MSG_TOO_MANY_UNITS, KIND_OPEN);
    bool device = false;
    int code = s.status == STATUS_SCRATCH ? 0 : device_code(s.name, &device);
    if (device && (s.access == ACCESS_DIRECT || s.form == FORM_UNFORMATTED))
        raise_runtime_error(MSG_OPEN_FAILED, KIND_OPEN);
    // Checked before the file is touched, so that a NEW or REPLACE cannot empty it.
    if (!device && s.status != STATUS_SCRATCH && entry_connected_to(s.name, 0) != 0)
        raise_runtime_error(MSG_ALREADY_CONNECTED, KIND_OPEN);
    UnitBlock* block = device ? connect_device(s.name, code) : connect_file(s);
    unit_table[entry] = UnitEntry{s.unit, block};
}

} // namespace lnc
