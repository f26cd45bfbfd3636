#!/usr/bin/env python3
"""The rules of tools/format_compare.py on made-up differences, the peer program it generates on
a few cases with known texts (gfortran, when installed), and one whole run of the tool."""

import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(TOP, "tools"))  # the tools' shared module, as when they run
module_source = importlib.util.spec_from_file_location(
    "fc", os.path.join(TOP, "tools", "format_compare.py"))
fc = importlib.util.module_from_spec(module_source)
module_source.loader.exec_module(fc)

read_source = importlib.util.spec_from_file_location(
    "fcr", os.path.join(TOP, "tools", "format_compare_read.py"))
fcr = importlib.util.module_from_spec(read_source)
read_source.loader.exec_module(fcr)


def classify(fmt, items, ours, peer, ours_status=0, peer_status=0, route="internal"):
    case = fc.Case("1", "", fmt, items)
    return fc.classify(case, fc.Outcome(ours_status, ours), fc.Outcome(peer_status, peer), route)


class Rules(unittest.TestCase):
    def test_each_known_difference_gets_its_rule(self):
        cases = [
            ("(F4.2)", [fc.r8(0.5)], [" .50"], ["0.50"], "no leading zero before the point"),
            ("(F5.2)", [fc.r8(-0.5)], [" -.50"], ["-0.50"], "no leading zero before the point"),
            ("(F5.2)", [fc.r8(0.5)], [" 0.50"], ["  .50"],
             "leading zero before the point where the peer has none"),
            ("(F5.2)", [fc.r8(-0.0)], [" 0.00"], ["-0.00"], "no minus sign on a zero"),
            ("(F5.2)", [fc.r8(-0.0)], ["  .00"], ["-0.00"],
             "no leading zero before the point + no minus sign on a zero"),
            ("(E10.3)", [fc.r8(-0.0)], ["-0.000E+00"], [" 0.000E+00"], "minus sign on a zero"),
            ("(D12.4)", [fc.r8(1.5)], ["  0.1500E+01"], ["  0.1500D+01"],
             "exponent letter E for D editing"),
            ("(F30.25)", [fc.r8(0.1)], ["   0.1000000000000000100000000"],
             ["   0.1000000000000000055511151"], "digits past the 17th significant are 0"),
            ("(F30.25)", [fc.r8(0.1)], ["   0.1000000000000000000000000"],
             ["   0.1000000000000000055511151"], "digits past the 17th significant are 0"),
            ("(F15.10)", [fc.r4(1 / 3)], ["   0.3333333000"], ["   0.3333333433"],
             "digits past the 7th significant are 0"),
            ("(F15.10)", [fc.r4(1 / 3)], ["   0.3333333433"], ["   0.3333333000"],
             "the peer's digits past the 7th significant are 0"),
            ("(G10.3)", [fc.r8(999.96)], ["  1000.    "], [" 0.100E+04"],
             "G form chosen from the unrounded value"),
            ("(G10.3)", [fc.r8(0.0)], [" 0.000E+00"], ["  0.00    "], "G of zero in E form"),
            ("(G8.1)", [fc.r8(0.95)], ["      .9"], ["      1."],
             "G form chosen from the unrounded value"),
            ("(G10.3)", [fc.r8(-0.0)], ["  .000    "], [" -0.00    "],
             "G of zero in fixed form with d decimals"),
            ("(F3.0)", [fc.r8(2.5)], ["  3."], ["  2."], "ties rounded half up"),
            ("(F5.2)", [fc.r4(0.125)], ["  .13"], [" 0.12"],
             "no leading zero before the point + ties rounded half up"),
            ("(E10.2)", [fc.r8(-0.125)], [" -.13E+00"], ["-0.12E+00"],
             "no leading zero before the point + ties rounded half up"),
            ("(SP,F6.2)", [fc.r8(-0.0)], ["  +.00"], [" -0.00"],
             "no leading zero before the point + SP writes + on a negative zero"),
            ("(E15.8)", [fc.Item("r", 1)], ["  .14012980E-44"], [" 0.14012985E-44"],
             "no leading zero before the point + digits past the 7th significant are 0"),
            ("(F8.2)", [fc.r8(fc.INF)], ["  1#INF"], ["Infinity"], "infinity text"),
            ("(F8.2)", [fc.r8(float("nan"))], ["     NAN"], ["     NaN"], "NaN text"),
            ("(F3.2)", [fc.r8(0.5)], ["***"], [".50"], "asterisks where the peer writes the value"),
            ("(F4.2)", [fc.r8(0.5)], ["0.50"], ["****"],
             "the peer writes asterisks where this run-time writes the value"),
        ]
        for fmt, items, ours, peer, rule in cases:
            with self.subTest(fmt=fmt, ours=ours, peer=peer):
                self.assertEqual(classify(fmt, items, ours, peer), ("explained", rule))

    def test_a_difference_without_a_rule_is_unexplained(self):
        for fmt, items, ours, peer in [
                ("(F6.2)", [fc.r8(1.5)], ["  1.49"], ["  1.50"]),
                ("(F6.2)", [fc.r8(1.5)], ["  1.50"], ["  1.50", ""]),
                ("(I3,2X,I3)", [fc.i4(1), fc.i4(2)], ["  1   2"], ["  1    2"]),
                ("(G10.3)", [fc.r8(0.0)], ["  0.00    "], [" 0.000E+00"]),
                ("(F5.2)", [fc.r8(0.126)], ["  .13"], [" 0.12"]),  # not a tie
                ("(F3.0)", [fc.r8(2.5)], ["  2."], ["  3."]),  # rounded down by this run-time
                ("(G8.1)", [fc.r8(0.95)], ["      1."], ["      .9"]),
                ("(F30.25)", [fc.r8(0.1)], ["   0.1000000000000000000000000"],
                 ["   0.2000000000000000055511151"])]:
            with self.subTest(ours=ours, peer=peer):
                self.assertEqual(classify(fmt, items, ours, peer), ("UNEXPLAINED", "UNEXPLAINED"))

    def test_statuses(self):
        self.assertEqual(classify("(I5)", [fc.i4(1)], [], [], 6801, 0), ("not available", ""))
        self.assertEqual(classify("(I5)", [fc.i4(1)], ["    1"], ["    1"]), ("same", ""))
        self.assertEqual(classify("(I5)", [fc.i4(1)], [], [], 6207, 5006), ("both refuse", ""))
        self.assertEqual(classify("(I3.5)", [fc.i4(7)], ["***"], [], 0, 5006),
                         ("explained", "Iw.m with m > w refused by one side"))
        self.assertEqual(classify("(6P,E12.4)", [fc.r8(1.5)], [], [], 6207, 0),
                         ("explained", "kP outside -d < k < d+2 refused by one side"))
        self.assertEqual(classify("(I5)", [fc.i4(1)], [], ["    1"], 6207, 0),
                         ("UNEXPLAINED", "UNEXPLAINED: refused here only (6207)"))
        for fmt, items, rule in [
                ("(E10.0)", [fc.r8(1.5)], "kP outside -d < k < d+2 refused by one side"),
                ("(I0)", [fc.i4(5)], "width 0 refused (the 1978 standard wants w > 0)"),
                ("(G5)", [fc.i4(5)], "Gw without .d refused (the 1978 standard wants Gw.d)"),
                ("(I2,2L3)", [fc.i4(5), fc.logical(True), fc.i4(1)],
                 "an edit of another type than the item's refused (the 1978 pairing)")]:
            with self.subTest(fmt=fmt):
                self.assertEqual(classify(fmt, items, [], ["x"], 6207, 0), ("explained", rule))
        self.assertEqual(classify("(I2,2L3)", [fc.i4(5), fc.logical(True)], [], ["x"], 6207, 0)[0],
                         "UNEXPLAINED")

    def test_the_console_takes_the_first_column(self):
        self.assertEqual(classify("(I5)", [fc.i4(42)], ["  42"], ["   42"], route="console"),
                         ("explained", "console takes the first column as carriage control"))


