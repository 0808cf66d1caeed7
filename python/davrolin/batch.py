"""davrolin-batch: every deployment under a folder converted on Dask.

    davrolin-batch ROOT DEST [--scheduler ADDRESS | --workers N]
                   [--export netcdf,csv] [--metadata-dir DIR] [--zarr STORE]
                   [any davrolin-unpack option]

Each folder under ROOT that holds a DEPLOY.DAT is converted into
DEST/<its path under ROOT> by the run of davrolin.convert, on a Dask worker: a local
cluster of N single-threaded workers in this process (default: one per core;
a conversion runs without the interpreter lock), or the running scheduler at
ADDRESS. Its firmware is read from its DEPLOY.DAT
(--firmware auto) unless --firmware is given; its metadata is
DIR/<its folder's name>.ini when --metadata-dir has one. What happened to each
deployment is in DEST/batch.csv and DEST/batch.json; a deployment that is
damaged, refused or fails is listed with its reason and the batch goes on.
Run again, only deployments whose inputs or options changed are converted.
Exit code 0 when every deployment converted without errors (or was
unchanged), 1 otherwise, 2 for a bad batch command line."""
import argparse
import os
import sys
import time

from . import _davrolin, archive
from .convert import run_words

DEFAULT_NAME = "davrolin-batch"


