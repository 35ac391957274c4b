#!/usr/bin/env python3
"""The demo's first act: the real installer, TaveloInstaller.exe, under Wine, installing the
product from a 24 MiB setup package served by the stand-in servers.

  product_run.py --mode user|drive --installer EXE --windowlist EXE --skinview EXE
                 --skin-archive 7Z --package EXE --wine-env SCRIPT --state FILE --work DIR
                 --screenshots DIR

A copy of the installer goes into DIR with its "ZelkorInstallerConfig.ini" pointing at the
servers of the state file (scripts/demo starts them). In user mode the window opens on the
user's display and the user clicks; in drive mode (an Xvfb of the demo's own) this program
clicks the one-click install button with xdotool, waits for the finished page, clicks "立即体验"
and saves a screenshot of each page. Then it prints what was installed, what was recorded, what
the collector received and the time from the click to the finished page. Exit code 1 when the
installation did not happen as it should.
"""
import argparse
import shutil
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent.parent / "tests" / "support"))
from installer_session import PAGE_NAMES, Installer, Servers, Skin, Wine, read_profile  # noqa: E402

SUFFIX = ".product"  # the tracker's application name is "Tavelo.product"
# The user is given this long to click through the window.
USER_WAIT = 1800.0


def drive(installer):
    """Clicks through a one-click installation; returns the seconds from the click to the
    finished page as the screen showed it (looked at about five times a second)."""
    main = installer.window()
    installer.wait_page(main, 0)
    installer.shot("1-welcome", main)
    seen = set()
    clicked = installer.click(main, "defaultInstallBtn", 0)
    installer.wait_page(main, 3, timeout=300, seen=seen, shots={2: "2-progress"})
    elapsed = time.monotonic() - clicked
    installer.shot("3-finished", main)
    print(f"pages shown after the click: {', '.join(PAGE_NAMES[p] for p in sorted(seen))}")
    installer.click(main, "openProduceBtn", 3)  # 立即体验: starts the product, closes the installer
    return elapsed


def report_times(servers):
    """Seconds between the click on 立即安装 and the success report, from the records' times."""
    times = {}
    for record in servers.records():
        p = record["properties"]
        name = p.get("qo_task_name") or p.get("qo_name")
        times.setdefault(name, record.get("time"))
    if times.get("立即安装") is None or times.get("安装成功") is None:
        return None
    return (times["安装成功"] - times["立即安装"]) / 1000.0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--mode", choices=["user", "drive"], required=True)
    for option in ("--installer", "--windowlist", "--skinview", "--skin-archive", "--package", "--wine-env",
                   "--state", "--work", "--screenshots"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()

    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    servers = Servers(args.state, "demo-product")
    servers.serve(args.package, "TaveloSetup.exe")
    wine = Wine(args.wine_env, args.windowlist)
    # No installation before this one: no records, no default folder, no tracker state.
    wine.clear_registry()
    for folder in wine.default_install_folders() + wine.tracker_folders("Tavelo" + SUFFIX):
        shutil.rmtree(folder, ignore_errors=True)

    skin = None
    if args.mode == "drive":
        skin = Skin(args.skin_archive, [args.wine_env, "test", args.skinview], work / "skin")
        for page in PAGE_NAMES:  # skinview shows a window for each: all before the installer's
            skin.page_signs(page)
    installer = Installer(args.installer, work / "installer", wine, skin, args.screenshots, "demo")
    settings = {"DownloadUrl": servers.download_url(), "DownloadType": "1",
                # the network check reads the machine's routes, which a machine without a
                # network lacks, while the servers are on this machine
                "IsCheckNet": "false", "IsEnableAppAnalytics": "true",
                "AnalyticsUrl": servers.collector_url(), "DlAppNameSuffix": SUFFIX}
    installer.write_ini(settings)
    size = Path(args.package).stat().st_size
    print(f"setup package: {size / 1048576:.1f} MiB, served through {servers.download_url()}")
    print(f"installer: {installer.exe}, beside {installer.folder / 'ZelkorInstallerConfig.ini'}:")
    for key, value in settings.items():
        print(f"  {key}={value}")

    installer.start()
    elapsed = None
    try:
        if args.mode == "drive":
            elapsed = drive(installer)
            code = installer.wait_exit(60)
        else:
            print("\nThe installer's window \"Quorrin\" is open on your display: click 立即安装, then 立即体验 "
                  "on the finished page (or close the window).")
            code = installer.wait_exit(USER_WAIT)
    finally:
        installer.stop()
    print(f"the installer ended with exit code {code}")
    failed = code != 0

    values = wine.registry()
    print("\n-- registry, HKCU\\Software\\ZelkorSoft\\Tavelo:")
    for name in ("InstallPath", "UnInstallEp"):
        print(f"  {name} = {values.get(name, '(none)')}")
    if "InstallPath" not in values:
        print("NOT AS EXPECTED: nothing was installed")
        return 1
    folder = wine.unix_path(values["InstallPath"])
    print(f"-- installed files, {values['InstallPath']}:")
    for entry in sorted(folder.iterdir()):
        print(f"  {entry.stat().st_size:>10}  {entry.name}")
    print("-- set.ini:")
    for section, keys in read_profile(folder / "set.ini").items():
        print(f"  [{section}]")
        for key, value in keys.items():
            print(f"  {key}={value}")
    log = folder / "product-runs.log"
    started = log.exists() and log.read_text().splitlines()[:1] == ["started"]
    print(f"-- the product Tavelo.exe {'was started' if started else 'was not started'}")
    for page in installer.opened_pages():
        print(f"-- the installer opened the page {page}")
    for name in ("Tavelo.exe", "uninst.ep", "set.ini"):
        if not (folder / name).is_file():
            print(f"NOT AS EXPECTED: {name} is missing")
            failed = True

    # The tracker sends what it holds as the installer ends.
    deadline = time.monotonic() + 30
    while not any(name == "安装成功" for _, name in servers.events()) and time.monotonic() < deadline:
        time.sleep(0.5)
    print("-- the collector received:")
    for event, name in servers.events():
        print(f"  {event}: {name}")
    if not any(name == "安装成功" for _, name in servers.events()):
        print("NOT AS EXPECTED: no 安装成功 report")
        failed = True

    if elapsed is None:
        elapsed = report_times(servers)
        how = "between the reports of the click and of the success"
    else:
        how = "from the click to the finished page on the screen"
    if elapsed is not None:
        print(f"\ntime {how}: {elapsed:.1f} s for {size / 1048576:.1f} MiB")
        (work / "click-to-finished.txt").write_text(f"{elapsed:.1f}\n")
    if args.mode == "drive":
        shots = sorted(Path(args.screenshots).glob("demo-*.png"))
        print("screenshots: " + ", ".join(str(s) for s in shots))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
