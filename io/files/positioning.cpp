// REWIND, BACKSPACE and ENDFILE on sequential files: formatted records found by their LF, and
// unformatted records by the 4-byte lengths before and after each. An unformatted sequential
// unit is kept between records by its transfers: pos 0, last -1, transferred the file offset.
// FLUSH hands a unit's held records to its file.
#include "errors/errors.h"
#include "io/files/files.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

constexpr int MARKER_SIZE = 4;

std::int32_t marker_value(const std::uint8_t* bytes) {
    std::uint32_t value = bytes[0] | (static_cast<std::uint32_t>(bytes[1]) << 8) |
                          (static_cast<std::uint32_t>(bytes[2]) << 16) |
                          (static_cast<std::uint32_t>(bytes[3]) << 24);
    return static_cast<std::int32_t>(value);
}

// count bytes from offset of the unit's file, into its buffer.
void read_at(UnitBlock* block, std::int32_t offset, int count) {
    if (seek(block->handle, offset, 0) == -1 ||
        read_handle(block->handle, block->buffer, count) != count)
        raise_runtime_error(MSG_POSITIONING_FAILED, error_state.statement_kind);
}

// The unit goes to offset, between records, at no end of file.
void move_to(UnitBlock* block, std::int32_t offset) {
    if (seek(block->handle, offset, 0) == -1)
        raise_runtime_error(MSG_POSITIONING_FAILED, error_state.statement_kind);
    block->transferred = offset;
    block->pos = 0;
    block->last = -1;
    block->flags &= ~(AT_EOF | DIRTY | RECORD_STARTED | LINE_PENDING);
}

// The start of the formatted record that holds the byte before position: just after the LF
// before that byte, or the start of the file.
std::int32_t start_of_record_before(UnitBlock* block, std::int32_t position) {
    std::int32_t end = position - 1;
    while (end > 0) {
        int chunk = end < block->size ? end : block->size;
        std::int32_t start = end - chunk;
        read_at(block, start, chunk);
        for (int i = chunk - 1; i >= 0; --i) {
            if (block->buffer[i] == '\n')
                return start + i + 1;
        }
        end = start;
    }
    return 0;
}

// A record that cannot be walked over leaves the unit where it was.
[[noreturn]] void refuse_damaged_record(UnitBlock* block, std::int32_t position) {
    move_to(block, position);
    raise_runtime_error(MSG_RECORD_MARKER_DAMAGED, KIND_BACKSPACE);
}

// The start of the unformatted record that ends at position: its two lengths must agree.
std::int32_t start_of_unformatted_record(UnitBlock* block, std::int32_t position) {
    if (position < 2 * MARKER_SIZE)
        refuse_damaged_record(block, position);
    read_at(block, position - MARKER_SIZE, MARKER_SIZE);
    std::int32_t length = marker_value(block->buffer);
    std::int32_t start = position - 2 * MARKER_SIZE - length;
    if (length < 0 || start < 0)
        refuse_damaged_record(block, position);
    read_at(block, start, MARKER_SIZE);
    if (marker_value(block->buffer) != length)
        refuse_damaged_record(block, position);
    return start;
}

// The statement's unit, which must be a sequential file: a device or a direct-access unit
// gets the statement's own message.
struct Refusals {
    int device;
    int direct;
};

UnitBlock* sequential_unit(Refusals refusals) {
    FileStatement& s = file_statement;
    UnitBlock* block = select_unit(s.unit);
    if (block == nullptr)
        return nullptr;
    switch (block->organisation) {
    case ORGANISATION_FILE:
    case ORGANISATION_UNFORMATTED:
        return block;
    case ORGANISATION_CONSOLE:
        raise_runtime_error(refusals.device, s.kind);
    default:
        raise_runtime_error(refusals.direct, s.kind);
    }
}

