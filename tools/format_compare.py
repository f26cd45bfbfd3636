#!/usr/bin/env python3
"""Formatted output of the lncalc run-time held against other Fortran run-times.

Generates a corpus of {format, items} cases (every edit descriptor and the edges where run-times
part ways), performs each as one formatted WRITE through this run-time
(tools/format_compare/, built here) and through a generated Fortran program per peer (gfortran,
and flang-new-19 where it is installed), and prints a Markdown report: each difference with the
rule that explains it, or UNEXPLAINED. A run-time that refuses formatted transfer (F6801) is
reported as "not available" for every case, and the peers' texts are listed all the same.

    python3 tools/format_compare.py [--build build/native] [--program PATH]
                                    [--peers gfortran,flang-new-19] [--output report.md]

Exit status: 0 when every difference has a rule, 1 when one is UNEXPLAINED, 2 when a program
could not be built or run.
"""

import argparse
import itertools
import os
import re
import struct
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field
from decimal import ROUND_HALF_UP, Context, Decimal

from fortran_peers import build_and_run, installed_peers, write_report

RECORD_LENGTH = 200  # as tools/format_compare/format_compare.h
RECORD_COUNT = 8
NOT_AVAILABLE = 6801  # the run-time's refusal of formatted transfer
TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


# ---- The corpus ----

@dataclass
class Item:
    kind: str  # i integer, r single real bits, d double real bits, l logical, a characters
    value: object

    def shown(self):
        if self.kind == "r":
            return f"{struct.unpack('<f', struct.pack('<I', self.value))[0]!r}f"
        if self.kind == "d":
            return repr(struct.unpack("<d", struct.pack("<Q", self.value))[0])
        if self.kind == "l":
            return ".true." if self.value else ".false."
        return repr(self.value) if self.kind == "a" else str(self.value)


@dataclass
class Case:
    id: str
    group: str
    format: str
    items: list = field(default_factory=list)


def i4(v):
    return Item("i", v)


def r4(x):
    return Item("r", struct.unpack("<I", struct.pack("<f", x))[0])


def r8(x):
    return Item("d", struct.unpack("<Q", struct.pack("<d", x))[0])


def logical(v):
    return Item("l", 1 if v else 0)


def text(s):
    return Item("a", s)


INF = float("inf")


