// Reads back the texts of single-precision values through the text-to-real conversion and
// compares every result with the independent model of the same rules (tests/support): the
// shortest and the 9-digit text of every float in a range, and for every binade the midpoints
// between neighbouring floats written exactly, cut to 24 and 25 digits, and rounded to 17 and
// 9 digits either way.
//
//     lncalc_exhaustive_read [--from HEX] [--to HEX] [--step N] [--list N] [--random N]
//
// --random N also reads N random texts (signs, long and short digit strings with runs of zeros
// and nines, points, exponents of every spelling up to beyond the limits, stray characters).
// Built as lncalc_read_against_earlier, the same texts are held to an earlier version of the
// conversion instead of the model: the double, its flags, the characters used and the single-
// precision store must all be the same.
//
// The default range is every positive finite pattern (0 to 7F7FFFFF); negative values differ
// only by the sign. Prints the mismatches against the model (a fault of the conversion or of
// the model) and the texts that the rules do not read back as the value they were written from
// (a property of the rules: midpoints of the double rounding and the single-range bound).
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "io/numconv/numconv.h"
#include "support/real_reference.h"
#ifdef LNCALC_AGAINST_EARLIER
#include "earlier_conversion.h"
#endif

namespace {

using lnc::test::BigInteger;

struct Options {
    std::uint32_t from = 0;
    std::uint32_t to = 0x7F7FFFFF;
    std::uint32_t step = 1;
    int list = 20;
    std::uint64_t random = 0;
};

struct Tally {
    std::uint64_t texts = 0;
    std::uint64_t mismatches = 0;
    std::uint64_t not_read_back = 0;
};

struct ItemResult {
    int message_index;
    std::uint32_t bits;
};

void report(const char* what, const std::string& text, std::uint64_t& count, const Options& options,
            const char* details) {
    if (count++ < static_cast<std::uint64_t>(options.list)) {
        std::printf("%s %s: %s\n", what, text.c_str(), details);
    }
}

#ifdef LNCALC_AGAINST_EARLIER
// The whole reading, double and flags included, against the earlier conversion.
void check(const std::string& text, std::int64_t, const Options& options, Tally& tally) {
    ++tally.texts;
    lnc::RealConversion c =
        lnc::convert_real_text(text.c_str(), static_cast<int>(text.size()), 0, 0);
    lnc::RealItemResult r = lnc::real_item_result(c, 11);
    lnc_tools::Reading now{c.flags, c.used, 0, r.message_index, static_cast<std::uint32_t>(r.bits)};
    std::memcpy(&now.double_bits, &c.value, sizeof now.double_bits);
    lnc_tools::Reading before =
        lnc_tools::earlier_reading(text.c_str(), static_cast<int>(text.size()));
    if (!lnc_tools::same_reading(now, before)) {
        char details[160];
        std::snprintf(details, sizeof details,
                      "now %X %d %016llX %d %08X, before %X %d %016llX %d %08X", now.flags,
                      now.used, static_cast<unsigned long long>(now.double_bits), now.message_index,
                      now.single_bits, before.flags, before.used,
                      static_cast<unsigned long long>(before.double_bits), before.message_index,
                      before.single_bits);
        report("MISMATCH", text, tally.mismatches, options, details);
    }
}
#else
ItemResult engine_single(const std::string& text) {
    lnc::RealConversion c =
        lnc::convert_real_text(text.c_str(), static_cast<int>(text.size()), 0, 0);
    lnc::RealItemResult r = lnc::real_item_result(c, 11);
    return {r.message_index, static_cast<std::uint32_t>(r.bits)};
}

ItemResult model_single(const std::string& text) {
    lnc::test::ModelSingle m =
        lnc::test::model_single_of_double(lnc::test::model_double_of_text(text.c_str()));
    return {m.message_index, m.bits};
}

// Checks one text; `expected` is the pattern it was written from, or -1 when it stands for a
// midpoint or a random text (any reading the model gives is fair).
void check(const std::string& text, std::int64_t expected, const Options& options, Tally& tally) {
    ++tally.texts;
    ItemResult engine = engine_single(text);
    ItemResult model = model_single(text);
    char details[96];
    if (engine.message_index != model.message_index || engine.bits != model.bits) {
        std::snprintf(details, sizeof details, "conversion %d %08X, model %d %08X",
                      engine.message_index, engine.bits, model.message_index, model.bits);
        report("MISMATCH", text, tally.mismatches, options, details);
    }
    if (expected >= 0 && (model.message_index != 0 || model.bits != expected)) {
        std::snprintf(details, sizeof details, "(from %08X): index %d, %08X",
                      static_cast<std::uint32_t>(expected), model.message_index, model.bits);
        report("not read back", text, tally.not_read_back, options, details);
    }
}
#endif

// A random text: mostly numbers of every spelling, with the digit runs that make rounding hard.
std::string random_text(std::mt19937_64& random) {
    auto pick = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
    std::string text;
    const char* signs[] = {"", "", "+", "-"};
    text += signs[pick(4)];
    auto digits = [&](unsigned most) {
        unsigned count = pick(most + 1);
        char previous = '1';
        for (unsigned i = 0; i < count; ++i) {
            unsigned kind = pick(10);
            previous =
                kind < 3 ? previous : static_cast<char>(kind < 5 ? "09"[pick(2)] : '0' + pick(10));
            text += previous;
        }
    };
    digits(pick(4) == 0 ? 40 : 12);
    if (pick(3) != 0) {
        text += '.';
        digits(pick(4) == 0 ? 40 : 12);
    }
    if (pick(2) == 0) {
        const char* letters[] = {"E", "e", "D", "d", "E+", "E-", "d-", "+", "-"};
        text += letters[pick(9)];
        unsigned width = pick(6);
        for (unsigned i = 0; i < width; ++i) {
            text += static_cast<char>('0' + pick(10));
        }
    }
    if (pick(50) == 0) {
        text.insert(pick(static_cast<unsigned>(text.size()) + 1), 1, "x. +e"[pick(5)]);
    }
    return text.empty() ? std::string("0") : text;
}

void check_random(const Options& options, Tally& tally) {
    std::mt19937_64 random(20261209u);
    for (std::uint64_t i = 0; i < options.random; ++i) {
        check(random_text(random), -1, options, tally);
    }
}

float float_of(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

void check_pattern(std::uint32_t bits, const Options& options, Tally& tally) {
    float f = float_of(bits);
    char buffer[64];
    auto shortest = std::to_chars(buffer, buffer + sizeof buffer, f);
    check(std::string(buffer, shortest.ptr), bits, options, tally);
    auto nine = std::to_chars(buffer, buffer + sizeof buffer, f, std::chars_format::scientific, 8);
    check(std::string(buffer, nine.ptr), bits, options, tally);
}

// The decimal digits of a big integer.
std::string decimal_string(BigInteger n) {
    std::string digits;
    while (!n.is_zero()) {
        std::uint64_t remainder = 0;
        for (std::size_t i = n.words.size(); i-- > 0;) {
            std::uint64_t current = (remainder << 32) | n.words[i];
            n.words[i] = static_cast<std::uint32_t>(current / 10);
            remainder = current % 10;
        }
        n.trim();
        digits.insert(digits.begin(), static_cast<char>('0' + remainder));
    }
    return digits.empty() ? "0" : digits;
}

// digits * 10^exponent written as "d.ddd...E<n>".
std::string scientific(const std::string& digits, int exponent) {
    std::string text = digits.substr(0, 1);
    if (digits.size() > 1) {
        text += "." + digits.substr(1);
    }
    return text + "E" + std::to_string(exponent + static_cast<int>(digits.size()) - 1);
}

// The first count digits, cut or rounded up in the last place.
std::string first_digits(const std::string& digits, std::size_t count, bool round_up,
                         int& exponent) {
    std::string kept = digits.substr(0, count);
    exponent += static_cast<int>(digits.size() - kept.size());
    if (round_up && kept.size() < digits.size()) {
        std::size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9') {
            kept[--i] = '0';
        }
        if (i == 0) {
            kept.insert(kept.begin(), '1');
            kept.pop_back();
            ++exponent;
        } else {
            ++kept[i - 1];
        }
    }
    return kept;
}

// The midpoint above pattern bits (a positive finite float below the largest), as texts.
void check_midpoint(std::uint32_t bits, const Options& options, Tally& tally) {
    int field = static_cast<int>(bits >> 23);
    std::uint64_t mantissa = (bits & 0x7FFFFF) | (field != 0 ? 0x800000 : 0);
    int exponent = (field != 0 ? field : 1) - 150; // value = mantissa * 2^exponent
    // Midpoint = (2 mantissa + 1) * 2^(exponent - 1) = digits * 10^decimal_exponent.
    BigInteger odd(2 * mantissa + 1);
    int shift = exponent - 1;
    BigInteger integer = shift >= 0 ? odd << shift : odd * lnc::test::power(5, -shift);
    int decimal_exponent = shift >= 0 ? 0 : shift;
    std::string digits = decimal_string(integer);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        ++decimal_exponent;
    }
    check(scientific(digits, decimal_exponent), -1, options, tally);
    for (std::size_t count : {25, 24, 17, 9}) {
        for (bool up : {false, true}) {
            int e = decimal_exponent;
            std::string kept = first_digits(digits, count, up, e);
            check(scientific(kept, e), -1, options, tally);
        }
    }
}

