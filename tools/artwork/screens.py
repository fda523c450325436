"""The summary window's four screens, each with normal, over and down looks where it has buttons."""
import glyphs
import widgets as w
from canvas import AQUA, AQUA_LIGHT, Art, CARD, INK, MUTED, NAVY, PANEL, TEAL, TEAL_DARK, WHITE, gradient


def frame(size):
    a = Art(size)
    a.im.paste(gradient((size[0], 5), AQUA, TEAL), (0, 0))
    return a


def labels(a, rows, right):
    """Labels right-aligned at x = right, vertically centred on each text rectangle."""
    for label, rect in rows:
        a.text((right, (rect[1] + rect[3]) / 2), label, size=11, colour=MUTED, anchor="rm")


def error_scan(skin, size, state):
    a = frame(size)
    glyphs.wave_emblem(a, size[0] / 2, 62, 52, AQUA, TEAL_DARK, WHITE, AQUA_LIGHT)
    a.text((size[0] / 2, 112), "Scanning your registry", size=15, bold=True, colour=INK, anchor="mm")
    a.text((size[0] / 2, 134), "This can take a few minutes.", size=11, colour=MUTED, anchor="mm")
    item = skin.texts("SCREENERRORSCAN_TEXTINFO")["TEXT_ERRORSCAN_CURRENTITEM"]
    w.field(a, (item[0] - 6, item[1] - 4, item[2] + 6, item[3] + 4))
    w.push(a, skin.buttons("SCREENERRORSCAN_BUTTONINFO")["BUTTON_STOPSCAN"], state, "Stop",
           icon=lambda art, x, y, s, c: glyphs.stop(art, x, y, s, c), kind="plain" if state == "normal" else "danger")
    return a


def scan_complete(skin, size, state):
    a = frame(size)
    texts = skin.texts("SCREENSCANCOMPLETE_TEXTINFO")
    lx0, ly0, lx1, ly1 = skin.list_rect("SCREENSCANCOMPLETE_LISTINFO")
    a.rect((lx0, ly0, lx1, ly1), CARD)
    labels(a, [("Items scanned:", texts["TEXT_SCANCOMPLETE_ITEMSCANNED"]),
               ("Errors found:", texts["TEXT_SCANCOMPLETE_ERRORFOUND"])], texts["TEXT_SCANCOMPLETE_ITEMSCANNED"][0] - 4)
    b = skin.buttons("SCREENSCANCOMPLETE_BUTTONINFO")
    w.push(a, b["BUTTON_FIXERROR"], state, "Repair Errors",
           icon=lambda art, x, y, s, c: glyphs.shield_tick(art, x, y, s * 1.3, c, (200, 80, 60)), kind="danger")
    w.push(a, b["BUTTON_CANCEL"], state, "Cancel")
    return a


def error_fixing(skin, size):
    a = frame(size)
    texts = skin.texts("SCREENERRORFIXING_TEXTINFO")
    glyphs.wave_emblem(a, size[0] - 46, 52, 48, AQUA, TEAL_DARK, WHITE, AQUA_LIGHT)
    a.text((20, 40), "Repairing errors", size=15, bold=True, colour=INK, anchor="lm")
    a.text((20, 62), "Please wait while Tidewarp removes them.", size=11, colour=MUTED, anchor="lm")
    item = texts["TEXT_ERRORFIXING_CURRENTITEM"]
    a.text((item[0] - 6, item[1] - 14), "Now repairing", size=9, bold=True, colour=MUTED, anchor="lm")
    w.field(a, (item[0] - 6, item[1] - 4, item[2] + 6, item[3] + 4))
    labels(a, [("Status:", texts["TEXT_ERRORFIXING_STATUS"]), ("Items scanned:", texts["TEXT_ERRORFIXING_ITEMSCANNED"]),
               ("Errors found:", texts["TEXT_ERRORFIXING_ERRORFOUND"]), ("Fixed:", texts["TEXT_ERRORFIXING_FIXED"])],
           texts["TEXT_ERRORFIXING_STATUS"][0] - 6)
    return a


def fix_complete(skin, size, state):
    a = frame(size)
    texts = skin.texts("SCREENFIXCOMPLETE_TEXTINFO")
    lx0, ly0, lx1, ly1 = skin.list_rect("SCREENFIXCOMPLETE_LISTINFO")
    a.text((lx0, ly0 - 12), "Repair complete", size=13, bold=True, colour=NAVY, anchor="lm")
    a.rect((lx0, ly0, lx1, ly1), CARD)
    labels(a, [("Status:", texts["TEXT_FIXCOMPLETE_STATUS"]), ("Items scanned:", texts["TEXT_FIXCOMPLETE_ITEMSCANNED"]),
               ("Errors found:", texts["TEXT_FIXCOMPLETE_ERRORFOUND"]), ("Fixed:", texts["TEXT_FIXCOMPLETE_FIXED"])],
           texts["TEXT_FIXCOMPLETE_STATUS"][0] - 6)
    w.push(a, skin.buttons("SCREENFIXCOMPLETE_BUTTONINFO")["BUTTON_OK"], state, "OK", kind="accent")
    return a


def build(skin, out):
    def size_of(section):
        (_, (x0, y0, x1, y1)), = skin.screens(section).values()
        return (x1 - x0, y1 - y0)

    for state, suffix in [("normal", ""), ("over", "_over"), ("down", "_down")]:
        error_scan(skin, size_of("SCREENERRORSCANINFO"), state).save_jpeg(out + "/ScreenErrorScan%s.jpg" % suffix)
        scan_complete(skin, size_of("SCREENSCANCOMPLETEINFO"), state).save_jpeg(
            out + "/ScreenScanComplete%s.jpg" % suffix)
        fix_complete(skin, size_of("SCREENFIXCOMPLETEINFO"), state).save_jpeg(out + "/ScreenFixComplete%s.jpg" % suffix)
    error_fixing(skin, size_of("SCREENERRORFIXINGINFO")).save_jpeg(out + "/ScreenErrorFixing.jpg")
