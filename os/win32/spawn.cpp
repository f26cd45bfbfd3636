// Starting and waiting for child processes over KERNEL32, and how program names are found here.

#include <cstring>

#include "os/spawn.h"
// After our own headers: windows.h defines macros with the names and values of some of our
// constants, which must not rewrite their declarations.
#include <windows.h>

namespace lnc {
extern const char PATH_LIST_SEPARATOR;
const char PATH_LIST_SEPARATOR = ';';
} // namespace lnc

namespace lnc::os {

namespace {

const char* const EXTENSIONS[] = {".com", ".exe", ".bat", ".cmd", nullptr};

constexpr unsigned NOT_NT_FAMILY = 0x8000;

// The blocks live only while the child is created, so they come from the system's own heap.

// The child's one command line: element 0, then the other elements, separated by blanks and
// taken as they stand (no quotes are added).
char* join_arguments(const char* const* arguments) {
    std::size_t size = 1;
    for (const char* const* argument = arguments; *argument != nullptr; ++argument)
        size += std::strlen(*argument) + 1;
    auto* line = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size));
    if (line == nullptr)
        return nullptr;
    char* end = line;
    for (const char* const* argument = arguments; *argument != nullptr; ++argument) {
        if (argument != arguments)
            *end++ = ' ';
        std::size_t length = std::strlen(*argument);
        std::memcpy(end, *argument, length);
        end += length;
    }
    *end = '\0';
    return line;
}

// The leading "=X:=..." entries (the current directory of each drive) of the current environment.
std::size_t drive_entries_size(const char* current) {
    const char* entry = current;
    while (entry != nullptr && entry[0] == '=' && entry[1] != '\0' && entry[2] == ':' &&
           entry[3] == '=')
        entry += std::strlen(entry) + 1;
    return static_cast<std::size_t>(entry - current);
}

// The drive entries copied unchanged, each given string with its terminator, one more terminator.
char* environment_block(const char* const* environment) {
    char* current = GetEnvironmentStringsA();
    std::size_t drives = current != nullptr ? drive_entries_size(current) : 0;
    std::size_t size = drives + 1;
    for (const char* const* entry = environment; *entry != nullptr; ++entry)
        size += std::strlen(*entry) + 1;
    auto* block = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size));
    if (block != nullptr) {
        if (drives != 0)
            std::memcpy(block, current, drives);
        char* end = block + drives;
        for (const char* const* entry = environment; *entry != nullptr; ++entry) {
            std::size_t length = std::strlen(*entry) + 1;
            std::memcpy(end, *entry, length);
            end += length;
        }
        *end = '\0';
    }
    if (current != nullptr)
        FreeEnvironmentStringsA(current);
    return block;
}

void release_all(char* line, char* block) {
    if (line != nullptr)
        HeapFree(GetProcessHeap(), 0, line);
    if (block != nullptr)
        HeapFree(GetProcessHeap(), 0, block);
}

std::intptr_t finish(int mode, PROCESS_INFORMATION* process) {
    std::intptr_t result = 0;
    if (mode == 0) {
        WaitForSingleObject(process->hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process->hProcess, &code);
        result = static_cast<std::int32_t>(code);
        CloseHandle(process->hProcess);
    } else if (mode == 4) {
        CloseHandle(process->hProcess);
    } else if (mode == 1 || mode == 3) {
        result = reinterpret_cast<std::intptr_t>(process->hProcess);
    }
    CloseHandle(process->hThread);
    return result;
}

} // namespace

const SpawnRules spawn_rules = {';', '\\', "\\/", ':', "/c", true, EXTENSIONS};

const char* fallback_interpreter(unsigned version_high) {
    return (version_high & NOT_NT_FAMILY) != 0 ? "command.com" : "cmd.exe";
}

bool file_exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Only existence is checked here; the process creation tells whether the file can be started.
std::uint32_t program_file_status(const char* path) {
    return file_exists(path) ? 0 : 2;
}

bool start_process(int mode, const char* path, const char* const* arguments,
                   const char* const* environment, const void* handle_block,
                   std::uint32_t handle_block_size, std::intptr_t* result) {
    char* line = join_arguments(arguments);
    char* block = environment != nullptr ? environment_block(environment) : nullptr;
    if (line == nullptr || (environment != nullptr && block == nullptr)) {
        release_all(line, block);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.cbReserved2 = static_cast<WORD>(handle_block_size);
    startup.lpReserved2 = static_cast<LPBYTE>(const_cast<void*>(handle_block));
    PROCESS_INFORMATION process;
    BOOL created =
        CreateProcessA(path, line, nullptr, nullptr, TRUE, mode == 4 ? DETACHED_PROCESS : 0, block,
                       nullptr, &startup, &process);
    DWORD error = GetLastError();
    release_all(line, block);
    if (!created) {
        SetLastError(error);
        return false;
    }
    *result = finish(mode, &process);
    return true;
}

} // namespace lnc::os
