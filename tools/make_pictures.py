#!/usr/bin/env python3
"""Draws the saver's pictures from code and writes them as 8-bit bitmaps.

    make_pictures.py OUTDIR            write the pictures into OUTDIR
    make_pictures.py --check DIR       fail unless DIR holds exactly what this
                                       program draws, in the exact format
    make_pictures.py --verify DIR      check only the format rules of DIR
    make_pictures.py --png DIR OUTDIR  render DIR's pictures and a whole-screen
                                       mock-up as PNG files for viewing

Everything is drawn in true colour with anti-aliased shapes (coverage from
signed distances), then reduced to one shared 256-entry colour table for the
tile, the balls and the portraits, and to a table of its own for the preview.
Only the standard library is used, and nothing depends on the clock, the
hash seed or the machine, so the output is the same byte for byte everywhere.
"""

import math
import os
import struct
import sys
import zlib

# The twenty colours every 256-colour display reserves, as (index, r, g, b).
STANDARD_COLOURS = [
    (0, 0, 0, 0), (1, 128, 0, 0), (2, 0, 128, 0), (3, 128, 128, 0),
    (4, 0, 0, 128), (5, 128, 0, 128), (6, 0, 128, 128), (7, 192, 192, 192),
    (8, 192, 220, 192), (9, 166, 202, 240),
    (246, 255, 251, 240), (247, 160, 160, 164), (248, 128, 128, 128),
    (249, 255, 0, 0), (250, 0, 255, 0), (251, 255, 255, 0), (252, 0, 0, 255),
    (253, 255, 0, 255), (254, 0, 255, 255), (255, 255, 255, 255),
]
FREE_ENTRIES = list(range(10, 246))

TILE_SIZE = (200, 200)
BALL_SIZE = (40, 40)
PORTRAIT_SIZE = (200, 300)
PREVIEW_SIZE = (150, 110)
BALL_FRAMES = 6
PORTRAITS = 11

FILES = (["tile.bmp"] + ["ball%d.bmp" % (i + 1) for i in range(BALL_FRAMES)]
         + ["portrait%02d.bmp" % (i + 1) for i in range(PORTRAITS)]
         + ["preview.bmp"])


# ---------------------------------------------------------------------------
# Small helpers

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
        return hash01(i % cols, j % rows, seed)

    top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * fx
    bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * fx
    return top + (bottom - top) * fy


# ---------------------------------------------------------------------------
# Signed distances (negative inside), in pixels

def sd_circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def sd_ellipse(cx, cy, rx, ry):
    def d(x, y):
        nx, ny = (x - cx) / rx, (y - cy) / ry
        f = math.hypot(nx, ny)
        if f < 1e-9:
            return -min(rx, ry)
        g = math.hypot(nx / rx, ny / ry) / f
        return (f - 1.0) / g if f > 0.5 else (f - 1.0) * min(rx, ry)
    return d


def sd_segment(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy or 1e-9

    def d(x, y):
        t = clamp(((x - ax) * dx + (y - ay) * dy) / ll)
        return math.hypot(x - ax - dx * t, y - ay - dy * t) - r
    return d


def sd_polyline(points, r):
    segs = [(points[i][0], points[i][1], points[i + 1][0] - points[i][0],
             points[i + 1][1] - points[i][1]) for i in range(len(points) - 1)]

    def d(x, y):
        best = 1e9
        for ax, ay, dx, dy in segs:
            ll = dx * dx + dy * dy or 1e-9
            t = ((x - ax) * dx + (y - ay) * dy) / ll
            t = 0.0 if t < 0 else 1.0 if t > 1 else t
            ex, ey = x - ax - dx * t, y - ay - dy * t
            v = ex * ex + ey * ey
            if v < best:
                best = v
        return math.sqrt(best) - r
    return d


def sd_box(cx, cy, hw, hh, r=0.0):
    def d(x, y):
        qx = abs(x - cx) - hw + r
        qy = abs(y - cy) - hh + r
        return (math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0)) - r
    return d


def sd_union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def sd_smooth_union(a, b, k):
    def d(x, y):
        da, db = a(x, y), b(x, y)
        h = clamp(0.5 + 0.5 * (db - da) / k)
        return db + (da - db) * h - k * h * (1 - h)
    return d


def sd_intersect(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


def sd_subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


# ---------------------------------------------------------------------------
# A true-colour canvas with anti-aliased painting

class Canvas:
    def __init__(self, width, height, colour=(0.0, 0.0, 0.0)):
        self.width, self.height = width, height
        self.px = [colour] * (width * height)

    def shade(self, fn):
        """Sets every pixel from fn(x, y) at the pixel centre."""
        w = self.width
        for y in range(self.height):
            for x in range(w):
                self.px[y * w + x] = fn(x + 0.5, y + 0.5)

    def paint(self, sd, colour, box=None, opacity=1.0):
        """Lays a shape over the canvas; colour is a colour or fn(x, y)."""
        w, h = self.width, self.height
        if box is None:
            x0, y0, x1, y1 = 0, 0, w, h
        else:
            x0, y0 = max(0, int(box[0]) - 1), max(0, int(box[1]) - 1)
            x1, y1 = min(w, int(box[2]) + 2), min(h, int(box[3]) + 2)
        solid = not callable(colour)
        px = self.px
        for y in range(y0, y1):
            cy = y + 0.5
            for x in range(x0, x1):
                cx = x + 0.5
                d = sd(cx, cy)
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


# ---------------------------------------------------------------------------
# The background tile: a mown pitch that repeats without a seam

def draw_tile():
    w, h = TILE_SIZE
    canvas = Canvas(w, h)
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
        grain = hash01(int(x) % w, int(y) % h, 7)
        k = 0.84 + 0.2 * n + 0.14 * (blades - 0.5) + 0.06 * (grain - 0.5)
        tint = (k * 1.0, k, k * (0.95 + 0.1 * n))
        return (base[0] * tint[0], base[1] * tint[1], base[2] * tint[2])
    canvas.shade(grass)
    return canvas


# ---------------------------------------------------------------------------
# The football: a truncated icosahedron seen from the front, turning about a
# pentagon's axis; 72 degrees bring it back onto itself, so six frames of 12
# degrees each close the loop.

PHI = (1 + math.sqrt(5)) / 2


def normalise(v):
    n = math.sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])
    return (v[0] / n, v[1] / n, v[2] / n)


def even_permutations(v):
    a, b, c = v
    return [(a, b, c), (b, c, a), (c, a, b)]


