#!/usr/bin/env python3
"""Scans, PDF documents and AVI videos against independent readers.

    documents.py LIBRARY WORKDIR [PTE] [--large]

- SANE's test backend, configured from a folder of the test's own, scans
  what scanimage scans, in colour, three passes, by hand (no length known)
  and at 16 bits; without a scanner nothing changes.
- pdfinfo and pdftoppm read every PDF: one page per picture of the
  picture's size plus the grey border, the picture on it (JPEG files kept as
  they were); pdfimages finds each picture's own pixels and alpha.
- ffprobe reads every AVI: codec, size, rate and frame count, and ffmpeg
  decodes each frame back to the picture. With --large, a video past one
  gibibyte goes on in the extended (OpenDML) form.
- Calls in the wrong order, unreadable pictures, frames of another size and
  a full disk (a file-size limit) fail, leave no partial file, and keep the
  pictures a failed document was made of.

Cases that change process-wide settings (SANE's configuration, the
file-size limit) run in children of their own.
"""
import ctypes
import json
import os
import random
import re
import resource
import shutil
import signal
import subprocess
import sys

from PIL import Image

from peer_checks import check, failures, peer, run_bounded

args = [a for a in sys.argv[1:] if not a.startswith("--")]
LIBRARY, WORK = os.path.abspath(args[0]), os.path.abspath(args[1])
PTE = os.path.abspath(args[2]) if len(args) > 2 and args[2] else None
LARGE = "--large" in sys.argv


def load():
    lib = ctypes.CDLL(LIBRARY)
    lib.PTE_CreateAVI.restype = ctypes.c_void_p
    lib.PTE_TwainGetSourceName.restype = ctypes.c_char_p
    return lib


def path(name):
    return os.path.join(WORK, name)


def noise(w, h, seed, alpha=False):
    rng = random.Random(seed)
    img = Image.new("RGBA" if alpha else "RGB", (w, h))
    img.putdata([tuple(rng.randrange(256) for _ in range(4 if alpha else 3)) for _ in range(w * h)])
    return img


