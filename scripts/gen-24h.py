#!/usr/bin/env python3
"""Writes a long zirkato-sim scenario: eight lanes, laps of 3-8 s, pauses, and a
millisecond clock that passes its 32-bit wrap (2147483647 -> -2147483648) once.

    gen-24h.py [--minutes 1440] [--seed 1] [--wrap-at MS] [--wrap-to-zero] > race.scn

The race is a training run started with the start light. The wrap falls at
scenario millisecond --wrap-at (default: a third of the run) and one pause spans
it. With --wrap-to-zero the clock passes the other 32-bit wrap instead, from
4294967295 (-1 as a signed value) to 0. While a pause (and its restart light) lasts, some cars still roll over the
line; the tick does not look at the sensors then, so scripts/check-24h.py
expects those crossings to be dropped. All other crossings must be evaluated.
"""
import argparse
import random
import sys

WRAP = 1 << 31        # the signed 32-bit clock jumps from 2147483647 to -2147483648 here
START_MS = 1000       # start button
FIRST_CAR_MS = 9000   # start light (interval 800) is green at 6600; cars come later
RESTART_MS = 9000     # cars wait this long after "resume" (restart light ~5.6 s)
QUIET_MS = 600        # no crossing this close before a pause or after a pause begins
LANES = 8


def pauses(rng, minutes, wrap_at):
    end = minutes * 60000
    out = [(wrap_at - 30000, wrap_at + 90000)]  # a pause across the wrap
    # Further pauses of 1-15 min roughly every 2-3 h (once in short runs).
    t = FIRST_CAR_MS + 60000
    gap_lo, gap_hi = (7200000, 10800000) if minutes >= 360 else (end // 4, end // 3)
    while True:
        t += rng.randint(gap_lo, gap_hi)
        length = rng.randint(60000, 900000) if minutes >= 360 else rng.randint(20000, 60000)
        if t + length + RESTART_MS + 60000 > end:
            break
        if all(t + length + RESTART_MS + 30000 < a or t > b + RESTART_MS + 30000 for a, b in out):
            out.append((t, t + length))
    return sorted(out)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--minutes", type=int, default=1440)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--wrap-at", type=int, default=None, help="scenario ms at which the clock wraps")
    ap.add_argument("--wrap-to-zero", action="store_true", help="wrap from -1 to 0 instead")
    a = ap.parse_args()
    end = a.minutes * 60000
    if not 0 < end <= 86400000:
        sys.exit("gen-24h.py: --minutes must be 1..1440")
    wrap_at = a.wrap_at if a.wrap_at is not None else end // 3
    rng = random.Random(a.seed)
    ps = pauses(rng, a.minutes, wrap_at)

    wrap = (1 << 32) if a.wrap_to_zero else WRAP
    out = [f"# generated: gen-24h.py --minutes {a.minutes} --seed {a.seed} --wrap-at {wrap_at}"
           + (" --wrap-to-zero" if a.wrap_to_zero else ""),
           f"clock-start {wrap - wrap_at}",
           "set LiZeit Minimum 500", "set LiZeit MinLength 3", "set NachZeit Nachzeit 200",
           "set Startampel Interval 800"]
    for n in range(1, LANES + 1):
        out += [f"set Masken MS{n} {1 << (n - 1)}", f"set Masken CS{n} {1 << (n - 1)}",
                f'set "Aktive Spuren" "Spur {n}" 1']
    events = [(START_MS, "start")]
    for p, r in ps:
        events += [(p, "pause"), (r, "resume")]

    def blocked(t, d):
        """Where a crossing at t with pulse d would fall: 'race', 'pause' or None (too close to a change)."""
        for p, r in ps:
            if p - QUIET_MS <= t < p + QUIET_MS:
                return None
            if p + QUIET_MS <= t and t + d + QUIET_MS < r:
                return "pause"
            if r - QUIET_MS <= t < r + RESTART_MS:
                return None
        return "race"

    for lane in range(1, LANES + 1):
        t = FIRST_CAR_MS + rng.randint(0, 3000)
        while t < end - 2000:
            d = rng.randint(10, 30)
            where = blocked(t, d)
            # In a pause a car crosses only now and then (pushed back to the pits).
            if where == "race" or (where == "pause" and rng.random() < 0.3):
                events.append((t, f"car {lane} {d}"))
            t += rng.randint(3000, 8000)
    events.sort(key=lambda e: e[0])
    out += [f"at {ms} {what}" for ms, what in events]
    out.append(f"end {end}")
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