class ReadRules(unittest.TestCase):
    def test_each_documented_choice_of_input_gets_its_rule_and_nothing_else_does(self):
        minus_zero, zero, one = "0 0 -2147483648", "0 0 0", "0 0 1072693248"
        for case, ours, peer, others, rule in [
                (("(I3)", "i", "  -.5"), "failed", "0 0", [],
                 "Iw: a sign or a point without digits refused (F6101)"),
                (("(BZ,F10.3)", "r", "1.5e"), one, "failed", [one],
                 "BZ: the blanks that pad a short record read as zeros"),
                (("(F10.3)", "r", "1e400"), "failed", "0 0 2146435072", [],
                 "a real beyond the double range refused (F6102)"),
                (("(F10.3)", "r", "-"), minus_zero, zero, [], "a minus zero keeps its sign"),
                (("(F10.3)", "r", "+."), zero, "failed", [],
                 "a number without digits before its exponent is zero"),
                (("(I4)", "i", "  -5"), "failed", "0 -5", [], None),
                (("(BZ,F10.3)", "r", "1.5e"), one, "failed", ["failed"], None),
                (("(F10.3)", "r", "1.5"), one, "0 0 1073217536", [], None),
                (("(F10.3)", "r", "1.5e"), zero, "failed", [], None)]:
            with self.subTest(case=case, ours=ours):
                self.assertEqual(fcr.rule(case, ours, peer, others), rule)


