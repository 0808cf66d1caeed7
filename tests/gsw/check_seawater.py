#!/usr/bin/python3
"""Compares the program's practical salinity and depth with the TEOS-10
toolbox (Debian's python3-gsw): within 1e-6 for SP and 1e-6 m for depth.

    check_seawater.py SEAWATER_VALUES [COUNT]

Exit 77 (a skipped test) when gsw cannot be imported."""
import math
import subprocess
import sys

try:
    import gsw
    import numpy as np
except ImportError as e:
    print(f"check_seawater: skipped, {e} (install python3-gsw)")
    sys.exit(77)

SP_TOLERANCE = 1e-6
DEPTH_TOLERANCE = 1e-6  # m


def main():
    program = sys.argv[1]
    count = sys.argv[2] if len(sys.argv) > 2 else "20000"
    out = subprocess.run([program, count], check=True, capture_output=True, text=True).stdout
    rows = np.array([[float(v) for v in line.split()] for line in out.splitlines()])
    c, t, p, lat, sp, depth = rows.T
    want_sp = gsw.SP_from_C(c, t, p)
    want_depth = -gsw.z_from_p(p, lat)

    failures = 0
    for name, got, want, tolerance in (("SP", sp, want_sp, SP_TOLERANCE),
                                       ("depth", depth, want_depth, DEPTH_TOLERANCE)):
        nan_differs = np.isnan(got) != np.isnan(want)
        both = ~np.isnan(got) & ~np.isnan(want)
        error = np.abs(got[both] - want[both])
        worst = float(error.max()) if error.size else 0.0
        print(f"{name}: {len(got)} values, {int(both.sum())} numbers, largest difference {worst:.3g}")
        for i in np.flatnonzero(nan_differs)[:10]:
            print(f"  {name} NaN differs at C={c[i]!r} T={t[i]!r} p={p[i]!r} lat={lat[i]!r}: "
                  f"{got[i]!r} vs {want[i]!r}")
        bad = np.flatnonzero(both)[error > tolerance]
        for i in bad[:10]:
            print(f"  {name} differs at C={c[i]!r} T={t[i]!r} p={p[i]!r} lat={lat[i]!r}: "
                  f"{got[i]!r} vs {want[i]!r}")
        failures += int(nan_differs.sum()) + len(bad)
    if len(rows) == 0 or not math.isfinite(float(np.nanmax(want_sp))):
        print("check_seawater: no values to compare")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
