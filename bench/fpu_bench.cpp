// The calculator's logarithm per call: the software unit beside this build's unit (the x87 on
// x86 processors), the logarithm alone and the whole path of the routine (the logarithm, its
// store to single, the division by the logarithm of e).
#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>

#include "bench/bench_values.h"
#include "os/fpu.h"
#include "os/softfpu.h"
#include "program/program.h"

namespace {

// Positive finite singles of varied magnitude: the inputs the logarithm computes a value for.
const std::vector<std::uint32_t>& positive_bits() {
    static const std::vector<std::uint32_t> values = [] {
        std::vector<std::uint32_t> bits;
        for (float v : lnc::bench::varied_floats(lnc::bench::value_count())) {
            bits.push_back(std::bit_cast<std::uint32_t>(v == 0.0f ? 1.0f : std::fabs(v)));
        }
        return bits;
    }();
    return values;
}

// One unit's routines, called through pointers alike for both units so that the ratio compares
// the arithmetic alone.
struct Unit {
    lnc::FpuExtended (*log)(std::uint32_t);
    std::uint32_t (*store)(const lnc::FpuExtended&);
    lnc::FpuExtended (*divide)(std::uint32_t, const lnc::FpuExtended&);
};
const Unit SOFTWARE{lnc::softfpu::ln2_log2, lnc::softfpu::store_single,
                    lnc::softfpu::divide_single};
const Unit THIS_BUILD{lnc::fpu::ln2_log2, lnc::fpu::store_single, lnc::fpu::divide_single};

void logarithm_alone(benchmark::State& state, const Unit& unit) {
    const auto& values = positive_bits();
    for (auto _ : state) {
        for (std::uint32_t x : values) {
            lnc::FpuExtended y = unit.log(x);
            benchmark::DoNotOptimize(y);
        }
    }
    lnc::bench::per_value(state, values.size());
}

void natural_log_path(benchmark::State& state, const Unit& unit) {
    const auto& values = positive_bits();
    for (auto _ : state) {
        for (std::uint32_t x : values) {
            lnc::FpuExtended y = unit.divide(unit.store(unit.log(x)), unit.log(lnc::E_SINGLE_BITS));
            benchmark::DoNotOptimize(y);
        }
    }
    lnc::bench::per_value(state, values.size());
}

void BM_SoftwareLog(benchmark::State& state) {
    logarithm_alone(state, SOFTWARE);
}
void BM_UnitLog(benchmark::State& state) {
    logarithm_alone(state, THIS_BUILD);
}
void BM_SoftwareNaturalLog(benchmark::State& state) {
    natural_log_path(state, SOFTWARE);
}
void BM_UnitNaturalLog(benchmark::State& state) {
    natural_log_path(state, THIS_BUILD);
}

BENCHMARK(BM_SoftwareLog);
BENCHMARK(BM_UnitLog);
BENCHMARK(BM_SoftwareNaturalLog);
BENCHMARK(BM_UnitNaturalLog);

} // namespace

BENCHMARK_MAIN();
