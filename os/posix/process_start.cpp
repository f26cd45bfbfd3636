// The process services of start-up on POSIX systems: a fixed version word, the arguments as the
// entry received them, the program path from the process's own executable link, the environment
// of the C library, the immediate end of the process and the affinity of the calling thread.
#include <sched.h>
#include <unistd.h>

#include <cstring>

#include "os/startup.h"

extern char** environ;

namespace lnc::os {

namespace {
// Version 6.1, build 7601: bit 15 of the high word is clear, so the command interpreter is the
// one of the NT family.
constexpr std::uint32_t POSIX_VERSION_WORD = (7601u << 16) | (1u << 8) | 6u;

cpu_set_t saved_affinity;
bool affinity_saved = false;
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

int program_path(char* out, int capacity) {
    if (capacity <= 0) {
        return 0;
    }
    // readlink cuts a longer path to the room given, as the module-name call does.
    ssize_t length = readlink("/proc/self/exe", out, static_cast<std::size_t>(capacity - 1));
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

bool process_affinity(std::uint32_t* mask) {
    if (sched_getaffinity(0, sizeof saved_affinity, &saved_affinity) != 0) {
        return false;
    }
    affinity_saved = true;
    std::uint32_t bits = 0;
    for (int cpu = 0; cpu < 32; ++cpu) {
        if (CPU_ISSET(cpu, &saved_affinity)) {
            bits |= 1u << cpu;
        }
    }
    *mask = bits;
    return true;
}

bool bind_thread(std::uint32_t mask) {
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int cpu = 0; cpu < 32; ++cpu) {
        if ((mask >> cpu) & 1u) {
            CPU_SET(cpu, &set);
        }
    }
    return sched_setaffinity(0, sizeof set, &set) == 0;
}

// The whole saved set comes back, processors above 31 included.
bool unbind_thread() {
    return affinity_saved && sched_setaffinity(0, sizeof saved_affinity, &saved_affinity) == 0;
}

} // namespace lnc::os
