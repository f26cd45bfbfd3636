// The integer scan of list-directed input on arbitrary bytes (cut at the first NUL), against a
// model of its rules written with 64-bit arithmetic: an optional sign, decimal digits up to NUL
// or Ctrl-Z, or a base before "#" (none meaning 16) and digits of that base, with the overflow
// limits of each base. A text without digits (empty, a sign alone, a base with nothing after
// it) is a bad character rather than a silent zero. Value and status must agree; a status other
// than 0 needs no value.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "io/listin/listin.h"

namespace {

struct Expected {
    std::int32_t value;
    int status;
};

int digit_value(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return 99;
}

std::int32_t signed_of(std::uint64_t magnitude, bool negative) {
    auto v = static_cast<std::uint32_t>(magnitude);
    return static_cast<std::int32_t>(negative ? 0u - v : v);
}

// The part after "#": digits of the base, each step bounded as the scan bounds it.
Expected based_part(const unsigned char* p, std::uint64_t base, bool negative) {
    std::uint64_t limit = base == 10 ? 214748364 : 0xFFFFFFFFull / base;
    std::uint64_t value = 0;
    if (*p == '\0') {
        return {0, 4};
    }
    for (; *p != '\0'; ++p) {
        if (*p == '#') {
            return {0, 2};
        }
        int d = digit_value(*p);
        if (d >= static_cast<int>(base)) {
            return {0, 4};
        }
        if (value > limit) {
            return {0, 1};
        }
        value = value * base + static_cast<std::uint64_t>(d);
        if ((base == 10 && value > 2147483647) || value > 0xFFFFFFFFull) {
            return {0, 1};
        }
    }
    return {signed_of(value, negative), 0};
}

Expected model(const std::string& text) {
    if (text == "-2147483648") {
        return {INT32_MIN, 0};
    }
    const auto* p = reinterpret_cast<const unsigned char*>(text.c_str());
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p++ == '-';
    }
    std::uint64_t value = 0;
    bool digits = false;
    for (;; ++p) {
        if (*p == '\0' || *p == 0x1A) {
            return digits ? Expected{signed_of(value, negative), 0} : Expected{0, 4};
        }
        if (*p >= '0' && *p <= '9') {
            if (value > 214748364) {
                return {0, 1};
            }
            value = value * 10 + (*p - '0');
            if (value > 2147483647) {
                return {0, 1};
            }
            digits = true;
        } else if (*p == '#') {
            std::uint64_t base = value == 0 ? 16 : value;
            if (base < 2 || base > 36) {
                return {0, 3};
            }
            return based_part(p + 1, base, negative);
        } else {
            return {0, 4};
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    lnc::ParsedInteger got = lnc::parse_integer(copy);
    delete[] copy;
    lnc::fuzz::note_result(&got, sizeof got);
    Expected expected = model(text);
    if (got.status != expected.status || (expected.status == 0 && got.value != expected.value)) {
        lnc::fuzz::fail("\"" + text + "\": value " + std::to_string(got.value) + " status " +
                        std::to_string(got.status) + ", expected " +
                        std::to_string(expected.value) + " status " +
                        std::to_string(expected.status));
    }
    return 0;
}
