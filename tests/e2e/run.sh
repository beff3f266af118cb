#!/usr/bin/env bash
# Drives the real program on a live X display (Xvfb plus a window manager) the way a person
# would: mouse clicks, key strokes and the window manager's close request. Label texts are not
# visible to X tools, so counting is judged by comparing screenshot regions over time.
#
# Usage: run.sh <path-to-span-meter>      (DISPLAY must name a running X server with a WM)
# Where the controls stand comes from layout-places, built beside the program (or LAYOUT_PLACES).
# The two-monitor scenario at the end starts an X server of its own, split by xrandr.
# Needs: xdotool, x11-utils (xprop, xwininfo), x11-xserver-utils (xrandr), xvfb, openbox, wmctrl,
# imagemagick, dbus-daemon.
# If E2E_SHOTS names a folder, main.png, elapsed.png and remaining.png are written there.
set -euo pipefail

BIN=${1:?usage: run.sh <path-to-span-meter>}
BIN=$(realpath "$BIN") # the program runs in a folder of its own
MAIN_TITLE='Tallyglass Hourwick Span Meter for Clockwise Reckoning'
CLASS_NAME='Tallyglass Hourwick Span Meter for'
ELAPSED_TITLE='Count Time Elapsed'
REMAINING_TITLE='Count Remaining Time'
HOME_PAGE="file://$(dirname "$BIN")/manual.html" # the manual beside the program
WAIT=20      # seconds for a window to appear or the program to end; sanitizer builds are slow
STEP_WAIT=8  # seconds for a running program to react to a click or key
XPROBE=$(dirname "$(realpath "$0")")/xprobe.py # what the X server reports: pointer image, frames
HAND='32x32 9,0'        # the shipped hand at the ordinary scale: size and hot spot
HAND_DOUBLE='64x64 18,0' # and at twice that

passed=0
failed=0
stopped_on_failure=false
diag_dir=
work=
declare -a launched_pids=()
declare -a waiters=()
frames_pid=
LAUNCH_ENV=()

# shellcheck source=helpers.sh
source "$(dirname "$(realpath "$0")")/helpers.sh"
# shellcheck source=xserver.sh
source "$(dirname "$(realpath "$0")")/xserver.sh"
# shellcheck source=session.sh
source "$(dirname "$(realpath "$0")")/session.sh"
x_server_pids=() # an X server of the script's own, for two monitors

pass() {
    passed=$((passed + 1))
    echo "PASS: $*"
}

fail() {
    failed=$((failed + 1))
    echo "FAIL: $*"
    save_diagnostics "$*"
}

# Stops the scenario: later steps would only fail for the same reason.
fail_hard() {
    fail "$@"
    stopped_on_failure=true
    exit 1
}

save_diagnostics() {
    [[ -n $work && -n ${DISPLAY:-} ]] || return 0
    if [[ -z $diag_dir ]]; then
        diag_dir=$(mktemp -d "${TMPDIR:-/tmp}/span-meter-e2e-diag.XXXXXX")
    fi
    local n=$((passed + failed))
    "$IMPORT" -window root "$diag_dir/screen-$n.png" 2>/dev/null || true
    {
        echo "failed check: $1"
        echo "visible windows:"
        local w
        for w in $(xdotool search --onlyvisible --name . 2>/dev/null || true); do
            echo "  $w $(xdotool getwindowname "$w" 2>/dev/null || true)"
        done
    } >>"$diag_dir/notes.txt"
}

