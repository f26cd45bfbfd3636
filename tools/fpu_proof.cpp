// Holds the software floating-point unit to the x87, both in one process, with every exception
// masked so that the status flags say what would have trapped:
//   log    for every single-precision pattern in the range, the calculator's path: the 64-bit
//          logarithm, its store to single precision t, t / D under precision control 53, the
//          stored result, and the flags after the logarithm and after the whole path; D too.
//          The 64-bit logarithms are counted but need not agree: the x87's is one unit off for
//          some inputs, where the software one is the correctly rounded value;
//   widen  every pattern in the range widened to double (value and flags);
//   round  for every pattern p in the range, doubles with p as their high half (four low
//          halves: hashed, a single's rounding tie, zero, all ones) rounded to single precision;
//          then, over the whole range only, a sample of 2^28 random doubles in each rounding mode.
// Prints each difference (the first 20 of each kind), a count of each, and the number of
// logarithms the software unit could not decide. Exit code 0 only for zero differences.
//   lncalc_fpu_proof log|widen|round [--from HEX] [--to HEX]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "os/softfpu.h"
#include "os/x87.h"

namespace {

using lnc::FpuExtended;
namespace x87 = lnc::x87;
namespace soft = lnc::softfpu;

constexpr std::uint16_t MASKED_PC53 = 0x027F;
constexpr std::uint32_t E_SINGLE_BITS = 0x402DF854u;

struct Tally {
    const char* what;
    std::uint64_t count = 0;
};

void differ(Tally* tally, std::uint64_t input, std::uint64_t hardware, std::uint64_t software) {
    if (++tally->count <= 20) {
        std::printf("DIFF %s %016llX: x87 %016llX, software %016llX\n", tally->what,
                    static_cast<unsigned long long>(input),
                    static_cast<unsigned long long>(hardware),
                    static_cast<unsigned long long>(software));
    }
}

std::uint64_t pack(const FpuExtended& value) {
    return value.significand ^ (static_cast<std::uint64_t>(value.sign_exponent) << 48);
}

// The flags of both units since the last call, each cleared.
bool same_flags(std::uint16_t* hardware, std::uint16_t* software) {
    *hardware = x87::status_word() & 0x3F;
    *software = soft::status_word() & 0x3F;
    x87::clear_exceptions();
    soft::clear_exceptions();
    return *hardware == *software;
}

void set_both(std::uint16_t control) {
    x87::set_control_word(control);
    soft::set_control_word(control);
    x87::clear_exceptions();
    soft::clear_exceptions();
}

struct LogTallies {
    Tally extended{"log64"}, single{"t"}, result{"result"}, log_flags{"log-flags"},
        path_flags{"path-flags"};
};

void check_log(std::uint32_t x, const FpuExtended& d_hw, const FpuExtended& d_sw, LogTallies* t) {
    std::uint16_t hw_flags, sw_flags;
    FpuExtended l_hw = x87::ln2_log2(x);
    FpuExtended l_sw = soft::ln2_log2(x);
    if (!same_flags(&hw_flags, &sw_flags)) {
        differ(&t->log_flags, x, hw_flags, sw_flags);
    }
    if (!(l_hw == l_sw)) {
        differ(&t->extended, x, pack(l_hw), pack(l_sw));
    }
    std::uint32_t t_hw = x87::store_single(l_hw);
    std::uint32_t t_sw = soft::store_single(l_sw);
    std::uint32_t r_hw = x87::store_single(x87::divide_single(t_hw, d_hw));
    std::uint32_t r_sw = soft::store_single(soft::divide_single(t_sw, d_sw));
    if (t_hw != t_sw) {
        differ(&t->single, x, t_hw, t_sw);
    }
    if (r_hw != r_sw) {
        differ(&t->result, x, r_hw, r_sw);
    }
    if (!same_flags(&hw_flags, &sw_flags)) {
        differ(&t->path_flags, x, hw_flags, sw_flags);
    }
}

std::uint64_t prove_log(std::uint64_t from, std::uint64_t to) {
    LogTallies tallies;
    Tally divisor{"D"};
    FpuExtended d_hw = x87::ln2_log2(E_SINGLE_BITS);
    FpuExtended d_sw = soft::ln2_log2(E_SINGLE_BITS);
    if (!(d_hw == d_sw)) {
        differ(&divisor, E_SINGLE_BITS, pack(d_hw), pack(d_sw));
    }
    std::printf("D = %04X %016llX\n", d_hw.sign_exponent,
                static_cast<unsigned long long>(d_hw.significand));
    set_both(MASKED_PC53);
    for (std::uint64_t x = from; x <= to; ++x) {
        check_log(static_cast<std::uint32_t>(x), d_hw, d_sw, &tallies);
    }
    std::printf("log %08llX..%08llX: differences: D %llu, 64-bit logarithm %llu (not counted), "
                "t %llu, "
                "result %llu, flags of the logarithm %llu, flags of the path %llu; "
                "undecided %llu\n",
                static_cast<unsigned long long>(from), static_cast<unsigned long long>(to),
                static_cast<unsigned long long>(divisor.count),
                static_cast<unsigned long long>(tallies.extended.count),
                static_cast<unsigned long long>(tallies.single.count),
                static_cast<unsigned long long>(tallies.result.count),
                static_cast<unsigned long long>(tallies.log_flags.count),
                static_cast<unsigned long long>(tallies.path_flags.count),
                static_cast<unsigned long long>(soft::undecided_logarithms));
    // The x87's logarithm is not always the correctly rounded 64-bit value (the reference check
    // holds the software one to that); what the system keeps of it is t, which must agree.
    return divisor.count + tallies.single.count + tallies.result.count + tallies.log_flags.count +
           tallies.path_flags.count + soft::undecided_logarithms;
}

std::uint64_t prove_widen(std::uint64_t from, std::uint64_t to) {
    Tally value{"widen"}, flags{"widen-flags"};
    set_both(MASKED_PC53);
    for (std::uint64_t x = from; x <= to; ++x) {
        auto bits = static_cast<std::uint32_t>(x);
        double hw = x87::widen_single(bits);
        double sw = soft::widen_single(bits);
        std::uint16_t hw_flags, sw_flags;
        if (std::memcmp(&hw, &sw, sizeof hw) != 0) {
            std::uint64_t a, b;
            std::memcpy(&a, &hw, 8);
            std::memcpy(&b, &sw, 8);
            differ(&value, x, a, b);
        }
        if (!same_flags(&hw_flags, &sw_flags)) {
            differ(&flags, x, hw_flags, sw_flags);
        }
    }
    std::printf("widen %08llX..%08llX: differences: value %llu, flags %llu\n",
                static_cast<unsigned long long>(from), static_cast<unsigned long long>(to),
                static_cast<unsigned long long>(value.count),
                static_cast<unsigned long long>(flags.count));
    return value.count + flags.count;
}

void check_round(std::uint64_t bits, Tally* value, Tally* flags) {
    double v;
    std::memcpy(&v, &bits, sizeof v);
    std::uint32_t hw = x87::round_to_single(v);
    std::uint32_t sw = soft::round_to_single(v);
    std::uint16_t hw_flags, sw_flags;
    if (hw != sw) {
        differ(value, bits, hw, sw);
    }
    if (!same_flags(&hw_flags, &sw_flags)) {
        differ(flags, bits, hw_flags, sw_flags);
    }
}

std::uint64_t hashed(std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t prove_round(std::uint64_t from, std::uint64_t to) {
    Tally value{"round"}, flags{"round-flags"};
    set_both(MASKED_PC53);
    const std::uint32_t lows[] = {0, 0x10000000u, 0, 0xFFFFFFFFu};
    for (std::uint64_t x = from; x <= to; ++x) {
        for (int i = 0; i < 4; ++i) {
            std::uint32_t low = i == 0 ? static_cast<std::uint32_t>(hashed(x)) : lows[i];
            check_round((x << 32) | low, &value, &flags);
        }
    }
    std::uint64_t sampled = 0;
    if (from == 0 && to == 0xFFFFFFFFull) {
        std::mt19937_64 random(20261209);
        for (int mode = 0; mode < 4; ++mode) {
            set_both(static_cast<std::uint16_t>(MASKED_PC53 | (mode << 10)));
            for (int i = 0; i < (1 << 28); ++i, ++sampled) {
                std::uint64_t bits = random();
                if (i & 1) { // the exponents around the single-precision range
                    bits = (bits & 0x800FFFFFFFFFFFFFull) |
                           (static_cast<std::uint64_t>(1023 - 160 + (bits >> 52) % 300) << 52);
                }
                check_round(bits, &value, &flags);
            }
        }
    }
    std::printf("round %08llX..%08llX (4 doubles each) and %llu sampled doubles: differences: "
                "value %llu, flags %llu\n",
                static_cast<unsigned long long>(from), static_cast<unsigned long long>(to),
                static_cast<unsigned long long>(sampled),
                static_cast<unsigned long long>(value.count),
                static_cast<unsigned long long>(flags.count));
    return value.count + flags.count;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s log|widen|round [--from HEX] [--to HEX]\n", argv[0]);
        return 2;
    }
    std::uint64_t from = 0;
    std::uint64_t to = 0xFFFFFFFFull;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--from") == 0) {
            from = std::strtoull(argv[i + 1], nullptr, 16);
        } else if (std::strcmp(argv[i], "--to") == 0) {
            to = std::strtoull(argv[i + 1], nullptr, 16);
        }
    }
    std::uint64_t differences = 0;
    if (std::strcmp(argv[1], "log") == 0) {
        differences = prove_log(from, to);
    } else if (std::strcmp(argv[1], "widen") == 0) {
        differences = prove_widen(from, to);
    } else if (std::strcmp(argv[1], "round") == 0) {
        differences = prove_round(from, to);
    } else {
        std::fprintf(stderr, "unknown check %s\n", argv[1]);
        return 2;
    }
    return differences == 0 ? 0 : 1;
}