def parse_args(argv):
    synopsis, description = __doc__.split("\n\n")[1:3]
    parser = argparse.ArgumentParser(prog=DEFAULT_NAME, usage=synopsis.strip(), description=description,
                                     epilog="Any other option is davrolin-unpack's (davrolin-unpack --help).",
                                     formatter_class=argparse.RawDescriptionHelpFormatter,
                                     allow_abbrev=False)  # --metadata is davrolin-unpack's, not --metadata-dir
    parser.add_argument("root", metavar="ROOT", help="folder holding the deployments (at any depth)")
    parser.add_argument("dest", metavar="DEST", help="folder receiving them, one folder each")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--scheduler", metavar="ADDRESS", help="a running Dask scheduler (tcp://host:port)")
    where.add_argument("--workers", metavar="N", type=int, help="workers of the local cluster (default: cores)")
    parser.add_argument("--metadata-dir", metavar="DIR", help="per-deployment metadata: DIR/<folder name>.ini")
    parser.add_argument("--zarr", metavar="STORE", help="also one Zarr store of every deployment's profiles")
    args, unpack = parser.parse_known_args(argv)
    if args.workers is not None and args.workers < 1:
        parser.error("--workers: N must be 1 or more")
    if args.metadata_dir and option_value(unpack, "--metadata") is not None:
        parser.error("--metadata-dir and --metadata: give one of them")
    if args.zarr and "netcdf" not in (option_value(unpack, "--export") or "").split(","):
        parser.error("--zarr is made from the netCDF files: give --export netcdf (or netcdf,csv)")
    return args, [w for w in unpack if w != "--quiet"]


def option_value(words, name):
    """The value of option `name` among the words, or None."""
    for i, w in enumerate(words):
        if w == name and i + 1 < len(words):
            return words[i + 1]
        if w.startswith(name + "="):
            return w[len(name) + 1:]
    return None


def plan_one(root, dest, rel, unpack, metadata_dir):
    """On a worker: what converting deployment `rel` means (its folders,
    options, firmware and the digest of its inputs)."""
    source = os.path.normpath(os.path.join(root, rel))
    words = list(unpack)
    digests = []
    if option_value(words, "--firmware") is None:
        words = ["--firmware", "auto"] + words
    if metadata_dir:
        name = os.path.basename(source)
        path = os.path.join(metadata_dir, name + ".ini")
        if os.path.isfile(path):
            words += ["--metadata", os.path.abspath(path)]
            digests.append(archive.file_digest(path))
    firmware = option_value(words, "--firmware")
    if firmware == "auto":
        deploy = next(n for n in sorted(os.listdir(source)) if n.upper() == archive.DEPLOY_FILE)
        firmware = _davrolin.firmware_of(os.path.join(source, deploy)) or ""
    options = " ".join(words) + "".join(" metadata-sha256=" + d for d in digests)
    return {"path": rel, "source": source, "dest": os.path.normpath(os.path.join(dest, rel)), "words": words,
            "firmware": firmware, "sha256": archive.input_digest(source), "options": options}


def unchanged(plan, before):
    """Whether the last batch converted this deployment from the same inputs
    with the same options (one that failed is tried again)."""
    return (before is not None and before.get("status") != "failed" and before.get("sha256") == plan["sha256"]
            and before.get("options") == plan["options"])


def process_one(root, dest, rel, unpack, metadata_dir, before):
    """On a worker: deployment `rel` converted, unless `before` (its row of
    the last batch's manifest, or None) says it is unchanged; its row."""
    try:
        plan = plan_one(root, dest, rel, unpack, metadata_dir)
    except OSError as e:
        return dict({k: "" for k in archive.COLUMNS}, path=rel, status="failed", exit_code=2, errors=[str(e)],
                    seconds=0)
    if unchanged(plan, before):
        return dict(before, status="unchanged", seconds=0)
    return convert_one(plan)


def convert_one(plan):
    """On a worker: converts one deployment; its manifest row."""
    row = {k: plan[k] for k in ("path", "firmware", "sha256", "options")}
    started = time.monotonic()
    try:
        os.makedirs(os.path.dirname(plan["dest"]), exist_ok=True)  # davrolin-unpack makes one level
        result = run_words(plan["words"] + ["--quiet", plan["source"], plan["dest"]])
        counts, errors = result["profiles"], list(result["errors"])
        incomplete = sum(c[1] for c in counts.values())
        # A card whose files end early is read as far as it goes, and the run
        # may end without a failing step: damaged all the same.
        damaged = result["exit_code"] != 0 or errors or incomplete
        row.update(status="damaged" if damaged else "converted", exit_code=result["exit_code"],
                   profiles_engineering=counts["engineering"][0], profiles_ctd=counts["ctd"][0],
                   profiles_acm=counts["acm"][0], profiles_not_complete=incomplete, errors=errors)
    except ValueError as e:
        row.update(status="refused", exit_code=2, errors=[str(e)])
    except Exception as e:  # noqa: BLE001 (a failing deployment never stops the batch)
        row.update(status="failed", exit_code=2 if isinstance(e, OSError) else -1, errors=[str(e)])
    for key in ("profiles_engineering", "profiles_ctd", "profiles_acm", "profiles_not_complete"):
        row.setdefault(key, "")
    row["seconds"] = round(time.monotonic() - started, 3)
    return row


class Progress:
    """A bar on a terminal (tqdm), one line per deployment otherwise."""

    def __init__(self, total, stream=sys.stderr):
        self.bar = None
        if stream.isatty():
            try:
                import tqdm
                self.bar = tqdm.tqdm(total=total, unit="deployment", file=stream)
            except ImportError:
                pass
        self.total, self.done = total, 0

    def row(self, row):
        self.done += 1
        if self.bar is not None:
            self.bar.set_postfix_str(row["path"], refresh=False)
            self.bar.update(1)
        else:
            print(f"[{self.done}/{self.total}] {row['status']:<9} {row['path']} ({row['seconds']} s)", flush=True)

    def close(self):
        if self.bar is not None:
            self.bar.close()


def client_for(args):
    from distributed import Client, LocalCluster
    if args.scheduler:
        return Client(args.scheduler), None
    workers = args.workers or os.cpu_count() or 1
    # Worker threads in this process: a conversion releases the interpreter
    # lock while it runs, and threads spare the batch starting processes.
    cluster = LocalCluster(n_workers=workers, threads_per_worker=1, processes=False, dashboard_address=None)
    return Client(cluster), cluster


def main(argv=None):
    args, unpack = parse_args(sys.argv[1:] if argv is None else argv)
    root, dest = os.path.abspath(args.root), os.path.abspath(args.dest)
    if not os.path.isdir(root):
        print(f"{DEFAULT_NAME}: {args.root} is not a folder", file=sys.stderr)
        return 2
    os.makedirs(dest, exist_ok=True)
    found = archive.find_deployments(root, skip=dest)
    earlier = archive.read_manifest(dest)
    metadata_dir = os.path.abspath(args.metadata_dir) if args.metadata_dir else None

    from distributed import as_completed
    client, cluster = client_for(args)
    try:
        progress = Progress(len(found))
        rows = []
        futures = client.map(process_one, [root] * len(found), [dest] * len(found), found,
                             [unpack] * len(found), [metadata_dir] * len(found),
                             [earlier.get(rel) for rel in found], pure=False)
        paths = {future.key: rel for future, rel in zip(futures, found)}
        for future in as_completed(futures):
            try:
                row = future.result()
            except Exception as e:  # noqa: BLE001 (a worker lost with its deployment)
                row = dict({k: "" for k in archive.COLUMNS}, path=paths[future.key], status="failed",
                           exit_code=-1, errors=[f"{type(e).__name__}: {e}"], seconds=0)
            rows.append(row)
            progress.row(row)
        progress.close()
    finally:
        client.close()
        if cluster is not None:
            cluster.close()

    archive.write_manifest(dest, rows, {"root": root, "options": unpack,
                                        "metadata_dir": metadata_dir or ""})
    if args.zarr:
        from .zarr_store import write_store
        write_store(args.zarr, dest, rows, option_value(unpack, "--prefix") or "")
    counts = {}
    for row in rows:
        counts[row["status"]] = counts.get(row["status"], 0) + 1
    print(f"{DEFAULT_NAME}: {len(rows)} deployments: " + ", ".join(f"{n} {s}" for s, n in sorted(counts.items())),
          file=sys.stderr)
    clean = all(r["status"] == "converted" or (r["status"] == "unchanged" and str(r["exit_code"]) == "0"
                                               and not r["errors"] and str(r["profiles_not_complete"]) == "0")
                for r in rows)
    return 0 if clean else 1


if __name__ == "__main__":
    sys.exit(main())
