#!/usr/bin/env python3
"""Start to first painted frame under Wine and Xvfb: skinview showing MainWnd.xml against a
bare Win32 program that paints one empty window, in the same run, several times each.

A frame counts as painted once the window is on the display and the pixels at its centre
are no longer the display's black. Both programs are measured the same way, so the
difference is the toolkit's cost (skin archive, XML, images, GDI+). Also prints the sizes
of the executables. Run it after the Windows build: bench/first_paint.py [runs]
"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from xvfb_display import own_display  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(os.environ.get("TAVELO_BUILD_ROOT", os.path.join(ROOT, "build")), "windows", "bin")
WINE_ENV = os.path.join(ROOT, "scripts", "wine-env")


def output(*command):
    return subprocess.run(command, capture_output=True, text=True, timeout=30).stdout.strip()


def centre_painted(title):
    """True once a visible window of that title shows non-black pixels at its centre."""
    window = output("xdotool", "search", "--onlyvisible", "--name", title)
    if not window:
        return False
    geometry = dict(line.split("=") for line in output("xdotool", "getwindowgeometry", "--shell",
                                                       window.split()[0]).splitlines() if "=" in line)
    x = int(geometry["X"]) + int(geometry["WIDTH"]) // 2
    y = int(geometry["Y"]) + int(geometry["HEIGHT"]) // 2
    pixel = output("import", "-display", os.environ["DISPLAY"], "-window", "root", "-crop", f"4x4+{x}+{y}",
                   "-format", "%[fx:maxima.r+maxima.g+maxima.b]", "info:")
    return pixel not in ("", "0")


def first_paint(program, arguments, title):
    start = time.monotonic()
    process = subprocess.Popen([WINE_ENV, "test", os.path.join(BIN, program), *arguments],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while time.monotonic() - start < 60:
            if centre_painted(title):
                return time.monotonic() - start
            time.sleep(0.01)
        raise RuntimeError(f"{program} never painted")
    finally:
        process.kill()
        process.wait()
        subprocess.run(["xdotool", "search", "--name", title, "windowkill"], capture_output=True)
        time.sleep(0.5)


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    xvfb = None if os.environ.get("DISPLAY") else own_display()
    subprocess.run([WINE_ENV, "start"], check=True)
    try:
        cases = [("bare_window.exe", [], "Bare"), ("skinview.exe", ["MainWnd.xml"], "MainWnd.xml - skinview")]
        first_paint(*cases[1])  # warms Wine's own start-up (services, fonts) for both
        times = {program: [] for program, _, _ in cases}
        for _ in range(runs):
            for program, arguments, title in cases:  # interleaved, so both see the same machine
                times[program].append(first_paint(program, arguments, title))
        for program, measured in times.items():
            print(f"{program:18} start to first painted frame: median {statistics.median(measured) * 1000:.0f} ms "
                  f"(min {min(measured) * 1000:.0f}, max {max(measured) * 1000:.0f}, {runs} runs)")
        for program in ("TaveloInstaller.exe", "skinview.exe", "bare_window.exe"):
            print(f"{program:18} {os.path.getsize(os.path.join(BIN, program)) / 1024:.0f} KiB")
    finally:
        subprocess.run([WINE_ENV, "stop"])
        if xvfb is not None:
            xvfb.terminate()
            xvfb.wait()


if __name__ == "__main__":
    main()
