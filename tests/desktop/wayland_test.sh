#!/usr/bin/env bash
# Runs the Wayland clipping tests and `wrennote --clip` inside a private
# headless sway (wlroots, with data control). sway refuses to run as root:
# run as root, this script makes (once) an unprivileged user "wrentest" and
# runs everything as that user from a scratch folder of copies.
# Usage: wayland_test.sh TEST_PROGRAM WRENNOTE_EXE. Exits 77 (skipped) without sway.
set -u
skip() { echo "SKIPPED: $*" >&2; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in sway wl-copy wl-paste; do
    command -v "$tool" >/dev/null || skip "$tool is missing (scripts/deps.sh test)"
done
[ -e /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so ] ||
    ls /usr/lib/*/qt6/plugins/platforms/libqwayland-*.so >/dev/null 2>&1 ||
    skip "Qt's Wayland platform is missing (qt6-wayland)"
tests="$1" exe="$2"

if [ -z "${WREN_IN_WAYLAND_TEST:-}" ]; then
    work="$(mktemp -d "${TMPDIR:-/tmp}/wrennote-wayland-XXXXXX")"
    trap 'rm -rf "$work"' EXIT
    cp "$tests" "$work/tests"; cp "$exe" "$work/wrennote"; cp "$0" "$work/run.sh"
    chmod 755 "$work" "$work/tests" "$work/wrennote" "$work/run.sh"
    if [ "$(id -u)" = 0 ]; then
        id wrentest >/dev/null 2>&1 || useradd -m wrentest >/dev/null 2>&1 ||
            skip "running as root, and no unprivileged user could be made for sway"
        chown -R wrentest "$work"
        runuser -u wrentest -- env WREN_IN_WAYLAND_TEST=1 WORK="$work" PATH="$PATH" \
            "$work/run.sh" "$work/tests" "$work/wrennote"
        exit $?
    fi
    WREN_IN_WAYLAND_TEST=1 WORK="$work" "$work/run.sh" "$work/tests" "$work/wrennote"
    exit $?
fi

export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/rt" XDG_CONFIG_HOME="$WORK/home/cfg"
export WRENNOTE_HOME="$WORK/home/wh"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$WRENNOTE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
printf 'output HEADLESS-1 resolution 1024x768\n' >"$WORK/sway.cfg"
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$WORK/sway.cfg" >"$WORK/sway.log" 2>&1 &
sway=$!
trap 'kill $sway ${app:-} 2>/dev/null' EXIT
for _ in $(seq 100); do ls "$XDG_RUNTIME_DIR"/wayland-? >/dev/null 2>&1 && break; sleep 0.1; done
socket="$(ls "$XDG_RUNTIME_DIR"/wayland-? 2>/dev/null | head -1)"
[ -n "$socket" ] || skip "sway did not start: $(tail -3 "$WORK/sway.log")"
export WAYLAND_DISPLAY="$(basename "$socket")" QT_QPA_PLATFORM=wayland

WRENNOTE_EXE="$2" "$1" || fail "the Wayland clipping tests under sway"
kill $sway 2>/dev/null; wait $sway 2>/dev/null

# weston: a compositor without data control.
if command -v weston >/dev/null; then
    weston --backend=headless-backend.so --socket=wayland-wt --idle-time=0 \
        >"$WORK/weston.log" 2>&1 &
    sway=$!
    for _ in $(seq 100); do [ -e "$XDG_RUNTIME_DIR/wayland-wt" ] && break; sleep 0.1; done
    [ -e "$XDG_RUNTIME_DIR/wayland-wt" ] || fail "weston did not start: $(tail -3 "$WORK/weston.log")"
    WAYLAND_DISPLAY=wayland-wt WREN_COMPOSITOR=weston WRENNOTE_EXE="$2" "$1" ||
        fail "the Wayland clipping tests under weston"
else
    echo "weston is missing: the test without data control did not run" >&2
fi
echo "passed"
