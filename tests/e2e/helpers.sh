# What the end-to-end scripts share: waiting, clicking and judging screenshots. Sourced; the
# script sets `work` (a scratch folder) and STEP_WAIT (seconds for a window to react).

IMPORT=/usr/bin/import
CONVERT=/usr/bin/convert # a stand-in may shadow the real one on PATH
COMPARE=/usr/bin/compare

now_ms() { date +%s%3N; }

# poll SECONDS COMMAND...: true as soon as COMMAND succeeds, false after SECONDS.
poll() {
    local deadline=$(($(now_ms) + $1 * 1000))
    shift
    while true; do
        if "$@"; then
            return 0
        fi
        (($(now_ms) < deadline)) || return 1
        sleep 0.1
    done
}

# window_of PID TITLE: the id of the program's mapped window with exactly that title, if any.
window_of() {
    xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -n 1 || true
}

# layout_places PROGRAM [SCALE]: sets Form1_size, Form1_PushButton2 and the rest, each WxH+X+Y in
# the window's client area, as the layout-places tool built beside the program (or LAYOUT_PLACES)
# has the builder make them; with SCALE, in the pixels of a screen Qt scales by that much. The
# tool makes the windows offscreen, whatever X server is there or not.
layout_places() {
    local tool=${LAYOUT_PLACES:-$(dirname "$(realpath "$1")")/layout-places} places
    places=$(QT_QPA_PLATFORM=offscreen "$tool" ${2:+--scale "$2"}) ||
        { echo "FAIL: no layout places from $tool" >&2; return 1; }
    eval "$places"
}

# place FORM CONTROL: "WIDTH HEIGHT LEFT TOP" of a control, or of the client area for `size`.
place() {
    local name=${1}_$2
    [[ -n ${!name:-} ]] || { echo "no layout place $name" >&2; return 1; }
    echo "${!name//[x+]/ }"
}

# centre FORM CONTROL: "X Y", the middle of a control, where a person clicks it.
centre() {
    local w h x y
    read -r w h x y < <(place "$1" "$2")
    echo $((x + w / 2)) $((y + h / 2))
}

# box FORM CONTROL WxH+DX+DY: a box at an offset in a control, as WxH+X+Y in the window; a width
# or height of 0 or less is the control's own less that much.
box() {
    local w h x y
    read -r w h x y < <(place "$1" "$2")
    [[ $3 =~ ^(-?[0-9]+)x(-?[0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$ ]] || return 1
    local bw=${BASH_REMATCH[1]} bh=${BASH_REMATCH[2]}
    ((bw > 0)) || bw=$((w + bw))
    ((bh > 0)) || bh=$((h + bh))
    echo "${bw}x${bh}+$((x + BASH_REMATCH[3]))+$((y + BASH_REMATCH[4]))"
}

# point FORM CONTROL DX,DY: "X,Y" at an offset in a control; a negative one counts from its right
# or bottom edge.
point() {
    local w h x y dx=${3%,*} dy=${3#*,}
    read -r w h x y < <(place "$1" "$2")
    ((dx >= 0)) || dx=$((w + dx))
    ((dy >= 0)) || dy=$((h + dy))
    echo "$((x + dx)),$((y + dy))"
}

# at FORM CONTROL [DX,DY]: sets X and Y to a point in a control, its middle without an offset.
# shellcheck disable=SC2034 # X and Y are the caller's
at() {
    if (($# == 3)); then
        IFS=, read -r X Y < <(point "$@")
    else
        read -r X Y < <(centre "$@")
    fi
}

# click WINDOW X Y: a left click at client coordinates, as a person would make it.
click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# shot WINDOW FILE: a screenshot of the window's client area.
shot() { "$IMPORT" -window "$1" "$2" 2>/dev/null; }

# differing_pixels A B: how many pixels differ; "error" when the images cannot be compared.
# ImageMagick 6 writes a whole count; 7 adds its share of the image, and counts a grey image's
# pixels in fractions: "157.91 (0.0037)". Any fraction of a pixel counts as one.
differing_pixels() {
    local out
    out=$("$COMPARE" -metric AE "$1" "$2" null: 2>&1) || true
    if [[ $out =~ ^([0-9.]+(e[+-]?[0-9]+)?)( \([0-9.e+-]+\))?$ ]]; then
        awk -v n="${BASH_REMATCH[1]}" 'BEGIN { whole = int(n); print whole + (whole < n) }'
    else
        echo error
    fi
}
same_image() { [[ $(differing_pixels "$1" "$2") == 0 ]]; }
different_image() { [[ $(differing_pixels "$1" "$2") =~ ^[1-9][0-9]*$ ]]; }

# painted IMAGE: more than a handful of colours, so not a window still waiting for its first paint.
painted() { (($("$CONVERT" "$1" -format %k info: 2>/dev/null || echo 0) > 8)); }

# settle WINDOW OUT: waits until two painted screenshots in a row agree (painting has finished).
settle() {
    local previous="$work/settle-a.png" current="$work/settle-b.png"
    shot "$1" "$previous" || return 1
    local deadline=$(($(now_ms) + STEP_WAIT * 1000))
    while (($(now_ms) < deadline)); do
        sleep 0.2
        shot "$1" "$current" || return 1
        if painted "$current" && same_image "$previous" "$current"; then
            cp "$current" "$2"
            return 0
        fi
        mv "$current" "$previous"
    done
    return 1
}
