#!/usr/bin/env bash
# Runs the screenshot tour at 1024x768 and 1280x800, each on its own Xvfb screen
# with a window manager (openbox) that keeps 40 pixels free at the bottom the
# way a panel does. Pictures go to OUTDIR/WIDTHxHEIGHT; fails when the tour
# finds a window whose frame does not fit the screen.
# Usage: scripts/screenshot-tour.sh TOUR_BINARY OUTDIR
set -euo pipefail
tour=$1
out=$2
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
cat >"$work/rc.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <margins><top>0</top><bottom>40</bottom><left>0</left><right>0</right></margins>
</openbox_config>
XML
status=0
for size in 1024x768 1280x800; do
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  pids+=("$xvfb")
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  display=":$(cat "$work/display")"
  : >"$work/display"
  DISPLAY=$display openbox --config-file "$work/rc.xml" >/dev/null 2>&1 &
  wm=$!
  pids+=("$wm")
  # The window manager owns the screen once it has set the work area.
  for _ in $(seq 100); do
    DISPLAY=$display xprop -root _NET_WORKAREA 2>/dev/null | grep -q '=' && break
    sleep 0.1
  done
  mkdir -p "$out/$size"
  # Under the address sanitizer the X11, D-Bus and font libraries report their
  # own allocations at exit; this is a test of window sizes, the unit tests
  # check leaks.
  if ! DISPLAY=$display QT_QPA_PLATFORM=xcb ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
      "$tour" "$out/$size"; then
    echo "screenshot-tour: windows too large at $size" >&2
    status=1
  fi
  kill "$wm" "$xvfb" 2>/dev/null || true
  wait "$wm" "$xvfb" 2>/dev/null || true
done
exit $status
