#!/usr/bin/env bash
# Sets up what is missing, then builds and runs every test twice: a normal build (build/) and one
# under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/); then runs each fuzzer for a
# short while. Starts its own X server for the end-to-end suites. Every stage runs even when an
# earlier one failed; the last line counts what passed and what failed, and the exit status is
# non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build test || exit 1

passed=0
failed=0
skipped=0
failures=()
count() { # count STAGE PASSED FAILED [SKIPPED]
    passed=$((passed + $2))
    failed=$((failed + $3))
    skipped=$((skipped + ${4:-0}))
    (($3 == 0)) || failures+=("$1: $3")
}
# Everything the suites need is installed above, so a case that would skip for want of it (the
# fonts, say) fails instead.
export SPAN_FULL_TEST=1

echo "== formatting"
mapfile -t sources < <(find src tests bench fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null | sort)
if clang-format --dry-run --Werror "${sources[@]}"; then count formatting 1 0; else count formatting 0 1; fi

echo "== X server for the end-to-end suites"
source tests/e2e/xserver.sh
# Without it every end-to-end suite would fail for reasons of its own: stop here, once.
if ! start_x_server; then
    echo "all: $passed passed, 1 failed (no X server)"
    exit 1
fi
trap stop_x_server EXIT

# A build that fails counts as one failure, and its tests are not run.
run_suite() {
    local dir=$1
    shift
    echo "== $dir: configuring"
    if ! cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPAN_WERROR=ON "$@" \
        >/dev/null; then
        count "$dir configure" 0 1
        return
    fi
    echo "== $dir: building"
    if ! cmake --build "$dir"; then
        count "$dir build" 0 1
        return
    fi
    echo "== $dir: testing"
    ctest --test-dir "$dir" --output-on-failure --timeout 900 | tee "$dir/ctest.log"
    local summary total failing
    summary=$(grep -E 'tests? failed out of [0-9]+$' "$dir/ctest.log" | tail -n 1)
    total=$(sed -n 's/.*failed out of \([0-9]*\)$/\1/p' <<<"$summary")
    failing=$(sed -n 's/.*, \([0-9]*\) tests\{0,1\} failed out of.*/\1/p' <<<"$summary")
    if [[ -z $total || -z $failing ]]; then
        count "$dir tests (no summary from ctest)" 0 1
        return
    fi
    # A skipped suite is not a passed one; nor is a case skipped inside a suite that passed.
    local suites_skipped cases_skipped
    suites_skipped=$(grep -c '(Skipped)$' "$dir/ctest.log")
    cases_skipped=$(awk '/^Totals: / { for (i = 1; i < NF; i++) if ($(i + 1) ~ /^skipped/) n += $i }
        END { print n + 0 }' \
        "$dir/Testing/Temporary/LastTest.log")
    if ((cases_skipped)); then
        echo "   cases skipped inside the $dir suites:"
        grep -E '^SKIP +: ' "$dir/Testing/Temporary/LastTest.log" | sed 's/^/     /'
    fi
    count "$dir tests" $((total - failing - suites_skipped)) "$failing" \
        $((suites_skipped + cases_skipped))
}
run_suite build -DSPAN_SANITIZE=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:suppressions=$PWD/tests/asan.supp \
    run_suite build-asan -DSPAN_SANITIZE=ON

echo "== fuzzing and the typing property, briefly"
# One result per fuzz target and for the property test, as the fuzz script reports them.
fuzz_log=$(mktemp)
fuzz/run.sh 30 2>&1 | tee "$fuzz_log"
fuzz_status=${PIPESTATUS[0]}
fuzz_passed=$(grep -cE '^fuzz: .*( no crash| passed)$' "$fuzz_log")
fuzz_failed=$(grep '^fuzz: ' "$fuzz_log" | grep -vcE '( no crash| passed)$')
((fuzz_status == 0 || fuzz_failed > 0)) || fuzz_failed=1
count fuzzing "$fuzz_passed" "$fuzz_failed"
rm -f "$fuzz_log"

((failed == 0)) || printf 'failed: %s\n' "${failures[@]}"
echo "all: $passed passed, $failed failed, $skipped skipped"
((failed == 0))
