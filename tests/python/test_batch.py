"""davrolin-batch against a real Dask scheduler: dask-scheduler and two
dask-worker processes on 127.0.0.1 (free ports, chosen by the scheduler and
the workers themselves), a small archive of generated deployments of both
firmwares, some damaged or refused; the manifest, the outputs against
davrolin-unpack runs of each deployment, a re-run, and the Zarr store
against the netCDF files.

Environment: as test_package.py, and DAVROLIN_MAKE_SAMPLE (the deployment
writer) and DAVROLIN_BATCH (the build's davrolin-batch)."""
import contextlib
import csv
import filecmp
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import warnings

import numpy
import xarray

UNPACK = os.environ["DAVROLIN_UNPACK"]
MAKE_SAMPLE = os.environ["DAVROLIN_MAKE_SAMPLE"]
BATCH = os.environ["DAVROLIN_BATCH"]
warnings.filterwarnings("ignore", "invalid value encountered in cast", RuntimeWarning)

# (path under the root, firmware, shape, metadata file?, damage, expected status)
ARCHIVE = (
    ("north/N-2023", "3.04", [], True, None, "converted"),
    ("north/N-2024", "3.01", ["--last-profile", "7", "--per-file", "2"], True, None, "converted"),
    ("south/S-2023", "3.04", [], True, ("C0000004.DAT", 91), "damaged"),  # CTD profile 5 cut
    ("south/S-2024", "3.01", [], False, None, "refused"),           # no position for netCDF
    ("south/deep/S-2025", "3.04", [], True, "version", "refused"),  # DEPLOY.DAT names no firmware
)


def metadata(name):
    return (f"[METADATA]\ntitle = {name}\nstation_name = {name}\nlatitude = -40.5\nlongitude = 150.25\n"
            "date_created = 2025-01-02T03:04:05Z\n")


def make_archive(root, meta):
    for path, firmware, shape, has_meta, damage, _ in ARCHIVE:
        folder = os.path.join(root, path)
        subprocess.run([MAKE_SAMPLE, "--firmware", firmware, *shape, folder], check=True)
        name = os.path.basename(path)
        if has_meta:
            with open(os.path.join(meta, name + ".ini"), "w") as f:
                f.write(metadata(name))
        if damage == "version":
            with open(os.path.join(folder, "DEPLOY.DAT"), "r+b") as f:
                f.write(b"\x01\x2c")  # 300
        elif damage:
            os.truncate(os.path.join(folder, damage[0]), damage[1])


def read_manifest(dest):
    with open(os.path.join(dest, "batch.csv"), newline="") as f:
        return {row["path"]: row for row in csv.DictReader(f)}


class Cluster:
    """dask-scheduler and two dask-worker processes on 127.0.0.1."""

    def __init__(self, folder):
        self.processes = []
        scheduler_file = os.path.join(folder, "scheduler.json")
        common = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=folder)
        self.start(["dask-scheduler", "--host", "127.0.0.1", "--port", "0", "--dashboard-address", "127.0.0.1:0",
                    "--scheduler-file", scheduler_file], common)
        deadline = time.monotonic() + 120
        while not os.path.exists(scheduler_file):
            if time.monotonic() > deadline or self.processes[0].poll() is not None:
                raise RuntimeError("dask-scheduler did not start")
            time.sleep(0.2)
        time.sleep(0.2)
        with open(scheduler_file) as f:
            self.address = json.load(f)["address"]
        for _ in range(2):
            self.start(["dask-worker", self.address, "--host", "127.0.0.1", "--nthreads", "1", "--nworkers", "1",
                        "--no-dashboard", "--local-directory", folder], common)
        from distributed import Client
        with Client(self.address, timeout=120) as client:
            client.wait_for_workers(2, timeout=120)

    def start(self, words, common):
        self.processes.append(subprocess.Popen(words, **common))

    def stop(self):
        for p in reversed(self.processes):
            p.terminate()
        for p in reversed(self.processes):
            try:
                p.wait(timeout=30)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()


