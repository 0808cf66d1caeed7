"""track.png: the engineering pressure of the whole deployment against time,
pressure increasing downward, each profile's end marked by its termination
codes; below it the motor current and the battery voltage.

The scans are read in chunks, and a deployment of millions of scans is
thinned to what the figure's pixel columns show (figure_common.ThinLine):
the extent of every profile stays, and so does every profile's end mark."""
import dataclasses

import numpy as np

from . import figure_common as fc

MARKERS = ("v", "^", "s", "D", "o", "P", "*", "h")
CODE_COLOURS = ("#1f77b4", "#2ca02c", "#9467bd", "#8c564b", "#17becf", "#bcbd22", "#7f7f7f", "#e377c2")
FAULT_COLOUR = "#d62728"
NO_CODE = -99999            # a code the file leaves unset (its fill value): not marked
SCAN_VARIABLES = ("scan_time", "pressure", "motor_current", "battery_voltage")


@dataclasses.dataclass
class Track:
    """The engineering scans, reduced to what the figure draws."""
    pressure: fc.ThinLine
    current: fc.ThinLine
    voltage: fc.ThinLine
    end_x: np.ndarray       # per profile, the time and pressure of its last scan (NaN when unknown)
    end_pressure: np.ndarray


def draw_track(export, path):
    """Draws the figure into `path`; returns the notes that say what is missing."""
    figure = fc.new_figure(14, 8.5)
    top, bottom = figure.subplots(2, 1, sharex=True, gridspec_kw=dict(height_ratios=[2.2, 1]))
    notes = []
    engineering = export.instruments.get("engineering")
    if engineering is None:
        notes.append(f"{export.prefix}engineering.nc is not in the export: "
                     "no pressure track, motor current or battery voltage.")
        fc.note(top, notes[0])
        fc.note(bottom, "No engineering data.")
    elif engineering.scan_count == 0:
        notes.append(fc.empty_note(engineering))
        fc.note(top, notes[0])
        fc.note(bottom, "No motor current or battery voltage to show.")
    elif not has_times(engineering):
        notes.append(f"{engineering.file_name} has no scan_time with decodable times: "
                     "no pressure track, motor current or battery voltage.")
        fc.note(top, notes[0])
        fc.note(bottom, "No motor current or battery voltage to show.")
    else:
        track = read_track(engineering)
        notes += draw_pressure(top, engineering, track)
        notes += draw_power(bottom, engineering, track)
    top.set_title("Vehicle track (engineering pressure)", loc="left", fontsize=13)
    figure.tight_layout()
    fc.save(figure, path)
    return notes


def has_times(engineering):
    return engineering.obs_kinds.get("scan_time") == "M"


def read_track(engineering):
    """One pass over the engineering scans, chunk by chunk."""
    span = None
    if engineering.scan_count > fc.THIN_ABOVE:
        times = engineering.scan_range("scan_time")
        span = tuple(fc.date_numbers(np.array(times))) if times else None
    track = Track(pressure=fc.ThinLine(span), current=fc.ThinLine(span), voltage=fc.ThinLine(span),
                  end_x=np.full(len(engineering.profile), np.nan),
                  end_pressure=np.full(len(engineering.profile), np.nan))
    last = engineering.first_scan + engineering.row_size - 1
    ends = np.flatnonzero(engineering.row_size > 0)
    for chunk in engineering.scan_chunks(SCAN_VARIABLES):
        x = fc.date_numbers(chunk.values["scan_time"])
        for line, name in ((track.pressure, "pressure"), (track.current, "motor_current"),
                           (track.voltage, "battery_voltage")):
            if name in chunk.values:
                line.add(x, chunk.values[name], chunk.profile_index)
        here = ends[(last[ends] >= chunk.start) & (last[ends] < chunk.stop)]
        track.end_x[here] = x[last[here] - chunk.start]
        if "pressure" in chunk.values:
            track.end_pressure[here] = chunk.values["pressure"][last[here] - chunk.start]
    return track


