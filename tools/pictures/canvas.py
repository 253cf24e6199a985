"""The true-colour canvas the pictures are drawn on, with anti-aliased
painting from signed distances, and the small colour and noise helpers."""

import math


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t,
            a[2] + (b[2] - a[2]) * t)


def scale(c, k):
    return (c[0] * k, c[1] * k, c[2] * k)


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def hash01(*values):
    """A repeatable pseudo-random number in [0, 1) from integers."""
    h = 2166136261
    for v in values:
        h = ((h ^ (v & 0xFFFFFFFF)) * 16777619) & 0xFFFFFFFF
        h ^= h >> 13
        h = (h * 1274126177) & 0xFFFFFFFF
    h ^= h >> 16
    return h / 4294967296.0


# The noise's values at the cell corners, each worked out once.
LATTICE = {}


def periodic_noise(x, y, cell_w, cell_h, period, seed):
    """Smooth value noise on cells of cell_w x cell_h pixels that repeats
    every `period` pixels both ways (both cell sides must divide it)."""
    cols, rows = period // cell_w, period // cell_h
    gx, gy = x / cell_w, y / cell_h
    ix, iy = int(math.floor(gx)), int(math.floor(gy))
    fx, fy = gx - ix, gy - iy
    fx = fx * fx * (3 - 2 * fx)
    fy = fy * fy * (3 - 2 * fy)

    def at(i, j):
        key = (i % cols, j % rows, seed)
        value = LATTICE.get(key)
        if value is None:
            value = LATTICE[key] = hash01(*key)
        return value

    top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * fx
    bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * fx
    return top + (bottom - top) * fy


class Canvas:
    """Pixels in true colour. Shapes, boxes and colour functions speak in
    drawing units, `zoom` pixels each: the same drawing on a canvas of twice
    the zoom is the same picture at twice the size, with finer edges."""

    def __init__(self, width, height, colour=(0.0, 0.0, 0.0), zoom=1):
        self.width, self.height = width, height
        self.zoom = zoom
        self.px = [colour] * (width * height)

    def shade(self, fn):
        """Sets every pixel from fn(x, y) at the pixel centre."""
        w, z = self.width, self.zoom
        for y in range(self.height):
            for x in range(w):
                self.px[y * w + x] = fn((x + 0.5) / z, (y + 0.5) / z)

    def paint(self, sd, colour, box=None, opacity=1.0):
        """Lays a shape over the canvas; colour is a colour or fn(x, y)."""
        w, h, z = self.width, self.height, self.zoom
        if box is None:
            x0, y0, x1, y1 = 0, 0, w, h
        else:
            x0, y0 = max(0, int(box[0] * z) - 1), max(0, int(box[1] * z) - 1)
            x1, y1 = min(w, int(box[2] * z) + 2), min(h, int(box[3] * z) + 2)
        solid = not callable(colour)
        px = self.px
        for y in range(y0, y1):
            cy = (y + 0.5) / z
            for x in range(x0, x1):
                cx = (x + 0.5) / z
                # Distance in pixels, so that the edge is one pixel wide.
                d = sd(cx, cy) * z
                if d >= 0.5:
                    continue
                a = (0.5 - d if d > -0.5 else 1.0) * opacity
                c = colour if solid else colour(cx, cy)
                i = y * w + x
                if a >= 1.0:
                    px[i] = c
                else:
                    o = px[i]
                    px[i] = (o[0] + (c[0] - o[0]) * a, o[1] + (c[1] - o[1]) * a,
                             o[2] + (c[2] - o[2]) * a)

    def downsample(self, k):
        out = Canvas(self.width // k, self.height // k)
        n = float(k * k)
        for y in range(out.height):
            for x in range(out.width):
                r = g = b = 0.0
                for j in range(k):
                    row = (y * k + j) * self.width + x * k
                    for i in range(k):
                        c = self.px[row + i]
                        r += c[0]
                        g += c[1]
                        b += c[2]
                out.px[y * out.width + x] = (r / n, g / n, b / n)
        return out


def scaled(canvas, k):
    """Nearest-neighbour enlargement, so box filtering can shrink it again."""
    out = Canvas(canvas.width * k, canvas.height * k)
    for y in range(out.height):
        row = (y // k) * canvas.width
        for x in range(out.width):
            out.px[y * out.width + x] = canvas.px[row + x // k]
    return out
