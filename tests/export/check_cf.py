#!/usr/bin/python3
"""A small CF/ACDD checker for the deployment export's netCDF files.

    check_cf.py [--forbid TEXT]... FILE.nc...

Each file is a CF timeSeriesProfile in a contiguous ragged array: one station,
profiles along `profile`, scans along `obs`. Every failure is printed as one
line, "FILE: what is wrong"; the exit code is 1 when any file fails, 2 on bad
usage. `--forbid TEXT` names a text (a folder of this machine, say) that no
attribute may hold; absolute folders of any machine are refused anyway.

Runs on Debian's /usr/bin/python3 with python3-netcdf4 and python3-xarray.
"""
import argparse
import math
import re
import sys
import warnings

import netCDF4
import numpy as np

kTimeUnits = "seconds since 1970-01-01T00:00:00Z"
kConventions = ("CF-1.11", "ACDD-1.3")
kFeatureType = "timeSeriesProfile"
kStatusValues = list(range(6))
kStatusMeanings = "complete truncated sensor_times_missing read_error data_file_missing not_read"
kRequiredGlobals = (
    "Conventions", "featureType", "cdm_data_type", "cdm_timeseries_variables", "cdm_profile_variables",
    "title", "summary", "keywords", "standard_name_vocabulary", "source", "history", "date_created",
    "processing_level", "geospatial_lat_min", "geospatial_lat_max", "geospatial_lon_min", "geospatial_lon_max")
# Present only when the file holds something they describe: scans, or a profile time.
kVerticalGlobals = ("geospatial_vertical_min", "geospatial_vertical_max", "geospatial_vertical_positive",
                    "geospatial_vertical_units")
kCoverageGlobals = ("time_coverage_start", "time_coverage_end")
kIsoDate = re.compile(r"\d{4}-\d\d-\d\d(T\d\d:\d\d(:\d\d(\.\d+)?)?(Z|[+-]\d\d(:?\d\d)?)?)?")
kIsoZ = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d+)?Z")
kFlagWord = re.compile(r"[A-Za-z0-9_.+\-@]+")
kUrl = re.compile(r"[A-Za-z][A-Za-z0-9+.-]*://\S*")
# An absolute folder: /a/..., C:\..., C:/..., \\server\...
kFolder = re.compile(r"(?:^|[\s\"'(=,;:])/[^\s/]+/|[A-Za-z]:[\\/]|\\\\[^\s\\]")
kPressureForDepth = 1.0   # dbar: deeper than this, depth must be below the surface


def Text(value):
    return value if isinstance(value, str) else None


def Attrs(var):
    return {name: var.getncattr(name) for name in var.ncattrs()}


def Values(var):
    """The values as a float array with fills as NaN (chars excepted)."""
    data = var[:]
    if np.ma.isMaskedArray(data):
        return np.ma.filled(data.astype(float), np.nan)
    return np.asarray(data, dtype=float)


def VariablesWith(ds, attribute, value=None):
    return [v for v in ds.variables.values()
            if attribute in v.ncattrs() and (value is None or v.getncattr(attribute) == value)]


def CheckFeature(ds):
    conventions = str(getattr(ds, "Conventions", ""))
    for needed in kConventions:
        if needed not in [c.strip() for c in conventions.split(",")]:
            yield f"Conventions is {conventions!r}, without {needed}"
    if getattr(ds, "featureType", None) != kFeatureType:
        yield f"featureType is {getattr(ds, 'featureType', None)!r}, not {kFeatureType!r}"
    if getattr(ds, "cdm_data_type", None) != "TimeSeriesProfile":
        yield f"cdm_data_type is {getattr(ds, 'cdm_data_type', None)!r}, not 'TimeSeriesProfile'"
    for key in ("cdm_timeseries_variables", "cdm_profile_variables"):
        for name in str(getattr(ds, key, "")).replace(",", " ").split():
            if name not in ds.variables:
                yield f"{key} names {name!r}, which is no variable"


def CheckRoles(ds):
    series = VariablesWith(ds, "cf_role", "timeseries_id")
    if len(series) != 1:
        yield f"{len(series)} variables have cf_role timeseries_id ({', '.join(v.name for v in series)}), not 1"
    profiles = VariablesWith(ds, "cf_role", "profile_id")
    if len(profiles) != 1:
        yield f"{len(profiles)} variables have cf_role profile_id, not 1"
        return
    ids = profiles[0][:]
    if np.ma.isMaskedArray(ids) and ids.mask.any():
        yield f"profile_id {profiles[0].name} has fill values"
    values, counts = np.unique(np.ma.compressed(ids) if np.ma.isMaskedArray(ids) else ids, return_counts=True)
    if (counts > 1).any():
        yield f"profile_id {profiles[0].name} is not unique: {values[counts > 1].tolist()[:5]} repeat"


