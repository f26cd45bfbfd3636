// Pieces of the statement engine shared by its own files only.
#pragma once
#include <cstdint>
#include <cstring>

#include "io/statement/statement.h"

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

// What a begin call asks for, once its arguments have been checked.
struct BeginRequest {
    bool default_unit;
    int unit;
    bool non_advancing;
    std::uint8_t extension_extra; // end-of-record branch of a READ
    std::int32_t* size_variable;
    const char* format;
    int format_length;
    // Set by the begin calls that take a format: the list-directed ones do without the compiler.
    const CompiledFormat* (*compile_format)(const char* text, int length, FormatError* error);
    std::uint8_t branch_bits;
    // An internal file: the variable, the length of one element (one record) and the count.
    const char* variable;
    int element_length;
    int element_count;
    bool unformatted;
};

// The steps the begin calls share: the unit and advance checks (0 when they pass, else the
// refusal's status), the internal file's checks, and the start of the list.
int check_control_list(int unit, int default_marker, const char* advance, int advance_length,
                       int flags, BeginRequest* request);
int check_internal_file(const char* variable, int element_length, int element_count, int flags,
                        BeginRequest* request);
int start_write_list(BeginRequest& request, int flags);
int start_read_list(BeginRequest& request, int flags);
// A WRITE or READ on an external unit, with or without the format that request names.
int begin_external_write(BeginRequest& request, int unit, const char* advance, int advance_length,
                         int flags);
int begin_external_read(BeginRequest& request, int unit, const char* advance, int advance_length,
                        std::int32_t* size_variable, int flags);

// The drivers of a statement mode other than list-directed, put into the interpreter's tables by
// the begin calls of that mode.
void use_drivers(int mode, WriteDriver write, ReadDriver read);

} // namespace lnc
