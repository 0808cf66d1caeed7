"""ts.png: a T-S diagram of the CTD scans, practical salinity against
potential temperature, coloured by pressure, with contours of sigma0.
Scans whose temperature, conductivity or salinity is flagged suspect or fail
are drawn over them in markers of their own.

A deployment of more than MAX_POINTS scans is drawn by an even sample of
them, taken chunk by chunk as the scans are read; the flagged scans are all
drawn, or with more than MAX_FLAGGED of them an even sample too."""
import dataclasses

import numpy as np

from . import figure_common as fc
from . import water

MAX_POINTS = 150_000
MAX_FLAGGED = 50_000
GRID_STEPS = 120
# The aggregate flags that judge a point of the diagram, and how each grade is drawn.
FLAG_VARIABLES = ("temperature_qc", "conductivity_qc", "practical_salinity_qc")
SUSPECT, FAIL = 3, 4
FLAG_MARKERS = {SUSPECT: dict(label="suspect", marker="o", s=18, facecolors="none", edgecolors="#ff7f0e"),
                FAIL: dict(label="fail", marker="x", s=40, color="#d62728")}


def draw_ts(export, path):
    figure = fc.new_figure(10, 8.5)
    ax = figure.subplots()
    ax.set_title("T-S diagram (CTD)", loc="left", fontsize=13)
    ctd = export.instruments.get("ctd")
    note = ""
    if ctd is None:
        note = f"{export.prefix}ctd.nc is not in the export: no T-S diagram."
    elif ctd.scan_count == 0:
        note = fc.empty_note(ctd)
    elif not water.can_compute(ctd):
        note = f"{ctd.file_name} has no pressure or temperature variable: no T-S diagram."
    if note:
        fc.note(ax, note)
        notes = [note]
    else:
        notes = water.notes(ctd) + draw_diagram(ax, ctd)
    figure.tight_layout()
    fc.save(figure, path)
    return notes


@dataclasses.dataclass
class Flagged:
    """The scans flagged suspect or fail: an even sample of them (every
    `stride`-th), their grade, and how many of each grade the file holds."""
    water: object
    grade: np.ndarray
    stride: int
    counts: dict


def worst_flag(values, names):
    """Per scan the worst of the aggregate flags `names` among `values`:
    FAIL, SUSPECT, or 0 for any other."""
    worst = None
    for name in names:
        flags = np.asarray(values[name], dtype=float)
        grade = np.where(flags == FAIL, FAIL, np.where(flags == SUSPECT, SUSPECT, 0))
        worst = grade if worst is None else np.maximum(worst, grade)
    return worst


class FlaggedSample:
    """The flagged scans, gathered chunk by chunk: each is numbered as it
    comes, and those whose number is a multiple of the stride are kept; the
    stride doubles whenever more than MAX_FLAGGED are kept."""

    def __init__(self, limit=MAX_FLAGGED):
        self.limit, self.stride, self.seen = limit, 1, 0
        self.number, self.grade, self.parts = [], [], []
        self.counts = {SUSPECT: 0, FAIL: 0}

    def add(self, grade, values, latitude, longitude):
        flagged = np.flatnonzero(grade > 0)
        for g in self.counts:
            self.counts[g] += int((grade == g).sum())
        number = self.seen + np.arange(len(flagged))
        self.seen += len(flagged)
        kept = flagged[number % self.stride == 0]
        if len(kept):
            self.number.append(number[number % self.stride == 0])
            self.grade.append(grade[kept])
            self.parts.append(water.compute({k: v[kept] for k, v in values.items()}, latitude, longitude))
        while sum(len(n) for n in self.number) > self.limit:
            self.stride *= 2
            for i, n in enumerate(self.number):
                keep = n % self.stride == 0
                self.number[i], self.grade[i] = n[keep], self.grade[i][keep]
                self.parts[i] = water.Water(*(getattr(self.parts[i], f.name)[keep]
                                              for f in dataclasses.fields(water.Water)))

    def result(self):
        return Flagged(joined(self.parts), np.concatenate(self.grade) if self.grade else np.array([], int),
                       self.stride, dict(self.counts))


def joined(parts):
    return water.Water(*(np.concatenate([getattr(p, f.name) for p in parts]) if parts else np.array([])
                         for f in dataclasses.fields(water.Water)))


