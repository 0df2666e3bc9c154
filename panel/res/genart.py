#!/usr/bin/env python3
"""Draws the applet's pictures and icons as palette bitmaps at build time:
the format connection diagrams, the routing pages' connectors and
backgrounds, and the board icons. Usage: genart.py <output directory>"""
import os
import struct
import sys

PALETTE = [
    (0, 0, 0), (255, 255, 255), (192, 192, 192), (128, 128, 128),
    (64, 64, 64), (255, 0, 0), (0, 160, 0), (0, 0, 200),
    (255, 200, 0), (0, 170, 200), (240, 240, 224), (90, 60, 140),
    (255, 120, 0), (200, 230, 255), (40, 90, 40), (180, 0, 0),
]
BLACK, WHITE, SILVER, GREY, DARK, RED, GREEN, BLUE, AMBER, CYAN, PAPER, VIOLET, ORANGE, SKY, BOARD, DEEPRED = range(16)

# 3x5 glyphs, one string of rows per character.
GLYPHS = {
    'A': "010101111101101", 'B': "110101110101110", 'C': "011100100100011", 'D': "110101101101110",
    'E': "111100110100111", 'F': "111100110100100", 'G': "011100101101011", 'H': "101101111101101",
    'I': "111010010010111", 'K': "101101110101101", 'L': "100100100100111", 'M': "101111111101101",
    'N': "110101101101101", 'O': "010101101101010", 'P': "110101110100100", 'Q': "010101101110011",
    'R': "110101110101101", 'S': "011100010001110", 'T': "111010010010010", 'U': "101101101101111",
    'V': "101101101101010", 'W': "101101111111101", 'X': "101101010101101", 'Y': "101101010010010",
    '0': "111101101101111", '1': "010110010010111", '2': "110001010100111", '3': "110001010001110",
    '4': "101101111001001", '5': "111100110001110", '6': "011100111101111", '7': "111001010010010",
    '8': "111101111101111", '9': "111101111001110", '+': "000010111010000", '/': "001001010100100",
    '-': "000000111000000", '(': "010100100100010", ')': "010001001001010", '.': "000000000000010",
    ' ': "000000000000000",
}


