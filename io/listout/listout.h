// List-directed output: fields by type, separators, right-justification, 79-column records.
#pragma once
#include <cstdint>

#include "io/statement/statement.h"
#include "io/units/units.h"

namespace lnc {

inline constexpr int LINE_WIDTH = 79;

// The state of the WRITE under way (part of its statement record); its bytes go through the
// record layer (put_field, end_output_record of io/units).
extern ListWriteState& list_write;

void list_directed_write(int first);
void write_list_item();

} // namespace lnc
