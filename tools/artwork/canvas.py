"""Drawing helpers for the skin artwork: one palette, one type family, anti-aliased shapes.

Shapes are rendered as masks at four times the size and scaled down, so edges are smooth; text is
drawn at full size by FreeType, which keeps small labels crisp.
"""
from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor for shape masks

# Palette: deep sea blues for the frame, aqua for actions, coral for the one destructive action.
NAVY_DEEP = (8, 25, 43)
NAVY = (14, 42, 70)
NAVY_LIGHT = (28, 68, 104)
NAVY_LINE = (44, 92, 132)
TEAL = (16, 126, 140)
TEAL_DARK = (10, 92, 104)
AQUA = (52, 196, 204)
AQUA_LIGHT = (160, 232, 236)
PANEL = (241, 246, 250)
PANEL_DARK = (222, 231, 239)
CARD = (255, 255, 255)
INK = (26, 42, 56)
MUTED = (96, 114, 130)
SOFT = (150, 166, 180)
LINE = (204, 216, 226)
CORAL = (236, 98, 72)
CORAL_LIGHT = (250, 132, 104)
CORAL_DARK = (190, 66, 46)
RED = (222, 62, 54)
AMBER = (246, 180, 44)
GREEN = (46, 180, 104)
WHITE = (255, 255, 255)

_FONT_DIR = "/usr/share/fonts/truetype/dejavu/"
_fonts = {}


