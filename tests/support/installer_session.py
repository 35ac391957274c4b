"""The real installer under Wine on an X display, driven as a user drives it: a copy of
TaveloInstaller.exe in a folder of its own beside its INI file, its windows found by their Win32
class, clicks on named controls, the main window's page read from its pixels, and what an
installation leaves: registry values, "set.ini", the stand-in product's log, the pages the
installer opened in a browser and the records of the stand-in analytics collector. Shared by the
end-to-end tests and the demo."""
import configparser
import json
import os
import re
import shutil
import subprocess
import time
import urllib.request
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFont, ImageStat

from x_windows import WAIT, Session, click, geometry, move_pointer, press, run_wine, screenshot, skin_layout

REGISTRY_KEY = r"HKCU\Software\ZelkorSoft\Tavelo"
INI_NAME = "ZelkorInstallerConfig.ini"
# The route the installer fills in for "${ROUTE}" on 64-bit Windows, Wine included.
ROUTE_WORD = "download_silent_64"
ROUTE_PATH = "/redirect/ver1/tavelo/${ROUTE}/1.0/installer/123456"
# The skins' face, 微软雅黑, is WenQuanYi Zen Hei in the project's Wine prefix.
FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"

MESSAGE_SKINS = {"MessageBox1Wnd": "MessageBox1Wnd.xml", "MessageBox2Wnd": "MessageBox2Wnd.xml",
                 "NetworkTipWnd": "NetworkTipWnd.xml", "ExitTipWnd": "exitTipWnd.xml",
                 "InstalledPathTipWnd": "InstalledPathTipWnd.xml"}
PAGE_NAMES = {0: "welcome", 1: "custom", 2: "progress", 3: "finished"}
# What tells the main window's pages apart: controls drawn with these images over the page's
# own background (res\mainWnd\bg<page + 1>.png); page 2 shows its background alone above the bar.
PAGE_SIGNS = {0: [("defaultInstallBtn", "installBtn")], 1: [("customeInstallBtn", "installBtn")],
              2: [((100, 40, 500, 280), None)],
              3: [("openProduceBtn", "experienceBtn"), ("finishedLbl", "finished")]}
# Largest mean difference per channel (0-255) between a sign and the screen that still matches.
SIGN_TOLERANCE = 3.0


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def read_profile(path):
    """An INI file as the profile functions write it (ANSI, or UTF-16 behind its mark)."""
    data = Path(path).read_bytes()
    text = data.decode("utf-16") if data[:2] in (b"\xff\xfe", b"\xfe\xff") else data.decode("utf-8", "replace")
    parser = configparser.ConfigParser(strict=False, interpolation=None)
    parser.optionxform = str
    parser.read_string(text)
    return {section: dict(parser[section]) for section in parser.sections()}


class Wine:
    """The project's prefix through scripts/wine-env: registry values and path names."""

    def __init__(self, wine_env, windowlist):
        self.wine_env = wine_env
        self.session = Session(wine_env, windowlist)

    def run(self, *command, timeout=60):
        """Runs a program in the prefix without a display; returns (exit code, output bytes)."""
        return run_wine(self.wine_env, "run", *command, timeout=timeout)

    def registry(self):
        """The installer's registry values: name -> text."""
        out = self.run("reg", "query", REGISTRY_KEY)[1].decode("utf-8", "replace")
        return {m.group(1): m.group(3).rstrip("\r") for m in
                re.finditer(r"^\s+(\S+)\s+(REG_\w+)\s+(.*)$", out, re.MULTILINE)}

    def clear_registry(self):
        self.run("reg", "delete", REGISTRY_KEY, "/f")

    def set_registry(self, name, value):
        code, out = self.run("reg", "add", REGISTRY_KEY, "/v", name, "/d", value, "/f")
        if code != 0:
            raise AssertionError(f"reg add {name} failed with {code}: {out!r}")

    def unix_path(self, path):
        return Path(self.run("winepath", "-u", path)[1].decode("utf-8").strip())

    def default_install_folders(self):
        """Where a one-click installation goes: under a program files folder, or under the
        user's application data when the user counts as an administrator."""
        drive = self.unix_path("C:\\")
        return [drive / "Program Files (x86)" / "Morvath", drive / "Program Files" / "Morvath",
                *drive.glob("users/*/AppData/Roaming/zelkor/Morvath")]

    def tracker_folders(self, app_name):
        """The analytics tracker's folders of an application name ("Tavelo" + suffix)."""
        drive = self.unix_path("C:\\")
        return [*drive.glob(f"users/*/AppData/Local/QOLocal/{app_name}"),
                *drive.glob(f"users/*/Documents/QOLocal/{app_name}")]


