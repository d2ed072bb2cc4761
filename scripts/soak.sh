#!/bin/sh
# Generates a long race scenario, replays it and accounts for every crossing.
#   soak.sh ZIRKATO_SIM MINUTES WORKDIR [gen-24h.py options...]
# The run must pass one 32-bit clock wrap. Exit status 0 when the checker finds every crossing evaluated or dropped by rule.
set -e
sim=$1 minutes=$2 dir=$3
shift 3
here=$(dirname "$0")
mkdir -p "$dir"
python3 "$here/gen-24h.py" --minutes "$minutes" "$@" > "$dir/race.scn"
"$sim" "$dir/race.scn" > "$dir/race.trace"
python3 "$here/check-24h.py" "$dir/race.scn" "$dir/race.trace" --wraps 1
