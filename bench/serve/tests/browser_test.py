#!/usr/bin/python3
"""A real browser flies both pages: as `panelbench serve`
offers it, and as the one file try-in-browser.html opened from disk. In each,
headless Chromium clicks ALT on the preselector's picture, sees the ALT and
SEL lamps light and the altitude read-out change in the page's own state,
clicks the autopilot's knob and sees the VS read-out step, sets both
references and the vertical speed in ft and ft/min from the side panel (and
sees an altitude out of range refused beside its field), measures the time
from a click to its lamp drawn, downloads the session, and `panelbench run`
replays the download and passes. Each page is
saved as a picture in the output folder (serve-page.png, file-page.png). The
file must make no request beyond itself: every request the browser makes for
it is of the file, or of data the page made in memory.

  browser_test.py --panelbench PATH --module PATH --sound PATH --out DIR [--page FILE.html]
"""
import argparse
import contextlib
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

WAIT = 60  # seconds any one thing may take to show (the machine may be busy)


def start_server(args):
    server = subprocess.Popen(
        [args.panelbench, "serve", "--port", "0", "--module", args.module, "--sound", args.sound],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    deadline = time.time() + WAIT
    while time.time() < deadline:
        line = server.stdout.readline()
        if not line:
            break
        if "http://" in line:
            return server, line[line.index("http://"):].split()[0]
    server.kill()
    sys.exit("the server printed no address: " + server.stderr.read())


def browser(downloads, profile):
    options = Options()
    options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile, "--window-size=1600,1000", "--autoplay-policy=no-user-gesture-required"):
        options.add_argument(flag)
    options.binary_location = "/usr/bin/chromium"
    options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                              "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
    return driver


def wait_for(driver, script, what):
    try:
        return WebDriverWait(driver, WAIT, poll_frequency=0.05).until(lambda d: d.execute_script(script))
    except TimeoutException:
        state = driver.execute_script("return JSON.stringify(window.panelPage && window.panelPage.state)")
        status = driver.execute_script("return document.getElementById('status').textContent")
        raise AssertionError("the page never showed " + what + "; status: " + repr(status) + "; state: " + str(state))


def click_control(driver, gauge, control):
    """Clicks the centre of a control on the canvas, as a person would; returns the pointer's name for it."""
    canvas = driver.find_element(By.ID, "panel")
    point = driver.execute_script("return panelPage.pointOf(arguments[0], arguments[1])", gauge, control)
    assert point, "the page knows no control %s on %s" % (control, gauge)
    size = canvas.size
    x, y = int(point["x"] - size["width"] / 2), int(point["y"] - size["height"] / 2)
    ActionChains(driver).move_to_element_with_offset(canvas, x, y).perform()
    shown = canvas.get_attribute("title")
    ActionChains(driver).move_to_element_with_offset(canvas, x, y).click().perform()
    return shown


def set_field(driver, token, value):
    """Types a value into the side panel's field for `token` and presses its Set."""
    form = driver.find_element(By.CSS_SELECTOR, "form.setting[data-token='%s']" % token)
    field = form.find_element(By.TAG_NAME, "input")
    field.clear()
    field.send_keys(str(value))
    form.find_element(By.TAG_NAME, "button").click()
    return form


CLICK_TO_LAMP = """
const [gauge, control, legend, clicks, done] = arguments;
const canvas = document.getElementById('panel'), times = [];
const rect = canvas.getBoundingClientRect(), point = panelPage.pointOf(gauge, control);
let stuck = null;
function once() {
  if (times.length === clicks) { panelPage.onDraw = null; return done({ times }); }
  const was = panelPage.lamp(gauge, legend), start = performance.now();
  // A click whose lamp never changes is told, with what the page shows, instead of waiting on.
  stuck = setTimeout(() => {
    panelPage.onDraw = null;
    done({ times, stuck: 'click ' + (times.length + 1) + ': the lamp stayed ' + was + ' for 10 s; status: "' +
      document.getElementById('status').textContent + '"; lamps: ' + JSON.stringify(panelPage.state && panelPage.state.gauges) });
  }, 10000);
  panelPage.onDraw = () => {
    if (panelPage.lamp(gauge, legend) === was) return;
    panelPage.onDraw = null;
    clearTimeout(stuck);
    times.push(performance.now() - start);
    setTimeout(once, Math.random() * 80);  // clicks fall anywhere within the panel's cycle
  };
  canvas.dispatchEvent(new MouseEvent('click', { bubbles: true, button: 0,
    clientX: rect.left + point.x, clientY: rect.top + point.y }));
}
once();
"""


