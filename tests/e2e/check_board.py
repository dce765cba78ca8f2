#!/usr/bin/env python3
"""Counts the winners on the board of a main-screen screenshot.

Usage: check_board.py SCREENSHOT EXPECTED [--distinct]

The board's boxes are cream with a gold edge; a box that holds a winner has
blue text in it. Prints the number of boxes, of boxes with a winner, and the
height in pixels of the tallest line of blue text; exits 1 unless exactly
EXPECTED boxes hold a winner. With --distinct, also unless the blue text of
every two such boxes differs: winners whose names are different characters
that no font draws would show the same empty boxes.
"""
import sys

from PIL import Image

CREAM = (0xFF, 0xF3, 0xD9)


def near(p, q, tolerance):
    return all(abs(a - b) <= tolerance for a, b in zip(p, q))


def is_blue(p):
    return p[2] > 150 and p[0] < 110 and p[1] < 110


def main():
    image = Image.open(sys.argv[1]).convert("RGB")
    expected = int(sys.argv[2])
    width, height = image.size
    # The board lies in the upper half of the screen, under the title band.
    top, bottom = int(height * 0.08), int(height * 0.55)
    pixels = image.load()
    cream = bytearray(width * (bottom - top))
    for y in range(top, bottom):
        row = (y - top) * width
        for x in range(width):
            if near(pixels[x, y], CREAM, 12):
                cream[row + x] = 1
    seen = bytearray(len(cream))
    boxes = []
    for start in range(len(cream)):
        if not cream[start] or seen[start]:
            continue
        stack = [start]
        seen[start] = 1
        x0 = y0 = 1 << 30
        x1 = y1 = -1
        count = 0
        while stack:
            i = stack.pop()
            count += 1
            y, x = divmod(i, width)
            x0, x1, y0, y1 = min(x0, x), max(x1, x), min(y0, y), max(y1, y)
            for j in (i - 1, i + 1, i - width, i + width):
                if 0 <= j < len(cream) and cream[j] and not seen[j] and abs((j % width) - x) <= 1:
                    seen[j] = 1
                    stack.append(j)
        if count >= 200:
            boxes.append((x0, y0 + top, x1, y1 + top))
    filled = 0
    tallest = 0
    inks = []
    for x0, y0, x1, y1 in boxes:
        rows = [y for y in range(y0, y1 + 1) if any(is_blue(pixels[x, y]) for x in range(x0, x1 + 1))]
        if not rows:
            continue
        filled += 1
        inks.append(bytes(is_blue(pixels[x, y]) for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)))
        # Runs of rows with ink: one per line of text.
        run = 1
        for a, b in zip(rows, rows[1:]):
            run = run + 1 if b == a + 1 else 1
            tallest = max(tallest, run)
    distinct = len(set(inks)) == len(inks)
    print(f"boxes {len(boxes)} with-winner {filled} tallest-line-px {tallest} distinct {int(distinct)}")
    if "--distinct" in sys.argv[3:] and not distinct:
        return 1
    return 0 if filled == expected else 1


if __name__ == "__main__":
    sys.exit(main())
