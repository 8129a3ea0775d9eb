#!/usr/bin/env python3
"""The clipboard and screen capture on a real X server, against peers.

Run under with_xvfb.py (DISPLAY names a server of the test's own):

    devices_x11.py LIBRARY WORKDIR [PTE]

- A picture the engine copies is read by xclip after the copying call has
  returned, as image/png and as image/bmp (large ones a piece at a time);
  pictures xclip serves are pasted by the engine.
- A capture has the screen's size and the pixels ffmpeg's x11grab reads,
  including those of a window drawn for the test.
- Without a display the clipboard lives in the process; when the display
  goes away the process carries on; nobody reading the selection never
  keeps a process from ending; unloading the library ends its thread.

With the command-line host given, `pte clip` and `pte capture` are
checked the same way.

Each case that ends processes or servers runs in a child of its own.
"""
import ctypes
import os
import random
import subprocess
import sys
import time

from PIL import Image

import with_xvfb
from peer_checks import check, failures, peer

LIBRARY = os.path.abspath(sys.argv[1])
WORK = os.path.abspath(sys.argv[2])
PTE = os.path.abspath(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[3] else None


def load(path=LIBRARY):
    lib = ctypes.CDLL(path)
    lib.PTE_CreateAVI.restype = ctypes.c_void_p
    return lib


def threads():
    return len(os.listdir("/proc/self/task"))


def picture(w, h, seed, alpha=True):
    rng = random.Random(seed)
    img = Image.new("RGBA", (w, h))
    img.putdata([(rng.randrange(256), rng.randrange(256), rng.randrange(256),
                  rng.choice([255, 255, 128, 0, 1]) if alpha else 255) for _ in range(w * h)])
    return img


def copy(lib, img):
    data = img.tobytes()
    buffer = (ctypes.c_uint8 * len(data)).from_buffer_copy(data)
    lib.PTE_RGBA32ToClipboard(buffer, img.width, img.height)


def new_rgba(lib):
    w, h = lib.PTE_GetNewRGBAWidth(), lib.PTE_GetNewRGBAHeight()
    out = (ctypes.c_uint8 * (w * h * 4))()
    lib.PTE_GetNewRGBA32(out)
    return Image.frombytes("RGBA", (w, h), bytes(out)) if w and h else None


def xclip_out(target, timeout=10):
    run = subprocess.run(["xclip", "-selection", "clipboard", "-t", target, "-o"], capture_output=True,
                         timeout=timeout, env=peer())
    return run.returncode, run.stdout


def xclip_serve(path, target):
    """xclip serving a file in the foreground, until stopped or replaced."""
    server = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", target, "-i", path],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=peer())
    # Serving once the selection answers with the target.
    for _ in range(100):
        rc, targets = xclip_out("TARGETS", timeout=5)
        if rc == 0 and target.encode() in targets:
            return server
        time.sleep(0.05)
    return server


def wait_for(condition, seconds=5.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.02)
    return condition()


def same(a, b):
    return a is not None and b is not None and a.size == b.size and list(a.getdata()) == list(b.getdata())


def read(data, path):
    with open(path, "wb") as f:
        f.write(data)
    return Image.open(path).convert("RGBA")


# ---- Cases in this process: the display of with_xvfb.py ----

def copies_read_by_xclip(lib):
    baseline = threads()
    for w, h, what in [(64, 48, "small"), (700, 500, "larger than one request")]:
        img = picture(w, h, w)
        copy(lib, img)
        check(lib.PTE_IsClipboardOwner() == 1, f"{what}: the copy is on the desktop's clipboard")
        rc, targets = xclip_out("TARGETS")
        check(rc == 0 and b"image/png" in targets and b"image/bmp" in targets, f"{what}: targets {targets!r}")
        rc, png = xclip_out("image/png")
        check(rc == 0 and same(read(png, os.path.join(WORK, "copied.png")), img), f"{what}: PNG read by xclip")
        rc, bmp = xclip_out("image/bmp")
        check(rc == 0 and bmp[:2] == b"BM" and same(read(bmp, os.path.join(WORK, "copied.bmp")), img),
              f"{what}: BMP read by xclip")
        check(len(png) > 300000 or w < 100, f"{what}: the PNG needs pieces ({len(png)} bytes)")
    check(threads() == baseline + 1, "one thread serves the selection, the one before it ended")
    # Our own paste is answered from memory, alpha and all.
    check(lib.PTE_FromClipboard() == 1 and same(new_rgba(lib), img), "our own copy pastes back")


def pastes_from_xclip(lib):
    img = picture(53, 31, 5)
    png = os.path.join(WORK, "served.png")
    img.save(png)
    server = xclip_serve(png, "image/png")
    try:
        check(wait_for(lambda: lib.PTE_IsClipboardOwner() == 0), "xclip took the selection from us")
        check(lib.PTE_FromClipboard() == 1 and same(new_rgba(lib), img), "PNG served by xclip pasted")
    finally:
        with_xvfb.stop_server(server)
    bmp = os.path.join(WORK, "served.bmp")
    img.convert("RGB").save(bmp)
    server = xclip_serve(bmp, "image/bmp")
    try:
        check(lib.PTE_FromClipboard() == 1 and same(new_rgba(lib), img.convert("RGB").convert("RGBA")),
              "BMP served by xclip pasted, opaque")
    finally:
        with_xvfb.stop_server(server)
    text = os.path.join(WORK, "served.txt")
    with open(text, "w") as f:
        f.write("no picture")
    server = xclip_serve(text, "UTF8_STRING")
    try:
        before = (lib.PTE_GetNewRGBAWidth(), lib.PTE_GetNewRGBAHeight())
        check(lib.PTE_FromClipboard() == 0, "text on the clipboard is no picture")
        check((lib.PTE_GetNewRGBAWidth(), lib.PTE_GetNewRGBAHeight()) == before, "newRGBA as it was")
    finally:
        with_xvfb.stop_server(server)
    check(lib.PTE_FromClipboard() == 0, "a selection nobody owns holds no picture")


def draw_window(x, y, w, h, rgb):
    """A mapped window of one colour, drawn by Xlib on a connection of its own."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XCreateSimpleWindow.restype = ctypes.c_ulong
    x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                        ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
    x11.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    display = x11.XOpenDisplay(None)
    pixel = rgb[0] << 16 | rgb[1] << 8 | rgb[2]
    window = x11.XCreateSimpleWindow(display, x11.XDefaultRootWindow(display), x, y, w, h, 0, 0, pixel)
    x11.XMapWindow(display, window)
    x11.XSync(display, 0)
    time.sleep(0.2)  # the server paints the background on mapping
    return x11, display


def captures_the_screen(lib):
    x11, display = draw_window(100, 50, 80, 60, (250, 128, 64))
    try:
        check(lib.PTE_ScreenCapture() == 1, "capture")
        ours = new_rgba(lib)
        grab = os.path.join(WORK, "grab.png")
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "x11grab", "-draw_mouse", "0", "-i",
                        os.environ["DISPLAY"], "-frames:v", "1", grab], check=True, timeout=30, env=peer())
        theirs = Image.open(grab).convert("RGBA")
        check(ours is not None and ours.size == theirs.size, f"the screen's size {theirs.size}")
        check(same(ours, theirs), "the pixels x11grab reads")
        check(ours.getpixel((100, 50)) == (250, 128, 64, 255) and ours.getpixel((179, 109)) == (250, 128, 64, 255),
              "the window's corners")
        check(ours.getpixel((99, 50)) != (250, 128, 64, 255) and ours.getpixel((180, 109)) != (250, 128, 64, 255),
              "and not beyond them")
        # Into a layer, through the mask.
        lib.PTE_CreateImage(None, 300, 200, 16, 0)
        lib.PTE_CreateLayer(1, 300, 200)
        lib.PTE_SetLayer(1)
        check(lib.PTE_ScreenCaptureInto() == 1, "capture into the layer")
        rgba = (ctypes.c_uint8 * (300 * 200 * 4))()
        lib.PTE_GetRGBA32(rgba, 300 * 4)
        at = (60 * 300 + 120) * 4
        check(bytes(rgba[at:at + 4]) == bytes([250, 128, 64, 255]), "the window in the layer")
        lib.PTE_DeleteImage()
    finally:
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay(display)


# ---- Cases in children of their own ----

CHILD = r'''
import ctypes, os, sys, time
lib = ctypes.CDLL(sys.argv[1])
def threads(): return len(os.listdir("/proc/self/task"))
case = sys.argv[2]
px = (ctypes.c_uint8 * (8 * 4 * 4))(*([10, 20, 30, 255] * 32))
'''

CHILD_CASES = {
    # Capture from a server that shares no memory with us.
    "plain": r'''
assert lib.PTE_ScreenCapture() == 1
w, h = lib.PTE_GetNewRGBAWidth(), lib.PTE_GetNewRGBAHeight()
out = (ctypes.c_uint8 * (w * h * 4))()
lib.PTE_GetNewRGBA32(out)
open(sys.argv[3], "wb").write(bytes(out))
print(w, h)
''',
    # Copy, nobody reads it, end: the process ends at once.
    "exit": r'''
lib.PTE_RGBA32ToClipboard(px, 8, 4)
assert lib.PTE_IsClipboardOwner() == 1
''',
    # Copy, then unload the library: its thread ends with it.
    "unload": r'''
import _ctypes
before = threads()
lib.PTE_RGBA32ToClipboard(px, 8, 4)
assert threads() == before + 1, "a thread serves"
_ctypes.dlclose(lib._handle)
assert threads() == before, "the thread ended with the library"
''',
    # No display: the clipboard lives in the process.
    "nodisplay": r'''
before = threads()
lib.PTE_RGBA32ToClipboard(px, 8, 4)
assert lib.PTE_IsClipboardOwner() == 0
assert threads() == before, "no thread without a display"
assert lib.PTE_FromClipboard() == 1 and lib.PTE_GetNewRGBAWidth() == 8
out = (ctypes.c_uint8 * (8 * 4 * 4))()
lib.PTE_GetNewRGBA32(out)
assert bytes(out) == bytes(px)
assert lib.PTE_ScreenCapture() == 0 and lib.PTE_GetNewRGBAWidth() == 8
''',
    # The display goes away while we serve: the thread ends, the process
    # carries on, and the last copy pastes from the process.
    "gone": r'''
before = threads()
lib.PTE_RGBA32ToClipboard(px, 8, 4)
assert lib.PTE_IsClipboardOwner() == 1
print("serving", flush=True)
sys.stdin.readline()
end = time.monotonic() + 5
while lib.PTE_IsClipboardOwner() != 0 and time.monotonic() < end:
    time.sleep(0.02)
assert lib.PTE_IsClipboardOwner() == 0, "the server noticed"
while threads() != before and time.monotonic() < end:
    time.sleep(0.02)
assert threads() == before, "its thread ended"
assert lib.PTE_ScreenCapture() == 0
assert lib.PTE_FromClipboard() == 1 and lib.PTE_GetNewRGBAWidth() == 8
lib.PTE_RGBA32ToClipboard(px, 8, 4)
assert lib.PTE_FromClipboard() == 1
''',
}


def child(case, env, *extra, **kwargs):
    return subprocess.Popen([sys.executable, "-c", CHILD + CHILD_CASES[case], LIBRARY, case, *extra], env=env,
                            stdout=subprocess.PIPE, stdin=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            **kwargs)


def finished(process, what, seconds=20):
    try:
        out, err = process.communicate(timeout=seconds)
    except subprocess.TimeoutExpired:
        process.kill()
        out, err = process.communicate()
        check(False, f"{what}: still running after {seconds} s")
        return
    check(process.returncode == 0, f"{what}: exit {process.returncode}\n{err[-2000:]}")


def ends_without_readers():
    start = time.monotonic()
    finished(child("exit", os.environ), "copy and end")
    check(time.monotonic() - start < 10, "nobody reading the selection does not hold the end up")
    finished(child("unload", os.environ), "copy and unload")


def without_display():
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    finished(child("nodisplay", env), "no display")


def captures_without_shared_memory(lib):
    """A server that shares no memory with us is read with plain image
    requests: the same pixels as the shared-memory path (checked against
    x11grab above) reads from the main server's bare root window."""
    server, display = with_xvfb.start_server("320x200x24", env=peer(), options=("-extension", "MIT-SHM"))
    if server is None:
        check(False, "an X server without shared memory")
        return
    try:
        raw = os.path.join(WORK, "plain.raw")
        process = child("plain", dict(os.environ, DISPLAY=display), raw)
        out, err = process.communicate(timeout=60)
        check(process.returncode == 0 and out.split() == ["320", "200"], f"capture without shared memory: {out} {err}")
        check(lib.PTE_ScreenCapture() == 1, "capture of the main server")
        bare_root = new_rgba(lib).crop((0, 0, 320, 200))
        check(process.returncode == 0 and open(raw, "rb").read() == bare_root.tobytes(),
              "capture without shared memory: the root window's pixels")
    finally:
        with_xvfb.stop_server(server)


def display_goes_away():
    server, display = with_xvfb.start_server("320x200x24", env=peer())
    if server is None:
        check(False, "a second X server for the display that goes away")
        return
    process = child("gone", dict(os.environ, DISPLAY=display))
    try:
        check(process.stdout.readline().strip() == "serving", "the child serves")
        with_xvfb.stop_server(server)
        process.stdin.write("go\n")
        process.stdin.flush()
        finished(process, "display gone")
    finally:
        if server.poll() is None:
            with_xvfb.stop_server(server)
        if process.poll() is None:
            process.kill()


def pte_commands():
    img = picture(40, 30, 9)
    source = os.path.join(WORK, "pte-in.png")
    img.save(source)
    copier = subprocess.Popen([PTE, "clip", "copy", source], env=peer(), stderr=subprocess.PIPE)
    try:
        check(wait_for(lambda: b"image/png" in xclip_out("TARGETS")[1]), "pte clip copy serves")
        rc, png = xclip_out("image/png")
        check(rc == 0 and same(read(png, os.path.join(WORK, "pte-copied.png")), img), "pte clip copy read by xclip")
        other = os.path.join(WORK, "pte-other.png")
        picture(7, 5, 1).save(other)
        server = xclip_serve(other, "image/png")
        try:
            check(copier.wait(timeout=10) == 0, "pte clip copy ends once another program copies")
            out = os.path.join(WORK, "pte-pasted.png")
            run = subprocess.run([PTE, "clip", "paste", out], env=peer(), capture_output=True, timeout=30)
            check(run.returncode == 0 and same(Image.open(out).convert("RGBA"), Image.open(other).convert("RGBA")),
                  "pte clip paste")
        finally:
            with_xvfb.stop_server(server)
    finally:
        with_xvfb.stop_server(copier)
    out = os.path.join(WORK, "pte-screen.png")
    run = subprocess.run([PTE, "capture", out], env=peer(), capture_output=True, timeout=30)
    check(run.returncode == 0 and Image.open(out).size == (1024, 768), "pte capture")
    bare = peer()
    bare.pop("DISPLAY", None)
    run = subprocess.run([PTE, "clip", "copy", source], env=bare, capture_output=True, timeout=30)
    check(run.returncode == 1 and b"no display" in run.stderr, "pte clip copy without a display says so")
    run = subprocess.run([PTE, "capture", out], env=bare, capture_output=True, timeout=30)
    check(run.returncode == 1, "pte capture without a display")


def main():
    os.makedirs(WORK, exist_ok=True)
    lib = load()
    copies_read_by_xclip(lib)
    pastes_from_xclip(lib)
    captures_the_screen(lib)
    ends_without_readers()
    without_display()
    captures_without_shared_memory(lib)
    display_goes_away()
    if PTE:
        pte_commands()
    print("devices_x11:", "FAILED" if failures else "all checks passed", flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
