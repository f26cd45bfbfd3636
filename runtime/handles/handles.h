// Small integer handles over the operating system's handles, with text and binary modes.
#pragma once
#include <cstdint>

#include "os/files.h"

namespace lnc {

inline constexpr std::uint8_t H_OPEN = 0x01;
inline constexpr std::uint8_t H_EOF = 0x02;
inline constexpr std::uint8_t H_CRLF = 0x04;
inline constexpr std::uint8_t H_PIPE = 0x08;
inline constexpr std::uint8_t H_APPEND = 0x20;
inline constexpr std::uint8_t H_DEVICE = 0x40;
inline constexpr std::uint8_t H_TEXT = 0x80;

// The bytes text mode translates, and the handles of standard input, output and error.
inline constexpr std::uint8_t CR = '\r';
inline constexpr std::uint8_t LF = '\n';
inline constexpr std::uint8_t CTRL_Z = 0x1A;
inline constexpr int STANDARD_INPUT = 0;
inline constexpr int STANDARD_OUTPUT = 1;
inline constexpr int STANDARD_ERROR = 2;

inline constexpr int MODE_TEXT = 0x4000;
inline constexpr int MODE_BINARY = 0x8000;

inline constexpr int HANDLES_PER_BLOCK = 32;
inline constexpr int HANDLE_BLOCKS = 64;

struct HandleEntry {
    os::Handle os_handle; // os::NO_HANDLE when the slot has none
    std::uint8_t mode_flags;
    std::uint8_t lookahead; // LF when no byte is held
};

struct HandleTable {
    HandleEntry* blocks[HANDLE_BLOCKS];
    int handle_count;
};

extern HandleTable handle_table;
extern int error_code;             // portable code: 2, 8, 9, 12, 13, 22, 24, 28, 32, ...
extern std::uint32_t system_error; // last operating-system error, 0 when detected here
extern int default_mode;

// 0, or -1 when the first block cannot be had. Handles 0, 1 and 2 come from the standard
// handles; a later call (tests) starts again from one empty block without closing anything.
int init_handles();
// Takes over the handles a parent passed: a 32-bit count, count flag bytes, count 32-bit
// operating-system handles (start-up reads the block from the platform, where it has one).
void adopt_inherited_handles(const std::uint8_t* block, std::uint32_t size);
int allocate_handle();
int set_os_handle(int h, os::Handle os_handle);
int free_os_handle(int h);
os::Handle get_os_handle(int h); // os::NO_HANDLE with error_code 9 on a bad handle
bool is_device(int h);
int set_mode(int h, int mode);
int read_bytes(int h, void* buffer, int count);
// Standard input that is a disk file is read ahead in blocks once a program reads it record by
// record. return_read_ahead moves the file back over what was read ahead and not yet served, so
// that the file stands where the reads made so far leave it: before any other operation on
// the handle, before a child process starts, at the end of the process. forget_read_ahead
// drops the block and its state (init_handles).
void return_read_ahead();
void forget_read_ahead();
int write_bytes(int h, const void* bytes, int count);
int compare_ignoring_case(const char* a, const char* b);
int to_upper(int character);
std::int32_t seek(int h, std::int32_t offset, int origin);
int change_size(int h, std::int32_t size);
int close_handle(int h);
// open_file's flags (the low two bits the access), share codes and permission bits.
inline constexpr int OPEN_READ_ONLY = 0x0000;
inline constexpr int OPEN_WRITE_ONLY = 0x0001;
inline constexpr int OPEN_READ_WRITE = 0x0002;
inline constexpr int OPEN_ACCESS_MASK = 0x0003;
inline constexpr int OPEN_APPEND = 0x0008;
inline constexpr int OPEN_RANDOM = 0x0010;
inline constexpr int OPEN_SEQUENTIAL = 0x0020;
inline constexpr int OPEN_TEMPORARY = 0x0040;
inline constexpr int OPEN_NOT_INHERITED = 0x0080;
inline constexpr int OPEN_CREATE = 0x0100;
inline constexpr int OPEN_TRUNCATE = 0x0200;
inline constexpr int OPEN_EXCLUSIVE = 0x0400;
inline constexpr int OPEN_SHORT_LIVED = 0x1000;
inline constexpr int OPEN_BINARY = 0x8000;
inline constexpr int SHARE_READ_WRITE = 0x40;
inline constexpr int PERMISSION_WRITE = 0x0080;
inline constexpr int PERMISSION_READ_WRITE = 0x0180;
int open_file(const char* name, int open_flags, int share, int permission);
int remove_file(const char* name);
int check_access(const char* name, int mode);
bool same_file(int a, int b);
void map_system_error(std::uint32_t code);

} // namespace lnc
