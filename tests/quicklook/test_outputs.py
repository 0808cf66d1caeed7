"""The quick look of whole exports: a normal deployment, a damaged one, one
with a single profile, one where every profile is damaged, a large one (a
million scans of each instrument, more than one chunk of the reader), one
with quality flags and a grid file, and any real export named in
DAVROLIN_QUICKLOOK_EXPORTS. Each run writes four figures that are not blank,
quality.html, and a page that opens in headless Chromium from the file
system with every image loaded and nothing printed to the console. A figure
or quality page that fails leaves the page and the other figures in place."""
import contextlib
import io
import os
import re
import shutil
import sys
import tempfile
import unittest
from unittest import mock

from make_export import FLAGGED_PROFILE, SPIKED_PROFILES, write_export
from quicklook_support import blank_reason, check_page_in_browser, FIGURES, real_exports, ROOT, run_quicklook

sys.path.insert(0, os.path.join(ROOT, "quicklook"))
from davrolin_quicklook import figures, main, quality  # noqa: E402
from davrolin_quicklook.export_reader import read_export  # noqa: E402
from davrolin_quicklook.ts_figure import FAIL, read_sample, SUSPECT  # noqa: E402

# name -> the write_export arguments of the scenario
SCENARIOS = {
    "normal": {},
    "damaged": {},
    "single": {},
    "all_damaged": {},
    "large": dict(scenario="normal", profiles=200, engineering_scans=5000, ctd_scans=5000, acm_scans=5000),
    "flagged": {},
}
runs = {}       # name -> (exit code, stdout, stderr, out folder, page text)
workspace = ""


def setUpModule():
    global workspace
    workspace = tempfile.mkdtemp(prefix="quicklook-test-")
    exports = {}
    for name, arguments in SCENARIOS.items():
        exports[name] = os.path.join(workspace, name)
        write_export(exports[name], **({"scenario": name} | arguments))
    for folder in real_exports():
        exports[f"real:{folder}"] = folder
    for name, folder in exports.items():
        out = os.path.join(workspace, f"out-{len(runs)}")
        code, stdout, stderr = run_quicklook(folder, out)
        page = ""
        if os.path.exists(os.path.join(out, "index.html")):
            with open(os.path.join(out, "index.html"), encoding="utf-8") as f:
                page = f.read()
        runs[name] = (code, stdout, stderr, out, page)


def tearDownModule():
    shutil.rmtree(workspace, ignore_errors=True)


def status_row(page, file_name):
    """The counts of the status table's row of `file_name`."""
    match = re.search(r"<tr><th>" + re.escape(file_name) + r"</th>(.*?)</tr>", page)
    if not match:
        return None
    return [int(n.replace(",", "")) for n in re.findall(r'<td class="n[^"]*">([\d,]+)</td>', match.group(1))]


class FiguresTest(unittest.TestCase):
    def test_each_run_ends_well_and_draws_four_figures_that_are_not_blank(self):
        for name, (code, stdout, stderr, out, page) in runs.items():
            with self.subTest(export=name):
                self.assertEqual(code, 0, stderr)
                self.assertNotIn("Traceback", stderr)
                self.assertIn("index.html", stdout)
                for figure in FIGURES:
                    path = os.path.join(out, figure)
                    self.assertTrue(os.path.isfile(path), figure)
                    self.assertEqual(blank_reason(path), "", figure)
                self.assertEqual(re.findall(r'<img src="([^"]+)"', page), list(FIGURES))
                self.assertIn('<a href="quality.html">', page)
                self.assertTrue(os.path.isfile(os.path.join(out, "quality.html")))


