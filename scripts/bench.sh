#!/usr/bin/env bash
# Builds and runs the benchmarks (optimised build). Extra arguments go to each benchmark.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" bench
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DWRENNOTE_BENCH=ON >/dev/null
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
for b in "$build"/bench/bench_*; do
    [ "$(basename "$b")" = bench_scale ] && continue
    [ -x "$b" ] && "$b" "$@"
done
# The whole-document table against cp, cat and grep on the same files.
"$root/bench/scale/scale.sh" "$build"
