#!/usr/bin/env python3
"""Prints the tables of ratios of a round-robin run (round_robin.json) and the goals, met or
missed, then the table of the in-process benchmarks (io.json, conversion.json, fpu.json, format.json), the floor
of the C library's loops and this build's floating-point unit.

    report.py OUT_DIR
"""
import json
import sys

COLUMNS = ["printf", "snprintf+write", "to_chars+fwrite", "fgets+from_chars", "static C program",
           "lncalc", "lncalc, other build", "gfortran", "flang"]
ROWS = [  # (title, job, base job, base program)
    ("{n:,} WRITEs of one single real to a disk file, x printf", "write1", "write1", "printf"),
    ("the same, x snprintf + one write(2) per record", "write1", "write1", "snprintf+write"),
    ("{n4:,} WRITEs of four reals, x printf of one value per line", "write4", "write1", "printf"),
    ("{n:,} READs of one real from a file, x fgets + strtof", "read", "read", "fgets+strtof"),
    ("the dialogue, input \"2\", x the static C program", "dialogue", "dialogue", "static C program"),
    ("{n:,} formatted WRITEs (F12.4) of one real, x printf(\"%12.4f\")", "fwrite1", "fwrite1", "printf"),
    ("the same, x snprintf + one write(2) per record", "fwrite1", "fwrite1", "snprintf+write"),
    ("{n:,} formatted READs (F12.4) of one real, x fgets + strtof", "fread", "fread", "fgets+strtof"),
]


def fastest(out, name):
    """The fastest repetition of each in-process benchmark (ns per value); {} without its run."""
    try:
        data = json.load(open(f"{out}/{name}.json"))
    except OSError:
        return {}
    result = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "iteration" and "error_occurred" not in b:
            name = b["run_name"]
            result[name] = min(result.get(name, b["ns_per_value"]), b["ns_per_value"])
    return result


