#!/usr/bin/env python3
"""Formatted input of the lncalc run-time held against other Fortran run-times.

One Fortran program reads a corpus of {format, field} cases from standard input, one record per
READ with IOSTAT=, and prints for each case whether it failed or the bits of what it read. The
program is built with each peer (gfortran, flang-new-19) and with lncalc-flang, run on the same
input, and the results compared case by case; each difference gets the rule that explains it,
or UNEXPLAINED. Statuses are compared as failed or not (the numbers differ between run-times).

    python3 tools/format_compare_read.py [--lncalc-flang build/native/lncalc-flang]
                                         [--peers gfortran,flang-new-19] [--output report.md]

Exit status: 0 when every difference has a rule, 1 when one is UNEXPLAINED, 2 when a program
could not be built or run.
"""

import argparse
import os
import subprocess
import sys
import tempfile

from fortran_peers import build_and_run, installed_peers, write_report

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

REAL_FORMATS = ["(F10.3)", "(BZ,F10.3)", "(E12.4)", "(2P,F10.3)", "(-2P,F10.3)", "(G12.4)",
                "(D12.4)", "(F10.0)", "(1P,E12.4)", "(F3.1)"]
INTEGER_FORMATS = ["(I8)", "(BZ,I8)", "(I3)"]
LOGICAL_FORMATS = ["(L5)", "(L1)"]
# Each field is one record, shorter than most of the fields the formats take.
FIELDS = ["1.5", "  1 5", "-", "+", ".", "1e5", "1.5e", "1+5", "1.5d-3", "  -.5", "12345",
          " 1 2 3 4 ", "-0", "1.5E 3", "E5", "9999999999", "1.2.3", "+.5e+2", "  .T", "F", "true",
          "1e-50", "3.5e38", "1e400", "0.1", "2.5", "-1234", "+12", " ", "1d", "x", "17", "1-3",
          "00012.5", "4.e1", ".5E-1 ", "1 .", "5 E2", "E+00", "+ . E00", "-.", "1.5e+", "+-"]


def corpus():
    """(format, kind, field) for every format and field; kind r real, i integer, l logical."""
    groups = [(REAL_FORMATS, "r"), (INTEGER_FORMATS, "i"), (LOGICAL_FORMATS, "l")]
    return [(fmt, kind, field) for formats, kind in groups for fmt in formats for field in FIELDS]


def fortran_program(cases):
    out = ["program format_compare_read", "  implicit none",
           f"  character(len=20) :: fmts({len(cases)})", f"  character(len=1) :: kinds({len(cases)})",
           "  real(8) :: y", "  integer :: k, ios, n, w(2)", "  logical :: b"]
    for n, (fmt, kind, _) in enumerate(cases, 1):
        out.append(f"  fmts({n}) = '{fmt}'; kinds({n}) = '{kind}'")
    out += [f"  do n = 1, {len(cases)}",
            "    y = -7.0d0; k = -7; b = .false.",
            "    if (kinds(n) == 'r') then",
            "      read (*, fmts(n), iostat=ios) y",
            "      w = transfer(y, w)",  # the front refuses 8-byte integer items
            "      if (ios == 0) write (*, '(I4,A,2I12)') n, ' 0', w",
            "    else if (kinds(n) == 'i') then",
            "      read (*, fmts(n), iostat=ios) k",
            "      if (ios == 0) write (*, '(I4,A,I12)') n, ' 0', k",
            "    else",
            "      read (*, fmts(n), iostat=ios) b",
            "      if (ios == 0) write (*, '(I4,A,L2)') n, ' 0', b",
            "    end if",
            "    if (ios /= 0) write (*, '(I4,A)') n, ' failed'",
            "  end do",
            "end program format_compare_read"]
    return "\n".join(out) + "\n"


