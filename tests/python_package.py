#!/usr/bin/env python3
"""The Python package: its helpers against the engine's own exports, its
examples and the README's Python example run as a user runs them, the
type generator's check of a header with a new export, and (unless
--no-pip) an offline pip install into a virtual environment.

usage: python_package.py LIBRARY PYTHON_DIR README [--no-pip]
"""
import glob
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

LIBRARY, PYTHON_DIR, README = (os.path.abspath(a) for a in sys.argv[1:4])
PIP = "--no-pip" not in sys.argv
os.environ["PAINTCORE_LIBRARY"] = LIBRARY
sys.path.insert(0, PYTHON_DIR)

import numpy as np  # noqa: E402

import paintcore as pc  # noqa: E402
from script_checks import Checks, code_block  # noqa: E402

check = Checks()


def raises(error, f, *args, **kw):
    try:
        f(*args, **kw)
    except error:
        return True
    return False


def run_python(python, script, *args, env=None, cwd=None):
    return subprocess.run([python, script, *args], capture_output=True, text=True, env=env, cwd=cwd)


def helpers():
    rng = np.random.default_rng(11)
    W, H = 37, 23
    check(raises(RuntimeError, pc.get_layer_rgba8, 1), "no image: the helpers say so")
    check(raises(ValueError, pc.Image, 0, 5) and raises(ValueError, pc.Image, 10001, 5), "image sides 1..10000")
    with pc.Image(W, H) as image:
        check((image.width, image.height) == (W, H), "the image's size")
        check(raises(RuntimeError, pc.Image(4, 4).__enter__), "one image at a time")
        check(raises(ValueError, pc.get_layer_rgba8, 2), "a layer without pixels")
        check(raises(IndexError, pc.get_layer_rgba8, 64) and raises(IndexError, pc.get_layer_rgba8, -1), "slots 0..63")
        assert pc.PTE_CreateLayer(1, W, H) == 1 and pc.PTE_CreateLayer(2, W, H) == 1
        pc.PTE_SetLayerOptions(1, 1, 0, 100, "Normal")
        pc.PTE_SetLayer(1)

        # Loads at offsets read back exactly where they went; the rest stays.
        background = pc.get_layer_rgba8(1)
        check(background.shape == (H, W, 4) and (background == 255).all(), "a new background is opaque white")
        for x, y, w, h in ((0, 0, W, H), (5, 3, 1, 1), (W - 4, H - 2, 4, 2), (0, 7, W, 1)):
            block = rng.integers(0, 256, (h, w, 4), dtype=np.uint8)
            block[:, :, 3] |= 1
            before = pc.get_layer_rgba8(1)
            pc.load_layer_rgba8(1, block, x=x, y=y)
            after = pc.get_layer_rgba8(1)
            expect = before.copy()
            expect[y:y + h, x:x + w] = block
            check((after == expect).all(), f"load {w} x {h} at ({x}, {y})")
        # Arrays that are not C-ordered bytes are converted, not misread.
        strided = rng.integers(0, 256, (H, W, 4), dtype=np.uint8)
        strided[:, :, 3] = 255
        pc.load_layer_rgba8(1, np.asfortranarray(strided))
        check((pc.get_layer_rgba8(1) == strided).all(), "a Fortran-ordered array loads as its values")
        pc.load_layer_rgba8(1, strided.astype(np.int64))
        check((pc.get_layer_rgba8(1) == strided).all(), "an int64 array loads as bytes")
        for bad in ((np.zeros((2, 2, 3), np.uint8), 0, 0), (np.zeros((2, 2, 4), np.uint8), W - 1, 0),
                    (np.zeros((2, 2, 4), np.uint8), 0, H - 1), (np.zeros((2, 2, 4), np.uint8), -1, 0),
                    (np.zeros((4,), np.uint8), 0, 0)):
            check(raises(ValueError, pc.load_layer_rgba8, 1, bad[0], x=bad[1], y=bad[2]),
                  f"refused: shape {bad[0].shape} at ({bad[1]}, {bad[2]})")
        check((pc.get_layer_rgba8(1) == strided).all(), "refused loads change nothing")

        # The display of an opaque background is the layer's colour, at
        # every zoom, clipped to the image.
        layer = pc.get_layer_rgba8(1)[:, :, :3]
        for view, want in ((pc.View(0, 0, W, H), layer), ((3, 4, 10, 5), layer[4:9, 3:13]),
                           (pc.View(30, 20, 20, 20), layer[20:, 30:]),
                           (pc.View(2, 1, 8, 6, zoom_in=3), layer[1:7, 2:10].repeat(3, 0).repeat(3, 1)),
                           (pc.View(1, 1, 20, 15, zoom_out=2), layer[1:15:2, 1:21:2]),
                           (pc.View(0, 0, 5, 5, zoom_out=3), layer[0:3:3, 0:3:3])):
            got = pc.render(view)
            check(got.shape == want.shape and (got == want).all(), f"render {tuple(view)}: shape {got.shape}")
        check(pc.render((W, 0, 5, 5)).shape == (0, 0, 3), "a view right of the image shows nothing")
        check(raises(ValueError, pc.render, pc.View(0, 0, 4, 4, zoom_in=2, zoom_out=2)), "one zoom at a time")

        # Text takes str and paths; buffers take bytearrays.
        out = pathlib.Path(tempfile.mkdtemp()) / "written.bmp"
        check(pc.PTE_WriteToFileRGB24(np.ascontiguousarray(layer), W, H, out, ".bmp", 96) != 0 and out.exists(),
              "a pathlib path as a text argument")
        shutil.rmtree(out.parent)
        raw = bytearray(W * H * 4)
        check(pc.PTE_GetRGBA32(raw, W * 4) == H and bytes(raw) == pc.get_layer_rgba8(1).tobytes(),
              "a bytearray as a buffer")
        pc.PTE_SetLastError("über")
        check(pc.last_error() == "über", f"last_error as str: {pc.last_error()!r}")
        pc.PTE_SetTool(1.5, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0)  # a float among the arguments
    check(raises(RuntimeError, pc.get_layer_rgba8, 1), "after the with block the image is gone")
    check(pc.PTE_GetLayerCount() == 0, "and its layers with it")


