#!/usr/bin/env python3
"""Draws every image of the installer's skin: flat shapes in the product's blue, Chinese
button texts in WenQuanYi Zen Hei, written as 32-bit RGBA PNG files under OUT/res/.

    draw_skin.py --out OUT [--font wqy-zenhei.ttc]

Shapes are drawn four times larger and reduced, which anti-aliases their edges; texts are
drawn at their own size, where the font's hinting keeps them crisp (heavier texts are drawn
large like the shapes). Every layer is composited through an alpha mask, so that edges over
transparency keep their colour.
"""
import argparse
import pathlib
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

DEFAULT_FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
SCALE = 4  # supersampling factor of shapes

# The product's blues and the neutral tones around them.
BLUE = (0x1A, 0x83, 0xE5)
BLUE_LIGHT = (0x4B, 0xB5, 0xF1)
BLUE_DARK = (0x0F, 0x6C, 0xC9)
BLUE_SHADOW = (0x0A, 0x4A, 0x8C)
WHITE = (0xFF, 0xFF, 0xFF)
GREY_TEXT = (0x55, 0x5B, 0x66)
GREY_GLYPH = (0x99, 0x99, 0x99)
GREY_DARK = (0x33, 0x33, 0x33)
GREY_DISABLED = (0xCC, 0xCC, 0xCC)

_font_file = DEFAULT_FONT


# --- masks and compositing -------------------------------------------------------------

def blank(size):
    return Image.new("RGBA", size, (0, 0, 0, 0))


def shape_mask(size, paint):
    """An anti-aliased mask: paint(draw, s) draws in white with coordinates scaled by s."""
    big = Image.new("L", (size[0] * SCALE, size[1] * SCALE), 0)
    paint(ImageDraw.Draw(big), SCALE)
    return big.reduce(SCALE)


def rounded_rect(box, radius):
    def paint(draw, s):
        x0, y0, x1, y1 = box
        draw.rounded_rectangle((x0 * s, y0 * s, x1 * s - 1, y1 * s - 1), radius=radius * s, fill=255)
    return paint


def ring_rect(box, radius, width):
    """The outline of a rounded rectangle, width pixels inside box."""
    def paint(draw, s):
        x0, y0, x1, y1 = box
        draw.rounded_rectangle((x0 * s, y0 * s, x1 * s - 1, y1 * s - 1), radius=radius * s, outline=255,
                               width=round(width * s))
    return paint


def ellipse(box):
    def paint(draw, s):
        x0, y0, x1, y1 = box
        draw.ellipse((x0 * s, y0 * s, x1 * s - 1, y1 * s - 1), fill=255)
    return paint


def polyline(points, width):
    """Strokes a line through points with round ends and joins."""
    def paint(draw, s):
        scaled = [(x * s, y * s) for x, y in points]
        w = width * s
        draw.line(scaled, fill=255, width=round(w), joint="curve")
        for x, y in scaled:
            draw.ellipse((x - w / 2, y - w / 2, x + w / 2, y + w / 2), fill=255)
    return paint


def polygon(points):
    def paint(draw, s):
        draw.polygon([(x * s, y * s) for x, y in points], fill=255)
    return paint


def combine(*painters):
    def paint(draw, s):
        for painter in painters:
            painter(draw, s)
    return paint


