"""Pictures of the pages shown in the main screen's panel. Their background is the panel's colour,
so a page has no visible edge; every control is drawn at the rectangle the skin gives it."""
import glyphs
import widgets as w
from canvas import (AMBER, AQUA, AQUA_LIGHT, Art, CARD, GREEN, INK, LINE, MUTED, PANEL, RED, SOFT, TEAL,
                    TEAL_DARK, WHITE, gradient, mix)

CATEGORIES = ["ActiveX Components", "COM Subsections", "Drivers", "Help Files", "Application Paths",
              "Shared DLLs", "Fonts", "Startup Programs", "Uninstall Components", "Shortcuts/Link Files"]


def size_of(rect):
    return (rect[2] - rect[0], rect[3] - rect[1])


def label_right_of(a, rect, text, enabled=True, bold=False):
    a.text((rect[0] + 24, (rect[1] + rect[3]) / 2), text, size=11, bold=bold,
           colour=INK if enabled else SOFT, anchor="lm")


def scan_page(skin, size, checked):
    a = Art(size)
    b = skin.buttons("SUBMAIN_SCANGIF_BUTTONINFO")
    rows = [b[n] for n in ["BUTTON_COM", "BUTTON_COM_SUBS", "BUTTON_DRV", "BUTTON_HELP", "BUTTON_APPPATH",
                           "BUTTON_SHARED_TOOLS", "BUTTON_FONTS", "BUTTON_STARTUP", "BUTTON_UNINSTALL",
                           "BUTTON_SHORTCUTS"]]
    w.stripes(a, 8, 288, rows[0][1] - 2, 16, 10)
    header = b["BUTTON_ALL"]
    w.checkbox(a, header[0], header[1], checked)
    a.text((header[0] + 20, header[1] + 6), "Select all areas", size=11, bold=True, colour=INK, anchor="lm")
    for rect, label in zip(rows, CATEGORIES):
        w.checkbox(a, rect[0], rect[1], checked)
        a.text((rect[0] + 20, rect[1] + 6), label, size=11, colour=INK, anchor="lm")
    item = skin.texts("SUBMAIN_SCANGIF_TEXTINFO")["TEXT_ERRORSCAN_CURRENTITEM"]
    a.lines([(8, item[1] - 5), (288, item[1] - 5)], LINE, 1.0, round_caps=False)
    return a


def status_page(skin, size, colour):
    a = Art(size)
    lamps = [skin.buttons("SUBMAIN_SCANSTATUS_BUTTONINFO")["BUTTON_STATUS%d" % k] for k in range(1, 11)]
    a.text((lamps[0][0], 10), "Status", size=11, bold=True, colour=INK, anchor="lm")
    for x0, y0, x1, y1 in lamps:
        a.round_rect((x0, y0, x1, y1), 5, fill=mix(colour, WHITE, 0.72))
        a.round_rect((x0 + 12, y0 + 3, x1 - 4, y1 - 3), 2, fill=mix(colour, WHITE, 0.35))
        a.circle((x0 + 5, y0 + 5), 5, fill=colour)
        a.circle((x0 + 3.8, y0 + 3.6), 1.6, fill=mix(colour, WHITE, 0.7))
    y = lamps[-1][3] + 16
    x = lamps[0][0]
    for c, label in [(RED, "waiting"), (AMBER, "scanning"), (GREEN, "done")]:
        a.circle((x + 4, y), 4, fill=c)
        a.text((x + 11, y), label, size=9, colour=MUTED, anchor="lm")
        x += 19 + a.text_width(label, 9)
    return a


