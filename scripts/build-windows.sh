#!/usr/bin/env bash
# Builds the program for 64-bit Windows with the MinGW-w64 cross compiler and a Qt for Windows built
# once from Debian 13's own Qt source (Qt 6.8, a long-term release), with the host tools (moc, rcc,
# uic) of the same Qt. On another release (Debian 12, unstable) it runs in a throwaway Debian 13
# root that sees this checkout and the cache at their own paths; that needs root.
#   scripts/build-windows.sh
# Qt is cached in $SPAN_WIN_CACHE (default ~/.cache/span-meter-win) and reused on later runs.
# It leaves build-win/span-meter-<version>-win64.zip, the installer
# build-win/span-meter-<version>-setup.exe, the source they were built from
# build-win/span-meter-<version>-source.tar.xz, and the test suites in build-win/tests.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD
cache=${SPAN_WIN_CACHE:-$HOME/.cache/span-meter-win}
windows_suite=trixie
# shellcheck source=throwaway-root.sh
source scripts/throwaway-root.sh

# Runs this script again in a fresh Debian 13 root, and gives the files it makes to the user who
# asked for them.
build_in_root() {
    if [[ $(id -u) -ne 0 ]]; then
        exec sudo SPAN_WIN_CACHE="$cache" SPAN_WIN_OWNER="$(id -u):$(id -g)" "$0"
    fi
    scripts/setup.sh root
    root=$(mktemp -d /var/tmp/span-meter-win.XXXXXX)
    trap 'remove_root "$root" || exit 1' EXIT
    echo "== a throwaway Debian 13 root for the Windows build: $root"
    fresh_root "$root" "$windows_suite"
    mkdir -p "$cache" "$root$project" "$root$cache"
    bind_into "$root" "$project" "${project#/}"
    bind_into "$root" "$cache" "${cache#/}"
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        SPAN_WIN_CACHE="$cache" bash "$project/scripts/build-windows.sh"
    [[ -z ${SPAN_WIN_OWNER:-} ]] || chown -R "$SPAN_WIN_OWNER" build-win "$cache"
}

read -r suite _ < <(host_archive)
if [[ $suite != "$windows_suite" ]]; then
    build_in_root
    exit
fi
scripts/setup.sh windows

