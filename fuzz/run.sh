#!/usr/bin/env bash
# Builds the fuzz targets and runs each, in parallel, for SECONDS (default 60) over a scratch copy
# of its seed corpus, so the committed corpus stays as it is. SECONDS of 0 only replays the corpus.
# Exits non-zero if a target fails; its crash input is kept under build-fuzz/artifacts/.
# Beside them the pickers' property test (tests/tst_typingproperty) types random keys for as long,
# built under the sanitizers in build-asan/, with a fresh seed unless SPAN_PROPERTY_SEED gives one.
# A run of 600 seconds or more also soaks the counter windows for a simulated week, with the
# normal build's suite (build/tests/tst_soak, made by the test command) where it is there.
# Usage: fuzz/run.sh [SECONDS]
set -uo pipefail

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$here/.." && pwd)/build-fuzz
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Nothing is installed from here: say what is missing and stop.
if ! command -v clang++ >/dev/null; then
    echo "fuzz: clang++ not found (Debian package: clang)" >&2
    exit 1
fi
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
    >"$scratch/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$scratch/probe.cpp" -o "$scratch/probe" \
    2>"$scratch/probe.log"; then
    echo "fuzz: clang++ cannot link a fuzz target; the libFuzzer and sanitizer runtimes are" \
        "missing (Debian package: libclang-rt-dev). The linker said:" >&2
    sed 's/^/    /' "$scratch/probe.log" >&2
    exit 1
fi

if ! cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DSPAN_WERROR=ON >"$scratch/configure.log" 2>&1; then
    cat "$scratch/configure.log" >&2
    echo "fuzz: configuring failed" >&2
    exit 1
fi
if ! cmake --build "$build"; then
    echo "fuzz: building failed" >&2
    exit 1
fi

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}

# name and longest input: a cursor up to the size of a 256x256 one, and a line of typed text
targets=("cursorfile 70000" "datetimetext 512")

pids=()
for target in "${targets[@]}"; do
    read -r name maxlen <<<"$target"
    corpus=$scratch/corpus-$name
    artifacts=$build/artifacts/$name
    cp -r "$here/corpus/$name" "$corpus"
    mkdir -p "$artifacts"
    limits=(-max_total_time="$seconds")
    [[ $seconds -eq 0 ]] && limits=(-runs=0)
    "$build/fuzz_$name" "$corpus" "${limits[@]}" -timeout=5 -rss_limit_mb=2048 \
        -max_len="$maxlen" -dict="$here/$name.dict" -print_final_stats=1 \
        -artifact_prefix="$artifacts/" \
        >"$scratch/$name.log" 2>&1 &
    pids+=($!)
done

# The property test needs the program's own build, not the fuzzing one. QtTest's watchdog counts
# all of a test function's rows together, five minutes by default: it is given the run's length.
root=$(cd "$here/.." && pwd)
property_log=$scratch/property.log
property_seed=${SPAN_PROPERTY_SEED:-$RANDOM$RANDOM}
(
    cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DSPAN_SANITIZE=ON -DSPAN_WERROR=ON >/dev/null &&
        cmake --build "$root/build-asan" --target tst_typingproperty >/dev/null &&
        QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96 SPAN_PROPERTY_SEED=$property_seed \
            QTEST_FUNCTION_TIMEOUT=$(((seconds + 300) * 1000)) \
            SPAN_PROPERTY_SECONDS=$((seconds > 0 ? seconds : 1)) \
            LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0 \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            "$root/build-asan/tests/tst_typingproperty"
) >"$property_log" 2>&1 &
property_pid=$!

status=0
for i in "${!targets[@]}"; do
    read -r name _ <<<"${targets[$i]}"
    wait "${pids[$i]}"
    code=$?
    log=$scratch/$name.log
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    echo "== $name"
    grep -E '^#[0-9]+.*cov:' "$log" | tail -n 1
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log"
    if [[ $code -eq 0 ]]; then
        echo "fuzz: $name ${runs:-?} runs, no crash"
    else
        # Everything from the first report on: the sanitizer's or our own message and the stack.
        first=$(grep -nE '^==[0-9]+==|runtime error|^fuzz_[a-z]+: |terminate called|^ALARM|^MS: ' \
            "$log" | head -n 1 | cut -d: -f1)
        tail -n +"${first:-1}" "$log" | head -n 150
        for input in $(grep -o "Test unit written to .*" "$log" | sed 's/^Test unit written to //'); do
            echo "input $input ($(stat -c %s "$input") bytes), first 512 in hex:"
            head -c 512 "$input" | od -An -tx1 -v
        done
        echo "fuzz: $name FAILED (exit code $code) after ${runs:-?} runs; input kept in $build/artifacts/$name/"
        status=1
    fi
done
echo "== typing property (seed $property_seed)"
if wait "$property_pid"; then
    grep -E '^QINFO' "$property_log"
    echo "fuzz: typing property passed"
else
    tail -n 60 "$property_log"
    echo "fuzz: typing property FAILED; run it again with SPAN_PROPERTY_SEED=$property_seed"
    status=1
fi

soak=$root/build/tests/tst_soak
if [[ $seconds -ge 600 && -x $soak ]]; then
    echo "== soak, seven simulated days"
    # A week takes minutes, past QtTest's own limit of five per test function.
    if SPAN_SOAK_DAYS=7 QTEST_FUNCTION_TIMEOUT=1800000 QT_QPA_PLATFORM=offscreen "$soak"; then
        echo "fuzz: soak week passed"
    else
        echo "fuzz: soak week FAILED"
        status=1
    fi
fi
exit $status
