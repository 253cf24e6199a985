"""The preview: the whole saver in miniature."""

from .canvas import Canvas, scaled


PREVIEW_SIZE = (150, 110)


def compose_screen(width, height, tile, portrait, balls, ball_spots):
    """The saver's screen in true colour: tiles, the portrait, some balls."""
    screen = Canvas(width, height)
    tw, th = tile.width, tile.height
    for y in range(height):
        for x in range(width):
            screen.px[y * width + x] = tile.px[(y % th) * tw + (x % tw)]
    px0 = (width - portrait.width) // 2
    py0 = (height - portrait.height) // 2
    for y in range(portrait.height):
        for x in range(portrait.width):
            screen.px[(py0 + y) * width + px0 + x] = portrait.px[y * portrait.width + x]
    for (bx, by, frame) in ball_spots:
        ball, inside = balls[frame]
        for y in range(ball.height):
            for x in range(ball.width):
                if inside[y * ball.width + x] and 0 <= by + y < height and 0 <= bx + x < width:
                    screen.px[(by + y) * width + bx + x] = ball.px[y * ball.width + x]
    return screen


def draw_preview(tile, portrait, balls, zoom=1):
    """A 600 x 440 screen shrunk four times: 50-pixel tiles, the portrait
    50 x 75, balls of 10 pixels; at `zoom` 2 shrunk twice only."""
    w, h = PREVIEW_SIZE
    # The tile at a quarter of its size, replicated back to 200 pixels: on
    # the large screen it repeats every 200 pixels, in the preview every 50.
    small_tile = scaled(tile.downsample(4), 4)
    spots = [(60, 300, 0), (150, 120, 2), (420, 70, 4), (500, 260, 1), (250, 380, 3),
             (440, 370, 5), (30, 40, 3)]
    screen = compose_screen(w * 4, h * 4, small_tile, portrait, balls, spots)
    return screen.downsample(4 // zoom)
