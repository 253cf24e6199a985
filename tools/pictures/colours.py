"""Colour tables: median cut over what was drawn, around the twenty colours
every 256-colour display reserves."""

from .canvas import clamp


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


# No colour but entry 0 is darker than this in any channel's maximum: a
# display of 15 or 16 bits, or a palette display matching to its nearest
# colour, must never turn a picture's dark pixel into black, the colour the
# ball masks take for the ground.
DARKEST = 32


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
