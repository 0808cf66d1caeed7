"""davrolin-unpack --export on the sample deployments and on a damaged copy
(written by write_exports.py into DAVROLIN_EXPORTS): every netCDF file passes
the checker, every CSV opens in pandas with no options and agrees with its
netCDF file, the values are the text files' values, the damage shows in
data_status, the quick look shows it, and the README's Python lines run."""
import glob
import os
import re
import subprocess
import sys
import tempfile
import unittest

import netCDF4
import numpy as np
import pandas

from write_exports import kDamagedCtdScans, kDamagedStatus

kHere = os.path.dirname(os.path.abspath(__file__))
kRoot = os.path.dirname(os.path.dirname(kHere))
kExports = os.environ.get("DAVROLIN_EXPORTS", "")
kSamples = os.environ.get("DAVROLIN_SAMPLES", "")
kRuns = ("3.04", "3.01", "damaged", "deployment")
kInstruments = ("ctd", "acm", "engineering")
kStatusNames = ("complete", "truncated", "sensor_times_missing", "read_error", "data_file_missing", "not_read")
kFiles = [f"{i}.nc" for i in kInstruments] + [f"{i}.csv" for i in kInstruments] + ["profiles.csv", "ctd_grid.nc"]


def Folder(run):
    return os.path.join(kExports, run)


def Read(path):
    with netCDF4.Dataset(path) as ds:
        return {name: np.ma.filled(var[:].astype(float), np.nan) if var.dtype.kind in "iuf" else var[:]
                for name, var in ds.variables.items()}


@unittest.skipUnless(kExports, "DAVROLIN_EXPORTS names no export folder")
class ExportFilesTest(unittest.TestCase):
    def test_every_file_is_written(self):
        for run in kRuns:
            with self.subTest(run=run):
                present = set(os.listdir(Folder(run)))
                self.assertLessEqual(set(kFiles) | {"DAVROLIN.LOG"}, present)
                if run != "3.04":   # --no-text: the export and the log only
                    self.assertEqual(present, set(kFiles) | {"DAVROLIN.LOG"})

    def test_every_netcdf_file_passes_the_checker(self):
        # (ctd_grid.nc is not a ragged array: test_quality_export.py checks it.)
        files = sorted(f for f in glob.glob(os.path.join(kExports, "*", "*.nc")) if not f.endswith("ctd_grid.nc"))
        self.assertEqual(len(files), 3 * len(kRuns))
        forbidden = [a for folder in (kExports, kSamples, kRoot) if folder
                     for a in ("--forbid", os.path.realpath(folder))]
        done = subprocess.run([sys.executable, os.path.join(kHere, "check_cf.py"), *forbidden, *files],
                              capture_output=True, text=True, timeout=600)
        self.assertEqual((done.returncode, done.stdout), (0, ""), done.stderr)

    def test_every_csv_opens_in_pandas_and_agrees_with_its_netcdf_file(self):
        for run in kRuns:
            for instrument in kInstruments:
                with self.subTest(run=run, instrument=instrument):
                    nc = Read(os.path.join(Folder(run), f"{instrument}.nc"))
                    csv = pandas.read_csv(os.path.join(Folder(run), f"{instrument}.csv"))
                    self.assertEqual(list(csv.columns[:3]), ["profile", "time (UTC)", "scan"])
                    for column in csv.columns:
                        self.assertRegex(column, r"^[a-z][a-z0-9_]*( \([^()]+\))?$")
                    expected = np.repeat(nc["profile"], nc["row_size"].astype(int))
                    np.testing.assert_array_equal(csv["profile"].to_numpy(), expected)
            with self.subTest(run=run, file="profiles.csv"):
                table = pandas.read_csv(os.path.join(Folder(run), "profiles.csv"))
                np.testing.assert_array_equal(table["profile"].to_numpy(), nc["profile"])


