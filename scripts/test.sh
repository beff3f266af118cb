#!/usr/bin/env bash
# Sets up what is missing, then builds and runs every test twice: a normal build (build/) and one
# under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/); then runs each fuzzer for a
# short while. Starts its own X server for the end-to-end suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== formatting"
mapfile -t sources < <(find src tests bench fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null | sort)
clang-format --dry-run --Werror "${sources[@]}"

echo "== X server for the end-to-end suite"
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
    kill "${wm_pid:-}" "$xvfb_pid" 2>/dev/null || true
    rm -f "$display_file"
}
trap cleanup EXIT
for _ in $(seq 100); do [[ -s $display_file ]] && break; sleep 0.1; done
export DISPLAY=":$(cat "$display_file")"
openbox >/dev/null 2>&1 &
wm_pid=$!

run_suite() {
    local dir=$1
    shift
    echo "== $dir"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir"
    ctest --test-dir "$dir" --output-on-failure --timeout 900 | tee "$dir/ctest.log"
    local total
    total=$(sed -n 's/.*tests failed out of \([0-9]*\)$/\1/p' "$dir/ctest.log")
    passed=$((passed + total))
}
passed=0
run_suite build -DSPAN_SANITIZE=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 run_suite build-asan -DSPAN_SANITIZE=ON

echo "== fuzzing, briefly"
fuzz/run.sh 30
passed=$((passed + 2))

echo "all: $passed passed, 0 failed"
