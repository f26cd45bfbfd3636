// Number conversions: reals and integers to text for output, text to reals for input.
// The pure conversions take values or text and write into the caller's buffer; only
// format_real and token_to_real read the statement's current item (its type, and the part of
// the value given or else the data address).
#pragma once
#include <cstdint>

namespace lnc {

// ---- Real to text ----

inline constexpr int EDIT_LIST_DIRECTED = 0;
inline constexpr int EDIT_D = 9;
inline constexpr int EDIT_E = 10;
inline constexpr int EDIT_F = 11;
inline constexpr int EDIT_G = 12;
// List-directed input converts a real as an F edit as wide as its value.
inline constexpr int EDIT_LIST_INPUT = EDIT_F;
// What a formatted transfer leaves when the record of a file must not end with CR LF.
inline constexpr int EDIT_NO_RECORD_END = 25;
// Kind 15 by the third options byte: 2 engineering (exponent a multiple of 3, one to three
// digits before the point), 7 the same with the letter D, 6 scientific with D, anything else
// scientific (one nonzero digit before the point). Unknown kinds edit as E.
inline constexpr int EDIT_EN_ES = 15;

inline constexpr int FORMAT_TOO_LONG = 520;
inline constexpr int EXPONENT_TOO_WIDE = 0x7FFF;

struct RealEditDescriptor {
    std::int32_t reserved;
    std::int32_t width;
    std::int32_t digits;
    std::int32_t exponent_digits;
    std::int32_t scale;
    std::int32_t options; // byte 0 plus option, byte 1 edit kind, byte 2 refinement
};

inline constexpr RealEditDescriptor LIST_SINGLE = {0, 15, 6, 2, 0, 0};
inline constexpr RealEditDescriptor LIST_DOUBLE = {0, 24, 15, 3, 0, 0};

struct DigitString {
    char sign; // '-' or ' '
    int point; // value = 0.d1d2d3... x 10^point
    int valid; // 0 for an infinity or a NaN
    int count; // digits in use
    char digits[24];
};

struct IntegerDescriptor {
    int minimum_digits;
    bool plus;
};

// Converts the current item's value (the part at its data address) to text; returns the
// length, FORMAT_TOO_LONG (a text of 520 bytes or more: nothing is written) or
// EXPONENT_TOO_WIDE; 0 for an item that is not real.
int format_real(const RealEditDescriptor& descriptor, char* out);
// The same for one part of the current item: the real or the imaginary part at part.
int format_real_part(const RealEditDescriptor& descriptor, const std::uint8_t* part, char* out);
// The same for a value given directly: type 11 or 14 take a single pattern in the low 32 bits
// (widened through the unit), any other type a double pattern.
int format_real_value(const RealEditDescriptor& descriptor, int type, std::uint64_t bits,
                      char* out);
int format_integer(std::int32_t value, IntegerDescriptor descriptor, char* out);
// The first 17 digits of the exact value (18 produced, rounded half up at the 18th).
DigitString decimal_digits(std::uint64_t double_bits);
int round_digits(int count, DigitString& ds);

// ---- Text to real ----

struct ExtendedReal {
    std::uint16_t low;  // lowest 16 mantissa bits
    std::uint64_t high; // upper 64 mantissa bits, top bit explicit
    std::uint16_t sign_exponent;
};

inline constexpr std::uint32_t NOT_ALL_USED = 0x40;
inline constexpr std::uint32_t CONVERSION_OVERFLOW = 0x80;
inline constexpr std::uint32_t CONVERSION_UNDERFLOW = 0x100;
inline constexpr std::uint32_t NO_DIGITS = 0x200;

inline constexpr int SCAN_UNDERFLOW = 1;
inline constexpr int SCAN_OVERFLOW = 2;
inline constexpr int SCAN_NO_DIGITS = 4;

struct RealConversion {
    std::uint32_t flags;
    std::int32_t used;
    double value;
};

struct ParsedReal {
    ExtendedReal value;
    const char* end;
    int scan_flags;
};

// Converts text[0 .. length) into the current item at its data address, or into the part of a
// complex item at part.
void token_to_real(char* text, int length);
void token_to_real_part(char* text, int length, std::uint8_t* part);
RealConversion convert_real_text(const char* text, int length, int scale, int implied_decimals);
// The same for the usual text, a number of at most 19 significant digits filling text[0 ..
// length), which needs no terminator; false, with nothing converted, for any other text.
bool convert_plain_real(const char* text, int length, int scale, int implied_decimals,
                        RealConversion* conversion);
ParsedReal parse_real_text(const char* text, int scale, int implied_decimals,
                           bool implicit_exponent);
ExtendedReal digits_to_extended(const std::uint8_t* digits, int count);
// The exact 80-bit value of an integer, with the lowest 16 mantissa bits clear.
ExtendedReal integer_to_extended(std::uint64_t n);
void scale_by_power_of_ten(ExtendedReal& value, int n);
void multiply_extended(ExtendedReal& a, const ExtendedReal& b);
struct DoubleResult {
    double value;
    int status; // 0 in range, 1 overflow, 2 underflow
};
DoubleResult extended_to_double(const ExtendedReal& value);
// integer x 10^decimal as scale_by_power_of_ten and extended_to_double give it, for a non-zero
// integer and -7 <= decimal <= 7: one multiplication by a power of the table, never out of range.
double scale_small_to_double(std::uint64_t integer, int decimal);

// The largest single-precision value plus 2^75: the smallest double above it. A single item
// refuses a double beyond plus or minus this bound.
inline constexpr std::uint64_t SINGLE_RANGE_BOUND = 0x47EFFFFFE0000001ULL;

// What a real item of the given type receives from a conversion: the message index to raise
// (0 for none) and otherwise the bits to store, a single pattern in the low 32 bits for TYPE_REAL4
// and TYPE_COMPLEX8 (rounded through the floating-point unit) and the double's pattern for the
// others.
struct RealItemResult {
    int message_index;
    std::uint64_t bits;
};
RealItemResult real_item_result(const RealConversion& conversion, int type);

extern const ExtendedReal PowersOfTenPositive[29];
extern const ExtendedReal PowersOfTenNegative[29];

} // namespace lnc
