#!/usr/bin/env bash
# Runs the Windows build under Wine, on an X server and window manager of its own: the Qt Test
# suites built for Windows; the zip unpacked in a fresh prefix, whose main window must come up
# centred, with the licence texts beside it; and the installer in another: installed under a
# folder name no single code page holds, its skin applied, uninstalling refused while the program
# is open, installed again over the same copy and then moved, and uninstalled. Prints a counted
# summary; exits non-zero when anything failed.
#   scripts/test-windows.sh        (after scripts/build-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh wine
tests=build-win/tests
# The version the build was made of, not the newest-looking name: 1.10.0 sorts before 1.9.0.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-win/CMakeCache.txt 2>/dev/null || true)
zip=build-win/span-meter-$version-win64.zip
setup=build-win/span-meter-$version-setup.exe
source_archive=build-win/span-meter-$version-source.tar.xz
title="Tallyglass Hourwick Span Meter for Clockwise Reckoning"
if [[ ! -d $tests || -z $version || ! -f $zip || ! -f $setup || ! -f $source_archive ]]; then
    echo "No Windows build: run scripts/build-windows.sh first" >&2
    exit 2
fi
# Wine reads file names and arguments in the locale's character set: UTF-8, whatever the caller's.
# Its Windows side stays an English system, whose code page (1252) holds neither Polish nor
# Russian letters.
export LC_ALL=C.UTF-8