class Servers:
    """The stand-in servers in one scope of their own: the redirect service and package server
    (its package folder and fault switches) and the analytics collector."""

    def __init__(self, state, scope):
        values = dict(line.split("=", 1) for line in Path(state).read_text().splitlines() if "=" in line)
        self.base = f"http://127.0.0.1:{values['port']}/s/{scope}"
        self.scope_folder = Path(values["root"]) / scope
        self.route_folder = self.scope_folder / ROUTE_WORD
        self.route_folder.mkdir(parents=True, exist_ok=True)
        # straight to the servers, whatever proxy the environment names
        self.opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        self.control("")
        self.get("/_collected?clear=1")

    def close(self):
        """Removes the scope's files (its records stay with the server)."""
        shutil.rmtree(self.scope_folder, ignore_errors=True)

    def get(self, path):
        with self.opener.open(self.base + path, timeout=WAIT) as answer:
            return answer.read()

    def control(self, faults):
        self.get("/_control" + (f"?{faults}" if faults else ""))

    def serve(self, package, name="TaveloSetup.exe"):
        """The package that the route leads to (the route folder holds one file)."""
        for old in self.route_folder.iterdir():
            old.unlink()
        shutil.copyfile(package, self.route_folder / name)

    def download_url(self):
        return self.base + ROUTE_PATH

    def collector_url(self):
        return self.base + "/collect?project=pc"

    def records(self):
        return json.loads(self.get("/_collected"))["records"]

    def events(self):
        """(event, name) for each record the collector holds, in order of arrival."""
        events = []
        for record in self.records():
            p = record["properties"]
            events.append((record["event"], p.get("qo_task_name") or p.get("qo_name") or p.get("app_crashed_reason")))
        return events

    def requests(self):
        return json.loads(self.get("/_log"))


class Skin:
    """The skin's images, unpacked from the skin archive, and its layouts from skinview."""

    def __init__(self, archive, skinview_command, folder):
        self.folder = Path(folder)
        shutil.rmtree(self.folder, ignore_errors=True)
        subprocess.run(["7z", "x", "-y", "-bso0", "-bsp0", f"-o{self.folder}", str(archive)], check=True,
                       timeout=WAIT)
        self.skinview = skinview_command
        self.layouts = {}
        # file names in the archive are found without regard to case, as the toolkit finds them
        self.files = {str(f.relative_to(self.folder)).lower(): f for f in self.folder.rglob("*") if f.is_file()}
        self.signs = {}

    def layout(self, skin, page=None, title=None):
        """The layout of a skin; for the main window with page (mainTabLt) and title (titleTabLt)
        selected."""
        key = (skin, page, title)
        if key not in self.layouts:
            options = [] if page is None else ["--select", f"mainTabLt={page}"]
            options += [] if title is None else ["--select", f"titleTabLt={title}"]
            self.layouts[key] = skin_layout(self.skinview, skin, *options)
        return self.layouts[key]

    def background(self, page):
        """The main window's background image on page."""
        return self.image("res", "mainWnd", f"bg{page + 1}.png").convert("RGB")

    def image(self, *parts):
        path = self.files.get("/".join(parts).lower())
        return None if path is None else Image.open(path).convert("RGBA")

    def page_signs(self, page):
        """(box, expected pictures) of each sign of a page."""
        if page not in self.signs:
            self.signs[page] = self._page_signs(page)
        return self.signs[page]

    def _page_signs(self, page):
        background = self.image("res", "mainWnd", f"bg{page + 1}.png")  # with its alpha, to draw on
        signs = []
        for what, stem in PAGE_SIGNS[page]:
            box = what if isinstance(what, tuple) else self.layout("MainWnd.xml", page).controls[what]
            under = background.crop(box)
            if stem is None:
                pictures = [under]
            else:
                states = [self.image("res", "mainWnd", f"{stem}{state}.png")
                          for state in ("_normal", "_hot", "_pushed", "_disabled", "")]
                pictures = [Image.alpha_composite(under, s.resize(under.size)) for s in states if s is not None]
            signs.append((box, [p.convert("RGB") for p in pictures]))
        return signs

    def page_of(self, shot):
        """The page a picture of the main window shows, or None when no page or several match."""
        matching = []
        for page in PAGE_SIGNS:
            if all(min(difference(shot.crop(box), p) for p in pictures) <= SIGN_TOLERANCE
                   for box, pictures in self.page_signs(page)):
                matching.append(page)
        return matching[0] if len(matching) == 1 else None


def difference(a, b):
    """Mean absolute difference per channel of two pictures of the same size."""
    return sum(ImageStat.Stat(ImageChops.difference(a, b)).mean) / 3


def ink_extent(picture, light=False):
    """Width of a picture's text: its dark pixels (light ones for light text on the windows'
    blue), 0 without any."""
    if light:
        mask = picture.convert("L").point(lambda v: 255 if v > 185 else 0)
    else:
        mask = picture.convert("L").point(lambda v: 255 if v < 110 else 0)
    box = mask.getbbox()
    return 0 if box is None else box[2] - box[0]


def text_extent(text, size=14, light=False):
    """Width of text drawn in the skins' face at size pixels, as ink_extent measures it."""
    font = ImageFont.truetype(FONT, size)
    canvas = Image.new("L", (int(font.getlength(text)) + 20, size * 2), 0 if light else 255)
    ImageDraw.Draw(canvas).text((10, 2), text, font=font, fill=255 if light else 0)
    mask = canvas.point(lambda v: 255 if (v > 128 if light else v < 110) else 0)
    box = mask.getbbox()
    return 0 if box is None else box[2] - box[0]


