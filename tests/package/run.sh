#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root, validates its desktop entry and
# metainfo, and starts the unpacked program in the X server at $DISPLAY until its window shows.
#   run.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
pid=
cleanup() {
    [[ -n $pid ]] && kill "$pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null) || fail "cpack"
deb=$(ls "$scratch"/package/span-meter_*.deb)
echo "PASS: built $(basename "$deb")"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt dependency declared"
dpkg-deb --field "$deb" Depends | grep -q 'fonts-liberation2' || fail "no font dependency declared"
echo "PASS: dependencies declared"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
app_id=example.span_meter.SpanMeter
for file in usr/bin/span-meter usr/lib/span-meter/span-meter usr/lib/span-meter/HAND-M.CUR \
    usr/share/applications/$app_id.desktop usr/share/metainfo/$app_id.metainfo.xml \
    usr/share/icons/hicolor/{48x48,128x128,256x256}/apps/$app_id.png \
    usr/share/doc/span-meter/sample-skin.qss; do
    [[ -e $root/$file ]] || fail "missing $file"
done
echo "PASS: files in place"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$app_id.metainfo.xml" >/dev/null ||
    fail "metainfo"
echo "PASS: desktop entry and metainfo valid"

# A stand-in for the browser opener, so an occasional home-page visit opens nothing.
mkdir -p "$scratch/bin" "$scratch/home"
printf '#!/bin/sh\nexit 0\n' >"$scratch/bin/xdg-open"
chmod +x "$scratch/bin/xdg-open"
HOME=$scratch/home PATH=$scratch/bin:$PATH "$root/usr/bin/span-meter" &
pid=$!
title="Tallyglass Hourwick Span Meter for Clockwise Reckoning"
for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1) || true
    [[ -n $window ]] && break
    kill -0 "$pid" 2>/dev/null || fail "the unpacked program exited"
    sleep 0.1
done
[[ -n ${window:-} ]] || fail "the unpacked program showed no main window"
echo "PASS: the unpacked program shows its main window"
wmctrl -i -c "$window"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
wait "$pid" || fail "exit status $?"
pid=
echo "PASS: closing the main window ends it"
