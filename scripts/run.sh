#!/usr/bin/env bash
# Sets up what is missing, builds the program into build/span-meter and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target span-meter
exec build/span-meter
