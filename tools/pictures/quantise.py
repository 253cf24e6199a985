"""Reduction of a true-colour canvas to the indices of a colour table."""



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
        v = colour[0]
        r = 0 if v < 0 else 255 if v > 255 else round(v)
        v = colour[1]
        g = 0 if v < 0 else 255 if v > 255 else round(v)
        v = colour[2]
        b = 0 if v < 0 else 255 if v > 255 else round(v)
        key = (r << 17) | (g << 9) | (b << 1) | allow_black
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


def capped(v):
    return -20.0 if v < -20.0 else 20.0 if v > 20.0 else v


def quantise(canvas, q, inside=None, dither="diffuse"):
    """Table indices for a canvas. "diffuse" spreads each pixel's error to
    its neighbours, so gradients show no bands; "ordered" uses a fixed 8 x 8
    pattern, which keeps a repeating tile seamless; pixels outside `inside`
    become 0 and no other pixel does."""
    w, h = canvas.width, canvas.height
    out = bytearray(w * h)
    px, table, index = canvas.px, q.table, q.index
    allow_black = inside is None
    if dither == "ordered":
        for y in range(h):
            pattern = BAYER[y % 8]
            for x in range(w):
                i = y * w + x
                if inside is not None and not inside[i]:
                    continue
                c = px[i]
                t = (pattern[x % 8] + 0.5) / 64.0 - 0.5
                out[i] = index((c[0] + 10 * t, c[1] + 8 * t, c[2] + 12 * t), allow_black)
        return bytes(out)
    next_err = [[0.0, 0.0, 0.0] for _ in range(w)]
    for y in range(h):
        row_err, next_err = next_err, [[0.0, 0.0, 0.0] for _ in range(w)]
        below = y + 1 < h and inside is not None
        for x in range(w):
            i = y * w + x
            if inside is not None and not inside[i]:
                continue
            c = px[i]
            if dither == "diffuse":
                e = row_err[x]
                c = (c[0] + e[0], c[1] + e[1], c[2] + e[2])
            k = index(c, allow_black)
            out[i] = k
            if dither != "diffuse":
                continue
            t = table[k]
            # Capped so that a hard edge does not smear colour across.
            e0, e1, e2 = capped(c[0] - t[0]), capped(c[1] - t[1]), capped(c[2] - t[2])
            # To the right, 7/16; below left, 3/16; below, 5/16; below right, 1/16.
            if x + 1 < w and (inside is None or inside[i + 1]):
                cell = row_err[x + 1]
                cell[0] += e0 * 7 / 16.0
                cell[1] += e1 * 7 / 16.0
                cell[2] += e2 * 7 / 16.0
            for nx, wt in ((x - 1, 3), (x, 5), (x + 1, 1)):
                if not 0 <= nx < w or (below and not inside[i + w + nx - x]):
                    continue
                cell = next_err[nx]
                cell[0] += e0 * wt / 16.0
                cell[1] += e1 * wt / 16.0
                cell[2] += e2 * wt / 16.0
    return bytes(out)
