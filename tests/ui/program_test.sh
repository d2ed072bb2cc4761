#!/bin/sh
# The zirkato program as a whole: without a display it says in one line how to
# start it; SIGTERM closes it through the normal shutdown, which writes the
# settings file and never waits for a click on a message box.
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

# Starts the program on $DIR2, sends SIGTERM after two seconds and waits at most
# ten seconds for it to end; sets rc.
term_within() {
  QT_QPA_PLATFORM=offscreen "$BIN" --data-dir "$DIR2" >"$DIR2/log" 2>&1 &
  pid=$!
  sleep 2
  kill -0 "$pid" 2>/dev/null || fail "$1: program ended by itself: $(cat "$DIR2/log")"
  kill -TERM "$pid"
  n=0
  while kill -0 "$pid" 2>/dev/null && [ "$n" -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    fail "$1: still running 10 s after SIGTERM: $(cat "$DIR2/log")"
  fi
  wait "$pid"
  rc=$?
}
DIR2="$DIR/second"

# A read-only settings file: said at start; the failed save at the end is only logged.
mkdir "$DIR2"
printf '[Valid]\nValIniFile= 10\n' >"$DIR2/Zirkato.ini"
chmod 444 "$DIR2/Zirkato.ini"
term_within "read-only"
[ "$rc" -eq 0 ] || fail "read-only: status $rc: $(cat "$DIR2/log")"
grep -q "Fehler beim Speichern" "$DIR2/log" || fail "read-only: save failure not logged: $(cat "$DIR2/log")"
[ "$(cat "$DIR2/Zirkato.ini")" = "$(printf '[Valid]\nValIniFile= 10')" ] || fail "read-only file changed"

# A FIFO as settings file neither blocks the start nor is replaced.
rm -rf "$DIR2" && mkdir "$DIR2"
mkfifo "$DIR2/Zirkato.ini"
term_within "fifo"
[ "$rc" -eq 0 ] || fail "fifo: status $rc: $(cat "$DIR2/log")"
[ -p "$DIR2/Zirkato.ini" ] || fail "fifo replaced"
ls -A "$DIR2" | grep -q tmp && fail "fifo: temporary file left: $(ls -A "$DIR2")"

# SIGINT the same way.
QT_QPA_PLATFORM=offscreen "$BIN" --data-dir "$DIR" >"$DIR/log" 2>&1 &
pid=$!
sleep 2
kill -INT "$pid"
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "SIGINT: status $rc: $(cat "$DIR/log")"
echo "ok"
