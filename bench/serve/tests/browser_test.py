#!/usr/bin/python3
"""A real browser flies the page: headless Chromium loads what
`panelbench serve` offers, clicks ALT on the preselector's picture, sees the
ALT and SEL lamps light and the altitude read-out change in the page's own
state, clicks the autopilot's knob and sees the VS read-out step, downloads
the session, and `panelbench run` replays the download and passes. The page
is saved as a picture (serve-page.png) in the output folder.

  browser_test.py --panelbench PATH --module PATH --sound PATH --out DIR
"""
import argparse
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
        state = driver.execute_script("return JSON.stringify(window.bench && window.bench.state)")
        status = driver.execute_script("return document.getElementById('status').textContent")
        raise AssertionError("the page never showed " + what + "; status: " + repr(status) + "; state: " + str(state))


def click_control(driver, gauge, control):
    """Clicks the centre of a control on the canvas, as a person would; returns the pointer's name for it."""
    canvas = driver.find_element(By.ID, "panel")
    point = driver.execute_script("return bench.pointOf(arguments[0], arguments[1])", gauge, control)
    assert point, "the page knows no control %s on %s" % (control, gauge)
    size = canvas.size
    x, y = int(point["x"] - size["width"] / 2), int(point["y"] - size["height"] / 2)
    ActionChains(driver).move_to_element_with_offset(canvas, x, y).perform()
    shown = canvas.get_attribute("title")
    ActionChains(driver).move_to_element_with_offset(canvas, x, y).click().perform()
    return shown


def main():
    parser = argparse.ArgumentParser()
    for name in ("--panelbench", "--module", "--sound", "--out"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    downloads = os.path.join(args.out, "downloads")
    shutil.rmtree(downloads, ignore_errors=True)
    os.makedirs(downloads)
    profile = tempfile.mkdtemp(prefix="panelbench-browser-")
    server, url = start_server(args)
    driver = None
    try:
        driver = browser(downloads, profile)
        driver.get(url)
        wait_for(driver, "return window.bench && bench.ready && bench.lamp('altpreselector', 'ENT') === true",
                 "the panel drawn with the preselector in entry mode")
        before = driver.execute_script("return bench.text('altpreselector', 'altitude')")
        assert before == "29.9", "the altitude read-out shows %r at the start" % before

        shown = click_control(driver, "altpreselector", "ALT")
        assert shown == "altpreselector ALT", "the pointer over ALT shows %r" % shown
        wait_for(driver, "return bench.lamp('altpreselector', 'ALT') && bench.lamp('altpreselector', 'SEL')",
                 "the ALT and SEL lamps lit")
        wait_for(driver, "return bench.text('altpreselector', 'altitude') === ' 3.0'",
                 "the altitude read-out showing the reference")

        vs_before = driver.execute_script("return bench.text('altpreselector', 'vs')")
        click_control(driver, "autopilot", "knob-inc")
        wait_for(driver, "return bench.text('altpreselector', 'vs') === '+1'",
                 "the VS read-out stepped from %r to +1" % vs_before)
        wait_for(driver, "return document.getElementById('timeline').textContent.includes('click autopilot knob-inc')",
                 "the knob's click in the timeline")

        time.sleep(0.3)  # a few more frames, so the picture shows settled read-outs
        picture = os.path.join(args.out, "serve-page.png")
        driver.save_screenshot(picture)

        driver.find_element(By.ID, "download").click()
        session = os.path.join(downloads, "session.pbs")
        deadline = time.time() + WAIT
        while not os.path.exists(session) and time.time() < deadline:
            time.sleep(0.1)
        assert os.path.exists(session), "the session was not downloaded: " + str(os.listdir(downloads))
        with open(session) as f:
            text = f.read()
        assert "click altpreselector " in text and "# ALT" in text, text
        assert "expect lamp altpreselector SEL on" in text, text

        replay = subprocess.run([args.panelbench, "run", session, "--module", args.module, "--sound", args.sound,
                                 "--no-snapshots"], capture_output=True, text=True, timeout=60)
        assert replay.returncode == 0, "the replay failed:\n" + replay.stdout[-3000:] + replay.stderr
        print(replay.stdout.splitlines()[-1])
        print("screenshot:", picture)
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
    assert server.returncode == 0 and "stopped" in out, \
        "Ctrl-C did not end the server cleanly (%s): %s" % (server.returncode, err)
    print("passed: the page in a browser, its session replayed, the server stopped cleanly")


if __name__ == "__main__":
    main()
