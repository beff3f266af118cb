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

# click WINDOW X Y: a left click at client coordinates, as a person would make it.
click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# shot WINDOW FILE: a screenshot of the window's client area.
shot() { "$IMPORT" -window "$1" "$2" 2>/dev/null; }

# differing_pixels A B: how many pixels differ; "error" when the images cannot be compared.
differing_pixels() {
    local out
    out=$("$COMPARE" -metric AE "$1" "$2" null: 2>&1) || true
    if [[ $out =~ ^[0-9]+$ ]]; then
        echo "$out"
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
