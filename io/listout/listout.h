// List-directed output: fields by type, separators, right-justification, 79-column records.
#pragma once
#include <cstdint>

#include "io/statement/statement.h"
#include "io/units/units.h"

namespace lnc {

inline constexpr int LINE_WIDTH = 79;
inline constexpr int SCRATCH_SIZE = 520;

struct ListWriteState {
    int pending_blanks;
    int columns_left;
    int item_written;
    int column;
    int position_flag;
    int statement_start; // pos at which this statement's output began (non-advancing checks)
    char scratch[SCRATCH_SIZE];
};
extern ListWriteState list_write;

void list_directed_write(int first);
void write_list_item();
void put_field(int count, const std::uint8_t* bytes);
// The record end of the WRITE under way: the routine of its unit's organisation, which the
// interpreter took from this table.
void end_output_record();
extern const RecordEnd OUTPUT_RECORD_ENDS[ORGANISATIONS_WITH_DRIVERS];

} // namespace lnc
