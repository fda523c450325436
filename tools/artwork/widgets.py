"""Controls drawn into the page and screen pictures: check boxes, radio marks, push buttons, titles."""
import glyphs
from canvas import (AQUA, CARD, CORAL, CORAL_DARK, CORAL_LIGHT, INK, LINE, MUTED, PANEL, SOFT, TEAL, TEAL_DARK,
                    WHITE, mix)


def checkbox(a, x, y, checked, enabled=True):
    """A 12 x 12 box with its top-left corner at (x, y)."""
    box = (x, y, x + 12, y + 12)
    if checked:
        a.round_rect(box, 3, fill=TEAL if enabled else SOFT)
        glyphs.tick(a, x + 6, y + 6, 11, WHITE, 1.8)
    else:
        a.round_rect(box, 3, fill=CARD if enabled else PANEL, outline=MUTED if enabled else LINE, width=1.2)


def radio(a, cx, cy, selected, enabled=True):
    if selected:
        a.circle((cx, cy), 6.5, fill=TEAL if enabled else SOFT)
        a.circle((cx, cy), 2.6, fill=WHITE)
    else:
        a.circle((cx, cy), 6.5, fill=CARD if enabled else PANEL, outline=MUTED if enabled else LINE, width=1.2)


def title(a, x, y, text, subtitle=None):
    a.text((x, y), text, size=14, bold=True, colour=INK)
    if subtitle:
        a.text((x, y + 20), subtitle, size=10, colour=MUTED)


def push(a, box, state, label, icon=None, kind="plain"):
    """A page button: plain (white, teal when hot), accent (teal) or danger (coral)."""
    if kind == "danger":
        fills = {"normal": (CORAL_LIGHT, CORAL), "over": ((255, 160, 132), (240, 112, 82)),
                 "down": (CORAL, CORAL_DARK)}
    elif kind == "accent":
        fills = {"normal": (AQUA, TEAL), "over": ((112, 226, 232), (26, 156, 168)), "down": (TEAL, TEAL_DARK)}
    else:
        fills = {"normal": None, "over": (AQUA, TEAL), "down": (TEAL, TEAL_DARK)}
    colours = fills[state]
    radius = min(8, (box[3] - box[1]) / 2)
    a.shadow(box, radius, blur=2, offset=(0, 1), strength=0.18 if state != "down" else 0.08)
    if colours is None:
        a.round_rect(box, radius, fill=CARD, outline=LINE, width=1.0)
        ink = INK
    else:
        a.gradient_round_rect(box, radius, colours[0], colours[1])
        ink = WHITE
    cy = (box[1] + box[3]) / 2 + (1 if state == "down" else 0)
    width = a.text_width(label, 11, True) + (20 if icon else 0)
    x = (box[0] + box[2]) / 2 - width / 2
    if icon:
        icon(a, x + 7, cy, 13, ink if colours else TEAL)
        x += 20
    a.text((x, cy), label, size=11, bold=True, colour=ink, anchor="lm")


def segmented(a, left_box, right_box, labels, active):
    """Two joined segments; active is 0 (left) or 1 (right)."""
    outer = (left_box[0], left_box[1], right_box[2], right_box[3])
    a.round_rect(outer, 7, fill=CARD, outline=LINE, width=1.0)
    for i, (box, label) in enumerate(zip((left_box, right_box), labels)):
        cx, cy = (box[0] + box[2]) / 2, (box[1] + box[3]) / 2
        if i == active:
            a.gradient_round_rect((box[0] + 2, box[1] + 2, box[2] - 2, box[3] - 2), 5, AQUA, TEAL)
            a.text((cx, cy), label, size=11, bold=True, colour=WHITE, anchor="mm")
        else:
            a.text((cx, cy), label, size=11, colour=MUTED, anchor="mm")


def stripes(a, x0, x1, top, step, count, colour=None):
    """Every other row of a table band, starting with the second."""
    colour = colour or mix(PANEL, (214, 226, 236), 0.45)
    for k in range(1, count, 2):
        a.round_rect((x0, top + k * step, x1, top + (k + 1) * step), 3, fill=colour)


def field(a, box):
    """A white well behind a text the program fills in."""
    a.round_rect(box, 5, fill=CARD, outline=LINE, width=1.0)
