"""The quality flags, grades and grid of real exports (write_exports.py's, in
DAVROLIN_EXPORTS): the flags are the reference implementation's (ioos_qc,
from PYTHONPATH) on the same values, times and settings, the latter read
back from the flag variables' own attributes; the aggregate, the grades and
profiles.csv's letters follow from them; ctd_grid.nc holds the means and
counts of the scans the flags keep, bin by bin; --no-qc leaves the flags out
and keeps the grid."""
import glob
import math
import os
import subprocess
import tempfile
import unittest

import netCDF4
import numpy as np
import pandas

try:
    from ioos_qc import qartod
except ImportError:
    qartod = None

kExports = os.environ.get("DAVROLIN_EXPORTS", "")
kCheckers = os.environ.get("DAVROLIN_CF_CHECKERS", "")
kUnpack = os.environ.get("DAVROLIN_UNPACK", "")
kSamples = os.environ.get("DAVROLIN_SAMPLES", "")
kRuns = ("3.04", "3.01", "damaged", "deployment")
kTested = {"ctd.nc": ("pressure", "temperature", "conductivity", "practical_salinity"), "engineering.nc": ("pressure",)}
kTests = ("gross_range", "spike", "rate_of_change", "flat_line")
kLetters = "ABCDEF"


def Values(var):
    return np.ma.filled(var[:].astype(float), np.nan)


def Profiles(ds):
    """(first scan, scan count) of each profile."""
    sizes = ds["row_size"][:].astype(int)
    return list(zip(np.concatenate([[0], np.cumsum(sizes)[:-1]]), sizes))


def ScanTimes(ds):
    """The scans' times: their own, or spread between the sensor's on and off times as the export does."""
    if "scan_time" in ds.variables:
        return Values(ds["scan_time"])
    times = []
    for (first, n), on, off in zip(Profiles(ds), Values(ds["sensor_on_time"]), Values(ds["sensor_off_time"])):
        times += [on + (off - on) * (i + 0.5) / n for i in range(n)]
    return np.array(times)


def Grade(aggregate):
    kept = aggregate[aggregate != 9]
    if len(kept) == 0:
        return None
    share = np.count_nonzero(kept == 1) / len(kept)
    if share == 1:
        return 0
    return next(g for g, low in ((1, 0.75), (2, 0.5), (3, 0.25), (4, 1e-300), (5, -1)) if share >= low)


@unittest.skipUnless(kExports, "DAVROLIN_EXPORTS names no export folder")
class FlagsTest(unittest.TestCase):
    @unittest.skipIf(qartod is None, "ioos_qc cannot be imported (PYTHONPATH)")
    def test_flags_are_the_reference_implementations_on_the_same_settings(self):
        compared = 0
        for run in kRuns:
            for file_name, names in kTested.items():
                with netCDF4.Dataset(os.path.join(kExports, run, file_name)) as ds:
                    ds.set_auto_mask(False)
                    times = ScanTimes(ds)
                    for name in names:
                        flags = {t: ds[f"qartod_{name}_{t}_flag"] for t in kTests}
                        values = Values(ds[name])
                        for first, n in Profiles(ds):
                            v, t = values[first:first + n], times[first:first + n]
                            # The reference truncates time steps to whole seconds: compare where that is exact.
                            if n == 0 or not np.all(np.isfinite(t)) or np.any(t != np.round(t)):
                                continue
                            with self.subTest(run=run, file=file_name, variable=name, first=first):
                                got = {k: f[first:first + n] for k, f in flags.items()}
                                a = {k: f.__dict__ for k, f in flags.items()}
                                want = {
                                    "gross_range": qartod.gross_range_test(
                                        v, fail_span=tuple(a["gross_range"]["fail_span"]),
                                        suspect_span=tuple(a["gross_range"].get("suspect_span", a["gross_range"]["fail_span"]))),
                                    "spike": qartod.spike_test(v, a["spike"]["suspect_threshold"],
                                                               a["spike"]["fail_threshold"], method="average"),
                                    "rate_of_change": qartod.rate_of_change_test(
                                        v, t, a["rate_of_change"]["suspect_threshold"],
                                        a["rate_of_change"]["fail_threshold"]),
                                    "flat_line": qartod.flat_line_test(
                                        v, t, a["flat_line"]["suspect_threshold"], a["flat_line"]["fail_threshold"],
                                        a["flat_line"]["tolerance"]),
                                }
                                if n < 3:
                                    want["flat_line"] = np.where(np.isnan(v), 9, want["flat_line"])
                                for test in kTests:
                                    np.testing.assert_array_equal(got[test], np.asarray(want[test]), err_msg=test)
                                aggregate = ds[f"{name}_qc"][first:first + n]
                                np.testing.assert_array_equal(
                                    aggregate, qartod.qartod_compare([np.asarray(want[k]) for k in kTests]))
                                compared += 1
        self.assertGreater(compared, 20)

    def test_flag_variables_are_linked_and_grades_follow_the_aggregates(self):
        for run in kRuns:
            table = pandas.read_csv(os.path.join(kExports, run, "profiles.csv"), keep_default_na=False)
            for file_name, names in kTested.items():
                instrument = file_name[:-3]
                with netCDF4.Dataset(os.path.join(kExports, run, file_name)) as ds:
                    for name in names:
                        with self.subTest(run=run, file=file_name, variable=name):
                            linked = ds[name].ancillary_variables.split()
                            self.assertEqual(linked, [f"qartod_{name}_{t}_flag" for t in kTests] + [f"{name}_qc"])
                            for flag in linked:
                                self.assertEqual(ds[flag].dimensions, ("obs",))
                                self.assertEqual(ds[flag].coverage_content_type, "qualityInformation")
                            self.assertEqual(ds[f"{name}_qc"].standard_name, "aggregate_quality_flag")
                            aggregate = ds[f"{name}_qc"][:]
                            grades = np.ma.filled(ds[f"profile_{name}_qc"][:].astype(int), -1)
                            expected = [Grade(aggregate[first:first + n]) for first, n in Profiles(ds)]
                            self.assertEqual(grades.tolist(), [-1 if g is None else g for g in expected])
                            rows = dict(zip(table["profile"], table[f"{instrument}_{name}_grade"]))
                            letters = [rows[p] for p in ds["profile"][:]]
                            self.assertEqual(letters, ["" if g is None else kLetters[g] for g in expected])


