#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and fuzzes one of them.
# Usage: fuzz.sh TARGET [SECONDS]   (targets: fuzz_outline fuzz_lkp fuzz_hiertext fuzz_rtf
# fuzz_template fuzz_links fuzz_opml fuzz_markdown fuzz_ctd fuzz_ctb fuzz_trln);
# fuzz/dict/TARGET.dict is used when present.
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
dict=()
if [ -f "$root/fuzz/dict/$target.dict" ]; then
    dict=(-dict="$root/fuzz/dict/$target.dict")
fi
# Inputs may grow to the size of the large seeds, but the fuzzer starts small.
# What it finds goes into the build folder, never into the source tree.
"$build/fuzz/$target" -max_total_time="$seconds" -max_len=1100000 -len_control=100 \
    -artifact_prefix="$build/" \
    "${dict[@]}" "$work" "$root/fuzz/corpus/$target"
