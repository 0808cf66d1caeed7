#!/usr/bin/python3
"""Compares the program's QARTOD flags with those of the reference
implementation (ioos_qc's qartod module, imported from PYTHONPATH) over a
table of edge cases and over generated profiles with faults injected.

    check_qartod.py QARTOD_FLAGS

The reference truncates time differences to whole seconds; the program takes
the real difference. To compare the two on scans less than a second apart,
the reference gets the times in units of 1/2048 s (every time here is a
multiple of 1/1024 s, so its whole units lose nothing) and the thresholds
converted to those units; powers of two keep every quotient exact.

Exit 77 (a skipped test) when the reference cannot be imported."""
import math
import random
import subprocess
import sys

try:
    import numpy as np
    from ioos_qc import qartod
except ImportError as e:
    print(f"check_qartod: skipped, {e} (PYTHONPATH must hold ../shared/tools/ioos_qc; "
          "see its USAGE.md for the Debian packages)")
    sys.exit(77)

SCALE = 2048
NAN = math.nan

# Settings: fail span, suspect span, spike suspect/fail, rate suspect/fail
# (per second), flat line suspect/fail (whole seconds), tolerance.
BASE = dict(fail=(-5.0, 40.0), suspect=(-2.0, 30.0), spike=(0.5, 2.0), rate=(1.0, 5.0),
            flat=(3, 6), tolerance=0.01)


def case(values, times=None, **settings):
    times = times if times is not None else [float(i) for i in range(len(values))]
    return dict(BASE, values=[float(v) for v in values], times=[float(t) for t in times], **settings)


EDGE_CASES = [
    case([]),
    case([1]),
    case([NAN]),
    case([1, 2]),
    case([50, NAN], name="fewer than three scans, one missing, one out of range"),
    case([10, 10, 10]),
    case([10, 11, 10, 30, 10, 10.5, 10.5]),                 # spikes inside
    case([25, 10, 10, 10, -3]),                             # spikes at the ends
    case([10, NAN, 12, 10, NAN, NAN, 10, 14]),              # missing neighbours
    case([NAN, 10, 20, 10, NAN]),
    case([-6, -5, -2, -1.999, 30, 30.001, 40, 40.5, 1e300, -math.inf, math.inf]),  # span edges
    case([10, 10.5, 11, 11.5, 16.5, 16.5]),                 # rate exactly at and above thresholds
    case([10, 12, 10], times=[0, 1, 1]),                    # equal times
    case([10, 10.3, 10.6, 11.6, 11.8], times=[0, 0.25, 0.5, 0.75, 1.0]),  # steps below a second
    case([10, 10.6, 10.9, 14, 14.2], times=[100.5, 100.75, 101.25, 101.5, 103.0]),
    case([10, 10, 10, 10.001, 10, 10, 10, 10, 10, 11]),     # a flat run longer than both durations
    case([10, 10, 10, 11, 10, 10, 11, 10, 10, 10, 12]),     # flat runs shorter than the durations
    case([10, NAN, 10, NAN, 10, 10, 10, 10, 12]),           # a flat run with gaps
    case([NAN, NAN, NAN, NAN, NAN, 10]),
    case([10] * 8, times=[i * 0.5 for i in range(8)]),       # half-second steps: longer windows
    case([10] * 8, times=[0, 1, 2, 4, 6, 8, 10, 12]),        # even count: median of two
    case([10] * 6, flat=(10, 20)),                           # windows longer than the profile
    case([10] * 6, flat=(0, 1)),                             # windows of one scan
    case([10, 11, 12, 13], tolerance=0.0),
    case([10, 11, 10, 11], spike=(0.0, 0.0), rate=(0.5, NAN)),  # no spike thresholds, no rate fail
]


