// A fixed-size unsigned integer for building the table of powers of ten of real-to-text
// conversion at compile time: big enough for 5^342 or a 128-bit quotient times 2^800. No
// allocation.
#pragma once
#include <cstdint>

namespace lnc::wide {

inline constexpr int WORDS = 32; // 1024 bits

struct WideInteger {
    std::uint32_t word[WORDS]; // little-endian
    int used;                  // words in use; word[used - 1] != 0 unless used == 0
};

constexpr WideInteger from_u64(std::uint64_t value) {
    WideInteger a{};
    a.word[0] = static_cast<std::uint32_t>(value);
    a.word[1] = static_cast<std::uint32_t>(value >> 32);
    a.used = a.word[1] != 0 ? 2 : (a.word[0] != 0 ? 1 : 0);
    return a;
}

constexpr void multiply_small(WideInteger& a, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < a.used; ++i) {
        std::uint64_t t = static_cast<std::uint64_t>(a.word[i]) * factor + carry;
        a.word[i] = static_cast<std::uint32_t>(t);
        carry = t >> 32;
    }
    if (carry != 0) {
        a.word[a.used++] = static_cast<std::uint32_t>(carry);
    }
}

constexpr void shift_left(WideInteger& a, int bits) {
    if (a.used == 0 || bits <= 0) {
        return;
    }
    const int words = bits / 32;
    const int rest = bits % 32;
    int top = a.used + words;
    a.word[top] = 0;
    for (int i = a.used - 1; i >= 0; --i) {
        const std::uint64_t v = static_cast<std::uint64_t>(a.word[i]) << rest;
        a.word[i + words + 1] |= static_cast<std::uint32_t>(v >> 32);
        a.word[i + words] = static_cast<std::uint32_t>(v);
    }
    for (int i = 0; i < words; ++i) {
        a.word[i] = 0;
    }
    a.used = a.word[top] != 0 ? top + 1 : top;
}

// a += b.
constexpr void add(WideInteger& a, const WideInteger& b) {
    const int n = a.used > b.used ? a.used : b.used;
    std::uint64_t carry = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint64_t t = static_cast<std::uint64_t>(i < a.used ? a.word[i] : 0) +
                                (i < b.used ? b.word[i] : 0) + carry;
        a.word[i] = static_cast<std::uint32_t>(t);
        carry = t >> 32;
    }
    a.used = n;
    if (carry != 0) {
        a.word[a.used++] = static_cast<std::uint32_t>(carry);
    }
}

// a /= divisor; returns the remainder.
constexpr std::uint32_t divide_small(WideInteger& a, std::uint32_t divisor) {
    std::uint64_t remainder = 0;
    for (int i = a.used - 1; i >= 0; --i) {
        const std::uint64_t t = (remainder << 32) | a.word[i];
        a.word[i] = static_cast<std::uint32_t>(t / divisor);
        remainder = t % divisor;
    }
    while (a.used > 0 && a.word[a.used - 1] == 0) {
        --a.used;
    }
    return static_cast<std::uint32_t>(remainder);
}

// -1, 0 or 1 as a is below, equal to or above b.
constexpr int compare(const WideInteger& a, const WideInteger& b) {
    if (a.used != b.used) {
        return a.used < b.used ? -1 : 1;
    }
    for (int i = a.used - 1; i >= 0; --i) {
        if (a.word[i] != b.word[i]) {
            return a.word[i] < b.word[i] ? -1 : 1;
        }
    }
    return 0;
}

// a -= b; requires a >= b.
constexpr void subtract(WideInteger& a, const WideInteger& b) {
    std::uint32_t borrow = 0;
    for (int i = 0; i < a.used; ++i) {
        const std::uint32_t bi = i < b.used ? b.word[i] : 0;
        const std::uint64_t t = static_cast<std::uint64_t>(a.word[i]) - bi - borrow;
        a.word[i] = static_cast<std::uint32_t>(t);
        borrow = static_cast<std::uint32_t>(t >> 63);
    }
    while (a.used > 0 && a.word[a.used - 1] == 0) {
        --a.used;
    }
}

constexpr int bit_length(const WideInteger& a) {
    if (a.used == 0) {
        return 0;
    }
    std::uint32_t top = a.word[a.used - 1];
    int bits = 0;
    for (; top != 0; top >>= 1) {
        ++bits;
    }
    return (a.used - 1) * 32 + bits;
}

// The 64 bits of a starting at bit position `from` (bits beyond the top read as zero).
constexpr std::uint64_t bits_at(const WideInteger& a, int from) {
    std::uint64_t result = 0;
    for (int i = 63; i >= 0; --i) {
        const int bit = from + i;
        const int index = bit / 32;
        const std::uint64_t b = index < a.used ? (a.word[index] >> (bit % 32)) & 1u : 0;
        result = (result << 1) | b;
    }
    return result;
}

} // namespace lnc::wide
