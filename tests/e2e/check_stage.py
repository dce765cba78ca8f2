#!/usr/bin/env python3
"""Compares the screenshots of test_e2e_stage.sh: FOLDER holds WxH-NAME.png.

For every screen size other than 1024x768 and every picture NAME:
  * the stage (the 1024 x 768 design scaled by s = min(W/1024, H/768), centred
    as the program centres it) is cut out, scaled down to 1024 x 768 and
    compared with the 1024x768 picture in blocks of 32 x 32, both softened by a
    blur of BLUR design pixels: no block may differ on average by more than
    BLOCK_LIMIT. Text hinted for another size differs by about 10 there; a
    label, box, button or dialog 2 pixels off differs by about 25, a missing
    one by 100 and more;
  * beyond the stage, each row continues the stage's edge colour of that row
    (no black or flat bars), and the strips are not one flat colour.
For every size, in the picture after the press: blue label text lies inside
the boxes of the board, never next to the stage's red.
Prints one line of figures per picture; exits 1 when a check fails.

With --look FOLDER (WxH-main.png and WxH-after.png of the operator's look):
each picture's own colour is found where it belongs: the background's two
halves at the screen's left and right edges, the logo's gold in the title
band left of the middle and no black where its transparent corners
lie, the prize picture's cyan right of the board's places, a photo's
green in each of the twelve boxes and on the winner line, and the boxes'
cream fill beside each photo.
"""
import math
import os
import sys

from PIL import Image, ImageChops, ImageFilter, ImageStat

DESIGN = (1024, 768)
BLOCK = 32
BLUR = 2
BLOCK_LIMIT = 18.0   # mean absolute difference of a block, 0..255
EDGE_LIMIT = 48      # how far a continued band may drift from the stage's edge
NAMES = ("main", "picker", "settings", "setitem", "after", "lists")
# Design rectangles whose content differs from run to run by design: the
# commitment of each run's own seed (its digits and QR code) right of the
# buttons. Its code is read and checked by the test itself.
VARIABLE = ((893, 660, 1024, 720),)


def stage_box(width, height):
    """The stage in device pixels, rounded as the program places it: the
    window covers the screen in whole logical pixels (the screen divided by s,
    rounded up), the stage centred in it in whole logical pixels."""
    s = min(width / DESIGN[0], height / DESIGN[1])
    logical_w, logical_h = math.ceil(width / s - 1e-6), math.ceil(height / s - 1e-6)
    x0 = (logical_w - DESIGN[0]) // 2
    y0 = (logical_h - DESIGN[1]) // 2
    return s, (x0 * s, y0 * s, (x0 + DESIGN[0]) * s, (y0 + DESIGN[1]) * s)


def worst_block(a, b):
    soft = ImageFilter.GaussianBlur(BLUR)
    diff = ImageChops.difference(a.filter(soft), b.filter(soft)).convert("L")
    worst, where = 0.0, (0, 0)
    for y in range(0, DESIGN[1], BLOCK):
        for x in range(0, DESIGN[0], BLOCK):
            if any(x < r and x + BLOCK > l and y < b and y + BLOCK > t for l, t, r, b in VARIABLE):
                continue
            m = ImageStat.Stat(diff.crop((x, y, x + BLOCK, y + BLOCK))).mean[0]
            if m > worst:
                worst, where = m, (x, y)
    return worst, where


