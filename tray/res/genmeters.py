#!/usr/bin/env python3
"""Draws the artwork of the tray's meter window and status pages at build
time: the dB scales of the meter columns, the small notification-area icons
that stand for groups of meters, the status lamps and the board icons of the
status pages, and a resource script that names them all.
Usage: genmeters.py <output directory>"""
import math
import os
import sys

# The applet's drawing kit: pictures, glyphs, and 8-bit bitmap and icon files.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "panel", "res"))
import genart  # noqa: E402
from genart import Picture, save_bmp, save_ico, board_icon  # noqa: E402

# The meters' own colours, after the applet's sixteen.
METER_GREY, METER_GREEN, METER_YELLOW, METER_RED, LAMP_OFF = range(len(genart.PALETTE), len(genart.PALETTE) + 5)
genart.PALETTE += [(0x60, 0x60, 0x60), (0, 0xD0, 0), (0xD0, 0xD0, 0), (0xFF, 0, 0), (0x50, 0x30, 0x30)]
BLACK, WHITE, SILVER, DARK, BLUE, AMBER = genart.BLACK, genart.WHITE, genart.SILVER, genart.DARK, genart.BLUE, genart.AMBER

# --- meter scales: one 30 x 156 picture per range and reference level ---

# Range: display offset and factor (as the window computes a bar), and the
# dB step between the scale's marks.
RANGES = [(114 / 144, 576, 5), (84 / 144, 288, 10), (48 / 144, 180, 12), (0, 120, 24)]
REFERENCES = [0, -14, -24]
# Bitmap id and yellow threshold per range and reference level.
SCALES = [
    [(132, 119), (152, 64), (153, 24)],
    [(130, 119), (154, 92), (155, 72)],
    [(133, 119), (156, 102), (157, 90)],
    [(135, 119), (158, 108), (159, 100)],
]
FULL_SCALE_DB = 20 * math.log10(2 ** 23)
SCALE_TOP = 2       # where the window puts the picture
BAR_BASE = 125      # window row above which a bar rises


def scale_row(db, offset, factor):
    """The picture row of a level db below full scale, or None off the scale."""
    v = factor * (1 + db / FULL_SCALE_DB - offset)
    if v < 0 or v > 119:
        return None
    return BAR_BASE - int(v) - SCALE_TOP


def label(value):
    return "0" if value == 0 else ("+%d" if value > 0 else "%d") % value


def scale_picture(rng, ref):
    offset, factor, step = RANGES[rng]
    threshold = SCALES[rng][ref][1]
    p = Picture(30, 156, SILVER)
    # The yellow zone beside the bars, up to full scale.
    if threshold < 119:
        p.fill(13, BAR_BASE - 119 - SCALE_TOP, 1, 119 - threshold, METER_YELLOW)
    p.fill(13, BAR_BASE - threshold - SCALE_TOP, 1, threshold + 1, METER_GREEN)
    reference = REFERENCES[ref]
    k = (0 - reference) // step
    while True:
        db = reference + k * step
        row = scale_row(db, offset, factor)
        if row is None and db < reference:
            break
        if row is not None:
            text = label(k * step)
            p.fill(14, row, 2, 1, BLACK)
            p.text({1: 19, 2: 19, 3: 17}.get(len(text), 15), max(row - 2, 0), text, BLACK)
        k -= 1
    return p


# --- notification-area icons: four channels of a group, or the master pair ---

# Bar height per level class: silent, signal, loud, clip.
CLASS_HEIGHT = [1, 5, 10, 14]
CLASS_COLOUR = [METER_GREEN, METER_GREEN, METER_YELLOW, METER_RED]


def meter_icon(classes, width, background):
    """A bar per channel, centred in its share of the icon's width."""
    p = Picture(16, 16, background)
    step = 16 // len(classes)
    for i, c in enumerate(classes):
        h = CLASS_HEIGHT[c]
        p.fill(i * step + (step - width + 1) // 2, 15 - h, width, h, CLASS_COLOUR[c])
    return p


def group_classes(pattern):
    """Two bits per channel, the first channel in the top bits."""
    return [(pattern >> (6 - 2 * i)) & 3 for i in range(4)]


def group_icon_id(pattern):
    # Ids 155-170 and 187-426, the first two swapped; the master icons lie
    # between them.
    if pattern < 2:
        return 156 - pattern
    return 155 + pattern if pattern < 16 else 171 + pattern


def master_icon_id(pattern):
    return 171 + pattern


# --- status pages ---

def lamp(colour):
    p = Picture(12, 12, SILVER)
    p.disc(5, 5, 5, DARK)
    p.disc(5, 5, 4, colour)
    return p


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    lines = ["// Drawn by genmeters.py; included by quorvitray.rc."]
    for rng in range(4):
        for ref in range(3):
            bitmap = SCALES[rng][ref][0]
            save_bmp(scale_picture(rng, ref), os.path.join(out, "scale%d.bmp" % bitmap))
            lines.append('%d BITMAP "scale%d.bmp"' % (bitmap, bitmap))
    for pattern in range(256):
        name = "group%03d.ico" % pattern
        save_ico([meter_icon(group_classes(pattern), 3, DARK)], os.path.join(out, name), WHITE)
        lines.append('%d ICON "%s"' % (group_icon_id(pattern), name))
    for pattern in range(16):
        name = "master%02d.ico" % pattern
        save_ico([meter_icon([pattern >> 2, pattern & 3], 5, BLUE)], os.path.join(out, name), WHITE)
        lines.append('%d ICON "%s"' % (master_icon_id(pattern), name))
    save_bmp(lamp(METER_RED), os.path.join(out, "lamp-lit.bmp"))
    save_bmp(lamp(LAMP_OFF), os.path.join(out, "lamp-unlit.bmp"))
    lines += ['147 BITMAP "lamp-lit.bmp"', '150 BITMAP "lamp-unlit.bmp"']
    colours = [genart.BLUE, genart.GREEN, genart.DEEPRED, genart.VIOLET]
    for b in range(4):
        name = "status%d.ico" % (b + 1)
        save_ico([board_icon(16, b + 1, colours[b]), board_icon(32, b + 1, colours[b])],
                 os.path.join(out, name), WHITE)
        lines.append('%d ICON "%s"' % (147 + b, name))
    with open(os.path.join(out, "meterart.rc"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
