// Schoolbook exact decimal expansion and the list-directed texts derived from it.
#include "support/decimal_reference.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace lnc::test {
namespace {

constexpr std::uint32_t BASE = 1000000000;
constexpr int LIMBS = 128; // 1152 decimal digits: more than any double needs

// A decimal big number in base 10^9, least significant limb first.
struct Decimal {
    std::array<std::uint32_t, LIMBS> limb{};
    int used = 0;
};

void multiply(Decimal& n, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < n.used; ++i) {
        const std::uint64_t t = static_cast<std::uint64_t>(n.limb[i]) * factor + carry;
        n.limb[i] = static_cast<std::uint32_t>(t % BASE);
        carry = t / BASE;
    }
    while (carry != 0) {
        n.limb[n.used++] = static_cast<std::uint32_t>(carry % BASE);
        carry /= BASE;
    }
}

std::string to_text(const Decimal& n) {
    std::string text = std::to_string(n.limb[n.used - 1]);
    for (int i = n.used - 2; i >= 0; --i) {
        const std::string part = std::to_string(n.limb[i]);
        text += std::string(9 - part.size(), '0') + part;
    }
    return text;
}

// Rounds digits (of a value 0.digits x 10^point) half up to exactly `count` digits.
void round_half_up(std::string& digits, int& point, int count) {
    digits.resize(std::max<std::size_t>(digits.size(), count + 1), '0');
    const bool up = digits[count] >= '5';
    digits.resize(count);
    if (!up) {
        return;
    }
    int i = count - 1;
    while (i >= 0 && digits[i] == '9') {
        digits[i--] = '0';
    }
    if (i >= 0) {
        ++digits[i];
    } else {
        digits = "1" + std::string(count - 1, '0');
        ++point;
    }
}

std::string invalid_text(const char* name, int width) {
    std::string text = name;
    text.resize(width, '.');
    return text;
}

// The list-directed text of a finite value: `shown` significant digits, fixed form for
// 1 <= |x| < 10^7 with shown - 1 decimals, otherwise d.ddd...E+xx.
std::string list_text(const ExactDecimal* exact, int shown, int exponent_digits) {
    const int decimals = shown - 1;
    if (exact == nullptr) { // zero
        return "0." + std::string(decimals, '0') + "E+" + std::string(exponent_digits, '0');
    }
    ExactDecimal r = seventeen_digits(*exact);
    const bool fixed = exact->point >= 1 && exact->point <= 7;
    round_half_up(r.digits, r.point, shown);
    std::string text = exact->negative ? "-" : "";
    if (fixed) {
        std::string all = r.digits + std::string(r.point + decimals, '0');
        return text + all.substr(0, r.point) + "." + all.substr(r.point, decimals);
    }
    const int x = r.point - 1;
    const std::string magnitude = std::to_string(x < 0 ? -x : x);
    const bool letter = !(exponent_digits == 2 && (x > 99 || x < -99));
    const int width = letter ? exponent_digits : 3;
    text += r.digits.substr(0, 1) + "." + r.digits.substr(1) + (letter ? "E" : "");
    text += x < 0 ? "-" : "+";
    return text + std::string(std::max<int>(0, width - static_cast<int>(magnitude.size())), '0') +
           magnitude;
}

} // namespace

ExactDecimal exact_decimal(bool negative, std::uint64_t mantissa, int exponent) {
    Decimal n;
    for (std::uint64_t m = mantissa; m != 0; m /= BASE) {
        n.limb[n.used++] = static_cast<std::uint32_t>(m % BASE);
    }
    int fraction_digits = 0;
    if (exponent >= 0) {
        for (int e = exponent; e > 0; e -= 29) {
            multiply(n, std::uint32_t{1} << std::min(e, 29));
        }
    } else {
        // m * 2^-e = m * 5^e / 10^e
        for (int e = -exponent; e > 0; e -= 13) {
            std::uint32_t f = 1;
            for (int i = 0; i < std::min(e, 13); ++i) {
                f *= 5;
            }
            multiply(n, f);
        }
        fraction_digits = -exponent;
    }
    ExactDecimal result{negative, 0, to_text(n)};
    result.point = static_cast<int>(result.digits.size()) - fraction_digits;
    while (result.digits.back() == '0') {
        result.digits.pop_back();
    }
    return result;
}

ExactDecimal exact_decimal_of_double(std::uint64_t bits) {
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const bool negative = (bits >> 63) != 0;
    if (biased == 0) {
        return exact_decimal(negative, fraction, -1074);
    }
    return exact_decimal(negative, fraction | (std::uint64_t{1} << 52), biased - 1075);
}

ExactDecimal seventeen_digits(const ExactDecimal& exact) {
    ExactDecimal r = exact;
    if (r.digits.size() > 17) {
        r.digits.resize(18); // the digits after the 18th take no part
        round_half_up(r.digits, r.point, 17);
    }
    while (r.digits.size() > 1 && r.digits.back() == '0') {
        r.digits.pop_back();
    }
    return r;
}

std::string reference_list_single(std::uint32_t bits) {
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    const std::uint32_t fraction = bits & 0x7FFFFF;
    const bool negative = (bits >> 31) != 0;
    if (biased == 0xFF) {
        if (fraction == 0) {
            return invalid_text("1#INF", 13);
        }
        // Widening quiets a signalling NaN; only the negative NaN with nothing but the quiet bit
        // is the indefinite value.
        return invalid_text(negative && fraction == 0x400000 ? "1#IND" : "1#QNAN", 13);
    }
    if (biased == 0 && fraction == 0) {
        return list_text(nullptr, 7, 2);
    }
    const ExactDecimal exact = biased == 0
                                   ? exact_decimal(negative, fraction, -149)
                                   : exact_decimal(negative, fraction | 0x800000, biased - 150);
    return list_text(&exact, 7, 2);
}

std::string reference_list_double(std::uint64_t bits) {
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const bool negative = (bits >> 63) != 0;
    if (biased == 0x7FF) {
        const std::uint64_t quiet = std::uint64_t{1} << 51;
        const char* name = fraction == 0                   ? "1#INF"
                           : negative && fraction == quiet ? "1#IND"
                           : (fraction & quiet) != 0       ? "1#QNAN"
                                                           : "1#SNAN";
        return invalid_text(name, 22);
    }
    if (biased == 0 && fraction == 0) {
        return list_text(nullptr, 16, 3);
    }
    const ExactDecimal exact = exact_decimal_of_double(bits);
    return list_text(&exact, 16, 3);
}

} // namespace lnc::test