def corpus():
    cases = []

    def add(group, fmt, *items):
        cases.append(Case(str(len(cases) + 1), group, fmt, list(items)))

    for v in (0, 7, -7, 2147483647, -2147483647):
        add("I", "(I12)", i4(v))
    add("I, width equal to the text", "(I2)", i4(-5))
    add("I, width one less", "(I1)", i4(-5))
    add("I, -2147483648", "(I11)", i4(-2147483648))
    add("I, -2147483648 one less", "(I10)", i4(-2147483648))
    for fmt, v in (("(I6.4)", 42), ("(I6.4)", -42), ("(I4.0)", 0), ("(I4.0)", 1),
                   ("(I3.5)", 7), ("(I3.3)", -7), ("(I12.11)", -2147483648)):
        add("Iw.m" + (", m > w" if fmt == "(I3.5)" else ""), fmt, i4(v))

    for fmt, x in (("(F10.3)", 1.5), ("(F10.3)", -1.5), ("(F10.0)", 2.0), ("(F8.3)", 1e-5)):
        add("F", fmt, r8(x))
    for fmt, x in (("(F5.2)", 0.125), ("(F5.2)", 0.375), ("(F4.1)", 0.25), ("(F3.0)", 0.5),
                   ("(F3.0)", 1.5), ("(F3.0)", 2.5), ("(F4.0)", -2.5), ("(E10.2)", 0.125),
                   ("(E9.1)", 0.25), ("(ES9.1)", 2.5), ("(EN9.1)", 2.5)):
        add("tie at the last digit", fmt, r8(x))
    add("tie at the last digit", "(F5.2)", r4(0.125))
    for fmt, x in (("(F5.2)", 9.995), ("(F5.2)", 9.996), ("(F4.1)", 9.96), ("(E10.3)", 0.9995),
                   ("(E10.3)", 9.9996), ("(ES10.3)", 9.9996), ("(EN10.3)", 999.96),
                   ("(D10.3)", 0.99996)):
        add("rounds into a new leading digit", fmt, r8(x))
    add("rounds into a new leading digit", "(F5.2)", r4(9.995))
    add("rounds into a new leading digit", "(E10.3)", r4(0.9995))
    for fmt in ("(F5.2)", "(E10.3)", "(G10.3)", "(ES10.3)", "(EN10.3)", "(D10.3)"):
        add("zero", fmt, r8(0.0))
        add("negative zero", fmt, r8(-0.0))
    add("negative, rounds to zero", "(F5.2)", r8(-0.001))
    add("negative zero, single", "(F5.2)", r4(-0.0))

    add("subnormal, single", "(E15.8)", Item("r", 1))
    add("subnormal, single", "(ES15.8)", Item("r", 0x007FFFFF))
    add("subnormal, double", "(E25.17)", Item("d", 1))
    add("subnormal, double", "(ES25.16)", Item("d", 0x000FFFFFFFFFFFFF))
    add("subnormal, double", "(F10.3)", Item("d", 1))

    for x in (1e99, 1e100, 1e-99, 1e-100, -1e-100, 9.99996e99):
        add("exponent 99/100", "(E12.4)", r8(x))
    for fmt in ("(E12.4E3)", "(E12.4E1)", "(D12.4)", "(ES12.4)", "(EN12.4)", "(G12.4)"):
        add("exponent 99/100", fmt, r8(1e100))
    add("exponent 99/100", "(ES12.4)", r8(1e-100))

    for fmt, item in (("(F4.2)", r8(1.25)), ("(F3.2)", r8(1.25)), ("(F4.2)", r8(0.5)),
                      ("(F3.2)", r8(0.5)), ("(F4.2)", r8(-0.5)), ("(F3.2)", r8(-0.5)),
                      ("(E8.2)", r8(1.5)), ("(E7.2)", r8(1.5)), ("(E9.2)", r8(-1.5)),
                      ("(E8.2)", r8(-1.5)), ("(A2)", text("abc")), ("(L1)", logical(True)),
                      ("(I2)", i4(-9)), ("(I1)", i4(-9))):
        add("width equal to the text, one less", fmt, item)

    for fmt, x in (("(2P,F8.3)", 1.5), ("(-2P,F8.3)", 1.5), ("(1P,E12.4)", 1.5),
                   ("(2P,E12.4)", 1.5), ("(-1P,E12.4)", 1.5), ("(-3P,E12.4)", 1.5),
                   ("(4P,E12.4)", 1.5), ("(5P,E12.4)", 1.5), ("(6P,E12.4)", 1.5),
                   ("(-4P,E12.4)", 1.5), ("(2P,G12.4)", 1.5), ("(2P,G12.4)", 1.5e10),
                   ("(-1P,G12.4)", 1.5e-5), ("(1P,G12.4)", 0.05), ("(1P,D12.4)", 1.5),
                   ("(1P,ES12.4)", 1.5), ("(1P,EN12.4)", 1.5), ("(-2P,F8.3)", -1.5)):
        add("kP", fmt, r8(x))
    add("kP persists", "(2P,F8.3,F8.3)", r8(1.5), r8(2.5))

    for x in (0.1, 0.0999, 0.09995, 0.09996, 1.0, 100.0, 999.0, 999.4, 999.5, 999.96, 1000.0,
              -0.1, 1e10, 1.5e-10):
        add("G at 0.1 and 10**d", "(G10.3)", r8(x))
    add("G at 0.1 and 10**d", "(G10.3)", r4(0.1))
    for fmt, x in (("(G10.3E2)", 1e-5), ("(G12.4E3)", 1e-5), ("(G12.4E3)", 123.456)):
        add("Gw.dEe", fmt, r8(x))
    for fmt, x in (("(EN12.3)", 1.5e4), ("(EN12.3)", 1.5e-4), ("(EN12.3)", -1.5e-4),
                   ("(EN12.3)", 1.0), ("(EN12.3)", 999.9999), ("(EN12.3E3)", 1.5e100),
                   ("(ES12.3)", 1.5e4), ("(ES12.3)", -1.5e-4), ("(ES12.3E3)", 1e100),
                   ("(D12.4)", 1.5), ("(D12.4)", -1.5e-5), ("(E12.4E3)", 1.5)):
        add(re.match(r"\(([A-Z]+)", fmt).group(1), fmt, r8(x))
    add("D", "(D12.4)", r4(1.5))

    for fmt, items in (("(L1)", [logical(False)]), ("(L5)", [logical(True)]),
                       ("(A)", [text("abc")]), ("(A5)", [text("abc")]), ("(A1)", [text("xyz")]),
                       ("(A3)", [text("")]), ("(A,A)", [text("ab"), text("cd")])):
        add(fmt[1], fmt, *items)

    add("nX", "(I3,2X,I3)", i4(1), i4(2))
    add("nX", "(5X,A)", text("x"))
    add("Tn", "(T5,I3,T1,I3)", i4(1), i4(2))
    add("Tn", "(T10,A)", text("x"))
    add("T back over written text", "(A,T2,A)", text("abcdef"), text("XY"))
    add("TL back over written text", "(I5,TL3,I2)", i4(12345), i4(99))
    add("TL past the record start", "(A,TL10,A)", text("abc"), text("X"))
    add("TRn", "(I2,TR3,I2)", i4(1), i4(2))
    add("TRn", "(TR2,A)", text("x"))
    add("slash", "(I3/I3)", i4(1), i4(2))
    add("slash, empty record", "(I3//I3)", i4(1), i4(2))
    add("slash, empty record", "(/,I3)", i4(1))
    add("slash, empty record", "(I3,/)", i4(1))
    add("slash, empty record", "(2(/))")
    add("colon", "(I3,:,' x')", i4(1))
    add("colon", "(I3,:,' x')", i4(1), i4(2))
    add("colon", "('a',:,'b')")
    add("colon", "(I3,' end',:)", i4(1))
    for fmt, items in (("(SP,I5)", [i4(42)]), ("(SP,F6.2)", [r8(1.5)]), ("(SP,E12.4)", [r8(1.5)]),
                       ("(SP,I4,SS,I4)", [i4(5), i4(5)]), ("(SP,I4,S,I4)", [i4(5), i4(5)]),
                       ("(SP,F6.2)", [r8(0.0)]), ("(SP,F6.2)", [r8(-0.0)]),
                       ("(SP,G10.3)", [r8(0.1)]), ("(SP,I2)", [i4(5)]), ("(SP,I1)", [i4(5)])):
        add("S, SP, SS", fmt, *items)
    add("reversion, nested groups", "(I2,(I3,(I4)))", *[i4(v) for v in range(1, 6)])
    add("reversion, nested groups", "(2(I2,1X),(I3))", *[i4(v) for v in range(1, 7)])
    add("reversion, nested groups", "(I2,2(I3,1X,(I1)))", *[i4(v) for v in range(1, 8)])
    add("reversion, nested groups", "(I1,2(I2))", *[i4(v) for v in range(1, 7)])
    add("reversion", "('x',I2)", i4(1), i4(2), i4(3))
    for fmt, x in (("(F8.2)", INF), ("(F8.2)", -INF), ("(F8.2)", float("nan")),
                   ("(E12.4)", INF), ("(F3.1)", INF), ("(F2.1)", INF), ("(G10.3)", -INF)):
        add("infinity and NaN", fmt, r8(x))
    add("infinity and NaN", "(F8.2)", r4(INF))
    for fmt, item in (("(F30.25)", r8(0.1)), ("(F30.25)", r4(0.1)), ("(E30.20)", r8(1 / 3)),
                      ("(F40.1)", r8(1e30)), ("(F15.10)", r4(1 / 3)), ("(ES30.20)", r4(0.1))):
        add("many digits", fmt, item)
    for fmt, items in (("(E10.0)", [r8(1.5)]), ("(G8.1)", [r8(0.95)]), ("(G8.1)", [r8(9.5)]),
                       ("(G12.5)", [r8(99999.5)]), ("(F12.3)", [r4(16777217.0)]),
                       ("(E10.3E1)", [r8(1e10)]), ("(EN9.2)", [r8(9999.5)]),
                       ("(F4.1)", [r8(-0.0001)]), ("(F2.1)", [r8(-0.0044)]),
                       ("(SP,E10.3)", [r8(0.0)]), ("(3P,E12.4)", [r8(0.0)])):
        add("more edges of real fields", fmt, *items)
    for fmt, items in (("(L3)", [i4(1)]), ("(A)", [i4(65)]), ("(G10.3)", [i4(42)]),
                       ("(G10.3)", [logical(True)]), ("(G10.3)", [text("ab")]), ("(G5)", [i4(42)]),
                       ("(I0)", [i4(5)]), ("(F0.2)", [r8(1.5)])):
        add("edits and item types", fmt, *items)
    for fmt, items in (("(2(I2:','))", [i4(1)]), ("('a'/'b',I2)", [i4(1), i4(2)]),
                       ("(A3,TL2,A1)", [text("abc"), text("Z")]), ("(A,3X)", [text("a")]),
                       ("(1X,I3/)", [i4(5), i4(6)])):
        add("colon, slash and tabs", fmt, *items)
    add("literals", "('x=',I3)", i4(5))
    add("literals", "('it''s',I2)", i4(5))
    add("literals", '("q""uote",I2)', i4(5))
    return cases


