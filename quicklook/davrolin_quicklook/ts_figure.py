"""ts.png: a T-S diagram of the CTD scans, practical salinity against
potential temperature, coloured by pressure, with contours of sigma0."""
import numpy as np

from . import figure_common as fc
from .water import Sigma0Grid

kMaxPoints = 150_000
kGridSteps = 120


def DrawTs(export, water, path):
    figure = fc.NewFigure(10, 8.5)
    ax = figure.subplots()
    ax.set_title("T-S diagram (CTD)", loc="left", fontsize=13)
    ctd = export.instruments.get("ctd")
    note = ""
    if ctd is None:
        note = f"{export.prefix}ctd.nc is not in the export: no T-S diagram."
    elif ctd.scan_count == 0:
        note = fc.EmptyNote(ctd)
    elif water is None:
        note = f"{ctd.file_name} has no pressure or temperature variable: no T-S diagram."
    if note:
        fc.Note(ax, note)
        notes = [note]
    else:
        notes = DrawDiagram(ax, ctd, water)
    figure.tight_layout()
    fc.Save(figure, path)
    return notes


def DrawDiagram(ax, ctd, water):
    s, t, p = water.salinity, water.potential_temperature, water.pressure
    good = np.flatnonzero(np.isfinite(s) & np.isfinite(t))
    if len(good) == 0:
        note = "No CTD scan has both a salinity and a temperature: no T-S diagram."
        fc.Note(ax, note)
        return [note]
    notes = []
    s_limits = Padded(fc.RobustLimits(s[good], 0.1, 99.9))
    t_limits = Padded(fc.RobustLimits(t[good], 0.1, 99.9))
    inside = ((s[good] >= s_limits[0]) & (s[good] <= s_limits[1]) &
              (t[good] >= t_limits[0]) & (t[good] <= t_limits[1]))
    outside = int((~inside).sum())
    if outside:
        notes.append(f"{fc.Plural(outside, 'scan')} outside the axes of the T-S diagram (extreme values).")
    stride = max(1, int(np.ceil(len(good) / kMaxPoints)))
    shown = good[::stride]
    if stride > 1:
        notes.append(f"T-S diagram: every {stride}th of {len(good):,} scans is drawn.")

    grid_s = np.linspace(*s_limits, kGridSteps)
    grid_t = np.linspace(*t_limits, kGridSteps)
    sigma = Sigma0Grid(grid_s, grid_t, water.latitude, water.longitude)
    if np.isfinite(sigma).any():
        contours = ax.contour(grid_s, grid_t, sigma, levels=10, colors="#777777", linewidths=0.7)
        ax.clabel(contours, fontsize=8, fmt=LevelFormat(contours.levels))

    colours = p[shown]
    limits = fc.RobustLimits(colours) or (0.0, 1.0)
    points = ax.scatter(s[shown], t[shown], c=np.where(np.isfinite(colours), colours, limits[1]),
                        s=PointSize(len(shown)),
                        cmap="viridis_r", vmin=limits[0], vmax=limits[1], linewidths=0, rasterized=True)
    bar = ax.figure.colorbar(points, ax=ax, pad=0.01)
    bar.set_label("pressure (dbar)")
    bar.ax.invert_yaxis()
    ax.set_xlim(*s_limits)
    ax.set_ylim(*t_limits)
    ax.set_xlabel("practical salinity")
    ax.set_ylabel("potential temperature (°C, 0 dbar)")
    ax.text(0.01, 0.01, r"contours: $\sigma_0$ (kg m$^{-3}$)", transform=ax.transAxes, fontsize=9, color="#555555")
    if len(np.unique(ctd.scan_profile[good])) == 1:
        notes.append(f"The T-S diagram holds one CTD profile only (profile {int(ctd.profile[ctd.scan_profile[good[0]]])}).")
        ax.text(0.99, 0.01, notes[-1], transform=ax.transAxes, ha="right", fontsize=10, color="#a05000")
    return notes


def PointSize(count):
    """Marker area: small dots for a deployment's millions of scans, larger for a few."""
    return float(np.clip(40_000 / max(count, 1), 2.0, 24.0))


def LevelFormat(levels):
    """A label format with as many decimals as the contour spacing needs."""
    steps = np.diff(np.asarray(levels, dtype=float))
    step = steps[steps > 0].min() if (steps > 0).any() else 1.0
    return f"%.{int(np.clip(-np.floor(np.log10(step) + 1e-9), 1, 6))}f"


def Padded(limits):
    lo, hi = limits
    pad = 0.05 * (hi - lo)
    return lo - pad, hi + pad
