// The earlier conversion's side of the comparison. Built against the earlier tree's headers with
// its namespace renamed, so that its routines and this tree's live in one program.
#include <cstring>

#include "earlier_conversion.h"
#include "io/numconv/numconv.h"

namespace lnc_tools {

Reading earlier_reading(const char* text, int length) {
    lnc::RealConversion c = lnc::convert_real_text(text, length, 0, 0);
    lnc::RealItemResult r = lnc::real_item_result(c, 11);
    Reading reading{static_cast<std::uint32_t>(c.flags), c.used, 0, r.message_index,
                    static_cast<std::uint32_t>(r.bits)};
    std::memcpy(&reading.double_bits, &c.value, sizeof reading.double_bits);
    return reading;
}

} // namespace lnc_tools
