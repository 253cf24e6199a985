"""The background tile: a mown pitch that repeats without a seam."""

import math

from .canvas import Canvas, hash01, mix, periodic_noise, smoothstep


TILE_SIZE = (200, 200)


def draw_tile(zoom=1):
    """The tile at `zoom` times its size: the same pitch, every pixel of it
    with its own grain."""
    w, h = TILE_SIZE
    canvas = Canvas(w * zoom, h * zoom, zoom=zoom)
    dark = (46.0, 112.0, 40.0)
    light = (72.0, 146.0, 56.0)

    def grass(x, y):
        # Two mown bands per tile, softened at their edges.
        band = 0.5 + 0.5 * math.cos(2 * math.pi * (y / h))
        band = smoothstep(0.25, 0.75, band)
        base = mix(dark, light, band)
        # Clumps, tufts and upright blades, all periodic on the tile.
        n = (periodic_noise(x, y, 25, 25, w, 1) * 0.5
             + periodic_noise(x, y, 10, 10, w, 2) * 0.3
             + periodic_noise(x, y, 4, 4, w, 3) * 0.2)
        blades = periodic_noise(x, y, 2, 8, w, 4)
        grain = hash01(int(x * zoom) % (w * zoom), int(y * zoom) % (h * zoom), 7)
        k = 0.84 + 0.2 * n + 0.14 * (blades - 0.5) + 0.06 * (grain - 0.5)
        tint = (k * 1.0, k, k * (0.95 + 0.1 * n))
        return (base[0] * tint[0], base[1] * tint[1], base[2] * tint[2])
    canvas.shade(grass)
    return canvas
