"""What the tools that hold this run-time against other Fortran run-times share: which peers are
installed, building one program with a compiler and running it, and writing a report."""

import os
import shutil
import subprocess
import sys

PEERS = ("gfortran", "flang-new-19")


def installed_peers(given):
    """The compilers named (comma-separated), or the peers this machine has."""
    return given.split(",") if given else [p for p in PEERS if shutil.which(p)]


def build_and_run(compiler, flags, source_text, work, stdin=b""):
    """Builds source_text with compiler in work and runs it; its standard output as text."""
    name = os.path.basename(compiler)
    source, program = os.path.join(work, f"{name}.f90"), os.path.join(work, f"{name}.out")
    with open(source, "w") as f:
        f.write(source_text)
    built = subprocess.run([compiler, *flags, "-o", program, source], capture_output=True,
                           text=True, timeout=600)
    if built.returncode != 0:
        raise RuntimeError(f"{compiler} could not build the program:\n{built.stderr[-2000:]}")
    done = subprocess.run([program], input=stdin, capture_output=True, timeout=300)
    if done.returncode != 0:
        raise RuntimeError(f"{compiler}'s program failed ({done.returncode}): "
                           f"{done.stderr[-400:]!r}")
    return done.stdout.decode("latin-1")


def write_report(text, output):
    """The report to the file named, or to standard output."""
    if output:
        with open(output, "w") as f:
            f.write(text)
    else:
        sys.stdout.write(text)
