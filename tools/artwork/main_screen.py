"""The main screen: four 500 x 500 looks of the same screen and the 506 x 506 outline mask.

Only the normal look is ever shown whole; of the others only the button rectangles appear, so each
look is the normal screen with every button drawn in that state.
"""
import math
import os
import re

from PIL import Image, ImageDraw, ImageFilter

import glyphs
from canvas import (AQUA, AQUA_LIGHT, Art, CORAL, CORAL_DARK, CORAL_LIGHT, INK, MUTED, NAVY, NAVY_DEEP,
                    NAVY_LIGHT, NAVY_LINE, PANEL, PANEL_DARK, RED, SOFT, TEAL, TEAL_DARK, WHITE, gradient, mix)

SIZE = 500
# The dialog's modal frame puts the client area this far inside the window, and the mask is in
# window coordinates; the window is 505 x 504, so the visible client area is 499 x 498.
FRAME = 3
CLIENT = (499, 498)
RADIUS = 22
PANEL_BOX = (12, 140, 487, 402)

TABS = {
    "BUTTON_MAIN": ("Scan", "scan"),
    "BUTTON_IGNORED": ("Ignore List", "ignore"),
    "BUTTON_ADVSETTINGS": ("Settings", "gear"),
    "BUTTON_AUTOSCAN": ("Schedule", "clock"),
    "BUTTON_SUPPORT": ("Help", "help"),
}


def body_mask():
    """The window's outline in client coordinates: 255 inside."""
    m = Image.new("L", (SIZE, SIZE), 0)
    ImageDraw.Draw(m).rounded_rectangle([0, 0, CLIENT[0] - 1, CLIENT[1] - 1], RADIUS, fill=255)
    return m


def mask_image():
    """Mask.bmp: black where the window is, pure white where it is cut away."""
    m = Image.new("RGB", (SIZE + 2 * FRAME, SIZE + 2 * FRAME), (255, 255, 255))
    m.paste((0, 0, 0), (FRAME, FRAME), body_mask())
    return m


def background():
    a = Art((SIZE, SIZE), (255, 255, 255))
    body = body_mask()
    a.im.paste(gradient((SIZE, SIZE), (18, 52, 84), NAVY_DEEP), (0, 0), body)
    # A few soft swells behind the title, brightest at the right.
    for i, (amp, off, alpha) in enumerate([(9, 58, 0.22), (7, 66, 0.14), (5, 73, 0.09)]):
        pts = [(x, off + amp * math.sin(x / 46.0 + i * 1.3)) for x in range(210, 500, 4)]
        a.lines(pts, mix(NAVY, AQUA, alpha), 2.0)
    # Edge highlight along the outline, so the shape reads crisply against any desktop.
    inner = body.filter(ImageFilter.MinFilter(3))
    ring = Image.eval(inner, lambda v: 255 - v)
    ring.paste(0, (0, 0), Image.eval(body, lambda v: 255 - v))
    a.im.paste(mix(NAVY_LINE, AQUA, 0.35), (0, 0), ring)
    # Title
    glyphs.wave_emblem(a, 250, 40, 30, AQUA, TEAL_DARK, WHITE, AQUA_LIGHT)
    a.text((274, 22), "Tidewarp", size=24, bold=True, colour=WHITE)
    a.text((276, 50), "REGISTRY CLEANER", size=9, bold=True, colour=AQUA_LIGHT)
    # Tab strip and the page panel the tabs open onto.
    a.rect((12, 88, 487, 140), mix(NAVY, NAVY_DEEP, 0.35))
    a.lines([(12, 88), (486, 88)], mix(NAVY_LINE, NAVY, 0.3), 1.0, round_caps=False)
    a.shadow(PANEL_BOX, 10, blur=3, offset=(0, 1), strength=0.5)
    a.round_rect(PANEL_BOX, 10, fill=PANEL)
    a.rect((PANEL_BOX[0], PANEL_BOX[1], PANEL_BOX[2], PANEL_BOX[1] + 12), PANEL)
    # Footer
    a.text((22, 448), "Every repair is backed up first.", size=10, colour=mix(AQUA_LIGHT, NAVY, 0.35))
    a.text((22, 464), "Version " + project_version(), size=10, colour=mix(SOFT, NAVY, 0.35))
    return a


