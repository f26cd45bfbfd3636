// The engine doing the whole-process jobs as a program on the run-time does them, one
// list-directed statement per record, from start-up to exit:
//     lncalc_engine_jobs write1 N    N WRITE statements of one single real each
//     lncalc_engine_jobs write4 N    N/4 WRITE statements of four single reals each
//     lncalc_engine_jobs read N      N READ statements of one single real each, then one WRITE of
//                                    the count and the sum of the values read
//     lncalc_engine_jobs fwrite1 N   N formatted WRITE statements, "(F12.4)", of one single real
//     lncalc_engine_jobs fread N     N formatted READ statements, "(F12.4)", of one single real,
//                                    then the list-directed WRITE of the count and the sum
// and the same on a file connected by OPEN (unit 10, the file named last):
//     lncalc_engine_jobs owrite1 N FILE   N list-directed WRITEs of one single real each
//     lncalc_engine_jobs ofwrite1 N FILE  N WRITEs "(F12.4)" of one single real each
//     lncalc_engine_jobs oread N FILE     N list-directed READs of one single real each, then the
//                                         count and the sum on standard output
//     lncalc_engine_jobs ofread N FILE    the same with "(F12.4)"
//     lncalc_engine_jobs uwrite N FILE    one unformatted WRITE of an array of N double reals
//     lncalc_engine_jobs uread N FILE     one unformatted READ of them, then the count and the sum
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "bench/jobs/values.h"
#include "lncalc/runtime.h"

namespace {

long count;
std::string_view job;
const char* file_name = "";
constexpr int FILE_UNIT = 10;

void write_values(int per_statement) {
    std::uint32_t s = job_seed();
    for (long i = 0; i < count; i += per_statement) {
        lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
        for (int j = 0; j < per_statement; ++j) {
            lnc::write_item_real4(std::bit_cast<std::uint32_t>(job_value(&s)));
        }
        lnc::end_write();
    }
}

void write_fixed_values() {
    std::uint32_t s = job_seed();
    for (long i = 0; i < count; ++i) {
        lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, "(F12.4)", -1, nullptr, 0, 0);
        lnc::write_item_real4(std::bit_cast<std::uint32_t>(job_fixed_value(&s)));
        lnc::end_write();
    }
}

// The file jobs' unit: the file named on the command line, replaced by a writer.
void open_file(const char* status, const char* form) {
    lnc::begin_open(FILE_UNIT, 0);
    lnc::open_file_name(file_name, static_cast<int>(std::strlen(file_name)));
    lnc::open_status(status, static_cast<int>(std::strlen(status)));
    lnc::open_form(form, static_cast<int>(std::strlen(form)));
    lnc::end_open();
}

void close_file() {
    lnc::begin_close(FILE_UNIT, 0);
    lnc::end_close();
}

void write_file_values(const char* format) {
    open_file("REPLACE", "FORMATTED");
    std::uint32_t s = job_seed();
    for (long i = 0; i < count; ++i) {
        float x = format == nullptr ? job_value(&s) : job_fixed_value(&s);
        lnc::begin_write(FILE_UNIT, format, -1, nullptr, 0, 0);
        lnc::write_item_real4(std::bit_cast<std::uint32_t>(x));
        lnc::end_write();
    }
    close_file();
}

void write_count_and_sum(long n, double sum) {
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    lnc::write_item_integer4(static_cast<std::int32_t>(n));
    lnc::write_item_real8(std::bit_cast<std::uint64_t>(sum));
    lnc::end_write();
}

void write_array() {
    std::unique_ptr<double[]> values(new double[static_cast<std::size_t>(count)]);
    std::uint32_t s = job_seed();
    for (long i = 0; i < count; ++i)
        values[i] = job_value(&s);
    open_file("REPLACE", "UNFORMATTED");
    lnc::begin_write_unformatted(FILE_UNIT, 0);
    lnc::write_item_array_by_reference(lnc::TYPE_REAL8, values.get(), 0, static_cast<int>(count));
    lnc::end_write();
    close_file();
}

// In a function of its own, so that the sum stays in a register (inside read_array the compiler
// moved it through a general register at every element, which tripled the loop's time).
[[gnu::noinline]] double sum_of(const double* values, long n) {
    double sum = 0;
    for (long i = 0; i < n; ++i)
        sum += values[i];
    return sum;
}

void read_array() {
    std::unique_ptr<double[]> values(new double[static_cast<std::size_t>(count)]);
    open_file("OLD", "UNFORMATTED");
    lnc::begin_read_unformatted(FILE_UNIT, 0);
    lnc::read_item_array(lnc::TYPE_REAL8, values.get(), 0, static_cast<int>(count));
    lnc::end_read();
    close_file();
    write_count_and_sum(count, sum_of(values.get(), count));
}

// Each READ of a value, list-directed (format null) or formatted, from standard input or from
// the file job's unit.
void read_values(int unit, const char* format) {
    if (unit == FILE_UNIT)
        open_file("OLD", "FORMATTED");
    double sum = 0;
    for (long i = 0; i < count; ++i) {
        float x = 0;
        lnc::begin_read(unit, format, -1, nullptr, 0, nullptr, 0);
        lnc::read_item_real4(&x);
        lnc::end_read();
        sum += x;
    }
    if (unit == FILE_UNIT)
        close_file();
    write_count_and_sum(count, sum);
}

int jobs_main(int, char**, char**) {
    if (job == "write1" || job == "write4") {
        write_values(job.back() - '0');
    } else if (job == "read" || job == "oread") {
        read_values(job == "read" ? lnc::DEFAULT_UNIT_READ : FILE_UNIT, nullptr);
    } else if (job == "fwrite1") {
        write_fixed_values();
    } else if (job == "fread" || job == "ofread") {
        read_values(job == "fread" ? lnc::DEFAULT_UNIT_READ : FILE_UNIT, "(F12.4)");
    } else if (job == "owrite1" || job == "ofwrite1") {
        write_file_values(job == "owrite1" ? nullptr : "(F12.4)");
    } else if (job == "uwrite") {
        write_array();
    } else if (job == "uread") {
        read_array();
    } else {
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    job = argc > 1 ? argv[1] : "";
    count = job_count(argc, argv, 2);
    file_name = argc > 3 ? argv[3] : "";
    lnc::process_entry(argc, argv, jobs_main);
}
