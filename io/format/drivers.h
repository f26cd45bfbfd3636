// Pieces shared by the formatted WRITE and READ drivers (io/format/drivers*.cpp).
#pragma once
#include <cstdint>

#include "errors/errors.h"
#include "io/format/format.h"
#include "lncalc/statements.h"

namespace lnc {

// What an item's type is edited as; the order indexes the table of misfit messages.
enum class EditClass { NONE, INTEGER, LOGICAL, CHARACTER, REAL };

// Which data edits an item's type takes: A for character, I for integers, F, E, D, EN and ES
// for reals and complex parts, L for logicals (as in the 1978 standard), and G for every type
// (as in later standards: Iw, Lw or Aw for the types that are not real). Inline, as both are
// asked once per element.
inline EditClass edit_class_of(int type) {
    switch (type) {
    case TYPE_INTEGER1:
    case TYPE_INTEGER2:
    case TYPE_INTEGER4:
        return EditClass::INTEGER;
    case TYPE_LOGICAL1:
    case TYPE_LOGICAL2:
    case TYPE_LOGICAL4:
        return EditClass::LOGICAL;
    case TYPE_CHARACTER:
        return EditClass::CHARACTER;
    case TYPE_REAL4:
    case TYPE_REAL8:
    case TYPE_COMPLEX8:
    case TYPE_COMPLEX16:
        return EditClass::REAL;
    default:
        return EditClass::NONE;
    }
}

inline bool fits_class(std::uint8_t descriptor, EditClass item) {
    if (descriptor == DESC_G)
        return true;
    switch (item) {
    case EditClass::INTEGER:
        return descriptor == DESC_I;
    case EditClass::LOGICAL:
        return descriptor == DESC_L;
    case EditClass::CHARACTER:
        return descriptor == DESC_A;
    case EditClass::REAL:
        return descriptor >= DESC_F && descriptor <= DESC_ES;
    default:
        return false;
    }
}

// 0 when the data edit can edit an item of the class, else the misfit message of the class.
inline int misfit_message(const DataEdit& edit, EditClass item) {
    static constexpr int MISFIT_MESSAGE[] = {MSG_ITEM_TYPE, MSG_EDIT_NOT_INTEGER,
                                             MSG_EDIT_NOT_LOGICAL, MSG_EDIT_NOT_CHARACTER,
                                             MSG_EDIT_NOT_REAL};
    return fits_class(edit.descriptor, item) ? 0 : MISFIT_MESSAGE[static_cast<int>(item)];
}
// The data edit as an item of the class uses it (G of a non-real item is Iw, Lw or Aw); a
// descriptor that cannot edit the item raises the misfit message of the item's class.
DataEdit edit_for_item(DataEdit edit, EditClass item);
std::int64_t integer_item_value(const std::uint8_t* data, int type);
// The type of one part of a real or complex item (TYPE_REAL4 or TYPE_REAL8).
inline int part_type(int type) {
    return type == TYPE_REAL8 || type == TYPE_COMPLEX16 ? TYPE_REAL8 : TYPE_REAL4;
}
// A formatted statement starts at the beginning of its format with the editing state of a new
// statement and no input record taken.
void start_formatted_transfer();
// Hands every element of the items the list holds so far to transfer; false when the list is
// suspended (a READ waiting for its next item call), true at its end.
bool transfer_elements(void (*transfer)(std::uint8_t* element));

} // namespace lnc
