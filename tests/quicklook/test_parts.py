"""The quick look's parts on small fixtures: the error lines of the activity
log, the gridding of the sections (from the scans and from a grid file), the
sample of flagged scans of the T-S diagram, the size check of classic
netCDF files."""
import os
import shutil
import sys
import tempfile
import types
import unittest
from unittest import mock

import netCDF4
import numpy as np

from quicklook_support import ROOT

sys.path.insert(0, os.path.join(ROOT, "quicklook"))
from davrolin_quicklook.activity_log import error_lines  # noqa: E402
from davrolin_quicklook.classic_size import required_size  # noqa: E402
from davrolin_quicklook.export_reader import read_instrument  # noqa: E402
from davrolin_quicklook.figure_common import new_figure, ThinLine, thinned  # noqa: E402
from davrolin_quicklook import export_reader, sections_figure  # noqa: E402
from davrolin_quicklook.sections_figure import column_edges, column_layout, draw_sections, SectionGrid  # noqa: E402
from davrolin_quicklook.ts_figure import FAIL, FlaggedSample, level_format, SUSPECT, worst_flag  # noqa: E402
from davrolin_quicklook import water  # noqa: E402
from davrolin_quicklook.water import compute  # noqa: E402


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
        self.assertEqual(error_lines(log), [
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
                self.assertEqual(error_lines(text), [])


class SectionGridTest(unittest.TestCase):
    def test_columns_meet_halfway_and_a_long_gap_gets_a_blank_column(self):
        edges, slots = column_edges(np.array([0.0, 1.0, 2.0, 10.0, 11.0]))
        np.testing.assert_allclose(edges, [-0.5, 0.5, 1.5, 2.5, 9.5, 10.5, 11.5])
        self.assertEqual(slots.tolist(), [0, 1, 2, -1, 3, 4])

    def test_unsorted_positions_are_shown_in_order(self):
        edges, slots = column_edges(np.array([2.0, 0.0, 1.0]))
        np.testing.assert_allclose(edges, [-0.5, 0.5, 1.5, 2.5])
        self.assertEqual(slots.tolist(), [1, 2, 0])

    def test_scans_are_averaged_per_pressure_bin_and_column_chunk_by_chunk(self):
        # profile 0 (column 2): two scans in bin 0 (1 and 3), one in bin 2; profile 1
        # (column 0): one in bin 1 and a NaN value; profile 2 is shown in no column; a
        # pressure out of range is left out. Added in two chunks, split inside profile 0.
        profile_index = np.array([0, 0, 0, 1, 1, 2, 0])
        pressure = np.array([0.5, 1.5, 5.5, 3.0, 3.5, 1.0, 99.0])
        values = np.array([1.0, 3.0, 7.0, 5.0, np.nan, 9.0, 100.0])
        grid = SectionGrid(np.array([2, 0, -1]), 3, 0.0, 6.0, 3)
        grid.add(profile_index[:1], pressure[:1], values[:1])
        grid.add(profile_index[1:], pressure[1:], values[1:])
        expected = np.array([[np.nan, np.nan, 2.0],
                             [5.0, np.nan, np.nan],
                             [np.nan, np.nan, 7.0]])
        np.testing.assert_array_equal(grid.means(), expected)

    def test_more_profiles_than_columns_share_an_even_grid_in_time(self):
        # 3000 profiles a day apart, a 500-day gap after the first 1000, and one
        # profile (index 5) without data: 1200 columns, the gap's columns blank
        x = np.r_[np.arange(1000.0), 1500 + np.arange(2000.0)]
        shown = np.delete(np.arange(3000), 5)
        edges, column_of_profile = column_layout(x, shown, 3000)
        self.assertEqual(len(edges), 1201)
        self.assertEqual(column_of_profile[5], -1)
        self.assertEqual(column_of_profile[0], 0)
        self.assertEqual(column_of_profile[-1], 1199)
        self.assertTrue(np.all(np.diff(column_of_profile[shown]) >= 0))
        self.assertTrue(((edges[:-1] >= x[999] + 1) & (edges[1:] <= 1500)).any())
        gap = (edges[:-1] > x[999]) & (edges[1:] < 1500)
        self.assertFalse(np.isin(np.flatnonzero(gap), column_of_profile).any())


class GridFileTest(unittest.TestCase):
    """Sections drawn from a grid file: 4 profiles an hour apart, 6 bins of
    1 dbar from 10 dbar, temperature 10 * profile + bin; profile 2 and the
    first and last bins hold no value."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="quicklook-grid-")
        self.path = os.path.join(self.folder, "ctd_grid.nc")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def write_grid(self, bin_dimension="pressure", profiles_with_data=(0, 1, 3)):
        temperature = 10.0 * np.arange(4)[:, None] + np.arange(6)[None, :]
        temperature[:, [0, 5]] = np.nan
        temperature[[p for p in range(4) if p not in profiles_with_data]] = np.nan
        with netCDF4.Dataset(self.path, "w", format="NETCDF3_64BIT_OFFSET") as ds:
            ds.createDimension("profile", 4)
            ds.createDimension(bin_dimension, 6)
            ds.createDimension("bounds", 2)
            ds.createVariable("latitude", "f8", ())[...] = 47.5
            ds.createVariable("longitude", "f8", ())[...] = -128.25
            ds.createVariable("profile", "i4", ("profile",))[:] = [10, 11, 12, 13]
            time = ds.createVariable("time", "f8", ("profile",))
            time.units = "seconds since 2024-07-01T00:00:00Z"
            time[:] = 3600.0 * np.arange(4)
            ds.createVariable("pressure", "f8", (bin_dimension,))[:] = 10.5 + np.arange(6)
            ds.createVariable("pressure_bnds", "f8", (bin_dimension, "bounds"))[:] = \
                np.c_[10 + np.arange(6), 11 + np.arange(6)]
            for name, values in (("temperature", temperature), ("practical_salinity", temperature * 0 + 35)):
                ds.createVariable(name, "f4", ("profile", bin_dimension), fill_value=np.float32(np.nan))[:] = values

    def draw(self):
        """The notes and the temperature panel's values and pressure edges."""
        export = types.SimpleNamespace(grid_path=self.path, instruments={}, prefix="")
        path = os.path.join(self.folder, "sections.png")
        with mock.patch.object(sections_figure.fc, "save"), \
                mock.patch.object(sections_figure.fc, "new_figure", return_value=new_figure(14, 11)) as made:
            notes = draw_sections(export, path)
        panel = made.return_value.axes[0]
        meshes = [c for c in panel.collections if hasattr(c, "get_coordinates")]
        if not meshes:
            return notes, None, None
        return notes, np.ma.filled(meshes[0].get_array(), np.nan), np.unique(meshes[0].get_coordinates()[..., 1])

    def test_bins_with_values_are_drawn_one_column_per_profile_with_values(self):
        # bins of the grid as they are, or two grid bins to one of the figure
        for dimension in ("pressure", "depth"):
            for max_bins, rows, edges in ((200, [[1, 11, 31], [2, 12, 32], [3, 13, 33], [4, 14, 34]],
                                           [11, 12, 13, 14, 15]),
                                          (2, [[1.5, 11.5, 31.5], [3.5, 13.5, 33.5]], [11, 13, 15])):
                with self.subTest(dimension=dimension, max_bins=max_bins):
                    self.write_grid(dimension)
                    with mock.patch.object(sections_figure, "MAX_BINS", max_bins):
                        notes, values, pressure_edges = self.draw()
                    self.assertIn("Drawn from ctd_grid.nc: the mean of each profile's scans in bins of 1 dbar.",
                                  notes)
                    np.testing.assert_allclose(values.reshape(len(rows), -1), rows)
                    np.testing.assert_allclose(pressure_edges, edges)

    def test_a_grid_without_two_profiles_or_that_cannot_be_read_leaves_the_sections_to_the_scans(self):
        # (here the export has no ctd.nc: the scans' sections say so)
        self.write_grid(profiles_with_data=(1,))
        notes, values, _ = self.draw()
        self.assertFalse(any("Drawn from" in n for n in notes), notes)
        self.assertIn("ctd.nc is not in the export: no temperature, salinity or density.", notes)
        with open(self.path, "wb") as f:
            f.write(b"CDF\x02 not a whole file")
        notes, _, _ = self.draw()
        self.assertTrue(notes[0].startswith("ctd_grid.nc: "), notes)
        self.assertTrue(notes[0].endswith(": the sections are drawn from the scans."), notes)
        self.write_grid()
        with mock.patch.object(export_reader.Grid, "rows", side_effect=OSError("NetCDF: HDF error")):
            notes, values, _ = self.draw()
        self.assertEqual(notes[0], "ctd_grid.nc: its values could not be read (NetCDF: HDF error): "
                                   "the sections are drawn from the scans.")
        self.assertIsNone(values)


class FlaggedScansTest(unittest.TestCase):
    def test_the_worst_flag_of_the_variables_counts(self):
        values = {"temperature_qc": np.array([1, 3, 4, 1, 9, 2, 3], dtype=np.int8),
                  "practical_salinity_qc": np.array([1, 1, 3, 4, 9, np.nan, 1])}
        self.assertEqual(worst_flag(values, list(values)).tolist(), [0, SUSPECT, FAIL, FAIL, 0, 0, SUSPECT])

    def test_flagged_scans_beyond_the_limit_are_an_even_sample_counted_in_full(self):
        # 2000 flagged scans among 3000, in chunks of 7: every 32nd is kept (63 of them; at most 100)
        flagged = FlaggedSample(limit=100)
        grade = np.tile([SUSPECT, 0, FAIL], 1000)
        pressure = np.arange(3000.0)
        for start in range(0, 3000, 7):
            part = slice(start, start + 7)
            flagged.add(grade[part], {"pressure": pressure[part], "temperature": pressure[part] * 0 + 10,
                                      "practical_salinity": pressure[part] * 0 + 35}, 47.5, -128.25)
        result = flagged.result()
        self.assertEqual(result.counts, {SUSPECT: 1000, FAIL: 1000})
        self.assertEqual(result.stride, 32)
        expected = np.flatnonzero(grade)[::32]
        np.testing.assert_array_equal(result.water.pressure, pressure[expected])
        np.testing.assert_array_equal(result.grade, grade[expected])


class ThinnedLineTest(unittest.TestCase):
    def test_each_column_of_each_profile_keeps_its_first_last_lowest_and_highest_scan(self):
        # two columns (x < 5 and x >= 5); profile 1 comes back into column 0
        x = np.array([0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 3], dtype=float)
        y = np.array([5, 9, 1, 7, 6, 2, 8, 3, 4, 5, 0, 2, 1], dtype=float)
        group = np.array([0] * 10 + [1] * 3)
        kept = thinned(x, y, group, (0.0, 10.0), columns=2)
        self.assertEqual(kept.tolist(), [0, 1, 2, 4, 5, 6, 9, 10, 11, 12])
        self.assertEqual(thinned(x[:0], y[:0], group[:0], (0.0, 1.0)).tolist(), [])

    def test_a_line_added_in_chunks_keeps_its_extremes_and_breaks_between_profiles(self):
        # 50 profiles of 20000 scans, one dive each, added in chunks of 7777 scans
        scans = np.arange(1_000_000)
        profile = scans // 20_000
        x = scans / 1000.0
        y = np.abs(np.sin(np.pi * (scans % 20_000) / 20_000)) * 500 + (profile == 17) * 300
        line = ThinLine((0.0, 1000.0), columns=1000)
        for start in range(0, len(scans), 7777):
            part = slice(start, start + 7777)
            line.add(x[part], y[part], profile[part])
        lx, ly = line.with_breaks()
        self.assertLess(len(lx), 10_000)
        self.assertEqual(int(np.isnan(lx).sum()), 49)
        self.assertEqual(np.nanmax(ly), y.max())
        self.assertEqual(np.nanmin(ly), y.min())


class ContourLabelTest(unittest.TestCase):
    def test_labels_have_the_decimals_that_tell_the_levels_apart(self):
        # a small deployment's sigma0 spans a few hundredths: one decimal made every label alike
        for levels, fmt in (([22.7225, 22.725, 22.7275], "%.3f"), ([24.0, 24.5, 25.0], "%.1f"),
                            ([20.0, 22.0, 24.0], "%.1f"), ([26.0], "%.1f"), ([1.0, 1.001], "%.3f")):
            with self.subTest(levels=levels):
                self.assertEqual(level_format(levels), fmt)
                if len(levels) > 1:
                    labels = [fmt % level for level in levels]
                    self.assertEqual(len(set(labels)), len(labels))


class WaterTest(unittest.TestCase):
    # (C mS/cm, t degC ITS-90, p dbar, practical salinity): the check values of the export
    CHECKS = ((42.914, 14.996401, 0, 35.0000),
              (55.19754712635529, 27.962, 0, 34.30628739259972),
              (33.382144048823484, 4.9176, 909, 34.532505000117716),
              (32.48916082075326, 1.5998, 6131, 34.71492116956134),
              (1.0, 10, 0, 0.7064441440716867))

    def water(self, latitude=11.0, longitude=-30.0, **scans):
        return compute({k: np.asarray(v, dtype=float) for k, v in scans.items()}, latitude, longitude)

    def test_salinity_from_conductivity_when_the_file_has_none(self):
        c, t, p, sp = (np.array(column) for column in zip(*self.CHECKS))
        np.testing.assert_allclose(self.water(conductivity=c, temperature=t, pressure=p).salinity, sp, atol=1e-6)

    def test_density_follows_salinity_and_temperature(self):
        # sigma0 near 26.95 for 35 and 10 degC; fresher or warmer water is lighter; NaN stays NaN
        water = self.water(practical_salinity=[35, 34, 35, np.nan], temperature=[10, 10, 15, 10],
                           pressure=[100, 100, 100, 100])
        self.assertAlmostEqual(water.sigma0[0], 26.95, delta=0.1)
        self.assertLess(water.sigma0[1], water.sigma0[0])
        self.assertLess(water.sigma0[2], water.sigma0[0])
        self.assertTrue(np.isnan(water.sigma0[3]))

    def test_without_a_position_the_reference_salinity_is_used(self):
        water = self.water(latitude=float("nan"), practical_salinity=[35], temperature=[10], pressure=[0])
        self.assertAlmostEqual(water.sigma0[0], 26.97, delta=0.05)

    def test_the_notes_say_what_the_properties_stand_on(self):
        def ctd(names, latitude=11.0):
            return types.SimpleNamespace(file_name="ctd.nc", obs_names=names, latitude=latitude, longitude=-30.0)

        cases = (
            (("pressure", "temperature", "practical_salinity"), 11.0, True, []),
            (("pressure", "temperature", "conductivity"), 11.0, True, ["ctd.nc has no practical_salinity"]),
            (("pressure", "temperature"), 11.0, True, ["ctd.nc has neither practical_salinity nor conductivity"]),
            (("pressure", "temperature", "practical_salinity"), float("nan"), True, ["no station position"]),
            (("pressure", "practical_salinity"), 11.0, False, []),
        )
        for names, latitude, can, words in cases:
            with self.subTest(names=names, latitude=latitude):
                self.assertEqual(water.can_compute(ctd(names, latitude)), can)
                notes = water.notes(ctd(names, latitude))
                self.assertEqual(len(notes), len(words), notes)
                for note, word in zip(notes, words):
                    self.assertIn(word, note)


class ChunkReadingTest(unittest.TestCase):
    def test_chunks_give_every_scan_once_with_its_profile(self):
        # profiles of 3, 0, 5 and 1 scans, read 2 at a time and from scan 2 to 7
        folder = tempfile.mkdtemp(prefix="quicklook-chunks-")
        try:
            path = os.path.join(folder, "ctd.nc")
            write_ragged(path, np.array([3, 0, 5, 1]))
            ctd = read_instrument(path, "ctd")
            self.assertEqual(ctd.scan_count, 9)
            chunks = list(ctd.scan_chunks(["pressure", "no_such_variable"], chunk_scans=2))
            self.assertEqual([(c.start, c.stop) for c in chunks], [(0, 2), (2, 4), (4, 6), (6, 8), (8, 9)])
            self.assertEqual(np.concatenate([c.profile_index for c in chunks]).tolist(), [0, 0, 0, 2, 2, 2, 2, 2, 3])
            np.testing.assert_array_equal(np.concatenate([c.values["pressure"] for c in chunks]),
                                          np.arange(9, dtype=np.float32))
            self.assertEqual(set(chunks[0].values), {"pressure"})
            part = list(ctd.scan_chunks(["pressure"], 2, 7, chunk_scans=4))
            self.assertEqual(np.concatenate([c.profile_index for c in part]).tolist(), [0, 2, 2, 2, 2])
            self.assertEqual(ctd.scan_range("pressure"), (0.0, 8.0))
        finally:
            shutil.rmtree(folder, ignore_errors=True)


def write_ragged(path, rows):
    """Writes a ctd.nc at `path` with the row sizes `rows` and pressures 0, 1, 2, ..."""
    with netCDF4.Dataset(path, "w", format="NETCDF3_64BIT_OFFSET") as ds:
        ds.createDimension("profile", len(rows))
        ds.createDimension("obs", int(rows.sum()))
        ds.createVariable("profile", "i4", ("profile",))[:] = np.arange(len(rows))
        ds.createVariable("row_size", "i4", ("profile",))[:] = rows
        ds.createVariable("data_status", "i1", ("profile",))[:] = 0
        pressure = ds.createVariable("pressure", "f4", ("obs",), fill_value=np.float32(np.nan))
        pressure.units = "dbar"
        pressure[:] = np.arange(int(rows.sum()))


class ClassicSizeTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="quicklook-size-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def write(self, name, fmt, fill):
        path = os.path.join(self.folder, name)
        with netCDF4.Dataset(path, "w", format=fmt) as ds:
            fill(ds)
        return path

    def test_the_size_a_whole_file_needs_and_a_cut_file(self):
        def fixed(ds):
            ds.createDimension("obs", 7)
            ds.createVariable("a", "f4", ("obs",))[:] = np.arange(7)
            ds.createVariable("b", "i1", ("obs",))[:] = np.arange(7)
            ds.title = "fixed"

        def records(ds):
            ds.createDimension("t", None)
            ds.createDimension("n", 3)
            ds.createVariable("x", "f8", ("t", "n"))[:] = np.ones((5, 3))
            ds.createVariable("y", "i2", ("t",))[:] = np.arange(5)

        def one_record_variable(ds):
            ds.createDimension("t", None)
            ds.createVariable("y", "i1", ("t",))[:] = np.arange(9)

        def no_records(ds):
            ds.createDimension("t", None)
            ds.createVariable("y", "f4", ("t",))

        for name, fill in (("fixed", fixed), ("records", records), ("one", one_record_variable), ("none", no_records)):
            for fmt in ("NETCDF3_CLASSIC", "NETCDF3_64BIT_OFFSET"):
                with self.subTest(file=name, format=fmt):
                    path = self.write(f"{name}-{fmt}.nc", fmt, fill)
                    size = os.path.getsize(path)
                    required = required_size(path)
                    self.assertTrue(size - 4 < required <= size, (required, size))

    def test_other_formats_are_left_to_netcdf(self):
        path = self.write("four.nc", "NETCDF4", lambda ds: ds.createDimension("x", 1))
        self.assertIsNone(required_size(path))


if __name__ == "__main__":
    unittest.main()
