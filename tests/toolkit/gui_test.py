#!/usr/bin/env python3
"""Real skinned windows under Wine and an X display: each skin shown by skinview, screenshot
and checked at chosen pixels; real pointer and keyboard input with xdotool (a click, typing
into an edit, hovering a button, dragging the caption).

  gui_test.py --skinview build/windows/bin/skinview.exe --wine-env scripts/wine-env
              --screenshots DIR [unittest arguments]

The display is the caller's DISPLAY (the test command starts one Xvfb for the run); without
one, the test starts an Xvfb of its own. Screenshots of every case stay in DIR.
"""
import argparse
import os
import queue
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_windows import WAIT, Layout, geometry, run, screenshot, settled, wait_painted  # noqa: E402
from xvfb_display import run_tests_on_a_display  # noqa: E402

ARGS = None

SKINS = ["MainWnd.xml", "MessageBox1Wnd.xml", "MessageBox2Wnd.xml", "NetworkTipWnd.xml", "exitTipWnd.xml",
         "InstalledPathTipWnd.xml"]


class Viewer:
    """One skinview process showing a skin; its output lines read as they come."""

    def __init__(self, skin, *options):
        self.skin = skin
        self.lines = queue.Queue()
        self.seen = []
        # Wine's own messages and skinview's errors, shown when a case fails.
        self.errors = tempfile.TemporaryFile(mode="w+", encoding="utf-8", errors="replace")
        self.process = subprocess.Popen([ARGS.wine_env, "test", ARGS.skinview, skin, *options],
                                        stdout=subprocess.PIPE, stderr=self.errors, text=True,
                                        encoding="utf-8")
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        self.layout = Layout()
        while (line := self.next_line()) != "showing":
            self.layout.add(line)
        self.controls, self.shown, self.root = self.layout.controls, self.layout.shown, self.layout.root
        self.window = run("xdotool", "search", "--sync", "--name", f"^{skin} - skinview$").split()[0]
        wait_painted(self.window, os.path.join(ARGS.screenshots, "waiting.png"))

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def next_line(self):
        try:
            line = self.lines.get(timeout=WAIT)
        except queue.Empty:
            raise AssertionError(f"skinview {self.skin} printed nothing more after {self.seen[-3:]}")
        if line is None:
            self.errors.seek(0)
            raise AssertionError(f"skinview {self.skin} ended after {self.seen[-3:]}: {self.errors.read()[-2000:]}")
        self.seen.append(line)
        return line

    def expect(self, wanted):
        """Reads lines until one equals wanted (the lines before it are kept in seen)."""
        while self.next_line() != wanted:
            pass

    def position(self):
        return geometry(self.window)

    def screenshot(self, name):
        return screenshot(os.path.join(ARGS.screenshots, name + ".png"), self.window)

    def centre(self, name):
        return self.layout.centre(name, self.position()[:2])

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(timeout=WAIT)
        self.reader.join(timeout=WAIT)
        self.process.stdout.close()
        self.errors.close()


def count(image, predicate):
    return sum(1 for pixel in image.getdata() if predicate(pixel))


def near(pixel, colour, tolerance=24):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, colour))


def dark(pixel):
    return sum(pixel) < 3 * 110


def white(pixel):
    return min(pixel) > 225


def light(pixel):
    return min(pixel) > 190


def bluish(pixel):
    return pixel[2] > pixel[0] + 60


