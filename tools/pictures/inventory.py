"""Every picture of the saver: its file name and size, and all of them drawn.

The 100 % pictures (tile, the six ball frames, portraits) make one colour
table, and the 200 % tile and portraits and every frame of the ball's turn at
every scale share it, so that a colour is the same at every scale; the
preview pictures of both scales share a table made from the 100 % preview."""

import multiprocessing

from .bmp import bmp_bytes
from .colours import make_table
from .football import (BALL_FRAMES, BALL_SCALED_SIDES, BALL_SIZE, BALL_TURN_FRAMES, TURN_STEP, ball_canvas,
                       draw_ball, football_faces)
from .portraits import PORTRAIT_SIZE, PORTRAITS, draw_portrait
from .preview import PREVIEW_SIZE, draw_preview
from .quantise import Quantiser, quantise
from .tile import TILE_SIZE, draw_tile


def ball_name(frame, side):
    """ball3.bmp at 40 pixels (100 %), ball3_150.bmp at 60 (150 %)."""
    suffix = "" if side == 40 else "_%d" % (side * 100 // 40)
    return "ball%d%s.bmp" % (frame + 1, suffix)


def turn_name(turn, side):
    """Turn frame `turn` (0 to 23): every fourth is a ball frame and keeps
    its name, the others are turn05.bmp at 40 pixels, turn05_150.bmp at 60."""
    if turn % TURN_STEP == 0:
        return ball_name(turn // TURN_STEP, side)
    suffix = "" if side == 40 else "_%d" % (side * 100 // 40)
    return "turn%02d%s.bmp" % (turn, suffix)


# The sides the ball is drawn at, 100 % first.
BALL_SIDES = [BALL_SIZE[0]] + BALL_SCALED_SIDES
# The turn frames that are no ball frame, by their turn.
BETWEEN = [t for t in range(BALL_TURN_FRAMES) if t % TURN_STEP]


def portrait_name(index, zoom):
    return "portrait%02d%s.bmp" % (index + 1, "" if zoom == 1 else "_200")


def doubled(size):
    return (size[0] * 2, size[1] * 2)


# {file name: (width, height)} of every picture, in the order written.
SIZES = {"tile.bmp": TILE_SIZE}
SIZES.update((ball_name(f, 40), BALL_SIZE) for f in range(BALL_FRAMES))
SIZES.update((portrait_name(i, 1), PORTRAIT_SIZE) for i in range(PORTRAITS))
SIZES["preview.bmp"] = PREVIEW_SIZE
SIZES["tile200.bmp"] = doubled(TILE_SIZE)
SIZES["preview200.bmp"] = doubled(PREVIEW_SIZE)
SIZES.update((portrait_name(i, 2), doubled(PORTRAIT_SIZE)) for i in range(PORTRAITS))
SIZES.update((ball_name(f, side), (side, side)) for side in BALL_SCALED_SIDES for f in range(BALL_FRAMES))
SIZES.update((turn_name(t, side), (side, side)) for side in BALL_SIDES for t in BETWEEN)
FILES = list(SIZES)
# Every frame of the ball at every side.
BALL_FILES = [turn_name(t, side) for side in BALL_SIDES for t in range(BALL_TURN_FRAMES)]


def drawn_ball(frame):
    """Ball frame `frame` at 100 %, and which of its pixels are ball."""
    return ball_canvas(draw_ball(frame * TURN_STEP, football_faces()))


def larger_picture(job):
    """(file name, bytes) of one picture drawn after the 100 % pictures,
    quantised to their table: job is (kind, number, table). A ball job
    gives a list, the turn's frames at `number` pixels that are not drawn
    yet."""
    kind, number, table = job
    q = Quantiser(table)
    if kind == "tile":
        return "tile200.bmp", bmp_bytes(*doubled(TILE_SIZE), table, quantise(draw_tile(2), q, dither="ordered"))
    if kind == "portrait":
        return portrait_name(number, 2), bmp_bytes(*doubled(PORTRAIT_SIZE), table,
                                                   quantise(draw_portrait(number, 2), q))
    # The six ball frames at 100 % make the table, so they are drawn before it.
    faces = football_faces()
    frames = []
    for t in BETWEEN if number == BALL_SIZE[0] else range(BALL_TURN_FRAMES):
        ball, inside = ball_canvas(draw_ball(t, faces, number), number)
        frames.append((turn_name(t, number), bmp_bytes(number, number, table, quantise(ball, q, inside))))
    return frames


def draw_all():
    """{file name: bytes} of every picture. The pictures are drawn on every
    processor at once, each on its own, so the result does not depend on
    how many there are."""
    with multiprocessing.Pool() as pool:
        portraits = pool.map(draw_portrait, range(PORTRAITS))
        balls = pool.map(drawn_ball, range(BALL_FRAMES))
        tile = draw_tile()

        sources = [(tile, 3, None)]
        sources += [(b, 40, inside) for b, inside in balls]
        sources += [(p, 1, None) for p in portraits]
        table = make_table(sources)
        jobs = [("ball", side, table) for side in reversed(BALL_SIDES)]
        jobs += [("portrait", i, table) for i in range(PORTRAITS)] + [("tile", 0, table)]
        larger = pool.map_async(larger_picture, jobs, chunksize=1)

        q = Quantiser(table)
        files = {}
        files["tile.bmp"] = bmp_bytes(*TILE_SIZE, table, quantise(tile, q, dither="ordered"))
        for f, (ball, inside) in enumerate(balls):
            files[ball_name(f, 40)] = bmp_bytes(*BALL_SIZE, table, quantise(ball, q, inside))
        for i, p in enumerate(portraits):
            files[portrait_name(i, 1)] = bmp_bytes(*PORTRAIT_SIZE, table, quantise(p, q))

        preview = draw_preview(tile, portraits[6], balls)
        preview_table = make_table([(preview, 1, None)])
        preview_q = Quantiser(preview_table)
        files["preview.bmp"] = bmp_bytes(*PREVIEW_SIZE, preview_table, quantise(preview, preview_q))
        preview = draw_preview(tile, portraits[6], balls, zoom=2)
        files["preview200.bmp"] = bmp_bytes(*doubled(PREVIEW_SIZE), preview_table, quantise(preview, preview_q))
        for result in larger.get():
            files.update(result if isinstance(result, list) else [result])
    return files
