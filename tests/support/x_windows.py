"""Windows of Wine programs on an X display, as the real-window tests and the demo see them:
xdotool input, screenshots with ImageMagick, the control rectangles that skinview prints, and
the Win32 class of each window through windowlist (X itself shows only the program's name)."""
import os
import subprocess
import tempfile
import time
from dataclasses import dataclass

from PIL import Image

# A bound on each wait for a window, a line or a picture: a hang fails the caller.
WAIT = 30.0


def run(*command, timeout=WAIT):
    return subprocess.run(command, check=True, capture_output=True, text=True, timeout=timeout).stdout


def run_wine(*command, timeout=WAIT):
    """Runs a Wine program; returns (exit code, output bytes). The output goes through a file,
    not a pipe: the first program of a Wine session starts the session's desktop process,
    which inherits its standard streams and keeps them open for as long as the session
    lasts, so a pipe would never end."""
    with tempfile.TemporaryFile() as out:
        code = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                              timeout=timeout).returncode
        out.seek(0)
        return code, out.read()


def geometry(window):
    """(x, y, width, height) of an X window on the screen."""
    values = dict(line.split("=", 1) for line in run("xdotool", "getwindowgeometry", "--shell", str(window)).split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def exists(window):
    """Whether the X server knows the X window."""
    return subprocess.run(["xdotool", "getwindowgeometry", str(window)], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=WAIT).returncode == 0


def screenshot(path, window=None):
    """Saves the whole screen as path and returns it, or the part window covers when given."""
    run("import", "-display", os.environ["DISPLAY"], "-window", "root", path)
    image = Image.open(path).convert("RGB")
    if window is None:
        return image
    x, y, width, height = geometry(window)
    return image.crop((x, y, x + width, y + height))


def wait_painted(window, path):
    """Waits for the first paint: the window's pixels are no longer one flat colour (the
    display's black, or, under the compositing manager, the screen behind a window that has
    drawn nothing yet)."""
    settled(lambda: screenshot(path, window), lambda image: image.getcolors(1) is None,
            f"window {window} was never painted")


def settled(take, ready, failure=None):
    """Takes pictures with take() until ready(picture) holds, and returns that picture. A
    window paints a while after the event that asked for it, longer on a slow machine (32-bit
    Wine under emulation). After WAIT seconds: raises AssertionError(failure) when a failure
    text is given, or else returns the last picture for the caller's own checks."""
    deadline = time.monotonic() + WAIT
    while True:
        picture = take()
        if ready(picture):
            return picture
        if time.monotonic() >= deadline:
            if failure is not None:
                raise AssertionError(failure)
            return picture
        time.sleep(0.2)


def click(x, y):
    """Moves the pointer to x, y, lets it rest there a moment as a hand does, and clicks.
    Returns the time.monotonic() of the press."""
    run("xdotool", "mousemove", str(x), str(y))
    time.sleep(0.3)
    pressed = time.monotonic()
    run("xdotool", "click", "1")
    return pressed


def move_pointer(x, y):
    run("xdotool", "mousemove", str(x), str(y))


def press(window, keys):
    """Gives window the keyboard focus and presses keys ("Escape", "alt+F4")."""
    run("xdotool", "windowfocus", "--sync", str(window))
    run("xdotool", "key", "--clearmodifiers", keys)


def parse_control(line):
    """A "control <class> <name> <l,t,r,b> [hidden]" line of skinview: (name, box, shown), or
    None for any other line. Controls without a name have the name "-"."""
    kind, _cls, name, rect, *rest = line.split(" ") + [""]
    if kind != "control":
        return None
    return name, tuple(int(v) for v in rect.split(",")), rest[0] != "hidden"


class Layout:
    """The controls of one skin as skinview lays them out: name -> (left, top, right, bottom) in
    the window, the first control of a name; the root's box; which named controls are shown."""

    def __init__(self):
        self.controls = {}
        self.shown = {}
        self.root = None

    def add(self, line):
        parsed = parse_control(line)
        if parsed is None:
            return False
        name, box, shown = parsed
        self.root = self.root or box  # the first control is the tree's root
        if name != "-":
            self.controls.setdefault(name, box)
            self.shown.setdefault(name, shown)
        return True

    def centre(self, name, origin=(0, 0)):
        left, top, right, bottom = self.controls[name]
        return origin[0] + (left + right) // 2, origin[1] + (top + bottom) // 2


def skin_layout(skinview_command, skin, *options):
    """The layout of a skin from skinview's tree (the native skinview prints it and ends, the
    Windows one prints it, shows the window and waits: it is ended after "showing")."""
    layout = Layout()
    process = subprocess.Popen([*skinview_command, skin, *options], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True, encoding="utf-8")
    try:
        for line in process.stdout:
            line = line.rstrip("\n")
            if line == "showing":
                break
            layout.add(line)
    finally:
        if process.poll() is None:
            process.kill()
        process.wait(timeout=WAIT)
        process.stdout.close()
    if layout.root is None:
        raise AssertionError(f"skinview printed no controls of {skin}")
    return layout


@dataclass(frozen=True)
class Win32Window:
    """One visible top-level window as windowlist prints it."""
    x11: int          # the X window, for xdotool and screenshots
    cls: str          # its Win32 class name
    enabled: bool
    owner: str        # the owner's class, "-" without one
    rect: tuple       # left, top, right, bottom on the screen
    program: str      # the Windows path of the executable that made it
    title: str

    @property
    def size(self):
        return self.rect[2] - self.rect[0], self.rect[3] - self.rect[1]


class Session:
    """The windows of the Wine session, through windowlist run by `wine-env test`. The session
    is the prefix's, shared by programs on other displays: program (a Windows path) limits the
    windows to those of one executable."""

    def __init__(self, wine_env, windowlist, program=None):
        self.command = [wine_env, "test", windowlist]
        self.program = program

    def of(self, program):
        return Session(self.command[0], self.command[2], program)

    def windows(self):
        found = []
        code, out = run_wine(*self.command)
        if code != 0:
            raise AssertionError(f"windowlist ended with {code}")
        for line in out.decode("utf-8", "replace").splitlines():
            fields = line.split("\t")
            if fields[0] != "window" or len(fields) < 8:
                continue
            _, x11, cls, enabled, owner, rect, program, title = fields[:7] + ["\t".join(fields[7:])]
            if self.program is not None and program.lower() != self.program.lower():
                continue
            found.append(Win32Window(int(x11), cls, enabled == "1", owner, tuple(int(v) for v in rect.split(",")),
                                     program, title))
        return found

    def find(self, cls):
        return next((w for w in self.windows() if w.cls == cls), None)

    def wait_for(self, cls, timeout=WAIT, alive=None):
        """The window of class cls once it is shown; alive() (if given) false means stop waiting."""
        deadline = time.monotonic() + timeout
        while True:
            window = self.find(cls)
            # Wine names the X window before the X server has seen it made.
            if window is not None and window.x11 != 0 and exists(window.x11):
                return window
            ended = alive is not None and not alive()
            if ended or time.monotonic() > deadline:
                shown = ", ".join(f"{w.cls} '{w.title}'" for w in self.windows()) or "none"
                why = "the program ended" if ended else f"after {timeout:.0f} s"
                raise AssertionError(f"no {cls} window: {why}; shown: {shown}")
            time.sleep(0.2)

    def wait_gone(self, cls, timeout=WAIT):
        deadline = time.monotonic() + timeout
        while self.find(cls) is not None:
            if time.monotonic() > deadline:
                raise AssertionError(f"the {cls} window is still shown after {timeout:.0f} s")
            time.sleep(0.2)
