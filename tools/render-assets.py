#!/usr/bin/env python3
"""Render the program's pictures in assets/ from their sources in assets/src/.

The build does not run this script: the rendered files are committed. Run it again after
changing a source. It needs (Debian packages) librsvg2-bin for rsvg-convert, imagemagick
for the GIF banners and the .ico file, and the fonts the sources name: fonts-liberation,
fonts-dejavu, fonts-open-sans, fonts-roboto.

    tools/render-assets.py            # render everything
    tools/render-assets.py card map   # render only the named pictures
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
ASSETS = os.path.join(ROOT, "assets")
SRC = os.path.join(ASSETS, "src")

# name: (source, output, width, height). Each is also rendered at twice its size, as
# "<output>@2x.png", for screens with two pixels to the point and windows grown with a larger font.
SVG_PICTURES = {
    "ovals": ("ovals.svg", "ovals.png", 160, 160),
    "oval4": ("oval4.svg", "oval4.png", 80, 48),
    "arrow": ("arrow.svg", "arrow.png", 16, 16),
    "logo": ("logo.svg", "logo.png", 123, 29),
    "hands": ("hands.svg", "hands.png", 294, 255),
    "icon": ("icon.svg", "icon.png", 32, 32),
    "card": ("card.svg", "card.png", 328, 196),
    "question": ("question.svg", "question.png", 32, 32),
    "people": ("people.svg", "people.png", 150, 150),
    "search": ("search.svg", "search.png", 32, 32),
    "map": ("italy-map.svg", "italy-map.png", 484, 499),
}
BANNERS = {
    "banner101": ("banner101.svg", "banner101.gif"),
    "banner102": ("banner102.svg", "banner102.gif"),
}
BANNER_W, BANNER_H = 468, 240


def need(tool):
    path = shutil.which(tool)
    if not path:
        sys.exit("render-assets: '%s' not found; install it (see the top of this script)" % tool)
    return path


def magick():
    # Debian's ImageMagick 6 binary; a 'convert' elsewhere on PATH may be something else.
    for cand in ("/usr/bin/convert", "/usr/bin/magick"):
        if os.path.exists(cand):
            return cand
    return need("convert")


def rsvg(src, out, w, h):
    subprocess.run([need("rsvg-convert"), "-w", str(w), "-h", str(h), "-o", out, src],
                   check=True)


def write_png_rgba(path, w, h, rows):
    """rows: list of h lists of w (r, g, b, a) tuples."""
    raw = b"".join(b"\x00" + b"".join(struct.pack("BBBB", *px) for px in row) for row in rows)

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def render_pixel_art(src, out):
    """A picture drawn as a character grid; the legend line maps letters to colours."""
    palette = {".": (0, 0, 0, 0)}
    rows = []
    for line in open(src, encoding="utf-8"):
        line = line.rstrip("\n")
        if line.startswith("#"):
            if line.startswith("# Legend:"):
                parts = line[len("# Legend:"):].split()
                for i in range(0, len(parts) - 1, 2):
                    key, val = parts[i], parts[i + 1]
                    if val.startswith("#"):
                        v = int(val[1:], 16)
                        palette[key] = (v >> 16 & 255, v >> 8 & 255, v & 255, 255)
            continue
        if line:
            rows.append([palette[ch] for ch in line])
    w = len(rows[0])
    if any(len(r) != w for r in rows):
        sys.exit("render-assets: %s: rows of different length" % src)
    write_png_rgba(out, w, len(rows), rows)


def render_svg(name):
    src, out, w, h = SVG_PICTURES[name]
    if name == "map":
        subprocess.run([sys.executable, os.path.join(HERE, "make_map_svg.py")], check=True)
    rsvg(os.path.join(SRC, src), os.path.join(ASSETS, out), w, h)
    fine = os.path.splitext(out)[0] + "@2x.png"
    rsvg(os.path.join(SRC, src), os.path.join(ASSETS, fine), 2 * w, 2 * h)


def render_icon_ico():
    """icon.ico with a 16 and a 32 pixel image (16 from its own simpler drawing)."""
    with tempfile.TemporaryDirectory() as tmp:
        parts = []
        for size, src in ((16, "icon16.svg"), (32, "icon.svg")):
            p = os.path.join(tmp, "icon%d.png" % size)
            rsvg(os.path.join(SRC, src), p, size, size)
            parts.append(p)
        subprocess.run([magick()] + parts + [os.path.join(ASSETS, "icon.ico")], check=True)


def render_banner(name):
    src, out = BANNERS[name]
    with tempfile.TemporaryDirectory() as tmp:
        png = os.path.join(tmp, "banner.png")
        rsvg(os.path.join(SRC, src), png, BANNER_W, BANNER_H)
        # One still GIF, 256 colours, no dithering: flat colours and sharp text.
        subprocess.run([magick(), png, "-alpha", "off", "+dither", "-colors", "256",
                        "-define", "gif:optimize=false", os.path.join(ASSETS, out)],
                       check=True)


def main(argv):
    names = argv or (list(SVG_PICTURES) + ["hand", "ico"] + list(BANNERS))
    for name in names:
        if name in SVG_PICTURES:
            render_svg(name)
        elif name == "hand":
            render_pixel_art(os.path.join(SRC, "hand.txt"), os.path.join(ASSETS, "hand.png"))
        elif name == "ico":
            render_icon_ico()
        elif name in BANNERS:
            render_banner(name)
        else:
            sys.exit("render-assets: unknown picture '%s'" % name)
        print("rendered", name)


if __name__ == "__main__":
    main(sys.argv[1:])
