#!/usr/bin/env python3
"""The drop shadow for real: an installer window (the main window's skin in the installer's
window frame, shown by framewindow) under Wine on an X display with a compositing manager
(xcompmgr), so that the shadow's per-pixel alpha reaches the screen. The shadow darkens the
desktop beside the window and fades outward; it follows the window when it moves, goes when
the window is maximised and comes back when it is restored. A skin's shadow image is
stretched around its window with its corners kept and its middle left clear. Screenshots
stay in the screenshots folder.

  shadow_window_test.py --framewindow framewindow.exe --wine-env scripts/wine-env --screenshots DIR

The display is the caller's DISPLAY, or an Xvfb of the test's own without one; the test
starts xcompmgr on it when it has no compositing manager yet.
"""
import argparse
import select
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

from PIL import Image

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "support"))
from x_windows import WAIT, screenshot  # noqa: E402
from xvfb_display import run_tests_on_a_display  # noqa: E402

ARGS = None
# How long the compositor may take to show a change of the windows.
SETTLE = 1.0
# The installer skins' shadow: 6 pixels beyond the window, moved 1 pixel right and down.
SIZE = 6
OFFSET = 1


def parse_state(line):
    """"state L,T,R,B shadow V L,T,R,B" -> ((L, T, R, B), visible, (L, T, R, B))."""
    words = line.split()
    if len(words) != 5 or words[0] != "state" or words[2] != "shadow":
        raise AssertionError(f"framewindow printed {line!r}")
    rect = lambda text: tuple(int(v) for v in text.split(","))  # noqa: E731
    return rect(words[1]), words[3] == "1", rect(words[4])


def darkness(pixel, desktop):
    """How much darker than the desktop a pixel is (0: not at all)."""
    return max(0, sum(desktop) - sum(pixel))


