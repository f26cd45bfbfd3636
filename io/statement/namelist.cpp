// Namelist statements: this run-time has no drivers for them and refuses them with a report.
#include "errors/errors.h"
#include "io/statement/statement.h"

namespace lnc {

void namelist_write(int) {
    raise_runtime_error(MSG_NAMELIST_UNAVAILABLE, error_state.statement_kind);
}

void namelist_read(bool) {
    raise_runtime_error(MSG_NAMELIST_UNAVAILABLE, error_state.statement_kind);
}

} // namespace lnc
