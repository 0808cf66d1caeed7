"""The quick look of whole exports: a normal deployment, a damaged one, one
with a single profile, one where every profile is damaged, and any real
export named in DAVROLIN_QUICKLOOK_EXPORTS. Each run writes four figures that
are not blank and a page that opens in headless Chromium from the file
system with every image loaded and nothing printed to the console."""
import os
import re
import shutil
import tempfile
import unittest

from make_export import WriteExport
from quicklook_support import BlankReason, CheckPageInBrowser, kFigures, RealExports, RunQuicklook

kScenarios = ("normal", "damaged", "single", "all_damaged")
runs = {}       # name -> (exit code, stdout, stderr, out folder, page text)
workspace = ""


def setUpModule():
    global workspace
    workspace = tempfile.mkdtemp(prefix="quicklook-test-")
    exports = {}
    for scenario in kScenarios:
        exports[scenario] = os.path.join(workspace, scenario)
        WriteExport(exports[scenario], scenario)
    for folder in RealExports():
        exports[f"real:{folder}"] = folder
    for name, folder in exports.items():
        out = os.path.join(workspace, f"out-{len(runs)}")
        code, stdout, stderr = RunQuicklook(folder, out)
        page = ""
        if os.path.exists(os.path.join(out, "index.html")):
            with open(os.path.join(out, "index.html"), encoding="utf-8") as f:
                page = f.read()
        runs[name] = (code, stdout, stderr, out, page)


def tearDownModule():
    shutil.rmtree(workspace, ignore_errors=True)


def StatusRow(page, file_name):
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
                for figure in kFigures:
                    path = os.path.join(out, figure)
                    self.assertTrue(os.path.isfile(path), figure)
                    self.assertEqual(BlankReason(path), "", figure)
                self.assertEqual(re.findall(r'<img src="([^"]+)"', page), list(kFigures))


class PageTest(unittest.TestCase):
    def test_normal_deployment_summary(self):
        page = runs["normal"][4]
        self.assertIn("60 (numbers 0 to 59), 60 with scans, 18,000 scans", page)   # ctd.nc
        self.assertIn("2024-07-01 00:00:00 UTC to 2024-07-15 18:26:15 UTC", page)
        self.assertRegex(page, r"Pressure range: ctd.nc</th><td>1\d\.\d to 4[89]\d\.\d dbar")
        self.assertIn("DAVROLIN.LOG: no errors.", page)
        self.assertEqual(StatusRow(page, "acm.nc"), [60, 0, 0, 0, 0, 0])
        self.assertIn("Synthetic normal deployment", page)          # the metadata's summary
        self.assertNotIn('class="notes"', page)

    def test_damaged_deployment_shows_each_damaged_profile_and_the_log_errors(self):
        page = runs["damaged"][4]
        self.assertEqual(StatusRow(page, "engineering.nc"), [58, 1, 0, 1, 0, 0])
        self.assertEqual(StatusRow(page, "ctd.nc"), [44, 1, 1, 0, 4, 10])
        self.assertIsNone(StatusRow(page, "acm.nc"))
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


class BrowserTest(unittest.TestCase):
    def test_page_opens_from_the_file_system_with_every_image_and_no_console_message(self):
        names = ["normal", "damaged", "all_damaged"] + [n for n in runs if n.startswith("real:")]
        for name in names:
            with self.subTest(export=name):
                images, refused, console = CheckPageInBrowser(runs[name][3])
                self.assertEqual([i["src"] for i in images], list(kFigures))
                for image in images:
                    self.assertTrue(image["complete"] and image["width"] > 300 and image["height"] > 300, image)
                self.assertEqual(refused, [])
                self.assertEqual(console, [])


if __name__ == "__main__":
    unittest.main()
