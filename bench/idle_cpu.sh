#!/bin/sh
# CPU use of the whole program while no race runs: the zirkato binary on the
# offscreen platform with 1 or 8 lap windows open, for both wake-up modes of
# the 1 ms thread. Prints user + system CPU in % of one core over SECONDS.
#   idle_cpu.sh ZIRKATO [SECONDS]
BIN=$1
SECS=${2:-30}
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
tck=$(getconf CLK_TCK)

# A first run writes the first-run settings file.
QT_QPA_PLATFORM=offscreen "$BIN" --data-dir "$DIR" >/dev/null 2>&1 &
pid=$!
sleep 3
kill -TERM "$pid"; wait "$pid"
cp "$DIR/Zirkato.ini" "$DIR/base.ini"

cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }

for spin in 0 1; do
    for windows in 1 8; do
        sed -e "s/^Wecken= .*/Wecken= $((spin + 1))/" -e "s/^OpenTimeWindows= .*/OpenTimeWindows= 1/" "$DIR/base.ini" > "$DIR/Zirkato.ini"
        keys="Std4Open"
        [ "$windows" -eq 8 ] && keys="Std4Open KV2LaneOpen KV3LaneOpen KV4LaneOpen KV6LaneOpen KV8LaneOpen KV4NeuLaneOpen KV48NeuLaneOpen"
        for k in $keys; do sed -i "s/^$k=.*/$k=-1/" "$DIR/Zirkato.ini"; done
        [ "$(grep -c '=-1$' "$DIR/Zirkato.ini")" -eq "$windows" ] || { echo "window keys not found"; exit 1; }
        QT_QPA_PLATFORM=offscreen "$BIN" --data-dir "$DIR" >/dev/null 2>&1 &
        pid=$!
        sleep 5
        a=$(cpu "$pid"); sleep "$SECS"; b=$(cpu "$pid")
        kill -TERM "$pid"; wait "$pid"
        echo "spin $spin, $windows window(s): $(echo "$a $b $tck $SECS" | awk '{printf "%.2f", ($2 - $1) / $3 / $4 * 100}') % of one core"
    done
done
