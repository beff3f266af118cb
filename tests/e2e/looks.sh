#!/usr/bin/env bash
# Readable on every desktop. The three windows are photographed under the default look and under
# a dark GTK theme, the counters once idle and once counting (Stop showing). In every box of the
# table below, the darkest and the lightest pixel must reach a contrast of 4.5:1 (relative
# luminance of linear sRGB); the sampled window, frame-interior and label backgrounds of a window
# must all be one colour.
#
# Usage: looks.sh <path-to-span-meter>    (DISPLAY must name a running X server with a WM)
# Where the controls stand comes from layout-places, built beside the program (or LAYOUT_PLACES).
# If E2E_SHOTS names a folder, the dark look's windows are written there as *-window-dark.png.
set -euo pipefail

BIN=$(realpath "${1:?usage: looks.sh <path-to-span-meter>}")
WAIT=20
STEP_WAIT=8
MAIN_TITLE='Tallyglass Hourwick Span Meter for Clockwise Reckoning'

# look name, then the environment that gives it.
LOOKS=(
    "default|QT_QPA_PLATFORMTHEME= GTK_THEME="
    "dark|QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark"
)

# window|kind|what|control|box WxH+DX+DY (text) or point DX,DY (ground) in the control, whose
# place the layout tables give (`size`: the client area). A width or height of 0 or less is the
# control's own less that much; a negative point counts from its right or bottom edge. Counter rows
# hold for both counter windows.
CHECKS='
main|text|"Date" caption|Frame1|36x16+0+0
main|text|"Time" caption|Frame2|36x16+0+0
main|text|date picker|dtpDate|-4x-4+2+2
main|text|time picker|dtpTime|-4x-4+2+2
main|text|"Count Time Elapsed"|PushButton2|-8x-8+4+4
main|text|"Count Remaining Time"|PushButton1|-8x-8+4+4
main|ground|window|size|2,2
main|ground|window bottom|size|-6,-3
main|ground|"Date" frame interior|Frame1|5,46
main|ground|"Time" frame interior|Frame2|5,49
counter|text|"Date/Time Entered:"|DateTimeEntered|440x18+0+0
counter|text|"Current Date/Time:"|CurrentDateTime|440x18+0+0
counter|text|frame caption|Frame1|240x16+0+0
counter|text|"Day(s):"|Days|130x16+0+2
counter|text|"Hour(s):"|Hours|130x18+0+0
counter|text|"Minute(s):"|Minutes|200x16+0+2
counter|text|"Second(s):"|Seconds|200x18+0+0
counter|text|Start or Stop|PushButton2|-8x-8+4+4
counter|text|"< Back"|PushButton1|-8x-8+4+4
counter|ground|window|size|2,10
counter|ground|window beside the labels|size|500,20
counter|ground|frame interior|Frame1|400,40
counter|ground|frame interior, low|Frame1|292,70
counter|ground|"Date/Time Entered:" label|DateTimeEntered|1,1
counter|ground|"Day(s):" label|Days|1,1
counter|ground|"Second(s):" label|Seconds|1,1
'

passed=0
failed=0
work=$(mktemp -d "${TMPDIR:-/tmp}/span-meter-looks.XXXXXX")
app_pid=
finish() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
    stop_session
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
# shellcheck source=session.sh
source "$(dirname "$(realpath "$0")")/session.sh"
layout_places "$BIN" || exit 1
at Form1 PushButton2
BUTTON_X=$X

# rows TABLE FORM: the rows of TABLE (main or counter) for window FORM, with boxes and points in
# the window's pixels.
rows() {
    local window kind what control at
    while IFS='|' read -r window kind what control at; do
        [[ $window == "$1" ]] || continue
        if [[ $kind == text ]]; then
            at=$(box "$2" "$control" "$at")
        else
            at=$(point "$2" "$control" "$at")
        fi
        echo "$kind|$what|$at"
    done <<<"$CHECKS"
}

window_titled() { window_of "$app_pid" "$1"; }
has_window() { [[ -n $(window_titled "$1") ]]; }

