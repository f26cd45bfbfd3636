// Real output of the statement's current item: reads the part at the item's data address and
// edits it like any other value.
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"

#include <cstring>

namespace lnc {

int format_real(const RealEditDescriptor& descriptor, char* out) {
    return format_real_part(descriptor, current_item.data, out);
}

int format_real_part(const RealEditDescriptor& descriptor, const std::uint8_t* part, char* out) {
    const int type = current_item.type;
    if (type == TYPE_REAL4 || type == TYPE_COMPLEX8) {
        std::uint32_t bits;
        std::memcpy(&bits, part, sizeof bits);
        return format_real_value(descriptor, type, bits, out);
    }
    if (type == TYPE_REAL8 || type == TYPE_COMPLEX16) {
        std::uint64_t bits;
        std::memcpy(&bits, part, sizeof bits);
        return format_real_value(descriptor, type, bits, out);
    }
    return 0; // not a real item: nothing to edit
}

} // namespace lnc
