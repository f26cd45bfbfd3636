// The operating system's file, console and heap services, as the handle layer and the heap see
// them. Each platform supplies them in os/<platform>/; failures leave a Windows system error
// number in last_error() (2 file not found, 5 access denied, 6 invalid handle, 109 broken pipe,
// 112 disk full, ...), so that the handle layer maps them the same way everywhere.
#pragma once
#include <cstddef>
#include <cstdint>

namespace lnc::os {

using Handle = std::intptr_t;
inline constexpr Handle NO_HANDLE = -1;

enum FileType : int {
    FILE_TYPE_UNKNOWN = 0,
    FILE_TYPE_DISK = 1,
    FILE_TYPE_CHAR = 2,
    FILE_TYPE_PIPE = 3
};

// Standard handle numbers as GetStdHandle knows them by position: 0 input, 1 output, 2 error.
// Setting NO_HANDLE leaves the process without that standard handle. The first use of this
// layer also arranges that a write to a pipe without a reader fails with system error 109
// instead of ending the process. A platform that starts child processes gives them these
// handles as their standard input, output and error.
Handle get_std_handle(int which);
bool set_std_handle(int which, Handle handle);

std::uint32_t last_error();
void set_last_error(std::uint32_t code);

// FILE_TYPE_UNKNOWN with last_error 0 for a valid handle of another kind (a directory).
int file_type(Handle handle);
// A terminal delivers one typed line per read, ending in CR LF and cut at count; the rest of
// the line stays for the next read. An end of input typed at the terminal reads 0 bytes.
bool read_file(Handle handle, void* buffer, std::uint32_t count, std::uint32_t* done);
// As read_file, for a handle known not to be a character device: no terminal can stand behind
// it, so the platform need not ask whether one does before each read.
bool read_not_device(Handle handle, void* buffer, std::uint32_t count, std::uint32_t* done);
// A failure after part of the data went out is a short write (true, done < count).
bool write_file(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* done);
// Origin 0 start, 1 current, 2 end. Returns the new offset, or 0xFFFFFFFF with last_error set
// (131 for a position before the start, 132 on a pipe or terminal).
std::uint32_t set_file_pointer(Handle handle, std::int32_t offset, int origin);
bool set_end_of_file(Handle handle);
bool flush_file_buffers(Handle handle);
bool close_handle(Handle handle);

// Access bits, share bits and dispositions as CreateFileA takes them.
inline constexpr std::uint32_t GENERIC_READ = 0x80000000u;
inline constexpr std::uint32_t GENERIC_WRITE = 0x40000000u;
inline constexpr std::uint32_t SHARE_READ = 1;
inline constexpr std::uint32_t SHARE_WRITE = 2;
inline constexpr std::uint32_t CREATE_NEW = 1;
inline constexpr std::uint32_t CREATE_ALWAYS = 2;
inline constexpr std::uint32_t OPEN_EXISTING = 3;
inline constexpr std::uint32_t OPEN_ALWAYS = 4;
inline constexpr std::uint32_t TRUNCATE_EXISTING = 5;
inline constexpr std::uint32_t ATTRIBUTE_READONLY = 0x01;
inline constexpr std::uint32_t ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t ATTRIBUTE_NORMAL = 0x80;
inline constexpr std::uint32_t ATTRIBUTE_TEMPORARY = 0x100;
inline constexpr std::uint32_t FLAG_DELETE_ON_CLOSE = 0x04000000u;
inline constexpr std::uint32_t FLAG_SEQUENTIAL_SCAN = 0x08000000u;
inline constexpr std::uint32_t FLAG_RANDOM_ACCESS = 0x10000000u;
inline constexpr std::uint32_t INVALID_ATTRIBUTES = 0xFFFFFFFFu;

Handle create_file(const char* name, std::uint32_t access, std::uint32_t share, bool inheritable,
                   std::uint32_t disposition, std::uint32_t attributes);
bool delete_file(const char* name);
std::uint32_t file_attributes(const char* name); // INVALID_ATTRIBUTES on failure
// The volume serial number and file index that identify an open file.
bool file_identity(Handle handle, std::uint64_t* volume, std::uint64_t* index);

// The block of handles a parent passed at start-up (a 32-bit count, count flag bytes, count
// 32-bit handles), or null with size 0 where the platform passes none.
const std::uint8_t* inherited_handle_block(std::uint32_t* size);

// The private heap (not serialised: one thread runs everything). heap_size gives the size
// asked for; failures leave last_error 8.
bool heap_create();
void* heap_alloc(std::size_t size, bool zeroed);
void* heap_realloc(void* block, std::size_t size);
bool heap_free(void* block);
std::size_t heap_size(const void* block);

} // namespace lnc::os