def scaled(mask, opacity):
    """The mask with every value multiplied by opacity (0-255)."""
    return mask.point(lambda v: v * opacity // 255)


def fill(image, mask, colour, opacity=255):
    """Composites a flat colour onto image through mask, at the given opacity."""
    layer = Image.new("RGBA", image.size, colour + (0,))
    layer.putalpha(scaled(mask, opacity))
    image.alpha_composite(layer)


def fill_with(image, mask, source):
    """Composites an opaque RGB(A) picture onto image through mask."""
    layer = source.convert("RGBA")
    layer.putalpha(mask)
    image.alpha_composite(layer)


def vertical_gradient(size, top, bottom):
    w, h = size
    column = Image.new("RGB", (1, h))
    for y in range(h):
        t = y / max(h - 1, 1)
        column.putpixel((0, y), tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return column.resize(size)


def diagonal_gradient(size, start, end):
    """From start at the top left corner to end at the bottom right one."""
    w, h = size
    ramp = Image.new("L", (w + h, 1))
    ramp.putdata([round(255 * i / max(w + h - 2, 1)) for i in range(w + h)])
    skewed = Image.new("L", size)
    for y in range(h):
        skewed.paste(ramp.crop((y, 0, y + w, 1)), (0, y))
    a = Image.new("RGB", size, start)
    b = Image.new("RGB", size, end)
    return Image.composite(b, a, skewed)


def soft_shadow(image, mask, colour, opacity, offset, blur):
    """A blurred copy of mask, moved by offset, composited under what follows."""
    moved = Image.new("L", image.size, 0)
    moved.paste(mask, offset)
    fill(image, moved.filter(ImageFilter.GaussianBlur(blur)), colour, opacity)


# --- text --------------------------------------------------------------------------------

def font(size):
    return ImageFont.truetype(_font_file, size, index=0)


def text_size(text, size):
    left, top, right, bottom = font(size).getbbox(text)
    return right - left, bottom - top


def text_mask(image_size, text, size, centre, weight=0):
    """A mask of text whose ink is centred on centre. weight > 0 thickens the strokes by
    that many pixels; such text is drawn large and reduced like the shapes."""
    factor = SCALE if weight else 1
    face = font(size * factor)
    left, top, right, bottom = face.getbbox(text, stroke_width=round(weight * factor))
    big = Image.new("L", (image_size[0] * factor, image_size[1] * factor), 0)
    x = centre[0] * factor - (left + right) / 2
    y = centre[1] * factor - (top + bottom) / 2
    ImageDraw.Draw(big).text((x, y), text, font=face, fill=255,
                             stroke_width=round(weight * factor), stroke_fill=255)
    return big.reduce(factor) if factor > 1 else big


def write_text(image, text, size, centre, colour, opacity=255, weight=0):
    fill(image, text_mask(image.size, text, size, centre, weight), colour, opacity)


# --- glyphs shared by several images -----------------------------------------------------

def check_mark(box, width):
    """A tick inside box (left, top, right, bottom)."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    return polyline([(x0 + w * 0.10, y0 + h * 0.52), (x0 + w * 0.40, y0 + h * 0.80),
                     (x0 + w * 0.92, y0 + h * 0.22)], width)


def chevron(tip, height, width, pointing):
    """An open arrow head of the given height whose tip is at tip; pointing -1 left, 1 right."""
    x, y = tip
    depth = height / 2
    return polyline([(x - pointing * depth, y - depth), (x, y), (x - pointing * depth, y + depth)], width)


def logo_mark(image, box):
    """The product's mark: a white tile with a blue Q."""
    x0, y0, x1, y1 = box
    side = x1 - x0
    tile = shape_mask(image.size, rounded_rect(box, side * 0.26))
    soft_shadow(image, tile, BLUE_SHADOW, 70, (0, max(1, round(side / 24))), side / 16)
    fill(image, tile, WHITE)
    letter = text_mask(image.size, "Q", round(side * 0.72), (x0 + side / 2, y0 + side * 0.47), weight=side / 40)
    fill_with(image, letter, diagonal_gradient(image.size, BLUE, BLUE_LIGHT))


def logo(size, mark_side, text_px):
    """The mark beside the display name, centred in an image of the given size."""
    image = blank(size)
    gap = round(mark_side * 0.3)
    name_w, _ = text_size("Quorrin", text_px)
    left = (size[0] - (mark_side + gap + name_w)) // 2
    top = (size[1] - mark_side) // 2
    logo_mark(image, (left, top, left + mark_side, top + mark_side))
    write_text(image, "Quorrin", text_px, (left + mark_side + gap + name_w / 2, size[1] / 2), WHITE,
               weight=text_px / 28)
    return image


# --- backgrounds -------------------------------------------------------------------------

def page_background(decorate):
    """The main window's 600x400 background: the blue gradient, soft circles, then what
    decorate adds for the page."""
    size = (600, 400)
    image = diagonal_gradient(size, BLUE, BLUE_LIGHT).convert("RGBA")
    for box, opacity in (((380, -160, 760, 220), 22), ((430, 230, 690, 490), 16), ((-120, 250, 140, 510), 14)):
        fill(image, shape_mask(size, ellipse(box)), WHITE, opacity)
    decorate(image)
    return image


def no_decoration(image):
    pass


def progress_illustration(image):
    """The progress page's picture in the 250 pixels above the bar: the mark in rings."""
    cx, cy = 300, 140
    for radius, opacity in ((92, 14), (72, 22), (54, 30)):
        fill(image, shape_mask(image.size, ellipse((cx - radius, cy - radius, cx + radius, cy + radius))),
             WHITE, opacity)
    logo_mark(image, (cx - 40, cy - 40, cx + 40, cy + 40))
    write_text(image, "Quorrin", 24, (cx, 262), WHITE, weight=0.9)


def finished_glow(image):
    """A soft light behind the finished page's check mark (the mark's centre is 300,115)."""
    glow = shape_mask(image.size, ellipse((300 - 70, 115 - 70, 300 + 70, 115 + 70)))
    fill(image, glow.filter(ImageFilter.GaussianBlur(18)), WHITE, 70)


# --- buttons ------------------------------------------------------------------------------

STATES = ("normal", "hot", "pushed", "disabled")


def main_button(text, state):
    """235x81: a white pill with a blue text floating on its shadow, for the big actions."""
    size = (235, 81)
    image = blank(size)
    lift = {"normal": 0, "hot": -2, "pushed": 2, "disabled": 0}[state]
    body_box = (14, 10 + lift, 221, 62 + lift)
    body = shape_mask(size, rounded_rect(body_box, 26))
    if state != "disabled":
        opacity, drop, blur = {"normal": (90, 7, 7), "hot": (120, 10, 9), "pushed": (60, 3, 4)}[state]
        soft_shadow(image, body, BLUE_SHADOW, opacity, (0, drop), blur)
    if state == "hot":
        fill_with(image, body, vertical_gradient(size, WHITE, (0xDD, 0xF1, 0xFF)))
        fill(image, shape_mask(size, ring_rect(body_box, 26, 2)), (0x9A, 0xD8, 0xFF))
    elif state == "pushed":
        fill(image, body, (0xD9, 0xEC, 0xFC))
    else:
        fill(image, body, WHITE, 255 if state == "normal" else 140)
    colour = {"normal": BLUE, "hot": BLUE_DARK, "pushed": BLUE_DARK, "disabled": (0x7F, 0xAE, 0xDE)}[state]
    write_text(image, text, 22, ((body_box[0] + body_box[2]) / 2, (body_box[1] + body_box[3]) / 2), colour,
               weight=0.6)
    return image


def outline_button(size, text, state):
    """A white outline on the blue background with a white text (the folder button)."""
    image = blank(size)
    box = (1, 1, size[0] - 1, size[1] - 1)
    inside, border, ink = {"normal": (36, 230, 255), "hot": (80, 255, 255), "pushed": (18, 190, 215),
                           "disabled": (16, 100, 110)}[state]
    fill(image, shape_mask(size, rounded_rect(box, 4)), WHITE, inside)
    fill(image, shape_mask(size, ring_rect(box, 4, 1.5)), WHITE, border)
    write_text(image, text, 15, (size[0] / 2, size[1] / 2), WHITE, ink)
    return image


def flat_button(size, colour, text=None, text_colour=WHITE, border=None):
    """A flat rounded button, optionally with its text and a one-pixel border."""
    image = blank(size)
    box = (0, 0, size[0], size[1])
    fill(image, shape_mask(size, rounded_rect(box, 4)), colour)
    if border:
        fill(image, shape_mask(size, ring_rect(box, 4, 1)), border)
    if text:
        write_text(image, text, 14, (size[0] / 2, size[1] / 2), text_colour)
    return image


def primary_button(size, text, state):
    """A blue button with a white text, the answer the window proposes."""
    colour = {"normal": BLUE, "hot": (0x3A, 0x98, 0xEE), "pushed": (0x14, 0x70, 0xC8),
              "disabled": GREY_DISABLED}[state]
    return flat_button(size, colour, text)


def secondary_button(size, text, state):
    """A white button with a grey border, the other answer."""
    fill_colour, border, ink = {
        "normal": (WHITE, (0xC9, 0xD3, 0xDE), GREY_TEXT),
        "hot": ((0xF0, 0xF7, 0xFE), BLUE, BLUE),
        "pushed": ((0xDF, 0xEE, 0xFC), BLUE_DARK, BLUE_DARK),
        "disabled": ((0xF5, 0xF5, 0xF5), (0xDD, 0xDD, 0xDD), (0xBB, 0xBB, 0xBB)),
    }[state]
    return flat_button(size, fill_colour, text, ink, border)


def notice_button(state):
    """The notice window's 100x34 button; its text comes from the skin."""
    colour = {"normal": BLUE_LIGHT, "hot": (0x6E, 0xCA, 0xFF), "pushed": (0x39, 0xA9, 0xEA),
              "disabled": GREY_DISABLED}[state]
    return flat_button((100, 34), colour)


def link_button(text, state):
    """89x16: the custom-install link, its text followed by an arrow, flush right."""
    size = (89, 16)
    image = blank(size)
    text_w, _ = text_size(text, 12)
    arrow_w = 4
    right = size[0] - 2
    text_right = right - arrow_w - 5
    opacity, colour = {"normal": (225, WHITE), "hot": (255, WHITE), "pushed": (255, (0xCF, 0xE7, 0xFF)),
                       "disabled": (110, WHITE)}[state]
    write_text(image, text, 12, (text_right - text_w / 2, 8), colour, opacity)
    fill(image, shape_mask(size, chevron((right - 0.5, 8), 8, 1.4, 1)), colour, opacity)
    if state == "hot":
        fill(image, shape_mask(size, rounded_rect((text_right - text_w, 14, right, 15), 0)), WHITE, 200)
    return image


def back_arrow(state):
    """50x15: the back button's left arrow; the button draws its own text at the right."""
    image = blank((50, 15))
    opacity, shift = {"normal": (220, 0), "hot": (255, -1), "pushed": (170, 0)}[state]
    fill(image, shape_mask(image.size, chevron((3 + shift, 7.5), 10, 1.8, -1)), WHITE, opacity)
    return image


def title_glyph(kind, state, colour, hot_disc, pushed_disc):
    """15x15 minimise or close glyph; hot and pushed states sit on a disc."""
    size = (15, 15)
    image = blank(size)
    disc = {"hot": hot_disc, "pushed": pushed_disc}.get(state)
    if disc:
        fill(image, shape_mask(size, ellipse((0, 0, 15, 15))), disc[0], disc[1])
    if kind == "close":
        glyph = combine(polyline([(4.5, 4.5), (10.5, 10.5)], 1.5), polyline([(10.5, 4.5), (4.5, 10.5)], 1.5))
    else:
        glyph = polyline([(3.5, 7.5), (11.5, 7.5)], 1.5)
    ink = colour[state] if isinstance(colour, dict) else colour
    fill(image, shape_mask(size, glyph), ink[0], ink[1])
    return image


def white_glyph(kind, state):
    """For the blue title bars."""
    ink = {"normal": (WHITE, 215), "hot": (WHITE, 255), "pushed": (WHITE, 190)}
    return title_glyph(kind, state, ink, (WHITE, 60), (WHITE, 35))


def grey_glyph(kind, state):
    """For the light caption strips of the message windows."""
    ink = {"normal": (GREY_GLYPH, 255), "hot": (GREY_DARK, 255), "pushed": (GREY_DARK, 255)}
    return title_glyph(kind, state, ink, ((0xE4, 0xEA, 0xF0), 255), ((0xD3, 0xDC, 0xE6), 255))


# --- other pieces --------------------------------------------------------------------------

def check_box(state):
    """14x14 check box for the blue background: an outline, or a white box with a blue tick."""
    size = (14, 14)
    image = blank(size)
    box = (0.5, 0.5, 13.5, 13.5)
    if state == "selected":
        fill(image, shape_mask(size, rounded_rect(box, 2.5)), WHITE)
        fill(image, shape_mask(size, check_mark((3, 3, 11, 11), 1.7)), BLUE)
    else:
        inside, border = (25, 215) if state == "normal" else (60, 255)
        fill(image, shape_mask(size, rounded_rect(box, 2.5)), WHITE, inside)
        fill(image, shape_mask(size, ring_rect(box, 2.5, 1.3)), WHITE, border)
    return image


def edit_box():
    """340x40: the white field behind the install folder."""
    size = (340, 40)
    image = blank(size)
    box = (0, 0, 340, 40)
    fill(image, shape_mask(size, rounded_rect(box, 4)), WHITE)
    fill(image, shape_mask(size, ring_rect(box, 4, 1)), (0xCF, 0xE3, 0xF6))
    return image


def agreement_tip():
    """124x40: a white speech bubble whose tail points down at the agreement box."""
    size = (124, 40)
    image = blank(size)
    bubble = shape_mask(size, combine(rounded_rect((1, 1, 123, 32), 6), polygon([(11, 31), (24, 31), (17, 39)])))
    soft_shadow(image, bubble, BLUE_SHADOW, 60, (0, 1), 1.2)
    fill(image, bubble, WHITE)
    write_text(image, "请阅读后勾选同意", 12, (62, 16.5), BLUE)
    return image


def progress_track():
    """572x11: the bar's track, a translucent white pill (stretched with 5-pixel corners)."""
    size = (572, 11)
    image = blank(size)
    fill(image, shape_mask(size, rounded_rect((0, 0, 572, 11), 5.5)), WHITE, 64)
    return image


def progress_fill():
    """572x11: the bar's filled part, white running into a light blue."""
    size = (572, 11)
    image = blank(size)
    bar = shape_mask(size, rounded_rect((0, 0, 572, 11), 5.5))
    fill_with(image, bar, diagonal_gradient(size, (0xE8, 0xF6, 0xFF), WHITE))
    return image


def finished_mark():
    """70x70: a white disc with a blue tick."""
    size = (70, 70)
    image = blank(size)
    disc = shape_mask(size, ellipse((1, 1, 69, 69)))
    fill(image, disc, WHITE)
    fill(image, shape_mask(size, check_mark((18, 20, 53, 52), 5.5)), BLUE)
    return image


def question_icon():
    """40x40: a blue disc with a white question mark, beside the exit question."""
    size = (40, 40)
    image = blank(size)
    fill_with(image, shape_mask(size, ellipse((0, 0, 40, 40))), diagonal_gradient(size, BLUE_LIGHT, BLUE))
    write_text(image, "?", 26, (20, 20), WHITE, weight=1.2)
    return image


# --- the images of the skin ---------------------------------------------------------------

def images():
    """Every image of the skin: archive path -> picture."""
    out = {
        "res/mainWnd/bg1.png": page_background(no_decoration),
        "res/mainWnd/bg2.png": page_background(no_decoration),
        "res/mainWnd/bg3.png": page_background(progress_illustration),
        "res/mainWnd/bg4.png": page_background(finished_glow),
        "res/mainWnd/logo1.png": logo((387, 48), 48, 38),
        "res/mainWnd/logo2.png": logo((240, 32), 32, 26),
        "res/mainWnd/edit.png": edit_box(),
        "res/mainWnd/tip.png": agreement_tip(),
        "res/mainWnd/installPrg1.png": progress_track(),
        "res/mainWnd/installPrg2.png": progress_fill(),
        "res/mainWnd/finished.png": finished_mark(),
        "res/TipWnd/question.png": question_icon(),
    }
    for state in ("normal", "hot", "pushed"):
        out[f"res/mainWnd/back_{state}.png"] = back_arrow(state)
        for kind, name in (("close", "btnClose"), ("minimise", "btnMin")):
            out[f"res/common/{name}_{state}.png"] = white_glyph(kind, state)
        out[f"res/common/btnCloseGrey_{state}.png"] = grey_glyph("close", state)
    for state in ("normal", "hot", "selected"):
        out[f"res/common/checkbox_{state}.png"] = check_box(state)
    for state in STATES:
        out[f"res/mainWnd/installBtn_{state}.png"] = main_button("立即安装", state)
        out[f"res/mainWnd/experienceBtn_{state}.png"] = main_button("立即体验", state)
        out[f"res/mainWnd/customeBtn_{state}.png"] = link_button("自定义安装", state)
        out[f"res/mainWnd/chDirBtn_{state}.png"] = outline_button((84, 40), "修改", state)
        out[f"res/MessageBoxWnd/okBtn_{state}.png"] = notice_button(state)
        out[f"res/TipWnd/laterBtn_{state}.png"] = primary_button((104, 34), "稍后再试", state)
        out[f"res/TipWnd/yesBtn_{state}.png"] = primary_button((100, 30), "是", state)
        out[f"res/TipWnd/noBtn_{state}.png"] = secondary_button((100, 30), "否", state)
        out[f"res/TipWnd/overwriteBtn_{state}.png"] = primary_button((132, 34), "原路径覆盖安装", state)
        out[f"res/TipWnd/reinstallBtn_{state}.png"] = secondary_button((132, 34), "重新安装", state)
    return out


def main():
    global _font_file
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, type=pathlib.Path, help="folder that receives res/")
    parser.add_argument("--font", default=DEFAULT_FONT, help="WenQuanYi Zen Hei font collection")
    args = parser.parse_args()
    _font_file = args.font
    try:
        font(12)
    except OSError as error:
        sys.exit(f"draw_skin: cannot open the font {args.font}: {error}")
    for path, image in images().items():
        target = args.out / path
        target.parent.mkdir(parents=True, exist_ok=True)
        image.convert("RGBA").save(target, optimize=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
