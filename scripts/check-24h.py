#!/usr/bin/env python3
"""Accounts for every crossing a zirkato-sim scenario drives, against its trace.

    check-24h.py SCENARIO TRACE [--wraps N]

Every `car` crossing must be either
  - evaluated: one `reaction` or `lap` line of its lane, at the first 100 ms
    cycle after the pulse has lasted MinLength ticks, with the right lap time; or
  - dropped by rule: its pulse began while the race was paused or in the
    restart light after a pause (the tick does not look at the sensors then).
Any other crossing, and any evaluated line without a crossing, is an error.
Lap times are checked exactly: the time between the two crossings (for the
first lap: from the green light, i.e. plus the reaction time), less
(pause - Nachzeit) for every pause longer than Nachzeit that lies between them.
The clock wraps of the trace are counted (from 2147483647 to -2147483648, and
from -1 to 0); with --wraps N their number must be N.
Prints a summary; exit status 0 when everything is accounted for.
"""
import bisect
import re
import shlex
import sys

MOD = 1 << 32


def main():
    if len(sys.argv) not in (3, 5) or (len(sys.argv) == 5 and sys.argv[3] != "--wraps"):
        sys.exit("usage: check-24h.py SCENARIO TRACE [--wraps N]")
    want_wraps = int(sys.argv[4]) if len(sys.argv) == 5 else None
    clock_start, min_length, nachzeit = 0, 10, 200
    cars = {l: [] for l in range(1, 9)}
    pauses, resumes = [], []
    for line in open(sys.argv[1], encoding="utf-8"):
        w = shlex.split(line.split("#")[0])
        if not w:
            continue
        if w[0] == "clock-start":
            clock_start = int(w[1])
        elif w[:3] == ["set", "LiZeit", "MinLength"]:
            min_length = int(w[3])
        elif w[:3] == ["set", "NachZeit", "Nachzeit"]:
            nachzeit = int(w[3])
        elif w[0] == "at" and w[2] == "car":
            cars[int(w[3])].append(int(w[1]))
        elif w[0] == "at" and w[2] == "pause":
            pauses.append(int(w[1]))
        elif w[0] == "at" and w[2] == "resume":
            resumes.append(int(w[1]))

    def scen(clock):  # trace clock -> scenario millisecond
        return (int(clock) - clock_start) % MOD

    phase_ms, phase_name = [0], ["idle"]
    evals = {l: [] for l in range(1, 9)}
    wraps = 0
    prev_clock = None
    startup = True
    for line in open(sys.argv[2], encoding="utf-8"):
        parts = line.split()
        clock = int(parts[0])
        # Start-up lines carry 0, before the first tick has read the clock.
        startup = startup and clock == 0 and clock_start != 0
        if startup:
            continue
        if prev_clock is not None and (clock < prev_clock - (1 << 30) or prev_clock < 0 <= clock):
            wraps += 1
        prev_clock = clock
        if parts[1] == "phase":
            phase_ms.append(scen(clock))
            phase_name.append(parts[2])
        elif parts[1] in ("lap", "reaction"):
            f = dict(kv.split("=") for kv in parts[2:])
            evals[int(f["lane"])].append((scen(clock), parts[1], f))

    def phase_at_tick(t):  # phase changes at ms M are seen from the tick of M+1 on
        return phase_name[bisect.bisect_left(phase_ms, t) - 1]

    def pause_credit(a, b):  # lap-time reduction for pauses between crossings a and b
        return sum(r - p - nachzeit for p, r in zip(pauses, resumes) if a < p and r < b and r - p > nachzeit)

    errors, driven, evaluated, dropped = [], 0, 0, 0
    for lane in range(1, 9):
        expect = []
        for t in cars[lane]:
            driven += 1
            ph = phase_at_tick(t)
            if ph in ("paused", "restart"):
                dropped += 1
            elif ph in ("racing", "afterrun"):
                expect.append(t)
            else:
                errors.append(f"lane {lane}: crossing at {t} in phase {ph}: no rule covers it")
        got = evals[lane]
        if len(got) != len(expect):
            errors.append(f"lane {lane}: {len(expect)} crossings to evaluate, {len(got)} evaluated")
        prev_t, prev_laps, reaction = None, 0, 0
        for t, (e, kind, f) in zip(expect, got):
            reg = t + min_length - 1
            if not reg <= e <= reg + 100:
                errors.append(f"lane {lane}: crossing at {t} (registered {reg}) evaluated at {e}")
            if kind == "lap":
                laps = int(f["laps"])
                if laps != prev_laps + 1:
                    errors.append(f"lane {lane}: lap count {laps} after {prev_laps} at {e}")
                prev_laps = laps
                if prev_t is not None:
                    want = t - prev_t + reaction - pause_credit(prev_t, t)
                    sek, ms = f["time"].split(".")
                    if int(sek) * 1000 + int(ms) != want:
                        errors.append(f"lane {lane}: lap at {e} time={f['time']}, expected {want} ms")
            reaction = int(f["ms"]) if kind == "reaction" else 0
            prev_t = t
            evaluated += 1
    if want_wraps is not None and wraps != want_wraps:
        errors.append(f"the clock wrapped {wraps} times, expected {want_wraps}")
    print(f"driven {driven}, evaluated {evaluated}, dropped in a pause {dropped}, "
          f"clock wraps seen {wraps}, errors {len(errors)}")
    for e in errors[:50]:
        print("  " + e)
    sys.exit(1 if errors else 0)


if __name__ == "__main__":
    main()
