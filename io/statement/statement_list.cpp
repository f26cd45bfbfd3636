// The statement-list buffer: appending bytes and operands, its growth rule, the address table of
// 64-bit targets, the character copies of a WRITE and the nesting of statements being built.
#include <algorithm>
#include <cstring>
#include <new>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/statement/statement_internal.h"
#include "io/units/units.h"
#include "runtime/heap/heap.h"

namespace lnc {

StatementEngine engine;
CurrentItem current_item;

void init_statement_engine() {
    engine.length = 0;
    engine.capacity = STATEMENT_LIST_SIZE;
    engine.compiled_format = nullptr;
    engine.read_first_item = 0;
    engine.engine_idle = 1;
    engine.copies_head = nullptr;
    engine.copies_tail = nullptr;
    engine.depth = 0;
    engine.deferred_error = 0;
    engine.read_status = 0;
    engine.address_count = 0;
    engine.address_mark = 0;
}

void allocate_statement_list() {
    engine.buffer = static_cast<std::uint8_t*>(unit_alloc(STATEMENT_LIST_SIZE));
    engine.buffer_size = STATEMENT_LIST_SIZE;
    engine.capacity = STATEMENT_LIST_SIZE;
    engine.length = 0;
}

static void free_copy_list(CharacterCopy* node) {
    while (node != nullptr) {
        CharacterCopy* next = node->next;
        release(node->text);
        release(node);
        node = next;
    }
}

// Statements still being built when the run ends (an exit from inside one) lose their lists.
void release_statement_engine() {
    free_copy_list(engine.copies_head);
    for (NestingSlot* saved : engine.nesting) {
        if (saved == nullptr)
            continue;
        free_copy_list(saved->statement.copies_head);
        release(saved);
    }
    release(engine.buffer);
    release(engine.addresses);
    engine = StatementEngine{};
}

// Keeps at least LIST_GROW_MARGIN bytes free before an item is appended. The capacity grows by
// LIST_CAPACITY_STEP; the block under it at least doubles, so that a statement of a million
// items is built in time proportional to its length rather than copied once per step. The
// block never shrinks: after a nested statement restores a smaller capacity, growth reuses what
// is there. A failed growth is remembered and raised when the statement runs; until then an
// item that does not fit is dropped (the result says whether it fits).
bool ensure_list_room() {
    if (engine.capacity - engine.length >= LIST_GROW_MARGIN)
        return true;
    if (engine.capacity > INT32_MAX - LIST_CAPACITY_STEP) {
        if (engine.deferred_error == 0)
            engine.deferred_error = MSG_LIST_TOO_LONG;
        return engine.buffer_size - engine.length > MAX_ITEM_BYTES;
    }
    int grown = engine.capacity + LIST_CAPACITY_STEP;
    if (grown > engine.buffer_size) {
        int block_size =
            engine.buffer_size > INT32_MAX / 2 ? grown : std::max(grown, engine.buffer_size * 2);
        void* buffer = reallocate(engine.buffer, static_cast<std::size_t>(block_size));
        if (buffer == nullptr && block_size > grown) {
            block_size = grown;
            buffer = reallocate(engine.buffer, static_cast<std::size_t>(block_size));
        }
        if (buffer == nullptr) {
            if (engine.deferred_error == 0)
                engine.deferred_error = MSG_NO_MEMORY;
            return engine.buffer_size - engine.length > MAX_ITEM_BYTES;
        }
        engine.buffer = static_cast<std::uint8_t*>(buffer);
        engine.buffer_size = block_size;
    }
    engine.capacity = grown;
    return true;
}

// On a 32-bit target an address is its own operand. Elsewhere the operand is the index of the
// address in the table of the statements under way; 0xFFFFFFFF when the table cannot grow.
std::uint32_t address_operand_growing(const void* address) {
    int grown = engine.address_capacity == 0 ? 64 : engine.address_capacity * 2;
    void* table = reallocate(engine.addresses, static_cast<std::size_t>(grown) * sizeof(void*));
    if (table == nullptr) {
        if (engine.deferred_error == 0)
            engine.deferred_error = MSG_NO_MEMORY;
        return NO_ADDRESS;
    }
    engine.addresses = static_cast<void**>(table);
    engine.address_capacity = grown;
    return address_operand(address);
}

// Keeps a copy of a WRITE's character value, so that the statement prints the value the item had
// when its call was made. Null when memory runs out (the failure is raised when the WRITE runs).
const char* copy_character_value(const char* text, int length) {
    auto* node = static_cast<CharacterCopy*>(allocate(sizeof(CharacterCopy)));
    auto* copy = static_cast<char*>(allocate(static_cast<std::size_t>(length)));
    if (node == nullptr || copy == nullptr) {
        release(node);
        release(copy);
        if (engine.deferred_error == 0)
            engine.deferred_error = MSG_NO_MEMORY;
        return nullptr;
    }
    if (length > 0)
        std::memcpy(copy, text, static_cast<std::size_t>(length));
    node->next = nullptr;
    node->text = copy;
    if (engine.copies_tail == nullptr)
        engine.copies_head = node;
    else
        engine.copies_tail->next = node;
    engine.copies_tail = node;
    return copy;
}

void free_character_copies() {
    free_copy_list(engine.copies_head);
    engine.copies_head = nullptr;
    engine.copies_tail = nullptr;
}

// A begin call inside a statement that is still being built must find a free slot and memory
// for it; otherwise the begin call is refused with this index. The slot is one heap block that
// holds the copy of the enclosing list after the slot itself.
int nesting_refusal(NestingSlot** slot) {
    *slot = nullptr;
    if (engine.depth == 0)
        return 0;
    if (engine.depth > NESTING_SLOTS)
        return MSG_NESTING_TOO_DEEP;
    auto list_bytes = static_cast<std::size_t>(engine.length);
    void* block = allocate(sizeof(NestingSlot) + list_bytes);
    if (block == nullptr)
        return MSG_NO_MEMORY;
    *slot = new (block) NestingSlot;
    (*slot)->saved_list = static_cast<std::uint8_t*>(block) + sizeof(NestingSlot);
    if (list_bytes > 0)
        std::memcpy((*slot)->saved_list, engine.buffer, list_bytes);
    return 0;
}

namespace {

bool is_shared_console(const UnitBlock* block) {
    return block != nullptr && block == unit_table[ENTRY_CONSOLE].block &&
           unit_table[ENTRY_CONSOLE_OUTPUT].block == nullptr;
}

// A READ between two of its items: a statement run now (by a function that computes an item)
// must leave the READ's unit as it found it. An internal file's block is the same block for
// every statement and is kept whole; the shared console block keeps the typed line. The line
// that line ended is no longer open: a record written now starts without a line end.
void save_unit(NestingSlot& slot) {
    slot.input_record_length = -1;
    if (slot.unit == nullptr)
        return;
    slot.unit_block = *slot.unit;
    bool reading = slot.statement_kind == KIND_READ && engine.read_first_item == 0;
    if (!reading || !is_shared_console(slot.unit))
        return;
    int length = slot.unit->last + 1;
    if (length > 0 && length <= CONSOLE_BUFFER_SIZE) {
        std::memcpy(slot.input_record, slot.unit->buffer, static_cast<std::size_t>(length));
        slot.input_record_length = length;
    }
    if (slot.unit->last >= 0) {
        slot.unit->flags &= ~LINE_PENDING;
        slot.unit->line_closed = 0;
    }
}

void restore_unit(const NestingSlot& slot) {
    UnitBlock* block = slot.unit;
    if (block == nullptr)
        return;
    if (block == unit_table[ENTRY_INTERNAL].block) {
        *block = slot.unit_block;
        return;
    }
    if (slot.input_record_length < 0)
        return;
    std::memcpy(block->buffer, slot.input_record,
                static_cast<std::size_t>(slot.input_record_length));
    block->pos = slot.unit_block.pos;
    block->last = slot.unit_block.last;
    if ((block->flags & LINE_PENDING) != 0)
        engine.line_left_open = true;
}

void save_interpreter_state(NestingSlot& slot) {
    slot.item = current_item;
    slot.statement_kind = error_state.statement_kind;
    slot.error_branch = error_state.error_branch;
    slot.end_branch = error_state.end_branch;
    slot.unit = current_unit;
    slot.unit_entry = current_unit_entry;
    slot.unit_handle = current_unit != nullptr ? current_unit->handle : 0;
    slot.record_remaining = record_remaining;
    save_unit(slot);
}

void restore_interpreter_state(const NestingSlot& slot) {
    current_item = slot.item;
    error_state.statement_kind = slot.statement_kind;
    error_state.error_branch = slot.error_branch;
    error_state.end_branch = slot.end_branch;
    current_unit = slot.unit;
    current_unit_entry = slot.unit_entry;
    record_remaining = slot.record_remaining;
    // The shared console block switches its handle with the direction of each statement.
    if (current_unit != nullptr)
        current_unit->handle = slot.unit_handle;
    restore_unit(slot);
}

} // namespace

// The enclosing statement's words go to the slot that nesting_refusal allocated with the copy of
// its list, kept at the current depth.
void save_enclosing_statement(NestingSlot* slot) {
    engine.nesting[engine.depth] = slot;
    slot->statement = engine;
    save_interpreter_state(*slot);
}

// An enclosing statement gets its list and words back from the slot kept at its depth, and the
// slot goes.
void restore_enclosing_statement() {
    NestingSlot* slot = engine.nesting[engine.depth];
    engine.nesting[engine.depth] = nullptr;
    if (slot->statement.length > 0)
        std::memcpy(engine.buffer, slot->saved_list,
                    static_cast<std::size_t>(slot->statement.length));
    static_cast<StatementState&>(engine) = slot->statement;
    restore_interpreter_state(*slot);
    release(slot);
}

} // namespace lnc
