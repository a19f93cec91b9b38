#!/usr/bin/python3
"""A visitor's first ten minutes, in a real browser, in both pages:
as `panelbench serve` offers it, and as try-in-browser.html opened
from disk. In each:

- the help is open on a first visit and its steps are the notes of the help
  scenario; the steps are flown in the page as the scenario writes them
  (its clicks clicked on the canvas, its flying at x16, its expectations of
  lamps, read-outs, chimes and tokens waited for), so that the aircraft
  climbs and levels at the altitude chosen; closed, the help stays closed
  when the page is opened again;
- the timeline tells it in plain words (VS engaged at +100 ft/min,
  altitude reference 0 ft, chime), and "details" shows the event names;
- a number field takes "1,5" as 1.5 and refuses "1,500" beneath itself;
- the editing tools are unseen (computed style) until a panel
  configuration is open; every control, without one and with the example
  panel open, is pressed, and no console error or uncaught exception
  follows;
- in the page file, a scenario opened with "Run a scenario…" (the help's,
  one whose expectation fails, and the session just flown, downloaded) is
  run in the page with the verdict `panelbench run` gives it: its last line
  and what failed, file:line and what differed;
- at 360, 400, 1024, 1366 and 1920 px wide, the capitals of every legend
  and of the faces' painted lettering (their height in the bitmap times the
  scale it is drawn at) and the digits
  of every read-out (measured in the picture drawn) are at least 7 CSS px
  high, and a gauge is alone on its row wherever it is wider than the window.

  first_visit_browser_test.py --panelbench PATH --module PATH --sound PATH --out DIR
                              --scenario FILE.pbs --failing FILE.pbs --example DIR [--page FILE.html]
"""
import argparse
import base64
import os
import shlex
import struct
import subprocess
import sys
import time
import zlib

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser_test import WAIT, click_control, downloaded, served_browser, set_field, wait_for  # noqa: E402

from selenium.webdriver.common.by import By  # noqa: E402

WIDTHS = (360, 400, 1024, 1366, 1920)
LEAST_PX = 7


def scenario_steps(path):
    """The scenario's setup lines (before its first note) and its steps: [(note, [commands])]."""
    setup, steps = [], []
    with open(path) as f:
        for raw in f:
            line = raw.split("#", 1)[0].strip() if not raw.lstrip().startswith("note ") else raw.strip()
            if not line:
                continue
            if line.startswith("note "):
                steps.append((line[5:].strip(), []))
            elif steps:
                steps[-1][1].append(shlex.split(line))
            else:
                setup.append(shlex.split(line))
    return setup, steps


def expectation(words):
    """A scenario's `expect` as a script that is true once the page shows it."""
    what = words[1]
    if what == "lamp":
        return "return panelPage.lamp(%r, %r) === %s" % (words[2], words[3], "true" if words[4] == "on" else "false")
    if what == "text":
        return "return panelPage.text(%r, %r) === %r" % (words[2], words[3], words[4])
    if what == "chimes":
        return "return panelPage.state.chimes === %d" % int(words[2])
    if what == "token":
        tolerance = float(words[5]) if len(words) > 5 else 1e-6
        return "return Math.abs(panelPage.state.tokens[%r] - %s) <= %s" % (words[2], words[3], tolerance)
    raise AssertionError("the help scenario expects what the page cannot show: " + " ".join(words))


def fly_help(driver, scenario):
    """Follows the help's steps in the page, as the scenario writes them."""
    setup, steps = scenario_steps(scenario)
    shown = driver.execute_script("return [...document.querySelectorAll('#help-steps li')].map(li => li.textContent)")
    assert shown == [note for note, _ in steps], "the help's steps are not the scenario's notes: %r" % shown
    for words in setup:
        if words[0] == "set" and words[1] in ("altitude", "ap_alt_ref", "baro", "ap_master"):
            now = driver.execute_script("return panelPage.state.tokens[arguments[0]]", words[1])
            assert abs(now - float(words[2])) < 1e-6, \
                "the page starts with %s %s, the help scenario with %s" % (words[1], now, words[2])
    for note, commands in steps:
        for words in commands:
            if words[0] == "click":
                for _ in range(int(words[3][1:]) if len(words) > 3 else 1):
                    before = driver.execute_script("return panelPage.state.actions")
                    click_control(driver, words[1], words[2])
                    wait_for(driver, "return panelPage.state.actions > %d" % before, "the click on %s %s" % tuple(words[1:3]))
            elif words[0] == "fly":
                driver.find_element(By.CSS_SELECTOR, "#speeds button[data-speed='16']").click()
                start = driver.execute_script("return panelPage.state.time")
                wait_for(driver, "return panelPage.state.time >= %f" % (start + float(words[1])), "%s s flown" % words[1])
            elif words[0] == "expect":
                wait_for(driver, expectation(words), "step %r: %s" % (note[:40], " ".join(words)))
            elif words[0] != "cycles":
                raise AssertionError("the help scenario does what the page's test cannot: " + " ".join(words))


