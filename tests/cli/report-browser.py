#!/usr/bin/env python3
"""The pages of tessaro import --report and diff --report, opened in headless Chromium as a user opens it.

    report-browser.py TESSARO SOURCE_DIR SHARED_DIR OUT_DIR

Imports the sample plant and a large generated symbol table with --report and --summary,
then drives the browser through its DevTools protocol (over a pipe: nothing listens on
the network, and the browser is offline): the counts on the page are those of the
summary, filtering by a fate shows exactly that fate's rows, without script the counts,
charts and first rows are still there, the heading is in view and nothing runs off the
page at 1280, 1024 and 390 pixels; screenshots are taken, checked to be neither blank nor
cut, and kept in OUT_DIR. Exits 77 (skipped) where no chromium is installed.
"""

import base64
import fcntl
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

SKIP = 77
failures = []


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    failures.append(message)


def check(condition, message):
    if not condition:
        fail(message)
    return condition


class Browser:
    """Chromium with --remote-debugging-pipe: commands on its fd 3, answers on its fd 4,
    each a JSON text ended by a zero byte."""

    def __init__(self, chromium, profile):
        to_r, to_w = os.pipe()
        from_r, from_w = os.pipe()
        # Out of the way of 3 and 4 before they are placed there in the child.
        high = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (to_r, from_w)]

        def place():
            os.dup2(high[0], 3)
            os.dup2(high[1], 4)

        self.process = subprocess.Popen(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
             "--no-first-run", "--no-default-browser-check", "--disable-extensions", "--hide-scrollbars",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--user-data-dir=" + profile, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=place, close_fds=False)
        for fd in (to_r, from_w, *high):
            os.close(fd)
        self.out = os.fdopen(to_w, "wb")
        self.inp = os.fdopen(from_r, "rb")
        self.buffer = b""
        self.next_id = 0
        self.events = []
        targets = self.call("Target.getTargets")["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        self.call("Page.enable", session=True)

    def _message(self):
        while b"\0" not in self.buffer:
            chunk = self.inp.read1(1 << 20)
            if not chunk:
                raise RuntimeError("the browser closed its pipe")
            self.buffer += chunk
        text, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(text)

    def call(self, method, session=False, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = self.session
        self.out.write(json.dumps(message).encode() + b"\0")
        self.out.flush()
        while True:
            answer = self._message()
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(method + ": " + json.dumps(answer["error"]))
                return answer.get("result", {})
            self.events.append(answer.get("method"))

    def page(self, method, **params):
        return self.call(method, session=True, **params)

    def open(self, url, width, height=900, script=True):
        self.page("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=1,
                  mobile=width < 600)
        self.page("Emulation.setScriptExecutionDisabled", value=not script)
        # Through an empty page: a new fragment alone would not load the page again.
        for address in ("about:blank", url):
            self.events.clear()
            self.page("Page.navigate", url=address)
            while "Page.loadEventFired" not in self.events:
                self.events.append(self._message().get("method"))

    def value(self, expression):
        result = self.page("Runtime.evaluate", expression=expression, returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError(expression + ": " + json.dumps(result["exceptionDetails"]))
        return result["result"].get("value")

    def screenshot(self, file, most=20000):
        """The whole page, or its first most pixels where it is higher; returns the
        picture's size and the page's height."""
        size = self.page("Page.getLayoutMetrics")["cssContentSize"]
        width, height = int(size["width"]), int(size["height"])
        clip = {"x": 0, "y": 0, "width": width, "height": min(height, most), "scale": 1}
        data = self.page("Page.captureScreenshot", format="png", captureBeyondViewport=True, clip=clip)["data"]
        with open(file, "wb") as out:
            out.write(base64.b64decode(data))
        return (width, min(height, most)), height

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()


def png_pixels(file, max_rows):
    """Width, height and the first max_rows rows of RGB(A) bytes of an 8-bit
    non-interlaced PNG."""
    data = open(file, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    assert depth == 8 and colour in (2, 6), "an 8-bit RGB or RGBA PNG"
    step = 3 if colour == 2 else 4
    stride = width * step
    raw = zlib.decompressobj().decompress(idat, (stride + 1) * max_rows)
    rows, previous = [], bytearray(stride)
    for y in range(min(height, max_rows)):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - step] if x >= step else 0
            b = previous[x]
            c = previous[x - step] if x >= step else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, step, rows


def check_screenshot(file, width, height, heading_box, name):
    """Neither blank nor cut: the picture has the page's size, and the heading's box holds
    dark pixels (its text) on the light page."""
    w, h, step, rows = png_pixels(file, int(heading_box[3]) + 300)
    check((w, h) == (width, height), f"{name}: screenshot is {w}x{h}, the page {width}x{height}")
    left, top, right, bottom = (int(v) for v in heading_box)
    dark = sum(1 for y in range(max(top, 0), min(bottom, h)) for x in range(max(left, 0), min(right, w))
               if sum(rows[y][x * step:x * step + 3]) < 200)
    check(dark > 50, f"{name}: the heading's text is not visible in the screenshot ({dark} dark pixels)")
    colours = {rows[y][x * step:x * step + 3] for y in range(0, len(rows), 7) for x in range(0, w, 7)}
    check(len(colours) > 4, f"{name}: the screenshot is blank ({len(colours)} colours)")


def import_with_report(tessaro, out_dir, name, files, with_summary):
    html = os.path.join(out_dir, name + ".html")
    summary = os.path.join(out_dir, name + "-summary.json")
    run = subprocess.run([tessaro, "import", "--format", "jsonl", "--messages", os.path.join(out_dir, name + ".msg"),
                          "--report", html, *(["--summary", summary] if with_summary else []), *files],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    check(run.returncode == 0, f"{name}: tessaro import exits {run.returncode}: {run.stderr.decode()[-500:]}")
    check(b"report written to " + html.encode() in run.stderr, f"{name}: standard error does not say where the page went")
    page = open(html, "rb").read()
    check(not re.search(rb"https?:", page, re.IGNORECASE), f"{name}: the page holds a http: or https: reference")
    check(not re.search(rb"<(link|img|iframe|object|embed)\b|\bsrc=|@import|url\((?!#)", page),
          f"{name}: the page refers to something outside itself")
    records = run.stdout.count(b"\n")
    return html, json.load(open(summary)) if with_summary else None, records


def page_counts(browser):
    return browser.value("""(() => {
        const c = {variables: +document.querySelector('[data-count=variables]').textContent.replace(/,/g, '')};
        const lines = document.querySelector('[data-count=lines]');
        if (lines) c.lines = +lines.textContent.replace(/,/g, '');
        c.fates = {};
        document.querySelectorAll('#counts td[data-fate]').forEach(td =>
            c.fates[td.dataset.fate] = +td.textContent.replace(/,/g, ''));
        c.reports = {};
        document.querySelectorAll('#reports td[data-report]').forEach(td =>
            c.reports[td.dataset.report] = +td.textContent.replace(/,/g, ''));
        c.rows = document.querySelectorAll('#lines tbody tr').length;
        c.charts = document.querySelectorAll('figure svg[role=img] title').length;
        return c;
    })()""")


# The summary's names of the kinds of report, by the page's numbering (the message files).
REPORT_KINDS = {"1": "type-conversion", "2": "same-name", "3": "file-error", "4": "not-for-the-device",
                "5": "incomplete-block", "6": "to-check"}


def check_counts(browser, summary, records, name):
    counts = page_counts(browser)
    check(counts["variables"] == records, f"{name}: the page counts {counts['variables']} variables, stdout has {records}")
    if summary is None:
        return counts
    check(counts["variables"] == summary["fates"]["imported"],
          f"{name}: the page counts {counts['variables']} variables, the summary {summary['fates']['imported']} imported")
    check(counts.get("lines") == summary["lines"], f"{name}: the page counts {counts.get('lines')} lines, the summary {summary['lines']}")
    check(counts["fates"] == summary["fates"], f"{name}: the page counts {counts['fates']}, the summary {summary['fates']}")
    reports = {REPORT_KINDS[k]: n for k, n in counts["reports"].items()}
    check(reports == summary["reports"], f"{name}: the page's reports {reports}, the summary's {summary['reports']}")
    # Each file's chart: its bars are the summary's lines of that file by fate.
    charts = browser.value("""Object.fromEntries([...document.querySelectorAll('figure[data-file]')]
        .map(f => [f.dataset.file, f.querySelector('desc').textContent]))""")
    per_file = {}  # a file read in two passes has one chart
    for f in summary["files"]:
        into = per_file.setdefault(f["file"], {})
        for fate, n in f["fates"].items():
            into[fate] = into.get(fate, 0) + n
    for file, fates in per_file.items():
        if not any(fates.values()):
            check(file not in charts, f"{name}: a chart of {file}, which has no lines")
            continue
        bars = dict((label, int(n.replace(",", ""))) for label, n in
                    (part.rsplit(" ", 1) for part in charts.get(file, "").split("; ") if part))
        wanted = {fate: n for fate, n in fates.items() if n or fate == "imported"}
        check(bars == wanted, f"{name}: the chart of {file} shows {bars}, the summary {wanted}")
    check(set(charts) <= set(per_file), f"{name}: charts of files the summary lacks: {set(charts) - set(per_file)}")
    return counts


def check_filters(browser, counts, cap, name):
    for fate, total in counts["fates"].items():
        shown = browser.value(f"""(() => {{
            const select = document.getElementById('f-fate');
            select.value = {json.dumps(fate)};
            select.dispatchEvent(new Event('change'));
            const rows = [...document.querySelectorAll('#lines tbody tr')].filter(r => !r.hidden);
            return {{count: rows.length, others: rows.filter(r => r.cells[5].textContent !== {json.dumps(fate)}).length,
                     hash: location.hash}};
        }})()""")
        check(shown["count"] == min(total, cap) and shown["others"] == 0,
              f"{name}: filtered by {fate}, {shown['count']} rows shown ({shown['others']} of other fates), "
              f"expected {min(total, cap)}")
        check(shown["hash"] == "#fate=" + fate, f"{name}: the filter is not in the address: {shown['hash']}")
    # Each file's filter shows exactly its rows, named by the file's whole name.
    files = browser.value("""(() => {
        const fate = document.getElementById('f-fate');
        fate.value = ''; fate.dispatchEvent(new Event('change'));
        const select = document.getElementById('f-file'), rows = [...document.querySelectorAll('#lines tbody tr')];
        const result = [...select.options].filter(o => o.value).map(o => {
            select.value = o.value; select.dispatchEvent(new Event('change'));
            const mine = rows.filter(r => (r.cells[0].title || r.cells[0].textContent) === o.value);
            return [o.value, mine.length, rows.filter(r => !r.hidden).length, mine.every(r => !r.hidden)];
        });
        select.value = ''; select.dispatchEvent(new Event('change'));
        return result;
    })()""")
    for file, mine, shown, all_mine in files:
        check(mine > 0 and shown == mine and all_mine, f"{name}: filtered by {file}, {shown} rows shown of its {mine}")
    # The text filter narrows within the fate; clearing both shows every row again.
    both = browser.value("""(() => {
        const fate = document.getElementById('f-fate'), text = document.getElementById('f-text');
        fate.value = 'imported'; fate.dispatchEvent(new Event('change'));
        const row = [...document.querySelectorAll('#lines tbody tr')].find(r => !r.hidden);
        text.value = row.cells[2].textContent; text.dispatchEvent(new Event('input'));
        const narrowed = [...document.querySelectorAll('#lines tbody tr')].filter(r => !r.hidden)
            .every(r => r.textContent.toLowerCase().includes(text.value.toLowerCase()) && r.dataset.fate === 'imported');
        fate.value = ''; fate.dispatchEvent(new Event('change'));
        text.value = ''; text.dispatchEvent(new Event('input'));
        const all = [...document.querySelectorAll('#lines tbody tr')].every(r => !r.hidden);
        return narrowed && all;
    })()""")
    check(both, f"{name}: the text filter does not narrow within the fate, or clearing it does not show every row")
    # Sorting by Line, descending on the second press, keyboard-reachable buttons.
    order = browser.value("""(() => {
        const button = [...document.querySelectorAll('#lines th button')].find(b => b.textContent === 'Line');
        button.focus(); const focused = document.activeElement === button;
        button.click(); button.click();
        const lines = [...document.querySelectorAll('#lines tbody tr')].map(r => +r.cells[1].textContent);
        return {focused, sorted: lines.every((n, i) => i === 0 || lines[i - 1] >= n),
                sort: button.parentElement.getAttribute('aria-sort')};
    })()""")
    check(order["focused"] and order["sorted"] and order["sort"] == "descending",
          f"{name}: sorting by Line does not work from its button: {order}")


def check_layout(browser, url, width, name, out_dir, keep_as=None):
    browser.open(url, width)
    layout = browser.value("""(() => {
        const h = document.querySelector('h1').getBoundingClientRect();
        const hit = document.elementFromPoint(h.left + 5, h.top + h.height / 2);
        return {overflow: document.documentElement.scrollWidth - window.innerWidth,
                heading: [h.left, h.top, h.right, h.bottom], hit: hit && hit.closest('h1') !== null,
                text: document.querySelector('h1').textContent};
    })()""")
    check(layout["overflow"] <= 0, f"{name} at {width} px: the page runs {layout['overflow']} px off the side")
    check(layout["hit"] and layout["heading"][3] < 900, f"{name} at {width} px: the heading is not in view")
    if keep_as:
        shot = os.path.join(out_dir, keep_as)
        size, height = browser.screenshot(shot)
        check_screenshot(shot, size[0], size[1], layout["heading"], f"{name} at {width} px")
        print(f"{shot}: {size[0]}x{size[1]} px" + (f", the top of a page {height} px high" if height > size[1] else ""))
    return layout


def check_diff(browser, tessaro, plant, out_dir):
    """The page of tessaro diff --report: its counts are the summary's, a row per change,
    the change filter shows that change's rows, nothing runs off the page."""
    html, summary = os.path.join(out_dir, "diff.html"), os.path.join(out_dir, "diff-summary.json")
    run = subprocess.run([tessaro, "diff", "--format", "jsonl", "--report", html, "--summary", summary,
                          "--old", os.path.join(plant, "Plant.ASC"), "--new", plant],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    check(run.returncode == 1, f"diff: tessaro diff exits {run.returncode}: {run.stderr.decode()[-500:]}")
    check(b"report written to " + html.encode() in run.stderr, "diff: standard error does not say where the page went")
    page = open(html, "rb").read()
    check(not re.search(rb"https?:", page, re.IGNORECASE), "diff: the page holds a http: or https: reference")
    wanted = json.load(open(summary))
    url = "file://" + os.path.abspath(html)
    browser.open(url, 1280)
    counts = browser.value("""Object.fromEntries([...document.querySelectorAll('#counts td[data-count]')]
        .map(td => [td.dataset.count, +td.textContent.replace(/,/g, '')]))""")
    check(counts == {k: wanted[k] for k in ("added", "removed", "changed", "renamed")},
          f"diff: the page counts {counts}, the summary {wanted}")
    rows = browser.value("document.querySelectorAll('#changes tbody tr').length")
    changes = run.stdout.count(b"\n")
    check(rows == changes, f"diff: the table holds {rows} rows, the output {changes}")
    shown = browser.value("""(() => {
        const select = document.getElementById('f-fate');
        select.value = 'added'; select.dispatchEvent(new Event('change'));
        const rows = [...document.querySelectorAll('#changes tbody tr')].filter(r => !r.hidden);
        return {count: rows.length, others: rows.filter(r => r.cells[0].textContent !== 'added').length,
                form: !document.getElementById('filters').hidden};
    })()""")
    check(shown == {"count": wanted["added"], "others": 0, "form": True}, f"diff: filtered by added: {shown}")
    check_layout(browser, url, 1280, "diff", out_dir, "diff-1280.png")
    check_layout(browser, url, 390, "diff", out_dir, "diff-390.png")


def main():
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    tessaro, source_dir, shared_dir, out_dir = sys.argv[1:]
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        print("skipped: no chromium installed (scripts/setup installs it)")
        return SKIP
    os.makedirs(out_dir, exist_ok=True)
    plant = os.path.join(source_dir, "samples", "plant")
    cases = [("plant", [os.path.join(plant, "Plant.ASC"), os.path.join(plant, "Plant.AWL")])]
    generator = os.path.join(shared_dir, "tools", "gen_asc.py")
    if os.path.exists(generator):
        large = os.path.join(out_dir, "Large.ASC")
        subprocess.run([sys.executable, generator, "30000", large], check=True, stdout=subprocess.DEVNULL)
        cases.append(("large", [large]))
    else:
        print("the large import is left out: no " + generator)

    # The summary to compare with, where this build's import writes one.
    help_text = subprocess.run([tessaro, "help", "import"], stdout=subprocess.PIPE, check=True).stdout
    with_summary = b"--summary" in help_text
    if not with_summary:
        print("not compared with --summary: this build's import writes none")
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(chromium, profile)
        try:
            for name, files in cases:
                html, summary, records = import_with_report(tessaro, out_dir, name, files, with_summary)
                url = "file://" + os.path.abspath(html)
                browser.open(url, 1280)
                counts = check_counts(browser, summary, records, name)
                # Every kind the log has stands under its title as the log writes it, with its count.
                log = open(os.path.join(out_dir, name + ".msg"), "rb").read().decode("cp1252").split("\r\n")
                titles = browser.value("""[...document.querySelectorAll('#reports tbody tr')]
                    .map(r => [r.cells[0].textContent, +r.cells[2].textContent.replace(/,/g, '')])""")
                for title, n in titles:
                    check((n > 0) == ("-" + title in log), f"{name}: the title {title!r} ({n} reports) and the log differ")
                has_table = browser.value("document.getElementById('lines') !== null")
                if with_summary:
                    check(has_table, f"{name}: the page has no table of the lines")
                if has_table:
                    cap = int(browser.value("+document.getElementById('lines').dataset.cap"))
                    check(counts["rows"] == sum(min(n, cap) for n in counts["fates"].values()),
                          f"{name}: the table holds {counts['rows']} rows")
                    check(counts["charts"] >= 1, f"{name}: no chart")
                    check_filters(browser, counts, cap, name)
                    # A filter given in the address applies when the page opens.
                    browser.open(url + "#fate=imported", 1280)
                    check(browser.value("document.querySelectorAll('#lines tbody tr:not([hidden])').length")
                          == min(counts["fates"]["imported"], cap), f"{name}: #fate=imported does not filter on opening")
                else:
                    print(f"{name}: the import kept no account; the table and its filters are not tried")
                # Without script: the counts, the charts and the rows are there, the filters not.
                browser.open(url, 1280, script=False)
                still = page_counts(browser)
                check(still == counts, f"{name}: without script the page shows {still}, with script {counts}")
                if has_table:
                    check(browser.value("document.getElementById('filters').hidden"),
                          f"{name}: without script the page shows filters that cannot work")
                # The sample's page in pictures; the large one's is too high for one.
                shots = name == "plant"
                check_layout(browser, url, 1280, name, out_dir, f"{name}-1280.png" if shots else None)
                check_layout(browser, url, 1024, name, out_dir)
                check_layout(browser, url, 390, name, out_dir, f"{name}-390.png" if shots else None)
                if shots:
                    # The picture of the README: the top of the page, at half size.
                    browser.open(url, 1280, height=800)
                    data = browser.page("Page.captureScreenshot", format="png",
                                        clip={"x": 0, "y": 0, "width": 1280, "height": 800, "scale": 0.5})["data"]
                    with open(os.path.join(out_dir, "report-small.png"), "wb") as out:
                        out.write(base64.b64decode(data))
            check_diff(browser, tessaro, plant, out_dir)
        finally:
            browser.close()
    if failures:
        print(f"{len(failures)} failed", file=sys.stderr)
        return 1
    print("the report pages hold up in the browser; screenshots in " + out_dir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