def sign_variants(v):
    out = set()
    for sx in ((1, -1) if v[0] else (1,)):
        for sy in ((1, -1) if v[1] else (1,)):
            for sz in ((1, -1) if v[2] else (1,)):
                out.add((v[0] * sx, v[1] * sy, v[2] * sz))
    return sorted(out)


def football_faces():
    """Face normals and plane distances of the truncated icosahedron."""
    vertices = []
    for base in ((0, 1, 3 * PHI), (1, 2 + PHI, 2 * PHI), (PHI, 2, PHI ** 3)):
        for p in even_permutations(base):
            vertices.extend(sign_variants(p))
    pentagons = []
    for p in even_permutations((0, 1, PHI)):
        pentagons.extend(normalise(v) for v in sign_variants(p))
    hexagons = [normalise(v) for v in sign_variants((1, 1, 1))]
    for p in even_permutations((0, PHI, 1 / PHI)):
        hexagons.extend(normalise(v) for v in sign_variants(p))
    faces = []
    for normals, black in ((pentagons, True), (hexagons, False)):
        for n in normals:
            dist = max(n[0] * v[0] + n[1] * v[1] + n[2] * v[2] for v in vertices)
            faces.append((n, dist, black))
    return faces


def rotation(axis, angle):
    x, y, z = normalise(axis)
    c, s = math.cos(angle), math.sin(angle)
    t = 1 - c
    return ((t * x * x + c, t * x * y - s * z, t * x * z + s * y),
            (t * x * y + s * z, t * y * y + c, t * y * z - s * x),
            (t * x * z - s * y, t * y * z + s * x, t * z * z + c))


def apply(m, v):
    return (m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2],
            m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2])


def matmul(a, b):
    return tuple(tuple(sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3))
                 for i in range(3))


BALL_RADIUS = 18.6
BALL_SAMPLES = 4


def draw_ball(frame, faces):
    """One frame as (colour, coverage) per pixel; coverage 0 is ground."""
    w, h = BALL_SIZE
    cx, cy = w / 2.0, h / 2.0
    # Spin axis: a pentagon's normal, tilted towards the viewer's upper right
    # so that the ball seems to roll as it flies.
    spin_axis = faces[0][0]
    spin = rotation(spin_axis, -2 * math.pi / 5 * frame / BALL_FRAMES)
    pose = matmul(rotation((1.0, 0.0, 0.0), 0.55), rotation((0.0, 1.0, 0.0), 0.35))
    world = matmul(pose, spin)
    # Light from the upper left, in front.
    light = normalise((-0.55, -0.65, 0.75))
    half = normalise((light[0], light[1], light[2] + 1.0))
    white = (238.0, 238.0, 234.0)
    black = (34.0, 36.0, 44.0)
    seam = (92.0, 92.0, 96.0)
    pixels = []
    n = BALL_SAMPLES
    for y in range(h):
        for x in range(w):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for j in range(n):
                for i in range(n):
                    sx = (x + (i + 0.5) / n - cx) / BALL_RADIUS
                    sy = (y + (j + 0.5) / n - cy) / BALL_RADIUS
                    rr = sx * sx + sy * sy
                    if rr >= 1.0:
                        continue
                    cover += 1
                    sz = math.sqrt(1.0 - rr)
                    view = (sx, sy, sz)
                    # The point on the ball's own surface.
                    p = (world[0][0] * sx + world[1][0] * sy + world[2][0] * sz,
                         world[0][1] * sx + world[1][1] * sy + world[2][1] * sz,
                         world[0][2] * sx + world[1][2] * sy + world[2][2] * sz)
                    best = second = -1e9
                    best_black = False
                    for normal, dist, is_black in faces:
                        s = (normal[0] * p[0] + normal[1] * p[1] + normal[2] * p[2]) / dist
                        if s > best:
                            second, best, best_black = best, s, is_black
                        elif s > second:
                            second = s
                    base = black if best_black else white
                    # Stitched seams where two patches meet.
                    gap = (best - second) * 190.0
                    if gap < 1.0:
                        base = mix(seam, base, gap * gap)
                    diffuse = max(0.0, view[0] * light[0] + view[1] * light[1] + view[2] * light[2])
                    shine = max(0.0, view[0] * half[0] + view[1] * half[1] + view[2] * half[2])
                    shine = shine ** 40 * (0.55 if best_black else 0.35)
                    k = 0.4 + 0.72 * diffuse
                    # Darken towards the rim so the ball reads as round.
                    k *= 0.75 + 0.25 * sz
                    for c in range(3):
                        acc[c] += base[c] * k + 255.0 * shine
            if cover:
                colour = (acc[0] / (n * n), acc[1] / (n * n), acc[2] / (n * n))
                pixels.append((colour, cover / float(n * n)))
            else:
                pixels.append(((0.0, 0.0, 0.0), 0.0))
    return pixels


# Pixels covered less than this are left to the ground; the rest of the rim
# blends the ball's colour towards black, in dark entries that are not 0.
BALL_EDGE = 0.2
# No colour but entry 0 is darker than this in any channel's maximum: a
# display of 15 or 16 bits, or a palette display matching to its nearest
# colour, must never turn a picture's dark pixel into black, the colour the
# ball masks take for the ground.
DARKEST = 32


def ball_canvas(pixels):
    canvas = Canvas(*BALL_SIZE)
    inside = []
    for i, (colour, cover) in enumerate(pixels):
        if cover >= BALL_EDGE:
            c = scale(colour, cover)
            canvas.px[i] = (max(c[0], DARKEST), max(c[1], DARKEST), max(c[2], DARKEST))
            inside.append(True)
        else:
            inside.append(False)
    return canvas, inside


# ---------------------------------------------------------------------------
# Shirt numbers: strokes in a 0.6 x 1 box, y downwards

def arc(cx, cy, rx, ry, a0, a1, steps=14):
    pts = []
    for i in range(steps + 1):
        a = math.radians(a0 + (a1 - a0) * i / steps)
        pts.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return pts