def project_version():
    """The version set once in the top CMakeLists.txt, as the programs carry it."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "CMakeLists.txt")
    with open(path, encoding="utf-8") as f:
        match = re.search(r"project\(Tidewarp VERSION ([0-9.]+)", f.read())
    return match.group(1)


def scan_button(a, box, state):
    x0, y0, x1, y1 = box
    stopping = state in ("down", "stopover")
    if state == "stopover":
        top, bottom, ring = CORAL_LIGHT, CORAL_DARK, (255, 190, 170)
    elif state == "down":
        top, bottom, ring = TEAL, TEAL_DARK, None
    elif state == "over":
        top, bottom, ring = (120, 232, 236), (24, 160, 172), (190, 245, 247)
    else:
        top, bottom, ring = AQUA, TEAL, None
    a.shadow(box, 12, blur=4, offset=(0, 3 if state != "down" else 1), strength=0.55)
    a.gradient_round_rect(box, 12, top, bottom)
    if ring:
        a.round_rect(box, 12, outline=ring, width=1.6)
    else:
        a.round_rect(box, 12, outline=mix(top, WHITE, 0.35), width=1.0)
    cx, cy = x0 + 30, (y0 + y1) / 2 + (1 if state == "down" else 0)
    if stopping:
        glyphs.stop(a, cx, cy, 24, WHITE)
        label = "Stop Scan"
    else:
        glyphs.magnifier(a, cx, cy, 26, WHITE, 2.6)
        label = "Scan Now"
    a.text((x0 + 54, cy), label, size=18, bold=True, colour=WHITE, anchor="lm")


def remove_button(a, box, state):
    top, bottom = {"normal": (CORAL_LIGHT, CORAL), "over": ((255, 172, 146), (246, 120, 90)),
                   "down": (CORAL, CORAL_DARK)}[state]
    a.shadow(box, 12, blur=4, offset=(0, 3 if state != "down" else 1), strength=0.6)
    a.gradient_round_rect(box, 12, top, bottom)
    a.round_rect(box, 12, outline=(255, 222, 210) if state == "over" else mix(top, WHITE, 0.3),
                 width=1.8 if state == "over" else 1.2)
    cy = (box[1] + box[3]) / 2 + (1 if state == "down" else 0)
    glyphs.shield_tick(a, box[0] + 28, cy, 26, WHITE, CORAL_DARK)
    a.text((box[0] + 52, cy), "Remove Errors", size=16, bold=True, colour=WHITE, anchor="lm", condensed=True)


def link_button(a, box, state, label, icon):
    fill = {"normal": None, "over": NAVY_LIGHT, "down": mix(NAVY_DEEP, NAVY, 0.5)}[state]
    border = {"normal": mix(NAVY_LINE, AQUA, 0.25), "over": AQUA, "down": mix(NAVY_LINE, AQUA, 0.5)}[state]
    a.round_rect(box, 12, fill=fill, outline=border, width=1.0)
    cy = (box[1] + box[3]) / 2
    colour = AQUA_LIGHT if state != "normal" else mix(AQUA_LIGHT, NAVY, 0.15)
    if icon == "plane":
        glyphs.paper_plane(a, box[0] + 16, cy, 13, colour, fill or NAVY_DEEP)
    else:
        glyphs.restore(a, box[0] + 16, cy, 13, colour)
    a.text((box[0] + 28, cy), label, size=11, colour=WHITE, anchor="lm")


def window_button(a, box, state, kind):
    cx, cy = (box[0] + box[2]) / 2, (box[1] + box[3]) / 2
    hot = CORAL if kind == "close" else AQUA
    if state == "normal":
        a.circle((cx, cy), 7, outline=mix(AQUA_LIGHT, NAVY, 0.35), width=1.0)
        colour = mix(AQUA_LIGHT, NAVY, 0.1)
    else:
        a.circle((cx, cy), 7, fill=hot if state == "over" else mix(hot, NAVY_DEEP, 0.3))
        colour = WHITE
    (glyphs.close if kind == "close" else glyphs.minimise)(a, cx, cy, 14, colour)


def tab(a, box, state, label, icon):
    x0, y0, x1, y1 = box
    lit = state in ("over", "down")
    if lit:
        face = PANEL if state == "over" else PANEL_DARK
        a.shadow((x0, y0, x1, y1 - 8), 8, blur=3, offset=(0, -1), strength=0.35)
        a.round_rect((x0, y0, x1, y1), 8, fill=face, top_only=True)
        colour, text = TEAL, INK
    else:
        a.round_rect((x0, y0, x1, y1), 8, fill=mix(NAVY_LIGHT, NAVY, 0.35), top_only=True)
        colour, text = AQUA_LIGHT, mix(WHITE, AQUA_LIGHT, 0.3)
    cx, cy = (x0 + x1) / 2, y0 + 17
    if icon == "scan":
        glyphs.magnifier(a, cx, cy, 20, colour, 2.0)
    elif icon == "ignore":
        glyphs.ignore_list(a, cx, cy, 20, colour, 1.8)
    elif icon == "gear":
        glyphs.gear(a, cx, cy, 21, colour, PANEL if lit else mix(NAVY_LIGHT, NAVY, 0.35))
    elif icon == "clock":
        glyphs.clock(a, cx, cy, 21, colour, 1.8)
    else:
        glyphs.help_mark(a, cx, cy, 21, colour, 1.8)
    a.text((cx, y0 + 38), label, size=11, bold=lit, colour=text, anchor="mm")


def look(skin, state):
    """One whole-screen look: every button drawn in state ("normal", "over", "down", "stopover")."""
    a = background()
    buttons = skin.buttons("MAINSCREENBUTTONINFO")
    plain = "normal" if state == "stopover" else state
    for name, (label, icon) in TABS.items():
        tab(a, buttons[name], plain, label, icon)
    scan_button(a, buttons["BUTTON_SCAN"], state)
    remove_button(a, buttons["BUTTON_REMOVE"], plain)
    link_button(a, buttons["BUTTON_LIVEUPDATE"], plain, "Refer a Friend", "plane")
    link_button(a, buttons["BUTTON_RESTORENOW"], plain, "Restore Backup", "restore")
    window_button(a, buttons["BUTTON_MINIMIZE"], plain, "minimise")
    window_button(a, buttons["BUTTON_EXIT"], plain, "close")
    # The page panel must stay one flat colour where pages sit, whatever the tabs did above it.
    a.rect((PANEL_BOX[0] + 1, PANEL_BOX[1] + 9, PANEL_BOX[2] - 1, PANEL_BOX[3] - 10), PANEL)
    return a


def build(skin, out):
    mask_image().save(out + "/Mask.bmp", "BMP")
    look(skin, "normal").save_jpeg(out + "/main_normal.jpg")
    look(skin, "over").save_jpeg(out + "/main_over.jpg")
    look(skin, "down").save_jpeg(out + "/main_down.jpg")
    look(skin, "stopover").save_jpeg(out + "/main_stopscan_over.jpg")
