#!/usr/bin/env python3
"""Draws the access-server class pictures of the snap-in as 4-bit BMP files.

    tools/make_bitmaps.py snapin/resources

RAXBMP (16 x 16) is a server cabinet with a telephone line; RAXBMPALIAS (24 x 16)
adds the alias arrow; RAXBMPRO (16 x 16) is the read-only variant, greyed.
"""
import struct
import sys
from pathlib import Path

# The 16 colours of the standard palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128),
    (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# Picture characters to palette indexes.
INK = {'.': 15, 'k': 0, 'g': 8, 's': 7, 'b': 12, 'c': 14, 'r': 9, 'y': 11, 'w': 15, 'n': 10}

SERVER = [
    "................",
    "...kkkkkkkk.....",
    "...kssssssk.....",
    "...kskkkksk.....",
    "...kssssssk.....",
    "...kskkkksk.....",
    "...kssssssk.....",
    "...ksnsssrk.....",
    "...kssssssk.....",
    "...kskkkksk.....",
    "...kssssssk..b..",
    "...kssssssk.bb..",
    "...kkkkkkkkbb...",
    "....gggggbbb....",
    "..........b.....",
    "................",
]

ARROW = [
    "........",
    "........",
    "........",
    "........",
    "........",
    "........",
    "........",
    "........",
    "..kkkkk.",
    "...kwwk.",
    "..kwwwk.",
    ".kwwwkk.",
    "kwwwk.k.",
    "kwwk....",
    "kkk.....",
    "........",
]


def grey(rows):
    """The read-only look: everything drawn in dark grey and silver."""
    table = str.maketrans({'k': 'g', 'n': 'g', 'r': 'g', 'b': 'g', 'c': 'g', 'y': 's'})
    return [row.translate(table) for row in rows]


def bmp(rows):
    height = len(rows)
    width = len(rows[0])
    stride = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for x in range(0, width, 2):
            hi = INK[row[x]]
            lo = INK[row[x + 1]] if x + 1 < width else 0
            line.append((hi << 4) | lo)
        line.extend(b'\0' * (stride - len(line)))
        pixels.extend(line)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    return header + info + palette + bytes(pixels)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else '.')
    out.mkdir(parents=True, exist_ok=True)
    (out / 'raxbmp.bmp').write_bytes(bmp(SERVER))
    (out / 'raxbmpalias.bmp').write_bytes(bmp([s + a for s, a in zip(SERVER, ARROW)]))
    (out / 'raxbmpro.bmp').write_bytes(bmp(grey(SERVER)))


if __name__ == '__main__':
    main()
