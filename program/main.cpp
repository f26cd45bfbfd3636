// The calculator's process entry: start-up prepares the run-time and calls the main program.
#include "program/program.h"
#include "runtime/startup/startup.h"

int main(int argc, char** argv) {
    lnc::process_entry(argc, argv, lnc::main_program);
}
