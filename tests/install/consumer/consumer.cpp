// A small program on the installed run-time: a WRITE, a READ and a WRITE of what was read, then,
// as its argument asks, a floating-point trap or an integer overflow in a routine with call-site
// records.
#include <bit>
#include <cstdint>
#include <cstring>

#include "lncalc/runtime.h"

namespace {

std::int32_t scaled(std::int32_t n) {
    lnc::CallSiteRecord site{nullptr, "scale.f", "_scaled@4", 20};
    lnc::push_call_site(&site);
    site.line = 21;
    std::int32_t result = lnc::integer_power(n, 10);
    lnc::pop_call_site();
    return result;
}

int consumer_main(int argc, char** argv, char** environment) {
    std::int32_t n = 42;
    float x = 2.5f;
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    lnc::write_item_character("n =", 3);
    lnc::write_item_integer4(n);
    lnc::write_item_character(" x =", 4);
    lnc::write_item_real4(std::bit_cast<std::uint32_t>(x));
    lnc::end_write();

    std::int32_t k = 0;
    float y = 0;
    lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    lnc::read_item_integer4(&k);
    lnc::read_item_real4(&y);
    lnc::end_read();

    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    lnc::write_item_integer4(k);
    lnc::write_item_real4(std::bit_cast<std::uint32_t>(y));
    lnc::end_write();

    if (argc > 1 && std::strcmp(argv[1], "trap") == 0) {
        // long double arithmetic runs on the x87 unit, whose division by zero traps where the
        // x87 is the run-time's unit; elsewhere the program's own arithmetic is not trapped.
        volatile long double zero = 0;
        volatile long double quotient = 1.0L / zero;
        (void)quotient;
    }
    if (argc > 1 && std::strcmp(argv[1], "overflow") == 0) {
        lnc::CallSiteRecord site{nullptr, "main.f", "_main", 3};
        lnc::push_call_site(&site);
        site.line = 4;
        scaled(k);
        lnc::pop_call_site();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    lnc::process_entry(argc, argv, consumer_main);
}