class Picture:
    def __init__(self, width, height, background):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def dot(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def fill(self, x, y, w, h, colour):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.dot(xx, yy, colour)

    def frame(self, x, y, w, h, colour):
        self.fill(x, y, w, 1, colour)
        self.fill(x, y + h - 1, w, 1, colour)
        self.fill(x, y, 1, h, colour)
        self.fill(x + w - 1, y, 1, h, colour)

    def disc(self, cx, cy, r, colour):
        for yy in range(cy - r, cy + r + 1):
            for xx in range(cx - r, cx + r + 1):
                if (xx - cx) ** 2 + (yy - cy) ** 2 <= r * r:
                    self.dot(xx, yy, colour)

    def line(self, x0, y0, x1, y1, colour, thick=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i // steps
            y = y0 + (y1 - y0) * i // steps
            self.fill(x - thick // 2, y - thick // 2, thick, thick, colour)

    def text(self, x, y, s, colour, scale=1):
        for ch in s.upper():
            glyph = GLYPHS.get(ch, GLYPHS[' '])
            for i, bit in enumerate(glyph):
                if bit == '1':
                    self.fill(x + (i % 3) * scale, y + (i // 3) * scale, scale, scale, colour)
            x += 4 * scale

    def text_width(self, s, scale=1):
        return len(s) * 4 * scale - scale

    def centred(self, cx, y, s, colour, scale=1):
        self.text(cx - self.text_width(s, scale) // 2, y, s, colour, scale)

    def rows(self):
        """Bottom-up rows of 8-bit indexes, each padded to four bytes."""
        out = bytearray()
        pad = (4 - self.width % 4) % 4
        for row in reversed(self.pixels):
            out += bytes(row) + b'\0' * pad
        return bytes(out)


def info_header(width, height):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, 0, 2835, 2835, 256, 0)


def colour_table():
    table = bytearray()
    for i in range(256):
        r, g, b = PALETTE[i] if i < len(PALETTE) else (0, 0, 0)
        table += bytes((b, g, r, 0))
    return bytes(table)


def save_bmp(picture, path):
    body = info_header(picture.width, picture.height) + colour_table() + picture.rows()
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 14 + len(body), 0, 0, 14 + 40 + 1024))
        f.write(body)


def save_ico(pictures, path, transparent):
    """Icon with one 8-bit image per picture; the transparent colour masks."""
    images = []
    for p in pictures:
        mask = bytearray()
        stride = ((p.width + 31) // 32) * 4
        for row in reversed(p.pixels):
            bits = bytearray(stride)
            for x, c in enumerate(row):
                if c == transparent:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        solid = Picture(p.width, p.height, BLACK)
        solid.pixels = [[BLACK if c == transparent else c for c in row] for row in p.pixels]
        images.append(info_header(p.width, p.height * 2) + colour_table() + solid.rows() + bytes(mask))
    offset = 6 + 16 * len(images)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, len(images)))
        for p, data in zip(pictures, images):
            f.write(struct.pack('<BBBBHHII', p.width % 256, p.height % 256, 0, 0, 1, 8, len(data), offset))
            offset += len(data)
        for data in images:
            f.write(data)


# --- format pictures: the board's connector bracket and what is plugged in ---

FORMAT_WIDTH, FORMAT_HEIGHT = 400, 180

# Per format: device on input A, input B, output A, output B, and whether the
# B pair runs over the word-clock BNCs.
FORMATS = [
    ("ADAT", "ADAT", "ADAT", "ADAT", False),
    ("ADAT", "CD", "ADAT", "DAC", False),
    ("ADAT", "DAT", "ADAT", "DAT", False),
    ("SPDIF", "SPDIF", "SPDIF", "SPDIF", False),
    ("KORG", "CD", "KORG A", "KORG B", False),
    ("24/96", "24/96", "24/96", "24/96", False),
    ("ADAT", "DAT", "ADAT", "DAT", True),
]


def bracket(p):
    """The board's back bracket with its optical ports and BNCs."""
    p.fill(170, 10, 60, 160, SILVER)
    p.frame(170, 10, 60, 160, DARK)
    ports = {}
    for i, name in enumerate(("OUT B", "IN B", "OUT A", "IN A")):
        y = 140 - i * 30
        p.fill(186, y, 28, 16, BLACK)
        p.fill(194, y + 4, 12, 8, RED if name.startswith("OUT") else DARK)
        ports[name] = y + 8
    for cx in (186, 214):   # word clock in and out
        p.disc(cx, 28, 7, GREY)
        p.disc(cx, 28, 3, BLACK)
    p.centred(200, 160, "QUORVI", DARK)
    return ports


def device(p, x, y, name, colour):
    p.fill(x, y - 11, 110, 22, colour)
    p.frame(x, y - 11, 110, 22, BLACK)
    p.centred(x + 55, y - 5, name, WHITE, 2)


def format_picture(number):
    in_a, in_b, out_a, out_b, bnc = FORMATS[number]
    p = Picture(FORMAT_WIDTH, FORMAT_HEIGHT, PAPER)
    ports = bracket(p)
    device(p, 20, 60, in_a, BLUE)
    p.line(130, 60, 186, ports["IN A"], CYAN, 3)
    device(p, 270, 60, out_a, VIOLET)
    p.line(214, ports["OUT A"], 270, 60, CYAN, 3)
    device(p, 20, 120, in_b, BOARD)
    device(p, 270, 120, out_b, BOARD)
    if bnc:
        # The B pair runs over the word-clock connectors at the top.
        p.line(130, 120, 150, 120, ORANGE, 3)
        p.line(150, 120, 186, 35, ORANGE, 3)
        p.line(214, 35, 250, 120, ORANGE, 3)
        p.line(250, 120, 270, 120, ORANGE, 3)
    else:
        p.line(130, 120, 186, ports["IN B"], CYAN, 3)
        p.line(214, ports["OUT B"], 270, 120, CYAN, 3)
    p.centred(75, 10, "INPUTS", DARK, 2)
    p.centred(325, 10, "OUTPUTS", DARK, 2)
    return p


# --- routing pages ---

def routing_background(first_column_x, title):
    """Below the logical connectors: the channel numbers and the program side."""
    p = Picture(339, 111, SILVER)
    for k in range(16):
        x = first_column_x + 15 * k
        p.fill(x + 6, 0, 3, 14, DARK)
        p.centred(x + 8, 18, str(k + 1), BLACK)
    p.fill(0, 32, 339, 70, SKY)
    p.frame(0, 32, 339, 70, DARK)
    p.centred(170, 50, title, BLUE, 3)
    p.centred(170, 78, "LOGICAL CHANNELS 1-16", DARK, 2)
    return p


def connector_column():
    p = Picture(14, 257, GREY)
    p.frame(0, 0, 14, 257, DARK)
    for k in range(16):
        p.fill(3, 16 * k + 6, 8, 4, DARK)
    return p


def label_backing():
    p = Picture(118, 257, WHITE)
    for k in range(17):
        p.fill(0, 16 * k, 118, 1, SILVER)
    p.frame(0, 0, 118, 257, GREY)
    return p


def row_connector(body, tip):
    p = Picture(26, 16, SILVER)
    p.fill(2, 3, 22, 10, body)
    p.frame(2, 3, 22, 10, BLACK)
    p.fill(8, 6, 10, 4, tip)
    return p


def column_connector(body, tip):
    p = Picture(16, 26, SILVER)
    p.fill(3, 2, 10, 22, body)
    p.frame(3, 2, 10, 22, BLACK)
    p.fill(6, 8, 4, 10, tip)
    return p


def board_icon(size, number, colour):
    p = Picture(size, size, WHITE)
    s = size // 16
    p.fill(0, 3 * s, size, 10 * s, colour)
    p.frame(0, 3 * s, size, 10 * s, BLACK)
    p.fill(2 * s, 13 * s, 3 * s, 2 * s, AMBER)
    p.fill(11 * s, 13 * s, 3 * s, 2 * s, AMBER)
    p.text(6 * s, 5 * s, str(number), WHITE, s)
    return p


def applet_icon(size):
    p = Picture(size, size, WHITE)
    s = size // 16
    p.fill(0, 2 * s, size, 12 * s, BOARD)
    p.frame(0, 2 * s, size, 12 * s, BLACK)
    for i in range(4):
        p.fill((1 + 4 * i) * s, 5 * s, 2 * s, 2 * s, RED if i % 2 else AMBER)
    p.fill(2 * s, 9 * s, 12 * s, 3 * s, SILVER)
    return p


def setups_picture():
    """The Setups page: a card beside the setup files it can be set from."""
    p = Picture(400, 72, PAPER)
    p.fill(10, 14, 150, 44, BOARD)
    p.frame(10, 14, 150, 44, BLACK)
    for i in range(6):
        p.fill(20 + 22 * i, 58, 12, 6, AMBER)
    p.fill(24, 24, 40, 20, DARK)
    p.centred(112, 30, "QUORVI", WHITE, 2)
    for i in range(4):
        x, y = 200 + 46 * i, 10 + 3 * i
        p.fill(x, y, 38, 50, WHITE)
        p.frame(x, y, 38, 50, GREY)
        for line in range(4):
            p.fill(x + 5, y + 16 + 7 * line, 28, 2, SILVER)
        p.centred(x + 19, y + 5, "SSF", BLUE)
    p.line(162, 36, 196, 36, ORANGE, 3)
    return p


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for f in range(7):
        save_bmp(format_picture(f), os.path.join(out, "format%d.bmp" % f))
    save_bmp(setups_picture(), os.path.join(out, "setups.bmp"))
    save_bmp(routing_background(99, "RECORD"), os.path.join(out, "inback.bmp"))
    save_bmp(routing_background(1, "PLAYBACK"), os.path.join(out, "outback.bmp"))
    save_bmp(connector_column(), os.path.join(out, "column.bmp"))
    save_bmp(label_backing(), os.path.join(out, "labels.bmp"))
    save_bmp(row_connector(DARK, GREY), os.path.join(out, "row.bmp"))
    save_bmp(row_connector(RED, AMBER), os.path.join(out, "inrowlit.bmp"))
    save_bmp(row_connector(GREEN, AMBER), os.path.join(out, "outrowlit.bmp"))
    save_bmp(column_connector(DARK, GREY), os.path.join(out, "col.bmp"))
    save_bmp(column_connector(RED, AMBER), os.path.join(out, "collit.bmp"))
    save_ico([applet_icon(32), applet_icon(16)], os.path.join(out, "applet.ico"), WHITE)
    colours = [BLUE, GREEN, DEEPRED, VIOLET]
    for b in range(4):
        save_ico([board_icon(16, b + 1, colours[b]), board_icon(32, b + 1, colours[b])],
                 os.path.join(out, "board%d.ico" % (b + 1)), WHITE)


if __name__ == "__main__":
    main()