void perform_rewind() {
    UnitBlock* block = sequential_unit({MSG_REWIND_DEVICE, MSG_REWIND_DIRECT});
    if (block == nullptr)
        return;
    settle_unit(block);
    move_to(block, 0);
}

// At the start of the file there is no record to go back to: nothing changes. After an end of
// file the unit goes back to just before it, at the end of the data.
void perform_backspace() {
    UnitBlock* block = sequential_unit({MSG_BACKSPACE_DEVICE, MSG_BACKSPACE_DIRECT});
    if (block == nullptr)
        return;
    bool after_end = (block->flags & AT_EOF) != 0;
    std::int32_t position = settle_unit(block);
    if (after_end || position == 0) {
        move_to(block, position);
        return;
    }
    std::int32_t start = block->organisation == ORGANISATION_UNFORMATTED
                             ? start_of_unformatted_record(block, position)
                             : start_of_record_before(block, position);
    move_to(block, start);
}

// The file ends where the unit is; the unit is then after its end, so a READ or WRITE meets the
// end of file until a BACKSPACE or REWIND.
void perform_endfile() {
    UnitBlock* block = sequential_unit({MSG_ENDFILE_DEVICE, MSG_ENDFILE_DIRECT});
    if (block == nullptr)
        return;
    if (block->open_action == ACTION_READ)
        raise_runtime_error(MSG_ENDFILE_READ_ONLY, KIND_ENDFILE);
    std::int32_t position = settle_unit(block);
    if (change_size(block->handle, position) == -1)
        check_write_failure();
    move_to(block, position);
    block->flags |= AT_EOF;
}

// A formatted sequential unit that is writing holds its records in its buffer until the buffer
// is full: they go to the file now, and the unit goes on writing after them. Every other unit
// holds nothing between statements (a console or direct-access record is written at its record
// end, an unformatted one at its WRITE; a console's owed line end stays owed). A unit that is
// not connected has nothing to flush.
void perform_flush() {
    UnitBlock* block = select_unit(file_statement.unit);
    if (block == nullptr || block->organisation != ORGANISATION_FILE)
        return;
    if ((block->flags & LINE_PENDING) != 0 && block->pos > 0)
        write_record(block->pos, block->buffer);
}

} // namespace

std::int32_t logical_position(const UnitBlock* block) {
    if (block->organisation == ORGANISATION_UNFORMATTED)
        return block->transferred;
    if ((block->flags & LINE_PENDING) != 0)
        return block->transferred + block->pos;
    return block->transferred - (block->last + 1) + block->pos;
}

// The position is taken before the flush: a flush leaves the buffer's indices to the next
// transfer, not to positioning.
std::int32_t settle_unit(UnitBlock* block) {
    std::int32_t position = logical_position(block);
    if (block->organisation == ORGANISATION_FILE && (block->flags & LINE_PENDING) != 0)
        flush_record();
    return position;
}

std::int32_t file_size(int handle) {
    std::int32_t here = seek(handle, 0, 1);
    std::int32_t end = here == -1 ? -1 : seek(handle, 0, 2);
    if (here != -1)
        seek(handle, here, 0);
    return end;
}

int begin_rewind(int unit, int flags) {
    return begin_file_statement(KIND_REWIND, unit, flags);
}
int end_rewind() {
    return run_file_statement(perform_rewind);
}
int begin_backspace(int unit, int flags) {
    return begin_file_statement(KIND_BACKSPACE, unit, flags);
}
int end_backspace() {
    return run_file_statement(perform_backspace);
}
int begin_endfile(int unit, int flags) {
    return begin_file_statement(KIND_ENDFILE, unit, flags);
}
int end_endfile() {
    return run_file_statement(perform_endfile);
}
// A failure to write is reported as the WRITE's: the records are those of the unit's WRITEs.
int begin_flush(int unit, int flags) {
    return begin_file_statement(KIND_WRITE, unit, flags);
}
int end_flush() {
    return run_file_statement(perform_flush);
}

} // namespace lnc
