"""track.png: the engineering pressure of the whole deployment against time,
pressure increasing downward, each profile's end marked by its termination
codes; below it the motor current and the battery voltage."""
import numpy as np

from . import figure_common as fc

kMarkers = ("v", "^", "s", "D", "o", "P", "*", "h")
kCodeColours = ("#1f77b4", "#2ca02c", "#9467bd", "#8c564b", "#17becf", "#bcbd22", "#7f7f7f", "#e377c2")
kFaultColour = "#d62728"
kNoCode = -99999            # a code the file leaves unset (its fill value): not marked


def DrawTrack(export, path):
    """Draws the figure into `path`; returns the notes that say what is missing."""
    figure = fc.NewFigure(14, 8.5)
    top, bottom = figure.subplots(2, 1, sharex=True, gridspec_kw=dict(height_ratios=[2.2, 1]))
    notes = []
    engineering = export.instruments.get("engineering")
    if engineering is None:
        notes.append(f"{export.prefix}engineering.nc is not in the export: "
                     "no pressure track, motor current or battery voltage.")
    else:
        notes += DrawPressure(top, engineering)
        notes += DrawPower(bottom, engineering)
    if engineering is None:
        fc.Note(top, notes[0])
        fc.Note(bottom, "No engineering data.")
    top.set_title("Vehicle track (engineering pressure)", loc="left", fontsize=13)
    figure.tight_layout()
    fc.Save(figure, path)
    return notes


def ScanTimes(engineering):
    times = engineering.obs.get("scan_time")
    if times is None or np.asarray(times).dtype.kind != "M":
        return None
    return fc.DateNumbers(times)


def DrawPressure(ax, engineering):
    pressure = engineering.obs.get("pressure")
    x = ScanTimes(engineering)
    if engineering.scan_count == 0:
        note = fc.EmptyNote(engineering)
        fc.Note(ax, note)
        return [note]
    if pressure is None or x is None:
        missing = "pressure" if pressure is None else "scan_time with decodable times"
        note = f"{engineering.file_name} has no {missing}: no pressure track."
        fc.Note(ax, note)
        return [note]
    notes = []
    pressure = np.asarray(pressure, dtype=float)
    good = np.isfinite(x) & np.isfinite(pressure)
    if not good.any():
        note = "No engineering scan has both a time and a pressure."
        fc.Note(ax, note)
        return [note]
    lx, ly = fc.WithBreaks(x[good], pressure[good], engineering.scan_profile[good])
    ax.plot(lx, ly, color="#1f4e79", linewidth=0.6)
    notes += MarkEnds(ax, engineering, x, pressure)
    ax.invert_yaxis()
    ax.set_ylabel("pressure (dbar)")
    ax.grid(True, alpha=0.3)
    fc.TimeAxis(ax)
    with_data = int((engineering.row_size > 0).sum())
    if with_data == 1:
        only = engineering.profile[engineering.row_size > 0][0]
        notes.append(f"Only one engineering profile has scans (profile {only}): the track is that profile alone.")
        ax.text(0.01, 0.02, notes[-1], transform=ax.transAxes, fontsize=10, color="#a05000")
    return notes


def MarkEnds(ax, engineering, x, pressure):
    """Marks the last scan of each profile by its ramp exit code, and a profile
    exit code other than 0 (smooth running) by a red cross; a profile whose
    codes are unset is not marked."""
    notes = []
    ends = np.cumsum(engineering.row_size) - 1
    has_scans = engineering.row_size > 0
    end_x = np.full(len(ends), np.nan)
    end_p = np.full(len(ends), np.nan)
    end_x[has_scans] = x[ends[has_scans]]
    end_p[has_scans] = pressure[ends[has_scans]]
    placed = np.isfinite(end_x) & np.isfinite(end_p)

    ramp = ProfileCodes(engineering, "ramp_exit_code")
    if ramp is None:
        notes.append(f"{engineering.file_name} has no ramp_exit_code: profile ends are not marked.")
    else:
        meanings = engineering.Flags("ramp_exit_code")
        for i, code in enumerate(sorted(set(ramp[placed].tolist()) - {kNoCode})):
            which = placed & (ramp == code)
            ax.scatter(end_x[which], end_p[which], s=18, marker=kMarkers[i % len(kMarkers)],
                       color=kCodeColours[i % len(kCodeColours)], zorder=3,
                       label=f"end: {CodeText(code, meanings)} ({int(which.sum()):,})")
    exit_codes = ProfileCodes(engineering, "profile_exit_code")
    if exit_codes is not None:
        meanings = engineering.Flags("profile_exit_code")
        for code in sorted(set(exit_codes[placed].tolist()) - {0, kNoCode}):
            which = placed & (exit_codes == code)
            ax.scatter(end_x[which], end_p[which], s=70, marker="x", color=kFaultColour, zorder=4,
                       linewidths=1.5, label=f"profile exit: {CodeText(code, meanings)} ({int(which.sum()):,})")
    if ax.get_legend_handles_labels()[0]:
        ax.legend(loc="upper left", bbox_to_anchor=(1.005, 1.0), fontsize=9, frameon=False,
                  title="termination codes", title_fontsize=9)
    return notes


def ProfileCodes(instrument, name):
    values = instrument.per_profile.get(name)
    if values is None:
        return None
    values = np.asarray(values, dtype=float)
    return np.where(np.isfinite(values), values, kNoCode).astype(int)


def CodeText(code, meanings):
    meaning = meanings.get(code)
    return f"{code} {meaning.replace('_', ' ')}" if meaning else f"{code}"


def DrawPower(ax, engineering):
    x = ScanTimes(engineering)
    current = engineering.obs.get("motor_current")
    voltage = engineering.obs.get("battery_voltage")
    if engineering.scan_count == 0 or x is None or (current is None and voltage is None):
        note = "No motor current or battery voltage to show."
        fc.Note(ax, note)
        return [] if engineering.scan_count == 0 else [note]
    notes = []
    lines = []
    if current is not None:
        lx, ly = fc.WithBreaks(x, current, engineering.scan_profile)
        lines += ax.plot(lx, ly, color="#2a9d8f", linewidth=0.5, label="motor current (mA)")
        ax.set_ylabel("motor current (mA)", color="#2a9d8f")
    else:
        notes.append(f"{engineering.file_name} has no motor_current.")
    if voltage is not None:
        right = ax.twinx()
        lx, ly = fc.WithBreaks(x, voltage, engineering.scan_profile)
        lines += right.plot(lx, ly, color="#e76f51", linewidth=0.8, label="battery voltage (V)")
        right.set_ylabel("battery voltage (V)", color="#e76f51")
    else:
        notes.append(f"{engineering.file_name} has no battery_voltage.")
    ax.legend(lines, [line.get_label() for line in lines], loc="upper left",
              bbox_to_anchor=(1.06, 1.0), fontsize=9, frameon=False)
    ax.grid(True, alpha=0.3)
    fc.TimeAxis(ax)
    return notes
