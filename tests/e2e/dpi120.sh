#!/usr/bin/env bash
# The windows at 120 dpi in a real X server with a window manager: Qt scales by 1.25, so the main
# window's 536 x 198 device-independent pixels must measure 670 x 248 on the screen, and each
# window's frame must be centred on the work area when it is first mapped. Starts its own X
# server, whose resolution is its own.
#   dpi120.sh PATH-TO-SPAN-METER
set -euo pipefail
program=$1
xprobe=$(dirname "$(realpath "$0")")/xprobe.py
scratch=$(mktemp -d)
pid=
failed=0
cleanup() {
    [[ -n $pid ]] && kill "$pid" 2>/dev/null
    kill "${frames_pid:-}" 2>/dev/null || true
    stop_x_server
    rm -rf "$scratch"
}
trap cleanup EXIT

# shellcheck source=xserver.sh
source "$(dirname "$(realpath "$0")")/xserver.sh"
start_x_server -dpi 120
echo "Xft.dpi: 120" | xrdb -nocpp -merge -
"$xprobe" frames >"$scratch/frames.log" 2>"$scratch/frames.err" &
frames_pid=$!
sleep 0.5

# window TITLE-PATTERN: waits for the program's mapped window whose title matches.
window() {
    local id=
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [[ -n $id ]] && break
        sleep 0.1
    done
    [[ -n $id ]] || { echo "FAIL: no window '$1' at 120 dpi"; exit 1; }
    echo "$id"
}
# click WINDOW X Y, in the layout's pixels at 96 dpi
click() { xdotool mousemove --window "$1" $(($2 * 5 / 4)) $(($3 * 5 / 4)) click 1; }

mkdir -p "$scratch/bin" "$scratch/home"
printf '#!/bin/sh\nexit 0\n' >"$scratch/bin/xdg-open"
chmod +x "$scratch/bin/xdg-open"
HOME=$scratch/home PATH=$scratch/bin:$PATH QT_QPA_PLATFORM=xcb "$program" &
pid=$!
main=$(window 'Clockwise Reckoning$')
size=$(xwininfo -id "$main" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
if [[ $size != 670x248 ]]; then
    echo "FAIL: main window measures $size at 120 dpi, not 670x248"
    failed=1
else
    echo "PASS: main window measures 670x248 at 120 dpi"
fi
# Each counter window once, back to the main window in between.
click "$main" 268 142
click "$(window '^Count Time Elapsed$')" 268 217
click "$(window 'Clockwise Reckoning$')" 268 176
window '^Count Remaining Time$' >/dev/null
sleep 0.5 # a move right after the map would show in the log by now
for title in 'Tallyglass Hourwick Span Meter for Clockwise Reckoning' 'Count Time Elapsed' \
    'Count Remaining Time'; do
    if "$xprobe" centred "$scratch/frames.log" "$title"; then
        echo "PASS: '$title' centred at 120 dpi when mapped, and stayed"
    else
        echo "FAIL: '$title' not centred at 120 dpi when mapped, or moved"
        failed=1
    fi
done
exit $failed
