#!/usr/bin/env python3
"""The contrast of each text in a screenshot with what it is drawn on, as a reader meets it.

    screen_contrast.py PNG NAME=X,Y,W,H[@LEAST] [NAME=X,Y,W,H[@LEAST] ...]

For each region: the background is its most common colour, the text the colour in it that
contrasts most with that (the core of the glyphs; their anti-aliased edges lie in between).
Prints one line a region and exits 1 when any reads below its LEAST (WCAG 2 contrast ratio;
3:1 unless given).
"""
import collections
import re
import subprocess
import sys

LEGIBLE = 3.0


def luminance(rgb):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)))
    return (lb + 0.05) / (la + 0.05)


def pixels(png, x, y, w, h):
    """The region's pixels as (r, g, b), read through ImageMagick's text format."""
    dump = subprocess.run(["convert", png, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8",
                           "txt:-"], check=True, capture_output=True, text=True).stdout
    return [tuple(int(v) for v in m.groups())
            for m in re.finditer(r"^\d+,\d+: \((\d+),(\d+),(\d+)", dump, re.M)]


def main():
    png, regions = sys.argv[1], sys.argv[2:]
    legible = bool(regions)
    for region in regions:
        name, box = region.split("=")
        box, _, least = box.partition("@")
        least = float(least) if least else LEGIBLE
        found = pixels(png, *(int(v) for v in box.split(",")))
        background = collections.Counter(found).most_common(1)[0][0]
        text = max(found, key=lambda p: contrast(p, background))
        ratio = contrast(text, background)
        print("%-10s %5.2f:1  text #%02x%02x%02x on #%02x%02x%02x  (at least %g:1)"
              % ((name, ratio) + text + background + (least,)))
        legible = legible and ratio >= least
    sys.exit(0 if legible else 1)


if __name__ == "__main__":
    main()
