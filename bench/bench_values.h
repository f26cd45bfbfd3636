// The values and texts every benchmark works on, made the same way in each run so that ratios
// taken in one run compare like with like.
#pragma once
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace lnc::bench {

// Reports the time of one pass over `count` values as nanoseconds per value.
inline void per_value(benchmark::State& state, std::size_t count) {
    state.counters["ns_per_value"] = benchmark::Counter(
        static_cast<double>(count) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// How many values one pass handles: 1,000,000 unless LNCALC_BENCH_VALUES says otherwise (the
// smoke runs of CI use a few hundred).
inline std::size_t value_count() {
    const char* text = std::getenv("LNCALC_BENCH_VALUES");
    long n = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    return n > 0 ? static_cast<std::size_t>(n) : 1000000;
}

// Single-precision values of varied magnitude: a random mantissa in [1, 10) times a power of
// ten from 1e-37 to 1e37, either sign, with one value in eight in the fixed-form range
// 1 <= |x| < 1e7 and an occasional zero.
inline std::vector<float> varied_floats(std::size_t count) {
    std::mt19937 random(20240611u);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> decade(-37, 37);
    std::uniform_int_distribution<int> fixed_decade(0, 6);
    std::vector<float> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        unsigned pick = random() % 64;
        int e = pick < 8 ? fixed_decade(random) : decade(random);
        double v = pick == 63 ? 0.0 : mantissa(random) * std::pow(10.0, e);
        values[i] = static_cast<float>(random() % 2 == 0 ? v : -v);
    }
    return values;
}

// Single-precision values that a fixed-point field of four decimals shows in 11 columns: a
// random mantissa in [1, 10) times a power of ten from 1e-4 to 1e4, either sign.
inline std::vector<float> fixed_floats(std::size_t count) {
    std::mt19937 random(20240613u);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> decade(-4, 4);
    std::vector<float> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        double v = mantissa(random) * std::pow(10.0, decade(random));
        values[i] = static_cast<float>(random() % 2 == 0 ? v : -v);
    }
    return values;
}

// Input lines in the three forms a user types: "1.5" (a plain decimal), "-2.25E-03" (a signed
// mantissa with an exponent letter) and "7d2" (a whole number with the D letter), each with a
// value of its own.
inline std::vector<std::string> input_texts(std::size_t count) {
    std::mt19937 random(20240612u);
    std::vector<std::string> texts(count);
    for (std::size_t i = 0; i < count; ++i) {
        unsigned a = random() % 10000;
        unsigned b = random() % 100;
        int e = static_cast<int>(random() % 20) - 10;
        switch (i % 3) {
        case 0:
            texts[i] = std::to_string(a) + "." + std::to_string(b);
            break;
        case 1:
            texts[i] = "-" + std::to_string(a % 10) + "." + std::to_string(b) + "E" +
                       (e < 0 ? "-" : "+") + (std::abs(e) < 10 ? "0" : "") +
                       std::to_string(std::abs(e));
            break;
        default:
            texts[i] = std::to_string(a % 100) + "d" + std::to_string(std::abs(e));
            break;
        }
    }
    return texts;
}

} // namespace lnc::bench
