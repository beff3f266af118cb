#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, run and test; installs nothing that
# is already there. Run as root, or as a user who may use sudo.
set -euo pipefail

packages=(
    cmake ninja-build g++ qt6-base-dev libxcb1-dev # the build
    fonts-liberation2                  # metric-compatible Arial for the windows' fonts
    fonts-dejavu-core                  # Arabic and Persian letters and digits, for the locale tests
    clang-format                       # the formatting gate
    xvfb xauth openbox xdotool x11-utils x11-xserver-utils wmctrl imagemagick python3-xlib x11-xkb-utils # end-to-end
    dbus-daemon                        # a session bus for the program under test
    qt6-gtk-platformtheme gnome-themes-extra # the dark desktop theme of the end-to-end looks
    at-spi2-core python3-pyatspi       # the accessibility bus and a reader of it (tests/atspi)
    dpkg-dev file desktop-file-utils appstream # the package and its checks
    lintian man-db                     # Debian's checks of the package and of its manual page
    clang libclang-rt-14-dev           # the fuzzers
    libbenchmark-dev strace libx11-dev linux-perf # the benchmarks (bench/run.sh)
    librsvg2-bin                       # the hand cursor (resources/make-cursor.sh)
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
