#!/usr/bin/env python3
"""Runs every whole-process job of every program in turn, round after round, so that each ratio
compares programs measured under the same load, and prints one table of ratios.

    round_robin.py --build DIR [--other DIR] [--peers DIR] [--rounds R] [--values N]
                   [--dialogue-runs M] [--array-runs A] --out DIR

The programs of a job run one after the other in each round (a dialogue program M times in each
round, interleaved with the others, an array job's program A times); a program's figure is the
least processor time (user and system, from wait4) over its runs, the least disturbed by other
work on the machine. Before
timing, each program's output is checked: the count and the sum of the values each writer
wrote, read back from its file, against the values themselves; the count and the sum that each
reader reports against those of fgets + strtof; the calculator's bytes against the static C
program's, and each peer's logarithm of 2.

The file jobs (FILE_JOBS) name a file after their count: each writer its own, removed before
every run, so that every writer creates its file; each reader the one input of its job. The
array jobs' peak memory is taken in runs of their own, exact (see run), with the job's count
and with one value, the process's baseline.
"""
import argparse
import json
import math
import os
import random
import re
import struct
import sys

MEASURE = None  # the launcher, bench/measure.c


def job_values(n):
    """The values of values.h."""
    s, values = 2026, []
    for _ in range(n):
        first = (s * 1664525 + 1013904223) & 0xFFFFFFFF
        second = (first * 1664525 + 1013904223) & 0xFFFFFFFF
        s = second
        k = second >> 8
        e = (k >> 3) % 23 if k % 8 == 0 else (k >> 3) % 241 - 120
        x = math.ldexp(1.0 + (first >> 9) * 2.0**-23, e)
        values.append(-x if second >> 31 else x)
    return values


def job_fixed_values(n):
    """The fixed-point values of values.h (job_fixed_value)."""
    s, values = 2026, []
    for _ in range(n):
        first = (s * 1664525 + 1013904223) & 0xFFFFFFFF
        second = (first * 1664525 + 1013904223) & 0xFFFFFFFF
        s = second
        x = math.ldexp(1.0 + (first >> 9) * 2.0**-23, (second >> 8) % 26 - 10)
        values.append(-x if second >> 31 else x)
    return values


def fixed_input_lines(n):
    """The records of the formatted READ: the fixed-point values as "%12.4f" writes them."""
    return "".join(f"{x:12.4f}\n" for x in job_fixed_values(n))


def value_lines(n):
    """The records of the list-directed READ from a file: the values as " %15.6E" writes them."""
    return "".join(f" {x:15.6E}\n" for x in job_values(n))


def array_record(n):
    """The unformatted sequential record of the values as double reals, between its lengths."""
    marker = struct.pack("<I", 8 * n)
    return marker + struct.pack(f"<{n}d", *job_values(n)) + marker


# Jobs on a file named by their last argument: the writers' files and the readers' input.
FILE_JOBS = {"owrite1": None, "ofwrite1": None, "uwrite": None,
             "oread": "values.txt", "ofread": "fixed.txt", "uread": "array.dat"}
FILE_ARGUMENT = "{file}"


def input_lines(n):
    """Input lines in the three forms a user types: 1.5, -2.25E-03 and 7d2."""
    r = random.Random(20240612)
    lines = []
    for i in range(n):
        a, b, e = r.randrange(10000), r.randrange(100), r.randrange(20) - 10
        if i % 3 == 0:
            lines.append(f"{a}.{b}")
        elif i % 3 == 1:
            lines.append(f"-{a % 10}.{b}E{e:+03d}")
        else:
            lines.append(f"{a % 100}d{abs(e)}")
    return "\n".join(lines) + "\n"


