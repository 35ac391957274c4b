#!/usr/bin/env python3
"""Checks the built skin archive with the 7z tool: a 7z archive packed with LZMA2 in one
solid block, not encrypted; the six window files at its root, each well-formed XML with the
named controls the windows look up; every image a window file names, and the main window's
page backgrounds, present as a 32-bit RGBA PNG of the size it is drawn at; no other image.

    check_archive.py --archive skin.7z [--7z 7z]
"""
import argparse
import pathlib
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

# Window file -> the named controls its window looks up.
WINDOWS = {
    "MainWnd.xml": (
        "winCtn titleTabLt mainTabLt defaultInstallBtn customeInstallBtn customeBtn treatyBtn backBtn treatyCb "
        "chDirBtn installDirEdit openProduceBtn titleGrpCtn minbtn closebtn progressLb createDSCb createQSCb "
        "finishedLbl softNameLbl tipLbl installPrg installingTipLbl logo1 logo2"),
    "MessageBox1Wnd.xml": "captionLbl textLbl okBtn closebtn",
    "MessageBox2Wnd.xml": "captionLbl textLbl closebtn",
    "NetworkTipWnd.xml": "captionLbl textLbl okBtn closebtn",
    "exitTipWnd.xml": "captionLbl textLbl okBtn cancelBtn closebtn",
    "InstalledPathTipWnd.xml": "captionLbl textLbl okBtn cancelBtn closebtn",
}
# Images that the main window sets on winCtn at run time, one per page, with their size.
PAGE_BACKGROUNDS = {f"res/mainWnd/bg{page}.png": (600, 400) for page in (1, 2, 3, 4)}
# An image pattern of an animated control names frames, not one file.
NOT_A_FILE = {"sequencebkimage"}
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def list_archive(sevenzip, archive):
    """The archive's own properties and one property map per entry, from `7z l -slt`."""
    out = subprocess.run([sevenzip, "l", "-slt", str(archive)], check=True, capture_output=True,
                         stdin=subprocess.DEVNULL, text=True, encoding="utf-8").stdout
    head, _, body = out.partition("\n----------\n")

    def blocks(text):
        for chunk in re.split(r"\n\s*\n", text):
            props = dict(line.split(" = ", 1) for line in chunk.splitlines() if " = " in line)
            if props:
                yield props

    archive_props = [p for p in blocks(head) if p.get("Type")]
    return (archive_props[-1] if archive_props else {}), list(blocks(body))


def check_packing(props, entries, problems):
    if props.get("Type") != "7z":
        problems.append(f"not a 7z archive: Type = {props.get('Type')}")
    if not props.get("Method", "").startswith("LZMA2") or " " in props.get("Method", ""):
        problems.append(f"method is {props.get('Method')!r}, not LZMA2 alone")
    if props.get("Solid") != "+" or props.get("Blocks") != "1":
        problems.append(f"not one solid block: Solid = {props.get('Solid')}, Blocks = {props.get('Blocks')}")
    for entry in entries:
        if entry.get("Encrypted") != "-":
            problems.append(f"{entry.get('Path')}: encrypted")


def is_folder(entry):
    return entry.get("Folder") == "+" or entry.get("Attributes", "").startswith("D")


def image_description(text):
    """The key='value' pairs of an image description, or {'file': text} for a bare path. A pair
    without its closing quote is dropped, and reading stops at a closing quote that is not
    followed by exactly one blank."""
    if "='" not in text:
        return {"file": text}
    pairs, at = {}, 0
    while True:
        match = re.match(r"(\w+)='", text[at:])
        if not match:
            break
        start = at + match.end()
        end = text.find("'", start)
        if end < 0:
            break
        pairs[match.group(1).lower()] = text[start:end]
        at = end + 1
        if text[at:at + 1] != " ":
            break
        at += 1
    return pairs


def numbers(text, count):
    values = [int(v) for v in text.split(",")] if text else []
    return values if len(values) == count else None


