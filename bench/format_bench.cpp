// Formatted WRITE and READ statements on internal files, per value, beside the C library doing
// the same editing: snprintf("%12.4f") and snprintf("%15.7E") for "(F12.4)" and "(4E15.7)",
// strtof for reading "(F12.4)" records. Also the begin and end calls of a statement without
// items, with a format and list-directed, which shows what naming a format costs a statement
// executed in a loop (its text is compiled once and found again by its text).
//
// Internal files need no unit or handle: the engine runs as the program runs it, with the
// private heap and the statement engine, and every record stays in this process's memory.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_values.h"
#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "lncalc/statements.h"
#include "runtime/heap/heap.h"

namespace {

using lnc::bench::fixed_floats;
using lnc::bench::per_value;
using lnc::bench::value_count;
using lnc::bench::varied_floats;

constexpr int F_WIDTH = 12; // "(F12.4)"
constexpr int E_WIDTH = 15; // "(4E15.7)"
constexpr int E_PER_RECORD = 4;

const std::vector<float>& fixed_values() {
    static const std::vector<float> values = fixed_floats(value_count());
    return values;
}

const std::vector<float>& varied_values() {
    static const std::vector<float> values = varied_floats(value_count());
    return values;
}

// The "%12.4f" text of every fixed value, records of 12 characters one after another and a NUL
// after the last: the internal file of the READ, and strtof's input as it stands.
const std::vector<char>& fixed_records() {
    static std::vector<char> records;
    if (records.empty()) {
        const auto& values = fixed_values();
        records.resize(values.size() * F_WIDTH + 1);
        for (std::size_t i = 0; i < values.size(); ++i) {
            char text[F_WIDTH + 1];
            std::snprintf(text, sizeof text, "%12.4f", static_cast<double>(values[i]));
            std::memcpy(&records[i * F_WIDTH], text, F_WIDTH);
        }
    }
    return records;
}

// The heap and the statement engine, once per process (start-up's part for the engine).
void prepare_engine() {
    static bool ready = false;
    if (!ready) {
        if (!lnc::create_process_heap()) {
            std::fprintf(stderr, "the run-time could not be prepared\n");
            std::exit(2);
        }
        lnc::error_state = lnc::ErrorState{};
        lnc::init_units();
        lnc::init_statement_engine();
        ready = true;
    }
}

// ---- WRITE ----

void BM_FormattedWriteF(benchmark::State& state) {
    prepare_engine();
    const auto& values = fixed_values();
    char record[F_WIDTH];
    for (auto _ : state) {
        for (float v : values) {
            lnc::begin_write_internal(record, F_WIDTH, 1, "(F12.4)", -1, 0);
            lnc::write_item_real4(std::bit_cast<std::uint32_t>(v));
            lnc::end_write();
            benchmark::DoNotOptimize(record);
        }
    }
    per_value(state, values.size());
}
BENCHMARK(BM_FormattedWriteF)->Unit(benchmark::kMillisecond);

void BM_SnprintfF(benchmark::State& state) {
    const auto& values = fixed_values();
    char record[F_WIDTH + 1];
    for (auto _ : state) {
        for (float v : values) {
            std::snprintf(record, sizeof record, "%12.4f", static_cast<double>(v));
            benchmark::DoNotOptimize(record);
        }
    }
    per_value(state, values.size());
}
BENCHMARK(BM_SnprintfF)->Unit(benchmark::kMillisecond);

void BM_FormattedWriteE4(benchmark::State& state) {
    prepare_engine();
    const auto& values = varied_values();
    char record[E_PER_RECORD * E_WIDTH];
    for (auto _ : state) {
        for (std::size_t i = 0; i + E_PER_RECORD <= values.size(); i += E_PER_RECORD) {
            lnc::begin_write_internal(record, sizeof record, 1, "(4E15.7)", -1, 0);
            for (int j = 0; j < E_PER_RECORD; ++j)
                lnc::write_item_real4(std::bit_cast<std::uint32_t>(values[i + j]));
            lnc::end_write();
            benchmark::DoNotOptimize(record);
        }
    }
    per_value(state, values.size() / E_PER_RECORD * E_PER_RECORD);
}
BENCHMARK(BM_FormattedWriteE4)->Unit(benchmark::kMillisecond);

// Four "%15.7E" fields in one record, each written in place (its NUL falls where the next
// field goes, and into the record's spare byte for the last).
void BM_SnprintfE4(benchmark::State& state) {
    const auto& values = varied_values();
    char record[E_PER_RECORD * E_WIDTH + 1];
    for (auto _ : state) {
        for (std::size_t i = 0; i + E_PER_RECORD <= values.size(); i += E_PER_RECORD) {
            for (int j = 0; j < E_PER_RECORD; ++j)
                std::snprintf(record + j * E_WIDTH, E_WIDTH + 1, "%15.7E",
                              static_cast<double>(values[i + j]));
            benchmark::DoNotOptimize(record);
        }
    }
    per_value(state, values.size() / E_PER_RECORD * E_PER_RECORD);
}
BENCHMARK(BM_SnprintfE4)->Unit(benchmark::kMillisecond);

// ---- READ ----

void BM_FormattedReadF(benchmark::State& state) {
    prepare_engine();
    const auto& records = fixed_records();
    std::size_t count = fixed_values().size();
    std::vector<float> read(count);
    for (auto _ : state) {
        for (std::size_t i = 0; i < count; ++i) {
            lnc::begin_read_internal(&records[i * F_WIDTH], F_WIDTH, 1, "(F12.4)", -1, 0);
            lnc::read_item_real4(&read[i]);
            lnc::end_read();
        }
        benchmark::DoNotOptimize(read.data());
    }
    // Every record must have been read as the C library reads it.
    for (std::size_t i = 0; i < count; ++i) {
        float expected = std::strtof(&records[i * F_WIDTH], nullptr);
        if (std::bit_cast<std::uint32_t>(read[i]) != std::bit_cast<std::uint32_t>(expected)) {
            state.SkipWithError(("record " + std::to_string(i) + " read wrongly").c_str());
            break;
        }
    }
    per_value(state, count);
}
BENCHMARK(BM_FormattedReadF)->Unit(benchmark::kMillisecond);

// strtof over the same records as they stand: each stops at the blanks of the next.
void BM_StrtofF(benchmark::State& state) {
    const auto& records = fixed_records();
    std::size_t count = fixed_values().size();
    float sum = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < count; ++i)
            sum += std::strtof(&records[i * F_WIDTH], nullptr);
    }
    benchmark::DoNotOptimize(sum);
    per_value(state, count);
}
BENCHMARK(BM_StrtofF)->Unit(benchmark::kMillisecond);

// ---- The statement without items ----

// A WRITE of no items to an internal file of one record, per statement: with "(F12.4)" (the
// begin call finds the compiled format by its text) or list-directed (format null).
void BM_BeginEnd(benchmark::State& state) {
    prepare_engine();
    const char* format = state.range(0) != 0 ? "(F12.4)" : nullptr;
    std::size_t count = value_count();
    char record[F_WIDTH];
    for (auto _ : state) {
        for (std::size_t i = 0; i < count; ++i) {
            lnc::begin_write_internal(record, F_WIDTH, 1, format, -1, 0);
            lnc::end_write();
            benchmark::DoNotOptimize(record);
        }
    }
    per_value(state, count);
}
BENCHMARK(BM_BeginEnd)->ArgName("formatted")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
