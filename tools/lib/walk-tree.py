#!/usr/bin/env python3
"""Makes the folder tree walk_bench walks: 50 x 10 x 100 leaf folders (50,550 folders in all) with
five empty files each (250,000 files). Written from the Linux side, which takes seconds where
creating the same tree through Win32 under Wine takes many minutes; the benchmark adds the
shortcut files itself.

    walk-tree.py ROOT        (ROOT must not exist yet)
"""
import os
import sys

NAMES = ("readme.txt", "data.bin", "picture.jpg", "notes.doc", "library.dll")


def main():
    root = sys.argv[1]
    os.makedirs(root)
    for d in range(50):
        for e in range(10):
            for f in range(100):
                leaf = os.path.join(root, "d%02d" % d, "e%d" % e, "f%02d" % f)
                os.makedirs(leaf)
                for name in NAMES:
                    os.close(os.open(os.path.join(leaf, name), os.O_CREAT | os.O_WRONLY, 0o644))


if __name__ == "__main__":
    main()