def summary_pages(skin, size):
    """Scan_Summary and Scan_Result: each one's switch lights the other page's segment."""
    errors_seg = skin.buttons("SUBMAIN_SCAN_SUMMARY_BUTTONINFO")["BUTTON_SHOW_SCAN_RESULT"]
    summary_seg = skin.buttons("SUBMAIN_RESULT_BUTTONINFO")["BUTTON_SHOW_SCAN_SUMMARY"]
    counters = skin.texts("SUBMAIN_SCAN_SUMMARY_TEXTINFO")
    summary = Art(size)
    w.title(summary, 14, 12, "Scan summary")
    w.segmented(summary, errors_seg, summary_seg, ("Errors", "Summary"), 1)
    first = counters["TEXT_FOUND_CLSID"]
    summary.text((24, first[1] - 6), "AREA", size=8, bold=True, colour=MUTED, anchor="ls")
    summary.text((first[0], first[1] - 6), "FOUND", size=8, bold=True, colour=MUTED, anchor="ls")
    w.stripes(summary, 12, size[0] - 12, first[1], 15, 10)
    for k, label in enumerate(CATEGORIES):
        summary.text((24, first[1] + 15 * k + 7.5), label, size=11, colour=INK, anchor="lm")
    result = Art(size)
    w.title(result, 14, 12, "Errors found")
    w.segmented(result, errors_seg, summary_seg, ("Errors", "Summary"), 0)
    lx0, ly0, lx1, ly1 = skin.list_rect("SUBMAIN_RESULT_LISTINFO")
    result.shadow((lx0, ly0, lx1, ly1), 3, blur=2, offset=(0, 1), strength=0.15)
    result.rect((lx0, ly0, lx1, ly1), CARD)
    result.text((lx0 + 2, ly1 + 6), "Untick a row to keep it: it goes to the ignore list.", size=9, colour=MUTED,
                anchor="lm")
    return summary, result


def home_page(skin, size):
    a = Art(size)
    texts = skin.texts("SUBMAIN_MAIN_TEXTINFO")
    w.title(a, 16, 10, "Tidewarp at a glance")
    rows = [("Version", "PROGRESS_TEXT_APPLICATION_VERSION"), ("Last scan", "PROGRESS_TEXT_LAST_SCAN"),
            ("Total scans", "PROGRESS_TEXT_TOTAL_SCANS"), ("Errors removed", "PROGRESS_TEXT_TOTAL_ERROR_REMOVED"),
            ("Next automatic scan", "PROGRESS_TEXT_AUTO_SCAN_TIME"),
            ("Entries in ignore list", "PROGRESS_TEXT_OBJECT_IN_IGNORE_LIST")]
    first, last = texts[rows[0][1]], texts[rows[-1][1]]
    a.shadow((14, first[1] - 8, 284, last[3] + 8), 8, blur=3, offset=(0, 1), strength=0.15)
    a.round_rect((14, first[1] - 8, 284, last[3] + 8), 8, fill=CARD)
    for label, name in rows:
        r = texts[name]
        cy = (r[1] + r[3]) / 2
        a.circle((30, cy), 2.5, fill=AQUA)
        a.text((40, cy), label, size=11, colour=MUTED, anchor="lm")
    glyphs.wave_emblem(a, 332, 84, 64, AQUA, TEAL_DARK, WHITE, AQUA_LIGHT)
    a.text((332, 132), "Scan. Review.", size=10, bold=True, colour=INK, anchor="mm")
    a.text((332, 146), "Repair safely.", size=10, bold=True, colour=INK, anchor="mm")
    return a


def schedule_page(skin, size, state):
    """state: "unchk", "chk" (every option on) or "disabled" (switch off, options greyed)."""
    a = Art(size)
    b = skin.buttons("SUBMAIN_SCHEDULE_BUTTONINFO")
    on = state == "chk"
    live = state != "disabled"
    w.title(a, 16, 10, "Automatic scan")
    enable = b["BUTTON_AUTOSCAN_ENABLE"]
    w.checkbox(a, enable[0] + 4, enable[1] + 4, on)
    label_right_of(a, enable, "Scan automatically while Tidewarp runs", bold=True)
    for name, label in [("BUTTON_START_EVERY", "Scan at a fixed interval"),
                        ("BUTTON_START_AFTER_EVERY", "Scan once every"),
                        ("BUTTON_START_AFTER_EVERY_MONTH", "Month"),
                        ("BUTTON_START_AFTER_EVERY_WEEK", "Week"),
                        ("BUTTON_START_AFTER_EVERY_DAY", "Day")]:
        r = b[name]
        w.radio(a, r[0] + 10, (r[1] + r[3]) / 2, on, live)
        label_right_of(a, r, label, live)
    note = "Scans run while Tidewarp is open." if live else "Automatic scanning is switched off."
    a.text((20, size[1] - 22), note, size=10, colour=MUTED, anchor="lm")
    return a


