"""ts.png: a T-S diagram of the CTD scans, practical salinity against
potential temperature, coloured by pressure, with contours of sigma0.

A deployment of more than MAX_POINTS scans is drawn by an even sample of
them, taken chunk by chunk as the scans are read."""
import numpy as np

from . import figure_common as fc
from . import water

MAX_POINTS = 150_000
GRID_STEPS = 120


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


def read_sample(ctd):
    """The water properties of every scan, or of an even sample of MAX_POINTS
    of them; the stride between the scans taken; their profile indices."""
    stride = max(1, -(-ctd.scan_count // MAX_POINTS))
    parts, profile_index = [], []
    for chunk in ctd.scan_chunks(water.SCAN_VARIABLES):
        kept = fc.every_nth(chunk.start, chunk.stop, stride)
        parts.append(water.compute({k: v[kept] for k, v in chunk.values.items()}, ctd.latitude, ctd.longitude))
        profile_index.append(chunk.profile_index[kept])
    sample = water.Water(*(np.concatenate([getattr(part, field) for part in parts])
                           for field in ("pressure", "temperature", "salinity", "potential_temperature", "sigma0")))
    return sample, stride, np.concatenate(profile_index)


def draw_diagram(ax, ctd):
    sample, stride, profile_index = read_sample(ctd)
    s, t, p = sample.salinity, sample.potential_temperature, sample.pressure
    good = np.flatnonzero(np.isfinite(s) & np.isfinite(t))
    if len(good) == 0:
        note = "No CTD scan has both a salinity and a temperature: no T-S diagram."
        fc.note(ax, note)
        return [note]
    notes = []
    if stride > 1:
        notes.append(f"T-S diagram: one in {stride:,} of the {ctd.scan_count:,} scans is drawn.")
    s_limits = padded(fc.robust_limits(s[good], 0.1, 99.9))
    t_limits = padded(fc.robust_limits(t[good], 0.1, 99.9))
    inside = ((s[good] >= s_limits[0]) & (s[good] <= s_limits[1]) &
              (t[good] >= t_limits[0]) & (t[good] <= t_limits[1]))
    outside = int((~inside).sum())
    if outside:
        drawn = "" if stride == 1 else " drawn"
        notes.append(f"{fc.plural(outside, 'scan')}{drawn} outside the axes of the T-S diagram (extreme values).")
    shown = good

    grid_s = np.linspace(*s_limits, GRID_STEPS)
    grid_t = np.linspace(*t_limits, GRID_STEPS)
    sigma = water.sigma0_grid(grid_s, grid_t, ctd.latitude, ctd.longitude)
    if np.isfinite(sigma).any():
        contours = ax.contour(grid_s, grid_t, sigma, levels=10, colors="#777777", linewidths=0.7)
        ax.clabel(contours, fontsize=8, fmt=level_format(contours.levels))

    colours = p[shown]
    limits = fc.robust_limits(colours) or (0.0, 1.0)
    points = ax.scatter(s[shown], t[shown], c=np.where(np.isfinite(colours), colours, limits[1]),
                        s=point_size(len(shown)),
                        cmap="viridis_r", vmin=limits[0], vmax=limits[1], linewidths=0, rasterized=True)
    bar = ax.figure.colorbar(points, ax=ax, pad=0.01)
    bar.set_label("pressure (dbar)")
    bar.ax.invert_yaxis()
    ax.set_xlim(*s_limits)
    ax.set_ylim(*t_limits)
    ax.set_xlabel("practical salinity")
    ax.set_ylabel("potential temperature (°C, 0 dbar)")
    ax.text(0.01, 0.01, r"contours: $\sigma_0$ (kg m$^{-3}$)", transform=ax.transAxes, fontsize=9, color="#555555")
    if len(np.unique(profile_index[good])) == 1:
        only = int(ctd.profile[profile_index[good[0]]])
        notes.append(f"The T-S diagram holds one CTD profile only (profile {only}).")
        ax.text(0.99, 0.01, notes[-1], transform=ax.transAxes, ha="right", fontsize=10, color="#a05000")
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
