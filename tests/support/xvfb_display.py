"""An Xvfb of a program's own on a free display number, for the real-window tests and the
first-paint benchmark when the caller has no display."""
import os
import subprocess


def own_display():
    """Starts Xvfb, sets DISPLAY to it and returns its process (terminate it when done)."""
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as pipe:
        os.environ["DISPLAY"] = ":" + pipe.readline().strip()
    return xvfb
