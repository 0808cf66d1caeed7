"""quality.html: per flagged variable the shares of scans each quality test
and the aggregate flag suspect and fail, the profiles by grade and the
worst profiles; in the style of index.html, no script."""
from html import escape

from .report_page import STYLE
NO_FLAGS = ("The export has no quality flags (written with --no-qc, or by a converter that did not "
            "write them).")


def write_quality_page(path, title, variables):
    """`variables`: the VariableQuality of each flagged variable."""
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(page(title, variables))


def page(title, variables):
    parts = [
        "<!DOCTYPE html>", '<html lang="en">', "<head>", '<meta charset="utf-8">',
        '<meta name="viewport" content="width=device-width, initial-scale=1">',
        f"<title>Quality flags: {escape(title)}</title>", f"<style>{STYLE}</style>", "</head>", "<body>",
        f"<h1>Quality flags: {escape(title)}</h1>",
        '<p class="lead"><a href="index.html">Back to the quick look</a>. Shares of the scans that each '
        "quality test and the aggregate flag call suspect (3) and fail (4), missing scans included; "
        "profiles by grade (A every scan that is not missing passes, B 75 % or more, C 50 %, D 25 %, "
        "E some, F none).</p>",
    ]
    if not variables:
        parts.append(f"<p>{escape(NO_FLAGS)}</p>")
    for quality in variables:
        parts += [f"<h2>{escape(quality.file_name)}: <code>{escape(quality.variable)}</code></h2>",
                  flag_table(quality.rows), grade_section(quality)]
    parts += ["</body>", "</html>", ""]
    return "\n".join(parts)


def share(count, total):
    return f"{100.0 * count / total:.2f} % ({count:,})" if total else "-"


def flag_table(rows):
    out = ["<table>", "<tr><th>test</th><th>scans</th><th>suspect</th><th>fail</th></tr>"]
    for row in rows:
        suspect = ' bad' if row.suspect else ''
        fail = ' bad' if row.fail else ''
        out.append(f'<tr><th>{escape(row.label)}</th><td class="n">{row.scans:,}</td>'
                   f'<td class="n{suspect}">{share(row.suspect, row.scans)}</td>'
                   f'<td class="n{fail}">{share(row.fail, row.scans)}</td></tr>')
    out.append("</table>")
    return "\n".join(out)


def grade_section(quality):
    if not quality.grades:
        return "<p>No profile grades in the file.</p>"
    out = ["<h3>Profiles by grade</h3>", "<table>",
           "<tr>" + "".join(f"<th>{escape(g)}</th>" for g, _ in quality.grades) + "</tr>",
           "<tr>" + "".join(f'<td class="n">{n:,}</td>' for _, n in quality.grades) + "</tr>", "</table>"]
    if not quality.worst:
        out.append('<p class="ok">Every graded profile has the best grade.</p>')
        return "\n".join(out)
    out += ["<h3>Worst profiles</h3>", "<table>",
            "<tr><th>profile</th><th>grade</th><th>scans with a value</th><th>suspect</th><th>fail</th>"
            "<th>data_status</th></tr>"]
    for p in quality.worst:
        out.append(f'<tr><td class="n">{p.number}</td><td>{escape(p.grade)}</td><td class="n">{p.scans:,}</td>'
                   f'<td class="n">{share(p.suspect, p.scans)}</td><td class="n">{share(p.fail, p.scans)}</td>'
                   f'<td>{escape(p.status.replace("_", " "))}</td></tr>')
    out.append("</table>")
    return "\n".join(out)
