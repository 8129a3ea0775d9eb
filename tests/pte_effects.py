#!/usr/bin/env python3
"""The effect commands of the command-line host, checked with PIL: the list
of names, an effect applied to a picture file and read back, and the
refusals of names and options it does not know."""
import os
import subprocess
import sys
import tempfile

from PIL import Image


def run(pte, *args):
    return subprocess.run([pte, *args], capture_output=True, text=True)


def main():
    pte = sys.argv[1]
    failures = []

    listed = run(pte, "effects")
    lines = listed.stdout.splitlines()
    if listed.returncode != 0 or len(lines) != 159:
        failures.append(f"pte effects: exit {listed.returncode}, {len(lines)} lines")
    elif lines[0] != "Charcoal\trecipe" or lines[-1] != "Lua Filter\tLua" or "Oil Paint\t24-bit" not in lines:
        failures.append(f"pte effects: unexpected rows {lines[:2]} ... {lines[-1:]}")

    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "in.png")
        pixels = bytes((x * 9 + y * 5 + c * 70) % 256 if c < 3 else (255 if x > 2 else 90)
                       for y in range(12) for x in range(20) for c in range(4))
        Image.frombytes("RGBA", (20, 12), pixels).save(source)

        # "Negative" turns the colour over and keeps alpha; twice it is the picture again.
        once, twice = os.path.join(folder, "once.png"), os.path.join(folder, "twice.png")
        for args in (("Negative", source, once), ("Negative", once, twice)):
            result = run(pte, "effect", *args)
            if result.returncode != 0:
                failures.append(f"pte effect {args}: exit {result.returncode}: {result.stderr}")
        if not failures:
            got = Image.open(once).convert("RGBA").tobytes()
            want = bytes(255 - v if i % 4 < 3 else v for i, v in enumerate(pixels))
            if got != want:
                failures.append("Negative: not 255 - v with alpha kept")
            if Image.open(twice).convert("RGBA").tobytes() != pixels:
                failures.append("Negative twice: not the picture")

        # Settings reach the engine: a threshold at 50 % leaves only 0 and 255.
        hard = os.path.join(folder, "hard.png")
        result = run(pte, "effect", "Threshold", source, hard, "--p1", "500", "--p2", "500")
        if result.returncode != 0 or set(Image.open(hard).convert("RGB").tobytes()) - {0, 255}:
            failures.append(f"Threshold: exit {result.returncode}, levels other than 0 and 255")

        # A script-file effect takes its script from --text: the shipped
        # checkerboard tiles the picture in black and white, opaque.
        scripts = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "scripts")
        tiled = os.path.join(folder, "tiled.png")
        result = run(pte, "effect", "Backgrounds Utility", source, tiled, "--p1", "1000",
                     "--text", os.path.join(scripts, "utility", "checker.fxs"))
        if result.returncode != 0:
            failures.append(f"Backgrounds Utility: exit {result.returncode}: {result.stderr}")
        else:
            got = Image.open(tiled).convert("RGBA").tobytes()
            if set(got[3::4]) != {255} or set(got[0::4]) != {0, 255}:
                failures.append("Backgrounds Utility: not an opaque black and white checkerboard")
        missing = os.path.join(folder, "missing.fxs")
        result = run(pte, "effect", "Backgrounds Utility", source, os.path.join(folder, "z.png"), "--text", missing)
        if result.returncode != 1 or missing not in result.stderr or os.path.exists(os.path.join(folder, "z.png")):
            failures.append(f"a missing script: exit {result.returncode}: {result.stderr}")

        unknown = run(pte, "effect", "negative", source, os.path.join(folder, "x.png"))
        if unknown.returncode != 1 or "not an effect name" not in unknown.stderr:
            failures.append(f"a wrong-case name: exit {unknown.returncode}: {unknown.stderr}")
        if os.path.exists(os.path.join(folder, "x.png")):
            failures.append("a wrong-case name wrote a file")
        for bad in (["--p9", "1"], ["--p1"], ["--color", "1,2"], ["--seed", "x"]):
            result = run(pte, "effect", "Blur", source, os.path.join(folder, "y.png"), *bad)
            if result.returncode != 2:
                failures.append(f"option {bad}: exit {result.returncode}")

    for failure in failures:
        print(failure)
    print(f"{0 if failures else 1} passed, {1 if failures else 0} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
