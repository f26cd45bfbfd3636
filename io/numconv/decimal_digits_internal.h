// The exact comparison behind the digit source, shared with its tests: it settles the values
// whose 18th digit the 128-bit estimate cannot decide.
#pragma once
#include <cstdint>

namespace lnc {

// Exactly: mantissa * 2^exponent * 10^k >= bound? Sized for the doubles' range: the product may
// need up to about 900 bits (k from -290 to 342).
bool scaled_value_reaches(std::uint64_t mantissa, int exponent, int k, std::uint64_t bound);

} // namespace lnc
