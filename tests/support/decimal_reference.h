// An independent, slow and plainly exact reference for real output: the full decimal expansion
// of a binary value by schoolbook big-number arithmetic in base 10^9, and the list-directed text
// derived from it digit by digit. Used by the conversion tests and the exhaustive checking tool.
#pragma once
#include <cstdint>
#include <string>

namespace lnc::test {

// value = 0.digits x 10^point, all significant digits of the exact value (no trailing zeros).
struct ExactDecimal {
    bool negative;
    int point;
    std::string digits;
};

// Exact expansion of a finite binary value (-1)^negative * mantissa * 2^exponent, mantissa != 0.
ExactDecimal exact_decimal(bool negative, std::uint64_t mantissa, int exponent);
// Of a finite nonzero double pattern.
ExactDecimal exact_decimal_of_double(std::uint64_t bits);

// The first 18 digits of the exact value with the 18th rounding the 17th half up, trailing
// zeros removed.
ExactDecimal seventeen_digits(const ExactDecimal& exact);

// The text list-directed output prints for a single-precision pattern (as widened with the
// invalid-operation exception masked: a signalling NaN prints as a quiet one).
std::string reference_list_single(std::uint32_t bits);
// The same for a double-precision pattern.
std::string reference_list_double(std::uint64_t bits);

} // namespace lnc::test
