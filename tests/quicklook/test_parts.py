"""The quick look's parts on small fixtures: the error lines of the activity
log, the gridding of the sections, the size check of classic netCDF files."""
import os
import shutil
import sys
import tempfile
import types
import unittest

import netCDF4
import numpy as np

from quicklook_support import kRoot

sys.path.insert(0, os.path.join(kRoot, "quicklook"))
from davrolin_quicklook.activity_log import ErrorLines  # noqa: E402
from davrolin_quicklook.classic_size import RequiredSize  # noqa: E402
from davrolin_quicklook.sections_figure import ColumnEdges, GridSection  # noqa: E402
from davrolin_quicklook.figure_common import Thinned  # noqa: E402
from davrolin_quicklook.ts_figure import LevelFormat  # noqa: E402
from davrolin_quicklook.water import Compute  # noqa: E402


class ActivityLogTest(unittest.TestCase):
    def test_error_lines_are_the_entries_of_the_error_category(self):
        log = "\r\n".join([
            "Ostrel Research Labs Davrolin version 1.0 Revision 02 [Build Dec 10 2026 12:54:57]",
            "Unpack files from folder /data/Error logs/vxp ",        # a folder named "Error ..." is no error
            "Unpacking Engineering profiles 0 to 11",
            "Error reading from engineering file for profile 6",
            "Unpacking ACM profiles 0 to 11",
            "Error opening ACM data file /tmp/src/A0000004.DAT",
            "Operation cancelled by user",
            "Wrong version of DEPLOY.DAT detected.",
            "VXP Davrolin is configured to unpack version 3.04 deployments.",
            "",
            "An exception occured while unpacking data.",
            "This could be due to invalid data, or could be due to other reasons.",
            "Please contact Ostrel Laboratories.",
            "ERROR!  Source folder",                                  # the options summary, an Info entry
            "Unable to save log to /out/DAVROLIN.LOG",
            "ERROR: LoadString failed on resource id 999!",
            "Saving log to /out/DAVROLIN.LOG", ""])
        self.assertEqual(ErrorLines(log), [
            "Error reading from engineering file for profile 6",
            "Error opening ACM data file /tmp/src/A0000004.DAT",
            "Operation cancelled by user",
            "Wrong version of DEPLOY.DAT detected. VXP Davrolin is configured to unpack version 3.04 deployments.",
            "An exception occured while unpacking data. This could be due to invalid data, or could be due to "
            "other reasons. Please contact Ostrel Laboratories.",
            "Unable to save log to /out/DAVROLIN.LOG",
            "ERROR: LoadString failed on resource id 999!",
        ])

    def test_a_log_without_errors_and_bare_line_ends(self):
        for text in ("", "Unpacking CTD profiles 0 to 11\rSaving log to x\r", "Log created\nUnpacking\n"):
            with self.subTest(text=text):
                self.assertEqual(ErrorLines(text), [])


class SectionGridTest(unittest.TestCase):
    def test_columns_meet_halfway_and_a_long_gap_gets_a_blank_column(self):
        edges, slots = ColumnEdges(np.array([0.0, 1.0, 2.0, 10.0, 11.0]))
        np.testing.assert_allclose(edges, [-0.5, 0.5, 1.5, 2.5, 9.5, 10.5, 11.5])
        self.assertEqual(slots.tolist(), [0, 1, 2, -1, 3, 4])

    def test_unsorted_positions_are_shown_in_order(self):
        edges, slots = ColumnEdges(np.array([2.0, 0.0, 1.0]))
        np.testing.assert_allclose(edges, [-0.5, 0.5, 1.5, 2.5])
        self.assertEqual(slots.tolist(), [1, 2, 0])

    def test_scans_are_averaged_per_pressure_bin_and_column(self):
        # profile 0: two scans in bin 0 (1 and 3), one in bin 2; profile 1: one in bin 1
        # and a NaN value; profile 2 is shown in no column; a pressure out of range is left out
        scan_profile = np.array([0, 0, 0, 1, 1, 2, 0])
        pressure = np.array([0.5, 1.5, 5.5, 3.0, 3.5, 1.0, 99.0])
        values = np.array([1.0, 3.0, 7.0, 5.0, np.nan, 9.0, 100.0])
        grid = GridSection(scan_profile, pressure, values, np.array([1, -1, 0]), 3, 0.0, 6.0, 3)
        expected = np.array([[np.nan, np.nan, 2.0],
                             [5.0, np.nan, np.nan],
                             [np.nan, np.nan, 7.0]])
        np.testing.assert_array_equal(grid, expected)


class ThinnedLineTest(unittest.TestCase):
    def test_each_column_of_each_profile_keeps_its_first_last_lowest_and_highest_scan(self):
        # two columns (x < 5 and x >= 5); profile 1 comes back into column 0
        x = np.array([0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 3], dtype=float)
        y = np.array([5, 9, 1, 7, 6, 2, 8, 3, 4, 5, 0, 2, 1], dtype=float)
        group = np.array([0] * 10 + [1] * 3)
        kept = Thinned(x, y, group, columns=2)
        self.assertEqual(kept.tolist(), [0, 1, 2, 4, 5, 6, 9, 10, 11, 12])
        self.assertEqual(Thinned(x[:0], y[:0], group[:0]).tolist(), [])


