// Pieces of the statement engine shared by its own files only.
#pragma once
#include <cstdint>
#include <cstring>

#include "io/statement/statement.h"

namespace lnc {

struct NestingSlot;

inline constexpr int STATEMENT_LIST_SIZE = 20000;
// The longest item (a double complex by value) with the terminator that may follow it.
inline constexpr int MAX_ITEM_BYTES = 18;
inline constexpr std::uint32_t NO_ADDRESS = 0xFFFFFFFFu;

// Appending to the list is a few stores each time, made in place.
inline void append_bytes(const void* bytes, int count) {
    std::memcpy(engine.buffer + engine.length, bytes, static_cast<std::size_t>(count));
    engine.length += count;
}
inline void append_byte(std::uint8_t byte) {
    engine.buffer[engine.length++] = byte;
}
// Low byte first; the bytes are laid down at once rather than one store to the list at a time.
inline void append_int32(std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    append_bytes(bytes, 4);
}
inline void append_address(const void* address) {
    append_int32(address_operand(address));
}
void append_int16(std::int16_t value);
bool ensure_list_room();
const char* copy_character_value(const char* text, int length);
void free_character_copies();
int nesting_refusal(NestingSlot** slot);
void push_statement(NestingSlot* slot);
void pop_statement();

// Keyword check of an advance specifier: 1 "YES", 0 "NO", -1 neither.
int advance_keyword(const char* text, int length);

} // namespace lnc
