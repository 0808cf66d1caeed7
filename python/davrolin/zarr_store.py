"""--zarr STORE: every deployment's profiles of each instrument in one Zarr
store, one group per instrument (ctd, acm, engineering), so that
xarray.open_zarr(STORE, group="ctd") opens the whole archive lazily.

A group is the netCDF files of its instrument joined: the same variables with
the same attributes, one station per deployment. The profiles and their scans
follow each other deployment by deployment, as a contiguous ragged array
(row_size), and each profile's `station_index` is the index of its
deployment, whose folder under the archive's root is `deployment_path`. A
variable one firmware lacks is missing values (its fill value, or NaN) in the
other's deployments. Global and `deployment` attributes that differ between
deployments (history, source, the time coverage, the firmware, ...) are
dropped; each deployment's own are in its netCDF files."""
import os
import shutil
import warnings

import numpy
import xarray

INSTRUMENTS = ("ctd", "acm", "engineering")
# The encoding a value keeps on its way to the store.
KEPT_ENCODING = ("dtype", "_FillValue", "units", "calendar")


def _common_attrs(items):
    first = dict(items[0])
    return {k: v for k, v in first.items() if all(k in a and numpy.array_equal(a[k], v) for a in items[1:])}


def _filler(template, length):
    """Missing values for a variable a deployment does not have."""
    fill = template.encoding.get("_FillValue")
    if template.dtype.kind in "fc":
        values = numpy.full(length, numpy.nan, dtype=template.dtype)
    elif template.dtype.kind == "M":
        values = numpy.full(length, numpy.datetime64("NaT"), dtype=template.dtype)
    elif fill is not None:
        values = numpy.full(length, fill, dtype=template.dtype)
    else:
        values = numpy.full(length, numpy.nan)
    variable = xarray.Variable(template.dims, values, template.attrs)
    variable.encoding = {k: v for k, v in template.encoding.items() if k in KEPT_ENCODING}
    return variable


def join_deployments(parts):
    """One Dataset of several deployments' Datasets of one instrument:
    `parts` is a list of (path under the root, Dataset)."""
    pieces, coords, templates = [], set(), {}
    for index, (path, ds) in enumerate(parts):
        coords.update(ds.coords)
        ds = ds.reset_coords()
        index_attrs, index_encoding = ds["station_index"].attrs, ds["station_index"].encoding
        ds["station_index"] = ds["station_index"] + numpy.int32(index)
        ds["station_index"].attrs, ds["station_index"].encoding = index_attrs, index_encoding
        ds["deployment"] = ds["deployment"].expand_dims("station")
        ds["deployment_path"] = xarray.Variable(
            ("station",), numpy.array([path], dtype=object),
            {"long_name": "the deployment's folder under the archive's root"})
        for name, variable in ds.variables.items():
            templates.setdefault(name, variable)
        pieces.append(ds)
    for ds in pieces:
        for name, template in templates.items():
            if name not in ds.variables:
                ds[name] = _filler(template, ds.dims[template.dims[0]])
    joined = []
    for dim in ("station", "profile", "obs"):
        names = [n for n, v in templates.items() if v.dims == (dim,)]
        joined.append(xarray.concat([ds[names] for ds in pieces], dim=dim, data_vars="all", coords="minimal",
                                    compat="override", join="outer", combine_attrs="override"))
    out = xarray.merge(joined, combine_attrs="override").set_coords([c for c in coords if c in templates])
    for name in out.variables:
        encoding = {k: v for k, v in templates[name].encoding.items() if k in KEPT_ENCODING}
        if out[name].dtype != templates[name].dtype:
            encoding.pop("dtype", None)  # an integer that now has missing values
        out[name].encoding = encoding
    out["station_name"].encoding = {}
    out["deployment"].attrs = _common_attrs([ds["deployment"].attrs for ds in pieces])
    out.attrs = _common_attrs([ds.attrs for ds in pieces])
    return out


def write_store(store, dest, rows, prefix=""):
    """Writes STORE from the netCDF files of the deployments in `rows` (the
    manifest's) under `dest`; a deployment without a file of an instrument
    has no part in its group."""
    # xarray warns on converting the NaN of a missing time; it stays missing.
    warnings.filterwarnings("ignore", "invalid value encountered in cast", RuntimeWarning)
    shutil.rmtree(store, ignore_errors=True)
    paths = sorted(row["path"] for row in rows)
    for name in INSTRUMENTS:
        parts = []
        for path in paths:
            file = os.path.join(dest, path, prefix + name + ".nc")
            if os.path.isfile(file):
                with xarray.open_dataset(file) as ds:
                    parts.append((path, ds.load()))
        if parts:
            join_deployments(parts).to_zarr(store, group=name, mode="w")
