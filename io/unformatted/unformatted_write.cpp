// The unformatted WRITE driver: the record's length from its items, then the record in as few
// writes as its items allow, small items gathered in the unit's buffer and large ones written
// from where they stand. The record reaches the file before the statement ends.
#include <algorithm>
#include <cstring>

#include "errors/errors.h"
#include "io/unformatted/unformatted.h"
#include "runtime/handles/handles.h"

namespace lnc {

std::int64_t item_bytes(const CurrentItem& item) {
    return std::int64_t{item.count} * element_stride(item);
}

std::int32_t direct_record_offset(const UnitBlock* block, std::int32_t record_number) {
    std::int64_t offset = (std::int64_t{record_number} - 1) * block->record_length;
    if (record_number <= 0 || record_number == INT32_MAX ||
        offset + block->record_length > INT32_MAX)
        raise_runtime_error(MSG_BAD_RECORD_NUMBER, error_state.statement_kind, record_number);
    return static_cast<std::int32_t>(offset);
}

void seek_unit(const UnitBlock* block, std::int32_t offset) {
    if (seek(block->handle, offset, 0) != offset)
        raise_runtime_error(MSG_POSITIONING_FAILED, error_state.statement_kind);
}

namespace {

// Bytes held in the unit's buffer until it is full or the record ends.
struct RecordWriter {
    UnitBlock* block;
    int held;
};

// A failure the handle layer names gets its own message; any other is still a failure.
void write_out(const UnitBlock* block, const void* bytes, int count) {
    if (count > 0 && write_handle(block->handle, bytes, count) != count) {
        check_write_failure();
        raise_runtime_error(MSG_WRITE_REFUSED, error_state.statement_kind);
    }
}

void flush_held(RecordWriter& w) {
    write_out(w.block, w.block->buffer, w.held);
    w.held = 0;
}

void put_bytes(RecordWriter& w, const void* bytes, int count) {
    UnitBlock* b = w.block;
    if (count > b->size - w.held) {
        flush_held(w);
        if (count >= b->size) {
            write_out(b, bytes, count);
            return;
        }
    }
    std::memcpy(b->buffer + w.held, bytes, static_cast<std::size_t>(count));
    w.held += count;
}

void put_marker(RecordWriter& w, std::int32_t length) {
    auto value = static_cast<std::uint32_t>(length);
    const std::uint8_t bytes[MARKER_SIZE] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    put_bytes(w, bytes, MARKER_SIZE);
}

void put_zeros(RecordWriter& w, std::int32_t count) {
    static const std::uint8_t ZEROS[256] = {};
    while (count > 0) {
        int part = std::min<std::int32_t>(count, sizeof ZEROS);
        put_bytes(w, ZEROS, part);
        count -= part;
    }
}

// The record's length: the items are walked once to count their bytes, then again to write.
std::int64_t list_bytes() {
    const std::uint8_t* items = engine.cursor;
    std::int64_t total = 0;
    while (*engine.cursor != LIST_END) {
        fetch_item();
        total += item_bytes(current_item);
    }
    engine.cursor = items;
    return total;
}

// Where the record goes: record n of a direct-access file (which it must fit), or the unit's
// position in a sequential one, where it becomes the file's last record.
std::int32_t place_record(UnitBlock* b, std::int64_t length) {
    int kind = error_state.statement_kind;
    if (b->organisation == ORGANISATION_DIRECT) {
        std::int32_t offset = direct_record_offset(b, engine.record_number);
        if (length > b->record_length)
            raise_runtime_error(MSG_RECORD_LENGTH_OUTPUT, kind);
        return offset;
    }
    std::int32_t offset = b->transferred;
    if (offset + length + 2 * MARKER_SIZE > INT32_MAX)
        raise_runtime_error(MSG_UNFORMATTED_RECORD_TOO_LONG, kind);
    if (change_size(b->handle, offset) == -1) {
        check_write_failure();
        raise_runtime_error(MSG_WRITE_REFUSED, kind);
    }
    return offset;
}

} // namespace

void unformatted_write(int) {
    UnitBlock* b = current_unit;
    bool direct = b->organisation == ORGANISATION_DIRECT;
    // 1. The record's length and place. Character items go as they stand: a unit's delimiters
    // belong to list-directed output.
    b->format_flags &= ~(FMT_QUOTE_DELIM | FMT_APOSTROPHE_DELIM);
    std::int64_t total = list_bytes();
    std::int32_t offset = place_record(b, total);
    auto length = static_cast<std::int32_t>(total);
    seek_unit(b, offset);
    // 2. The record: its length, the items' bytes, its length again (or zeros up to RECL).
    RecordWriter w{b, 0};
    if (!direct)
        put_marker(w, length);
    while (*engine.cursor != LIST_END) {
        fetch_item();
        put_bytes(w, current_item.data, static_cast<int>(item_bytes(current_item)));
    }
    if (direct)
        put_zeros(w, b->record_length - length);
    else
        put_marker(w, length);
    flush_held(w);
    // 3. The unit is between records, after this one.
    b->transferred = offset + (direct ? b->record_length : length + 2 * MARKER_SIZE);
    b->pos = 0;
    b->last = -1;
    if (direct)
        b->next_record = engine.record_number + 1;
}

} // namespace lnc