def gradient(w, h):
    img = Image.new("RGB", (w, h))
    img.putdata([(x * 255 // max(1, w - 1), y * 255 // max(1, h - 1), (x * y) % 256) for y in range(h) for x in range(w)])
    return img


def leftovers(folder, stem):
    """Files beside a failed output: the output itself or its temporary."""
    return [f for f in os.listdir(folder) if f.startswith(stem)]


def run_child(code, *extra, env=None, limit=None, timeout=120):
    def limits():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # writes past the limit fail instead
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    env = dict(os.environ if env is None else env, PYTHONFAULTHANDLER="1")
    # Without a limit, no code runs between fork and exec.
    run = run_bounded([sys.executable, "-c", code, LIBRARY, *extra], timeout, text=True, env=env,
                      preexec_fn=limits if limit is not None else None)
    if run.returncode != 0:
        print(run.stderr[-3000:])
    return run


# ---- Scanner ----

SCAN_CHILD = r'''
import ctypes, sys
lib = ctypes.CDLL(sys.argv[1])
lib.PTE_TwainGetSourceName.restype = ctypes.c_char_p
before = bytes(16)
lib.PTE_CreateImage(None, 4, 4, 16, 0)
assert lib.PTE_ReadFromFile(sys.argv[3].encode()) == 1
result = {"twain": lib.PTE_IsTwain(), "select": lib.PTE_TwainSelectSource(),
          "first": (lib.PTE_TwainGetSourceName(0) or b"").decode(), "acquire": lib.PTE_TwainAcquire(),
          "w": lib.PTE_GetNewRGBAWidth(), "h": lib.PTE_GetNewRGBAHeight()}
out = (ctypes.c_uint8 * (result["w"] * result["h"] * 4))()
lib.PTE_GetNewRGBA32(out)
open(sys.argv[2], "wb").write(bytes(out))
print(__import__("json").dumps(result))
'''


def sane_folder(name, backends, settings):
    folder = path(name)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "dll.conf"), "w") as f:
        f.write(backends)
    with open(os.path.join(folder, "test.conf"), "w") as f:
        f.write("resolution 25.0\ntest-picture \"Color pattern\"\nbr_x 40.0\nbr_y 30.0\n" + settings)
    return dict(os.environ, SANE_CONFIG_DIR=folder)


def scanimage(env):
    run = subprocess.run(["scanimage", "-d", "test:0", "--mode", "Color", "--format=pnm"], capture_output=True,
                         env=peer(env), timeout=60)
    data = run.stdout
    m = re.match(rb"P6\s+(?:#[^\n]*\n\s*)*(\d+)\s+(\d+)\s+(\d+)\s", data)
    w, h, top = map(int, m.groups())
    body = data[m.end():]
    if top > 255:  # two bytes a sample, most significant first: the high byte
        body = body[0::2]
    return Image.frombytes("RGB", (w, h), body[:w * h * 3])


def scans():
    start = path("scan-start.png")
    Image.new("RGBA", (2, 3), (9, 9, 9, 9)).save(start)
    for name, settings in [("colour", ""), ("three passes", "three-pass true\n"),
                           ("by hand", "hand-scanner true\n"), ("16 bits", "depth 16\n")]:
        env = sane_folder("sane-" + name.replace(" ", "-"), "test\n", settings)
        raw = path("scan.raw")
        run = run_child(SCAN_CHILD, raw, start, env=env, timeout=60)
        if run.returncode == -9:
            # Once, on a loaded CI machine, a scan never ended; its stacks are
            # printed above. A second hang fails the check.
            print(f"scan {name}: hung, tried once more", flush=True)
            run = run_child(SCAN_CHILD, raw, start, env=env, timeout=60)
        if run.returncode != 0:
            check(False, f"scan {name}: the child failed")
            continue
        got = json.loads(run.stdout)
        check(got["twain"] == 1 and got["select"] == 1 and got["first"] == "test:0" and got["acquire"] == 1,
              f"scan {name}: {got}")
        ours = Image.frombytes("RGBA", (got["w"], got["h"]), open(raw, "rb").read())
        theirs = scanimage(env)
        check(ours.size == theirs.size and list(ours.convert("RGB").getdata()) == list(theirs.getdata()),
              f"scan {name}: the pixels scanimage reads ({ours.size}, {theirs.size})")
        check(all(p[3] == 255 for p in ours.getdata()), f"scan {name}: opaque")
    # No scanner: the service is there, nothing to select or scan, newRGBA stays.
    env = sane_folder("sane-none", "", "")
    run = run_child(SCAN_CHILD, path("scan.raw"), start, env=env)
    got = json.loads(run.stdout) if run.returncode == 0 else {}
    check(got == {"twain": 1, "select": 0, "first": "", "acquire": 0, "w": 2, "h": 3}, f"no scanner: {got}")
    if PTE:
        env = sane_folder("sane-pte", "test\n", "")
        out = path("pte-scan.png")
        run = run_bounded([PTE, "scan", out, "--device", "test:1"], 60, env=env)
        check(run.returncode == 0 and Image.open(out).size == scanimage(env).size, "pte scan")
        run = subprocess.run([PTE, "scan", out], env=sane_folder("sane-none", "", ""), capture_output=True)
        check(run.returncode == 1 and b"no scanner" in run.stderr, "pte scan without a scanner")


# ---- PDF ----

def pdf_pages(pdf):
    info = subprocess.run(["pdfinfo", "-f", "1", "-l", "99", pdf], capture_output=True, text=True, timeout=60,
                          env=peer())
    sizes = [(float(w), float(h)) for w, h in re.findall(r"Page +\d+ size: +([\d.]+) x ([\d.]+) pts", info.stdout)]
    pages = re.search(r"Pages: +(\d+)", info.stdout)
    return (int(pages.group(1)) if pages else 0), sizes, info.stderr


def render(pdf, page):
    """The page as pdftoppm renders it, one pixel for each picture pixel.

    Rendered at 96 dots an inch, each picture pixel would land on one page
    pixel, but poppler smooths pictures it does not enlarge four times or
    more; so the page is rendered at 384 and the middle of each 4 x 4 block
    read."""
    stem = path("page")
    subprocess.run(["pdftoppm", "-r", "384", "-f", str(page), "-l", str(page), "-png", pdf, stem], check=True,
                   timeout=60, env=peer())
    name = [f for f in os.listdir(WORK) if f.startswith("page-") and f.endswith(".png")][0]
    big = Image.open(os.path.join(WORK, name)).convert("RGB")
    os.remove(os.path.join(WORK, name))
    w, h = big.width // 4, big.height // 4
    img = Image.new("RGB", (w, h))
    img.putdata([big.getpixel((4 * x + 2, 4 * y + 2)) for y in range(h) for x in range(w)])
    return img


def max_diff(a, b):
    return max(abs(p - q) for pa, pb in zip(a.getdata(), b.getdata()) for p, q in zip(pa, pb))


def documents(lib):
    pictures = [("solid.png", noise(37, 23, 1)), ("photo.jpg", gradient(64, 48)), ("alpha.png", noise(20, 30, 2, True)),
                ("flat.bmp", Image.new("RGB", (30, 20), (10, 200, 30)))]
    files = []
    for name, img in pictures:
        img.save(path(name), quality=90) if name.endswith(".jpg") else img.save(path(name))
        files.append(path(name))
    jpeg_bytes = open(path("photo.jpg"), "rb").read()
    out = path("pictures.pdf")
    # Wrong order and bad pictures first.
    lib.PTE_I2PDF_Reset()
    check(lib.PTE_I2PDF_MakePDF(out.encode()) == 0 and not os.path.exists(out), "make before add writes nothing")
    check(lib.PTE_I2PDF_AddImage(path("missing.png").encode()) == 0, "a missing picture is not added")
    with open(path("text.png"), "w") as f:
        f.write("not a picture")
    check(lib.PTE_I2PDF_AddImage(path("text.png").encode()) == 0, "a file that is no picture is not added")
    for f in files:
        check(lib.PTE_I2PDF_AddImage(f.encode()) == 1, f"add {f}")
    check(lib.PTE_I2PDF_MakePDF(WORK.encode()) == 0, "a folder is no document name")
    for f in files:
        lib.PTE_I2PDF_AddImage(f.encode())  # the failed make reset the list
    check(lib.PTE_I2PDF_MakePDF(out.encode()) != 0, "make")
    check(not any(os.path.exists(f) for f in files), "the pictures were deleted by the conversion")
    count, sizes, errors = pdf_pages(out)
    check(count == 4 and errors == "", f"one page a picture ({count}, {errors!r})")
    for (name, img), size in zip(pictures, sizes):
        want = ((img.width + 40) * 0.75, (img.height + 40) * 0.75)  # 96 pixels an inch, 20 a side
        check(abs(size[0] - want[0]) < 0.01 and abs(size[1] - want[1]) < 0.01, f"{name}: page {size}, not {want}")
    for page, (name, img) in enumerate(pictures, 1):
        shown = render(out, page)
        check(shown.size == (img.width + 40, img.height + 40), f"{name}: rendered {shown.size}")
        check(shown.getpixel((3, 3)) == (196, 196, 196) and shown.getpixel((img.width + 37, img.height + 37)) ==
              (196, 196, 196), f"{name}: the grey border")
        inner = shown.crop((20, 20, 20 + img.width, 20 + img.height))
        if name.endswith(".jpg"):
            check(max_diff(inner, Image.open(io_bytes(jpeg_bytes)).convert("RGB")) <= 3, f"{name}: the picture")
        elif img.mode == "RGB":
            check(list(inner.getdata()) == list(img.getdata()), f"{name}: the picture, pixel for pixel")
    # The pictures themselves: the JPEG file's own bytes, the others' pixels
    # and alpha without loss.
    subprocess.run(["pdfimages", "-j", "-png", out, path("image")], check=True, timeout=60, env=peer())
    extracted = sorted(f for f in os.listdir(WORK) if f.startswith("image-"))
    check(open(path(extracted[1]), "rb").read() == jpeg_bytes if len(extracted) == 5 else False,
          f"the JPEG is embedded as it was ({extracted})")
    if len(extracted) == 5:
        colour = Image.open(path(extracted[2])).convert("RGB")
        alpha = Image.open(path(extracted[3])).convert("L")
        original = pictures[2][1]
        check(list(colour.getdata()) == [p[:3] for p in original.getdata()], "colour of a picture with alpha, exactly")
        check(list(alpha.getdata()) == [p[3] for p in original.getdata()], "its alpha, exactly")
    for f in extracted:
        os.remove(path(f))

    # A slide show: the same pages, read as well as ever, revised to show
    # themselves.
    Image.new("RGB", (16, 12), (1, 2, 3)).save(path("s1.png"))
    Image.new("RGB", (16, 12), (4, 5, 6)).save(path("s2.png"))
    for f in ("s1.png", "s2.png"):
        lib.PTE_I2PDF_AddImage(path(f).encode())
    show = path("show.pdf")
    check(lib.PTE_I2PDF_MakePDFSlideshow(show.encode()) != 0, "slide show")
    count, sizes, errors = pdf_pages(show)
    check(count == 2 and errors == "", f"slide show pages ({count}, {errors!r})")
    text = open(show, "rb").read()
    last = text[text.rfind(b"%%EOF", 0, len(text) - 7):]
    check(last.count(b"/Dur 4") == 2 and b"/PageMode /FullScreen" in last and b"/Prev " in last,
          "the last revision turns pages by itself, full screen")
    check(render(show, 2).getpixel((25, 25)) == (4, 5, 6), "the slide show renders")


def io_bytes(data):
    import io
    return io.BytesIO(data)


FULL_DISK_PDF = r'''
import ctypes, os, sys
lib = ctypes.CDLL(sys.argv[1])
folder = sys.argv[2]
lib.PTE_I2PDF_Reset()
assert lib.PTE_I2PDF_AddImage(os.path.join(folder, "big.png").encode()) == 1
print(lib.PTE_I2PDF_MakePDF(os.path.join(folder, "full.pdf").encode()))
'''


def full_disk_pdf():
    folder = path("fullpdf")
    os.makedirs(folder, exist_ok=True)
    noise(300, 300, 3).save(os.path.join(folder, "big.png"))
    run = run_child(FULL_DISK_PDF, folder, limit=100000)
    check(run.returncode == 0 and run.stdout.strip() == "0", f"full disk: the PDF fails ({run.stdout!r})")
    check(leftovers(folder, "full.pdf") == [], "full disk: no partial PDF")
    check(os.path.exists(os.path.join(folder, "big.png")), "full disk: the picture is kept")


# ---- AVI ----

def probe(avi):
    run = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_entries",
                          "stream=codec_name,width,height,r_frame_rate,nb_read_packets,pix_fmt", "-of", "json", avi],
                         capture_output=True, text=True, timeout=300, env=peer())
    streams = json.loads(run.stdout or "{}").get("streams", [])
    return (streams[0] if streams else {}), run.stderr


