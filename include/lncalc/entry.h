// The process entry of a program on the lncalc run-time.
//
// A program hands its entry to start-up, which prepares the run-time (private heap, handles,
// arguments, environment, floating-point unit with its traps, the console units), calls the
// program's main routine, and ends the process with the routine's result as exit code after the
// exit sequence has closed the units (writing the line end a console record still owes):
//
//     int survey_main(int argc, char** argv, char** environment) {
//         lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
//         lnc::write_item_character("hello", 5);
//         lnc::end_write();
//         return 0;
//     }
//
//     int main(int argc, char** argv) {
//         lnc::process_entry(argc, argv, survey_main);
//     }
//
// The main routine receives the arguments (argv[0] the program's name) and the environment
// ("NAME=value" strings, null-terminated). Start-up unmasks the division-by-zero, overflow and
// invalid-operation exceptions of the run-time's floating-point unit. On x86 that unit is the
// x87: such an exception in x87 code ends the process with a floating-point error report on
// standard error and exit code 1, as run-time errors do; on x86-64 start-up arms the SSE unit,
// where the compiler does the program's own arithmetic, the same way, so that arithmetic traps
// too. On other processors (aarch64) the run-time's unit is in software
// and traps only the run-time's own operations (the calculator's logarithm, the widening and
// rounding of single-precision values in I/O): the program's own arithmetic is not trapped and
// gives the IEEE default results (infinities, NaNs), as it does with the software unit on x86
// (LNCALC_SOFT_FPU).
#pragma once

namespace lnc {

using MainRoutine = int (*)(int argc, char** argv, char** environment);

[[noreturn]] void process_entry(int argc, char** argv, MainRoutine main_routine);

} // namespace lnc
