// The item calls of the Fortran front for scalars: each begins the statement on the run-time if
// that is still owed and passes the item to the run-time's item call of its type. Items of types
// the run-time has no code for (8- and 16-byte integers, characters of other kinds, derived
// types) fail the statement with the run-time's numbered report.
#include <bit>
#include <climits>

#include "fortran/front.h"
#include "lncalc/statements.h"

namespace lnc::fortran {

namespace {

// A WRITE item never fails at its call: the WRITE is laid out at its end call.
bool output(Handle statement, int status) {
    return item_result(statement, status);
}

bool fits_int(std::size_t length) {
    return length <= static_cast<std::size_t>(INT_MAX);
}

} // namespace

extern "C" {

bool output_integer8(Handle statement, std::int8_t value) {
    return begin_on_runtime(statement) && output(statement, write_item_integer1(value));
}

bool output_integer16(Handle statement, std::int16_t value) {
    return begin_on_runtime(statement) && output(statement, write_item_integer2(value));
}

bool output_integer32(Handle statement, std::int32_t value) {
    return begin_on_runtime(statement) && output(statement, write_item_integer4(value));
}

bool output_integer64(Handle statement, std::int64_t) {
    return refuse_item(statement);
}

bool output_integer128(Handle statement, Int128) {
    return refuse_item(statement);
}

bool output_real32(Handle statement, float value) {
    return begin_on_runtime(statement) &&
           output(statement, write_item_real4(std::bit_cast<std::uint32_t>(value)));
}

bool output_real64(Handle statement, double value) {
    return begin_on_runtime(statement) &&
           output(statement, write_item_real8(std::bit_cast<std::uint64_t>(value)));
}

bool output_complex32(Handle statement, float real, float imaginary) {
    return begin_on_runtime(statement) &&
           output(statement, write_item_complex8(std::bit_cast<std::uint32_t>(real),
                                                 std::bit_cast<std::uint32_t>(imaginary)));
}

bool output_complex64(Handle statement, double real, double imaginary) {
    return begin_on_runtime(statement) &&
           output(statement, write_item_complex16(std::bit_cast<std::uint64_t>(real),
                                                  std::bit_cast<std::uint64_t>(imaginary)));
}

bool output_ascii(Handle statement, const char* text, std::size_t length) {
    if (!fits_int(length)) {
        return refuse_item(statement);
    }
    return begin_on_runtime(statement) &&
           output(statement, write_item_character(text, static_cast<int>(length)));
}

bool output_character(Handle statement, const char* text, std::size_t length, int kind) {
    return kind == 1 ? output_ascii(statement, text, length) : refuse_item(statement);
}

bool output_logical(Handle statement, bool value) {
    return begin_on_runtime(statement) && output(statement, write_item_logical4(value ? 1 : 0));
}

// flang passes an integer variable of any kind as 8 bytes; only its first kind bytes are its.
bool input_integer(Handle statement, std::int64_t& variable, int kind) {
    if (!begin_on_runtime(statement)) {
        return false;
    }
    void* address = &variable;
    switch (kind) {
    case 1:
        return item_result(statement, read_item_integer1(static_cast<std::int8_t*>(address)));
    case 2:
        return item_result(statement, read_item_integer2(static_cast<std::int16_t*>(address)));
    case 4:
        return item_result(statement, read_item_integer4(static_cast<std::int32_t*>(address)));
    default:
        return refuse_item(statement);
    }
}

bool input_real32(Handle statement, float& variable) {
    return begin_on_runtime(statement) && item_result(statement, read_item_real4(&variable));
}

bool input_real64(Handle statement, double& variable) {
    return begin_on_runtime(statement) && item_result(statement, read_item_real8(&variable));
}

bool input_complex32(Handle statement, float parts[2]) {
    return begin_on_runtime(statement) && item_result(statement, read_item_complex8(parts));
}

bool input_complex64(Handle statement, double parts[2]) {
    return begin_on_runtime(statement) && item_result(statement, read_item_complex16(parts));
}

bool input_ascii(Handle statement, char* variable, std::size_t length) {
    if (!fits_int(length)) {
        return refuse_item(statement);
    }
    return begin_on_runtime(statement) &&
           item_result(statement, read_item_character(variable, static_cast<int>(length)));
}

bool input_character(Handle statement, char* variable, std::size_t length, int kind) {
    return kind == 1 ? input_ascii(statement, variable, length) : refuse_item(statement);
}

// The value goes through a logical of one byte: a bool may hold nothing but 0 and 1.
bool input_logical(Handle statement, bool& variable) {
    if (!begin_on_runtime(statement)) {
        return false;
    }
    std::int8_t value = variable ? 1 : 0;
    bool result = item_result(statement, read_item_logical1(&value));
    variable = value != 0;
    return result;
}

bool output_derived_type(Handle statement, const DescriptorHeader&, const DefinedIoTable*) {
    return refuse_item(statement);
}

bool input_derived_type(Handle statement, const DescriptorHeader&, const DefinedIoTable*) {
    return refuse_item(statement);
}

} // extern "C"

} // namespace lnc::fortran
