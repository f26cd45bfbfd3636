// The calculator's process entry: start-up prepares the run-time and calls the main program.
#include <cstdio>
#include <cstdlib>

#include "lncalc/entry.h"
#include "program/program.h"

// Every failure inside a statement is caught by its interpreter, so a terminate means a fault in
// the engine itself. The C++ library's own handler names the exception's type through its
// demangler, which alone would add some 45 KiB to the image that every start maps; this one,
// found first by the linker, keeps the demangler out of the calculator.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::fputs("lncalc: terminate called: an exception escaped its statement\n", stderr);
    std::abort();
}
} // namespace __gnu_cxx

int main(int argc, char** argv) {
    lnc::process_entry(argc, argv, lnc::main_program);
}
