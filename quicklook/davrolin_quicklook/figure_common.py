"""What the four figures share: a figure on the Agg canvas, notes drawn in
place of missing data, the time axis, the colours of data_status."""
import numpy as np
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.figure import Figure
import matplotlib.dates as mdates

from .export_reader import kStatusNames

kDpi = 100
# Lines of more scans than this are thinned to what kLineColumns columns show.
kThinAbove = 200_000
kLineColumns = 4000
kStatusColours = ("#9aa5b1", "#ff7f0e", "#e6c300", "#d62728", "#7b2cbf", "#111111")
kUnknownStatusColour = "#ff00ff"


def NewFigure(width, height):
    figure = Figure(figsize=(width, height), dpi=kDpi)
    FigureCanvasAgg(figure)
    return figure


def Save(figure, path):
    figure.savefig(path, dpi=kDpi, metadata={"Software": None})


def Note(ax, text, clear=True):
    """Writes `text` across the middle of `ax`; with `clear` the axes hold
    nothing else and lose their ticks, unless other axes share them."""
    if clear:
        if len(ax.get_shared_x_axes().get_siblings(ax)) == 1:
            ax.set_xticks([])
        if len(ax.get_shared_y_axes().get_siblings(ax)) == 1:
            ax.set_yticks([])
    ax.text(0.5, 0.5, text, transform=ax.transAxes, ha="center", va="center", wrap=True,
            fontsize=12, color="#333333",
            bbox=dict(boxstyle="round,pad=0.6", facecolor="#fff4e0", edgecolor="#e0a030"))


def DateNumbers(times):
    """matplotlib date numbers of datetime64 values; NaT gives NaN."""
    times = np.asarray(times).astype("datetime64[ns]")
    out = np.full(times.shape, np.nan)
    known = ~np.isnat(times)
    if known.any():
        out[known] = mdates.date2num(times[known])
    return out


def TimeAxis(ax):
    locator = mdates.AutoDateLocator()
    ax.xaxis.set_major_locator(locator)
    ax.xaxis.set_major_formatter(mdates.ConciseDateFormatter(locator))


def StatusName(code):
    return kStatusNames[code] if 0 <= code < len(kStatusNames) else f"unknown ({code})"


def StatusColour(code):
    return kStatusColours[code] if 0 <= code < len(kStatusColours) else kUnknownStatusColour


def WithBreaks(x, y, scan_profile):
    """x and y with a NaN between profiles, so a line is not drawn across a gap.
    A line of millions of scans is first thinned to the scans it shows (Thinned)."""
    if len(x) == 0:
        return x, y
    x, y, scan_profile = np.asarray(x, dtype=float), np.asarray(y, dtype=float), np.asarray(scan_profile)
    if len(x) > kThinAbove:
        keep = np.flatnonzero(np.isfinite(x) & np.isfinite(y))
        keep = keep[Thinned(x[keep], y[keep], scan_profile[keep])]
        x, y, scan_profile = x[keep], y[keep], scan_profile[keep]
    starts = np.flatnonzero(np.diff(scan_profile) != 0) + 1
    x = np.insert(x, starts, np.nan)
    y = np.insert(y, starts, np.nan)
    return x, y


def Thinned(x, y, group, columns=kLineColumns):
    """The indices, in order, of the points that draw the same line at `columns`
    columns across x: of each run of points in one group and one column, the
    first, the last, the lowest and the highest. x and y are finite."""
    if len(x) == 0:
        return np.arange(0)
    span = float(x.max() - x.min()) or 1.0
    column = np.minimum(((x - x.min()) / span * columns).astype(np.int64), columns - 1)
    key = np.asarray(group, dtype=np.int64) * columns + column
    new_run = np.r_[True, key[1:] != key[:-1]]
    starts = np.flatnonzero(new_run)
    ends = np.r_[starts[1:], len(x)] - 1
    order = np.lexsort((y, np.cumsum(new_run)))   # by run, then by y within the run
    return np.unique(np.concatenate([starts, ends, order[starts], order[ends]]))


def RobustLimits(values, low=0.5, high=99.5):
    """Colour or axis limits that a few wild values do not stretch; None without data."""
    values = values[np.isfinite(values)]
    if len(values) == 0:
        return None
    lo, hi = np.percentile(values, [low, high])
    if hi <= lo:
        lo, hi = lo - 0.5, hi + 0.5
    return float(lo), float(hi)


def DeploymentTimeSpan(export):
    """The first and last profile time of any instrument as date numbers, or None."""
    numbers = [DateNumbers(i.time) for i in export.instruments.values()]
    numbers = np.concatenate(numbers) if numbers else np.array([])
    numbers = numbers[np.isfinite(numbers)]
    return (float(numbers.min()), float(numbers.max())) if len(numbers) else None


def Plural(count, word, plural=None):
    return f"{count:,} {word if count == 1 else (plural or word + 's')}"


def EmptyNote(instrument):
    counts = StatusCounts(instrument)
    return (f"{instrument.file_name} holds no scans: {Plural(len(instrument.profile), 'profile')}, "
            f"none with data ({counts}).")


def StatusCounts(instrument):
    codes, counts = np.unique(instrument.status, return_counts=True)
    return ", ".join(f"{StatusName(int(c)).replace('_', ' ')} {int(n):,}" for c, n in zip(codes, counts)) or "no profiles"
