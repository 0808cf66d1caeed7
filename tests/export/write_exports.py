#!/usr/bin/python3
"""Writes the exports the export's and the quick look's tests read:

    write_exports.py DAVROLIN_UNPACK SAMPLE_DIR OUT_DIR [DAVROLIN_MAKE_SAMPLE]

SAMPLE_DIR holds the sample deployments 3.01 and 3.04. Into OUT_DIR:
  3.04/          the 3.04 sample with the text files (machine form) and the
                 export, metadata from sample/metadata.ini
  3.01/          the 3.01 sample, export only, the position from the command line
  damaged/       the export of a damaged copy of the 3.04 sample (damaged-source/)
  deployment/    with DAVROLIN_MAKE_SAMPLE: the export of a deployment of many
                 files that it writes (deployment-source/: kDeployment)
  runs.json      each run's command line (folders relative), exit code and stderr
Exit code 1 when a run ends otherwise than expected.
"""
import json
import os
import shutil
import subprocess
import sys

kHere = os.path.dirname(os.path.abspath(__file__))
kMetadata = os.path.join(os.path.dirname(os.path.dirname(kHere)), "sample", "metadata.ini")
kExport = ["--quiet", "--export", "netcdf,csv"]

# The damage done to the copy, on files of four profiles each (the sample's
# CTD profile is 6 scans of 9 bytes, the end mark and 8 bytes of sensor
# times: 71 bytes; the ACM profile 6 x 18 + 18 + 8 = 134 bytes). A missing
# data file or a cut ACM file stops its kind; a CTD file cut among the scans
# does not, one cut inside the sensor times does.
kCtdProfileBytes, kAcmProfileBytes = 71, 134
# A deployment as a real card holds it: many data files of several profiles,
# profiles of hundreds of scans.
kDeployment = ["--last-profile", "119", "--per-file", "10", "--scans", "400"]
kDamage = (
    ("E0000008.DAT", None),                         # engineering profiles 8 to 11: data file missing
    ("C0000004.DAT", kCtdProfileBytes + 20),        # CTD profile 5 cut after two scans, 6 and 7 absent
    ("C0000008.DAT", kCtdProfileBytes - 4),         # CTD profile 8 whole but for half its sensor times
    ("A0000004.DAT", kAcmProfileBytes + 40),        # ACM profile 5 cut after two scans
)
# What the damage gives, per instrument and profile.
kDamagedStatus = {
    "engineering": [0] * 8 + [4] * 4,
    "ctd": [0, 0, 0, 0, 0, 1, 1, 1, 2, 5, 5, 5],
    "acm": [0, 0, 0, 0, 0, 1, 5, 5, 5, 5, 5, 5],
}
kDamagedCtdScans = [6, 6, 6, 6, 6, 2, 0, 0, 6, 0, 0, 0]


def DamagedCopy(sample, folder):
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(sample, folder)
    for name, keep in kDamage:
        path = os.path.join(folder, name)
        if keep is None:
            os.remove(path)
        else:
            os.truncate(path, keep)


def Runs(samples, out, deployment):
    """(name, arguments, expected exit code) of each run."""
    runs = (
        ("3.04", kExport + ["--metadata", kMetadata, os.path.join(samples, "3.04")], 0),
        ("3.01", kExport + ["--no-text", "--firmware", "auto", "--latitude", "-33.9", "--longitude", "18.4",
                            os.path.join(samples, "3.01")], 0),
        ("damaged", kExport + ["--no-text", "--metadata", kMetadata, os.path.join(out, "damaged-source")], 1),
    )
    if deployment:
        runs += (("deployment", kExport + ["--no-text", "--metadata", kMetadata, deployment], 0),)
    return runs


def Main(argv):
    unpack, samples, out = argv[:3]
    os.makedirs(out, exist_ok=True)
    DamagedCopy(os.path.join(samples, "3.04"), os.path.join(out, "damaged-source"))
    deployment = None
    if len(argv) > 3:
        deployment = os.path.join(out, "deployment-source")
        shutil.rmtree(deployment, ignore_errors=True)
        subprocess.run([argv[3], *kDeployment, deployment], check=True, capture_output=True, timeout=600)
    record, failed = {}, False
    for name, args, expected in Runs(samples, out, deployment):
        dest = os.path.join(out, name)
        shutil.rmtree(dest, ignore_errors=True)
        done = subprocess.run([unpack, *args, dest], capture_output=True, text=True, timeout=600)
        shown = [a.replace(samples, "SAMPLES").replace(out, "OUT") for a in args]
        record[name] = {"args": shown, "exit_code": done.returncode, "stderr": done.stderr}
        if done.returncode != expected:
            failed = True
            print(f"{name}: davrolin-unpack {' '.join(shown)} DEST ended with {done.returncode}, "
                  f"not {expected}\n{done.stderr}", file=sys.stderr)
    with open(os.path.join(out, "runs.json"), "w") as f:
        json.dump(record, f, indent=1)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv[1:]))