DIGIT_STROKES = {
    "0": [arc(0.3, 0.5, 0.27, 0.47, 0, 360, 28)],
    "1": [[(0.12, 0.2), (0.36, 0.02), (0.36, 0.98)]],
    "2": [arc(0.3, 0.28, 0.26, 0.25, 195, 385, 16) + [(0.04, 0.98), (0.58, 0.98)]],
    "3": [arc(0.29, 0.26, 0.25, 0.23, 200, 450, 16)
          + arc(0.29, 0.73, 0.28, 0.25, 270, 520, 16)[1:]],
    "4": [[(0.46, 0.98), (0.46, 0.02), (0.02, 0.7), (0.6, 0.7)]],
    "5": [[(0.54, 0.02), (0.12, 0.02), (0.07, 0.46)]
          + arc(0.3, 0.69, 0.28, 0.29, 215, 520, 18)],
    "6": [arc(0.32, 0.7, 0.27, 0.68, 290, 180, 14)[:-1]
          + arc(0.31, 0.72, 0.27, 0.26, 180, 540, 24)],
    "7": [[(0.02, 0.02), (0.58, 0.02), (0.22, 0.98)]],
    "8": [arc(0.3, 0.26, 0.23, 0.23, 0, 360, 24), arc(0.3, 0.73, 0.27, 0.25, 0, 360, 24)],
}
DIGIT_STROKES["9"] = [[(0.6 - x, 1.0 - y) for x, y in s] for s in DIGIT_STROKES["6"]]


def sd_number(text, cx, top, height):
    """The shirt number `text`, centred on cx, as one stroked shape."""
    gap = 0.22
    width = len(text) * 0.6 + (len(text) - 1) * gap
    left = cx - width * height / 2
    stroke = height * 0.075
    parts = []
    for k, ch in enumerate(text):
        ox = left + k * (0.6 + gap) * height
        for line in DIGIT_STROKES[ch]:
            pts = [(ox + x * height, top + y * height) for x, y in line]
            parts.append(sd_polyline(pts, stroke))
    return sd_union(*parts), (left - stroke, top - stroke,
                              left + width * height + stroke, top + height + stroke)


# ---------------------------------------------------------------------------
# The portraits: eleven cartoon players of one (made-up) team

SKINS = [
    (246.0, 214.0, 190.0), (234.0, 190.0, 156.0), (212.0, 160.0, 118.0),
    (170.0, 116.0, 78.0), (120.0, 78.0, 52.0), (88.0, 56.0, 40.0),
]
HAIRS = {
    "black": (34.0, 30.0, 30.0), "dark": (66.0, 44.0, 30.0),
    "brown": (118.0, 78.0, 44.0), "blond": (222.0, 184.0, 102.0),
    "red": (184.0, 84.0, 36.0), "grey": (170.0, 168.0, 166.0),
}
EYES = {"brown": (92.0, 56.0, 30.0), "blue": (60.0, 120.0, 190.0),
        "green": (70.0, 130.0, 80.0), "dark": (48.0, 32.0, 24.0)}

TEAM_SHIRT = (200.0, 36.0, 44.0)
TEAM_TRIM = (250.0, 250.0, 250.0)
KEEPER_SHIRT = (40.0, 150.0, 70.0)
KEEPER_TRIM = (250.0, 220.0, 60.0)

# number, skin, hair colour, hair style, face (rx, ry, jaw), eyes, extras
PLAYERS = [
    (1, 1, "dark", "short", (46, 58, 0.85), "brown", {"keeper": True}),
    (2, 3, "black", "buzz", (50, 56, 0.93), "dark", {}),
    (3, 0, "red", "curly", (43, 58, 0.78), "green", {"freckles": True, "mouth": "grin"}),
    (4, 5, "black", "afro", (47, 60, 0.8), "dark", {"mouth": "grin"}),
    (5, 0, "blond", "side", (44, 62, 0.72), "blue", {}),
    (6, 2, "brown", "spiky", (48, 55, 0.9), "brown", {"mouth": "grin"}),
    (7, 4, "black", "mohawk", (43, 60, 0.8), "dark", {}),
    (8, 1, "grey", "bald", (51, 57, 0.95), "blue", {"moustache": True}),
    (9, 2, "black", "long", (44, 58, 0.76), "brown", {"headband": True, "mouth": "smirk"}),
    (10, 3, "dark", "curly", (47, 57, 0.86), "brown", {"beard": True}),
    (11, 1, "brown", "side", (46, 57, 0.84), "green", {"stubble": True, "part": 1}),
]


def shaded(colour, cx, cy, rx, ry, strength=0.35):
    """A colour lit from the upper left over an ellipse around (cx, cy)."""
    def fn(x, y):
        nx, ny = (x - cx) / rx, (y - cy) / ry
        k = 1.0 + strength * (-0.45 * nx - 0.35 * ny) - strength * 0.6 * (nx * nx + ny * ny) ** 1.5
        return scale(colour, clamp(k, 0.2, 1.3))
    return fn


