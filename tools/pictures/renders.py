"""PNG renders of the pictures, and of a whole screen of them, for looking at."""

import os

from .bmp import bmp_rgb, read_bmp
from .football import BALL_TURN_FRAMES
from .inventory import FILES, turn_name
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
    write_crop_pair(images, outdir)
    write_turn_strip(images, outdir)


def write_crop_pair(images, outdir):
    """crop200.png: the middle of portrait 7 and a ball, 100 % on the left
    with every pixel doubled, the same crop drawn at 200 % on the right."""
    w, h = 240, 320
    out = [bytearray(w * 2 * 3 + 24) for _ in range(h)]
    for column, name, doubled in ((0, "portrait07.bmp", True), (1, "portrait07_200.bmp", False)):
        pw, ph, rows = bmp_rgb(images[name])
        k = 2 if doubled else 1
        for y in range(h - 80):
            src = rows[(160 + y) // k]
            for x in range(w):
                sx = (80 + x) // k
                out[y][(column * (w + 8) + x) * 3:(column * (w + 8) + x) * 3 + 3] = src[sx * 3:sx * 3 + 3]
    for column, name, doubled in ((0, "ball1.bmp", True), (1, "ball1_200.bmp", False)):
        bw, bh, rows = bmp_rgb(images[name])
        k = 2 if doubled else 1
        for y in range(80):
            src = rows[y // k]
            for x in range(80):
                out[h - 80 + y][(column * (w + 8) + x) * 3:(column * (w + 8) + x) * 3 + 3] = \
                    src[(x // k) * 3:(x // k) * 3 + 3]
    with open(os.path.join(outdir, "crop200.png"), "wb") as f:
        f.write(png_bytes(w * 2 + 8, h, out))


def write_turn_strip(images, outdir):
    """turn.png: the 24 frames of the turn at 100 %, every pixel doubled, in
    two rows of twelve on the tile, each row in the order they are shown."""
    tw, th, tile = bmp_rgb(images["tile.bmp"])
    per_row, cell = BALL_TURN_FRAMES // 2, 84
    w, h = per_row * cell, 2 * cell
    out = [bytearray((bytes(tile[y % th]) * (w // tw + 1))[:w * 3]) for y in range(h)]
    for t in range(BALL_TURN_FRAMES):
        bw, bh, table, pixels, _ = read_bmp(images[turn_name(t, 40)])
        left, top = (t % per_row) * cell + 2, (t // per_row) * cell + 2
        for y in range(2 * bh):
            for x in range(2 * bw):
                v = pixels[(y // 2) * bw + x // 2]
                if v:
                    out[top + y][(left + x) * 3:(left + x) * 3 + 3] = bytes(table[v][:3])
    with open(os.path.join(outdir, "turn.png"), "wb") as f:
        f.write(png_bytes(w, h, out))
