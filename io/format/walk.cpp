// The walk of one statement over its compiled format: hands out the data edits in turn and
// performs the control edits met on the way through the driver's actions.
#include "errors/errors.h"
#include "io/format/format_internal.h"

namespace lnc {

namespace {

// Why a walk stopped.
enum class Stop { DATA_EDIT, COLON, FINAL_PARENTHESIS };

// Enters a group, or passes its end: back to its start while repetitions remain.
void enter_group(FormatCursor& cursor, const FormatOp& op) {
    cursor.group_op[cursor.depth] = cursor.op;
    cursor.group_left[cursor.depth] = op.count - 1;
    ++cursor.depth;
    ++cursor.op;
}

void end_group(FormatCursor& cursor) {
    int level = cursor.depth - 1;
    if (cursor.group_left[level] > 0) {
        --cursor.group_left[level];
        cursor.op = cursor.group_op[level] + 1;
    } else {
        cursor.depth = level;
        ++cursor.op;
    }
}

// Performs the control edit at the cursor and moves past it.
void perform_control_edit(FormatCursor& cursor, const FormatOp& op, const FormatActions& actions,
                          EditState& state) {
    switch (op.code) {
    case OP_GROUP:
        enter_group(cursor, op);
        return;
    case OP_GROUP_END:
        end_group(cursor);
        return;
    case OP_POSITION:
        actions.position(op.edit.descriptor, op.count);
        break;
    case OP_LITERAL:
        actions.literal(cursor.format->literals + op.offset, op.count);
        break;
    case OP_SLASH:
        for (int i = 0; i < op.count; ++i)
            actions.next_record();
        break;
    case OP_SCALE:
        state.scale = op.count;
        break;
    case OP_SIGN:
        state.sign_mode = op.count;
        break;
    case OP_BLANK:
        state.blanks_are_zeros = op.count != 0;
        break;
    default: // OP_COLON, where the walk goes on
        break;
    }
    ++cursor.op;
}

// Performs control edits up to the next data edit, the final parenthesis, or a colon when
// stop_at_colon is set; the cursor is left on the operation it stopped at.
Stop walk_to_data_edit(FormatCursor& cursor, const FormatActions& actions, EditState& state,
                       bool stop_at_colon) {
    const FormatOp* ops = cursor.format->ops;
    for (;;) {
        const FormatOp& op = ops[cursor.op];
        if (op.code == OP_DATA)
            return Stop::DATA_EDIT;
        if (op.code == OP_END)
            return Stop::FINAL_PARENTHESIS;
        if (op.code == OP_COLON && stop_at_colon)
            return Stop::COLON;
        perform_control_edit(cursor, op, actions, state);
    }
}

// Hands out the data edit at the cursor once, moving past it after its last repetition.
DataEdit take_data_edit(FormatCursor& cursor) {
    const FormatOp& op = cursor.format->ops[cursor.op];
    if (cursor.repeat_left == 0)
        cursor.repeat_left = op.count;
    if (--cursor.repeat_left == 0)
        ++cursor.op;
    cursor.data_edit_taken = true;
    return op.edit;
}

} // namespace

namespace {

[[gnu::noinline]] DataEdit walk_to_next_data_edit(FormatCursor& cursor,
                                                  const FormatActions& actions, EditState& state) {
    for (;;) {
        if (walk_to_data_edit(cursor, actions, state, false) == Stop::DATA_EDIT)
            return take_data_edit(cursor);
        // Items remain at the final parenthesis: a new record, and the format again from its
        // last top-level group. A part without data edits would never serve them.
        const CompiledFormat& format = *cursor.format;
        if (!cursor.data_edit_taken || !format.revert_has_data)
            raise_runtime_error(MSG_NO_DATA_EDIT, error_state.statement_kind);
        actions.next_record();
        cursor.op = format.revert_op;
        cursor.depth = 0;
        cursor.data_edit_taken = false;
    }
}

[[gnu::noinline]] void walk_to_colon(FormatCursor& cursor, const FormatActions& actions,
                                     EditState& state) {
    walk_to_data_edit(cursor, actions, state, true);
}

} // namespace

// Most often the cursor stands on a data edit, or at the end after the last item: there is
// nothing to walk, and the walk itself is not entered.
DataEdit next_data_edit(FormatCursor& cursor, const FormatActions& actions, EditState& state) {
    if (cursor.format->ops[cursor.op].code == OP_DATA)
        return take_data_edit(cursor);
    return walk_to_next_data_edit(cursor, actions, state);
}

void finish_format(FormatCursor& cursor, const FormatActions& actions, EditState& state) {
    std::uint8_t code = cursor.format->ops[cursor.op].code;
    if (code != OP_DATA && code != OP_END)
        walk_to_colon(cursor, actions, state);
}

} // namespace lnc