def draw_portrait(index):
    number, skin_i, hair_name, style, face, eye_name, extras = PLAYERS[index]
    w, h = PORTRAIT_SIZE
    canvas = Canvas(w, h)
    skin = SKINS[skin_i]
    hair = HAIRS[hair_name]
    eye = EYES[eye_name]
    keeper = extras.get("keeper", False)
    shirt = KEEPER_SHIRT if keeper else TEAM_SHIRT
    trim = KEEPER_TRIM if keeper else TEAM_TRIM
    rx, ry, jaw = face
    hx, hy = 100.0, 118.0

    # Background: an evening sky over a stadium's glow, each player on a
    # slightly different hue so the eleven are told apart at a glance.
    hue_shift = (index - 5) * 3.0

    def sky(x, y):
        t = y / h
        top = (40.0 + hue_shift, 80.0, 150.0 - hue_shift)
        low = (150.0, 190.0 + hue_shift * 0.5, 225.0)
        c = mix(top, low, smoothstep(0.0, 0.75, t))
        glow = math.exp(-(((x - 100) / 110.0) ** 2 + ((y - 130) / 120.0) ** 2))
        return mix(c, (235.0, 240.0, 250.0), 0.35 * glow)
    canvas.shade(sky)

    # Hair that sits behind the head and falls to the shoulders.
    if style == "long":
        back = sd_union(sd_ellipse(hx, hy - 12, rx + 12, ry * 0.9 + 8),
                        sd_segment(hx - rx - 1, hy - 14, hx - rx + 5, hy + 66, 14),
                        sd_segment(hx + rx + 1, hy - 14, hx + rx - 5, hy + 66, 14))
        canvas.paint(back, shaded(scale(hair, 0.8), hx - 10, hy, rx + 20, ry + 50, 0.4),
                     (hx - rx - 20, hy - ry - 30, hx + rx + 20, hy + 84))
    if style == "afro":
        bumps = [sd_ellipse(hx, hy - 18, rx + 14, ry + 2)]
        for k in range(18):
            a = math.pi * (0.78 + 1.44 * k / 17)
            bumps.append(sd_circle(hx + (rx + 14) * math.cos(a), hy - 18 + (ry + 2) * math.sin(a), 12))
        canvas.paint(sd_union(*bumps), shaded(hair, hx - 14, hy - 50, rx + 34, ry + 26, 0.55),
                     (hx - rx - 30, hy - ry - 40, hx + rx + 30, hy + 40))

    # The shirt: shoulders falling away from the neck on both sides.
    def shoulders(x, y):
        u = abs(x - hx) / 100.0
        line = 193.0 + 24.0 * u ** 2.6
        slope = 24.0 * 2.6 * u ** 1.6 / 100.0
        return (line - y) / math.sqrt(1 + slope * slope)

    def shirt_colour(x, y):
        k = 1.05 - 0.0025 * abs(x - hx + 18) - 0.0012 * (y - 200)
        # A soft fold shadow under the collar and down the sleeve seams.
        k -= 0.12 * math.exp(-((x - hx) / 26.0) ** 2 - ((y - 212) / 10.0) ** 2)
        for side in (-1, 1):
            k -= 0.16 * math.exp(-((x - hx - side * (66 + 0.2 * (y - 210))) / 7.0) ** 2) * (y > 200)
        return scale(shirt, clamp(k, 0.45, 1.2))
    canvas.paint(shoulders, shirt_colour, (0, 180, 200, 300))

    # Crew-neck collar: the back of the ring, the inside of the shirt, the
    # neck, then the front of the ring over it.
    cyc = 200.0
    ring = sd_subtract(sd_ellipse(hx, cyc, 32, 13), sd_ellipse(hx, cyc - 2, 22, 7))
    trim_fn = shaded(trim, hx - 10, cyc - 6, 36, 14, 0.35)
    box_collar = (hx - 36, cyc - 16, hx + 36, cyc + 16)
    canvas.paint(ring, lambda x, y: scale(trim, 0.78), box_collar)
    canvas.paint(sd_ellipse(hx, cyc - 2, 22, 7), scale(shirt, 0.4), box_collar)

    def neck_colour(x, y):
        t = clamp((y - (hy + ry * 0.8)) / 34.0)
        side = abs(x - hx) / 19.0
        return scale(skin, (0.7 + 0.22 * t) * (1.0 - 0.12 * side * side))
    neck = sd_intersect(sd_box(hx, 170, 19, 30, 6),
                        sd_union(lambda x, y: y - cyc, sd_ellipse(hx, cyc - 2, 22, 7)))
    canvas.paint(neck, neck_colour, (hx - 24, 130, hx + 24, cyc + 10))
    canvas.paint(sd_intersect(ring, lambda x, y: cyc - 3 - y), trim_fn, box_collar)

    # The number on the chest, with a soft shadow.
    text = str(number)
    num_sd, num_box = sd_number(text, hx, 226, 56)
    canvas.paint(lambda x, y: num_sd(x - 1.5, y - 2.0) - 0.5, scale(shirt, 0.5),
                 (num_box[0], num_box[1], num_box[2] + 4, num_box[3] + 4), 0.8)
    canvas.paint(num_sd, shaded(trim, hx - 20, 230, 80, 60, 0.25), num_box)

    # Ears, then the face: an upper ellipse and a narrower jaw blended.
    for side in (-1, 1):
        ear = sd_ellipse(hx + side * (rx - 2), hy + 6, 10, 15)
        canvas.paint(ear, shaded(skin, hx + side * (rx - 6), hy + 2, 16, 18, 0.35),
                     (hx + side * rx - 16, hy - 14, hx + side * rx + 16, hy + 26))
        canvas.paint(sd_ellipse(hx + side * (rx - 1), hy + 6, 4, 8), scale(skin, 0.78),
                     (hx + side * rx - 8, hy - 4, hx + side * rx + 8, hy + 16))
    head = sd_smooth_union(sd_ellipse(hx, hy - 6, rx, ry * 0.88),
                           sd_ellipse(hx, hy + ry * 0.25, rx * jaw, ry * 0.72), 12)
    canvas.paint(head, shaded(skin, hx - 6, hy - 6, rx + 8, ry + 6, 0.38),
                 (hx - rx - 2, hy - ry - 2, hx + rx + 2, hy + ry + 8))

    # Hair on top of the head.
    top = hy - ry * 0.88 - 6
    hair_fn = shaded(hair, hx - 12, top + 20, rx + 10, 40, 0.5)
    crown = sd_intersect(sd_ellipse(hx, hy - 10, rx + 4, ry * 0.88 + 6),
                         lambda x, y: y - (hy - ry * 0.38 + 6 * math.cos((x - hx) / 14.0)))
    if style in ("short", "side", "long"):
        canvas.paint(crown, hair_fn, (hx - rx - 8, top - 4, hx + rx + 8, hy))
        if style == "side":
            part = extras.get("part", -1)
            canvas.paint(sd_ellipse(hx + part * 14, top + 14, rx * 0.8, 16), hair_fn,
                         (hx - rx - 8, top - 8, hx + rx + 8, top + 34))
        if style == "long":
            for side in (-1, 1):
                canvas.paint(sd_ellipse(hx + side * (rx - 2), hy - 8, 9, 30), hair_fn,
                             (hx + side * rx - 14, hy - 42, hx + side * rx + 14, hy + 26))
        # A soft sheen where the light catches the hair.
        shine = sd_intersect(sd_polyline(arc(hx + 4, top + 34, rx * 0.75, 26, 205, 285, 10), 3.5),
                             crown)
        canvas.paint(shine, mix(hair, (255.0, 255.0, 255.0), 0.35),
                     (hx - rx - 8, top - 8, hx + rx + 8, hy), 0.6)
    elif style == "buzz":
        canvas.paint(sd_intersect(sd_ellipse(hx, hy - 10, rx + 1, ry * 0.88 + 2),
                                  lambda x, y: y - (hy - ry * 0.42)),
                     lambda x, y: mix(skin, hair, 0.75), (hx - rx - 4, top, hx + rx + 4, hy))
    elif style in ("curly", "afro"):
        blobs = []
        count = 9 if style == "curly" else 13
        for k in range(count):
            a = math.pi * (1.05 + 0.9 * k / (count - 1))
            rr = rx * (0.95 if style == "curly" else 1.15)
            bx = hx + rr * math.cos(a)
            by = hy - 14 + ry * 0.82 * math.sin(a)
            blobs.append(sd_circle(bx, by, 13 if style == "curly" else 16))
        blobs.append(sd_ellipse(hx, top + 16, rx * 0.9, 20))
        canvas.paint(sd_union(*blobs), hair_fn, (hx - rx - 30, top - 30, hx + rx + 30, hy + 10))
        for k in range(count):
            a = math.pi * (1.05 + 0.9 * k / (count - 1))
            bx = hx + rx * 0.9 * math.cos(a) - 3
            by = hy - 18 + ry * 0.78 * math.sin(a)
            canvas.paint(sd_circle(bx, by, 4), scale(hair, 1.35), (bx - 6, by - 6, bx + 6, by + 6),
                         0.6)
    elif style == "spiky":
        spikes = [crown]
        for k in range(7):
            bx = hx - rx * 0.8 + k * rx * 1.6 / 6
            spikes.append(sd_polyline([(bx - 6, top + 20), (bx + 3, top - 12 + 4 * (k % 2))], 5))
        canvas.paint(sd_union(*spikes), hair_fn, (hx - rx - 10, top - 20, hx + rx + 10, hy))
    elif style == "mohawk":
        canvas.paint(sd_intersect(sd_ellipse(hx, hy - 10, rx + 1, ry * 0.88 + 2),
                                  lambda x, y: y - (hy - ry * 0.42)),
                     lambda x, y: mix(skin, hair, 0.35), (hx - rx - 4, top, hx + rx + 4, hy))
        canvas.paint(sd_ellipse(hx, top + 10, 11, 28), hair_fn, (hx - 14, top - 22, hx + 14, top + 40))
    elif style == "bald":
        fringe = shaded(hair, hx, hy, rx, ry, 0.2)
        for side in (-1, 1):
            patch = sd_intersect(sd_ellipse(hx + side * (rx - 1), hy - 6, 8, 15), head)
            canvas.paint(patch, fringe, (hx + side * rx - 14, hy - 26, hx + side * rx + 10, hy + 14))
        canvas.paint(sd_ellipse(hx - 16, top + 22, 12, 7), (255.0, 255.0, 255.0),
                     (hx - 30, top + 12, hx, top + 32), 0.25)
    if extras.get("headband"):
        band = sd_intersect(sd_ellipse(hx, hy - 10, rx + 5, ry * 0.88 + 7),
                            lambda x, y: abs(y - (top + 30)) - 6)
        canvas.paint(band, shaded(trim, hx, top + 30, rx, 10, 0.3), (hx - rx - 8, top + 20, hx + rx + 8, top + 40))

    # Eyes, brows, nose, mouth.
    ey = hy + 2
    for side in (-1, 1):
        ex = hx + side * rx * 0.38
        canvas.paint(sd_ellipse(ex, ey, 9, 6.5), (250.0, 250.0, 248.0), (ex - 11, ey - 9, ex + 11, ey + 9))
        canvas.paint(sd_intersect(sd_circle(ex + 1, ey, 5), sd_ellipse(ex, ey, 9, 6.5)), eye,
                     (ex - 7, ey - 7, ex + 7, ey + 7))
        canvas.paint(sd_circle(ex + 1, ey, 2.4), (20.0, 16.0, 16.0), (ex - 3, ey - 3, ex + 5, ey + 3))
        canvas.paint(sd_circle(ex - 0.5, ey - 2, 1.3), (255.0, 255.0, 255.0), (ex - 3, ey - 4, ex + 2, ey))
        canvas.paint(sd_polyline(arc(ex, ey + 2, 10, 6.5, 200, 340, 8), 1.0), scale(skin, 0.62),
                     (ex - 12, ey - 8, ex + 12, ey + 4))
        brow_hair = hair if hair_name != "grey" else (120.0, 118.0, 116.0)
        canvas.paint(sd_polyline(arc(ex, ey - 4 + (1 if side > 0 else 0), 12, 9, 205, 335, 8), 2.2),
                     scale(brow_hair, 0.85), (ex - 15, ey - 18, ex + 15, ey))
    canvas.paint(sd_polyline([(hx - 2, ey + 6), (hx - 6, ey + 22), (hx + 2, ey + 25)], 1.6),
                 scale(skin, 0.7), (hx - 10, ey + 2, hx + 6, ey + 30))
    my = hy + ry * 0.55
    # Beards follow the jaw up to the sideburns; stubble is a soft shadow
    # of the hair colour over the same area.
    beard_line = lambda x, y: (hy + 16 - 14 * ((x - hx) / rx) ** 2) - y
    if extras.get("beard"):
        beard = sd_subtract(sd_intersect(head, beard_line), sd_ellipse(hx, my, 14, 8))
        canvas.paint(beard, shaded(hair, hx, my, rx, 30, 0.3),
                     (hx - rx - 2, hy - 4, hx + rx + 2, hy + ry + 8), 0.92)
    if extras.get("stubble"):
        face_fn = shaded(skin, hx - 6, hy - 6, rx + 8, ry + 6, 0.38)

        stubble_line = lambda x, y: (hy + 24 - 12 * ((x - hx) / rx) ** 2) - y

        def stubble(x, y):
            t = smoothstep(0.0, 16.0, -stubble_line(x, y))
            return mix(face_fn(x, y), hair, 0.4 * t)
        canvas.paint(sd_intersect(head, stubble_line), stubble,
                     (hx - rx - 2, hy - 8, hx + rx + 2, hy + ry + 8))
    if extras.get("moustache"):
        for side in (-1, 1):
            canvas.paint(sd_polyline([(hx, my - 9), (hx + side * 9, my - 10), (hx + side * 17, my - 4)], 3.2),
                         scale(hair, 0.9), (hx - 22, my - 16, hx + 22, my))
    lips = mix(scale(skin, 0.5), (170.0, 40.0, 50.0), 0.55)
    mouth_box = (hx - 22, my - 14, hx + 22, my + 8)
    if extras.get("mouth") == "grin":
        # An open laugh: the mouth's inside, a row of teeth, the lip line.
        opening = sd_intersect(sd_ellipse(hx, my - 6, 15, 10), lambda x, y: my - 5 - y)
        canvas.paint(opening, (110.0, 34.0, 40.0), mouth_box)
        canvas.paint(sd_intersect(opening, sd_ellipse(hx, my - 6, 14, 5.5)), (248.0, 246.0, 240.0),
                     mouth_box)
        canvas.paint(lambda x, y: abs(opening(x, y)) - 0.8, lips, mouth_box)
    elif extras.get("mouth") == "smirk":
        canvas.paint(sd_polyline(arc(hx + 4, my - 14, 15, 12, 40, 150, 10), 2.0), lips, mouth_box)
    else:
        canvas.paint(sd_polyline(arc(hx, my - 10, 17, 12, 35, 145, 10), 2.0), lips, mouth_box)
    if extras.get("freckles"):
        for k in range(14):
            side = -1 if k % 2 else 1
            fx = hx + side * (rx * 0.32 + 14 * hash01(k, 1) - 4)
            fy = ey + 12 + 10 * hash01(k, 2)
            canvas.paint(sd_circle(fx, fy, 1.1), scale(skin, 0.72), (fx - 3, fy - 3, fx + 3, fy + 3))
    # A little warmth on the cheeks.
    for side in (-1, 1) if not extras.get("beard") else ():
        cxk = hx + side * rx * 0.52
        canvas.paint(sd_ellipse(cxk, ey + 19, 9, 5), mix(skin, (230.0, 90.0, 90.0), 0.5),
                     (cxk - 12, ey + 10, cxk + 12, ey + 28), 0.22)
    # A card's border, so that the portrait sits on the pitch as a card.
    inner = sd_box(w / 2, h / 2, w / 2 - 5, h / 2 - 5, 7)
    canvas.paint(sd_subtract(lambda x, y: -1.0, inner),
                 lambda x, y: mix((250.0, 246.0, 232.0), (214.0, 206.0, 184.0), y / h))
    canvas.paint(sd_subtract(lambda x, y: -1.0, sd_box(w / 2, h / 2, w / 2 - 0.6, h / 2 - 0.6, 0)),
                 (120.0, 116.0, 100.0))
    canvas.paint(lambda x, y: abs(inner(x, y)) - 0.6, scale(trim if keeper else shirt, 0.8))
    return canvas


