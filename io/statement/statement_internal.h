// Pieces of the statement engine shared by its own files only.
#pragma once
#include <cstdint>

namespace lnc {

struct NestingSlot;

inline constexpr int STATEMENT_LIST_SIZE = 20000;
// The longest item (a double complex by value) with the terminator that may follow it.
inline constexpr int MAX_ITEM_BYTES = 18;
inline constexpr std::uint32_t NO_ADDRESS = 0xFFFFFFFFu;

void append_byte(std::uint8_t byte);
void append_int16(std::int16_t value);
void append_int32(std::uint32_t value);
void append_bytes(const void* bytes, int count);
void append_address(const void* address);
bool ensure_list_room();
const char* copy_character_value(const char* text, int length);
void free_character_copies();
int nesting_refusal(NestingSlot** slot);
void push_statement(NestingSlot* slot);
void pop_statement();

// Keyword check of an advance specifier: 1 "YES", 0 "NO", -1 neither.
int advance_keyword(const char* text, int length);

} // namespace lnc
