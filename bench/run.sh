#!/usr/bin/env bash
# Runs every benchmark once and prints a table of ratios, each against its baseline measured in
# the same run (times are CPU times per value for the in-process benchmarks, wall times of whole
# processes for the dialogue).
#   bench/run.sh [REPETITIONS]        default 5; the repetitions of all benchmarks of a program
#                                     are interleaved and the fastest of each is used, as the
#                                     least disturbed by other work on the machine
# Environment: LNCALC_BENCH_VALUES (values per pass, default 1000000), LNCALC_BENCH_DIR (where
# the scratch files go, default $TMPDIR or /tmp), LNCALC_BENCH_RUNS (hyperfine runs, default 500).
set -euo pipefail
cd "$(dirname "$0")/.."
repetitions=${1:-5}
runs=${LNCALC_BENCH_RUNS:-500}
build=build/bench
out=$build/results
cmake --preset bench >/dev/null
cmake --build --preset bench --target lncalc lncalc_bench_io lncalc_bench_conversion \
    lncalc_dialogue_baseline lncalc_with_input >/dev/null
mkdir -p "$out"

# 1. In-process benchmarks.
for name in io conversion; do
    echo "running lncalc_bench_$name ..." >&2
    "$build/bench/lncalc_bench_$name" --benchmark_repetitions="$repetitions" \
        --benchmark_enable_random_interleaving=true --benchmark_format=json \
        >"$out/$name.json"
done

# 2. The whole dialogue: input "2" and an empty reply, from a file; both programs must write the
#    same bytes.
printf '2\n\n' >"$out/dialogue.in"
"$build/lncalc" <"$out/dialogue.in" >"$out/lncalc.out"
"$build/bench/lncalc_dialogue_baseline" <"$out/dialogue.in" >"$out/baseline.out"
if ! cmp -s "$out/lncalc.out" "$out/baseline.out"; then
    echo "the baseline does not write the calculator's bytes" >&2
    exit 1
fi
launch="$build/bench/lncalc_with_input $out/dialogue.in"
echo "running hyperfine ($runs runs each) ..." >&2
hyperfine -N --warmup 50 --runs "$runs" --style none --export-json "$out/dialogue.json" \
    "$launch $build/lncalc" "$launch $build/bench/lncalc_dialogue_baseline" "$launch" >/dev/null 2>&1

# 3. Peak resident memory (the largest of five runs).
peak() {
    local most=0 kib
    for _ in 1 2 3 4 5; do
        /usr/bin/time -o "$out/time.txt" -f '%M' "$1" <"$out/dialogue.in" >/dev/null
        kib=$(tail -n 1 "$out/time.txt")
        most=$((kib > most ? kib : most))
    done
    echo "$most"
}
peak "$build/lncalc" >"$out/lncalc.rss"
peak "$build/bench/lncalc_dialogue_baseline" >"$out/baseline.rss"

python3 - "$out" <<'PY'
import json, sys
out = sys.argv[1]

def fastest(name):
    data = json.load(open(f"{out}/{name}.json"))
    result = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "iteration" and "error_occurred" not in b:
            name = b["run_name"]
            result[name] = min(result.get(name, b["ns_per_value"]), b["ns_per_value"])
    return result

io = fastest("io")
conv = fastest("conversion")
rows = []
def row(what, value, base_name, base, goal=None):
    ratio = value / base
    verdict = "" if goal is None else ("met" if ratio <= goal else "MISSED")
    rows.append((what, f"{value:8.1f}", base_name, f"{base:8.1f}", f"{ratio:6.2f}",
                 "" if goal is None else f"<= {goal:.2f}", verdict))

for n, label in ((1, "one per statement"), (4, "four per statement")):
    e = io[f"BM_WriteEngine/{n}"]
    row(f"WRITE, {label} (ns/value)", e, "snprintf+fwrite", io[f"BM_WriteSnprintf/{n}"], 1.0)
    row(f"WRITE, {label} (ns/value)", e, "to_chars+fwrite", io[f"BM_WriteToChars/{n}"], 1.0)
row("READ (ns/value)", io["BM_ReadEngine"], "fgets+strtof", io["BM_ReadStrtof"], 1.0)
row("format_real (ns/value)", conv["BM_FormatReal"], "snprintf %15.6E", conv["BM_SnprintfE"])
row("format_real (ns/value)", conv["BM_FormatReal"], "to_chars", conv["BM_ToCharsE"])
row("decimal_digits (ns/value)", conv["BM_DecimalDigits"], "to_chars", conv["BM_ToCharsE"])
row("convert_real_text (ns/value)", conv["BM_ConvertRealText"], "strtof", conv["BM_Strtof"])

d = json.load(open(f"{out}/dialogue.json"))["results"]
lncalc, base, floor = (r for r in d)
def ms(r, key):
    return r[key] * 1000
row("dialogue, mean (ms)", ms(lncalc, "mean"), "static C program", ms(base, "mean"), 1.15)
row("dialogue, median (ms)", ms(lncalc, "median"), "static C program", ms(base, "median"), 1.15)
row("dialogue less launch, median (ms)", ms(lncalc, "median") - ms(floor, "median"),
    "static C program", ms(base, "median") - ms(floor, "median"), 1.15)

rss = int(open(f"{out}/lncalc.rss").read())
rss_base = int(open(f"{out}/baseline.rss").read())

widths = [max(len(r[i]) for r in rows + [("measure", "value", "baseline", "base", "ratio", "goal", "")]) for i in range(7)]
def line(cells):
    print("| " + " | ".join(c.ljust(w) for c, w in zip(cells, widths)) + " |")
line(("measure", "value", "baseline", "base", "ratio", "goal", ""))
line(tuple("-" * w for w in widths))
for r in rows:
    line(r)
verdict = "met" if rss <= rss_base + 256 else "MISSED"
print(f"\npeak resident memory: lncalc {rss} KiB, static C program {rss_base} KiB, "
      f"difference {rss - rss_base} KiB (goal <= 256 KiB: {verdict})")
PY
