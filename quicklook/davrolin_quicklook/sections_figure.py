"""sections.png: temperature, practical salinity and potential density sigma0
as time x pressure colour sections of the CTD profiles.

Each profile is one column, its scans averaged in pressure bins; a gap in
time longer than three usual profile spacings stays blank. With more
profiles than the figure has pixel columns, the columns are an even grid in
time and each averages the profiles that fall in it. The scans are read in
chunks and added into the grid as they come, so memory does not grow with
the deployment. When the export has a grid file (ctd_grid.nc), its bin means
are taken in place of the scans, a chunk of whole profiles at a time.
"""
import os

import numpy as np

from . import figure_common as fc
from . import water
from .export_reader import ExportError, read_grid, reason

MAX_BINS = 200
MIN_BIN_WIDTH = 0.5         # dbar
GAP_FACTOR = 3.0
MAX_COLUMNS = 1200          # about the pixel columns of the panels
# Pressure limits are taken from at most this many scans, evenly spread.
LIMIT_SAMPLE = 1_000_000
# One profile alone is drawn as a line of at most this many scans.
MAX_PROFILE_POINTS = 20_000
PANELS = (
    ("temperature", "temperature (°C)", "RdYlBu_r"),
    ("salinity", "practical salinity", "viridis"),
    ("sigma0", r"$\sigma_0$ (kg m$^{-3}$)", "cividis"),
)


def draw_sections(export, path):
    figure = fc.new_figure(14, 11)
    axes = figure.subplots(3, 1, sharey=True)
    notes = []
    gridded = None
    if export.grid_path:
        try:
            gridded = grid_sections(read_grid(export.grid_path))
        except ExportError as e:
            notes.append(f"{e}: the sections are drawn from the scans.")
        except (OSError, ValueError, RuntimeError, KeyError, IndexError) as e:
            notes.append(f"{os.path.basename(export.grid_path)}: its values could not be read "
                         f"({reason(e)}): the sections are drawn from the scans.")
    if gridded is not None:
        sections, x_edges, p_edges, is_time, grid_notes = gridded
        notes += grid_notes + draw_means(axes, sections, x_edges, p_edges, is_time, fc.deployment_time_span(export))
    else:
        notes += draw_from_scans(axes, export)
    axes[0].set_title("CTD sections: " + axes[0].get_title(loc="left"), loc="left", fontsize=13)
    figure.tight_layout()
    fc.save(figure, path)
    return notes


def draw_from_scans(axes, export):
    ctd = export.instruments.get("ctd")
    notes = []
    if ctd is None:
        notes.append(f"{export.prefix}ctd.nc is not in the export: no temperature, salinity or density.")
    elif ctd.scan_count == 0:
        notes.append(fc.empty_note(ctd))
    elif not water.can_compute(ctd):
        notes.append(f"{ctd.file_name} has no pressure or temperature variable: no sections.")
    if notes:
        for ax, (_, label, _) in zip(axes, PANELS):
            fc.note(ax, notes[0])
            ax.set_title(label, loc="left")
        return notes
    return water.notes(ctd) + draw_panels(axes, ctd, fc.deployment_time_span(export))


class SectionGrid:
    """Mean of a value per pressure bin (rows) and column, gathered chunk by
    chunk. `column_of_profile`: per profile the column it is shown in, -1
    for none."""

    def __init__(self, column_of_profile, columns, lo, hi, nbins):
        self.column_of_profile = np.asarray(column_of_profile)
        self.columns, self.lo, self.hi, self.nbins = columns, lo, hi, nbins
        self.total = np.zeros(columns * nbins)
        self.count = np.zeros(columns * nbins)

    def add(self, profile_index, pressure, values):
        column = self.column_of_profile[profile_index]
        good = np.isfinite(pressure) & np.isfinite(values) & (column >= 0)
        width = (self.hi - self.lo) / self.nbins
        bins = np.floor((pressure[good] - self.lo) / width).astype(np.int64)
        inside = (bins >= 0) & (bins < self.nbins)
        flat = column[good][inside] * self.nbins + bins[inside]
        size = self.columns * self.nbins
        self.total += np.bincount(flat, weights=values[good][inside], minlength=size)
        self.count += np.bincount(flat, minlength=size)

    def means(self):
        with np.errstate(invalid="ignore", divide="ignore"):
            return (self.total / self.count).reshape(self.columns, self.nbins).T


