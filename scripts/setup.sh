#!/usr/bin/env bash
# Installs the Debian packages (Debian 12, 13 or unstable) that the named groups need, and nothing
# that is already there. Run as root, or as a user who may use sudo.
#   scripts/setup.sh [build] [package] [test] [bench] [windows] [root] [wine]
#     build  building and running the program (the default)
#     package  making the Debian package (dpkg-buildpackage): the build dependencies that
#              debian/control declares
#     test   the test command: formatting, X server and window manager, accessibility bus and
#            screen reader, the package's checks, the fuzzers
#     bench  the benchmarks (bench/run.sh) and redrawing the hand cursor
#     windows  the Windows build (scripts/build-windows.sh, on Debian 13 or in its root)
#     root   a throwaway root of another Debian release (scripts/build-windows.sh elsewhere)
#     wine   the Windows build's tests under Wine (scripts/test-windows.sh)
set -euo pipefail

# The one name that differs between the releases: Debian 12's fonts-liberation is the old version 1,
# and version 2 is fonts-liberation2; from Debian 13 on fonts-liberation is version 2, and the other
# name, a mere pointer to it, may be gone. Unstable and testing name no VERSION_ID.
release=$(. /etc/os-release && echo "${VERSION_ID:-}")
liberation=fonts-liberation
[[ $release =~ ^[0-9]+ ]] && ((${release%%.*} < 13)) && liberation=fonts-liberation2

group_build=(
    cmake ninja-build g++ qt6-base-dev libxcb1-dev
    "$liberation" # metric-compatible Arial for the windows' fonts
    xdg-utils     # the manual opened as the home page, in the desktop's browser
)
group_package=(
    dpkg-dev # dpkg-checkbuilddeps; debian/control declares the rest
)
group_test=(
    clang-format                                               # the formatting gate
    fonts-dejavu-core                                          # Arabic and Persian letters
    fonts-noto-core fonts-ddc-uchen fonts-thai-tlwg fonts-sil-padauk # the tall scripts
    xvfb xauth openbox xdotool x11-utils x11-xserver-utils x11-xkb-utils wmctrl imagemagick
    python3-xlib faketime                                      # the end-to-end suites
    tzdata                                                     # the clock suites' zones
    dbus-daemon                                                # a session bus for the program
    qt6-gtk-platformtheme gnome-themes-extra                   # the dark desktop theme
    at-spi2-core python3-pyatspi orca speech-dispatcher       # the accessibility bus, a screen reader
    dpkg-dev debootstrap lintian autopkgtest                   # the package, built clean, tested
    desktop-file-utils appstream man-db                        # the package's files checked
    clang libclang-rt-dev                                      # the fuzzers
)
group_bench=(
    libbenchmark-dev strace libx11-dev linux-perf # bench/run.sh
    librsvg2-bin                                  # resources/make-cursor.sh
)
group_windows=(
    cmake ninja-build g++-mingw-w64-x86-64-posix # the cross compiler
    qt6-base-dev-tools qt6-base-dev              # the host's moc, rcc and uic, and what Qt knows of them
    dpkg-dev xz-utils                            # Debian's Qt source, unpacked
    zip nsis librsvg2-bin imagemagick            # the zip, the installer and its picture
    git                                          # the source archive of the commit built
)
group_root=(
    debootstrap
)
group_wine=(
    wine                                         # the tests, under Wine
    xvfb xauth openbox xdotool x11-utils wmctrl  # an X server for Wine's windows
    python3-xlib                                 # the pointer's size, read from the X server
    imagemagick unzip xz-utils                   # the screenshots, the zip and source unpacked
    git                                          # the commit the source archive names, to compare
    locales-all                                  # each locale as Linux has it, X input methods too
    "$liberation"                                # Arial's metrics in the Wine prefix
)

(($#)) || set -- build
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
updated=false

# Another apt (an automatic upgrade, a software centre) may hold the package lock for a while:
# wait for it rather than fail.
apt_options=(-q -o DPkg::Lock::Timeout=300)

# update_lists LOG: apt-get update. The lock timeout above is dpkg's alone; apt-get update fails at
# once while another apt holds the package lists, so it is tried again, for up to 5 minutes.
update_lists() {
    local log=$1 waited=0
    until "${sudo[@]}" apt-get update "${apt_options[@]}" >"$log" 2>&1; do
        if ! grep -q 'Could not get lock' "$log" || ((waited >= 300)); then return 1; fi
        ((waited)) || echo "   waiting for another apt to finish with the package lists (up to 5 minutes)"
        sleep 5
        waited=$((waited + 5))
    done
}

# progress: reads apt-get install's output and prints a line per 25 packages fetched, unpacked and
# set up, and apt's warnings and errors, each as soon as apt has written it. Bash reads line by
# line; awk (mawk, Debian's default) holds its input back until apt has finished.
progress() {
    local line upgraded installed total=0 fetched=0 unpacked=0 configured=0 waiting=false
    while IFS= read -r line; do
        case $line in
        *" newly installed, "*)
            read -r upgraded _ installed _ <<<"$line"
            total=$((upgraded + installed))
            echo "   $line"
            ;;
        Get:*) ((++fetched % 25)) || echo "   fetched $fetched of $total" ;;
        "Unpacking "*) ((++unpacked % 25)) || echo "   unpacked $unpacked of $total" ;;
        "Setting up "*) ((++configured % 25)) || echo "   set up $configured of $total" ;;
        "E: "* | "W: "*) echo "   $line" ;;
        *"Waiting for cache lock"*)
            $waiting || echo "   waiting for another apt or dpkg to finish (up to 5 minutes)"
            waiting=true
            ;;
        esac
    done
    if ((total)); then echo "   set up $configured of $total"; fi
}

# Installs what the group lacks.
install_group() {
    local name=$1
    shift
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    ((${#missing[@]})) || return 0
    echo "== installing ${#missing[@]} package(s) for the $name, with what they need: ${missing[*]}"
    apt_get install "${missing[@]}"
}

# apt_get COMMAND ARGUMENTS: apt-get install or build-dep, after the package lists' update; the
# whole of apt's output is shown only if it fails.
apt_get() {
    local log
    log=$(mktemp)
    if ! $updated; then
        update_lists "$log" || { cat "$log"; rm -f "$log"; return 1; }
        updated=true
    fi
    if ! DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "$1" -y "${apt_options[@]}" \
        -o Dpkg::Use-Pty=0 --no-install-recommends "${@:2}" 2>&1 | tee "$log" | progress; then
        echo "apt-get failed; its output:"
        cat "$log"
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}

# The build dependencies that debian/control declares, when dpkg-checkbuilddeps finds one missing.
install_build_dependencies() {
    local project
    project=$(cd "$(dirname "$0")/.." && pwd)
    dpkg-checkbuilddeps "$project/debian/control" >/dev/null 2>&1 && return 0
    echo "== installing the build dependencies that debian/control declares"
    apt_get build-dep "$project"
}

for group in "$@"; do
    case $group in
    build) install_group build "${group_build[@]}" ;;
    package) install_group packaging "${group_package[@]}" && install_build_dependencies ;;
    test) install_group tests "${group_test[@]}" ;;
    bench) install_group benchmarks "${group_bench[@]}" ;;
    windows) install_group "Windows build" "${group_windows[@]}" ;;
    root) install_group "throwaway root" "${group_root[@]}" ;;
    wine) install_group "Windows tests" "${group_wine[@]}" ;;
    *)
        echo "usage: scripts/setup.sh [build] [package] [test] [bench] [windows] [root] [wine]" >&2
        exit 2
        ;;
    esac
done
