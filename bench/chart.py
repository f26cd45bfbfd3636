#!/usr/bin/env python3
"""Draws the ratios of a round-robin run (round_robin.json) as grouped bars, one group per job,
one bar per program, into a PNG (Debian's python3-matplotlib).

    chart.py OUT_DIR PNG
"""
import json
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

JOBS = [("write1", "write1", "printf", "1 value per WRITE\nx printf"),
        ("write4", "write1", "printf", "4 values per WRITE\nx printf, 1 per line"),
        ("read", "read", "fgets+strtof", "READ of 1 value\nx fgets + strtof"),
        ("dialogue", "dialogue", "static C program", "the dialogue\nx static C program")]
PROGRAMS = ["lncalc", "lncalc, other build", "gfortran", "flang", "snprintf+write",
            "to_chars+fwrite", "fgets+from_chars"]


def main():
    results = json.load(open(sys.argv[1] + "/round_robin.json"))["results"]
    shown = [p for p in PROGRAMS if any(p in results[j] for j, _, _, _ in JOBS)]
    width = 0.8 / len(shown)
    figure, axes = plt.subplots(figsize=(10, 4.5))
    for i, program in enumerate(shown):
        xs, ys = [], []
        for k, (job, base_job, base, _) in enumerate(JOBS):
            if program in results[job]:
                xs.append(k + (i - (len(shown) - 1) / 2) * width)
                ys.append(results[job][program]["cpu"] / results[base_job][base]["cpu"])
        bars = axes.bar(xs, ys, width, label=program)
        axes.bar_label(bars, fmt="%.2f", fontsize=7)
    axes.axhline(1.0, color="black", linewidth=0.8)
    axes.set_xticks(range(len(JOBS)), [title for _, _, _, title in JOBS])
    axes.set_ylabel("processor time, ratio to the C floor")
    axes.set_title("Whole processes, one round-robin run")
    axes.legend(fontsize=8)
    figure.tight_layout()
    figure.savefig(sys.argv[2], dpi=110)


if __name__ == "__main__":
    main()
