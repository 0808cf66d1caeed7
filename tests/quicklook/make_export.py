#!/usr/bin/python3
"""Writes a synthetic deployment export, laid out as davrolin-unpack --export
writes it (CF timeSeriesProfile contiguous ragged arrays, classic 64-bit
offset netCDF), with a DAVROLIN.LOG beside it.

    make_export.py SCENARIO DIR [--profiles N] [--engineering-scans N]
                   [--ctd-scans N] [--acm-scans N]

Scenarios: normal, damaged (damaged and missing profiles, no acm.nc, errors
in the log), single (one profile), all_damaged (no profile has data),
flagged (normal, with the quality flags of temperature, profile grades and
ctd_grid.nc; the faults are listed at FLAGGED_PROFILE).
"""
import argparse
import os

import numpy as np

EPOCH = np.datetime64("1970-01-01T00:00:00", "s")
TIME_UNITS = "seconds since 1970-01-01T00:00:00Z"
START = np.datetime64("2024-07-01T00:00:00", "s")
LATITUDE, LONGITUDE = 47.5, -128.25
STATUS_MEANINGS = "complete truncated sensor_times_missing read_error data_file_missing not_read"
STOP_REASONS = {0: "smooth_running", 2: "operator_ctrl_c", 3: "tt8_comm_failure", 4: "ctd_comm_failure",
                6: "timer_expired", 7: "min_battery", 9: "max_motor_current", 13: "top_pressure",
                14: "bottom_pressure", 15: "pressure_rate_zero", 17: "stop_null", 18: "flash_card_full",
                19: "file_system_full", 20: "too_many_open_files"}
TOP, BOTTOM = 12.0, 480.0   # dbar
# The flagged scenario's temperature flags: every scan of FLAGGED_PROFILE
# suspect by the gross range test; in each of the first SPIKED_PROFILES
# profiles the middle scan fails the spike test; the first and last scans of
# each profile are not evaluated by it; every other flag passes.
FLAGGED_PROFILE = 3
SPIKED_PROFILES = 10
FLAG_MEANINGS = "pass not_evaluated suspect fail missing"
TESTS = ("gross_range", "spike", "rate_of_change", "flat_line")
GRID_STEP = 1.0