class Restart(unittest.TestCase):
    def test_a_case_that_ends_the_process_is_noted_and_the_run_goes_on(self):
        # A stand-in for the program that ends the process at case 2.
        fake = """import sys
print("route internal")
for line in open(sys.argv[1]):
    case = line.split("\\t")[0]
    if case == "2":
        sys.stderr.write("run-time error F6314")
        sys.exit(1)
    print("case", case, 0)
    print("rec", b"ok".hex())
    sys.stdout.flush()
"""
        cases = [fc.Case(str(n), "", "(I1)", [fc.i4(n)]) for n in (1, 2, 3)]
        with tempfile.TemporaryDirectory() as work:
            program = os.path.join(work, "fake")
            with open(program, "w") as f:
                f.write(f"#!{sys.executable}\n{fake}")
            os.chmod(program, 0o755)
            route, outcomes = fc.run_lncalc(program, cases, work)
        self.assertEqual(route, "internal")
        self.assertEqual([outcomes[c].records for c in "13"], [["ok"], ["ok"]])
        self.assertEqual(outcomes["2"].stopped, "exit 1: run-time error F6314")
        self.assertEqual(fc.classify(cases[1], outcomes["2"], fc.Outcome(0, ["2"]), route),
                         ("UNEXPLAINED", "UNEXPLAINED: the run-time ended the process "
                          "(exit 1: run-time error F6314)"))


@unittest.skipUnless(shutil.which("gfortran"), "gfortran is not installed")
class Peer(unittest.TestCase):
    def test_the_generated_program_writes_the_values_given_bit_for_bit(self):
        cases = [fc.Case("1", "", "(I12)", [fc.i4(-2147483648)]),
                 fc.Case("2", "", "(F6.2)", [fc.r8(-0.0)]),
                 fc.Case("3", "", "(ES15.8)", [fc.Item("r", 0x007FFFFF)]),
                 fc.Case("4", "", "('it''s',A,L2/)", [fc.text("|"), fc.logical(True)]),
                 fc.Case("5", "", "(I2)", [])]
        with tempfile.TemporaryDirectory() as work:
            results = fc.run_peer("gfortran", cases, work)
        self.assertEqual(results["1"].records, [" -2147483648"])
        self.assertEqual(results["2"].records, [" -0.00"])
        self.assertEqual(results["3"].records, [" 1.17549421E-38"])
        self.assertEqual(results["4"].records, ["it's| T", ""])
        self.assertEqual((results["5"].status, results["5"].records), (0, [""]))

    @unittest.skipUnless(os.environ.get("LNCALC_FORMAT_COMPARE"), "the program is not given")
    def test_a_whole_run_accounts_for_every_case(self):
        with tempfile.TemporaryDirectory() as work:
            report = os.path.join(work, "report.md")
            done = subprocess.run([sys.executable, os.path.join(TOP, "tools", "format_compare.py"),
                                   "--program", os.environ["LNCALC_FORMAT_COMPARE"],
                                   "--peers", "gfortran", "--output", report])
            self.assertIn(done.returncode, (0, 1))
            with open(report) as f:
                lines = f.read().splitlines()
        summary = [line for line in lines if line.startswith("| GNU Fortran")]
        self.assertEqual(len(summary), 1)
        counts = [int(n) for n in summary[0].strip("|").split("|")[1:]]
        self.assertEqual(sum(counts), len(fc.corpus()))
        rows = [line for line in lines if line.startswith("| ") and " | gfortran | " in line]
        self.assertEqual(len(rows), len(fc.corpus()) - counts[0] - counts[1])


if __name__ == "__main__":
    unittest.main()
