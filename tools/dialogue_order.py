#!/usr/bin/env python3
"""Writes the routines that the calculator's dialogue runs, in the order they first run, as the
order in which the calculator's link places them (program/dialogue_order.txt):

    cmake --build --preset native --target lncalc lncalc_trace_first_run
    tools/dialogue_order.py build/native/lncalc build/native/tools/lncalc_trace_first_run \\
        program/dialogue_order.txt

The calculator answers one value ("2", then an empty line ends it) while the tracer runs it one
instruction at a time; each instruction's address is named by the routine it lies in (nm)."""
import bisect, os, subprocess, sys, tempfile

HEADER = """\
# The routines that the calculator's dialogue runs, in the order they first run (the engine's,
# the C++ library's and the C library's), made by tools/dialogue_order.py. The calculator's link
# places them together at the start of its code, so that the dialogue touches a few 64 KiB
# windows of it instead of all of them (docs/benchmarks.md, "Peak memory"). A name that a build
# does not have is passed over; a routine missing here is only placed among the others. The C
# library picks its string routines by the processor: these are the ones picked where the list
# was made.
"""


def routines(program):
    """The program's routines, as (start address, name), by address."""
    listing = subprocess.run(["nm", "-n", "--defined-only", program], check=True,
                             capture_output=True, text=True).stdout
    found = []
    for line in listing.splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[1] in "tTwWiI":
            found.append((int(fields[0], 16), fields[2]))
    return found


def first_run_addresses(program, tracer):
    """Two runs: started by its full path, and by a relative one, which the start-up completes
    from the executable's link."""
    program = os.path.abspath(program)
    addresses = []
    with tempfile.TemporaryDirectory() as scratch:
        answer = os.path.join(scratch, "in")
        with open(answer, "w") as f:
            f.write("2\n\n")
        for start in (program, "./" + os.path.basename(program)):
            trace = subprocess.run([os.path.abspath(tracer), answer, os.path.join(scratch, "out"),
                                    start], check=True, capture_output=True, text=True,
                                   cwd=os.path.dirname(program)).stdout
            addresses += [int(line, 16) for line in trace.split()]
    return addresses


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    program, tracer, out = sys.argv[1:]
    table = routines(program)
    starts = [start for start, _ in table]
    order, named = [], set()
    for address in first_run_addresses(program, tracer):
        index = bisect.bisect_right(starts, address) - 1
        # Addresses below the first routine or past the image (the system's own page) are not ours.
        if index < 0 or address > table[-1][0] + 0x10000:
            continue
        name = table[index][1]
        if name not in named:
            named.add(name)
            order.append(name)
    with open(out, "w") as f:
        f.write(HEADER + "".join(name + "\n" for name in order))
    print(f"{len(order)} routines written to {out}")


if __name__ == "__main__":
    main()
