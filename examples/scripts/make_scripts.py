#!/usr/bin/env python3
"""Writes the example effect scripts of this folder from the readable table
below, or with --check reports whether the files match it.

usage: make_scripts.py [--check] [FOLDER]      (FOLDER defaults to this one)

A script file is the 64-byte header record (magic "FXSCRIPT", version 1,
effect count, width and height at bytes 16 and 20, background colour) and one
record per effect; docs/effect-scripts.md describes the format, every effect
and its values. Names below are the effects' and values' names there.
"""
import os
import struct
import sys

# Effect numbers and their values by name.
EFFECTS = {
    "lines": (1, dict(seed=3, count=4, length=5, variation=18, angle=6, width=7, colour_variation=17,
                      random_angles=15, random_opacity=16, red=8, green=9, blue=10, mode=14)),
    "circles": (2, dict(seed=3, count=4, radius=5, variation=18, ring=7, colour_variation=17,
                        random_opacity=15, soft=16, centred=19, red=8, green=9, blue=10, mode=14)),
    "rectangles": (3, dict(seed=3, count=4, width=5, height=6, variation=18, border=7, colour_variation=17,
                           random_opacity=15, turned=16, red=8, green=9, blue=10, mode=14)),
    "splines": (4, dict(seed=3, count=4, knots=5, reach=7, variation=18, width=8, colour_variation=17,
                        random_opacity=16, red=9, green=10, blue=11, mode=15)),
    "plasma": (5, dict(seed=3, detail=4, coloured=12, red=5, green=6, blue=7, mode=11)),
    "twirl": (6, dict(angle=3, radius_x=4, radius_y=5, tiled=7)),
    "perlin noise": (11, dict(seed=3, scale=4, persistence=5, turbulent=13, red=6, green=7, blue=8, mode=12)),
    "sine distortion": (13, dict(wavelength_x=3, wavelength_y=4, amplitude_x=5, amplitude_y=6, phase_x=7,
                                 phase_y=8, wrap=9)),
    "waves": (16, dict(amplitude=3, wavelength=4, direction=6, wrap=5)),
    "divider": (17, dict(columns=3, rows=4)),
    "carpet": (18, dict(tile_width=3, tile_height=4)),
    "edges": (19, dict(threshold=3, gain=4, keep=5)),
    "blobs": (20, dict(seed=3, count=4, size=5, hard=14, red=7, green=8, blue=9, mode=13)),
    "noise": (21, dict(seed=3, density=4, grain=5, variation=6, coloured=14, red=7, green=8, blue=9, mode=13)),
    "voxel": (22, dict(block=3)),
    "emboss": (23, dict(depth=3, direction=4, elevation=5, colour=7)),
    "sine plasma": (24, dict(across=3, down=4, diagonal=5, rings=6, red=7, green=8, blue=9, mode=13)),
    "maximum": (25, dict(radius=3)),
    "minimum": (26, dict(radius=3)),
    "bump": (27, dict(depth=3, softness=4, brightness=5)),
    "colorize": (28, dict(red=3, green=4, blue=5)),
    "worms": (37, dict(seed=3, count=4, length=5, curl=6, width=7, colour_variation=16, random_opacity=15,
                       red=8, green=9, blue=10, mode=14)),
    "glass": (39, dict(seed=3, cells=4, strength=5)),
    "pattern": (42, dict(cell_width=3, cell_height=4, turn=12, line_width=5, contrast=11, kind=6, inverted=13,
                         mode=10)),
    "points": (43, dict(seed=3, count=4, radius=5, variation=14, random_colours=13, red=6, green=7, blue=8,
                        mode=12)),
    "kaleidoscope": (49, dict(centre_x=3, centre_y=4, mirrors=5, turn=6)),
    "zoom": (50, dict(scale=3, offset_x=4, offset_y=5, tiled=7)),
    "rotation": (51, dict(angle=3, scale=4)),
    "seamless": (52, dict(band=3)),
    "tilt": (54, dict(horizontal=3, vertical=4)),
    "fractal plasma": (55, dict(seed=3, coloured=11, red=4, green=5, blue=6, mode=10)),
    "scratches": (56, dict(seed=3, count=4, length=5, angle=6, random_angles=7, dark=9)),
    "trees": (58, dict(seed=3, count=4, spread=19, trunk=5, levels=6, width=8, colour_variation=17,
                       random_opacity=16, red=9, green=10, blue=11, mode=15)),
    "fibers": (59, dict(seed=3, density=4, length=5, width=6, waviness=12, lean=7, colour_variation=11,
                        red=8, green=9, blue=10, mode=16)),
}

# Blend modes in the scripts' numbering.
MODES = {"normal": 12, "multiply": 0, "screen": 1, "darken": 2, "lighten": 3, "difference": 4, "negation": 5,
         "exclusion": 6, "overlay": 7, "hard light": 8, "soft light": 9, "dodge": 10, "burn": 11,
         "add": 15, "subtract": 16}


