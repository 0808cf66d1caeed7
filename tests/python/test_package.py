"""The davrolin package against davrolin-unpack: read_deployment gives the
Datasets of the exported files, two threads get what two calls in a row get,
convert writes what the command line writes and refuses what it refuses.

Environment: PYTHONPATH holds the build's python/ folder; DAVROLIN_UNPACK is
the command line, DAVROLIN_SAMPLES the folder of the sample deployments."""
import filecmp
import os
import re
import subprocess
import sys
import tempfile
import threading
import unittest
import warnings

import xarray
import xarray.testing

import davrolin

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "export"))
from write_exports import DamagedCopy  # noqa: E402 (the export tests' damaged card)

UNPACK = os.environ["DAVROLIN_UNPACK"]
SAMPLES = os.environ["DAVROLIN_SAMPLES"]
METADATA = os.path.join(HERE, "..", "..", "sample", "metadata.ini")
RUN_DEPENDENT = ("history", "date_created")
# xarray warns on decoding the NaN of a missing time; the values are right.
warnings.filterwarnings("ignore", "invalid value encountered in cast", RuntimeWarning)


def without_run_attrs(ds):
    ds = ds.copy()
    for name in RUN_DEPENDENT:
        ds.attrs.pop(name, None)
    return ds


def unpack(*args):
    return subprocess.run([UNPACK, "--quiet", *args], capture_output=True, text=True, timeout=600)


