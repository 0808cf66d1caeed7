"""The command line: davrolin-quicklook [--prefix P] EXPORT_DIR OUT_DIR.

Exit codes: 0 done; 2 bad input (no export in the folder, a file that is not
an export's netCDF file, an OUT_DIR that cannot be written, a bad option);
1 the quick look failed while writing. No traceback is ever printed.
"""
import argparse
import os
import sys
import warnings

kProgram = "davrolin-quicklook"
kBadInput = 2
kFailed = 1


def ParseArguments(argv):
    parser = argparse.ArgumentParser(
        prog=kProgram,
        description="Plots and a one-page report (index.html) of a deployment export "
                    "(ctd.nc, engineering.nc, acm.nc and DAVROLIN.LOG).")
    parser.add_argument("export_dir", metavar="EXPORT_DIR", help="folder holding the export")
    parser.add_argument("out_dir", metavar="OUT_DIR", help="folder receiving the figures and index.html "
                        "(created when missing)")
    parser.add_argument("--prefix", help="prefix of the export's file names, when the folder holds several")
    return parser.parse_args(argv)


def Main(argv):
    args = ParseArguments(argv)   # exits 2 with a usage message on a bad command line
    warnings.simplefilter("ignore")
    try:
        return Run(args)
    except KeyboardInterrupt:
        print(f"{kProgram}: interrupted", file=sys.stderr)
        return 130
    except Exception as e:  # the promise is no traceback: say what failed instead
        if os.environ.get("DAVROLIN_QUICKLOOK_DEBUG"):
            raise
        print(f"{kProgram}: failed: {type(e).__name__}: {e}", file=sys.stderr)
        return kFailed


def Run(args):
    from .export_reader import ExportError, ReadExport

    try:
        export = ReadExport(args.export_dir, args.prefix)
    except ExportError as e:
        print(f"{kProgram}: {e}", file=sys.stderr)
        return kBadInput
    problem = PrepareOutput(args.out_dir)
    if problem:
        print(f"{kProgram}: {args.out_dir}: cannot be written ({problem})", file=sys.stderr)
        return kBadInput
    try:
        index = Build(export, args.out_dir)
    except OSError as e:
        where = f"{e.filename}: " if e.filename else ""
        print(f"{kProgram}: {where}{e.strerror or e}", file=sys.stderr)
        return kFailed
    print(f"Quick look written: {index}")
    return 0


def PrepareOutput(folder):
    """Creates `folder` when missing; the reason it cannot be written, or ""."""
    try:
        os.makedirs(folder, exist_ok=True)
    except OSError as e:
        return e.strerror or str(e)
    if not os.access(folder, os.W_OK | os.X_OK):
        return "permission denied"
    return ""


def Build(export, out_dir):
    """Writes the four figures and index.html; returns the page's path."""
    import matplotlib
    matplotlib.use("Agg")
    from . import activity_log, report_page, summary, water
    from .sections_figure import DrawSections
    from .status_figure import DrawStatus
    from .track_figure import DrawTrack
    from .ts_figure import DrawTs

    ctd = export.instruments.get("ctd")
    properties = water.Compute(ctd) if ctd is not None and ctd.scan_count else None
    notes = {
        "track.png": DrawTrack(export, os.path.join(out_dir, "track.png")),
        "sections.png": DrawSections(export, properties, os.path.join(out_dir, "sections.png")),
        "ts.png": DrawTs(export, properties, os.path.join(out_dir, "ts.png")),
        "status.png": DrawStatus(export, os.path.join(out_dir, "status.png")),
    }
    log = ("", [], "")
    if export.log_path:
        name = os.path.basename(export.log_path)
        try:
            log = (name, activity_log.ReadLogErrors(export.log_path), "")
        except OSError as e:
            log = (name, [], e.strerror or str(e))
    index = os.path.join(out_dir, "index.html")
    temporary = index + ".part"
    report_page.WritePage(temporary, summary.Summarise(export), notes, log)
    os.replace(temporary, index)
    return index
