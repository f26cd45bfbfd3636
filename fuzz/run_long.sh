#!/usr/bin/env bash
# Long fuzzing runs: each target named (default: all) for SECONDS seconds (default 3600), with
# at most two jobs at a time, keeping the corpus it grows under build/fuzz/long/<target>. New
# inputs worth keeping can be merged into the seed corpus with -merge=1 (see docs/verification.md).
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
status=0
for target in "${targets[@]}"; do
    corpus=build/fuzz/long/$target
    mkdir -p "$corpus"
    echo "== fuzz $target (${seconds}s)"
    nice -n 19 build/fuzz/fuzz/lncalc_fuzz_$target -max_len=4096 -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -jobs=2 -workers=2 \
        -artifact_prefix="build/fuzz/long/$target-" "$corpus" "fuzz/corpus/$target" ||
        status=1
done
exit $status