class SkinsAreDrawn(unittest.TestCase):
    """Each skin as the viewer shows it: its size, background, a button and its texts."""

    # skin: (pixel checks (control, offset in it, expected colour or test),
    #        text checks (control, text pixel test, least number of such pixels))
    CHECKS = {
        "MainWnd.xml": (
            [("winCtn", (300, 120), bluish), ("defaultInstallBtn", (20, 40), white)],
            [("treatyBtn", light, 15)]),
        "MessageBox1Wnd.xml": (
            [("textLbl", (2, 2), (255, 255, 255)), ("captionLbl", (-10, 2), (0xF4, 0xF8, 0xFC)),
             ("okBtn", (6, 17), (0x4B, 0xB5, 0xF1))],
            [("captionLbl", dark, 20), ("textLbl", dark, 20), ("okBtn", white, 20)]),
        "MessageBox2Wnd.xml": (
            [("textLbl", (2, 2), (255, 255, 255))],
            [("captionLbl", dark, 20), ("textLbl", dark, 20)]),
        "NetworkTipWnd.xml": (
            [("captionLbl", (-10, 2), (0xF4, 0xF8, 0xFC)), ("okBtn", (4, 17), bluish)],
            [("captionLbl", dark, 40), ("textLbl", dark, 80), ("okBtn", white, 20)]),
        "exitTipWnd.xml": (
            [("captionLbl", (-10, 2), (0x1A, 0x83, 0xE5)), ("okBtn", (4, 15), bluish)],
            [("captionLbl", white, 20), ("textLbl", dark, 80)]),
        "InstalledPathTipWnd.xml": (
            [("captionLbl", (-10, 2), (0xF4, 0xF8, 0xFC)), ("okBtn", (4, 17), bluish)],
            [("captionLbl", dark, 40), ("textLbl", dark, 80), ("cancelBtn", dark, 20)]),
    }

    def test_each_skin(self):
        for skin in SKINS:
            with self.subTest(skin=skin):
                viewer = Viewer(skin)
                try:
                    self.check(viewer, skin)
                finally:
                    viewer.close()

    def check(self, viewer, skin):
        shot = viewer.screenshot(skin)
        self.assertEqual(shot.size, (viewer.root[2] - viewer.root[0], viewer.root[3] - viewer.root[1]))
        pixels, texts = self.CHECKS[skin]
        for name, (dx, dy), expected in pixels:
            left, top, right, bottom = viewer.controls[name]
            x = left + dx  # a negative offset is left of the control
            pixel = shot.getpixel((x, top + dy))
            if callable(expected):
                self.assertTrue(expected(pixel), f"{skin} {name} at {(x, top + dy)}: {pixel}")
            else:
                self.assertTrue(near(pixel, expected), f"{skin} {name} at {(x, top + dy)}: {pixel} != {expected}")
        for name, test, least in texts:
            found = count(shot.crop(viewer.controls[name]), test)
            self.assertGreaterEqual(found, least, f"{skin} {name}: {found} text pixels")


    def test_the_progress_bar_fills_the_share_of_its_value(self):
        viewer = Viewer("MainWnd.xml", "--select", "mainTabLt=2", "--value", "installPrg=50")
        try:
            shot = viewer.screenshot("MainWnd.progress")
            left, top, right, bottom = viewer.controls["installPrg"]
            middle = (top + bottom) // 2
            filled = shot.getpixel((left + (right - left) // 4, middle))
            empty = shot.getpixel((left + 3 * (right - left) // 4, middle))
            self.assertFalse(near(filled, empty), f"filled {filled}, empty {empty}")
        finally:
            viewer.close()


class PointerAndKeyboard(unittest.TestCase):
    """Real input from xdotool reaches the controls."""

    def setUp(self):
        self.viewer = None

    def tearDown(self):
        if self.viewer is not None:
            self.viewer.close()

    def test_click_on_a_button_arrives_and_closes_the_window(self):
        self.viewer = Viewer("MessageBox1Wnd.xml")
        run("xdotool", "mousemove", *map(str, self.viewer.centre("okBtn")), "click", "1")
        self.viewer.expect("click okBtn")
        self.viewer.expect("closed 0")
        self.assertEqual(self.viewer.process.wait(timeout=WAIT), 0)

    def test_a_press_released_elsewhere_is_no_click(self):
        self.viewer = Viewer("exitTipWnd.xml")
        x, y = self.viewer.centre("okBtn")
        run("xdotool", "mousemove", str(x), str(y), "mousedown", "1", "mousemove", str(x), str(y + 40),
            "mouseup", "1")
        # Then a real click on the other button: the first line after the window showed is it.
        run("xdotool", "mousemove", *map(str, self.viewer.centre("cancelBtn")), "click", "1")
        self.assertEqual(self.viewer.next_line(), "click cancelBtn")
        self.viewer.expect("closed 1")

    def test_typing_changes_the_edit(self):
        self.viewer = Viewer("MainWnd.xml", "--select", "mainTabLt=1")
        self.assertIn("tabselect mainTabLt 1", self.viewer.seen)
        self.assertTrue(self.viewer.shown["installDirEdit"])
        run("xdotool", "mousemove", *map(str, self.viewer.centre("installDirEdit")), "click", "1")
        run("xdotool", "type", "--delay", "60", "D:\\Apps")
        self.viewer.expect("textchanged installDirEdit D:\\Apps")
        edit = self.viewer.controls["installDirEdit"]
        shot = settled(lambda: self.viewer.screenshot("MainWnd.typed"), lambda image: count(image.crop(edit), dark) >= 20)
        self.assertGreaterEqual(count(shot.crop(edit), dark), 20)

    def test_hovering_a_button_shows_its_hot_image(self):
        # The window must not open under the pointer: a button it opens over is hot at once,
        # and the picture taken "before" would already show the hot image.
        run("xdotool", "mousemove", "0", "0")
        self.viewer = Viewer("MainWnd.xml")
        box = self.viewer.controls["defaultInstallBtn"]
        x, y, _, _ = self.viewer.position()
        run("xdotool", "mousemove", str(x + 5), str(y + 380))  # away from every button
        before = self.viewer.screenshot("MainWnd.normal").crop(box)
        run("xdotool", "mousemove", *map(str, self.viewer.centre("defaultInstallBtn")))
        deadline = time.monotonic() + WAIT
        while True:
            after = self.viewer.screenshot("MainWnd.hot").crop(box)
            differing = sum(1 for a, b in zip(before.getdata(), after.getdata()) if a != b)
            if differing > 100 or time.monotonic() > deadline:
                break
            time.sleep(0.2)
        self.assertGreater(differing, 100, "the button looks the same under the pointer")

    def test_dragging_the_caption_moves_the_window(self):
        self.viewer = Viewer("MessageBox2Wnd.xml")
        x, y, _, _ = self.viewer.position()
        caption = self.viewer.controls["captionLbl"]
        grab_x, grab_y = x + caption[0] + 60, y + 10
        run("xdotool", "mousemove", str(grab_x), str(grab_y), "mousedown", "1")
        for step in range(1, 11):
            run("xdotool", "mousemove", str(grab_x + 12 * step), str(grab_y + 6 * step))
            time.sleep(0.05)
        run("xdotool", "mouseup", "1")
        deadline = time.monotonic() + WAIT
        while self.viewer.position()[:2] == (x, y) and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertEqual(self.viewer.position()[:2], (x + 120, y + 60))
        self.viewer.screenshot("MessageBox2Wnd.moved")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--skinview", required=True)
    parser.add_argument("--wine-env", required=True)
    parser.add_argument("--screenshots", required=True)
    ARGS, rest = parser.parse_known_args()
    os.makedirs(ARGS.screenshots, exist_ok=True)
    run_tests_on_a_display(sys.argv[0], rest)


if __name__ == "__main__":
    main()
