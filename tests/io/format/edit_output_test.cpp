// Output fields of formatted transfer: {descriptor, scale, sign mode, type, value, field text},
// the field written out whole (the counted blanks, then the text; or the asterisks).
#include "io/format/format.h"
#include "lncalc/statements.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace lnc {
namespace {

constexpr int S4 = TYPE_REAL4;
constexpr int D8 = TYPE_REAL8;
constexpr int INT = 0; // the value column holds an integer (L: 0 or 1)

constexpr DataEdit edit(std::uint8_t descriptor, int w, int d = NO_VALUE, int e = NO_VALUE) {
    return {descriptor, w, d, e};
}
constexpr std::uint64_t whole(std::int64_t n) {
    return static_cast<std::uint64_t>(n);
}

std::string field_text(const OutputField& f, const char* out) {
    if (!f.stars) {
        EXPECT_EQ(f.blanks + f.length, f.width);
    }
    return f.stars ? std::string(f.width, '*')
                   : std::string(f.blanks, ' ') + std::string(out, f.length);
}

TEST(EditOutput, FieldTexts) {
    const struct {
        DataEdit edit;
        int scale, sign_mode, type;
        std::uint64_t value;
        const char* text;
    } cases[] = {
        {edit(DESC_F, 5, 2), 0, 0, S4, 0x3f000000, "  .50"},         // no "0" before the point
        {edit(DESC_F, 5, 2), 0, 0, D8, 0x4023fd70a3d70a3d, " 9.99"}, // 9.995: below the half
        {edit(DESC_F, 5, 2), 0, 0, D8, 0x4023fdf3b645a1cb, "10.00"}, // 9.996: exactly w
        {edit(DESC_F, 4, 2), 0, 0, D8, 0x4023fdf3b645a1cb, "****"},
        {edit(DESC_F, 4, 2), 0, 0, D8, 0x3fc0000000000000, " .13"}, // 0.125: a tie rounds up
        {edit(DESC_F, 5, 2), 0, 0, S4, 0x80000000, "  .00"},
        {edit(DESC_F, 5, 2), 0, SIGN_PLUS, S4, 0x00000000, " +.00"},
        {edit(DESC_F, 8, 2), 2, 0, S4, 0x3fc00000, "  150.00"},
        {edit(DESC_F, 8, 3), -1, 0, S4, 0x3fc00000, "    .150"},
        {edit(DESC_E, 10, 3), 0, 0, D8, 0x3feffbe76c8b4396, "  .100E+01"}, // 0.9995
        {edit(DESC_E, 12, 4), 0, 0, S4, 0x00000001, "   .1401E-44"},
        {edit(DESC_E, 12, 4), 0, 0, D8, 0x0000000000000001, "   .4941-323"},
        {edit(DESC_E, 10, 3), 0, 0, D8, 0x546d42aea2879f2e, "  .500E+99"}, // 5e98
        {edit(DESC_E, 10, 3), 0, 0, D8, 0x54a249ad2594c37d, "  .500+100"}, // 5e99
        {edit(DESC_E, 10, 3), 0, 0, D8, 0x2b517f7d4ed8c33e, "  .500E-99"}, // 5e-100
        {edit(DESC_E, 10, 3), 0, 0, D8, 0x2b1bff2ee48e0530, "  .500-100"}, // 5e-101
        {edit(DESC_E, 10, 3), 1, 0, D8, 0x40934a0000000000, " 1.235E+03"}, // 1234.5: a tie
        {edit(DESC_E, 10, 3), -1, 0, D8, 0x40934a0000000000, "  .012E+05"},
        {edit(DESC_E, 10, 3), 4, 0, D8, 0x40934a0000000000, " 1235.E+00"}, // k = d + 1
        {edit(DESC_E, 10, 3), 5, 0, D8, 0x40934a0000000000, "**********"},
        {edit(DESC_E, 10, 3), -3, 0, D8, 0x40934a0000000000, "**********"},
        {edit(DESC_E, 10, 4, 1), 0, 0, D8, 0x4202a05f20000000, "**********"}, // 1e10
        {edit(DESC_D, 10, 3), 0, 0, D8, 0x40934a0000000000, "  .123D+04"},
        {edit(DESC_EN, 12, 3), 0, 0, D8, 0x40c81ccccccccccd, "  12.346E+03"}, // 12345.6
        {edit(DESC_ES, 10, 3), 0, 0, D8, 0x40934a0000000000, " 1.235E+03"},
        {edit(DESC_G, 10, 3), 0, 0, D8, 0x3fb999999999999a, "  .100    "}, // 0.1
        {edit(DESC_G, 10, 3), 0, 0, D8, 0x3fb998f1d3ed527e, "  .100E+00"}, // 0.09999
        {edit(DESC_G, 10, 3), 0, 0, D8, 0x408f400000000000, "  .100E+04"}, // 1000
        {edit(DESC_G, 10, 3), 0, 0, D8, 0x408f3ccccccccccd, " 1000.    "}, // 999.6
        {edit(DESC_G, 10, 3), 0, 0, D8, 0x0000000000000000, "  .000    "},
        {edit(DESC_G, 10, 3), 2, 0, S4, 0x3fc00000, "  1.50    "},
        {edit(DESC_G, 10, 3), 5, 0, S4, 0x3fc00000, "  1.50    "},
        {edit(DESC_G, 10, 3), 2, 0, S4, 0x4640e400, " 12.35E+03"}, // 12345
        {edit(DESC_G, 10, 3), 5, 0, S4, 0x4640e400, "**********"},
        {edit(DESC_F, 10, 3), 0, 0, D8, 0x7ff0000000000000, "1#INF....."},
        {edit(DESC_E, 12, 4), 0, 0, D8, 0x7ff8000000000000, "1#QNAN......"},
        {edit(DESC_I, 5, 3), 0, 0, INT, whole(-7), " -007"},
        {edit(DESC_I, 3, 5), 0, 0, INT, 7, "***"},
        {edit(DESC_I, 4, 0), 0, SIGN_PLUS, INT, 0, "    "},
        {edit(DESC_I, 4), 0, SIGN_PLUS, INT, 5, "  +5"},
        {edit(DESC_I, 11), 0, 0, INT, whole(INT32_MIN), "-2147483648"},
        {edit(DESC_I, 20), 0, 0, INT, whole(INT64_MIN), "-9223372036854775808"},
        {edit(DESC_L, 5), 0, 0, INT, 0, "    F"},
    };
    for (const auto& c : cases) {
        char out[FIELD_TEXT_SIZE];
        const auto integer = static_cast<std::int64_t>(c.value);
        const OutputField f =
            c.edit.descriptor == DESC_I ? edit_integer_output(c.edit, integer, c.sign_mode, out)
            : c.edit.descriptor == DESC_L
                ? edit_logical_output(c.edit, integer != 0, out)
                : edit_real_output(c.edit, c.type, c.value, c.scale, c.sign_mode, out);
        EXPECT_EQ(field_text(f, out), c.text) << std::hex << c.value << " k=" << c.scale;
    }
}

// Blanks are counted, never stored: any width fits. A text that the buffer cannot hold becomes
// asterisks, and nothing is written past the buffer.
TEST(EditOutput, CharacterAndWideFields) {
    char out[FIELD_TEXT_SIZE + 8] = {};
    const std::string text = "abc" + std::string(597, 'x');
    const auto chars = reinterpret_cast<const std::uint8_t*>(text.data());
    EXPECT_EQ(field_text(edit_character_output(edit(DESC_A, NO_VALUE), chars, 3, out), out), "abc");
    EXPECT_EQ(field_text(edit_character_output(edit(DESC_A, 2), chars, 3, out), out), "ab");
    EXPECT_EQ(edit_character_output(edit(DESC_A, 700), chars, 3, out).blanks, 697);
    EXPECT_EQ(edit_integer_output(edit(DESC_I, 32767), 1, 0, out).blanks, 32766);
    EXPECT_EQ(edit_real_output(edit(DESC_F, 600, 2), D8, 0x3ff8000000000000, 0, 0, out).blanks,
              596);
    EXPECT_TRUE(edit_character_output(edit(DESC_A, NO_VALUE), chars, 600, out).stars);
    EXPECT_TRUE(edit_integer_output(edit(DESC_I, 600, 550), 1, 0, out).stars);
    EXPECT_TRUE(edit_real_output(edit(DESC_F, 600, 3), D8, 0x7ff0000000000000, 0, 0, out).stars);
    EXPECT_EQ(std::string(out + FIELD_TEXT_SIZE, 8), std::string(8, '\0'));
}

} // namespace
} // namespace lnc
