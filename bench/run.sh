#!/usr/bin/env bash
# Runs every benchmark once and prints the tables of ratios, each against its baselines measured
# in the same run:
#  1. whole processes in one round-robin (bench/round_robin.py): the engine's programs, the C and
#     C++ floors and, when the compilers are installed, the same jobs as Fortran programs built
#     with gfortran and flang-new-19; processor time of each process, the least of its runs;
#  2. in process (Google Benchmark): the engine's statements and conversions against the C
#     library's loops, processor time per value, the fastest of interleaved repetitions.
#   bench/run.sh [REPETITIONS]        default 5: rounds of the round-robin, and repetitions of
#                                     each in-process benchmark
# Environment: LNCALC_BENCH_VALUES (values per job and pass, default 1000000), LNCALC_BENCH_DIR
# (where the scratch files go, default build/bench/results), LNCALC_BENCH_DIALOGUES (runs of
# each dialogue program per round, default 100), LNCALC_BENCH_OTHER (the build directory of
# another checkout, configured with the bench preset: its calculator and engine programs join
# the round-robin, for a before/after comparison of two commits in one run).
# bench/chart.py draws the round-robin's table (build/bench/results/round_robin.png).
set -euo pipefail
cd "$(dirname "$0")/.."
repetitions=${1:-5}
values=${LNCALC_BENCH_VALUES:-1000000}
build=build/bench
out=${LNCALC_BENCH_DIR:-$build/results}
cmake --preset bench >/dev/null
cmake --build --preset bench --target lncalc lncalc_bench_io lncalc_bench_conversion lncalc_bench_fpu lncalc_bench_format \
    lncalc_dialogue_baseline lncalc_engine_jobs lncalc_c_floor lncalc_cpp_floor lncalc_measure >/dev/null
# The Fortran front and lncalc-flang, where flang-new-19 is installed.
cmake --build --preset bench --target lncalc_fortran lncalc-fortran-prepare >/dev/null 2>&1 || true
mkdir -p "$out" "$build/peers"

# The Fortran peers, each compiler that is installed, linked statically; the same sources built
# with lncalc-flang run on the engine through the Fortran front, and the calculator's dialogue
# in Fortran (tests/fortran/calculator.f) is built with flang and with lncalc-flang.
front=$PWD/$build/lncalc-flang
for compiler in gfortran:gfortran flang:flang-new-19 "lncalc-flang:$front"; do
    name=${compiler%%:*} command=${compiler#*:}
    if command -v "$command" >/dev/null; then
        (cd "$build/peers" &&
            "$command" -O2 -static ../../../bench/jobs/jobs.f90 -o "jobs-$name" &&
            "$command" -O2 -static ../../../bench/jobs/dialogue.f90 -o "dialogue-$name")
        if [ "$name" != gfortran ]; then
            (cd "$build/peers" &&
                "$command" -O2 -static ../../../tests/fortran/calculator.f -o "calculator-$name")
        fi
    else
        echo "$command is not installed: $name is left out" >&2
    fi
done
other=()
if [ -n "${LNCALC_BENCH_OTHER:-}" ]; then
    # A build from before the round-robin has the calculator only: then only the dialogue compares.
    cmake --build "$LNCALC_BENCH_OTHER" --target lncalc >/dev/null
    cmake --build "$LNCALC_BENCH_OTHER" --target lncalc_engine_jobs >/dev/null 2>&1 || true
    other=(--other "$LNCALC_BENCH_OTHER")
fi

# 1. Whole processes, one round-robin.
echo "running the round-robin ($repetitions rounds) ..." >&2
python3 bench/round_robin.py --build "$build" --peers "$build/peers" "${other[@]}" \
    --rounds "$repetitions" --values "$values" \
    --dialogue-runs "${LNCALC_BENCH_DIALOGUES:-100}" --out "$out"

# 2. In-process benchmarks.
for name in io conversion fpu format; do
    echo "running lncalc_bench_$name ..." >&2
    LNCALC_BENCH_VALUES=$values LNCALC_BENCH_DIR=$out "$build/bench/lncalc_bench_$name" \
        --benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true \
        --benchmark_format=json >"$out/$name.json"
done

python3 bench/report.py "$out"
if /usr/bin/python3 -c "import matplotlib" 2>/dev/null; then
    /usr/bin/python3 bench/chart.py "$out" "$out/round_robin.png"
fi