@unittest.skipUnless(kExports, "DAVROLIN_EXPORTS names no export folder")
class GridTest(unittest.TestCase):
    def check_grid(self, folder, step, by_flags):
        with netCDF4.Dataset(os.path.join(folder, "ctd.nc")) as ctd, \
                netCDF4.Dataset(os.path.join(folder, "ctd_grid.nc")) as grid:
            deployment = ctd["deployment"]
            shallow = float(deployment.shallow_pressure_limit_dbar)
            deep = float(deployment.deep_pressure_limit_dbar)
            bins = math.ceil((deep - shallow) / step)
            centres = grid["pressure"][:]
            self.assertEqual(len(centres), bins)
            np.testing.assert_allclose(centres, shallow + step * (np.arange(bins) + 0.5))
            np.testing.assert_allclose(grid["pressure_bnds"][:, 0], centres - step / 2)
            self.assertTrue(np.all(np.diff(grid["depth"][:]) > 0))
            np.testing.assert_array_equal(grid["profile"][:], ctd["profile"][:])
            np.testing.assert_array_equal(grid["profile_direction"][:], ctd["profile_direction"][:])
            pressure = Values(ctd["pressure"])
            for name in ("temperature", "conductivity", "practical_salinity"):
                values = Values(ctd[name])
                keep = np.isfinite(values)
                if by_flags:
                    keep &= np.isin(ctd[f"{name}_qc"][:], (1, 2)) & np.isin(ctd["pressure_qc"][:], (1, 2))
                means, counts = Values(grid[name]), grid[f"{name}_count"][:]
                self.assertEqual(grid[name].dimensions, ("profile", "depth"))
                for p, (first, n) in enumerate(Profiles(ctd)):
                    with self.subTest(variable=name, profile=p):
                        s = slice(first, first + n)
                        index = np.floor((pressure[s] - shallow) / step)
                        index[(pressure[s] == shallow + bins * step)] = bins - 1
                        inside = keep[s] & (index >= 0) & (index < bins)
                        want_n = np.bincount(index[inside].astype(int), minlength=bins)
                        want_sum = np.bincount(index[inside].astype(int), weights=values[s][inside], minlength=bins)
                        np.testing.assert_array_equal(counts[p], want_n)
                        with np.errstate(invalid="ignore"):
                            want = (want_sum / want_n).astype(np.float32)
                        np.testing.assert_allclose(means[p], want, rtol=1e-6, equal_nan=True)

    @unittest.skipUnless(kCheckers and os.path.exists(kCheckers), "DAVROLIN_CF_CHECKERS names no check-cf.sh")
    def test_the_data_centres_checkers_find_no_error_in_the_grid(self):
        """cc-cf, its Appendix A placement and the CEDA checker; not the hand check, which is for ragged arrays."""
        out = tempfile.mkdtemp(prefix="grid-cf-")
        files = [os.path.join(kExports, run, "ctd_grid.nc") for run in kRuns]
        done = subprocess.run([kCheckers, "--appendix-a", "--out", out, *files], capture_output=True, text=True,
                              timeout=900)
        lines = [line for line in done.stdout.splitlines() if "ctd_grid.nc" in line]
        self.assertEqual(len(lines), len(files), done.stdout + done.stderr)
        for line in lines:
            with self.subTest(line=line):
                self.assertRegex(line, r"cc-cf1\.11: 0 err")
                self.assertRegex(line, r"ceda\(as CF-1\.8\): 0 err")
        for report in glob.glob(os.path.join(out, "**", "*.cc-appA.txt"), recursive=True):
            with open(report, encoding="utf-8") as f:
                self.assertNotIn("[Appendix A]", f.read(), report)

    def test_the_grid_holds_the_means_of_the_scans_the_flags_keep(self):
        for run in kRuns:
            with self.subTest(run=run):
                self.check_grid(os.path.join(kExports, run), 1.0, True)

    @unittest.skipUnless(kUnpack and kSamples, "DAVROLIN_UNPACK or DAVROLIN_SAMPLES not set")
    def test_no_qc_leaves_the_flags_out_and_keeps_the_grid(self):
        out = tempfile.mkdtemp(prefix="export-noqc-")
        done = subprocess.run([kUnpack, "--quiet", "--no-text", "--export", "netcdf,csv", "--no-qc",
                               "--grid-step", "2.5", "--latitude", "10", "--longitude", "20",
                               os.path.join(kSamples, "3.04"), out], capture_output=True, text=True, timeout=300)
        self.assertEqual(done.returncode, 0, done.stderr)
        for file_name in kTested:
            with netCDF4.Dataset(os.path.join(out, file_name)) as ds:
                self.assertFalse([n for n in ds.variables if n.startswith("qartod_") or n.endswith("_qc")])
                self.assertNotIn("ancillary_variables", ds["pressure"].ncattrs())
        self.assertFalse([c for c in pandas.read_csv(os.path.join(out, "profiles.csv")).columns if "grade" in c])
        self.check_grid(out, 2.5, False)


if __name__ == "__main__":
    unittest.main()
