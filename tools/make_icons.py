#!/usr/bin/env python3
"""Draws the installer's file icon, a floppy disk, as one .ico file holding a
32 x 32 and a 16 x 16 image with 16 colours each (in that order, so that the
resource compiler numbers them 1 and 2).

Usage: make_icons.py OUTPUT.ico

Standard library only; the same input always gives the same bytes.
"""

import struct
import sys

# The 16 colours of the standard VGA palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, SILVER, GREY, BLUE, WHITE = 0, 4, 7, 8, 12, 15
CLEAR = None  # transparent: the AND mask lets the background through

# Each picture is a list of (colour, left, top, right, bottom) rectangles,
# right and bottom exclusive, painted in order over a transparent square.
FLOPPY_32 = [
    (BLACK, 2, 2, 30, 30),        # outline of the disk
    (NAVY, 3, 3, 29, 29),         # plastic body
    (BLUE, 4, 4, 5, 28),          # light along the left edge
    (CLEAR, 28, 2, 30, 3),        # the cut corner, top right
    (CLEAR, 29, 3, 30, 4),
    (BLACK, 28, 3, 29, 4),
    (BLACK, 9, 2, 24, 13),        # metal shutter with its outline
    (SILVER, 10, 3, 23, 12),
    (WHITE, 10, 3, 23, 4),
    (GREY, 18, 5, 21, 10),        # the slot in the shutter
    (BLACK, 19, 5, 21, 10),
    (BLACK, 6, 15, 26, 29),       # paper label
    (WHITE, 7, 16, 25, 29),
    (BLUE, 9, 19, 23, 20),        # writing on the label
    (BLUE, 9, 22, 21, 23),
    (BLUE, 9, 25, 19, 26),
    (BLACK, 3, 26, 5, 28),        # write-protect hole
]

FLOPPY_16 = [
    (BLACK, 1, 1, 15, 15),
    (NAVY, 2, 2, 14, 14),
    (CLEAR, 14, 1, 15, 2),
    (BLACK, 4, 1, 12, 7),
    (SILVER, 5, 2, 11, 6),
    (BLACK, 9, 3, 10, 5),
    (BLACK, 3, 8, 13, 15),
    (WHITE, 4, 9, 12, 15),
    (BLUE, 5, 10, 11, 11),
    (BLUE, 5, 12, 10, 13),
]


def paint(size, shapes):
    """Returns the picture as rows of palette indices (None = transparent),
    top row first."""
    rows = [[CLEAR] * size for _ in range(size)]
    for colour, left, top, right, bottom in shapes:
        for y in range(top, bottom):
            for x in range(left, right):
                rows[y][x] = colour
    return rows


def padded(data):
    """Pads one bitmap row to a multiple of four bytes."""
    return data + b"\0" * (-len(data) % 4)


def icon_image(size, rows):
    """One icon image: header, palette, 4-bit colour rows and the 1-bit mask,
    both bottom-up as in any device-independent bitmap."""
    colour_rows = []
    mask_rows = []
    for row in reversed(rows):
        pixels = [0 if p is CLEAR else p for p in row]
        colour = bytes((pixels[x] << 4) | pixels[x + 1] for x in range(0, size, 2))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is CLEAR else 0)
        mask = bits.to_bytes(size // 8, "big")
        colour_rows.append(padded(colour))
        mask_rows.append(padded(mask))
    colour_data = b"".join(colour_rows)
    mask_data = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour_data) + len(mask_data), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + colour_data + mask_data


def icon_file(images):
    """An .ico file holding the given (size, image bytes) pairs in order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(image for _, image in images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icons.py OUTPUT.ico")
    images = [(32, icon_image(32, paint(32, FLOPPY_32))),
              (16, icon_image(16, paint(16, FLOPPY_16)))]
    with open(sys.argv[1], "wb") as output:
        output.write(icon_file(images))


if __name__ == "__main__":
    main()