# measure SHOT TABLE FORM LABEL: checks the rows of TABLE for window FORM against the screenshot.
measure() {
    local shot=$1 label=$4
    local results
    results=$(convert "$shot" -depth 8 txt:- | awk -v rows="$(rows "$2" "$3")" '
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
                if (split(lines[i], f, "|") != 3) continue
                if (f[1] == "text") {
                    split(f[3], g, /[x+]/)
                    darkest = 1; lightest = 0
                    for (x = g[3]; x < g[3] + g[1]; x++)
                        for (y = g[4]; y < g[4] + g[2]; y++) {
                            if (lum[x, y] < darkest) darkest = lum[x, y]
                            if (lum[x, y] > lightest) lightest = lum[x, y]
                        }
                    ratio = (lightest + 0.05) / (darkest + 0.05)
                    printf "%s|%s %.2f:1\n", (ratio >= 4.5 ? "PASS" : "FAIL"), f[2], ratio
                } else {
                    split(f[3], p, ",")
                    colour = hex[p[1], p[2]]
                    if (ground == "") { ground = colour; first = f[2] }
                    same = colour != "" && colour == ground
                    printf "%s|%s is %s, %s the %s\n", (same ? "PASS" : "FAIL"), f[2], colour, \
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

# counter MAIN BUTTON TITLE FORM NAME LOOK: opens a counter with the main window's BUTTON, checks
# it idle and counting, goes back.
counter() {
    local main=$1 button=$2 title=$3 form=$4 name=$5 look=$6
    local start_y back_y start_text
    at "$form" PushButton2
    start_y=$Y
    at "$form" PushButton1
    back_y=$Y
    start_text=$(box "$form" PushButton2 -8x-8+4+4)
    at Form1 "$button"
    click "$main" "$X" "$Y"
    poll "$WAIT" has_window "$title" || { fail "$look: '$title' did not open" && return; }
    local win
    win=$(window_titled "$title")
    xdotool mousemove --window "$win" "$BUTTON_X" "$start_y"
    settle "$win" "$work/idle.png" || fail "$look: '$title' never finished painting"
    measure "$work/idle.png" counter "$form" "$look $name idle"
    click "$win" "$BUTTON_X" "$start_y"
    convert "$work/idle.png" -crop "$start_text" "$work/start.png"
    started() {
        import -window "$win" "$work/counting.png" 2>/dev/null &&
            convert "$work/counting.png" -crop "$start_text" "$work/stop.png" &&
            different_image "$work/start.png" "$work/stop.png"
    }
    poll 8 started || fail "$look: '$title' shows no Stop after Start"
    measure "$work/counting.png" counter "$form" "$look $name counting"
    keep_shot "$work/counting.png" "$look" "$name"
    click "$win" "$BUTTON_X" "$back_y"
    poll "$WAIT" has_window "$MAIN_TITLE" || fail "$look: '< Back' did not bring the main window back"
}

start_session "$work" || exit 1

for entry in "${LOOKS[@]}"; do
    look=${entry%%|*}
    read -r -a theme <<<"${entry#*|}"
    env "${PROGRAM_ENV[@]}" LC_ALL=C "${theme[@]}" "$BIN" >"$work/$look.log" 2>&1 &
    app_pid=$!
    if ! poll "$WAIT" has_window "$MAIN_TITLE"; then
        fail "$look: no main window" && continue
    fi
    main=$(window_titled "$MAIN_TITLE")
    settle "$main" "$work/main.png" || fail "$look: the main window never finished painting"
    measure "$work/main.png" main Form1 "$look main"
    keep_shot "$work/main.png" "$look" main
    counter "$main" PushButton2 'Count Time Elapsed' Form2 elapsed "$look"
    # An hour ahead, so the remaining window has a count to show (before 23:00).
    at Form1 dtpTime 10,12
    click "$main" "$X" "$Y"
    xdotool key Up
    counter "$main" PushButton1 'Count Remaining Time' Form3 remaining "$look"
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=
done
