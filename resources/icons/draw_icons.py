#!/usr/bin/env python3
"""Draws the window's images as small PNG files and writes the resource list.

Run from this folder: python3 draw_icons.py. Pure Python (zlib only), so the
images can be redrawn anywhere.
"""
import struct
import zlib

T = (0, 0, 0, 0)


def rgb(h, a=255):
    return ((h >> 16) & 255, (h >> 8) & 255, h & 255, a)


class Canvas:
    def __init__(self, w=16, h=16):
        self.w, self.h = w, h
        self.px = [[T] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def poly(self, pts, c):
        ys = [p[1] for p in pts]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            for i in range(len(pts)):
                (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % len(pts)]
                if y0 == y1:
                    continue
                if min(y0, y1) <= y + 0.5 < max(y0, y1):
                    xs.append(x0 + (y + 0.5 - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                for x in range(int(round(xs[i])), int(round(xs[i + 1]))):
                    self.set(x, y, c)

    def text(self, x, y, glyph, c):
        for dy, row in enumerate(GLYPHS[glyph]):
            for dx, ch in enumerate(row):
                if ch == '#':
                    self.set(x + dx, y + dy, c)

    def scaled(self, k):
        out = Canvas(self.w * k, self.h * k)
        for y in range(out.h):
            for x in range(out.w):
                out.px[y][x] = self.px[y // k][x // k]
        return out

    def png(self, path):
        raw = b''.join(b'\x00' + b''.join(bytes(p) for p in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)

        with open(path, 'wb') as f:
            f.write(b'\x89PNG\r\n\x1a\n')
            f.write(chunk(b'IHDR', struct.pack('>IIBBBBB', self.w, self.h, 8, 6, 0, 0, 0)))
            f.write(chunk(b'IDAT', zlib.compress(raw, 9)))
            f.write(chunk(b'IEND', b''))


GLYPHS = {
    'B': ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    'I': ["###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    'U': ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'S': [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'x': ["#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
    '2': ["##.", "..#", ".#.", "###"],
}

INK = rgb(0x202020)
WHITE = rgb(0xFFFFFF)
PAPER = rgb(0xFFFDF4)
GREY = rgb(0x808080)
BLUE = rgb(0x2F5FB3)
DBLUE = rgb(0x1D3D78)
YEL = rgb(0xF2C94C)
DYEL = rgb(0xB8901F)
GREEN = rgb(0x2E9E44)
RED = rgb(0xD23A2A)
ORANGE = rgb(0xE88A1A)


def book(open_):
    c = Canvas()
    if not open_:
        c.fill(3, 2, 12, 13, BLUE)
        c.fill(3, 2, 4, 13, DBLUE)
        c.fill(5, 12, 12, 13, PAPER)
        c.frame(3, 2, 12, 13, DBLUE)
        c.fill(7, 5, 10, 6, PAPER)
    else:
        c.poly([(1, 4), (8, 5), (8, 14), (1, 13)], PAPER)
        c.poly([(8, 5), (15, 4), (15, 13), (8, 14)], PAPER)
        for x0, x1 in ((1, 7), (8, 14)):
            c.line(x0, 4 if x0 == 1 else 5, x1, 5 if x0 == 1 else 4, DBLUE)
            c.line(x0, 13 if x0 == 1 else 14, x1, 14 if x0 == 1 else 13, DBLUE)
        c.line(1, 4, 1, 13, DBLUE)
        c.line(15, 4, 15, 13, DBLUE)
        c.line(8, 5, 8, 14, DBLUE)
        for y in (7, 9, 11):
            c.line(3, y, 6, y + 1, GREY)
            c.line(10, y + 1, 13, y, GREY)
    return c


def folder(open_):
    c = Canvas()
    c.fill(1, 3, 6, 4, DYEL)
    c.fill(1, 4, 14, 13, YEL if not open_ else DYEL)
    c.frame(1, 4, 14, 13, DYEL)
    if open_:
        c.poly([(3, 7), (15, 7), (13, 14), (1, 14)], YEL)
        c.line(3, 7, 15, 7, DYEL)
        c.line(1, 14, 13, 14, DYEL)
    return c


def page(rich):
    c = Canvas()
    c.fill(3, 1, 12, 14, WHITE)
    c.poly([(10, 1), (13, 4), (10, 4)], rgb(0xD0D0D0))
    c.line(3, 1, 10, 1, GREY)
    c.line(10, 1, 13, 4, GREY)
    c.line(13, 4, 13, 14, GREY)
    c.line(3, 14, 13, 14, GREY)
    c.line(3, 1, 3, 14, GREY)
    colours = [RED, BLUE, GREEN, GREY] if rich else [GREY] * 4
    for i, y in enumerate((6, 8, 10, 12)):
        c.line(5, y, 11 - (i % 2) * 2, y, colours[i])
    return c


def clock(colour):
    c = Canvas()
    c.disc(7.5, 8.5, 6.6, colour)
    c.disc(7.5, 8.5, 5.0, WHITE)
    c.line(7, 5, 7, 8, INK)
    c.line(8, 9, 10, 11, INK)
    c.fill(6, 0, 9, 1, colour)
    return c


def overlay(kind):
    c = Canvas()
    if kind == 0:  # in progress
        c.disc(11.5, 11.5, 4.2, WHITE)
        c.poly([(10, 9), (14, 11.5), (10, 14)], GREEN)
    elif kind == 1:  # done
        c.disc(11.5, 11.5, 4.2, WHITE)
        c.line(9, 11, 11, 13, GREEN)
        c.line(11, 13, 14, 9, GREEN)
        c.line(9, 12, 11, 14, GREEN)
        c.line(11, 14, 15, 9, GREEN)
    else:  # on hold
        c.disc(11.5, 11.5, 4.2, WHITE)
        c.fill(9, 9, 10, 14, ORANGE)
        c.fill(12, 9, 13, 14, ORANGE)
    return c


def trash(full):
    c = Canvas()
    c.fill(3, 5, 12, 14, rgb(0xB0B4B8))
    c.frame(3, 5, 12, 14, rgb(0x5A6068))
    for x in (5, 7, 9, 11):
        c.line(x, 7, x, 12, rgb(0x5A6068))
    c.fill(2, 3, 13, 4, rgb(0x5A6068))
    c.fill(6, 2, 9, 2, rgb(0x5A6068))
    if full:
        c.poly([(4, 0), (10, 1), (9, 4), (3, 3)], PAPER)
        c.line(4, 0, 10, 1, GREY)
        c.line(4, 2, 8, 3, GREY)
    return c


def label(colour):
    c = Canvas()
    if colour is None:
        return c
    c.poly([(3, 3), (11, 3), (14, 8), (11, 13), (3, 13)], colour)
    c.disc(5, 8, 1.2, WHITE)
    return c


def arrow(direction, colour=BLUE):
    c = Canvas()
    shapes = {
        'left': [(1, 8), (7, 2), (7, 5), (14, 5), (14, 11), (7, 11), (7, 14)],
        'right': [(15, 8), (9, 2), (9, 5), (2, 5), (2, 11), (9, 11), (9, 14)],
        'up': [(8, 1), (14, 7), (11, 7), (11, 14), (5, 14), (5, 7), (2, 7)],
        'down': [(8, 15), (14, 9), (11, 9), (11, 2), (5, 2), (5, 9), (2, 9)],
    }
    c.poly(shapes[direction], colour)
    return c


def with_plus(c, x, y):
    c.fill(x - 1, y - 3, x + 1, y + 3, WHITE)
    c.fill(x - 3, y - 1, x + 3, y + 1, WHITE)
    c.fill(x, y - 2, x, y + 2, GREEN)
    c.fill(x - 2, y, x + 2, y, GREEN)
    return c


def small_page():
    c = Canvas()
    c.fill(1, 1, 8, 10, WHITE)
    c.frame(1, 1, 8, 10, GREY)
    for y in (3, 5, 7):
        c.line(3, y, 6, y, GREY)
    return c


def list_icon(mark):
    c = Canvas()
    c.fill(1, 1, 14, 14, WHITE)
    c.frame(1, 1, 14, 14, GREY)
    for y in (4, 8, 12):
        c.fill(3, y - 1, 4, y, mark)
        c.line(6, y, 12, y, INK)
    return c


def panel_icon(where):
    c = Canvas()
    c.fill(1, 2, 14, 13, WHITE)
    c.frame(1, 2, 14, 13, INK)
    if where == 'tree':
        c.fill(2, 3, 5, 12, rgb(0xDDE6F5))
        c.line(5, 3, 5, 12, INK)
        for y in (5, 8, 11):
            c.set(3, y, BLUE)
            c.line(4, y, 4, y, BLUE)
    elif where == 'calendar':
        c.fill(2, 3, 13, 4, RED)
        for y in (6, 8, 10, 12):
            for x in (3, 5, 7, 9, 11):
                c.set(x, y, INK)
    elif where == 'tray':
        c.fill(2, 3, 13, 6, rgb(0xDDE6F5))
        c.line(2, 6, 13, 6, INK)
        c.line(3, 4, 9, 4, BLUE)
    elif where == 'date':
        c.fill(2, 3, 13, 5, rgb(0xFCE4C8))
        c.line(2, 5, 13, 5, INK)
        c.line(3, 4, 5, 4, ORANGE)
        c.line(7, 4, 9, 4, ORANGE)
    elif where == 'link':
        c.fill(2, 10, 13, 12, rgb(0xDDE6F5))
        c.line(2, 9, 13, 9, INK)
        c.frame(4, 10, 7, 12, BLUE)
        c.frame(7, 10, 10, 12, BLUE)
    return c


def letter(ch, deco=None):
    c = Canvas()
    c.text(5, 3, ch, INK)
    if ch == 'I':
        c = Canvas()
        c.text(6, 3, ch, INK)
    if deco == 'under':
        c.line(4, 12, 11, 12, INK)
    if deco == 'strike':
        c.line(3, 6, 11, 6, RED)
    if deco == 'colour':
        c.fill(3, 12, 12, 14, RED)
    return c


def script(up):
    c = Canvas()
    c.text(2, 7 if up else 3, 'x', INK)
    c.text(9, 2 if up else 10, '2', BLUE)
    return c


def align(kind):
    c = Canvas()
    for i, y in enumerate((3, 6, 9, 12)):
        width = 12 if i % 2 == 0 else 8
        if kind == 'left':
            x0 = 2
        elif kind == 'right':
            x0 = 14 - width
        else:
            x0 = 8 - width // 2
        c.line(x0, y, x0 + width - 1, y, INK)
    return c


def bullet():
    c = Canvas()
    for y in (3, 8, 13):
        c.fill(2, y - 1, 3, y, INK)
        c.line(6, y, 13, y, INK)
    return c


def floppy():
    c = Canvas()
    c.fill(1, 1, 14, 14, BLUE)
    c.fill(4, 1, 11, 5, rgb(0xE0E0E0))
    c.fill(9, 2, 10, 4, DBLUE)
    c.fill(3, 8, 12, 14, WHITE)
    c.line(4, 10, 11, 10, GREY)
    c.line(4, 12, 11, 12, GREY)
    c.frame(1, 1, 14, 14, DBLUE)
    return c


def clipboard():
    c = Canvas()
    c.fill(2, 2, 13, 15, rgb(0xB07A3A))
    c.fill(4, 4, 11, 13, WHITE)
    c.fill(5, 1, 10, 3, GREY)
    for y in (6, 8, 10):
        c.line(5, y, 10, y, GREY)
    return c


def cross():
    c = Canvas()
    for d in (0, 1):
        c.line(3 + d, 3, 12 + d, 12, RED)
        c.line(12 + d, 3, 3 + d, 12, RED)
    return c


def magnifier():
    c = Canvas()
    c.disc(6, 6, 4.5, INK)
    c.disc(6, 6, 3.2, rgb(0xDDEEFF))
    for d in (0, 1):
        c.line(9 + d, 10, 13 + d, 14, INK)
    return c


def program_icon():
    c = Canvas()
    c.fill(2, 1, 13, 14, PAPER)
    c.fill(2, 1, 3, 14, rgb(0x7A4A22))
    c.frame(2, 1, 13, 14, rgb(0x5A3416))
    for y in (4, 6):
        c.line(5, y, 11, y, GREY)
    # the wren: a round brown bird with a cocked tail
    c.disc(8.5, 10.5, 2.6, rgb(0x8B5A2B))
    c.line(11, 9, 12, 7, rgb(0x8B5A2B))
    c.line(11, 10, 12, 8, rgb(0x8B5A2B))
    c.set(7, 9, WHITE)
    c.set(6, 10, ORANGE)
    return c


def main():
    import os
    os.makedirs('node', exist_ok=True)
    os.makedirs('label', exist_ok=True)
    os.makedirs('tb', exist_ok=True)
    nodes = [book(False), book(True), folder(False), folder(True), page(False), page(True),
             clock(GREEN), clock(RED), overlay(0), overlay(1), overlay(2), trash(False), trash(True)]
    files = []
    for i, c in enumerate(nodes):
        name = 'node/%02d.png' % i
        c.png(name)
        files.append(name)
    labels = [None, RED, ORANGE, rgb(0xE5C100), GREEN, BLUE, rgb(0x8A4FC2), rgb(0x1FA3A3)]
    for i, colour in enumerate(labels):
        name = 'label/%d.png' % i
        label(colour).png(name)
        files.append(name)
    sister = with_plus(page(False), 12, 12)
    daughter = small_page()
    daughter.poly([(9, 8), (15, 8), (12, 13)], BLUE)
    with_plus(daughter, 12, 4)
    aunt = small_page()
    aunt.poly([(9, 7), (15, 7), (12, 2)], BLUE)
    with_plus(aunt, 12, 12)
    buttons = {
        'TBSave': floppy(), 'TBBack': arrow('left', GREEN), 'TBForward': arrow('right', GREEN),
        'TBNewSister': sister, 'TBNewDaughter': daughter, 'TBNewAunt': aunt,
        'TBClipping': clipboard(), 'TBDelete': cross(), 'TBFind': magnifier(),
        'TBListUpProcs': list_icon(GREEN), 'TBListUpUnfinished': list_icon(ORANGE),
        'TBListUpOutOfDate': list_icon(RED), 'TBListUpCurrentNodes': list_icon(BLUE),
        'TBShowExView': panel_icon('tree'), 'TBShowCalendar': panel_icon('calendar'),
        'TBShowFocusTray': panel_icon('tray'), 'TBShowDate': panel_icon('date'),
        'TBShowLinkPanel': panel_icon('link'),
        'TBLeft': arrow('left'), 'TBRight': arrow('right'), 'TBUp': arrow('up'), 'TBDown': arrow('down'),
        'TBBold': letter('B'), 'TBItalic': letter('I'), 'TBUnderline': letter('U', 'under'),
        'TBStrikeOut': letter('S', 'strike'), 'TBUpper': script(True), 'TBLower': script(False),
        'TBColor': letter('A', 'colour'), 'TBAlignLeft': align('left'),
        'TBAlignCenter': align('center'), 'TBAlignRight': align('right'), 'TBBullet': bullet(),
    }
    for key, c in buttons.items():
        name = 'tb/%s.png' % key
        c.png(name)
        files.append(name)
    icon = program_icon()
    for k, size in ((1, 16), (2, 32), (3, 48)):
        name = 'wrennote-%d.png' % size
        icon.scaled(k).png(name)
        files.append(name)
    with open('wrengui_icons.qrc', 'w') as f:
        f.write('<!DOCTYPE RCC>\n<RCC version="1.0">\n<qresource prefix="/icons">\n')
        for name in files:
            f.write('    <file>%s</file>\n' % name)
        f.write('</qresource>\n</RCC>\n')


if __name__ == '__main__':
    main()
