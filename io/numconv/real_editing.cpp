// Editing of reals and integers into text: the choice of fixed or exponent form, rounding to the
// digits shown, and the layout of sign, digits, point and exponent in the caller's buffer.
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "os/fpu.h"

#include <bit>

namespace lnc {
namespace {

constexpr int SINGLE_MAX_DIGITS = 7;
constexpr int DOUBLE_MAX_DIGITS = 16;
// Descriptor fields are clamped to this magnitude: anything larger overflows the buffer anyway,
// and the clamp keeps the layout arithmetic far from integer overflow.
constexpr int FIELD_LIMIT = 4096;

enum class Form { Fixed, FixedG, Exponent, Engineering };

struct Layout {
    Form form;
    int lead;  // digits before the point (negative: zeros after it)
    int total; // digits in all
    int d;
    int k;
    bool zero_exponent; // nothing of the value shows: the exponent prints as 0
};

int clamp_field(std::int32_t value) {
    return value < -FIELD_LIMIT ? -FIELD_LIMIT : (value > FIELD_LIMIT ? FIELD_LIMIT : value);
}

bool is_zero(const DigitString& ds) {
    return ds.count == 1 && ds.digits[0] == '0';
}

char digit_at(const DigitString& ds, int index) {
    return index >= 0 && index < ds.count ? ds.digits[index] : '0';
}

int positive_mod3(int n) {
    return ((n % 3) + 3) % 3;
}

int engineering_lead(const DigitString& ds) {
    return is_zero(ds) ? 1 : 1 + positive_mod3(ds.point - 1);
}

// The form, and the digits before the point and in total.
Layout choose_layout(int kind, int refinement, int width, int d, int k, DigitString& ds) {
    Layout lay{Form::Exponent, 0, 0, d, k, false};
    if (kind == EDIT_F) {
        ds.point += k;
        lay.form = Form::Fixed;
    } else if (kind == EDIT_G) {
        if (ds.point >= 0 && ds.point <= d) {
            lay.form = Form::FixedG;
            lay.d = d - ds.point;
        }
    } else if (kind == EDIT_LIST_DIRECTED) {
        if (ds.point > 0 && ds.point < width - d - 1) {
            lay.form = Form::Fixed;
        } else {
            lay.k = 1;
        }
    } else if (kind == EDIT_EN_ES) {
        lay.form = refinement == 2 || refinement == 7 ? Form::Engineering : Form::Exponent;
        lay.k = 1;
    }
    if (lay.form == Form::Fixed || lay.form == Form::FixedG) {
        lay.lead = is_zero(ds) ? 0 : ds.point;
        lay.total = is_zero(ds) ? lay.d : ds.point + lay.d;
    } else if (lay.form == Form::Engineering) {
        lay.lead = engineering_lead(ds);
        lay.total = lay.lead + d;
    } else {
        lay.lead = lay.k;
        lay.total = lay.k > 0 ? d + 1 : d + lay.k;
    }
    return lay;
}

// Drops what cannot show, otherwise rounds to the digits shown.
void round_for_layout(Layout& lay, int max_digits, DigitString& ds) {
    if (lay.lead < -lay.d) {
        lay.lead = -lay.d;
        lay.total = 0;
        ds.sign = ' ';
        lay.zero_exponent = true;
        return;
    }
    const int count = lay.total < max_digits ? lay.total : max_digits;
    if (round_digits(count, ds) != 1) {
        return;
    }
    if (lay.form == Form::Fixed) {
        ++lay.lead;
        ++lay.total;
    } else if (lay.form == Form::FixedG) {
        ++lay.lead;
    } else if (lay.form == Form::Engineering) {
        // A carry into a new power of ten can move the exponent to the next multiple of 3.
        lay.lead = engineering_lead(ds);
        lay.total = lay.lead + lay.d;
    }
}

struct Exponent {
    int value;
    int digits;
    char letter; // '\0' when the exponent takes the letter's place
};

Exponent exponent_of(const Layout& lay, const DigitString& ds, int e, int kind, int refinement) {
    int value = ds.point - (lay.form == Form::Engineering ? lay.lead : lay.k);
    if (is_zero(ds) || lay.zero_exponent) {
        value = 0;
    }
    const bool letter_d = kind == EDIT_D || refinement == 6 || refinement == 7;
    if (e == 2 && (value > 99 || value < -99)) {
        return {value, 3, '\0'};
    }
    return {value, e, letter_d ? 'D' : 'E'};
}

int decimal_length(int value) {
    int n = 1;
    for (unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
         v >= 10; v /= 10) {
        ++n;
    }
    return n;
}

// The length of the text the writers below would produce, checked before anything is written.
int text_length(const Layout& lay, const DigitString& ds, bool plus, const Exponent& x, int e) {
    int n = (ds.sign == '-' || plus) ? 1 : 0;
    n += lay.lead == 0 && lay.total == 0 ? 1 : 0;
    n += 1 + (lay.lead < 0 ? -lay.lead : 0);
    const int after = lay.lead > 0 ? lay.total - lay.lead : lay.total;
    n += lay.lead > 0 ? lay.lead : 0;
    n += after > 0 ? after : 0;
    if (lay.form == Form::FixedG) {
        n += e + 2 > 0 ? e + 2 : 0;
    } else if (lay.form != Form::Fixed) {
        const int digits = x.value == 0 ? 0 : decimal_length(x.value);
        const int shown = digits > x.digits ? digits : x.digits;
        n += (x.letter != '\0' ? 1 : 0) + (shown > 0 ? 1 + shown : 0);
    }
    return n;
}

char* write_digits(char* p, const DigitString& ds, int& index, int count) {
    for (int i = 0; i < count; ++i) {
        *p++ = digit_at(ds, index++);
    }
    return p;
}

// Sign, integer digits, point, leading zeros and the remaining digits.
char* write_mantissa(char* p, const Layout& lay, const DigitString& ds, bool plus) {
    if (ds.sign == '-') {
        *p++ = '-';
    } else if (plus) {
        *p++ = '+';
    }
    if (lay.lead == 0 && lay.total == 0) {
        *p++ = '0';
    }
    int index = 0;
    int total = lay.total;
    if (lay.lead > 0) {
        p = write_digits(p, ds, index, lay.lead);
        total -= lay.lead;
    }
    *p++ = '.';
    for (int i = lay.lead; i < 0; ++i) {
        *p++ = '0';
    }
    return write_digits(p, ds, index, total);
}

// An infinity or NaN fills its field with its text and dots, without a sign.
int write_invalid(const DigitString& ds, int n, char* out) {
    if (n >= FORMAT_TOO_LONG) {
        return FORMAT_TOO_LONG;
    }
    for (int i = 0; i < n; ++i) {
        out[i] = i < ds.count ? ds.digits[i] : '.';
    }
    return n > 0 ? n : 0;
}

std::uint64_t double_pattern(int type, std::uint64_t bits) {
    if (type == TYPE_REAL4 || type == TYPE_COMPLEX8) {
        // Through the unit, so that a signalling NaN raises invalid operation.
        return std::bit_cast<std::uint64_t>(fpu::widen_single(static_cast<std::uint32_t>(bits)));
    }
    return bits;
}

} // namespace

int round_digits(int count, DigitString& ds) {
    if (count < 0) {
        count = 0;
    }
    if (ds.count <= count) {
        return 0;
    }
    const char decider = ds.digits[count];
    ds.count = count;
    ds.digits[count] = '\0';
    if (decider < '5') {
        bool nonzero = false;
        for (int i = 0; i < count; ++i) {
            nonzero = nonzero || ds.digits[i] != '0';
        }
        if (!nonzero && ds.sign == '-') {
            ds.sign = ' ';
        }
        return 0;
    }
    int i = count - 1;
    for (; i >= 0 && ds.digits[i] == '9'; --i) {
        ds.digits[i] = '0';
    }
    if (i >= 0) {
        ++ds.digits[i];
        return 0;
    }
    // The carry ran out of the first digit (or there was no digit to keep).
    ds.digits[0] = '1';
    for (int j = 1; j <= count; ++j) {
        ds.digits[j] = '0';
    }
    ds.count = count + 1;
    ds.digits[ds.count] = '\0';
    if (count > 0) {
        ds.point += 1;
    }
    return 1;
}

int format_integer(std::int32_t value, IntegerDescriptor descriptor, char* out) {
    char digits[10];
    int n = 0;
    std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    for (; magnitude != 0; magnitude /= 10) {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
    }
    char* p = out;
    if (value < 0) {
        *p++ = '-';
    } else if (descriptor.plus && (descriptor.minimum_digits > 0 || n > 0)) {
        *p++ = '+';
    }
    for (int i = n; i < descriptor.minimum_digits; ++i) {
        *p++ = '0';
    }
    while (n > 0) {
        *p++ = digits[--n];
    }
    return static_cast<int>(p - out);
}

int format_real_value(const RealEditDescriptor& descriptor, int type, std::uint64_t bits,
                      char* out) {
    const bool single = type == TYPE_REAL4 || type == TYPE_COMPLEX8;
    DigitString ds = decimal_digits(double_pattern(type, bits));
    const int kind = (descriptor.options >> 8) & 0xFF;
    const int refinement = (descriptor.options >> 16) & 0xFF;
    const bool plus = (descriptor.options & 0xFF) != 0;
    const int width = clamp_field(descriptor.width);
    const int d = clamp_field(descriptor.digits) < 0 ? 0 : clamp_field(descriptor.digits);
    const int e =
        clamp_field(descriptor.exponent_digits) < 0 ? 0 : clamp_field(descriptor.exponent_digits);
    if (ds.valid == 0) {
        return write_invalid(ds, kind == EDIT_LIST_DIRECTED ? width - 2 : width, out);
    }
    Layout lay = choose_layout(kind, refinement, width, d, clamp_field(descriptor.scale), ds);
    round_for_layout(lay, single ? SINGLE_MAX_DIGITS : DOUBLE_MAX_DIGITS, ds);
    const Exponent x = exponent_of(lay, ds, e, kind, refinement);
    if (text_length(lay, ds, plus, x, e) >= FORMAT_TOO_LONG) {
        return FORMAT_TOO_LONG;
    }
    char* p = write_mantissa(out, lay, ds, plus);
    if (lay.form == Form::FixedG) {
        for (int i = 0; i < e + 2; ++i) {
            *p++ = ' ';
        }
    } else if (lay.form != Form::Fixed) {
        if (x.letter != '\0') {
            *p++ = x.letter;
        }
        const int n = format_integer(x.value, {x.digits, true}, p);
        p += n;
        if (n > x.digits + 1) {
            return EXPONENT_TOO_WIDE;
        }
    }
    return static_cast<int>(p - out);
}

} // namespace lnc