# (file, variable, standard_name or None, units or None for undocumented units)
kObsVariables = (
    ("ctd.nc", "pressure", "sea_water_pressure_due_to_sea_water", "dbar"),
    ("ctd.nc", "temperature", "sea_water_temperature", "degree_Celsius"),
    ("ctd.nc", "conductivity", "sea_water_electrical_conductivity", "mS cm-1"),
    ("ctd.nc", "practical_salinity", "sea_water_practical_salinity", "1"),
    ("ctd.nc", "depth", "depth", "m"),
    ("engineering.nc", "pressure", None, "dbar"),
    ("engineering.nc", "depth", "depth", "m"),
    ("engineering.nc", "motor_current", None, "mA"),
    ("engineering.nc", "battery_voltage", None, "V"),
    ("acm.nc", "time_estimated", "time", "seconds since 1970-01-01T00:00:00Z"),
    ("acm.nc", "pressure_estimated", None, "dbar"),
) + tuple(("acm.nc", name, None, None) for name in (
    "tilt_x", "tilt_y", "compass_x", "compass_y", "compass_z", "velocity_ab", "velocity_cd", "velocity_ef",
    "velocity_gh"))


@unittest.skipUnless(kExports, "DAVROLIN_EXPORTS names no export folder")
class SchemaTest(unittest.TestCase):
    def test_obs_variables_have_their_names_and_units_and_no_guessed_unit(self):
        for file_name, name, standard_name, units in kObsVariables:
            with self.subTest(file=file_name, variable=name):
                with netCDF4.Dataset(os.path.join(Folder("3.04"), file_name)) as ds:
                    self.assertIn(name, ds.variables)
                    var = ds[name]
                    self.assertEqual(var.dimensions, ("obs",))
                    if standard_name:
                        self.assertEqual(getattr(var, "standard_name", None), standard_name)
                    self.assertEqual(getattr(var, "units", None), units)
                    if units is None:
                        self.assertNotIn("standard_name", var.ncattrs())
                        self.assertTrue(getattr(var, "comment", ""))
                    if name.endswith("_estimated"):
                        self.assertTrue(getattr(var, "comment", ""))

    def test_firmware_304_adds_the_optical_sensors(self):
        for run, present in (("3.04", True), ("3.01", False)):
            with netCDF4.Dataset(os.path.join(Folder(run), "engineering.nc")) as ds:
                for name in ("fluorometer", "turbidity", "fluorometer_gain", "turbidity_gain"):
                    with self.subTest(run=run, variable=name):
                        self.assertEqual(name in ds.variables, present)

    def test_the_metadata_file_and_the_command_line_position_reach_the_files(self):
        for run, latitude, longitude, title in (("3.04", 47.5, -128.25, "VXP sample deployment (synthetic)"),
                                                ("3.01", -33.9, 18.4, None)):
            for instrument in kInstruments:
                with self.subTest(run=run, instrument=instrument):
                    with netCDF4.Dataset(os.path.join(Folder(run), f"{instrument}.nc")) as ds:
                        self.assertEqual((float(ds["latitude"][0]), float(ds["longitude"][0])),
                                         (latitude, longitude))
                        if title:
                            self.assertEqual(ds.title, title)
                            self.assertEqual(ds.date_created, "2024-07-02T00:00:00Z")
                            self.assertEqual(ds.creator_email, "davrolin@example.org")


def TextRows(folder, letter):
    """The numbers of the machine-form text files of one kind, profile after profile."""
    rows = []
    for path in sorted(glob.glob(os.path.join(folder, f"{letter}0*.TXT"))):
        with open(path, encoding="latin-1") as f:
            rows += [[float(v) for v in line.split()] for line in f if line.strip()]
    return np.array(rows)