def CheckRagged(ds):
    sizes = VariablesWith(ds, "sample_dimension")
    if len(sizes) != 1:
        yield f"{len(sizes)} variables have sample_dimension, not 1"
        return
    size = sizes[0]
    dim = size.getncattr("sample_dimension")
    if dim not in ds.dimensions:
        yield f"{size.name}:sample_dimension names {dim!r}, which is no dimension"
        return
    if size.dtype.kind not in "iu":
        yield f"{size.name} is {size.dtype}, not an integer type"
    counts = Values(size)
    if np.isnan(counts).any() or (counts < 0).any():
        yield f"{size.name} holds fill values or negative counts"
    elif int(counts.sum()) != len(ds.dimensions[dim]):
        yield f"sum({size.name}) is {int(counts.sum())} but {dim} has {len(ds.dimensions[dim])}"
    for index in VariablesWith(ds, "instance_dimension"):
        station = index.getncattr("instance_dimension")
        if station not in ds.dimensions:
            yield f"{index.name}:instance_dimension names {station!r}, which is no dimension"
            continue
        values = Values(index)
        if np.isnan(values).any() or (values < 0).any() or (values >= len(ds.dimensions[station])).any():
            yield f"{index.name} holds values outside 0..{len(ds.dimensions[station]) - 1}"


def CheckCoordinates(ds):
    for var in VariablesWith(ds, "coordinates"):
        for name in str(var.getncattr("coordinates")).split():
            if name not in ds.variables:
                yield f"{var.name}:coordinates names {name!r}, which is no variable"
    if "obs" not in ds.dimensions:
        yield "no obs dimension"
        return
    named = {name for var in VariablesWith(ds, "coordinates") for name in str(var.getncattr("coordinates")).split()}
    for var in ds.variables.values():
        if var.dimensions != ("obs",):
            continue
        attrs = Attrs(var)
        # The scans' coordinates are named by the others and name none themselves.
        for needed in ("long_name",) if var.name in named else ("coordinates", "long_name"):
            if needed not in attrs:
                yield f"{var.name} has no {needed}"
        if var.dtype.kind == "f":
            fill = attrs.get("_FillValue")
            if fill is None or not math.isnan(float(fill)):
                yield f"{var.name}:_FillValue is {fill!r}, not NaN"
        if "units" not in attrs and "comment" not in attrs:
            yield f"{var.name} has neither units nor a comment saying why"


def CheckTimes(ds):
    if "time" not in ds.variables:
        yield "no time variable"
    elif np.isnan(Values(ds["time"])).any():
        yield f"time holds no value for {int(np.isnan(Values(ds['time'])).sum())} profile(s)"
    for var in ds.variables.values():
        units = Text(getattr(var, "units", None))
        is_time = var.name == "time" or getattr(var, "standard_name", None) == "time" or (units and " since " in units)
        if not is_time:
            continue
        if units != kTimeUnits:
            yield f"{var.name}:units is {units!r}, not {kTimeUnits!r}"
        if getattr(var, "calendar", "standard") != "standard":
            yield f"{var.name}:calendar is {getattr(var, 'calendar', None)!r}, not 'standard'"
        if var.dtype != np.float64:
            yield f"{var.name} is {var.dtype}, not double"


def CheckFlags(ds):
    for var in VariablesWith(ds, "flag_values"):
        values = np.atleast_1d(var.getncattr("flag_values"))
        meanings = str(getattr(var, "flag_meanings", "")).split()
        if len(values) != len(meanings):
            yield f"{var.name} has {len(values)} flag_values but {len(meanings)} flag_meanings"
        if len(set(values.tolist())) != len(values):
            yield f"{var.name}:flag_values repeat a value"
        if values.dtype != var.dtype:
            yield f"{var.name}:flag_values are {values.dtype}, the variable {var.dtype}"
        bad = [m for m in meanings if not kFlagWord.fullmatch(m)]
        if bad:
            yield f"{var.name}:flag_meanings holds {bad[0]!r}, not a flag word"
        data = Values(var)
        stray = sorted(set(data[~np.isnan(data)].astype(int).tolist()) - set(values.astype(int).tolist()))
        if stray:
            yield f"{var.name} holds {stray[:5]}, which flag_values do not list"
    for var in VariablesWith(ds, "flag_meanings"):
        if "flag_values" not in var.ncattrs():
            yield f"{var.name} has flag_meanings but no flag_values"
    if "data_status" not in ds.variables:
        yield "no data_status variable"
        return
    status = ds["data_status"]
    if np.atleast_1d(getattr(status, "flag_values", [])).tolist() != kStatusValues:
        yield f"data_status:flag_values are not {kStatusValues}"
    if getattr(status, "flag_meanings", None) != kStatusMeanings:
        yield f"data_status:flag_meanings is {getattr(status, 'flag_meanings', None)!r}, not {kStatusMeanings!r}"


def CheckDepth(ds):
    depths = [v for v in ds.variables.values() if v.name == "depth" or getattr(v, "standard_name", None) == "depth"]
    for var in depths:
        if str(getattr(var, "positive", "")).lower() != "down":
            yield f"{var.name}:positive is {getattr(var, 'positive', None)!r}, not 'down'"
        if getattr(var, "units", None) != "m":
            yield f"{var.name}:units is {getattr(var, 'units', None)!r}, not 'm'"
        pressure = ds.variables.get("pressure")
        if pressure is not None and pressure.dimensions == var.dimensions:
            p, z = Values(pressure), Values(var)
            wrong = (p > kPressureForDepth) & ~(z > 0)
            if wrong.any():
                yield f"{var.name} is not below the surface where pressure is over {kPressureForDepth:g} dbar " \
                      f"({int(wrong.sum())} scans, first {z[wrong][0]:g} m at {p[wrong][0]:g} dbar)"
    positive = getattr(ds, "geospatial_vertical_positive", None)
    if positive is not None and str(positive).lower() != "down":
        yield f"geospatial_vertical_positive is {positive!r}, not 'down'"


