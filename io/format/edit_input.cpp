// The input field layer of formatted transfer: the w characters of one field read as an
// integer, a real or a logical. Blanks are settled here (ignored, or zeros under BZ); the real
// digits go through the same conversion as list-directed input, and a fault gives the message
// that list-directed input gives for the same fault.
#include <cstdint>
#include <cstring>

#include "errors/message_indices.h"
#include "io/format/format.h"
#include "io/numconv/numconv.h"

namespace lnc {

namespace {

// The widest field a format can give; a real field is gathered whole before it is converted.
constexpr int INPUT_FIELD_LIMIT = 32767;

constexpr std::uint64_t LARGEST_POSITIVE = 0x7FFFFFFFFFFFFFFFULL;
constexpr std::uint64_t LARGEST_NEGATIVE = 0x8000000000000000ULL; // the magnitude of -2^63

// Right-justified numbers come after runs of blanks: those are passed over four at a time.
int first_non_blank(const char* field, int width) {
    constexpr std::uint32_t FOUR_BLANKS = 0x20202020u;
    int i = 0;
    std::uint32_t four;
    while (width - i >= 4 && (std::memcpy(&four, field + i, sizeof four), four == FOUR_BLANKS)) {
        i += 4;
    }
    while (i < width && field[i] == ' ') {
        ++i;
    }
    return i;
}

bool is_line_character(char c) {
    return c == '\t' || c == '\r' || c == '\n';
}

// The field from its first non-blank character on, with its blanks dropped (BN) or made zeros
// (BZ), terminated; returns the length, or -1 for a character the conversion would pass over as
// white space but which has no place inside a field.
int gather_real_text(const char* field, int width, bool blanks_are_zeros, char* text) {
    int n = 0;
    for (int i = first_non_blank(field, width); i < width; ++i) {
        char c = field[i];
        if (c == ' ') {
            if (!blanks_are_zeros) {
                continue;
            }
            c = '0';
        } else if (is_line_character(c)) {
            return -1;
        }
        text[n++] = c;
    }
    text[n] = '\0';
    return n;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// A field whose number has no digits before its exponent ("+", ".", "-.", "E+00", "+ . E00")
// is zero: the 1978 form of an input field lets the digit string be empty, and the validation
// programs of that standard read such fields as zero. The conversion wants a digit, so a 0 is
// put in after the sign; the text has room for it. Returns the new length.
int supply_missing_digit(char* text, int length) {
    const int i = text[0] == '+' || text[0] == '-' ? 1 : 0;
    if (is_digit(text[i]) || (text[i] == '.' && is_digit(text[i + 1])))
        return length;
    std::memmove(text + i + 1, text + i, static_cast<std::size_t>(length - i + 1));
    text[i] = '0';
    return length + 1;
}

} // namespace

int edit_integer_input(const char* field, int width, bool blanks_are_zeros, std::int64_t* value) {
    int i = first_non_blank(field, width);
    const bool sign = i < width && (field[i] == '+' || field[i] == '-');
    const bool negative = sign && field[i] == '-';
    i += sign ? 1 : 0;
    const std::uint64_t limit = negative ? LARGEST_NEGATIVE : LARGEST_POSITIVE;
    std::uint64_t magnitude = 0;
    bool digits = false;
    for (; i < width; ++i) {
        char c = field[i];
        if (c == ' ') {
            if (!blanks_are_zeros) {
                continue;
            }
            c = '0';
        }
        if (c < '0' || c > '9') {
            return MSG_INTEGER_CHARACTER;
        }
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (magnitude > (limit - digit) / 10) {
            return MSG_INTEGER_OVERFLOW;
        }
        magnitude = magnitude * 10 + digit;
        digits = true;
    }
    // A sign alone is not a number; a field of blanks is zero.
    if (sign && !digits) {
        return MSG_INTEGER_CHARACTER;
    }
    *value = static_cast<std::int64_t>(negative ? 0 - magnitude : magnitude);
    return 0;
}

namespace {

// kP divides a value without an exponent by 10^k; the conversion multiplies by 10^scale.
int conversion_scale(const EditState& state) {
    return state.scale == INT32_MIN ? INT32_MAX : -state.scale;
}

int implied_decimals(const DataEdit& edit) {
    return edit.digits == NO_VALUE || edit.digits < 0 ? 0 : edit.digits;
}

// The conversion of the text the field holds, scaled as the edit and the state say.
RealConversion convert_field_text(const DataEdit& edit, const EditState& state, const char* text,
                                  int length) {
    return convert_real_text(text, length, conversion_scale(state), implied_decimals(edit));
}

} // namespace

int edit_real_input(const DataEdit& edit, const char* field, int width, const EditState& state,
                    int type, std::uint64_t* bits) {
    if (width > INPUT_FIELD_LIMIT) {
        return MSG_REAL_SYNTAX;
    }
    char text[INPUT_FIELD_LIMIT + 2];     // the field, a supplied digit and the terminator
    RealConversion conversion{0, 0, 0.0}; // a field of blanks is zero
    // The usual field, a number after its leading blanks, converts as it stands; one that does
    // not convert whole (a blank, a line character or a missing digit inside) is settled below.
    const int start = first_non_blank(field, width);
    int length = width - start;
    bool converted =
        length == 0 || convert_plain_real(field + start, length, conversion_scale(state),
                                          implied_decimals(edit), &conversion);
    if (!converted && !is_line_character(field[start])) {
        std::memcpy(text, field + start, static_cast<std::size_t>(length));
        text[length] = '\0';
        conversion = convert_field_text(edit, state, text, length);
        converted = (conversion.flags & (NOT_ALL_USED | NO_DIGITS)) == 0;
    }
    if (!converted) {
        length = gather_real_text(field, width, state.blanks_are_zeros, text);
        if (length < 0) {
            return MSG_REAL_SYNTAX;
        }
        conversion = RealConversion{0, 0, 0.0};
        if (length > 0) {
            conversion = convert_field_text(edit, state, text, supply_missing_digit(text, length));
        }
    }
    const RealItemResult result = real_item_result(conversion, type);
    if (result.message_index != 0) {
        return result.message_index;
    }
    *bits = result.bits;
    return 0;
}

int edit_logical_input(const char* field, int width, bool* value) {
    int i = first_non_blank(field, width);
    if (i < width && field[i] == '.') {
        ++i;
    }
    const char c = i < width ? field[i] : ' ';
    if (c == 'T' || c == 't' || c == 'F' || c == 'f') {
        *value = c == 'T' || c == 't';
        return 0;
    }
    return MSG_BAD_LOGICAL;
}

} // namespace lnc
