"""status.png: for each instrument the scans of each profile and each
profile's data_status. Damaged and missing profiles are drawn over the
complete ones, at least a line wide, so that none vanishes among thousands."""
import numpy as np
from matplotlib.ticker import MaxNLocator

from . import figure_common as fc
from .data_status import STATUSES, status_colour, status_name
from .export_reader import INSTRUMENTS

TITLES = {"engineering": "Engineering", "ctd": "CTD", "acm": "ACM"}


def draw_status(export, path):
    figure = fc.new_figure(14, 10)
    groups = figure.add_gridspec(3, 1, left=0.06, right=0.98, top=0.9, bottom=0.06, hspace=0.32)
    axes = []
    for group in groups:
        inner = group.subgridspec(2, 1, height_ratios=[0.3, 1.5], hspace=0.06)
        for cell in inner:
            axes.append(figure.add_subplot(cell, sharex=axes[0] if axes else None))
    for ax in axes[:-1]:
        ax.tick_params(labelbottom=False)
    span = profile_span(export)
    notes = []
    for i, name in enumerate(INSTRUMENTS):
        strip, scans = axes[2 * i], axes[2 * i + 1]
        instrument = export.instruments.get(name)
        strip.set_title(f"{TITLES[name]}", loc="left", fontsize=12)
        strip.set_yticks([])
        if instrument is None:
            note = f"{export.prefix}{name}.nc is not in the export."
            notes.append(note)
            strip.set_title(f"{TITLES[name]}: {note}", loc="left", fontsize=12)
            fc.note(scans, note)
            continue
        notes += draw_instrument(strip, scans, instrument, span)
    axes[-1].set_xlabel("profile")
    axes[-1].xaxis.set_major_locator(MaxNLocator(integer=True))
    if span is not None:
        axes[-1].set_xlim(span[0] - 0.5, span[1] + 0.5)
    handles = [patch(code) for code in range(len(STATUSES))]
    figure.legend(handles=handles, loc="upper right", ncol=6, fontsize=9, frameon=False,
                  title="data_status", title_fontsize=9)
    figure.suptitle("Scans per profile and data_status", x=0.06, ha="left", fontsize=13)
    fc.save(figure, path)
    return notes


def draw_instrument(strip, scans, instrument, span):
    notes = []
    profile, status, rows = instrument.profile, instrument.status, instrument.row_size
    damaged = status != 0
    title = (f"{TITLES[instrument.name]} ({instrument.file_name}): {fc.plural(len(profile), 'profile')}, "
             f"{fc.plural(int(damaged.sum()), 'damaged or missing', 'damaged or missing')}, "
             f"{fc.plural(instrument.scan_count, 'scan')}")
    strip.set_title(title, loc="left", fontsize=12)
    if len(profile) == 0:
        note = f"{instrument.file_name} holds no profiles."
        fc.note(scans, note)
        return [note]
    width = line_width(strip, span)
    colours = np.array([status_colour(int(c)) for c in status])
    # complete profiles first, the others over them
    for which, line in ((~damaged, width), (damaged, max(width, 1.5))):
        if which.any():
            strip.vlines(profile[which], 0, 1, colors=colours[which], linewidth=line)
            scans.vlines(profile[which], 0, rows[which], colors=colours[which], linewidth=line)
    if damaged.any():
        peak = max(int(rows.max()), 1)
        scans.scatter(profile[damaged], np.full(int(damaged.sum()), peak * 1.04), marker="v", s=16,
                      c=colours[damaged], zorder=3, clip_on=False)
    strip.set_ylim(0, 1)
    scans.set_ylim(0, max(int(rows.max()), 1) * 1.1)
    scans.set_ylabel("scans")
    scans.grid(True, axis="y", alpha=0.3)
    if instrument.scan_count == 0:
        note = fc.empty_note(instrument)
        fc.note(scans, note, clear=False)
        notes.append(note)
    elif len(profile) == 1:
        note = f"{instrument.file_name} holds one profile only (profile {int(profile[0])})."
        scans.text(0.01, 0.9, note, transform=scans.transAxes, fontsize=10, color="#a05000", va="top")
        notes.append(note)
    return notes


def profile_span(export):
    numbers = [i.profile for i in export.instruments.values() if len(i.profile)]
    if not numbers:
        return None
    return int(min(n.min() for n in numbers)), int(max(n.max() for n in numbers))


def line_width(ax, span):
    """The line width in points that fills most of one profile's share of the axes."""
    count = 1 if span is None else span[1] - span[0] + 1
    inches = ax.figure.get_figwidth() * ax.get_position().width
    return float(max(0.8 * 72.0 * inches / count, 0.3))


def patch(code):
    from matplotlib.patches import Patch as MatplotlibPatch
    return MatplotlibPatch(color=status_colour(code), label=f"{code} {status_name(code).replace('_', ' ')}")
