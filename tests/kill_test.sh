#!/bin/sh
# Kills "zirkato-ini set" with SIGKILL at random moments of its save. After every
# kill the settings file must be the old or the new version, byte for byte; at the
# end a following save must leave no temporary file behind.
#
#   kill_test.sh ZIRKATO_INI [RUNS]     (ZK_KILL_RUNS overrides RUNS; default 100)
BIN="$1"
RUNS="${ZK_KILL_RUNS:-${2:-100}}"
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
F="$DIR/Zirkato.ini"

# A file of about 300 KB, so that a kill can land inside the write.
awk 'BEGIN { print "[K]"; print "v=0"; print "[Pad]";
             for (i = 0; i < 5000; i++) printf "p%d=%s\n", i, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx" }' >"$F"
cp "$F" "$DIR/old"

rand() { od -An -N4 -tu4 /dev/urandom | tr -d ' '; }
now_us() { echo $(($(date +%s%N) / 1000)); }

# How long one save takes here; kills fall anywhere from 0 to twice that.
t0=$(now_us)
for i in 1 2 3 4 5; do "$BIN" set "$F" K v "c$i" || fail "calibration save"; done
span=$(( ($(now_us) - t0) / 5 ))
"$BIN" set "$F" K v 0 || fail "reset"
cp "$F" "$DIR/old"

new=0 old=0 mid=0
i=1
while [ "$i" -le "$RUNS" ]; do
  sed "s/^v=.*/v=$i/" "$DIR/old" >"$DIR/new"
  "$BIN" set "$F" K v "$i" 2>/dev/null &
  pid=$!
  us=$(( $(rand) % (2 * span + 1) ))
  sleep "$(printf '0.%06d' "$us")"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  ls -A "$DIR" | grep -q '^\.Zirkato\.ini\.tmp-' && mid=$((mid + 1))
  if cmp -s "$F" "$DIR/new"; then
    new=$((new + 1))
    cp "$DIR/new" "$DIR/old"
  elif cmp -s "$F" "$DIR/old"; then
    old=$((old + 1))
  else
    fail "run $i: the file is neither the old nor the new version"
  fi
  i=$((i + 1))
done

# A following save removes what the killed ones left.
"$BIN" set "$F" K v final || fail "final save"
grep -q '^v=final$' "$F" || fail "final save not in the file"
ls -A "$DIR" | grep -q '^\.Zirkato\.ini\.tmp-' && fail "temporary files left: $(ls -A "$DIR")"
echo "ok: $RUNS kills (one save ~${span} us): $new new, $old old version; $mid times a temporary file was left (killed within the save), each removed by a later save"
