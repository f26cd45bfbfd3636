# The legs of a CI run (sourced by .ci/run): each leg is a function run by run_leg in a shell of
# its own with errexit, so that a leg that fails is recorded and the others still run. The run
# ends with one line per leg and the plain count of legs passed and failed.
#
# Inside a leg:
#   need_packages PACKAGE...   installs what is missing (.ci/install-packages); where it cannot,
#                              the leg fails under CI=true and is not run elsewhere
#   build_preset PRESET        configures and builds a preset and marks it built
#   needs_build PRESET...      the leg is not run unless each of these was built in this run
#   ctest_counted ARGS...      runs ctest and counts the tests it ran
#   ctest_counted_under_wine ARGS...  the same, a test that wine crashed under run once more
#   count_tests N              counts N tests (or benchmarks, targets, inputs) the leg ran
#   not_run REASON             ends the leg as not run

ci_state=build/ci
rm -rf "$ci_state"
mkdir -p "$ci_state"
export LNCALC_CI_STATE="$PWD/$ci_state"
leg_lines=()
legs_passed=0
legs_failed=0
legs_skipped=0

in_ci() { [ "${CI:-}" = true ]; }

not_run() {
    echo "$1" >"$ci_state/reason"
    exit 3
}

count_tests() {
    echo $(($(cat "$ci_state/count") + ${1:-0})) >"$ci_state/count"
}

need_packages() {
    bash .ci/install-packages "$@" && return 0
    in_ci && exit 1
    not_run "needs $*, which could not be installed"
}

build_preset() {
    echo "== build $1"
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j2
    touch "$ci_state/built-$1"
}

needs_build() {
    local preset
    for preset; do
        [ -e "$ci_state/built-$preset" ] || not_run "the $preset build was not made"
    done
}

ctest_counted() {
    local status=0
    ctest "$@" 2>&1 | tee "$ci_state/ctest.log" || status=$?
    count_tests "$(sed -n 's/.* tests failed out of \([0-9][0-9]*\)$/\1/p' "$ci_state/ctest.log" | tail -n 1)"
    return "$status"
}

# The same for programs run by wine. A Windows program's own fault ends it with its exception
# code, as on Windows; a test that ends by a signal (ctest's "***Exception: SegFault") is wine
# itself crashing as its session starts or a program ends, which happens rarely under load. Such
# tests, and only when every failure is one, run once more, named in the log; a second failure
# fails the leg.
ctest_counted_under_wine() {
    ctest_counted "$@" && return 0
    local failed crashed
    failed=$(grep -c '\*\*\*' "$ci_state/ctest.log" || true)
    crashed=$(grep -c '\*\*\*Exception: SegFault' "$ci_state/ctest.log" || true)
    [ "$failed" -gt 0 ] && [ "$failed" = "$crashed" ] || return 1
    echo "== wine crashed under these tests; they run once more:"
    grep '\*\*\*Exception: SegFault' "$ci_state/ctest.log"
    ctest "$@" --rerun-failed
}

# run_leg NAME FUNCTION: runs the leg and records its line.
run_leg() {
    local name=$1 status count line began=$SECONDS
    echo 0 >"$ci_state/count"
    rm -f "$ci_state/reason"
    echo "=== leg $name ($(date -u +%H:%M:%S))"
    (
        set -e
        "$2"
    )
    status=$?
    count=$(cat "$ci_state/count")
    if [ "$status" = 0 ] && [ "$count" -gt 0 ]; then
        line="passed ($count tests)"
    elif [ "$status" = 3 ]; then
        line="not run ($(cat "$ci_state/reason"))"
    else
        [ "$status" != 0 ] || echo "leg $name ran no test"
        line="failed"
    fi
    echo "=== leg $name: $line, in $((SECONDS - began)) s"
    leg_lines+=("leg $name: $line")
    case $line in
    passed*) legs_passed=$((legs_passed + 1)) ;;
    # Under CI every leg must run: one that could not counts as failed.
    not*) if in_ci; then legs_failed=$((legs_failed + 1)); else legs_skipped=$((legs_skipped + 1)); fi ;;
    *) legs_failed=$((legs_failed + 1)) ;;
    esac
}

# Prints the table and the count, and exits non-zero unless every leg that had to run passed.
end_legs() {
    echo
    printf '%s\n' "${leg_lines[@]}"
    if [ "$legs_skipped" -gt 0 ]; then
        echo "$legs_passed passed, $legs_failed failed, $legs_skipped skipped"
    else
        echo "$legs_passed passed, $legs_failed failed"
    fi
    [ "$legs_failed" = 0 ]
}
