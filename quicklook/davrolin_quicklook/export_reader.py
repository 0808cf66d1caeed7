"""Finds the files of an export and reads each instrument's netCDF file.

An instrument file is a CF timeSeriesProfile contiguous ragged array: per
profile `profile`, `time`, `row_size`, `data_status` and a few more; per scan
(dimension `obs`) the measured values, profile after profile. An Instrument
holds both, plus the index of each scan's profile.
"""
import dataclasses
import os
import re
import warnings

import numpy as np

from .classic_size import HeaderError, RequiredSize

kInstruments = ("engineering", "ctd", "acm")
kLogName = "DAVROLIN.LOG"
kRequiredVariables = ("profile", "row_size", "data_status")
kObsDimension = "obs"
# The per-scan variables the page and the figures show; the others (the ACM's
# counts, depth, the optical sensors) are not read: a long deployment holds
# millions of scans of each.
kObsShown = ("scan_time", "pressure", "temperature", "conductivity", "practical_salinity", "motor_current",
             "battery_voltage")

# data_status of a profile; anything else is shown as "unknown".
kStatusNames = ("complete", "truncated", "sensor_times_missing", "read_error",
                "data_file_missing", "not_read")


class ExportError(Exception):
    """Input that is not an export the quick look can read (exit code 2)."""


@dataclasses.dataclass
class Instrument:
    name: str                  # "engineering", "ctd" or "acm"
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
    obs: dict                  # per-scan variables by name (float or datetime64)
    attributes: dict           # each variable's attributes by name
    scan_profile: np.ndarray   # index into the profile arrays of each scan

    @property
    def scan_count(self):
        return int(self.row_size.sum())

    def Flags(self, name):
        """The {value: meaning} of a flag variable, empty when it has none."""
        attrs = self.attributes.get(name, {})
        values = np.atleast_1d(attrs.get("flag_values", []))
        meanings = str(attrs.get("flag_meanings", "")).split()
        if len(values) != len(meanings):
            return {}
        return {int(v): m for v, m in zip(values, meanings)}


@dataclasses.dataclass
class Export:
    folder: str
    prefix: str
    instruments: dict          # name -> Instrument, only those present
    log_path: str              # DAVROLIN.LOG, or "" when there is none

    def First(self, *names):
        for name in names:
            if name in self.instruments:
                return self.instruments[name]
        return None


def FindExport(folder, prefix=None):
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
    pattern = re.compile(r"^(.*)(" + "|".join(kInstruments) + r")\.nc$")
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


def FindLog(folder):
    """The activity log in `folder` (any letter case), or ""."""
    for name in sorted(os.listdir(folder)):
        if name.upper() == kLogName and os.path.isfile(os.path.join(folder, name)):
            return os.path.join(folder, name)
    return ""


def ReadExport(folder, prefix=None):
    prefix, files = FindExport(folder, prefix)
    instruments = {}
    for name in kInstruments:
        if name in files:
            instruments[name] = ReadInstrument(os.path.join(folder, files[name]), name)
    return Export(folder=folder, prefix=prefix, instruments=instruments, log_path=FindLog(folder))


def ReadInstrument(path, name):
    import xarray as xr

    file_name = os.path.basename(path)
    CheckWhole(path)
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            with xr.open_dataset(path, engine="netcdf4", decode_times=True) as whole:
                obs_count = int(whole.sizes.get(kObsDimension, 0))
                ds = whole[[n for n, v in whole.variables.items()
                            if v.dims != (kObsDimension,) or n in kObsShown]].load()
    except (OSError, ValueError, RuntimeError, KeyError, TypeError, IndexError) as e:
        raise ExportError(f"{file_name}: not a readable netCDF file ({Reason(e)})")

    missing = [v for v in kRequiredVariables if v not in ds.variables]
    if missing:
        raise ExportError(f"{file_name}: not a deployment export: no variable {', '.join(missing)}")

    profile = Integers(ds["profile"].values)
    row_size = Integers(ds["row_size"].values)
    status = Integers(ds["data_status"].values, fill=-1)
    if not (len(profile) == len(row_size) == len(status)):
        raise ExportError(f"{file_name}: profile, row_size and data_status differ in length")
    if (row_size < 0).any():
        raise ExportError(f"{file_name}: a row_size is negative")
    if int(row_size.sum()) != obs_count:
        raise ExportError(f"{file_name}: the row sizes add up to {int(row_size.sum())} "
                          f"scans but the file holds {obs_count}")

    profile_dim = ds["profile"].dims[0] if ds["profile"].dims else "profile"
    per_profile, obs = {}, {}
    attributes = {}
    for var_name, var in ds.variables.items():
        if var.dims == (profile_dim,) and var_name not in ("profile", "row_size", "data_status", "time"):
            per_profile[var_name] = var.values
        elif var.dims == (kObsDimension,):
            obs[var_name] = var.values
        attributes[var_name] = dict(var.attrs)
        # decoding moves some attributes (a time's units) into the encoding
        for key in ("flag_values", "flag_meanings", "units"):
            if key in var.encoding and key not in attributes[var_name]:
                attributes[var_name][key] = var.encoding[key]

    time = Times(ds["time"].values, len(profile)) if "time" in ds.variables else NaTs(len(profile))
    return Instrument(
        name=name,
        file_name=file_name,
        global_attributes=dict(ds.attrs),
        deployment_attributes=dict(ds["deployment"].attrs) if "deployment" in ds.variables else {},
        latitude=FirstNumber(ds, "latitude"),
        longitude=FirstNumber(ds, "longitude"),
        profile=profile,
        time=time,
        row_size=row_size,
        status=status,
        per_profile=per_profile,
        obs=obs,
        attributes=attributes,
        scan_profile=np.repeat(np.arange(len(profile)), row_size),
    )


def CheckWhole(path):
    """Refuses a classic netCDF file that is shorter than its header says."""
    file_name = os.path.basename(path)
    try:
        required = RequiredSize(path)
        size = os.path.getsize(path)
    except HeaderError as e:
        raise ExportError(f"{file_name}: not a readable netCDF file ({e})")
    except OSError as e:
        raise ExportError(f"{file_name}: cannot be read ({e.strerror})")
    if required is not None and size < required:
        raise ExportError(f"{file_name}: cut short: {size:,} bytes of the {required:,} its header describes")


def Reason(error):
    text = str(error).strip() or type(error).__name__
    return text.splitlines()[0][:200]


def Integers(values, fill=0):
    values = np.asarray(values)
    if values.dtype.kind == "f":
        values = np.where(np.isfinite(values), values, fill)
    return values.astype(np.int64).reshape(-1)


def Times(values, count):
    values = np.asarray(values).reshape(-1)
    if values.dtype.kind != "M" or len(values) != count:
        return NaTs(count)
    return values.astype("datetime64[ns]")


def NaTs(count):
    return np.full(count, np.datetime64("NaT"), dtype="datetime64[ns]")


def FirstNumber(ds, name):
    if name not in ds.variables or ds[name].size == 0:
        return float("nan")
    try:
        return float(np.asarray(ds[name].values).reshape(-1)[0])
    except (TypeError, ValueError):
        return float("nan")
