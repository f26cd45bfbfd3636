// Reads back the texts of single-precision values through the text-to-real conversion and
// compares every result with the independent model of the same rules (tests/support): the
// shortest and the 9-digit text of every float in a range, and for every binade the midpoints
// between neighbouring floats written exactly, cut to 24 and 25 digits, and rounded to 17 and
// 9 digits either way.
//
//     lncalc_exhaustive_read [--from HEX] [--to HEX] [--step N] [--list N]
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
#include <string>

#include "io/numconv/numconv.h"
#include "support/real_reference.h"

namespace {

using lnc::test::BigInteger;

struct Options {
    std::uint32_t from = 0;
    std::uint32_t to = 0x7F7FFFFF;
    std::uint32_t step = 1;
    int list = 20;
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
// midpoint (either neighbour is a fair reading).
void check(const std::string& text, std::int64_t expected, const Options& options, Tally& tally) {
    ++tally.texts;
    ItemResult engine = engine_single(text);
    ItemResult model = model_single(text);
    if (engine.message_index != model.message_index || engine.bits != model.bits) {
        if (tally.mismatches++ < static_cast<std::uint64_t>(options.list)) {
            std::printf("MISMATCH %s: conversion %d %08X, model %d %08X\n", text.c_str(),
                        engine.message_index, engine.bits, model.message_index, model.bits);
        }
    }
    if (expected >= 0 && (model.message_index != 0 || model.bits != expected)) {
        if (tally.not_read_back++ < static_cast<std::uint64_t>(options.list)) {
            std::printf("not read back %s (from %08X): index %d, %08X\n", text.c_str(),
                        static_cast<std::uint32_t>(expected), model.message_index, model.bits);
        }
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
        std::fprintf(stderr, "usage: %s [--from HEX] [--to HEX] [--step N] [--list N]\n", argv[0]);
        return 2;
    }
    Tally midpoints;
    check_binades(options, midpoints);
    std::printf("midpoints: %llu texts, %llu mismatches\n",
                static_cast<unsigned long long>(midpoints.texts),
                static_cast<unsigned long long>(midpoints.mismatches));
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
    return midpoints.mismatches + patterns.mismatches == 0 ? 0 : 1;
}