def png_size(data):
    """(width, height) of a PNG whose pixels are 8-bit RGBA, otherwise a reason."""
    if data[:8] != PNG_SIGNATURE or data[12:16] != b"IHDR":
        return "not a PNG file"
    width, height, depth, colour_type = struct.unpack(">IIBB", data[16:26])
    if depth != 8 or colour_type != 6:
        return f"not 32-bit RGBA (bit depth {depth}, colour type {colour_type})"
    return width, height


def expected_size(element, description, window_size, is_root_container):
    """The size an image must have to be drawn unscaled, or None when any size will do."""
    if "corner" in description:
        return None  # stretched around fixed corners
    dest = numbers(description.get("dest", ""), 4)
    if dest:
        return dest[2] - dest[0], dest[3] - dest[1]
    if is_root_container:
        return window_size
    if element.get("width") and element.get("height"):
        return int(element.get("width")), int(element.get("height"))
    return None


def check_window(name, text, files, problems, named_images):
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        problems.append(f"{name}: not well-formed XML: {error}")
        return
    if root.tag != "Window" or numbers(root.get("size", ""), 2) is None:
        problems.append(f"{name}: the root is not a Window with a size")
        return
    window_size = tuple(numbers(root.get("size"), 2))
    present = {e.get("name") for e in root.iter() if e.get("name")}
    for control in WINDOWS[name].split():
        if control not in present:
            problems.append(f"{name}: no control named {control}")
    containers = [e for e in root if e.tag != "Font"]
    for element in root.iter():
        for attribute, value in element.attrib.items():
            if not attribute.lower().endswith("image") or attribute.lower() in NOT_A_FILE:
                continue
            where = f"{name}: {element.tag} {element.get('name', '')} {attribute}"
            description = image_description(value)
            path = description.get("file", "").replace("\\", "/")
            if not path:
                problems.append(f"{where}: {value!r} names no file")
                continue
            named_images.add(path.lower())
            data = files.get(path.lower())
            if data is None:
                problems.append(f"{where}: {path} is not in the archive")
                continue
            size = png_size(data)
            if isinstance(size, str):
                problems.append(f"{where}: {path} is {size}")
                continue
            wanted = expected_size(element, description, window_size, element in containers[:1])
            if wanted and size != wanted:
                problems.append(f"{where}: {path} is {size[0]}x{size[1]}, drawn at {wanted[0]}x{wanted[1]}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--archive", required=True, type=pathlib.Path)
    parser.add_argument("--7z", dest="sevenzip", default="7z")
    args = parser.parse_args()

    problems = []
    props, entries = list_archive(args.sevenzip, args.archive)
    check_packing(props, entries, problems)
    stored = [e["Path"] for e in entries if "Path" in e and not is_folder(e)]
    for name in WINDOWS:
        if name not in stored:
            problems.append(f"{name} is not at the archive's root")

    if any(entry.get("Encrypted") != "-" for entry in entries):
        return report(args.archive, problems, props, stored, set())  # unpacking would ask for a password

    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([args.sevenzip, "x", "-y", "-bd", "-bso0", f"-o{folder}", str(args.archive)], check=True,
                       stdin=subprocess.DEVNULL)
        files = {path.lower(): (pathlib.Path(folder) / path).read_bytes() for path in stored}

    named_images = set()
    for path, wanted in PAGE_BACKGROUNDS.items():
        named_images.add(path.lower())
        size = png_size(files[path.lower()]) if path.lower() in files else "missing"
        if size != wanted:
            problems.append(f"page background {path}: {size}, not {wanted[0]}x{wanted[1]} RGBA")
    for name in WINDOWS:
        if name.lower() in files:
            check_window(name, files[name.lower()], files, problems, named_images)
    for path in stored:
        if path not in WINDOWS and path.lower() not in named_images:
            problems.append(f"{path} is in the archive, but no window file names it")

    return report(args.archive, problems, props, stored, named_images)


def report(archive, problems, props, stored, named_images):
    for problem in problems:
        print(f"skin archive: {problem}", file=sys.stderr)
    print(f"skin archive {archive.name}: {len(stored)} files, {len(named_images)} images named, "
          f"method {props.get('Method')}, {props.get('Blocks')} block(s); {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
