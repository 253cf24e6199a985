"""Icon files: a directory of images, each a bitmap with its AND mask or a
PNG file."""

import struct

from .png import png_bytes


def padded(data):
    """Pads one bitmap row to a multiple of four bytes."""
    return data + b"\0" * (-len(data) % 4)


def mask_rows(size, clear):
    """The 1-bit AND mask, bottom row first: 1 where clear(x, y)."""
    rows = []
    for y in range(size - 1, -1, -1):
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if clear(x, y) else 0)
        rows.append(padded((bits << (-size % 8)).to_bytes((size + 7) // 8, "big")))
    return b"".join(rows)


def rgba_image(size, rgba):
    """A 32-bit image with alpha from rows of (r, g, b, a) tuples, top row
    first: 256 pixels as PNG, smaller ones as a bitmap with its AND mask
    (1 where the pixel is wholly clear), for systems that read no alpha."""
    if size == 256:
        return png_bytes(size, size, [b"".join(bytes(p) for p in row) for row in rgba], alpha=True)
    colour = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(rgba) for p in row)
    mask = mask_rows(size, lambda x, y: rgba[y][x][3] == 0)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def icon_file(images):
    """An .ico file of (size, colour count, bits per pixel, image bytes) in
    order; the resource compiler numbers them in this order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, colours, bits, image in images:
        side = size % 256  # 256 is written as 0
        entries += struct.pack("<BBBBHHII", side, side, colours, 0, 1, bits, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(image for _, _, _, image in images)