class ReadDeployment(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.damaged = os.path.join(cls.tmp.name, "damaged")
        DamagedCopy(os.path.join(SAMPLES, "3.04"), cls.damaged)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def exported(self, source, args):
        """The Datasets xarray.open_dataset gives for the export of the same run."""
        dest = tempfile.mkdtemp(dir=self.tmp.name)
        done = unpack("--export", "netcdf", "--no-text", *args, source, dest)
        self.assertIn(done.returncode, (0, 1), done.stderr)
        found = {}
        for name in (*davrolin.read.INSTRUMENTS, "grid"):
            path = os.path.join(dest, davrolin.read.GRID_FILE if name == "grid" else name + ".nc")
            if os.path.exists(path):
                with xarray.open_dataset(path) as ds:
                    found[name] = ds.load()
        return found, done.returncode

    def test_datasets_are_the_exported_files(self):
        # (source, read_deployment's keywords, the same as command-line words)
        cases = (
            ("3.04", dict(metadata=METADATA), ["--metadata", METADATA, "--firmware", "auto"]),
            ("3.01", dict(latitude=-33.9, longitude=18.4),
             ["--firmware", "auto", "--latitude", "-33.9", "--longitude", "18.4"]),
            ("damaged", dict(metadata={"latitude": 47.5, "longitude": -128.25, "title": "damaged"}), None),
            ("3.04", dict(firmware="3.04", profiles=(3, 7), kinds=["ctd", "engineering"], latitude=1, longitude=2),
             ["--firmware", "3.04", "--profiles", "3-7", "--kinds", "ctd,engineering", "--latitude", "1",
              "--longitude", "2"]),
            ("3.04", dict(metadata=METADATA, qc=False, grid_step=2.5),
             ["--metadata", METADATA, "--no-qc", "--grid-step", "2.5"]),
        )
        for name, keywords, args in cases:
            with self.subTest(source=name, keywords=keywords):
                source = self.damaged if name == "damaged" else os.path.join(SAMPLES, name)
                if args is None:
                    ini = os.path.join(self.tmp.name, "damaged.ini")
                    with open(ini, "w") as f:
                        f.write("[METADATA]\n" + "".join(f"{k}={v}\n" for k, v in keywords["metadata"].items()))
                    args = ["--metadata", ini, "--firmware", "auto"]
                expected, code = self.exported(source, args)
                got = davrolin.read_deployment(source, **keywords)
                self.assertEqual(got.exit_code, code)
                self.assertTrue(expected)
                for instrument in (*davrolin.read.INSTRUMENTS, "grid"):
                    ds = getattr(got, instrument)
                    if instrument not in expected:
                        self.assertIsNone(ds)
                        continue
                    xarray.testing.assert_identical(without_run_attrs(ds), without_run_attrs(expected[instrument]))
                self.assertEqual(list(got.profiles.index), list(expected["ctd"]["profile"].values))

    def test_damaged_card_is_in_data_status_and_log(self):
        got = davrolin.read_deployment(self.damaged, metadata=METADATA)
        self.assertEqual(got.exit_code, 1)
        self.assertEqual(list(got.ctd["data_status"].values), [0, 0, 0, 0, 0, 1, 1, 1, 2, 5, 5, 5])
        self.assertTrue(any("E0000008" in line for line in got.log))
        self.assertEqual(list(got.profiles["ctd_data_status"]), [0, 0, 0, 0, 0, 1, 1, 1, 2, 5, 5, 5])

    def test_two_threads_get_what_two_calls_in_a_row_get(self):
        calls = ((os.path.join(SAMPLES, "3.04"), dict(metadata=METADATA)),
                 (os.path.join(SAMPLES, "3.01"), dict(latitude=-33.9, longitude=18.4)))
        in_a_row = [davrolin.read_deployment(source, **kw) for source, kw in calls]
        at_once = [None, None]

        def read(i):
            at_once[i] = davrolin.read_deployment(calls[i][0], **calls[i][1])

        threads = [threading.Thread(target=read, args=(i,)) for i in range(2)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        for a, b in zip(in_a_row, at_once):
            for instrument in davrolin.read.INSTRUMENTS:
                xarray.testing.assert_identical(without_run_attrs(getattr(a, instrument)),
                                                without_run_attrs(getattr(b, instrument)))
            # After the header's creation time; each call has a scratch folder of its own.
            scratch = re.compile(r"davrolin-read-[^/]+")
            self.assertEqual([scratch.sub("", line) for line in a.log[3:]],
                             [scratch.sub("", line) for line in b.log[3:]])


class Convert(unittest.TestCase):
    def test_writes_what_the_command_line_writes(self):
        with tempfile.TemporaryDirectory() as tmp:
            source = os.path.join(SAMPLES, "3.04")
            by_hand, by_call = os.path.join(tmp, "cli"), os.path.join(tmp, "py")
            done = unpack("--export", "netcdf,csv", "--metadata", METADATA, "--human", source, by_hand)
            self.assertEqual(done.returncode, 0, done.stderr)
            outcome = davrolin.convert(source, by_call, export=["netcdf", "csv"], metadata=METADATA, human=True)
            self.assertEqual(outcome.exit_code, 0)
            self.assertEqual(outcome.errors, [])
            self.assertEqual(outcome.files, sorted(os.listdir(by_hand)))
            self.assertEqual(outcome.profiles, {"engineering": (12, 0), "ctd": (12, 0), "acm": (12, 0)})
            names = [n for n in os.listdir(by_hand) if n != "DAVROLIN.LOG"]  # the log holds the time of the run
            match, mismatch, errors = filecmp.cmpfiles(by_hand, by_call, names, shallow=False)
            self.assertEqual((mismatch, errors), ([], []))

    def test_refusals_raise_with_the_command_lines_message(self):
        source = os.path.join(SAMPLES, "3.04")
        with tempfile.TemporaryDirectory() as tmp:
            dest = os.path.join(tmp, "out")
            cases = (
                (dict(jobs="x"), ValueError, ["--jobs", "x"]),
                (dict(bogus=1), ValueError, ["--bogus", "1"]),
                (dict(export="netcdf"), ValueError, ["--export", "netcdf"]),
                (dict(no_text=True), ValueError, ["--no-text"]),
                (dict(profile=99), ValueError, ["--profile", "99"]),
                (dict(settings=os.path.join(tmp, "none.ini")), OSError, ["--settings", os.path.join(tmp, "none.ini")]),
                (dict(source=os.path.join(tmp, "none")), OSError, None),
                (dict(dest=os.path.join(tmp, "a", "b", "c")), OSError, None),  # "a" is a file
            )
            open(os.path.join(tmp, "a"), "w").close()
            for options, error, args in cases:
                with self.subTest(options=options):
                    src = options.pop("source", source)
                    dst = options.pop("dest", dest)
                    with self.assertRaises(error) as raised:
                        davrolin.convert(src, dst, **options)
                    done = unpack(*(args or []), src, dst)
                    self.assertEqual(done.returncode, 2)
                    self.assertTrue(done.stderr.startswith(str(raised.exception)), (done.stderr, raised.exception))
            self.assertTrue(os.path.isfile(os.path.join(tmp, "a")))

    def test_damaged_card_is_no_exception(self):
        with tempfile.TemporaryDirectory() as tmp:
            damaged = os.path.join(tmp, "damaged")
            DamagedCopy(os.path.join(SAMPLES, "3.04"), damaged)
            outcome = davrolin.convert(damaged, os.path.join(tmp, "out"))
            self.assertEqual(outcome.exit_code, 1)
            self.assertTrue(outcome.errors)
            self.assertEqual(outcome.profiles["ctd"], (9, 4))
            done = unpack(damaged, os.path.join(tmp, "cli"))
            self.assertEqual(done.stderr.splitlines(), outcome.errors)


if __name__ == "__main__":
    unittest.main()
