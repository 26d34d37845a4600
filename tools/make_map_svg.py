#!/usr/bin/env python3
"""Build assets/src/italy-map.svg, the region picker's map, from assets/src/italy.svg.

italy.svg: Victor Cazanave, @svg-maps/italy 2.0.0, CC BY 4.0. This script changes it:
it colours the regions, scales and places the map in the 484 x 499 picture, and adds a
name label with a leader line for every region. Standard library only.

Each label lies inside the click area the picker window places over it (LABELS below,
in picture pixels), so a click on a name selects that region.
"""
import math
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SRC = os.path.join(ROOT, "assets", "src", "italy.svg")
OUT = os.path.join(ROOT, "assets", "src", "italy-map.svg")

WIDTH, HEIGHT = 484, 499
# Map placement: picture = offset + scale * view-box coordinates. Chosen so that every
# label box lies on sea or on its own region, and the lower right corner stays free.
SCALE, OFFSET_X, OFFSET_Y = 0.54, 90.0, 68.0

# (click-area index, label text, region id in italy.svg, x, y, w, h) in picture pixels.
LABELS = [
    (0, "Liguria", "liguria", 48, 208, 73, 25),
    (1, "Piemonte", "piedmont", 0, 149, 81, 25),
    (2, "Valle d'Aosta", "aosta-valley", 8, 43, 113, 25),
    (3, "Lombardia", "lombardy", 120, 13, 89, 25),
    (4, "Trentino Alto Adige", "trentino-south-tyrol", 224, 0, 169, 19),
    (5, "Friuli Venezia Giulia", "friuli-venezia-giulia", 312, 53, 161, 25),
    (6, "Veneto", "veneto", 328, 107, 65, 25),
    (7, "Emilia Romagna", "emilia-romagna", 296, 140, 145, 25),
    (8, "Marche", "marche", 336, 181, 65, 25),
    (9, "Abruzzo", "abruzzo", 344, 211, 73, 25),
    (10, "Molise", "molise", 400, 232, 57, 25),
    (11, "Puglia", "apulia", 416, 264, 73, 25),
    (12, "Calabria", "calabria", 416, 397, 73, 25),
    (13, "Sicilia", "sicily", 168, 456, 73, 25),
    (14, "Basilicata", "basilicata", 224, 387, 89, 25),
    (15, "Campania", "campania", 216, 352, 89, 25),
    (16, "Lazio", "lazio", 184, 320, 49, 25),
    (17, "Umbria", "umbria", 152, 285, 65, 25),
    (18, "Toscana", "tuscany", 96, 237, 73, 25),
    (19, "Sardegna", "sardinia", 0, 363, 81, 25),
]

# Neighbouring regions get clearly different colours.
COLOURS = {
    "piedmont": "#f5c690",
    "aosta-valley": "#a9d6a0",
    "lombardy": "#a8c8ec",
    "trentino-south-tyrol": "#f3e08f",
    "veneto": "#f0a9a0",
    "friuli-venezia-giulia": "#bdb5e6",
    "liguria": "#98d5cf",
    "emilia-romagna": "#cfe39a",
    "tuscany": "#f6cf86",
    "marche": "#9fc6e8",
    "umbria": "#e8b2d3",
    "lazio": "#b3daa3",
    "abruzzo": "#f4b28c",
    "molise": "#c7b9e8",
    "campania": "#f1e08e",
    "apulia": "#a5d6cd",
    "basilicata": "#eeb1b1",
    "calabria": "#b4cdea",
    "sicily": "#f5c48e",
    "sardinia": "#b9dca2",
}

# Area kept free of land: the picker's "&Uscita" button sits there.
BUTTON = (408, 472, 67, 19)

# Sea names (x, y, text, rotation) and the north arrow, placed clear of labels and leaders.
SEAS = [
    (176, 274, "Mar Tirreno", 0),
    (448, 318, "Mare Adriatico", 48),
    (430, 455, "Mar Ionio", 0),
]
NORTH = (458, 112)

FONT = "Liberation Sans"
FONT_SIZE = 11
BOX_H = 17


def parse_path(d):
    """Polygons of a path made of relative moveto/lineto runs and closepath only."""
    toks = re.findall(r"[mMlLzZ]|-?[0-9]*\.?[0-9]+(?:e-?\d+)?", d)
    polys, cur = [], None
    x = y = sx = sy = 0.0
    cmd, first, i = "m", True, 0
    while i < len(toks):
        t = toks[i]
        if t in "mMlL":
            cmd, first = t, t in "mM"
            i += 1
            continue
        if t in "zZ":
            if cur:
                polys.append(cur)
            cur, x, y = None, sx, sy
            i += 1
            continue
        a, b = float(toks[i]), float(toks[i + 1])
        i += 2
        if cmd in "ml":
            x, y = x + a, y + b
        else:
            x, y = a, b
        if first:
            if cur:
                polys.append(cur)
            cur, sx, sy, first = [(x, y)], x, y, False
            cmd = "l" if cmd == "m" else "L"
        else:
            cur.append((x, y))
    if cur:
        polys.append(cur)
    return polys


