// The output field layer of formatted transfer: the text of one value under its edit
// descriptor, placed at the right of its field, or the field's width in asterisks when the text
// does not fit. The digits of reals are the conversion's own; only the field is laid out here.
#include <cstdint>

#include "io/format/format.h"
#include "io/numconv/numconv.h"
#include "lncalc/statements.h"

namespace lnc {

namespace {

// E, D, G, EN and ES without Ee write two exponent digits (three, in the letter's place, when
// the exponent needs them).
constexpr int DEFAULT_EXPONENT_DIGITS = 2;
// The refinements of the conversion's kind 15.
constexpr int REFINE_SCIENTIFIC = 1;
constexpr int REFINE_ENGINEERING = 2;
constexpr int OPTION_PLUS = 1;
constexpr int KIND_SHIFT = 8;
constexpr int REFINEMENT_SHIFT = 16;

struct RealKind {
    std::uint8_t descriptor;
    int kind;
    int refinement;
};

constexpr RealKind RealKinds[] = {
    {DESC_F, EDIT_F, 0},
    {DESC_E, EDIT_E, 0},
    {DESC_D, EDIT_D, 0},
    {DESC_G, EDIT_G, 0},
    {DESC_EN, EDIT_EN_ES, REFINE_ENGINEERING},
    {DESC_ES, EDIT_EN_ES, REFINE_SCIENTIFIC},
};

OutputField stars_field(int width) {
    return {0, 0, true, width};
}

// A text of length characters, already in the caller's buffer, at the right of its field.
OutputField place_text(int width, std::int64_t length) {
    if (length > width || length > FIELD_TEXT_SIZE) {
        return stars_field(width);
    }
    const int n = static_cast<int>(length);
    return {width - n, n, false, width};
}

int field_width(std::int32_t width) {
    return width < 0 ? 0 : width;
}

int field_part(std::int32_t value, int otherwise) {
    return value == NO_VALUE ? otherwise : (value < 0 ? 0 : value);
}

// The decimal digits of a magnitude, most significant first; returns how many.
int decimal_text(std::uint64_t magnitude, char* digits) {
    char reversed[20];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (int i = 0; i < n; ++i) {
        digits[i] = reversed[n - 1 - i];
    }
    return n;
}

const RealKind* real_kind_of(std::uint8_t descriptor) {
    for (const RealKind& k : RealKinds) {
        if (k.descriptor == descriptor) {
            return &k;
        }
    }
    return nullptr;
}

// E and D place the point by the scale factor only for -d < k <= d + 1; outside that range the
// field could not show the value's digits (for k <= -d it would show none at all).
bool scale_fits_exponent_form(int scale, int digits) {
    return scale > -digits && scale <= digits + 1;
}

// G's fixed form ends in its e + 2 blanks; the scale factor plays no part in it.
bool is_fixed_g_text(const char* text, int length) {
    return length > 0 && text[length - 1] == ' ';
}

} // namespace

OutputField edit_integer_output(const DataEdit& edit, std::int64_t value, int sign_mode,
                                char* out) {
    const int width = field_width(edit.width);
    const int minimum = field_part(edit.digits, 1);
    // Iw.0 of zero is a blank field, whatever the sign mode.
    if (value == 0 && minimum == 0) {
        return {width, 0, false, width};
    }
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char digits[20];
    const int count = decimal_text(magnitude, digits);
    const bool sign = value < 0 || sign_mode == SIGN_PLUS;
    const int zeros = minimum > count ? minimum - count : 0;
    const std::int64_t length = std::int64_t{sign ? 1 : 0} + zeros + count;
    if (length > width || length > FIELD_TEXT_SIZE) {
        return stars_field(width);
    }
    char* p = out;
    if (sign) {
        *p++ = value < 0 ? '-' : '+';
    }
    for (int i = 0; i < zeros; ++i) {
        *p++ = '0';
    }
    for (int i = 0; i < count; ++i) {
        *p++ = digits[i];
    }
    return place_text(width, length);
}

OutputField edit_real_output(const DataEdit& edit, int type, std::uint64_t bits, int scale,
                             int sign_mode, char* out) {
    const int width = field_width(edit.width);
    const RealKind* kind = real_kind_of(edit.descriptor);
    if (kind == nullptr) {
        return stars_field(width);
    }
    const int digits = field_part(edit.digits, 0);
    const bool exponent_form = kind->kind == EDIT_E || kind->kind == EDIT_D;
    if (exponent_form && !scale_fits_exponent_form(scale, digits)) {
        return stars_field(width);
    }
    const RealEditDescriptor descriptor = {
        0,
        width,
        digits,
        kind->kind == EDIT_F ? 0 : field_part(edit.exponent, DEFAULT_EXPONENT_DIGITS),
        scale,
        (sign_mode == SIGN_PLUS ? OPTION_PLUS : 0) | kind->kind << KIND_SHIFT |
            kind->refinement << REFINEMENT_SHIFT};
    const int length = format_real_value(descriptor, type, bits, out);
    if (length == FORMAT_TOO_LONG || length == EXPONENT_TOO_WIDE) {
        return stars_field(width);
    }
    if (kind->kind == EDIT_G && !is_fixed_g_text(out, length) &&
        !scale_fits_exponent_form(scale, digits)) {
        return stars_field(width);
    }
    return place_text(width, length);
}

OutputField edit_logical_output(const DataEdit& edit, bool value, char* out) {
    out[0] = value ? 'T' : 'F';
    return place_text(field_width(edit.width), 1);
}

OutputField edit_character_output(const DataEdit& edit, const std::uint8_t* text, int length,
                                  char* out) {
    if (length < 0) {
        length = 0;
    }
    const int width = edit.width == NO_VALUE ? length : field_width(edit.width);
    const int kept = width < length ? width : length;
    // The caller's buffer holds FIELD_TEXT_SIZE characters: a longer text cannot be placed.
    if (kept > FIELD_TEXT_SIZE) {
        return stars_field(width);
    }
    for (int i = 0; i < kept; ++i) {
        out[i] = static_cast<char>(text[i]);
    }
    return place_text(width, kept);
}

} // namespace lnc
