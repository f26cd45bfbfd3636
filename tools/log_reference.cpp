// Holds the software unit's 64-bit logarithm to an independent exact computation: ln 2 (the
// unit's constant, 0xB17217F7D1CF79AC * 2^-64) times log2 x, computed with MPFR at 256 bits and
// rounded once to a 64-bit significand. Checked: every STEP-th positive finite single (from
// 00000001), and the 4096 inputs whose computed logarithm lies nearest a rounding boundary,
// found by running the software logarithm over every positive finite single. Prints each
// difference and the counts; exit code 0 only for zero differences and nothing undecided.
//   lncalc_log_reference [STEP [LAST_HEX]]    (default 64, 7F7FFFFF)
#include <mpfr.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "os/softfpu.h"

namespace {

using lnc::FpuExtended;
namespace soft = lnc::softfpu;

constexpr std::size_t HARD_CASES = 4096;

// The exact product rounded to 64 bits, in the unit's layout.
FpuExtended reference(std::uint32_t bits) {
    float x;
    std::memcpy(&x, &bits, sizeof x);
    mpfr_t value, constant;
    mpfr_inits2(256, value, constant, static_cast<mpfr_ptr>(nullptr));
    mpfr_set_flt(value, x, MPFR_RNDN);
    mpfr_log2(value, value, MPFR_RNDN);
    mpfr_set_ui(constant, 0xB17217F7u, MPFR_RNDN);
    mpfr_mul_2ui(constant, constant, 32, MPFR_RNDN);
    mpfr_add_ui(constant, constant, 0xD1CF79ACu, MPFR_RNDN);
    mpfr_div_2ui(constant, constant, 64, MPFR_RNDN);
    mpfr_mul(value, value, constant, MPFR_RNDN);
    FpuExtended result{0, 0};
    if (!mpfr_zero_p(value)) {
        mpfr_prec_round(value, 64, MPFR_RNDN);
        bool negative = mpfr_sgn(value) < 0;
        mpfr_abs(value, value, MPFR_RNDN);
        long exponent = mpfr_get_exp(value); // value = 0.1xxx * 2^exponent
        mpfr_mul_2si(value, value, 64 - exponent, MPFR_RNDN);
        result.significand = mpfr_get_ui(value, MPFR_RNDN); // unsigned long holds 64 bits here
        result.sign_exponent =
            static_cast<std::uint16_t>((exponent - 1 + 16383) | (negative ? 0x8000 : 0));
    }
    mpfr_clears(value, constant, static_cast<mpfr_ptr>(nullptr));
    return result;
}

struct Case {
    std::uint64_t margin;
    std::uint32_t bits;
};

std::uint64_t differences = 0;
std::uint64_t checked = 0;

void check(std::uint32_t bits) {
    FpuExtended exact = reference(bits);
    FpuExtended computed = soft::logarithm_with_margin(bits, 0x027F).value;
    ++checked;
    if (!(exact == computed) && ++differences <= 20) {
        std::printf("DIFF %08X: exact %04X %016llX, software %04X %016llX\n", bits,
                    exact.sign_exponent, static_cast<unsigned long long>(exact.significand),
                    computed.sign_exponent, static_cast<unsigned long long>(computed.significand));
    }
}

} // namespace

int main(int argc, char** argv) {
    std::uint32_t step =
        argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 0)) : 64;
    std::uint32_t last =
        argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 16)) : 0x7F7FFFFFu;
    std::vector<Case> hardest;
    std::uint64_t undecided = 0;
    for (std::uint32_t bits = 1; bits <= last; ++bits) {
        soft::LogDecision decision = soft::logarithm_with_margin(bits, 0x027F);
        undecided += decision.decided ? 0 : 1;
        if (hardest.size() < HARD_CASES || decision.margin < hardest.front().margin) {
            hardest.push_back({decision.margin, bits});
            std::push_heap(hardest.begin(), hardest.end(),
                           [](const Case& a, const Case& b) { return a.margin < b.margin; });
            if (hardest.size() > HARD_CASES) {
                std::pop_heap(hardest.begin(), hardest.end(),
                              [](const Case& a, const Case& b) { return a.margin < b.margin; });
                hardest.pop_back();
            }
        }
    }
    std::uint64_t smallest = ~0ull;
    for (const Case& c : hardest) {
        smallest = std::min(smallest, c.margin);
        check(c.bits);
    }
    std::uint64_t hard_checked = checked;
    for (std::uint64_t bits = 1; bits <= last; bits += step) {
        check(static_cast<std::uint32_t>(bits));
    }
    std::printf(
        "reference: %llu hard cases (smallest margin %.3g of a unit in the last place) "
        "and %llu sampled (every %u-th): %llu differences; undecided over all positive "
        "finite singles %llu\n",
        static_cast<unsigned long long>(hard_checked), static_cast<double>(smallest) / 0x1p64,
        static_cast<unsigned long long>(checked - hard_checked), step,
        static_cast<unsigned long long>(differences), static_cast<unsigned long long>(undecided));
    return differences == 0 && undecided == 0 ? 0 : 1;
}
