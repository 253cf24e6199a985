"""PNG renders of the pictures, and of a whole screen of them, for looking at."""

import os

from .bmp import bmp_rgb, read_bmp
from .inventory import FILES
from .png import png_bytes


def write_pngs(directory, outdir):
    os.makedirs(outdir, exist_ok=True)
    images = {}
    for name in FILES:
        with open(os.path.join(directory, name), "rb") as f:
            data = f.read()
        images[name] = data
        w, h, rows = bmp_rgb(data)
        with open(os.path.join(outdir, name[:-4] + ".png"), "wb") as f:
            f.write(png_bytes(w, h, rows))
    # The whole screen at 1024 x 768: tiles, a portrait, balls.
    sw, sh = 1024, 768
    screen = [bytearray(sw * 3) for _ in range(sh)]
    tw, th, tile = bmp_rgb(images["tile.bmp"])
    for y in range(sh):
        src = tile[y % th]
        row = screen[y]
        for x in range(0, sw, tw):
            n = min(tw, sw - x)
            row[x * 3:(x + n) * 3] = src[:n * 3]
    pw, ph, portrait = bmp_rgb(images["portrait07.bmp"])
    x0, y0 = (sw - pw) // 2, (sh - ph) // 2
    for y in range(ph):
        screen[y0 + y][x0 * 3:(x0 + pw) * 3] = portrait[y]
    spots = [(100, 600, 0), (300, 200, 1), (700, 120, 2), (850, 500, 3), (200, 400, 4),
             (600, 650, 5), (900, 300, 0), (480, 60, 3), (50, 100, 2), (760, 700, 4)]
    for bx, by, frame in spots:
        data = images["ball%d.bmp" % (frame + 1)]
        bw, bh, table, pixels, _ = read_bmp(data)
        for y in range(bh):
            for x in range(bw):
                v = pixels[y * bw + x]
                if v:
                    screen[by + y][(bx + x) * 3:(bx + x) * 3 + 3] = bytes(table[v][:3])
    with open(os.path.join(outdir, "screen.png"), "wb") as f:
        f.write(png_bytes(sw, sh, screen))