class Installer:
    """One run of a copy of TaveloInstaller.exe in a folder of its own."""

    def __init__(self, exe, folder, wine, skin, screenshots, prefix, environment=None):
        self.folder = Path(folder)
        self.folder.mkdir(parents=True, exist_ok=True)
        self.exe = self.folder / "TaveloInstaller.exe"
        shutil.copyfile(exe, self.exe)
        self.wine = wine
        # its own windows only: other programs of the session may show windows of the same classes
        self.session = wine.session.of(windows_path(self.exe))
        self.skin = skin
        self.screenshots = Path(screenshots)
        self.screenshots.mkdir(parents=True, exist_ok=True)
        self.prefix = prefix  # screenshot names start with it
        self.process = None
        self.log = None
        # Pages the installer opens in a browser are noted here instead (Wine's browser
        # launcher starts the first xdg-open on PATH).
        self.opened = self.folder / "opened.txt"
        bin_folder = self.folder / "bin"
        bin_folder.mkdir(exist_ok=True)
        launcher = bin_folder / "xdg-open"
        launcher.write_text(f'#!/bin/sh\nprintf "%s\\n" "$*" >>"{self.opened}"\n')
        launcher.chmod(0o755)
        self.environment = dict(os.environ, PATH=f"{bin_folder}:{os.environ['PATH']}", **(environment or {}))

    def write_ini(self, settings):
        """The INI file beside the executable, section "Install"."""
        lines = ["[Install]"] + [f"{key}={value}" for key, value in settings.items()]
        (self.folder / INI_NAME).write_bytes(("\r\n".join(lines) + "\r\n").encode("utf-8"))

    def start(self, *switches):
        self.log = open(self.folder / "wine.log", "wb")
        self.process = subprocess.Popen([self.wine.wine_env, "test", str(self.exe), *switches], env=self.environment,
                                        stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT)

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def wait_exit(self, timeout=WAIT):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the installer still runs after {timeout:.0f} s") from None

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=WAIT)
        if self.log is not None:
            self.log.close()

    def window(self, cls="MainWnd", timeout=WAIT):
        """The installer's window of class cls, once it shows."""
        try:
            return self.session.wait_for(cls, timeout, alive=self.alive)
        except AssertionError as failure:
            if self.alive():
                raise
            code = self.process.returncode
            why = ": another installer of the Wine session holds the single-instance mutex" if code == 255 else ""
            raise AssertionError(f"{failure} (exit code {code}{why})") from None

    def layout_of(self, window, page=None, title=None):
        if window.cls in MESSAGE_SKINS:
            return self.skin.layout(MESSAGE_SKINS[window.cls])
        return self.skin.layout("MainWnd.xml", page, title)

    def click(self, window, name, page=None, title=None):
        """Clicks the control name of window (for the main window: as laid out on page, with
        the title bar's item title); returns the time.monotonic() of the press."""
        x, y, _, _ = geometry(window.x11)
        return click(*self.layout_of(window, page, title).centre(name, (x, y)))

    def away(self):
        """The pointer off every window, so that no button shows its hot image (once the
        window has seen the pointer leave and has drawn the button again)."""
        move_pointer(1, 1)
        time.sleep(0.3)

    def press(self, window, keys):
        # the pointer rests on the window, on a spot without a control
        x, y, width, height = geometry(window.x11)
        move_pointer(x + width - 4, y + height - 4)
        press(window.x11, keys)

    def shot(self, name, window=None):
        """Saves the screen as <prefix>-<name>.png; returns the part the window covers."""
        return screenshot(str(self.screenshots / f"{self.prefix}-{name}.png"), window.x11 if window else None)

    def page(self, main):
        """The page the main window shows now (None while it is drawn or covered)."""
        return self.skin.page_of(screenshot(str(self.folder / "page.png"), main.x11))

    def wait_page(self, main, page, timeout=WAIT, seen=None, shots=None):
        """Waits until the main window shows page. seen (a set) collects the pages passed by;
        shots maps pages passed by to screenshot names, saved when the page first shows."""
        self.away()
        deadline = time.monotonic() + timeout
        while True:
            now = self.page(main)
            if seen is not None and now is not None:
                seen.add(now)
            if shots and now in shots:
                shutil.copyfile(self.folder / "page.png", self.screenshots / f"{self.prefix}-{shots.pop(now)}.png")
            if now == page:
                return
            if time.monotonic() > deadline or not self.alive():
                shown = "no page it knows" if now is None else PAGE_NAMES[now]
                raise AssertionError(f"page {page} ({PAGE_NAMES[page]}) not shown after {timeout:.0f} s; "
                                     f"the window shows {shown}{'' if self.alive() else ', and the installer has ended'}")
            time.sleep(0.05)

    def opened_pages(self):
        return self.opened.read_text().splitlines() if self.opened.exists() else []


def wait_until(predicate, what, timeout=WAIT):
    deadline = time.monotonic() + timeout
    while not predicate():
        if time.monotonic() > deadline:
            raise AssertionError(f"{what} after {timeout:.0f} s")
        time.sleep(0.2)

