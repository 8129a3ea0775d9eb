#!/usr/bin/env python3
"""Picture files checked against an independent reader and writer (PIL).

Every format the engine writes is opened by PIL and compared pixel by pixel
(exactly for lossless formats, closely for JPEG); metafiles are only
identified, since PIL renders none on this platform. Files PIL writes are
read back by the engine. Resolution is checked both ways.

With the command-line host given, `pte convert` is checked too.

usage: pil_files.py LIBRARY WORKDIR [PTE]
"""
import ctypes
import os
import sys

from PIL import Image

lib = ctypes.CDLL(sys.argv[1])
work = sys.argv[2]
os.makedirs(work, exist_ok=True)
failures = []
checks = [0]


def check(ok, what):
    checks[0] += 1
    if not ok:
        failures.append(what)
        print("FAIL", what)


W, H = 37, 23


def picture(mode):
    """A test picture of 64 colours; RGBA has alpha 255, 0, 128 and 1."""
    img = Image.new(mode, (W, H))
    alphas = [255, 0, 128, 1]
    for y in range(H):
        for x in range(W):
            k = (x // 3 + y // 2 * 5) % 64
            rgb = ((k & 3) * 85, ((k >> 2) & 3) * 80 + 7, ((k >> 4) & 3) * 60 + 21)
            img.putpixel((x, y), rgb + ((alphas[(x + 2 * y) % 4],) if mode == "RGBA" else ()))
    return img


def gradient():
    img = Image.new("RGB", (W, H))
    for y in range(H):
        for x in range(W):
            img.putpixel((x, y), (x * 255 // (W - 1), y * 255 // (H - 1), 128 + (x - y) // 4))
    return img


def max_diff(a, b):
    return max(abs(p - q) for pa, pb in zip(a.getdata(), b.getdata()) for p, q in zip(pa, pb))


def engine_write(img, path, ext, dpi=96):
    data = img.tobytes()
    fn = lib.PTE_WriteToFileRGBA32 if img.mode == "RGBA" else lib.PTE_WriteToFileRGB24
    return fn(data, W, H, path.encode(), ext.encode(), dpi)


def engine_read(path):
    """The engine's picture of a file as an RGBA PIL image, or None."""
    if lib.PTE_ReadFromFile(path.encode()) != 1:
        return None
    w, h = lib.PTE_GetNewRGBAWidth(), lib.PTE_GetNewRGBAHeight()
    buf = ctypes.create_string_buffer(w * h * 4)
    lib.PTE_GetNewRGBA32(buf)
    return Image.frombytes("RGBA", (w, h), buf.raw)


lib.PTE_CreateImage(None, W, H, 32, 0)  # metafiles are read at the image size

# 1. What the engine writes, PIL reads.
rgb, rgba, smooth = picture("RGB"), picture("RGBA"), gradient()
written = [  # extension, source, PIL format, largest difference
    (".bmp", rgb, "BMP", 0), (".png", rgb, "PNG", 0), (".gif", rgb, "GIF", 0), (".jpg", smooth, "JPEG", 12),
    (".pcx", rgb, "PCX", 0), (".psd", rgb, "PSD", 0), (".png", rgba, "PNG", 0), (".tga", rgba, "TGA", 0),
    (".tif", rgba, "TIFF", 0), (".emf", rgb, "WMF", None), (".wmf", rgb, "WMF", None),
]
for ext, src, fmt, tolerance in written:
    for e in (ext, ext.upper()):
        path = os.path.join(work, "engine_" + src.mode + e)
        check(engine_write(src, path, e) != 0, f"engine writes {e} from {src.mode}")
        with Image.open(path) as got:
            check(got.format == fmt, f"PIL identifies {e} as {fmt} (got {got.format})")
            if tolerance is None:
                # Metafile: PIL reads the header's bounds; it counts them one short.
                check(abs(got.size[0] - W) <= 1 and abs(got.size[1] - H) <= 1, f"PIL size of {e}: {got.size}")
                continue
            check(got.size == (W, H), f"PIL size of {e}: {got.size}")
            pixels = got.convert(src.mode)
            if tolerance == 0:
                check(list(pixels.getdata()) == list(src.getdata()), f"PIL reads {e} ({src.mode}) exactly")
            else:
                check(max_diff(pixels, src) <= tolerance, f"PIL reads {e} closely: {max_diff(pixels, src)}")

# 2. What PIL writes, the engine reads.
def pil_roundtrip(img, ext, tolerance=0, **save):
    path = os.path.join(work, "pil" + ext)
    img.save(path, **save)
    with Image.open(path) as reference:  # PIL's own reading is the expected picture
        want = reference.convert("RGBA")
    got = engine_read(path)
    check(got is not None, f"engine reads PIL's {ext} {save}")
    if got is None:
        return
    check(got.size == want.size, f"engine size of PIL's {ext}")
    if tolerance == 0:
        check(list(got.getdata()) == list(want.getdata()), f"engine reads PIL's {ext} {save} exactly")
    else:
        d = max_diff(got.convert("RGB"), want.convert("RGB"))
        check(d <= tolerance, f"engine reads PIL's {ext} closely: {d}")


pil_roundtrip(rgb, ".bmp")
pil_roundtrip(rgb.quantize(64), ".bmp")  # 8-bit palette
pil_roundtrip(rgba, ".png")
pil_roundtrip(rgb.convert("L"), ".png")
pil_roundtrip(rgb.quantize(64), ".png")
pil_roundtrip(rgba, ".tif", compression="tiff_lzw")
pil_roundtrip(rgb, ".tif", compression="tiff_adobe_deflate")
pil_roundtrip(rgb, ".tif")
pil_roundtrip(rgba, ".tga")
pil_roundtrip(rgba, ".tga", compression="tga_rle")
pil_roundtrip(rgb, ".pcx")
pil_roundtrip(rgb.quantize(64), ".pcx")
pil_roundtrip(rgb.quantize(64), ".gif")
pil_roundtrip(rgb, ".gif")  # PIL quantises; its own reading is the reference
pil_roundtrip(smooth, ".jpg", tolerance=2, quality=95)
pil_roundtrip(smooth, ".jpg", tolerance=2, quality=90, progressive=True)
pil_roundtrip(smooth.convert("CMYK"), ".jpg", tolerance=6, quality=95)
pil_roundtrip(smooth.convert("L"), ".jpg", tolerance=2, quality=95)

# Photos that say how to stand them up: the engine's picture is PIL's
# after PIL's own transpose by the EXIF orientation, for every code.
from PIL import ImageOps

for orientation in range(1, 9):
    path = os.path.join(work, f"pil_oriented{orientation}.jpg")
    exif = Image.Exif()
    exif[0x0112] = orientation
    smooth.save(path, exif=exif, quality=95)
    with Image.open(path) as reference:
        want = ImageOps.exif_transpose(reference).convert("RGBA")
    got = engine_read(path)
    check(got is not None and got.size == want.size,
          f"engine reads PIL's JPEG of orientation {orientation} at {want.size}: {got and got.size}")
    if got is not None and got.size == want.size:
        d = max_diff(got, want)
        check(d <= 2, f"engine stands PIL's JPEG of orientation {orientation} up: {d}")

# 3. Resolution, both ways.
for ext, dpi in ((".jpg", 300), (".png", 96), (".tif", 200), (".bmp", 150)):
    path = os.path.join(work, "dpi" + ext)
    rgb.save(path, dpi=(dpi, dpi))
    got = lib.PTE_GetDPIFromFile(path.encode())
    check(got == dpi, f"engine resolution of PIL's {ext} at {dpi}: {got}")
for ext, dpi in ((".jpg", 300), (".png", 600), (".bmp", 150), (".psd", 450)):
    path = os.path.join(work, "engine_dpi" + ext)
    engine_write(rgb, path, ext, dpi)
    with Image.open(path) as got:
        if ext == ".psd":
            # PIL keeps the resolution resource raw: 16.16 fixed point, pixels per inch.
            res = [data for rid, _name, data in got.resources if rid == 0x03ED]
            check(res and res[0][:4] == (dpi << 16).to_bytes(4, "big"), f"PSD resolution of engine's .psd: {res}")
            continue
        found = got.info.get("dpi", (0, 0))
        check(round(found[0]) == dpi, f"PIL resolution of engine's {ext} at {dpi}: {found}")
path = os.path.join(work, "engine_dpi.tif")
engine_write(rgba, path, ".tif", 300)
with Image.open(path) as got:
    check(round(got.info.get("dpi", (0, 0))[0]) == 300, f"PIL resolution of engine's .tif: {got.info.get('dpi')}")

# 4. The page: the composite of the visible layers, saved row by row, as PIL
# reads it, equals the flattened stack's high bytes.
lib.PTE_DeleteImage()
lib.PTE_CreateImage(None, W, H, 32, 0)
for index, (src, mode, percent) in enumerate(((rgb.convert("RGBA"), b"Normal", 100), (rgba, b"Multiply", 70),
                                              (smooth.convert("RGBA"), b"Screen", 40)), start=1):
    check(lib.PTE_CreateLayer(index, W, H) == 1, f"layer {index} for the page")
    lib.PTE_LoadRGBA32Layer(src.tobytes(), W * 4, index, 0, 0, W, H, 0)
    lib.PTE_SetLayerOptions(index, 1, 0, percent, mode)
flat = (ctypes.c_uint16 * (W * H * 4))()
lib.PTE_Merge(flat)
flat_rgba = Image.frombytes("RGBA", (W, H), bytes(v >> 8 for v in flat))
for ext, rgba_page, fmt in ((".bmp", False, "BMP"), (".png", False, "PNG"), (".png", True, "PNG"),
                            (".tga", True, "TGA"), (".tif", True, "TIFF")):
    path = os.path.join(work, ("page32" if rgba_page else "page24") + ext)
    (lib.PTE_SavePageToFileRGB32 if rgba_page else lib.PTE_SavePageToFileRGB24)(path.encode(), ext.encode(), 96)
    with Image.open(path) as got:
        check(got.format == fmt and got.size == (W, H), f"PIL opens the page {path}: {got.format} {got.size}")
        mode = "RGBA" if rgba_page else "RGB"
        check(list(got.convert(mode).getdata()) == list(flat_rgba.convert(mode).getdata()),
              f"PIL reads the page {path} as the composite")

# 5. The command-line host converts between formats (when the build has it).
if len(sys.argv) > 3 and sys.argv[3]:
    import subprocess
    source = os.path.join(work, "convert_in.png")
    rgba.save(source, dpi=(300, 300))
    for ext, mode in ((".tga", "RGBA"), (".tif", "RGBA"), (".png", "RGBA"), (".BMP", "RGB"), (".pcx", "RGB"),
                      (".psd", "RGB"), (".gif", "RGB")):
        out = os.path.join(work, "converted" + ext)
        run = subprocess.run([sys.argv[3], "convert", source, out], capture_output=True, text=True)
        check(run.returncode == 0, f"pte convert to {ext}: {run.stderr}")
        with Image.open(out) as got:
            check(list(got.convert(mode).getdata()) == list(rgba.convert(mode).getdata()), f"pte convert to {ext} keeps pixels")
    out = os.path.join(work, "converted.jpg")
    subprocess.run([sys.argv[3], "convert", source, out], check=False)
    check(lib.PTE_GetDPIFromFile(out.encode()) == 300, "pte convert keeps the resolution")
    run = subprocess.run([sys.argv[3], "convert", source, os.path.join(work, "x.webp")], capture_output=True)
    check(run.returncode == 1, "pte convert refuses an extension it does not write")
    run = subprocess.run([sys.argv[3], "convert", os.path.join(work, "missing.png"), out], capture_output=True)
    check(run.returncode == 1, "pte convert reports a file it cannot read")
    # Thumbnails and web pictures: 100 along the longer side; fitted into a box.
    for args, fmt, size in ((["thumbnail", source, os.path.join(work, "thumb.bmp")], "BMP", (100, 62)),
                            (["webpic", source, os.path.join(work, "web.jpg"), "20", "20"], "JPEG", (20, 12))):
        run = subprocess.run([sys.argv[3]] + args, capture_output=True, text=True)
        check(run.returncode == 0, f"pte {args[0]}: {run.stderr}")
        with Image.open(args[2]) as got:
            check(got.format == fmt and got.size == size, f"pte {args[0]} writes {fmt} {size}: {got.format} {got.size}")
    thumb = os.path.join(work, "thumb.bmp")
    kept = open(thumb, "rb").read()
    run = subprocess.run([sys.argv[3], "thumbnail", os.path.join(work, "missing.png"), thumb], capture_output=True)
    check(run.returncode == 1, "pte thumbnail reports a file it cannot read")
    check(open(thumb, "rb").read() == kept, "a failed pte thumbnail keeps the file that was there")

lib.PTE_DeleteNewRGBA()
lib.PTE_DeleteImage()
print(f"{checks[0] - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