# ---- The run-time's side ----

def case_line(case):
    items = []
    for item in case.items:
        if item.kind == "i":
            items.append(f"i:{item.value}")
        elif item.kind in "rd":
            items.append(f"{item.kind}:{item.value:x}")
        elif item.kind == "l":
            items.append(f"l:{item.value}")
        else:
            items.append("a:" + item.value.encode("latin-1").hex())
    return "\t".join([case.id, case.format] + items) + "\n"


@dataclass
class Outcome:
    status: int
    records: list  # the texts of the records written, trailing blanks removed
    stopped: str = ""  # how the process ended in this case, when it did


def parse_internal(lines):
    """Lines "case ID STATUS" and "rec HEX" (this run-time's internal route and the peers)."""
    outcomes, current = {}, None
    for line in lines:
        words = line.split()
        if len(words) == 3 and words[0] == "case":
            current = outcomes[words[1]] = Outcome(int(words[2]), [])
        elif len(words) == 2 and words[0] == "rec" and current is not None:
            current.records.append(bytes.fromhex(words[1]).decode("latin-1").rstrip(" "))
    return outcomes


def parse_console(lines):
    """Records as the console shows them, between "@@case ID" and "@@status N"."""
    outcomes, current = {}, None
    for line in lines:
        if line.strip().startswith("@@case "):
            current = Outcome(None, [])
            outcomes[line.split()[1]] = current
        elif line.strip().startswith("@@status ") and current is not None:
            current.status = int(line.split()[1])
            current = None
        elif current is not None:
            current.records.append(line.rstrip(" "))
    return outcomes


