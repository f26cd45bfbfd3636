// The tables of the software unit's logarithm: values are 124-bit fixed point in two's
// complement, the high word first.
#pragma once
#include <cstdint>

namespace lnc::softfpu {

struct Fixed124 {
    std::uint64_t high;
    std::uint64_t low;
};

// For the 256 intervals of the significand's top eight fraction bits: a 12-bit reciprocal r
// (r / 4096 near the interval's inverse) and -log2(r / 4096).
struct ReductionEntry {
    std::uint32_t reciprocal;
    Fixed124 minus_log2;
};

inline constexpr int SERIES_TERMS = 16;
extern const ReductionEntry REDUCTION[256];
// (-1)^(n+1) / (n ln 2) for n = 1..SERIES_TERMS: log2(1 + z) = sum of SERIES[n-1] z^n.
extern const Fixed124 SERIES[SERIES_TERMS];

} // namespace lnc::softfpu
