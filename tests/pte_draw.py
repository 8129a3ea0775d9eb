#!/usr/bin/env python3
"""`pte draw` on a picture file, the result read back with PIL: shapes land
in their colour, the paint bucket fills and erases its region (transparency
kept in the PNG), a wand selection limits a later fill, and text in several
scripts leaves ink in its colour. Bad steps exit with status 2."""
import os
import subprocess
import sys
import tempfile

from PIL import Image

W, H = 60, 40
PAPER = (230, 220, 200)


def picture(path):
    """Paper with a dark wall down column 30."""
    im = Image.new("RGBA", (W, H), (230, 220, 200, 255))
    for y in range(H):
        im.putpixel((30, y), (20, 20, 20, 255))
    im.save(path)


def draw(pte, folder, *steps):
    src, out = os.path.join(folder, "in.png"), os.path.join(folder, "out.png")
    picture(src)
    run = subprocess.run([pte, "draw", src, out, *steps], capture_output=True, text=True)
    if run.returncode != 0:
        raise SystemExit(f"pte draw {' '.join(steps)}: exit {run.returncode}\n{run.stderr}")
    with Image.open(out) as im:
        return im.convert("RGBA")


def near(p, q):
    return all(abs(a - b) <= 2 for a, b in zip(p, q))


def expect(condition, what):
    if not condition:
        raise SystemExit("failed: " + what)


def main():
    pte = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        im = draw(pte, folder, "rect", "2", "3", "10", "12", "#ff0000")
        expect(near(im.getpixel((2, 3)), (255, 0, 0, 255)) and near(im.getpixel((10, 12)), (255, 0, 0, 255)),
               "the rectangle's corners in its colour (merged at 255 of 256 over the paper)")
        expect(im.getpixel((11, 12)) == PAPER + (255,), "nothing past the rectangle")

        im = draw(pte, folder, "fill", "5", "5", "0,0,255", "0", "Paint Connected")
        expect(im.getpixel((29, 39)) == (0, 0, 255, 255) and im.getpixel((31, 0)) == PAPER + (255,),
               "the bucket fills its side of the wall only")

        im = draw(pte, folder, "fill", "40", "5", "#000000", "0", "Erase Connected")
        expect(im.getpixel((59, 39))[3] == 0 and im.getpixel((0, 0))[3] == 255, "erasing leaves transparency")

        im = draw(pte, folder, "deselect", "wand", "40", "5", "0", "Connected",
                  "fill", "0", "0", "#00ff00", "50000", "Paint Non-connected")
        # The wand marks 65280 of 65535 at level 0: the fill lands at that strength.
        expect(near(im.getpixel((45, 20)), (0, 255, 0, 255)) and im.getpixel((10, 20)) == PAPER + (255,),
               "a fill reaches only the wand's selection")

        im = draw(pte, folder, "font", "", "24", "bold", "text", "2", "2", "#103080", "Aש漢")
        inked = [im.getpixel((x, y)) for y in range(H) for x in range(W) if im.getpixel((x, y))[:3] != PAPER]
        expect(len(inked) > 40, "text leaves ink")
        expect((16, 48, 128, 255) in inked, "fully covered text pixels have the text's colour")

        src = os.path.join(folder, "in.png")
        for bad in (["rect", "1", "2"], ["rect", "1", "2", "3", "x", "#000000"], ["spiral"],
                    ["gradient", "Linear", "0", "0", "9", "9", "7", "#000000"]):
            run = subprocess.run([pte, "draw", src, os.path.join(folder, "bad.png"), *bad], capture_output=True)
            expect(run.returncode == 2, f"exit 2 for {bad}")
        expect(not os.path.exists(os.path.join(folder, "bad.png")), "nothing written for bad steps")
    print("pte draw: all checks passed")


if __name__ == "__main__":
    main()
