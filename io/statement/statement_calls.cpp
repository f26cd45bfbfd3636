// The calls that compiled code makes for one I/O statement: begin, one per item, end.
#include <algorithm>
#include <cstring>

#include "errors/errors.h"
#include "io/listin/listin.h"
#include "io/statement/statement.h"
#include "io/statement/statement_internal.h"
#include "runtime/heap/heap.h"

namespace lnc {

namespace {

constexpr std::uint8_t LENGTH_OPERAND = 0x60; // a 32-bit operand in the list
constexpr std::uint8_t ARRAY_ITEM = 0x80;     // an array byte follows the address
constexpr std::uint8_t COUNT_OPERAND = 0x06;  // array byte: a 32-bit count follows in the list
constexpr int NOT_AN_ARRAY = -1;

// Items of a refused statement are dropped; so are those of a statement that has already met a
// failure (it will not run) and those that the list has no room for.
bool may_append_output() {
    engine.control_open = false;
    return !engine.refused && engine.deferred_error == 0 && ensure_list_room();
}

int append_value_item(int type, std::uint64_t value) {
    if (!may_append_output())
        return 0;
    append_byte(static_cast<std::uint8_t>((type << 2) | BY_VALUE));
    for (int i = 0; i < TYPE_SIZES[type].value; ++i)
        append_byte(static_cast<std::uint8_t>(value >> (8 * i)));
    return 0;
}

// Ends a statement: its copies, its compiled format and its branch flags go, and an enclosing
// statement gets its own state back.
void finish_statement() {
    if (engine.copies_head != nullptr)
        free_character_copies();
    engine.compiled_format = nullptr; // kept with its text for the next statement that names it
    error_state.error_branch = 0;
    error_state.end_branch = 0;
    pop_statement();
}

} // namespace

int refuse(int index, int flags) {
    int status = raise_statement_error(index, flags);
    engine.refused = true;
    engine.refused_status = status;
    return status;
}

// The begin calls without a format, apart from those with one (formatted_calls.cpp): a program
// whose statements are all list-directed links neither the format compiler nor the formatted
// drivers.
int begin_write_list_directed(int unit, const char* advance, int advance_length, int flags) {
    BeginRequest request{};
    return begin_external_write(request, unit, advance, advance_length, flags);
}

int begin_read_list_directed(int unit, const char* advance, int advance_length,
                             std::int32_t* size_variable, int flags) {
    BeginRequest request{};
    return begin_external_read(request, unit, advance, advance_length, size_variable, flags);
}

// The record number follows the unit and the format item, as the interpreter reads it. Given
// twice, after an item, or for an internal file, it fails the statement when it runs.
int set_record_number(std::int32_t record) {
    if (engine.refused)
        return engine.refused_status;
    if (engine.depth == 0)
        return raise_statement_error(MSG_BAD_REC, 0);
    std::uint8_t header = engine.buffer[0];
    bool misplaced = !engine.control_open || (header & HDR_RECORD) != 0;
    if (misplaced || (header & HDR_INTERNAL) != 0) {
        if (engine.record_error == 0)
            engine.record_error = misplaced ? MSG_BAD_REC : MSG_RECORD_NOT_DIRECT;
        return 0;
    }
    append_byte(RECORD_OPERAND);
    append_int32(static_cast<std::uint32_t>(record));
    engine.buffer[0] = static_cast<std::uint8_t>(header | HDR_RECORD);
    return 0;
}

int write_item_integer1(std::int8_t value) {
    return append_value_item(TYPE_INTEGER1, static_cast<std::uint8_t>(value));
}
int write_item_integer2(std::int16_t value) {
    return append_value_item(TYPE_INTEGER2, static_cast<std::uint16_t>(value));
}
int write_item_integer4(std::int32_t value) {
    return append_value_item(TYPE_INTEGER4, static_cast<std::uint32_t>(value));
}
int write_item_logical4(std::int32_t value) {
    return append_value_item(TYPE_LOGICAL4, static_cast<std::uint32_t>(value));
}
// The smaller logicals travel as 4-byte logicals holding their low byte, sign-extended; an
// unformatted record keeps them at their own size, as they are stored.
int write_item_logical1(int value) {
    if (engine.unformatted)
        return append_value_item(TYPE_LOGICAL1, static_cast<std::uint8_t>(value));
    return write_item_logical4(static_cast<std::int8_t>(value & 0xFF));
}
int write_item_logical2(int value) {
    if (engine.unformatted)
        return append_value_item(TYPE_LOGICAL2, static_cast<std::uint16_t>(value));
    return write_item_logical4(static_cast<std::int8_t>(value & 0xFF));
}
int write_item_real4(std::uint32_t bits) {
    return append_value_item(TYPE_REAL4, bits);
}
int write_item_real8(std::uint64_t bits) {
    return append_value_item(TYPE_REAL8, bits);
}
int write_item_complex8(std::uint32_t real_bits, std::uint32_t imaginary_bits) {
    std::uint64_t both = real_bits | (static_cast<std::uint64_t>(imaginary_bits) << 32);
    return append_value_item(TYPE_COMPLEX8, both);
}
int write_item_complex16(std::uint64_t real_bits, std::uint64_t imaginary_bits) {
    if (!may_append_output())
        return 0;
    append_byte(static_cast<std::uint8_t>((TYPE_COMPLEX16 << 2) | BY_VALUE));
    for (int i = 0; i < 8; ++i)
        append_byte(static_cast<std::uint8_t>(real_bits >> (8 * i)));
    for (int i = 0; i < 8; ++i)
        append_byte(static_cast<std::uint8_t>(imaginary_bits >> (8 * i)));
    return 0;
}

// A negative length is an empty string; the raw call has the same guard, since a negative
// length could only overrun the copy.
int write_item_character(const char* text, int length) {
    if (length < 0)
        length = 0;
    if (!may_append_output())
        return 0;
    const char* copy = copy_character_value(text, length);
    if (copy == nullptr)
        return 0;
    append_byte(CHARACTER_ITEM);
    append_address(copy);
    append_byte(LENGTH_OPERAND);
    append_int32(static_cast<std::uint32_t>(length));
    return 0;
}
int write_item_character_raw(const char* text, int length) {
    return write_item_character(text, length);
}

namespace {

// The bytes an array item spans, or the message index that refuses it.
int array_refusal(int type, int element_length, int count, int* bytes) {
    bool known =
        type == TYPE_CHARACTER || (type >= 0 && type < TYPE_CODES && TYPE_SIZES[type].value != 0);
    if (!known)
        return MSG_ITEM_TYPE;
    std::int64_t element =
        type == TYPE_CHARACTER ? std::max(element_length, 0) : TYPE_SIZES[type].value;
    std::int64_t total = element * count;
    if (count < 0 || total > INT32_MAX)
        return MSG_ARRAY_COUNT;
    *bytes = static_cast<int>(total);
    return 0;
}

// The item with its array byte: a character item carries it in the low nibble of its length
// descriptor, any other by-reference item in a byte of its own after the address.
void append_array_item(int type, const void* elements, int element_length, int count) {
    if (type == TYPE_CHARACTER) {
        append_byte(CHARACTER_ITEM);
        append_address(elements);
        append_byte(LENGTH_AND_COUNT);
        append_int32(static_cast<std::uint32_t>(std::max(element_length, 0)));
    } else {
        append_byte(static_cast<std::uint8_t>((type << 2) | ARRAY_ITEM));
        append_address(elements);
        append_byte(COUNT_OPERAND);
    }
    append_int32(static_cast<std::uint32_t>(count));
}

} // namespace

namespace {

// The array's size in bytes, or -1 when the statement takes no more output or the array is
// refused (the statement then fails at its end call).
int array_item_bytes(int type, int element_length, int count) {
    if (!may_append_output())
        return -1;
    int bytes = 0;
    int refusal = array_refusal(type, element_length, count, &bytes);
    if (refusal != 0) {
        engine.deferred_error = refusal;
        return -1;
    }
    return bytes;
}

} // namespace

// The elements are copied like a character value, so the WRITE prints what they held now.
int write_item_array(int type, const void* elements, int element_length, int count) {
    int bytes = array_item_bytes(type, element_length, count);
    if (bytes < 0)
        return 0;
    const char* copy = copy_character_value(static_cast<const char*>(elements), bytes);
    if (copy == nullptr)
        return 0;
    append_array_item(type, copy, element_length, count);
    return 0;
}

// Only the address goes into the list: the end call writes what the elements hold then.
int write_item_array_by_reference(int type, const void* elements, int element_length, int count) {
    if (array_item_bytes(type, element_length, count) >= 0)
        append_array_item(type, elements, element_length, count);
    return 0;
}

int end_write() {
    if (engine.refused) {
        engine.refused = false;
        return engine.refused_status;
    }
    if (engine.length < engine.buffer_size)
        append_byte(LIST_END);
    engine.engine_idle = 0;
    int status = execute_write(engine.buffer, engine.compiled_format);
    engine.engine_idle = 1;
    finish_statement();
    return status;
}

namespace {

// An input item that cannot be run fails its READ: the statement does not run at all, and its
// later calls return this status. Before the first item has run, the header tells whether the
// statement handles the error itself.
int fail_input_item(int index) {
    if (engine.read_first_item == 1) {
        error_state.error_branch = (engine.buffer[0] & HDR_ERROR_BRANCH) != 0 ? 1 : 0;
        engine.read_first_item = 0;
    }
    engine.read_status = raise_statement_error(index, 0);
    return engine.read_status;
}

// Appends one input item (an array item when count is not NOT_AN_ARRAY) and runs the READ
// interpreter on it at once: the first item runs the whole list from its header, later ones a
// list of just that item.
int run_input_item(int type, void* variable, int length, int count = NOT_AN_ARRAY) {
    if (engine.refused)
        return engine.refused_status;
    engine.control_open = false;
    if (engine.read_first_item != 1) {
        engine.length = 0;
        engine.address_count = engine.address_mark;
    }
    if (count != NOT_AN_ARRAY) {
        append_array_item(type, variable, length, count);
        append_byte(LIST_SUSPEND);
    } else {
        std::uint32_t operand = address_operand(variable);
        std::uint8_t* list = engine.buffer;
        std::uint8_t* at = list + engine.length;
        *at++ = static_cast<std::uint8_t>(type << 2);
        at = put_operand(at, operand);
        if (type == TYPE_CHARACTER) {
            *at++ = LENGTH_OPERAND;
            at = put_operand(at, static_cast<std::uint32_t>(length < 0 ? 0 : length));
        }
        *at++ = LIST_SUSPEND;
        engine.length = static_cast<int>(at - list);
    }
    if (engine.deferred_error != 0) {
        // The address table could not hold the item: nothing safe is left to run.
        return fail_input_item(engine.deferred_error);
    }
    engine.engine_idle = 0;
    int status;
    if (engine.read_first_item == 1) {
        status = execute_read(engine.buffer);
        engine.read_first_item = 0;
    } else {
        status = resume_read(engine.buffer);
    }
    engine.engine_idle = 1;
    return status;
}

} // namespace

int read_item_integer1(std::int8_t* variable) {
    return run_input_item(TYPE_INTEGER1, variable, 0);
}
int read_item_integer2(std::int16_t* variable) {
    return run_input_item(TYPE_INTEGER2, variable, 0);
}
int read_item_integer4(std::int32_t* variable) {
    return run_input_item(TYPE_INTEGER4, variable, 0);
}
// A logical item holds true until a value says otherwise, so a null value reads as true.
int read_item_logical1(std::int8_t* variable) {
    if (!engine.refused)
        *variable = 1;
    return run_input_item(TYPE_LOGICAL1, variable, 0);
}
int read_item_logical2(std::int16_t* variable) {
    if (!engine.refused)
        *reinterpret_cast<std::uint8_t*>(variable) = 1;
    return run_input_item(TYPE_LOGICAL2, variable, 0);
}
int read_item_logical4(std::int32_t* variable) {
    if (!engine.refused)
        *variable = 1;
    return run_input_item(TYPE_LOGICAL4, variable, 0);
}
int read_item_character(char* variable, int length) {
    return run_input_item(TYPE_CHARACTER, variable, length);
}
int read_item_real4(float* variable) {
    return run_input_item(TYPE_REAL4, variable, 0);
}
int read_item_real8(double* variable) {
    return run_input_item(TYPE_REAL8, variable, 0);
}
int read_item_complex8(float* variable) {
    return run_input_item(TYPE_COMPLEX8, variable, 0);
}
int read_item_complex16(double* variable) {
    return run_input_item(TYPE_COMPLEX16, variable, 0);
}

// Logical elements hold true until a value says otherwise, as single logical items do.
int read_item_array(int type, void* elements, int element_length, int count) {
    if (engine.refused)
        return engine.refused_status;
    int bytes = 0;
    int refusal = array_refusal(type, element_length, count, &bytes);
    if (refusal != 0)
        return fail_input_item(refusal);
    if (type == TYPE_LOGICAL1 || type == TYPE_LOGICAL2 || type == TYPE_LOGICAL4) {
        auto* element = static_cast<std::uint8_t*>(elements);
        std::int32_t truth = 1;
        for (int i = 0; i < count; ++i, element += TYPE_SIZES[type].value)
            std::memcpy(element, &truth, type == TYPE_LOGICAL4 ? 4 : 1);
    }
    return run_input_item(type, elements, element_length, count);
}

int end_read() {
    if (engine.refused) {
        engine.refused = false;
        return engine.refused_status;
    }
    engine.engine_idle = 0;
    int status;
    if (engine.read_first_item == 1) {
        append_byte(LIST_END);
        status = execute_read(engine.buffer);
        engine.read_first_item = 0;
    } else {
        engine.buffer[0] = LIST_END;
        engine.length = 1;
        status = resume_read(engine.buffer);
    }
    engine.engine_idle = 1;
    finish_statement();
    return status;
}

} // namespace lnc
