#!/usr/bin/env bash
# Builds the program for 64-bit Windows on Debian (12, or 13 where the same steps work), with the
# MinGW-w64 cross compiler and a Qt for Windows built once from Debian's own Qt source.
#   scripts/build-windows.sh
# Qt is cached in $SPAN_WIN_CACHE (default ~/.cache/span-meter-win) and reused on later runs.
# It leaves build-win/span-meter-<version>-win64.zip, the installer
# build-win/span-meter-<version>-setup.exe, and the test suites in build-win/tests.
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
        dpkg-source -q -x ./*.dsc qtbase >>source.log 2>&1) ||
        { cat "$cache/src/source.log"; echo "Fetching Debian's Qt source failed" >&2; exit 1; }
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
            -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF \
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
    rm -rf "$cache/build" "$cache/src"
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

build_program() {
    echo "== cross-building the program and its test suites into build-win"
    mkdir -p build-win
    "$qt/bin/qt-cmake" -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release -DSPAN_WERROR=ON \
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

make_zip() {
    local name=span-meter-$version-win64
    rm -rf build-win/stage "build-win/$name.zip"
    cmake --install build-win --prefix "$stage" >/dev/null
    deploy "$stage" Core Gui Widgets
    x86_64-w64-mingw32-strip "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll
    (cd build-win/stage && zip -q -r -9 "../$name.zip" "$name")
    echo "== build-win/$name.zip: $(du -k "build-win/$name.zip" | cut -f1) KB," \
        "$(du -sk "$stage" | cut -f1) KB unpacked"
}

# The installer takes the zip's folder; its uninstaller deletes those files by name.
make_installer() {
    local files=build-win/stage/files.nsh setup=build-win/span-meter-$version-setup.exe path
    (cd "$stage" && find . -type f | sort | sed 's|^\./||; s|/|\\|g') |
        while read -r path; do echo "Delete \"\$INSTDIR\\$path\""; done >"$files"
    (cd "$stage" && find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g') |
        while read -r path; do echo "RMDir \"\$INSTDIR\\$path\""; done >>"$files"
    makensis -V2 -DVERSION="$version" -DSTAGE="$project/$stage" -DFILES="$project/$files" \
        -DOUTFILE="$project/$setup" -DSIZE_KB="$(du -sk "$stage" | cut -f1)" \
        packaging/windows/span-meter.nsi
    echo "== $setup: $(du -k "$setup" | cut -f1) KB"
}

[[ -x $qt/bin/qt-cmake ]] || build_qt
build_program
deploy_tests
make_zip
make_installer
