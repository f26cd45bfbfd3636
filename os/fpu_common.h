// What every floating-point unit of the system shares: the extended value as it crosses the
// unit's boundary, the control and status word layout, and which exception an unmasked flag
// stands for.
#pragma once
#include <cstdint>

#include "os/exception_codes.h"

namespace lnc::fpu_words {

inline constexpr std::uint16_t PRECISION_MASK = 0x0300;
inline constexpr std::uint16_t PRECISION_24 = 0x0000;
inline constexpr std::uint16_t PRECISION_53 = 0x0200;
inline constexpr std::uint16_t ROUNDING_MASK = 0x0C00;
inline constexpr std::uint16_t EXCEPTION_MASKS = 0x003F;
inline constexpr std::uint16_t INITIAL_CONTROL = 0x037F; // extended precision, all masked

// Status word: exception flags, stack fault, summary and busy bits.
inline constexpr std::uint16_t SW_INVALID = 0x0001;
inline constexpr std::uint16_t SW_DENORMAL = 0x0002;
inline constexpr std::uint16_t SW_ZERODIVIDE = 0x0004;
inline constexpr std::uint16_t SW_OVERFLOW = 0x0008;
inline constexpr std::uint16_t SW_UNDERFLOW = 0x0010;
inline constexpr std::uint16_t SW_INEXACT = 0x0020;
inline constexpr std::uint16_t SW_STACK_FAULT = 0x0040;
inline constexpr std::uint16_t SW_SUMMARY = 0x8080; // error summary and busy
inline constexpr std::uint16_t SW_PENDING = 0x80FF;

// The exception code of the unmasked exception pending in status under control, 0 when none:
// invalid operation (or a stack fault) before zero divide, denormal, overflow, underflow.
inline std::uint32_t pending_exception_code(std::uint16_t status, std::uint16_t control) {
    std::uint16_t pending = status & ~control & 0x3F;
    if (pending & SW_INVALID) {
        return (status & SW_STACK_FAULT) ? EXCEPTION_FLT_STACK_CHECK
                                         : EXCEPTION_FLT_INVALID_OPERATION;
    }
    if (pending & SW_ZERODIVIDE) {
        return EXCEPTION_FLT_DIVIDE_BY_ZERO;
    }
    if (pending & SW_DENORMAL) {
        return EXCEPTION_FLT_DENORMAL_OPERAND;
    }
    if (pending & SW_OVERFLOW) {
        return EXCEPTION_FLT_OVERFLOW;
    }
    if (pending & SW_UNDERFLOW) {
        return EXCEPTION_FLT_UNDERFLOW;
    }
    return pending != 0 ? EXCEPTION_FLT_INEXACT_RESULT : 0;
}

} // namespace lnc::fpu_words

namespace lnc {

// An extended-precision value in the unit's memory layout: the 64-bit significand with its
// explicit integer bit, then sign and 15-bit biased exponent. Carried as integers so that a
// processor whose long double is another format holds it unchanged.
struct FpuExtended {
    std::uint64_t significand;
    std::uint16_t sign_exponent;
};

inline bool operator==(const FpuExtended& a, const FpuExtended& b) {
    return a.significand == b.significand && a.sign_exponent == b.sign_exponent;
}

} // namespace lnc