class ArchiveTest(unittest.TestCase):
    """The test archive in a folder of its own: root, dest and meta."""

    prefix = "davrolin-batch-test-"

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix=self.prefix)
        self.root, self.dest, self.meta = (os.path.join(self.tmp, n) for n in ("root", "dest", "meta"))
        os.makedirs(self.meta)
        make_archive(self.root, self.meta)

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)


class BatchOnScheduler(ArchiveTest):
    def setUp(self):
        super().setUp()
        self.cluster = Cluster(self.tmp)

    def tearDown(self):
        self.cluster.stop()
        super().tearDown()

    def batch(self, *extra):
        store = os.path.join(self.tmp, "archive.zarr")
        done = subprocess.run([sys.executable, BATCH, self.root, self.dest, "--scheduler", self.cluster.address,
                               "--metadata-dir", self.meta, "--export", "netcdf,csv", "--zarr", store, *extra],
                              capture_output=True, text=True, timeout=600)
        return done, store

    def test_batch(self):
        done, store = self.batch()
        self.assertEqual(done.returncode, 1, done.stdout + done.stderr)  # damaged and refused deployments
        rows = read_manifest(self.dest)
        self.assertEqual(sorted(rows), sorted(a[0] for a in ARCHIVE))
        for path, firmware, _, has_meta, damage, status in ARCHIVE:
            row = rows[path]
            with self.subTest(path=path):
                self.assertEqual(row["status"], status, row)
                self.assertEqual(row["firmware"], "" if damage == "version" else firmware)
                self.assertEqual(len(row["sha256"]), 64)
                if status == "refused":
                    self.assertEqual(row["exit_code"], "2")
                    self.assertIn("--firmware auto" if damage == "version" else "position", row["errors"])
                    continue
                self.assertEqual(row["exit_code"], "0")  # a cut CTD file stops no step
                # The same bytes as davrolin-unpack with the same options.
                words = ["--firmware", "auto", "--export", "netcdf,csv",
                         "--metadata", os.path.join(self.meta, os.path.basename(path) + ".ini")]
                by_hand = os.path.join(self.tmp, "by-hand", path)
                os.makedirs(os.path.dirname(by_hand), exist_ok=True)
                subprocess.run([UNPACK, "--quiet", *words, os.path.join(self.root, path), by_hand],
                               capture_output=True, timeout=600)
                names = sorted(os.listdir(by_hand))
                self.assertEqual(names, sorted(os.listdir(os.path.join(self.dest, path))))
                names.remove("DAVROLIN.LOG")  # it holds the time of the run
                _, mismatch, errors = filecmp.cmpfiles(by_hand, os.path.join(self.dest, path), names, shallow=False)
                self.assertEqual((mismatch, errors), ([], []))
        self.assertEqual(rows["north/N-2024"]["profiles_ctd"], "8")
        self.assertEqual((rows["south/S-2023"]["profiles_ctd"], rows["south/S-2023"]["profiles_not_complete"]),
                         ("12", "3"))
        self.assertIn("Error reading from CTD file for profile 5", rows["south/S-2023"]["errors"])
        with open(os.path.join(self.dest, "batch.json")) as f:
            self.assertEqual(len(json.load(f)["deployments"]), len(ARCHIVE))

        self.check_zarr(store, [p for p, *_, s in ARCHIVE if s != "refused"])

        # Again: nothing converted; then one deployment's input changes.
        done, _ = self.batch()
        self.assertEqual({r["status"] for r in read_manifest(self.dest).values()}, {"unchanged"}, done.stdout)
        os.truncate(os.path.join(self.root, "north/N-2023/A0000008.DAT"), 100)
        done, _ = self.batch()
        rows = read_manifest(self.dest)
        self.assertEqual({p: r["status"] for p, r in rows.items() if r["status"] != "unchanged"},
                         {"north/N-2023": "damaged"})

    def check_zarr(self, store, converted):
        for instrument in ("ctd", "acm", "engineering"):
            whole = xarray.open_zarr(store, group=instrument)
            self.assertEqual(list(whole["deployment_path"].values), converted)
            profile_start = obs_start = 0
            for index, path in enumerate(converted):
                with xarray.open_dataset(os.path.join(self.dest, path, instrument + ".nc")) as part:
                    profiles, obs = part.dims["profile"], part.dims["obs"]
                    got = whole.isel(profile=slice(profile_start, profile_start + profiles),
                                     obs=slice(obs_start, obs_start + obs), station=index).load()
                    self.assertTrue((got["station_index"].values == index).all())
                    for name, variable in part.variables.items():
                        if name in ("station_index", "deployment"):
                            continue
                        with self.subTest(instrument=instrument, path=path, variable=name):
                            self.assertEqual(sorted(got[name].attrs), sorted(variable.attrs))
                            for key, value in variable.attrs.items():
                                self.assertTrue(numpy.array_equal(got[name].attrs[key], value), key)
                            values = variable.values if variable.dims != ("station",) else variable.values[0]
                            numpy.testing.assert_array_equal(got[name].values, values)
                profile_start += profiles
                obs_start += obs
            self.assertEqual((whole.dims["profile"], whole.dims["obs"]), (profile_start, obs_start))