def run_lncalc(program, cases, work):
    """The route and the outcome of every case. A case that ends the process (a refusal that
    reports) is noted with the report, and the run goes on from the case after it."""
    route, outcomes, left = "internal", {}, list(cases)
    case_file = os.path.join(work, "cases.txt")
    while left:
        with open(case_file, "w", encoding="latin-1") as f:
            f.writelines(case_line(case) for case in left)
        done = subprocess.run([program, case_file], capture_output=True, timeout=300)
        lines = done.stdout.decode("latin-1").replace("\r\n", "\n").split("\n")
        if not lines[0].startswith("route "):
            raise RuntimeError(f"{program} failed ({done.returncode}): {done.stderr[-400:]!r}")
        route = lines[0].split()[1]
        outcomes.update((parse_internal if route == "internal" else parse_console)(lines[1:]))
        if done.returncode == 0:
            break
        stopped = next(i for i, case in enumerate(left) if case.id not in outcomes
                       or (route == "console" and outcomes[case.id].status is None))
        report = done.stderr.decode("latin-1").split()
        outcomes[left[stopped].id] = Outcome(0, [], f"exit {done.returncode}: {' '.join(report)}")
        left = left[stopped + 1:]
    return route, outcomes


def build_lncalc(build_dir):
    if not os.path.isfile(os.path.join(build_dir, "build.ninja")):
        subprocess.run(["cmake", "--preset", "native"], cwd=TOP, check=True,
                       stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "--target", "lncalc_format_compare", "-j2"],
                   cwd=TOP, check=True, stdout=subprocess.DEVNULL)
    return os.path.join(build_dir, "tools", "format_compare", "lncalc_format_compare")


# ---- The peers' side: one Fortran program per peer ----

def fortran_string(s):
    return "'" + s.replace("'", "''") + "'"


def fortran_integer(value, kind):
    least = -(1 << (63 if kind == "int64" else 31))
    return f"({least + 1}_{kind}-1)" if value == least else f"{value}_{kind}"


def fortran_item(item):
    if item.kind == "i":
        return fortran_integer(item.value, "int32")
    if item.kind == "r":
        signed = item.value - (1 << 32) if item.value >= 1 << 31 else item.value
        return f"transfer({fortran_integer(signed, 'int32')}, 0.0_real32)"
    if item.kind == "d":
        signed = item.value - (1 << 64) if item.value >= 1 << 63 else item.value
        return f"transfer({fortran_integer(signed, 'int64')}, 0.0_real64)"
    if item.kind == "l":
        return ".true." if item.value else ".false."
    return fortran_string(item.value)


def fortran_program(cases):
    out = ["program format_compare",
           "  use, intrinsic :: iso_fortran_env, only: int32, int64, real32, real64",
           "  implicit none",
           f"  character(len={RECORD_LENGTH}) :: rec({RECORD_COUNT})",
           "  character(len=:), allocatable :: fmt",
           "  integer :: ios"]
    for case in cases:
        out.append(f"  rec = repeat(char(1), {RECORD_LENGTH})")
        out.append(f"  fmt = {fortran_string(case.format)}")
        items = [fortran_item(item) for item in case.items]
        out.append("  write (rec, fmt, iostat=ios)" + (" &" if items else ""))
        out.extend(f"    {item}" + (", &" if n + 1 < len(items) else "")
                   for n, item in enumerate(items))
        out.append(f"  call report('{case.id}', ios)")
    out += ["contains",
            "  subroutine report(id, ios)",
            "    character(len=*), intent(in) :: id",
            "    integer, intent(in) :: ios",
            f"    character(len={2 * RECORD_LENGTH}) :: hex",
            "    integer :: k, j",
            "    write (*, '(A,A,A,I0)') 'case ', id, ' ', ios",
            f"    do k = 1, {RECORD_COUNT}",
            f"      if (rec(k) == repeat(char(1), {RECORD_LENGTH})) cycle",
            f"      write (hex, '({RECORD_LENGTH}Z2.2)') &",
            f"        (ichar(rec(k)(j:j)), j = 1, {RECORD_LENGTH})",
            "      write (*, '(A,A)') 'rec ', hex",
            "    end do",
            "  end subroutine report",
            "end program format_compare"]
    return "\n".join(out) + "\n"


