// Formatted and namelist statements: their format is kept, but this run-time has no drivers for
// them and refuses them with a report.
#include <cstring>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "runtime/heap/heap.h"

namespace lnc {

// The byte code of a format of n characters takes n + n / 50 + 3 bytes; this run-time keeps the
// text itself, terminated, in that block. Null when memory runs out.
void* compile_format(const char* format, int length) {
    if (length == -1)
        length = static_cast<int>(std::strlen(format));
    if (length < 0)
        length = 0;
    std::size_t size = static_cast<std::size_t>(length) + static_cast<std::size_t>(length) / 50 + 3;
    auto* code = static_cast<char*>(allocate(size));
    if (code == nullptr)
        return nullptr;
    if (length > 0)
        std::memcpy(code, format, static_cast<std::size_t>(length));
    std::memset(code + length, 0, size - static_cast<std::size_t>(length));
    return code;
}

void formatted_write(int first) {
    raise_runtime_error(MSG_FORMATTED_UNAVAILABLE, error_state.statement_kind);
}

void namelist_write(int first) {
    raise_runtime_error(MSG_NAMELIST_UNAVAILABLE, error_state.statement_kind);
}

void formatted_read(bool first) {
    raise_runtime_error(MSG_FORMATTED_UNAVAILABLE, error_state.statement_kind);
}

void namelist_read(bool first) {
    raise_runtime_error(MSG_NAMELIST_UNAVAILABLE, error_state.statement_kind);
}

} // namespace lnc
