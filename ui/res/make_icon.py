#!/usr/bin/env python3
"""Draws Ondrel's icon: a grey game card with a green arrow pointing out of
it into a blue J8 card. Writes one .ico with a 32x32 and a 16x16 image, 16
colours each (the standard 16-colour palette), byte for byte the same on
every run.

usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, GREEN, NAVY, SILVER, GREY, LIME, YELLOW, BLUE, WHITE = 0, 2, 4, 7, 8, 10, 11, 12, 15
CLEAR = None


def card(img, x0, y0, x1, y1, body, label, k):
    """A game card from (x0, y0) to (x1, y1) inclusive: outlined body with a
    cut top-right corner, a label and gold contacts along the bottom."""
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            # The cut corner: a diagonal of k pixels.
            if x - (x1 - k) > y - y0:
                continue
            edge = x in (x0, x1) or y in (y0, y1) or x - (x1 - k) == y - y0
            img[y][x] = BLACK if edge else body
    for y in range(y0 + 2 * k, y0 + 2 * k + 3 * k):
        for x in range(x0 + k + 1, x1 - k):
            img[y][x] = label
    for x in range(x0 + k, x1 - k + 1, 2):
        for y in range(y1 - k - (k // 2), y1):
            img[y][x] = YELLOW


def arrow(img, size, k):
    """A lime arrow outlined in green, pointing right across the middle."""
    mid = size // 2
    shaft_top, shaft_bottom = mid - k, mid + k - 1
    head = 3 * k
    tip = 11 * k + k // 2 if k > 1 else 11
    start = 5 * k
    base = tip - head
    cells = set()
    for x in range(start, base + 1):
        for y in range(shaft_top, shaft_bottom + 1):
            cells.add((x, y))
    for i, x in enumerate(range(base, tip + 1)):
        for y in range(mid - head + i, mid + head - i):
            cells.add((x, y))
    for (x, y) in cells:
        inside = all((x + dx, y + dy) in cells for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        img[y][x] = LIME if inside else GREEN


def draw(size):
    k = size // 16
    img = [[CLEAR] * size for _ in range(size)]
    # The source card behind, on the left; the J8 card in front, on the right.
    card(img, 0, k // 2, 9 * k - 1, 15 * k - 1, GREY, SILVER, k)
    card(img, 7 * k, 3 * k, size - 1, size - 1 - (k // 2), BLUE, WHITE, k)
    arrow(img, size, k)
    return img


def ico_image(img):
    size = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(img):  # bitmaps are stored bottom-up
        line = bytearray()
        for x in range(0, size, 2):
            hi, lo = row[x] or 0, row[x + 1] or 0
            line.append(hi << 4 | lo)
        line += b'\0' * (-len(line) % 4)
        xor += line
        bits = bytearray()
        for x in range(0, size, 8):
            byte = 0
            for i in range(8):
                if row[x + i] is CLEAR:
                    byte |= 0x80 >> i
            bits.append(byte)
        bits += b'\0' * (-len(bits) % 4)
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    images = [(size, ico_image(draw(size))) for size in (32, 16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(data for _, data in images)
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
