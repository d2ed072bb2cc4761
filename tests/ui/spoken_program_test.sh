#!/bin/sh
# Spoken lap times from the whole program: zirkato runs under Xvfb with SDL's
# disk audio driver as its sound output, a user's clip folder in the data
# directory, and the track simulation driving the cars. The test starts the
# simulation and a training through the program's own menu and buttons, stops
# the training after a while and ends the program with SIGTERM. Then the audio
# file must hold exactly the clips of the laps the race director's list shows,
# in their order, each clip whole, and nothing else.
#
# Every clip N is a constant tone of level (N+1)*100 whose first sample is the
# negative level, lasting 40+2N ms at 22050 Hz, so the file says which clips
# were played and whether any was cut.
BIN="$1"
[ -n "$BIN" ] || { echo "usage: $0 ZIRKATO"; exit 2; }
for tool in Xvfb xdotool python3; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool missing (scripts/install-deps.sh installs it)"; exit 1; }
done
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
DATA="$DIR/data"
mkdir -p "$DATA/Sounds"

python3 - "$DATA/Sounds" <<'EOF'
import struct, sys, wave
for n in range(40):
    frames = 22050 * (40 + 2 * n) // 1000
    level = (n + 1) * 100
    with wave.open(f"{sys.argv[1]}/{n}.wav", "wb") as w:
        w.setnchannels(1); w.setsampwidth(2); w.setframerate(22050)
        w.writeframes(struct.pack("<h", -level) + struct.pack("<h", level) * (frames - 1))
EOF

# A kept settings file: spoken lap times with three clips a lap (seconds,
# tenths, hundredths), and the standard lap window as the one opened at start. The simulation counts all eight lanes about every three
# seconds, faster than laps can be spoken: the training is stopped after two or
# three rounds, before the queue of twenty can fill, and the program runs on
# until every queued lap has been spoken.
cat >"$DATA/Zirkato.ini" <<'EOF'
[Valid]
ValIniFile= 10
[Audio]
Zeitansage= 1
[Kavelin Extension]
AudioNumDigits= 3
[AnsichtFenster]
Ansicht= 3
EOF

cat >"$DIR/drive.sh" <<EOF
#!/bin/sh
# Waits up to \${2:-20} seconds for a visible window whose title starts with \$1.
window() {
  n=0
  while [ "\$n" -lt \$((\${2:-20} * 10)) ]; do
    w=\$(xdotool search --onlyvisible --name "^\$1" 2>/dev/null | head -1)
    [ -n "\$w" ] && { echo "\$w"; return 0; }
    sleep 0.1; n=\$((n + 1))
  done
  return 1
}
"$BIN" --data-dir "$DATA" >"$DIR/log" 2>&1 &
pid=\$!
window "Zirkato\\\$" >/dev/null || { echo "no main window"; kill -TERM \$pid; exit 1; }
# Menu "Diagnose" -> "Simulation ohne Bahn starten" (its first entry); once
# more if a busy machine lost the keys.
lap=
for attempt in 1 2 3 4 5; do
  sleep 1
  xdotool key Escape
  # Looked up each time: the window found first can still be replaced at start.
  main=\$(window "Zirkato\\\$" 5) || continue
  xdotool windowfocus --sync "\$main" 2>/dev/null || continue
  xdotool key alt+d
  sleep 1
  xdotool key Return
  lap=\$(window "Training" 8) && break
done
[ -n "\$lap" ] || { echo "no lap window"; kill -TERM \$pid; exit 1; }
sleep 1
# The standard lap window (the kept settings open it) starts a race on "s" and
# stops it on "t", the keys a user at the track has.
xdotool windowactivate --sync "\$lap" 2>/dev/null || xdotool windowfocus --sync "\$lap"
xdotool key --window "\$lap" s
sleep 9
xdotool windowactivate --sync "\$lap" 2>/dev/null || xdotool windowfocus --sync "\$lap"
xdotool key --window "\$lap" t
sleep 15
kill -TERM \$pid
wait \$pid
echo "rc=\$?"
EOF

# A display of its own: the X server picks a free display number itself, so
# tests and other X programs running at the same time never share one.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$DIR/display" 2>"$DIR/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$DIR"' EXIT
n=0
# The number arrives as a whole line once the server accepts connections.
ready() { [ -f "$DIR/display" ] && [ "$(wc -l <"$DIR/display")" -ge 1 ]; }
while ! ready && [ "$n" -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
ready || { echo "FAIL: Xvfb did not start: $(cat "$DIR/xvfb.log")"; exit 1; }

# Under the address sanitizer the X11 and font libraries report their own
# allocations at exit; this test is about the audio, the unit tests check leaks.
DISPLAY=":$(head -1 "$DIR/display")" \
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$DIR/out.raw" \
  timeout 120 sh "$DIR/drive.sh" >"$DIR/drive.log" 2>&1
grep -q '^rc=0$' "$DIR/drive.log" || { echo "FAIL: program run: $(cat "$DIR/drive.log" "$DIR/log")"; exit 1; }
[ -s "$DIR/out.raw" ] || { echo "FAIL: no audio written: $(cat "$DIR/log")"; exit 1; }
[ -s "$DATA/_Test.txt" ] || { echo "FAIL: no race director list: $(cat "$DIR/log")"; exit 1; }

python3 - "$DIR/out.raw" "$DATA/_Test.txt" <<'EOF'
import array, re, sys
raw, director = sys.argv[1], sys.argv[2]

# The laps of the director's list ("Spur 1 R.0002 - 9.971  Zeit ..."), in order.
laps = []
for line in open(director, encoding="cp1252", errors="replace"):
    m = re.match(r"Spur (\d) R\.(\d+) - (\d+)\.(\d{3})\s", line)
    if m:
        laps.append(int(m.group(3)) * 1000 + int(m.group(4)))
if len(laps) < 8:
    sys.exit(f"FAIL: only {len(laps)} laps driven")
expected = []
for ms in laps:
    if ms < 40000:  # longer laps are not spoken
        expected += [ms // 1000, ms // 100 % 10, ms // 10 % 10]

length = lambda n: 22050 * (40 + 2 * n) // 1000
samples = array.array("h")
with open(raw, "rb") as f:
    data = f.read()
samples.frombytes(data[: len(data) // 2 * 2])
heard, i = [], 0
while i < len(samples):
    v = samples[i]
    if v == 0:
        i += 1
        continue
    if v > 0 or -v % 100 != 0:
        sys.exit(f"FAIL: sample {i} ({v}) is not the start of a clip")
    n = -v // 100 - 1
    body = samples[i + 1 : i + length(n)]
    if len(body) != length(n) - 1 or any(s != v * -1 for s in body):
        sys.exit(f"FAIL: clip {n} at sample {i} is cut or mixed")
    heard.append(n)
    i += length(n)
if heard != expected:
    sys.exit(f"FAIL: heard {heard}\n      laps {laps}\n  expected {expected}")
nonsilent = sum(1 for s in samples if s != 0)
assert nonsilent == sum(length(n) for n in expected)
print(f"ok: {len(laps)} laps, {len(heard)} clips, {nonsilent / 22050:.3f} s of speech")
EOF
