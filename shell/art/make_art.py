#!/usr/bin/env python3
"""Draws the program's icon (6001) and about-box picture (5001): a queue of
jobs flowing into numbered lines. Standard library only; the output is the
same bytes on every run, so the committed files can be checked against it.

Usage: make_art.py [OUTPUT_DIR]   (default: this script's folder)
"""
import os
import struct
import sys

TRANSPARENT = None
INK = (0x1F, 0x2A, 0x44)        # outlines and digits
JOB = (0xF2, 0x9A, 0x1E)        # job cards
JOB_LIGHT = (0xFF, 0xD2, 0x8A)
JOB_TEXT = (0x8A, 0x4B, 0x05)
LINE = (0x2E, 0x6F, 0xB7)       # the numbered lines
LINE_LIGHT = (0x8F, 0xC1, 0xF0)
ARROW = (0x2F, 0x9E, 0x4F)
PAPER = (0xF4, 0xF6, 0xFA)
FRAME = (0x9A, 0xA5, 0xB8)

# 3x5 digits, one string per row.
DIGITS = {
    "1": ["010", "110", "010", "010", "111"],
    "2": ["110", "001", "010", "100", "111"],
    "3": ["110", "001", "010", "001", "110"],
    "4": ["101", "101", "111", "001", "001"],
}
# 3x5 capitals for the lettering of the picture.
LETTERS = {
    "Z": ["111", "001", "010", "100", "111"],
    "E": ["111", "100", "110", "100", "111"],
    "L": ["100", "100", "100", "100", "111"],
}


class Canvas:
    def __init__(self, width, height, fill=TRANSPARENT):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x, y, w, h, colour):
        for row in range(y, y + h):
            for col in range(x, x + w):
                self.put(col, row, colour)

    def card(self, x, y, w, h, face, edge, cut=True):
        """A filled box with a one-pixel outline, its corners cut off when cut."""
        if cut:
            self.rect(x + 1, y, w - 2, h, edge)
            self.rect(x, y + 1, w, h - 2, edge)
        else:
            self.rect(x, y, w, h, edge)
        self.rect(x + 1, y + 1, w - 2, h - 2, face)

    def glyph(self, rows, x, y, colour, scale=1):
        for r, row in enumerate(rows):
            for c, bit in enumerate(row):
                if bit == "1":
                    self.rect(x + c * scale, y + r * scale, scale, scale, colour)

    def arrow(self, x, y, length, colour, thickness=1, head=2):
        """Rightward arrow: a shaft from x whose top row is y, and a triangular
        head that widens by one row on each side per column back from the tip."""
        tip = x + length - 1
        self.rect(x, y, length - head - 1, thickness, colour)
        for back in range(head + 1):
            self.rect(tip - back, y - back, 1, thickness + 2 * back, colour)

def draw_icon(size):
    c = Canvas(size, size)
    if size == 32:
        # Queue: four job cards stacked on the left.
        for i in range(4):
            c.card(1, 2 + i * 7, 9, 6, JOB, INK)
            c.rect(3, 4 + i * 7, 4, 1, JOB_TEXT)
        # Flow: an arrow from the queue to the lines.
        c.arrow(11, 15, 6, ARROW, thickness=2, head=3)
        # Lines 1..4: number and a bar each.
        for i in range(4):
            y = 2 + i * 7
            c.glyph(DIGITS[str(i + 1)], 18, y, INK)
            c.card(22, y, 9, 5, LINE if i % 2 == 0 else LINE_LIGHT, INK)
    else:
        # Too small for four lines: three jobs flowing into lines 1 and 2.
        for i in range(3):
            c.card(0, 1 + i * 5, 4, 4, JOB, INK, cut=False)
        c.arrow(4, 7, 4, ARROW, thickness=2, head=2)
        for i in range(2):
            y = 2 + i * 7
            c.glyph(DIGITS[str(i + 1)], 8, y, INK)
            c.card(12, y, 4, 5, LINE, INK, cut=False)
    return c


def draw_picture():
    size = 96
    c = Canvas(size, size, PAPER)
    # Frame.
    c.rect(0, 0, size, 1, FRAME)
    c.rect(0, size - 1, size, 1, FRAME)
    c.rect(0, 0, 1, size, FRAME)
    c.rect(size - 1, 0, 1, size, FRAME)
    # Queue of job cards, each with two lines of "text".
    for i in range(5):
        y = 8 + i * 13
        c.card(7, y, 26, 11, JOB_LIGHT if i == 0 else JOB, INK)
        c.rect(10, y + 3, 14, 1, JOB_TEXT)
        c.rect(10, y + 6, 9, 1, JOB_TEXT)
    # Flow from the head of the queue to every line.
    for i in range(4):
        c.arrow(37, 13 + i * 16, 14, ARROW, thickness=2, head=4)
    # Numbered lines, the upper two busy with a job, the lower two free.
    for i in range(4):
        y = 7 + i * 16
        c.glyph(DIGITS[str(i + 1)], 53, y + 1, INK, scale=2)
        c.card(61, y, 28, 14, LINE_LIGHT, INK)
        if i < 2:
            c.card(64, y + 3, 14, 8, JOB, INK)
    # Lettering.
    for i, letter in enumerate("ZEL"):
        c.glyph(LETTERS[letter], 37 + i * 8, 80, INK, scale=2)
    return c


def ico_image(canvas):
    w, h = canvas.width, canvas.height
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in reversed(range(h)):
        row_mask = bytearray(mask_stride)
        for x in range(w):
            p = canvas.pixels[y][x]
            if p is None:
                colour += bytes((0, 0, 0, 0))
                row_mask[x // 8] |= 0x80 >> (x % 8)
            else:
                colour += bytes((p[2], p[1], p[0], 0xFF))
        mask += row_mask
    return header + bytes(colour) + bytes(mask)


def write_ico(path, canvases):
    images = [ico_image(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, image in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    with open(path, "wb") as f:
        f.write(out)


def write_bmp(path, canvas):
    w, h = canvas.width, canvas.height
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(w):
            r, g, b = canvas.pixels[y][x]
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(head + info + pixels)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(out, "zelqmngr.ico"), [draw_icon(32), draw_icon(16)])
    write_bmp(os.path.join(out, "about.bmp"), draw_picture())


if __name__ == "__main__":
    main()
