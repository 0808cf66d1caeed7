"""Finds the files of an export and reads each instrument's netCDF file.

An instrument file is a CF timeSeriesProfile contiguous ragged array: per
profile `profile`, `time`, `row_size`, `data_status` and a few more; per scan
(dimension `obs`) the measured values, profile after profile. An Instrument
holds the per-profile variables; it reads the scans in chunks when a figure
asks for them, so that memory does not grow with the deployment.
"""
import dataclasses
import os
import re
import warnings

import numpy as np

from .classic_size import HeaderError, required_size

INSTRUMENTS = ("engineering", "ctd", "acm")
GRID_NAME = "ctd_grid.nc"
LOG_NAME = "DAVROLIN.LOG"
REQUIRED_VARIABLES = ("profile", "row_size", "data_status")
OBS_DIMENSION = "obs"
# Scans are read this many at a time: a long deployment holds tens of
# millions of each instrument, and a figure needs only what it reduces them to.
CHUNK_SCANS = 500_000


class ExportError(Exception):
    """Input that is not an export the quick look can read (exit code 2)."""


@dataclasses.dataclass
class ScanChunk:
    """Scans start to stop - 1 of an instrument file."""
    start: int
    stop: int
    profile_index: np.ndarray  # per scan, the index into the profile arrays
    values: dict               # per-scan variables by name (float or datetime64)


@dataclasses.dataclass
class Instrument:
    name: str                  # "engineering", "ctd" or "acm"
    path: str
    file_name: str             # as found, with its prefix
    global_attributes: dict
    deployment_attributes: dict
    latitude: float
    longitude: float
    profile: np.ndarray        # the vehicle's profile numbers (int)
    time: np.ndarray           # per profile, datetime64[ns], NaT when absent
    row_size: np.ndarray       # scans per profile (int)
    status: np.ndarray         # data_status per profile (int)
    per_profile: dict          # other per-profile variables by name
    obs_kinds: dict            # the per-scan variables of the file: name -> numpy dtype kind as decoded
    attributes: dict           # each variable's attributes by name

    @property
    def obs_names(self):
        return tuple(self.obs_kinds)

    @property
    def scan_count(self):
        return int(self.row_size.sum())

    @property
    def first_scan(self):
        """Per profile the index of its first scan."""
        return np.cumsum(self.row_size) - self.row_size

    def flags(self, name):
        """The {value: meaning} of a flag variable, empty when it has none."""
        attrs = self.attributes.get(name, {})
        values = np.atleast_1d(attrs.get("flag_values", []))
        meanings = str(attrs.get("flag_meanings", "")).split()
        if len(values) != len(meanings):
            return {}
        return {int(v): m for v, m in zip(values, meanings)}

    def scan_chunks(self, names, start=0, stop=None, chunk_scans=CHUNK_SCANS):
        """The per-scan variables `names` that the file has, CHUNK_SCANS scans
        at a time, from scan `start` to `stop` (the last scan when None).
        Values are decoded as xarray decodes them (fill values as NaN, times
        as datetime64)."""
        stop = self.scan_count if stop is None else stop
        names = [n for n in names if n in self.obs_names]
        first = self.first_scan
        with open_dataset(self.path) as ds:
            for begin in range(start, stop, chunk_scans):
                end = min(begin + chunk_scans, stop)
                values = {n: ds.variables[n][begin:end].values for n in names}
                index = np.searchsorted(first, np.arange(begin, end), side="right") - 1
                yield ScanChunk(begin, end, index, values)

    def scan_range(self, name):
        """The smallest and largest value of a per-scan variable, or None when
        the file has no such variable or no value of it."""
        low = high = None
        for chunk in self.scan_chunks([name]):
            values = chunk.values.get(name)
            if values is None:
                return None
            known = values[~np.isnat(values)] if values.dtype.kind == "M" else values[np.isfinite(values)]
            if len(known):
                low = known.min() if low is None else min(low, known.min())
                high = known.max() if high is None else max(high, known.max())
        return None if low is None else (low, high)


