"""The figures of the page, in the order it shows them: file name, heading,
caption and the function that draws it (export, path) -> notes."""
import dataclasses
import os

from .sections_figure import draw_sections
from .status_figure import draw_status
from .track_figure import draw_track
from .ts_figure import draw_ts


@dataclasses.dataclass(frozen=True)
class FigureSpec:
    file_name: str
    heading: str
    caption: str
    draw: object


@dataclasses.dataclass
class DrawnFigure:
    spec: FigureSpec
    notes: list            # what the figure leaves out or stands on
    failure: str = ""      # why it could not be drawn, "" when it was


FIGURES = (
    FigureSpec("track.png", "Vehicle track",
               "Engineering pressure against time (pressure increasing downward), each profile's end marked by "
               "its termination codes; below, motor current and battery voltage.", draw_track),
    FigureSpec("sections.png", "Water properties",
               "Temperature, practical salinity and potential density sigma0 (TEOS-10) of the CTD profiles, "
               "each as a time x pressure section.", draw_sections),
    FigureSpec("ts.png", "T-S diagram", "Practical salinity against potential temperature, coloured by pressure, "
               "with sigma0 contours.", draw_ts),
    FigureSpec("status.png", "Profile status",
               "Scans per profile and data_status of each instrument: damaged and missing profiles in colour.",
               draw_status),
)


def draw_all(export, out_dir):
    """Draws each figure of FIGURES into out_dir. A figure that fails, whatever the
    error, is left out (no file of its name stays) and the others are drawn."""
    drawn = []
    for spec in FIGURES:
        path = os.path.join(out_dir, spec.file_name)
        try:
            drawn.append(DrawnFigure(spec, spec.draw(export, path)))
        except Exception as e:  # any failure of one figure must spare the others
            if os.path.lexists(path):
                os.remove(path)
            drawn.append(DrawnFigure(spec, [], failure_text(e)))
    return drawn


def failure_text(error):
    text = (str(error).strip().splitlines() or [""])[0][:300]
    return f"{type(error).__name__}: {text}" if text else type(error).__name__
