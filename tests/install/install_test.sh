#!/usr/bin/env bash
# Installs the build into a temporary prefix and starts the program from
# there, offscreen, with a clean home: nothing may come from the build folder.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/wrennote-install-テスト-XXXXXX")"
first=""
cleanup() {
    if [ -n "$first" ]; then
        kill "$first" 2>/dev/null || true
        wait "$first" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/wrennote bin/wrennote-cli \
    share/applications/wrennote.desktop share/mime/packages/wrennote.xml \
    share/icons/hicolor/16x16/apps/wrennote.png share/icons/hicolor/32x32/apps/wrennote.png \
    share/icons/hicolor/48x48/apps/wrennote.png share/icons/hicolor/scalable/apps/wrennote.svg \
    share/wrennote/Manual.wrn share/wrennote/DateFormat.txt \
    share/wrennote/Holiday.txt share/wrennote/MarkedDays.txt; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
done
ls "$prefix"/share/wrennote/Output/*.txt >/dev/null 2>&1 || fail "no output templates installed"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/wrennote.desktop" || fail "desktop entry"
fi
# The installed programs must not load anything from the build folder.
for exe in wrennote wrennote-cli; do
    if readelf -d "$prefix/bin/$exe" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
        fail "$exe keeps a library path into the build folder"
    fi
done

home="$work/home"
mkdir -p "$home"
run() {
    (cd / && env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" \
        XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen \
        LANG=C.UTF-8 "$@")
}
run "$prefix/bin/wrennote-cli" info "$prefix/share/wrennote/Manual.wrn" >/dev/null ||
    fail "the companion cannot read the installed manual"

# Start on the installed manual; a second start on it hands over and ends.
manual="$prefix/share/wrennote/Manual.wrn"
# Started without the function, so that $! is the program itself.
(cd / && exec env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" \
    XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen \
    LANG=C.UTF-8 "$prefix/bin/wrennote" "$manual") >"$work/first.log" 2>&1 &
first=$!
history="$home/data/WrenNOTE/History.txt"
for _ in $(seq 100); do
    [ -s "$history" ] && break
    kill -0 "$first" 2>/dev/null || fail "the program ended at start: $(cat "$work/first.log")"
    sleep 0.1
done
[ -s "$history" ] || fail "no history written in the data home"
grep -qF "$manual" "$history" || fail "the manual is not in the history"
timeout 20 bash -c "$(declare -f run); work='$work' home='$home' run '$prefix/bin/wrennote' '$manual'" ||
    fail "a second start did not hand over to the first"
kill -0 "$first" 2>/dev/null || fail "the first instance ended"
# Nothing lands beside the executable.
[ -z "$(ls -A "$prefix/bin" | grep -v '^wrennote\(-cli\)\?$')" ] || fail "files written into bin/"
echo "1 passed, 0 failed"