@dataclasses.dataclass
class Grid:
    """The CTD profiles on a common pressure grid (ctd_grid.nc): per profile
    and pressure bin the mean of the scans in it. The bins' values are read
    in chunks of whole profiles by `rows`."""
    path: str
    file_name: str
    latitude: float
    longitude: float
    profile: np.ndarray        # the vehicle's profile numbers (int)
    time: np.ndarray           # per profile, datetime64[ns]
    pressure_edges: np.ndarray # the bins' edges, increasing (dbar)
    names: tuple               # the (profile, bin) variables of the file

    def rows(self, names, chunk_cells=CHUNK_SCANS):
        """(first profile, {name: values of (profiles, bins)}) of the variables
        `names` the file has, at most `chunk_cells` values of each at a time."""
        names = [n for n in names if n in self.names]
        bins = len(self.pressure_edges) - 1
        step = max(1, chunk_cells // max(bins, 1))
        with open_dataset(self.path) as ds:
            for begin in range(0, len(self.profile), step):
                end = min(begin + step, len(self.profile))
                yield begin, {n: np.asarray(ds.variables[n][begin:end].values, dtype=float) for n in names}


@dataclasses.dataclass
class Export:
    folder: str
    prefix: str
    instruments: dict          # name -> Instrument, only those present
    log_path: str              # DAVROLIN.LOG, or "" when there is none
    grid_path: str = ""        # ctd_grid.nc, or "" when there is none


def find_export(folder, prefix=None):
    """The prefix and the instrument file names present in `folder`.

    With no prefix given, the one prefix in front of the files found is used;
    several prefixes in one folder must be chosen between.
    """
    if not os.path.isdir(folder):
        raise ExportError(f"{folder}: no such folder")
    try:
        names = sorted(os.listdir(folder))
    except OSError as e:
        raise ExportError(f"{folder}: cannot be read ({e.strerror})")
    pattern = re.compile(r"^(.*)(" + "|".join(INSTRUMENTS) + r")\.nc$")
    found = {}
    for name in names:
        match = pattern.match(name)
        if match and os.path.isfile(os.path.join(folder, name)):
            found.setdefault(match.group(1), {})[match.group(2)] = name
    if prefix is not None:
        files = found.get(prefix, {})
        if not files:
            raise ExportError(f"{folder}: no export with the prefix '{prefix}' "
                              f"(no {prefix}ctd.nc, {prefix}engineering.nc or {prefix}acm.nc)")
        return prefix, files
    if not found:
        raise ExportError(f"{folder}: no export in this folder (none of ctd.nc, engineering.nc, "
                          "acm.nc); write one with davrolin-unpack --export netcdf")
    if len(found) > 1:
        listed = ", ".join(f"'{p}'" for p in sorted(found))
        raise ExportError(f"{folder}: holds the exports of several prefixes ({listed}); "
                          "choose one with --prefix")
    prefix, files = next(iter(found.items()))
    return prefix, files


def find_log(folder):
    """The activity log in `folder` (any letter case), or ""."""
    for name in sorted(os.listdir(folder)):
        if name.upper() == LOG_NAME and os.path.isfile(os.path.join(folder, name)):
            return os.path.join(folder, name)
    return ""


def read_export(folder, prefix=None):
    prefix, files = find_export(folder, prefix)
    instruments = {}
    for name in INSTRUMENTS:
        if name in files:
            instruments[name] = read_instrument(os.path.join(folder, files[name]), name)
    grid_path = os.path.join(folder, prefix + GRID_NAME)
    return Export(folder=folder, prefix=prefix, instruments=instruments, log_path=find_log(folder),
                  grid_path=grid_path if os.path.isfile(grid_path) else "")


def read_grid(path):
    """The grid file's profiles and bins; ExportError when it is not one."""
    file_name = os.path.basename(path)
    check_whole(path)
    try:
        with open_dataset(path) as ds:
            if "temperature" not in ds.variables or len(ds["temperature"].dims) != 2:
                raise ExportError(f"{file_name}: no temperature by profile and pressure bin")
            profile_dim, bin_dim = ds["temperature"].dims
            centres = np.asarray(ds["pressure"].values, dtype=float).reshape(-1)
            if "pressure_bnds" in ds.variables:
                bounds = np.asarray(ds["pressure_bnds"].values, dtype=float).reshape(-1, 2)
                edges = np.r_[bounds[:, 0], bounds[-1:, 1]] if len(bounds) else np.array([])
            else:
                edges = bin_edges(centres)
            if len(edges) != ds.sizes[bin_dim] + 1 or not (np.diff(edges) > 0).all():
                raise ExportError(f"{file_name}: its pressure bins are not increasing")
            profile = integers(ds["profile"].values)
            time = times(ds["time"].values, len(profile)) if "time" in ds.variables else nats(len(profile))
            names = tuple(n for n, v in ds.variables.items() if v.dims == (profile_dim, bin_dim))
            return Grid(path=path, file_name=file_name, latitude=first_number(ds, "latitude"),
                        longitude=first_number(ds, "longitude"), profile=profile, time=time,
                        pressure_edges=edges, names=names)
    except (OSError, ValueError, RuntimeError, KeyError, TypeError, IndexError) as e:
        raise ExportError(f"{file_name}: not a readable grid file ({reason(e)})")


def bin_edges(centres):
    """Edges halfway between bin centres, the outer ones as far out as the next inner."""
    if len(centres) < 2:
        return np.r_[centres - 0.5, centres + 0.5]
    middle = (centres[1:] + centres[:-1]) / 2
    return np.r_[2 * centres[0] - middle[0], middle, 2 * centres[-1] - middle[-1]]


def open_dataset(path):
    """The file, opened lazily: a variable's values are read when asked for."""
    import xarray as xr

    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        return xr.open_dataset(path, engine="netcdf4", decode_times=True, cache=False)


def read_instrument(path, name):
    """The per-profile variables of an instrument file and what it holds per
    scan; the scans themselves are read by Instrument.scan_chunks."""
    file_name = os.path.basename(path)
    check_whole(path)
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            with open_dataset(path) as whole:
                obs_count = int(whole.sizes.get(OBS_DIMENSION, 0))
                obs_kinds = {n: v.dtype.kind for n, v in whole.variables.items() if v.dims == (OBS_DIMENSION,)}
                obs_attributes = {n: attributes_of(whole.variables[n]) for n in obs_kinds}
                ds = whole[[n for n, v in whole.variables.items() if OBS_DIMENSION not in v.dims]].load()
    except (OSError, ValueError, RuntimeError, KeyError, TypeError, IndexError) as e:
        raise ExportError(f"{file_name}: not a readable netCDF file ({reason(e)})")

    missing = [v for v in REQUIRED_VARIABLES if v not in ds.variables]
    if missing:
        raise ExportError(f"{file_name}: not a deployment export: no variable {', '.join(missing)}")

    profile = integers(ds["profile"].values)
    row_size = integers(ds["row_size"].values)
    status = integers(ds["data_status"].values, fill=-1)
    if not (len(profile) == len(row_size) == len(status)):
        raise ExportError(f"{file_name}: profile, row_size and data_status differ in length")
    if (row_size < 0).any():
        raise ExportError(f"{file_name}: a row_size is negative")
    if int(row_size.sum()) != obs_count:
        raise ExportError(f"{file_name}: the row sizes add up to {int(row_size.sum())} "
                          f"scans but the file holds {obs_count}")

    profile_dim = ds["profile"].dims[0] if ds["profile"].dims else "profile"
    per_profile = {}
    attributes = dict(obs_attributes)
    for var_name, var in ds.variables.items():
        if var.dims == (profile_dim,) and var_name not in ("profile", "row_size", "data_status", "time"):
            per_profile[var_name] = var.values
        attributes[var_name] = attributes_of(var)

    time = times(ds["time"].values, len(profile)) if "time" in ds.variables else nats(len(profile))
    return Instrument(
        name=name,
        path=path,
        file_name=file_name,
        global_attributes=dict(ds.attrs),
        deployment_attributes=dict(ds["deployment"].attrs) if "deployment" in ds.variables else {},
        latitude=first_number(ds, "latitude"),
        longitude=first_number(ds, "longitude"),
        profile=profile,
        time=time,
        row_size=row_size,
        status=status,
        per_profile=per_profile,
        obs_kinds=obs_kinds,
        attributes=attributes,
    )


def attributes_of(var):
    """A variable's attributes; decoding moves some (a time's units) into the
    encoding, from where they are taken back."""
    attributes = dict(var.attrs)
    for key in ("flag_values", "flag_meanings", "units"):
        if key in var.encoding and key not in attributes:
            attributes[key] = var.encoding[key]
    return attributes


def check_whole(path):
    """Refuses a classic netCDF file that is shorter than its header says."""
    file_name = os.path.basename(path)
    try:
        required = required_size(path)
        size = os.path.getsize(path)
    except HeaderError as e:
        raise ExportError(f"{file_name}: not a readable netCDF file ({e})")
    except OSError as e:
        raise ExportError(f"{file_name}: cannot be read ({e.strerror})")
    if required is not None and size < required:
        raise ExportError(f"{file_name}: cut short: {size:,} bytes of the {required:,} its header describes")


def reason(error):
    text = str(error).strip() or type(error).__name__
    return text.splitlines()[0][:200]


def integers(values, fill=0):
    values = np.asarray(values)
    if values.dtype.kind == "f":
        values = np.where(np.isfinite(values), values, fill)
    return values.astype(np.int64).reshape(-1)


def times(values, count):
    values = np.asarray(values).reshape(-1)
    if values.dtype.kind != "M" or len(values) != count:
        return nats(count)
    return values.astype("datetime64[ns]")


def nats(count):
    return np.full(count, np.datetime64("NaT"), dtype="datetime64[ns]")


def first_number(ds, name):
    if name not in ds.variables or ds[name].size == 0:
        return float("nan")
    try:
        return float(np.asarray(ds[name].values).reshape(-1)[0])
    except (TypeError, ValueError):
        return float("nan")