class ShadowOnScreen(unittest.TestCase):
    def setUp(self):
        # A compositing manager of the test's own, unless the display has one already (then
        # this one ends at once).
        self.compositor = subprocess.Popen(["xcompmgr"], stderr=subprocess.DEVNULL)
        self.addCleanup(self.stop, self.compositor)
        time.sleep(SETTLE)
        self.shots = Path(ARGS.screenshots)
        self.shots.mkdir(parents=True, exist_ok=True)

    def show(self, *skin):
        """framewindow showing the skin file (of the embedded archive, or of the one given)."""
        self.window = subprocess.Popen([ARGS.wine_env, "test", ARGS.framewindow, *skin],
                                       stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                       text=True)
        self.addCleanup(self.stop, self.window)

    @staticmethod
    def stop(process):
        if process.poll() is None:
            process.kill()
        process.wait(timeout=WAIT)

    def state(self):
        ready, _, _ = select.select([self.window.stdout], [], [], WAIT)
        self.assertTrue(ready, "framewindow printed no state")
        return parse_state(self.window.stdout.readline())

    def command(self, text):
        self.window.stdin.write(text + "\n")
        self.window.stdin.flush()
        return self.state()

    def shot(self, name):
        time.sleep(SETTLE)
        return screenshot(str(self.shots / f"shadow-{name}.png"))

    def assert_shadow_around(self, picture, window, name):
        """Beside each side of the window the desktop is darker, more so nearer the window,
        out to about SIZE pixels (shifted by the offset); farther out it is the desktop."""
        left, top, right, bottom = window
        desktop = picture.getpixel((2, picture.height - 3))
        middle_y = (top + bottom) // 2
        middle_x = (left + right) // 2
        # (the outward steps from the window's edge, the last pixel the shadow reaches)
        sides = {
            "left": ([(left - d, middle_y) for d in range(1, 12)], SIZE - OFFSET),
            "right": ([(right - 1 + d, middle_y) for d in range(1, 12)], SIZE + OFFSET),
            "top": ([(middle_x, top - d) for d in range(1, 12)], SIZE - OFFSET),
            "bottom": ([(middle_x, bottom - 1 + d) for d in range(1, 12)], SIZE + OFFSET),
        }
        for side, (points, reach) in sides.items():
            values = [darkness(picture.getpixel(p), desktop) for p in points]
            with self.subTest(shot=name, side=side, darkness=values):
                self.assertGreater(values[0], 0, "no shadow next to the window")
                self.assertTrue(all(a >= b for a, b in zip(values, values[1:])), "the shadow does not fade outward")
                self.assertGreater(values[reach - 2], 0, "the shadow ends too early")
                self.assertEqual(values[reach + 1:], [0] * (len(values) - reach - 1), "the shadow reaches too far")

    def close(self):
        self.window.stdin.write("close\n")
        self.window.stdin.flush()
        self.assertEqual(self.window.wait(timeout=WAIT), 0)

    def test_the_shadow_follows_the_window_and_goes_while_it_is_maximised(self):
        self.show("MainWnd.xml")
        window, visible, shadow = self.state()
        self.assertTrue(visible)
        self.assertEqual(shadow, (window[0] + OFFSET - SIZE, window[1] + OFFSET - SIZE,
                                  window[2] + OFFSET + SIZE, window[3] + OFFSET + SIZE))
        self.assert_shadow_around(self.shot("1-shown"), window, "shown")

        moved, visible, shadow = self.command("move 120 90")
        self.assertEqual(moved[:2], (120, 90))
        self.assertTrue(visible)
        picture = self.shot("2-moved")
        self.assert_shadow_around(picture, moved, "moved")
        # Where the shadow was, right of the window's old place, the desktop is back.
        desktop = picture.getpixel((2, picture.height - 3))
        old_right = [picture.getpixel((window[2] + d, (window[1] + window[3]) // 2)) for d in range(0, 6)]
        self.assertEqual(old_right, [desktop] * 6)

        maximised, visible, _ = self.command("maximize")
        self.assertEqual(maximised, (0, 0, 1024, 768))
        self.assertFalse(visible, "the shadow stays while the window is maximised")
        self.shot("3-maximised")

        restored, visible, shadow = self.command("restore")
        self.assertEqual(restored, moved)
        self.assertTrue(visible, "the shadow did not come back with the window")
        self.assert_shadow_around(self.shot("4-restored"), restored, "restored")
        self.close()

    def test_a_shadow_image_is_stretched_around_the_window_with_a_clear_middle(self):
        # A 36-pixel image whose 12-pixel frame is red at alpha 200 and whose middle is clear,
        # stretched with 12-pixel corners 12 pixels beyond a blue window.
        folder = Path(tempfile.mkdtemp(prefix="tavelo-shadow-image-"))
        image = Image.new("RGBA", (36, 36), (255, 0, 0, 200))
        image.paste((0, 0, 0, 0), (12, 12, 24, 24))
        image.save(folder / "shadow.png")
        (folder / "ShadowImageWnd.xml").write_text(
            '<?xml version="1.0" encoding="utf-8"?>\n'
            '<Window size="300,200" showshadow="TRUE" shadowimage="shadow.png" shadowcorner="12,12,12,12">\n'
            '  <VerticalLayout bkcolor="#FF2080C0"/>\n'
            '</Window>\n', encoding="utf-8")
        archive = folder / "skin.7z"
        subprocess.run(["7z", "a", "-t7z", "-bd", "-bso0", str(archive), "ShadowImageWnd.xml", "shadow.png"],
                       cwd=folder, check=True, timeout=WAIT)
        self.show("ShadowImageWnd.xml", str(archive))

        window, visible, shadow = self.state()
        self.assertTrue(visible)
        self.assertEqual(shadow, (window[0] - 12, window[1] - 12, window[2] + 12, window[3] + 12))
        picture = self.shot("5-image")
        desktop = picture.getpixel((2, picture.height - 3))
        left, top, right, bottom = window
        middle_y = (top + bottom) // 2
        for x in (left - 1, left - 6, left - 12, right, right + 11):
            red, green, blue = picture.getpixel((x, middle_y))
            self.assertGreater(red - green, 80, f"no red shadow at x={x}: {(red, green, blue)}")
        self.assertEqual(picture.getpixel((left - 13, middle_y)), desktop)
        self.assertEqual(picture.getpixel((right + 12, middle_y)), desktop)
        # The image's clear middle lies over the window, which shows as it is.
        self.assertEqual(picture.getpixel(((left + right) // 2, middle_y)), (0x20, 0x80, 0xC0))
        self.assertEqual(picture.getpixel((left + 2, top + 2)), (0x20, 0x80, 0xC0))
        self.close()


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    for option in ("--framewindow", "--wine-env", "--screenshots"):
        parser.add_argument(option, required=True)
    ARGS, rest = parser.parse_known_args()
    run_tests_on_a_display(sys.argv[0], rest)


if __name__ == "__main__":
    main()
