#!/usr/bin/env bash
# Runs the Windows build under Wine, on an X server and window manager of its own: the Qt Test
# suites built for Windows, then the zip unpacked in a fresh prefix, whose main window must come up
# centred. Prints a counted summary; exits non-zero when anything failed.
#   scripts/test-windows.sh        (after scripts/build-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh windows
tests=build-win/tests
zip=$(ls build-win/span-meter-*-win64.zip 2>/dev/null | tail -n 1)
if [[ ! -d $tests || -z $zip ]]; then
    echo "No Windows build: run scripts/build-windows.sh first" >&2
    exit 2
fi

work=$(mktemp -d /tmp/span-meter-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko: they would ask to be downloaded.
export WINEDLLOVERRIDES="mscoree,mshtml="
server_pid=
manager_pid=
cleanup() {
    wineserver -k 2>/dev/null || true
    kill $manager_pid $server_pid 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

start_x_server() {
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    server_pid=$!
    local tries
    for tries in $(seq 100); do
        [[ -s $work/display ]] && break
        sleep 0.1
    done
    export DISPLAY=:$(cat "$work/display")
    openbox >/dev/null 2>&1 &
    manager_pid=$!
}

# A fresh prefix, where the layouts' Arial is Liberation Sans, which has Arial's metrics, so that
# they measure as they will on Windows.
make_prefix() {
    echo "== a fresh Wine prefix"
    wine wineboot --init >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ \
        /d 'Liberation Sans' /f >/dev/null 2>&1
    wineserver --wait
}

passed=0
failed=0
failures=()
count() {
    if [[ $2 == pass ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$1")
    fi
}

# Wine loses a console program's output when it is redirected: Qt Test writes to a file instead.
# Wine passes no QT_ variable on from Linux, so a batch file sets them on the Windows side.
run_suite() {
    local name=$1 program=$2
    shift 2
    local result=$work/$name.txt batch=$work/$name.bat setting
    {
        for setting in QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96 "$@"; do
            echo "@set $setting"
        done
        echo "@\"$(winepath -w "$tests/$program.exe")\" -o \"$(winepath -w "$result"),txt\""
    } >"$batch"
    timeout 900 wine cmd /c "$(winepath -w "$batch")" >/dev/null 2>&1 || true
    local totals
    totals=$(grep -h '^Totals:' "$result" 2>/dev/null || true)
    grep -h -E '^(FAIL!|XPASS|QFATAL)' -A2 "$result" 2>/dev/null || true
    echo "$name: ${totals:-no result (the suite did not finish)}"
    if [[ $totals =~ ^Totals:\ [0-9]+\ passed,\ 0\ failed ]]; then
        count "$name" pass
    else
        count "$name" fail
    fi
}

run_suites() {
    echo "== the Qt Test suites under Wine"
    local program
    for program in "$tests"/tst_*.exe; do
        program=$(basename "$program" .exe)
        run_suite "$program" "$program"
    done
    run_suite tst_layouts_120dpi tst_layouts QT_SCALE_FACTOR=1.25 SPAN_EXPECT_SCALE=1.25
}

# The zip unpacked where nothing else is, started, and its main window found on the X server.
check_zip() {
    echo "== $(basename "$zip"), unpacked and started"
    local folder=$work/unpacked title="Tallyglass Hourwick Span Meter for Clockwise Reckoning"
    mkdir -p "$folder"
    unzip -q "$zip" -d "$folder"
    (cd "$folder"/span-meter-*/ && wine span-meter.exe >/dev/null 2>&1 &)
    local window= tries
    for tries in $(seq 300); do
        window=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1) || true
        [[ -n $window ]] && break
        sleep 0.1
    done
    if [[ -z $window ]]; then
        echo "FAIL: the main window did not appear"
        count "zip: main window" fail
        return
    fi
    sleep 1 # openbox draws the frame
    import -window root build-win/wine-main-window.png
    check_centred "$window"
}

# The window with its frame centred on the screen. The program centres the frame Windows draws:
# across, openbox's frame has the same width, so within 2 pixels; down, openbox's is 14 pixels
# shorter (a 20-pixel title and 5-pixel handle for Windows' 31 and 8), so within 12. A window left
# where the window manager puts new ones is hundreds of pixels off.
check_centred() {
    local frame left right top bottom info X Y WIDTH HEIGHT
    frame=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')
    IFS=, read -r left right top bottom <<<"${frame:-0,0,0,0}"
    info=$(xwininfo -id "$1")
    X=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    Y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    WIDTH=$(sed -n 's/.*Width: *//p' <<<"$info")
    HEIGHT=$(sed -n 's/.*Height: *//p' <<<"$info")
    local x=$((X - left)) y=$((Y - top))
    local width=$((WIDTH + left + right)) height=$((HEIGHT + top + bottom))
    local off_x=$((2 * x + width - 1280)) off_y=$((2 * y + height - 800))
    echo "main window: ${WIDTH}x$HEIGHT at $X,$Y inside a frame of $left,$right,$top,$bottom" \
        "(left, right, top, bottom); screenshot build-win/wine-main-window.png"
    if ((off_x >= -4 && off_x <= 4 && off_y >= -24 && off_y <= 24)); then
        count "zip: main window centred" pass
    else
        echo "FAIL: the main window is not centred (twice its offset: $off_x, $off_y)"
        count "zip: main window centred" fail
    fi
}

start_x_server
make_prefix
run_suites
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
make_prefix
check_zip
((failed == 0)) || echo "failed: ${failures[*]}"
echo "windows: $passed passed, $failed failed"
((failed == 0))
