"""Signed distances (negative inside), in pixels, of the shapes the
pictures are made of."""

import math

from .canvas import clamp


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
        if qx < 0 and qy < 0:  # inside: the nearer side, as below but quicker
            return (qx if qx > qy else qy) - r
        return (math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0)) - r
    return d


def sd_union(*fs):
    first, rest = fs[0], fs[1:]

    def d(x, y):
        best = first(x, y)
        for f in rest:
            v = f(x, y)
            if v < best:
                best = v
        return best
    return d


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


def arc(cx, cy, rx, ry, a0, a1, steps=14):
    pts = []
    for i in range(steps + 1):
        a = math.radians(a0 + (a1 - a0) * i / steps)
        pts.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return pts