class ContourLabelTest(unittest.TestCase):
    def test_labels_have_the_decimals_that_tell_the_levels_apart(self):
        # a small deployment's sigma0 spans a few hundredths: one decimal made every label alike
        for levels, fmt in (([22.7225, 22.725, 22.7275], "%.3f"), ([24.0, 24.5, 25.0], "%.1f"),
                            ([20.0, 22.0, 24.0], "%.1f"), ([26.0], "%.1f"), ([1.0, 1.001], "%.3f")):
            with self.subTest(levels=levels):
                self.assertEqual(LevelFormat(levels), fmt)
                if len(levels) > 1:
                    labels = [fmt % level for level in levels]
                    self.assertEqual(len(set(labels)), len(labels))


class WaterTest(unittest.TestCase):
    # (C mS/cm, t degC ITS-90, p dbar, practical salinity): the check values of the export
    kChecks = ((42.914, 14.996401, 0, 35.0000),
               (55.19754712635529, 27.962, 0, 34.30628739259972),
               (33.382144048823484, 4.9176, 909, 34.532505000117716),
               (32.48916082075326, 1.5998, 6131, 34.71492116956134),
               (1.0, 10, 0, 0.7064441440716867))

    def Ctd(self, latitude=11.0, longitude=-30.0, **obs):
        return types.SimpleNamespace(file_name="ctd.nc", latitude=latitude, longitude=longitude,
                                     obs={k: np.asarray(v, dtype=float) for k, v in obs.items()})

    def test_salinity_from_conductivity_when_the_file_has_none(self):
        c, t, p, sp = (np.array(column) for column in zip(*self.kChecks))
        water = Compute(self.Ctd(conductivity=c, temperature=t, pressure=p))
        np.testing.assert_allclose(water.salinity, sp, atol=1e-6)
        self.assertIn("ctd.nc has no practical_salinity", water.notes[0])

    def test_density_follows_salinity_and_temperature(self):
        # sigma0 near 26.95 for 35 and 10 degC; fresher or warmer water is lighter; NaN stays NaN
        water = Compute(self.Ctd(practical_salinity=[35, 34, 35, np.nan], temperature=[10, 10, 15, 10],
                                 pressure=[100, 100, 100, 100]))
        self.assertAlmostEqual(water.sigma0[0], 26.95, delta=0.1)
        self.assertLess(water.sigma0[1], water.sigma0[0])
        self.assertLess(water.sigma0[2], water.sigma0[0])
        self.assertTrue(np.isnan(water.sigma0[3]))
        self.assertEqual(water.notes, [])

    def test_without_a_position_the_reference_salinity_is_used(self):
        water = Compute(self.Ctd(latitude=float("nan"), practical_salinity=[35], temperature=[10], pressure=[0]))
        self.assertAlmostEqual(water.sigma0[0], 26.97, delta=0.05)
        self.assertIn("no station position", water.notes[0])

    def test_no_pressure_or_temperature_gives_no_water(self):
        self.assertIsNone(Compute(self.Ctd(practical_salinity=[35], pressure=[0])))


class ClassicSizeTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="quicklook-size-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def Write(self, name, fmt, fill):
        path = os.path.join(self.folder, name)
        with netCDF4.Dataset(path, "w", format=fmt) as ds:
            fill(ds)
        return path

    def test_the_size_a_whole_file_needs_and_a_cut_file(self):
        def Fixed(ds):
            ds.createDimension("obs", 7)
            ds.createVariable("a", "f4", ("obs",))[:] = np.arange(7)
            ds.createVariable("b", "i1", ("obs",))[:] = np.arange(7)
            ds.title = "fixed"

        def Records(ds):
            ds.createDimension("t", None)
            ds.createDimension("n", 3)
            ds.createVariable("x", "f8", ("t", "n"))[:] = np.ones((5, 3))
            ds.createVariable("y", "i2", ("t",))[:] = np.arange(5)

        def OneRecordVariable(ds):
            ds.createDimension("t", None)
            ds.createVariable("y", "i1", ("t",))[:] = np.arange(9)

        def NoRecords(ds):
            ds.createDimension("t", None)
            ds.createVariable("y", "f4", ("t",))

        for name, fill in (("fixed", Fixed), ("records", Records), ("one", OneRecordVariable), ("none", NoRecords)):
            for fmt in ("NETCDF3_CLASSIC", "NETCDF3_64BIT_OFFSET"):
                with self.subTest(file=name, format=fmt):
                    path = self.Write(f"{name}-{fmt}.nc", fmt, fill)
                    size = os.path.getsize(path)
                    required = RequiredSize(path)
                    self.assertTrue(size - 4 < required <= size, (required, size))

    def test_other_formats_are_left_to_netcdf(self):
        path = self.Write("four.nc", "NETCDF4", lambda ds: ds.createDimension("x", 1))
        self.assertIsNone(RequiredSize(path))


if __name__ == "__main__":
    unittest.main()