def run(compiler, cases, work):
    """{case number: 'failed' or the bits read} of the program built by compiler."""
    records = "".join(field + "\n" for _, _, field in cases)
    output = build_and_run(compiler, [], fortran_program(cases), work, records.encode())
    results = {}
    for line in output.replace("\r", "").split("\n"):
        words = line.split()
        if words:
            results[int(words[0])] = " ".join(words[1:])
    return results


# ---- Rules: the documented choices of formatted input ----

def digits_before_exponent(field):
    mantissa = field.strip().upper().split("E")[0].split("D")[0]
    return any(c.isdigit() for c in mantissa)


def words(result):
    return [int(w) for w in result.split()[1:]] if result and result != "failed" else []


def field_width(fmt):
    return int("".join(c for c in fmt.split(".")[0].split(",")[-1] if c.isdigit()))


def rule(case, ours, peer, others):
    """The rule that explains a difference of this run-time from one peer, or None. others: the
    results of the other peers for the case."""
    fmt, kind, field = case
    zero = words(ours) in ([0, 0], [0, -2147483648])
    taken = field[:field_width(fmt)]
    if kind == "i" and ours == "failed" and taken.strip() and not any(c.isdigit() for c in taken):
        return "Iw: a sign or a point without digits refused (F6101)"
    if "BZ" in fmt and len(field.rstrip()) < field_width(fmt) and ours in others:
        return "BZ: the blanks that pad a short record read as zeros"
    if kind == "r" and ours == "failed" and words(peer)[-1:] in ([2146435072], [-1048576]):
        return "a real beyond the double range refused (F6102)"
    if kind == "r" and "-" in field and words(ours) == [0, -2147483648] and words(peer) == [0, 0]:
        return "a minus zero keeps its sign"
    if kind == "r" and zero and peer == "failed" and not digits_before_exponent(field):
        return "a number without digits before its exponent is zero"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--lncalc-flang", default=os.path.join(TOP, "build", "native", "lncalc-flang"))
    parser.add_argument("--peers", help="comma-separated compilers (default: gfortran and "
                        "flang-new-19, those installed)")
    parser.add_argument("--output", help="write the report here instead of standard output")
    args = parser.parse_args()
    peers = installed_peers(args.peers)
    cases = corpus()
    try:
        with tempfile.TemporaryDirectory(prefix="format-compare-read-") as work:
            ours = run(os.path.abspath(args.lncalc_flang), cases, work)
            results = {peer: run(peer, cases, work) for peer in peers}
    except (RuntimeError, OSError, subprocess.SubprocessError) as failure:
        print(f"format_compare_read: {failure}", file=sys.stderr)
        return 2
    lines = ["# Formatted input against the peers", "",
             f"{len(cases)} cases: one record per READ with IOSTAT=, read by each program from "
             "standard input.", "",
             "| peer | same | explained | UNEXPLAINED |", "|---|---|---|---|"]
    rows, unexplained = [], False
    for peer, theirs in results.items():
        counts = {"same": 0, "explained": 0, "UNEXPLAINED": 0}
        for n, case in enumerate(cases, 1):
            if ours.get(n) == theirs.get(n):
                counts["same"] += 1
                continue
            others = [r.get(n) for p, r in results.items() if p != peer]
            why = rule(case, ours.get(n), theirs.get(n), others)
            counts["explained" if why else "UNEXPLAINED"] += 1
            unexplained |= why is None
            rows.append(f"| {n} | `{case[0]}` | `{case[2]}` | {peer} | {ours.get(n)} | "
                        f"{theirs.get(n)} | {why or 'UNEXPLAINED'} |")
        lines.append(f"| {peer} | {counts['same']} | {counts['explained']} | "
                     f"{counts['UNEXPLAINED']} |")
    lines += ["", "| case | format | field | peer | this run-time | peer | rule |",
              "|---|---|---|---|---|---|---|"] + rows
    write_report("\n".join(lines) + "\n", args.output)
    return 1 if unexplained else 0


if __name__ == "__main__":
    sys.exit(main())