def plain_words(driver):
    """VS from level flight, in the timeline's words and under "details"."""
    driver.find_element(By.CSS_SELECTOR, "#speeds button[data-speed='1']").click()
    click_control(driver, "autopilot", "VS")
    timeline = "return document.getElementById('timeline').textContent"
    wait_for(driver, timeline + ".includes('VS engaged at +100 ft/min')", "VS engaged at +100 ft/min in the timeline")
    text = driver.execute_script(timeline)
    for words in ("altitude reference 0 ft", "chime", "the aircraft levels off at 4000 ft"):
        assert words in text, "the timeline does not say %r:\n%s" % (words, text[-1500:])
    for internal in ("evt_", "(66", "sound library", "-> 1"):
        assert internal not in text, "the timeline shows %r:\n%s" % (internal, text[-1500:])
    driver.find_element(By.ID, "details").click()
    wait_for(driver, timeline + ".includes('evt_vertical_engage_a (66115)')", "the event names under details")
    driver.find_element(By.ID, "details").click()


def number_fields(driver):
    """A comma is a decimal point; a comma that could be either is refused under the field."""
    set_field(driver, "ap_vs_ref", "1,5")
    wait_for(driver, "return panelPage.state.tokens.ap_vs_ref === 1.5", "1,5 set as 1.5 ft/min")
    form = set_field(driver, "ap_alt_ref", "1,500")
    refusal = form.find_element(By.CLASS_NAME, "refusal")
    wait_for(driver, "return document.querySelector(\"form[data-token='ap_alt_ref'] .refusal\").textContent !== ''",
             "1,500 refused")
    assert "1500" in refusal.text and "1.5" in refusal.text, refusal.text
    set_field(driver, "ap_alt_ref", "2500.5")
    note = form.find_element(By.CLASS_NAME, "note")
    wait_for(driver, "return document.querySelector(\"form[data-token='ap_alt_ref'] .note\").textContent !== ''",
             "where 2500.5 ft is cut to whole feet")
    assert "2500 ft" in note.text, note.text


SEEN = "return [...arguments].map(id => { const e = document.getElementById(id); " \
       "return getComputedStyle(e).display !== 'none' && e.getClientRects().length > 0; })"
EDITING_TOOLS = ("add-which", "add", "remove", "download-cfg", "window")

# Every control a visitor may press; the open buttons bring up the system's file picker and are left out.
PRESS_ALL = """
const done = arguments[arguments.length - 1];
const skip = new Set(['open', 'open-folder']);
const seen = e => getComputedStyle(e).display !== 'none' && e.getClientRects().length > 0;
const pressed = [];
for (const e of document.querySelectorAll('button, a, select, input[type=checkbox], details > summary')) {
  if (skip.has(e.id) || !seen(e) || e.disabled) continue;
  if (e.tagName === 'SELECT') { e.dispatchEvent(new Event('change', { bubbles: true })); pressed.push(e.id); continue; }
  e.click();
  pressed.push(e.id || e.textContent.trim());
  await new Promise(r => setTimeout(r, 150));
}
const canvas = document.getElementById('panel'), rect = canvas.getBoundingClientRect();
for (const g of panelPage.panel.gauges)
  for (const c of g.controls) {
    const p = panelPage.pointOf(g.name, c.name);
    canvas.dispatchEvent(new MouseEvent('click', { bubbles: true, clientX: rect.left + p.x, clientY: rect.top + p.y }));
    await new Promise(r => setTimeout(r, 30));
  }
await new Promise(r => setTimeout(r, 500));
panelPage.downloaded = true;  // leaving is not held up by a question
done(pressed);
"""


