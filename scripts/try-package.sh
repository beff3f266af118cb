#!/usr/bin/env bash
# Installs the Debian package into a throwaway root of the Debian release this machine runs
# (Debian 12 or 13), as a user's machine would get it (apt-get install ./file.deb, dependencies
# from the archive), and starts it there under Xvfb until its main window shows, and shows its
# manual page there. Not part of the test command: it
# takes minutes and needs root.
#   scripts/try-package.sh [PACKAGE.deb]
set -euo pipefail
cd "$(dirname "$0")/.."
[[ $(id -u) -eq 0 ]] || { echo "try-package.sh: run as root (debootstrap and chroot)" >&2; exit 1; }

deb=${1:-}
if [[ -z $deb ]]; then
    scripts/setup.sh build test
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build --target span-meter package-documents
    (cd build && cpack -G DEB >/dev/null)
    deb=$(ls build/span-meter_*.deb)
fi

command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
base=/var/tmp/span-meter-$suite.tar
root=$(mktemp -d /var/tmp/span-meter-root.XXXXXX)
# shellcheck source=chroot-mounts.sh
source scripts/chroot-mounts.sh
# The root goes only when nothing of the host is mounted in it any more; otherwise the script says
# so and fails.
trap 'remove_root "$root" || exit 1' EXIT

if [[ ! -f $base ]]; then
    mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
    debootstrap --variant=minbase "$suite" "$root" "${mirror:-http://deb.debian.org/debian}" >/dev/null
    cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/" 2>/dev/null || true
    tar -C "$root" -cf "$base" .
else
    tar -C "$root" -xf "$base"
fi
cp /etc/resolv.conf "$root/etc/" 2>/dev/null || true
cp "$deb" "$root/tmp/span-meter.deb"
# The test suites' own start of an X server, numbered by the server itself.
cp tests/e2e/xserver.sh "$root/tmp/xserver.sh"
mount -t proc proc "$root/proc"
bind_into "$root" /sys sys
bind_into "$root" /dev dev

chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root bash -euo pipefail -c '
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # man-db first, so its trigger indexes the manual page the package brings.
    apt-get install -y -qq --no-install-recommends man-db >/dev/null
    apt-get install -y -qq ./tmp/span-meter.deb >/dev/null
    apt-get install -y -qq --no-install-recommends xvfb xdotool >/dev/null
    echo "installed: $(dpkg-query -W -f="\${Package} \${Version}" span-meter)"
    test -f /usr/share/applications/example.span_meter.SpanMeter.desktop
    echo "menu entry: /usr/share/applications/example.span_meter.SpanMeter.desktop"
    echo "--- man span-meter"
    MANWIDTH=80 man -P cat span-meter
    echo "---"
    # The server picks a free number: the host may have servers of its own.
    source /tmp/xserver.sh
    start_x_server || exit 1
    trap stop_x_server EXIT
    mkdir -p /tmp/bin && printf "#!/bin/sh\nexit 0\n" >/tmp/bin/xdg-open && chmod +x /tmp/bin/xdg-open
    PATH=/tmp/bin:$PATH span-meter >/tmp/span-meter.log 2>&1 &
    for _ in $(seq 100); do
        if xdotool search --onlyvisible --name "Clockwise Reckoning$" >/dev/null 2>&1; then
            echo "PASS: the installed program shows its main window"
            exit 0
        fi
        sleep 0.2
    done
    echo "FAIL: no main window"; cat /tmp/span-meter.log; exit 1
'
