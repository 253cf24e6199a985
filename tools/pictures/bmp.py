"""The packed 8-bit bitmap format of the saver's pictures."""

import struct


def bmp_bytes(width, height, table, indices):
    stride = (width + 3) & ~3
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, stride * height,
                         0, 0, 256, 256)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in table)
    rows = []
    pad = b"\0" * (stride - width)
    for y in range(height - 1, -1, -1):
        rows.append(indices[y * width:(y + 1) * width] + pad)
    dib = header + colours + b"".join(rows)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(dib), 0, 0, 14 + 40 + 1024)
    return file_header + dib


def read_bmp(data):
    """(width, height, table, top-down indices, header fields) of a file."""
    fields = struct.unpack_from("<IiiHHIIiiII", data, 14)
    width, height = fields[1], fields[2]
    table = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i], data[54 + 4 * i + 3])
             for i in range(256)]
    stride = (width + 3) & ~3
    pixels = bytearray()
    start = 14 + 40 + 1024
    for y in range(height - 1, -1, -1):
        pixels += data[start + y * stride:start + y * stride + width]
    return width, height, table, bytes(pixels), fields


def bmp_rgb(data):
    width, height, table, pixels, _ = read_bmp(data)
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            row += bytes(table[pixels[y * width + x]][:3])
        rows.append(row)
    return width, height, rows
