"""What the quick look's tests share: running the program, the exports to run
it on, the blank-image check and the page check in headless Chromium.

Real exports: set DAVROLIN_QUICKLOOK_EXPORTS to one or more export folders
(separated by ':'); every test that runs on the synthetic normal export runs
on them too.
"""
import html
import json
import os
import re
import shutil
import subprocess
import tempfile

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PROGRAM = os.path.join(ROOT, "quicklook", "davrolin-quicklook")
CHROMIUM = "/usr/bin/chromium"
FIGURES = ("track.png", "sections.png", "ts.png", "status.png")
RUN_TIMEOUT = 300


def real_exports():
    value = os.environ.get("DAVROLIN_QUICKLOOK_EXPORTS", "")
    return [folder for folder in value.split(os.pathsep) if folder]


def run_quicklook(*args):
    """(exit code, stdout, stderr) of davrolin-quicklook with `args`."""
    done = subprocess.run([PROGRAM, *args], capture_output=True, text=True, timeout=RUN_TIMEOUT,
                          env=dict(os.environ, DAVROLIN_QUICKLOOK_DEBUG=""))
    return done.returncode, done.stdout, done.stderr


def blank_reason(path):
    """Why the PNG at `path` counts as blank, or "" when it shows something."""
    from PIL import Image

    with Image.open(path) as image:
        if image.format != "PNG":
            return f"not a PNG ({image.format})"
        pixels = np.asarray(image.convert("RGB")).reshape(-1, 3)
    if len(pixels) < 400 * 300:
        return f"only {len(pixels)} pixels"
    colours, counts = np.unique(pixels, axis=0, return_counts=True)
    background = counts.max() / len(pixels)
    if len(colours) < 16 or background > 0.985:
        return f"{len(colours)} colours, {background:.1%} of the image one colour"
    return ""


# Injected into a copy of the page: a policy that refuses anything but local
# files and inline style, and a script that reports each image and each
# refused load into the DOM that --dump-dom prints.
POLICY = ('<meta http-equiv="Content-Security-Policy" content="default-src \'none\'; '
           'img-src file: \'self\'; style-src \'unsafe-inline\'; script-src \'unsafe-inline\'">')
REPORTER = """<script>
var refused = [];
document.addEventListener('securitypolicyviolation', function (e) { refused.push(e.blockedURI); });
window.addEventListener('load', function () {
  var images = Array.prototype.map.call(document.images, function (i) {
    return {src: i.getAttribute('src'), complete: i.complete, width: i.naturalWidth, height: i.naturalHeight};
  });
  var out = document.createElement('pre');
  out.id = 'quicklook-check';
  out.textContent = JSON.stringify({images: images, refused: refused});
  document.body.appendChild(out);
});
</script>"""


def check_page_in_browser(out_dir):
    """Opens a copy of OUT_DIR/index.html from the file system in headless
    Chromium with the network refused. Returns (images, refused loads,
    console lines)."""
    with open(os.path.join(out_dir, "index.html"), encoding="utf-8") as f:
        page = f.read()
    page = page.replace("<head>", "<head>\n" + POLICY, 1).replace("</body>", REPORTER + "\n</body>", 1)
    check = os.path.join(out_dir, "browser-check.html")
    with open(check, "w", encoding="utf-8") as f:
        f.write(page)
    profile = tempfile.mkdtemp(prefix="quicklook-chromium-")
    try:
        done = subprocess.run(
            [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--host-resolver-rules=MAP * ~NOTFOUND", f"--user-data-dir={profile}",
             "--enable-logging=stderr", "--v=0", "--dump-dom", "file://" + os.path.abspath(check)],
            capture_output=True, text=True, timeout=180)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
        os.remove(check)
    match = re.search(r'<pre id="quicklook-check">(.*?)</pre>', done.stdout, re.S)
    if not match:
        raise AssertionError(f"Chromium gave no result (exit {done.returncode}): {done.stderr[-2000:]}")
    result = json.loads(html.unescape(match.group(1)))
    console = [line for line in done.stderr.splitlines() if ":CONSOLE" in line]
    return result["images"], result["refused"], console
