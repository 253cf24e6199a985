"""The programs' icons: the saver's football, and the installer's floppy disk
(its 16-colour images as pixel art, its larger ones drawn in true colour)."""

import struct

from .canvas import Canvas
from .football import draw_ball, football_faces
from .ico import icon_file, padded, rgba_image
from .shapes import sd_box

FOOTBALL_SIDES = [16, 20, 24, 32, 40, 48, 64, 256]
FLOPPY_DRAWN_SIDES = [24, 48, 256]

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


def paint_cells(size, shapes):
    """The picture as rows of palette indices (None = transparent), top row
    first."""
    rows = [[CLEAR] * size for _ in range(size)]
    for colour, left, top, right, bottom in shapes:
        for y in range(top, bottom):
            for x in range(left, right):
                rows[y][x] = colour
    return rows


def sixteen_colour_image(size, rows):
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


def drawn_floppy(size):
    """The 32-pixel floppy's rectangles drawn anti-aliased at any size, as
    rows of (r, g, b, a). The colour canvas gathers colour times coverage
    over black and the cover canvas the coverage alone, so that dividing
    one by the other gives each pixel's own colour: clear shapes wipe both."""
    zoom = size / 32.0
    colour, cover = Canvas(size, size, zoom=zoom), Canvas(size, size, zoom=zoom)
    for index, left, top, right, bottom in FLOPPY_32:
        shape = sd_box((left + right) / 2.0, (top + bottom) / 2.0, (right - left) / 2.0, (bottom - top) / 2.0)
        box = (left, top, right, bottom)
        paint = (0.0, 0.0, 0.0) if index is CLEAR else tuple(float(v) for v in PALETTE[index])
        colour.paint(shape, paint, box)
        cover.paint(shape, (0.0, 0.0, 0.0) if index is CLEAR else (1.0, 1.0, 1.0), box)
    return [[straight(colour.px[y * size + x], cover.px[y * size + x][0]) for x in range(size)]
            for y in range(size)]


def straight(colour, alpha):
    """(r, g, b, a) bytes of a colour premultiplied by `alpha` (0 to 1)."""
    a = int(round(alpha * 255))
    if a == 0:
        return (0, 0, 0, 0)
    return tuple(min(255, int(round(c / alpha))) for c in colour) + (a,)


def drawn_football(size, faces):
    """The first ball frame at any size as rows of (r, g, b, a), the
    coverage of each pixel its alpha."""
    pixels = draw_ball(0, faces, size)
    return [[straight(*pixels[y * size + x]) for x in range(size)] for y in range(size)]


def football_icon():
    """The saver's icon file: the football at every size the shell asks for."""
    faces = football_faces()
    return icon_file([(side, 0, 32, rgba_image(side, drawn_football(side, faces))) for side in FOOTBALL_SIDES])


def floppy_icon():
    """The installer's icon file: the 16-colour floppy at 32 and 16 pixels,
    then drawn at 24, 48 and 256 pixels with alpha."""
    images = [(32, 16, 4, sixteen_colour_image(32, paint_cells(32, FLOPPY_32))),
              (16, 16, 4, sixteen_colour_image(16, paint_cells(16, FLOPPY_16)))]
    images += [(side, 0, 32, rgba_image(side, drawn_floppy(side))) for side in FLOPPY_DRAWN_SIDES]
    return icon_file(images)
