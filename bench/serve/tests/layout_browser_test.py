#!/usr/bin/python3
"""A real browser places our gauges in a panel configuration of its own, in
both pages: as `panelbench serve` offers it, and as the one file
try-in-browser.html opened from disk. In each, a headless browser opens the
example panel (panel.cfg with its two background pictures) through the
page's file picker, chooses the second window, sees it drawn on its picture,
drags the autopilot and downloads the file (exactly the autopilot's line
differs), resizes the preselector by its corner handle, nudges it with the
arrow keys and back, adds a gauge and
takes it out again, and downloads once more: exactly the two lines differ,
and every other byte is as it was. Last, a folder as "Open folder…" gives it
is opened: the configuration nearest the top is taken, and its picture is
found in another case. Each page is saved as a picture in the
output folder (layout-serve.png, layout-file.png).

  layout_browser_test.py --panelbench PATH --module PATH --sound PATH --out DIR --example DIR [--page FILE.html]
"""
import argparse
import base64
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser_test import WAIT, served_browser, wait_for  # noqa: E402

from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import Select  # noqa: E402


def download_config(driver, downloads):
    """Presses "Download panel.cfg" and returns the file's bytes."""
    for name in os.listdir(downloads):
        os.remove(os.path.join(downloads, name))
    driver.find_element(By.ID, "download-cfg").click()
    path = os.path.join(downloads, "panel.cfg")
    deadline = time.time() + WAIT
    while not os.path.exists(path) and time.time() < deadline:
        time.sleep(0.1)
    assert os.path.exists(path), "panel.cfg was not downloaded: " + str(os.listdir(downloads))
    time.sleep(0.2)  # written whole
    with open(path, "rb") as f:
        return f.read()


def differing_lines(before, after):
    """The numbers of the lines that differ; both files must have as many lines, with the same line ends."""
    a, b = before.split(b"\n"), after.split(b"\n")
    assert len(a) == len(b), "the download has %d lines, the original %d" % (len(b), len(a))
    return [i + 1 for i in range(len(a)) if a[i] != b[i]]


