"""The football: a truncated icosahedron seen from the front, turning about a
pentagon's axis; 72 degrees bring it back onto itself, so 24 frames of 3
degrees each close the loop. Every fourth of them is one of the six ball
frames, 12 degrees apart, that the saver first carried."""

import math

from .canvas import Canvas, mix, scale
from .colours import DARKEST


BALL_SIZE = (40, 40)
BALL_FRAMES = 6
BALL_TURN_FRAMES = 24
# Turn frames from one ball frame to the next.
TURN_STEP = BALL_TURN_FRAMES // BALL_FRAMES
# The sides of the frames drawn for each step of the display's scale, 125 %
# to 300 % in steps of 25 %; 40 is the side at 100 %.
BALL_SCALED_SIDES = [40 + 10 * step for step in range(1, 9)]


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


def matmul(a, b):
    return tuple(tuple(sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3))
                 for i in range(3))


BALL_RADIUS = 18.6  # at a side of 40 pixels, and in proportion at any side
BALL_SAMPLES = 4    # samples a pixel across at 40; as many over the same width at any side


def ball_radius(side):
    return BALL_RADIUS * (side / 40.0)


def draw_ball(turn, faces, side=40):
    """Turn frame `turn` (0 to 23), `side` pixels square, as (colour,
    coverage) per pixel; coverage 0 is ground. A frame shows the same turn
    at every side."""
    w = h = side
    cx, cy = w / 2.0, h / 2.0
    radius = ball_radius(side)
    # Spin axis: a pentagon's normal, tilted towards the viewer's upper right
    # so that the ball seems to roll as it flies.
    spin_axis = faces[0][0]
    spin = rotation(spin_axis, -2 * math.pi / 5 * turn / BALL_TURN_FRAMES)
    pose = matmul(rotation((1.0, 0.0, 0.0), 0.55), rotation((0.0, 1.0, 0.0), 0.35))
    world = matmul(pose, spin)
    # Light from the upper left, in front.
    light = normalise((-0.55, -0.65, 0.75))
    half = normalise((light[0], light[1], light[2] + 1.0))
    white = (238.0, 238.0, 234.0)
    black = (34.0, 36.0, 44.0)
    seam = (92.0, 92.0, 96.0)
    pixels = []
    n = max(2, -(-BALL_SAMPLES * 40 // side))
    for y in range(h):
        for x in range(w):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for j in range(n):
                for i in range(n):
                    sx = (x + (i + 0.5) / n - cx) / radius
                    sy = (y + (j + 0.5) / n - cy) / radius
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


def ball_canvas(pixels, side=40):
    """The frame's colours over a black ground, and which pixels are ball."""
    canvas = Canvas(side, side)
    inside = []
    for i, (colour, cover) in enumerate(pixels):
        if cover >= BALL_EDGE:
            c = scale(colour, cover)
            canvas.px[i] = (max(c[0], DARKEST), max(c[1], DARKEST), max(c[2], DARKEST))
            inside.append(True)
        else:
            inside.append(False)
    return canvas, inside
