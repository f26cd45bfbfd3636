// Scanning of real-number texts into extended values and their conversion to the double and
// single-precision bits that a real item receives.
#include <cstdint>
#include <cstring>

#include "io/numconv/numconv.h"
#include "os/x87.h"

namespace lnc {

namespace {

constexpr char POINT = '.'; // the decimal point of the run-time's locale
constexpr int MAX_STORED_DIGITS = 25;
constexpr int EXPONENT_LIMIT = 5200;

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
    int exponent_digits; // capped at EXPONENT_LIMIT + 1
    int adjustment;      // decimal places gained or lost by dropped and fractional digits
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
        if (s.exponent_digits <= EXPONENT_LIMIT) {
            s.exponent_digits = s.exponent_digits * 10 + (*s.p - '0');
            if (s.exponent_digits > EXPONENT_LIMIT) {
                s.exponent_digits = EXPONENT_LIMIT + 1;
            }
        }
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
    return result;
}

} // namespace

ParsedReal parse_real_text(const char* text, int scale, int implied_decimals,
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

RealConversion convert_real_text(const char* text, int length, int scale, int implied_decimals) {
    ParsedReal parsed = parse_real_text(text, scale, implied_decimals, true);
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

RealItemResult real_item_result(const RealConversion& conversion, int type) {
    if ((conversion.flags & CONVERSION_OVERFLOW) != 0) {
        return {6, 0};
    }
    if ((conversion.flags & NOT_ALL_USED) != 0) {
        return {7, 0};
    }
    std::uint64_t bits;
    std::memcpy(&bits, &conversion.value, sizeof bits);
    if (type != 11 && type != 14) {
        return {0, bits}; // an underflowing double is stored as produced, without an error
    }
    double bound;
    std::memcpy(&bound, &SINGLE_RANGE_BOUND, sizeof bound);
    if (conversion.value < -bound || conversion.value > bound) {
        return {8, 0};
    }
    return {0, x87::round_to_single(conversion.value)};
}

} // namespace lnc