PEER_FLAGS = {"gfortran": ["-fno-range-check", "-ffree-line-length-none"]}


def run_peer(peer, cases, work):
    output = build_and_run(peer, PEER_FLAGS.get(peer, []), fortran_program(cases), work)
    return parse_internal(output.split("\n"))


def peer_version(peer):
    try:
        first = subprocess.run([peer, "--version"], capture_output=True, text=True).stdout
        return first.splitlines()[0] if first else peer
    except OSError:
        return peer


# ---- Rules: the known ways in which run-times part ways ----

def drop_leading_zero(s):
    return re.sub(r"(?<![0-9.])([+-]?)0\.", r" \1.", s)


def blank_minus_on_zero(s):
    return re.sub(r"-(?=(?:0+\.?0*|\.0+)(?:[EeDd][+-]?[0-9]+|[+-][0-9]+)?(?![0-9.]))", " ", s)


def letter_d_as_e(s):
    return s.replace("D", "E")


def plus_on_negative_zero(s):
    """A negative zero is a zero to the conversion (its digits have no sign), so SP gives it a
    plus sign where a peer keeps the minus."""
    return re.sub(r"-(?=(?:0+\.?0*|\.0+)(?:[EeDd][+-]?[0-9]+|[+-][0-9]+)?(?![0-9.]))", "+", s)


# Each normalisation with the rule's name when it changes the peer's text, and when it changes
# this run-time's text.
NORMALISATIONS = [
    (drop_leading_zero, "no leading zero before the point",
     "leading zero before the point where the peer has none"),
    (blank_minus_on_zero, "no minus sign on a zero", "minus sign on a zero"),
    (letter_d_as_e, "exponent letter E for D editing", "exponent letter D where the peer has E"),
    (plus_on_negative_zero, "SP writes + on a negative zero",
     "minus sign on a zero under SP where the peer has +"),
]


def ordinal(n):
    suffix = "th" if 10 <= n % 100 <= 20 else {1: "st", 2: "nd", 3: "rd"}.get(n % 10, "th")
    return f"{n}{suffix}"


# No run-time limits its digits to fewer than this: a difference in the first few digits is a
# difference of rounding, not of precision.
LEAST_PRECISION = 6


def cut_or_rounded(short, full):
    """N when the digits of short are those of full cut or rounded to N significant digits and
    then zeros, else None. Both are digit strings of one length."""
    first = len(full) - len(full.lstrip("0"))
    differ = next((i for i in range(first, len(full)) if short[i] != full[i]), len(full))
    kept = max(differ, len(short.rstrip("0"))) - first
    if kept < LEAST_PRECISION or first + kept >= len(full):
        return None
    dropped = len(full) - first - kept
    whole, rest = divmod(int(full), 10 ** dropped)
    if int(short) in (whole * 10 ** dropped, (whole + 1) * 10 ** dropped) and rest != 0:
        return kept
    return None


def significant_digits(ours, peer):
    """The rule for numbers that agree up to the Nth significant digit, after which one side
    has only zeros (cut or rounded there)."""
    found = None
    for a, b in zip(ours, peer):
        spans = [m.span() for m in re.finditer(r"[0-9.]+", a)]
        if len(a) != len(b) or spans != [m.span() for m in re.finditer(r"[0-9.]+", b)]:
            return None
        if any(a[i] != b[i] for i in range(len(a)) if not any(s <= i < e for s, e in spans)):
            return None
        for s, e in spans:
            x, y = a[s:e], b[s:e]
            if x == y:
                continue
            if x.find(".") != y.find("."):
                return None
            x, y = x.replace(".", ""), y.replace(".", "")
            ours_short, theirs_short = cut_or_rounded(x, y), cut_or_rounded(y, x)
            if ours_short is not None:
                rule = f"digits past the {ordinal(ours_short)} significant are 0"
            elif theirs_short is not None:
                rule = f"the peer's digits past the {ordinal(theirs_short)} significant are 0"
            else:
                return None
            if found not in (None, rule):
                return None
            found = rule
    return found