def read_sample(ctd):
    """The water properties of every scan, or of an even sample of MAX_POINTS
    of them; the stride between the scans taken; their profile indices; and
    the Flagged scans (None when the file has no aggregate flags for them)."""
    stride = max(1, -(-ctd.scan_count // MAX_POINTS))
    flag_names = [n for n in FLAG_VARIABLES if n in ctd.obs_names]
    flagged = FlaggedSample() if flag_names else None
    parts, profile_index = [], []
    for chunk in ctd.scan_chunks(water.SCAN_VARIABLES + tuple(flag_names)):
        values = {k: v for k, v in chunk.values.items() if k in water.SCAN_VARIABLES}
        kept = fc.every_nth(chunk.start, chunk.stop, stride)
        if flagged is not None:
            grade = worst_flag(chunk.values, flag_names)
            flagged.add(grade, values, ctd.latitude, ctd.longitude)
            kept = kept[grade[kept] == 0]     # the flagged ones are drawn apart
        parts.append(water.compute({k: v[kept] for k, v in values.items()}, ctd.latitude, ctd.longitude))
        profile_index.append(chunk.profile_index[kept])
    return joined(parts), stride, np.concatenate(profile_index), flagged.result() if flagged else None


def draw_diagram(ax, ctd):
    sample, stride, profile_index, flagged = read_sample(ctd)
    s, t, p = sample.salinity, sample.potential_temperature, sample.pressure
    good = np.flatnonzero(np.isfinite(s) & np.isfinite(t))
    axis_s, axis_t = axis_values(s[good], t[good], flagged)
    if len(axis_s) == 0:
        note = "No CTD scan has both a salinity and a temperature: no T-S diagram."
        fc.note(ax, note)
        return [note]
    notes = []
    if stride > 1:
        notes.append(f"T-S diagram: one in {stride:,} of the {ctd.scan_count:,} scans is drawn.")
    s_limits = padded(fc.robust_limits(axis_s, 0.1, 99.9))
    t_limits = padded(fc.robust_limits(axis_t, 0.1, 99.9))
    inside = ((s[good] >= s_limits[0]) & (s[good] <= s_limits[1]) &
              (t[good] >= t_limits[0]) & (t[good] <= t_limits[1]))
    outside = int((~inside).sum())
    if outside:
        drawn = "" if stride == 1 else " drawn"
        notes.append(f"{fc.plural(outside, 'scan')}{drawn} outside the axes of the T-S diagram (extreme values).")

    grid_s = np.linspace(*s_limits, GRID_STEPS)
    grid_t = np.linspace(*t_limits, GRID_STEPS)
    sigma = water.sigma0_grid(grid_s, grid_t, ctd.latitude, ctd.longitude)
    if np.isfinite(sigma).any():
        contours = ax.contour(grid_s, grid_t, sigma, levels=10, colors="#777777", linewidths=0.7)
        ax.clabel(contours, fontsize=8, fmt=level_format(contours.levels))

    if len(good):
        colours = p[good]
        limits = fc.robust_limits(colours) or (0.0, 1.0)
        points = ax.scatter(s[good], t[good], c=np.where(np.isfinite(colours), colours, limits[1]),
                            s=point_size(len(good)),
                            cmap="viridis_r", vmin=limits[0], vmax=limits[1], linewidths=0, rasterized=True)
        bar = ax.figure.colorbar(points, ax=ax, pad=0.01)
        bar.set_label("pressure (dbar)")
        bar.ax.invert_yaxis()
    if flagged is not None:
        notes += draw_flagged(ax, flagged, s_limits, t_limits)
    ax.set_xlim(*s_limits)
    ax.set_ylim(*t_limits)
    ax.set_xlabel("practical salinity")
    ax.set_ylabel("potential temperature (°C, 0 dbar)")
    ax.text(0.01, 0.01, r"contours: $\sigma_0$ (kg m$^{-3}$)", transform=ax.transAxes, fontsize=9, color="#555555")
    if len(good) and len(np.unique(profile_index[good])) == 1:
        only = int(ctd.profile[profile_index[good[0]]])
        notes.append(f"The T-S diagram holds one CTD profile only (profile {only}).")
        ax.text(0.99, 0.01, notes[-1], transform=ax.transAxes, ha="right", fontsize=10, color="#a05000")
    return notes


def axis_values(s, t, flagged):
    """The salinities and temperatures that set the axes: of every scan but
    those that fail, whose wild values would squeeze the others; of the
    failed ones when no other has values."""
    if flagged is None:
        return s, t
    fs, ft = flagged.water.salinity, flagged.water.potential_temperature
    known = np.isfinite(fs) & np.isfinite(ft)
    suspect = known & (flagged.grade == SUSPECT)
    s, t = np.r_[s, fs[suspect]], np.r_[t, ft[suspect]]
    return (s, t) if len(s) else (fs[known], ft[known])


def draw_flagged(ax, flagged, s_limits, t_limits):
    """The flagged scans over the others, suspect first, fail on top, with a
    legend of how many of each the file holds."""
    notes = []
    s, t = flagged.water.salinity, flagged.water.potential_temperature
    known = np.isfinite(s) & np.isfinite(t)
    inside = known & (s >= s_limits[0]) & (s <= s_limits[1]) & (t >= t_limits[0]) & (t <= t_limits[1])
    for grade, style in FLAG_MARKERS.items():
        if flagged.counts[grade] == 0:
            continue
        mine = flagged.grade == grade
        label = f"{style['label']}: {fc.plural(flagged.counts[grade], 'scan')}"
        ax.scatter(s[mine & known], t[mine & known], linewidths=1.1, zorder=3, rasterized=True,
                   **{k: v for k, v in style.items() if k != "label"}, label=label)
        away = int((mine & ~inside).sum())
        if away:
            notes.append(f"{fc.plural(away, style['label'] + ' scan')} without a value or outside the axes "
                         "of the T-S diagram.")
    if flagged.counts[SUSPECT] or flagged.counts[FAIL]:
        ax.legend(loc="best", title="quality flag", fontsize=9)
    if flagged.stride > 1:
        notes.append(f"T-S diagram: one in {flagged.stride:,} of the flagged scans is drawn.")
    return notes


def point_size(count):
    """Marker area: small dots for a deployment's millions of scans, larger for a few."""
    return float(np.clip(40_000 / max(count, 1), 2.0, 24.0))


def level_format(levels):
    """A label format with as many decimals as the contour spacing needs."""
    steps = np.diff(np.asarray(levels, dtype=float))
    step = steps[steps > 0].min() if (steps > 0).any() else 1.0
    return f"%.{int(np.clip(-np.floor(np.log10(step) + 1e-9), 1, 6))}f"


def padded(limits):
    lo, hi = limits
    pad = 0.05 * (hi - lo)
    return lo - pad, hi + pad