def generated_types():
    generator = os.path.join(PYTHON_DIR, "generate_exports.py")
    header = os.path.join(PYTHON_DIR, os.pardir, "include", "paintcore.h")
    with tempfile.TemporaryDirectory() as work:
        changed = os.path.join(work, "paintcore.h")
        text = open(header).read().replace("#ifdef __cplusplus\n}",
                                           "PTE_API int32_t PTE_CALL PTE_Added(float a, const char* b);\n"
                                           "#ifdef __cplusplus\n}", 1)
        open(changed, "w").write(text)
        done = subprocess.run([sys.executable, generator, "--check", "--header", changed], capture_output=True,
                              text=True)
        check(done.returncode == 1 and "run `python3 python/generate_exports.py`" in done.stderr,
              f"a new export fails the check, naming the command: {done.stderr!r}")
        out = os.path.join(work, "_exports.py")
        subprocess.run([sys.executable, generator, "--header", changed, "--output", out], check=True)
        check("'PTE_Added': (c_int32, (c_float, Text), ('a', 'b'))," in open(out).read(), "the new export's types")
    lib_names = set(pc.EXPORTS)
    check({"PTE_CreateImage", "PTE_GetVersion", "BankAdrs"} <= lib_names and len(lib_names) > 240,
          f"{len(lib_names)} exports bound")


def examples(python, env, where):
    scripts = sorted(glob.glob(os.path.join(PYTHON_DIR, "examples", "*.py")))
    check(len(scripts) >= 3, "the package's examples")
    with tempfile.TemporaryDirectory() as out:
        for script in scripts:
            done = run_python(python, script, out, env=env)
            check(done.returncode == 0, f"{where}: example {os.path.basename(script)}: {done.stdout}{done.stderr}")
        from PIL import Image
        for name, size in (("page.png", (160, 100)), ("stroke.png", (200, 120))):
            path = os.path.join(out, name)
            if check(os.path.exists(path), f"{where}: an example wrote {name}"):
                with Image.open(path) as picture:
                    check(picture.size == size, f"{where}: {name} is {picture.size}")
        readme = os.path.join(out, "readme.py")
        open(readme, "w").write(code_block(README, "## Driving the library from Python", "python"))
        done = run_python(python, readme, env=env)
        check(done.returncode == 0 and done.stdout.startswith(pc.__version__ + " [255 128   0 255] [255 128   0] ''"),
              f"{where}: the README's example: {done.stdout}{done.stderr}")


def pip_install():
    """Offline, as the README says, into a virtual environment that sees
    Debian's numpy; then the examples run from the installed package."""
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "python")
        shutil.copytree(PYTHON_DIR, source, ignore=shutil.ignore_patterns("build", "*.egg-info", "__pycache__"))
        venv = os.path.join(work, "env")
        subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", venv], check=True)
        python = os.path.join(venv, "bin", "python")
        done = subprocess.run([python, "-m", "pip", "install", "--no-build-isolation", "--no-deps", "--no-index",
                               source], capture_output=True, text=True)
        if not check(done.returncode == 0, f"pip install: {done.stdout}{done.stderr}"):
            return
        env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
        where = subprocess.run([python, "-c", "import paintcore; print(paintcore.__file__, paintcore.__version__)"],
                               capture_output=True, text=True, env=env, cwd=work)
        check(where.stdout.startswith(venv) and where.stdout.split()[-1] == pc.__version__,
              f"imported from the environment: {where.stdout}{where.stderr}")
        examples(python, env, "installed")


helpers()
generated_types()
examples(sys.executable, dict(os.environ, PYTHONPATH=PYTHON_DIR), "source")
if PIP:
    pip_install()
check.finish()
