// Checks the list-directed text of every single-precision pattern (or of a slice of them)
// against the schoolbook reference and prints the number of differences.
//
//     lncalc_exhaustive_format [first [count]]     first in hex, count in decimal;
//                                                  default: all 2^32 patterns
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "support/decimal_reference.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const std::uint64_t first = argc > 1 ? std::strtoull(argv[1], nullptr, 16) : 0;
    const std::uint64_t count =
        argc > 2 ? std::strtoull(argv[2], nullptr, 10) : (std::uint64_t{1} << 32) - first;
    const std::uint64_t end =
        first + count > (std::uint64_t{1} << 32) ? std::uint64_t{1} << 32 : first + count;
    std::uint64_t differences = 0;
    for (std::uint64_t pattern = first; pattern < end; ++pattern) {
        const auto bits = static_cast<std::uint32_t>(pattern);
        char out[lnc::FORMAT_TOO_LONG];
        const int n = lnc::format_real_value(lnc::LIST_SINGLE, lnc::TYPE_REAL4, bits, out);
        const std::string expected = lnc::test::reference_list_single(bits);
        if (expected.compare(0, std::string::npos, out, n) != 0 && ++differences <= 20) {
            std::printf("%08x: \"%.*s\" expected \"%s\"\n", bits, n, out, expected.c_str());
        }
        if ((pattern & 0xFFFFFFF) == 0xFFFFFFF) {
            std::fprintf(stderr, "checked up to %08x, %llu differences\n", bits,
                         static_cast<unsigned long long>(differences));
        }
    }
    std::printf("%llu patterns from %08llx, %llu differences\n",
                static_cast<unsigned long long>(end - first),
                static_cast<unsigned long long>(first),
                static_cast<unsigned long long>(differences));
    return differences == 0 ? 0 : 1;
}