def settings_page(skin, size, checked):
    a = Art(size)
    b = skin.buttons("SUBMAIN_ADVANCED_BUTTONINFO")
    w.title(a, 16, 10, "Settings")
    for name, label in [("BUTTON_AUTOSCAN", "Scan for errors when Tidewarp starts"),
                        ("BUTTON_BACKUP", "Back up the registry before each repair")]:
        r = b[name]
        w.checkbox(a, r[0] + 4, r[1] + 4, checked)
        label_right_of(a, r, label)
    # The pressed look is cut from the ticked picture, which the page shows as its "down" image.
    w.push(a, b["BUTTON_BACKUPS"], "down" if checked else "normal", "Backups...")
    a.text((20, size[1] - 36), "Backups go to the folder \u201cRegistry Backups\u201d;", size=10, colour=MUTED,
           anchor="lm")
    a.text((20, size[1] - 22), "the five newest are kept.", size=10, colour=MUTED, anchor="lm")
    return a


def ignored_page(skin, size, hot):
    a = Art(size)
    b = skin.buttons("SUBMAIN_IGNORED_BUTTONINFO")
    lx0, ly0, lx1, ly1 = skin.list_rect("SUBMAIN_IGNORED_LISTINFO")
    a.rect((lx0, ly0, lx1, ly1), CARD)
    sel = b["BUTTON_IGNORED_SEL_ALL"]
    w.checkbox(a, sel[0] + 4, sel[1] + 3, hot)
    a.text((sel[0] + 22, (sel[1] + sel[3]) / 2), "Select all", size=11, colour=INK, anchor="lm")
    w.push(a, b["BUTTON_IGNORED_DELETE"], "over" if hot else "normal", "Remove from list",
           icon=lambda art, x, y, s, c: glyphs.close(art, x, y, s * 1.3, c))
    return a


def removal_strip(size, fraction):
    a = Art(size)
    cy = size[1] / 2
    done = fraction >= 1.0
    a.text((8, cy), "Repair complete" if done else "Repairing registry", size=11, bold=True, colour=INK,
           anchor="lm")
    x0, x1 = 140, 350
    a.round_rect((x0, cy - 5, x1, cy + 5), 5, fill=mix(LINE, PANEL, 0.3))
    fill_to = x0 + (x1 - x0) * fraction
    top, bottom = (AQUA, TEAL) if not done else ((96, 214, 146), GREEN)
    a.gradient_round_rect((x0, cy - 5, fill_to, cy + 5), 5, top, bottom)
    a.text((size[0] - 10, cy), "%d%%" % round(fraction * 100), size=11, bold=True,
           colour=GREEN if done else TEAL, anchor="rm")
    return a


def build(skin, out):
    pages = {name: rect for name, (_, rect) in skin.screens("SUBMAINSCREENINFO").items()}

    def sz(name):
        return size_of(pages[name])

    scan_page(skin, sz("SUBMAIN_SCANGIF"), False).save_bmp(out + "/Scan_unchk.bmp")
    scan_page(skin, sz("SUBMAIN_SCANGIF"), True).save_bmp(out + "/Scan_chk.bmp")
    for colour, name in [(RED, "Red"), (AMBER, "Yellow"), (GREEN, "Green")]:
        status_page(skin, sz("SUBMAIN_SCANSTATUS"), colour).save_bmp(out + "/Scan_Status_%s.bmp" % name)
    summary, result = summary_pages(skin, sz("SUBMAIN_SCAN_SUMMARY"))
    summary.save_jpeg(out + "/Scan_Summary.jpg")
    result.save_jpeg(out + "/Scan_Result.jpg")
    home_page(skin, sz("SUBMAIN_MAIN")).save_jpeg(out + "/Home_chk.jpg")
    for state in ("unchk", "chk", "disabled"):
        schedule_page(skin, sz("SUBMAIN_SCHEDULE"), state).save_jpeg(out + "/Autoscan_%s.jpg" % state)
    settings_page(skin, sz("SUBMAIN_ADVANCED"), False).save_jpeg(out + "/Advanced-Settings_unchk.jpg")
    settings_page(skin, sz("SUBMAIN_ADVANCED"), True).save_jpeg(out + "/Advanced-Settings_chk.jpg")
    ignored_page(skin, sz("SUBMAIN_IGNORED"), False).save_jpeg(out + "/IGNORRED-ERRORS_unchk.jpg")
    ignored_page(skin, sz("SUBMAIN_IGNORED"), True).save_jpeg(out + "/IGNORRED-ERRORS_chkOver.jpg")
    for k, fraction in enumerate([0.25, 0.5, 0.75, 1.0], 1):
        removal_strip(sz("SUBMAIN_REMOVED_ERROR"), fraction).save_bmp(out + "/RemovedError%02d.bmp" % k)