def poly_area(p):
    return 0.5 * sum(p[k][0] * p[(k + 1) % len(p)][1] - p[(k + 1) % len(p)][0] * p[k][1]
                     for k in range(len(p)))


def inside(p, x, y):
    c = False
    n = len(p)
    for k in range(n):
        x0, y0 = p[k]
        x1, y1 = p[(k + 1) % n]
        if (y0 <= y) != (y1 <= y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            c = not c
    return c


def seg_dist(px, py, a, b):
    (x0, y0), (x1, y1) = a, b
    dx, dy = x1 - x0, y1 - y0
    L = dx * dx + dy * dy
    t = 0 if L == 0 else max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / L))
    return math.hypot(px - x0 - t * dx, py - y0 - t * dy)


def edge_dist(p, x, y):
    return min(seg_dist(x, y, p[k], p[(k + 1) % len(p)]) for k in range(len(p)))


def to_px(x, y):
    return OFFSET_X + SCALE * x, OFFSET_Y + SCALE * y


def text_width(s):
    # Advance widths of Liberation Sans Bold (the usual office sans metrics), in em/1000.
    w = {" ": 278, "'": 238, "A": 722, "B": 722, "C": 722, "F": 611, "G": 778, "L": 611,
         "M": 833, "P": 667, "R": 722, "S": 667, "T": 611, "U": 722, "V": 667, "a": 556,
         "b": 611, "c": 556, "d": 611, "e": 556, "g": 611, "h": 611, "i": 278, "l": 278,
         "m": 889, "n": 611, "o": 611, "r": 389, "s": 556, "t": 333, "u": 611, "z": 500}
    return sum(w.get(ch, 611) for ch in s) * FONT_SIZE / 1000.0


def anchor_for(polys, box):
    """A point well inside the region's largest part, as close to the label as possible."""
    p = max(polys, key=lambda q: abs(poly_area(q)))
    pp = [to_px(x, y) for x, y in p]
    xs = [q[0] for q in pp]
    ys = [q[1] for q in pp]
    cands = []
    step = 1.5
    yy = min(ys)
    while yy <= max(ys):
        xx = min(xs)
        while xx <= max(xs):
            if inside(pp, xx, yy):
                cands.append((xx, yy, edge_dist(pp, xx, yy)))
            xx += step
        yy += step
    deepest = max(c[2] for c in cands)
    need = min(7.0, deepest * 0.6)
    bx, by, bw, bh = box
    cx, cy = bx + bw / 2, by + bh / 2

    def dist_box(c):
        dx = max(0.0, abs(c[0] - cx) - bw / 2)
        dy = max(0.0, abs(c[1] - cy) - bh / 2)
        return math.hypot(dx, dy)

    good = [c for c in cands if c[2] >= need]
    return min(good, key=dist_box)[:2]


def box_point_towards(box, ax, ay):
    """Point on the label box's border where a leader line towards (ax, ay) leaves it."""
    bx, by, bw, bh = box
    cx, cy = bx + bw / 2, by + bh / 2
    dx, dy = ax - cx, ay - cy
    if dx == 0 and dy == 0:
        return cx, cy
    tx = (bw / 2) / abs(dx) if dx else float("inf")
    ty = (bh / 2) / abs(dy) if dy else float("inf")
    t = min(tx, ty)
    return cx + dx * t, cy + dy * t


# Where in its click area a label box sits when the middle would cover another region:
# (fx, fy), each from -1 (flush left / top) to +1 (flush right / bottom); default centred.
NUDGE = {14: (0.0, -1.0)}


def label_box(idx, x, y, w, h, text):
    bw = min(w - 2, max(text_width(text) + 12, 44))
    bh = min(h - 2, BOX_H)
    right = min(x + w, WIDTH - 1)
    fx, fy = NUDGE.get(idx, (0.0, 0.0))
    bx = x + 1 + ((right - x - 2) - bw) * (1 + fx) / 2
    by = y + 1 + ((h - 2) - bh) * (1 + fy) / 2
    return (round(bx) + 0.5, round(by) + 0.5, round(bw), round(bh))


