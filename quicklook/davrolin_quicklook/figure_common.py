"""What the figures share: a figure on the Agg canvas, notes drawn in
place of missing data, the time axis, lines reduced to what the figure's
pixel columns show, the counts of data_status."""
import numpy as np
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.figure import Figure
import matplotlib.dates as mdates

from .data_status import status_name

DPI = 100
# Lines of more scans than this are thinned to what LINE_COLUMNS columns show
# (a figure is at most 1400 pixels wide).
THIN_ABOVE = 200_000
LINE_COLUMNS = 2800
# Agg draws a path in pieces of this many vertices: a path of more crossing
# the axes many times would exceed its cell limit.
AGG_PATH_CHUNK = 10_000


def new_figure(width, height):
    figure = Figure(figsize=(width, height), dpi=DPI)
    FigureCanvasAgg(figure)
    return figure


def save(figure, path):
    import matplotlib

    with matplotlib.rc_context({"agg.path.chunksize": AGG_PATH_CHUNK}):
        figure.savefig(path, dpi=DPI, metadata={"Software": None})


def note(ax, text, clear=True):
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


def date_numbers(times):
    """matplotlib date numbers of datetime64 values; NaT gives NaN."""
    times = np.asarray(times).astype("datetime64[ns]")
    out = np.full(times.shape, np.nan)
    known = ~np.isnat(times)
    if known.any():
        out[known] = mdates.date2num(times[known])
    return out


def time_axis(ax):
    locator = mdates.AutoDateLocator()
    ax.xaxis.set_major_locator(locator)
    ax.xaxis.set_major_formatter(mdates.ConciseDateFormatter(locator))


class ThinLine:
    """A line of scans, profile after profile, gathered chunk by chunk. With
    `span` (the smallest and largest x), each chunk is thinned at once to the
    points that draw the same line at LINE_COLUMNS columns across it, so the
    line holds a few points per column and profile however many scans it has."""

    def __init__(self, span=None, columns=LINE_COLUMNS):
        self.span = span
        self.columns = columns
        self.x, self.y, self.profile = [], [], []

    def add(self, x, y, profile):
        x, y = np.asarray(x, dtype=float), np.asarray(y, dtype=float)
        keep = np.flatnonzero(np.isfinite(x) & np.isfinite(y))
        x, y, profile = x[keep], y[keep], np.asarray(profile)[keep]
        if self.span is not None:
            kept = thinned(x, y, profile, self.span, self.columns)
            x, y, profile = x[kept], y[kept], profile[kept]
        self.x.append(x)
        self.y.append(y)
        self.profile.append(profile)

    def with_breaks(self):
        """x and y with a NaN between profiles, so a line is not drawn across a gap."""
        if not self.x:
            return np.array([]), np.array([])
        x, y, profile = np.concatenate(self.x), np.concatenate(self.y), np.concatenate(self.profile)
        starts = np.flatnonzero(np.diff(profile) != 0) + 1
        return np.insert(x, starts, np.nan), np.insert(y, starts, np.nan)


def thinned(x, y, group, span, columns=LINE_COLUMNS):
    """The indices, in order, of the points that draw the same line at
    `columns` columns across `span` (x outside it falls in the edge columns):
    of each run of points in one group and one column, the first, the last,
    the lowest and the highest. x and y are finite."""
    if len(x) == 0:
        return np.arange(0)
    low, high = span
    width = float(high - low) or 1.0
    column = np.clip(((x - low) / width * columns).astype(np.int64), 0, columns - 1)
    key = np.asarray(group, dtype=np.int64) * columns + column
    new_run = np.r_[True, key[1:] != key[:-1]]
    starts = np.flatnonzero(new_run)
    ends = np.r_[starts[1:], len(x)] - 1
    order = np.lexsort((y, np.cumsum(new_run)))   # by run, then by y within the run
    return np.unique(np.concatenate([starts, ends, order[starts], order[ends]]))


def robust_limits(values, low=0.5, high=99.5):
    """Colour or axis limits that a few wild values do not stretch; None without data."""
    values = values[np.isfinite(values)]
    if len(values) == 0:
        return None
    lo, hi = np.percentile(values, [low, high])
    if hi <= lo:
        lo, hi = lo - 0.5, hi + 0.5
    return float(lo), float(hi)


def deployment_time_span(export):
    """The first and last profile time of any instrument as date numbers, or None."""
    numbers = [date_numbers(i.time) for i in export.instruments.values()]
    numbers = np.concatenate(numbers) if numbers else np.array([])
    numbers = numbers[np.isfinite(numbers)]
    return (float(numbers.min()), float(numbers.max())) if len(numbers) else None


def plural(count, word, plural_word=None):
    return f"{count:,} {word if count == 1 else (plural_word or word + 's')}"


def empty_note(instrument):
    counts = status_counts(instrument)
    return (f"{instrument.file_name} holds no scans: {plural(len(instrument.profile), 'profile')}, "
            f"none with data ({counts}).")


def status_counts(instrument):
    codes, counts = np.unique(instrument.status, return_counts=True)
    return ", ".join(f"{status_name(int(c)).replace('_', ' ')} {int(n):,}"
                     for c, n in zip(codes, counts)) or "no profiles"


def every_nth(start, stop, stride):
    """The scans start..stop-1 whose index is a multiple of `stride`, relative to start."""
    first = -start % stride
    return np.arange(first, stop - start, stride)