class BatchOnLocalCluster(ArchiveTest):
    """--workers: the batch's own cluster, its workers threads of the batch's process."""

    prefix = "davrolin-batch-local-"

    def test_local_cluster(self):
        done = subprocess.run([sys.executable, BATCH, self.root, self.dest, "--workers", "2", "--metadata-dir",
                               self.meta, "--export", "netcdf,csv"], capture_output=True, text=True, timeout=600)
        self.assertEqual(done.returncode, 1, done.stdout + done.stderr)  # damaged and refused deployments
        rows = read_manifest(self.dest)
        self.assertEqual({p: r["status"] for p, r in rows.items()}, {a[0]: a[-1] for a in ARCHIVE})
        # Side by side in one process, each wrote what davrolin-unpack writes alone.
        for path in (a[0] for a in ARCHIVE if a[-1] != "refused"):
            by_hand = os.path.join(self.tmp, "by-hand", path)
            subprocess.run([UNPACK, "--quiet", "--firmware", "auto", "--export", "netcdf,csv", "--metadata",
                            os.path.join(self.meta, os.path.basename(path) + ".ini"), os.path.join(self.root, path),
                            by_hand], capture_output=True, timeout=600)
            names = sorted(set(os.listdir(by_hand)) - {"DAVROLIN.LOG"})
            _, mismatch, errors = filecmp.cmpfiles(by_hand, os.path.join(self.dest, path), names, shallow=False)
            self.assertEqual((path, mismatch, errors), (path, [], []))


class BatchCommandLine(unittest.TestCase):
    def test_unpack_options_pass_through(self):
        from davrolin.batch import parse_args
        args, unpack = parse_args(["root", "dest", "--workers", "3", "--metadata", "m.ini", "--export",
                                   "csv,netcdf", "--quiet", "--zarr", "z"])
        self.assertEqual((args.workers, args.zarr, args.metadata_dir), (3, "z", None))
        self.assertEqual(unpack, ["--metadata", "m.ini", "--export", "csv,netcdf"])
        for refused in (["--scheduler", "tcp://x:1", "--workers", "2"], ["--metadata-dir", "d", "--metadata=m"],
                        ["--zarr", "z"], ["--zarr", "z", "--export", "csv"], ["--workers", "0"]):
            with self.subTest(words=refused), self.assertRaises(SystemExit) as raised, \
                    contextlib.redirect_stderr(io.StringIO()):
                parse_args(["root", "dest", *refused])
            self.assertEqual(raised.exception.code, 2)


if __name__ == "__main__":
    unittest.main()