def click_to_lamp(driver, name):
    """Clicks HDG on the autopilot many times and times each click until its lamp is drawn."""
    driver.set_script_timeout(WAIT * 2)
    measured = driver.execute_async_script(CLICK_TO_LAMP, "autopilot", "HDG", "HDG", 40)
    assert "stuck" not in measured, "%s: %s" % (name, measured["stuck"])
    times = sorted(measured["times"])
    p50, p95 = times[len(times) // 2], times[int(len(times) * 0.95) - 1]
    print("%s: click to lamp over %d clicks: p50 %.1f ms, p95 %.1f ms, most %.1f ms"
          % (name, len(times), p50, p95, times[-1]))
    assert p95 <= 55, "%s: a click's lamp is drawn %.1f ms after it at p95, over one panel cycle" % (name, p95)


def downloaded(downloads, name):
    path = os.path.join(downloads, name)
    deadline = time.time() + WAIT
    while not os.path.exists(path) and time.time() < deadline:
        time.sleep(0.1)
    assert os.path.exists(path), "the session was not downloaded: " + str(os.listdir(downloads))
    time.sleep(0.2)  # written whole
    with open(path) as f:
        return path, f.read()


def fly(driver, url, args, downloads, picture):
    """The page at `url`: ALT, the knob, the picture, the download replayed."""
    driver.get(url)
    wait_for(driver, "return window.panelPage && panelPage.ready && panelPage.lamp('altpreselector', 'ENT') === true",
             "the panel drawn with the preselector in entry mode")
    before = driver.execute_script("return panelPage.text('altpreselector', 'altitude')")
    assert before == "29.9", "the altitude read-out shows %r at the start" % before

    shown = click_control(driver, "altpreselector", "ALT")
    assert shown == "altpreselector ALT", "the pointer over ALT shows %r" % shown
    wait_for(driver, "return panelPage.lamp('altpreselector', 'ALT') && panelPage.lamp('altpreselector', 'SEL')",
             "the ALT and SEL lamps lit")
    wait_for(driver, "return panelPage.text('altpreselector', 'altitude') === ' 3.0'",
             "the altitude read-out showing the reference")

    vs_before = driver.execute_script("return panelPage.text('altpreselector', 'vs')")
    click_control(driver, "autopilot", "knob-inc")
    wait_for(driver, "return panelPage.text('altpreselector', 'vs') === '+1'",
             "the VS read-out stepped from %r to +1" % vs_before)
    wait_for(driver, "return document.getElementById('timeline').textContent.includes('autopilot: turn the knob up')",
             "the knob's click in the timeline")
    # The wheel over the knob turns it too: up one step.
    canvas = driver.find_element(By.ID, "panel")
    point = driver.execute_script("return panelPage.pointOf('autopilot', 'knob-dec')")
    size = canvas.size
    origin = ScrollOrigin.from_element(canvas, int(point["x"] - size["width"] / 2), int(point["y"] - size["height"] / 2))
    ActionChains(driver).scroll_from_origin(origin, 0, -100).perform()
    wait_for(driver, "return panelPage.text('altpreselector', 'vs') === '+2'", "the VS read-out stepped by the wheel to +2")
    # The references set directly from the side panel, in ft and ft/min.
    set_field(driver, "ap_vs_ref", 500)
    wait_for(driver, "return panelPage.text('altpreselector', 'vs') === '+5'", "the VS reference set to 500 ft/min")
    set_field(driver, "ap_alt_ref", 5000)
    wait_for(driver, "return panelPage.text('altpreselector', 'altitude') === ' 5.0'",
             "the altitude reference set to 5,000 ft")
    # Out of range: refused beside the field, and nothing sent.
    form = set_field(driver, "altitude", 70000)
    refusal = form.find_element(By.CLASS_NAME, "refusal")
    WebDriverWait(driver, WAIT).until(lambda d: refusal.text)
    assert "60000 ft" in refusal.text, "the refusal says %r" % refusal.text
    field = form.find_element(By.TAG_NAME, "input")
    gap = refusal.location["y"] - (field.location["y"] + field.size["height"])
    assert 0 <= gap < 40, "the refusal is %d px from its field" % gap
    set_field(driver, "vertical_speed", 1000)
    wait_for(driver, "return document.getElementById('timeline').textContent.includes('vertical speed set to 1000 ft/min')",
             "the vertical speed set in ft/min in the timeline")
    wait_for(driver, "return document.getElementById('vs').textContent === '1000 ft/min'",
             "the vertical speed read in ft/min")
    assert "altitude set to 70000" not in driver.find_element(By.ID, "timeline").text
    click_to_lamp(driver, "the served page" if url.startswith("http") else "the page file")

    # The read-outs are in the seven-segment typeface the page carries or fetches.
    assert driver.execute_script("return [...document.fonts].some(f => f.family === 'DSEG7' && f.status === 'loaded')"), \
        "the DSEG7 typeface is not loaded"

    time.sleep(0.3)  # a few more frames, so the picture shows settled read-outs
    driver.save_screenshot(picture)

    for name in os.listdir(downloads):
        os.remove(os.path.join(downloads, name))
    driver.find_element(By.ID, "download").click()
    session, text = downloaded(downloads, "session.pbs")
    assert "click altpreselector " in text and "# ALT" in text, text
    assert "expect lamp altpreselector SEL on" in text, text
    assert "set vertical_speed 1000\n" in text and "set ap_alt_ref 5000\n" in text, text
    # The clock started at the first click: no idle time before it.
    assert "set ap_master 1\ncycles 1\nclick altpreselector " in text, text

    replay = subprocess.run([args.panelbench, "run", session, "--module", args.module, "--sound", args.sound,
                             "--no-snapshots"], capture_output=True, text=True, timeout=60)
    assert replay.returncode == 0, "the replay failed:\n" + replay.stdout[-3000:] + replay.stderr
    print(replay.stdout.splitlines()[-1])
    print("screenshot:", picture)


@contextlib.contextmanager
def served_browser(args, downloads_name):
    """A server and a browser for one test, in the output folder: yields the
    browser, the server's address, an empty downloads folder and a list that,
    once the block ends, holds how the server ended on Ctrl-C (status,
    output, error output)."""
    os.makedirs(args.out, exist_ok=True)
    downloads = os.path.join(args.out, downloads_name)
    shutil.rmtree(downloads, ignore_errors=True)
    os.makedirs(downloads)
    profile = tempfile.mkdtemp(prefix="panelbench-browser-")
    server, url = start_server(args)
    driver, stopped = None, []
    try:
        driver = browser(downloads, profile)
        yield driver, url, downloads, stopped
    finally:
        if driver:
            driver.quit()
        shutil.rmtree(profile, ignore_errors=True)
        server.send_signal(signal.SIGINT)
        try:
            out, err = server.communicate(timeout=WAIT)
        except subprocess.TimeoutExpired:
            server.kill()
            raise AssertionError("the server did not stop on Ctrl-C")
        stopped.extend([server.returncode, out, err])


def requests_made(driver):
    """The addresses of every request the browser sent since last asked."""
    urls = []
    for entry in driver.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message["method"] == "Network.requestWillBeSent":
            urls.append(message["params"]["request"]["url"])
        elif message["method"] == "Network.webSocketCreated":
            urls.append(message["params"]["url"])
    return urls


def main():
    parser = argparse.ArgumentParser()
    for name in ("--panelbench", "--module", "--sound", "--out"):
        parser.add_argument(name, required=True)
    parser.add_argument("--page", help="the page as one file, flown from disk too")
    args = parser.parse_args()
    if args.page and not os.path.isfile(args.page):
        sys.exit("the page file %s is missing (make web writes it)" % args.page)
    with served_browser(args, "downloads") as (driver, url, downloads, stopped):
        fly(driver, url, args, downloads, os.path.join(args.out, "serve-page.png"))
        if args.page:
            # The served page left behind, and its last requests forgotten.
            driver.get("about:blank")
            time.sleep(0.5)
            requests_made(driver)
            page = "file://" + os.path.abspath(args.page)
            fly(driver, page, args, downloads, os.path.join(args.out, "file-page.png"))
            wait_for(driver, "return panelPage.lamp('altpreselector', 'ENT') !== undefined", "the page still running")
            # A new session is a fresh module: ALT is dark again.
            driver.find_element(By.ID, "reset").click()
            wait_for(driver, "return panelPage.ready && panelPage.state && panelPage.state.cycle > 0 && "
                     "panelPage.lamp('altpreselector', 'ALT') === false && panelPage.lamp('altpreselector', 'ENT') === true",
                     "a new session with the preselector back in entry mode")
            seen = requests_made(driver)
            outside = [u for u in seen if not (u == page or u.startswith(("data:", "blob:", "about:")))]
            assert not outside, "the page file made requests beyond itself: " + repr(outside[:10])
            assert page in seen, "no request for the page itself was seen: the check saw nothing: " + repr(seen[:5])
            print("the page file: %d requests, all of itself or of its own data" % len(seen))
    returncode, out, err = stopped
    assert returncode == 0 and "stopped" in out, "Ctrl-C did not end the server cleanly (%s): %s" % (returncode, err)
    print("passed: the page in a browser%s, its session replayed, the server stopped cleanly"
          % (" served and from the file" if args.page else ""))


if __name__ == "__main__":
    main()
