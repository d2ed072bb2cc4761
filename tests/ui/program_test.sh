#!/bin/sh
# The zirkato program as a whole: without a display it says in one line how to
# start it; SIGTERM closes it through the normal shutdown, which writes the
# settings file.
BIN="$1"
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$BIN" --data-dir "$DIR" 2>&1)
rc=$?
[ "$rc" -eq 3 ] || fail "no display: status $rc, expected 3"
[ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || fail "no display: more than one line: $out"
printf '%s' "$out" | grep -q "Kein Bildschirm" || fail "no German hint: $out"
printf '%s' "$out" | grep -q "No display" || fail "no English hint: $out"
printf '%s' "$out" | grep -q "xvfb-run" || fail "no xvfb-run hint: $out"
[ ! -e "$DIR/Zirkato.ini" ] || fail "settings written without a display"

QT_QPA_PLATFORM=offscreen "$BIN" --data-dir "$DIR" >"$DIR/log" 2>&1 &
pid=$!
sleep 2
kill -0 "$pid" 2>/dev/null || fail "program ended by itself: $(cat "$DIR/log")"
kill -TERM "$pid"
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "SIGTERM: status $rc: $(cat "$DIR/log")"
grep -q '^\[OpenWindows\]' "$DIR/Zirkato.ini" || fail "open windows not written"
grep -q '^ValIniFile= 10' "$DIR/Zirkato.ini" || fail "settings not written (first run saves all)"

# SIGINT the same way.
QT_QPA_PLATFORM=offscreen "$BIN" --data-dir "$DIR" >"$DIR/log" 2>&1 &
pid=$!
sleep 2
kill -INT "$pid"
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "SIGINT: status $rc: $(cat "$DIR/log")"
echo "ok"
