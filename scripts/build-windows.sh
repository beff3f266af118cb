#!/usr/bin/env bash
# Builds the program for 64-bit Windows on Debian (12, or 13 where the same steps work), with the
# MinGW-w64 cross compiler and a Qt for Windows built once from Debian's own Qt source.
#   scripts/build-windows.sh
# Qt is cached in $SPAN_WIN_CACHE (default ~/.cache/span-meter-win) and reused on later runs.
# It leaves build-win/span-meter-<version>-win64.zip, and the test suites in build-win/tests.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD
scripts/setup.sh windows

cache=${SPAN_WIN_CACHE:-$HOME/.cache/span-meter-win}
toolchain=$project/cmake/mingw-w64.cmake
host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
qt_version=${host_qt#*:}
qt_version=${qt_version%%[-+]*}
qt=$cache/qt-$qt_version
mkdir -p "$cache"

# Debian's source of the very Qt whose host tools (moc, rcc, uic) the cross build uses.
fetch_qt_source() {
    local codename list=/etc/apt/sources.list.d/span-meter-source.sources
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    if ! apt-get source --print-uris -qq "qt6-base=$host_qt" >/dev/null 2>&1; then
        echo "== adding Debian's source packages for $codename to apt"
        printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\n%s\n' \
            "$codename" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" >"$list"
        apt-get update -q >/dev/null
    fi
    rm -rf "$cache/src"
    mkdir -p "$cache/src"
    (cd "$cache/src" && apt-get source -q --download-only "qt6-base=$host_qt" >source.log 2>&1 &&
        dpkg-source -q -x ./*.dsc qtbase >/dev/null)
}

# Qt 6.4's Windows plugin names the DirectWrite font database, which QtGui builds only with
# direct2d; direct2d needs a header Debian's source lacks, so its uses go with it.
patch_qt_source() {
    local file=$cache/src/qtbase/src/plugins/platforms/windows/qwindowsintegration.cpp
    grep -q 'QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)' "$file" && return 0
    sed -i 's/QT_CONFIG(directwrite3)$/QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' "$file"
}

# Only what the program and its tests use: Core, Gui, Widgets, Test, the Windows platform plugin
# and the styles; shared DLLs.
build_qt() {
    echo "== building Qt $qt_version for Windows into $qt (once; about 30 minutes on 2 cores)"
    fetch_qt_source
    patch_qt_source
    local log=$cache/qt-build.log
    if ! {
        cmake -S "$cache/src/qtbase" -B "$cache/build" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_INSTALL_PREFIX="$qt" -DBUILD_SHARED_LIBS=ON \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
            -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF \
            -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF \
            -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF \
            -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_opengl_dynamic=OFF \
            -DFEATURE_opengl_desktop=OFF &&
            cmake --build "$cache/build" &&
            cmake --install "$cache/build"
    } >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "Building Qt for Windows failed; the whole log is $log" >&2
        exit 1
    fi
    rm -rf "$cache/build" "$cache/src"
}

[[ -x $qt/bin/qt-cmake ]] || build_qt
