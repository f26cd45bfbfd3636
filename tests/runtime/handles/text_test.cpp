// The system error table, and the case folding that touches only A to Z.
#include <gtest/gtest.h>

#include "runtime/handles/handles.h"

namespace lnc {
namespace {

struct MappingCase {
    std::uint32_t system;
    int code;
};

TEST(SystemErrorMapping, EveryListedNumberAndTheRanges) {
    const MappingCase cases[] = {
        {1, 22},
        {2, 2},
        {3, 2},
        {4, 24},
        {5, 13},
        {6, 9},
        {7, 12},
        {8, 12},
        {9, 12},
        {10, 7},
        {11, 8},
        {12, 22},
        {13, 22},
        {15, 2},
        {16, 13},
        {17, 18},
        {18, 2},
        {33, 13},
        {53, 2},
        {65, 13},
        {67, 2},
        {80, 17},
        {82, 13},
        {83, 13},
        {87, 22},
        {89, 11},
        {108, 13},
        {109, 32},
        {112, 28},
        {114, 9},
        {128, 10},
        {129, 10},
        {130, 9},
        {131, 22},
        {132, 13},
        {145, 41},
        {158, 13},
        {161, 2},
        {164, 11},
        {167, 13},
        {183, 17},
        {206, 2},
        {215, 11},
        {1816, 12},
        // The ranges, their edges and their neighbours.
        {19, 13},
        {20, 13},
        {32, 13},
        {36, 13},
        {37, 22},
        {187, 22},
        {188, 8},
        {193, 8},
        {202, 8},
        {203, 22},
        // Everything else.
        {0, 22},
        {14, 22},
        {52, 22},
        {110, 22},
        {1815, 22},
        {1817, 22},
        {0x80000000u, 22},
        {0xFFFFFFFFu, 22},
    };
    for (const MappingCase& c : cases) {
        error_code = -1;
        map_system_error(c.system);
        EXPECT_EQ(error_code, c.code) << "system error " << c.system;
        EXPECT_EQ(system_error, c.system);
    }
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

struct CompareCase {
    const char* a;
    const char* b;
    int sign;
};

TEST(CompareIgnoringCase, FoldsOnlyLettersAndComparesBytesUnsigned) {
    const CompareCase cases[] = {
        {"CON", "con", 0},
        {"Con", "cON", 0},
        {"", "", 0},
        {"abc", "abd", -1},
        {"ABD", "abc", 1},
        {"a", "ab", -1},
        {"ab", "A", 1},
        // Folding goes to lower case: '[' and '_' lie between the two alphabets.
        {"[", "a", -1},
        {"_", "A", -1},
        {"@", "`", -1},
        // Bytes above 127 are not letters and compare above every ASCII byte.
        {"\xC9", "\xE9", -1},
        {"\x80", "z", 1},
        {"file\xFF", "FILE", 1},
    };
    for (const CompareCase& c : cases) {
        EXPECT_EQ(sign(compare_ignoring_case(c.a, c.b)), c.sign) << c.a << " vs " << c.b;
        EXPECT_EQ(sign(compare_ignoring_case(c.b, c.a)), -c.sign) << c.b << " vs " << c.a;
    }
}

TEST(ToUpper, ChangesOnlyTheLowerCaseLetters) {
    for (int c = -1; c < 300; ++c) {
        int expected = (c >= 'a' && c <= 'z') ? c - 32 : c;
        EXPECT_EQ(to_upper(c), expected) << c;
    }
}

} // namespace
} // namespace lnc
