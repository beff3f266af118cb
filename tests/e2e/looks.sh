#!/usr/bin/env bash
# Readable on every desktop. The three windows are photographed under the default look and under
# a dark GTK theme, the counters once idle and once counting (Stop showing). In every box of the
# table below, the darkest and the lightest pixel must reach a contrast of 4.5:1 (relative
# luminance of linear sRGB); the sampled window, frame-interior and label backgrounds of a window
# must all be one colour.
#
# Usage: looks.sh <path-to-span-meter>    (DISPLAY must name a running X server with a WM)
# If E2E_SHOTS names a folder, the dark look's windows are written there as *-window-dark.png.
set -euo pipefail

BIN=$(realpath "${1:?usage: looks.sh <path-to-span-meter>}")
WAIT=20
STEP_WAIT=8
MAIN_TITLE='Tallyglass Hourwick Span Meter for Clockwise Reckoning'
BUTTON_X=268

# look name, then the environment that gives it.
LOOKS=(
    "default|QT_QPA_PLATFORMTHEME= GTK_THEME="
    "dark|QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark"
)

# window|kind|what|box WxH+X+Y (text) or point X,Y (ground), in the window's pixels. Counter rows
# are the elapsed window's; the remaining window has the same controls 8 pixels higher.
CHECKS='
main|text|"Date" caption|36x16+8+8
main|text|"Time" caption|36x16+8+66
main|text|date picker|492x19+22+30
main|text|time picker|492x21+22+88
main|text|"Count Time Elapsed"|512x19+12+133
main|text|"Count Remaining Time"|512x19+12+167
main|ground|window|2,2
main|ground|window bottom|530,195
main|ground|"Date" frame interior|13,54
main|ground|"Time" frame interior|13,115
counter|text|"Date/Time Entered:"|440x18+8+16
counter|text|"Current Date/Time:"|440x18+8+48
counter|text|frame caption|240x16+8+80
counter|text|"Day(s):"|130x16+17+100
counter|text|"Hour(s):"|130x18+17+131
counter|text|"Minute(s):"|200x16+155+100
counter|text|"Second(s):"|200x18+155+131
counter|text|Start or Stop|512x19+12+173
counter|text|"< Back"|512x19+12+208
counter|ground|window|2,10
counter|ground|window beside the labels|500,20
counter|ground|frame interior|408,120
counter|ground|frame interior, low|300,150
counter|ground|"Date/Time Entered:" label|9,17
counter|ground|"Day(s):" label|18,99
counter|ground|"Second(s):" label|156,132
'

passed=0
failed=0
work=$(mktemp -d "${TMPDIR:-/tmp}/span-meter-looks.XXXXXX")
app_pid=
bus_pid=
finish() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
    [[ -n $bus_pid ]] && kill "$bus_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
    echo "looks: $passed passed, $failed failed"
    ((failed == 0 && passed > 0)) || exit 1
}
trap finish EXIT

pass() { passed=$((passed + 1)) && echo "PASS: $*"; }
fail() { failed=$((failed + 1)) && echo "FAIL: $*"; }

# shellcheck source=helpers.sh
source "$(dirname "$(realpath "$0")")/helpers.sh"

window_titled() { xdotool search --all --onlyvisible --pid "$app_pid" --name "^$1\$" 2>/dev/null | head -n 1; }
has_window() { [[ -n $(window_titled "$1") ]]; }

