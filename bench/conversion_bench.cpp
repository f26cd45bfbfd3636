// The conversions alone, per value: real to list-directed text, the digit source, and text to
// real, each beside the C library routine that does the nearest job.
#include <benchmark/benchmark.h>

#include <bit>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/bench_values.h"
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"

namespace {

using lnc::bench::input_texts;
using lnc::bench::per_value;
using lnc::bench::value_count;
using lnc::bench::varied_floats;

const std::vector<float>& floats() {
    static const std::vector<float> values = varied_floats(value_count());
    return values;
}

const std::vector<std::string>& texts() {
    static const std::vector<std::string> values = input_texts(value_count());
    return values;
}

void BM_FormatReal(benchmark::State& state) {
    const auto& values = floats();
    char out[lnc::FORMAT_TOO_LONG];
    for (auto _ : state) {
        for (float v : values) {
            int n = lnc::format_real_value(lnc::LIST_SINGLE, lnc::TYPE_REAL4,
                                           std::bit_cast<std::uint32_t>(v), out);
            benchmark::DoNotOptimize(n);
            benchmark::DoNotOptimize(out);
        }
    }
    per_value(state, values.size());
}
BENCHMARK(BM_FormatReal)->Unit(benchmark::kMillisecond);

void BM_DecimalDigits(benchmark::State& state) {
    const auto& values = floats();
    for (auto _ : state) {
        for (float v : values) {
            lnc::DigitString ds = lnc::decimal_digits(std::bit_cast<std::uint64_t>(double{v}));
            benchmark::DoNotOptimize(ds);
        }
    }
    per_value(state, values.size());
}
BENCHMARK(BM_DecimalDigits)->Unit(benchmark::kMillisecond);

void BM_SnprintfE(benchmark::State& state) {
    const auto& values = floats();
    char out[64];
    for (auto _ : state) {
        for (float v : values) {
            int n = std::snprintf(out, sizeof out, "%15.6E", static_cast<double>(v));
            benchmark::DoNotOptimize(n);
            benchmark::DoNotOptimize(out);
        }
    }
    per_value(state, values.size());
}
BENCHMARK(BM_SnprintfE)->Unit(benchmark::kMillisecond);

void BM_ToCharsE(benchmark::State& state) {
    const auto& values = floats();
    char out[64];
    for (auto _ : state) {
        for (float v : values) {
            auto r = std::to_chars(out, out + sizeof out, v, std::chars_format::scientific, 6);
            benchmark::DoNotOptimize(r.ptr);
            benchmark::DoNotOptimize(out);
        }
    }
    per_value(state, values.size());
}
BENCHMARK(BM_ToCharsE)->Unit(benchmark::kMillisecond);

void BM_ConvertRealText(benchmark::State& state) {
    const auto& values = texts();
    for (auto _ : state) {
        for (const std::string& text : values) {
            lnc::RealConversion c =
                lnc::convert_real_text(text.c_str(), static_cast<int>(text.size()), 0, 0);
            benchmark::DoNotOptimize(c);
        }
    }
    per_value(state, values.size());
}
BENCHMARK(BM_ConvertRealText)->Unit(benchmark::kMillisecond);

// strtof does not know the D exponent letter; its texts have E in its place.
void BM_Strtof(benchmark::State& state) {
    std::vector<std::string> values = texts();
    for (std::string& text : values) {
        for (char& c : text) {
            c = c == 'd' ? 'e' : c;
        }
    }
    for (auto _ : state) {
        for (const std::string& text : values) {
            float f = std::strtof(text.c_str(), nullptr);
            benchmark::DoNotOptimize(f);
        }
    }
    per_value(state, values.size());
}
BENCHMARK(BM_Strtof)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
