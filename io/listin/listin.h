// List-directed input: values cut at separators, repeat factors, null values, record ends.
#pragma once
#include <cstdint>

#include "io/statement/statement.h"
#include "io/units/units.h"

namespace lnc {

inline constexpr int PARENTHESISED = 1;
inline constexpr int PLAIN = 2;
inline constexpr int QUOTED = 3;

// The state of the READ under way (part of its statement record).
extern ListReadState& list_read;

int execute_read(const std::uint8_t* list);
int resume_read(const std::uint8_t* list);
void list_directed_read(bool first);
void read_list_value();
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
