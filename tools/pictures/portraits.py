"""The portraits: eleven cartoon players of one (made-up) team."""

import math

from .canvas import Canvas, clamp, hash01, mix, scale, smoothstep
from .numbers import sd_number
from .shapes import (arc, sd_box, sd_circle, sd_ellipse, sd_intersect, sd_polyline,
                     sd_segment, sd_smooth_union, sd_subtract, sd_union)


PORTRAIT_SIZE = (200, 300)
PORTRAITS = 11


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


def draw_portrait(index, zoom=1):
    """Player `index` at `zoom` times the portrait's size."""
    number, skin_i, hair_name, style, face, eye_name, extras = PLAYERS[index]
    w, h = PORTRAIT_SIZE
    canvas = Canvas(w * zoom, h * zoom, zoom=zoom)
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
