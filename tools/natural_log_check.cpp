// Checks the calculator's logarithm on every positive finite single-precision value (or a range
// of them): the stored result must be the x87 logarithm rounded to single precision, or the next
// value away from zero (the divisor, the logarithm of the single-precision e, lies just below 1),
// and nothing else. Counts each outcome, and how often the rounded x87 logarithm itself differs
// from the correctly rounded logarithm.
//
//     lncalc_natural_log_check [--from HEX] [--to HEX] [--software-divide]
//
// The default range is 00000001 to 7F7FFFFF. The unit runs as the program runs it: precision
// control 53 bits, round to nearest. --software-divide takes the division path that start-up
// selects for a faulty divider.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "os/fpu.h"
#include "os/x87.h"
#include "program/program.h"
#include "runtime/startup/startup.h"

namespace {

struct Options {
    std::uint32_t from = 0x00000001;
    std::uint32_t to = 0x7F7FFFFF;
    bool software_divide = false;
};

struct Tally {
    std::uint64_t rounded = 0;     // the x87 logarithm rounded to single precision
    std::uint64_t next_away = 0;   // the next value away from zero
    std::uint64_t other = 0;       // anything else: a fault
    std::uint64_t not_correct = 0; // rounded x87 logarithm != correctly rounded logarithm
};

std::uint32_t bits_of(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float float_of(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

// ln 2 * log2 x on the unit, stored to single precision: the reference the result is held to.
float rounded_x87_log(float x) {
    float result;
    asm volatile("fldln2\n\t"
                 "flds %[x]\n\t"
                 "fyl2x\n\t"
                 "fstps %[r]"
                 : [r] "=m"(result)
                 : [x] "m"(x)
                 : "st", "st(1)");
    return result;
}

// The single-precision neighbour of r one step away from zero (r finite; zero has none).
std::uint32_t next_away_from_zero(std::uint32_t r) {
    return (r & 0x7FFFFFFF) == 0 ? r : r + 1;
}

void check(std::uint32_t bits, Tally& tally) {
    float x = float_of(bits);
    std::uint32_t reference = bits_of(rounded_x87_log(x));
    std::uint32_t result = lnc::fpu::store_single(lnc::natural_log(&x));
    if (result == reference) {
        ++tally.rounded;
    } else if (result == next_away_from_zero(reference)) {
        ++tally.next_away;
    } else if (tally.other++ < 20) {
        std::printf("OTHER %08X: result %08X, rounded x87 logarithm %08X\n", bits, result,
                    reference);
    }
    // The double logarithm is within one double unit, so rounding it to single precision gives
    // the correctly rounded logarithm but in cases closer to a midpoint than that.
    if (bits_of(static_cast<float>(std::log(static_cast<double>(x)))) != reference) {
        ++tally.not_correct;
    }
}

bool parse_options(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--software-divide") {
            options.software_divide = true;
        } else if ((name == "--from" || name == "--to") && i + 1 < argc) {
            auto value = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 16));
            (name == "--from" ? options.from : options.to) = value;
        } else {
            return false;
        }
    }
    return options.from >= 1 && options.from <= options.to && options.to <= 0x7F7FFFFF;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse_options(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--from HEX] [--to HEX] [--software-divide]\n", argv[0]);
        return 2;
    }
    lnc::x87::set_precision_53();
    lnc::x87::clear_exceptions();
    lnc::process_state.fdiv_flaw = options.software_divide ? 1 : 0;
    Tally tally;
    for (std::uint64_t bits = options.from; bits <= options.to; ++bits) {
        check(static_cast<std::uint32_t>(bits), tally);
        if ((bits & 0xFFFFFF) == 0) {
            std::fprintf(stderr, "%08llX\n", static_cast<unsigned long long>(bits));
        }
    }
    std::printf("inputs %08X..%08X%s: %llu rounded x87 logarithm, %llu next away from zero, "
                "%llu other; the rounded x87 logarithm differs from the correctly rounded one "
                "for %llu\n",
                options.from, options.to, options.software_divide ? " (software divide)" : "",
                static_cast<unsigned long long>(tally.rounded),
                static_cast<unsigned long long>(tally.next_away),
                static_cast<unsigned long long>(tally.other),
                static_cast<unsigned long long>(tally.not_correct));
    return tally.other == 0 ? 0 : 1;
}
