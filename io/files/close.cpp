// The CLOSE statement: KEEP or DELETE, scratch files deleted, nothing done for a unit that is
// not connected, and a unit disconnected even when its last output could not be written.
#include "errors/errors.h"
#include "io/files/files.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

constexpr int DISPOSITION_FROM_SCRATCH = 0;
constexpr int DISPOSITION_DELETE = 1;
constexpr int DISPOSITION_KEEP = 2;

// The statement has begun to close its unit (what fails from here leaves the unit half closed).
bool closing = false;

void perform_close() {
    FileStatement& s = file_statement;
    closing = false;
    UnitBlock* block = select_unit(s.unit);
    if (s.deferred_error != 0)
        raise_runtime_error(s.deferred_error, KIND_CLOSE);
    if (block == nullptr)
        return;
    // Refused before anything is written or closed: the unit stays as it was.
    if (s.status == CLOSE_KEEP && (block->flags & SCRATCH) != 0)
        raise_runtime_error(MSG_KEEP_SCRATCH, KIND_CLOSE);
    int disposition = s.status == CLOSE_KEEP     ? DISPOSITION_KEEP
                      : s.status == CLOSE_DELETE ? DISPOSITION_DELETE
                                                 : DISPOSITION_FROM_SCRATCH;
    closing = true;
    close_unit(s.unit, disposition);
}

// After a failed CLOSE that reports its status, the unit is let go all the same: its output is
// lost either way, and a unit left half closed would fail every later statement. A scratch file
// still goes.
void disconnect_after_failure(std::int32_t unit) {
    int entry = numbered_entry(unit);
    if (entry == 0)
        return;
    UnitBlock* block = unit_table[entry].block;
    if (block->handle >= 3)
        close_handle(block->handle);
    if ((block->flags & SCRATCH) != 0 && block->name != nullptr)
        remove_file(block->name);
    unit_table[entry] = UnitEntry{FREE_UNIT, nullptr};
    release_unit(block, 0);
}

} // namespace

int begin_close(int unit, int flags) {
    return begin_file_statement(KIND_CLOSE, unit, flags);
}

int close_status(const char* text, int length) {
    if (!accepts_specifier(KIND_CLOSE))
        return 0;
    int code = keyword_code(WORDS_CLOSE, text, length);
    if (code < 0)
        defer_error(MSG_CLOSE_STATUS);
    else
        file_statement.status = code;
    return 0;
}

int end_close() {
    std::int32_t unit = file_statement.unit;
    closing = false;
    int status = run_file_statement(perform_close);
    if (status != 0 && closing)
        disconnect_after_failure(unit);
    closing = false;
    return status;
}

} // namespace lnc
