#!/usr/bin/env bash
# Takes the README's screenshots of the program under a private Xvfb and
# writes them to docs/screenshots/. BUILD=DIR uses an existing build folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh" build screenshots
build="${BUILD:-$root/build/release}"
if [ -z "${BUILD:-}" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$build" --target wrennote wrennote-cli wrennote_manual
out="$root/docs/screenshots"
mkdir -p "$out"

work="$(mktemp -d)"
xvfb="" app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1100x760x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
export WRENNOTE_HOME="$work/home" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
mkdir -p "$WRENNOTE_HOME"
cp "$build/share/wrennote/Manual.wrn" "$WRENNOTE_HOME/Manual.wrn"

# The manual open on its first page, in a window of 1000 x 680.
"$build/bin/wrennote" "$WRENNOTE_HOME/Manual.wrn" >/dev/null 2>&1 &
app=$!
win="$(timeout 20 xdotool search --sync --onlyvisible --name 'Manual - WrenNOTE' | head -1)"
xdotool windowsize "$win" 1000 680 windowmove "$win" 0 0
sleep 1
# The whole outline open: click the book in the tree and expand all below it.
xdotool mousemove --window "$win" 100 85 click 1
xdotool key --window "$win" KP_Multiply
sleep 1
import -window "$win" "$out/main.png"
echo "wrote $out/main.png"
