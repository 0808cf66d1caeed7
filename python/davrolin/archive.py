"""The deployments of an archive and what a batch knows of each before it
converts anything: where they are, a digest of their inputs, and the
manifest of the last batch into the same destination."""
import csv
import hashlib
import json
import os

MANIFEST_CSV = "batch.csv"
MANIFEST_JSON = "batch.json"
DEPLOY_FILE = "DEPLOY.DAT"

# The manifest's columns, in order.
COLUMNS = ("path", "firmware", "status", "exit_code", "profiles_engineering", "profiles_ctd", "profiles_acm",
           "profiles_not_complete", "errors", "seconds", "sha256", "options")


def has_deploy_file(names):
    return any(name.upper() == DEPLOY_FILE for name in names)


def find_deployments(root, skip=None):
    """The folders under `root` (itself included) that hold a DEPLOY.DAT, as
    paths relative to `root` ("." for root itself), sorted. `skip`: a folder
    not to look into (the batch's destination)."""
    root = os.path.abspath(root)
    skip = os.path.abspath(skip) if skip else None
    found = []
    for folder, subfolders, names in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders if os.path.join(folder, d) != skip)
        if has_deploy_file(names):
            found.append(os.path.relpath(folder, root))
    return sorted(found)


def input_digest(folder):
    """SHA-256 over the files of a deployment folder (not its subfolders):
    each file's name, size and bytes, in name order."""
    digest = hashlib.sha256()
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            continue
        digest.update(f"{name}\0{os.path.getsize(path)}\0".encode())
        with open(path, "rb") as f:
            for block in iter(lambda: f.read(1 << 20), b""):
                digest.update(block)
    return digest.hexdigest()


def file_digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def read_manifest(dest):
    """The rows of the last batch into `dest` by path; empty without one."""
    try:
        with open(os.path.join(dest, MANIFEST_JSON), encoding="utf-8") as f:
            return {row["path"]: row for row in json.load(f)["deployments"]}
    except (OSError, ValueError, KeyError, TypeError):
        return {}


def write_manifest(dest, rows, batch):
    """batch.csv and batch.json, each written whole under a temporary name first."""
    rows = sorted(rows, key=lambda r: r["path"])
    path = os.path.join(dest, MANIFEST_CSV)
    with open(path + ".part", "w", newline="", encoding="utf-8") as f:
        writer = csv.DictWriter(f, fieldnames=COLUMNS, lineterminator="\n")
        writer.writeheader()
        for row in rows:
            writer.writerow({k: ("; ".join(v) if isinstance(v, list) else v) for k, v in row.items()})
    os.replace(path + ".part", path)
    path = os.path.join(dest, MANIFEST_JSON)
    with open(path + ".part", "w", encoding="utf-8") as f:
        json.dump({"batch": batch, "deployments": rows}, f, indent=1)
        f.write("\n")
    os.replace(path + ".part", path)
