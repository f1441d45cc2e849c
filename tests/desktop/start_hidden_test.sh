#!/usr/bin/env bash
# The real program under a private Xvfb with a tray host (trayer): with the
# HideForm and StayOn defaults a new document starts in the tray only, and a
# click on the tray icon brings the window up. With --no-tray there is no tray
# host: the window shows at once, so that it is never out of reach.
# Usage: start_hidden_test.sh WRENNOTE_EXE [--no-tray]
set -euo pipefail
exe="$1"
mode="${2:-}"
work="$(mktemp -d "${TMPDIR:-/tmp}/wrennote-tray-XXXXXX")"
xvfb="" tray="" app=""
cleanup() {
    for p in $app $tray $xvfb; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v trayer >/dev/null || fail "trayer is missing (scripts/deps.sh test)"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb WRENNOTE_HOME="$work/home" XDG_CONFIG_HOME="$work/config"
mkdir -p "$WRENNOTE_HOME" "$XDG_CONFIG_HOME/KESTON"
printf '[Misc]\nHideForm=1\nStayOn=1\n' >"$XDG_CONFIG_HOME/KESTON/WrenNOTE.ini"

caption='名称未設定 - WrenNOTE'
if [ "$mode" = --no-tray ]; then
    "$exe" -n >"$work/app.log" 2>&1 &
    app=$!
    timeout 15 xdotool search --sync --onlyvisible --name "^$caption\$" >/dev/null ||
        fail "no tray host, and the window did not show: $(cat "$work/app.log")"
    kill -0 "$app" 2>/dev/null || fail "the program ended"
    echo "1 passed, 0 failed"
    exit 0
fi

trayer --edge top --align left --widthtype request --height 32 --transparent false \
    >/dev/null 2>&1 &
tray=$!
panel="$(timeout 10 xdotool search --sync --onlyvisible --name '^panel$' | head -1)"
[ -n "$panel" ] || fail "no tray panel"

"$exe" -n >"$work/app.log" 2>&1 &
app=$!
# Docked: the panel grows to hold the icon.
for _ in $(seq 100); do
    width="$(xdotool getwindowgeometry "$panel" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')"
    [ "${width:-0}" -ge 16 ] && break
    kill -0 "$app" 2>/dev/null || fail "the program ended: $(cat "$work/app.log")"
    sleep 0.1
done
[ "${width:-0}" -ge 16 ] || fail "the tray icon did not dock"
sleep 1
if xdotool search --onlyvisible --name "^$caption\$" >/dev/null; then
    fail "the window showed although HideForm is on"
fi
kill -0 "$app" 2>/dev/null || fail "the program ended"

# A click on the icon in the panel.
eval "$(xdotool getwindowgeometry --shell "$panel")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
timeout 10 xdotool search --sync --onlyvisible --name "^$caption\$" >/dev/null ||
    fail "the tray icon did not bring the window up"
echo "1 passed, 0 failed"