def has_exponent(s):
    return re.search(r"[0-9][EeDd][+-]?[0-9]|[0-9.][+-][0-9]{3}", s) is not None


def special_value(case):
    """"infinity text" or "NaN text" for a case whose real item is not finite."""
    for item in case.items:
        if item.kind in "rd":
            bits = struct.pack("<I" if item.kind == "r" else "<Q", item.value)
            value = struct.unpack("<f" if item.kind == "r" else "<d", bits)[0]
            if value != value:
                return "NaN text"
            if value in (INF, -INF):
                return "infinity text"
    return None


def g_form(case, ours, peer):
    g = re.search(r"G[0-9]+\.([0-9]+)", case.format, re.IGNORECASE)
    if not g:
        return None
    if not any(has_exponent(a) != has_exponent(b) for a, b in zip(ours, peer)):
        return g_fixed_decimals(case, int(g.group(1)), ours)
    zero = all(re.fullmatch(r"[ +-]*0*\.?0*([EeDd][+-]?0+)?", a.strip() or "0") for a in ours)
    if zero:
        return "G of zero in E form" if any(has_exponent(a) for a in ours) else None
    return "G form chosen from the unrounded value"


def g_fixed_decimals(case, d, ours):
    """Both in G's fixed form with other decimals: this run-time takes d - p decimals for the
    unrounded value 0.x * 10^p (G8.1 of 0.95, whose double lies below 0.95, is "      .9"), where
    a peer may take them after rounding."""
    reals = [item for item in case.items if item.kind in "rd"]
    if len(reals) != 1 or len(ours) != 1 or has_exponent(ours[0]):
        return None
    value = Context(prec=17, rounding=ROUND_HALF_UP).plus(abs(exact_value(reals[0])))
    numbers = NUMBER.findall(ours[0])
    if value == 0 or len(numbers) != 1 or not 0 <= value.adjusted() + 1 <= d:
        return None
    decimals = d - (value.adjusted() + 1)
    shown, _ = decimal_number(numbers[0])
    unit = Decimal(1).scaleb(-decimals)
    written = numbers[0].split(".")[1] if "." in numbers[0] else ""
    if len(written) == decimals and abs(shown) == value.quantize(unit, rounding=ROUND_HALF_UP):
        return "G form chosen from the unrounded value"
    return None


def g_zero(case, ours, peer):
    """G of zero: the conversion takes a zero's point as 0, so G's fixed form keeps all d
    decimals (G10.3 of 0 is "  .000    ") where later standards write d - 1."""
    g = re.search(r"G([0-9]+)\.([0-9]+)", case.format, re.IGNORECASE)
    reals = [item for item in case.items if item.kind in "rd"]
    if not g or not reals or any(item.value & ~(1 << (31 if item.kind == "r" else 63))
                                 for item in reals):
        return None
    ours_form = re.compile(r" *\+?\.0{%d} *" % int(g.group(2)))
    peer_zero = re.compile(r" *[+-]?0*\.?0*([EeDd]?[+-]?0+)? *")
    if all(ours_form.fullmatch(a) and peer_zero.fullmatch(b) for a, b in zip(ours, peer)):
        return "G of zero in fixed form with d decimals"
    return None


NUMBER = re.compile(r"[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[EeDd][+-]?[0-9]+|[+-][0-9]+)?")


def decimal_number(token):
    """The value of a number as written, and one unit of its last digit."""
    m = re.fullmatch(r"([+-]?)([0-9]*)\.?([0-9]*)(?:[EeDd]?([+-]?[0-9]+))?", token)
    exponent = int(m.group(4) or 0)
    value = Decimal(m.group(1) + (m.group(2) or "0") + "." + (m.group(3) or "0"))
    return value.scaleb(exponent), Decimal(1).scaleb(exponent - len(m.group(3)))


def exact_value(item):
    bits = struct.pack("<I" if item.kind == "r" else "<Q", item.value)
    return Decimal(struct.unpack("<f" if item.kind == "r" else "<d", bits)[0])


def half_up(case, ours, peer):
    """A value that lies exactly halfway between two texts: the conversion rounds its decimal
    digits half up (away from zero) where a peer rounds the binary value to even."""
    reals = [item for item in case.items if item.kind in "rd"]
    if len(reals) != 1:
        return None
    value = Context(prec=17, rounding=ROUND_HALF_UP).plus(abs(exact_value(reals[0])))
    found = False
    for a, b in zip(ours, peer):
        if [m.span() for m in NUMBER.finditer(a)] != [m.span() for m in NUMBER.finditer(b)]:
            return None
        for x, y in zip(NUMBER.findall(a), NUMBER.findall(b)):
            if x == y:
                continue
            (xv, xu), (yv, yu) = decimal_number(x), decimal_number(y)
            if xu != yu or abs(xv) - abs(yv) != xu or (abs(xv) + abs(yv)) / 2 != value:
                return None
            found = True
        if NUMBER.sub("#", a) != NUMBER.sub("#", b):
            return None
    return "ties rounded half up" if found else None