class PageTest(unittest.TestCase):
    def test_normal_deployment_summary(self):
        page = runs["normal"][4]
        self.assertIn("60 (numbers 0 to 59), 60 with scans, 18,000 scans", page)   # ctd.nc
        self.assertIn("2024-07-01 00:00:00 UTC to 2024-07-15 18:26:15 UTC", page)
        self.assertRegex(page, r"Pressure range: ctd.nc</th><td>1\d\.\d to 4[89]\d\.\d dbar")
        self.assertIn("DAVROLIN.LOG: no errors.", page)
        self.assertEqual(status_row(page, "acm.nc"), [60, 0, 0, 0, 0, 0])
        self.assertIn("Synthetic normal deployment", page)          # the metadata's summary
        self.assertNotIn('class="notes"', page)

    def test_damaged_deployment_shows_each_damaged_profile_and_the_log_errors(self):
        page = runs["damaged"][4]
        self.assertEqual(status_row(page, "engineering.nc"), [58, 1, 0, 1, 0, 0])
        self.assertEqual(status_row(page, "ctd.nc"), [44, 1, 1, 0, 4, 10])
        self.assertIsNone(status_row(page, "acm.nc"))
        self.assertIn("acm.nc is not in the export.", page)
        self.assertIn("DAVROLIN.LOG: 3 error lines", page)
        for line in ("Error reading from engineering file for profile 20",
                     "Error opening CTD data file /data/vxp/C0000030.DAT", "Operation cancelled by user"):
            self.assertIn(f"<li><code>{line}</code></li>", page)
        self.assertRegex(page, r"profile exit</td><td class=\"n\">7</td><td>min battery</td><td class=\"n\">2<")
        # the CTD profile without sensor times still takes its place in the sections
        self.assertIn("1 CTD profile with data but no time", page)

    def test_missing_data_is_said_in_place_of_the_figures(self):
        cases = (
            ("single", ("Only one CTD profile has scans (profile 0): a section needs two",
                        "Only one engineering profile has scans (profile 0)",
                        "The T-S diagram holds one CTD profile only (profile 0).",
                        "ctd.nc holds one profile only (profile 0).")),
            ("all_damaged", ("engineering.nc holds no scans: 60 profiles, none with data (data file missing 60).",
                             "ctd.nc holds no scans: 60 profiles, none with data (data file missing 60).",
                             "acm.nc holds no scans")),
        )
        for scenario, notes in cases:
            page = runs[scenario][4]
            for note in notes:
                with self.subTest(scenario=scenario, note=note):
                    self.assertIn(note, page)


def quality_page(name):
    with open(os.path.join(runs[name][3], "quality.html"), encoding="utf-8") as f:
        return f.read()


def table_rows(html_text):
    """The cells of each table row, tags and thousands separators removed."""
    return [[re.sub(r"<[^>]+>", "", c).replace(",", "") for c in re.findall(r"<t[hd][^>]*>(.*?)</t[hd]>", row)]
            for row in re.findall(r"<tr>(.*?)</tr>", html_text)]


class QualityTest(unittest.TestCase):
    def test_shares_grades_and_worst_profiles_of_the_flagged_export(self):
        # 18 000 scans: profile 3 suspect throughout, one spike failing in each of profiles 0 to 9
        page = quality_page("flagged")
        section = page[page.index("<code>temperature</code>"):]
        rows = table_rows(section)
        self.assertEqual(rows[:6], [
            ["test", "scans", "suspect", "fail"],
            ["gross range", "18000", "1.67 % (300)", "0.00 % (0)"],
            ["spike", "18000", "0.00 % (0)", "0.06 % (10)"],
            ["rate of change", "18000", "0.00 % (0)", "0.00 % (0)"],
            ["flat line", "18000", "0.00 % (0)", "0.00 % (0)"],
            ["aggregate", "18000", "1.66 % (299)", "0.06 % (10)"]])
        self.assertEqual(rows[6:8], [["A", "B", "C", "D", "E", "F"], ["50", "9", "0", "0", "0", "1"]])
        worst = rows[9:]
        self.assertEqual(worst[0], [str(FLAGGED_PROFILE), "F", "300", "99.67 % (299)", "0.33 % (1)", "complete"])
        self.assertEqual([int(r[0]) for r in worst[1:]],
                         [p for p in range(SPIKED_PROFILES) if p != FLAGGED_PROFILE])
        self.assertTrue(all(r[1] == "B" for r in worst[1:]))
        self.assertIn("Drawn from ctd_grid.nc", runs["flagged"][4])

    def test_an_export_without_flags_says_so(self):
        self.assertIn("The export has no quality flags", quality_page("normal"))
        self.assertNotIn("<h2>", quality_page("normal"))

    def test_the_t_s_diagram_draws_the_flagged_scans_apart(self):
        export = read_export(os.path.join(workspace, "flagged"))
        sample, stride, _, flagged = read_sample(export.instruments["ctd"])
        self.assertEqual(stride, 1)
        self.assertEqual(flagged.counts, {SUSPECT: 299, FAIL: 10})
        self.assertEqual((len(flagged.grade), len(sample.pressure)), (309, 18_000 - 309))
        self.assertIsNone(read_sample(read_export(os.path.join(workspace, "normal")).instruments["ctd"])[3])