def generated(seed, count=200):
    """Profiles of a random walk with spikes, steps, stuck runs, gaps and
    values out of range injected, on times with steps of 1/1024 s to 3 s."""
    rng = random.Random(seed)
    cases = []
    for _ in range(count):
        n = rng.randint(0, 120)
        step = rng.choice([0.25, 0.5, 1.0, 1.5, 2.0, 3.0])
        times, t = [], rng.randint(0, 100000) / 1024
        for _ in range(n):
            times.append(t)
            t += step + rng.choice([0, 0, 0, rng.randint(-200, 200) / 1024])
        values, v = [], rng.uniform(0, 25)
        for _ in range(n):
            v += rng.gauss(0, 0.3)
            values.append(v)
        for _ in range(rng.randint(0, 6)):
            if n == 0:
                break
            i = rng.randrange(n)
            fault = rng.choice(["spike", "nan", "stuck", "range", "step"])
            if fault == "spike":
                values[i] += rng.choice([-1, 1]) * rng.uniform(0.3, 5)
            elif fault == "nan":
                for j in range(i, min(n, i + rng.randint(1, 3))):
                    values[j] = NAN
            elif fault == "stuck":
                for j in range(i, min(n, i + rng.randint(2, 25))):
                    values[j] = values[i] + rng.uniform(-0.004, 0.004)
            elif fault == "range":
                values[i] = rng.choice([-3.0, -8.0, 33.0, 45.0])
            else:
                for j in range(i, n):
                    values[j] += 3.0
        flat = sorted((rng.randint(1, 12), rng.randint(1, 30)))
        spike = sorted((rng.uniform(0.1, 1), rng.uniform(0.5, 3)))
        rate = sorted((rng.uniform(0.2, 2), rng.uniform(1, 6)))
        cases.append(case(values, times, flat=tuple(flat), spike=tuple(spike), rate=tuple(rate),
                          tolerance=rng.choice([0.0, 0.001, 0.01, 0.05])))
    return cases


def reference(c):
    """The reference's flags for a case: gross, spike, rate, flat, aggregate."""
    values = np.array(c["values"], dtype=np.float64)
    n = len(values)
    if n == 0:
        return [[]] * 5
    ns = (np.array(c["times"]) * SCALE).astype(np.int64) * 1_000_000_000
    times = ns.astype("datetime64[ns]")
    gross = qartod.gross_range_test(values, fail_span=c["fail"], suspect_span=c["suspect"])
    spike = qartod.spike_test(values, suspect_threshold=c["spike"][0], fail_threshold=c["spike"][1],
                              method="average")
    fail = c["rate"][1]
    rate = qartod.rate_of_change_test(values, times, c["rate"][0] / SCALE,
                                      None if math.isnan(fail) else fail / SCALE)
    flat = qartod.flat_line_test(values, times, c["flat"][0] * SCALE, c["flat"][1] * SCALE, c["tolerance"])
    flat = np.asarray(flat)
    if n < 3:
        # Ours: a missing value is missing in a short profile too.
        flat = np.where(np.isfinite(values), flat, 9)
    tests = [np.asarray(gross), np.asarray(spike), np.asarray(rate), flat]
    aggregate = qartod.qartod_compare(tests)
    return [list(map(int, t)) for t in tests + [np.asarray(aggregate)]]


def line(c):
    numbers = [*c["fail"], *c["suspect"], *c["spike"], *c["rate"], *c["flat"], c["tolerance"], len(c["values"])]
    numbers += c["values"] + c["times"]
    return " ".join(repr(float(x)) for x in numbers)


def main():
    program = sys.argv[1]
    cases = EDGE_CASES + generated(1) + generated(2)
    out = subprocess.run([program], input="".join(line(c) + "\n" for c in cases), check=True,
                         capture_output=True, text=True).stdout.splitlines()
    if len(out) != len(cases):
        print(f"check_qartod: {len(out)} results for {len(cases)} profiles")
        return 1
    names = ["gross_range", "spike", "rate_of_change", "flat_line", "aggregate"]
    failures = 0
    flagged = {name: 0 for name in names}
    for number, (c, got_line) in enumerate(zip(cases, out)):
        got = [[int(d) for d in part] for part in got_line.split("|")]
        want = reference(c)
        for name, g, w in zip(names, got, want):
            flagged[name] += sum(1 for f in w if f in (3, 4))
            if g != w:
                failures += 1
                if failures <= 10:
                    print(f"profile {number} {name}: ours {g}\n  reference {w}\n  values {c['values']}\n"
                          f"  times {c['times']}")
    print(f"check_qartod: {len(cases)} profiles, {sum(len(c['values']) for c in cases)} scans; "
          f"suspect or fail in the reference: {flagged}; {failures} differences")
    # The generated faults must be seen, or the comparison proves little.
    return 1 if failures or min(flagged.values()) == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
