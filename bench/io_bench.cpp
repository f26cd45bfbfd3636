// List-directed WRITE to a disk file and list-directed READ from redirected standard input,
// each pass over the same values beside the C library doing the same job: snprintf or
// to_chars with fwrite for output, fgets with strtof for input.
//
// The engine runs in this process as the program runs it: the private heap, the handle table
// with the standard handles, the unit table and the statement engine. Standard output of the
// engine is a disk file (the separate console output block, as with "lncalc > file"); standard
// input is the process's own descriptor 0, onto which the input file is placed.
#include <benchmark/benchmark.h>

#include <bit>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "bench/bench_values.h"
#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "os/files.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"

namespace {

using lnc::bench::input_texts;
using lnc::bench::per_value;
using lnc::bench::value_count;
using lnc::bench::varied_floats;

const std::vector<float>& floats() {
    static const std::vector<float> values = varied_floats(value_count());
    return values;
}

std::string scratch_path(const char* name) {
    const char* directory = std::getenv("LNCALC_BENCH_DIR");
    if (directory == nullptr) {
        directory = std::getenv("TMPDIR");
    }
    return std::string(directory != nullptr ? directory : "/tmp") + "/" + name;
}

// ---- The engine's run-time ----

// Start-up's part for the I/O engine: the heap and the handle table, once per process.
void prepare_runtime() {
    static bool ready = false;
    if (!ready) {
        ready = lnc::create_process_heap() && lnc::init_handles() == 0;
        if (!ready) {
            std::fprintf(stderr, "the run-time could not be prepared\n");
            std::exit(2);
        }
    }
}

// Points engine handle h (and the platform's standard handle h) at descriptor fd, with the
// flags start-up gives a disk file.
void attach_standard_handle(int h, int fd) {
    lnc::handle_table.blocks[0][h] = {fd, lnc::H_OPEN | lnc::H_TEXT, '\n'};
    lnc::os::set_std_handle(h, fd);
}

// The units and the statement engine of one pass; close_all_units ends the pass as the exit
// sequence would, writing the line end still owed.
void start_units() {
    lnc::error_state = lnc::ErrorState{};
    lnc::init_units();
    lnc::init_statement_engine();
}

void end_units() {
    lnc::close_all_units();
    lnc::error_state = lnc::ErrorState{};
}

// An empty output file on descriptor fd, reused by every pass.
void rewind_output(int fd) {
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
        std::perror("output file");
        std::exit(2);
    }
}

int open_output(const char* name) {
    std::string path = scratch_path(name);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(2);
    }
    return fd;
}

// ---- WRITE ----

void engine_write(benchmark::State& state, int per_statement) {
    prepare_runtime();
    const auto& values = floats();
    int fd = open_output("lncalc-bench-write.txt");
    lnc::os::Handle saved_handle = lnc::handle_table.blocks[0][1].os_handle;
    std::uint8_t saved_flags = lnc::handle_table.blocks[0][1].mode_flags;
    attach_standard_handle(1, fd);
    for (auto _ : state) {
        state.PauseTiming();
        rewind_output(fd);
        start_units();
        state.ResumeTiming();
        for (std::size_t i = 0; i < values.size(); i += per_statement) {
            lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
            for (std::size_t j = i; j < i + per_statement && j < values.size(); ++j) {
                lnc::write_item_real4(std::bit_cast<std::uint32_t>(values[j]));
            }
            lnc::end_write();
        }
        end_units();
    }
    state.counters["bytes_per_value"] =
        static_cast<double>(::lseek(fd, 0, SEEK_END)) / static_cast<double>(values.size());
    lnc::handle_table.blocks[0][1] = {saved_handle, saved_flags, '\n'};
    lnc::os::set_std_handle(1, saved_handle);
    ::close(fd);
    per_value(state, values.size());
}

void BM_WriteEngine(benchmark::State& state) {
    engine_write(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_WriteEngine)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// A field of 16 columns for one value at line, by one of the C library's formatters.
using FieldFormatter = void (*)(char* line, float value);

// " %15.6E", as the engine lays out a single real, written in place (its terminating NUL falls
// where the next field or the line end goes).
void snprintf_field(char* line, float value) {
    std::snprintf(line, 17, " %15.6E", static_cast<double>(value));
}

// The shortest scientific text with 6 decimals, right-justified.
void to_chars_field(char* line, float value) {
    char text[32];
    auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 6);
    int length = static_cast<int>(r.ptr - text);
    std::memset(line, ' ', static_cast<std::size_t>(16 - length));
    std::memcpy(line + 16 - length, text, static_cast<std::size_t>(length));
}