void check_binades(const Options& options, Tally& tally) {
    for (std::uint32_t field = 0; field < 255; ++field) {
        std::uint32_t base = field << 23;
        for (std::uint32_t m :
             {0u, 1u, 2u, 0x400000u, 0x2AAAAAu, 0x555555u, 0x7FFFFEu, 0x7FFFFFu}) {
            if (base + m < 0x7F7FFFFF) {
                check_midpoint(base + m, options, tally);
            }
        }
    }
}

bool parse_options(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        unsigned long value =
            std::strtoul(argv[i + 1], nullptr, name == "--from" || name == "--to" ? 16 : 10);
        if (name == "--from") {
            options.from = static_cast<std::uint32_t>(value);
        } else if (name == "--to") {
            options.to = static_cast<std::uint32_t>(value);
        } else if (name == "--step") {
            options.step = value == 0 ? 1 : static_cast<std::uint32_t>(value);
        } else if (name == "--list") {
            options.list = static_cast<int>(value);
        } else if (name == "--random") {
            options.random = std::strtoull(argv[i + 1], nullptr, 10);
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && options.to <= 0x7F7FFFFF;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse_options(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: %s [--from HEX] [--to HEX] [--step N] [--list N] [--random N]\n",
                     argv[0]);
        return 2;
    }
    Tally midpoints;
    check_binades(options, midpoints);
    std::printf("midpoints: %llu texts, %llu mismatches\n",
                static_cast<unsigned long long>(midpoints.texts),
                static_cast<unsigned long long>(midpoints.mismatches));
    Tally randoms;
    check_random(options, randoms);
    std::printf("random: %llu texts, %llu mismatches\n",
                static_cast<unsigned long long>(randoms.texts),
                static_cast<unsigned long long>(randoms.mismatches));
    Tally patterns;
    for (std::uint64_t bits = options.from; bits <= options.to; bits += options.step) {
        check_pattern(static_cast<std::uint32_t>(bits), options, patterns);
        if ((bits & 0xFFFFFF) == 0) {
            std::fprintf(stderr, "%08llX\n", static_cast<unsigned long long>(bits));
        }
    }
    std::printf("patterns %08X..%08X step %u: %llu texts, %llu mismatches, %llu not read back\n",
                options.from, options.to, options.step,
                static_cast<unsigned long long>(patterns.texts),
                static_cast<unsigned long long>(patterns.mismatches),
                static_cast<unsigned long long>(patterns.not_read_back));
    return midpoints.mismatches + randoms.mismatches + patterns.mismatches == 0 ? 0 : 1;
}
