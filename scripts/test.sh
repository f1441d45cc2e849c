#!/usr/bin/env bash
# Builds everything once and runs every test: unit, GUI (offscreen), desktop
# (own Xvfb) and the fuzz seed corpora. Extra arguments go to ctest (-L unit).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" test
build="$root/build/test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON >/dev/null
cmake --build "$build"
cd "$build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --no-tests=error -j2 "$@"
