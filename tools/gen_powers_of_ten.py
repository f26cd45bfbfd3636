#!/usr/bin/env python3
"""Prints the powers-of-ten tables of the text-to-real conversion as C++ initialisers.

Each entry is 10^p (p = d*8^k for k = 0..3, d = 1..7, then p = 4096) rounded to the nearest
80-bit mantissa with an explicit top bit, computed with exact integer arithmetic only.
Usage: python3 tools/gen_powers_of_ten.py > table.txt
"""

BIAS = 16383
MANTISSA_BITS = 80


def exponents():
    return [d * 8**k for k in range(4) for d in range(1, 8)] + [4096]


def round_ratio(num, den):
    """Rounds num/den (both positive) to an 80-bit mantissa; returns (mantissa, shift) with
    num/den ~= mantissa * 2^shift. Ties cannot occur for powers of ten, so they stop the run."""
    shift = num.bit_length() - den.bit_length() - MANTISSA_BITS
    while True:
        scaled_num = num << -shift if shift < 0 else num
        scaled_den = den << shift if shift > 0 else den
        mantissa, remainder = divmod(scaled_num, scaled_den)
        if mantissa >= 1 << MANTISSA_BITS:
            shift += 1
            continue
        if mantissa < 1 << (MANTISSA_BITS - 1):
            shift -= 1
            continue
        break
    assert 2 * remainder != scaled_den, "tie"
    if 2 * remainder > scaled_den:
        mantissa += 1
        if mantissa == 1 << MANTISSA_BITS:
            mantissa >>= 1
            shift += 1
    return mantissa, shift


def entry(mantissa, shift, p):
    exponent = BIAS + shift + MANTISSA_BITS - 1
    assert 0 < exponent < 0x7FFF
    low = mantissa & 0xFFFF
    high = mantissa >> 16
    return "    {0x%04X, 0x%016XULL, 0x%04X}, // 10^%d" % (low, high, exponent, p)


def main():
    for name, sign in (("PowersOfTenPositive", 1), ("PowersOfTenNegative", -1)):
        print("const ExtendedReal %s[29] = {" % name)
        for p in exponents():
            if sign > 0:
                mantissa, shift = round_ratio(10**p, 1)
            else:
                mantissa, shift = round_ratio(1, 10**p)
            print(entry(mantissa, shift, sign * p))
        print("};")


if __name__ == "__main__":
    main()
