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


def run_tests_on_a_display(argv0, unittest_arguments):
    """Runs the calling module's unittest cases on the caller's DISPLAY, or on an Xvfb of
    their own without one; exits with 0 when they all passed."""
    import sys
    import unittest
    xvfb = None if os.environ.get("DISPLAY") else own_display()
    program = None
    try:
        program = unittest.main(module="__main__", argv=[argv0, *unittest_arguments], exit=False, verbosity=2)
    finally:
        if xvfb is not None:
            xvfb.terminate()
            xvfb.wait()
    sys.exit(0 if program is not None and program.result.wasSuccessful() else 1)
