// The I/O library initialiser, the last routine of the start-up's initialiser list: units, the
// statement engine, the floating-point traps and the shutdown of the units at exit.
#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "os/fpu.h"
#include "os/startup.h"
#include "runtime/startup/startup.h"

namespace lnc {

void io_library_init() {
    // 1. The internal-file unit and the statement-list buffer; no source position is recorded.
    //    The unit layer creates the console unit (3) and, when a standard handle is not a
    //    character device, the separate console output block (6) in the same call.
    init_units();
    call_site_list = nullptr;
    // 2. Room for the handles of the unit table.
    os::set_handle_count(64);
    // 4. A fatal message shows the source position first.
    fatal_message_hook = print_source_position;
    // 5. Invalid operation, division by zero and overflow trap from here on.
    arm_fpu_traps();
    // 7. No pending exception and an empty register stack, the control word kept.
    std::uint16_t control = fpu::control_word();
    fpu::reinitialise();
    fpu::set_control_word(control);
    // 8. The statement engine's state words.
    init_statement_engine();
    // 9. Close the units when the process ends.
    at_exit(close_all_units);
}

} // namespace lnc
