// The C++ library's fastest conversions doing the whole-process jobs, buffered as stdio buffers:
//     lncalc_cpp_floor to_chars1 N | to_chars4 N   to_chars(scientific, 6) right-justified in 16
//                                                  columns, fwrite per line
//     lncalc_cpp_floor from_chars N                fgets and from_chars of N lines, then the
//                                                  count and the sum of the values read
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "values.h"

namespace {

void put_values(long n, int per_line) {
    std::uint32_t s = job_seed();
    char line[128];
    for (long i = 0; i < n; i += per_line) {
        char* p = line;
        for (int j = 0; j < per_line; ++j) {
            char number[32];
            auto r = std::to_chars(number, number + sizeof number, job_value(&s),
                                   std::chars_format::scientific, 6);
            std::size_t length = static_cast<std::size_t>(r.ptr - number);
            std::memset(p, ' ', 16 - length);
            std::memcpy(p + 16 - length, number, length);
            p += 16;
        }
        *p++ = '\n';
        std::fwrite(line, 1, static_cast<std::size_t>(p - line), stdout);
    }
}

int read_values(long n) {
    char line[160];
    double sum = 0;
    long count = 0;
    while (count < n && std::fgets(line, sizeof line, stdin) != nullptr) {
        char* end = line + std::strcspn(line, "\r\n");
        for (char* p = line; p != end; ++p) {
            *p = *p == 'd' || *p == 'D' ? 'e' : *p;
        }
        const char* first = line + (line[0] == '+' ? 1 : 0); // from_chars takes no plus sign
        float x = 0;
        std::from_chars(first, end, x);
        sum += x;
        ++count;
    }
    std::printf("%ld %.17g\n", count, sum);
    return count == n ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string_view job = argc > 1 ? argv[1] : "";
    long n = job_count(argc, argv, 2);
    if (job == "to_chars1" || job == "to_chars4") {
        put_values(n, job.back() - '0');
        return 0;
    }
    if (job == "from_chars") {
        return read_values(n);
    }
    std::fprintf(stderr, "usage: %s to_chars1|to_chars4|from_chars [N]\n", argv[0]);
    return 2;
}
