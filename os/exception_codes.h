// The exception codes of the structured exception protocol that the run-time's filter and the
// platform's fault delivery both speak.
#pragma once
#include <cstdint>

namespace lnc {

inline constexpr std::uint32_t EXCEPTION_ACCESS_VIOLATION = 0xC0000005u;
inline constexpr std::uint32_t EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001Du;
inline constexpr std::uint32_t EXCEPTION_PRIV_INSTRUCTION = 0xC0000096u;
inline constexpr std::uint32_t EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008Du;
inline constexpr std::uint32_t EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008Eu;
inline constexpr std::uint32_t EXCEPTION_FLT_INEXACT_RESULT = 0xC000008Fu;
inline constexpr std::uint32_t EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090u;
inline constexpr std::uint32_t EXCEPTION_FLT_OVERFLOW = 0xC0000091u;
inline constexpr std::uint32_t EXCEPTION_FLT_STACK_CHECK = 0xC0000092u;
inline constexpr std::uint32_t EXCEPTION_FLT_UNDERFLOW = 0xC0000093u;

} // namespace lnc
