"""Every picture of the saver: its file name, and all of them drawn."""

from .bmp import bmp_bytes
from .colours import make_table
from .football import BALL_FRAMES, BALL_SIZE, ball_canvas, draw_ball, football_faces
from .portraits import PORTRAIT_SIZE, PORTRAITS, draw_portrait
from .preview import PREVIEW_SIZE, draw_preview
from .quantise import Quantiser, quantise
from .tile import TILE_SIZE, draw_tile


FILES = (["tile.bmp"] + ["ball%d.bmp" % (i + 1) for i in range(BALL_FRAMES)]
         + ["portrait%02d.bmp" % (i + 1) for i in range(PORTRAITS)]
         + ["preview.bmp"])


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
