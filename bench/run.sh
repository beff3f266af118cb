#!/usr/bin/env bash
# Measures the program against a bare Qt Widgets window and prints one table: start-up time,
# peak memory, CPU while counting and idling, idle wake-ups, the cost of one refresh and how
# late the seconds label follows the clock; and counting against the counting floor
# (../shared/bench-floor), a bare window with a 25 ms clock, with a profile of both. Builds into
# build-bench/, starts its own X server, window manager and session bus (those of the end-to-end
# suites, tests/e2e/xserver.sh and session.sh), and keeps the raw output in
# build-bench/bench-results/.
#
# Usage: bash bench/run.sh [--runs N] [--cpu-seconds N] [--wakeup-seconds N] [--latency-seconds N]
#                          [--phase-latency-seconds N] [--offscreen-latency-seconds N]
#                          [--floor-rounds N] [--profile-seconds N]
# Installs what it needs with scripts/setup.sh (its build, test and bench groups).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

runs=20                # start-up runs of each program, after one warm-up run each
cpu_seconds=60         # each CPU reading
wakeup_seconds=10      # each wake-up count
latency_seconds=600    # counting under the X server for the label latency, Start pressed at once
phase_latency_seconds=120     # the same with Start pressed at the worst phase (see label-latency)
offscreen_latency_seconds=120 # the same on the offscreen platform
worst_phase=21                # ms into a second: ticks then come some 22 ms after each change
floor_rounds=5         # counting rounds, the program and the floor in turn, cpu_seconds each
profile_seconds=20     # perf record of each while counting
while (($#)); do
    case $1 in
    --runs) runs=$2 ;;
    --cpu-seconds) cpu_seconds=$2 ;;
    --wakeup-seconds) wakeup_seconds=$2 ;;
    --latency-seconds) latency_seconds=$2 ;;
    --phase-latency-seconds) phase_latency_seconds=$2 ;;
    --offscreen-latency-seconds) offscreen_latency_seconds=$2 ;;
    --floor-rounds) floor_rounds=$2 ;;
    --profile-seconds) profile_seconds=$2 ;;
    *)
        echo "usage: bash bench/run.sh [--runs N] [--cpu-seconds N] [--wakeup-seconds N]" \
            "[--latency-seconds N] [--phase-latency-seconds N] [--offscreen-latency-seconds N]" \
            "[--floor-rounds N] [--profile-seconds N]" >&2
        exit 2
        ;;
    esac
    shift 2
done

MAIN_TITLE='Tallyglass Hourwick Span Meter for Clockwise Reckoning'
ELAPSED_TITLE='Count Time Elapsed'
BARE_TITLE='Bare Qt Widgets window'
FLOOR_TITLE='floor'

# shellcheck source=../tests/e2e/xserver.sh
source tests/e2e/xserver.sh
# shellcheck source=../tests/e2e/helpers.sh
source tests/e2e/helpers.sh
# shellcheck source=../tests/e2e/session.sh
source tests/e2e/session.sh

scripts/setup.sh build test bench

echo "== build"
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build-bench span-meter layout-places >/dev/null
cmake -S bench -B build-bench/tools -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build-bench/tools >/dev/null
# The floor lies beside the project's folder; in a git worktree, beside the main checkout's.
floor_source=$root/../shared/bench-floor
[[ -d $floor_source ]] ||
    floor_source=$(git rev-parse --path-format=absolute --git-common-dir)/../../shared/bench-floor
[[ -d $floor_source ]] || { echo "bench: no ../shared/bench-floor beside the project" >&2; exit 1; }
cmake -S "$floor_source" -B build-bench/floor -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench/floor >/dev/null
floor=$root/build-bench/floor/floor
program=$root/build-bench/span-meter
tools=$root/build-bench/tools
results=$root/build-bench/bench-results
rm -rf "$results"
mkdir -p "$results"

# Client-area points, from the layout tables: the middle of "Count Time Elapsed" and of Start.
layout_places "$program"
at Form1 PushButton2
ELAPSED_BUTTON=("$X" "$Y")
at Form2 PushButton2
START_BUTTON=("$X" "$Y")

