// Integer text conversion: decimal and based forms, limits and the refusals by status.
#include <gtest/gtest.h>

#include <cstdint>

#include "io/listin/listin.h"

namespace lnc {
namespace {

struct IntegerCase {
    const char* text;
    std::int32_t value;
    int status;
};

void expect_cases(const IntegerCase* cases, int count) {
    for (int i = 0; i < count; ++i) {
        ParsedInteger p = parse_integer(cases[i].text);
        EXPECT_EQ(p.status, cases[i].status) << '"' << cases[i].text << '"';
        if (cases[i].status == 0 && p.status == 0) {
            EXPECT_EQ(p.value, cases[i].value) << '"' << cases[i].text << '"';
        }
    }
}

TEST(ParseInteger, DecimalValuesAndSigns) {
    const IntegerCase cases[] = {
        {"0", 0, 0},
        {"7", 7, 0},
        {"+42", 42, 0},
        {"-42", -42, 0},
        {"0042", 42, 0},
        {"2147483647", 2147483647, 0},
        {"-2147483647", -2147483647, 0},
        {"-2147483648", INT32_MIN, 0},
        {"12\x1A", 12, 0}, // the end-of-file mark ends the number
    };
    expect_cases(cases, sizeof cases / sizeof cases[0]);
}

TEST(ParseInteger, DecimalOverflowAtEveryBoundary) {
    const IntegerCase cases[] = {
        {"2147483648", 0, 1},
        {"-2147483649", 0, 1},
        {"+2147483648", 0, 1},
        {"2147483650", 0, 1},
        {"21474836470", 0, 1},
        {"99999999999999999999", 0, 1},
        // Only the exact text is the most negative value; other spellings overflow.
        {"-02147483648", 0, 1},
    };
    expect_cases(cases, sizeof cases / sizeof cases[0]);
}

TEST(ParseInteger, CharactersThatDoNotBelong) {
    const IntegerCase cases[] = {
        {"1.0", 0, 4},
        {"1e3", 0, 4},
        {" 1", 0, 4},
        {"1 ", 0, 4},
        {"--1", 0, 4},
        {"+-1", 0, 4},
        {"1-", 0, 4},
        {"\x80", 0, 4},
        {"abc", 0, 4},
        // No digits at all is not a number either.
        {"", 0, 4},
        {"+", 0, 4},
        {"-", 0, 4},
    };
    expect_cases(cases, sizeof cases / sizeof cases[0]);
}

TEST(ParseInteger, BasedValues) {
    const IntegerCase cases[] = {
        {"2#101", 5, 0},
        {"8#777", 511, 0},
        {"16#ff", 255, 0},
        {"16#FF", 255, 0},
        {"#FF", 255, 0},
        {"0#10", 16, 0},
        {"36#zz", 1295, 0},
        {"36#Z", 35, 0},
        {"-16#10", -16, 0},
        {"+2#11", 3, 0},
        {"10#2147483647", 2147483647, 0},
        {"16#7FFFFFFF", 2147483647, 0},
        // All 32 bits are usable and the result is taken as signed.
        {"16#FFFFFFFF", -1, 0},
        {"16#80000000", INT32_MIN, 0},
        {"2#11111111111111111111111111111111", -1, 0},
        {"-16#FFFFFFFF", 1, 0},
    };
    expect_cases(cases, sizeof cases / sizeof cases[0]);
}

TEST(ParseInteger, BasedLimits) {
    const IntegerCase cases[] = {
        {"16#100000000", 0, 1}, // one past 32 bits
        {"16#1FFFFFFFF", 0, 1},
        {"10#2147483648", 0, 1}, // base ten keeps the signed limit
        {"2#100000000000000000000000000000000", 0, 1},
        {"36#1Z141Z3", -1, 0},              // 2^32 - 1: the last step still fits
        {"36#1Z141Z4", 0, 1},               // 4294967296: wraps past 32 bits
        {"3#102002022201221111210", -1, 0}, // 2^32 - 1 in base 3
        {"3#102002022201221111211", 0, 1},  // 2^32
    };
    expect_cases(cases, sizeof cases / sizeof cases[0]);
}

TEST(ParseInteger, BasedRefusals) {
    const IntegerCase cases[] = {
        {"1#0", 0, 3},      {"37#0", 0, 3}, {"100#1", 0, 3}, {"16#1#2", 0, 2}, {"2#1#", 0, 2},
        {"2#2", 0, 4},      {"8#8", 0, 4},  {"16#G", 0, 4},  {"16#-1", 0, 4},  {"16#1 ", 0, 4},
        {"16#1\x1A", 0, 4}, {"16#", 0, 4},  {"#", 0, 4},
    };
    expect_cases(cases, sizeof cases / sizeof cases[0]);
}

} // namespace
} // namespace lnc
