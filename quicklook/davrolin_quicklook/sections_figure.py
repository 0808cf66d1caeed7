"""sections.png: temperature, practical salinity and potential density sigma0
as time x pressure colour sections of the CTD profiles.

Each profile is one column, its scans averaged in pressure bins; a gap in
time longer than three usual profile spacings stays blank.
"""
import numpy as np

from . import figure_common as fc

kMaxBins = 200
kMinBinWidth = 0.5          # dbar
kGapFactor = 3.0
kPanels = (
    ("temperature", "temperature (°C)", "RdYlBu_r"),
    ("salinity", "practical salinity", "viridis"),
    ("sigma0", r"$\sigma_0$ (kg m$^{-3}$)", "cividis"),
)


def DrawSections(export, water, path):
    figure = fc.NewFigure(14, 11)
    axes = figure.subplots(3, 1, sharey=True)
    ctd = export.instruments.get("ctd")
    notes = []
    if ctd is None:
        notes.append(f"{export.prefix}ctd.nc is not in the export: no temperature, salinity or density.")
    elif ctd.scan_count == 0:
        notes.append(fc.EmptyNote(ctd))
    elif water is None:
        notes.append(f"{ctd.file_name} has no pressure or temperature variable: no sections.")
    if notes:
        for ax, (_, label, _) in zip(axes, kPanels):
            fc.Note(ax, notes[0])
            ax.set_title(label, loc="left")
    else:
        notes += water.notes
        notes += DrawPanels(axes, ctd, water, fc.DeploymentTimeSpan(export))
    axes[0].set_title("CTD sections: " + axes[0].get_title(loc="left"), loc="left", fontsize=13)
    figure.tight_layout()
    fc.Save(figure, path)
    return notes


def DrawPanels(axes, ctd, water, span):
    """The sections; with the time span of the deployment, they cover it all,
    so a sensor that stopped early shows as blank to the right."""
    notes = []
    finite_p = np.isfinite(water.pressure)
    counts = np.bincount(ctd.scan_profile[finite_p], minlength=len(ctd.profile))
    with_data = np.flatnonzero(counts > 0)
    if len(with_data) == 0:
        note = "No CTD scan has a pressure: no sections."
        for ax, (_, label, _) in zip(axes, kPanels):
            fc.Note(ax, note)
            ax.set_title(label, loc="left")
        return [note]
    if len(with_data) == 1:
        return DrawOneProfile(axes, ctd, water, with_data[0])

    x, is_time, x_notes = ProfileX(ctd)
    notes += x_notes
    columns = with_data[np.isfinite(x[with_data])]
    lo, hi = PressureRange(water.pressure)
    nbins = int(np.clip(np.ceil((hi - lo) / kMinBinWidth), 10, kMaxBins))
    p_edges = np.linspace(lo, hi, nbins + 1)
    x_edges, slots = ColumnEdges(x[columns])
    slot_profiles = np.where(slots >= 0, columns[np.maximum(slots, 0)], -1)

    for ax, (name, label, cmap) in zip(axes, kPanels):
        values = getattr(water, name)
        grid = GridSection(ctd.scan_profile, water.pressure, values, slot_profiles, len(ctd.profile),
                           lo, hi, nbins)
        limits = fc.RobustLimits(grid)
        if limits is None:
            fc.Note(ax, f"No {name.replace('_', ' ')} values in ctd.nc.")
            notes.append(f"No {name} values in the CTD scans.")
        else:
            mesh = ax.pcolormesh(x_edges, p_edges, grid, shading="flat", cmap=cmap,
                                 vmin=limits[0], vmax=limits[1], rasterized=True)
            ax.figure.colorbar(mesh, ax=ax, pad=0.01, extend="both").set_label(label)
        ax.set_title(label, loc="left")
        ax.set_ylabel("pressure (dbar)")
    axes[0].set_ylim(hi, lo)
    for ax in axes[1:]:
        ax.sharex(axes[0])
    for ax in axes[:-1]:
        ax.tick_params(labelbottom=False)
    if is_time:
        fc.TimeAxis(axes[-1])
        if span is not None:
            left, right = min(span[0], x_edges[0]), max(span[1], x_edges[-1])
            axes[-1].set_xlim(left, right)
    else:
        axes[-1].set_xlabel("profile")
    return notes


def DrawOneProfile(axes, ctd, water, index):
    """One profile makes no section: it is drawn as a profile instead."""
    number = int(ctd.profile[index])
    note = f"Only one CTD profile has scans (profile {number}): a section needs two; the profile is drawn instead."
    mine = ctd.scan_profile == index
    for ax, (name, label, _) in zip(axes, kPanels):
        values = getattr(water, name)[mine]
        if np.isfinite(values).any():
            ax.plot(values, water.pressure[mine], ".-", color="#1f4e79", markersize=2, linewidth=0.8)
            ax.set_xlabel(label)
            ax.xaxis.set_tick_params(labelbottom=True)
        else:
            fc.Note(ax, f"No {name} values.", clear=False)
        ax.set_title(label, loc="left")
        ax.set_ylabel("pressure (dbar)")
        ax.text(0.99, 0.03, note, transform=ax.transAxes, ha="right", fontsize=10, color="#a05000")
        ax.grid(True, alpha=0.3)
    axes[0].invert_yaxis()
    return [note]


def ProfileX(ctd):
    """Per profile the column position: its time as a date number where the
    file gives two or more times (a missing time is estimated from the
    neighbouring profiles' times), else the profile number."""
    x = fc.DateNumbers(ctd.time)
    known = np.isfinite(x)
    if known.sum() >= 2:
        notes = []
        missing = int((~known & (ctd.row_size > 0)).sum())
        if missing:
            order = np.argsort(ctd.profile[known])
            x = np.where(known, x, np.interp(ctd.profile, ctd.profile[known][order], x[known][order]))
            notes.append(f"{fc.Plural(missing, 'CTD profile')} with data but no time: "
                         "placed by profile number between the profiles around them.")
        return x, True, notes
    return ctd.profile.astype(float), False, ["The CTD profiles have no times: the sections run by profile number."]


def PressureRange(pressure):
    limits = fc.RobustLimits(pressure, 0.05, 99.95)
    lo, hi = limits
    if hi - lo < 1.0:
        lo, hi = lo - 0.5, hi + 0.5
    return lo, hi


def ColumnEdges(x):
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
            if gap > kGapFactor * step:
                edges += [xs[i] + step / 2, xs[i + 1] - step / 2]
                slots.append(-1)
            else:
                edges.append(xs[i] + gap / 2)
    edges.append(xs[-1] + step / 2)
    return np.array(edges), np.array(slots, dtype=int)


def GridSection(scan_profile, pressure, values, slot_profiles, profile_count, lo, hi, nbins):
    """Mean of `values` per pressure bin (rows) and column (slot_profiles: the
    profile index each column shows, -1 for blank)."""
    width = (hi - lo) / nbins
    good = np.isfinite(pressure) & np.isfinite(values)
    bins = np.floor((pressure[good] - lo) / width).astype(np.int64)
    inside = (bins >= 0) & (bins < nbins)
    flat = scan_profile[good][inside] * nbins + bins[inside]
    total = np.bincount(flat, weights=values[good][inside], minlength=profile_count * nbins)
    count = np.bincount(flat, minlength=profile_count * nbins)
    with np.errstate(invalid="ignore", divide="ignore"):
        means = (total / count).reshape(profile_count, nbins)
    grid = np.full((nbins, len(slot_profiles)), np.nan)
    shown = slot_profiles >= 0
    grid[:, shown] = means[slot_profiles[shown]].T
    return grid