def drag(driver, start, offset):
    """Presses at `start` (CSS pixels from the canvas's top left), moves by `offset` in steps, and lets go."""
    canvas = driver.find_element(By.ID, "panel")
    size = canvas.size
    x, y = int(start[0] - size["width"] / 2), int(start[1] - size["height"] / 2)
    chain = ActionChains(driver).move_to_element_with_offset(canvas, x, y).click_and_hold()
    steps = 6
    for _ in range(steps):
        chain.move_by_offset(offset[0] // steps, offset[1] // steps)
    chain.move_by_offset(offset[0] - offset[0] // steps * steps, offset[1] - offset[1] // steps * steps)
    chain.release().perform()


def gauge(driver, name):
    return driver.execute_script("return panelPage.panel.gauges.find(g => g.name === arguments[0])", name)


def place(driver, url, example, downloads, picture):
    driver.get(url)
    wait_for(driver, "return window.panelPage && panelPage.ready", "the panel drawn")
    with open(os.path.join(example, "panel.cfg"), "rb") as f:
        original = f.read()
    lines = original.split(b"\n")
    autopilot_line = next(i + 1 for i, l in enumerate(lines) if l.startswith(b"gauge00=vmq_Tavok22ap!autopilot"))
    preselector_line = next(i + 1 for i, l in enumerate(lines) if l.startswith(b"gauge02=vmq_Tavok22ap!altpreselector"))

    # Opened as a person picks them: the configuration and its folder's pictures.
    picker = driver.find_element(By.ID, "open-files")
    picker.send_keys("\n".join(os.path.join(example, name) for name in ("panel.cfg", "main_panel.bmp", "stack_panel.bmp")))
    wait_for(driver, "return panelPage.panel.document && panelPage.panel.section === 'Window00' && panelPage.background && panelPage.ready",
             "the example's first window on its picture")
    Select(driver.find_element(By.ID, "window")).select_by_value("1")
    wait_for(driver, "return panelPage.panel.section === 'Window01' && panelPage.background && panelPage.background.width === 250 "
             "&& panelPage.ready && panelPage.state && panelPage.state.gauges.length === 3",
             "the second window on its own picture, with our three gauges")
    boxes = driver.execute_script("return panelPage.panel.boxes.map(b => b.label)")
    assert boxes == ["other_gauges!transponder"], "the other file's gauge is not a labelled box: %r" % boxes

    # The autopilot dragged right by about 460 window units, down by about 10.
    scale = driver.execute_script("return panelPage.scale")
    before = gauge(driver, "autopilot")
    box = driver.execute_script("return panelPage.boxOf('autopilot')")
    drag(driver, (box["x"] + box["width"] * 0.4, box["y"] + 6), (round(460 * scale), round(10 * scale)))
    wait_for(driver, "return panelPage.panel.document.changes.length === 1", "the moved autopilot's line among the changes")
    moved = gauge(driver, "autopilot")
    assert abs(moved["x"] - 480) <= 3 and abs(moved["y"] - 40) <= 3, "the autopilot went to %r" % moved
    assert moved["width"] == before["width"] == 500, "a drag changed the autopilot's size: %r" % moved
    assert driver.execute_script("return panelPage.lamp('autopilot', 'HDG')") is False, "the autopilot stopped running"
    # Its numbers keep the columns they were lined up in ("      20,  30, 500").
    expected_autopilot = "gauge00=vmq_Tavok22ap!autopilot,%8d,%4d, 500" % (moved["x"], moved["y"])
    assert expected_autopilot in driver.find_element(By.ID, "changes").text, driver.find_element(By.ID, "changes").text

    after_move = download_config(driver, downloads)
    assert differing_lines(original, after_move) == [autopilot_line], \
        "the download after one drag differs in lines %r" % differing_lines(original, after_move)
    assert after_move.split(b"\n")[autopilot_line - 1] == expected_autopilot.encode()

    # The preselector made wider by its corner handle; its line gives no height, so the face keeps its aspect.
    box = driver.execute_script("return panelPage.boxOf('altpreselector')")
    drag(driver, (box["x"] + box["width"] - 3, box["y"] + box["height"] - 3), (round(60 * scale), round(40 * scale)))
    wait_for(driver, "return panelPage.panel.document.changes.length === 2", "the resized preselector's line among the changes")
    resized = gauge(driver, "altpreselector")
    assert abs(resized["width"] - 360) <= 3 and (resized["x"], resized["y"]) == (20, 220), \
        "the preselector became %r" % resized
    face = resized["face"]
    assert resized["height"] == (resized["width"] * face["height"] + face["width"] // 2) // face["width"], \
        "the preselector's height does not keep its face's aspect: %r" % resized

    # The arrow keys nudge the gauge last pressed on (the preselector) by a window unit.
    body = driver.find_element(By.TAG_NAME, "body")
    body.send_keys(Keys.ARROW_RIGHT)
    wait_for(driver, "return panelPage.panel.gauges.find(g => g.name === 'altpreselector').x === 21",
             "the preselector nudged right by one unit")
    body.send_keys(Keys.ARROW_LEFT)
    wait_for(driver, "return panelPage.panel.gauges.find(g => g.name === 'altpreselector').x === 20 && "
             "panelPage.panel.document.changes.length === 2", "the preselector nudged back")

    # A gauge added, and taken out again: the panel is laid out anew each time.
    Select(driver.find_element(By.ID, "add-which")).select_by_value("vcaltpreselector")
    driver.find_element(By.ID, "add").click()
    wait_for(driver, "return panelPage.panel.gauges.some(g => g.name === 'vcaltpreselector') && panelPage.ready && "
             "panelPage.state && panelPage.state.gauges.length === 4", "the added gauge running on the panel")
    assert "(added)" in driver.find_element(By.ID, "changes").text
    box = driver.execute_script("return panelPage.boxOf('vcaltpreselector')")
    canvas = driver.find_element(By.ID, "panel")
    size = canvas.size
    ActionChains(driver).move_to_element_with_offset(
        canvas, int(box["x"] + box["width"] / 2 - size["width"] / 2), int(box["y"] + 4 - size["height"] / 2)).click().perform()
    remove = driver.find_element(By.ID, "remove")
    assert remove.text == "Remove vcaltpreselector", "the remove button reads %r" % remove.text
    remove.click()
    wait_for(driver, "return !panelPage.panel.gauges.some(g => g.name === 'vcaltpreselector') && panelPage.ready && "
             "panelPage.panel.document.changes.length === 2", "the added gauge taken out again")

    time.sleep(0.3)
    driver.save_screenshot(picture)
    final = download_config(driver, downloads)
    assert differing_lines(original, final) == [autopilot_line, preselector_line], \
        "the final download differs in lines %r" % differing_lines(original, final)
    assert final.split(b"\n")[preselector_line - 1] == (
        "gauge02=vmq_Tavok22ap!altpreselector, 20, 220, %d" % resized["width"]).encode()
    # An aircraft's folder as "Open folder…" gives it: the configuration nearest the top is taken
    # (not the one in a folder beneath), and its picture found whatever the case of its name.
    with open(os.path.join(example, "main_panel.bmp"), "rb") as f:
        picture_bytes = f.read()
    driver.execute_script("""
      const [config, picture] = [...arguments].map(text => Uint8Array.from(atob(text), c => c.charCodeAt(0)));
      const file = (bytes, name) => new File([bytes], name);
      openFiles([
        { path: 'Plane/panel/old/panel.cfg', file: file(new TextEncoder().encode('not a panel'), 'panel.cfg') },
        { path: 'Plane/panel/PANEL.CFG', file: file(config, 'PANEL.CFG') },
        { path: 'Plane/panel/MAIN_PANEL.BMP', file: file(picture, 'MAIN_PANEL.BMP') },
      ]);""", base64.b64encode(original).decode(), base64.b64encode(picture_bytes).decode())
    wait_for(driver, "return panelPage.panel.document.name === 'PANEL.CFG' && panelPage.panel.section === 'Window00' && "
             "panelPage.background && panelPage.background.width === 256 && panelPage.ready",
             "the folder's own configuration on its picture, found in another case")

    print("%s: moved, resized, added and removed; the download differs in exactly lines %d and %d"
          % (url.split(":")[0], autopilot_line, preselector_line))
    print("screenshot:", picture)


def main():
    parser = argparse.ArgumentParser()
    for name in ("--panelbench", "--module", "--sound", "--out", "--example"):
        parser.add_argument(name, required=True)
    parser.add_argument("--page", help="the page as one file, used from disk too")
    args = parser.parse_args()
    for path in (args.page, os.path.join(args.example, "stack_panel.bmp")):
        if path and not os.path.isfile(path):
            sys.exit("%s is missing (the build writes it)" % path)
    example = os.path.abspath(args.example)
    with served_browser(args, "layout-downloads") as (driver, url, downloads, _):
        place(driver, url, example, downloads, os.path.join(args.out, "layout-serve.png"))
        if args.page:
            place(driver, "file://" + os.path.abspath(args.page), example, downloads,
                  os.path.join(args.out, "layout-file.png"))
    print("passed: our gauges placed in a panel configuration, in the page%s" %
          (" served and from the file" if args.page else ""))


if __name__ == "__main__":
    main()
