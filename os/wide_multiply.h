// The full 128-bit product of two 64-bit numbers: one multiplication where the processor's
// compiler gives a 128-bit type (x86-64, aarch64), four 32-bit products on 32-bit processors.
#pragma once
#include <cstdint>

namespace lnc::os {

struct Product128 {
    std::uint64_t high;
    std::uint64_t low;
};

inline Product128 multiply_64(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    __extension__ using Wide = unsigned __int128;
    Wide p = static_cast<Wide>(a) * b;
    return {static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
#else
    std::uint64_t a0 = static_cast<std::uint32_t>(a);
    std::uint64_t a1 = a >> 32;
    std::uint64_t b0 = static_cast<std::uint32_t>(b);
    std::uint64_t b1 = b >> 32;
    std::uint64_t p00 = a0 * b0;
    std::uint64_t p01 = a0 * b1;
    std::uint64_t p10 = a1 * b0;
    std::uint64_t middle =
        (p00 >> 32) + static_cast<std::uint32_t>(p01) + static_cast<std::uint32_t>(p10);
    return {a1 * b1 + (p01 >> 32) + (p10 >> 32) + (middle >> 32),
            (middle << 32) | static_cast<std::uint32_t>(p00)};
#endif
}

} // namespace lnc::os