def print_table(r, present, metric, name, n):
    header = [f"job (whole process, {name})", "base (ms)"] + present
    lines = [header, ["---"] * len(header)]
    for title, job, base_job, base_label in ROWS:
        if job not in r:  # a run from before formatted transfer
            continue
        base = r[base_job][base_label][metric]
        cells = [title.format(n=n, n4=n // 4), f"{base * 1000:.1f}"]
        for c in present:
            if job == "write4" and c == "printf":
                cells.append(f"{r['write4']['printf'][metric] / base:.2f} (4 per line)")
            elif c in r[job]:
                cells.append(f"{r[job][c][metric] / base:.2f}")
            else:
                cells.append("")
        lines.append(cells)
    for cells in lines:
        print("| " + " | ".join(cells) + " |")


def main():
    out = sys.argv[1]
    run = json.load(open(f"{out}/round_robin.json"))
    r = run["results"]
    present = [c for c in COLUMNS if any(c in r[job] for job in r)]
    for metric, name in (("cpu", "processor time"), ("wall", "wall time")):
        print_table(r, present, metric, name, run["values"])
        print()

    print_file_rows(r, run["values"])
    goals = []
    def goal(what, ratio, limit):
        verdict = "met" if ratio <= limit else f"MISSED by {(ratio / limit - 1) * 100:.0f} %"
        goals.append(f"- {what}: {ratio:.2f} (goal <= {limit:.2f}): {verdict}")
    cpu = lambda job, label: r[job][label]["cpu"]
    for peer in ("gfortran", "flang"):
        if peer in r["dialogue"]:
            goal(f"dialogue x {peer}'s static program", cpu("dialogue", "lncalc") / cpu("dialogue", peer), 1.0)
    dialogue = r["dialogue"]
    rss, rss_c = dialogue["lncalc"]["rss_exact"], dialogue["static C program"]["rss_exact"]
    goals.append(f"- peak resident memory of the dialogue (exact, median of its runs): lncalc {rss} KiB, "
                 f"static C program {rss_c} KiB, "
                 f"difference {rss - rss_c} KiB (goal <= 64 KiB): {'met' if rss - rss_c <= 64 else 'MISSED'}"
                 f"; as wait4 reports it: {dialogue['lncalc']['rss']} and {dialogue['static C program']['rss']} KiB")
    goal("READ x fgets + strtof", cpu("read", "lncalc") / cpu("read", "fgets+strtof"), 2.0)
    conversion = fastest(out, "conversion")
    if "BM_ConvertRealText" in conversion:
        goal("convert_real_text x strtof (in process, per value)",
             conversion["BM_ConvertRealText"] / conversion["BM_Strtof"], 1.0)
    goal("WRITE of four values per statement x printf of one value per line",
         cpu("write4", "lncalc") / cpu("write1", "printf"), 0.8)
    goal("WRITE of one value per statement x snprintf + one write(2) per record",
         cpu("write1", "lncalc") / cpu("write1", "snprintf+write"), 1.0)
    for peer in ("gfortran", "flang"):
        if peer in r["write1"]:
            goal(f"WRITE of one value per statement x {peer}",
                 cpu("write1", "lncalc") / cpu("write1", peer), 1.0)
    if "fread" in r:
        goal("formatted READ (F12.4) x fgets + strtof", cpu("fread", "lncalc") / cpu("fread", "fgets+strtof"), 2.0)
        for peer in ("gfortran", "flang"):
            if peer in r["fread"]:
                goal(f"formatted READ (F12.4) x {peer}", cpu("fread", "lncalc") / cpu("fread", peer), 1.0)
        goals.append("- formatted WRITE (F12.4), one write(2) per record, x snprintf + one write(2) per "
                     f"record: {cpu('fwrite1', 'lncalc') / cpu('fwrite1', 'snprintf+write'):.2f}; x printf: "
                     f"{cpu('fwrite1', 'lncalc') / cpu('fwrite1', 'printf'):.2f}" +
                     "".join(f"; x {peer}: {cpu('fwrite1', 'lncalc') / cpu('fwrite1', peer):.2f}"
                             for peer in ("gfortran", "flang") if peer in r["fwrite1"]))
    for job in ("write1", "write4", "read", "dialogue"):
        if "lncalc, other build" in r[job]:
            goals.append(f"- this build x the other build, {job}: "
                         f"{cpu(job, 'lncalc') / cpu(job, 'lncalc, other build'):.3f}")
    print("Goals, by processor time:\n" + "\n".join(goals))
    print(f"\n{run['values']:,} values per job, {run['rounds']} rounds; the least processor time "
          "and the least wall time of each program's runs")


FILE_ROWS = [  # (title, job, floor)
    ("{n:,} list-directed WRITEs of one real to a file connected by OPEN", "owrite1", "fprintf"),
    ("{n:,} formatted WRITEs (F12.4) to a file connected by OPEN", "ofwrite1", "fprintf"),
    ("{n:,} list-directed READs of one real from a file connected by OPEN", "oread", "fgets+strtof"),
    ("{n:,} formatted READs (F12.4) from a file connected by OPEN", "ofread", "fgets+strtof"),
    ("one unformatted WRITE of {n:,} double reals", "uwrite", "fwrite"),
    ("one unformatted READ of {n:,} double reals", "uread", "fread"),
]
FRONT_ROWS = [  # (title, job, label of the Fortran program on the engine, label on flang's own)
    ("list-directed WRITE to a file connected by OPEN", "owrite1", "lncalc-flang", "flang"),
    ("formatted WRITE (F12.4) to a file connected by OPEN", "ofwrite1", "lncalc-flang", "flang"),
    ("list-directed READ from a file connected by OPEN", "oread", "lncalc-flang", "flang"),
    ("formatted READ (F12.4) from a file connected by OPEN", "ofread", "lncalc-flang", "flang"),
    ("unformatted WRITE of the array", "uwrite", "lncalc-flang", "flang"),
    ("unformatted READ of the array", "uread", "lncalc-flang", "flang"),
    ("list-directed WRITE to unit * redirected to a file", "write1", "lncalc-flang", "flang"),
    ("formatted WRITE (F12.4) to unit * redirected to a file", "fwrite1", "lncalc-flang", "flang"),
    ("the calculator's dialogue (tests/fortran/calculator.f), input \"2\"", "dialogue",
     "calculator.f, lncalc-flang", "calculator.f, flang"),
]


def print_file_rows(r, n):
    """The jobs on files connected by OPEN: the engine against the faster peer and the C floor,
    and the Fortran front against flang's own run-time; processor time."""
    if "owrite1" not in r:
        return
    ms = lambda job, label: f"{r[job][label]['cpu'] * 1000:.1f}" if label in r[job] else ""
    print("| job (whole process, processor time, ms) | lncalc | gfortran | flang | C floor | "
          "x faster peer (<= 1.0) | x C floor (<= 1.5) |")
    print("|---|---|---|---|---|---|---|")
    for title, job, floor in FILE_ROWS:
        mine = r[job]["lncalc"]["cpu"]
        peers = [r[job][p]["cpu"] for p in ("gfortran", "flang") if p in r[job]]
        peer = f"{mine / min(peers):.2f}" if peers else ""
        print(f"| {title.format(n=n)} | {ms(job, 'lncalc')} | {ms(job, 'gfortran')} | "
              f"{ms(job, 'flang')} | {ms(job, floor)} ({floor}) | {peer} | "
              f"{mine / r[job][floor]['cpu']:.2f} |")
    print("\nPeak resident memory of the array jobs (KiB, exact, median of 3 runs), with the "
          "job's count and with one value, and the difference (goal: at most twice the array):")
    for job in ("uwrite", "uread"):
        cells = [f"{label} {v['array_peak']['peak']} - {v['array_peak']['baseline']} = "
                 f"{v['array_peak']['above']}" for label, v in r[job].items() if "array_peak" in v]
        print(f"- {job}: " + "; ".join(cells) + f" (array {8 * n // 1024} KiB)")
    print("\n| the same Fortran source, processor time (ms) | lncalc-flang | flang | ratio (<= 1.0) |")
    print("|---|---|---|---|")
    for title, job, mine, theirs in FRONT_ROWS:
        if mine in r.get(job, {}) and theirs in r[job]:
            print(f"| {title} | {ms(job, mine)} | {ms(job, theirs)} | "
                  f"{r[job][mine]['cpu'] / r[job][theirs]['cpu']:.2f} |")
    print()


def print_in_process(out):
    io, conv = fastest(out, "io"), fastest(out, "conversion")
    if not io or not conv:
        return
    rows = []
    def row(what, value, base_name, base, goal=None):
        ratio = value / base
        verdict = "" if goal is None else ("met" if ratio <= goal else "MISSED")
        rows.append((what, f"{value:8.1f}", base_name, f"{base:8.1f}", f"{ratio:6.2f}",
                     "" if goal is None else f"<= {goal:.2f}", verdict))
    for n, label in ((1, "one per statement"), (4, "four per statement")):
        e = io[f"BM_WriteEngine/{n}"]
        row(f"WRITE, {label} (ns/value)", e, "snprintf+fwrite", io[f"BM_WriteSnprintf/{n}"])
        row(f"WRITE, {label} (ns/value)", e, "to_chars+fwrite", io[f"BM_WriteToChars/{n}"])
    row("READ (ns/value)", io["BM_ReadEngine"], "fgets+strtof", io["BM_ReadStrtof"], 2.0)
    row("format_real (ns/value)", conv["BM_FormatReal"], "snprintf %15.6E", conv["BM_SnprintfE"])
    row("format_real (ns/value)", conv["BM_FormatReal"], "to_chars", conv["BM_ToCharsE"])
    row("decimal_digits (ns/value)", conv["BM_DecimalDigits"], "to_chars", conv["BM_ToCharsE"])
    row("convert_real_text (ns/value)", conv["BM_ConvertRealText"], "strtof", conv["BM_Strtof"], 1.0)
    fpu = fastest(out, "fpu")
    if fpu:
        row("software logarithm (ns/call)", fpu["BM_SoftwareLog"], "this build's unit",
            fpu["BM_UnitLog"])
        row("software natural_log path (ns/call)", fpu["BM_SoftwareNaturalLog"],
            "this build's unit", fpu["BM_UnitNaturalLog"])
    form = fastest(out, "format")
    if form:
        row("formatted WRITE (F12.4), internal (ns/value)", form["BM_FormattedWriteF"],
            "snprintf %12.4f", form["BM_SnprintfF"], 1.0)
        row("formatted WRITE (4E15.7), internal (ns/value)", form["BM_FormattedWriteE4"],
            "snprintf %15.7E", form["BM_SnprintfE4"], 1.0)
        row("formatted READ (F12.4), internal (ns/value)", form["BM_FormattedReadF"], "strtof",
            form["BM_StrtofF"], 1.5)
        row("begin + end, (F12.4), no item (ns/statement)", form["BM_BeginEnd/formatted:1"],
            "list-directed", form["BM_BeginEnd/formatted:0"])
    header = ("measure", "value", "baseline", "base", "ratio", "goal", "")
    widths = [max(len(r[i]) for r in rows + [header]) for i in range(7)]
    print("\nIn process, processor time per value (the fastest of the repetitions):\n")
    for cells in [header, tuple("-" * w for w in widths)] + rows:
        print("| " + " | ".join(c.ljust(w) for c, w in zip(cells, widths)) + " |")
    if fpu:
        worst = max(fpu["BM_SoftwareLog"], fpu["BM_SoftwareNaturalLog"])
        print(f"\nThe software logarithm costs at most {worst:.0f} ns per call, the whole path of the "
              f"routine included (goal <= 2000 ns): {'met' if worst <= 2000 else 'MISSED'}")


if __name__ == "__main__":
    main()
    print_in_process(sys.argv[1])
