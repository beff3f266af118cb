#!/usr/bin/env bash
# The windows at 120 dpi in a real X server with a window manager: Qt scales by 1.25, so the main
# window's client area, as the layout tables give it, must measure a quarter more on the screen,
# and each window's frame must be centred on the work area when it is first mapped. Starts its
# own X server, whose resolution is its own.
#   dpi120.sh PATH-TO-SPAN-METER
set -euo pipefail
program=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
xprobe=$here/xprobe.py
scratch=$(mktemp -d)
pid=
failed=0
cleanup() {
    [[ -n $pid ]] && kill "$pid" 2>/dev/null
    kill "${frames_pid:-}" 2>/dev/null || true
    stop_session
    stop_x_server
    rm -rf "$scratch"
}
trap cleanup EXIT

# shellcheck source=xserver.sh
source "$here/xserver.sh"
# shellcheck source=helpers.sh
source "$here/helpers.sh"
# shellcheck source=session.sh
source "$here/session.sh"
# Where the controls stand on this screen, which Qt scales by 1.25.
layout_places "$program" 1.25
start_x_server -dpi 120
echo "Xft.dpi: 120" | xrdb -nocpp -merge -
"$xprobe" frames >"$scratch/frames.log" 2>"$scratch/frames.err" &
frames_pid=$!
sleep 0.5

# window TITLE: waits for the program's mapped window with that title.
shown() { [[ -n $(window_of "$pid" "$1") ]]; }
window() {
    poll 20 shown "$1" || { echo "FAIL: no window '$1' at 120 dpi" >&2; return 1; }
    window_of "$pid" "$1"
}
# press WINDOW FORM CONTROL: a click in the middle of a control.
press() {
    at "$2" "$3"
    click "$1" "$X" "$Y"
}

start_session "$scratch"
env "${PROGRAM_ENV[@]}" "$program" &
pid=$!
main_title='Tallyglass Hourwick Span Meter for Clockwise Reckoning'
main=$(window "$main_title")
read -r width height _ _ < <(place Form1 size)
expected=${width}x$height
size=$(xwininfo -id "$main" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
if [[ $size != "$expected" ]]; then
    echo "FAIL: main window measures $size at 120 dpi, not $expected"
    failed=1
else
    echo "PASS: main window measures $expected at 120 dpi"
fi
# Each counter window once, back to the main window in between.
press "$main" Form1 PushButton2
elapsed=$(window 'Count Time Elapsed')
press "$elapsed" Form2 PushButton1
main=$(window "$main_title")
press "$main" Form1 PushButton1
window 'Count Remaining Time' >/dev/null
sleep 0.5 # a move right after the map would show in the log by now
for title in "$main_title" 'Count Time Elapsed' 'Count Remaining Time'; do
    if "$xprobe" centred "$scratch/frames.log" "$title"; then
        echo "PASS: '$title' centred at 120 dpi when mapped, and stayed"
    else
        echo "FAIL: '$title' not centred at 120 dpi when mapped, or moved"
        failed=1
    fi
done
exit $failed