def edge_faults(img, box):
    """Rows whose side strips leave the stage's edge colour, and flat strips."""
    faults = []
    left, top, right, bottom = (int(round(v)) for v in box)
    w, h = img.size
    px = img.load()
    for side, strip, edge_x in (("left", range(0, max(left - 1, 0)), left + 1),
                                ("right", range(min(right + 1, w), w), right - 2)):
        if not strip:
            continue
        colours = set()
        bad = 0
        for y in range(0, h, 4):
            edge = px[edge_x, min(max(y, top + 1), bottom - 2)]
            for x in strip[:: max(1, len(strip) // 16)]:
                c = px[x, y]
                colours.add(tuple(v // 16 for v in c))
                if max(abs(c[i] - edge[i]) for i in range(3)) > EDGE_LIMIT:
                    bad += 1
        if bad:
            faults.append(f"{side} strip leaves the stage's colours at {bad} points")
        if len(colours) < 3:
            faults.append(f"{side} strip is one flat colour")
    return faults


def label_faults(img, box, s):
    """Strong blue (label text) next to the stage red in the board's rows."""
    left, top, right, _ = box
    board = img.crop((int(left), int(top + 80 * s), int(right), int(top + 296 * s))).convert("RGB")
    r, g, b = board.split()
    blue = Image.eval(ImageChops.subtract(b, ImageChops.lighter(r, g)), lambda v: 255 if v > 120 else 0)
    red = Image.eval(ImageChops.subtract(r, ImageChops.lighter(g, b)), lambda v: 255 if v > 110 else 0)
    reach = max(3, int(round(2 * s)) | 1)
    near_red = red.filter(ImageFilter.MaxFilter(reach))
    touching = ImageStat.Stat(ImageChops.multiply(blue, near_red)).sum[0] / 255
    text = ImageStat.Stat(blue).sum[0] / 255
    return text, touching


TEAL, PURPLE, GOLD = (0, 160, 160), (130, 40, 170), (255, 200, 0)
CYAN, GREEN, CREAM = (0, 230, 230), (30, 140, 40), (0xFF, 0xF3, 0xD9)


def share_of(img, rect, colour, limit=40):
    """Share of the pixels of rect (screen pixels) within limit of colour."""
    part = img.crop(tuple(int(round(v)) for v in rect))
    pixels = list(part.getdata())
    near = sum(1 for p in pixels if max(abs(p[i] - colour[i]) for i in range(3)) <= limit)
    return near / max(len(pixels), 1)


def look_main(folder):
    failures = []
    for size in sorted({f.split("-")[0] for f in os.listdir(folder) if f.endswith(".png")}):
        width, height = (int(v) for v in size.split("x"))
        s, box = stage_box(width, height)
        x0, y0 = box[0], box[1]

        def at(x, y, w, h):
            return (x0 + x * s, y0 + y * s, x0 + (x + w) * s, y0 + (y + h) * s)

        checks = []
        for name in ("main", "after"):
            img = Image.open(os.path.join(folder, f"{size}-{name}.png")).convert("RGB")
            # Cropped, never squeezed: each edge shows one half whole.
            checks.append((name, "background left", share_of(img, (0, height * 0.45, 6, height * 0.55), TEAL), 0.9))
            checks.append((name, "background right",
                           share_of(img, (width - 6, height * 0.45, width, height * 0.55), PURPLE), 0.9))
            checks.append((name, "logo", share_of(img, at(200, 6, 312, 68), GOLD), 0.08))
            # Transparency kept: no black where the disc's corners are.
            checks.append((name, "logo not on black", 1 - share_of(img, at(200, 6, 312, 68), (0, 0, 0), 16), 0.99))
            checks.append((name, "prize picture", share_of(img, (x0 + 920 * s, y0 + 80 * s, width, y0 + 400 * s), CYAN),
                           0.05))
            if name != "after":
                continue
            for n in range(12):
                column, row = n % 4, n // 4
                left, top = 124 + 200 * column, 80 + 3 + 57 * row
                checks.append((name, f"photo {n + 1}", share_of(img, at(left + 8, top + 8, 20, 36), GREEN), 0.8))
                checks.append((name, f"box fill {n + 1}", share_of(img, at(left + 42, top + 4, 136, 46), CREAM, 24),
                               0.5))
            checks.append((name, "winner line photo", share_of(img, at(96, 427, 825, 59), GREEN), 0.01))
        for name, what, share, least in checks:
            ok = share >= least
            print(f"{size:>10} {name:<6} {what:<18} {share:6.3f} (at least {least})")
            if not ok:
                failures.append(f"{size} {name}: {what} {share:.3f} < {least}")
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


def main(folder):
    failures = []
    reference = {n: Image.open(os.path.join(folder, f"1024x768-{n}.png")).convert("RGB") for n in NAMES}
    sizes = sorted({f.split("-")[0] for f in os.listdir(folder) if f.endswith(".png")})
    for size in sizes:
        width, height = (int(v) for v in size.split("x"))
        s, box = stage_box(width, height)
        for name in NAMES:
            img = Image.open(os.path.join(folder, f"{size}-{name}.png")).convert("RGB")
            line = f"{size:>10} {name:<9} s={s:.4f}"
            if size != "1024x768":
                stage = img.resize(DESIGN, Image.LANCZOS, box=box)
                worst, where = worst_block(stage, reference[name])
                line += f" worst block {worst:5.1f} at {where}"
                if worst > BLOCK_LIMIT:
                    failures.append(f"{size} {name}: block at {where} differs by {worst:.1f}")
                for fault in edge_faults(img, box):
                    failures.append(f"{size} {name}: {fault}")
            if name == "after":
                text, touching = label_faults(img, box, s)
                line += f" label pixels {int(text)} touching red {int(touching)}"
                if text < 500:
                    failures.append(f"{size} after: no board labels found")
                if touching > 0:
                    failures.append(f"{size} after: {int(touching)} label pixels touch the stage red")
            print(line)
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    if sys.argv[1] == "--look":
        sys.exit(look_main(sys.argv[2]))
    sys.exit(main(sys.argv[1]))
