// The unformatted READ driver: one record per statement, its lengths checked before any item
// takes a byte of it; items take their bytes in order, and the rest of the record is passed
// over at the end. A record that fits the unit's buffer is read in one piece.
#include <cstring>

#include "errors/errors.h"
#include "io/unformatted/unformatted.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

// Up to count bytes from the unit's file position; the count read.
int read_some(const UnitBlock* b, void* bytes, int count) {
    int n = count > 0 ? read_handle(b->handle, bytes, count) : 0;
    if (n < 0)
        raise_runtime_error(MSG_READ_FAILED, error_state.statement_kind);
    return n;
}

[[noreturn]] void raise_damaged() {
    raise_runtime_error(MSG_RECORD_MARKER_DAMAGED, error_state.statement_kind);
}

[[noreturn]] void raise_end_of_file(UnitBlock* b) {
    b->flags |= AT_EOF;
    error_state.at_end_of_file = 1;
    raise_runtime_error(MSG_END_OF_FILE, error_state.statement_kind);
}

// The trailing length of a record too long for the buffer, read ahead of its data.
std::int32_t trailing_marker(const UnitBlock* b, const UnformattedState& r) {
    std::uint8_t marker[MARKER_SIZE];
    seek_unit(b, r.data_start + r.length);
    if (read_some(b, marker, MARKER_SIZE) != MARKER_SIZE)
        raise_damaged();
    return marker_value(marker);
}

// The sequential record at the unit's position. Nothing there is the end of the file; a part of
// a length, a length that runs past the file, or two lengths that differ are damage. Either
// way the unit stays before the record.
void start_sequential_record(UnitBlock* b, UnformattedState& r) {
    std::int32_t offset = b->transferred;
    std::uint8_t marker[MARKER_SIZE];
    seek_unit(b, offset);
    int n = read_some(b, marker, MARKER_SIZE);
    if (n == 0)
        raise_end_of_file(b);
    std::int32_t length = marker_value(marker);
    if (n < MARKER_SIZE || length < 0 ||
        std::int64_t{offset} + length + 2 * MARKER_SIZE > INT32_MAX)
        raise_damaged();
    r = UnformattedState{offset + MARKER_SIZE, length, 0, length <= b->size - MARKER_SIZE};
    std::int32_t trailing;
    if (r.buffered) {
        if (read_some(b, b->buffer, length + MARKER_SIZE) != length + MARKER_SIZE)
            raise_damaged();
        trailing = marker_value(b->buffer + length);
    } else {
        trailing = trailing_marker(b, r);
    }
    if (trailing != length)
        raise_damaged();
}

// Record n of a direct-access file; one that lies wholly or partly beyond the file's end was
// never written.
void start_direct_record(UnitBlock* b, UnformattedState& r) {
    std::int32_t offset = direct_record_offset(b, engine.record_number);
    std::int32_t length = b->record_length;
    r = UnformattedState{offset, length, 0, length <= b->size};
    bool whole;
    if (r.buffered) {
        seek_unit(b, offset);
        whole = read_some(b, b->buffer, length) == length;
    } else {
        whole = seek(b->handle, 0, 2) - std::int64_t{length} >= offset;
    }
    if (!whole)
        raise_runtime_error(MSG_RECORD_NOT_WRITTEN, error_state.statement_kind);
}

// The unit goes past the record: after its trailing length, or on to the next record number.
void leave_record(UnitBlock* b, const UnformattedState& r) {
    if (b->organisation == ORGANISATION_DIRECT) {
        b->transferred = r.data_start + r.length;
        b->next_record = engine.record_number + 1;
    } else {
        b->transferred = r.data_start + r.length + MARKER_SIZE;
    }
    b->pos = 0;
    b->last = -1;
}

// An item that runs past the record's end takes nothing; the unit goes past the record first,
// so that a statement that takes the status goes on with the next record.
void take_item(UnitBlock* b, UnformattedState& r) {
    std::int64_t bytes = item_bytes(current_item);
    if (r.consumed + bytes > r.length) {
        leave_record(b, r);
        raise_runtime_error(MSG_ITEM_LONGER_THAN_RECORD, error_state.statement_kind);
    }
    auto count = static_cast<int>(bytes);
    if (r.buffered) {
        std::memcpy(current_item.data, b->buffer + r.consumed, static_cast<std::size_t>(count));
    } else {
        seek_unit(b, r.data_start + r.consumed);
        if (read_some(b, current_item.data, count) != count)
            raise_runtime_error(MSG_READ_FAILED, error_state.statement_kind);
    }
    r.consumed += count;
}

} // namespace

void unformatted_read(bool first) {
    UnitBlock* b = current_unit;
    UnformattedState& r = engine.unformatted_record;
    if (first) {
        if (b->organisation == ORGANISATION_DIRECT)
            start_direct_record(b, r);
        else
            start_sequential_record(b, r);
    }
    for (;;) {
        std::uint8_t byte = *engine.cursor;
        if (byte == LIST_SUSPEND)
            return;
        if (byte == LIST_END)
            break;
        fetch_item();
        take_item(b, r);
    }
    leave_record(b, r);
}

} // namespace lnc
