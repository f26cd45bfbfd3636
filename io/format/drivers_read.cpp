// The formatted READ driver: each element takes the field of its data edit from the record at
// the current column (a short record reads as if padded with blanks), converted by the field
// editors; tabs move the column, "/" and reversion go to the next record, and the statement's
// end passes the rest of its last record.
#include <algorithm>
#include <cstring>

#include "errors/errors.h"
#include "io/format/drivers.h"
#include "io/format/format.h"
#include "io/statement/statement.h"
#include "io/units/units.h"

namespace lnc {

namespace {

// Numeric and logical fields are gathered whole; a wider one is refused.
constexpr int INPUT_FIELD_SIZE = 4096;

void next_input_record();

// A READ that takes its errors back goes on at the next record: the error path skips the failed
// record of a file, and a console record is passed here (the console keeps what is left of its
// line when a separate block holds its output, and the next READ would read the same record).
[[noreturn]] void raise(int index) {
    if (error_state.error_branch != 0 && engine.formatted.record_loaded &&
        current_unit->organisation == ORGANISATION_CONSOLE)
        next_input_record();
    raise_runtime_error(index, error_state.statement_kind);
}

void refuse_literal(const char*, int) {
    raise(MSG_EDIT_NOT_ON_INPUT);
}

void position_input(std::uint8_t descriptor, int n) {
    FormattedState& f = engine.formatted;
    switch (descriptor) {
    case DESC_T:
        f.column = std::max(n - 1, 0);
        break;
    case DESC_TL:
        f.column = std::max(f.column - n, 0);
        break;
    default: // X, TR
        f.column += n;
        break;
    }
}

// The record is passed from the column reached (up to its line end), and the next field takes
// the next record.
void next_input_record() {
    FormattedState& f = engine.formatted;
    if (f.record_loaded) {
        std::int64_t reached = std::int64_t{f.record_start} + f.column;
        current_unit->pos = static_cast<int>(std::min<std::int64_t>(reached, f.record_end));
    }
    engine.record_end();
    f.record_loaded = false;
    f.column = 0;
}

constexpr FormatActions READ_ACTIONS = {refuse_literal, position_input, next_input_record};

// The byte of the record at a column, a blank past its text.
std::uint8_t record_byte(std::int64_t column) {
    const FormattedState& f = engine.formatted;
    std::int64_t at = f.record_start + column;
    return at < f.record_end ? current_unit->buffer[at] : ' ';
}

// The next data edit, with the record it reads from in the buffer.
[[gnu::always_inline]] inline DataEdit next_input_edit(EditClass item) {
    FormattedState& f = engine.formatted;
    DataEdit edit = next_data_edit(f.cursor, READ_ACTIONS, f.edit);
    if (int message = misfit_message(edit, item); message != 0)
        raise(message);
    if (edit.descriptor == DESC_G)
        edit = edit_for_item(edit, item);
    if (!f.record_loaded) {
        load_input_record(&f.record_start, &f.record_end);
        f.record_loaded = true;
    }
    return edit;
}

// The field of width columns at the current column, and the column moves past it: the record's
// own bytes when the field lies in it whole, else a copy into field of the part that lies in it
// and blanks for the part past its end.
[[gnu::always_inline]] inline const char* take_field(const DataEdit& edit, char* field,
                                                     int* width) {
    FormattedState& f = engine.formatted;
    *width = std::max(edit.width, 0);
    if (*width > INPUT_FIELD_SIZE)
        raise(MSG_VALUE_TOO_LONG);
    std::int64_t at = std::int64_t{f.record_start} + f.column;
    std::int64_t inside = std::clamp<std::int64_t>(f.record_end - at, 0, *width);
    f.column += *width;
    const char* record = reinterpret_cast<const char*>(current_unit->buffer + at);
    if (inside == *width && inside > 0)
        return record;
    if (inside > 0)
        std::memcpy(field, record, static_cast<std::size_t>(inside));
    std::memset(field + inside, ' ', static_cast<std::size_t>(*width - inside));
    return field;
}

void store_integer_field(std::uint8_t* data, int type, std::int64_t value) {
    static constexpr std::int64_t LIMIT[] = {0, INT8_MAX, INT16_MAX, 0, INT32_MAX};
    std::int64_t limit = LIMIT[TYPE_SIZES[type].value];
    if (value > limit || value < -limit - 1)
        raise(MSG_INTEGER_OVERFLOW);
    std::int32_t narrow = static_cast<std::int32_t>(value);
    std::memcpy(data, &narrow, static_cast<std::size_t>(TYPE_SIZES[type].value));
}

// Aw: the rightmost characters of a field wider than the item, the field and blanks after it
// when it is narrower.
void read_character_field(const DataEdit& edit, std::uint8_t* data, int length) {
    FormattedState& f = engine.formatted;
    int width = edit.width == NO_VALUE ? length : std::max(edit.width, 0);
    int skipped = std::max(width - length, 0);
    int kept = std::min(width, length);
    for (int i = 0; i < kept; ++i)
        data[i] = record_byte(std::int64_t{f.column} + skipped + i);
    std::memset(data + kept, ' ', static_cast<std::size_t>(length - kept));
    f.column += width;
}

void read_real_parts(std::uint8_t* data, int type) {
    int parts = type == TYPE_COMPLEX8 || type == TYPE_COMPLEX16 ? 2 : 1;
    int size = TYPE_SIZES[part_type(type)].value;
    char field[INPUT_FIELD_SIZE];
    for (int part = 0; part < parts; ++part) {
        DataEdit edit = next_input_edit(EditClass::REAL);
        int width = 0;
        const char* text = take_field(edit, field, &width);
        std::uint64_t bits = 0;
        int message =
            edit_real_input(edit, text, width, engine.formatted.edit, part_type(type), &bits);
        if (message != 0)
            raise(message);
        // A single part is the low 32 bits of the result; stored at its fixed size.
        if (size == 4) {
            auto single = static_cast<std::uint32_t>(bits);
            std::memcpy(data + part * size, &single, sizeof single);
        } else {
            std::memcpy(data + part * size, &bits, sizeof bits);
        }
    }
}

void read_formatted_element(std::uint8_t* data) {
    int type = current_item.type;
    EditClass item = edit_class_of(type);
    if (item == EditClass::REAL) {
        read_real_parts(data, type);
        return;
    }
    DataEdit edit = next_input_edit(item);
    if (item == EditClass::CHARACTER) {
        read_character_field(edit, data, current_item.element_size);
        return;
    }
    char field[INPUT_FIELD_SIZE];
    int width = 0;
    const char* text = take_field(edit, field, &width);
    int message = 0;
    if (item == EditClass::INTEGER) {
        std::int64_t value = 0;
        message = edit_integer_input(text, width, engine.formatted.edit.blanks_are_zeros, &value);
        if (message == 0)
            store_integer_field(data, type, value);
    } else {
        bool value = false;
        message = edit_logical_input(text, width, &value);
        // A 4-byte logical holds exactly 0 or 1; the smaller ones their first byte.
        std::int32_t word = value ? 1 : 0;
        if (message == 0)
            std::memcpy(data, &word, type == TYPE_LOGICAL4 ? 4 : 1);
    }
    if (message != 0)
        raise(message);
}

} // namespace

void formatted_read(bool first) {
    // 1. The format from its start, and no record taken yet.
    if (first)
        start_formatted_transfer();
    // 2. The items appended so far, element by element (the end call's entry finds none).
    if (*engine.cursor != LIST_END && !transfer_elements(read_formatted_element))
        return;
    // 3. The control edits after the last item, then the rest of the record is passed.
    FormattedState& f = engine.formatted;
    finish_format(f.cursor, READ_ACTIONS, f.edit);
    next_input_record();
}

} // namespace lnc
