// The process services of start-up on POSIX systems: a fixed version word, the arguments as the
// entry received them, the program path the kernel started it by, the environment
// of the C library and the immediate end of the process; processor affinity is not offered.
#include <sys/auxv.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "os/startup.h"

extern char** environ;

namespace lnc::os {

namespace {
// Version 6.1, build 7601: bit 15 of the high word is clear, so the command interpreter is the
// one of the NT family.
constexpr std::uint32_t POSIX_VERSION_WORD = (7601u << 16) | (1u << 8) | 6u;
} // namespace

std::uint32_t version_word() {
    return POSIX_VERSION_WORD;
}

const bool ARGUMENTS_FROM_ENTRY = true;

// The entry's argv is taken as given, so there is no raw text to split; an empty line stands
// in for it so that start-up does not take it for a missing command line.
const char* command_line() {
    return "";
}

// Narrow text here is a single-byte or UTF-8 stream: no byte stands for the first half of a
// double-byte character.
void ansi_lead_bytes(std::uint8_t table[256]) {
    std::memset(table, 0, 256);
}

// The path the kernel started the program by is the full path whenever it was started by one,
// as through PATH, and costs nothing to read; only a relative start asks for the executable link
// (the C library's own start-up has read that link already, but keeps what it found to itself).
const char* absolute_start_path() {
    const char* path = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    return path != nullptr && path[0] == '/' ? path : nullptr;
}

int program_path(char* out, int capacity) {
    if (capacity <= 0) {
        return 0;
    }
    std::size_t room = static_cast<std::size_t>(capacity - 1);
    if (const char* path = absolute_start_path()) {
        std::size_t length = std::min(std::strlen(path), room); // cut as the module-name call cuts
        std::memcpy(out, path, length);
        out[length] = '\0';
        return static_cast<int>(length);
    }
    ssize_t length = readlink("/proc/self/exe", out, room);
    if (length < 0) {
        out[0] = '\0';
        return 0;
    }
    out[length] = '\0';
    return static_cast<int>(length);
}

std::size_t environment_size() {
    std::size_t size = 1;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        size += std::strlen(*entry) + 1;
    }
    return size;
}

bool copy_environment(char* out, std::size_t size) {
    std::size_t used = 0;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        std::size_t length = std::strlen(*entry) + 1;
        if (used + length + 1 > size) {
            return false;
        }
        std::memcpy(out + used, *entry, length);
        used += length;
    }
    if (used + 1 > size) {
        return false;
    }
    out[used] = '\0';
    return true;
}

void end_process(int code) {
    _exit(code);
}

// Descriptors are limited by the process's resource limit, far above what the run-time asks for.
void set_handle_count(int) {}

// No processor that runs this build can have the faulty divider, so the affinity calls are not
// offered, as on a system whose library lacks them: the divider test then runs on the current
// processor only, and the thread is never moved to another processor (each move waits for that
// processor to wake and costs the start-up a few tenths of a millisecond).
bool process_affinity(std::uint32_t*) {
    return false;
}

bool bind_thread(std::uint32_t) {
    return false;
}

bool unbind_thread() {
    return false;
}

} // namespace lnc::os