def pressure_survey(ctd):
    """Per profile the count of scans with a pressure, and the pressures of
    at most LIMIT_SAMPLE scans spread over the deployment."""
    counts = np.zeros(len(ctd.profile), dtype=np.int64)
    stride = max(1, -(-ctd.scan_count // LIMIT_SAMPLE))
    sample = []
    for chunk in ctd.scan_chunks(["pressure"]):
        pressure = np.asarray(chunk.values["pressure"], dtype=float)
        finite = np.isfinite(pressure)
        counts += np.bincount(chunk.profile_index[finite], minlength=len(ctd.profile))
        sample.append(pressure[fc.every_nth(chunk.start, chunk.stop, stride)])
    return counts, np.concatenate(sample)


def draw_panels(axes, ctd, span):
    """The sections; with the time span of the deployment, they cover it all,
    so a sensor that stopped early shows as blank to the right."""
    notes = []
    counts, pressure_sample = pressure_survey(ctd)
    with_data = np.flatnonzero(counts > 0)
    if len(with_data) == 0:
        note = "No CTD scan has a pressure: no sections."
        for ax, (_, label, _) in zip(axes, PANELS):
            fc.note(ax, note)
            ax.set_title(label, loc="left")
        return [note]
    if len(with_data) == 1:
        return draw_one_profile(axes, ctd, with_data[0])

    x, is_time, x_notes = profile_x(ctd.time, ctd.profile, ctd.row_size > 0)
    notes += x_notes
    shown = with_data[np.isfinite(x[with_data])]
    lo, hi = pressure_range(pressure_sample)
    nbins = int(np.clip(np.ceil((hi - lo) / MIN_BIN_WIDTH), 10, MAX_BINS))
    p_edges = np.linspace(lo, hi, nbins + 1)
    x_edges, column_of_profile = column_layout(x, shown, len(ctd.profile))
    grids = {name: SectionGrid(column_of_profile, len(x_edges) - 1, lo, hi, nbins) for name, _, _ in PANELS}
    for chunk in ctd.scan_chunks(water.SCAN_VARIABLES):
        scans = water.compute(chunk.values, ctd.latitude, ctd.longitude)
        for name, grid in grids.items():
            grid.add(chunk.profile_index, scans.pressure, getattr(scans, name))
    return notes + draw_means(axes, grids, x_edges, p_edges, is_time, span)


def grid_sections(grid):
    """The sections from the grid file's bin means, as draw_means takes them,
    and the notes; None when fewer than two of its profiles have a value,
    which the scans draw better."""
    bins = len(grid.pressure_edges) - 1
    with_data = np.zeros(len(grid.profile), dtype=bool)
    bin_used = np.zeros(bins, dtype=bool)
    for first, rows in grid.rows(["temperature"]):
        known = np.isfinite(rows["temperature"])
        with_data[first:first + len(known)] = known.any(axis=1)
        bin_used |= known.any(axis=0)
    if with_data.sum() < 2:
        return None
    used = np.flatnonzero(bin_used)
    merge = max(1, -(-(used[-1] + 1 - used[0]) // MAX_BINS))    # grid bins per figure bin
    edges = grid.pressure_edges[used[0]:used[-1] + 2]
    hi = float(edges[-1])
    nbins = -(-(len(edges) - 1) // merge)
    p_edges = np.r_[edges[::merge], hi] if (len(edges) - 1) % merge else edges[::merge]
    centres = (grid.pressure_edges[:-1] + grid.pressure_edges[1:]) / 2

    notes = [f"Drawn from {grid.file_name}: the mean of each profile's scans in bins of "
             f"{float(np.median(np.diff(grid.pressure_edges))):g} dbar."]
    x, is_time, x_notes = profile_x(grid.time, grid.profile, with_data)
    notes += x_notes
    shown = np.flatnonzero(with_data & np.isfinite(x))
    x_edges, column_of_profile = column_layout(x, shown, len(grid.profile))
    sections = {name: SectionGrid(column_of_profile, len(x_edges) - 1, 0, nbins, nbins) for name, _, _ in PANELS}
    index = np.arange(bins)
    bin_number = np.where((index >= used[0]) & (index <= used[-1]), (index - used[0]) // merge + 0.5, -1.0)
    for first, rows in grid.rows(water.SCAN_VARIABLES):
        count = len(rows["temperature"])
        profile_index = np.repeat(np.arange(first, first + count), bins)
        cells = {name: values.reshape(-1) for name, values in rows.items()}
        cells["pressure"] = np.tile(centres, count)
        means = water.compute(cells, grid.latitude, grid.longitude)
        for name, section in sections.items():
            section.add(profile_index, np.tile(bin_number, count), getattr(means, name))
    return sections, x_edges, p_edges, is_time, notes


def draw_means(axes, sections, x_edges, p_edges, is_time, span):
    """Each panel's SectionGrid as a colour section over the columns
    `x_edges` and pressure bins `p_edges`."""
    notes = []
    for ax, (name, label, cmap) in zip(axes, PANELS):
        means = sections[name].means()
        limits = fc.robust_limits(means)
        if limits is None:
            fc.note(ax, f"No {name.replace('_', ' ')} values in ctd.nc.")
            notes.append(f"No {name} values in the CTD scans.")
        else:
            mesh = ax.pcolormesh(x_edges, p_edges, means, shading="flat", cmap=cmap,
                                 vmin=limits[0], vmax=limits[1], rasterized=True)
            ax.figure.colorbar(mesh, ax=ax, pad=0.01, extend="both").set_label(label)
        ax.set_title(label, loc="left")
        ax.set_ylabel("pressure (dbar)")
    axes[0].set_ylim(p_edges[-1], p_edges[0])
    for ax in axes[1:]:
        ax.sharex(axes[0])
    for ax in axes[:-1]:
        ax.tick_params(labelbottom=False)
    if is_time:
        fc.time_axis(axes[-1])
        if span is not None:
            left, right = min(span[0], x_edges[0]), max(span[1], x_edges[-1])
            axes[-1].set_xlim(left, right)
    else:
        axes[-1].set_xlabel("profile")
    return notes


def draw_one_profile(axes, ctd, index):
    """One profile makes no section: it is drawn as a profile instead."""
    number = int(ctd.profile[index])
    note = f"Only one CTD profile has scans (profile {number}): a section needs two; the profile is drawn instead."
    start = int(ctd.first_scan[index])
    stop = start + int(ctd.row_size[index])
    stride = max(1, -(-(stop - start) // MAX_PROFILE_POINTS))
    parts = []
    for chunk in ctd.scan_chunks(water.SCAN_VARIABLES, start, stop):
        kept = fc.every_nth(chunk.start - start, chunk.stop - start, stride)
        parts.append(water.compute({k: v[kept] for k, v in chunk.values.items()}, ctd.latitude, ctd.longitude))
    pressure = np.concatenate([part.pressure for part in parts])
    for ax, (name, label, _) in zip(axes, PANELS):
        values = np.concatenate([getattr(part, name) for part in parts])
        if np.isfinite(values).any():
            ax.plot(values, pressure, ".-", color="#1f4e79", markersize=2, linewidth=0.8)
            ax.set_xlabel(label)
            ax.xaxis.set_tick_params(labelbottom=True)
        else:
            fc.note(ax, f"No {name} values.", clear=False)
        ax.set_title(label, loc="left")
        ax.set_ylabel("pressure (dbar)")
        ax.text(0.99, 0.03, note, transform=ax.transAxes, ha="right", fontsize=10, color="#a05000")
        ax.grid(True, alpha=0.3)
    axes[0].invert_yaxis()
    return [note]


def profile_x(time, profile, with_data):
    """Per profile the column position: its time as a date number where
    two or more profiles have one (a missing time is estimated from the
    neighbouring profiles' times), else the profile number."""
    x = fc.date_numbers(time)
    known = np.isfinite(x)
    if known.sum() >= 2:
        notes = []
        missing = int((~known & with_data).sum())
        if missing:
            order = np.argsort(profile[known])
            x = np.where(known, x, np.interp(profile, profile[known][order], x[known][order]))
            notes.append(f"{fc.plural(missing, 'CTD profile')} with data but no time: "
                         "placed by profile number between the profiles around them.")
        return x, True, notes
    return profile.astype(float), False, ["The CTD profiles have no times: the sections run by profile number."]


def pressure_range(pressure):
    limits = fc.robust_limits(pressure, 0.05, 99.95)
    lo, hi = limits
    if hi - lo < 1.0:
        lo, hi = lo - 0.5, hi + 0.5
    return lo, hi


def column_edges(x):
    """Column edges around the sorted positions `x`, and per column the index
    into `x` it shows (-1 for a blank column put into a long gap)."""
    order = np.argsort(x, kind="stable")
    xs = x[order]
    steps = np.diff(xs)
    positive = steps[steps > 0]
    step = float(np.median(positive)) if len(positive) else 1.0
    edges = [xs[0] - step / 2]
    slots = []
    for i in range(len(xs)):
        slots.append(order[i])
        if i + 1 < len(xs):
            gap = xs[i + 1] - xs[i]
            if gap > GAP_FACTOR * step:
                edges += [xs[i] + step / 2, xs[i + 1] - step / 2]
                slots.append(-1)
            else:
                edges.append(xs[i] + gap / 2)
    edges.append(xs[-1] + step / 2)
    return np.array(edges), np.array(slots, dtype=int)


def column_layout(x, shown, profile_count):
    """The column edges along x and per profile its column (-1 for none) of
    the profiles `shown`: a column each, or with more of them than
    MAX_COLUMNS an even grid of MAX_COLUMNS columns."""
    column_of_profile = np.full(profile_count, -1, dtype=np.int64)
    if len(shown) <= MAX_COLUMNS:
        edges, slots = column_edges(x[shown])
        used = slots >= 0
        column_of_profile[shown[slots[used]]] = np.flatnonzero(used)
        return edges, column_of_profile
    low, high = float(x[shown].min()), float(x[shown].max())
    step = (high - low) / (MAX_COLUMNS - 1)
    edges = low - step / 2 + step * np.arange(MAX_COLUMNS + 1)
    column_of_profile[shown] = np.clip(np.floor((x[shown] - edges[0]) / step), 0, MAX_COLUMNS - 1)
    return edges, column_of_profile
