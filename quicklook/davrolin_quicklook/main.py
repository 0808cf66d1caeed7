"""The command line: davrolin-quicklook [--prefix P] EXPORT_DIR OUT_DIR.

Exit codes: 0 done; 3 the page was written but a figure or quality.html
could not be (the page says which and why, stderr too); 2 bad input (no export in the
folder, a file that is not an export's netCDF file, an OUT_DIR that cannot
be written, a bad option); 1 the quick look failed while writing, no page.
No traceback is ever printed.
"""
import argparse
import os
import sys
import warnings

from .report_page import QUALITY_PAGE

PROGRAM = "davrolin-quicklook"
EXIT_DONE = 0
EXIT_FAILED = 1
EXIT_BAD_INPUT = 2
EXIT_FIGURE_LEFT_OUT = 3


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Plots and a one-page report (index.html) of a deployment export "
                    "(ctd.nc, engineering.nc, acm.nc and DAVROLIN.LOG).",
        epilog="Exit codes: 0 done; 1 failed, no page written; 2 bad input; "
               "3 page written, but a figure or quality.html could not be (the page says why).")
    parser.add_argument("export_dir", metavar="EXPORT_DIR", help="folder holding the export")
    parser.add_argument("out_dir", metavar="OUT_DIR", help="folder receiving the figures and index.html "
                        "(created when missing)")
    parser.add_argument("--prefix", help="prefix of the export's file names, when the folder holds several")
    return parser.parse_args(argv)


def main(argv):
    args = parse_arguments(argv)   # exits 2 with a usage message on a bad command line
    warnings.simplefilter("ignore")
    try:
        return run(args)
    except KeyboardInterrupt:
        print(f"{PROGRAM}: interrupted", file=sys.stderr)
        return 130
    except Exception as e:  # the promise is no traceback: say what failed instead
        if os.environ.get("DAVROLIN_QUICKLOOK_DEBUG"):
            raise
        print(f"{PROGRAM}: failed: {type(e).__name__}: {e}", file=sys.stderr)
        return EXIT_FAILED


def run(args):
    from .export_reader import ExportError, read_export

    try:
        export = read_export(args.export_dir, args.prefix)
    except ExportError as e:
        print(f"{PROGRAM}: {e}", file=sys.stderr)
        return EXIT_BAD_INPUT
    problem = prepare_output(args.out_dir)
    if problem:
        print(f"{PROGRAM}: {args.out_dir}: cannot be written ({problem})", file=sys.stderr)
        return EXIT_BAD_INPUT
    try:
        index, figures, quality_failure = build(export, args.out_dir)
    except OSError as e:
        where = f"{e.filename}: " if e.filename else ""
        print(f"{PROGRAM}: {where}{e.strerror or e}", file=sys.stderr)
        return EXIT_FAILED
    print(f"Quick look written: {index}")
    failed = [f for f in figures if f.failure]
    for figure in failed:
        print(f"{PROGRAM}: {figure.spec.file_name} could not be drawn: {figure.failure}", file=sys.stderr)
    if quality_failure:
        print(f"{PROGRAM}: {QUALITY_PAGE} could not be written: {quality_failure}", file=sys.stderr)
    return EXIT_FIGURE_LEFT_OUT if failed or quality_failure else EXIT_DONE


def prepare_output(folder):
    """Creates `folder` when missing; the reason it cannot be written, or ""."""
    try:
        os.makedirs(folder, exist_ok=True)
    except OSError as e:
        return e.strerror or str(e)
    if not os.access(folder, os.W_OK | os.X_OK):
        return "permission denied"
    return ""


def build(export, out_dir):
    """Writes the figures, quality.html and index.html; returns the page's
    path, the DrawnFigure of each figure and why quality.html could not be
    written ("" when it was)."""
    import matplotlib
    matplotlib.use("Agg")
    from . import activity_log, figures, report_page, summary

    drawn = figures.draw_all(export, out_dir)
    quality_failure = write_quality(export, out_dir)
    log = ("", [], "")
    if export.log_path:
        name = os.path.basename(export.log_path)
        try:
            log = (name, activity_log.read_log_errors(export.log_path), "")
        except OSError as e:
            log = (name, [], e.strerror or str(e))
    index = os.path.join(out_dir, "index.html")
    temporary = index + ".part"
    report_page.write_page(temporary, summary.summarise(export), drawn, log, quality_failure)
    os.replace(temporary, index)
    return index, drawn, quality_failure


def write_quality(export, out_dir):
    """Writes quality.html; whatever fails in it is left out of the quick look
    and said on the index page, which is written all the same."""
    from .figures import failure_text
    from .quality import assess
    from .quality_page import write_quality_page

    path = os.path.join(out_dir, QUALITY_PAGE)
    try:
        first = next(iter(export.instruments.values()))
        title = str(first.global_attributes.get("title") or "Deployment")
        write_quality_page(path, title, assess(export))
    except Exception as e:  # a failing part must spare the page
        if os.path.lexists(path):
            os.remove(path)
        return failure_text(e)
    return ""