def asterisks(ours, peer):
    for a, b in zip(ours, peer):
        if a == b:
            continue
        if len(a) != len(b):
            return None
        where = [i for i in range(len(a)) if a[i] != b[i]]
        if all(a[i] == "*" for i in where):
            return "asterisks where the peer writes the value"
        if all(b[i] == "*" for i in where):
            return "the peer writes asterisks where this run-time writes the value"
    return None


def by_normalisation(ours, peer):
    for count in (1, 2):
        for chosen in itertools.combinations(NORMALISATIONS, count):
            a, b = list(ours), list(peer)
            names = []
            for normalise, peer_name, ours_name in chosen:
                a2, b2 = [normalise(x) for x in a], [normalise(x) for x in b]
                names.append(ours_name if a2 != a else peer_name)
                a, b = a2, b2
            if a == b:
                return " + ".join(names)
    return None


def explain(case, ours, peer, route):
    """The rule that explains a difference of records, or None."""
    if route == "console" and [p[1:].rstrip(" ") for p in peer] == ours:
        return "console takes the first column as carriage control"
    if len(ours) != len(peer):
        return None
    simple = special_value(case) or by_normalisation(ours, peer)
    if simple:
        return simple
    # The rules of digits and forms, alone or after the normalisations of signs and zeros.
    for names, a, b in normalised(ours, peer):
        rule = (g_form(case, a, b) or g_zero(case, a, b) or significant_digits(a, b)
                or half_up(case, a, b) or asterisks(a, b))
        if rule:
            return " + ".join(names + [rule])
    return None


def normalised(ours, peer):
    """(names, ours, peer): the texts as they are, then after one or two normalisations that
    change them."""
    yield [], ours, peer
    for count in (1, 2):
        for chosen in itertools.combinations(NORMALISATIONS, count):
            a, b, names = list(ours), list(peer), []
            for normalise, peer_name, ours_name in chosen:
                a2, b2 = [normalise(x) for x in a], [normalise(x) for x in b]
                if (a2, b2) == (a, b):
                    break
                names.append(ours_name if a2 != a else peer_name)
                a, b = a2, b2
            else:
                yield names, a, b


def refusal(case):
    """The rule for a format that one side refuses and the other writes: the 1978 standard
    leaves both edits undefined."""
    for w, m in re.findall(r"I([0-9]+)\.([0-9]+)", case.format, re.IGNORECASE):
        if int(m) > int(w):
            return "Iw.m with m > w refused by one side"
    scale = re.match(r"\((?:(-?[0-9]+)P,)?[ED][0-9]+\.([0-9]+)", case.format, re.IGNORECASE)
    if scale and not -int(scale.group(2)) < int(scale.group(1) or 0) < int(scale.group(2)) + 2:
        return "kP outside -d < k < d+2 refused by one side"
    plain = re.sub(r"'[^']*'|\"[^\"]*\"", "", case.format.upper())
    if re.search(r"(?<![0-9.])(?:EN|ES|[IFEDGLA])0(?![0-9])", plain):
        return "width 0 refused (the 1978 standard wants w > 0)"
    if re.search(r"(?<![0-9.])G[0-9]+(?![0-9.])", plain):
        return "Gw without .d refused (the 1978 standard wants Gw.d)"
    if misfit(plain, case.items):
        return "an edit of another type than the item's refused (the 1978 pairing)"
    return None


# The item kinds each data edit serves in the 1978 standard; G serves every kind.
SERVES = {"I": "i", "L": "l", "A": "a", "F": "rd", "E": "rd", "D": "rd", "EN": "rd", "ES": "rd",
          "G": "ilard"}


def misfit(plain, items):
    """Whether an item meets a data edit that does not serve its kind, pairing the items with
    the edits in order (repeat counts of single edits counted; reversion to the start)."""
    edits = []
    for count, letter in re.findall(r"(?:^|[(,/:])\s*([0-9]*)\s*(EN|ES|[IFEDGLA])", plain):
        edits += [letter] * int(count or 1)
    return bool(edits) and any(item.kind not in SERVES[edits[n % len(edits)]]
                               for n, item in enumerate(items))