def no_errors(driver, where):
    errors = [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"]
    assert not errors, "%s: the console shows errors: %r" % (where, errors[:5])


def every_control(driver, url, example, name):
    driver.get(url)
    wait_for(driver, "return window.panelPage && panelPage.ready", "the panel drawn")
    driver.get_log("browser")
    assert not any(driver.execute_script(SEEN, *EDITING_TOOLS)), \
        "%s: editing tools show with no panel configuration open: %r" % (name, driver.execute_script(SEEN, *EDITING_TOOLS))
    driver.set_script_timeout(WAIT * 2)
    pressed = driver.execute_async_script("(async () => {" + PRESS_ALL + "})()")
    assert "reset" in pressed and "download" in pressed, pressed
    no_errors(driver, name + " with no panel configuration open")
    wait_for(driver, "return panelPage.ready && panelPage.state", "the page running after every control")
    picker = driver.find_element(By.ID, "open-files")
    picker.send_keys("\n".join(os.path.join(example, n) for n in ("panel.cfg", "main_panel.bmp", "stack_panel.bmp")))
    wait_for(driver, "return panelPage.panel.document && panelPage.ready", "the example panel open")
    assert all(driver.execute_script(SEEN, *EDITING_TOOLS)), "%s: the editing tools do not show with a panel open" % name
    driver.execute_script("panelPage.selected = panelPage.panel.gauges[0].name; updateTools();")
    pressed = driver.execute_async_script("(async () => {" + PRESS_ALL + "})()")
    assert "add" in pressed and "download-cfg" in pressed, pressed
    no_errors(driver, name + " with a panel configuration open")


def png_rows(data):
    """The rows of an 8-bit RGB or RGBA PNG (a browser's screenshot), as lists of (r, g, b)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat = 8, b""
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), "a screenshot of depth %d, colour type %d" % (depth, colour)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + size
    channels = 3 if colour == 2 else 4
    raw, stride, rows, prev = zlib.decompress(idat), width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b, c = prev[i], prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        prev = line
    return rows


# The letter heights the bitmaps were drawn with: of each legend, the ink
# rows of its bitmap (rows with a pixel far from its corner colour); of each
# face, its painted lettering (light on the dark face): the commonest height
# of its light patches of three pixels or more, each letter being one.
LEGEND_INK = """
const done = arguments[arguments.length - 1];
async function pixels(bitmap) {
  const picture = await createImageBitmap(await (await fetch(panelPage.images[bitmap].src)).blob());
  const c = new OffscreenCanvas(picture.width, picture.height), x = c.getContext('2d');
  x.drawImage(picture, 0, 0);
  return { width: c.width, height: c.height, d: x.getImageData(0, 0, c.width, c.height).data };
}
function lettering({ width, height, d }) {
  const light = i => Math.min(d[4 * i], d[4 * i + 1], d[4 * i + 2]) > 170, seen = new Uint8Array(width * height);
  const heights = {};
  for (let start = 0; start < width * height; start++) {
    if (seen[start] || !light(start)) continue;
    const stack = [start];
    seen[start] = 1;
    let top = height, bottom = -1, count = 0;
    while (stack.length) {
      const i = stack.pop(), x = i % width, y = Math.floor(i / width);
      top = Math.min(top, y); bottom = Math.max(bottom, y); count++;
      for (let dy = -1; dy <= 1; dy++)
        for (let dx = -1; dx <= 1; dx++) {
          const nx = x + dx, ny = y + dy, n = ny * width + nx;
          if (nx >= 0 && ny >= 0 && nx < width && ny < height && !seen[n] && light(n)) { seen[n] = 1; stack.push(n); }
        }
    }
    if (count >= 3) heights[bottom - top + 1] = (heights[bottom - top + 1] || 0) + 1;
  }
  const common = Object.entries(heights).sort((a, b) => b[1] - a[1]);
  return common.length && common[0][1] >= 5 ? Number(common[0][0]) : 0;  // no lettering: no patch height repeats
}
(async () => {
  const out = [];
  for (const g of panelPage.panel.gauges) {
    const face = lettering(await pixels(g.face.bitmap));
    if (face) out.push({ gauge: g.name, legend: 'face lettering', ink: face });
    for (const l of g.lamps) {
      const { width, d } = await pixels(l.bitmap), rows = new Set();
      for (let i = 0; i < d.length; i += 4) {
        const far = Math.abs(d[i] - d[0]) + Math.abs(d[i + 1] - d[1]) + Math.abs(d[i + 2] - d[2]);
        if (far > 120) rows.add(Math.floor(i / 4 / width));
      }
      out.push({ gauge: g.name, legend: l.legend, ink: rows.size });
    }
  }
  done(out);
})();
"""


VIEWS = "return panelPage.panel.gauges.map(g => Object.assign({ name: g.name, width: g.face.width, height: g.face.height, " \
        "texts: g.texts }, panelPage.viewOf(g.name)))"


def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


def legible(driver, name, out):
    """Legend capitals and read-out digits drawn at least 7 CSS px high at every width; wide gauges alone on a row."""
    driver.set_script_timeout(WAIT)
    inks = driver.execute_async_script(LEGEND_INK)
    faces = {i["gauge"]: i["ink"] for i in inks if i["legend"] == "face lettering"}
    assert set(faces) >= {"altpreselector", "autopilot"}, "no face lettering found: %r" % faces
    for width in WIDTHS:
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": width, "height": 900, "deviceScaleFactor": 1, "mobile": False})
        wait_for(driver, "return innerWidth === %d && panelPage.ready" % width, "the page %d px wide" % width)
        time.sleep(0.5)  # laid out again and drawn
        views = driver.execute_script(VIEWS)
        by_name = {v["name"]: v for v in views}
        for ink in inks:
            drawn = ink["ink"] * by_name[ink["gauge"]]["sy"]
            assert drawn >= LEAST_PX, "%s at %d px: the %s legend of %s is %.1f px high" % (
                name, width, ink["legend"], ink["gauge"], drawn)
        room = driver.execute_script("return document.getElementById('panel-area').clientWidth")
        for v in views:
            if v["width"] * v["sx"] > room:
                alone = [o["name"] for o in views if o is not v and abs(o["y"] - v["y"]) < 1]
                assert not alone, "%s at %d px: %s, wider than the window, shares its row with %r" % (
                    name, width, v["name"], alone)
        # The read-outs' digits, measured in the picture drawn (the canvas, a pixel for each CSS pixel here).
        drawn = driver.execute_script("return document.getElementById('panel').toDataURL('image/png')")
        data = base64.b64decode(drawn.split(",", 1)[1])
        with open(os.path.join(out, "%s-%d.png" % (name, width)), "wb") as f:
            f.write(data)
        rows = png_rows(data)
        assert driver.execute_script(VIEWS) == views, "%s at %d px: the layout changed while it was measured" % (name, width)
        for v in views:
            for t in v["texts"]:
                colour = hex_colour(t["colour"])
                x0, y0 = int(v["x"] + t["x"] * v["sx"]), int(v["y"] + t["y"] * v["sy"])
                x1, y1 = int(v["x"] + (t["x"] + t["width"]) * v["sx"]), int(v["y"] + (t["y"] + t["height"]) * v["sy"])
                lit = [y for y in range(y0, min(y1, len(rows)))
                       if any(sum(abs(p - q) for p, q in zip(rows[y][x], colour)) < 90 for x in range(x0, min(x1, len(rows[y]))))]
                height = lit[-1] - lit[0] + 1 if lit else 0
                assert height >= LEAST_PX, "%s at %d px: the %s read-out of %s is %d px high" % (
                    name, width, t["readout"], v["name"], height)
        print("%s at %d px: legends from %.1f px, read-outs legible" % (
            name, width, min(i["ink"] * by_name[i["gauge"]]["sy"] for i in inks)))
    driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def run_in_page(driver, args, path):
    """A scenario run in the page and by `panelbench run` (from its folder, so that both name it alike)."""
    ran = subprocess.run([os.path.abspath(args.panelbench), "run", os.path.basename(path), "--module", os.path.abspath(args.module),
                          "--sound", os.path.abspath(args.sound), "--no-snapshots"],
                         cwd=os.path.dirname(os.path.abspath(path)), capture_output=True, text=True, timeout=120)
    driver.execute_script("panelPage.run = null")
    driver.find_element(By.ID, "run-file").send_keys(os.path.abspath(path))
    wait_for(driver, "return panelPage.run !== null", "the run of " + os.path.basename(path))
    run = driver.execute_script("return panelPage.run")
    verdict = ran.stdout.strip().splitlines()[-1]
    assert run["status"] == ran.returncode, "%s: the page's run ends %d (%r), panelbench run's %d" % (
        path, run["status"], run["failure"], ran.returncode)
    assert run["verdict"] == verdict, "%s: the page says %r, panelbench run %r" % (path, run["verdict"], verdict)
    assert run["failure"] == ran.stderr.strip(), "%s: the page tells %r, panelbench run %r" % (
        path, run["failure"], ran.stderr.strip())
    shown = driver.find_element(By.ID, "run-verdict").text
    assert shown == verdict, "the page shows %r" % shown
    return run


def replays(driver, args, downloads):
    """The page file runs scenarios as panelbench run does: passing, failing, and its own session downloaded."""
    run = run_in_page(driver, args, args.scenario)
    assert run["status"] == 0 and any("levels off at 4000 ft" in line or "level at 4000 ft" in line for line in run["lines"])
    timeline = driver.find_element(By.ID, "run-timeline").text
    assert "the aircraft levels off at 4000 ft" in timeline and "evt_" not in timeline, timeline[-800:]
    run = run_in_page(driver, args, args.failing)
    assert run["status"] == 1 and run["failure"], run
    for name in os.listdir(downloads):
        os.remove(os.path.join(downloads, name))
    driver.find_element(By.ID, "download").click()
    session, _ = downloaded(downloads, "session.pbs")
    run = run_in_page(driver, args, session)
    assert run["status"] == 0, run


def first_visit(driver, url, args, name, downloads):
    driver.get(url)
    wait_for(driver, "return window.panelPage && panelPage.ready && document.querySelectorAll('#help-steps li').length > 0",
             "the panel drawn and the help's steps")
    assert driver.execute_script("return document.getElementById('help').open"), "%s: the help is shut on a first visit" % name
    legible(driver, name, args.out)
    fly_help(driver, args.scenario)
    plain_words(driver)
    number_fields(driver)
    if name == "file":
        replays(driver, args, downloads)
    else:
        assert not driver.execute_script(SEEN, "run-open")[0], "the served page offers a run it cannot make"
    no_errors(driver, name + " flying the help")
    driver.find_element(By.CSS_SELECTOR, "#help summary").click()
    wait_for(driver, "return !document.getElementById('help').open", "the help closed")
    time.sleep(0.3)  # its toggle told
    driver.get(url)
    wait_for(driver, "return window.panelPage && panelPage.ready", "the page opened again")
    assert not driver.execute_script("return document.getElementById('help').open"), \
        "%s: the help, closed, opens again" % name
    print("%s: the help's %d steps flown to the level-off; closed, it stays closed" % (
        name, len(scenario_steps(args.scenario)[1])))


def main():
    parser = argparse.ArgumentParser()
    for option in ("--panelbench", "--module", "--sound", "--out", "--scenario", "--failing", "--example"):
        parser.add_argument(option, required=True)
    parser.add_argument("--page", help="the page as one file, opened from disk too")
    args = parser.parse_args()
    if args.page and not os.path.isfile(args.page):
        sys.exit("the page file %s is missing (make web writes it)" % args.page)
    os.makedirs(args.out, exist_ok=True)
    with served_browser(args, "first-visit-downloads") as (driver, url, downloads, stopped):
        pages = [(url, "served")] + ([("file://" + os.path.abspath(args.page), "file")] if args.page else [])
        for page, name in pages:
            first_visit(driver, page, args, name, downloads)
            every_control(driver, page, args.example, name)
    print("passed: the first visit%s" % (" served and from the file" if args.page else ""))


if __name__ == "__main__":
    main()
