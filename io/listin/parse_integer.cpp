// Integer text to value: decimal with an optional sign, or "base#digits" in bases 2 to 36.
#include <cstdint>
#include <cstring>

#include "io/listin/listin.h"

namespace lnc {

namespace {

constexpr int PARSED = 0;
constexpr int TOO_LARGE = 1;
constexpr int SECOND_BASE_MARK = 2;
constexpr int BAD_BASE = 3;
constexpr int BAD_CHARACTER = 4;

constexpr std::uint32_t DECIMAL_LIMIT = 214748364;
constexpr std::uint32_t LARGEST_INT = 2147483647;
constexpr char END_OF_FILE_MARK = 0x1A;

ParsedInteger finish(std::uint32_t value, bool negative) {
    std::uint32_t result = negative ? 0u - value : value;
    return {static_cast<std::int32_t>(result), PARSED};
}

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

// The digits after "#". All 32 bits may be used: the result is taken as signed.
ParsedInteger parse_based(const char* p, std::uint32_t base, bool negative) {
    const std::uint64_t largest = base == 10 ? LARGEST_INT : 0xFFFFFFFFu;
    const std::uint32_t limit = base == 10 ? DECIMAL_LIMIT : 0xFFFFFFFFu / base;
    std::uint64_t value = 0;
    if (*p == '\0') {
        return {0, BAD_CHARACTER}; // no digits after the base
    }
    for (; *p != '\0'; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '#') {
            return {0, SECOND_BASE_MARK};
        }
        int digit = digit_value(c);
        if (digit >= static_cast<int>(base)) {
            return {0, BAD_CHARACTER};
        }
        if (value > limit) {
            return {0, TOO_LARGE};
        }
        value = value * base + static_cast<std::uint64_t>(digit);
        if (value > largest) {
            return {0, TOO_LARGE};
        }
    }
    return finish(static_cast<std::uint32_t>(value), negative);
}

} // namespace

ParsedInteger parse_integer(const char* text) {
    if (std::strcmp(text, "-2147483648") == 0) {
        return {INT32_MIN, PARSED};
    }
    const char* p = text;
    bool negative = false;
    if (*p == '+') {
        ++p;
    } else if (*p == '-') {
        negative = true;
        ++p;
    }
    std::uint32_t value = 0;
    bool digits = false;
    for (;; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\0' || c == END_OF_FILE_MARK) {
            // A sign alone, or nothing at all, is not a number.
            return digits ? finish(value, negative) : ParsedInteger{0, BAD_CHARACTER};
        }
        if (c >= '0' && c <= '9') {
            if (value > DECIMAL_LIMIT) {
                return {0, TOO_LARGE};
            }
            value = value * 10 + (c - '0');
            if (value > LARGEST_INT) {
                return {0, TOO_LARGE};
            }
            digits = true;
        } else if (c == '#') {
            std::uint32_t base = value == 0 ? 16 : value;
            if (base < 2 || base > 36) {
                return {0, BAD_BASE};
            }
            return parse_based(p + 1, base, negative);
        } else {
            return {0, BAD_CHARACTER};
        }
    }
}

} // namespace lnc
