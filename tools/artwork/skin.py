"""Reads the rectangles the artwork must line up with straight from the shipped skin description."""
import configparser


class Skin:
    def __init__(self, path):
        self.ini = configparser.ConfigParser(interpolation=None, comment_prefixes=(";",), strict=True)
        self.ini.optionxform = str
        with open(path, encoding="latin-1") as f:
            self.ini.read_file(f)

    def lines(self, section):
        if not self.ini.has_section(section):
            return []
        return [[f.strip() for f in v.split(",")] for _, v in self.ini.items(section)]

    def buttons(self, section):
        """name -> (x0, y0, x1, y1) in the owner's client coordinates."""
        out = {}
        for f in self.lines(section):
            x, y, w, h = (int(v) for v in f[1:5])
            out[f[0]] = (x, y, x + w, y + h)
        return out

    def texts(self, section):
        out = {}
        for f in self.lines(section):
            x, y, w, h = (int(v) for v in f[6:10])
            out[f[0]] = (x, y, x + w, y + h)
        return out

    def list_rect(self, section):
        f = self.lines(section)[0]
        x, y, w, h = (int(v) for v in f[0:4])
        return (x, y, x + w, y + h)

    def screens(self, section):
        """name -> (image names, (x0, y0, x1, y1))."""
        out = {}
        for f in self.lines(section):
            x, y, w, h = (int(v) for v in f[5:9])
            out[f[0]] = (f[1:5], (x, y, x + w, y + h))
        return out

    def value(self, section, key):
        return self.ini.get(section, key)
