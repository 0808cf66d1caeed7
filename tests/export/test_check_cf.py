"""The checker passes a file laid out as the export writes it and rejects each
deliberately broken copy for the right reason, one line per failure."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import netCDF4
import numpy as np

kHere = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(kHere), "quicklook"))
from make_export import write_export  # noqa: E402

kChecker = os.path.join(kHere, "check_cf.py")


def Set(name, attribute, value):
    def Break(ds):
        target = ds if name is None else ds[name]
        target.setncattr(attribute, value)
    return Break


def Delete(name, attribute):
    def Break(ds):
        (ds if name is None else ds[name]).delncattr(attribute)
    return Break


def Store(name, index, value):
    def Break(ds):
        ds[name][index] = value
    return Break


def SecondTimeseriesId(ds):
    ds["longitude"].cf_role = "timeseries_id"


def NegatedDepth(ds):
    ds["depth"][:] = -ds["depth"][:]




# (what is broken, file, how, a word every failure line must hold)
kBroken = (
    ("feature type", "ctd.nc", Set(None, "featureType", "timeSeries"), "featureType"),
    ("conventions", "ctd.nc", Set(None, "Conventions", "CF-1.6"), "Conventions"),
    ("two timeseries_id", "ctd.nc", SecondTimeseriesId, "timeseries_id"),
    ("profile numbers repeat", "engineering.nc", Store("profile", 3, 2), "profile_id"),
    ("row sizes one short", "acm.nc", Store("row_size", 0, 149), "sum(row_size)"),
    ("coordinates name a missing variable", "ctd.nc", Set("temperature", "coordinates", "time lat lon"),
     "coordinates names"),
    ("time units without the zone", "ctd.nc", Set("time", "units", "seconds since 1970-01-01"), "time:units"),
    ("scan time in days", "engineering.nc", Set("scan_time", "units", "seconds since 1970-01-01 00:00:00"),
     "scan_time:units"),
    ("a profile without a time", "acm.nc", Store("time", 1, np.nan), "time holds no value"),
    ("a flag meaning short", "ctd.nc", Set("data_status", "flag_meanings", "complete truncated"), "flag_meanings"),
    ("a status no flag names", "ctd.nc", Store("data_status", 2, 6), "data_status holds [6]"),
    ("depth positive up", "ctd.nc", Set("depth", "positive", "up"), "positive"),
    ("depth above the surface", "ctd.nc", NegatedDepth, "not below the surface"),
    ("no title", "acm.nc", Delete(None, "title"), "title is missing"),
    ("no keywords", "ctd.nc", Delete(None, "keywords"), "keywords is missing"),
    ("date_created not ISO 8601", "ctd.nc", Set(None, "date_created", "01/02/2025"), "date_created"),
    ("a POSIX folder in history", "ctd.nc",
     Set(None, "history", "davrolin-unpack --export netcdf /home/ana/vxp/dep7 out"), "folder"),
    ("a Windows folder in a comment", "acm.nc", Set("tilt_x", "comment", r"from C:\VXP\A0000000.DAT"), "folder"),
    ("a folder in source", "ctd.nc", Set(None, "source", "cards/dep7/C0000000.DAT"), "source"),
    ("a scale factor that is text", "ctd.nc", Set("temperature", "scale_factor", "x"), "xarray cannot read it"),
)


class CheckerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.workspace = tempfile.mkdtemp(prefix="check-cf-")
        cls.good = os.path.join(cls.workspace, "good")
        write_export(cls.good, "normal", profiles=5, engineering_scans=20, ctd_scans=30, acm_scans=150)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.workspace, ignore_errors=True)

    def Check(self, *args):
        done = subprocess.run([sys.executable, kChecker, *args], capture_output=True, text=True, timeout=120)
        return done.returncode, done.stdout.splitlines(), done.stderr

    def test_a_file_written_to_the_schema_passes(self):
        files = [os.path.join(self.good, f) for f in ("ctd.nc", "acm.nc", "engineering.nc")]
        code, lines, stderr = self.Check(*files)
        self.assertEqual((code, lines), (0, []), stderr)

    def test_each_broken_file_is_rejected_for_its_fault(self):
        paths = {}
        for name, file_name, Break, word in kBroken:
            path = os.path.join(self.workspace, name.replace(" ", "-") + ".nc")
            shutil.copy(os.path.join(self.good, file_name), path)
            with netCDF4.Dataset(path, "a") as ds:
                Break(ds)
            paths[path] = (name, word)
        code, lines, stderr = self.Check(*paths)
        self.assertEqual(code, 1, stderr)
        found = {path: [] for path in paths}
        for line in lines:
            path, _, problem = line.partition(": ")
            self.assertIn(path, found, line)
            found[path].append(problem)
        for path, (name, word) in paths.items():
            with self.subTest(broken=name):
                self.assertTrue(found[path], "not rejected")
                for problem in found[path]:
                    self.assertIn(word, problem)

    def test_a_forbidden_folder_is_found_in_any_attribute(self):
        path = os.path.join(self.workspace, "relative.nc")
        shutil.copy(os.path.join(self.good, "engineering.nc"), path)
        with netCDF4.Dataset(path, "a") as ds:
            ds["motor_current"].comment = "read from run7/E0000000.DAT"
        self.assertEqual(self.Check(path)[0], 0)
        code, lines, _ = self.Check("--forbid", "run7", path)
        self.assertEqual((code, lines), (1, [f"{path}: motor_current:comment holds the folder 'run7'"]))

    def test_a_file_that_is_no_netcdf_is_one_line(self):
        path = os.path.join(self.workspace, "text.nc")
        with open(path, "w") as f:
            f.write("profile,time\n")
        code, lines, _ = self.Check(path)
        self.assertEqual(code, 1)
        self.assertEqual(len(lines), 1)
        self.assertIn("netCDF cannot open it", lines[0])


if __name__ == "__main__":
    np.seterr(all="ignore")
    unittest.main()
