"""Bad input gives a clear message and exit code 2, never a traceback, and
writes no page."""
import os
import shutil
import tempfile
import unittest

import netCDF4

from make_export import write_export
from quicklook_support import run_quicklook


class BadInputTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.workspace = tempfile.mkdtemp(prefix="quicklook-bad-")
        cls.good = os.path.join(cls.workspace, "good")
        write_export(cls.good, "normal", profiles=4, engineering_scans=20, ctd_scans=30, acm_scans=10)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.workspace, ignore_errors=True)

    def make_folder(self, name, files=()):
        """A copy of the good export holding only `files`."""
        folder = os.path.join(self.workspace, name)
        os.makedirs(folder)
        for file_name in files:
            shutil.copy(os.path.join(self.good, file_name), folder)
        return folder

    def write_file(self, folder, file_name, data):
        with open(os.path.join(folder, file_name), "wb") as f:
            f.write(data)

    def cases(self):
        """(name, export folder, out folder or None, words the message must hold)."""
        cases = [("no such folder", os.path.join(self.workspace, "absent"), None, ["absent", "no such folder"]),
                 ("folder without an export", self.make_folder("empty"), None, ["no export in this folder"])]

        folder = self.make_folder("text", ["engineering.nc"])
        self.write_file(folder, "ctd.nc", b"profile,time,pressure\r\n0,2024-07-01,10.0\r\n")
        cases.append(("text file named ctd.nc", folder, None, ["ctd.nc", "not a readable netCDF file"]))

        folder = self.make_folder("zero")
        self.write_file(folder, "acm.nc", b"")
        cases.append(("empty acm.nc", folder, None, ["acm.nc", "not a readable netCDF file"]))

        folder = self.make_folder("cut")
        with open(os.path.join(self.good, "ctd.nc"), "rb") as f:
            data = f.read()
        self.write_file(folder, "ctd.nc", data[: len(data) - 100])
        cases.append(("ctd.nc that lacks its last bytes", folder, None, ["ctd.nc", "cut short"]))

        folder = self.make_folder("foreign")
        with netCDF4.Dataset(os.path.join(folder, "engineering.nc"), "w", format="NETCDF3_64BIT_OFFSET") as ds:
            ds.createDimension("x", 3)
            ds.createVariable("x", "f4", ("x",))[:] = [1, 2, 3]
        cases.append(("netCDF file of another kind", folder, None,
                      ["engineering.nc", "not a deployment export", "row_size"]))

        folder = self.make_folder("ragged", ["ctd.nc"])
        with netCDF4.Dataset(os.path.join(folder, "ctd.nc"), "a") as ds:
            ds["row_size"][0] = ds["row_size"][0] + 5
        cases.append(("row sizes that do not add up", folder, None, ["ctd.nc", "row sizes add up to"]))

        folder = self.make_folder("prefixes", ["ctd.nc"])
        shutil.copy(os.path.join(self.good, "ctd.nc"), os.path.join(folder, "B_ctd.nc"))
        cases.append(("two exports in one folder", folder, None, ["several prefixes", "--prefix"]))

        out_file = os.path.join(self.workspace, "a-file")
        self.write_file(self.workspace, "a-file", b"x")
        cases.append(("OUT_DIR is a file", self.good, out_file, ["a-file", "cannot be written"]))
        return cases

    def test_bad_input_is_refused_with_exit_2_and_a_clear_message(self):
        for name, folder, out, words in self.cases():
            with self.subTest(case=name):
                out = out or os.path.join(self.workspace, "out-" + name.replace(" ", "-"))
                code, stdout, stderr = run_quicklook(folder, out)
                self.assertEqual(code, 2, stderr)
                self.assertNotIn("Traceback", stderr)
                self.assertTrue(stderr.startswith("davrolin-quicklook: "), stderr)
                self.assertEqual(len(stderr.strip().splitlines()), 1, stderr)
                for word in words:
                    self.assertIn(word, stderr)
                self.assertFalse(os.path.exists(os.path.join(out, "index.html")))

    def test_a_bad_command_line_gives_the_usage_and_exit_2(self):
        for args in ([], [self.good], [self.good, "out", "extra"], ["--colour", "red", self.good, "out"]):
            with self.subTest(args=args):
                code, _, stderr = run_quicklook(*args)
                self.assertEqual(code, 2)
                self.assertIn("usage: davrolin-quicklook", stderr)
                self.assertNotIn("Traceback", stderr)

    def test_a_prefix_chooses_between_two_exports(self):
        folder = self.make_folder("two", ["ctd.nc", "engineering.nc"])
        shutil.copy(os.path.join(self.good, "ctd.nc"), os.path.join(folder, "B_ctd.nc"))
        out = os.path.join(self.workspace, "out-prefix")
        code, _, stderr = run_quicklook("--prefix", "B_", folder, out)
        self.assertEqual(code, 0, stderr)
        with open(os.path.join(out, "index.html"), encoding="utf-8") as f:
            page = f.read()
        self.assertIn("<p class=\"lead\">B_ctd.nc</p>", page)
        self.assertIn("engineering.nc is not in the export", page)


if __name__ == "__main__":
    unittest.main()