// Lines of `per_line` fields ended by CR LF, as the engine writes them, through fwrite.
void baseline_write(benchmark::State& state, int per_line, FieldFormatter field,
                    const char* file_name) {
    const auto& values = floats();
    int fd = open_output(file_name);
    for (auto _ : state) {
        state.PauseTiming();
        rewind_output(fd);
        FILE* file = ::fdopen(::dup(fd), "w");
        state.ResumeTiming();
        char line[128];
        for (std::size_t i = 0; i < values.size(); i += per_line) {
            int n = 0;
            for (std::size_t j = i; j < i + per_line && j < values.size(); ++j) {
                field(line + n, values[j]);
                n += 16;
            }
            line[n++] = '\r';
            line[n++] = '\n';
            std::fwrite(line, 1, n, file);
        }
        std::fclose(file);
    }
    state.counters["bytes_per_value"] =
        static_cast<double>(::lseek(fd, 0, SEEK_END)) / static_cast<double>(values.size());
    ::close(fd);
    per_value(state, values.size());
}

void BM_WriteSnprintf(benchmark::State& state) {
    baseline_write(state, static_cast<int>(state.range(0)), snprintf_field,
                   "lncalc-bench-snprintf.txt");
}
BENCHMARK(BM_WriteSnprintf)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_WriteToChars(benchmark::State& state) {
    baseline_write(state, static_cast<int>(state.range(0)), to_chars_field,
                   "lncalc-bench-tochars.txt");
}
BENCHMARK(BM_WriteToChars)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// ---- READ ----

// The input file, one value per line, placed on descriptor 0 for the whole process.
const std::vector<std::string>& redirected_input() {
    static std::vector<std::string> texts;
    if (texts.empty()) {
        texts = input_texts(value_count());
        std::string path = scratch_path("lncalc-bench-read.txt");
        FILE* file = std::fopen(path.c_str(), "w");
        for (const std::string& text : texts) {
            std::fprintf(file, "%s\n", text.c_str());
        }
        std::fclose(file);
        int fd = ::open(path.c_str(), O_RDONLY);
        if (fd < 0 || ::dup2(fd, 0) != 0) {
            std::perror(path.c_str());
            std::exit(2);
        }
        ::close(fd);
    }
    return texts;
}

float strtof_of(const std::string& text) {
    std::string c = text;
    for (char& ch : c) {
        ch = ch == 'd' ? 'e' : ch;
    }
    return std::strtof(c.c_str(), nullptr);
}

void BM_ReadEngine(benchmark::State& state) {
    prepare_runtime();
    const auto& texts = redirected_input();
    attach_standard_handle(0, 0);
    std::vector<float> read(texts.size());
    for (auto _ : state) {
        state.PauseTiming();
        lnc::seek(0, 0, 0); // through the handle layer, which drops what it read ahead
        start_units();
        state.ResumeTiming();
        for (float& x : read) {
            lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
            lnc::read_item_real4(&x);
            lnc::end_read();
        }
        end_units();
    }
    // The pass must have read every value as the C library reads it.
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (std::bit_cast<std::uint32_t>(read[i]) !=
            std::bit_cast<std::uint32_t>(strtof_of(texts[i]))) {
            state.SkipWithError(("value " + texts[i] + " read wrongly").c_str());
            break;
        }
    }
    per_value(state, texts.size());
}
BENCHMARK(BM_ReadEngine)->Unit(benchmark::kMillisecond);

// fgets and strtof from standard input, the D exponent letter turned into E first.
void BM_ReadStrtof(benchmark::State& state) {
    const auto& texts = redirected_input();
    double sum = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::fseek(stdin, 0, SEEK_SET);
        state.ResumeTiming();
        char line[160];
        while (std::fgets(line, sizeof line, stdin) != nullptr) {
            for (char* p = line; *p != '\0'; ++p) {
                *p = *p == 'd' || *p == 'D' ? 'e' : *p;
            }
            sum += std::strtof(line, nullptr);
        }
    }
    benchmark::DoNotOptimize(sum);
    per_value(state, texts.size());
}
BENCHMARK(BM_ReadStrtof)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