# measure SHOT WINDOW DY LABEL: checks the table's rows for WINDOW against the screenshot.
measure() {
    local shot=$1 window=$2 dy=$3 label=$4
    local results
    results=$(convert "$shot" -depth 8 txt:- | awk -v rows="$CHECKS" -v window="$window" -v dy="$dy" '
        function linear(c) { c /= 255; return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ^ 2.4 }
        NR > 1 {
            split($1, at, /[,:]/)
            gsub(/[()]/, "", $2)
            split($2, rgb, ",")
            lum[at[1], at[2]] = 0.2126 * linear(rgb[1]) + 0.7152 * linear(rgb[2]) + 0.0722 * linear(rgb[3])
            hex[at[1], at[2]] = $3
        }
        END {
            n = split(rows, lines, "\n")
            for (i = 1; i <= n; i++) {
                if (split(lines[i], f, "|") != 4 || f[1] != window) continue
                if (f[2] == "text") {
                    split(f[4], g, /[x+]/)
                    darkest = 1; lightest = 0
                    for (x = g[3]; x < g[3] + g[1]; x++)
                        for (y = g[4] + dy; y < g[4] + dy + g[2]; y++) {
                            if (lum[x, y] < darkest) darkest = lum[x, y]
                            if (lum[x, y] > lightest) lightest = lum[x, y]
                        }
                    ratio = (lightest + 0.05) / (darkest + 0.05)
                    printf "%s|%s %.2f:1\n", (ratio >= 4.5 ? "PASS" : "FAIL"), f[3], ratio
                } else {
                    split(f[4], p, ",")
                    colour = hex[p[1], p[2] + dy]
                    if (ground == "") { ground = colour; first = f[3] }
                    same = colour != "" && colour == ground
                    printf "%s|%s is %s, %s the %s\n", (same ? "PASS" : "FAIL"), f[3], colour, \
                        (same ? "like" : "unlike"), first
                }
            }
        }')
    local verdict what
    while IFS='|' read -r verdict what; do
        if [[ $verdict == PASS ]]; then pass "$label: $what"; else fail "$label: $what"; fi
    done <<<"$results"
}

keep_shot() {
    if [[ -n ${E2E_SHOTS:-} && $2 == dark ]]; then
        mkdir -p "$E2E_SHOTS"
        cp "$1" "$E2E_SHOTS/$3-window-dark.png"
    fi
}

# counter MAIN BUTTON_Y TITLE DY NAME LOOK: opens a counter, checks it idle and counting, goes back.
counter() {
    local main=$1 y=$2 title=$3 dy=$4 name=$5 look=$6
    click "$main" "$BUTTON_X" "$y"
    poll "$WAIT" has_window "$title" || { fail "$look: '$title' did not open" && return; }
    local win
    win=$(window_titled "$title")
    xdotool mousemove --window "$win" "$BUTTON_X" $((182 + dy))
    settle "$win" "$work/idle.png" || fail "$look: '$title' never finished painting"
    measure "$work/idle.png" counter "$dy" "$look $name idle"
    click "$win" "$BUTTON_X" $((182 + dy))
    convert "$work/idle.png" -crop "512x19+12+$((173 + dy))" "$work/start.png"
    started() {
        import -window "$win" "$work/counting.png" 2>/dev/null &&
            convert "$work/counting.png" -crop "512x19+12+$((173 + dy))" "$work/stop.png" &&
            [[ $(compare -metric AE "$work/start.png" "$work/stop.png" null: 2>&1) != 0 ]]
    }
    poll 8 started || fail "$look: '$title' shows no Stop after Start"
    measure "$work/counting.png" counter "$dy" "$look $name counting"
    keep_shot "$work/counting.png" "$look" "$name"
    click "$win" "$BUTTON_X" $((217 + dy))
    poll "$WAIT" has_window "$MAIN_TITLE" || fail "$look: '< Back' did not bring the main window back"
}

mkdir -p "$work/bin" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/xdg-open" # the home page must reach no browser
chmod +x "$work/bin/xdg-open"
dbus-daemon --session --nofork --address="unix:path=$work/bus" --print-address=1 \
    >"$work/bus.address" 2>/dev/null &
bus_pid=$!
poll 5 test -s "$work/bus.address"

for entry in "${LOOKS[@]}"; do
    look=${entry%%|*}
    read -r -a theme <<<"${entry#*|}"
    env PATH="$work/bin:$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C \
        DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$work/bus.address")" QT_QPA_PLATFORM=xcb \
        "${theme[@]}" "$BIN" >"$work/$look.log" 2>&1 &
    app_pid=$!
    if ! poll "$WAIT" has_window "$MAIN_TITLE"; then
        fail "$look: no main window" && continue
    fi
    main=$(window_titled "$MAIN_TITLE")
    settle "$main" "$work/main.png" || fail "$look: the main window never finished painting"
    measure "$work/main.png" main 0 "$look main"
    keep_shot "$work/main.png" "$look" main
    counter "$main" 142 'Count Time Elapsed' 0 elapsed "$look"
    # An hour ahead, so the remaining window has a count to show (before 23:00).
    click "$main" 30 98
    xdotool key Up
    counter "$main" 176 'Count Remaining Time' -8 remaining "$look"
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=
done
