// List-directed output: turns the items of a WRITE without a format into 79-column records.
#include "io/listout/listout.h"

#include <algorithm>
#include <cstring>

#include "errors/errors.h"
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "runtime/heap/heap.h"

namespace lnc {

ListWriteState& list_write = engine.list_write;

namespace {

constexpr int INTEGER_WIDTH = 11;

bool is_double(int type) {
    return type == TYPE_REAL8 || type == TYPE_COMPLEX16;
}

bool is_internal_unit() {
    return current_unit == unit_table[ENTRY_INTERNAL].block;
}

// Width of a record for items: the internal file's record, else the console line.
int line_width() {
    return is_internal_unit() ? std::max(current_unit->last, 1) : LINE_WIDTH;
}

bool has_delimiter_mode() {
    return (current_unit->format_flags & (FMT_QUOTE_DELIM | FMT_APOSTROPHE_DELIM)) != 0;
}

// One part of a real or complex value of the current item. A result the field cannot hold (the
// converter's too-long and too-wide answers) prints as a field of asterisks.
int convert_real_part(const std::uint8_t* part, char* out) {
    const RealEditDescriptor& descriptor = is_double(current_item.type) ? LIST_DOUBLE : LIST_SINGLE;
    int n = format_real_part(descriptor, part, out);
    if (n < 0 || n > descriptor.width) {
        std::memset(out, '*', descriptor.width);
        n = descriptor.width;
    }
    return n;
}

// "(" real "," imaginary ")".
int convert_complex(char* out) {
    const std::uint8_t* real = current_item.data;
    const std::uint8_t* imaginary = real + TYPE_SIZES[current_item.type].part;
    int n = 0;
    out[n++] = '(';
    n += convert_real_part(real, out + n);
    out[n++] = ',';
    n += convert_real_part(imaginary, out + n);
    out[n++] = ')';
    return n;
}

std::int32_t integer_value() {
    switch (current_item.type) {
    case TYPE_INTEGER2: {
        std::int16_t v;
        std::memcpy(&v, current_item.data, sizeof v);
        return v;
    }
    case TYPE_INTEGER4: {
        std::int32_t v;
        std::memcpy(&v, current_item.data, sizeof v);
        return v;
    }
    default:
        return static_cast<std::int8_t>(current_item.data[0]);
    }
}

// Text and field of a numeric or logical item in the scratch buffer; returns the text length
// and sets the field width.
int convert_item(int* width) {
    char* scratch = list_write.scratch;
    switch (current_item.type) {
    case TYPE_INTEGER1:
    case TYPE_INTEGER2:
    case TYPE_INTEGER4:
        *width = INTEGER_WIDTH;
        return format_integer(integer_value(), IntegerDescriptor{1, false}, scratch);
    case TYPE_LOGICAL1:
    case TYPE_LOGICAL2:
    case TYPE_LOGICAL4:
        *width = 1;
        scratch[0] = current_item.data[0] != 0 ? 'T' : 'F';
        return 1;
    case TYPE_REAL4:
    case TYPE_REAL8:
        *width = is_double(current_item.type) ? LIST_DOUBLE.width : LIST_SINGLE.width;
        return convert_real_part(current_item.data, scratch);
    case TYPE_COMPLEX8:
    case TYPE_COMPLEX16:
        *width = 2 * (is_double(current_item.type) ? LIST_DOUBLE.width : LIST_SINGLE.width) + 3;
        return convert_complex(scratch);
    default:
        *width = 0;
        return 0;
    }
}

// Places n bytes of text occupying m columns, ending records as the line fills.
void emit(const std::uint8_t* text, int n, int m, bool character) {
    ListWriteState& w = list_write;
    OutputRecord& r = output_record;
    while (m > 0) {
        if (w.columns_left > m) {
            put_field(n, text);
            w.columns_left -= m;
            return;
        }
        if (character) {
            int part = w.columns_left;
            put_field(part, text);
            text += part;
            m -= part;
            n = m;
            end_output_record();
            w.columns_left = line_width();
            r.pending_blanks = 1;
            continue;
        }
        if (m >= LINE_WIDTH) {
            raise_runtime_error(MSG_ITEM_WIDER_THAN_LINE, KIND_WRITE);
        }
        // The item moves to a new record; its leading blank (or one supplied here when the
        // text fills its field) is that record's carriage-control character.
        int saved = r.pending_blanks;
        r.pending_blanks = 0;
        end_output_record();
        w.columns_left = line_width();
        r.pending_blanks = std::max(saved, 1);
        put_field(n, text);
        w.columns_left -= m;
        return;
    }
}

} // namespace

void write_list_item() {
    ListWriteState& w = list_write;
    OutputRecord& r = output_record;
    if (current_item.type == TYPE_CHARACTER) {
        int n = current_item.element_size;
        r.pending_blanks = r.pending_blanks == 1 ? 1 : 0;
        emit(current_item.data, n, n, true);
        return;
    }
    int m = 0;
    int n = convert_item(&m);
    if (w.item_written == 1) {
        m += 1;
    } else {
        w.item_written = 1;
    }
    r.pending_blanks += m - n;
    emit(reinterpret_cast<const std::uint8_t*>(w.scratch), n, m, false);
}

void list_directed_write(int first) {
    ListWriteState& w = list_write;
    if (first != 0) {
        output_record.pending_blanks = 1;
        w.columns_left = line_width();
        w.item_written = 0;
    }
    for (;;) {
        std::uint8_t byte = *engine.cursor;
        if (byte == LIST_SUSPEND) {
            return;
        }
        if (byte == LIST_END) {
            break;
        }
        fetch_item();
        bool character = current_item.type == TYPE_CHARACTER;
        bool delimited = character && has_delimiter_mode();
        std::uint8_t* start = current_item.data;
        int stride = element_stride(current_item);
        for (int i = 0; i < current_item.count; ++i) {
            write_list_item();
            if (character && !delimited) {
                w.item_written = 0;
            }
            current_item.data += stride;
        }
        if (delimited) {
            release(start); // the delimited copy fetch_item made for this item
        }
    }
    end_output_record();
}

} // namespace lnc
