"""index.html: one page that opens from the file system with no network: the
deployment's metadata, a summary table, the activity log's errors and the
figures (by relative path), or for a figure that could not be drawn a note
that says why. Style inline, no script."""
from html import escape

QUALITY_PAGE = "quality.html"

STYLE = """
body { font-family: "DejaVu Sans", Verdana, sans-serif; margin: 1.5em auto; max-width: 1400px;
       color: #222; padding: 0 1em; }
h1 { font-size: 1.6em; margin-bottom: 0.2em; }
h2 { font-size: 1.25em; border-bottom: 1px solid #ccc; padding-bottom: 0.2em; margin-top: 1.6em; }
table { border-collapse: collapse; margin: 0.5em 0; }
th, td { border: 1px solid #ccc; padding: 0.25em 0.6em; text-align: left; vertical-align: top; }
th { background: #f0f3f6; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
td.bad { background: #fde2e1; }
.lead { color: #555; margin-top: 0; }
.notes { background: #fff4e0; border-left: 4px solid #e0a030; padding: 0.4em 0.8em; margin: 0.4em 0; }
.errors, .failed { background: #fde2e1; border-left: 4px solid #d62728; padding: 0.4em 0.8em; }
.ok { color: #2a7d2a; }
figure { margin: 1em 0; }
figure img { max-width: 100%; height: auto; border: 1px solid #ddd; }
figcaption { color: #555; font-size: 0.95em; }
code { background: #f3f3f3; padding: 0 0.2em; }
details { margin: 0.4em 0; }
summary { cursor: pointer; color: #1f4e79; }
"""

MAIN_ATTRIBUTES = ("title", "summary", "institution", "project", "platform_code", "site_code", "station_name",
                   "geospatial_lat_min", "geospatial_lon_min", "time_coverage_start", "time_coverage_end",
                   "creator_name", "creator_email", "license", "date_created")

def write_page(path, summary, figures, log, quality_failure=""):
    """`figures`: the DrawnFigure of each figure; `log`: (file name or "", error lines, read problem);
    `quality_failure`: why quality.html could not be written, "" when it was."""
    text = page(summary, figures, log, quality_failure)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def page(summary, figures, log, quality_failure=""):
    title = dict(summary.metadata).get("title") or "Deployment"
    parts = [
        "<!DOCTYPE html>",
        '<html lang="en">',
        "<head>",
        '<meta charset="utf-8">',
        '<meta name="viewport" content="width=device-width, initial-scale=1">',
        f"<title>Quick look: {escape(title)}</title>",
        f"<style>{STYLE}</style>",
        "</head>",
        "<body>",
        f"<h1>Quick look: {escape(title)}</h1>",
        f'<p class="lead">{escape(", ".join(summary.source_files))}</p>',
        "<h2>Deployment</h2>",
        metadata_section(summary),
        "<h2>Summary</h2>",
        table([], summary.rows, with_header=False),
        "<h3>Profiles by data_status</h3>",
        status_table(summary),
        "<h3>Profiles by termination code</h3>",
        code_table(summary.code_rows),
        "<h3>Errors of the activity log</h3>",
        log_section(log),
        "<h3>Quality flags</h3>",
        quality_section(quality_failure),
        "<h2>Figures</h2>",
    ]
    for drawn in figures:
        parts.append(figure_section(drawn))
    parts += ["</body>", "</html>", ""]
    return "\n".join(parts)


def metadata_section(summary):
    """The main attributes first; all of them, and the deployment's settings, folded."""
    if not summary.metadata:
        return "<p>No global attributes.</p>"
    attributes = dict(summary.metadata)
    main = [(k, attributes[k]) for k in MAIN_ATTRIBUTES if k in attributes]
    out = [table([], main, with_header=False) if main else ""]
    if summary.deployment:
        out += ["<details><summary>Deployment settings</summary>",
                table(["setting", "value"], summary.deployment), "</details>"]
    out += ["<details><summary>All global attributes</summary>",
            table(["attribute", "value"], summary.metadata), "</details>"]
    return "\n".join(out)


def table(columns, rows, with_header=True):
    out = ["<table>"]
    if with_header:
        out.append("<tr>" + "".join(f"<th>{escape(str(c))}</th>" for c in columns) + "</tr>")
    for label, value in rows:
        out.append(f"<tr><th>{escape(str(label))}</th><td>{escape(str(value))}</td></tr>")
    out.append("</table>")
    return "\n".join(out)


def status_table(summary):
    if not summary.status_rows:
        return "<p>No instrument files.</p>"
    out = ["<table>", "<tr>" + "".join(f"<th>{escape(h)}</th>" for h in summary.status_header) + "</tr>"]
    for row in summary.status_rows:
        cells = [f"<th>{escape(row[0])}</th>"]
        for column, count in enumerate(row[1:]):
            bad = ' bad' if column > 0 and count > 0 else ''
            cells.append(f'<td class="n{bad}">{count:,}</td>')
        out.append("<tr>" + "".join(cells) + "</tr>")
    out.append("</table>")
    return "\n".join(out)


def code_table(rows):
    if not rows:
        return "<p>No termination codes (no engineering.nc, or it holds none).</p>"
    out = ["<table>", "<tr><th>code of</th><th>code</th><th>meaning</th><th>profiles</th></tr>"]
    for kind, code, meaning, count in rows:
        out.append(f'<tr><td>{escape(kind)}</td><td class="n">{code}</td><td>{escape(meaning)}</td>'
                   f'<td class="n">{count:,}</td></tr>')
    out.append("</table>")
    return "\n".join(out)


def log_section(log):
    name, errors, problem = log
    if not name:
        return "<p>No activity log (DAVROLIN.LOG) in the export folder.</p>"
    if problem:
        return f'<p class="errors">{escape(name)} could not be read: {escape(problem)}</p>'
    if not errors:
        return f'<p class="ok">{escape(name)}: no errors.</p>'
    items = "\n".join(f"<li><code>{escape(line)}</code></li>" for line in errors)
    return f'<div class="errors"><p>{escape(name)}: {len(errors):,} error lines</p>\n<ul>\n{items}\n</ul></div>'


def quality_section(failure):
    if failure:
        return f'<p class="failed">{QUALITY_PAGE} could not be written: {escape(failure)}</p>'
    return (f'<p><a href="{QUALITY_PAGE}">{QUALITY_PAGE}</a>: the shares of scans each quality test flags '
            "suspect and fail, the profiles by grade and the worst profiles.</p>")


def figure_section(drawn):
    spec = drawn.spec
    out = ["<figure>", f"<h3>{escape(spec.heading)}</h3>"]
    if drawn.failure:
        out.append(f'<p class="failed">{escape(spec.file_name)} could not be drawn: {escape(drawn.failure)}</p>')
    else:
        if drawn.notes:
            items = "".join(f"<li>{escape(n)}</li>" for n in drawn.notes)
            out.append(f'<div class="notes"><ul>{items}</ul></div>')
        out.append(f'<img src="{escape(spec.file_name)}" alt="{escape(spec.heading)}">')
    out.append(f"<figcaption>{escape(spec.caption)}</figcaption>")
    out.append("</figure>")
    return "\n".join(out)