def main():
    src = open(SRC, encoding="utf-8").read()
    paths = {}
    for m in re.finditer(r'<path\s+id="([^"]+)".*?\sd="([^"]+)"', src, re.S):
        paths[m.group(1)] = m.group(2)
    missing = set(COLOURS) - set(paths)
    if missing:
        sys.exit("italy.svg lacks regions: %s" % sorted(missing))

    o = []
    o.append('<?xml version="1.0" encoding="UTF-8"?>')
    o.append("<!-- Region picker map, generated by tools/make_map_svg.py from italy.svg")
    o.append("     (Victor Cazanave, @svg-maps/italy 2.0.0, CC BY 4.0), modified:")
    o.append("     colours, placement and region labels. -->")
    o.append('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
             % (WIDTH, HEIGHT, WIDTH, HEIGHT))
    o.append("<defs>")
    o.append('  <filter id="shadow" x="-10%" y="-10%" width="120%" height="120%">')
    o.append('    <feGaussianBlur in="SourceAlpha" stdDeviation="2.2"/>')
    o.append('    <feOffset dx="1.5" dy="2" result="b"/>')
    o.append('    <feComponentTransfer><feFuncA type="linear" slope="0.22"/></feComponentTransfer>')
    o.append('    <feMerge><feMergeNode/><feMergeNode in="SourceGraphic"/></feMerge>')
    o.append("  </filter>")
    o.append('  <linearGradient id="label" x1="0" y1="0" x2="0" y2="1">')
    o.append('    <stop offset="0" stop-color="#ffffff"/><stop offset="1" stop-color="#eef2f6"/>')
    o.append("  </linearGradient>")
    o.append("</defs>")
    o.append('<rect width="%d" height="%d" fill="#ffffff"/>' % (WIDTH, HEIGHT))

    # Regions.
    o.append('<g id="regions" filter="url(#shadow)" transform="translate(%g %g) scale(%g)" '
             'stroke="#5e6b75" stroke-width="%.3f" stroke-linejoin="round">'
             % (OFFSET_X, OFFSET_Y, SCALE, 0.7 / SCALE))
    for rid in COLOURS:
        o.append('  <path id="%s" fill="%s" d="%s"/>' % (rid, COLOURS[rid], paths[rid]))
    o.append("</g>")

    # Leader lines, then label boxes on top.
    leaders, boxes, texts = [], [], []
    for idx, text, rid, x, y, w, h in LABELS:
        box = label_box(idx, x, y, w, h, text)
        polys = parse_path(paths[rid])
        ax, ay = anchor_for(polys, box)
        sx, sy = box_point_towards(box, ax, ay)
        leaders.append('  <line x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f"/>' % (sx, sy, ax, ay))
        leaders.append('  <circle cx="%.1f" cy="%.1f" r="2.2" stroke="#ffffff" stroke-width="1"/>' % (ax, ay))
        bx, by, bw, bh = box
        boxes.append('  <rect id="label-%d" x="%g" y="%g" width="%g" height="%g" rx="3"/>'
                     % (idx, bx, by, bw, bh))
        texts.append('    <text id="name-%d" x="%g" y="%g">%s</text>'
                     % (idx, bx + bw / 2, by + bh / 2 + FONT_SIZE * 0.36,
                        text.replace("'", "&#8217;")))
    o.append('<g id="leaders" stroke="#3a4650" stroke-width="0.9" fill="#3a4650">')
    o.extend(leaders)
    o.append("</g>")
    o.append('<g id="labels" fill="url(#label)" stroke="#7d8b96" stroke-width="1">')
    o.extend(boxes)
    o.append('  <g id="names" fill="#1d2a36" stroke="none" font-family="%s, sans-serif" '
             'font-size="%dpx" font-weight="bold" text-anchor="middle">' % (FONT, FONT_SIZE))
    o.extend(texts)
    o.append("  </g>")
    o.append("</g>")

    # Seas, a north arrow and a short hint, all in free space.
    o.append('<g font-family="%s, sans-serif" font-style="italic" font-size="10px" '
             'fill="#7fa3c6" text-anchor="middle" letter-spacing="0.8">' % FONT)
    for x, y, name, angle in SEAS:
        o.append('  <text x="%g" y="%g" transform="rotate(%g %g %g)">%s</text>'
                 % (x, y, angle, x, y, name))
    o.append("</g>")
    nx, ny = NORTH
    o.append('<g id="north" transform="translate(%g %g)">' % (nx, ny))
    o.append('  <circle r="11" fill="#ffffff" stroke="#9fb3c5" stroke-width="1"/>')
    o.append('  <path d="M 0 -9 L 4 3 L 0 1 L -4 3 Z" fill="#3a4650"/>')
    o.append('  <path d="M 0 9 L 4 3 L 0 1 L -4 3 Z" fill="#c3ccd4"/>')
    o.append('  <text y="-14" text-anchor="middle" font-family="%s, sans-serif" font-size="9px" '
             'font-weight="bold" fill="#3a4650">N</text>' % FONT)
    o.append("</g>")
    # A short hint in the free lower left corner.
    o.append('<text x="8" y="490" font-family="%s, sans-serif" font-size="10.5px" '
             'font-style="italic" fill="#6a7782">Fare clic sul nome della regione</text>' % FONT)
    o.append("</svg>")
    with open(OUT, "w", encoding="utf-8") as f:
        f.write("\n".join(o) + "\n")


if __name__ == "__main__":
    main()
