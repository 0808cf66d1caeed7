"""The numbers of the report page: profiles, time span, pressure range,
counts by data_status and by termination code, and the deployment's metadata."""
import dataclasses
import os

import numpy as np

from . import figure_common as fc
from .data_status import STATUSES, status_name
from .export_reader import INSTRUMENTS

CODE_VARIABLES = (("ramp_exit_code", "ramp exit"), ("profile_exit_code", "profile exit"))
END_TIMES = ("sensor_off_time", "motion_stop_time", "sensor_on_time", "motion_start_time")


@dataclasses.dataclass
class Summary:
    rows: list              # (label, text)
    status_header: list     # instrument, then one column per status
    status_rows: list
    code_rows: list         # (kind, code, meaning, count)
    metadata: list          # (name, value) of the global attributes
    deployment: list        # (name, value) of the deployment variable
    source_files: list      # the files read


def summarise(export):
    instruments = [export.instruments[n] for n in INSTRUMENTS if n in export.instruments]
    rows = [("Export folder", os.path.abspath(export.folder)),
            ("Files read", ", ".join(i.file_name for i in instruments))]
    for instrument in instruments:
        rows.append((f"Profiles: {instrument.file_name}", profile_text(instrument)))
    rows.append(("Time span", time_span_text(instruments)))
    for name in ("ctd", "engineering"):
        if name in export.instruments:
            rows.append((f"Pressure range: {export.instruments[name].file_name}",
                         pressure_text(export.instruments[name])))
    engineering = export.instruments.get("engineering")
    if engineering is not None and "ended_by_operator" in engineering.per_profile:
        stopped = np.asarray(engineering.per_profile["ended_by_operator"], dtype=float)
        rows.append(("Ended by the operator", fc.plural(int(np.nansum(stopped > 0)), "profile")))

    codes = sorted({int(c) for i in instruments for c in i.status if c not in range(len(STATUSES))})
    columns = list(range(len(STATUSES))) + codes
    status_header = ["instrument"] + [status_name(c).replace("_", " ") for c in columns]
    status_rows = []
    for instrument in instruments:
        counts = [int((instrument.status == c).sum()) for c in columns]
        status_rows.append([instrument.file_name] + counts)

    first = instruments[0] if instruments else None
    return Summary(
        rows=rows,
        status_header=status_header,
        status_rows=status_rows,
        code_rows=code_rows(engineering),
        metadata=[(k, attribute_text(v)) for k, v in first.global_attributes.items()] if first else [],
        deployment=[(k, attribute_text(v)) for k, v in first.deployment_attributes.items()] if first else [],
        source_files=[i.file_name for i in instruments],
    )


def profile_text(instrument):
    profile = instrument.profile
    if len(profile) == 0:
        return "none"
    with_data = int((instrument.row_size > 0).sum())
    return (f"{len(profile):,} (numbers {int(profile.min())} to {int(profile.max())}), "
            f"{with_data:,} with scans, {instrument.scan_count:,} scans")


def time_span_text(instruments):
    times = []
    for instrument in instruments:
        times.append(instrument.time)
        for name in END_TIMES:
            values = instrument.per_profile.get(name)
            if values is not None and np.asarray(values).dtype.kind == "M":
                times.append(values)
        if instrument.obs_kinds.get("scan_time") == "M":
            scan_times = instrument.scan_range("scan_time")
            if scan_times:
                times.append(np.array(scan_times))
    times = np.concatenate([np.asarray(t, dtype="datetime64[s]").reshape(-1) for t in times]) if times else []
    times = times[~np.isnat(times)] if len(times) else times
    if len(times) == 0:
        return "unknown (no times in the export)"
    start, end = times.min(), times.max()
    days = (end - start) / np.timedelta64(1, "D")
    return f"{iso_time(start)} to {iso_time(end)} ({days:,.1f} days)"


def iso_time(value):
    return str(np.datetime64(value, "s")).replace("T", " ") + " UTC"


def pressure_text(instrument):
    if "pressure" not in instrument.obs_names:
        return "no pressure variable"
    limits = instrument.scan_range("pressure")
    if limits is None:
        return "no pressure values"
    return f"{limits[0]:.1f} to {limits[1]:.1f} dbar"


def code_rows(engineering):
    if engineering is None:
        return []
    rows = []
    for name, kind in CODE_VARIABLES:
        values = engineering.per_profile.get(name)
        if values is None:
            continue
        values = np.asarray(values, dtype=float)
        meanings = engineering.flags(name)
        known = values[np.isfinite(values)].astype(int)
        for code, count in zip(*np.unique(known, return_counts=True)):
            rows.append((kind, int(code), meanings.get(int(code), "").replace("_", " "), int(count)))
    return rows


def attribute_text(value):
    if isinstance(value, (bytes, bytearray)):
        return value.decode("latin-1")
    if isinstance(value, np.ndarray):
        return ", ".join(str(v) for v in value.tolist())
    return str(value)