class Plan:
    """What each profile of each instrument holds: scans and data_status."""

    def __init__(self, scenario, profiles, engineering_scans, ctd_scans, acm_scans):
        self.scenario = scenario
        self.numbers = np.arange(profiles)
        self.interval = 4 * 3600 if profiles > 500 else 6 * 3600
        self.rows = {"engineering": np.full(profiles, engineering_scans),
                     "ctd": np.full(profiles, ctd_scans), "acm": np.full(profiles, acm_scans)}
        self.status = {k: np.zeros(profiles, dtype=np.int8) for k in self.rows}
        self.kinds = ["engineering", "ctd", "acm"]
        self.profile_exit = np.zeros(profiles, dtype=np.int16)
        if scenario == "damaged":
            self.damage(profiles)
        elif scenario == "all_damaged":
            for kind in self.kinds:
                self.rows[kind][:] = 0
                self.status[kind][:] = 4

    def damage(self, n):
        def set_status(kind, which, status, rows=0):
            which = [w for w in which if w < n]
            self.status[kind][which] = status
            self.rows[kind][which] = rows
        set_status("engineering", [20], 3, self.rows["engineering"][0] // 4)   # read error part way
        set_status("engineering", [41], 1, self.rows["engineering"][0] // 2)   # the file ended in it
        self.profile_exit[[p for p in (41, 42) if p < n]] = 7         # min battery
        set_status("ctd", [7], 1, self.rows["ctd"][0] // 3)
        set_status("ctd", [12], 2, self.rows["ctd"][0])                      # no sensor times
        set_status("ctd", range(30, 34), 4)                                  # data file missing
        set_status("ctd", range(50, n), 5)                                   # not read: the CTD stopped
        self.kinds = ["engineering", "ctd"]                           # acm.nc missing


def profile_times(plan):
    on = START + (plan.numbers * plan.interval).astype("timedelta64[s]")
    seconds = (on - EPOCH).astype(float)
    return {"sensor_on": seconds, "motion_start": seconds + 30, "motion_stop": seconds + 120 + 0.4 * 3600,
            "sensor_off": seconds + 135 + 0.4 * 3600}


def descending(numbers):
    return numbers % 2 == 0


def pressure_along(fraction, descending):
    return np.where(descending, TOP + (BOTTOM - TOP) * fraction, BOTTOM - (BOTTOM - TOP) * fraction)


def scan_fractions(rows):
    """Per scan its place in the profile (0..1) and its profile index."""
    index = np.repeat(np.arange(len(rows)), rows)
    starts = np.repeat(np.cumsum(rows) - rows, rows)
    return (np.arange(len(index)) - starts) / max(int(rows.max()) - 1, 1), index


def write_common(ds, plan, kind, times):
    n = len(plan.numbers)
    rows = plan.rows[kind]
    ds.createDimension("station", 1)
    ds.createDimension("name_strlen", 16)
    ds.createDimension("profile", n)
    ds.createDimension("obs", int(rows.sum()))
    name = ds.createVariable("station_name", "S1", ("station", "name_strlen"))
    name.cf_role = "timeseries_id"
    name.long_name = "station name"
    name[0, :] = np.array(list("SYNTH-1".ljust(16, "\0")), dtype="S1")
    for var, std, units, value in (("latitude", "latitude", "degrees_north", LATITUDE),
                                   ("longitude", "longitude", "degrees_east", LONGITUDE)):
        v = ds.createVariable(var, "f8", ("station",))
        v.standard_name, v.units = std, units
        v[:] = [value]
    v = ds.createVariable("profile", "i4", ("profile",))
    v.cf_role = "profile_id"
    v.long_name = "profile number"
    v[:] = plan.numbers
    on = times["motion_start" if kind == "engineering" else "sensor_on"].copy()
    sensor_on, sensor_off = times["sensor_on"].copy(), times["sensor_off"].copy()
    no_times = plan.status[kind] == 2
    on[no_times] = np.nan
    sensor_on[no_times] = np.nan
    sensor_off[no_times] = np.nan
    time_variable(ds, "time", ("profile",), on, "time", axis="T")
    v = ds.createVariable("station_index", "i4", ("profile",))
    v.instance_dimension = "station"
    v[:] = 0
    v = ds.createVariable("row_size", "i4", ("profile",))
    v.sample_dimension = "obs"
    v.long_name = "number of scans in this profile"
    v[:] = rows
    v = ds.createVariable("data_status", "i1", ("profile",))
    v.long_name = "state of the profile's data"
    v.flag_values = np.arange(6, dtype=np.int8)
    v.flag_meanings = STATUS_MEANINGS
    v[:] = plan.status[kind]
    time_variable(ds, "sensor_on_time", ("profile",), sensor_on, "sensor switched on")
    time_variable(ds, "sensor_off_time", ("profile",), sensor_off, "sensor switched off")
    span = np.concatenate([sensor_on, sensor_off, on])
    span = span[np.isfinite(span)]
    coverage = {}
    if len(span):
        coverage = {f"time_coverage_{end}": str(EPOCH + np.timedelta64(int(value), "s")) + "Z"
                    for end, value in (("start", span.min()), ("end", span.max()))}
    d = ds.createVariable("deployment", "i4", ())
    d.long_name = "deployment settings"
    d.profiles_per_file = 4
    d.firmware = "3.04"
    d.pressure_limit_top = TOP
    d.pressure_limit_bottom = BOTTOM
    ds.setncatts({
        "Conventions": "CF-1.11, ACDD-1.3", "featureType": "timeSeriesProfile",
        "cdm_data_type": "TimeSeriesProfile", "cdm_timeseries_variables": "station_name,latitude,longitude",
        "cdm_profile_variables": "profile,time,data_status", "title": f"Synthetic {plan.scenario} deployment",
        "summary": f"Synthetic {plan.scenario} deployment for the quick look's tests.",
        "institution": "Test bench", "project": "Quick look tests", "platform_code": "VXP-T1",
        "station_name": "SYNTH-1", "creator_name": "make_export.py",
        "standard_name_vocabulary": "CF Standard Name Table v84",
        "source": f"{kind[0].upper()}0000000.DAT", "history": "synthetic", "date_created": "2025-01-01T00:00:00Z",
        "processing_level": "decoded", "keywords": "VXP, profiling vehicle, synthetic",
        "geospatial_lat_min": LATITUDE, "geospatial_lat_max": LATITUDE,
        "geospatial_lon_min": LONGITUDE, "geospatial_lon_max": LONGITUDE,
        "geospatial_vertical_min": TOP, "geospatial_vertical_max": BOTTOM,
        "geospatial_vertical_positive": "down", "geospatial_vertical_units": "dbar", **coverage,
    })


def time_variable(ds, name, dims, seconds, long_name, axis=None):
    v = ds.createVariable(name, "f8", dims, fill_value=np.nan)
    v.units = TIME_UNITS
    v.calendar = "standard"
    v.long_name = long_name
    if axis:
        v.standard_name, v.axis = "time", axis
    v[:] = seconds
    return v


def obs_variable(ds, name, values, units=None, standard_name=None, long_name=None, kind="f4", **extra):
    v = ds.createVariable(name, kind, ("obs",), fill_value=np.nan if kind.startswith("f") else None)
    v.long_name = long_name or name.replace("_", " ")
    if standard_name:
        v.standard_name = standard_name
    if units:
        v.units = units
    v.coordinates = extra.pop("coordinates", "time latitude longitude")
    for key, value in extra.items():
        setattr(v, key, value)
    v[:] = values
    return v


def write_engineering(path, plan, times, rng):
    import netCDF4
    with netCDF4.Dataset(path, "w", format="NETCDF3_64BIT_OFFSET") as ds:
        write_common(ds, plan, "engineering", times)
        rows = plan.rows["engineering"]
        fraction, index = scan_fractions(rows)
        pressure = pressure_along(fraction, descending(plan.numbers[index])) + rng.normal(0, 0.3, len(index))
        duration = times["motion_stop"] - times["motion_start"]
        scan_time = times["motion_start"][index] + fraction * duration[index]
        progress = plan.numbers[index] / max(len(plan.numbers), 1)
        obs_variable(ds, "scan_time", scan_time, TIME_UNITS, "time", "scan time", "f8", calendar="standard")
        obs_variable(ds, "pressure", pressure, "dbar", "sea_water_pressure", coordinates="scan_time")
        obs_variable(ds, "depth", pressure * 0.99, "m", "depth", positive="down", axis="Z")
        obs_variable(ds, "motor_current", 260 + 40 * np.sin(fraction * np.pi) + rng.normal(0, 5, len(index)), "mA")
        obs_variable(ds, "battery_voltage", 12.6 - 2.2 * progress + rng.normal(0, 0.02, len(index)), "V")
        for name, values in (("motion_start_time", times["motion_start"]), ("motion_stop_time", times["motion_stop"])):
            time_variable(ds, name, ("profile",), values, name.replace("_", " "))
        ramp = np.where(descending(plan.numbers), 14, 13).astype(np.int16)
        for name, values in (("ramp_exit_code", ramp), ("profile_exit_code", plan.profile_exit)):
            v = ds.createVariable(name, "i2", ("profile",))
            v.long_name = name.replace("_", " ")
            v.flag_values = np.array(sorted(STOP_REASONS), dtype=np.int16)
            v.flag_meanings = " ".join(STOP_REASONS[k] for k in sorted(STOP_REASONS))
            v[:] = values
        v = ds.createVariable("ended_by_operator", "i1", ("profile",))
        v.long_name = "deployment stopped by the operator after this profile"
        v[:] = 0
        v = ds.createVariable("restart_count", "i2", ("profile",))
        v.long_name = "profile restarts"
        v[:] = 0


def write_ctd(path, plan, times, rng):
    import gsw
    import netCDF4
    with netCDF4.Dataset(path, "w", format="NETCDF3_64BIT_OFFSET") as ds:
        write_common(ds, plan, "ctd", times)
        rows = plan.rows["ctd"]
        fraction, index = scan_fractions(rows)
        pressure = pressure_along(fraction, descending(plan.numbers[index])) + rng.normal(0, 0.2, len(index))
        day = plan.numbers[index] * plan.interval / 86400.0
        temperature = 4 + 12 * np.exp(-pressure / 150) + 3 * np.sin(2 * np.pi * day / 365) * np.exp(-pressure / 80)
        salinity = 32.6 + 1.6 * (1 - np.exp(-pressure / 180)) + rng.normal(0, 0.005, len(index))
        conductivity = gsw.C_from_SP(salinity, temperature, pressure)
        obs_variable(ds, "pressure", pressure, "dbar", "sea_water_pressure_due_to_sea_water")
        obs_variable(ds, "temperature", temperature, "degree_Celsius", "sea_water_temperature")
        obs_variable(ds, "conductivity", conductivity, "mS cm-1", "sea_water_electrical_conductivity")
        obs_variable(ds, "practical_salinity", salinity, "1", "sea_water_practical_salinity")
        obs_variable(ds, "depth", -gsw.z_from_p(pressure, LATITUDE), "m", "depth", positive="down", axis="Z")
        if plan.scenario == "flagged":
            aggregate = write_temperature_flags(ds, plan, index)
            write_grid(os.path.join(os.path.dirname(path), "ctd_grid.nc"), plan, times, index,
                       pressure, {"temperature": temperature, "conductivity": conductivity,
                                  "practical_salinity": salinity}, aggregate)


def write_temperature_flags(ds, plan, index):
    """The flags of FLAGGED_PROFILE and SPIKED_PROFILES, the aggregate and the
    grades; returns the aggregate."""
    rows = plan.rows["ctd"]
    place = np.arange(len(index)) - np.repeat(np.cumsum(rows) - rows, rows)
    flags = {test: np.ones(len(index), dtype=np.int8) for test in TESTS}
    flags["gross_range"][index == FLAGGED_PROFILE] = 3
    flags["spike"][(place == 0) | (place == rows[index] - 1)] = 2
    flags["spike"][(index < SPIKED_PROFILES) & (place == rows[index] // 2)] = 4
    for test, values in flags.items():
        obs_variable(ds, f"qartod_temperature_{test}_flag", values, kind="i1",
                     standard_name=f"{test}_test_quality_flag", flag_values=np.array([1, 2, 3, 4, 9], np.int8),
                     flag_meanings=FLAG_MEANINGS)
    rank = {4: 4, 3: 3, 1: 2, 2: 1, 9: 0}     # fail, suspect, pass, not evaluated, missing
    stacked = np.stack(list(flags.values()))
    aggregate = np.take_along_axis(stacked, np.argmax(np.vectorize(rank.get)(stacked), axis=0)[None], 0)[0]
    obs_variable(ds, "temperature_qc", aggregate, kind="i1", standard_name="aggregate_quality_flag",
                 flag_values=np.array([1, 2, 3, 4, 9], np.int8), flag_meanings=FLAG_MEANINGS)
    passed = np.bincount(index, weights=aggregate == 1, minlength=len(rows)) / np.maximum(rows, 1)
    grade = np.select([passed == 1, passed >= 0.75, passed >= 0.5, passed >= 0.25, passed > 0], [0, 1, 2, 3, 4], 5)
    v = ds.createVariable("profile_temperature_qc", "i1", ("profile",), fill_value=np.int8(-127))
    v.flag_values = np.arange(6, dtype=np.int8)
    v.flag_meanings = "A B C D E F"
    v[:] = grade
    return aggregate


def write_grid(path, plan, times, index, pressure, values, aggregate):
    """ctd_grid.nc: per profile and bin of GRID_STEP dbar the mean of the
    scans whose temperature flag is pass or not evaluated."""
    import netCDF4
    edges = np.arange(TOP, BOTTOM + GRID_STEP, GRID_STEP)
    bins = len(edges) - 1
    profiles = len(plan.numbers)
    cell = index * bins + np.floor((pressure - TOP) / GRID_STEP).astype(np.int64)
    kept = (pressure >= TOP) & (pressure < edges[-1]) & np.isin(aggregate, (1, 2))
    count = np.bincount(cell[kept], minlength=profiles * bins).reshape(profiles, bins)
    with netCDF4.Dataset(path, "w", format="NETCDF3_64BIT_OFFSET") as ds:
        ds.createDimension("profile", profiles)
        ds.createDimension("pressure", bins)
        ds.createDimension("bounds", 2)
        for name, value in (("latitude", LATITUDE), ("longitude", LONGITUDE)):
            ds.createVariable(name, "f8", ())[...] = value
        ds.createVariable("profile", "i4", ("profile",))[:] = plan.numbers
        time_variable(ds, "time", ("profile",), times["sensor_on"], "time", axis="T")
        ds.createVariable("pressure", "f8", ("pressure",))[:] = (edges[:-1] + edges[1:]) / 2
        ds.createVariable("pressure_bnds", "f8", ("pressure", "bounds"))[:] = np.c_[edges[:-1], edges[1:]]
        for name, data in values.items():
            total = np.bincount(cell[kept], weights=data[kept], minlength=profiles * bins).reshape(profiles, bins)
            with np.errstate(invalid="ignore"):
                ds.createVariable(name, "f4", ("profile", "pressure"), fill_value=np.nan)[:] = total / count
            ds.createVariable(f"{name}_count", "i2", ("profile", "pressure"))[:] = count


def write_acm(path, plan, times, rng):
    import netCDF4
    with netCDF4.Dataset(path, "w", format="NETCDF3_64BIT_OFFSET") as ds:
        write_common(ds, plan, "acm", times)
        rows = plan.rows["acm"]
        fraction, index = scan_fractions(rows)
        n = len(index)
        span = times["sensor_off"] - times["sensor_on"]
        obs_variable(ds, "time_estimated", times["sensor_on"][index] + fraction * span[index], TIME_UNITS,
                    "time", "estimated scan time", "f8", calendar="standard",
                    comment="spread evenly between sensor on and off")
        obs_variable(ds, "pressure_estimated", pressure_along(fraction, descending(plan.numbers[index])), "dbar",
                    "sea_water_pressure", comment="engineering pressure interpolated at time_estimated")
        for name in ("tilt_x", "tilt_y"):
            obs_variable(ds, name, rng.normal(0, 2, n), kind="f8", comment="units not documented")
        for name in ("compass_x", "compass_y", "compass_z", "velocity_ab", "velocity_cd", "velocity_ef",
                     "velocity_gh"):
            obs_variable(ds, name, rng.normal(0, 1, n), comment="units not documented")


def write_log(path, plan):
    lines = [
        "Ostrel Research Labs Davrolin version 1.0 Revision 02 [Build Jan 01 2025 00:00:00]",
        "For use with data collected under Version 3.04 of the System Control Program.",
        "Log created Wednesday, January 01, 2025 12:00:00 PM", "", "Settings for this run:", "",
        f"  Engineering files for the entire deployment (all {len(plan.numbers)} profiles)", "",
        "Unpack Activity:", "", f"Unpacking Engineering profiles 0 to {len(plan.numbers) - 1}",
    ]
    if plan.scenario == "damaged":
        lines += ["Error reading from engineering file for profile 20",
                  f"Unpacking CTD profiles 0 to {len(plan.numbers) - 1}",
                  "Error opening CTD data file /data/vxp/C0000030.DAT",
                  "Operation cancelled by user"]
    elif plan.scenario == "all_damaged":
        lines += ["Error opening engineering data file /data/vxp/E0000000.DAT",
                  "Error opening CTD data file /data/vxp/C0000000.DAT",
                  "Error opening ACM data file /data/vxp/A0000000.DAT"]
    lines += ["Unpacking deployment log file", "Saving log to /data/out/DAVROLIN.LOG", ""]
    with open(path, "wb") as f:
        f.write("\r\n".join(lines).encode("latin-1"))


def write_export(folder, scenario="normal", profiles=None, engineering_scans=120, ctd_scans=300, acm_scans=150,
                seed=17):
    if profiles is None:
        profiles = 1 if scenario == "single" else 60
    os.makedirs(folder, exist_ok=True)
    plan = Plan(scenario, profiles, engineering_scans, ctd_scans, acm_scans)
    times = profile_times(plan)
    rng = np.random.default_rng(seed)
    writers = {"engineering": write_engineering, "ctd": write_ctd, "acm": write_acm}
    for kind in plan.kinds:
        writers[kind](os.path.join(folder, f"{kind}.nc"), plan, times, rng)
    write_log(os.path.join(folder, "DAVROLIN.LOG"), plan)
    return plan


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("scenario", choices=("normal", "damaged", "single", "all_damaged", "flagged"))
    parser.add_argument("folder")
    parser.add_argument("--profiles", type=int)
    parser.add_argument("--engineering-scans", type=int, default=120)
    parser.add_argument("--ctd-scans", type=int, default=300)
    parser.add_argument("--acm-scans", type=int, default=150)
    args = parser.parse_args()
    write_export(args.folder, args.scenario, args.profiles, args.engineering_scans, args.ctd_scans, args.acm_scans)


if __name__ == "__main__":
    main()
