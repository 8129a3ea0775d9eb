#!/usr/bin/env python3
"""The example filters run by `pte lua` over a picture, each result checked
pixel by pixel against the filter's formula computed here."""
import math
import os
import subprocess
import sys
import tempfile

from PIL import Image


def write_png(path, width, height, rgba):
    Image.frombytes("RGBA", (width, height), bytes(rgba)).save(path)


def read_png(path):
    with Image.open(path) as picture:
        picture = picture.convert("RGBA")
        return picture.width, picture.height, list(picture.tobytes())


def byte(v):
    """trunc(v * 255) held to 0..255, as the setters store a channel."""
    t = math.trunc(v * 255)
    return 0 if t < 0 else 255 if t > 255 else t


def int32(v):
    t = math.trunc(v) % (1 << 32)
    return t - (1 << 32) if t >= (1 << 31) else t


def invert(px, _):
    r, g, b, a = (c / 255 for c in px)
    return [byte(1 - r), byte(1 - g), byte(1 - b), px[3]]


def sepia(px, keep):
    r, g, b = (c / 255 for c in px[:3])
    sr = 0.393 * r + 0.769 * g + 0.189 * b
    sg = 0.349 * r + 0.686 * g + 0.168 * b
    sb = 0.272 * r + 0.534 * g + 0.131 * b
    return [byte(keep * r + (1 - keep) * sr), byte(keep * g + (1 - keep) * sg),
            byte(keep * b + (1 - keep) * sb), px[3]]


def threshold(px, swap):
    r, g, b = (c / 255 for c in px[:3])
    grey = int32((r + g + b) / 3 * 255) & 255
    v = byte((grey >> 7) ^ swap)
    return [v, v, v, px[3]]


def main():
    pte, examples = sys.argv[1], sys.argv[2]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        width, height = 23, 17
        rgba = []
        for y in range(height):
            for x in range(width):
                rgba += [(x * 11 + y * 3) % 256, (y * 15 + x) % 256, (x * y * 7) % 256, 255 if x % 5 else 64 + y]
        source = os.path.join(work, "in.png")
        write_png(source, width, height, rgba)

        def run(script, *options, cwd=work):
            out = os.path.join(work, "out.png")
            if os.path.exists(out):
                os.remove(out)
            done = subprocess.run([pte, "lua", os.path.join(examples, script), source, out, *options],
                                  capture_output=True, text=True, cwd=cwd)
            return done, out

        cases = [("invert.lua", [], invert, None), ("sepia.lua", [], sepia, 0.0),
                 ("sepia.lua", ["--slider1", "250"], sepia, 250 * 0.001),
                 ("threshold.lua", [], threshold, 0), ("threshold.lua", ["--flag1", "1"], threshold, 1)]
        for script, options, formula, arg in cases:
            done, out = run(script, *options)
            if done.returncode != 0:
                failures.append(f"{script} {options}: exit {done.returncode}: {done.stderr}")
                continue
            w, h, got = read_png(out)
            expect = []
            for i in range(0, len(rgba), 4):
                expect += formula(rgba[i:i + 4], arg)
            if (w, h) != (width, height) or got != expect:
                bad = next(i for i in range(len(expect)) if got[i] != expect[i])
                failures.append(f"{script} {options}: byte {bad} is {got[bad]}, expected {expect[bad]}")

        # A recorded paint script: one colour and one dab every 8 pixels.
        os.mkdir(os.path.join(work, "scripts"))
        done, out = run("record_strokes.lua")
        lines = open(os.path.join(work, "scripts", "luapaint.srp")).read().split("\n") \
            if os.path.exists(os.path.join(work, "scripts", "luapaint.srp")) else []
        expect = ["1554", "Description", "1", " ", "RandomSeed", "1234", "SelectBrush", "Round", "1", "0",
                  "SetBrushSize", "8", "SetBrushOpacity", "1"]
        for y in range(0, height, 8):
            for x in range(0, width, 8):
                px = rgba[(y * width + x) * 4:(y * width + x) * 4 + 3]
                expect += ["SetColor"] + [str(math.trunc(c / 255 * 255)) for c in px] + ["Dab", str(x), str(y), "1"]
        expect += ["ScriptEnd", ""]
        if done.returncode != 0 or lines != expect:
            failures.append(f"record_strokes.lua: exit {done.returncode} {done.stderr}; lines {lines[:20]}")
        elif read_png(out)[2] != rgba:
            failures.append("record_strokes.lua changed the picture")

        # Failures: a script error, a missing script, a missing picture, bad options.
        bad = os.path.join(work, "bad.lua")
        open(bad, "w").write("set_rgb(0, 0, 1, 1, 1)\nerror('no good')\n")
        done = subprocess.run([pte, "lua", bad, source, os.path.join(work, "never.png")],
                              capture_output=True, text=True)
        if done.returncode != 1 or "Lua Script Error:" not in done.stderr or "no good" not in done.stderr \
                or os.path.exists(os.path.join(work, "never.png")):
            failures.append(f"script error: exit {done.returncode}: {done.stderr}")
        for args, status in [([os.path.join(work, "none.lua"), source, os.path.join(work, "x.png")], 1),
                             ([bad, os.path.join(work, "none.png"), os.path.join(work, "x.png")], 1),
                             ([bad, source, os.path.join(work, "x.png"), "--slider7", "1"], 2),
                             ([bad, source, os.path.join(work, "x.png"), "--style1", "x"], 2),
                             ([bad, source], 2)]:
            done = subprocess.run([pte, "lua", *args], capture_output=True, text=True)
            if done.returncode != status:
                failures.append(f"{args}: exit {done.returncode}, expected {status}: {done.stderr}")

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
