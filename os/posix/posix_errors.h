// The translation of POSIX errno values into the Windows system error numbers that the layers
// above the platform expect from last_error().
#pragma once
#include <cstdint>

namespace lnc::os {

// Windows system error numbers this platform layer produces.
inline constexpr std::uint32_t SYS_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t SYS_PATH_NOT_FOUND = 3;
inline constexpr std::uint32_t SYS_TOO_MANY_OPEN_FILES = 4;
inline constexpr std::uint32_t SYS_ACCESS_DENIED = 5;
inline constexpr std::uint32_t SYS_INVALID_HANDLE = 6;
inline constexpr std::uint32_t SYS_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t SYS_NOT_SAME_DEVICE = 17;
inline constexpr std::uint32_t SYS_WRITE_PROTECT = 19;
inline constexpr std::uint32_t SYS_NOT_READY = 21;
inline constexpr std::uint32_t SYS_GEN_FAILURE = 31;
inline constexpr std::uint32_t SYS_SHARING_VIOLATION = 32;
inline constexpr std::uint32_t SYS_FILE_EXISTS = 80;
inline constexpr std::uint32_t SYS_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t SYS_BROKEN_PIPE = 109;
inline constexpr std::uint32_t SYS_DISK_FULL = 112;
inline constexpr std::uint32_t SYS_WAIT_NO_CHILDREN = 128;
inline constexpr std::uint32_t SYS_NEGATIVE_SEEK = 131;
inline constexpr std::uint32_t SYS_SEEK_ON_DEVICE = 132;
inline constexpr std::uint32_t SYS_DIR_NOT_EMPTY = 145;
inline constexpr std::uint32_t SYS_BUSY = 170;
inline constexpr std::uint32_t SYS_BAD_EXE_FORMAT = 193;
inline constexpr std::uint32_t SYS_FILENAME_TOO_LONG = 206;
inline constexpr std::uint32_t SYS_FILE_TOO_LARGE = 223;
inline constexpr std::uint32_t SYS_NOACCESS = 998;

// The system error number for an errno value (EINVAL and unknown values give 87).
std::uint32_t system_error_from_errno(int error);

// Stores the translation of errno as the last error.
void set_last_error_from_errno();

} // namespace lnc::os
