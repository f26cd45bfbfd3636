// The begin calls of unformatted statements: only they bring the unformatted drivers into a
// program.
#include "io/statement/statement.h"
#include "io/statement/statement_internal.h"

namespace lnc {

namespace {

// An unformatted statement's request on unit; 0, or the refusal's status.
int prepare_unformatted(BeginRequest& request, int unit, int default_marker, int flags) {
    int refused = check_control_list(unit, default_marker, nullptr, 0, flags, &request);
    request.unit = unit;
    request.unformatted = true;
    use_drivers(MODE_UNFORMATTED, unformatted_write, unformatted_read);
    return refused;
}

} // namespace

int begin_write_unformatted(int unit, int flags) {
    BeginRequest request{};
    int refused = prepare_unformatted(request, unit, DEFAULT_UNIT_WRITE, flags);
    return refused != 0 ? refused : start_write_list(request, flags);
}

int begin_read_unformatted(int unit, int flags) {
    BeginRequest request{};
    int refused = prepare_unformatted(request, unit, DEFAULT_UNIT_READ, flags);
    return refused != 0 ? refused : start_read_list(request, flags);
}

} // namespace lnc
