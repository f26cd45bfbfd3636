// Real and integer editing: list-directed texts of single and double values, the formatted edit
// kinds, rounding of digit strings, integer texts and the buffer limits.
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "os/fpu.h"

#include <bit>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace lnc {
namespace {

constexpr int OPT_PLUS = 1;
constexpr int kind(int k) {
    return k << 8;
}
constexpr int refine(int r) {
    return r << 16;
}

std::string edit_single(const RealEditDescriptor& d, std::uint32_t bits) {
    char out[FORMAT_TOO_LONG];
    const int n = format_real_value(d, TYPE_REAL4, bits, out);
    return std::string(out, n);
}

std::string edit_double(const RealEditDescriptor& d, std::uint64_t bits) {
    char out[FORMAT_TOO_LONG];
    const int n = format_real_value(d, TYPE_REAL8, bits, out);
    return std::string(out, n);
}

std::string edit(const RealEditDescriptor& d, double value) {
    return edit_double(d, std::bit_cast<std::uint64_t>(value));
}

struct SingleCase {
    std::uint32_t bits;
    const char* text;
};

// List-directed single-precision texts across the fixed and exponent forms, value by value.
TEST(ListSingle, FixedAndExponentForms) {
    const SingleCase cases[] = {
        {0x40000000, "2.000000"},        // 2
        {0x4182a16b, "16.328820"},       // 16.3288174
        {0x4996b438, "1234567.000000"},  // 1234567
        {0x4b18967f, "9999999.000000"},  // 9999999
        {0xc996b438, "-1234567.000000"}, // -1234567, the longest text
        {0x4b189680, "1.000000E+07"},    // 10000000
        {0x3f000000, "5.000000E-01"},    // 0.5
        {0xbf317218, "-6.931472E-01"},   // -0.6931472
        {0x00000000, "0.000000E+00"},    // 0
        {0x80000000, "0.000000E+00"},    // negative zero: no sign
        {0x3f7ffffe, "9.999999E-01"},    // 0.99999988
        {0x1c971da0, "1.000000E-21"},    // 9.9999997E-22 rounds into the next power of ten
        {0x006ce3ee, "9.999999E-39"},    // 1.0E-38 (9.9999994E-39), subnormal
        {0x7f800000, "1#INF........"},   // plus infinity
        {0xff800000, "1#INF........"},   // minus infinity: no sign either
        {0x7fc00000, "1#QNAN......."},   // quiet NaN
        {0x47c34fff, "99999.990000"},    // 99 999.99
    };
    for (const SingleCase& c : cases) {
        EXPECT_EQ(edit_single(LIST_SINGLE, c.bits), c.text) << std::hex << c.bits;
    }
}

// The numbers of the calculator's result lines.
TEST(ListSingle, ResultLineValues) {
    const SingleCase cases[] = {
        {0x3f317218, "6.931472E-01"}, // 0.6931472
        {0x41200000, "10.000000"},    // 10
        {0x40135d8d, "2.302585"},     // 2.302585
        {0x3a83126f, "1.000000E-03"}, // 0.001
        {0xc0dd0c54, "-6.907755"},    // -6.907755
        {0x3f800000, "1.000000"},     // 1
        {0x4b3c614e, "1.234568E+07"}, // 12345678
        {0x4182a16c, "16.328820"},    // 16.32882
    };
    for (const SingleCase& c : cases) {
        EXPECT_EQ(edit_single(LIST_SINGLE, c.bits), c.text) << std::hex << c.bits;
    }
}

// Exact halves at the 8th digit round up, not to even; values a hair below or above a half go
// their own way.
TEST(ListSingle, HalfwayAtTheEighthDigit) {
    const SingleCase cases[] = {
        {0x4640e480, "12345.130000"}, // 12345.125 exactly
        {0x449a5200, "1234.563000"},  // 1234.5625 exactly
        {0x3f7d0000, "9.882813E-01"}, // 0.98828125 exactly
        {0x4b3c6141, "1.234567E+07"}, // 12345665 exactly
        {0x43800001, "256.000000"},   // 256.000030517578125
        {0x4b3c6142, "1.234567E+07"}, // 12345666: the 8th digit 6 rounds the 7th up
        // The single values closest to a half at the 8th digit without being one:
        {0x7f12a415, "1.949192E+38"}, // 1.9491924|99999991...E+38, just below
        {0x7d7b904f, "2.089910E+37"}, // 2.0899095|00000009...E+37, just above
    };
    for (const SingleCase& c : cases) {
        EXPECT_EQ(edit_single(LIST_SINGLE, c.bits), c.text) << std::hex << c.bits;
    }
}

TEST(ListSingle, NanTexts) {
    EXPECT_EQ(edit_single(LIST_SINGLE, 0xffc00000), "1#IND........"); // indefinite
    EXPECT_EQ(edit_single(LIST_SINGLE, 0x7fc00001), "1#QNAN.......");
    EXPECT_EQ(edit_single(LIST_SINGLE, 0xffc00001), "1#QNAN.......");
}

// Single precision is widened by the unit: a signalling NaN raises invalid operation there (and,
// masked, prints as the quiet NaN it became); a quiet NaN raises nothing.
TEST(ListSingle, SignallingNanRaisesInvalidOperation) {
    const std::uint16_t saved = fpu::control_word();
    fpu::set_control_word(saved | fpu::EXCEPTION_MASKS);
    fpu::clear_exceptions();
    EXPECT_EQ(edit_single(LIST_SINGLE, 0x7fc00000), "1#QNAN.......");
    EXPECT_EQ(fpu::status_word() & 0x01, 0);
    EXPECT_EQ(edit_single(LIST_SINGLE, 0x7f800001), "1#QNAN.......");
    EXPECT_EQ(fpu::status_word() & 0x01, 0x01);
    fpu::clear_exceptions();
    fpu::set_control_word(saved);
}

TEST(ListSingle, ComplexPartsEditLikeSingles) {
    char out[FORMAT_TOO_LONG];
    const int n = format_real_value(LIST_SINGLE, TYPE_COMPLEX8, 0x3f317218, out);
    EXPECT_EQ(std::string(out, n), "6.931472E-01");
}

struct DoubleCase {
    std::uint64_t bits;
    const char* text;
};

// Double precision: 24 columns, 16 significant digits, 15 decimals in fixed form, three
// exponent digits.
TEST(ListDouble, Values) {
    const DoubleCase cases[] = {
        {0x4000000000000000, "2.000000000000000"},
        {0x3fb999999999999a, "1.000000000000000E-001"},   // 0.1
        {0xc132d68700000000, "-1234567.000000000000000"}, // 24 characters
        {0x416312cfe0000000, "9999999.000000000000000"},
        {0x41678c29dccccccd, "1.234567890000000E+007"}, // 12345678.9
        {0x0000000000000000, "0.000000000000000E+000"},
        {0x8000000000000000, "0.000000000000000E+000"},
        {0x3d06849b86a12b9b, "1.000000000000000E-014"}, // 17 nines, then 8: a new power of ten
        {0x54b249ad2594c37d, "1.000000000000000E+100"},
        {0x0000000000000001, "4.940656458412465E-324"}, // smallest subnormal
        {0x7fefffffffffffff, "1.797693134862316E+308"}, // largest finite
        {0xffefffffffffffff, "-1.797693134862316E+308"},
        {0x0010000000000000, "2.225073858507201E-308"}, // smallest normal
    };
    for (const DoubleCase& c : cases) {
        EXPECT_EQ(edit_double(LIST_DOUBLE, c.bits), c.text) << std::hex << c.bits;
    }
}

// The 17-digit intermediate decides: exact value 2.9001248530803844|79... becomes
// 2.9001248530803845, whose 17th digit then rounds the 16th up. A single correct rounding
// to 16 digits would end in 4.
TEST(ListDouble, TwoStepRounding) {
    EXPECT_EQ(edit_double(LIST_DOUBLE, 0x40073374a8b2605f), "2.900124853080385");
    EXPECT_EQ(edit_double(LIST_DOUBLE, 0x40219eb9cd43bb96), "8.810011305349502");
    // 1234567890123456.5 exactly: half up at the 17th digit.
    EXPECT_EQ(edit_double(LIST_DOUBLE, 0x43118b54f22aeb02), "1.234567890123457E+015");
}

TEST(ListDouble, InfinitiesAndNansFillTwentyTwoColumns) {
    EXPECT_EQ(edit_double(LIST_DOUBLE, 0x7ff0000000000000), "1#INF.................");
    EXPECT_EQ(edit_double(LIST_DOUBLE, 0xfff0000000000000), "1#INF.................");
    EXPECT_EQ(edit_double(LIST_DOUBLE, 0x7ff8000000000000), "1#QNAN................");
    EXPECT_EQ(edit_double(LIST_DOUBLE, 0x7ff0000000000001), "1#SNAN................");
    EXPECT_EQ(edit_double(LIST_DOUBLE, 0xfff8000000000000), "1#IND.................");
}

// ---- Formatted edit kinds ----

TEST(EditF, FixedDecimals) {
    const RealEditDescriptor f3 = {0, 10, 3, 0, 0, kind(EDIT_F)};
    EXPECT_EQ(edit(f3, 3.14159), "3.142");
    EXPECT_EQ(edit(f3, 9.9996), "10.000"); // the carry adds an integer digit
    EXPECT_EQ(edit(f3, -0.0006), "-.001"); // rounds up from nothing shown
    EXPECT_EQ(edit(f3, -0.0004), ".000");  // rounds to zero: no sign
    EXPECT_EQ(edit(f3, 0.0), ".000");
    EXPECT_EQ(edit(f3, -1e-10), ".000"); // nothing of the value shows
    const RealEditDescriptor f3_plus = {0, 10, 3, 0, 0, kind(EDIT_F) | OPT_PLUS};
    EXPECT_EQ(edit(f3_plus, 2.5), "+2.500");
    EXPECT_EQ(edit(f3_plus, -2.5), "-2.500");
    const RealEditDescriptor f3_scaled = {0, 10, 3, 0, 2, kind(EDIT_F)};
    EXPECT_EQ(edit(f3_scaled, 3.14159), "314.159");
}

TEST(EditF, NoDecimals) {
    const RealEditDescriptor f0 = {0, 6, 0, 0, 0, kind(EDIT_F)};
    EXPECT_EQ(edit(f0, 2.5), "3.");
    EXPECT_EQ(edit(f0, 0.4), "0.");
    EXPECT_EQ(edit(f0, 0.6), "1.");
    EXPECT_EQ(edit(f0, 9.6), "10.");
}

TEST(EditF, DigitsBeyondThePrecisionAreZeros) {
    const RealEditDescriptor f2 = {0, 400, 2, 0, 0, kind(EDIT_F)};
    EXPECT_EQ(edit(f2, 1e300), "1" + std::string(300, '0') + ".00");
    const RealEditDescriptor f9 = {0, 20, 9, 0, 0, kind(EDIT_F)};
    char out[FORMAT_TOO_LONG];
    const int n = format_real_value(f9, TYPE_REAL4, std::bit_cast<std::uint32_t>(0.1f), out);
    EXPECT_EQ(std::string(out, n), ".100000000"); // 0.100000001 shown to 7 digits
}

TEST(EditE, ScaleFactorPlacesThePoint) {
    const RealEditDescriptor e0 = {0, 12, 4, 2, 0, kind(EDIT_E)};
    EXPECT_EQ(edit(e0, 1234.5), ".1235E+04");
    EXPECT_EQ(edit(e0, 0.0), ".0000E+00");
    EXPECT_EQ(edit(e0, -0.05), "-.5000E-01");
    const RealEditDescriptor e1 = {0, 12, 4, 2, 1, kind(EDIT_E)};
    EXPECT_EQ(edit(e1, 1234.5), "1.2345E+03");
    const RealEditDescriptor e2 = {0, 12, 4, 2, 2, kind(EDIT_E)};
    EXPECT_EQ(edit(e2, 1234.5), "12.345E+02");
    const RealEditDescriptor e_minus1 = {0, 12, 4, 2, -1, kind(EDIT_E)};
    EXPECT_EQ(edit(e_minus1, 1234.5), ".0123E+05");
}

TEST(EditE, ExponentWidth) {
    const RealEditDescriptor e2 = {0, 12, 4, 2, 0, kind(EDIT_E)};
    EXPECT_EQ(edit(e2, 1e150), ".1000+151"); // three digits take the letter's place
    EXPECT_EQ(edit(e2, 1e-150), ".1000-149");
    EXPECT_EQ(edit(e2, 1e99), ".1000+100");
    EXPECT_EQ(edit(e2, 2e98), ".2000E+99"); // two digits reach 99 with the letter kept
    EXPECT_EQ(edit(e2, 2e-100), ".2000E-99");
    const RealEditDescriptor e1 = {0, 12, 4, 1, 0, kind(EDIT_E)};
    EXPECT_EQ(edit(e1, 5.0), ".5000E+1");
    char out[FORMAT_TOO_LONG];
    EXPECT_EQ(format_real_value(e1, TYPE_REAL8, std::bit_cast<std::uint64_t>(1e10), out),
              EXPONENT_TOO_WIDE);
    const RealEditDescriptor e3 = {0, 12, 4, 3, 0, kind(EDIT_E)};
    EXPECT_EQ(edit(e3, 1e150), ".1000E+151");
}

TEST(EditD, LetterD) {
    const RealEditDescriptor d = {0, 12, 4, 2, 0, kind(EDIT_D)};
    EXPECT_EQ(edit(d, 1234.5), ".1235D+04");
    const RealEditDescriptor e_as_d = {0, 12, 4, 2, 0, kind(EDIT_E) | refine(6)};
    EXPECT_EQ(edit(e_as_d, 1234.5), ".1235D+04");
}

TEST(EditG, FixedInsideTheRangeExponentOutside) {
    const RealEditDescriptor g = {0, 12, 4, 2, 0, kind(EDIT_G)};
    EXPECT_EQ(edit(g, 3.14159), "3.142    ");
    EXPECT_EQ(edit(g, 0.0), ".0000    ");
    EXPECT_EQ(edit(g, 99.996), "100.0    "); // keeps 4 significant digits after the carry
    EXPECT_EQ(edit(g, 12345.0), ".1235E+05");
    EXPECT_EQ(edit(g, 0.05), ".5000E-01");
}

// Kind 15: refinement 1 scientific (one nonzero digit before the point), 2 engineering
// (exponent a multiple of 3, one to three digits before the point); 6 and 7 the same with D.
TEST(EditScientific, OneLeadingDigit) {
    const RealEditDescriptor es = {0, 12, 3, 2, 0, kind(EDIT_EN_ES) | refine(1)};
    EXPECT_EQ(edit(es, 1234.5), "1.235E+03");
    EXPECT_EQ(edit(es, 0.00012345), "1.234E-04"); // exactly 1.2344999...E-04
    EXPECT_EQ(edit(es, 9.9996), "1.000E+01");
    EXPECT_EQ(edit(es, 0.0), "0.000E+00");
    const RealEditDescriptor es_d = {0, 12, 3, 2, 0, kind(EDIT_EN_ES) | refine(6)};
    EXPECT_EQ(edit(es_d, -1234.5), "-1.235D+03");
}

TEST(EditEngineering, ExponentMultipleOfThree) {
    const RealEditDescriptor en = {0, 14, 3, 2, 0, kind(EDIT_EN_ES) | refine(2)};
    EXPECT_EQ(edit(en, 1234.5), "1.235E+03");
    EXPECT_EQ(edit(en, 12345.6), "12.346E+03");
    EXPECT_EQ(edit(en, 123456.0), "123.456E+03");
    EXPECT_EQ(edit(en, 0.00012345), "123.450E-06");
    EXPECT_EQ(edit(en, 0.0), "0.000E+00");
    const RealEditDescriptor en1 = {0, 14, 1, 2, 0, kind(EDIT_EN_ES) | refine(2)};
    EXPECT_EQ(edit(en1, 999.96), "1.0E+03"); // the carry moves to the next multiple of 3
    const RealEditDescriptor en_d = {0, 14, 1, 2, 0, kind(EDIT_EN_ES) | refine(7)};
    EXPECT_EQ(edit(en_d, 0.05), "50.0D-03");
}

TEST(EditInvalid, FormattedFieldsFillTheWidth) {
    const RealEditDescriptor f10 = {0, 10, 3, 0, 0, kind(EDIT_F)};
    EXPECT_EQ(edit_double(f10, 0x7ff0000000000000), "1#INF.....");
    const RealEditDescriptor f3 = {0, 3, 1, 0, 0, kind(EDIT_F)};
    EXPECT_EQ(edit_double(f3, 0x7ff8000000000000), "1#Q");
    const RealEditDescriptor f0 = {0, 0, 1, 0, 0, kind(EDIT_F)};
    EXPECT_EQ(edit_double(f0, 0x7ff0000000000000), "");
}

// Texts that would not fit the 520-byte buffer are refused before anything is written past it.
TEST(EditLimits, TooLongForTheBuffer) {
    char out[FORMAT_TOO_LONG + 16];
    std::memset(out, '#', sizeof out);
    const RealEditDescriptor f300 = {0, 600, 300, 0, 0, kind(EDIT_F)};
    EXPECT_EQ(format_real_value(f300, TYPE_REAL8, std::bit_cast<std::uint64_t>(1e300), out),
              FORMAT_TOO_LONG);
    // Few digits in total, but many zeros after the point.
    const RealEditDescriptor f530 = {0, 600, 530, 0, 0, kind(EDIT_F)};
    EXPECT_EQ(format_real_value(f530, TYPE_REAL8, std::bit_cast<std::uint64_t>(1e-300), out),
              FORMAT_TOO_LONG);
    const RealEditDescriptor wide_exponent = {0, 600, 4, 600, 0, kind(EDIT_E)};
    EXPECT_EQ(format_real_value(wide_exponent, TYPE_REAL8, std::bit_cast<std::uint64_t>(2.0), out),
              FORMAT_TOO_LONG);
    const RealEditDescriptor f_wide = {0, 600, 3, 0, 0, kind(EDIT_F)};
    EXPECT_EQ(format_real_value(f_wide, TYPE_REAL8, 0x7ff0000000000000, out), FORMAT_TOO_LONG);
    for (std::size_t i = FORMAT_TOO_LONG; i < sizeof out; ++i) {
        EXPECT_EQ(out[i], '#') << i;
    }
    // The longest text that fits: 519 characters.
    const RealEditDescriptor f517 = {0, 600, 517, 0, 0, kind(EDIT_F)};
    const int n = format_real_value(f517, TYPE_REAL8, std::bit_cast<std::uint64_t>(1.5), out);
    EXPECT_EQ(n, 519);
    EXPECT_EQ(std::string(out, 4), "1.50");
}

// ---- Digit strings ----

DigitString digits_of(char sign, int point, const char* digits) {
    DigitString ds{};
    ds.sign = sign;
    ds.point = point;
    ds.valid = 1;
    ds.count = static_cast<int>(std::strlen(digits));
    std::memcpy(ds.digits, digits, ds.count + 1);
    return ds;
}

struct RoundCase {
    const char* digits;
    int count;
    const char* rounded;
    int point_after; // from a point of 3
    int result;
};

TEST(RoundDigits, HalfUpWithCarry) {
    const RoundCase cases[] = {
        {"123456789", 4, "1235", 3, 0},
        {"123446789", 4, "1234", 3, 0},
        {"1299", 2, "13", 3, 0},
        {"1996", 3, "200", 3, 0},
        {"99999996826552253", 7, "10000000", 4, 1}, // carry out of the first digit
        {"96", 0, "1", 3, 1},                       // nothing kept: point unchanged
        {"25", 7, "25", 3, 0},                      // already short enough
        {"25", 2, "25", 3, 0},
    };
    for (const RoundCase& c : cases) {
        DigitString ds = digits_of(' ', 3, c.digits);
        EXPECT_EQ(round_digits(c.count, ds), c.result) << c.digits << " at " << c.count;
        EXPECT_EQ(std::string(ds.digits, ds.count), c.rounded) << c.digits << " at " << c.count;
        EXPECT_EQ(ds.point, c.point_after) << c.digits << " at " << c.count;
    }
}

TEST(RoundDigits, NegativeValueRoundingToZeroLosesItsSign) {
    DigitString gone = digits_of('-', -2, "4");
    EXPECT_EQ(round_digits(0, gone), 0);
    EXPECT_EQ(gone.count, 0);
    EXPECT_EQ(gone.sign, ' ');
    DigitString kept = digits_of('-', 1, "123");
    EXPECT_EQ(round_digits(1, kept), 0);
    EXPECT_EQ(std::string(kept.digits, kept.count), "1");
    EXPECT_EQ(kept.sign, '-');
    DigitString up = digits_of('-', -2, "6");
    EXPECT_EQ(round_digits(0, up), 1);
    EXPECT_EQ(up.sign, '-');
}

// ---- Integers ----

struct IntegerCase {
    std::int32_t value;
    IntegerDescriptor descriptor;
    const char* text;
};

TEST(FormatInteger, MinimumDigitsAndSign) {
    const IntegerCase cases[] = {
        {0, {1, false}, "0"},
        {0, {2, true}, "+00"},
        {0, {0, true}, ""},
        {42, {1, false}, "42"},
        {-7, {3, true}, "-007"},
        {5, {2, true}, "+05"},
        {123, {2, true}, "+123"},
        {INT32_MIN, {1, false}, "-2147483648"},
        {INT32_MAX, {1, false}, "2147483647"},
    };
    for (const IntegerCase& c : cases) {
        char out[32];
        const int n = format_integer(c.value, c.descriptor, out);
        EXPECT_EQ(std::string(out, n), c.text) << c.value;
    }
}

} // namespace
} // namespace lnc
