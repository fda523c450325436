"""Small line icons drawn with the canvas helpers; (cx, cy) is the centre, s the icon's size."""
import math

from canvas import font


def magnifier(a, cx, cy, s, colour, w=2.0):
    r = s * 0.30
    ox, oy = cx - s * 0.10, cy - s * 0.10
    a.arc((ox, oy), r, 0, 360, colour, w)
    d = r * 0.72
    a.lines([(ox + d, oy + d), (cx + s * 0.40, cy + s * 0.40)], colour, w * 1.25)


def stop(a, cx, cy, s, colour):
    h = s * 0.30
    a.round_rect((cx - h, cy - h, cx + h, cy + h), s * 0.08, fill=colour)


def ignore_list(a, cx, cy, s, colour, w=2.0):
    for i in range(3):
        y = cy - s * 0.28 + i * s * 0.24
        a.lines([(cx - s * 0.42, y), (cx + s * 0.05, y)], colour, w)
    bx, by, br = cx + s * 0.22, cy + s * 0.20, s * 0.22
    a.arc((bx, by), br, 0, 360, colour, w)
    k = br * 0.7
    a.lines([(bx - k, by + k), (bx + k, by - k)], colour, w)


def gear(a, cx, cy, s, colour, hole):
    teeth, ro, ri = 8, s * 0.46, s * 0.34
    pts = []
    for i in range(teeth * 4):
        ang = 2 * math.pi * i / (teeth * 4)
        r = ro if (i % 4) in (1, 2) else ri
        pts.append((cx + r * math.cos(ang), cy + r * math.sin(ang)))
    a.polygon(pts, colour)
    a.circle((cx, cy), s * 0.14, fill=hole)


def clock(a, cx, cy, s, colour, w=2.0):
    r = s * 0.40
    a.arc((cx, cy), r, 0, 360, colour, w)
    a.lines([(cx, cy), (cx, cy - r * 0.62)], colour, w)
    a.lines([(cx, cy), (cx + r * 0.48, cy + r * 0.20)], colour, w)


def help_mark(a, cx, cy, s, colour, w=2.0):
    r = s * 0.40
    a.arc((cx, cy), r, 0, 360, colour, w)
    a.text((cx, cy + 1), "?", size=int(s * 0.55), bold=True, colour=colour, anchor="mm")


def minimise(a, cx, cy, s, colour):
    a.lines([(cx - s * 0.22, cy + s * 0.05), (cx + s * 0.22, cy + s * 0.05)], colour, 1.6)


def close(a, cx, cy, s, colour):
    k = s * 0.2
    a.lines([(cx - k, cy - k), (cx + k, cy + k)], colour, 1.6)
    a.lines([(cx - k, cy + k), (cx + k, cy - k)], colour, 1.6)


def tick(a, cx, cy, s, colour, w=2.0):
    a.lines([(cx - s * 0.30, cy + s * 0.02), (cx - s * 0.08, cy + s * 0.24), (cx + s * 0.32, cy - s * 0.24)],
             colour, w)


def paper_plane(a, cx, cy, s, colour, back):
    a.polygon([(cx - s * 0.45, cy - s * 0.02), (cx + s * 0.45, cy - s * 0.38), (cx + s * 0.12, cy + s * 0.42)],
              colour)
    a.lines([(cx - s * 0.05, cy + s * 0.08), (cx + s * 0.40, cy - s * 0.33)], back, 1.2)


def restore(a, cx, cy, s, colour, w=1.8):
    r = s * 0.36
    a.arc((cx, cy), r, 200, 500, colour, w)
    ang = math.radians(200)
    tip = (cx + r * math.cos(ang), cy + r * math.sin(ang))
    a.polygon([(tip[0] - s * 0.20, tip[1] - s * 0.04), (tip[0] + s * 0.10, tip[1] - s * 0.08),
               (tip[0] - s * 0.04, tip[1] + s * 0.20)], colour)


def shield_tick(a, cx, cy, s, colour, inner):
    top, bottom = cy - s * 0.46, cy + s * 0.48
    left, right = cx - s * 0.38, cx + s * 0.38
    pts = [(cx, top), (right, top + s * 0.14), (right, cy + s * 0.02), (cx + s * 0.22, cy + s * 0.34),
           (cx, bottom), (cx - s * 0.22, cy + s * 0.34), (left, cy + s * 0.02), (left, top + s * 0.14)]
    a.polygon(pts, colour)
    tick(a, cx, cy, s * 0.7, inner, 2.0)


def wave_emblem(a, cx, cy, s, back_top, back_bottom, crest, foam):
    """The Tidewarp mark: a rounded tile with a breaking wave."""
    h = s / 2
    a.gradient_round_rect((cx - h, cy - h, cx + h, cy + h), s * 0.24, back_top, back_bottom)
    pts = []
    for i in range(41):
        t = i / 40
        x = cx - h * 0.72 + t * h * 1.44
        y = cy + h * 0.18 - math.sin(t * math.pi * 1.5) * h * 0.34
        pts.append((x, y))
    a.lines(pts, crest, max(s * 0.10, 1.4))
    pts2 = [(x, y + h * 0.36) for x, y in pts[6:]]
    a.lines(pts2, foam, max(s * 0.06, 1.0))
