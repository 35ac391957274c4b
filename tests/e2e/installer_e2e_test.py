#!/usr/bin/env python3
"""The installer end to end: the real TaveloInstaller.exe under Wine on an X display, clicked
with xdotool, downloading through the stand-in redirect service and package server, running the
real NSIS setup package (or the stand-in package), recording the installation and reporting to
the stand-in analytics collector. One case per scenario; screenshots of every page and message
window stay in the screenshots folder.

  installer_e2e_test.py --installer TaveloInstaller.exe --windowlist windowlist.exe
      --skinview skinview(.exe) --skin-archive skin.7z --package TaveloSetup.exe
      --standin-package standin_package.exe --wine-env scripts/wine-env --screenshots DIR
      [--testserver-state FILE] [unittest arguments]

The display is the caller's DISPLAY, or an Xvfb of the test's own without one; the Wine prefix
is the project's, with a wineserver started by the caller (scripts/wine-env start). The stand-in
servers are those of the test run's fixture when its state file is given, else the test starts
its own.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "support"))
from installer_session import (MESSAGE_SKINS, SIGN_TOLERANCE, WAIT, Installer, Servers, Skin, Wine,  # noqa: E402
                               difference, ink_extent, read_profile, text_extent, wait_until, windows_path)
from x_windows import geometry  # noqa: E402
from xvfb_display import own_display  # noqa: E402

FIXTURE = HERE.parent.parent / "tools" / "testserver" / "fixture.py"
ARGS = None
WINE = None
SKIN = None
STATE = None
# A bound on a whole installation (download, package, records) and on a failing download,
# which spends its retry budget first.
INSTALL_WAIT = 180.0
# How long a window is watched after a key that must not close it.
KEY_SETTLE = 3.0

HELP_PATH = "/redirect/ver1/tavelo/help/1.0/installer/123456"
DOWNLOAD_FAILURE = re.compile(r"^1\.code=-?\d+；2\.msg=.*；3\.缓存磁盘容量=\d+\.\d\dG；4\.缓存读写权限=(可读|无权限)；"
                              r"5\.服务器连接状态code=-?\d+$", re.DOTALL)


class InstallerEndToEnd(unittest.TestCase):
    """Each case starts from no installation: no registry values, no default install folder."""

    def setUp(self):
        name = self.id().rsplit(".", 1)[-1]
        self.case = re.sub(r"^test_", "", name)
        self.scope = f"e2e-{self.case[:40]}-{os.getpid()}"
        # The case's folders stay until the next run, for a look at a failure.
        self.work = Path(ARGS.work) / self.case
        shutil.rmtree(self.work, ignore_errors=True)
        self.work.mkdir(parents=True)
        self.servers = Servers(STATE, self.scope)
        self.installers = []
        self.clean_installation()

    def tearDown(self):
        for installer in self.installers:
            installer.stop()
        self.clean_installation()
        for folder in WINE.tracker_folders("Tavelo." + self.scope):
            shutil.rmtree(folder, ignore_errors=True)
        self.servers.close()

    # -- the installation's surroundings

    def clean_installation(self):
        WINE.clear_registry()
        for folder in WINE.default_install_folders():
            shutil.rmtree(folder, ignore_errors=True)

    def installer(self, label, environment=None):
        """A copy of the installer in a folder of its own, its INI file pointing at the servers."""
        installer = Installer(ARGS.installer, self.work / f"installer-{len(self.installers)}", WINE, SKIN,
                              ARGS.screenshots, f"{self.case_label()}-{label}", environment)
        installer.write_ini({"DownloadUrl": self.servers.download_url(), "DownloadType": "1",
                             # the network check reads the machine's routes, not the servers
                             "IsCheckNet": "false", "IsEnableAppAnalytics": "true",
                             "AnalyticsUrl": self.servers.collector_url(),
                             # the tracker's folders in the shared prefix stay this case's own
                             "DlAppNameSuffix": "." + self.scope})
        self.installers.append(installer)
        return installer

    def case_label(self):
        return self.case.split("_", 1)[0]

    # -- checks shared by the cases

    def assert_main_window(self, main):
        self.assertEqual(main.title, "Quorrin")
        self.assertEqual(main.owner, "-")
        self.assertEqual(main.size, (600, 400), "the window keeps no frame of its own")
        self.assertEqual(geometry(main.x11)[2:], (600, 400))

    def assert_message_window(self, installer, window, size):
        self.assertEqual(window.title, "消息框")
        self.assertEqual(window.owner, "MainWnd")
        self.assertEqual(window.size, size)
        main = installer.session.find("MainWnd")
        if main is not None:
            self.assertFalse(main.enabled, f"the main window takes input while {window.cls} is shown")

    def assert_stays(self, installer, cls, keys, window=None, page=None):
        """Presses keys on the window of class cls and checks it is still there afterwards."""
        window = window or installer.session.find(cls)
        installer.press(window, keys)
        time.sleep(KEY_SETTLE)
        self.assertTrue(installer.alive(), f"{keys} ended the installer")
        self.assertIsNotNone(installer.session.find(cls), f"{keys} closed {cls}")
        if page is not None:
            installer.away()
            self.assertEqual(installer.page(window), page, f"{keys} changed the page")

    def assert_text(self, shot, box, text, light=False, what=""):
        """The box of a picture shows text: its ink is as wide as text in the skins' face."""
        measured = ink_extent(shot.crop(box), light)
        expected = text_extent(text, light=light)
        self.assertLessEqual(abs(measured - expected), 6,
                             f"{what} shows a text {measured} pixels wide, {text!r} is {expected}")

    def assert_title(self, shot, page, shows):
        """What the left of the title bar shows on page: "nothing", "back" (the back button)
        or "name" (the product's display name). A mismatch is reported and the case goes on."""
        box = SKIN.layout("MainWnd.xml", 0).controls["titleTabLt"]
        with self.subTest(title_bar_on_page=page):
            if shows == "nothing":
                self.assertLessEqual(difference(shot.crop(box), SKIN.background(page).crop(box)), SIGN_TOLERANCE,
                                     f"the title bar shows something on page {page}")
            elif shows == "back":
                # the arrow at its left, the text 返回 right-aligned in it
                back = SKIN.layout("MainWnd.xml", 1, title=1).controls["backBtn"]
                self.assertGreater(difference(shot.crop(back), SKIN.background(page).crop(back)), SIGN_TOLERANCE,
                                   "no back button in the title bar")
                self.assertGreater(ink_extent(shot.crop(back), light=True), (back[2] - back[0]) * 2 // 3,
                                   "the back button shows its arrow without its text 返回")
            else:
                self.assert_text(shot, box, "Quorrin", light=True, what="the title bar")

    def assert_installed(self, folder_text=None):
        """The registry values, the files and "set.ini" of a successful installation into
        folder_text (by default: the default folder)."""
        values = WINE.registry()
        self.assertIn("InstallPath", values)
        if folder_text is None:
            self.assertIn(WINE.unix_path(values["InstallPath"]), WINE.default_install_folders(), values)
        else:
            self.assertEqual(values["InstallPath"].lower().rstrip("\\"), folder_text.lower().rstrip("\\"), values)
        self.assertEqual(values.get("UnInstallEp", "").lower(), values["InstallPath"].rstrip("\\").lower() +
                         "\\uninst.ep")
        folder = WINE.unix_path(values["InstallPath"])
        for name in ("Tavelo.exe", "uninst.ep", "quorrin.dat", "set.ini"):
            self.assertTrue((folder / name).is_file(), f"{name} missing from {folder}")
        self.assertFalse((folder / "__Package_Tavelo.exe").exists(), "the downloaded package stays")
        settings = read_profile(folder / "set.ini")["Install"]
        self.assertEqual(settings["APPStore"], "TaveloInstaller.exe")
        self.assertEqual(settings["AppName"], "Tavelo")
        # a GUID in upper case but for its third group
        self.assertRegex(settings["DeviceID"], r"^[0-9A-F]{12}[0-9a-f]{4}[0-9A-F]{16}$")
        start_file = WINE.unix_path(settings["QOUsageAnalyticsIni"])
        self.assertRegex(read_profile(start_file)["Init"]["UpdateTime"], r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$")
        return folder

    def events(self, wanted, timeout=WAIT):
        """The collector's (event, name) list once it holds every pair of wanted."""
        def complete():
            events = self.servers.events()
            return all(events.count(w) >= wanted.count(w) for w in wanted)
        wait_until(complete, f"the collector lacks some of {wanted}: it has {self.servers.events()}", timeout)
        return self.servers.events()

    def tasks(self, name):
        return [r["properties"] for r in self.servers.records()
                if r["event"] == "QoEventTask" and r["properties"].get("qo_task_name") == name]

    def wait_installed(self, installer, main, label):
        """Waits for the finished page; returns its picture."""
        installer.wait_page(main, 3, INSTALL_WAIT)
        installer.away()
        return installer.shot(label, main)

    # -- the scenarios

    def test_a_fresh_one_click_installation(self):
        self.servers.serve(ARGS.package)
        # 1 MB/s: the progress page stays long enough to be seen
        self.servers.control("throttle=1000000&path_prefix=/pkg/")
        installer = self.installer("fresh")
        installer.start()
        main = installer.window()
        self.assert_main_window(main)
        installer.wait_page(main, 0)
        self.assert_title(installer.shot("1-welcome", main), 0, "nothing")
        self.assertEqual([w.cls for w in installer.session.windows() if w.cls in MESSAGE_SKINS], [],
                         "a message window came with the main window")

        installer.click(main, "defaultInstallBtn", 0)
        installer.wait_page(main, 2)
        installer.shot("2-progress", main)
        self.assert_title(self.wait_installed(installer, main, "3-finished"), 3, "name")

        folder = self.assert_installed()
        self.assertGreater((folder / "quorrin.dat").stat().st_size, 1 << 20, "the package's data, over 1 MiB")

        # The package asked for a start on click: the finished page's button starts the product,
        # opens the help page and closes the installer.
        installer.click(main, "openProduceBtn", 3)
        self.assertEqual(installer.wait_exit(), 0)
        log = folder / "product-runs.log"
        wait_until(log.exists, "the product was not started")
        self.assertEqual(log.read_text().splitlines(), ["started"])
        self.assertEqual(len(installer.opened_pages()), 1, installer.opened_pages())
        self.assertTrue(installer.opened_pages()[0].endswith(HELP_PATH), installer.opened_pages())

        wanted = [("QoEventClick", "立即安装"), ("QoEventView", "安装中"), ("QoEventTask", "下载器启动"),
                  ("QoEventTask", "开始下载大包"), ("QoEventTask", "大包下载完毕"), ("QoEventTask", "安装成功"),
                  ("QoEventClick", "立即体验")]
        events = self.events(wanted)
        self.assertEqual([e for e in events if e in wanted], wanted, "each once, in the order of the run")
        self.assertGreater(self.tasks("大包下载完毕")[0]["qo_task_elapsed"], 1.0, "2 MiB at 1 MB/s")
        for record in self.servers.records():
            p = record["properties"]
            if (record["event"], p.get("qo_task_name") or p.get("qo_name")) in wanted:
                self.assertEqual(p.get("qoc_ab"), "IN", record)
        self.assertTrue(any(r["path"].endswith("/TaveloSetup.exe") and r["status"] in (200, 206)
                            for r in self.servers.requests()), "the package came through the redirect route")

    def test_b_existing_installation_is_removed_first(self):
        # The previous installation: the package run by hand, its records in the registry, and
        # a section in its "set.ini" that only its uninstaller's removal of the file takes away.
        old = self.work / "old" / "Morvath"
        old.parent.mkdir(parents=True)
        code, out = WINE.run(ARGS.package, "/S", "/D=" + windows_path(old), timeout=120)
        self.assertEqual(code, 0, out[-500:])
        self.assertTrue((old / "uninst.ep").is_file())
        (old / "set.ini").write_bytes(b"[Old]\r\nMarker=1\r\n")
        WINE.set_registry("InstallPath", windows_path(old))
        WINE.set_registry("UnInstallEp", windows_path(old / "uninst.ep"))

        self.servers.serve(ARGS.package)
        installer = self.installer("existing")
        installer.start()
        tip = installer.window("InstalledPathTipWnd")
        self.assert_message_window(installer, tip, (400, 180))
        installer.away()
        installer.shot("1-InstalledPathTipWnd", tip)
        self.assert_stays(installer, "InstalledPathTipWnd", "Escape")

        installer.click(tip, "okBtn")  # 原路径覆盖安装
        installer.session.wait_gone("InstalledPathTipWnd")
        main = installer.window()
        self.assert_main_window(main)
        self.wait_installed(installer, main, "2-finished")

        folder = self.assert_installed(windows_path(old))
        self.assertEqual(folder.resolve(), old.resolve())
        self.assertNotIn("Old", read_profile(old / "set.ini"), "the old installation was not removed first")

        # The finished page's close button closes without asking.
        installer.click(main, "closebtn", 3)
        self.assertEqual(installer.wait_exit(), 0)
        events = self.events([("QoEventView", "安装中"), ("QoEventTask", "安装成功")])
        self.assertNotIn(("QoEventClick", "立即安装"), events, "nobody clicked the install button")

    def test_c_download_failure_and_retry(self):
        self.servers.serve(ARGS.package)
        self.servers.control("status=500&path_prefix=/pkg/")
        installer = self.installer("download-failure")
        installer.start()
        main = installer.window()
        installer.wait_page(main, 0)
        installer.click(main, "defaultInstallBtn", 0)

        tip = installer.window("NetworkTipWnd", INSTALL_WAIT)
        self.assert_message_window(installer, tip, (400, 180))
        installer.away()
        installer.shot("1-NetworkTipWnd", tip)
        self.assert_stays(installer, "NetworkTipWnd", "Escape")
        self.assertTrue(any(r["status"] == 500 for r in self.servers.requests()))
        self.assertEqual(WINE.registry(), {}, "a failed download records nothing")

        self.servers.control("")  # the server is well again
        installer.click(tip, "okBtn")  # 稍后再试
        installer.session.wait_gone("NetworkTipWnd")
        self.wait_installed(installer, main, "2-finished-after-retry")
        self.assert_installed()

        installer.click(main, "closebtn", 3)
        self.assertEqual(installer.wait_exit(), 0)
        # The tracker sends what it holds as the installer ends.
        events = self.events([("QoEventTask", "开始下载大包")] * 2 + [("QoEventTask", "安装成功")])
        self.assertEqual(events.count(("QoEventTask", "下载器启动")), 1, events)
        self.assertEqual(events.count(("QoEventTask", "开始下载大包")), 2, events)
        failures = [t.get("qo_reason", "") for t in self.tasks("下载失败原因")]
        self.assertTrue(any(DOWNLOAD_FAILURE.match(reason) for reason in failures), failures)

    def test_d_install_failure_shows_the_package_error(self):
        # The stand-in package, told to fail with its error text (磁盘空间不足).
        self.servers.serve(ARGS.standin_package)
        installer = self.installer("install-failure", environment={"TAVELO_STANDIN_PACKAGE": "error"})
        installer.start()
        main = installer.window()
        installer.wait_page(main, 0)
        installer.click(main, "defaultInstallBtn", 0)

        notice = installer.window("MessageBox2Wnd", INSTALL_WAIT)
        self.assert_message_window(installer, notice, (360, 150))
        installer.away()
        shot = installer.shot("1-MessageBox2Wnd", notice)
        layout = SKIN.layout("MessageBox2Wnd.xml")
        self.assert_text(shot, layout.controls["captionLbl"], "温馨提示", what="captionLbl")
        self.assert_text(shot, layout.controls["textLbl"], "磁盘空间不足", what="textLbl")
        self.assert_stays(installer, "MessageBox2Wnd", "Escape")

        installer.click(notice, "closebtn")
        installer.session.wait_gone("MessageBox2Wnd")
        installer.wait_page(main, 0)
        self.assert_title(installer.shot("2-welcome-again", main), 0, "nothing")
        self.assertEqual(WINE.registry(), {}, "a failed installation records nothing")

        # Leaving through the exit question.
        installer.click(main, "closebtn", 0)
        question = installer.window("ExitTipWnd")
        installer.click(question, "okBtn")
        self.assertEqual(installer.wait_exit(), 0)
        events = self.events([("QoEventTask", "安装失败原因")])
        self.assertNotIn(("QoEventTask", "安装成功"), events)
        self.assertEqual([t.get("qo_reason") for t in self.tasks("安装失败原因")], [":1.code=1000；2.msg=磁盘空间不足"])

    def test_e_closing_asks_and_keys_are_ignored(self):
        self.servers.serve(ARGS.package)

        # The exit question's yes ends the installer.
        installer = self.installer("close-yes")
        installer.start()
        main = installer.window()
        installer.wait_page(main, 0)
        installer.click(main, "closebtn", 0)
        question = installer.window("ExitTipWnd")
        installer.click(question, "okBtn")  # 是
        self.assertEqual(installer.wait_exit(), 0)

        # The download slowed to 150 kB/s: about 14 s on the progress page.
        self.servers.control("throttle=150000&path_prefix=/pkg/")
        installer = self.installer("close-keys")
        installer.start()
        main = installer.window()
        installer.wait_page(main, 0)
        self.assert_stays(installer, "MainWnd", "Escape", main, page=0)

        # To the custom page and back: the title bar's back button shows on the custom page only.
        installer.click(main, "customeBtn", 0)
        installer.wait_page(main, 1)
        self.assert_title(installer.shot("1-custom", main), 1, "back")
        installer.click(main, "backBtn", 1, title=1)
        installer.wait_page(main, 0)
        self.assert_title(installer.shot("2-welcome", main), 0, "nothing")

        installer.click(main, "closebtn", 0)
        question = installer.window("ExitTipWnd")
        self.assert_message_window(installer, question, (400, 180))
        installer.away()
        installer.shot("3-ExitTipWnd", question)
        self.assert_stays(installer, "ExitTipWnd", "Escape")
        installer.click(question, "cancelBtn")  # 否
        installer.session.wait_gone("ExitTipWnd")
        self.assertTrue(installer.alive())
        self.assertTrue(installer.session.find("MainWnd").enabled)

        for leave in ("closebtn", "alt+F4"):  # its close button and a close request answer "no" too
            with self.subTest(leave=leave):
                installer.click(main, "closebtn", 0)
                question = installer.window("ExitTipWnd")
                if leave == "closebtn":
                    installer.click(question, "closebtn")
                else:
                    installer.press(question, leave)
                installer.session.wait_gone("ExitTipWnd")
                time.sleep(1)
                self.assertTrue(installer.alive(), f"the exit question's {leave} ended the installer")

        # The first click after the question has gone starts the installation.
        installer.click(main, "defaultInstallBtn", 0)
        installer.wait_page(main, 2)
        installer.shot("4-progress", main)
        self.assertIsNone(installer.session.find("ExitTipWnd"))
        for keys in ("Escape", "alt+F4"):
            with self.subTest(page="progress", keys=keys):
                self.assert_stays(installer, "MainWnd", keys, main, page=2)
        self.wait_installed(installer, main, "5-finished")

        # On the finished page a close request closes the window (so the keys above did arrive).
        installer.press(main, "alt+F4")
        self.assertEqual(installer.wait_exit(), 0)


def skinview_command():
    return [ARGS.wine_env, "test", ARGS.skinview] if ARGS.skinview.lower().endswith(".exe") else [ARGS.skinview]


def main():
    global ARGS, WINE, SKIN, STATE
    parser = argparse.ArgumentParser()
    for option in ("--installer", "--windowlist", "--skinview", "--skin-archive", "--package", "--standin-package",
                   "--wine-env", "--screenshots"):
        parser.add_argument(option, required=True)
    parser.add_argument("--testserver-state")
    parser.add_argument("--work", help="folder for the cases' installers and installations (default: a temporary one)")
    ARGS, rest = parser.parse_known_args()
    os.makedirs(ARGS.screenshots, exist_ok=True)
    own_work = ARGS.work is None
    ARGS.work = ARGS.work or tempfile.mkdtemp(prefix="tavelo-e2e-")
    xvfb = None if os.environ.get("DISPLAY") else own_display()
    own_servers = program = None
    try:
        if ARGS.testserver_state and os.path.exists(ARGS.testserver_state):
            STATE = ARGS.testserver_state
        else:
            own_servers = tempfile.mkdtemp(prefix="tavelo-e2e-servers-")
            STATE = os.path.join(own_servers, "state.txt")
            subprocess.run([sys.executable, str(FIXTURE), "start", "--state", STATE, "--root",
                            os.path.join(own_servers, "root")], check=True, timeout=120)
        WINE = Wine(ARGS.wine_env, ARGS.windowlist)
        SKIN = Skin(ARGS.skin_archive, skinview_command(), tempfile.mkdtemp(prefix="tavelo-e2e-skin-"))
        # Every layout and page picture before the first installer shows: the Windows skinview
        # shows a window of its own for each.
        for page in range(4):
            SKIN.page_signs(page)
        SKIN.layout("MainWnd.xml", 1, title=1)
        for skin in ("MessageBox1Wnd.xml", "MessageBox2Wnd.xml", "NetworkTipWnd.xml", "exitTipWnd.xml",
                     "InstalledPathTipWnd.xml"):
            SKIN.layout(skin)
        program = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2)
    finally:
        if SKIN is not None:
            shutil.rmtree(SKIN.folder, ignore_errors=True)
        if own_work:
            shutil.rmtree(ARGS.work, ignore_errors=True)
        if own_servers is not None:
            subprocess.run([sys.executable, str(FIXTURE), "stop", "--state", STATE], timeout=60)
            shutil.rmtree(own_servers, ignore_errors=True)
        if xvfb is not None:
            xvfb.terminate()
            xvfb.wait()
    sys.exit(0 if program is not None and program.result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
