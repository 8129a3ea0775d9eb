#!/usr/bin/env python3
"""`pte` as a command-line tool: help on standard output with status 0,
wrong usage on standard error with status 2, a failed command status 1;
thumbnail and webpic refuse a name that promises another format; convert's
size argument sizes raster pictures and metafiles alike. Pictures are read
back with PIL.

usage: pte_cli.py PTE
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image

from script_checks import Checks

PTE = sys.argv[1]
COMMANDS = ["demo", "convert", "lua", "thumbnail", "webpic"]
check = Checks()


def pte(*args):
    return subprocess.run([PTE, *args], capture_output=True, text=True)


def expect_help(args, command=None):
    run = pte(*args)
    shown = f"pte {' '.join(args)}"
    check(run.returncode == 0 and run.stderr == "", f"{shown}: exit {run.returncode}, stderr {run.stderr!r}")
    check(run.stdout.startswith("usage: pte"), f"{shown}: usage on standard output: {run.stdout!r}")
    for name in [command] if command else COMMANDS:
        check(f"pte {name} " in run.stdout, f"{shown} tells of {name}")


def expect_usage_error(args, writes=None):
    run = pte(*args)
    shown = f"pte {' '.join(args)}"
    check(run.returncode == 2, f"{shown}: exit {run.returncode}, expected 2")
    check(run.stdout == "" and "usage: pte" in run.stderr, f"{shown}: usage on standard error: {run.stderr!r}")
    if writes:
        check(not os.path.exists(writes), f"{shown} wrote {writes}")


def size_and_format(path):
    with Image.open(path) as picture:
        return picture.size, picture.format


with tempfile.TemporaryDirectory() as work:
    def at(name):
        return os.path.join(work, name)

    # Help and usage.
    for args in (["--help"], ["-h"], ["help"]):
        expect_help(args)
    for name in COMMANDS:
        expect_help(["help", name], name)
        expect_help([name, "--help"], name)
    expect_usage_error([])
    expect_usage_error(["paint"])
    expect_usage_error(["help", "paint"])
    expect_usage_error(["--version"])
    for args in (["demo"], ["convert", "a"], ["convert", "a", "b", "c", "d"], ["lua", "s", "a"], ["thumbnail", "a"],
                 ["webpic", "a", "b", "1"], ["webpic", "a", "b", "0", "5"]):
        expect_usage_error(args)

    # A picture of two halves, red and blue.
    source = at("in.png")
    picture = Image.new("RGBA", (40, 20), (255, 0, 0, 255))
    picture.paste((0, 0, 255, 255), (20, 0, 40, 20))
    picture.save(source)

    # thumbnail writes BMP, webpic JPEG: other extensions are refused, case
    # and a missing extension are not.
    for args, out in ((["thumbnail", source], "t.png"), (["thumbnail", source], "t.jpg"),
                      (["webpic", source, None, "10", "10"], "w.bmp"), (["webpic", source, None, "10", "10"], "w.png")):
        args = [a if a is not None else at(out) for a in args] + ([at(out)] if len(args) == 2 else [])
        expect_usage_error(args, writes=at(out))
    for args, out, want in ((["thumbnail", source], "t.BMP", ((100, 50), "BMP")),
                            (["thumbnail", source], "thumb", ((100, 50), "BMP")),
                            (["webpic", source, None, "10", "10"], "w.JPEG", ((10, 5), "JPEG")),
                            (["webpic", source, None, "30", "30"], "w.jpg", ((30, 15), "JPEG"))):
        args = [a if a is not None else at(out) for a in args] + ([at(out)] if len(args) == 2 else [])
        run = pte(*args)
        check(run.returncode == 0, f"pte {args[0]} {out}: exit {run.returncode}: {run.stderr}")
        if run.returncode == 0:
            check(size_and_format(at(out)) == want, f"pte {args[0]} {out}: {size_and_format(at(out))}, want {want}")

    # convert's size: a raster picture is resampled to it, a metafile drawn at it.
    for size, want in (("20x10", (20, 10)), ("40x20", (40, 20)), ("7x31", (7, 31))):
        out = at(f"c{size}.png")
        run = pte("convert", source, out, size)
        check(run.returncode == 0, f"convert {size}: {run.stderr}")
        if run.returncode == 0:
            with Image.open(out) as got:
                got = got.convert("RGBA")
                check(got.size == want, f"convert {size}: size {got.size}")
                w, h = got.size
                if w >= 20:
                    check(got.getpixel((1, h // 2)) == (255, 0, 0, 255) and
                          got.getpixel((w - 2, h // 2)) == (0, 0, 255, 255),
                          f"convert {size}: halves {got.getpixel((1, h // 2))} {got.getpixel((w - 2, h // 2))}")
    run = pte("convert", source, at("drawing.emf"))
    check(run.returncode == 0, f"convert to a metafile: {run.stderr}")
    for size, want in ((None, (1024, 768)), ("64x48", (64, 48))):
        out = at("from_metafile.png")
        run = pte("convert", at("drawing.emf"), out, *([size] if size else []))
        check(run.returncode == 0 and size_and_format(out) == (want, "PNG"),
              f"convert a metafile at {size}: {run.stderr} {run.returncode == 0 and size_and_format(out)}")
    for size in ("0x10", "10x0", "10", "x10", "10x", "10001x5", "-3x4", "axb"):
        expect_usage_error(["convert", source, at("bad.png"), size], writes=at("bad.png"))

    # A command that fails: status 1, the reason on standard error.
    for args in (["convert", at("missing.png"), at("x.png")], ["thumbnail", at("missing.png"), at("x.bmp")],
                 ["convert", source, at("x.webp")]):
        run = pte(*args)
        check(run.returncode == 1 and run.stdout == "" and run.stderr, f"pte {args}: exit {run.returncode}")

check.finish()