def script(size, background, *effects):
    return (size, background, effects)


def fx(name, **values):
    return (name, values)


def colour(r, g, b):
    return dict(red=r, green=g, blue=b)


SCRIPTS = {
    # Backgrounds and textures, five groups.
    "material/wood.fxs": script(
        (256, 256), (150, 96, 52, 255),
        fx("fibers", seed=7, density=300, length=600, width=1, waviness=8, lean=1, colour_variation=10,
           **colour(92, 52, 24), mode="normal"),
        fx("fibers", seed=8, density=60, length=600, width=3, waviness=8, lean=1, colour_variation=8,
           **colour(186, 128, 74), mode="soft light"),
        fx("sine distortion", wavelength_x=256, wavelength_y=128, amplitude_x=0, amplitude_y=6, wrap=1),
        fx("seamless", band=24)),
    "material/marble.fxs": script(
        (256, 256), (236, 234, 230, 255),
        fx("plasma", seed=3, detail=250, **colour(255, 255, 255), mode="soft light"),
        fx("lines", seed=4, count=10, length=700, variation=40, angle=35, width=2, colour_variation=10,
           random_opacity=1, **colour(96, 96, 110), mode="normal"),
        fx("sine distortion", wavelength_x=128, wavelength_y=96, amplitude_x=14, amplitude_y=10, wrap=1),
        fx("waves", amplitude=80, wavelength=50, direction=120, wrap=1),
        fx("seamless", band=40)),
    "material/canvas.fxs": script(
        (128, 128), (226, 214, 190, 255),
        fx("pattern", cell_width=4, cell_height=4, kind=2, line_width=1, contrast=40, inverted=1, mode="overlay"),
        fx("noise", seed=11, density=60, grain=1, variation=80, **colour(200, 190, 170), mode="overlay"),
        fx("bump", depth=8, softness=1)),
    "material/brushed_metal.fxs": script(
        (256, 256), (120, 124, 130, 255),
        fx("noise", seed=21, density=100, grain=1, variation=100, **colour(160, 160, 160), mode="overlay"),
        fx("lines", seed=22, count=1500, length=300, variation=60, angle=0, width=1, colour_variation=25,
           random_opacity=1, **colour(128, 130, 134), mode="soft light"),
        fx("seamless", band=40)),
    "nature/clouds.fxs": script(
        (256, 256), (70, 130, 210, 255),
        fx("plasma", seed=31, detail=200, **colour(255, 255, 255), mode="screen"),
        fx("seamless", band=48)),
    "nature/grass.fxs": script(
        (256, 256), (40, 80, 20, 255),
        fx("fibers", seed=41, density=250, length=60, width=2, waviness=30, lean=6, colour_variation=25,
           **colour(90, 160, 50), mode="normal"),
        fx("fibers", seed=42, density=120, length=40, width=1, waviness=30, lean=8, colour_variation=20,
           **colour(150, 200, 80), mode="normal"),
        fx("seamless", band=24)),
    "nature/water.fxs": script(
        (256, 256), (20, 70, 130, 255),
        fx("plasma", seed=51, detail=150, **colour(90, 170, 230), mode="screen"),
        fx("sine distortion", wavelength_x=64, wavelength_y=32, amplitude_x=6, amplitude_y=3, wrap=1),
        fx("waves", amplitude=40, wavelength=24, direction=80, wrap=1),
        fx("seamless", band=40)),
    "nature/forest.fxs": script(
        (256, 256), (140, 180, 120, 255),
        fx("trees", seed=61, count=18, spread=50, trunk=60, levels=7, width=5, colour_variation=20,
           **colour(40, 70, 30), mode="normal"),
        fx("seamless", band=24)),
    "surface/stone.fxs": script(
        (256, 256), (128, 124, 118, 255),
        fx("fractal plasma", seed=71, **colour(200, 192, 180), mode="normal"),
        fx("bump", depth=12, softness=4),
        fx("noise", seed=72, density=100, grain=1, variation=100, **colour(80, 76, 70), mode="overlay"),
        fx("seamless", band=40)),
    "surface/bricks.fxs": script(
        (256, 256), (150, 60, 40, 255),
        fx("noise", seed=81, density=100, grain=2, variation=70, **colour(200, 120, 100), mode="overlay"),
        fx("pattern", cell_width=64, cell_height=32, kind=6, line_width=5, contrast=100, mode="multiply"),
        fx("bump", depth=80, softness=2)),
    "surface/concrete.fxs": script(
        (256, 256), (160, 158, 152, 255),
        fx("plasma", seed=91, detail=400, **colour(200, 198, 192), mode="overlay"),
        fx("noise", seed=92, density=30, grain=1, variation=60, **colour(60, 60, 60), mode="normal"),
        fx("points", seed=93, count=150, radius=1, variation=80, **colour(90, 88, 84), mode="normal"),
        fx("seamless", band=40)),
    "other/bubbles.fxs": script(
        (256, 256), (20, 40, 90, 255),
        fx("circles", seed=101, count=60, radius=22, variation=80, ring=2, colour_variation=30,
           random_opacity=1, **colour(150, 210, 255), mode="screen"),
        fx("circles", seed=102, count=30, radius=10, variation=70, soft=1, **colour(255, 255, 255),
           mode="screen")),
    "other/confetti.fxs": script(
        (256, 256), (250, 248, 240, 255),
        fx("rectangles", seed=111, count=220, width=10, height=5, variation=40, turned=1, colour_variation=100,
           **colour(128, 128, 128), mode="normal"),
        fx("points", seed=112, count=300, radius=2, variation=50, random_colours=1, mode="normal")),
    "other/kaleidoscope.fxs": script(
        (256, 256), (0, 0, 0, 255),
        fx("sine plasma", across=3, down=5, diagonal=40, rings=60, **colour(255, 255, 255), mode="normal"),
        fx("kaleidoscope", centre_x=128, centre_y=128, mirrors=6, turn=15),
        fx("seamless", band=40)),
    "utility/checker.fxs": script(
        (64, 64), (255, 255, 255, 255),
        fx("pattern", cell_width=32, cell_height=32, kind=0, contrast=100, mode="normal")),
    "utility/grid.fxs": script(
        (64, 64), (255, 255, 255, 255),
        fx("pattern", cell_width=16, cell_height=16, kind=2, line_width=1, contrast=100, inverted=1,
           mode="multiply")),
    "utility/noise.fxs": script(
        (128, 128), (128, 128, 128, 255),
        fx("noise", seed=121, density=100, grain=1, variation=100, **colour(255, 255, 255), mode="overlay")),
    # Brush tips: white is full coverage.
    "tips/splatter.fxs": script(
        (96, 96), (0, 0, 0, 255),
        fx("blobs", seed=131, count=5, size=14, **colour(255, 255, 255), mode="normal"),
        fx("points", seed=132, count=40, radius=3, variation=80, **colour(255, 255, 255), mode="normal"),
        fx("zoom", scale=75)),
    "tips/bristles.fxs": script(
        (64, 64), (0, 0, 0, 255),
        fx("points", seed=141, count=60, radius=2, variation=60, **colour(255, 255, 255), mode="normal"),
        fx("zoom", scale=85)),
    "tips/chalk.fxs": script(
        (64, 64), (0, 0, 0, 255),
        fx("noise", seed=142, density=55, grain=2, variation=60, **colour(255, 255, 255), mode="normal"),
        fx("circles", count=1, radius=46, ring=18, centred=1, **colour(0, 0, 0), mode="normal")),
    # Grit sources: tiled and greyed, the grey level is the grit value.
    "grit/sand.fxs": script(
        (128, 128), (128, 128, 128, 255),
        fx("noise", seed=151, density=100, grain=1, variation=100, **colour(255, 255, 255), mode="overlay"),
        fx("noise", seed=152, density=40, grain=2, variation=50, **colour(30, 30, 30), mode="normal")),
    "grit/canvas.fxs": script(
        (64, 64), (200, 200, 200, 255),
        fx("pattern", cell_width=3, cell_height=3, kind=0, contrast=60, mode="multiply"),
        fx("noise", seed=161, density=100, grain=1, variation=60, **colour(255, 255, 255), mode="overlay")),
}

