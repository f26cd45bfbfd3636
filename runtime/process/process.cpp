// Command execution: finding the command interpreter and the program file, the limits on what a
// child is given, and starting it through the platform layer.
#include "runtime/process/process.h"

#include <cstring>

#include "os/spawn.h"
#include "os/system_errors.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"

namespace lnc {

namespace {

constexpr int PATH_BUFFER_SIZE = 260;
constexpr int PATH_ELEMENT_CAPACITY = 259;
constexpr std::size_t BLOCK_LIMIT = 32766; // arguments, program name and environment together

// The outcome of one attempt: whether a child was started at all, so that an exit code of -1
// is never mistaken for a failure to start (which would run the command a second time).
struct Attempt {
    bool started;
    std::intptr_t result;
};

constexpr Attempt NOT_STARTED = {false, -1};

Attempt fail(int code, std::uint32_t system_code) {
    error_code = code;
    system_error = system_code;
    return NOT_STARTED;
}

Attempt fail_mapped(std::uint32_t system_code) {
    map_system_error(system_code);
    return NOT_STARTED;
}

bool is_directory_separator(char c) {
    return c != '\0' && std::strchr(os::spawn_rules.directory_separators, c) != nullptr;
}

// The element's first two characters are each a directory separator ("\\server\share").
bool is_network_path(const char* path) {
    return is_directory_separator(path[0]) && is_directory_separator(path[1]);
}

// The argument block: every element with its terminator, then one more terminator. The
// environment block likewise, when a list is given.
std::size_t string_list_size(const char* const* list) {
    std::size_t size = 1;
    for (; *list != nullptr; ++list)
        size += std::strlen(*list) + 1;
    return size;
}

Attempt launch(int mode, const char* path, const char* const* arguments,
               const char* const* environment) {
    if (mode < SPAWN_WAIT || mode > SPAWN_DETACHED)
        return fail(os::CODE_INVALID, 0);
    if (arguments == nullptr || arguments[0] == nullptr)
        return fail(os::CODE_INVALID, 0);
    std::size_t total = string_list_size(arguments) + std::strlen(path) + 1;
    if (environment != nullptr)
        total += string_list_size(environment);
    if (total > BLOCK_LIMIT)
        return fail(os::CODE_ARGUMENTS_TOO_LONG, os::SYS_BAD_ENVIRONMENT);
    std::uint32_t handle_block_size = 0;
    void* handle_block = build_handle_block(mode, &handle_block_size);
    if (handle_block == nullptr)
        return fail(os::CODE_NO_MEMORY, os::SYS_NOT_ENOUGH_MEMORY);
    Attempt attempt = {false, -1};
    // The child reads standard input from where the program's own reads have come to.
    return_read_ahead();
    attempt.started = os::start_process(mode, path, arguments, environment, handle_block,
                                        handle_block_size, &attempt.result);
    std::uint32_t system_code = os::last_error();
    release(handle_block);
    if (!attempt.started)
        return fail_mapped(system_code);
    if (mode == SPAWN_OVERLAY)
        quick_exit(0);
    return attempt;
}

// A name whose last part has no extension gets the platform's extensions in turn; the first
// that names a file is launched.
Attempt launch_guessing_extension(int mode, const char* name, const char* const* arguments,
                                  const char* const* environment) {
    std::size_t length = std::strlen(name);
    char* candidate = static_cast<char*>(allocate(length + 5));
    if (candidate == nullptr)
        return fail(os::CODE_NO_MEMORY, os::SYS_NOT_ENOUGH_MEMORY);
    std::memcpy(candidate, name, length);
    Attempt attempt = fail(os::CODE_NO_ENTRY, os::SYS_FILE_NOT_FOUND);
    for (const char* const* extension = os::spawn_rules.extensions; *extension != nullptr;
         ++extension) {
        std::strcpy(candidate + length, *extension);
        if (os::file_exists(candidate)) {
            attempt = launch(mode, candidate, arguments, environment);
            break;
        }
    }
    release(candidate);
    return attempt;
}

Attempt resolve_and_launch(int mode, const char* name, const char* const* arguments,
                           const char* const* environment) {
    const char* last_part = nullptr;
    for (const char* c = name; *c != '\0'; ++c) {
        if (is_directory_separator(*c))
            last_part = c + 1;
    }
    if (last_part == nullptr && os::spawn_rules.drive_separator != '\0') {
        const char* drive = std::strchr(name, os::spawn_rules.drive_separator);
        if (drive != nullptr)
            last_part = drive + 1;
    }
    if (last_part == nullptr) {
        // A bare name is never looked for in the current directory unless the platform says so.
        if (!os::spawn_rules.bare_name_in_current_directory)
            return fail(os::CODE_NO_ENTRY, os::SYS_FILE_NOT_FOUND);
        std::size_t length = std::strlen(name);
        char* explicit_name = static_cast<char*>(allocate(length + 3));
        if (explicit_name == nullptr)
            return fail(os::CODE_NO_MEMORY, os::SYS_NOT_ENOUGH_MEMORY);
        explicit_name[0] = '.';
        explicit_name[1] = os::spawn_rules.directory_separator;
        std::memcpy(explicit_name + 2, name, length + 1);
        Attempt attempt = resolve_and_launch(mode, explicit_name, arguments, environment);
        release(explicit_name);
        return attempt;
    }
    if (os::spawn_rules.extensions != nullptr && std::strchr(last_part, '.') == nullptr)
        return launch_guessing_extension(mode, name, arguments, environment);
    if (std::uint32_t status = os::program_file_status(name); status != 0)
        return fail_mapped(status);
    return launch(mode, name, arguments, environment);
}

// Each element of PATH in turn, until a child starts or an error other than a missing file
// (tolerated also on a network path) ends the search.
Attempt search_path(int mode, const char* name, const char* const* arguments,
                    const char* const* environment, const char* path, Attempt attempt) {
    char* buffer = static_cast<char*>(allocate(PATH_BUFFER_SIZE));
    if (buffer == nullptr)
        return attempt;
    std::size_t name_length = std::strlen(name);
    while ((path = next_path_element(path, buffer, PATH_ELEMENT_CAPACITY,
                                     os::spawn_rules.list_separator)) != nullptr &&
           buffer[0] != '\0') {
        std::size_t length = std::strlen(buffer);
        if (!is_directory_separator(buffer[length - 1]))
            buffer[length++] = os::spawn_rules.directory_separator;
        if (length + name_length >= PATH_BUFFER_SIZE)
            break;
        std::memcpy(buffer + length, name, name_length + 1);
        attempt = resolve_and_launch(mode, buffer, arguments, environment);
        if (attempt.started || (error_code != os::CODE_NO_ENTRY && !is_network_path(buffer)))
            break;
    }
    release(buffer);
    return attempt;
}

Attempt launch_searching_path(int mode, const char* name, const char* const* arguments,
                              const char* const* environment) {
    Attempt attempt = resolve_and_launch(mode, name, arguments, environment);
    if (attempt.started || error_code != os::CODE_NO_ENTRY || std::strchr(name, '/') != nullptr)
        return attempt;
    const char* path = find_environment_value("PATH");
    if (path == nullptr)
        return attempt;
    return search_path(mode, name, arguments, environment, path, attempt);
}

} // namespace

void* build_handle_block(int mode, std::uint32_t* size) {
    std::uint32_t count = 0;
    for (int h = 0; h < handle_table.handle_count; ++h) {
        const HandleEntry* block = handle_table.blocks[h / HANDLES_PER_BLOCK];
        if (block != nullptr && (block[h % HANDLES_PER_BLOCK].mode_flags & H_OPEN) != 0)
            count = static_cast<std::uint32_t>(h) + 1;
    }
    *size = 4 + 5 * count;
    auto* bytes = static_cast<std::uint8_t*>(allocate(*size));
    if (bytes == nullptr)
        return nullptr;
    std::memcpy(bytes, &count, 4);
    std::uint8_t* flags = bytes + 4;
    std::uint8_t* handles = flags + count;
    for (std::uint32_t h = 0; h < count; ++h) {
        const HandleEntry* block = handle_table.blocks[h / HANDLES_PER_BLOCK];
        HandleEntry entry =
            block != nullptr ? block[h % HANDLES_PER_BLOCK] : HandleEntry{os::NO_HANDLE, 0, '\n'};
        if (mode == SPAWN_DETACHED && h < 3)
            entry = HandleEntry{os::NO_HANDLE, 0, '\n'};
        flags[h] = entry.mode_flags;
        auto os_handle = static_cast<std::int32_t>(entry.os_handle);
        std::memcpy(handles + 4 * h, &os_handle, 4);
    }
    return bytes;
}

const char* find_environment_value(const char* name) {
    if (name == nullptr || process_state.environment == nullptr)
        return nullptr;
    std::size_t length = std::strlen(name);
    for (char** entry = process_state.environment; *entry != nullptr; ++entry) {
        const char* text = *entry;
        std::size_t i = 0;
        while (i < length && text[i] != '\0' &&
               to_upper(static_cast<unsigned char>(text[i])) ==
                   to_upper(static_cast<unsigned char>(name[i])))
            ++i;
        if (i == length && text[i] == '=')
            return text + length + 1;
    }
    return nullptr;
}

std::intptr_t spawn_program(int mode, const char* name, const char* const* arguments,
                            const char* const* environment) {
    return resolve_and_launch(mode, name, arguments, environment).result;
}

std::intptr_t spawn_searching_path(int mode, const char* name, const char* const* arguments,
                                   const char* const* environment) {
    return launch_searching_path(mode, name, arguments, environment).result;
}

int run_command(const char* command) {
    const char* interpreter = find_environment_value("COMSPEC");
    if (command == nullptr)
        return interpreter != nullptr && os::file_exists(interpreter) ? 1 : 0;
    const char* arguments[] = {interpreter, os::spawn_rules.interpreter_switch, command, nullptr};
    if (interpreter != nullptr) {
        Attempt attempt = resolve_and_launch(SPAWN_WAIT, interpreter, arguments, nullptr);
        if (attempt.started)
            return static_cast<int>(attempt.result);
        if (error_code != os::CODE_NO_ENTRY && error_code != os::CODE_ACCESS)
            return -1;
    }
    arguments[0] = os::fallback_interpreter(process_state.version_high);
    return static_cast<int>(
        launch_searching_path(SPAWN_WAIT, arguments[0], arguments, nullptr).result);
}

} // namespace lnc
