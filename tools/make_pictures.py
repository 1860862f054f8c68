#!/usr/bin/env python3
"""Builds the program's pictures from their drawings into icon, bitmap and cursor files and a
resource script that compiles them into the program.

Usage: make_pictures.py LIST DRAWINGS OUT_RC

LIST is resources/pictures/pictures.txt (id, kind, size, description); DRAWINGS is
resources/pictures/pictures.py, whose functions draw each picture on a Canvas (below). Every
icon, bitmap, strip and cursor of the list must have a drawing of the listed size, and every
drawing a line in the list; otherwise nothing is written and the build stops. Cells of strips
are listed for reference and drawn as part of their strip.

Files written beside OUT_RC: icon_N.ico (32 x 32 and 16 x 16 images, 32 bits with an AND mask),
bitmap_N.bmp (24 bits; what the drawing leaves transparent is white, the background colour of
the program's bitmaps), cursor_N.cur (32 x 32, 32 bits, with its hot spot), and OUT_RC with one
"N ICON|BITMAP|CURSOR file" line each.
"""

import os
import runpy
import struct
import sys


class Canvas:
    """A picture under construction: RGBA pixels, transparent at first."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[None] * width for _ in range(height)]

    @staticmethod
    def colour(c):
        if c is None or isinstance(c, tuple):
            return c
        c = c.lstrip('#')
        return (int(c[0:2], 16), int(c[2:4], 16), int(c[4:6], 16), 255)

    def px(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = self.colour(c)

    def get(self, x, y):
        return self.pixels[y][x]

    def rect(self, x0, y0, x1, y1, c):
        """Fills the rectangle with both corners included."""
        for y in range(min(y0, y1), max(y0, y1) + 1):
            for x in range(min(x0, x1), max(x0, x1) + 1):
                self.px(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.line(x0, y0, x1, y0, c)
        self.line(x0, y1, x1, y1, c)
        self.line(x0, y0, x0, y1, c)
        self.line(x1, y0, x1, y1, c)

    def box(self, x0, y0, x1, y1, outline, fill):
        self.rect(x0, y0, x1, y1, fill)
        self.frame(x0, y0, x1, y1, outline)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.px(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polyline(self, points, c):
        for a, b in zip(points, points[1:]):
            self.line(a[0], a[1], b[0], b[1], c)

    def polygon(self, points, fill, outline=None):
        """Fills by pixel centres (even-odd), then strokes the outline."""
        ys = [p[1] for p in points]
        n = len(points)
        for y in range(int(min(ys)), int(max(ys)) + 1):
            yc = y + 0.5
            xs = []
            for i in range(n):
                (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
                if (ya <= yc < yb) or (yb <= yc < ya):
                    xs.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(int(a + 0.5), int(b + 0.5)):
                    self.px(x, y, fill)
        if outline:
            self.polyline(list(points) + [points[0]], outline)

    def ellipse(self, x0, y0, x1, y1, fill, outline=None):
        """The ellipse inscribed in the rectangle (corners included)."""
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        rx, ry = (x1 - x0 + 1) / 2, (y1 - y0 + 1) / 2
        inside = [[((x + 0.5 - cx - 0.5) / rx) ** 2 + ((y + 0.5 - cy - 0.5) / ry) ** 2 <= 1.0
                   for x in range(x0, x1 + 1)] for y in range(y0, y1 + 1)]
        for j, row in enumerate(inside):
            for i, on in enumerate(row):
                if not on:
                    continue
                edge = any(not (0 <= j + b < len(inside) and 0 <= i + a < len(row) and inside[j + b][i + a])
                           for a, b in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                self.px(x0 + i, y0 + j, outline if (edge and outline) else fill)

    def blit(self, other, x, y):
        for j in range(other.height):
            for i in range(other.width):
                if other.pixels[j][i] is not None:
                    self.px(x + i, y + j, other.pixels[j][i])

    def text(self, x, y, s, c, scale=1):
        for ch in s:
            rows = FONT[ch]
            for j, row in enumerate(rows):
                for i, bit in enumerate(row):
                    if bit == '#':
                        self.rect(x + i * scale, y + j * scale, x + (i + 1) * scale - 1, y + (j + 1) * scale - 1, c)
            x += (len(rows[0]) + 1) * scale

    def half(self):
        """A canvas of half the size, each pixel the average of four (alpha-weighted)."""
        out = Canvas(self.width // 2, self.height // 2)
        for y in range(out.height):
            for x in range(out.width):
                quad = [self.pixels[2 * y + b][2 * x + a] for a in (0, 1) for b in (0, 1)]
                solid = [p for p in quad if p is not None]
                if len(solid) >= 2:
                    out.pixels[y][x] = tuple(sum(p[k] for p in solid) // len(solid) for k in range(3)) + (255,)
        return out


# A small pixel font for the few letters the pictures carry.
FONT = {
    'Q': [' ### ', '#   #', '#   #', '#   #', '# # #', '#  # ', ' ## #'],
    'E': ['#####', '#    ', '#    ', '#### ', '#    ', '#    ', '#####'],
    'B': ['#### ', '#   #', '#   #', '#### ', '#   #', '#   #', '#### '],
    'f': ['  ## ', ' #   ', '#### ', ' #   ', ' #   ', ' #   ', ' #   '],
    'x': ['     ', '     ', '#   #', ' # # ', '  #  ', ' # # ', '#   #'],
    '1': ['  #  ', ' ##  ', '  #  ', '  #  ', '  #  ', '  #  ', ' ### '],
    'k': ['#    ', '#    ', '#  # ', '# #  ', '##   ', '# #  ', '#  # '],
}


def bmp24(canvas):
    row = (canvas.width * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        line = bytearray()
        for x in range(canvas.width):
            p = canvas.pixels[y][x] or (255, 255, 255, 255)
            line += bytes((p[2], p[1], p[0]))
        line += b'\0' * (row - len(line))
        data += line
    header = struct.pack('<IiiHHIIiiII', 40, canvas.width, canvas.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + 40 + len(data), 0, 0, 54) + header + data


def dib32(canvas):
    """The image of an icon or cursor entry: header (double height), BGRA rows, AND mask."""
    w, h = canvas.width, canvas.height
    header = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = bytearray()
    mask = bytearray()
    mask_row = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        bits = 0
        row = bytearray(mask_row)
        for x in range(w):
            p = canvas.pixels[y][x]
            if p is None:
                colours += b'\0\0\0\0'
                row[x // 8] |= 0x80 >> (x % 8)
            else:
                colours += bytes((p[2], p[1], p[0], 255))
        mask += row
    return header + bytes(colours) + bytes(mask)


def icon_file(images, kind=1, hotspots=None):
    count = len(images)
    out = struct.pack('<HHH', 0, kind, count)
    offset = 6 + 16 * count
    blobs = []
    for i, canvas in enumerate(images):
        blob = dib32(canvas)
        if kind == 1:
            planes, bits = 1, 32
        else:
            planes, bits = hotspots[i]
        out += struct.pack('<BBBBHHII', canvas.width % 256, canvas.height % 256, 0, 0, planes, bits, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b''.join(blobs)


def read_list(path):
    entries = []
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            fields = line.split('\t')
            if len(fields) != 4:
                sys.exit(f'{path}:{number}: expected id, kind, size and description')
            w, h = (int(v) for v in fields[2].split('x'))
            entries.append((int(fields[0]), fields[1], w, h, fields[3]))
    return entries


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    list_path, drawings_path, out_rc = sys.argv[1:]
    entries = read_list(list_path)
    drawings = runpy.run_path(drawings_path, init_globals={'Canvas': Canvas})
    tables = {'icon': drawings['ICONS'], 'bitmap': drawings['BITMAPS'], 'strip': drawings['BITMAPS'],
              'cursor': drawings['CURSORS']}
    folder = os.path.dirname(os.path.abspath(out_rc))
    os.makedirs(folder, exist_ok=True)
    errors = []
    listed = {'icon': set(), 'bitmap': set(), 'cursor': set()}
    lines = []
    for id_, kind, w, h, _ in entries:
        if kind == 'cell':
            continue
        if kind not in tables:
            errors.append(f'{id_}: unknown kind {kind}')
            continue
        table = tables[kind]
        if id_ not in table:
            errors.append(f'{id_} ({kind}): no drawing')
            continue
        resource = 'bitmap' if kind == 'strip' else kind
        listed[resource].add(id_)
        if kind == 'cursor':
            canvas, hot = table[id_]()
        else:
            canvas = table[id_]()
        if (canvas.width, canvas.height) != (w, h):
            errors.append(f'{id_} ({kind}): drawn {canvas.width}x{canvas.height}, listed {w}x{h}')
            continue
        name = f'{resource}_{id_}.' + {'icon': 'ico', 'bitmap': 'bmp', 'cursor': 'cur'}[resource]
        if resource == 'icon':
            data = icon_file([canvas, canvas.half()])
        elif resource == 'cursor':
            data = icon_file([canvas], 2, [hot])
        else:
            data = bmp24(canvas)
        path = os.path.join(folder, name)
        with open(path, 'wb') as f:
            f.write(data)
        lines.append(f'{id_} {resource.upper()} "{path}"')
    for resource, table in (('icon', drawings['ICONS']), ('bitmap', drawings['BITMAPS']), ('cursor', drawings['CURSORS'])):
        for id_ in sorted(set(table) - listed[resource]):
            errors.append(f'{id_} ({resource}): drawn but not listed')
    if errors:
        sys.exit('make_pictures: ' + '; '.join(errors))
    with open(out_rc, 'w', encoding='ascii') as f:
        f.write('// Generated by tools/make_pictures.py from resources/pictures; do not edit.\n')
        f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