class LargeExportTest(unittest.TestCase):
    def test_a_million_scans_of_each_instrument_are_summed_up_and_drawn_from_a_sample(self):
        page = runs["large"][4]
        for file_name in ("engineering.nc", "ctd.nc", "acm.nc"):
            with self.subTest(file=file_name):
                self.assertIn(f"Profiles: {file_name}</th><td>200 (numbers 0 to 199), 200 with scans, "
                              "1,000,000 scans", page)
                self.assertEqual(status_row(page, file_name), [200, 0, 0, 0, 0, 0])
        self.assertRegex(page, r"Pressure range: engineering.nc</th><td>1\d\.\d to 4[89]\d\.\d dbar")
        self.assertIn("T-S diagram: one in 7 of the 1,000,000 scans is drawn.", page)


class FailedFigureTest(unittest.TestCase):
    def test_a_figure_that_fails_is_a_note_on_the_page_and_the_rest_is_written(self):
        def broken(export, path):
            with open(path, "wb") as f:
                f.write(b"half a PNG")
            raise OverflowError("Exceeded cell block limit in Agg.")

        specs = tuple(spec if spec.file_name != "ts.png" else figures.FigureSpec(
            spec.file_name, spec.heading, spec.caption, broken) for spec in figures.FIGURES)
        out = os.path.join(workspace, "out-broken")
        stdout, stderr = io.StringIO(), io.StringIO()
        with mock.patch.object(figures, "FIGURES", specs), \
                contextlib.redirect_stdout(stdout), contextlib.redirect_stderr(stderr):
            code = main.main([os.path.join(workspace, "normal"), out])
        self.assertEqual(code, main.EXIT_FIGURE_LEFT_OUT)
        self.assertEqual(code, 3)   # as the README documents it
        self.assertIn("ts.png could not be drawn: OverflowError: Exceeded cell block limit in Agg.",
                      stderr.getvalue())
        self.assertFalse(os.path.exists(os.path.join(out, "ts.png")))
        with open(os.path.join(out, "index.html"), encoding="utf-8") as f:
            page = f.read()
        self.assertIn('<p class="failed">ts.png could not be drawn: OverflowError: '
                      "Exceeded cell block limit in Agg.</p>", page)
        self.assertEqual(re.findall(r'<img src="([^"]+)"', page), ["track.png", "sections.png", "status.png"])
        for figure in ("track.png", "sections.png", "status.png"):
            self.assertEqual(blank_reason(os.path.join(out, figure)), "", figure)
        self.assertEqual(status_row(page, "ctd.nc"), [60, 0, 0, 0, 0, 0])


    def test_a_quality_page_that_fails_is_a_note_on_the_page_and_the_rest_is_written(self):
        out = os.path.join(workspace, "out-broken-quality")
        stdout, stderr = io.StringIO(), io.StringIO()
        with mock.patch.object(quality, "assess", side_effect=MemoryError("no room")), \
                contextlib.redirect_stdout(stdout), contextlib.redirect_stderr(stderr):
            code = main.main([os.path.join(workspace, "flagged"), out])
        self.assertEqual(code, 3)
        self.assertIn("quality.html could not be written: MemoryError: no room", stderr.getvalue())
        self.assertFalse(os.path.exists(os.path.join(out, "quality.html")))
        with open(os.path.join(out, "index.html"), encoding="utf-8") as f:
            page = f.read()
        self.assertIn('<p class="failed">quality.html could not be written: MemoryError: no room</p>', page)
        self.assertEqual(re.findall(r'<img src="([^"]+)"', page), list(FIGURES))


class BrowserTest(unittest.TestCase):
    def test_page_opens_from_the_file_system_with_every_image_and_no_console_message(self):
        names = ["normal", "damaged", "all_damaged", "flagged"] + [n for n in runs if n.startswith("real:")]
        for name in names:
            with self.subTest(export=name):
                images, refused, console = check_page_in_browser(runs[name][3])
                self.assertEqual([i["src"] for i in images], list(FIGURES))
                for image in images:
                    self.assertTrue(image["complete"] and image["width"] > 300 and image["height"] > 300, image)
                self.assertEqual(refused, [])
                self.assertEqual(console, [])


if __name__ == "__main__":
    unittest.main()
