// The process services of start-up over KERNEL32: the version word, the raw command line, the
// code page's lead bytes, the module path, the environment block, the end of the process and
// the processor affinity that the division test walks through.
#include <cstring>

#include "os/startup.h"
// After our own headers: windows.h defines macros with the names and values of some of our
// constants, which must not rewrite their declarations.
#include <windows.h>

namespace lnc::os {

namespace {

using GetProcessAffinityMaskCall = BOOL(WINAPI*)(HANDLE, PDWORD_PTR, PDWORD_PTR);
using GetCurrentProcessCall = HANDLE(WINAPI*)();
using SetThreadAffinityMaskCall = DWORD_PTR(WINAPI*)(HANDLE, DWORD_PTR);
using GetCurrentThreadCall = HANDLE(WINAPI*)();

// The affinity functions are looked up by name: a system without them has one processor.
struct AffinityCalls {
    GetProcessAffinityMaskCall get_process_mask;
    GetCurrentProcessCall current_process;
    SetThreadAffinityMaskCall set_thread_mask;
    GetCurrentThreadCall current_thread;
};

template <typename Call> Call find_call(HMODULE module, const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool load_affinity_calls(AffinityCalls* calls) {
    HMODULE kernel = LoadLibraryA("KERNEL32");
    if (kernel == nullptr)
        return false;
    calls->get_process_mask =
        find_call<GetProcessAffinityMaskCall>(kernel, "GetProcessAffinityMask");
    calls->current_process = find_call<GetCurrentProcessCall>(kernel, "GetCurrentProcess");
    calls->set_thread_mask = find_call<SetThreadAffinityMaskCall>(kernel, "SetThreadAffinityMask");
    calls->current_thread = find_call<GetCurrentThreadCall>(kernel, "GetCurrentThread");
    return calls->get_process_mask != nullptr && calls->current_process != nullptr &&
           calls->set_thread_mask != nullptr && calls->current_thread != nullptr;
}

AffinityCalls affinity{};
DWORD_PTR process_mask = 0;

// The environment converted from its wide form (or taken narrow when that fails), in a block
// of the C library's heap that lives until the copy has been taken.
char* narrow_environment(std::size_t* size) {
    wchar_t* wide = GetEnvironmentStringsW();
    if (wide != nullptr) {
        const wchar_t* end = wide;
        while (*end != 0)
            end += wcslen(end) + 1;
        int wide_count = static_cast<int>(end - wide) + 1;
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide, wide_count, nullptr, 0, nullptr, nullptr);
        char* block = bytes > 0 ? static_cast<char*>(std::malloc(bytes)) : nullptr;
        if (block != nullptr &&
            WideCharToMultiByte(CP_ACP, 0, wide, wide_count, block, bytes, nullptr, nullptr) > 0) {
            FreeEnvironmentStringsW(wide);
            *size = static_cast<std::size_t>(bytes);
            return block;
        }
        std::free(block);
        FreeEnvironmentStringsW(wide);
    }
    char* narrow = GetEnvironmentStrings();
    if (narrow == nullptr)
        return nullptr;
    const char* end = narrow;
    while (*end != 0)
        end += std::strlen(end) + 1;
    std::size_t length = static_cast<std::size_t>(end - narrow) + 1;
    char* block = static_cast<char*>(std::malloc(length));
    if (block != nullptr)
        std::memcpy(block, narrow, length);
    FreeEnvironmentStringsA(narrow);
    *size = block != nullptr ? length : 0;
    return block;
}

struct ConvertedEnvironment {
    char* block;
    std::size_t size;
};
ConvertedEnvironment converted{};

} // namespace

std::uint32_t version_word() {
    return GetVersion();
}

const bool ARGUMENTS_FROM_ENTRY = false;

const char* command_line() {
    return GetCommandLineA();
}

void ansi_lead_bytes(std::uint8_t table[256]) {
    std::memset(table, 0, 256);
    CPINFO info;
    if (!GetCPInfo(CP_ACP, &info))
        return;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
        for (int byte = info.LeadByte[i]; byte <= info.LeadByte[i + 1]; ++byte)
            table[byte] = 1;
    }
}

int program_path(char* out, int capacity) {
    if (capacity <= 0)
        return 0;
    DWORD length = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(capacity - 1));
    // An older system leaves a cut name without its terminator.
    out[length < static_cast<DWORD>(capacity) ? length : capacity - 1] = '\0';
    return static_cast<int>(std::strlen(out));
}

// Start-up asks for the size and then for the copy: the block converted for the size is kept
// for the copy, so that the environment is read and converted once.
std::size_t environment_size() {
    std::free(converted.block);
    converted.size = 0;
    converted.block = narrow_environment(&converted.size);
    return converted.size;
}

bool copy_environment(char* out, std::size_t size) {
    std::size_t length = converted.size;
    char* block = converted.block != nullptr ? converted.block : narrow_environment(&length);
    converted = {};
    bool fits = block != nullptr && length <= size;
    if (fits)
        std::memcpy(out, block, length);
    std::free(block);
    return fits;
}

void end_process(int code) {
    ExitProcess(static_cast<UINT>(code));
    for (;;) {
    }
}

void set_handle_count(int count) {
    SetHandleCount(static_cast<UINT>(count));
}

bool process_affinity(std::uint32_t* mask) {
    DWORD_PTR system_mask = 0;
    if (!load_affinity_calls(&affinity) ||
        !affinity.get_process_mask(affinity.current_process(), &process_mask, &system_mask))
        return false;
    *mask = static_cast<std::uint32_t>(process_mask);
    return true;
}

bool bind_thread(std::uint32_t mask) {
    return affinity.set_thread_mask != nullptr &&
           affinity.set_thread_mask(affinity.current_thread(), mask) != 0;
}

bool unbind_thread() {
    return affinity.set_thread_mask != nullptr && process_mask != 0 &&
           affinity.set_thread_mask(affinity.current_thread(), process_mask) != 0;
}

} // namespace lnc::os
