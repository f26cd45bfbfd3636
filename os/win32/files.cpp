// The file, console and heap services over KERNEL32.

#include "os/files.h"
// After our own headers: windows.h defines macros with the names and values of some of our
// constants, which must not rewrite their declarations.
#include <windows.h>

namespace lnc::os {

namespace {

HANDLE native(Handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
Handle ours(HANDLE handle) {
    return reinterpret_cast<Handle>(handle);
}

HANDLE private_heap = nullptr;

constexpr DWORD STD_HANDLE_IDS[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};

} // namespace

Handle get_std_handle(int which) {
    if (which < 0 || which > 2)
        return NO_HANDLE;
    HANDLE handle = GetStdHandle(STD_HANDLE_IDS[which]);
    return handle == nullptr ? NO_HANDLE : ours(handle);
}

bool set_std_handle(int which, Handle handle) {
    if (which < 0 || which > 2)
        return false;
    return SetStdHandle(STD_HANDLE_IDS[which], handle == NO_HANDLE ? nullptr : native(handle)) != 0;
}

std::uint32_t last_error() {
    return GetLastError();
}

void set_last_error(std::uint32_t code) {
    SetLastError(code);
}

int file_type(Handle handle) {
    switch (GetFileType(native(handle)) & ~FILE_TYPE_REMOTE) {
    case FILE_TYPE_DISK:
        return FILE_TYPE_DISK;
    case FILE_TYPE_CHAR:
        return FILE_TYPE_CHAR;
    case FILE_TYPE_PIPE:
        return FILE_TYPE_PIPE;
    default:
        return FILE_TYPE_UNKNOWN;
    }
}

bool read_file(Handle handle, void* buffer, std::uint32_t count, std::uint32_t* done) {
    DWORD got = 0;
    BOOL ok = ReadFile(native(handle), buffer, count, &got, nullptr);
    *done = got;
    return ok != 0;
}

bool read_not_device(Handle handle, void* buffer, std::uint32_t count, std::uint32_t* done) {
    return read_file(handle, buffer, count, done);
}

bool write_file(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* done) {
    DWORD put = 0;
    BOOL ok = WriteFile(native(handle), bytes, count, &put, nullptr);
    *done = put;
    return ok != 0;
}

std::uint32_t set_file_pointer(Handle handle, std::int32_t offset, int origin) {
    static constexpr DWORD METHODS[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (origin < 0 || origin > 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0xFFFFFFFFu;
    }
    SetLastError(NO_ERROR);
    DWORD result = SetFilePointer(native(handle), offset, nullptr, METHODS[origin]);
    if (result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return 0xFFFFFFFFu;
    return result;
}

bool set_end_of_file(Handle handle) {
    return SetEndOfFile(native(handle)) != 0;
}

bool flush_file_buffers(Handle handle) {
    return FlushFileBuffers(native(handle)) != 0;
}

bool close_handle(Handle handle) {
    return CloseHandle(native(handle)) != 0;
}

Handle create_file(const char* name, std::uint32_t access, std::uint32_t share, bool inheritable,
                   std::uint32_t disposition, std::uint32_t attributes) {
    SECURITY_ATTRIBUTES security = {sizeof(SECURITY_ATTRIBUTES), nullptr, inheritable};
    HANDLE handle = CreateFileA(name, access, share, &security, disposition, attributes, nullptr);
    return handle == INVALID_HANDLE_VALUE ? NO_HANDLE : ours(handle);
}

bool delete_file(const char* name) {
    return DeleteFileA(name) != 0;
}

std::uint32_t file_attributes(const char* name) {
    return GetFileAttributesA(name);
}

bool file_identity(Handle handle, std::uint64_t* volume, std::uint64_t* index) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(native(handle), &info))
        return false;
    *volume = info.dwVolumeSerialNumber;
    *index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

bool heap_create() {
    private_heap = HeapCreate(HEAP_NO_SERIALIZE, 4096, 0);
    return private_heap != nullptr;
}

void* heap_alloc(std::size_t size, bool zeroed) {
    if (private_heap == nullptr)
        return nullptr;
    return HeapAlloc(private_heap, zeroed ? HEAP_ZERO_MEMORY : 0, size);
}

void* heap_realloc(void* block, std::size_t size) {
    if (private_heap == nullptr)
        return nullptr;
    return HeapReAlloc(private_heap, 0, block, size);
}

bool heap_free(void* block) {
    return private_heap != nullptr && HeapFree(private_heap, 0, block);
}

std::size_t heap_size(const void* block) {
    if (private_heap == nullptr)
        return 0;
    SIZE_T size = HeapSize(private_heap, 0, block);
    return size == static_cast<SIZE_T>(-1) ? 0 : size;
}

} // namespace lnc::os

namespace lnc::os {

// The parent's handle block travels in the reserved fields of the start-up information.
const std::uint8_t* inherited_handle_block(std::uint32_t* size) {
    STARTUPINFOA info;
    GetStartupInfoA(&info);
    if (info.cbReserved2 < sizeof(std::uint32_t) || info.lpReserved2 == nullptr) {
        *size = 0;
        return nullptr;
    }
    *size = info.cbReserved2;
    return info.lpReserved2;
}

} // namespace lnc::os
