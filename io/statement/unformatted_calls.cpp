// The begin calls of unformatted statements: only they bring the unformatted drivers into a
// program.
#include "io/statement/statement.h"
#include "io/statement/statement_internal.h"

namespace lnc {

int begin_write_unformatted(int unit, int flags) {
    BeginRequest request{};
    int refused = check_control_list(unit, DEFAULT_UNIT_WRITE, nullptr, 0, flags, &request);
    if (refused != 0)
        return refused;
    request.unit = unit;
    request.unformatted = true;
    use_drivers(MODE_UNFORMATTED, unformatted_write, unformatted_read);
    return start_write_list(request, flags);
}

int begin_read_unformatted(int unit, int flags) {
    BeginRequest request{};
    int refused = check_control_list(unit, DEFAULT_UNIT_READ, nullptr, 0, flags, &request);
    if (refused != 0)
        return refused;
    request.unit = unit;
    request.unformatted = true;
    use_drivers(MODE_UNFORMATTED, unformatted_write, unformatted_read);
    return start_read_list(request, flags);
}

} // namespace lnc