def classify(case, ours, peer, route):
    """(category, rule): same, both refuse, not available, explained or UNEXPLAINED."""
    if ours is not None and ours.stopped:
        return "UNEXPLAINED", f"UNEXPLAINED: the run-time ended the process ({ours.stopped})"
    if ours is None or ours.status == NOT_AVAILABLE:
        return "not available", ""
    if peer is None:
        return "UNEXPLAINED", "the peer gave no result"
    if ours.status != 0 and peer.status != 0:
        return "both refuse", ""
    if ours.status != 0 or peer.status != 0:
        rule = refusal(case)
        if rule:
            return "explained", rule
        if ours.status != 0:
            return "UNEXPLAINED", f"UNEXPLAINED: refused here only ({ours.status})"
        return "UNEXPLAINED", f"UNEXPLAINED: refused by the peer only (iostat {peer.status})"
    if ours.records == peer.records:
        return "same", ""
    rule = explain(case, ours.records, peer.records, route)
    return ("explained", rule) if rule else ("UNEXPLAINED", "UNEXPLAINED")


# ---- The report ----

def shown_records(outcome):
    if outcome is None:
        return "(no result)"
    if outcome.stopped:
        return "(the process ended)"
    if outcome.status == NOT_AVAILABLE:
        return "not available"
    texts = ["`" + r.replace(" ", "\u2423").replace("|", "\\|") + "`" if r else "(blank record)"
             for r in outcome.records]
    status = [] if outcome.status == 0 else [f"status {outcome.status}"]
    return "<br>".join(texts + status) or "(no record)"


def cell(s):
    return s.replace("|", "\\|")


def report(cases, route, ours, peers, versions, stand_in=None):
    lines = ["# Formatted output against the peers", ""]
    where = {"internal": "a character variable of 8 records of 200 characters",
             "console": "the console (first column taken as carriage control)"}
    who = f"{stand_in}, standing in for this run-time," if stand_in else "this run-time"
    lines.append(f"{len(cases)} cases; {who} writes to {where.get(route, route)}, "
                 "each peer to a character variable of 8 records of 200 characters.")
    lines += ["", "| peer | same | both refuse | explained | UNEXPLAINED | not available |",
              "|---|---|---|---|---|---|"]
    rows, rules = [], {}
    for peer, results in peers.items():
        counts = dict.fromkeys(["same", "both refuse", "explained", "UNEXPLAINED",
                                "not available"], 0)
        for case in cases:
            category, rule = classify(case, ours.get(case.id), results.get(case.id), route)
            counts[category] += 1
            if category in ("explained", "UNEXPLAINED", "not available"):
                rows.append((case, peer, category, rule))
            if category in ("explained", "UNEXPLAINED"):
                rules[(peer, rule)] = rules.get((peer, rule), 0) + 1
        lines.append(f"| {versions[peer]} | " + " | ".join(str(v) for v in counts.values()) + " |")
    if rules:
        lines += ["", "| peer | rule | cases |", "|---|---|---|"]
        lines += [f"| {peer} | {rule} | {n} |" for (peer, rule), n in sorted(rules.items())]
    lines += ["", "| case | group | format | items | peer | this run-time | peer's text | rule |",
              "|---|---|---|---|---|---|---|---|"]
    for case, peer, category, rule in rows:
        items = ", ".join(item.shown() for item in case.items)
        lines.append(f"| {case.id} | {case.group} | `{cell(case.format)}` | {cell(items)} | "
                     f"{peer} | {shown_records(ours.get(case.id))} | "
                     f"{shown_records(peers[peer].get(case.id))} | {cell(rule or category)} |")
    unexplained = any(category == "UNEXPLAINED" for _, _, category, _ in rows)
    return "\n".join(lines) + "\n", unexplained


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(TOP, "build", "native"))
    parser.add_argument("--program", help="a built lncalc_format_compare (not built again)")
    parser.add_argument("--peers", help="comma-separated compilers (default: gfortran and "
                        "flang-new-19, those installed)")
    parser.add_argument("--output", help="write the report here instead of standard output")
    parser.add_argument("--stand-in", help="a peer that takes this run-time's place, to try the "
                        "rules on real differences while this run-time refuses formatted transfer")
    args = parser.parse_args()
    peers = installed_peers(args.peers)
    cases = corpus()
    try:
        program = args.program or args.stand_in or build_lncalc(args.build)
        with tempfile.TemporaryDirectory(prefix="format-compare-") as work:
            if args.stand_in:
                route, ours = "internal", run_peer(args.stand_in, cases, work)
            else:
                route, ours = run_lncalc(program, cases, work)
            results = {peer: run_peer(peer, cases, work) for peer in peers}
    except (RuntimeError, OSError, subprocess.SubprocessError) as failure:
        print(f"format_compare: {failure}", file=sys.stderr)
        return 2
    text, unexplained = report(cases, route, ours, results, {p: peer_version(p) for p in peers},
                                 args.stand_in)
    write_report(text, args.output)
    return 1 if unexplained else 0


if __name__ == "__main__":
    sys.exit(main())
