// A small unsigned big integer for checking the text-to-real conversion from first principles.
#pragma once
#include <cstdint>
#include <vector>

namespace lnc::test {

// Little-endian 32-bit words, no leading zero words.
struct BigInteger {
    std::vector<std::uint32_t> words;

    BigInteger() = default;
    explicit BigInteger(std::uint64_t v) {
        while (v != 0) {
            words.push_back(static_cast<std::uint32_t>(v));
            v >>= 32;
        }
    }

    void trim() {
        while (!words.empty() && words.back() == 0) {
            words.pop_back();
        }
    }

    bool is_zero() const { return words.empty(); }

    int bit_length() const {
        if (words.empty()) {
            return 0;
        }
        int bits = 32 * static_cast<int>(words.size() - 1);
        for (std::uint32_t top = words.back(); top != 0; top >>= 1) {
            ++bits;
        }
        return bits;
    }

    bool bit(int i) const {
        std::size_t w = static_cast<std::size_t>(i / 32);
        return w < words.size() && ((words[w] >> (i % 32)) & 1) != 0;
    }

    // The bits [from, from + 64) as a number.
    std::uint64_t bits64(int from) const {
        std::uint64_t v = 0;
        for (int i = 63; i >= 0; --i) {
            v = (v << 1) | (bit(from + i) ? 1 : 0);
        }
        return v;
    }

    // Whether any bit below bit i is set.
    bool any_below(int i) const {
        for (int b = 0; b < i && b < 32 * static_cast<int>(words.size()); ++b) {
            if (bit(b)) {
                return true;
            }
        }
        return false;
    }
};

inline int compare(const BigInteger& a, const BigInteger& b) {
    if (a.words.size() != b.words.size()) {
        return a.words.size() < b.words.size() ? -1 : 1;
    }
    for (std::size_t i = a.words.size(); i-- > 0;) {
        if (a.words[i] != b.words[i]) {
            return a.words[i] < b.words[i] ? -1 : 1;
        }
    }
    return 0;
}

inline BigInteger operator+(const BigInteger& a, const BigInteger& b) {
    BigInteger r;
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < a.words.size() || i < b.words.size() || carry != 0; ++i) {
        std::uint64_t t = carry;
        t += i < a.words.size() ? a.words[i] : 0;
        t += i < b.words.size() ? b.words[i] : 0;
        r.words.push_back(static_cast<std::uint32_t>(t));
        carry = t >> 32;
    }
    r.trim();
    return r;
}

// a - b for a >= b.
inline BigInteger operator-(const BigInteger& a, const BigInteger& b) {
    BigInteger r;
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < a.words.size(); ++i) {
        std::int64_t t = static_cast<std::int64_t>(a.words[i]) - borrow -
                         (i < b.words.size() ? static_cast<std::int64_t>(b.words[i]) : 0);
        borrow = t < 0 ? 1 : 0;
        r.words.push_back(static_cast<std::uint32_t>(t + (borrow << 32)));
    }
    r.trim();
    return r;
}

inline BigInteger operator*(const BigInteger& a, const BigInteger& b) {
    BigInteger r;
    r.words.assign(a.words.size() + b.words.size(), 0);
    for (std::size_t i = 0; i < a.words.size(); ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < b.words.size(); ++j) {
            std::uint64_t t =
                static_cast<std::uint64_t>(a.words[i]) * b.words[j] + r.words[i + j] + carry;
            r.words[i + j] = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        r.words[i + b.words.size()] = static_cast<std::uint32_t>(carry);
    }
    r.trim();
    return r;
}

inline BigInteger operator<<(const BigInteger& a, int shift) {
    if (a.is_zero()) {
        return a;
    }
    BigInteger r;
    r.words.assign(static_cast<std::size_t>(shift / 32), 0);
    int bits = shift % 32;
    std::uint32_t carry = 0;
    for (std::uint32_t w : a.words) {
        r.words.push_back(bits == 0 ? w : (w << bits) | carry);
        carry = bits == 0 ? 0 : w >> (32 - bits);
    }
    r.words.push_back(carry);
    r.trim();
    return r;
}

inline BigInteger operator>>(const BigInteger& a, int shift) {
    BigInteger r;
    int total = a.bit_length();
    for (int i = shift; i < total; i += 32) {
        r.words.push_back(static_cast<std::uint32_t>(a.bits64(i)));
    }
    r.trim();
    return r;
}

inline BigInteger power(std::uint32_t base, int exponent) {
    BigInteger r(1);
    BigInteger b(base);
    for (int i = 0; i < exponent; ++i) {
        r = r * b;
    }
    return r;
}

// The quotient of a / b when it is below 2^63, and whether the division leaves a remainder.
struct SmallQuotient {
    std::uint64_t quotient;
    bool inexact;
};

inline SmallQuotient divide_small(BigInteger a, const BigInteger& b) {
    SmallQuotient r{0, false};
    int top = a.bit_length() - b.bit_length() + 1;
    for (int i = top < 62 ? top : 62; i >= 0; --i) {
        BigInteger shifted = b << i;
        if (compare(shifted, a) <= 0) {
            a = a - shifted;
            r.quotient |= 1ULL << i;
        }
    }
    r.inexact = !a.is_zero();
    return r;
}

// a / b rounded to the nearest integer (a tie goes up), by binary long division.
inline BigInteger divide_rounded(BigInteger a, const BigInteger& b) {
    BigInteger quotient;
    for (int i = a.bit_length() - b.bit_length() + 1; i >= 0; --i) {
        BigInteger shifted = b << i;
        if (compare(shifted, a) <= 0) {
            a = a - shifted;
            quotient = quotient + (BigInteger(1) << i);
        }
    }
    if (compare(a << 1, b) >= 0) {
        quotient = quotient + BigInteger(1);
    }
    return quotient;
}

} // namespace lnc::test
