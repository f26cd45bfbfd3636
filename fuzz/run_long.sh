#!/usr/bin/env bash
# Long fuzzing runs: each target named (default: all) for SECONDS seconds (default 3600),
# LNCALC_FUZZ_JOBS targets at a time (default 2) at the lowest priority, each growing its corpus under build/fuzz/long/<target>
# and logging to build/fuzz/long/<target>.log. Findings are saved as build/fuzz/long/<target>-*.
#   fuzz/run_long.sh [SECONDS [TARGET...]]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    read -r -a targets <<<"$(sed -n 's/^set(LNCALC_FUZZ_TARGETS \(.*\))$/\1/p' fuzz/CMakeLists.txt)"
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/long
run_one() {
    local target=$1 seconds=$2 corpus=build/fuzz/long/$1
    mkdir -p "$corpus"
    if nice -n 19 build/fuzz/fuzz/lncalc_fuzz_$target -max_len=4096 -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build/fuzz/long/$target-" "$corpus" "fuzz/corpus/$target" \
        >"build/fuzz/long/$target.log" 2>&1; then
        echo "fuzz $target: no finding in ${seconds}s," \
            "$(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/long/$target.log") runs"
    else
        echo "fuzz $target: FINDING, see build/fuzz/long/$target.log"
        return 1
    fi
}
export -f run_one
printf '%s\n' "${targets[@]}" | xargs -P "${LNCALC_FUZZ_JOBS:-2}" -I{} bash -c 'run_one "$@"' _ {} "$seconds"
