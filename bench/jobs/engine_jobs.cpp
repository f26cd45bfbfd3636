// The engine doing the whole-process jobs as a program on the run-time does them, one
// list-directed statement per record, from start-up to exit:
//     lncalc_engine_jobs write1 N    N WRITE statements of one single real each
//     lncalc_engine_jobs write4 N    N/4 WRITE statements of four single reals each
//     lncalc_engine_jobs read N      N READ statements of one single real each, then one WRITE of
//                                    the count and the sum of the values read
//     lncalc_engine_jobs fwrite1 N   N formatted WRITE statements, "(F12.4)", of one single real
//     lncalc_engine_jobs fread N     N formatted READ statements, "(F12.4)", of one single real,
//                                    then the list-directed WRITE of the count and the sum
#include <bit>
#include <cstdint>
#include <string_view>

#include "bench/jobs/values.h"
#include "lncalc/runtime.h"

namespace {

long count;
std::string_view job;

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

// Each READ of a value, list-directed (format null) or formatted.
void read_values(const char* format) {
    double sum = 0;
    for (long i = 0; i < count; ++i) {
        float x = 0;
        lnc::begin_read(lnc::DEFAULT_UNIT_READ, format, -1, nullptr, 0, nullptr, 0);
        lnc::read_item_real4(&x);
        lnc::end_read();
        sum += x;
    }
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    lnc::write_item_integer4(static_cast<std::int32_t>(count));
    lnc::write_item_real8(std::bit_cast<std::uint64_t>(sum));
    lnc::end_write();
}

int jobs_main(int, char**, char**) {
    if (job == "write1" || job == "write4") {
        write_values(job.back() - '0');
    } else if (job == "read") {
        read_values(nullptr);
    } else if (job == "fwrite1") {
        write_fixed_values();
    } else if (job == "fread") {
        read_values("(F12.4)");
    } else {
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    job = argc > 1 ? argv[1] : "";
    count = job_count(argc, argv, 2);
    lnc::process_entry(argc, argv, jobs_main);
}
