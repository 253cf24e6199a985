"""Format rules, checked on the files as committed."""

import math
import operator
import os
import re
import struct

from .bmp import read_bmp
from .colours import DARKEST, STANDARD_COLOURS
from .football import BALL_FRAMES, BALL_TURN_FRAMES, TURN_STEP, ball_radius, draw_ball, football_faces
from .inventory import BALL_FILES, BALL_SIDES, FILES, SIZES, portrait_name, turn_name
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
        if name in BALL_FILES:
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
    after_last = draw_ball(BALL_TURN_FRAMES, faces)
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
DOUBLED += [(turn_name(t, 80), turn_name(t, 40)) for t in range(BALL_TURN_FRAMES)]
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


def colours(directory, name):
    """The picture's pixels as one run of red, green and blue levels."""
    with open(os.path.join(directory, name), "rb") as f:
        _, _, table, pixels, _ = read_bmp(f.read())
    return [level for p in pixels for level in table[p][:3]]


def distance(a, b):
    """Mean difference a channel between two pictures of one size."""
    return sum(map(abs, map(operator.sub, a, b))) / float(len(a))


# A step of the turn from one frame to the next changes the picture by
# between these fractions of the mean step at its size.
EVEN_STEPS = (0.75, 1.25)


def turn_problems(directory, report):
    """The 24 frames at each size turn evenly and in the sense of the six
    ball frames: from one ball frame to the next, the three frames between
    move steadily away from the one and towards the other, and each step
    changes the picture about as much as any other. `report` is given the
    steps' range."""
    problems = []
    for side in BALL_SIDES:
        try:
            frames = [colours(directory, turn_name(t, side)) for t in range(BALL_TURN_FRAMES)]
        except (OSError, struct.error, IndexError):
            continue  # verify reports the file
        steps = [distance(frames[t], frames[(t + 1) % BALL_TURN_FRAMES]) for t in range(BALL_TURN_FRAMES)]
        mean = sum(steps) / len(steps)
        report("turn at %d pixels: steps of %.1f to %.1f levels" % (side, min(steps), max(steps)))
        if not EVEN_STEPS[0] * mean <= min(steps) <= max(steps) <= EVEN_STEPS[1] * mean:
            problems.append("turn at %d pixels: steps of %.1f to %.1f levels are uneven"
                            % (side, min(steps), max(steps)))
        for k in range(BALL_FRAMES):
            run = [frames[(k * TURN_STEP + j) % BALL_TURN_FRAMES] for j in range(TURN_STEP + 1)]
            away = [distance(run[0], frame) for frame in run]
            towards = [distance(frame, run[-1]) for frame in run]
            if any(a >= b for a, b in zip(away, away[1:])) or any(a <= b for a, b in zip(towards, towards[1:])):
                problems.append("turn at %d pixels: the frames after %s are out of order"
                                % (side, turn_name(k * TURN_STEP, side)))
    return problems


def resource_ids(directory):
    """The numbers and names resource_ids.h defines, as the resource
    compiler sees them (a name as a bare word)."""
    with open(os.path.join(directory, "resource_ids.h")) as f:
        return dict(re.findall(r"^#define (\w+) (\w+)$", f.read(), re.M))


def script_problems(directory):
    """pictures.rc names every picture once and no other file, and gives
    turn frame t of scale step s (0 = 100 %) the id resource_ids.h sets out:
    every fourth, ball frame k, its id of the six; the others
    IDB_BALL_TURN_BASE + 24 s + t."""
    try:
        ids = resource_ids(directory)
        with open(os.path.join(directory, "pictures.rc")) as f:
            lines = re.findall(r'^(\w+)(?: \+ (\d+))? BITMAP "resources/([^"]+)"$', f.read(), re.M)
    except OSError as e:
        return ["resource script: %s" % e]
    if int(ids["BALL_TURN_FRAMES"]) != BALL_TURN_FRAMES or int(ids["BALL_SCALE_STEPS"]) != len(BALL_SIDES) - 1:
        return ["resource_ids.h: the ball is not drawn in %d frames at %d scales"
                % (BALL_TURN_FRAMES, len(BALL_SIDES))]
    given = {}
    for symbol, offset, name in lines:
        value = ids.get(symbol, symbol)
        given.setdefault(name, []).append(int(value) + int(offset or 0) if value.isdigit() else value)
    problems = ["pictures.rc: %s %d times" % (name, len(given.get(name, []))) for name in FILES
                if len(given.get(name, [])) != 1]
    problems += ["pictures.rc: %s is no picture drawn" % name for name in given if name not in SIZES]
    every = [i for name in given for i in given[name]]
    if len(set(every)) != len(every):
        problems.append("pictures.rc: an id is given twice")
    for step, side in enumerate(BALL_SIDES):
        for t in range(BALL_TURN_FRAMES):
            name, want = turn_name(t, side), turn_frame_id(ids, step, t)
            if given.get(name, [want]) != [want]:
                problems.append("pictures.rc: %s has id %r, want %d" % (name, given[name][0], want))
    return problems


def turn_frame_id(ids, step, t):
    """The id of turn frame t at scale step `step` by the scheme of
    resource_ids.h, whose definitions `ids` holds."""
    k = t // TURN_STEP + 1
    if t % TURN_STEP:
        return int(ids["IDB_BALL_TURN_BASE"]) + BALL_TURN_FRAMES * step + t
    if step == 0:
        return int(ids["IDB_BALL_FIRST"]) + k - 1
    return int(ids["IDB_BALL_SCALED_BASE"]) + 10 * step + k
