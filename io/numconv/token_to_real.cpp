// Storing a list-directed or formatted real value into the current item, with the run-time
// errors of a value that is not a number or does not fit the item.
#include <cstdint>
#include <cstring>

#include "errors/errors.h"
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "io/units/units.h"

namespace lnc {

namespace {

bool is_real_edit_code(int code) {
    return code == EDIT_D || code == EDIT_E || code == EDIT_F || code == EDIT_G ||
           code == EDIT_EN_ES;
}

} // namespace

void token_to_real(char* text, int length) {
    token_to_real_part(text, length, current_item.data);
}

void token_to_real_part(char* text, int length, std::uint8_t* part) {
    int kind = error_state.statement_kind;
    if (!is_real_edit_code(current_unit->edit_code)) {
        raise_runtime_error(MSG_EDIT_NOT_REAL, kind);
    }
    // The scan needs a terminator; the byte after the value belongs to the caller's buffer.
    char saved = text[length];
    text[length] = '\0';
    int scale = current_unit->scale_factor;
    RealConversion conversion = convert_real_text(
        text, length, scale == INT32_MIN ? INT32_MAX : -scale, current_unit->implied_decimals);
    text[length] = saved;
    RealItemResult result = real_item_result(conversion, current_item.type);
    if (result.message_index != 0) {
        raise_runtime_error(result.message_index, kind);
    }
    if (current_item.type == TYPE_REAL4 || current_item.type == TYPE_COMPLEX8) {
        std::uint32_t single = static_cast<std::uint32_t>(result.bits);
        std::memcpy(part, &single, sizeof single);
    } else {
        std::memcpy(part, &result.bits, sizeof result.bits);
    }
}

} // namespace lnc
