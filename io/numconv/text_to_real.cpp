// Scanning of real-number texts into extended values and their conversion to the double and
// single-precision bits that a real item receives.
#include <cstdint>
#include <cstring>

#include "errors/message_indices.h"
#include "io/numconv/numconv.h"
#include "lncalc/statements.h"
#include "os/fpu.h"

namespace lnc {

namespace {

constexpr char POINT = '.'; // the decimal point of the run-time's locale
constexpr int MAX_STORED_DIGITS = 25;
constexpr int EXPONENT_LIMIT = 5200;
// Exponent digits accumulate up to this bound and stay there: no text that fits in memory has
// enough digits before or after the point to bring an exponent beyond it back within the limit,
// and ten times the bound plus a digit still fits in 64 bits.
constexpr std::int64_t EXPONENT_SATURATION = 100'000'000'000'000'000;

enum ScanState {
    START,
    SIGNED,
    LEADING_ZEROS,
    INTEGER_DIGITS,
    POINT_FIRST,
    FRACTION,
    EXPONENT_LETTER,
    IMPLICIT_EXPONENT,
    EXPONENT_SIGN,
    EXPONENT_ZEROS,
    EXPONENT_DIGITS,
    SCAN_DONE
};

struct Scan {
    const char* text; // as given, before any blanks
    const char* p;    // the character under examination
    const char* mark; // where a dangling exponent ends the scan
    const char* end;
    bool implicit_exponent;
    bool negative;
    bool digits_seen;
    bool point_seen;
    bool exponent_seen;
    bool exponent_negative;
    std::int64_t exponent_digits; // saturating at EXPONENT_SATURATION
    std::int64_t adjustment;      // decimal places gained or lost by dropped and fractional digits
    int stored;
    std::uint8_t digits[MAX_STORED_DIGITS];
};

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_nonzero_digit(char c) {
    return c >= '1' && c <= '9';
}
bool is_exponent_letter(char c) {
    return c == 'D' || c == 'E' || c == 'd' || c == 'e';
}

// The exponent so far with one more digit; only its combination with the digits' own places
// decides whether the value is in range, so it is never cut near the limit.
std::int64_t add_exponent_digit(std::int64_t exponent, char digit) {
    exponent = exponent * 10 + (digit - '0');
    return exponent < EXPONENT_SATURATION ? exponent : EXPONENT_SATURATION;
}

ScanState end_at(Scan& s, const char* where) {
    s.end = where;
    return SCAN_DONE;
}

// What may follow the digits of the number: an exponent letter or a sign that starts an
// exponent; anything else ends the number at that character.
ScanState exponent_or_end(Scan& s) {
    char c = *s.p;
    if (c == '+' || c == '-') {
        return IMPLICIT_EXPONENT;
    }
    if (is_exponent_letter(c)) {
        ++s.p;
        return EXPONENT_LETTER;
    }
    return end_at(s, s.p);
}

ScanState scan_start(Scan& s) {
    char c = *s.p;
    if (is_nonzero_digit(c)) {
        return INTEGER_DIGITS;
    }
    ++s.p;
    if (c == POINT) {
        return POINT_FIRST;
    }
    if (c == '+' || c == '-') {
        s.negative = c == '-';
        return SIGNED;
    }
    if (c == '0') {
        return LEADING_ZEROS;
    }
    return end_at(s, s.p - 1);
}

ScanState scan_signed(Scan& s) {
    char c = *s.p;
    if (is_nonzero_digit(c)) {
        return INTEGER_DIGITS;
    }
    if (c == POINT) {
        ++s.p;
        return POINT_FIRST;
    }
    if (c == '0') {
        ++s.p;
        return LEADING_ZEROS;
    }
    return end_at(s, s.text);
}

ScanState scan_leading_zeros(Scan& s) {
    s.digits_seen = true;
    while (*s.p == '0') {
        ++s.p;
    }
    if (is_nonzero_digit(*s.p)) {
        return INTEGER_DIGITS;
    }
    if (*s.p == POINT) {
        ++s.p;
        return FRACTION;
    }
    return exponent_or_end(s);
}

ScanState scan_integer_digits(Scan& s) {
    s.digits_seen = true;
    for (; is_digit(*s.p); ++s.p) {
        if (s.stored < MAX_STORED_DIGITS) {
            s.digits[s.stored++] = static_cast<std::uint8_t>(*s.p - '0');
        } else {
            ++s.adjustment;
        }
    }
    if (*s.p == POINT) {
        ++s.p;
        return FRACTION;
    }
    return exponent_or_end(s);
}

ScanState scan_point_first(Scan& s) {
    s.point_seen = true;
    return is_digit(*s.p) ? FRACTION : end_at(s, s.text);
}

ScanState scan_fraction(Scan& s) {
    s.digits_seen = true;
    s.point_seen = true;
    if (s.stored == 0) {
        for (; *s.p == '0'; ++s.p) {
            --s.adjustment;
        }
    }
    for (; is_digit(*s.p); ++s.p) {
        if (s.stored < MAX_STORED_DIGITS) {
            s.digits[s.stored++] = static_cast<std::uint8_t>(*s.p - '0');
            --s.adjustment;
        }
    }
    return exponent_or_end(s);
}

ScanState scan_exponent_letter(Scan& s) {
    s.mark = s.p - 1;
    char c = *s.p;
    if (is_nonzero_digit(c)) {
        return EXPONENT_DIGITS;
    }
    if (c == '0') {
        return EXPONENT_ZEROS;
    }
    if (c == '+' || c == '-') {
        s.exponent_negative = c == '-';
        ++s.p;
        return EXPONENT_SIGN;
    }
    return end_at(s, s.mark);
}

ScanState scan_implicit_exponent(Scan& s) {
    if (!s.implicit_exponent) {
        return end_at(s, s.p);
    }
    s.mark = s.p;
    s.exponent_negative = *s.p == '-';
    ++s.p;
    return EXPONENT_SIGN;
}

ScanState scan_exponent_sign(Scan& s) {
    if (is_nonzero_digit(*s.p)) {
        return EXPONENT_DIGITS;
    }
    return *s.p == '0' ? EXPONENT_ZEROS : end_at(s, s.mark);
}

ScanState scan_exponent_zeros(Scan& s) {
    s.exponent_seen = true;
    while (*s.p == '0') {
        ++s.p;
    }
    return is_nonzero_digit(*s.p) ? EXPONENT_DIGITS : end_at(s, s.p);
}

ScanState scan_exponent_digits(Scan& s) {
    s.exponent_seen = true;
    for (; is_digit(*s.p); ++s.p) {
        s.exponent_digits = add_exponent_digit(s.exponent_digits, *s.p);
    }
    return end_at(s, s.p);
}

using ScanRoutine = ScanState (*)(Scan&);
constexpr ScanRoutine ScanRoutines[SCAN_DONE] = {
    scan_start,         scan_signed,         scan_leading_zeros,   scan_integer_digits,
    scan_point_first,   scan_fraction,       scan_exponent_letter, scan_implicit_exponent,
    scan_exponent_sign, scan_exponent_zeros, scan_exponent_digits};

constexpr ExtendedReal INFINITE_EXTENDED = {0, 0x8000000000000000ULL, 0x7FFF};

// Leaves at most 24 digits without trailing zeros: the 24th is rounded by its own value, and a
// 24th digit of ten is absorbed as a carry when the digits are combined.
void trim_digits(Scan& s) {
    if (s.stored == MAX_STORED_DIGITS) {
        --s.stored;
        ++s.adjustment;
        if (s.digits[s.stored - 1] >= 5) {
            ++s.digits[s.stored - 1];
        }
    }
    while (s.stored > 0 && s.digits[s.stored - 1] == 0) {
        --s.stored;
        ++s.adjustment;
    }
}

// Scales the unsigned value of the digits by its decimal exponent, within the scan's limits.
void scale_value(ParsedReal& result, std::int64_t exponent) {
    if (exponent > EXPONENT_LIMIT) {
        result.value = INFINITE_EXTENDED;
        result.scan_flags = SCAN_OVERFLOW;
    } else if (exponent < -EXPONENT_LIMIT) {
        result.value = {0, 0, 0};
        result.scan_flags = SCAN_UNDERFLOW;
    } else {
        scale_by_power_of_ten(result.value, static_cast<int>(exponent));
        if (result.value.high == 0 && result.value.low == 0) {
            result.scan_flags = SCAN_UNDERFLOW; // non-zero digits scaled below the extended range
        }
    }
}

// Turns the stored digits and the exponent parts of a finished scan into the unsigned value.
ParsedReal build_value(Scan& s, int scale, int implied_decimals) {
    ParsedReal result{{0, 0, 0}, s.end, 0};
    if (!s.digits_seen) {
        result.scan_flags = SCAN_NO_DIGITS;
        return result;
    }
    trim_digits(s);
    if (s.stored == 0) {
        return result; // all digits zeros: zero, whatever the exponent
    }
    result.value = digits_to_extended(s.digits, s.stored);
    std::int64_t exponent = s.exponent_negative ? -s.exponent_digits : s.exponent_digits;
    exponent += s.adjustment;
    if (!s.exponent_seen) {
        exponent += scale;
    }
    if (!s.point_seen) {
        exponent -= implied_decimals;
    }
    scale_value(result, exponent);
    return result;
}

// The powers of ten below 2^64, 10^0 .. 10^19, and the largest integer each may multiply
// without leaving 64 bits.
struct WholePowers {
    std::uint64_t power[20];
    std::uint64_t limit[20];
};

constexpr WholePowers make_whole_powers() {
    WholePowers w{};
    std::uint64_t p = 1;
    for (int i = 0; i < 20; ++i, p *= 10) {
        w.power[i] = p;
        w.limit[i] = ~0ULL / p;
    }
    return w;
}

constexpr WholePowers WHOLE_POWERS = make_whole_powers();

// The value of integer x 10^decimal when it is a whole number below 2^64: then scaling gives
// exactly that number. Each multiplication in the scaling has an operand with an odd part of s
// significant bits and a table entry 10^d (exact below 10^28) with one of t bits, and s + t - 1
// is at most the 64 bits of the whole number; so the lowest non-zero 16-bit words of the two
// mantissas, at positions (80 - s) / 16 and (80 - t) / 16 or above, add up to at least 4: every
// partial product the truncated product leaves out is zero, the kept ones are exact, and the
// product of at most 64 significant bits needs no rounding to 80 bits.
bool is_whole_below_2_64(std::uint64_t integer, std::int64_t decimal) {
    return decimal >= 0 && decimal <= 19 && integer <= WHOLE_POWERS.limit[decimal];
}

bool exact_whole_number(std::uint64_t integer, std::int64_t decimal, ExtendedReal* value) {
    if (!is_whole_below_2_64(integer, decimal)) {
        return false;
    }
    *value = integer_to_extended(integer * WHOLE_POWERS.power[decimal]);
    return true;
}

// Four characters as one word, the first in the lowest byte whatever the processor's order.
std::uint32_t load_four(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(u[0]) | static_cast<std::uint32_t>(u[1]) << 8 |
           static_cast<std::uint32_t>(u[2]) << 16 | static_cast<std::uint32_t>(u[3]) << 24;
}

// Whether all four bytes are '0' .. '9': each has 3 in its high half, and adding 6 leaves it
// there (0x3A .. 0x3F would reach 4).
bool four_digits(std::uint32_t w) {
    return ((w & 0xF0F0F0F0u) | (((w + 0x06060606u) & 0xF0F0F0F0u) >> 4)) == 0x33333333u;
}

// The number the four digits spell: pairs first (each byte times ten plus the next, never
// carrying), then the two pairs.
std::uint32_t value_of_four(std::uint32_t w) {
    w -= 0x30303030u;
    w = w * 10 + (w >> 8);
    return (w & 0xFF) * 100 + ((w >> 16) & 0xFF);
}

// The digits from p on added to integer; returns where they end.
[[gnu::always_inline]] inline const char* take_digits(const char* p, const char* end,
                                                      std::uint64_t* integer) {
    std::uint64_t n = *integer;
    std::uint32_t four;
    while (end - p >= 4 && four_digits(four = load_four(p))) {
        n = n * 10000 + value_of_four(four);
        p += 4;
    }
    for (; p != end && is_digit(*p); ++p) {
        n = n * 10 + static_cast<unsigned>(*p - '0');
    }
    *integer = n;
    return p;
}

[[gnu::always_inline]] inline const char* skip_zeros(const char* p, const char* end) {
    while (p != end && *p == '0') {
        ++p;
    }
    return p;
}

// An exponent of a letter or a sign and at least one digit, saturating as the scan's does, at p
// before end; false when none follows or it is left dangling.
bool take_exponent(const char*& p, const char* end, std::int64_t* exponent, bool* seen) {
    char c = *p;
    if (is_exponent_letter(c)) {
        if (++p == end) {
            return false;
        }
        c = *p;
    } else if (c != '+' && c != '-') {
        return false;
    }
    bool negative = c == '-';
    p += c == '+' || c == '-' ? 1 : 0;
    if (p == end || !is_digit(*p)) {
        return false;
    }
    std::int64_t value = 0;
    for (; p != end && is_digit(*p); ++p) {
        value = add_exponent_digit(value, *p);
    }
    *exponent = negative ? -value : value;
    *seen = true;
    return true;
}

// A plain number as read: its digits as one integer and the decimal exponent that scales them.
struct PlainReading {
    std::uint64_t integer;
    std::int64_t decimal;
    bool negative;
};

// The usual text, a number of at most 19 significant digits written as [sign] digits [point
// digits] [exponent] and filling text .. end, read in one pass with its digits in one integer;
// it gives what the state machine gives. False for anything else, which the state machine reads.
[[gnu::always_inline]] inline bool read_plain_number(const char* text, const char* end, int scale,
                                                     int implied_decimals, bool implicit_exponent,
                                                     PlainReading* reading) {
    if (text == end) {
        return false;
    }
    const char* p = text;
    bool negative = *p == '-';
    p += *p == '-' || *p == '+' ? 1 : 0;
    const char* digits = p;
    // Zeros before the first non-zero digit add nothing and are not significant: every digit
    // from that one on is. Each digit after the point takes one from the decimal exponent.
    const char* first = skip_zeros(p, end);
    std::uint64_t integer = 0;
    p = take_digits(first, end, &integer);
    std::int64_t significant = p - first;
    std::int64_t fraction = 0;
    bool point = p != end && *p == POINT;
    if (point) {
        const char* after_point = ++p;
        first = significant == 0 ? skip_zeros(p, end) : p;
        p = take_digits(first, end, &integer);
        significant += p - first;
        fraction = p - after_point;
    }
    bool any_digit = p - digits > (point ? 1 : 0);
    std::int64_t exponent = 0;
    bool exponent_seen = false;
    if (!any_digit || significant > 19) {
        return false;
    }
    if (p != end && ((!implicit_exponent && (*p == '+' || *p == '-')) ||
                     !take_exponent(p, end, &exponent, &exponent_seen) || p != end)) {
        return false;
    }
    reading->integer = integer;
    reading->decimal =
        exponent - fraction + (exponent_seen ? 0 : scale) - (point ? 0 : implied_decimals);
    reading->negative = negative;
    return true;
}

// Trailing zeros of a non-zero integer go into the exponent, as the scan drops them.
void drop_trailing_zeros(PlainReading& r) {
    for (; r.integer % 10 == 0; r.integer /= 10) {
        ++r.decimal;
    }
}

// The value of a plain reading as the state machine builds it.
ParsedReal plain_value(PlainReading r, const char* end) {
    ParsedReal result{{0, 0, 0}, end, 0};
    if (r.integer != 0 && !exact_whole_number(r.integer, r.decimal, &result.value)) {
        drop_trailing_zeros(r);
        result.value = integer_to_extended(r.integer);
        scale_value(result, r.decimal);
    }
    result.value.sign_exponent |= static_cast<std::uint16_t>(r.negative ? 0x8000 : 0);
    return result;
}

// The magnitude of the usual reading of a field, a number with a few decimals, straight to its
// double: the value plain_value gives when that value takes one multiplication by a power of
// ten in the normal range. False for any other reading.
[[gnu::always_inline]] inline bool small_plain_double(PlainReading r, double* magnitude) {
    if (r.integer == 0 || is_whole_below_2_64(r.integer, r.decimal)) {
        return false; // zero keeps its sign, and a whole number is exact without a multiplication
    }
    drop_trailing_zeros(r);
    if (r.decimal < -7 || r.decimal > 7) {
        return false;
    }
    *magnitude = scale_small_to_double(r.integer, static_cast<int>(r.decimal));
    return true;
}

// The state machine's reading of a terminated text.
ParsedReal scan_real_text(const char* text, int scale, int implied_decimals,
                          bool implicit_exponent) {
    Scan s{};
    s.text = text;
    s.p = text;
    s.implicit_exponent = implicit_exponent;
    while (*s.p == ' ' || *s.p == '\t' || *s.p == '\r' || *s.p == '\n') {
        ++s.p;
    }
    ScanState state = START;
    while (state != SCAN_DONE) {
        state = ScanRoutines[state](s);
    }
    ParsedReal result = build_value(s, scale, implied_decimals);
    if (s.negative && result.scan_flags != SCAN_NO_DIGITS) {
        result.value.sign_exponent |= 0x8000;
    }
    return result;
}

RealConversion conversion_of(const ParsedReal& parsed, const char* text, int length) {
    RealConversion conversion{0, static_cast<std::int32_t>(parsed.end - text), 0.0};
    if (parsed.scan_flags == SCAN_NO_DIGITS) {
        conversion.flags = NO_DIGITS;
    } else {
        DoubleResult d = extended_to_double(parsed.value);
        conversion.value = d.value;
        if (parsed.scan_flags == SCAN_OVERFLOW || d.status == 1) {
            conversion.flags |= CONVERSION_OVERFLOW;
        }
        if (parsed.scan_flags == SCAN_UNDERFLOW || d.status == 2) {
            conversion.flags |= CONVERSION_UNDERFLOW;
        }
    }
    if (conversion.used != length) {
        conversion.flags |= NOT_ALL_USED;
    }
    return conversion;
}

} // namespace

ParsedReal parse_real_text(const char* text, int scale, int implied_decimals,
                           bool implicit_exponent) {
    const char* end = text + std::strlen(text);
    PlainReading plain;
    if (read_plain_number(text, end, scale, implied_decimals, implicit_exponent, &plain)) {
        return plain_value(plain, end);
    }
    return scan_real_text(text, scale, implied_decimals, implicit_exponent);
}

bool convert_plain_real(const char* text, int length, int scale, int implied_decimals,
                        RealConversion* conversion) {
    PlainReading plain;
    if (!read_plain_number(text, text + length, scale, implied_decimals, true, &plain)) {
        return false;
    }
    double magnitude;
    if (small_plain_double(plain, &magnitude)) {
        *conversion = RealConversion{0, length, plain.negative ? -magnitude : magnitude};
    } else {
        *conversion = conversion_of(plain_value(plain, text + length), text, length);
    }
    return true;
}

RealConversion convert_real_text(const char* text, int length, int scale, int implied_decimals) {
    RealConversion conversion;
    if (convert_plain_real(text, length, scale, implied_decimals, &conversion)) {
        return conversion;
    }
    return conversion_of(scan_real_text(text, scale, implied_decimals, true), text, length);
}

RealItemResult real_item_result(const RealConversion& conversion, int type) {
    if ((conversion.flags & CONVERSION_OVERFLOW) != 0) {
        return {MSG_DOUBLE_OVERFLOW, 0};
    }
    if ((conversion.flags & NOT_ALL_USED) != 0) {
        return {MSG_REAL_SYNTAX, 0};
    }
    std::uint64_t bits;
    std::memcpy(&bits, &conversion.value, sizeof bits);
    if (type != TYPE_REAL4 && type != TYPE_COMPLEX8) {
        return {0, bits}; // an underflowing double is stored as produced, without an error
    }
    double bound;
    std::memcpy(&bound, &SINGLE_RANGE_BOUND, sizeof bound);
    if (conversion.value < -bound || conversion.value > bound) {
        return {MSG_SINGLE_RANGE, 0};
    }
    return {0, fpu::round_to_single(conversion.value)};
}

} // namespace lnc
