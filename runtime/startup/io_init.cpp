// The I/O library initialiser, the last routine of the start-up's initialiser list: units, the
// statement engine, the floating-point traps and the shutdown of the units at exit.
#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "os/fpu.h"
#include "os/startup.h"
#include "os/vector_unit.h"
#include "runtime/startup/startup.h"

namespace lnc {

void io_library_init() {
    // The unit layer creates the console unit (3) with the internal-file unit and, when a
    // standard handle is not a character device, the separate console output block (6). No
    // source position is recorded until compiled code pushes one.
    init_units();
    call_site_list = nullptr;
    // Room for the handles of every unit the table can connect.
    os::set_handle_count(64);
    // A fatal message then shows where the program was.
    fatal_message_hook = print_source_position;
    // Invalid operation, division by zero and overflow trap from here on: they end in a report.
    arm_fpu_traps();
    // Arming the traps must not fire a stale exception: the unit starts clean, its control word
    // kept.
    std::uint16_t control = fpu::control_word();
    fpu::reinitialise();
    fpu::set_control_word(control);
    // The program's own arithmetic on the processor's vector unit traps as the unit's does.
    if (FPU_ARMS_VECTOR_UNIT) {
        os::arm_vector_traps(control);
    }
    init_statement_engine();
    // Buffered records reach their files however the process ends.
    at_exit(close_all_units);
}

} // namespace lnc
