"""Shirt numbers: strokes in a 0.6 x 1 box, y downwards."""

from .shapes import arc, sd_polyline, sd_union


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
