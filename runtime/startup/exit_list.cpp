// The exit list: routines registered to run when the process ends normally, last first.
#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"

namespace lnc {

bool create_exit_list() {
    auto* entries = static_cast<ExitRoutine*>(allocate(EXIT_LIST_INITIAL * sizeof(ExitRoutine)));
    if (entries == nullptr) {
        return false;
    }
    exit_list.entries = entries;
    exit_list.count = 0;
    return true;
}

// The room left is read from the block's size, so the list grows only when the block is full.
ExitRoutine at_exit(ExitRoutine routine) {
    if (exit_list.entries == nullptr && !create_exit_list()) {
        return nullptr;
    }
    std::size_t used = static_cast<std::size_t>(exit_list.count) * sizeof(ExitRoutine);
    if (used + sizeof(ExitRoutine) > block_size(exit_list.entries)) {
        std::size_t grown = block_size(exit_list.entries) + EXIT_LIST_GROWTH * sizeof(ExitRoutine);
        auto* entries = static_cast<ExitRoutine*>(reallocate(exit_list.entries, grown));
        if (entries == nullptr) {
            return nullptr;
        }
        exit_list.entries = entries;
    }
    exit_list.entries[exit_list.count++] = routine;
    return routine;
}

} // namespace lnc
