#!/usr/bin/python3
"""Generates every picture and icon of the shipped skin, and the scan movie, from resources/skin.ini.

    /usr/bin/python3 tools/artwork/make_artwork.py

Writes resources/images/, resources/icons/ and resources/skin3.swf (an animated GIF; see movie.py). The results are committed, so building the program
needs neither this script nor Pillow. Rectangles come from the skin description itself, so a
changed layout only needs this script run again.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import icons  # noqa: E402
import main_screen  # noqa: E402
import movie  # noqa: E402
import pages  # noqa: E402
import screens  # noqa: E402
from skin import Skin  # noqa: E402


def main():
    root = os.path.normpath(os.path.join(HERE, "..", ".."))
    resources = os.path.join(root, "resources")
    images = os.path.join(resources, "images")
    icon_dir = os.path.join(resources, "icons")
    os.makedirs(images, exist_ok=True)
    os.makedirs(icon_dir, exist_ok=True)
    skin = Skin(os.path.join(resources, "skin.ini"))
    main_screen.build(skin, images)
    pages.build(skin, images)
    screens.build(skin, images)
    icons.build(icon_dir)
    movie.build(skin, os.path.join(resources, "skin3.swf"))
    print("artwork written to", images, "and", icon_dir)
    return check_resource_script(os.path.join(resources, "Tidewarp.rc"), images)


def check_resource_script(rc_path, images):
    """Every picture must be in the resource script, under its file name in upper case without
    the extension, with the type GIF; a picture missing there would silently fall back."""
    with open(rc_path, encoding="latin-1") as f:
        script = f.read()
    missing = []
    for name in sorted(os.listdir(images)):
        line = '%s GIF "images/%s"' % (os.path.splitext(name)[0].upper(), name)
        if line not in script:
            missing.append(line)
    for line in missing:
        print("missing from Tidewarp.rc:", line)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
