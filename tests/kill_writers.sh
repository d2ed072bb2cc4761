#!/bin/sh
# Kills the replay with SIGKILL while it writes the race director's list
# (_Test.txt), the lap file (Runden.dat), the workbooks (Savelaps_*.xlsx), the
# result files (Ergebnisse/*.csv, *.html) and the race log (Logfile.txt):
#  1. at random moments of a whole replay, RUNS times;
#  2. placed by strace at every link/rename of one replay, one kill each.
# After every kill a next start (a short replay on the same data directory that
# switches recording on and off) must leave:
#  - no temporary file, in the data directory or in Ergebnisse/;
#  - every result as a pair: NAME.csv and NAME.html;
#  - every workbook a whole zip archive, every line of _Test.txt whole;
#  - Runden.dat a whole number of 13-byte records;
#  - Logfile.txt ending with a whole line.
#
#   kill_writers.sh ZIRKATO_SIM SOURCE_DIR [RUNS]   (ZK_KILL_RUNS overrides RUNS; default 100)
SIM="$1"
SRC="$2"
RUNS="${ZK_KILL_RUNS:-${3:-100}}"
TOP=$(mktemp -d)
trap 'rm -rf "$TOP"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
rand() { od -An -N4 -tu4 /dev/urandom | tr -d ' '; }
now_us() { echo $(($(date +%s%N) / 1000)); }
have_unzip=0
command -v unzip >/dev/null && have_unzip=1

START="$TOP/start.scn"
printf 'at 100 record on\nat 200 record off\nend 300\n' >"$START"
SCENARIOS="$SRC/examples/director-export.scn $SRC/examples/club.scn"

# A fresh data directory every 50 kills: results of the same minute are
# numbered, and the numbers end at 999.
round=0
fresh() { round=$((round + 1)); D="$TOP/d$round"; mkdir -p "$D"; }
fresh

left=0 half=0
check() {  # $1: what was killed
  # What the kill left for the next start to clear up.
  left=$((left + $(ls -A "$D" "$D/Ergebnisse" 2>/dev/null | grep -c '^\..*\.tmp')))
  for f in "$D"/Ergebnisse/*.csv; do
    [ -e "$f" ] && [ ! -e "${f%.csv}.html" ] && half=$((half + 1))
  done
  "$SIM" --data-dir "$D" "$START" >/dev/null 2>&1 || fail "$1: the next start failed"
  tmps=$(ls -A "$D" "$D/Ergebnisse" 2>/dev/null | grep '^\..*\.tmp')
  [ -z "$tmps" ] || fail "$1: temporaries left after the next start: $tmps"
  if [ -d "$D/Ergebnisse" ]; then
    for f in "$D"/Ergebnisse/*.csv "$D"/Ergebnisse/*.html; do
      [ -e "$f" ] || continue
      stem=${f%.*}
      [ -e "$stem.csv" ] && [ -e "$stem.html" ] || fail "$1: result without its partner: $f"
    done
  fi
  for f in "$D"/Savelaps_*.xlsx; do
    [ -e "$f" ] || continue
    [ -e "$f.ok" ] && continue
    if [ "$have_unzip" = 1 ]; then unzip -tqq "$f" >/dev/null 2>&1 || fail "$1: torn workbook $f"; fi
    : >"$f.ok"
  done
  if [ -s "$D/_Test.txt" ]; then
    [ "$(tail -c1 "$D/_Test.txt" | od -An -c | tr -d ' ')" = '\n' ] || fail "$1: torn _Test.txt"
  fi
  if [ -e "$D/Runden.dat" ]; then
    [ $(($(stat -c %s "$D/Runden.dat") % 13)) -eq 0 ] || fail "$1: torn lap record left in Runden.dat"
  fi
  if [ -s "$D/Logfile.txt" ]; then
    [ "$(tail -c1 "$D/Logfile.txt" | od -An -c | tr -d ' ')" = '\n' ] || fail "$1: torn Logfile.txt"
  fi
}

# How long each replay takes here; kills fall anywhere from 0 to that.
spans=""
for scn in $SCENARIOS; do
  t0=$(now_us)
  "$SIM" --data-dir "$D" "$scn" >/dev/null 2>&1 || fail "calibration run of $scn"
  spans="$spans $(( $(now_us) - t0 ))"
done
check "calibration"

random=0
i=1
while [ "$i" -le "$RUNS" ]; do
  n=$(( $(rand) % 2 + 1 ))
  scn=$(echo $SCENARIOS | cut -d' ' -f$n)
  span=$(echo $spans | cut -d' ' -f$n)
  "$SIM" --data-dir "$D" "$scn" >/dev/null 2>&1 &
  pid=$!
  us=$(( $(rand) % (span + 1) ))
  sleep "$(printf '%d.%06d' $((us / 1000000)) $((us % 1000000)))"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  check "random kill $i of $(basename "$scn")"
  random=$((random + 1))
  [ $((i % 50)) -eq 0 ] && fresh
  i=$((i + 1))
done

# Kills placed at each link and rename of a whole replay.
placed=0
if command -v strace >/dev/null && strace -o /dev/null true 2>/dev/null; then
  for scn in $SCENARIOS; do
    fresh
    calls=$(strace -f -qq -e trace=link,linkat,rename,renameat,renameat2 -o "$TOP/calls" \
      "$SIM" --data-dir "$D" "$scn" >/dev/null 2>&1; grep -c -E 'link|rename' "$TOP/calls")
    k=1
    while [ "$k" -le "$calls" ]; do
      fresh
      strace -f -qq -o /dev/null -e trace=link,linkat,rename,renameat,renameat2 \
        -e inject=link,linkat,rename,renameat,renameat2:signal=KILL:when=$k \
        "$SIM" --data-dir "$D" "$scn" >/dev/null 2>&1
      check "kill at call $k of $calls of $(basename "$scn")"
      placed=$((placed + 1))
      k=$((k + 1))
    done
  done
fi
echo "ok: $random random kills, $placed kills placed at a link/rename; 0 torn or lost files, 0 temporaries after the next start"
echo "    the kills left $left temporaries and $half results without their page; the next start removed or finished each"
