#!/usr/bin/env bash
# The Debian package as Debian's own tools make and test it. scripts/build-package.sh builds the
# source package in a fresh root with only its declared build dependencies, the unit suites
# included, then once more elsewhere and otherwise: the two must be the same bytes. lintian checks
# the source and the binaries; the package's files are checked against the README and the
# metainfo; and autopkgtest runs the smoke test against the built package in another fresh root.
# Needs root, or sudo without a password; takes minutes.
#   run.sh
set -euo pipefail
if [[ $(id -u) -ne 0 ]]; then
    sudo -n true 2>/dev/null || {
        echo "FAIL: the package suite needs root or sudo (chroot)"
        exit 1
    }
    exec sudo -n "$0" "$@"
fi
project=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/throwaway-root.sh
source "$project/scripts/throwaway-root.sh"
scratch=$(mktemp -d /var/tmp/span-meter-package.XXXXXX)
trap 'remove_root "$scratch/testbed" && rm -rf --one-file-system "$scratch"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

out=$scratch/out
"$project/scripts/build-package.sh" "$out" --twice || fail "the build in a fresh root"
deb=$(ls "$out"/span-meter_*.deb)
echo "PASS: built $(basename "$deb") where only the declared build dependencies are installed"
unit_summary=$(grep -E '^[0-9]+% tests passed, 0 tests failed out of [1-9]' "$out/build.log") ||
    fail "the build ran no unit suites, or some failed"
echo "PASS: the unit suites ran in the build: $unit_summary"
for package in "$deb" "$out"/span-meter-dbgsym_*.deb; do
    cmp "$package" "$out/again/$(basename "$package")" ||
        fail "$(basename "$package") differs between the two builds"
done
(cd "$out" && sha256sum span-meter*.deb again/span-meter*.deb)
echo "PASS: a second build, elsewhere, later, without the tests, gives the same bytes"

# Debian's checker, on the source package and the binaries: errors and warnings fail; pedantic and
# informational tags are shown.
lintian --pedantic --info --fail-on error,warning "$out"/span-meter_*.changes \
    >"$scratch/lintian.log" 2>&1 || { cat "$scratch/lintian.log"; fail "lintian"; }
grep -E '^[PI]: ' "$scratch/lintian.log" || true
! grep -E '^[EW]: ' "$scratch/lintian.log" || fail "lintian reports errors or warnings"
echo "PASS: lintian reports no error and no warning on the source and binary packages"

# Unstable and testing name no VERSION_ID: their build has no release suffix, and sorts above both.
release=$(. /etc/os-release && [[ $ID == debian && -n ${VERSION_ID:-} ]] &&
    echo "~deb${VERSION_ID%%.*}") || true
source_version=$(dpkg-parsechangelog -l "$project/debian/changelog" -S Version)
[[ $(dpkg-deb --field "$deb" Version) == "$source_version$release" ]] ||
    fail "the package's version is not $source_version$release"
echo "PASS: the package's version $source_version$release names this release"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt dependency declared"
dpkg-deb --field "$deb" Depends | grep -q 'fonts-liberation2' || fail "no font dependency declared"
[[ $(dpkg-deb --field "$deb" Recommends) == xdg-utils ]] || fail "xdg-utils is not recommended"
echo "PASS: dependencies declared"

root=$scratch/unpacked
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

# The release history is kept twice, for Debian and for software centres: the newest entries agree.
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
newest_release=$(grep -o -m 1 '<release version="[^"]*" date="[^"]*"' "$metainfo")
changelog_time=$(dpkg-parsechangelog -l "$project/debian/changelog" -S Timestamp)
changelog_date=$(date -u -d "@$changelog_time" +%F)
[[ $newest_release == "<release version=\"$source_version\" date=\"$changelog_date\"" ]] ||
    fail "the metainfo's newest release ($newest_release) is not the changelog's" \
        "$source_version of $changelog_date"
homepage=$(sed -n 's|.*<url type="homepage">\(.*\)</url>.*|\1|p' "$metainfo")
[[ -n $homepage && $(dpkg-deb --field "$deb" Homepage) == "$homepage" ]] ||
    fail "the Homepage field is not the metainfo's home page ($homepage)"
echo "PASS: the changelog and the Homepage field agree with the metainfo"

# The manual page renders without a warning, tells where the optional files go, and lists the
# keys as the README does.
page=$root/usr/share/man/man1/span-meter.1.gz
MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$scratch/page.txt" 2>"$scratch/man.log" ||
    fail "man cannot render the manual page"
[[ ! -s $scratch/man.log ]] || { cat "$scratch/man.log"; fail "man warns about the manual page"; }
for optional in HAND-M.CUR x/o.cjs; do
    grep -qF "/usr/lib/span-meter/$optional" "$scratch/page.txt" ||
        fail "the manual page does not place $optional beside the installed program"
done
keys() { tr '\n' ' ' | tr -s ' ' | grep -o 'works from the keyboard alone: .* before the typing began\.'; }
readme_keys=$(keys <"$doc/README.md") || fail "the README does not list the keys"
page_keys=$(LC_ALL=C MANWIDTH=10000 man -l "$page" 2>/dev/null | keys) ||
    fail "the manual page does not list the keys"
[[ $page_keys == "$readme_keys" ]] ||
    fail "the manual page lists the keys otherwise than the README: $page_keys"
echo "PASS: the manual page renders without warnings, places the optional files and lists the" \
    "keys as the README does"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$metainfo" >/dev/null || fail "metainfo"
echo "PASS: desktop entry and metainfo valid"

# The smoke test (debian/tests) against the built package, installed with its dependencies into
# another fresh root.
fresh_root "$scratch/testbed"
host_settings=$(host_apt_settings)
if [[ -n $host_settings ]]; then
    lacking=$(grep -vxF -f <(chroot "$scratch/testbed" apt-config dump) <<<"$host_settings") || true
    [[ -z $lacking ]] || fail "the throwaway root's apt lacks this machine's settings: $lacking"
    echo "PASS: the throwaway root's apt takes this machine's download settings:" \
        "$(tr '\n' ' ' <<<"$host_settings")"
fi
autopkgtest --output-dir "$scratch/autopkgtest" "$deb" "$(ls "$out"/span-meter_*.dsc)" \
    -- chroot "$scratch/testbed" >"$scratch/autopkgtest.log" 2>&1 || {
    cat "$scratch/autopkgtest.log"
    fail "autopkgtest"
}
sed -n '/^smoke/p; /PASS: /p' "$scratch/autopkgtest.log"
grep -qE '^smoke +PASS' "$scratch/autopkgtest/summary" ||
    fail "autopkgtest's summary: $(cat "$scratch/autopkgtest/summary")"
echo "PASS: autopkgtest's smoke test passes against the installed package"
