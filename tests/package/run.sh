#!/usr/bin/env bash
# Builds the Debian package, holds it to Debian's own checks (lintian, the manual page through
# man), unpacks it into a scratch root, validates its desktop entry and metainfo, and starts the
# unpacked program in the X server at $DISPLAY until its window shows.
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
[[ $(dpkg-deb --field "$deb" Recommends) == xdg-utils ]] || fail "xdg-utils is not recommended"
echo "PASS: dependencies declared"

# Debian's checker: errors and warnings fail; info tags are allowed (lintian -I lists them).
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || {
    cat "$scratch/lintian.log"
    fail "lintian"
}
! grep -E '^[EW]: ' "$scratch/lintian.log" || fail "lintian reports errors or warnings"
echo "PASS: lintian reports no error and no warning"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
app_id=example.span_meter.SpanMeter
for file in usr/bin/span-meter usr/lib/span-meter/span-meter usr/lib/span-meter/HAND-M.CUR \
    usr/share/applications/$app_id.desktop usr/share/metainfo/$app_id.metainfo.xml \
    usr/share/icons/hicolor/{48x48,128x128,256x256}/apps/$app_id.png \
    usr/share/icons/hicolor/scalable/apps/$app_id.svg usr/share/man/man1/span-meter.1.gz \
    usr/share/doc/span-meter/{copyright,changelog.gz,sample-skin.qss,README.md}; do
    [[ -e $root/$file ]] || fail "missing $file"
done
echo "PASS: files in place"
doc=$root/usr/share/doc/span-meter
while read -r image; do
    [[ -f $doc/$image ]] || fail "the installed README shows $image, which is not beside it"
done < <(grep -o '!\[[^(]*\]([^)]*)' "$doc/README.md" | sed 's/.*(\(.*\))$/\1/' | grep -v '://')
echo "PASS: the installed README's images lie beside it"
changelog_version=$(zcat "$doc/changelog.gz" | dpkg-parsechangelog -l - -S Version)
[[ $changelog_version == "$(dpkg-deb --field "$deb" Version)" ]] ||
    fail "the changelog's newest entry is $changelog_version, not the package's version"
homepage=$(sed -n 's|.*<url type="homepage">\(.*\)</url>.*|\1|p' "$root/usr/share/metainfo/$app_id.metainfo.xml")
[[ -n $homepage && $(dpkg-deb --field "$deb" Homepage) == "$homepage" ]] ||
    fail "the Homepage field is not the metainfo's home page ($homepage)"
echo "PASS: the changelog and the Homepage field agree with the package and the metainfo"

# The manual page renders without a warning and tells where the optional files go.
page=$root/usr/share/man/man1/span-meter.1.gz
MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$scratch/page.txt" 2>"$scratch/man.log" ||
    fail "man cannot render the manual page"
[[ ! -s $scratch/man.log ]] || { cat "$scratch/man.log"; fail "man warns about the manual page"; }
for optional in HAND-M.CUR x/o.cjs; do
    grep -qF "/usr/lib/span-meter/$optional" "$scratch/page.txt" ||
        fail "the manual page does not place $optional beside the installed program"
done
echo "PASS: the manual page renders without warnings and places the optional files"
# The keys: the manual page says what the README says, word for word.
keys() { tr '\n' ' ' | tr -s ' ' | grep -o 'works from the keyboard alone: .* before the typing began\.'; }
readme_keys=$(keys <"$doc/README.md") || fail "the README does not list the keys"
page_keys=$(LC_ALL=C MANWIDTH=10000 man -l "$page" 2>/dev/null | keys) ||
    fail "the manual page does not list the keys"
[[ $page_keys == "$readme_keys" ]] ||
    fail "the manual page lists the keys otherwise than the README: $page_keys"
echo "PASS: the manual page lists the keys as the README does"
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
