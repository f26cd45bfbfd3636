// Pieces of the statement engine shared by its own files only.
#pragma once
#include <cstdint>
#include <cstring>

#include "errors/errors.h"
#include "io/statement/statement.h"

namespace lnc {

struct NestingSlot;

inline constexpr int STATEMENT_LIST_SIZE = 20000;
// The longest item (a double complex by value) with the terminator that may follow it.
inline constexpr int MAX_ITEM_BYTES = 18;
inline constexpr std::uint32_t NO_ADDRESS = 0xFFFFFFFFu;
inline constexpr std::uint8_t CHARACTER_ITEM = TYPE_CHARACTER << 2; // 0x28: by reference
inline constexpr std::uint8_t LENGTH_AND_COUNT = 0x66; // character: 32-bit length, then count

// Appending to the list is a few stores each time, made in place.
inline void append_bytes(const void* bytes, int count) {
    std::memcpy(engine.buffer + engine.length, bytes, static_cast<std::size_t>(count));
    engine.length += count;
}
inline void append_byte(std::uint8_t byte) {
    engine.buffer[engine.length++] = byte;
}
// The begin and item calls lay down their bytes through a place of their own in the list and
// store the list's length once: to the compiler a byte stored through the list could be any word
// of the engine, so that appending byte by byte reads the length back after every byte. Operands
// go low byte first; each put returns the place after it.
inline std::uint8_t* put_int16(std::uint8_t* at, std::int16_t value) {
    auto bits = static_cast<std::uint16_t>(value);
    at[0] = static_cast<std::uint8_t>(bits & 0xFF);
    at[1] = static_cast<std::uint8_t>(bits >> 8);
    return at + 2;
}
inline std::uint8_t* put_operand(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return at + 4;
}
inline void append_int32(std::uint32_t value) {
    put_operand(engine.buffer + engine.length, value);
    engine.length += 4;
}
inline void append_address(const void* address) {
    append_int32(address_operand(address));
}
bool ensure_list_room();
const char* copy_character_value(const char* text, int length);
void free_character_copies();
int nesting_refusal(NestingSlot** slot);
void save_enclosing_statement(NestingSlot* slot);
void restore_enclosing_statement();

// Leaves a statement; an enclosing one gets its list and words back.
inline void pop_statement() {
    int before = engine.depth;
    if (engine.depth > 0)
        engine.depth--;
    if (before >= 2)
        restore_enclosing_statement();
}

// Enters a new statement. At depth 0 nothing encloses it; deeper, the enclosing statement's words
// go to the slot that nesting_refusal allocated with the copy of its list, kept at the current
// depth.
[[gnu::always_inline]] inline void push_statement(NestingSlot* slot) {
    if (engine.depth > 0) {
        save_enclosing_statement(slot);
    } else {
        // Nothing encloses this statement: leftovers of an abandoned one can go.
        if (engine.copies_head != nullptr)
            free_character_copies();
        engine.address_count = 0;
    }
    engine.copies_head = nullptr;
    engine.copies_tail = nullptr;
    engine.deferred_error = 0;
    engine.read_status = 0;
    engine.line_left_open = false;
    engine.depth++;
}

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

// The steps the begin calls share, inline so that each begin call keeps its request in
// registers and drops the steps its arguments rule out: the unit and advance checks (0 when
// they pass, else the refusal's status), the internal file's checks, and the start of the list.

// A begin call refused: the statement's item calls do nothing, its end call returns the status.
int refuse(int index, int flags);

[[gnu::always_inline]] inline int check_control_list(int unit, int default_marker,
                                                     const char* advance, int advance_length,
                                                     int flags, BeginRequest* request) {
    engine.refused = false;
    request->default_unit = unit == default_marker;
    if (!request->default_unit && (unit < -32767 || unit > 32767))
        return refuse(MSG_UNIT_OUT_OF_RANGE, flags);
    if (advance != nullptr) {
        int keyword = advance_keyword(advance, advance_length);
        if (keyword < 0)
            return refuse(MSG_BAD_ADVANCE, flags);
        request->non_advancing = keyword == 0;
    }
    return 0;
}

// An internal file is at least one record of at least one character; its bytes must be
// countable in an int.
[[gnu::always_inline]] inline int check_internal_file(const char* variable, int element_length,
                                                      int element_count, int flags,
                                                      BeginRequest* request) {
    engine.refused = false;
    std::int64_t bytes = std::int64_t{element_length} * element_count;
    if (variable == nullptr || element_length <= 0 || element_count <= 0 || bytes > INT32_MAX)
        return refuse(MSG_CHARACTER_LENGTH, flags);
    request->variable = variable;
    request->element_length = element_length;
    request->element_count = element_count;
    return 0;
}

// Enters the statement once the arguments are known to be good; 0, or the refusal's status. A
// format is compiled once for its text; a text that does not compile fails the statement when it
// runs, as a statement of its kind.
[[gnu::always_inline]] inline int enter_statement(const BeginRequest& request, int flags) {
    NestingSlot* slot = nullptr;
    if (engine.depth != 0) {
        int refusal = nesting_refusal(&slot);
        if (refusal != 0)
            return refuse(refusal, flags);
    }
    const CompiledFormat* compiled = nullptr;
    FormatError format_error{0, 0, 0};
    if (request.format != nullptr) {
        compiled = format_named_again(request.format, request.format_length);
        if (compiled == nullptr)
            compiled = request.compile_format(request.format, request.format_length, &format_error);
    }
    push_statement(slot);
    engine.capacity = STATEMENT_LIST_SIZE;
    engine.length = 1;
    engine.compiled_format = compiled;
    engine.format_error = compiled == nullptr ? format_error.message_index : 0;
    engine.format_error_character = static_cast<unsigned char>(format_error.character);
    engine.unformatted = request.unformatted;
    engine.control_open = true;
    engine.record_error = 0;
    return 0;
}

// The unit after the header, laid down at at: an internal file's variable by reference with its
// length and count, the extension byte and what it names, or the unit number. The header's bits
// for them.
[[gnu::always_inline]] inline std::uint8_t lay_down_unit(const BeginRequest& request,
                                                         std::uint8_t*& at) {
    if (request.variable != nullptr) {
        std::uint32_t variable = address_operand(request.variable);
        *at++ = CHARACTER_ITEM;
        at = put_operand(at, variable);
        *at++ = LENGTH_AND_COUNT;
        at = put_operand(at, static_cast<std::uint32_t>(request.element_length));
        at = put_operand(at, static_cast<std::uint32_t>(request.element_count));
        return HDR_INTERNAL;
    }
    auto unit = static_cast<std::int16_t>(request.unit);
    if (!request.non_advancing && !request.default_unit && !request.unformatted) {
        at = put_int16(at, unit);
        return OPERAND_INT16;
    }
    std::uint8_t extension = request.extension_extra;
    if (request.unformatted)
        extension |= EXT_UNFORMATTED;
    if (request.non_advancing)
        extension |= EXT_NON_ADVANCING;
    if (request.default_unit)
        extension |= EXT_DEFAULT_UNIT;
    if (request.size_variable != nullptr)
        extension |= EXT_SIZE_VARIABLE;
    *at++ = extension;
    if (request.size_variable != nullptr) {
        at = put_operand(at, address_operand(request.size_variable));
        *request.size_variable = 0;
    }
    if (!request.default_unit)
        at = put_int16(at, unit);
    return HDR_EXTENSION;
}

// Steps common to both begin calls once the arguments are known to be good: enter the
// statement and lay down the header, the extension, the unit and the format item.
[[gnu::always_inline]] inline int start_list(const BeginRequest& request, int flags) {
    int refused = enter_statement(request, flags);
    if (refused != 0)
        return refused;
    const CompiledFormat* compiled = engine.compiled_format;
    std::uint8_t* list = engine.buffer;
    std::uint8_t* at = list + 1;
    std::uint8_t header = lay_down_unit(request, at);
    if (request.format != nullptr) {
        header |= HDR_FORMAT;
        std::uint32_t format = address_operand(compiled);
        *at++ = CHARACTER_ITEM;
        at = put_operand(at, format);
    }
    list[0] = header | request.branch_bits;
    engine.length = static_cast<int>(at - list);
    return 0;
}

// A WRITE's flags: bit 0 the error branch.
[[gnu::always_inline]] inline int start_write_list(BeginRequest& request, int flags) {
    request.branch_bits = (flags & 1) != 0 ? HDR_ERROR_BRANCH : 0;
    return start_list(request, flags);
}

// A READ's flags: bit 2 the error branch, bit 0 the end-of-file branch. Its first item call runs
// the statement; the address table entries of its later items begin here.
[[gnu::always_inline]] inline int start_read_list(BeginRequest& request, int flags) {
    request.branch_bits = static_cast<std::uint8_t>(((flags & 4) != 0 ? HDR_ERROR_BRANCH : 0) |
                                                    ((flags & 1) != 0 ? HDR_END_BRANCH : 0));
    int status = start_list(request, flags);
    if (status == 0) {
        engine.read_first_item = 1;
        engine.address_mark = engine.address_count;
    }
    return status;
}

// A WRITE or READ on an external unit, with or without the format that request names.
[[gnu::always_inline]] inline int begin_external_write(BeginRequest& request, int unit,
                                                       const char* advance, int advance_length,
                                                       int flags) {
    int refused =
        check_control_list(unit, DEFAULT_UNIT_WRITE, advance, advance_length, flags, &request);
    if (refused != 0)
        return refused;
    request.unit = unit;
    return start_write_list(request, flags);
}

[[gnu::always_inline]] inline int begin_external_read(BeginRequest& request, int unit,
                                                      const char* advance, int advance_length,
                                                      std::int32_t* size_variable, int flags) {
    int refused =
        check_control_list(unit, DEFAULT_UNIT_READ, advance, advance_length, flags, &request);
    if (refused != 0)
        return refused;
    // A size variable counts the characters of a non-advancing transfer only.
    if (size_variable != nullptr && !request.non_advancing)
        return refuse(MSG_SIZE_WITH_ADVANCE, flags);
    request.unit = unit;
    request.size_variable = size_variable;
    request.extension_extra = (flags & 2) != 0 ? EXT_EOR_BRANCH : 0;
    return start_read_list(request, flags);
}

// The drivers of a statement mode other than list-directed, put into the interpreter's tables by
// the begin calls of that mode.
void use_drivers(int mode, WriteDriver write, ReadDriver read);

} // namespace lnc