def draw_pressure(ax, engineering, track):
    if "pressure" not in engineering.obs_names:
        note = f"{engineering.file_name} has no pressure: no pressure track."
        fc.note(ax, note)
        return [note]
    lx, ly = track.pressure.with_breaks()
    if len(lx) == 0:
        note = "No engineering scan has both a time and a pressure."
        fc.note(ax, note)
        return [note]
    notes = []
    ax.plot(lx, ly, color="#1f4e79", linewidth=0.6)
    notes += mark_ends(ax, engineering, track.end_x, track.end_pressure)
    ax.invert_yaxis()
    ax.set_ylabel("pressure (dbar)")
    ax.grid(True, alpha=0.3)
    fc.time_axis(ax)
    with_data = int((engineering.row_size > 0).sum())
    if with_data == 1:
        only = engineering.profile[engineering.row_size > 0][0]
        notes.append(f"Only one engineering profile has scans (profile {only}): the track is that profile alone.")
        ax.text(0.01, 0.02, notes[-1], transform=ax.transAxes, fontsize=10, color="#a05000")
    return notes


def mark_ends(ax, engineering, end_x, end_p):
    """Marks the last scan of each profile by its ramp exit code, and a profile
    exit code other than 0 (smooth running) by a red cross; a profile whose
    codes are unset is not marked."""
    notes = []
    placed = np.isfinite(end_x) & np.isfinite(end_p)
    ramp = profile_codes(engineering, "ramp_exit_code")
    if ramp is None:
        notes.append(f"{engineering.file_name} has no ramp_exit_code: profile ends are not marked.")
    else:
        meanings = engineering.flags("ramp_exit_code")
        for i, code in enumerate(sorted(set(ramp[placed].tolist()) - {NO_CODE})):
            which = placed & (ramp == code)
            ax.scatter(end_x[which], end_p[which], s=18, marker=MARKERS[i % len(MARKERS)],
                       color=CODE_COLOURS[i % len(CODE_COLOURS)], zorder=3,
                       label=f"end: {code_text(code, meanings)} ({int(which.sum()):,})")
    exit_codes = profile_codes(engineering, "profile_exit_code")
    if exit_codes is not None:
        meanings = engineering.flags("profile_exit_code")
        for code in sorted(set(exit_codes[placed].tolist()) - {0, NO_CODE}):
            which = placed & (exit_codes == code)
            ax.scatter(end_x[which], end_p[which], s=70, marker="x", color=FAULT_COLOUR, zorder=4,
                       linewidths=1.5, label=f"profile exit: {code_text(code, meanings)} ({int(which.sum()):,})")
    if ax.get_legend_handles_labels()[0]:
        ax.legend(loc="upper left", bbox_to_anchor=(1.005, 1.0), fontsize=9, frameon=False,
                  title="termination codes", title_fontsize=9)
    return notes


def profile_codes(instrument, name):
    values = instrument.per_profile.get(name)
    if values is None:
        return None
    values = np.asarray(values, dtype=float)
    return np.where(np.isfinite(values), values, NO_CODE).astype(int)


def code_text(code, meanings):
    meaning = meanings.get(code)
    return f"{code} {meaning.replace('_', ' ')}" if meaning else f"{code}"


def draw_power(ax, engineering, track):
    has_current = "motor_current" in engineering.obs_names
    has_voltage = "battery_voltage" in engineering.obs_names
    if not has_current and not has_voltage:
        note = "No motor current or battery voltage to show."
        fc.note(ax, note)
        return [note]
    notes = []
    lines = []
    if has_current:
        lx, ly = track.current.with_breaks()
        lines += ax.plot(lx, ly, color="#2a9d8f", linewidth=0.5, label="motor current (mA)")
        ax.set_ylabel("motor current (mA)", color="#2a9d8f")
    else:
        notes.append(f"{engineering.file_name} has no motor_current.")
    if has_voltage:
        right = ax.twinx()
        lx, ly = track.voltage.with_breaks()
        lines += right.plot(lx, ly, color="#e76f51", linewidth=0.8, label="battery voltage (V)")
        right.set_ylabel("battery voltage (V)", color="#e76f51")
    else:
        notes.append(f"{engineering.file_name} has no battery_voltage.")
    ax.legend(lines, [line.get_label() for line in lines], loc="upper left",
              bbox_to_anchor=(1.06, 1.0), fontsize=9, frameon=False)
    ax.grid(True, alpha=0.3)
    fc.time_axis(ax)
    return notes