toolchain=$project/cmake/mingw-w64.cmake
host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
qt_version=${host_qt#*:}
qt_version=${qt_version%%[-+]*}
qt=$cache/qt-$qt_version
mkdir -p "$cache"

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

# Debian's source of the very Qt whose host tools (moc, rcc, uic) the cross build uses. When apt
# knows no source packages, a list of them is added for the download and taken away after it.
fetch_qt_source() {
    local codename list=/etc/apt/sources.list.d/span-meter-source.sources added=false
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    if ! apt-get source --print-uris -qq "qt6-base=$host_qt" >/dev/null 2>&1; then
        echo "== adding Debian's source packages for $codename to apt ($list), until Qt's is fetched"
        printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\n%s\n' \
            "$codename" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
            "${sudo[@]}" tee "$list" >/dev/null
        added=true
        "${sudo[@]}" apt-get update -q >/dev/null ||
            { forget_source_list "$list"; echo "apt-get update failed with $list" >&2; exit 1; }
    fi
    rm -rf --one-file-system "$cache/src"
    mkdir -p "$cache/src"
    local fetched=true
    (cd "$cache/src" && apt-get source -q --download-only "qt6-base=$host_qt" >source.log 2>&1 &&
        dpkg-source -q -x ./*.dsc qtbase >>source.log 2>&1) || fetched=false
    if $added; then forget_source_list "$list"; fi
    $fetched || { cat "$cache/src/source.log"; echo "Fetching Debian's Qt source failed" >&2; exit 1; }
}

# Takes the source list away again, and apt's lists of it with a fresh update.
forget_source_list() {
    echo "== removing $1 from apt again"
    "${sudo[@]}" rm -f "$1"
    "${sudo[@]}" apt-get update -q >/dev/null ||
        echo "apt-get update failed after removing $1; apt's next update drops its lists" >&2
}

# Only what the program and its tests use: Core, Gui, Widgets, Test, the Windows platform plugin
# and the styles; shared DLLs. Qt's Direct2D platform plugin is left out (it needs headers MinGW
# lacks); Direct2D itself stays, for the DirectWrite font engine Qt 6.8 uses by default.
build_qt() {
    echo "== building Qt $qt_version for Windows into $qt (once; about 25 minutes on 2 cores)"
    fetch_qt_source
    local log=$cache/qt-build.log
    # Qt keeps the toolchain file's path; a copy in the cache outlives this checkout.
    cp "$toolchain" "$cache/mingw-w64.cmake"
    if ! {
        cmake -S "$cache/src/qtbase" -B "$cache/build" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$cache/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_INSTALL_PREFIX="$qt" -DBUILD_SHARED_LIBS=ON \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
            -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF \
            -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF \
            -DFEATURE_tabletevent=OFF -DFEATURE_direct2d1_1=OFF \
            -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_opengl_dynamic=OFF \
            -DFEATURE_opengl_desktop=OFF &&
            cmake --build "$cache/build" &&
            cmake --install "$cache/build"
    } >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "Building Qt $qt_version for Windows failed on Debian $(. /etc/os-release &&
            echo "$VERSION_ID"); these steps are proven on Debian 12. The whole log: $log" >&2
        exit 1
    fi
    rm -rf --one-file-system "$cache/build" "$cache/src"
}

# What the program and its tests need beside them to start: Qt's DLLs and plugins, and the MinGW
# runtime the compiler links against.
runtime_dlls() {
    local gcc_dir
    gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
    echo "$gcc_dir/libstdc++-6.dll" "$gcc_dir/libgcc_s_seh-1.dll" \
        /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll
}

# Copies the DLLs a folder's executables need into it: the platform plugin in platforms/, and the
# icon reader in imageformats/ (the windows' icon is a .ico).
deploy() {
    local folder=$1
    shift
    local module
    for module in "$@"; do
        cp "$qt/bin/Qt6$module.dll" "$folder/"
    done
    cp $(runtime_dlls) "$folder/"
    mkdir -p "$folder/platforms" "$folder/imageformats"
    cp "$qt/plugins/platforms/qwindows.dll" "$folder/platforms/"
    cp "$qt/plugins/imageformats/qico.dll" "$folder/imageformats/"
}

# Where a file of ours comes from: the Debian source package and version of the package that
# installed it.
source_of() {
    local package
    package=$(dpkg -S "$1" | cut -d: -f1)
    dpkg-query -W -f='${source:Package} ${source:Version}' "$package"
}

# Beside the program, the licence of each part the folder carries, and a notice that names the
# parts, their versions, their Debian source packages and our source archive: the LGPL asks that the
# user can find Qt's source and rebuild it, and the GPL that its text goes with the GCC runtime.
add_papers() {
    local folder=$1 gcc_dll gcc_version gcc_source gcc_package_version gcc_base pthread pthread_source
    local licences=$folder/licences copyright
    mkdir -p "$licences"
    cp /usr/share/common-licenses/GPL-3 "$licences/GPL-3.txt"
    cp /usr/share/common-licenses/LGPL-3 "$licences/LGPL-3.txt"
    read -r gcc_dll pthread < <(runtime_dlls | awk '{ print $1, $3 }')
    copyright=/usr/share/doc/$(dpkg -S "$gcc_dll" | cut -d: -f1)/copyright
    sed -n '/^GCC RUNTIME LIBRARY EXCEPTION$/,/requirements of the license of GCC\.$/p' \
        "$copyright" >"$licences/GCC-runtime-exception-3.1.txt"
    copyright=/usr/share/doc/$(dpkg -S "$pthread" | cut -d: -f1)/copyright
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
        ($1 == "Files:" && /winpthreads\// && !/tests_pthread/) ||
        ($1 == "License:" && ($2 == "expat" || $2 == "BSD-3-clause"))' \
        "$copyright" >"$licences/winpthreads.txt"
    local text
    for text in GCC-runtime-exception-3.1 winpthreads; do
        [[ -s $licences/$text.txt ]] ||
            { echo "No licence text for $text found in Debian's copyright files" >&2; exit 1; }
    done
    gcc_source=$(source_of "$gcc_dll")
    pthread_source=$(source_of "$pthread")
    # Debian's MinGW GCC is built from its own GCC's source: its version names both.
    gcc_package_version=$(dpkg-query -W -f='${Version}' "$(dpkg -S "$gcc_dll" | cut -d: -f1)")
    gcc_base=${gcc_package_version%%+"${gcc_source#* }"*}
    gcc_version=${gcc_base%%-*}
    cat >"$folder/NOTICE.txt" <<NOTICE
Tallyglass Hourwick Span Meter $version for Windows: what its folder carries besides the program

The program itself (span-meter.exe) is free software under the GNU General Public License,
version 3 or later: see COPYING.txt and licences\GPL-3.txt. Its complete source, from which
this copy was built, comes beside the zip and the installer as $(basename "$source_archive").

Qt $qt_version (Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll, platforms\qwindows.dll,
imageformats\qico.dll), by The Qt Company and others
  Licence: the GNU Lesser General Public License, version 3 (licences\LGPL-3.txt, which adds
  to licences\GPL-3.txt).
  Built from Debian's source package qt6-base, version $host_qt (the module qtbase alone),
  unchanged.
  The source: https://snapshot.debian.org/package/qt6-base/$host_qt/
  (on Debian: apt-get source qt6-base=$host_qt). You may replace these DLLs with a Qt $qt_version
  of your own build.

The GCC $gcc_version runtime (libstdc++-6.dll, libgcc_s_seh-1.dll), by the Free Software Foundation
  Licence: the GNU General Public License, version 3, with the GCC Runtime Library Exception,
  version 3.1 (licences\GPL-3.txt, licences\GCC-runtime-exception-3.1.txt).
  Built by Debian's source package ${gcc_source% *}, version ${gcc_source#* }, from the GCC
  source of Debian's gcc-${gcc_version%%.*}, version $gcc_base:
  https://snapshot.debian.org/package/${gcc_source% *}/${gcc_source#* }/ and
  https://snapshot.debian.org/package/gcc-${gcc_version%%.*}/$gcc_base/

winpthreads (libwinpthread-1.dll), by the MinGW-w64 project and others
  Licence: licences\winpthreads.txt (MIT and BSD terms).
  Built from Debian's source package ${pthread_source% *}, version ${pthread_source#* }:
  https://snapshot.debian.org/package/${pthread_source% *}/${pthread_source#* }/
NOTICE
}

# The program's complete source, as one archive beside the zip and the installer, with a note of
# what it was and the Qt it was built with; the program is built from this archive, unpacked.
# It holds the commit checked out, with the changes the working tree makes to its tracked files.
make_source_archive() {
    local git=(git -c safe.directory="$project" -C "$project") commit tree note
    commit=$("${git[@]}" rev-parse HEAD)
    tree=$("${git[@]}" stash create)
    note="the commit $commit"
    [[ -z $tree ]] || note+=", with changes not yet committed (saved as $tree)"
    echo "== $source_archive: $note"
    mkdir -p "build-win/$source_name"
    cat >"build-win/$source_name/SOURCE.txt" <<SOURCE
Tallyglass Hourwick Span Meter $version: the source of its Windows build

This archive holds the program's complete source: $note.
The zip and the installer of this version were built from it, unpacked, by
scripts/build-windows.sh, which a Debian 12 or 13 machine runs as it stands.

Qt $qt_version for Windows was built from Debian's source package qt6-base, version $host_qt
(the module qtbase alone), unchanged: https://snapshot.debian.org/package/qt6-base/$host_qt/
SOURCE
    "${git[@]}" archive --format=tar --prefix="$source_name/" "${tree:-$commit}" \
        >"${source_archive%.xz}"
    tar -C build-win -rf "${source_archive%.xz}" "$source_name/SOURCE.txt"
    xz -9 -f "${source_archive%.xz}"
    rm -rf --one-file-system "build-win/$source_name"
}

build_program() {
    echo "== cross-building the program and its test suites into build-win, from $source_archive"
    mkdir -p build-win/source
    tar -C build-win/source -xJf "$source_archive"
    "$qt/bin/qt-cmake" -S "$built" -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DSPAN_WERROR=ON \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" >build-win/configure.log 2>&1 ||
        { cat build-win/configure.log; exit 1; }
    cmake --build build-win
}

# The tests run where they were built, with the offscreen platform beside the Windows one.
deploy_tests() {
    deploy build-win/tests Core Gui Widgets Test
    cp "$qt/plugins/platforms/qoffscreen.dll" build-win/tests/platforms/
}

version=$(sed -n 's/^project(span-meter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=build-win/stage/span-meter-$version-win64
source_name=span-meter-$version
source_archive=build-win/$source_name-source.tar.xz
built=$project/build-win/source/$source_name # the archive, unpacked: what the build reads

make_zip() {
    local name=span-meter-$version-win64
    rm -rf --one-file-system build-win/stage "build-win/$name.zip"
    cmake --install build-win --prefix "$stage" >/dev/null
    deploy "$stage" Core Gui Widgets
    add_papers "$stage"
    x86_64-w64-mingw32-strip "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll
    (cd build-win/stage && zip -q -r -9 "../$name.zip" "$name")
    echo "== build-win/$name.zip: $(du -k "build-win/$name.zip" | cut -f1) KB," \
        "$(du -sk "$stage" | cut -f1) KB unpacked"
}

# The finish page's picture: the program's icon on white, at twice the page's 164 by 314 pixels,
# so that Windows shrinks it at every scale up to 200 % rather than enlarging it.
finish_page_picture() {
    rsvg-convert -w 192 -h 192 "$built/resources/span-meter.svg" -o build-win/stage/icon-192.png
    convert -size 328x628 xc:white build-win/stage/icon-192.png -gravity north -geometry +0+120 \
        -composite -type TrueColor "BMP3:$1"
}

# The installer takes the zip's folder; its uninstaller deletes those files by name, then the
# folders, which stay when the user has put files of their own in them.
make_installer() {
    local files=build-win/stage/files.nsh folders=build-win/stage/folders.nsh
    local setup=build-win/span-meter-$version-setup.exe path
    (cd "$stage" && find . -type f | sort | sed 's|^\./||; s|/|\\|g') |
        while read -r path; do echo "Delete \"\$INSTDIR\\$path\""; done >"$files"
    (cd "$stage" && find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g') |
        while read -r path; do echo "RMDir \"\$INSTDIR\\$path\""; done >"$folders"
    # The licence page's box wraps the lines itself: each paragraph of the notice is one line.
    awk 'BEGIN { RS = ""; ORS = "\r\n\r\n" } { gsub(/\n/, " ") } 1' "$stage/COPYING.txt" \
        >build-win/stage/licence-page.txt
    finish_page_picture build-win/stage/finish-page.bmp
    makensis -V2 -DVERSION="$version" -DSTAGE="$project/$stage" -DFILES="$project/$files" \
        -DFOLDERS="$project/$folders" -DOUTFILE="$project/$setup" \
        -DSIZE_KB="$(du -sk "$stage" | cut -f1)" -DICON="$built/resources/span-meter.ico" \
        -DLICENCE="$project/build-win/stage/licence-page.txt" \
        -DPICTURE="$project/build-win/stage/finish-page.bmp" "$built/packaging/windows/span-meter.nsi"
    echo "== $setup: $(du -k "$setup" | cut -f1) KB"
}

[[ -x $qt/bin/qt-cmake ]] || build_qt
rm -rf --one-file-system build-win
mkdir -p build-win
make_source_archive
build_program
deploy_tests
make_zip
make_installer
