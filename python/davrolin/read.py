"""davrolin.read_deployment: a deployment decoded into xarray Datasets.

The run is davrolin-unpack's with --export netcdf --no-text; the export makes
its netCDF files in memory, and each is opened from those bytes as
xarray.open_dataset opens the file, so a Dataset here is the exported file's.
The run's log goes to a private temporary folder, removed before the call
returns.

xarray, pandas and netCDF4 are imported on the first call, so that
`import davrolin` stays quick for convert() and davrolin-batch's workers."""
from __future__ import annotations

import dataclasses
import os
import shutil
import tempfile

from .convert import command_words, log_lines, run_words

INSTRUMENTS = ("ctd", "acm", "engineering")
GRID_FILE = "ctd_grid.nc"


@dataclasses.dataclass
class Deployment:
    ctd: xarray.Dataset             # None when the run did not read the kind
    acm: xarray.Dataset
    engineering: xarray.Dataset
    grid: xarray.Dataset            # ctd_grid.nc's bin means; None when the export made no grid
    profiles: pandas.DataFrame      # one row per profile: each instrument's per-profile variables
    log: list                       # the activity log's lines
    exit_code: int                  # 0 no errors, 1 the run had errors (a damaged card)


def _open_bytes(name, data):
    import netCDF4
    import xarray
    from . import _davrolin
    # netCDF-C is shared with the runs of other threads: use it under their lock.
    _davrolin.netcdf_lock_acquire()
    try:
        store = xarray.backends.NetCDF4DataStore(netCDF4.Dataset(name, mode="r", memory=data))
        with xarray.open_dataset(store) as ds:
            return ds.load()
    finally:
        _davrolin.netcdf_lock_release()


def _profile_table(datasets):
    """The per-profile variables of every instrument, one row per profile
    number, columns named <instrument>_<variable>."""
    import pandas
    frames = []
    for name, ds in datasets.items():
        if ds is None or "profile" not in ds.dims:
            continue
        names = [v for v in ds.variables if ds[v].dims == ("profile",) and v != "profile"]
        frame = ds[names].to_dataframe() if names else pandas.DataFrame(index=ds["profile"].values)
        frame.index = ds["profile"].values
        frames.append(frame.add_prefix(name + "_"))
    if not frames:
        return pandas.DataFrame()
    table = pandas.concat(frames, axis=1).sort_index()
    table.index.name = "profile"
    return table


def _metadata_file(metadata, folder):
    if metadata is None or isinstance(metadata, (str, os.PathLike)):
        return metadata
    path = os.path.join(folder, "metadata.ini")
    with open(path, "w", encoding="utf-8") as f:
        f.write("[METADATA]\n")
        for key, value in metadata.items():
            f.write(f"{key}={value}\n")
    return path


def read_deployment(source, *, firmware="auto", profiles=None, kinds=None, latitude=None, longitude=None,
                    metadata=None, qc=True, grid_step=None):
    """Decodes the deployment in `source` into memory. `profiles`: a profile
    number or (first, last); `kinds`: instruments among ctd, acm, engineering;
    `metadata`: a --metadata file, or a dict of its [METADATA] keys. The
    position (latitude and longitude, here or in the metadata) is needed,
    as for the netCDF export. `qc` False is --no-qc; `grid_step` is
    --grid-step (dbar)."""
    scratch = tempfile.mkdtemp(prefix="davrolin-read-")
    try:
        options = {"firmware": firmware, "kinds": kinds, "latitude": latitude, "longitude": longitude,
                   "metadata": _metadata_file(metadata, scratch), "export": "netcdf", "no_text": True,
                   "no_qc": not qc, "grid_step": grid_step}
        if isinstance(profiles, (list, tuple)):
            options["profiles"] = tuple(profiles)
        elif profiles is not None:
            options["profile"] = profiles
        result = run_words(command_words(source, os.path.join(scratch, "run"), **options), netcdf_in_memory=True)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    files = result["netcdf"]
    datasets = {name: _open_bytes(name + ".nc", files[name + ".nc"]) if name + ".nc" in files else None
                for name in INSTRUMENTS}
    grid = _open_bytes(GRID_FILE, files[GRID_FILE]) if GRID_FILE in files else None
    return Deployment(profiles=_profile_table(datasets), log=log_lines(result), exit_code=result["exit_code"],
                      grid=grid, **datasets)
