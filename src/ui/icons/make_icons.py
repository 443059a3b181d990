#!/usr/bin/env python3
"""Draws the program's two icons (32x32 and 16x16, 16 colours) and writes them as .ico files.

start_page.ico: a green disc with a white "start" triangle.
main_window.ico: two spreadsheet pages, one behind the other, with green headers and grid lines.
Run it from this folder; the .ico files are committed, so the build needs no Python.
"""
import struct

# The standard 16-colour palette (R, G, B).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
           (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, GREEN, GRAY, SILVER, LIME, WHITE, NAVY = 0, 2, 8, 7, 10, 15, 4
CLEAR = None


def start_page(n):
    """A green disc with a dark rim and a white triangle pointing right."""
    c = (n - 1) / 2.0
    r = n / 2.0 - 0.5
    img = []
    for y in range(n):
        row = []
        for x in range(n):
            d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
            if d > r:
                row.append(CLEAR)
                continue
            colour = BLACK if d > r - max(1.0, n / 16) else GREEN
            # The triangle: from (0.38n, 0.27n) down to (0.38n, 0.73n), tip at (0.75n, c).
            left, top, bottom, tip = 0.38 * n, 0.27 * n, 0.73 * n, 0.75 * n
            if x >= left and top <= y <= bottom:
                half = (bottom - top) / 2.0 * (1 - (x - left) / (tip - left))
                if abs(y - c) <= half:
                    colour = WHITE
            row.append(colour)
        img.append(row)
    return img


def sheet(img, x0, y0, w, h, n):
    cell = max(2, n // 8)
    header = max(2, n // 8)
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            if x in (x0, x0 + w - 1) or y in (y0, y0 + h - 1):
                img[y][x] = BLACK
            elif y < y0 + header:
                img[y][x] = GREEN
            elif (x - x0) % cell == 0 or (y - y0 - header) % cell == 0:
                img[y][x] = SILVER
            else:
                img[y][x] = WHITE


def main_window(n):
    img = [[CLEAR] * n for _ in range(n)]
    s = n * 5 // 8
    sheet(img, n - s - 1, 0, s + 1, s + 1, n)              # the page behind
    sheet(img, 0, n - s - 1, s + 1, s + 1, n)              # the page in front
    return img


def dib(img):
    n = len(img)
    xor_rows, and_rows = [], []
    for row in reversed(img):  # bottom-up
        xor = bytearray()
        for x in range(0, n, 2):
            hi = row[x] if row[x] is not None else 0
            lo = row[x + 1] if row[x + 1] is not None else 0
            xor.append((hi << 4) | lo)
        xor += b"\0" * (-len(xor) % 4)
        mask = bytearray((n + 7) // 8)
        for x, v in enumerate(row):
            if v is None:
                mask[x // 8] |= 0x80 >> (x % 8)
        mask += b"\0" * (-len(mask) % 4)
        xor_rows.append(bytes(xor))
        and_rows.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + b"".join(xor_rows) + b"".join(and_rows)


def write_ico(path, draw):
    images = [(n, dib(draw(n))) for n in (32, 16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in images:
        out += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    write_ico("start_page.ico", start_page)
    write_ico("main_window.ico", main_window)
