"""Whether pictures of the real window show the puck between two of its tick places.

Usage: between_ticks.py TRACE PICTURE...

TRACE is the game's --trace of the session; each PlaceBodyFrame of the puck (frame 2) is where a
tick put it. Each PICTURE (640 x 480, the game's window at the screen's top-left) is searched for
the puck: the white pixels on the table's surface, the mallets and lines being coloured. Where the
camera (at (0, -250, -500), looking at the origin, the front plane at 1.2 spanning 1.1 across 640
pixels) puts a place is worked out here from those numbers alone. A picture counts when its puck
lies on the line between two consecutive tick places, at least MARGIN pixels from both and from
every other place: drawn blended between two ticks, not at one. A puck partly hidden by a mallet
(fewer pixels than its size there gives, against the other pictures) does not count. Exit status
0 when a picture counts, 1 when none does (with what was seen), 2 for bad arguments.
"""
import json
import math
import subprocess
import sys

SCALE = 320 * 1.2 / 1.1
MARGIN = 1.2  # pixels from a tick place: more than the puck's centre is misjudged by (0.3)
OFF_LINE = 1.0  # pixels from the line between the two places
PUCK_Z = -5  # the middle of what is seen of the puck: its top 8 above the table, its near side


def project(x, y, z):
    dy, dz = y + 250, z + 500
    d = (dy + 2 * dz) / math.sqrt(5)
    return 320 + x / d * SCALE, 240 - (2 * dy - dz) / math.sqrt(5) / d * SCALE


def on_table(col, row):
    """The table point under a pixel, for z = 0: inside the surface, clear of rails and goals."""
    k = (240 - row) / SCALE
    dy = (500 + 1000 * k) / (2 - k)
    x = (col - 320) * (dy + 1000) / math.sqrt(5) / SCALE
    return abs(x) < 150 and -150 < dy - 250 < 170


def top_area(col, row):
    """The pixels of the puck's top (radius 18) centred at a pixel, as the camera sees it."""
    k = (240 - row) / SCALE
    y = (500 + 1000 * k) / (2 - k) - 250
    x = (col - 320) * (y + 1250) / math.sqrt(5) / SCALE
    (l, _), (r, _) = project(x - 18, y, -8), project(x + 18, y, -8)
    (_, n), (_, f) = project(x, y - 18, -8), project(x, y + 18, -8)
    return math.pi * (r - l) * (n - f) / 4


def tick_places(trace):
    calls = (json.loads(line) for line in open(trace))
    return [project(*c["args"][1:3], PUCK_Z) for c in calls
            if c.get("call") == "PlaceBodyFrame" and c["args"][0] == 2 and c["args"][3] == 0]


def puck(picture):
    """The centre of the white pixels on the table, and how many there are."""
    rgb = subprocess.run(["convert", picture, "-depth", "8", "rgb:-"], check=True,
                         capture_output=True).stdout
    if len(rgb) != 640 * 480 * 3:
        raise SystemExit(f"{picture}: not a 640 x 480 picture")
    sx = sy = n = 0
    for row in range(80, 480):
        base = row * 640 * 3
        for col in range(0, 640):
            r, g, b = rgb[base + 3 * col:base + 3 * col + 3]
            if r > 110 and g > 110 and b > 110 and on_table(col, row):
                sx, sy, n = sx + col, sy + row, n + 1
    return (sx / n + 0.5, sy / n + 0.5, n) if n else None  # a pixel's centre is half-way in


def between(c, a, b):
    """How far along a..b the point c lies, and how far off that line; None for a short step."""
    ax, ay = b[0] - a[0], b[1] - a[1]
    length = math.hypot(ax, ay)
    if length < 2 * MARGIN + 2:
        return None
    t = ((c[0] - a[0]) * ax + (c[1] - a[1]) * ay) / length ** 2
    off = abs((c[0] - a[0]) * ay - (c[1] - a[1]) * ax) / length
    return t, off, length


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    places = tick_places(argv[0])
    if len(places) < 2:
        print(f"{argv[0]}: fewer than two tick places of the puck", file=sys.stderr)
        return 1
    pucks = [(picture, puck(picture)) for picture in argv[1:]]
    sizes = sorted(p[2] / top_area(*p[:2]) for _, p in pucks if p)
    whole = 0.9 * sizes[len(sizes) // 2] if sizes else 0
    seen = []
    for picture, found in pucks:
        if found is None or found[2] < whole * top_area(*found[:2]):
            seen.append(f"{picture}: no puck, or one partly hidden")
            continue
        c = found[:2]
        nearest = min(math.dist(c, p) for p in places)
        seen.append(f"{picture}: puck at ({c[0]:.1f}, {c[1]:.1f}), {found[2]} pixels, "
                    f"{nearest:.1f} px from the nearest tick place")
        if nearest < MARGIN:
            continue
        for a, b in zip(places, places[1:]):
            step = between(c, a, b)
            if step and step[1] <= OFF_LINE and \
                    MARGIN <= step[0] * step[2] <= step[2] - MARGIN:
                print(f"{seen[-1]}: {step[0]:.2f} of the way from ({a[0]:.1f}, {a[1]:.1f}) "
                      f"to ({b[0]:.1f}, {b[1]:.1f})")
                return 0
    print("no picture shows the puck between two tick places:\n" + "\n".join(seen),
          file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
