#!/usr/bin/env python3
"""Draws the 130 x 32 logo of the About box as an 8-bit palette BMP.

Run from the repository root to regenerate the committed picture:
    python3 plugin/resources/draw_logo.py plugin/resources/zarn_logo.bmp
The output is the same byte for byte on every run.
"""
import struct
import sys

WIDTH, HEIGHT = 130, 32
SCALE = 3          # each cell of the 5 x 7 letters becomes 3 x 3 pixels
GAP = 4            # pixels between letters
TOP = 1            # first row of the letters
MIRROR_ROW = TOP + 7 * SCALE + 1

LETTERS = {
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
}

WHITE = 0
RULE = 1
LETTER_BASE = 2      # 2 ... 129: the letters' colour ramp, left to right
REFLECT_BASE = 130   # 130 ... 193: the same ramp faded into white
RAMP = 128
FADED = 64


def lerp(a, b, t):
    return int(round(a + (b - a) * t))


def palette():
    entries = [(0, 0, 0)] * 256
    entries[WHITE] = (255, 255, 255)
    entries[RULE] = (150, 160, 175)
    deep, teal = (24, 40, 128), (0, 150, 160)
    for i in range(RAMP):
        t = i / (RAMP - 1)
        entries[LETTER_BASE + i] = tuple(lerp(deep[c], teal[c], t) for c in range(3))
    for i in range(FADED):
        r, g, b = entries[LETTER_BASE + i * 2]
        entries[REFLECT_BASE + i] = (lerp(r, 255, 0.65), lerp(g, 255, 0.65), lerp(b, 255, 0.65))
    return entries


def letter_mask():
    """Rows of booleans, HEIGHT x WIDTH, true where a letter covers the pixel."""
    word = "ZARN"
    span = len(word) * 5 * SCALE + (len(word) - 1) * GAP
    left = (WIDTH - span) // 2
    mask = [[False] * WIDTH for _ in range(HEIGHT)]
    for n, ch in enumerate(word):
        x0 = left + n * (5 * SCALE + GAP)
        for row, text in enumerate(LETTERS[ch]):
            for col, cell in enumerate(text):
                if cell != "#":
                    continue
                for dy in range(SCALE):
                    for dx in range(SCALE):
                        mask[TOP + row * SCALE + dy][x0 + col * SCALE + dx] = True
    return mask


def picture():
    mask = letter_mask()
    rows = [[WHITE] * WIDTH for _ in range(HEIGHT)]
    letters_bottom = TOP + 7 * SCALE - 1
    for y in range(HEIGHT):
        for x in range(WIDTH):
            ramp = x * (RAMP - 1) // (WIDTH - 1)
            if y < MIRROR_ROW and mask[y][x]:
                rows[y][x] = LETTER_BASE + ramp
            elif y == MIRROR_ROW and 8 <= x < WIDTH - 8:
                rows[y][x] = RULE
            elif y > MIRROR_ROW:
                # The reflection below the rule: the letters upside down, squeezed.
                k = y - MIRROR_ROW - 1
                source = letters_bottom - (k * 2)
                if source >= TOP and mask[source][x]:
                    rows[y][x] = REFLECT_BASE + ramp // 2
    return rows


def bmp_bytes():
    stride = (WIDTH + 3) & ~3
    pixels = bytearray()
    for row in reversed(picture()):  # a BMP stores the bottom row first
        pixels += bytes(row) + bytes(stride - WIDTH)
    colours = bytearray()
    for r, g, b in palette():
        colours += bytes((b, g, r, 0))
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    return header + info + colours + pixels


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: draw_logo.py OUTPUT.bmp")
    with open(sys.argv[1], "wb") as out:
        out.write(bmp_bytes())


if __name__ == "__main__":
    main()