work=$(mktemp -d "${TMPDIR:-/tmp}/span-meter-bench.XXXXXX")
cleanup() {
    stop_session
    stop_x_server
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

echo "== X server, window manager, session bus"
start_x_server
start_session "$work"

# in_session COMMAND...: runs it as a person's desktop would run the program, the same for both.
in_session() { env "${PROGRAM_ENV[@]}" "$@"; }

value() { sed -n "s/^$1=//p" "$2" | head -n 1; }

# Let the window manager take the screen before anything is timed. Openbox announces itself
# before it manages windows, and a window mapped in between stays unmapped for good: only a
# window that shows proves it ready.
ready=false
for _ in $(seq 20); do
    if in_session "$tools/map-timer" --timeout 2 "$BARE_TITLE" "$tools/bare-window" \
        >/dev/null 2>&1; then
        ready=true
        break
    fi
done
$ready || { echo "bench: the window manager does not map windows" >&2; exit 1; }
sleep 1

# timed_start OUTPUT MAP-TIMER-ARGUMENT...: map-timer, tried again should a window go unshown;
# each such miss is counted, so that the table can say so.
misses=0
timed_start() {
    local output=$1 try
    shift
    for try in 1 2 3; do
        in_session "$tools/map-timer" "$@" >"$output" && return 0
        misses=$((misses + 1))
    done
    echo "bench: no window from: $*" >&2
    exit 1
}

median() {
    sort -g | awk '{ v[NR] = $1 }
        END { printf "%.2f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# cpu_ns PID: time on a core of all its threads so far, in nanoseconds (the scheduler's own
# account, not the 10 ms ticks of /proc/PID/stat).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%d", n }'; }

# switches PID: context switches of all its threads so far, each a wake-up or a preemption.
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^(voluntary|nonvoluntary)_ctxt_switches/ { n += $2 } END { print n }'
}

hwm_kb() { awk '/^VmHWM/ { print $2 }' "/proc/$1/status"; }

# launch TITLE PROGRAM TAG: starts it, waits until its window is mapped, sets PID and WINDOW.
launch() {
    timed_start "$results/$3.launch" --keep "$1" "$2"
    PID=$(value pid "$results/$3.launch")
    WINDOW=$(value window "$results/$3.launch")
}

stop() {
    kill "$1" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    kill -KILL "$1" 2>/dev/null || true
}

# cpu_share PID SECONDS: the share of one core it used over that time, in per cent.
cpu_share() {
    local before after start end
    before=$(cpu_ns "$1")
    start=$(date +%s%N)
    sleep "$2"
    after=$(cpu_ns "$1")
    end=$(date +%s%N)
    awk -v t="$((after - before))" -v ns="$((end - start))" 'BEGIN { printf "%.3f", 100 * t / ns }'
}

# switch_rate PID: context switches a second over the wake-up time.
switch_rate() {
    local before after
    before=$(switches "$1")
    sleep "$wakeup_seconds"
    after=$(switches "$1")
    awk -v n="$((after - before))" -v s="$wakeup_seconds" 'BEGIN { printf "%.1f", n / s }'
}

# wakeups PID TAG: context switches per second over the wake-up time, then poll calls under strace.
wakeups() {
    printf '%s ' "$(switch_rate "$1")"
    timeout -s INT "$wakeup_seconds" strace -f -c -e trace=poll,ppoll -o "$results/$2.strace" \
        -p "$1" >/dev/null 2>&1 || true
    awk -v s="$wakeup_seconds" '$NF ~ /^p?poll$/ { n += $4 } END { printf "%.1f", n / s }' \
        "$results/$2.strace"
}

window_hash() { import -window "$1" png:- 2>/dev/null | md5sum | cut -d' ' -f1; }

visible_window() { xdotool search --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -n 1; }

{
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "cores: $(nproc); cpu: $(sed -n 's/^model name\t: //p' /proc/cpuinfo | head -n 1)"
    echo "qt: $(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null); LANG=${LANG:-}"
    echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
} | tee "$results/machine.txt"

echo "== start-up, $runs runs each after a warm-up, alternating"
startup_keys=(map_ms map_cpu_ms frame_ms frame_cpu_ms)
startup_tags=(bare sized program)
for tag in "${startup_tags[@]}"; do
    for key in "${startup_keys[@]}"; do : >"$results/startup-$tag.$key"; done
done
# startup_run TAG KEEP TITLE COMMAND...: one start; KEEP 0 is the warm-up, whose times are dropped.
startup_run() {
    local tag=$1 keep=$2 key
    shift 2
    timed_start "$work/run" "$@"
    ((keep)) || return 0
    for key in "${startup_keys[@]}"; do value "$key" "$work/run" >>"$results/startup-$tag.$key"; done
}
for i in $(seq 0 "$runs"); do
    startup_run bare "$i" "$BARE_TITLE" "$tools/bare-window"
    startup_run sized "$i" "$BARE_TITLE" "$tools/bare-window" --main-window-size
    startup_run program "$i" "$MAIN_TITLE" "$program"
done
declare -A startup
for tag in "${startup_tags[@]}"; do
    for key in "${startup_keys[@]}"; do
        startup[$tag.$key]=$(median <"$results/startup-$tag.$key")
    done
done
# startup_ratio KEY [BASELINE]: the program's median over the baseline's (the bare window).
startup_ratio() {
    awk -v p="${startup[program.$1]}" -v b="${startup[${2:-bare}.$1]}" \
        'BEGIN { printf "%.2f", p / b }'
}

echo "== memory after showing the window, 3 runs each"
: >"$results/memory-bare.txt"
: >"$results/memory-program.txt"
for _ in 1 2 3; do
    timed_start "$work/run" --hold 2 "$BARE_TITLE" "$tools/bare-window"
    value vmhwm_kb "$work/run" >>"$results/memory-bare.txt"
    timed_start "$work/run" --hold 2 "$MAIN_TITLE" "$program"
    value vmhwm_kb "$work/run" >>"$results/memory-program.txt"
done
memory_bare=$(median <"$results/memory-bare.txt")
memory_program=$(median <"$results/memory-program.txt")

echo "== bare window idling ${cpu_seconds}s"
launch "$BARE_TITLE" "$tools/bare-window" bare-idle
sleep 1
cpu_bare=$(cpu_share "$PID" "$cpu_seconds")
hwm_bare_idle=$(hwm_kb "$PID")
read -r switches_bare polls_bare <<<"$(wakeups "$PID" bare-idle)"
stop "$PID"

echo "== main window idling ${cpu_seconds}s"
launch "$MAIN_TITLE" "$program" main-idle
sleep 1
cpu_main=$(cpu_share "$PID" "$cpu_seconds")
read -r switches_main polls_main <<<"$(wakeups "$PID" main-idle)"
stop "$PID"

# start_counting TAG: starts the program, opens "Count Time Elapsed" and presses Start; sets PID
# and COUNTER, the counter window.
start_counting() {
    launch "$MAIN_TITLE" "$program" "$1"
    xdotool mousemove --window "$WINDOW" "${ELAPSED_BUTTON[@]}" click 1
    COUNTER=
    for _ in $(seq 100); do
        COUNTER=$(visible_window "$PID" "$ELAPSED_TITLE")
        [[ -n $COUNTER ]] && break
        sleep 0.05
    done
    [[ -n $COUNTER ]] || { echo "bench: the '$ELAPSED_TITLE' window did not open" >&2; exit 1; }
    sleep 0.5
    xdotool mousemove --window "$COUNTER" "${START_BUTTON[@]}" click 1
    # Away from the buttons, so that no hover look changes the screenshots below.
    xdotool mousemove 1270 790
    sleep 1
    counting_check || { echo "bench: the counter does not count" >&2; exit 1; }
}
# Counting shows as a window that changes from one second to the next.
counting_check() {
    local first
    first=$(window_hash "$COUNTER")
    sleep 1.2
    [[ $first != "$(window_hash "$COUNTER")" ]]
}
# start_floor TAG: starts the floor with its yield, as the counter windows' tick yields.
start_floor() {
    timed_start "$results/$1.launch" --keep "$FLOOR_TITLE" env FLOOR_YIELD=1 "$floor"
    PID=$(value pid "$results/$1.launch")
    sleep 1
}

echo "== counting against the floor: $floor_rounds rounds of ${cpu_seconds}s each, in turn"
rounds=$results/counting-rounds.txt
echo "round program cpu_percent wakeups_per_s load_average" >"$rounds"
for round in $(seq "$floor_rounds"); do
    start_counting "counting-$round"
    echo "$round span-meter $(cpu_share "$PID" "$cpu_seconds") $(switch_rate "$PID")" \
        "$(cut -d' ' -f1 /proc/loadavg)" >>"$rounds"
    counting_check || { echo "bench: the counter stopped counting" >&2; exit 1; }
    hwm_counting=$(hwm_kb "$PID")
    stop "$PID"
    start_floor "floor-$round"
    echo "$round floor $(cpu_share "$PID" "$cpu_seconds") $(switch_rate "$PID")" \
        "$(cut -d' ' -f1 /proc/loadavg)" >>"$rounds"
    stop "$PID"
done
column -t "$rounds"
round_median() { awk -v p="$1" -v f="$2" '$2 == p { print $f }' "$rounds" | median; }
cpu_counting=$(round_median span-meter 3)
cpu_floor=$(round_median floor 3)
wakeups_counting=$(round_median span-meter 4)
wakeups_floor=$(round_median floor 4)
floor_ratio=$(awk -v p="$cpu_counting" -v f="$cpu_floor" 'BEGIN { printf "%.2f", p / f }')
echo "counting: span-meter $cpu_counting %, floor $cpu_floor %: ratio of the medians ×$floor_ratio"

# Where a tick's time goes: perf's cpu-clock samples (no hardware counters needed) with call
# chains unwound from the stack. Each sample goes to the first of these that its chain holds, and
# the samples become microseconds a tick.
profile_frequency=20000
profile_parts=(
    "tick: the yield, events run inside the tick"
    "tick: reading the clock"
    "tick: the clock's caption, formed and set"
    "tick: the Moment's text from the pickers"
    "tick: the Moment parsed"
    "tick: the breakdown's captions"
    "tick: the rest of the handler (error trap, checks)"
    "timer dispatch around the handler"
    "posted events: repaint and layout"
    "waiting for events (poll)"
    "X event reader thread"
    "event loop, the rest (glib's prepare and check, Qt's dispatcher)"
)
profile() {
    local data=$results/$1.perf
    perf record -q -e cpu-clock -F "$profile_frequency" --call-graph dwarf,16384 -o "$data" \
        -p "$PID" -- sleep "$profile_seconds" >/dev/null 2>&1
    perf script -i "$data" -F comm,ip,sym 2>/dev/null | awk -v RS= -F '\n' '
        function has(pattern, below, i) {
            for (i = 2; i <= below; ++i) if ($i ~ pattern) return 1
            return 0
        }
        {
            handler = 0
            for (i = 2; i <= NF && !handler; ++i)
                if ($i ~ / (CounterWindow::Timer1_Timer|QtPrivate::QFunctorSlotObject<main::)/) handler = i
            if (handler) {
                if (has("(QEventDispatcherGlib|QCoreApplication)::processEvents", handler)) part = 1
                else if (has("SystemClock::now|QDateTime::current", handler)) part = 2
                else if (has("::momentText", handler)) part = 4
                else if (has("TickTexts::clock|QLocale::toString|QLabel::setText", handler)) part = 3
                else if (has("TickTexts::moment|DateTimeText::parse", handler)) part = 5
                else if (has("CounterWindow::RefreshBreakdown|TickTexts::breakdown", handler)) part = 6
                else part = 7
            } else if (has("QTimerInfoList::activateTimers", NF)) part = 8
            else if (has("QWidgetRepaintManager|sendPostedEvents", NF)) part = 9
            else if (has("(^|[ _])poll( |$)", NF)) part = 10
            else if ($1 ~ /QXcbEventQueue/) part = 11
            else part = 12
            ++count[part]
        }
        END { for (p = 1; p <= 12; ++p) print p, count[p] + 0 }' >"$results/$1.parts"
}
# tick_us TAG PART: microseconds a tick of that part; PART 0 for all of them.
tick_us() {
    awk -v part="$2" -v hz="$profile_frequency" -v ticks="$((profile_seconds * 40))" '
        part == 0 || $1 == part { n += $2 } END { printf "%.1f", n / hz * 1e6 / ticks }' \
        "$results/$1.parts"
}
echo "== profile of counting, ${profile_seconds}s each"
start_counting counting-profile
profile span-meter
stop "$PID"
start_floor floor-profile
profile floor
stop "$PID"
profile_table() {
    local part
    echo "| where a counting tick's CPU time goes (µs a tick; perf, ${profile_seconds} s each) | span-meter | floor |"
    echo "|---|---|---|"
    for part in "${!profile_parts[@]}"; do
        echo "| ${profile_parts[part]} | $(tick_us span-meter $((part + 1))) | $(tick_us floor $((part + 1))) |"
    done
    echo "| all | $(tick_us span-meter 0) | $(tick_us floor 0) |"
}
profile_table >"$results/profile.md"
cat "$results/profile.md"

echo "== timer events while the main window idles, in-process, ${wakeup_seconds}s"
in_session "$tools/label-latency" --idle-timers "$wakeup_seconds" >"$results/idle-timers.txt" 2>&1
timer_events=$(value timer_events_total "$results/idle-timers.txt")
# Our timers are QTimers (the tick, single shots); Qt's widgets use timers of their own.
ours_idle=yes
grep -qE '^timer_events\[(QTimer|QSingleShotTimer)/' "$results/idle-timers.txt" && ours_idle=NO
timer_receivers=$(sed -n 's/^timer_events\[\(.*\)\]=\(.*\)/\1 \2/p' "$results/idle-timers.txt" |
    awk '{ printf "%s%s %s", sep, $1, $2; sep = ", " }')

echo "== one refresh (Google Benchmark, median of 5 repetitions)"
in_session env QT_QPA_PLATFORM=offscreen "$tools/refresh-bench" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_min_time=0.5 --benchmark_format=csv \
    >"$results/refresh.csv" 2>"$results/refresh.log"
# bench_us NAME FIELD: a median from the CSV in microseconds; FIELD 3 is wall time, 4 CPU time.
bench_us() {
    awk -F, -v name="$1_median" -v f="$2" '{ gsub(/"/, "") } $1 == name {
        scale = ($5 == "ns") ? 1e-3 : ($5 == "us") ? 1 : 1e3; printf "%.2f", $f * scale }' \
        "$results/refresh.csv"
}

echo "== label latency under the X server, ${latency_seconds}s"
in_session "$tools/label-latency" --seconds "$latency_seconds" >"$results/latency-xcb.txt" 2>&1
echo "== label latency under the X server, Start at ${worst_phase} ms into a second, ${phase_latency_seconds}s"
in_session "$tools/label-latency" --seconds "$phase_latency_seconds" --start-phase "$worst_phase" \
    >"$results/latency-xcb-phase.txt" 2>&1
echo "== label latency offscreen, ${offscreen_latency_seconds}s"
in_session env QT_QPA_PLATFORM=offscreen "$tools/label-latency" \
    --seconds "$offscreen_latency_seconds" >"$results/latency-offscreen.txt" 2>&1

echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$results/machine.txt"
home_pages=0
[[ -f $work/xdg-open.log ]] && home_pages=$(wc -l <"$work/xdg-open.log")

mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
plus_mib() { awk -v a="$1" -v b="$2" 'BEGIN { printf "+%.1f MiB", (a - b) / 1024 }'; }
# met CONDITION: yes or NO, from an awk condition.
met() { awk "BEGIN { print ($1) ? \"yes\" : \"NO\" }"; }
latency_row() {
    local file=$1
    printf '%s %% within 30 ms, max %s ms, median %s ms (%s changes, %s skipped; Start at %s ms)' \
        "$(value share_within_30ms "$file")" "$(value max_ms "$file")" \
        "$(value median_ms "$file")" "$(value changes_seen "$file")" \
        "$(value changes_skipped "$file")" "$(value start_phase_ms "$file")"
}
latency_met() {
    met "$(value share_within_30ms "$1") >= 99.9 && $(value later_than_50ms "$1") == 0 && $(value changes_skipped "$1") == 0"
}

ratio=$(startup_ratio map_ms)
memory_extra=$(awk -v a="$memory_program" -v b="$memory_bare" 'BEGIN { print (a - b) / 1024 }')
counting_extra=$(awk -v a="$hwm_counting" -v b="$hwm_bare_idle" 'BEGIN { print (a - b) / 1024 }')
{
    echo
    echo "| measurement | span-meter | bare window | result | goal | met |"
    echo "|---|---|---|---|---|---|"
    echo "| start-up: exec to main window mapped, median of $runs (ms) | ${startup[program.map_ms]} | ${startup[bare.map_ms]} | ×$ratio | ≤ ×1.3 | $(met "$ratio <= 1.3") |"
    echo "| start-up: CPU time until mapped, median (ms) | ${startup[program.map_cpu_ms]} | ${startup[bare.map_cpu_ms]} | ×$(startup_ratio map_cpu_ms) | – | – |"
    echo "| start-up: exec to first frame drawn, median (ms) | ${startup[program.frame_ms]} | ${startup[bare.frame_ms]} | ×$(startup_ratio frame_ms) | – | – |"
    echo "| start-up: CPU time until first frame, median (ms) | ${startup[program.frame_cpu_ms]} | ${startup[bare.frame_cpu_ms]} | ×$(startup_ratio frame_cpu_ms) | – | – |"
    echo "| start-up: exec to mapped, bare window at the main window's size (ms) | ${startup[program.map_ms]} | ${startup[sized.map_ms]} | ×$(startup_ratio map_ms sized) | – | – |"
    echo "| start-up: exec to first frame, bare window at the main window's size (ms) | ${startup[program.frame_ms]} | ${startup[sized.frame_ms]} | ×$(startup_ratio frame_ms sized) | – | – |"
    echo "| peak RSS 2 s after the window is mapped, median of 3 (MiB) | $(mib "$memory_program") | $(mib "$memory_bare") | $(plus_mib "$memory_program" "$memory_bare") | ≤ +8 MiB | $(met "$memory_extra <= 8") |"
    echo "| peak RSS after counting ${cpu_seconds} s, bare after idling (MiB) | $(mib "$hwm_counting") | $(mib "$hwm_bare_idle") | $(plus_mib "$hwm_counting" "$hwm_bare_idle") | ≤ +8 MiB | $(met "$counting_extra <= 8") |"
    echo "| CPU counting, median of $floor_rounds × ${cpu_seconds} s (% of one core) | $cpu_counting | – | $cpu_counting % | ≤ 1 % | $(met "$cpu_counting <= 1") |"
    echo "| CPU counting against the floor with its yield, medians of $floor_rounds × ${cpu_seconds} s in turn (% of one core) | $cpu_counting | $cpu_floor | ×$floor_ratio | ≤ ×1.3 | $(met "$floor_ratio <= 1.3") |"
    echo "| wake-ups counting: context switches per s, medians of $floor_rounds × ${wakeup_seconds} s | $wakeups_counting | $wakeups_floor | $(awk -v a="$wakeups_counting" -v b="$wakeups_floor" 'BEGIN { printf "%+.1f", a - b }') | ≤ +1 | $(met "$wakeups_counting - $wakeups_floor <= 1") |"
    echo "| CPU idle ${cpu_seconds} s, main window (% of one core) | $cpu_main | $cpu_bare | $cpu_main % vs $cpu_bare % | – | – |"
    echo "| idle wake-ups: context switches per s | $switches_main | $switches_bare | – | – | – |"
    echo "| idle wake-ups: poll calls per s under strace | $polls_main | $polls_bare | – | – | – |"
    echo "| timer events in ${wakeup_seconds} s of main window idle, in-process | ${timer_events:-?} | – | ${timer_receivers:-none} | none of ours | $ours_idle |"
    for locale in en_US C; do
        echo "| one refresh, texts only, $locale (µs CPU; wall) | $(bench_us "refresh_texts/$locale" 4); $(bench_us "refresh_texts/$locale" 3) | – | – | ≤ 20 µs | $(met "$(bench_us "refresh_texts/$locale" 4) <= 20") |"
        echo "| one refresh with the five labels set, $locale (µs CPU; wall) | $(bench_us "refresh_labels/$locale" 4); $(bench_us "refresh_labels/$locale" 3) | – | – | ≤ 20 µs | $(met "$(bench_us "refresh_labels/$locale" 4) <= 20") |"
    done
    echo "| seconds label latency, xcb, ${latency_seconds} s | $(latency_row "$results/latency-xcb.txt") | – | CPU $(value cpu_share_percent "$results/latency-xcb.txt") % | ≥ 99.9 % ≤ 30 ms, none > 50 ms | $(latency_met "$results/latency-xcb.txt") |"
    echo "| seconds label latency, xcb, Start at the worst phase, ${phase_latency_seconds} s | $(latency_row "$results/latency-xcb-phase.txt") | – | CPU $(value cpu_share_percent "$results/latency-xcb-phase.txt") % | ≥ 99.9 % ≤ 30 ms, none > 50 ms | $(latency_met "$results/latency-xcb-phase.txt") |"
    echo "| seconds label latency, offscreen, ${offscreen_latency_seconds} s | $(latency_row "$results/latency-offscreen.txt") | – | CPU $(value cpu_share_percent "$results/latency-offscreen.txt") % | ≥ 99.9 % ≤ 30 ms, none > 50 ms | $(latency_met "$results/latency-offscreen.txt") |"
    echo
    echo "home page opened by the stand-in browser: $home_pages times in $((runs + 6)) starts of the program"
    echo "starts tried again because no window showed: $misses"
    cat "$results/machine.txt"
    echo
    cat "$results/profile.md"
} | tee "$results/table.md"