finish() {
    local status=$?
    set +e
    local pid
    for pid in "${launched_pids[@]}"; do
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null
            for _ in $(seq 30); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -KILL "$pid" 2>/dev/null
        fi
    done
    for pid in "${waiters[@]}"; do
        wait "$pid" 2>/dev/null
    done
    if [[ -n $frames_pid ]]; then
        kill "$frames_pid" 2>/dev/null
        wait "$frames_pid" 2>/dev/null
    fi
    ((${#x_server_pids[@]} == 0)) || stop_x_server
    stop_session
    if [[ -n $work ]]; then
        if [[ -n $diag_dir ]]; then
            cp "$work"/*.log "$diag_dir"/ 2>/dev/null
            cp "$work"/shots/*.png "$diag_dir"/ 2>/dev/null
        fi
        rm -rf "$work"
    fi
    if ((status != 0)) && ! $stopped_on_failure; then
        failed=$((failed + 1))
        echo "FAIL: the script stopped on an unexpected error (status $status)"
    fi
    [[ -n $diag_dir ]] && echo "Diagnostics saved in $diag_dir"
    echo "e2e: $passed passed, $failed failed"
    if ((failed > 0 || status != 0)); then
        exit 1
    fi
    exit 0
}
trap finish EXIT
trap 'echo "ERROR: line $LINENO: $BASH_COMMAND failed" >&2' ERR

[[ -x $BIN ]] || fail_hard "program $BIN is not an executable file"
[[ -n ${DISPLAY:-} ]] || fail_hard "DISPLAY is not set"
for tool in xdotool xprop xwininfo xrandr Xvfb openbox wmctrl dbus-daemon "$IMPORT" "$CONVERT" \
    "$COMPARE" "$XPROBE"; do
    command -v "$tool" >/dev/null || fail_hard "missing tool $tool"
done
xwininfo -root >/dev/null 2>&1 || fail_hard "no X server answers on DISPLAY=$DISPLAY"
layout_places "$BIN" || fail_hard "the layout tables' places could not be read"

work=$(mktemp -d "${TMPDIR:-/tmp}/span-meter-e2e.XXXXXX")
mkdir -p "$work/shots" "$work/cwd"
start_session "$work" || fail_hard "the private D-Bus session bus did not start"

# --- helpers ------------------------------------------------------------------------------

# launch TAG [ARGUMENT...]: starts the program ($LAUNCH_BIN if set, with the extra environment
# in LAUNCH_ENV) with the arguments; sets APP_PID and APP_RC (file receiving its exit status).
launch() {
    local tag=$1
    shift
    APP_RC="$work/$tag.rc"
    APP_LOG="$work/$tag.log"
    local pidfile="$work/$tag.pid"
    (
        cd "$work/cwd"
        env -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS "${PROGRAM_ENV[@]}" LC_ALL=C LANG=C \
            "${LAUNCH_ENV[@]}" "${LAUNCH_BIN:-$BIN}" "$@" >"$APP_LOG" 2>&1 &
        echo $! >"$pidfile"
        status=0
        wait $! || status=$?
        echo "$status" >"$APP_RC.tmp"
        mv "$APP_RC.tmp" "$APP_RC"
    ) &
    waiters+=($!)
    poll 5 test -s "$pidfile" || fail_hard "$tag: program did not start"
    APP_PID=$(cat "$pidfile")
    launched_pids+=("$APP_PID")
}

# visible_window TITLE: the id of the program's mapped window with exactly that title.
visible_window() { window_of "$APP_PID" "$1"; }

# any_window TITLE: ids of the program's windows with that title, mapped or not.
any_window() {
    xdotool search --all --pid "$APP_PID" --name "^$1\$" 2>/dev/null || true
}

has_visible_window() { [[ -n $(visible_window "$1") ]]; }
has_no_window() { [[ -z $(any_window "$1") ]]; }

is_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
is_unmapped() { ! is_viewable "$1"; }

client_size() {
    xwininfo -id "$1" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w "x" h }'
}

net_wm_name() {
    xprop -id "$1" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'
}

wm_class_class() {
    xprop -id "$1" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\(.*\)"$/\1/p'
}

exited() { [[ -s $APP_RC ]]; }

# crop IN GEOMETRY OUT
crop() { "$CONVERT" "$1" -crop "$2" +repage "$3"; }

# region_shot WINDOW GEOMETRY OUT: a screenshot cropped to one region.
region_shot() {
    local raw="$work/raw-$$.png"
    shot "$1" "$raw" && crop "$raw" "$2" "$3"
}

# region_is WINDOW GEOMETRY REFERENCE: the region now looks exactly like REFERENCE.
region_is() {
    region_shot "$1" "$2" "$work/probe.png" && same_image "$work/probe.png" "$3"
}
region_is_not() {
    region_shot "$1" "$2" "$work/probe.png" && different_image "$work/probe.png" "$3"
}

# still_parts IN OUT: a main-window picture without what changes from run to run: the time
# picker's text and arrows (the moment the program started: in the hour after midnight Down is
# disabled, in the last hour Up) and the date picker's selected day with the blinking text cursor
# at its end, which stands further right on a two-digit day. The date picker's arrow, the frames
# and the buttons show a mirrored layout.
still_parts() {
    "$CONVERT" "$1" -fill black \
        -draw "rectangle $(point Form1 dtpTime 2,2) $(point Form1 dtpTime -3,22)" \
        -draw "rectangle $(point Form1 dtpDate 2,2) $(point Form1 dtpDate 22,20)" "$2"
}

save_shot() {
    if [[ -n ${E2E_SHOTS:-} ]]; then
        mkdir -p "$E2E_SHOTS"
        cp "$1" "$E2E_SHOTS/$2"
    fi
    cp "$1" "$work/shots/$2"
}

check_window_identity() {
    local id=$1 title=$2 size=$3
    local seen
    seen=$(net_wm_name "$id")
    if [[ $seen == "$title" ]]; then pass "'$title': title is exact"; else fail "'$title': title is '$seen'"; fi
    seen=$(client_size "$id")
    if [[ $seen == "$size" ]]; then pass "'$title': client area $seen"; else fail "'$title': client area is $seen, not $size"; fi
    seen=$(wm_class_class "$id")
    if [[ $seen == "$CLASS_NAME" ]]; then pass "'$title': WM_CLASS class '$seen'"; else fail "'$title': WM_CLASS class is '$seen'"; fi
}

pointer_is() { [[ $("$XPROBE" cursor) == "$1" ]]; }
pointer_is_not() { [[ $("$XPROBE" cursor) != "$1" ]]; }

# check_pointer WINDOW X Y IMAGE WHAT: with the mouse at client X,Y the server shows IMAGE
# ("WIDTHxHEIGHT HOTX,HOTY").
check_pointer() {
    xdotool mousemove --window "$1" "$2" "$3"
    if poll "$STEP_WAIT" pointer_is "$4"; then
        pass "pointer over $5 is $4"
    else
        fail "pointer over $5 is $("$XPROBE" cursor), not $4"
    fi
}

# check_arrow WINDOW X Y WHAT: the pointer there is not the hand; sets ARROW to what it is.
check_arrow() {
    xdotool mousemove --window "$1" "$2" "$3"
    if poll "$STEP_WAIT" pointer_is_not "$HAND"; then
        ARROW=$("$XPROBE" cursor)
        pass "pointer over $4 is the arrow, $ARROW"
    else
        fail "pointer over $4 stays the hand"
    fi
}

# wait_for_window TITLE: sets FOUND to the program's window with that title once it is mapped.
wait_for_window() {
    poll "$WAIT" has_visible_window "$1" || fail_hard "no window titled '$1' within ${WAIT}s"
    FOUND=$(visible_window "$1")
}

# counter_regions FORM REGIONS: client-area regions of a counter window, from its layout.
#   top:     everything above the Start button (both labels and the breakdown frame)
#   frame:   the breakdown frame
#   dhm_left, dhm_right: the Day(s), Hour(s) and Minute(s) labels, without the frame's caption
#   entered: the "Date/Time Entered:" line, as far as it may grow
#   start:   the Start/Stop button; start_y and back_y: the middle of Start and of "< Back"
counter_regions() {
    local -n regions=$2
    local width fw fh fx fy dy hh hy mh mx my eh ex ey
    read -r width _ _ _ < <(place "$1" size)
    read -r fw fh fx fy < <(place "$1" Frame1)
    read -r _ _ _ dy < <(place "$1" Days)
    read -r _ hh _ hy < <(place "$1" Hours)
    read -r _ mh mx my < <(place "$1" Minutes)
    read -r _ eh ex ey < <(place "$1" DateTimeEntered)
    # shellcheck disable=SC2034 # the caller's array, through the name reference
    regions=(
        [top]=${width}x$((fy + fh))+0+0 [frame]=$(box "$1" Frame1 0x0+0+0)
        [dhm_left]=$((mx - fx - 5))x$((hy + hh - dy + 5))+$((fx + 4))+$((dy - 2))
        [dhm_right]=$((fx + fw - 5 - mx))x$((mh + 2))+$mx+$((my - 2))
        [entered]=$((width - ex))x$eh+$ex+$ey [start]=$(box "$1" PushButton2 0x0+0+0)
        [start_y]=$(centre "$1" PushButton2 | cut -d' ' -f2)
        [back_y]=$(centre "$1" PushButton1 | cut -d' ' -f2))
}
declare -A ELAPSED_REGION REMAINING_REGION
counter_regions Form2 ELAPSED_REGION
counter_regions Form3 REMAINING_REGION
# shellcheck disable=SC2154 # Form1_size and the rest come from layout_places
{
    MAIN_SIZE=${Form1_size%%+*}
    ELAPSED_SIZE=${Form2_size%%+*}
    REMAINING_SIZE=${Form3_size%%+*}
    MAIN_TIME_PICKER=$Form1_dtpTime
}
at Form1 PushButton2
BUTTON_X=$X MAIN_ELAPSED_Y=$Y
at Form1 PushButton1
MAIN_REMAINING_Y=$Y

# open_counter MAIN_WINDOW BUTTON_Y TITLE SIZE: clicks the main window's button; sets COUNTER.
open_counter() {
    local main=$1 y=$2 title=$3 size=$4
    click "$main" "$BUTTON_X" "$y"
    if poll "$WAIT" has_visible_window "$title"; then
        pass "'$title' window is shown after the click"
    else
        fail_hard "'$title' window did not appear within ${WAIT}s"
    fi
    COUNTER=$(visible_window "$title")
    if poll "$STEP_WAIT" is_unmapped "$main"; then
        pass "main window is hidden while '$title' is open"
    else
        fail "main window is still mapped while '$title' is open"
    fi
    check_window_identity "$COUNTER" "$title" "$size"
}

# count_and_stop WINDOW TITLE REGIONS SHOTNAME: Start, watch it count, Stop, watch it rest.
# Leaves the cropped "days/hours/minutes" of a counting moment in $work/<SHOTNAME>-dhm-*.png.
count_and_stop() {
    local win=$1 title=$2 shotname=$4
    local -n region=$3
    local base="$work/$shotname"
    # The pointer rests on Start first, so the idle picture has the same hover look as later.
    xdotool mousemove --window "$win" "$BUTTON_X" "${region[start_y]}"
    settle "$win" "$base-idle.png" || fail_hard "'$title' never finished painting"
    crop "$base-idle.png" "${region[top]}" "$base-idle-top.png"
    crop "$base-idle.png" "${region[frame]}" "$base-idle-frame.png"
    crop "$base-idle.png" "${region[start]}" "$base-idle-start.png"
    crop "$base-idle.png" "${region[entered]}" "$base-entered.png"

    click "$win" "$BUTTON_X" "${region[start_y]}"
    if poll "$STEP_WAIT" region_is_not "$win" "${region[frame]}" "$base-idle-frame.png"; then
        pass "'$title': Start fills in the breakdown"
    else
        fail_hard "'$title': the breakdown did not change within ${STEP_WAIT}s of Start"
    fi
    if region_is_not "$win" "${region[start]}" "$base-idle-start.png"; then
        pass "'$title': the Start button's caption changed while counting"
    else
        fail "'$title': the Start button looks the same while counting"
    fi
    # Two further changes, each within a few seconds: it keeps counting, second by second.
    local i
    for i in 1 2; do
        region_shot "$win" "${region[frame]}" "$base-count-$i.png"
        if poll 4 region_is_not "$win" "${region[frame]}" "$base-count-$i.png"; then
            pass "'$title': the breakdown changed again (change $i)"
        else
            fail "'$title': the breakdown stayed the same for 4s while counting (change $i)"
        fi
    done
    shot "$win" "$base-counting.png"
    save_shot "$base-counting.png" "$shotname.png"
    crop "$base-counting.png" "${region[dhm_left]}" "$base-dhm-left.png"
    crop "$base-counting.png" "${region[dhm_right]}" "$base-dhm-right.png"

    click "$win" "$BUTTON_X" "${region[start_y]}"
    if poll "$STEP_WAIT" region_is "$win" "${region[top]}" "$base-idle-top.png"; then
        pass "'$title': Stop restores the captions exactly as they were before Start"
    else
        fail "'$title': after Stop the labels never returned to their idle look"
    fi
    if poll "$STEP_WAIT" region_is "$win" "${region[start]}" "$base-idle-start.png"; then
        pass "'$title': Stop gives the Start button its caption back"
    else
        fail "'$title': after Stop the Start button does not look as before"
    fi
    # Stopped means still: the picture holds for 1.2s.
    local deadline=$(($(now_ms) + 1200)) still=true
    while (($(now_ms) < deadline)); do
        if ! region_is "$win" "${region[top]}" "$base-idle-top.png"; then
            still=false
            break
        fi
        sleep 0.2
    done
    if $still; then
        pass "'$title': nothing changes for 1.2s after Stop"
    else
        fail "'$title': the labels changed after Stop"
    fi
}

# back_to_main COUNTER MAIN TITLE BACK_Y
back_to_main() {
    local win=$1 main=$2 title=$3 y=$4
    click "$win" "$BUTTON_X" "$y"
    if poll "$STEP_WAIT" is_viewable "$main"; then
        pass "'< Back' in '$title' shows the main window again"
    else
        fail_hard "'< Back' in '$title' did not bring the main window back"
    fi
    if poll "$STEP_WAIT" has_no_window "$title"; then
        pass "'< Back' closes '$title'"
    else
        fail "'$title' window still exists after '< Back'"
    fi
}

# wait_for_exit WHAT: the program ends by itself with status 0.
wait_for_exit() {
    local what=$1 started
    started=$(now_ms)
    if poll "$WAIT" exited; then
        local status took=$(($(now_ms) - started))
        status=$(cat "$APP_RC")
        if [[ $status == 0 ]]; then
            pass "$what: the program ended with status 0 after ${took}ms"
        else
            fail "$what: the program ended with status $status"
            sed 's/^/    | /' "$APP_LOG" | tail -n 40
        fi
    else
        fail "$what: the program was still running ${WAIT}s later"
    fi
}

# --- first run: main window, both counters, close from a counter --------------------------

echo "Program: $BIN"
# Every frame the window manager maps, with where it was at that moment and any later move.
"$XPROBE" frames >"$work/frames.log" 2>"$work/frames.err" &
frames_pid=$!
sleep 0.5 # the watcher is listening before the first window can appear
started_s=$(date +%s)
launch first
if poll "$WAIT" has_visible_window "$MAIN_TITLE"; then
    pass "main window appears"
else
    fail_hard "no main window titled '$MAIN_TITLE' within ${WAIT}s"
fi
main=$(visible_window "$MAIN_TITLE")
check_window_identity "$main" "$MAIN_TITLE" "$MAIN_SIZE"
if [[ -n $(any_window "$ELAPSED_TITLE") || -n $(any_window "$REMAINING_TITLE") ]]; then
    fail "a counter window exists before any button was clicked"
else
    pass "no counter window exists at start"
fi
xdotool mousemove 0 0 # off the window: a hovered button looks different
settle "$main" "$work/main.png" || fail_hard "main window never finished painting"
save_shot "$work/main.png" main.png

# The pointer as the server shows it: the hand over buttons, the arrow over the surface and the
# frames; labels keep whichever came last.
check_pointer "$main" "$BUTTON_X" "$MAIN_ELAPSED_Y" "$HAND" "'$ELAPSED_TITLE'"
check_arrow "$main" 3 3 "the main window's surface"
check_pointer "$main" "$BUTTON_X" "$MAIN_REMAINING_Y" "$HAND" "'$REMAINING_TITLE'"
at Form1 Frame1 4,22
check_pointer "$main" "$X" "$Y" "$ARROW" "the date frame"

# Elapsed: the Moment is the time the program started, so it counts up from there.
open_counter "$main" "$MAIN_ELAPSED_Y" "$ELAPSED_TITLE" "$ELAPSED_SIZE"
elapsed=$COUNTER
check_pointer "$elapsed" "$BUTTON_X" "${ELAPSED_REGION[start_y]}" "$HAND" "Start"
at Form2 DateTimeEntered 12,8
check_pointer "$elapsed" "$X" "$Y" "$HAND" "'Date/Time Entered' after Start"
at Form2 Frame1 -13,-12
check_pointer "$elapsed" "$X" "$Y" "$ARROW" "the breakdown frame"
at Form2 Days 8,6
check_pointer "$elapsed" "$X" "$Y" "$ARROW" "'Day(s):' after the frame"
check_pointer "$elapsed" "$BUTTON_X" "${ELAPSED_REGION[back_y]}" "$HAND" "'< Back'"
count_and_stop "$elapsed" "$ELAPSED_TITLE" ELAPSED_REGION elapsed
back_to_main "$elapsed" "$main" "$ELAPSED_TITLE" "${ELAPSED_REGION[back_y]}"

# Remaining: the Moment typed from the keyboard, date and time, one minute after the clock read
# here, so every run counts under a minute, whatever the time of day; `date` carries the minute
# into the hour, day or year, which the picker's fields would not.
elapsed_for=$(($(date +%s) - started_s))
read -r ahead_date ahead_time < <(date -d "@$(($(date +%s) + 60))" '+%d%m%Y %H%M%S')
echo "INFO: typing the Moment $ahead_date $ahead_time (the elapsed count ran ${elapsed_for}s)"
settle "$main" "$work/main-before-keys.png" || fail_hard "main window never finished painting"
crop "$work/main-before-keys.png" "$MAIN_TIME_PICKER" "$work/picker-before.png"
# A click puts the focus in the date picker; Home goes to its first field, the day; the fields
# move on by themselves as they fill, and Tab goes on to the time picker's first field, the hour.
at Form1 dtpDate 20,11
click "$main" "$X" "$Y"
sleep 0.2 # the click's focus change must land before the first key
xdotool key Home
xdotool type --delay 80 "$ahead_date"
xdotool key Tab
xdotool type --delay 80 "$ahead_time"
if poll "$STEP_WAIT" region_is_not "$main" "$MAIN_TIME_PICKER" "$work/picker-before.png"; then
    pass "the time typed, $ahead_time, changed the time picker"
else
    fail "the time typed, $ahead_time, left the time picker as it was"
fi

open_counter "$main" "$MAIN_REMAINING_Y" "$REMAINING_TITLE" "$REMAINING_SIZE"
remaining=$COUNTER
count_and_stop "$remaining" "$REMAINING_TITLE" REMAINING_REGION remaining
# Both counts are under a minute: the elapsed one as it ran within a minute of the start, the
# remaining one as the Moment was typed a minute ahead. Days, hours and minutes read 0 in both.
if ((elapsed_for >= 60)); then
    fail "the elapsed count ran ${elapsed_for}s after the start: its minutes need not read 0"
elif same_image "$work/elapsed-dhm-left.png" "$work/remaining-dhm-left.png" &&
    same_image "$work/elapsed-dhm-right.png" "$work/remaining-dhm-right.png"; then
    pass "remaining count shows the same zero days/hours/minutes as the short elapsed count"
else
    fail "remaining count's days/hours/minutes differ from the elapsed count's zeros"
fi
if different_image "$work/elapsed-entered.png" "$work/remaining-entered.png"; then
    pass "the Moment shown by '$REMAINING_TITLE' differs from the one before the key strokes"
else
    fail "the Moment shown by '$REMAINING_TITLE' is unchanged by the key strokes"
fi
back_to_main "$remaining" "$main" "$REMAINING_TITLE" "${REMAINING_REGION[back_y]}"

# The elapsed window opened again shows the edited Moment, the same text the remaining one showed.
open_counter "$main" "$MAIN_ELAPSED_Y" "$ELAPSED_TITLE" "$ELAPSED_SIZE"
elapsed=$COUNTER
settle "$elapsed" "$work/elapsed-again.png" || fail_hard "'$ELAPSED_TITLE' never finished painting"
crop "$work/elapsed-again.png" "${ELAPSED_REGION[entered]}" "$work/elapsed-again-entered.png"
if same_image "$work/elapsed-again-entered.png" "$work/remaining-entered.png"; then
    pass "'$ELAPSED_TITLE' opened again shows the same Moment as '$REMAINING_TITLE'"
else
    fail "'$ELAPSED_TITLE' opened again shows a different Moment from '$REMAINING_TITLE'"
fi
if different_image "$work/elapsed-again-entered.png" "$work/elapsed-entered.png"; then
    pass "'$ELAPSED_TITLE' opened again shows the edited Moment, not the first one"
else
    fail "'$ELAPSED_TITLE' opened again still shows the first Moment"
fi

# A polite close (WM_DELETE_WINDOW through the window manager) of a counter ends the program.
wmctrl -i -c "$elapsed"
wait_for_exit "closing '$ELAPSED_TITLE'"

if [[ -e $work/xdg-open.log ]]; then
    if [[ $(sort -u "$work/xdg-open.log") == "$HOME_PAGE" ]]; then
        pass "the home page opened at start went to xdg-open with $HOME_PAGE"
    else
        fail "xdg-open was called with: $(tr '\n' ' ' <"$work/xdg-open.log")"
    fi
    rm -f "$work/xdg-open.log"
fi

# Each window's frame, as the window manager mapped it, centred on the work area and never moved.
for title in "$MAIN_TITLE" "$ELAPSED_TITLE" "$REMAINING_TITLE"; do
    if "$XPROBE" centred "$work/frames.log" "$title"; then
        pass "'$title' was centred when mapped and stayed"
    else
        fail "'$title' was not centred when mapped, or moved"
    fi
done

# --- second run: Qt's own options change nothing; closing the main window ends it ----------

# The program reads no command line, so options Qt would take (a mirrored layout, a style sheet)
# must leave the main window exactly as the first run showed it.
printf 'QWidget { background: #ff00ff; color: #00ff00; }\n' >"$work/loud.qss"
launch second -reverse -stylesheet "$work/loud.qss"
if poll "$WAIT" has_visible_window "$MAIN_TITLE"; then
    pass "second run: main window appears"
else
    fail_hard "second run: no main window within ${WAIT}s"
fi
main=$(visible_window "$MAIN_TITLE")
xdotool mousemove 0 0
settle "$main" "$work/main-second.png" || fail_hard "second run: main window never finished painting"
still_parts "$work/main.png" "$work/main-masked.png"
still_parts "$work/main-second.png" "$work/main-second-masked.png"
if same_image "$work/main-masked.png" "$work/main-second-masked.png"; then
    pass "-reverse and -stylesheet on the command line leave the main window as it was"
else
    cp "$work/main-masked.png" "$work/main-second-masked.png" "$work/shots/"
    fail "-reverse -stylesheet changed the main window ($(differing_pixels \
        "$work/main-masked.png" "$work/main-second-masked.png") pixels differ)"
fi
wmctrl -i -c "$main"
wait_for_exit "closing the main window"

# The program keeps no settings and writes no files: its home, runtime and working folders stay
# empty after both runs.
written=$(find "$work/home" "$work/runtime" "$work/cwd" -mindepth 1 2>/dev/null)
if [[ -z $written ]]; then
    pass "nothing written to the home, runtime or working folder"
else
    fail "files written: $(tr '\n' ' ' <<<"$written")"
fi

# --- the home page: the manual, opened in the desktop's browser -----------------------------

# The start draws whether to open it from the time of day: 10:08:11, held still, draws it. Only
# the wall clock is held; Qt's timers run on the monotonic one.
faketime_library=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n 1)
[[ -n $faketime_library ]] || fail_hard "libfaketime is not installed"
LAUNCH_ENV=(LD_PRELOAD="$faketime_library" FAKETIME='2026-12-08 10:08:11'
    FAKETIME_DONT_FAKE_MONOTONIC=1 ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0")
rm -f "$work/xdg-open.log"
launch homepage
LAUNCH_ENV=()
wait_for_window "$MAIN_TITLE"
main=$FOUND
if poll "$STEP_WAIT" test -s "$work/xdg-open.log" &&
    [[ $(cat "$work/xdg-open.log") == "$HOME_PAGE" ]]; then
    pass "the start that draws the home page opens the manual: $HOME_PAGE"
else
    fail "the home page: xdg-open was called with '$(cat "$work/xdg-open.log" 2>/dev/null)'"
fi
rm -f "$work/xdg-open.log"
wmctrl -i -c "$main"
wait_for_exit "closing the main window after the home page"

# --- at twice the scale the hand is twice the size ------------------------------------------

LAUNCH_ENV=(QT_SCALE_FACTOR=2)
launch doubled
LAUNCH_ENV=()
wait_for_window "$MAIN_TITLE"
main=$FOUND
check_pointer "$main" $((BUTTON_X * 2)) $((MAIN_ELAPSED_Y * 2)) "$HAND_DOUBLE" \
    "'$ELAPSED_TITLE' at twice the scale"
wmctrl -i -c "$main"
wait_for_exit "closing the doubled main window"

# --- a bad cursor file: a report before the class is set; every window after carries it ----

mkdir "$work/badcursor"
cp "$BIN" "$(dirname "$BIN")/manual.html" "$work/badcursor/"
printf 'not a cursor' >"$work/badcursor/HAND-M.CUR"
# dismiss_report: the report box now open, checked for its class unless told, closed with OK.
dismiss_report() {
    local box
    wait_for_window 'Application Error'
    box=$FOUND
    if [[ ${1:-} == check ]]; then
        local seen
        seen=$(wm_class_class "$box")
        if [[ $seen == "$CLASS_NAME" ]]; then pass "a report after start-up has WM_CLASS class '$seen'"; else fail "a report after start-up has WM_CLASS class '$seen'"; fi
    fi
    xdotool windowactivate --sync "$box" key Return
    poll "$STEP_WAIT" has_no_window 'Application Error' || fail_hard "the report did not close"
}
LAUNCH_BIN=$work/badcursor/$(basename "$BIN") launch badcursor
dismiss_report # the main window's load, before the application title is set
wait_for_window "$MAIN_TITLE"
main=$FOUND
seen=$(wm_class_class "$main")
if [[ $seen == "$CLASS_NAME" ]]; then pass "after an early report the main window's WM_CLASS class is '$seen'"; else fail "after an early report the main window's WM_CLASS class is '$seen'"; fi
click "$main" "$BUTTON_X" "$MAIN_ELAPSED_Y"
dismiss_report check # the counter window's load
wait_for_window "$ELAPSED_TITLE"
elapsed=$FOUND
seen=$(wm_class_class "$elapsed")
if [[ $seen == "$CLASS_NAME" ]]; then pass "'$ELAPSED_TITLE' after the reports: WM_CLASS class '$seen'"; else fail "'$ELAPSED_TITLE' after the reports: WM_CLASS class '$seen'"; fi
wmctrl -i -c "$elapsed"
wait_for_exit "closing '$ELAPSED_TITLE' after the reports"

# --- two monitors side by side: each window opens on the monitor of the one it replaces -----

# frame_centre WINDOW: the centre of the window's frame on the root window, "X Y".
frame_centre() {
    local x y w h l r t b extents
    read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 }
        /Absolute upper-left Y/ { y = $4 } /^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 }
        END { print x, y, w, h }')
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/^.* = //p' | tr -d ' ')
    IFS=, read -r l r t b <<<"${extents:-0,0,0,0}"
    echo $((x - l + (w + l + r) / 2)) $((y - t + (h + t + b) / 2))
}
# centred_on WINDOW LEFT: the frame is centred, within 2 px, on the 1280x800 monitor at LEFT.
centred_on() {
    local cx cy
    read -r cx cy < <(frame_centre "$1")
    ((cx - $2 - 640 <= 2 && $2 + 640 - cx <= 2 && cy - 400 <= 2 && 400 - cy <= 2))
}
# expect_centred WINDOW LEFT WHAT: passes, or fails saying where the window stands instead.
expect_centred() {
    if poll "$STEP_WAIT" centred_on "$1" "$2"; then
        pass "two monitors: $3"
    else
        fail "two monitors: not so ($3): the window stands at $(frame_centre "$1")"
    fi
}
right_of() { (($(frame_centre "$1" | cut -d' ' -f1) > $2)); }
left_of() { (($(frame_centre "$1" | cut -d' ' -f1) < $2)); }

shared_display=$DISPLAY
start_x_server -screen 0 2560x800x24
if ! xrandr --setmonitor left 1280/338x800/211+0+0 screen >/dev/null ||
    ! xrandr --setmonitor right 1280/338x800/211+1280+0 none >/dev/null; then
    fail_hard "the X server did not take two monitors"
fi
# The window manager tells a frame before the first map once it is fully up.
wm_tells_frames() { xprop -root _NET_SUPPORTED | grep -q _NET_REQUEST_FRAME_EXTENTS; }
poll "$WAIT" wm_tells_frames || fail_hard "two monitors: the window manager never came up"
launch twomonitors
wait_for_window "$MAIN_TITLE"
main=$FOUND
expect_centred "$main" 0 "the main window starts centred on the first"
xdotool windowmove "$main" 1800 300 # the user takes it to the second monitor
poll "$STEP_WAIT" right_of "$main" 1280 || fail_hard "two monitors: the main window did not move"
open_counter "$main" "$MAIN_ELAPSED_Y" "$ELAPSED_TITLE" "$ELAPSED_SIZE"
expect_centred "$COUNTER" 1280 "'$ELAPSED_TITLE' opens centred on the second, where the main window was"
xdotool windowmove "$COUNTER" 200 100 # and the counter back to the first
poll "$STEP_WAIT" left_of "$COUNTER" 1280 || fail_hard "two monitors: the counter did not move"
back_to_main "$COUNTER" "$main" "$ELAPSED_TITLE" "${ELAPSED_REGION[back_y]}"
expect_centred "$main" 0 "'< Back' shows the main window centred on the first, where the counter was"
wmctrl -i -c "$main"
wait_for_exit "closing the main window on two monitors"
stop_x_server
x_server_pids=()
export DISPLAY=$shared_display
