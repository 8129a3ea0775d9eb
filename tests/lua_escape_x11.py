#!/usr/bin/env python3
"""The Escape key on a real X server stops a filter script that never ends.

Run under tests/with_xvfb.py, so DISPLAY names a server of the test's own:
xdotool holds Escape down on it while the engine runs an endless script,
and the run must end with "Lua Script Error: cancelled". A script that asks
"is_escape" itself sees the same key and ends as it chooses. And when the
X server goes away under the engine's connection, the host lives on.

usage: lua_escape_x11.py LIBRARY
"""
import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77


def hold_escape(after, seconds):
    """Holds Escape down for `seconds`, `after` seconds from now, in the background."""
    def press():
        time.sleep(after)
        subprocess.run(["xdotool", "keydown", "Escape"], check=True)
        time.sleep(seconds)
        subprocess.run(["xdotool", "keyup", "Escape"], check=True)
    thread = threading.Thread(target=press)
    thread.start()
    return thread


def run_script(lib, folder, text):
    path = os.path.join(folder, "filter.lua")
    with open(path, "w") as f:
        f.write(text)
    lib.PTE_SetLastError(b"")
    start = time.monotonic()
    lib.PTE_LuaFilterRun(path.encode(), *([0] * 14))
    return lib.PTE_GetLastError(), time.monotonic() - start


def open_library(path):
    lib = ctypes.CDLL(path)
    lib.PTE_GetLastError.restype = ctypes.c_char_p
    lib.PTE_CreateImage(None, 4, 4, 16, 0)
    assert lib.PTE_CreateLayer(1, 4, 4) == 1
    lib.PTE_SetLayer(1)
    lib.PTE_IPLAllocSrcBuffer32()
    lib.PTE_IPLAllocDstBuffer32()
    return lib


def server_goes_away(library):
    """In a process of its own (the engine keeps one connection a process):
    an X server of its own, asked for the key, stopped, then asked again."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp"], pass_fds=(write_end,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as announced:
        os.environ["DISPLAY"] = ":" + announced.readline().strip()
    lib = open_library(library)
    with tempfile.TemporaryDirectory() as folder:
        first, _ = run_script(lib, folder, "check = is_escape()\n")
        server.terminate()
        server.wait()
        after, _ = run_script(lib, folder, "check = is_escape()\nset_rgb(0, 0, 1, 1, 1)\n")
    print("runs:", first, after)
    return 0 if first == b"" and after == b"" else 1


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "--server-goes-away":
        return server_goes_away(sys.argv[2])
    if not os.environ.get("DISPLAY") or shutil.which("xdotool") is None:
        print("lua_escape_x11: needs an X server and xdotool", file=sys.stderr)
        return SKIP
    # Should the key never reach the run, the test ends here instead of hanging.
    signal.alarm(20)
    lib = open_library(sys.argv[1])
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        presser = hold_escape(after=0.5, seconds=0.5)
        error, took = run_script(lib, folder, "while true do end\n")
        presser.join()
        if error != b"Lua Script Error: cancelled" or took < 0.4:
            failures.append(f"endless script: {error!r} after {took:.2f} s")

        # The binding reads the same key: the script takes the press and
        # ends normally, its pixel loaded into the layer.
        presser = hold_escape(after=0.3, seconds=0.5)
        error, took = run_script(lib, folder, "while is_escape() == 0 do end\nset_rgb(0, 0, 1, 0, 0)\n")
        presser.join()
        pixel = (ctypes.c_uint8 * (4 * 4 * 4))()
        lib.PTE_GetRGBA32Layer(pixel, 16, 1)
        if error != b"" or list(pixel[:3]) != [255, 0, 0]:
            failures.append(f"is_escape: {error!r}, pixel {list(pixel[:4])}")
    lib.PTE_DeleteImage()
    gone = subprocess.run([sys.executable, __file__, "--server-goes-away", sys.argv[1]], capture_output=True, text=True)
    if gone.returncode != 0:
        failures.append(f"the X server went away: exit {gone.returncode}: {gone.stdout} {gone.stderr}")
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
