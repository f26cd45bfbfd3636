// List-directed output: fields by type, separators, right-justification, 79-column records.
#pragma once
#include <cstdint>

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
void end_output_record();

} // namespace lnc
