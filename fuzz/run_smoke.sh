#!/usr/bin/env bash
# Builds the fuzz targets with clang (preset fuzz) and runs each from its seed corpus for
# SECONDS seconds (default 30); fails on the first finding. Used by CI.
#   fuzz/run_smoke.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=build/fuzz/smoke
status=0
for target in $(sed -n 's/^set(LNCALC_FUZZ_TARGETS \(.*\))$/\1/p' fuzz/CMakeLists.txt); do
    rm -rf "$work/$target"
    mkdir -p "$work/$target"
    echo "== fuzz $target (${seconds}s)"
    if ! build/fuzz/fuzz/lncalc_fuzz_$target -max_len=4096 -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/$target-" "$work/$target" "fuzz/corpus/$target" \
        >"$work/$target.log" 2>&1; then
        tail -n 40 "$work/$target.log"
        echo "fuzz $target: FINDING (input saved under $work/$target-*)"
        status=1
    else
        grep -E '^stat::number_of_executed_units|^Done' "$work/$target.log" | tail -n 2
    fi
done
exit $status
