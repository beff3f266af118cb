#!/usr/bin/env bash
# The main window at 120 dpi in a real X server: Qt scales by 1.25, so 536 x 198 device-independent
# pixels must measure 670 x 248 on the screen. Starts its own X server, whose resolution is its own.
#   dpi120.sh PATH-TO-SPAN-METER
set -euo pipefail
program=$1
scratch=$(mktemp -d)
display_file=$scratch/display
pid=
cleanup() {
    [[ -n $pid ]] && kill "$pid" 2>/dev/null
    kill "${xvfb_pid:-}" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -dpi 120 -nolisten tcp -noreset 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $display_file ]] && break; sleep 0.1; done
export DISPLAY=":$(cat "$display_file")"
echo "Xft.dpi: 120" | xrdb -nocpp -merge -

mkdir -p "$scratch/bin" "$scratch/home"
printf '#!/bin/sh\nexit 0\n' >"$scratch/bin/xdg-open"
chmod +x "$scratch/bin/xdg-open"
HOME=$scratch/home PATH=$scratch/bin:$PATH "$program" &
pid=$!
window=
for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --name 'Clockwise Reckoning$' 2>/dev/null | head -n 1) || true
    [[ -n $window ]] && break
    sleep 0.1
done
[[ -n $window ]] || { echo "FAIL: no main window at 120 dpi"; exit 1; }
size=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
if [[ $size != 670x248 ]]; then
    echo "FAIL: main window measures $size at 120 dpi, not 670x248"
    exit 1
fi
echo "PASS: main window measures 670x248 at 120 dpi"
