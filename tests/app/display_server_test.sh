#!/usr/bin/env bash
# display_server_test.sh DORMO [SCREENSHOT]: Dormo, First run page due, on a Wayland compositor of
# the test's own (weston, headless) shows exactly one top-level window and ends with code 0 on
# SIGTERM. SCREENSHOT receives the window as PNG. Needs root (else exit code 77, skipped).
set -euo pipefail
dormo=$1 shot=${2:-}
skip() { echo "skipped: $1"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root for a private network namespace"
command -v weston >/dev/null && command -v weston-debug >/dev/null || skip "no weston"

work=$(mktemp -d)
mkdir -m 700 "$work/runtime" "$work/config"
server="" dormo_pid=""
cleanup() {
  [ -n "$dormo_pid" ] && kill -KILL "$dormo_pid" 2>/dev/null || true
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $1"; cat "$work/dormo.log" "$work/server.log" 2>/dev/null; exit 1; }
# Waits up to 30 s for a command to succeed.
wait_for() { for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done; return 1; }

export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config
unset DISPLAY
# Qt's Wayland plugin leaves some of libwayland-client's data at exit, out of our reach.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export WAYLAND_DISPLAY=dormo-test-$$ QT_QPA_PLATFORM=wayland
weston --backend=headless-backend.so --use-pixman --debug --no-config --idle-time=0 \
  --socket="$WAYLAND_DISPLAY" --width=1024 --height=768 >"$work/server.log" 2>&1 &
server=$!
wait_for test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "no weston"

unshare --net sh -c 'ip link set lo up && exec "$0"' "$dormo" >"$work/dormo.log" 2>&1 &
dormo_pid=$!

# The program's top-level windows that are shown, one line each.
windows() {
  rm -f "$work/scene"
  (cd "$work" && timeout 10 weston-debug -o "$work/scene" scene-graph >/dev/null 2>&1) || true
  grep -E "^[[:space:]]*View .*PID $dormo_pid," "$work/scene" || true
}
shown() { [ -n "$(windows)" ]; }
wait_for shown || fail "no window"
# The page opens first thing in the program's loop; were it a window, it would be mapped by now.
sleep 2
listed=$(windows)
[ "$(grep -c . <<<"$listed")" -eq 1 ] || fail "top-level windows: $listed"
grep -q "role xdg_toplevel" <<<"$listed" || fail "not a top-level"

if [ -n "$shot" ]; then
  mkdir -p "$(dirname "$shot")"
  (cd "$work" && timeout 20 weston-screenshooter)
  # The window's place on the output: "position: (x, y) -> (x2, y2)" under its view.
  read -r x y x2 y2 < <(grep -A1 -E "View .*PID $dormo_pid," "$work/scene" |
    sed -nE 's/.*position: \(([0-9-]+), ([0-9-]+)\) -> \(([0-9-]+), ([0-9-]+)\).*/\1 \2 \3 \4/p')
  convert "$work"/wayland-screenshot-*.png -crop "$((x2 - x))x$((y2 - y))+$x+$y" +repage "$shot"
  echo "screenshot: $shot"
fi

kill -TERM "$dormo_pid"
timeout 30 tail --pid="$dormo_pid" -f /dev/null || fail "still running 30 s after SIGTERM"
wait "$dormo_pid" && code=0 || code=$?
dormo_pid=""
[ "$code" -eq 0 ] || fail "exit code $code after SIGTERM"
echo "PASS: one top-level window on Wayland; SIGTERM ended the program with code 0"