def decoded_frames(avi, w, h):
    run = subprocess.run(["ffmpeg", "-v", "error", "-i", avi, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         capture_output=True, timeout=300, env=peer())
    size = w * h * 3
    return [Image.frombytes("RGB", (w, h), run.stdout[i:i + size]) for i in range(0, len(run.stdout), size)]


def videos(lib):
    frames = [noise(33, 17, 10 + i) for i in range(5)]
    names = []
    for i, img in enumerate(frames):
        names.append(path(f"frame{i}.bmp"))
        img.save(names[-1])
    avi = path("movie.avi")
    check(lib.PTE_WriteAVI(names[0].encode()) == 0, "a frame before any video")
    check(lib.PTE_CloseAVI() == 0, "closing before any video")
    check(lib.PTE_CreateAVI(path("no/such/folder.avi").encode(), 40) is None, "a video that cannot be created")
    check(lib.PTE_CreateAVI(avi.encode(), 40) is not None, "create")
    for n in names:
        check(lib.PTE_WriteAVI(n.encode()) == 1, f"frame {n}")
    check(lib.PTE_CloseAVI() == 0, "close")
    stream, errors = probe(avi)
    check(stream.get("codec_name") == "rawvideo" and stream.get("pix_fmt") == "bgr24", f"uncompressed 24-bit: {stream}")
    check((stream.get("width"), stream.get("height")) == (33, 17), "frame size")
    check(stream.get("r_frame_rate") == "25/1", f"40 ms a frame is 25 a second: {stream.get('r_frame_rate')}")
    check(stream.get("nb_read_packets") == "5" and errors == "", f"five frames ({stream}, {errors!r})")
    back = decoded_frames(avi, 33, 17)
    check(len(back) == 5 and all(list(a.getdata()) == list(b.getdata()) for a, b in zip(back, frames)),
          "each frame decodes to its picture, the right way up")
    for ms, rate in [(100, "10/1"), (30, "100/3")]:
        lib.PTE_CreateAVI(avi.encode(), ms)
        lib.PTE_WriteAVI(names[0].encode())
        lib.PTE_CloseAVI()
        check(probe(avi)[0].get("r_frame_rate") == rate, f"{ms} ms a frame: {rate}")
    # Frames that cannot go in: nothing is left of the video.
    noise(34, 17, 1).save(path("wide.bmp"))
    for bad, what in [(path("wide.bmp"), "another size"), (path("missing.bmp"), "unreadable")]:
        bad_avi = path("bad.avi")
        lib.PTE_CreateAVI(bad_avi.encode(), 40)
        lib.PTE_WriteAVI(names[0].encode())
        check(lib.PTE_WriteAVI(bad.encode()) == 0, f"a frame of {what}")
        check(lib.PTE_WriteAVI(names[1].encode()) == 0, f"after a frame of {what}, no more frames")
        check(lib.PTE_CloseAVI() != 0, f"after a frame of {what}, the video fails")
        check(leftovers(WORK, "bad.avi") == [], f"after a frame of {what}, no file")
    if PTE:
        run = subprocess.run([PTE, "avi", path("pte.avi"), "--ms", "40", *names], capture_output=True, timeout=60)
        check(run.returncode == 0 and probe(path("pte.avi"))[0].get("nb_read_packets") == "5", "pte avi")
        run = subprocess.run([PTE, "avi", path("pte-bad.avi"), "--ms", "40", names[0], path("wide.bmp")],
                             capture_output=True, timeout=60)
        check(run.returncode == 1 and leftovers(WORK, "pte-bad.avi") == [], "pte avi with a frame of another size")


FULL_DISK_AVI = r'''
import ctypes, os, sys
lib = ctypes.CDLL(sys.argv[1])
lib.PTE_CreateAVI.restype = ctypes.c_void_p
folder = sys.argv[2]
assert lib.PTE_CreateAVI(os.path.join(folder, "full.avi").encode(), 40)
written = [lib.PTE_WriteAVI(os.path.join(folder, "frame.bmp").encode()) for _ in range(4)]
print(written, lib.PTE_CloseAVI())
'''


def full_disk_avi():
    folder = path("fullavi")
    os.makedirs(folder, exist_ok=True)
    noise(320, 240, 4).save(os.path.join(folder, "frame.bmp"))  # 230,400 bytes a frame
    run = run_child(FULL_DISK_AVI, folder, limit=500000)
    written, closed = (run.stdout.rsplit("]", 1) + [""])[:2] if run.returncode == 0 else ("", "")
    written = [int(v) for v in written.strip("[ ").split(",") if v.strip()]
    # Writes are buffered: a frame past the limit fails when its bytes reach
    # the file, and every frame after it fails too.
    check(written[:1] == [1] and 0 in written and all(v == 0 for v in written[written.index(0):]) if 0 in written
          else False, f"full disk: the frames past the limit fail ({run.stdout!r})")
    check(closed.strip() not in ("", "0"), f"full disk: the video fails ({run.stdout!r})")
    check(leftovers(folder, "full.avi") == [], "full disk: no partial AVI")


def riff_chunks(avi):
    """The top-level RIFF chunks' forms, walked by their sizes."""
    forms = []
    with open(avi, "rb") as f:
        while True:
            head = f.read(12)
            if len(head) < 12 or head[:4] != b"RIFF":
                return forms
            forms.append(head[8:12])
            f.seek(int.from_bytes(head[4:8], "little") - 4 + ((int.from_bytes(head[4:8], "little")) & 1), 1)


def past_one_gibibyte(lib):
    frame = path("hd.bmp")
    noise(640, 360, 7).resize((1280, 720)).save(frame)  # 2,764,800 bytes a frame
    avi = path("long.avi")
    count = 400  # 1.03 GiB of frames
    check(lib.PTE_CreateAVI(avi.encode(), 40) is not None, "create a long video")
    written = sum(lib.PTE_WriteAVI(frame.encode()) for _ in range(count))
    check(written == count and lib.PTE_CloseAVI() == 0, f"{written} frames of {count}")
    size = os.path.getsize(avi)
    check(size > 1 << 30, f"past one gibibyte: {size}")
    forms = riff_chunks(avi)
    check(forms[:1] == [b"AVI "] and forms[1:] and all(f == b"AVIX" for f in forms[1:]),
          f"further RIFF chunks of the extended form: {forms}")
    with open(avi, "rb") as f:
        check(b"indx" in f.read(1 << 16), "an extended index in the header")
    stream, errors = probe(avi)
    check(stream.get("nb_read_packets") == str(count) and errors == "", f"every frame read back: {stream}")
    last = subprocess.run(["ffmpeg", "-v", "error", "-i", avi, "-vf", f"select=eq(n\\,{count - 1})", "-frames:v", "1",
                           "-f", "rawvideo", "-pix_fmt", "rgb24", "-"], capture_output=True, timeout=300,
                          env=peer()).stdout
    check(last == Image.open(frame).convert("RGB").tobytes(), "the last frame, past the first gibibyte, decodes")
    os.remove(avi)


def pte_pdf():
    Image.new("RGB", (10, 10), (7, 8, 9)).save(path("keep.png"))
    run = subprocess.run([PTE, "pdf", path("pte.pdf"), path("keep.png")], capture_output=True, timeout=60)
    check(run.returncode == 0 and pdf_pages(path("pte.pdf"))[0] == 1, "pte pdf")
    check(os.path.exists(path("keep.png")), "pte pdf keeps its pictures")
    run = subprocess.run([PTE, "pdf", path("pte2.pdf"), path("missing.png")], capture_output=True, timeout=60)
    check(run.returncode == 1 and not os.path.exists(path("pte2.pdf")), "pte pdf of a missing picture")


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    lib = load()
    if LARGE:
        past_one_gibibyte(lib)
    else:
        scans()
        documents(lib)
        full_disk_pdf()
        videos(lib)
        full_disk_avi()
        if PTE:
            pte_pdf()
    print("documents:", "FAILED" if failures else "all checks passed", flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