@unittest.skipUnless(kExports, "DAVROLIN_EXPORTS names no export folder")
class ValuesTest(unittest.TestCase):
    """The 3.04 run writes the machine-form text beside the export."""

    def test_ctd_values_are_the_text_files_values(self):
        folder = Folder("3.04")
        text = TextRows(folder, "C")
        nc = Read(os.path.join(folder, "ctd.nc"))
        csv = pandas.read_csv(os.path.join(folder, "ctd.csv"))
        self.assertEqual(len(text), len(csv))
        for column, name, digits in ((0, "conductivity", 4), (1, "temperature", 4), (2, "pressure", 3)):
            with self.subTest(quantity=name):
                half_digit = 0.5 * 10.0 ** -digits + 1e-9
                np.testing.assert_allclose(nc[name], text[:, column], rtol=0, atol=half_digit)
                csv_column = next(c for c in csv.columns if c.split(" ")[0] == name)
                np.testing.assert_array_equal(csv[csv_column].to_numpy(), text[:, column])

    def test_acm_values_are_the_text_files_values(self):
        folder = Folder("3.04")
        text = TextRows(folder, "A")
        nc = Read(os.path.join(folder, "acm.nc"))
        names = ("tilt_x", "tilt_y", "compass_x", "compass_y", "compass_z",
                 "velocity_ab", "velocity_cd", "velocity_ef", "velocity_gh")
        digits = (2, 2, 4, 4, 4, 2, 2, 2, 2)
        self.assertEqual(len(text), len(nc["tilt_x"]))
        for column, (name, places) in enumerate(zip(names, digits)):
            with self.subTest(quantity=name):
                np.testing.assert_allclose(nc[name], text[:, column], rtol=0, atol=0.5 * 10.0 ** -places + 1e-9)


@unittest.skipUnless(kExports, "DAVROLIN_EXPORTS names no export folder")
class DamagedTest(unittest.TestCase):
    def test_the_damage_shows_in_data_status(self):
        folder = Folder("damaged")
        table = pandas.read_csv(os.path.join(folder, "profiles.csv"))
        for instrument, status in kDamagedStatus.items():
            with self.subTest(instrument=instrument):
                nc = Read(os.path.join(folder, f"{instrument}.nc"))
                np.testing.assert_array_equal(nc["data_status"], status)
                names = [kStatusNames[s] for s in status]
                self.assertEqual(table[f"{instrument}_status"].tolist(), names)
        ctd = Read(os.path.join(folder, "ctd.nc"))
        self.assertEqual(ctd["row_size"].astype(int).tolist(), kDamagedCtdScans)

    def test_the_quick_look_shows_the_damage(self):
        out = tempfile.mkdtemp(prefix="export-quicklook-")
        done = subprocess.run([os.path.join(kRoot, "quicklook", "davrolin-quicklook"), Folder("damaged"), out],
                              capture_output=True, text=True, timeout=300)
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(os.path.join(out, "index.html"), encoding="utf-8") as f:
            page = f.read()
        for instrument, status in kDamagedStatus.items():
            with self.subTest(instrument=instrument):
                row = re.search(r"<tr><th>" + instrument + r"\.nc</th>(.*?)</tr>", page).group(1)
                counts = [int(n) for n in re.findall(r'<td class="n[^"]*">([\d,]+)</td>', row)]
                self.assertEqual(counts, [status.count(s) for s in range(6)])
        self.assertIn("Error opening engineering data file", page)


@unittest.skipUnless(kExports, "DAVROLIN_EXPORTS names no export folder")
class ReadmeTest(unittest.TestCase):
    def test_the_readmes_python_lines_load_ctd_nc_and_plot_a_profile(self):
        with open(os.path.join(kRoot, "README.md"), encoding="utf-8") as f:
            readme = f.read()
        section = readme[readme.index("\n## Export\n"):]
        snippet = re.search(r"```python\n(.*?)```", section, re.S).group(1)
        folder = Folder("3.04")
        before = set(os.listdir(folder))
        done = subprocess.run([sys.executable, "-c", snippet], cwd=folder, capture_output=True, text=True,
                              timeout=300, env=dict(os.environ, MPLBACKEND="Agg"))
        self.assertEqual(done.returncode, 0, done.stderr)
        made = set(os.listdir(folder)) - before
        self.assertEqual([os.path.splitext(m)[1] for m in made], [".png"])
        for name in made:
            self.assertGreater(os.path.getsize(os.path.join(folder, name)), 10000)
            os.remove(os.path.join(folder, name))


if __name__ == "__main__":
    unittest.main()