MAGIC = b"FXSCRIPT"
VERSION = 1


def encode(size, background, effects):
    w, h = size
    r, g, b, a = background
    out = bytearray(MAGIC)
    out += struct.pack("<IIiiI", VERSION, len(effects), w, h, b | g << 8 | r << 16 | a << 24)
    out += bytes(36)
    for name, values in effects:
        number, names = EFFECTS[name]
        pairs = []
        for key, value in values.items():
            if key == "mode":
                value = MODES[value]
            pairs.append((names[key], int(value)))
        out += struct.pack("<iii", number, 1, len(pairs))
        for key, value in sorted(pairs):
            out += struct.pack("<ii", key, value)
    return bytes(out)


def main(argv):
    check = "--check" in argv
    rest = [a for a in argv if a != "--check"]
    folder = rest[0] if rest else os.path.dirname(os.path.abspath(__file__))
    stale = []
    for path, (size, background, effects) in sorted(SCRIPTS.items()):
        data = encode(size, background, effects)
        target = os.path.join(folder, path)
        if check:
            try:
                with open(target, "rb") as f:
                    if f.read() != data:
                        stale.append(path)
            except OSError:
                stale.append(path)
            continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
    if stale:
        print("out of date: " + ", ".join(stale) + " (run make_scripts.py)")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
