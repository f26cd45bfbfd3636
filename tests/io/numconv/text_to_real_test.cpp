// Text-to-real conversion of whole texts: the accepted syntax, the digit and exponent rules,
// the flags and what single and double items receive.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "io/numconv/numconv.h"
#include "support/big_integer.h"
#include "support/real_reference.h"

namespace lnc {
namespace {

std::uint64_t bits_of(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

double double_of(std::uint64_t b) {
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

RealConversion convert(const std::string& text, int scale = 0, int implied_decimals = 0) {
    return convert_real_text(text.c_str(), static_cast<int>(text.size()), scale, implied_decimals);
}

RealItemResult read_item(const std::string& text, int type) {
    return real_item_result(convert(text), type);
}

constexpr int SINGLE = 11;
constexpr int DOUBLE = 12;

struct SingleCase {
    const char* text;
    int message_index;
    std::uint32_t bits;
};

void expect_single_cases(const SingleCase* cases, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(cases[i].text);
        RealItemResult r = read_item(cases[i].text, SINGLE);
        EXPECT_EQ(r.message_index, cases[i].message_index);
        if (cases[i].message_index == 0) {
            EXPECT_EQ(r.bits, cases[i].bits);
        }
    }
}

TEST(SingleItem, EveryWayOfWritingTwo) {
    const SingleCase cases[] = {
        {"2", 0, 0x40000000},     {"2.", 0, 0x40000000},    {"+2", 0, 0x40000000},
        {"002", 0, 0x40000000},   {"2.0e0", 0, 0x40000000}, {"20e-1", 0, 0x40000000},
        {"0.2D1", 0, 0x40000000}, {"2.0+0", 0, 0x40000000}, {".5", 0, 0x3F000000},
        {"-2", 0, 0xC0000000},    {"+.5", 0, 0x3F000000},   {"5-3", 0, 0x3BA3D70A},
    };
    expect_single_cases(cases, std::size(cases));
}

TEST(SingleItem, ZerosKeepTheirSignAndIgnoreTheExponent) {
    const SingleCase cases[] = {
        {"-0", 0, 0x80000000}, {"-0.0e5", 0, 0x80000000},  {"0e9999", 0, 0x00000000},
        {"0", 0, 0x00000000},  {"000.000", 0, 0x00000000}, {"-0e-9999", 0, 0x80000000},
    };
    expect_single_cases(cases, std::size(cases));
}

TEST(SingleItem, TextsThatAreNotEntirelyANumberRaiseIndex7) {
    for (const char* text : {"1e", "1e+", "1.5e", "1+", "1e0x", "1.2.3", "1e5.5", "+", ".", "-.e5",
                             "abc", "1 2", "1q5", "1Q5", "--1", "e5", "1e-", "1-", "0x10"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(read_item(text, SINGLE).message_index, 7);
        EXPECT_EQ(read_item(text, DOUBLE).message_index, 7);
    }
}

TEST(SingleItem, RangeOfSinglePrecision) {
    const SingleCase cases[] = {
        {"1e39", 8, 0},
        {"3.5e38", 8, 0},
        {"-3.5e38", 8, 0},
        {"3.4e38", 0, 0x7F7FC99E},
        {"-3.4e38", 0, 0xFF7FC99E},
        {"1e400", 6, 0},
        {"1e9999", 6, 0},
        {"-1e400", 6, 0},
        {"1e-50", 0, 0x00000000},
        {"1e-6000", 0, 0x00000000},
        {"-1e-50", 0, 0x80000000},
        {"1e-40", 0, 0x000116C2},
        // The largest single value's own decimal texts lie above the bound.
        {"3.4028235e38", 8, 0},
        {"3.40282347e38", 8, 0},
        {"3.4028233e38", 0, 0x7F7FFFFE},
    };
    expect_single_cases(cases, std::size(cases));
}

TEST(SingleItem, TheBoundItselfIsAcceptedAndRoundsToTheLargestSingle) {
    RealConversion at{0, 1, double_of(SINGLE_RANGE_BOUND)};
    EXPECT_EQ(real_item_result(at, SINGLE).message_index, 0);
    EXPECT_EQ(real_item_result(at, SINGLE).bits, 0x7F7FFFFFu);
    RealConversion above{0, 1, double_of(SINGLE_RANGE_BOUND + 1)};
    EXPECT_EQ(real_item_result(above, SINGLE).message_index, 8);
    RealConversion below{0, 1, -double_of(SINGLE_RANGE_BOUND + 1)};
    EXPECT_EQ(real_item_result(below, 14).message_index, 8);
    EXPECT_EQ(real_item_result(below, DOUBLE).message_index, 0);
}

TEST(SingleItem, ExponentLettersAndTheImplicitExponent) {
    const SingleCase cases[] = {
        {"1E3", 0, 0x447A0000},     {"1e3", 0, 0x447A0000},
        {"1D3", 0, 0x447A0000},     {"1d3", 0, 0x447A0000},
        {"1.0+3", 0, 0x447A0000},   {"1000", 0, 0x447A0000},
        {"1D+03", 0, 0x447A0000},   {"1e003", 0, 0x447A0000},
        {"10000-1", 0, 0x447A0000}, {"1Q3", 7, 0},
    };
    expect_single_cases(cases, std::size(cases));
}

TEST(SingleItem, LongDigitStringsKeep24Digits) {
    const SingleCase cases[] = {
        {"1000000000000000000000000000000e-30", 0, 0x3F800000},
        {"0.0000000000000000000000000000001e31", 0, 0x3F800000},
        {"2.00000000000000000000000000000000000000000001", 0, 0x40000000},
    };
    expect_single_cases(cases, std::size(cases));
}

TEST(SingleItem, ADoubleOnAMidpointRoundsToTheEvenSingle) {
    // The text lies above the midpoint of 1.0 and the next single, but its double is exactly
    // that midpoint (1 + 2^-24), and the last rounding takes the even neighbour.
    RealConversion c = convert("1.0000000596046448");
    EXPECT_EQ(bits_of(c.value), 0x3FF0000010000000u);
    EXPECT_EQ(real_item_result(c, SINGLE).bits, 0x3F800000u);
    // Correct rounding of the text itself would give the next single.
    EXPECT_EQ(static_cast<float>(std::strtod("1.0000000596046448", nullptr)), 1.0f);
    EXPECT_EQ(real_item_result(convert("1.0000000596046449"), SINGLE).bits, 0x3F800001u);
}

struct ConversionCase {
    const char* text;
    std::uint32_t flags;
    int used;
    std::uint64_t bits;
};

TEST(DoubleResult, FlagsUsedCharactersAndValues) {
    const ConversionCase cases[] = {
        {"9007199254740995", 0, 16, 0x4340000000000001},   // 9007199254740994
        {"9007199254740993.5", 0, 18, 0x4340000000000000}, // 9007199254740992
        {"1e-400", CONVERSION_UNDERFLOW, 6, 0},
        {"1e400", CONVERSION_OVERFLOW, 5, 0x7FF0000000000000},
        {"-1e400", CONVERSION_OVERFLOW, 6, 0xFFF0000000000000},
        {"abc", NO_DIGITS | NOT_ALL_USED, 0, 0},
        {"1.5e", NOT_ALL_USED, 3, 0x3FF8000000000000},
        {"1e+", NOT_ALL_USED, 1, 0x3FF0000000000000},
        {"1+", NOT_ALL_USED, 1, 0x3FF0000000000000},
        {"1e0x", NOT_ALL_USED, 3, 0x3FF0000000000000},
        {"1.2.3", NOT_ALL_USED, 3, bits_of(1.2)},
        {"1e5.5", NOT_ALL_USED, 3, bits_of(1e5)},
        {"+", NO_DIGITS | NOT_ALL_USED, 0, 0},
        {".", NO_DIGITS | NOT_ALL_USED, 0, 0},
        {"-.e5", NO_DIGITS | NOT_ALL_USED, 0, 0},
        {"  abc", NO_DIGITS | NOT_ALL_USED, 2, 0},
        {"  +x", NO_DIGITS | NOT_ALL_USED, 0, 0},
        {" \t\r\n7", 0, 5, bits_of(7.0)},
        {"1e-5201", CONVERSION_UNDERFLOW, 7, 0},
        {"1e5201", CONVERSION_OVERFLOW, 6, 0x7FF0000000000000},
        {"1e5200", CONVERSION_OVERFLOW, 6, 0x7FF0000000000000},
        {"1e-5000", CONVERSION_UNDERFLOW, 7, 0},
        {"0e99999999999", 0, 13, 0},
        {"4.9e-324", CONVERSION_UNDERFLOW, 8, 1},
        {"2.2250738585072014e-308", 0, 23, 0x0010000000000000},
        {"1.7976931348623157e308", 0, 22, 0x7FEFFFFFFFFFFFFF},
        {"1.797693134862316e308", CONVERSION_OVERFLOW, 21, 0x7FF0000000000000},
    };
    for (const ConversionCase& c : cases) {
        SCOPED_TRACE(c.text);
        RealConversion r = convert(c.text);
        EXPECT_EQ(r.flags, c.flags);
        EXPECT_EQ(r.used, c.used);
        EXPECT_EQ(bits_of(r.value), c.bits);
    }
}

TEST(DoubleResult, DoubleItemsStoreThePatternUnchangedAndUnderflowIsNoError) {
    EXPECT_EQ(read_item("9007199254740995", DOUBLE).bits, 0x4340000000000001u);
    RealItemResult tiny = read_item("1e-400", DOUBLE);
    EXPECT_EQ(tiny.message_index, 0);
    EXPECT_EQ(tiny.bits, 0u);
    RealItemResult denormal = read_item("1e-310", DOUBLE);
    EXPECT_EQ(denormal.message_index, 0);
    EXPECT_EQ(denormal.bits, bits_of(1e-310));
    EXPECT_EQ(read_item("1e39", DOUBLE).bits, bits_of(1e39));
    EXPECT_EQ(read_item("1e400", DOUBLE).message_index, 6);
    EXPECT_EQ(read_item("1e400x", DOUBLE).message_index, 6); // overflow is examined first
}

TEST(DoubleResult, ExactHalvesAreCutWhereCorrectRoundingGoesToEven) {
    // 2^53 + 3 lies halfway between 2^53 + 2 and 2^53 + 4; 2^53 + 1.5 lies above the half but
    // only by its 55th bit.
    EXPECT_EQ(std::strtod("9007199254740995", nullptr), 9007199254740996.0);
    EXPECT_EQ(convert("9007199254740995").value, 9007199254740994.0);
    EXPECT_EQ(std::strtod("9007199254740993.5", nullptr), 9007199254740994.0);
    EXPECT_EQ(convert("9007199254740993.5").value, 9007199254740992.0);
    // Above the half, a set bit from the 56th on decides: 2^53 + 1.25 and 2^53 + 1.75 go up.
    EXPECT_EQ(convert("9007199254740993.25").value, 9007199254740994.0);
    EXPECT_EQ(convert("9007199254740993.75").value, 9007199254740994.0);
    EXPECT_EQ(convert("9007199254740992.75").value, 9007199254740992.0);
}

TEST(DigitRules, The24thDigitIsRoundedByItselfAndLaterDigitsAreDropped) {
    // With no scaling the extended value is the exact integer of the kept digits.
    struct Case {
        const char* text;
        const char* kept;
    } cases[] = {
        {"9999999999999999999999954e-1", "999999999999999999999996"},
        {"9999999999999999999999946e-1", "999999999999999999999994"},
        {"9999999999999999999999999e-1", "1000000000000000000000000"},
        {"1234567890123456789012345678e-4", "123456789012345678901234"}, // not ...235
        {"123456789012345678901234", "123456789012345678901234"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ParsedReal p = parse_real_text(c.text, 0, 0, true);
        ASSERT_EQ(p.scan_flags, 0);
        ASSERT_EQ(*p.end, '\0');
        test::BigInteger expected;
        for (const char* q = c.kept; *q != '\0'; ++q) {
            expected = expected * test::BigInteger(10) +
                       test::BigInteger(static_cast<std::uint64_t>(*q - '0'));
        }
        int scale = (p.value.sign_exponent & 0x7FFF) - 16383 - 79;
        test::BigInteger mantissa =
            (test::BigInteger(p.value.high) << 16) + test::BigInteger(p.value.low);
        if (scale >= 0) {
            EXPECT_EQ(test::compare(mantissa << scale, expected), 0);
        } else {
            EXPECT_EQ(test::compare(mantissa, expected << -scale), 0);
        }
    }
}

TEST(DigitRules, DigitsBeyondThe24thDoNotDecideAHalf) {
    // The 25th digit would lift the value above the half; it is dropped.
    EXPECT_EQ(convert("9007199254740993.000000009").value, 9007199254740992.0);
    EXPECT_EQ(std::strtod("9007199254740993.000000009", nullptr), 9007199254740994.0);
    // Leading zeros, also those after the point, are not significant digits.
    std::string zeros(27, '0');
    EXPECT_EQ(convert("0." + zeros + "9007199254740993000000009e43").value, 9007199254740992.0);
    EXPECT_EQ(convert("0." + zeros + "9007199254740993000000009e+43").used, 58);
}

TEST(DigitRules, ScaleAppliesWithoutAnExponentAndImpliedDecimalsWithoutAPoint) {
    EXPECT_EQ(convert("123", 0, 2).value, convert("1.23").value);
    EXPECT_EQ(convert("12.3", 0, 2).value, convert("12.3").value);
    EXPECT_EQ(convert("123e1", 0, 2).value, convert("1.23e1").value);
    EXPECT_EQ(convert("1.5", 2, 0).value, 150.0);
    EXPECT_EQ(convert("1.5e1", 2, 0).value, 15.0);
    EXPECT_EQ(convert("15", -1, 1).value, convert("0.15").value);
    EXPECT_EQ(convert("1", 5300, 0).flags, CONVERSION_OVERFLOW);
    EXPECT_EQ(convert("1", 0, 5300).flags, CONVERSION_UNDERFLOW);
}

TEST(DigitRules, AnImplicitExponentIsRefusedWhenNotAllowed) {
    const char* text = "1.5+3";
    ParsedReal allowed = parse_real_text(text, 0, 0, true);
    EXPECT_EQ(allowed.end, text + 5);
    ParsedReal refused = parse_real_text(text, 0, 0, false);
    EXPECT_EQ(refused.end, text + 3);
    EXPECT_EQ(extended_to_double(refused.value).value, 1.5);
    // An exponent letter is still taken.
    const char* lettered = "1.5e3";
    EXPECT_EQ(parse_real_text(lettered, 0, 0, false).end, lettered + 5);
}

TEST(DigitRules, AnExponentOfAnySizeCountsWithTheDigitPlaces) {
    // "0." and 4,990 zeros put the digit at 10^-4991. Each text is read as it stands (the
    // one-pass reading of at most 19 significant digits) and after a blank (the state machine);
    // the two must agree with each other and with the model.
    const std::string tiny = "0." + std::string(4990, '0') + "1e";
    const std::string long_mantissa = "1" + std::string(6000, '7');
    for (const std::string& text :
         {tiny + "5201", tiny + "5200", tiny + "99999", tiny + "-99999", tiny + "0000000005201",
          tiny + "999999999", std::string(6000, '0') + "25e-2", std::string(6000, '0') + "1.5e-300",
          long_mantissa + "e-6000", "0." + std::string(5000, '0') + long_mantissa + "e5300",
          "1" + std::string(100, '0') + "e-5300"}) {
        SCOPED_TRACE(text.substr(text.size() > 60 ? text.size() - 60 : 0));
        RealConversion fast = convert(text);
        RealConversion scanned = convert(" " + text);
        EXPECT_EQ(bits_of(fast.value), test::model_double_of_text(text.c_str()));
        EXPECT_EQ(bits_of(scanned.value), bits_of(fast.value));
        EXPECT_EQ(scanned.flags, fast.flags);
        EXPECT_EQ(fast.used, static_cast<int>(text.size()));
    }
    EXPECT_EQ(convert(tiny + "5201").value, 1e210);
    EXPECT_EQ(convert(tiny + "5200").value, 1e209);
    EXPECT_EQ(convert(tiny + "99999").flags, CONVERSION_OVERFLOW);
    EXPECT_EQ(convert(tiny + "-99999").flags, CONVERSION_UNDERFLOW);
    EXPECT_EQ(convert(" " + tiny + std::string(40, '9')).flags, CONVERSION_OVERFLOW);
    EXPECT_EQ(convert(tiny + "-" + std::string(40, '9')).flags, CONVERSION_UNDERFLOW);
    EXPECT_EQ(convert(long_mantissa + "e-6000").value, 1.7777777777777777);
    EXPECT_EQ(convert("1e00000000000000000000000000001").value, 10.0);
    EXPECT_EQ(convert("1e-0").value, 1.0);
}

// Texts of up to 15 digits over a range of exponents, drawn by a fixed generator.
std::string random_text(std::uint64_t& state, int max_digits, int exponent_span, int exponent_low) {
    auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return state >> 33;
    };
    int digits = 1 + static_cast<int>(next() % static_cast<std::uint64_t>(max_digits));
    std::string text;
    for (int i = 0; i < digits; ++i) {
        text += static_cast<char>('0' + (i == 0 ? 1 + next() % 9 : next() % 10));
    }
    int point = static_cast<int>(next() % static_cast<std::uint64_t>(digits + 1));
    text.insert(static_cast<std::size_t>(point), ".");
    int exponent =
        static_cast<int>(next() % static_cast<std::uint64_t>(exponent_span)) + exponent_low;
    return text + "e" + std::to_string(exponent);
}

TEST(Reference, ShortTextsMatchTheModelAndMostlyCorrectRounding) {
    std::uint64_t state = 12345;
    int differ_from_strtod = 0;
    int differ_from_exact_rule = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string text = random_text(state, 15, 600, -310);
        SCOPED_TRACE(text);
        RealConversion c = convert(text);
        ASSERT_EQ(c.flags & (NOT_ALL_USED | CONVERSION_OVERFLOW), 0u);
        std::uint64_t engine = bits_of(c.value);
        ASSERT_EQ(engine, test::model_double_of_text(text.c_str()));
        differ_from_exact_rule += engine != test::rule_double_of_text(text.c_str()) ? 1 : 0;
        differ_from_strtod += engine != bits_of(std::strtod(text.c_str(), nullptr)) ? 1 : 0;
    }
    // The 80-bit working arithmetic rarely decides, and correct rounding rarely differs.
    EXPECT_LT(differ_from_exact_rule, 5);
    EXPECT_LT(differ_from_strtod, 10);
}

TEST(Reference, LongTextsMatchTheModel) {
    std::uint64_t state = 987;
    for (int i = 0; i < 1500; ++i) {
        std::string text = random_text(state, 40, 700, -360);
        SCOPED_TRACE(text);
        ASSERT_EQ(bits_of(convert(text).value), test::model_double_of_text(text.c_str()));
    }
}

TEST(Reference, SinglesMatchTheModel) {
    std::uint64_t state = 4242;
    for (int i = 0; i < 2000; ++i) {
        std::string text = random_text(state, 12, 100, -55);
        SCOPED_TRACE(text);
        RealItemResult engine = read_item(text, SINGLE);
        test::ModelSingle model =
            test::model_single_of_double(test::model_double_of_text(text.c_str()));
        ASSERT_EQ(engine.message_index, model.message_index);
        ASSERT_EQ(engine.bits, model.bits);
    }
}

TEST(Reference, WholeNumbersAtTheEdgeOf64BitsMatchTheModel) {
    // integer x 10^d on either side of 2^64, written with an exponent and with the zeros spelt
    // out, as the largest and smallest integers of up to 19 digits, and as odd parts of many bits.
    for (int d = 0; d <= 20; ++d) {
        std::uint64_t power = 1;
        for (int i = 0; i < d && i < 19; ++i) {
            power *= 10;
        }
        std::uint64_t limit = ~0ULL / power;
        // At d = 0 the limit is 2^64 - 1 itself, and one more is no integer of 64 bits.
        std::uint64_t beyond = limit == ~0ULL ? limit : limit + 1;
        for (std::uint64_t n : std::initializer_list<std::uint64_t>{
                 limit - 1, limit, beyond, 9999999999999999999ULL, 1000000000000000001ULL,
                 (1ULL << 53) + 1, 3ULL, 1ULL}) {
            for (const std::string& t : {std::to_string(n) + "e" + std::to_string(d),
                                         std::to_string(n) + std::string(d, '0') + ".",
                                         "-" + std::to_string(n) + "E+" + std::to_string(d)}) {
                SCOPED_TRACE(t);
                ASSERT_EQ(bits_of(convert(t).value), test::model_double_of_text(t.c_str()));
            }
        }
    }
}

TEST(Reference, NearHalvesTheWorkingArithmeticDecides) {
    // 2^54 - 14.5 lies a quarter above a half: the rule on the exact value cuts it, but the
    // rounded-up 10^-1 lifts the working value just above and it goes up.
    const char* text = "18014398509481969.5";
    EXPECT_EQ(test::rule_double_of_text(text), bits_of(18014398509481968.0));
    EXPECT_EQ(convert(text).value, 18014398509481970.0);
    int decided_by_working_arithmetic = 0;
    int differ_from_strtod = 0;
    for (std::uint64_t n = (1ULL << 54) - 64; n < (1ULL << 54) + 64; ++n) {
        for (const char* tail : {"", ".5", ".25", ".75", ".125"}) {
            std::string t = std::to_string(n) + tail;
            SCOPED_TRACE(t);
            std::uint64_t engine = bits_of(convert(t).value);
            ASSERT_EQ(engine, test::model_double_of_text(t.c_str()));
            decided_by_working_arithmetic += engine != test::rule_double_of_text(t.c_str()) ? 1 : 0;
            differ_from_strtod += engine != bits_of(std::strtod(t.c_str(), nullptr)) ? 1 : 0;
        }
    }
    EXPECT_GT(decided_by_working_arithmetic, 10);
    EXPECT_GT(differ_from_strtod, 20);
}

TEST(Reference, FieldsWithAFewDecimalsMatchTheModelAndTheStateMachine) {
    // The texts of F and E fields: up to 19 digits with the point anywhere, trailing zeros and
    // small exponents, read from a record where more digits follow the field.
    std::uint64_t state = 777;
    auto next = [&state](std::uint64_t bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return (state >> 33) % bound;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string text = next(2) == 0 ? "-" : "";
        int digits = 1 + static_cast<int>(next(19));
        std::string number;
        for (int d = 0; d < digits; ++d) {
            number += static_cast<char>('0' + (next(4) == 0 ? 0 : next(10)));
        }
        number.insert(next(static_cast<std::uint64_t>(digits) + 1), ".");
        text += number;
        if (next(4) == 0) {
            text += "E" + std::to_string(static_cast<int>(next(15)) - 7);
        }
        SCOPED_TRACE(text);
        RealConversion fast = convert(text);
        RealConversion scanned = convert(" " + text);
        ASSERT_EQ(bits_of(fast.value), test::model_double_of_text(text.c_str()));
        ASSERT_EQ(bits_of(scanned.value), bits_of(fast.value));
        ASSERT_EQ(fast.flags, scanned.flags & ~NOT_ALL_USED);
        std::string record = text + "12345678";
        RealConversion field{1, 1, 1.0};
        ASSERT_TRUE(
            convert_plain_real(record.c_str(), static_cast<int>(text.size()), 0, 0, &field));
        ASSERT_EQ(bits_of(field.value), bits_of(fast.value));
        ASSERT_EQ(field.flags, fast.flags);
    }
}

} // namespace
} // namespace lnc
