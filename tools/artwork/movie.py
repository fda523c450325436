"""The scan screen's movie: a sweep across a registry tree in the skin's colours, as an animated GIF.

The screens name their movie "skin3.swf" (the name a Flash player once read); the animation area
recognises a GIF by its content, so the file keeps that name. Its size is the skin's animation area
(MAINSCREENANIMATION), and every frame is mapped onto one shared palette without dithering, so the
frames differ only where the sweep moved and the file stays small.
"""
from PIL import Image

from canvas import (AQUA, AQUA_LIGHT, Art, CORAL, GREEN, LINE, MUTED, NAVY, PANEL, SOFT, TEAL, TEAL_DARK,
                    WHITE, mix)

FRAMES = 30
DELAY_MS = 70
MAX_BYTES = 200 * 1024

# Rows of the tree: indent level, label length in pixels, broken (found by the sweep).
ROWS = [(0, 120, False), (1, 150, True), (1, 96, False), (2, 132, True), (1, 110, False), (2, 84, True)]


def area_size(skin):
    x, y, w, h = (int(v) for v in skin.value("MAINSCREENANIMATION", "DIMENSION").split(","))
    return w, h


def frame(size, t):
    """The picture at t in [0, 1): the beam's centre moves across the whole width."""
    width, height = size
    a = Art(size, PANEL)
    a.round_rect((4, 4, width - 4, height - 4), 8, fill=WHITE, outline=LINE)
    beam = -30 + t * (width + 60)
    row_h = (height - 34) / len(ROWS)
    for i, (level, length, broken) in enumerate(ROWS):
        y = 14 + i * row_h
        x = 16 + level * 18
        if level:
            a.lines([(x - 10, y - 6), (x - 10, y + 5), (x - 3, y + 5)], SOFT, 1.0, round_caps=False)
        a.round_rect((x, y, x + 12, y + 10), 2, fill=TEAL if not level else mix(TEAL, WHITE, 0.3))
        a.round_rect((x + 18, y + 3, x + 18 + length, y + 7), 2, fill=mix(MUTED, WHITE, 0.55))
        if broken:
            mark = (x + 30 + length, y + 5)
            if beam > mark[0]:  # swept: repaired
                a.lines([(mark[0] - 4, mark[1]), (mark[0] - 1, mark[1] + 3), (mark[0] + 4, mark[1] - 3)],
                        GREEN, 2.0)
            else:
                a.circle(mark, 4, fill=CORAL)
    # The beam: a soft band with a bright core.
    for offset, strength in [(14, 0.15), (9, 0.3), (5, 0.55)]:
        a.round_rect((beam - offset, 8, beam + offset, height - 22), offset, fill=mix(WHITE, AQUA_LIGHT, strength))
    a.round_rect((beam - 1.5, 8, beam + 1.5, height - 22), 1, fill=AQUA)
    # Progress along the bottom.
    bar = (16, height - 16, width - 16, height - 10)
    a.round_rect(bar, 3, fill=mix(LINE, WHITE, 0.4))
    done = bar[0] + (bar[2] - bar[0]) * t
    if done > bar[0] + 6:
        a.round_rect((bar[0], bar[1], done, bar[3]), 3, fill=TEAL_DARK if t > 0.98 else TEAL)
    a.text((width - 18, 14), "sweeping", size=10, bold=True, colour=mix(NAVY, WHITE, 0.3), anchor="ra")
    return a.im


def build(skin, path):
    size = area_size(skin)
    pictures = [frame(size, k / FRAMES) for k in range(FRAMES)]
    # One palette for every frame, taken from a picture holding all of them.
    sheet = Image.new("RGB", (size[0], size[1] * FRAMES))
    for k, p in enumerate(pictures):
        sheet.paste(p, (0, k * size[1]))
    palette = sheet.quantize(colors=128, method=Image.Quantize.MEDIANCUT)
    frames = [p.quantize(palette=palette, dither=Image.Dither.NONE) for p in pictures]
    frames[0].save(path, "GIF", save_all=True, append_images=frames[1:], duration=DELAY_MS, loop=0,
                   optimize=False, disposal=1)
    with open(path, "rb") as f:
        data = f.read()
    if len(data) > MAX_BYTES:
        raise SystemExit("%s: %d bytes, more than %d" % (path, len(data), MAX_BYTES))
    return len(data)