work=$(mktemp -d /tmp/span-meter-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
# Debian's wineserver makes its socket folder under TMPDIR and leaves it when killed: in here, it
# goes with the rest.
export TMPDIR=$work/tmp
mkdir "$TMPDIR"
# No Mono or Gecko: they would ask to be downloaded. No menu builder: it would write menu entries,
# icons and file associations for each prefix into the home folder, pointing at a prefix that is
# deleted at the end.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
    wineserver -k 2>/dev/null || true
    stop_x_server
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT

# The X server every harness starts: numbered by itself, with openbox on it.
# shellcheck source=../tests/e2e/xserver.sh
source tests/e2e/xserver.sh
# shellcheck source=../tests/e2e/helpers.sh
source tests/e2e/helpers.sh

# Where the layout tables put each control (Form1_PushButton2=520x27+8+129 and the rest), from the
# tool built with the suites, run under Wine; `centre` and the other helpers read them.
# Wine loses the output of a redirected console program, so a batch file writes it to a file.
windows_layout_places() {
    local batch=$work/places.bat file=$work/places.txt places
    printf '@"%s" %s > "%s"\n' "$(winepath -w "$tests/layout-places.exe")" "${1:+--scale $1}" \
        "$(winepath -w "$file")" >"$batch"
    wine cmd /c "$(winepath -w "$batch")" >/dev/null 2>&1 || true
    places=$(tr -d '\r' <"$file" 2>/dev/null) && [[ -n $places ]] ||
        { echo "FAIL: no layout places from $tests/layout-places.exe" >&2; return 1; }
    eval "$places"
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
    local result=$work/$name.txt batch=$work/$name.bat setting functions=()
    for setting in "$@"; do
        [[ $setting == *=* ]] || functions+=("$setting")
    done
    # Wine is slower than Linux, and a loaded machine more so: Qt Test's 5-minute watchdog on each
    # test function becomes 15.
    {
        for setting in QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96 QTEST_FUNCTION_TIMEOUT=900000 "$@"; do
            [[ $setting == *=* ]] && echo "@set $setting"
        done
        echo "@\"$(winepath -w "$tests/$program.exe")\" -o \"$(winepath -w "$result"),txt\"" \
            "${functions[*]}"
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
    local program value
    for program in "$tests"/tst_*.exe; do
        program=$(basename "$program" .exe)
        run_suite "$program" "$program"
    done
    run_suite tst_layouts_120dpi tst_layouts QT_SCALE_FACTOR=1.25 SPAN_EXPECT_SCALE=1.25 windowSize
    # The user's own words for the halves of the day, in lower case, and Hindi's as Windows has them.
    international s1159 a.m. s2359 p.m. sTimeFormat 'h:mm:ss tt'
    run_suite tst_datetimetext_own_words tst_datetimetext SPAN_EXPECT_PM=p.m. systemDayHalvesAsSet
    for value in s1159 s2359 sTimeFormat; do
        wine reg delete 'HKCU\Control Panel\International' /v "$value" /f >/dev/null 2>&1 || true
    done
    LC_ALL=hi_IN.UTF-8 run_suite tst_datetimetext_hindi tst_datetimetext systemDayHalvesAsSet
}

# international NAME VALUE...: the user's own regional settings, as Windows keeps them.
international() {
    while (($# >= 2)); do
        wine reg add 'HKCU\Control Panel\International' /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
        shift 2
    done
    wineserver --wait
}

# The zip unpacked where nothing else is, started, and its main window found on the X server.
check_zip() {
    echo "== $(basename "$zip"), unpacked and started"
    local folder=$work/unpacked window
    mkdir -p "$folder"
    unzip -q "$zip" -d "$folder"
    check_papers "$folder"/span-meter-*/
    (cd "$folder"/span-meter-*/ && exec wine span-meter.exe >/dev/null 2>&1) &
    disown # wineserver -k ends it; no word of that is wanted
    if ! window=$(find_window "$title"); then
        echo "FAIL: the main window did not appear"
        count "zip: main window" fail
        return
    fi
    sleep 1 # openbox draws the frame
    import -window root build-win/wine-main-window.png
    check_centred "$window"
    wineserver -k
    wineserver --wait
    check_pointer_sizes "$(echo "$folder"/span-meter-*/)"
    check_every_locale "$(echo "$folder"/span-meter-*/)"
}

# The hand pointer over a button, as the X server shows it, is the pointer's own picture for the
# scale: 32 pixels at 96 dpi and as much more as the scale is.
check_pointer_sizes() {
    echo "== the hand pointer at 96, 120, 144 and 192 dpi"
    local folder=$1 dpi want size window
    for dpi in 96 120 144 192; do
        want=$((32 * dpi / 96))
        set_dpi "$dpi"
        windows_layout_places "$(awk -v d="$dpi" 'BEGIN { print d / 96 }')" || return 1
        (cd "$folder" && exec wine span-meter.exe >/dev/null 2>&1) &
        disown
        size=none
        if window=$(find_window "$title") && settled "$window"; then
            # shellcheck disable=SC2046 # "X Y"
            xdotool mousemove --window "$window" $(centre Form1 PushButton2)
            sleep 0.5
            size=$(tests/e2e/xprobe.py cursor | cut -d' ' -f1)
        fi
        expect_of pointer "${want}x$want over a button at $dpi dpi (seen: $size)" \
            test "$size" == "${want}x$want"
        wineserver -k
        wineserver --wait
    done
    set_dpi 96
    windows_layout_places
}

# Beside the program, the papers a Windows user opens with a double click: our licence and README,
# each licence of what we ship, and the notice naming Qt's version, its Debian source and our
# source archive.
check_papers() {
    local missing=() file notice=$1/NOTICE.txt
    for file in README.txt COPYING.txt NOTICE.txt licences/GPL-3.txt licences/LGPL-3.txt \
        licences/GCC-runtime-exception-3.1.txt licences/winpthreads.txt; do
        [[ -s $1/$file ]] || missing+=("$file")
    done
    grep -q 'x\\o\.cjs' "$1/README.txt" 2>/dev/null || missing+=("README.txt: where a skin goes")
    local qt archive
    archive=$(basename "$source_archive")
    qt=$(sed -n 's/^Qt \([0-9.]*\) .*/\1/p' "$notice" 2>/dev/null | head -n 1) || true
    [[ -n $qt ]] && grep -q "Debian's source package qt6-base, version $qt" "$notice" ||
        missing+=("NOTICE.txt: Qt's version and its source package")
    for file in NOTICE.txt COPYING.txt; do
        grep -q -F "$archive" "$1/$file" 2>/dev/null || missing+=("$file: the source archive")
    done
    grep -q -F '/usr/share' "$1/COPYING.txt" "$1/NOTICE.txt" && missing+=("papers naming Linux paths")
    if ((${#missing[@]})); then
        echo "FAIL: the zip lacks: ${missing[*]}"
        count "zip: licences and notice" fail
    else
        echo "pass: the zip carries the licences and the notice on Qt $qt"
        count "zip: licences and notice" pass
    fi
}

# The source archive beside the zip holds the very tree of the commit its note names (with the
# changes not yet committed, when the note says so), and the Windows build was configured from it,
# unpacked, file for file.
check_source_archive() {
    echo "== $(basename "$source_archive")"
    local folder=$work/source note saved tree built
    mkdir -p "$folder/archive" "$folder/commit"
    tar -C "$folder/archive" -xJf "$source_archive"
    note=$folder/archive/span-meter-$version/SOURCE.txt
    tree=$(sed -n 's/.*the commit \([0-9a-f]\{40\}\).*/\1/p' "$note" 2>/dev/null | head -n 1)
    saved=$(sed -n 's/.*(saved as \([0-9a-f]\{40\}\)).*/\1/p' "$note" 2>/dev/null | head -n 1)
    tree=${saved:-$tree}
    echo "   its note names ${tree:-no commit}"
    if [[ -n $tree ]] && git archive --prefix="span-meter-$version/" "$tree" 2>/dev/null |
        tar -C "$folder/commit" -x 2>/dev/null; then
        cp "$note" "$folder/commit/span-meter-$version/"
        expect_of source "the archive is the tree of $tree" diff -rq "$folder/commit" "$folder/archive"
    else
        expect_of source "the archive names a commit of this repository" false
    fi
    built=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' build-win/CMakeCache.txt)
    expect_of source "the Windows build was made from the archive, unpacked" \
        diff -rq "$folder/archive/span-meter-$version" "$built"
}

# The id of the shown window of that title, once it is there (SECONDS at most, 30 unless given).
# Wine always names a window in _NET_WM_NAME, but in WM_NAME, which xdotool's --name reads, only
# where Xlib knows the locale: the windows' own names are read too.
#   find_window TITLE [SECONDS]
find_window() {
    local window tries
    for tries in $(seq $((${2:-30} * 10))); do
        window=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
        [[ -n $window ]] || window=$(shown_titles | awk -v t="$1" '$0 ~ /^[0-9]+ / && substr($0, index($0, " ") + 1) == t { print $1; exit }')
        [[ -n $window ]] && { echo "$window"; return 0; }
        sleep 0.1
    done
    return 1
}

# "ID TITLE" of each shown window, its title from _NET_WM_NAME.
shown_titles() {
    local window title
    for window in $(xdotool search --onlyvisible --class . 2>/dev/null); do
        title=$(xprop -id "$window" -notype _NET_WM_NAME 2>/dev/null |
            sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p')
        [[ -n $title ]] && echo "$window $title"
    done
}

# Passes when the condition holds, names it either way, under a heading.
expect_of() {
    local heading=$1 what=$2
    shift 2
    if "$@"; then
        echo "pass: $what"
        count "$heading: $what" pass
    else
        echo "FAIL: $what"
        count "$heading: $what" fail
    fi
}
expect() { expect_of installer "$@"; }

# The folder the installer is told to use, with letters of two code pages (1250 and 1251) that no
# single one holds, and where an installer would go unasked.
named_folder='C:\users\Łukasz Пользователь\span'
program_files='C:\Program Files\Tallyglass Hourwick Span Meter'
moved_folder='C:\Tools\SpanMeter'
unix_path() { winepath -u "$1" 2>/dev/null; }
# Runs a program with /S and a last option that names a folder (/D= or _?=), which Windows reads
# unquoted to the end of the line. Wine quotes an argument that holds a blank, so the option goes
# as words, which Wine joins with blanks. Gives the program's exit code.
silently() {
    local words
    read -ra words <<<"$2"
    wine "$1" /S "${words[@]}" >/dev/null 2>&1
}

installed_in() { [[ -f "$(unix_path "$1")/span-meter.exe" ]]; }
menu_entry() {
    [[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tallyglass Hourwick Span Meter.lnk" ]]
}
# A string of the uninstall entry, read from an export of it: reg query writes through the
# console's code page, which turns Polish and Russian letters into question marks.
uninstall_value() {
    rm -f "$work/entry.reg"
    wine reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\SpanMeter' \
        "$(winepath -w "$work/entry.reg")" /y >/dev/null 2>&1 || return 0
    iconv -f UTF-16 -t UTF-8 "$work/entry.reg" | tr -d '\r' |
        sed -n "s/^\"$1\"=\"\(.*\)\"\$/\1/p" | sed -e 's/\\\\/\x01/g' -e 's/\\"/"/g' -e 's/\x01/\\/g'
}
uninstall_entry() { [[ $(uninstall_value DisplayVersion) == "$1" ]]; }
entry_and_shortcut_kept() { uninstall_entry "$version" && menu_entry; }
entry_points_to() { [[ $(uninstall_value InstallLocation) == "$1" ]]; }
# The folder holds the skin and nothing else.
only_skin_left() { [[ $(cd "$(unix_path "$1")" 2>/dev/null && find . -type f) == ./x/o.cjs ]]; }

# Runs the uninstall entry's QuietUninstallString, "PROGRAM" OPTIONS, and gives its exit code.
quiet_uninstall() {
    local command program options
    command=$(uninstall_value QuietUninstallString)
    [[ $command =~ ^\"([^\"]+)\"\ /S\ ?(.*)$ ]] ||
        { echo "   no quiet uninstall command: '$command'"; return 99; }
    program=${BASH_REMATCH[1]} options=${BASH_REMATCH[2]}
    echo "   $command"
    silently "$(unix_path "$program")" "$options"
}
not() { ! "$@"; }

# The main window's own background, 3 pixels in from its corner (the frames begin at 8), has the
# skin's colour.
skin_colour=3c8d2f
skin_applied() {
    local colour
    import -window "$1" build-win/wine-skin.png
    colour=$(convert build-win/wine-skin.png -format '%[hex:p{3,3}]' info: 2>/dev/null)
    echo "   the window's background: #${colour,,}, the skin's: #$skin_colour;" \
        "screenshot build-win/wine-skin.png"
    [[ ${colour,,} == "$skin_colour"* ]]
}

# Waits until the window has painted: two screenshots in a row alike, of more than a few colours
# (SECONDS at most, 30 unless given). A click before then may reach a window not yet taking input.
#   settled WINDOW [SECONDS]
settled() {
    local tries colours
    import -window "$1" "$work/settle-${DISPLAY#:}-a.png" 2>/dev/null || return 1
    for tries in $(seq $((${2:-30} * 10 / 3))); do
        sleep 0.3
        import -window "$1" "$work/settle-${DISPLAY#:}-b.png" 2>/dev/null || return 1
        colours=$(convert "$work/settle-${DISPLAY#:}-b.png" -format %k info: 2>/dev/null || echo 0)
        if ((colours > 8)) && compare -metric AE "$work/settle-${DISPLAY#:}-a.png" "$work/settle-${DISPLAY#:}-b.png" \
            null: >/dev/null 2>&1; then
            return 0
        fi
        mv "$work/settle-${DISPLAY#:}-b.png" "$work/settle-${DISPLAY#:}-a.png"
    done
    return 1
}

# The window's pixels come to differ from the picture given (15 seconds at most).
changes() {
    local tries
    for tries in $(seq 50); do
        import -window "$1" "$work/now.png"
        compare -metric AE "$2" "$work/now.png" null: >/dev/null 2>&1 || return 0
        sleep 0.3
    done
    return 1
}

# The seconds change while counting: the window's pixels differ between two screenshots taken
# two seconds apart.
counts() {
    import -window "$1" "$work/count-1.png"
    sleep 2
    import -window "$1" "$work/count-2.png"
    cp "$work/count-2.png" build-win/wine-counting.png
    local differing
    differing=$(compare -metric AE "$work/count-1.png" "$work/count-2.png" null: 2>&1) || true
    echo "   $differing pixels changed in two seconds; screenshot build-win/wine-counting.png"
    [[ ${differing%% *} -gt 0 ]] 2>/dev/null
}

# Installs silently into a folder of Polish and Russian letters, gives it a skin, starts the
# installed program and sees the skin; opens "Count Time Elapsed" and presses Start with real
# clicks, and sees it count. While it is open, the uninstaller must refuse and change nothing. Then
# a second install must go over the first, one elsewhere must move it, and the uninstaller must
# take all but the user's skin away.
check_installer() {
    local window counter status folder
    folder=$(unix_path "$named_folder")
    echo "== $(basename "$setup") /S /D=$named_folder, then the installed program"
    silently "$setup" "/D=$named_folder" || true
    wineserver --wait
    expect "installed into the folder given" installed_in "$named_folder"
    expect "a Start-menu entry" menu_entry
    expect "listed among installed programs, version $version" uninstall_entry "$version"

    mkdir -p "$folder/x"
    printf 'QWidget#Form1 { background-color: #%s; }\n' "$skin_colour" >"$folder/x/o.cjs"
    (cd "$folder" && exec wine span-meter.exe >/dev/null 2>&1) &
    disown
    # Its first start in a new prefix once took over 30 seconds, right after the locale table had
    # loaded both cores for half an hour; a minute and a half tells slow from not at all.
    if window=$(find_window "$title" 90) && settled "$window" 90; then
        expect "the skin under Polish and Russian folder names is applied" skin_applied "$window"
        # shellcheck disable=SC2046 # "X Y"
        xdotool mousemove --window "$window" $(centre Form1 PushButton2) click 1
    else
        expect "the installed program starts" false
    fi
    # "Start" says "Stop" once pressed.
    if counter=$(find_window "Count Time Elapsed" 90) && settled "$counter" 90; then
        import -window "$counter" "$work/before-start.png"
        # shellcheck disable=SC2046 # "X Y"
        xdotool mousemove --window "$counter" $(centre Form2 PushButton2) click 1
        expect "Start is pressed" changes "$counter" "$work/before-start.png"
        expect "the installed program counts after Start" counts "$counter"
    else
        expect "the installed program opens Count Time Elapsed" false
    fi

    # The command the registry names for a silent uninstall, as a deployment tool runs it.
    echo "== the uninstall entry's QuietUninstallString while the program is open"
    local before after
    before=$(cd "$folder" && find . | sort) || true
    status=0
    quiet_uninstall || status=$?
    after=$(cd "$folder" && find . | sort) || true
    echo "   its exit code: $status; files gone: $(comm -23 <(echo "$before") <(echo "$after") | wc -l)"
    expect "uninstalling while open fails (exit code $status)" test "$status" -eq 2
    expect "uninstalling while open removes no file" test "$before" == "$after"
    expect "uninstalling while open keeps the entry and the shortcut" entry_and_shortcut_kept
    status=0
    silently "$setup" "" || status=$?
    expect "installing over the open program fails (exit code $status)" test "$status" -ne 0
    wineserver -k
    wineserver --wait

    echo "== $(basename "$setup") /S again, then /S /D=$moved_folder"
    wine "$setup" /S >/dev/null 2>&1 || true
    wineserver --wait
    expect "a second install goes over the first" installed_in "$named_folder"
    expect "a second install leaves Program Files alone" not test -e "$(unix_path "$program_files")"
    expect "a second install keeps one entry, for its folder" entry_points_to "$named_folder"
    silently "$setup" "/D=$moved_folder" || true
    wineserver --wait
    expect "an install elsewhere moves the copy" installed_in "$moved_folder"
    expect "an install elsewhere keeps one entry, for its folder" entry_points_to "$moved_folder"
    expect "an install elsewhere takes the skin along" test -f "$(unix_path "$moved_folder")/x/o.cjs"
    expect "an install elsewhere leaves nothing in the old folder" \
        not test -e "$(unix_path "$named_folder")"
    (cd "$(unix_path "$moved_folder")" && exec wine span-meter.exe >/dev/null 2>&1) &
    disown
    if window=$(find_window "$title") && settled "$window"; then
        expect "the skin applies after the move" skin_applied "$window"
    else
        expect "the moved program starts" false
    fi
    wineserver -k
    wineserver --wait

    echo "== the uninstall entry's QuietUninstallString"
    status=0
    quiet_uninstall || status=$?
    wineserver --wait # a copy of the uninstaller deletes it once it has ended
    expect "uninstalled silently (exit code $status)" test "$status" -eq 0
    expect "uninstalled: only the user's skin is left" only_skin_left "$moved_folder"
    expect "uninstalled: the Start-menu entry is gone" not menu_entry
    expect "uninstalled: no longer listed" not uninstall_entry "$version"
}

# The installer as a user clicks through it, at 144 dpi: each page's window titled exactly
# "<product> Setup"; the list of what was done still up after the install, until Next; the finish
# page's box starting the program; then the uninstaller's window titled "<product> Uninstall".
# Screenshots of the licence and finish pages are left in build-win/.
check_installer_pages() {
    echo "== $(basename "$setup") page by page, at 144 dpi"
    set_dpi 144
    local window product="Tallyglass Hourwick Span Meter"
    wine "$setup" >/dev/null 2>&1 &
    disown
    if ! window=$(find_window "$product Setup") || ! settled "$window"; then
        expect_of pages "the setup window is titled '$product Setup'" false
        wineserver -k
        return
    fi
    expect_of pages "the setup window is titled '$product Setup'" true
    import -window "$window" build-win/wine-setup-licence.png
    xdotool key --window "$window" Return # the licence page: Next
    sleep 1
    expect_of pages "the folder page keeps the title" titled "$window" "$product Setup"
    xdotool key --window "$window" Return # the folder page: Install
    poll_for 60 installed_in "$program_files"
    sleep 3
    settled "$window" || true
    xdotool key --window "$window" Return # the list of what was done: Next
    sleep 1
    expect_of pages "the list of what was done waits for Next" titled "$window" "$product Setup"
    settled "$window" || true
    import -window "$window" build-win/wine-setup-finish.png
    xdotool key --window "$window" Return # the finish page: Finish, with "Start" ticked
    expect_of pages "the finish page starts the program" quietly find_window "$title"
    wineserver -k
    wineserver --wait
    wine "$(unix_path "$program_files")/uninstall.exe" >/dev/null 2>&1 &
    disown
    expect_of pages "the uninstall window is titled '$product Uninstall'" \
        quietly find_window "$product Uninstall"
    wineserver -k
    wineserver --wait
    set_dpi 96
}

quietly() { "$@" >/dev/null; }
titled() { [[ $(xdotool getwindowname "$1" 2>/dev/null) == "$2" ]]; }
poll_for() {
    local seconds=$1 tries
    shift
    for tries in $(seq $((seconds * 5))); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}

# Wine's screen resolution, as Windows' display scale sets it: read by programs started after.
set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wineserver --wait
}

# A tool of the Windows suites run under Wine with the locale given, its output as lines (a pipe
# keeps what a file redirection would lose).
windows_tool() {
    local locale=$1 tool=$2
    shift 2
    env LC_ALL="$locale" wine "$tests/$tool.exe" "$@" 2>/dev/null | tr -d '\r' || true
}

# The Linux locale name from which Wine makes a Windows one: sr-Latn-RS from sr_RS.UTF-8@latin.
linux_locale_of() {
    local language region script modifier=
    IFS=- read -r language script region <<<"$1"
    if [[ -z $region ]]; then
        region=$script script=
    fi
    case $script in
    Latn) modifier=@latin ;;
    Cyrl) modifier=@cyrillic ;;
    Deva) modifier=@devanagari ;;
    Arab) modifier=@arabic ;;
    "") ;;
    *) modifier=@${script,,} ;;
    esac
    echo "${language}${region:+_$region}.UTF-8$modifier"
}

# The program in one locale, driven from the keyboard as a user does: Tab, Tab and Space on
# "Count Time Elapsed" opens the counter; Space on Start counts; Enter on Stop stops. No other
# window (a report) may come up. Prints what failed, nothing when all held.
one_locale_counts() {
    local locale=$1 folder=$2 worker=$3 pid window counter shown
    (cd "$folder" && exec env LC_ALL="$locale" wine span-meter.exe >/dev/null 2>&1) &
    pid=$!
    if ! window=$(find_window "$title"); then
        echo "no main window"
    elif ! settled "$window"; then
        echo "the main window never stopped changing"
    else
        xdotool windowactivate --sync "$window" key Tab Tab space 2>/dev/null
        if ! counter=$(find_window "Count Time Elapsed") || ! settled "$counter"; then
            echo "Space opened no counter"
        else
            xdotool windowactivate --sync "$counter" key space 2>/dev/null
            sleep 0.3
            same_in_a_second "$counter" "$worker" && echo "Space on Start did not count"
            xdotool key Return
            sleep 0.3
            same_in_a_second "$counter" "$worker" || echo "Enter on Stop did not stop"
        fi
        shown=$(shown_titles | cut -d' ' -f2- |
            grep -v -x -F -e 'Count Time Elapsed' -e "$title" | head -n 3 | tr '\n' ' ')
        [[ -z $shown ]] || echo "a report came up: $shown"
    fi
    kill "$pid" 2>/dev/null
    wineserver -k
    wineserver --wait
}

# The window shows the same pixels a second later.
same_in_a_second() {
    import -window "$1" "$work/second-$2-a.png"
    sleep 1.05
    import -window "$1" "$work/second-$2-b.png"
    compare -metric AE "$work/second-$2-a.png" "$work/second-$2-b.png" null: >/dev/null 2>&1
}

# Every locale Wine offers, each as the user's own, in one generated table: the program counts and
# Space and Enter press its buttons. On Windows the formats and the keyboard come from the system,
# not from Qt's data, so the Linux suites' table of Qt's locales does not stand for this one. A
# name Wine takes to another locale (a language without a country: "th" is th-TH) is counted
# apart. Four workers share the table, each with its own X server and prefix: most of a row is
# waiting for Wine. SPAN_WIN_LOCALES (a regular expression) keeps a part of it.
check_every_locale() {
    local folder=$1 names workers=4 worker tried failed_rows
    names=$(windows_tool C.UTF-8 system-locales)
    if [[ -n ${SPAN_WIN_LOCALES:-} ]]; then
        names=$(grep -E -x "$SPAN_WIN_LOCALES" <<<"$names" || true)
    fi
    echo "== every locale Wine offers: $(wc -l <<<"$names"), in $workers workers"
    cp -a "$WINEPREFIX" "$work/locale-prefix"
    local pids=()
    for worker in $(seq 0 $((workers - 1))); do
        awk -v w="$worker" -v n="$workers" 'NR % n == w' <<<"$names" >"$work/locales-$worker"
        locale_worker "$worker" "$folder" &
        pids+=($!)
    done
    wait "${pids[@]}" # not the X server's, which runs on
    retry_failed_locales "$folder"
    cat "$work"/locales-*.failed | sed 's/^/FAIL: /'
    tried=$(cat "$work"/locales-*.tried | wc -l)
    failed_rows=$(cat "$work"/locales-*.failed | wc -l)
    local other
    other=$(cat "$work"/locales-*.other)
    echo "   $tried locales tried, $failed_rows failed; names Wine takes to another locale:" \
        "$(grep -c . <<<"$other" || true) (${other//$'\n'/ })"
    expect_of locales "Space and Enter press the buttons and the program counts in all $tried" \
        test "$tried" -gt 0 -a "$failed_rows" -eq 0
}

# A row that failed with four workers sharing the two cores is tried once more alone, and fails only
# if it fails again; both results are printed.
retry_failed_locales() {
    local failed
    failed=$(cat "$work"/locales-*.failed)
    [[ -n $failed ]] || return 0
    echo "   failed beside the other workers, tried again alone:"
    sed 's/^/     /' <<<"$failed"
    rm -f "$work"/locales-*.failed
    cut -d' ' -f1 <<<"$failed" >"$work/locales-again"
    locale_worker again "$1"
    rm -f "$work/locales-again.tried"
}

# One worker of the table: its own X server and copy of the prefix, its rows from
# $work/locales-N; writes the rows tried, failed and taken elsewhere beside them.
locale_worker() (
    local worker=$1 folder=$2 name linux user failures
    export WINEPREFIX=$work/locale-prefix-$worker
    cp -a "$work/locale-prefix" "$WINEPREFIX"
    start_x_server >/dev/null || exit 1
    trap 'wineserver -k 2>/dev/null || true; stop_x_server' EXIT
    : >"$work/locales-$worker.tried"
    : >"$work/locales-$worker.failed"
    : >"$work/locales-$worker.other"
    while read -r name; do
        [[ -n $name ]] || continue
        linux=$(linux_locale_of "$name")
        user=$(windows_tool "$linux" system-locales --user)
        if [[ $user != "$name" ]]; then
            echo "$name" >>"$work/locales-$worker.other"
            continue
        fi
        echo "$name" >>"$work/locales-$worker.tried"
        failures=$(one_locale_counts "$linux" "$folder" "$worker")
        [[ -z $failures ]] || echo "$name ($linux): ${failures//$'\n'/; }" >>"$work/locales-$worker.failed"
    done <"$work/locales-$worker"
)

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

# Wine's menu builder writes these for a prefix; none may be left in the home folder.
home_menus=("$HOME/.local/share/applications" "$HOME/.local/share/icons" "$HOME/.local/share/mime"
    "$HOME/.local/share/desktop-directories" "$HOME/.config/menus")
home_untouched() {
    local written
    written=$(find "${home_menus[@]}" -newer "$work/started" 2>/dev/null | grep -i wine || true)
    [[ -z $written ]] || echo "   written into the home folder: ${written//$'\n'/ }"
    [[ -z $written ]]
}

touch "$work/started"
start_x_server || exit 1
make_prefix
windows_layout_places || exit 1
run_suites
wineserver -k 2>/dev/null || true
rm -rf --one-file-system "$WINEPREFIX"
make_prefix
check_zip
rm -rf --one-file-system "$WINEPREFIX"
make_prefix
check_installer
check_source_archive
rm -rf --one-file-system "$WINEPREFIX"
make_prefix
check_installer_pages
if home_untouched; then
    echo "pass: no menu entries or icons of Wine's written into the home folder"
    count "home folder untouched" pass
else
    echo "FAIL: Wine's menu builder wrote into the home folder"
    count "home folder untouched" fail
fi
((failed == 0)) || echo "failed: ${failures[*]}"
echo "windows: $passed passed, $failed failed"
((failed == 0))
