// Pieces shared by the formatted WRITE and READ drivers (io/format/drivers*.cpp).
#pragma once
#include <cstdint>

#include "io/format/format.h"
#include "lncalc/statements.h"

namespace lnc {

// What an item's type is edited as; the order indexes the table of misfit messages.
enum class EditClass { NONE, INTEGER, LOGICAL, CHARACTER, REAL };

EditClass edit_class_of(int type);
// 0 when the data edit can edit an item of the class, else the misfit message of the class.
int misfit_message(const DataEdit& edit, EditClass item);
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
