// The formatted WRITE driver: the items walked through their format, each element edited by its
// data edit and placed by column through the record layer; literals, tabs and record ends as
// the format's control edits say.
#include <algorithm>
#include <cstring>

#include "errors/errors.h"
#include "io/format/drivers.h"
#include "io/format/format.h"
#include "io/statement/statement.h"
#include "io/units/units.h"

namespace lnc {

// The data edit as the item's type uses it: G of a type that is not real is Iw, Lw or Aw.
DataEdit edit_for_item(DataEdit edit, EditClass item) {
    if (int message = misfit_message(edit, item); message != 0)
        raise_runtime_error(message, error_state.statement_kind);
    if (edit.descriptor != DESC_G || item == EditClass::REAL)
        return edit;
    static constexpr std::uint8_t PLAIN_OF[] = {0, DESC_I, DESC_L, DESC_A, DESC_G};
    return DataEdit{PLAIN_OF[static_cast<int>(item)], edit.width, NO_VALUE, NO_VALUE};
}

std::int64_t integer_item_value(const std::uint8_t* data, int type) {
    switch (type) {
    case TYPE_INTEGER2: {
        std::int16_t v;
        std::memcpy(&v, data, sizeof v);
        return v;
    }
    case TYPE_INTEGER4: {
        std::int32_t v;
        std::memcpy(&v, data, sizeof v);
        return v;
    }
    default:
        return static_cast<std::int8_t>(data[0]);
    }
}

namespace {

// ---- Output ----

void place_literal(const char* text, int length) {
    put_field(length, reinterpret_cast<const std::uint8_t*>(text));
}

void position_output(std::uint8_t descriptor, int n) {
    switch (descriptor) {
    case DESC_T:
        move_output_column(n - 1);
        break;
    case DESC_TL:
        move_output_column(output_column() - n);
        break;
    default: // X, TR
        move_output_column(output_column() + n);
        break;
    }
}

void next_output_record() {
    close_output_columns();
    end_output_record();
}

constexpr FormatActions WRITE_ACTIONS = {place_literal, position_output, next_output_record};

void place_stars(int width) {
    static constexpr std::uint8_t STARS[32] = {
        '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*',
        '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*', '*'};
    for (int left = width; left > 0; left -= 32)
        put_field(std::min(left, 32), STARS);
}

void place_output_field(const OutputField& field, const char* text) {
    if (field.stars) {
        place_stars(field.width);
        return;
    }
    output_record.pending_blanks += field.blanks;
    put_field(field.length, reinterpret_cast<const std::uint8_t*>(text));
}

DataEdit next_output_edit(EditClass item) {
    FormattedState& f = engine.formatted;
    return edit_for_item(next_data_edit(f.cursor, WRITE_ACTIONS, f.edit), item);
}

// One element of the item under transfer: one field, or two for a complex element.
void write_formatted_element(const std::uint8_t* data) {
    char text[FIELD_TEXT_SIZE];
    const EditState& state = engine.formatted.edit;
    int type = current_item.type;
    EditClass item = edit_class_of(type);
    if (item == EditClass::REAL) {
        int parts = type == TYPE_COMPLEX8 || type == TYPE_COMPLEX16 ? 2 : 1;
        int size = TYPE_SIZES[part_type(type)].value;
        for (int part = 0; part < parts; ++part) {
            DataEdit edit = next_output_edit(item);
            std::uint64_t bits = 0;
            std::memcpy(&bits, data + part * size, static_cast<std::size_t>(size));
            place_output_field(
                edit_real_output(edit, part_type(type), bits, state.scale, state.sign_mode, text),
                text);
        }
        return;
    }
    DataEdit edit = next_output_edit(item);
    OutputField field{};
    if (item == EditClass::INTEGER)
        field = edit_integer_output(edit, integer_item_value(data, type), state.sign_mode, text);
    else if (item == EditClass::LOGICAL)
        field = edit_logical_output(edit, data[0] != 0, text);
    else
        field = edit_character_output(edit, data, current_item.element_size, text);
    place_output_field(field, text);
}

} // namespace

void start_formatted_transfer() {
    FormattedState& f = engine.formatted;
    start_format(f.cursor, static_cast<const CompiledFormat*>(engine.statement_format));
    f.edit = EditState{0, SIGN_DEFAULT, (current_unit->format_flags & FMT_BLANK_ZERO) != 0};
    f.record_loaded = false;
    f.column = 0;
}

bool transfer_elements(void (*transfer)(std::uint8_t* element)) {
    for (;;) {
        std::uint8_t byte = *engine.cursor;
        if (byte == LIST_SUSPEND)
            return false;
        if (byte == LIST_END)
            return true;
        fetch_item();
        std::uint8_t* data = current_item.data;
        int stride = element_stride(current_item);
        for (int i = 0; i < current_item.count; ++i, data += stride)
            transfer(data);
    }
}

void formatted_write(int first) {
    // 1. A formatted record has no blank of its own: its first column is what the format puts
    // there (on the console, the carriage control).
    if (first != 0) {
        start_formatted_transfer();
        output_record.pending_blanks = 0;
    }
    // 2. The items, element by element.
    if (!transfer_elements([](std::uint8_t* element) { write_formatted_element(element); }))
        return;
    // 3. The literals after the last item, and the record end.
    FormattedState& f = engine.formatted;
    finish_format(f.cursor, WRITE_ACTIONS, f.edit);
    next_output_record();
}

} // namespace lnc
