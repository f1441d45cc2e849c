#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and fuzzes one of them.
# Usage: fuzz.sh TARGET [SECONDS]   (targets: fuzz_outline fuzz_lkp fuzz_rtf fuzz_template)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" fuzz
target="${1:?target name}"
seconds="${2:-60}"
build="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF -DWRENNOTE_FUZZ=ON >/dev/null
cmake --build "$build" --target "$target"
work="$build/corpus-$target"
mkdir -p "$work"
"$build/fuzz/$target" -max_total_time="$seconds" "$work" "$root/fuzz/corpus/$target"
