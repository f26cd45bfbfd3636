// List-directed input: values cut at separators, repeat factors, null values, record ends.
#pragma once
#include <cstdint>

#include "io/statement/statement.h"
#include "io/units/units.h"

namespace lnc {

inline constexpr int TOKEN_SIZE = 260;
inline constexpr int PARENTHESISED = 1;
inline constexpr int PLAIN = 2;
inline constexpr int QUOTED = 3;

struct ListReadState {
    std::int32_t repeat_count;
    std::int32_t last_separator;
    bool line_consumed;
    char token[TOKEN_SIZE + 1]; // one byte past the token for the conversion's terminator
    std::int32_t token_length;
    int scan_state;
    std::int32_t comma_position;
    char quote_char;
};
extern ListReadState list_read;

int execute_read(const std::uint8_t* list);
int resume_read(const std::uint8_t* list);
void list_directed_read(bool first);
void read_list_value();
void end_input_record();
extern const RecordEnd INPUT_RECORD_ENDS[ORGANISATIONS_WITH_DRIVERS];
// Clears the per-statement counters of the input engine (used by the error report).
void reset_list_read_counters();

struct ParsedInteger {
    std::int32_t value;
    int status; // 0 ok, 1 overflow, 2 second '#', 3 bad base, 4 bad character
};
ParsedInteger parse_integer(const char* text);
std::int32_t token_to_integer(int length);
void store_integer(std::int32_t value);
void token_to_logical();

} // namespace lnc
