#!/usr/bin/env python3
"""Writes a program icon: 16, 32 and 48 pixel images in 16 colours.

Usage: make-icon.py OUT.ico STYLE   (STYLE: runner | demo)
The picture is drawn from code so the committed file can be made again.
"""
import struct
import sys

# The standard 16-colour palette (index: B, G, R, 0).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, WHITE, YELLOW, RED, GREY = 0, 4, 15, 11, 9, 8


def pixel(style, x, y, n):
    """Colour index at (x, y) of an n by n image; None is transparent."""
    m = max(1, n // 16)
    if x < m or y < m or x >= n - m or y >= n - m:
        return BLACK
    if style == "runner":
        # A window with a title bar and a play arrow.
        if y < 4 * m:
            return NAVY
        cx, cy, h = n // 2 - 2 * m, (n + 4 * m) // 2, 4 * m
        if x >= cx and abs(y - cy) <= h - (x - cx) // 1 and x - cx <= h * 2 - abs(y - cy) * 2:
            return RED
        return WHITE
    # demo: a window with two buttons.
    if y < 4 * m:
        return NAVY
    for top in (6 * m, 11 * m):
        if 3 * m <= x < n - 3 * m and top <= y < top + 3 * m:
            return GREY if (x == 3 * m or y == top) else YELLOW
    return WHITE


def image(style, n):
    rows = []
    mask_rows = []
    for y in reversed(range(n)):  # bottom-up
        idx = [pixel(style, x, y, n) for x in range(n)]
        row = bytearray()
        for x in range(0, n, 2):
            a, b = idx[x] or 0, idx[x + 1] or 0
            row.append((a << 4) | b)
        row += b"\0" * (-len(row) % 4)
        rows.append(bytes(row))
        mrow = bytearray((n + 7) // 8)
        for x in range(n):
            if idx[x] is None:
                mrow[x // 8] |= 0x80 >> (x % 8)
        mrow += b"\0" * (-len(mrow) % 4)
        mask_rows.append(bytes(mrow))
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + b"".join(rows) + b"".join(mask_rows)


def main():
    out, style = sys.argv[1], sys.argv[2]
    sizes = [16, 32, 48]
    images = [image(style, n) for n in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
