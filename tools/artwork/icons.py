"""Icons 128 (program) and 132 (tray), written as classic ICO files (32-bit BMP entries with an AND
mask), which every Windows version reads; PNG entries need Vista or later."""
import struct

from PIL import Image

import glyphs
from canvas import AQUA, AQUA_LIGHT, Art, NAVY, NAVY_DEEP, TEAL, TEAL_DARK, WHITE


def _draw(size, tray):
    a = Art((size, size), (0, 0, 0))
    alpha = Image.new("L", (size, size), 0)
    scale = 4
    big = Art((size * scale, size * scale), (0, 0, 0))
    if tray:
        glyphs.wave_emblem(big, size * scale / 2, size * scale / 2, size * scale, AQUA, NAVY, WHITE, AQUA_LIGHT)
    else:
        glyphs.wave_emblem(big, size * scale / 2, size * scale / 2, size * scale, AQUA, TEAL_DARK, WHITE, AQUA_LIGHT)
    a.im = big.im.resize((size, size), Image.LANCZOS)
    # The tile's own outline gives the alpha channel.
    shape = Art((size * scale, size * scale), (0, 0, 0))
    shape.round_rect((0, 0, size * scale, size * scale), size * scale * 0.24, fill=(255, 255, 255))
    alpha = shape.im.convert("L").resize((size, size), Image.LANCZOS)
    rgba = a.im.convert("RGBA")
    rgba.putalpha(alpha)
    return rgba


def _entry(img):
    w, h = img.size
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, al = img.getpixel((x, y))
            pixels += bytes((b, g, r, al))
    row = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        bits = bytearray(row)
        for x in range(w):
            if img.getpixel((x, y))[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, images):
    entries = [_entry(im) for im in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for im, data in zip(images, entries):
        w, h = im.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(entries))


def build(out):
    write_ico(out + "/tidewarp.ico", [_draw(s, False) for s in (16, 32, 48)])
    write_ico(out + "/tray.ico", [_draw(s, True) for s in (16, 32)])
