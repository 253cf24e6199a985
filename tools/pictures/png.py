"""PNG files: renders for looking at the pictures, and the largest image of
an icon."""

import struct
import zlib


def png_bytes(width, height, rows, alpha=False):
    """Rows of red, green, blue (and alpha) bytes, top row first. With alpha,
    each row is filtered against its left neighbour ("Sub"), which packs a
    picture of smooth shading much smaller."""
    if alpha:
        raw = b"".join(b"\1" + bytes((row[i] - (row[i - 4] if i >= 4 else 0)) & 0xFF
                                     for i in range(len(row))) for row in rows)
    else:
        raw = b"".join(b"\0" + bytes(row) for row in rows)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