def FiniteTimes(ds):
    if "time" not in ds.variables:
        return np.array([])
    t = Values(ds["time"])
    return t[np.isfinite(t)]


def CheckAcdd(ds):
    names = set(ds.ncattrs())
    needed = list(kRequiredGlobals)
    if "obs" in ds.dimensions and len(ds.dimensions["obs"]) > 0:
        needed += kVerticalGlobals
    times = FiniteTimes(ds)
    if len(times):
        needed += kCoverageGlobals
    for name in needed:
        if name not in names:
            yield f"global attribute {name} is missing"
        elif isinstance(ds.getncattr(name), str) and not ds.getncattr(name).strip():
            yield f"global attribute {name} is empty"
    created = getattr(ds, "date_created", None)
    if created is not None and not kIsoDate.fullmatch(str(created)):
        yield f"date_created {created!r} is not ISO 8601"
    for name in kCoverageGlobals:
        value = getattr(ds, name, None)
        if value is not None and not kIsoZ.fullmatch(str(value)):
            yield f"{name} {value!r} is not ISO 8601 UTC (YYYY-MM-DDThh:mm:ssZ)"
    if len(times) and all(kIsoZ.fullmatch(str(getattr(ds, n, ""))) for n in kCoverageGlobals):
        start, end = (np.datetime64(str(getattr(ds, n))[:-1], "ms").astype(float) / 1000 for n in kCoverageGlobals)
        if times.min() < start - 1 or times.max() > end + 1:
            yield "time_coverage_start/end do not enclose the profile times"
    for axis in ("lat", "lon"):
        variable = {"lat": "latitude", "lon": "longitude"}[axis]
        if variable not in ds.variables:
            yield f"no {variable} variable"
            continue
        value = Values(ds[variable])
        for end in ("min", "max"):
            attr = getattr(ds, f"geospatial_{axis}_{end}", None)
            if attr is not None and not np.allclose(float(np.atleast_1d(attr)[0]), value):
                yield f"geospatial_{axis}_{end} is {attr}, the station's {variable} {value.tolist()}"
    source = Text(getattr(ds, "source", None))
    if source and re.search(r"[\\/]", source):
        yield f"source {source!r} holds a folder"


def AttributeTexts(ds):
    for name in ds.ncattrs():
        yield name, ds.getncattr(name)
    for var in ds.variables.values():
        for name in var.ncattrs():
            yield f"{var.name}:{name}", var.getncattr(name)


def CheckFolders(ds, forbidden):
    for name, value in AttributeTexts(ds):
        if not isinstance(value, str):
            continue
        for text in forbidden:
            if text and text in value:
                yield f"{name} holds the folder {text!r}"
        if kFolder.search(kUrl.sub("", value)):
            yield f"{name} holds a folder: {value[:120]!r}"


def CheckXarray(path):
    import xarray

    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            with xarray.open_dataset(path) as ds:
                ds.load()
                for name, var in ds.variables.items():
                    units = ds[name].encoding.get("units", var.attrs.get("units", ""))
                    if " since " in str(units) and var.dtype.kind != "M":
                        yield f"xarray did not decode {name} as times ({var.dtype})"
                if "time" in ds.variables and ds["time"].dtype.kind != "M":
                    yield f"xarray did not decode time as times ({ds['time'].dtype})"
    except Exception as error:  # any failure to open or decode is the finding
        yield f"xarray cannot read it: {type(error).__name__}: {str(error).splitlines()[0] if str(error) else ''}"


kChecks = (CheckFeature, CheckRoles, CheckRagged, CheckCoordinates, CheckTimes, CheckFlags, CheckDepth, CheckAcdd)


def Problems(path, forbidden=()):
    """The failures of one file, each a line of text (empty when it passes)."""
    try:
        ds = netCDF4.Dataset(path)
    except Exception as error:
        return [f"netCDF cannot open it: {error}"]
    problems = []
    with ds:
        ds.set_auto_mask(True)
        for check in kChecks:
            try:
                problems += list(check(ds))
            except Exception as error:  # a check that cannot run on this file is a finding too
                problems.append(f"{check.__name__} failed: {type(error).__name__}: {error}")
        problems += list(CheckFolders(ds, forbidden))
    problems += list(CheckXarray(path))
    return problems


def Main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--forbid", action="append", default=[], metavar="TEXT")
    parser.add_argument("files", nargs="+", metavar="FILE.nc")
    args = parser.parse_args(argv)
    failed = False
    for path in args.files:
        for problem in Problems(path, args.forbid):
            print(f"{path}: {problem}")
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv[1:]))