def run(argv, stdin_path, stdout_path, exact_peak=False):
    """One whole process through the launcher: its processor time, wall time and peak resident
    memory (KiB): with exact_peak the kernel's summed peak, read as the process exits, else the
    figure of wait4, which is short by the counts still held per processor."""
    report = f"{os.path.dirname(stdout_path)}/measure.txt"
    error = os.open(report, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    command = [MEASURE, stdin_path, stdout_path] + argv
    environment = dict(os.environ, **({"LNCALC_MEASURE_EXACT_PEAK": "1"} if exact_peak else {}))
    pid = os.posix_spawn(MEASURE, command, environment, file_actions=[(os.POSIX_SPAWN_DUP2, error, 2)])
    os.waitpid(pid, 0)
    os.close(error)
    fields = open(report).read().split()
    if len(fields) != 5 or fields[4] != "0":
        sys.exit(f"{' '.join(argv)}: {' '.join(fields) or 'not run'}")
    user, system, wall, peak = float(fields[0]), float(fields[1]), float(fields[2]), int(fields[3])
    return user + system, wall, peak


def numbers(path):
    text = open(path, "rb").read().decode("latin-1").replace("D", "E").replace("d", "e")
    return [float(t) for t in text.split()]


def programs(args):
    """(job, label, argv) of every program that can run here."""
    b, n = args.build, str(args.values)
    engines = [("lncalc", b)] + ([("lncalc, other build", args.other)] if args.other else [])
    engines_with_jobs = [(label, d) for label, d in engines
                         if os.path.exists(f"{d}/bench/lncalc_engine_jobs")]
    table = []
    for job in ("write1", "write4"):
        for label, d in engines_with_jobs:
            table.append((job, label, [f"{d}/bench/lncalc_engine_jobs", job, n]))
        table.append((job, "printf", [f"{b}/bench/lncalc_c_floor", "printf" + job[-1], n]))
        table.append((job, "snprintf+write", [f"{b}/bench/lncalc_c_floor", job, n]))
        table.append((job, "to_chars+fwrite", [f"{b}/bench/lncalc_cpp_floor", "to_chars" + job[-1], n]))
    for label, d in engines_with_jobs:
        table.append(("read", label, [f"{d}/bench/lncalc_engine_jobs", "read", n]))
    table.append(("read", "fgets+strtof", [f"{b}/bench/lncalc_c_floor", "strtof", n]))
    table.append(("read", "fgets+from_chars", [f"{b}/bench/lncalc_cpp_floor", "from_chars", n]))
    # Formatted transfer, "(F12.4)": this build only (an other build may be older than it).
    table.append(("fwrite1", "lncalc", [f"{b}/bench/lncalc_engine_jobs", "fwrite1", n]))
    table.append(("fwrite1", "printf", [f"{b}/bench/lncalc_c_floor", "printff", n]))
    table.append(("fwrite1", "snprintf+write", [f"{b}/bench/lncalc_c_floor", "writef", n]))
    table.append(("fread", "lncalc", [f"{b}/bench/lncalc_engine_jobs", "fread", n]))
    table.append(("fread", "fgets+strtof", [f"{b}/bench/lncalc_c_floor", "strtof", n]))
    table += file_programs(args)
    for label, d in engines:
        table.append(("dialogue", label, [f"{d}/lncalc"]))
    table.append(("dialogue", "static C program", [f"{b}/bench/lncalc_dialogue_baseline"]))
    for compiler in ("gfortran", "flang", "lncalc-flang"):
        jobs = f"{args.peers}/jobs-{compiler}"
        if args.peers and os.path.exists(jobs):
            for job in ("write1", "write4", "read", "fwrite1", "fread") + tuple(FILE_JOBS):
                table.append((job, compiler, [jobs, job, n] + ([FILE_ARGUMENT] if job in FILE_JOBS else [])))
            table.append(("dialogue", compiler, [f"{args.peers}/dialogue-{compiler}"]))
        calculator = f"{args.peers}/calculator-{compiler}"
        if args.peers and os.path.exists(calculator):
            table.append(("dialogue", f"calculator.f, {compiler}", [calculator]))
    return [(job, label, [os.path.abspath(argv[0])] + argv[1:]) for job, label, argv in table]


def file_programs(args):
    """The engine's and the C floors' programs of the file jobs."""
    b, n = args.build, str(args.values)
    engine, floor = f"{b}/bench/lncalc_engine_jobs", f"{b}/bench/lncalc_c_floor"
    floors = {"owrite1": ("fprintf", "fprintf1"), "ofwrite1": ("fprintf", "fprintff"),
              "oread": ("fgets+strtof", "fgets"), "ofread": ("fgets+strtof", "fgets"),
              "uwrite": ("fwrite", "fwritea"), "uread": ("fread", "freada")}
    table = []
    for job, (label, floor_job) in floors.items():
        table.append((job, "lncalc", [engine, job, n, FILE_ARGUMENT]))
        table.append((job, label, [floor, floor_job, n, FILE_ARGUMENT]))
    return table


def file_argv(args, job, label, argv):
    """argv with its file named: a writer's own file (removed first), or the job's input."""
    if FILE_ARGUMENT not in argv:
        return argv
    if FILE_JOBS[job] is not None:
        path = f"{args.out}/{FILE_JOBS[job]}"
    else:
        path = f"{args.out}/{job}-{label.replace(' ', '_').replace(',', '')}.dat"
        if os.path.exists(path):
            os.remove(path)
    return [path if a == FILE_ARGUMENT else a for a in argv]


def check_array(path, n):
    data = open(path, "rb").read()
    if data != array_record(n):
        sys.exit(f"{path}: not the unformatted record of the {n} values ({len(data)} bytes)")


def check_outputs(args, table, inputs):
    """Each writer wrote its values (the fixed-point ones to four decimals), each reader read what
    fgets + strtof reads from the same input."""
    written = {"write": job_values(args.values), "fwrite": job_fixed_values(args.values)}
    reads = {}
    written["owrite"], written["ofwrite"] = written["write"], written["fwrite"]
    for job, label, argv in table:
        out = f"{args.out}/{job}-{label.replace(' ', '_').replace(',', '')}.out"
        argv = file_argv(args, job, label, argv)
        run(argv, inputs[job], out)
        if job == "uwrite":
            check_array(argv[-1], args.values)
        elif "write" in job:
            values = written[job.rstrip("14")]
            magnitude = sum(abs(v) for v in values) + 1e-4 * len(values)
            got = numbers(argv[-1] if job in FILE_JOBS else out)
            if len(got) != args.values or abs(sum(got) - sum(values)) > 1e-6 * magnitude:
                sys.exit(f"{label} {job}: {len(got)} values, sum {sum(got)!r} (want {sum(values)!r})")
        elif "read" in job:
            reads.setdefault(job, {})[label] = numbers(out)
        else:
            text = open(out, "rb").read().decode("latin-1")
            line = next((l for l in text.splitlines() if "ln(" in l), "")
            found = re.findall(r"[-+]?\d*\.\d*(?:[EeDd][-+]?\d+)?", line)
            if len(found) < 2 or abs(float(found[-1].replace("D", "E")) - math.log(2)) > 1e-6:
                sys.exit(f"{label}: no logarithm of 2 in {line!r}")
    for job, by_label in reads.items():
        floor = by_label["fread" if job == "uread" else "fgets+strtof"]
        for label, (count, total) in by_label.items():
            if count != args.values or abs(total - floor[1]) > 1e-9 * max(1.0, abs(floor[1])):
                sys.exit(f"{label} {job}: count {count}, sum {total!r} (fgets+strtof {floor!r})")
    if "uread" in reads and reads["uread"]["fread"] != [args.values, sum(job_values(args.values))]:
        sys.exit(f"fread uread: {reads['uread']['fread']!r}")
    expected = open(f"{args.out}/dialogue-static_C_program.out", "rb").read()
    if open(f"{args.out}/dialogue-lncalc.out", "rb").read() != expected:
        sys.exit("the static C program does not write the calculator's bytes")


def measure(args, table, inputs):
    best = {}
    for round_number in range(args.rounds):
        print(f"round {round_number + 1} of {args.rounds} ...", file=sys.stderr)
        for job, label, argv in table:
            if job == "dialogue":
                continue
            # The array jobs take some milliseconds, near the resolution of processor time.
            for _ in range(args.array_runs if job in ("uwrite", "uread") else 1):
                result = run(file_argv(args, job, label, argv), inputs[job], f"{args.out}/scratch.out")
                best.setdefault((job, label), []).append(result)
        dialogues = [entry for entry in table if entry[0] == "dialogue"]
        for _ in range(args.dialogue_runs):
            for job, label, argv in dialogues:
                result = run(argv, inputs[job], f"{args.out}/scratch.out")
                best.setdefault((job, label), []).append(result)
    return best


def exact_peaks(args, table, inputs, runs=5):
    """The median of the exact peak resident memory of each dialogue program, in runs of their
    own (the stop at the exit adds to the times)."""
    peaks = {}
    for job, label, argv in table:
        if job == "dialogue":
            sample = sorted(run(argv, inputs[job], f"{args.out}/scratch.out", True)[2]
                            for _ in range(runs))
            peaks[label] = sample[len(sample) // 2]
    return peaks


def array_peaks(args, table, inputs, runs=3):
    """The exact peak resident memory (KiB, median of runs) of each array job's program with the
    job's count and with one value, and its difference: what the array and its transfer cost."""
    peaks = {}
    for job, label, argv in table:
        if job not in ("uwrite", "uread"):
            continue
        figures = []
        for n in (str(args.values), "1"):
            if job == "uread" and n == "1":
                open(f"{args.out}/array1.dat", "wb").write(array_record(1))
            one = [a if a != str(args.values) else n for a in argv]
            one = file_argv(args, job, label, one)
            if job == "uread" and n == "1":
                one[-1] = f"{args.out}/array1.dat"
            sample = sorted(run(one, inputs[job], f"{args.out}/scratch.out", True)[2] for _ in range(runs))
            figures.append(sample[len(sample) // 2])
        peaks.setdefault(job, {})[label] = {"peak": figures[0], "baseline": figures[1],
                                            "above": figures[0] - figures[1]}
    return peaks


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--other")
    parser.add_argument("--peers")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--values", type=int, default=1000000)
    parser.add_argument("--dialogue-runs", type=int, default=100)
    parser.add_argument("--array-runs", type=int, default=10)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    global MEASURE
    MEASURE = os.path.abspath(f"{args.build}/bench/lncalc_measure")
    os.makedirs(args.out, exist_ok=True)
    inputs = {"read": f"{args.out}/read.in", "fread": f"{args.out}/fread.in",
              "dialogue": f"{args.out}/dialogue.in"}
    inputs["write1"] = inputs["write4"] = inputs["fwrite1"] = os.devnull
    for job in FILE_JOBS:
        inputs[job] = os.devnull
    open(f"{args.out}/values.txt", "w").write(value_lines(args.values))
    open(f"{args.out}/fixed.txt", "w").write(fixed_input_lines(args.values))
    open(f"{args.out}/array.dat", "wb").write(array_record(args.values))
    open(inputs["read"], "w").write(input_lines(args.values))
    open(inputs["fread"], "w").write(fixed_input_lines(args.values))
    open(inputs["dialogue"], "w").write("2\n\n")
    table = programs(args)
    check_outputs(args, table, inputs)
    runs = measure(args, table, inputs)
    peaks = exact_peaks(args, table, inputs)
    arrays = array_peaks(args, table, inputs)
    results = {}
    for (job, label), samples in runs.items():
        cpu = sorted(s[0] for s in samples)
        rss = sorted(s[2] for s in samples)
        results.setdefault(job, {})[label] = {
            "cpu": cpu[0], "cpu_median": cpu[len(cpu) // 2],
            "wall": min(s[1] for s in samples), "rss": rss[len(rss) // 2], "rss_max": rss[-1],
            "runs": len(samples)}
        if job == "dialogue":
            results[job][label]["rss_exact"] = peaks[label]
        if job in arrays:
            results[job][label]["array_peak"] = arrays[job][label]
    json.dump({"values": args.values, "rounds": args.rounds, "results": results},
              open(f"{args.out}/round_robin.json", "w"), indent=1)


if __name__ == "__main__":
    main()
