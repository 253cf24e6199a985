"""Format rules, checked on the files as committed."""

import math
import os
import struct

from .bmp import read_bmp
from .colours import DARKEST, STANDARD_COLOURS
from .football import BALL_FRAMES, ball_radius, draw_ball, football_faces
from .inventory import FILES, SIZES, ball_name, portrait_name
from .portraits import PORTRAITS


def verify(directory):
    problems = []
    tables = {}
    for name in FILES:
        path = os.path.join(directory, name)
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            problems.append("%s: %s" % (name, e))
            continue
        width, height = SIZES[name]
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
        # The previews share one table, every other picture the tile's.
        first = "preview.bmp" if name.startswith("preview") else "tile.bmp"
        if tables.setdefault(first, table) != table:
            problems.append("%s: colour table differs from %s" % (name, first))
        if name.startswith("ball"):
            problems += ball_problems(name, width, pixels)
        if name.startswith("tile"):
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


def ball_problems(name, side, pixels):
    """The ground is index 0, the ball never: one round blob, ground around."""
    w = h = side
    radius = ball_radius(side)
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
    if not 900 <= area * 1600 / (side * side) <= 1200:
        problems.append("%s: ball area %d is not round and full" % name)
    # Compare with the disc the ball is drawn in: every pixel well inside it
    # is ball, every pixel well outside is ground.
    for y in range(h):
        for x in range(w):
            r = math.hypot(x + 0.5 - w / 2, y + 0.5 - h / 2)
            if r < radius - 1 and not inside[y * w + x]:
                problems.append("%s: ground at %d,%d inside the ball" % (name, x, y))
            if r > radius + 1 and inside[y * w + x]:
                problems.append("%s: ball at %d,%d outside its disc" % (name, x, y))
    return problems[:5]


# The 200 % pictures and the 100 % ones they double. Averaged over each
# 2 x 2 block, a 200 % picture is its 100 % one to within this many levels
# a channel, on the mean over the picture.
DOUBLED = [("tile200.bmp", "tile.bmp"), ("preview200.bmp", "preview.bmp")]
DOUBLED += [(portrait_name(i, 2), portrait_name(i, 1)) for i in range(PORTRAITS)]
DOUBLED += [(ball_name(f, 80), ball_name(f, 40)) for f in range(BALL_FRAMES)]
MOST_LEVELS = 6.0


def mean_difference(large, small):
    """Mean absolute difference per channel between the 2 x 2 averages of
    one picture and the pixels of the other, each given as read_bmp gives."""
    lw, _, ltable, lpixels, _ = large
    sw, sh, stable, spixels, _ = small
    total = 0
    for y in range(sh):
        for x in range(sw):
            i = 2 * y * lw + 2 * x
            block = [ltable[lpixels[j]] for j in (i, i + 1, i + lw, i + lw + 1)]
            c = stable[spixels[y * sw + x]]
            total += sum(abs(sum(b[ch] for b in block) / 4.0 - c[ch]) for ch in range(3))
    return total / (3.0 * sw * sh)


def doubled_problems(directory, report):
    """Each 200 % picture is its 100 % picture at twice the size; `report`
    is given each figure."""
    problems = []
    for large, small in DOUBLED:
        pictures = []
        for name in (large, small):
            try:
                with open(os.path.join(directory, name), "rb") as f:
                    pictures.append(read_bmp(f.read()))
            except (OSError, struct.error, IndexError):
                continue  # verify reports the file
        if len(pictures) != 2 or pictures[0][0] != 2 * pictures[1][0]:
            continue
        levels = mean_difference(*pictures)
        report("%s against %s: %.2f levels" % (large, small, levels))
        if levels > MOST_LEVELS:
            problems.append("%s: %.2f levels from %s averaged" % (large, levels, small))
    return problems
