#!/usr/bin/env bash
# Sets up what is missing, builds the program into build/span-meter and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
# The program opens windows: without a graphical session it could only fail after the install
# and the build, so say so before either.
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "run.sh: the Span Meter needs a graphical session (DISPLAY or WAYLAND_DISPLAY), and none is set: nothing was installed or built" >&2
    exit 1
fi
scripts/setup.sh build
echo "== configuring build/"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
echo "== building build/span-meter"
cmake --build build --target span-meter
exec build/span-meter