# ---------------------------------------------------------------------------
# The preview: the whole saver in miniature

def compose_screen(width, height, tile, portrait, balls, ball_spots):
    """The saver's screen in true colour: tiles, the portrait, some balls."""
    screen = Canvas(width, height)
    tw, th = tile.width, tile.height
    for y in range(height):
        for x in range(width):
            screen.px[y * width + x] = tile.px[(y % th) * tw + (x % tw)]
    px0 = (width - portrait.width) // 2
    py0 = (height - portrait.height) // 2
    for y in range(portrait.height):
        for x in range(portrait.width):
            screen.px[(py0 + y) * width + px0 + x] = portrait.px[y * portrait.width + x]
    for (bx, by, frame) in ball_spots:
        ball, inside = balls[frame]
        for y in range(ball.height):
            for x in range(ball.width):
                if inside[y * ball.width + x] and 0 <= by + y < height and 0 <= bx + x < width:
                    screen.px[(by + y) * width + bx + x] = ball.px[y * ball.width + x]
    return screen


def scaled(canvas, k):
    """Nearest-neighbour enlargement, so box filtering can shrink it again."""
    out = Canvas(canvas.width * k, canvas.height * k)
    for y in range(out.height):
        row = (y // k) * canvas.width
        for x in range(out.width):
            out.px[y * out.width + x] = canvas.px[row + x // k]
    return out


def draw_preview(tile, portrait, balls):
    """A 600 x 440 screen shrunk four times: 50-pixel tiles, the portrait
    50 x 75, balls of 10 pixels."""
    w, h = PREVIEW_SIZE
    # The tile at a quarter of its size, replicated back to 200 pixels: on
    # the large screen it repeats every 200 pixels, in the preview every 50.
    small_tile = scaled(tile.downsample(4), 4)
    spots = [(60, 300, 0), (150, 120, 2), (420, 70, 4), (500, 260, 1), (250, 380, 3),
             (440, 370, 5), (30, 40, 3)]
    screen = compose_screen(w * 4, h * 4, small_tile, portrait, balls, spots)
    return screen.downsample(4)


# ---------------------------------------------------------------------------
# Colour tables: median cut over what was drawn, around the reserved colours

def median_cut(weights, count):
    """`count` colours for a {(r, g, b): weight} histogram."""
    boxes = [list(weights.items())]

    def score(box):
        if len(box) < 2:
            return -1.0
        total = sum(wt for _, wt in box)
        err = 0.0
        for ch in range(3):
            mean = sum(c[ch] * wt for c, wt in box) / total
            err += sum((c[ch] - mean) ** 2 * wt for c, wt in box)
        return err

    scores = [score(boxes[0])]
    while len(boxes) < count:
        i = max(range(len(boxes)), key=lambda k: (scores[k], -k))
        if scores[i] <= 0:
            break
        box = boxes[i]
        ranges = [max(c[ch] for c, _ in box) - min(c[ch] for c, _ in box) for ch in range(3)]
        ch = max(range(3), key=lambda k: (ranges[k], -k))
        box.sort(key=lambda e: (e[0][ch], e[0]))
        total = sum(wt for _, wt in box)
        run = 0.0
        cut = 1
        for k, (_, wt) in enumerate(box):
            run += wt
            if run >= total / 2:
                cut = max(1, min(len(box) - 1, k + 1))
                break
        a, b = box[:cut], box[cut:]
        boxes[i] = a
        boxes.append(b)
        scores[i] = score(a)
        scores.append(score(b))
    colours = []
    for box in boxes:
        total = sum(wt for _, wt in box)
        colours.append(tuple(int(round(sum(c[ch] * wt for c, wt in box) / total)) for ch in range(3)))
    return colours


def histogram(canvases_with_weight, bits=6):
    shift = 8 - bits
    hist = {}
    for canvas, weight, inside in canvases_with_weight:
        for i, c in enumerate(canvas.px):
            if inside is not None and not inside[i]:
                continue
            key = (int(clamp(c[0], 0, 255)) >> shift << shift | (1 << shift >> 1),
                   int(clamp(c[1], 0, 255)) >> shift << shift | (1 << shift >> 1),
                   int(clamp(c[2], 0, 255)) >> shift << shift | (1 << shift >> 1))
            hist[key] = hist.get(key, 0) + weight
    return hist


def make_table(sources):
    table = [None] * 256
    for i, r, g, b in STANDARD_COLOURS:
        table[i] = (r, g, b)
    chosen = median_cut(histogram(sources), len(FREE_ENTRIES))
    chosen.sort(key=lambda c: (0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2], c))
    used = set(table[i] for i, _, _, _ in STANDARD_COLOURS)
    # Fill any entries median cut left over with a grey ramp.
    k = 0
    while len(chosen) < len(FREE_ENTRIES):
        k += 1
        chosen.append((k * 2 + 3, k * 2 + 3, k * 2 + 3))
    for slot, c in zip(FREE_ENTRIES, chosen):
        if max(c) < DARKEST:
            c = (max(c[0], DARKEST), max(c[1], DARKEST), max(c[2], DARKEST))
        if c in used:
            c = (c[0], c[1], c[2] + 1 if c[2] < 255 else c[2] - 1)
        used.add(c)
        table[slot] = c
    return table


WEIGHTS = (3, 4, 2)  # the eye cares most about green, least about blue
CELL = 32           # side of the colour cells that keep candidate lists


class Quantiser:
    """Nearest table entry for a colour; may leave out entry 0.

    Each 32-wide cell of the colour cube keeps the few entries that can be
    nearest to some colour inside it, so a search looks at those alone."""

    def __init__(self, table):
        self.table = table
        self.cache = {}
        self.cells = {}

    def candidates(self, cell, allow_black):
        key = cell + (allow_black,)
        found = self.cells.get(key)
        if found is not None:
            return found
        lo = [c * CELL for c in cell]
        hi = [c * CELL + CELL - 1 for c in cell]
        near, far = [], []
        for i, entry in enumerate(self.table):
            if i == 0 and not allow_black:
                continue
            dmin = dmax = 0
            for ch in range(3):
                v = entry[ch]
                below = lo[ch] - v if v < lo[ch] else v - hi[ch] if v > hi[ch] else 0
                above = max(abs(v - lo[ch]), abs(v - hi[ch]))
                dmin += WEIGHTS[ch] * below * below
                dmax += WEIGHTS[ch] * above * above
            near.append((dmin, i))
            far.append(dmax)
        bound = min(far)
        found = [(i, self.table[i]) for dmin, i in near if dmin <= bound]
        self.cells[key] = found
        return found

    def index(self, colour, allow_black=True):
        r = int(round(clamp(colour[0], 0, 255)))
        g = int(round(clamp(colour[1], 0, 255)))
        b = int(round(clamp(colour[2], 0, 255)))
        key = (r, g, b, allow_black)
        hit = self.cache.get(key)
        if hit is not None:
            return hit
        best, best_d = 0, 1 << 60
        for i, (tr, tg, tb) in self.candidates((r // CELL, g // CELL, b // CELL), allow_black):
            dr, dg, db = r - tr, g - tg, b - tb
            d = 3 * dr * dr + 4 * dg * dg + 2 * db * db
            if d < best_d:
                best, best_d = i, d
        self.cache[key] = best
        return best


BAYER = [[0, 32, 8, 40, 2, 34, 10, 42], [48, 16, 56, 24, 50, 18, 58, 26],
         [12, 44, 4, 36, 14, 46, 6, 38], [60, 28, 52, 20, 62, 30, 54, 22],
         [3, 35, 11, 43, 1, 33, 9, 41], [51, 19, 59, 27, 49, 17, 57, 25],
         [15, 47, 7, 39, 13, 45, 5, 37], [63, 31, 55, 23, 61, 29, 53, 21]]


def quantise(canvas, q, inside=None, dither="diffuse"):
    """Table indices for a canvas. "diffuse" spreads each pixel's error to
    its neighbours, so gradients show no bands; "ordered" uses a fixed 8 x 8
    pattern, which keeps a repeating tile seamless; pixels outside `inside`
    become 0 and no other pixel does."""
    w, h = canvas.width, canvas.height
    out = bytearray(w * h)
    table = q.table
    next_err = None
    for y in range(h):
        row_err = [[0.0, 0.0, 0.0] for _ in range(w)] if y == 0 else next_err
        next_err = [[0.0, 0.0, 0.0] for _ in range(w)]
        for x in range(w):
            i = y * w + x
            if inside is not None and not inside[i]:
                continue
            c = canvas.px[i]
            if dither == "ordered":
                t = (BAYER[y % 8][x % 8] + 0.5) / 64.0 - 0.5
                c = (c[0] + 10 * t, c[1] + 8 * t, c[2] + 12 * t)
            elif dither == "diffuse":
                e = row_err[x]
                c = (c[0] + e[0], c[1] + e[1], c[2] + e[2])
            k = q.index(c, allow_black=inside is None)
            out[i] = k
            if dither != "diffuse":
                continue
            t = table[k]
            # Capped so that a hard edge does not smear colour across.
            ex = [clamp(c[ch] - t[ch], -20.0, 20.0) for ch in range(3)]
            for dx, dy, wt in ((1, 0, 7), (-1, 1, 3), (0, 1, 5), (1, 1, 1)):
                nx = x + dx
                if not 0 <= nx < w:
                    continue
                if inside is not None and y + dy < h and not inside[(y + dy) * w + nx]:
                    continue
                target = row_err[nx] if dy == 0 else next_err[nx]
                for ch in range(3):
                    target[ch] += ex[ch] * wt / 16.0
    return bytes(out)


# ---------------------------------------------------------------------------
# The packed bitmap format

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


def draw_all():
    """{file name: bytes} of every picture."""
    faces = football_faces()
    tile = draw_tile()
    balls = [ball_canvas(draw_ball(f, faces)) for f in range(BALL_FRAMES)]
    portraits = [draw_portrait(i) for i in range(PORTRAITS)]

    sources = [(tile, 3, None)]
    sources += [(b, 40, inside) for b, inside in balls]
    sources += [(p, 1, None) for p in portraits]
    table = make_table(sources)
    q = Quantiser(table)
    files = {}
    files["tile.bmp"] = bmp_bytes(*TILE_SIZE, table, quantise(tile, q, dither="ordered"))
    for f, (ball, inside) in enumerate(balls):
        files["ball%d.bmp" % (f + 1)] = bmp_bytes(*BALL_SIZE, table, quantise(ball, q, inside))
    for i, p in enumerate(portraits):
        files["portrait%02d.bmp" % (i + 1)] = bmp_bytes(*PORTRAIT_SIZE, table, quantise(p, q))

    preview = draw_preview(tile, portraits[6], balls)
    preview_table = make_table([(preview, 1, None)])
    files["preview.bmp"] = bmp_bytes(*PREVIEW_SIZE, preview_table,
                                     quantise(preview, Quantiser(preview_table)))
    return files


# ---------------------------------------------------------------------------
# Format rules, checked on files as committed

def verify(directory):
    problems = []
    sizes = {"tile.bmp": TILE_SIZE, "preview.bmp": PREVIEW_SIZE}
    for f in range(BALL_FRAMES):
        sizes["ball%d.bmp" % (f + 1)] = BALL_SIZE
    for i in range(PORTRAITS):
        sizes["portrait%02d.bmp" % (i + 1)] = PORTRAIT_SIZE
    shared = None
    for name in FILES:
        path = os.path.join(directory, name)
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            problems.append("%s: %s" % (name, e))
            continue
        width, height = sizes[name]
        stride = (width + 3) & ~3
        if data[:2] != b"BM" or struct.unpack_from("<I", data, 2)[0] != len(data) \
                or struct.unpack_from("<I", data, 10)[0] != 1078:
            problems.append("%s: file header" % name)
        expected = (40, width, height, 1, 8, 0, stride * height, 0, 0, 256, 256)
        fields = struct.unpack_from("<IiiHHIIiiII", data, 14)
        if fields != expected:
            problems.append("%s: header %r, want %r" % (name, fields, expected))
            continue
        if len(data) != 14 + 1064 + stride * height:
            problems.append("%s: %d bytes" % (name, len(data)))
            continue
        w, h, table, pixels, _ = read_bmp(data)
        for i, r, g, b in STANDARD_COLOURS:
            if table[i] != (r, g, b, 0):
                problems.append("%s: entry %d is %r" % (name, i, table[i]))
        for i, entry in enumerate(table):
            if entry[3] != 0:
                problems.append("%s: entry %d reserved byte" % (name, i))
            if i != 0 and max(entry[:3]) < DARKEST:
                problems.append("%s: entry %d is (nearly) black" % (name, i))
        for y in range(height):
            row = 1078 + y * stride
            if any(data[row + width:row + stride]):
                problems.append("%s: row padding not zero" % name)
                break
        if name != "preview.bmp":
            if shared is None:
                shared = table
            elif table != shared:
                problems.append("%s: colour table differs from tile.bmp" % name)
        if name.startswith("ball"):
            problems += ball_problems(name, pixels)
        if name == "tile.bmp":
            problems += seam_problems(name, width, height, table, pixels)
    return problems


def seam_problems(name, width, height, table, pixels):
    """Repeated edge to edge, the tile must show no seam: the step across the
    wrap may be no larger than the usual step between neighbouring pixels."""
    def step(a, b):
        ca, cb = table[a], table[b]
        return sum(abs(ca[ch] - cb[ch]) for ch in range(3))

    problems = []
    for across, size, other in (("columns", width, height), ("rows", height, width)):
        def at(i, j):
            return pixels[j * width + i] if across == "columns" else pixels[i * width + j]
        inner = sum(step(at(i, j), at(i + 1, j)) for i in range(size - 1) for j in range(other))
        inner /= float((size - 1) * other)
        wrap = sum(step(at(size - 1, j), at(0, j)) for j in range(other)) / float(other)
        if wrap > inner * 1.25 + 1:
            problems.append("%s: seam between the last and first %s (%.1f against %.1f)"
                            % (name, across, wrap, inner))
    return problems


def loop_problems():
    """The frame after the last must be the first again, so the ball turns
    on without a jump."""
    faces = football_faces()
    first = draw_ball(0, faces)
    after_last = draw_ball(BALL_FRAMES, faces)
    worst = max(abs(a[0][ch] - b[0][ch]) for a, b in zip(first, after_last) for ch in range(3))
    if worst > 1.0:
        return ["ball: the frame after the last differs from the first by %.1f" % worst]
    return []


def ball_problems(name, pixels):
    """The ground is index 0, the ball never: one round blob, ground around."""
    w, h = BALL_SIZE
    problems = []
    inside = [p != 0 for p in pixels]
    # Everything on the border is ground, and the ball is one piece with no
    # holes: a flood fill from the corner reaches exactly the 0 pixels.
    if any(inside[x] or inside[(h - 1) * w + x] for x in range(w)) or \
            any(inside[y * w] or inside[y * w + w - 1] for y in range(h)):
        problems.append("%s: ball touches the border" % name)
    seen = [False] * (w * h)
    stack = [0]
    seen[0] = True
    while stack:
        i = stack.pop()
        x, y = i % w, i // w
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if 0 <= nx < w and 0 <= ny < h:
                j = ny * w + nx
                if not seen[j] and not inside[j]:
                    seen[j] = True
                    stack.append(j)
    zeros = sum(1 for p in pixels if p == 0)
    if sum(seen) != zeros:
        problems.append("%s: index 0 inside the ball" % name)
    area = w * h - zeros
    if not 900 <= area <= 1200:
        problems.append("%s: ball area %d is not round and full" % name)
    # Compare with the disc the ball is drawn in: every pixel well inside it
    # is ball, every pixel well outside is ground.
    for y in range(h):
        for x in range(w):
            r = math.hypot(x + 0.5 - w / 2, y + 0.5 - h / 2)
            if r < BALL_RADIUS - 1 and not inside[y * w + x]:
                problems.append("%s: ground at %d,%d inside the ball" % (name, x, y))
            if r > BALL_RADIUS + 1 and inside[y * w + x]:
                problems.append("%s: ball at %d,%d outside its disc" % (name, x, y))
    return problems[:5]


# ---------------------------------------------------------------------------
# PNG output for looking at the pictures

def png_bytes(width, height, rgb_rows):
    raw = b"".join(b"\0" + bytes(row) for row in rgb_rows)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bmp_rgb(data):
    width, height, table, pixels, _ = read_bmp(data)
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            row += bytes(table[pixels[y * width + x]][:3])
        rows.append(row)
    return width, height, rows


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


def main(argv):
    if len(argv) == 3 and argv[1] == "--verify":
        problems = verify(argv[2])
    elif len(argv) == 3 and argv[1] == "--check":
        problems = verify(argv[2])
        problems += loop_problems()
        for name, data in sorted(draw_all().items()):
            try:
                with open(os.path.join(argv[2], name), "rb") as f:
                    if f.read() != data:
                        problems.append("%s differs from what the generator draws" % name)
            except OSError as e:
                problems.append("%s: %s" % (name, e))
    elif len(argv) == 4 and argv[1] == "--png":
        write_pngs(argv[2], argv[3])
        return 0
    elif len(argv) == 2 and not argv[1].startswith("-"):
        os.makedirs(argv[1], exist_ok=True)
        for name, data in sorted(draw_all().items()):
            with open(os.path.join(argv[1], name), "wb") as f:
                f.write(data)
        return 0
    else:
        sys.stderr.write(__doc__)
        return 2
    for p in problems:
        print(p)
    print("%d problem(s)" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