def font(size, bold=False, condensed=False):
    name = "DejaVuSans" + ("Condensed" if condensed else "") + ("-Bold" if bold else "") + ".ttf"
    key = (name, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(_FONT_DIR + name, size)
    return _fonts[key]


def mix(a, b, t):
    """Colour between a (t = 0) and b (t = 1)."""
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def gradient(size, top, bottom):
    w, h = size
    column = Image.new("RGB", (1, max(h, 1)))
    for y in range(h):
        column.putpixel((0, y), mix(top, bottom, y / max(h - 1, 1)))
    return column.resize((max(w, 1), max(h, 1)))


class Art:
    def __init__(self, size, background=PANEL):
        self.im = Image.new("RGB", size, background)
        self.draw = ImageDraw.Draw(self.im)

    @property
    def size(self):
        return self.im.size

    # --- masks -----------------------------------------------------------------------------
    def _mask(self, box, paint):
        """An L mask of box (x0, y0, x1, y1), painted at SS times the size by paint(draw, map)."""
        x0, y0, x1, y1 = [int(v) for v in (box[0] // 1, box[1] // 1, -(-box[2] // 1), -(-box[3] // 1))]
        w, h = max(x1 - x0, 1), max(y1 - y0, 1)
        big = Image.new("L", (w * SS, h * SS), 0)

        def at(x, y):
            return ((x - x0) * SS, (y - y0) * SS)

        paint(ImageDraw.Draw(big), at)
        return (x0, y0), big.resize((w, h), Image.LANCZOS)

    def _fill(self, origin, mask, fill):
        if isinstance(fill, Image.Image):
            self.im.paste(fill.crop((0, 0) + mask.size) if fill.size != mask.size else fill, origin, mask)
        else:
            self.im.paste(fill, origin + (origin[0] + mask.size[0], origin[1] + mask.size[1]), mask)

    # --- shapes ----------------------------------------------------------------------------
    def rect(self, box, fill):
        self.draw.rectangle([box[0], box[1], box[2] - 1, box[3] - 1], fill=fill)

    def round_rect(self, box, radius, fill=None, outline=None, width=1.0, top_only=False):
        """box is (x0, y0, x1, y1) with x1, y1 exclusive; fill may be a colour or an image."""
        def shape(d, at, inset=0.0):
            a = at(box[0] + inset, box[1] + inset)
            b = at(box[2] - inset, box[3] - inset)
            r = max(radius - inset, 0) * SS
            d.rounded_rectangle([a, (b[0] - 1, b[1] - 1)], r, fill=255)
            if top_only:  # square off the bottom corners
                d.rectangle([a[0], (a[1] + b[1]) / 2, b[0] - 1, b[1] - 1], fill=255)

        if outline is not None:
            origin, outer = self._mask(box, lambda d, at: shape(d, at))
            _, inner = self._mask(box, lambda d, at: shape(d, at, width))
            ring = ImageChops.subtract(outer, inner)
            if fill is not None:
                self._fill(origin, inner, fill)
            self._fill(origin, ring, outline)
        elif fill is not None:
            origin, mask = self._mask(box, lambda d, at: shape(d, at))
            self._fill(origin, mask, fill)

    def gradient_round_rect(self, box, radius, top, bottom, outline=None, width=1.0, top_only=False):
        g = gradient((int(box[2] - box[0]) + 1, int(box[3] - box[1]) + 1), top, bottom)
        self.round_rect(box, radius, fill=g, outline=outline, width=width, top_only=top_only)

    def circle(self, centre, r, fill=None, outline=None, width=1.0):
        cx, cy = centre
        box = (cx - r, cy - r, cx + r, cy + r)
        self.round_rect(box, r, fill=fill, outline=outline, width=width)

    def polygon(self, points, fill):
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        box = (min(xs) - 1, min(ys) - 1, max(xs) + 1, max(ys) + 1)
        origin, mask = self._mask(box, lambda d, at: d.polygon([at(x, y) for x, y in points], fill=255))
        self._fill(origin, mask, fill)

    def lines(self, points, colour, width=1.5, round_caps=True):
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        pad = width + 1
        box = (min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad)

        def paint(d, at):
            pts = [at(x, y) for x, y in points]
            d.line(pts, fill=255, width=max(int(width * SS), 1), joint="curve")
            if round_caps:
                for p in (pts[0], pts[-1]):
                    rr = width * SS / 2
                    d.ellipse([p[0] - rr, p[1] - rr, p[0] + rr, p[1] + rr], fill=255)

        origin, mask = self._mask(box, paint)
        self._fill(origin, mask, colour)

    def arc(self, centre, r, start, end, colour, width=1.5):
        cx, cy = centre
        box = (cx - r - width, cy - r - width, cx + r + width, cy + r + width)

        def paint(d, at):
            a, b = at(cx - r, cy - r), at(cx + r, cy + r)
            d.arc([a, b], start, end, fill=255, width=max(int(width * SS), 1))

        origin, mask = self._mask(box, paint)
        self._fill(origin, mask, colour)

    def shadow(self, box, radius, blur=4, offset=(0, 2), colour=(0, 0, 0), strength=0.35):
        pad = blur * 3
        x0, y0 = int(box[0] - pad + offset[0]), int(box[1] - pad + offset[1])
        w, h = int(box[2] - box[0] + 2 * pad), int(box[3] - box[1] + 2 * pad)
        m = Image.new("L", (w, h), 0)
        ImageDraw.Draw(m).rounded_rectangle([pad, pad, w - pad - 1, h - pad - 1], radius, fill=int(255 * strength))
        m = m.filter(ImageFilter.GaussianBlur(blur))
        self.im.paste(colour, (x0, y0, x0 + w, y0 + h), m)

    # --- text ------------------------------------------------------------------------------
    def text(self, xy, s, size=11, bold=False, colour=INK, anchor="la", condensed=False):
        self.draw.text(xy, s, font=font(size, bold, condensed), fill=colour, anchor=anchor)

    def text_width(self, s, size=11, bold=False, condensed=False):
        return self.draw.textlength(s, font=font(size, bold, condensed))

    def save_jpeg(self, path):
        self.im.save(path, "JPEG", quality=93, subsampling=0, optimize=False, progressive=False)

    def save_bmp(self, path):
        self.im.convert("RGB").save(path, "BMP")

