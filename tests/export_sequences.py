#!/usr/bin/env python3
"""Random sequences of export calls, as a careless host might make them.

Every export the header declares is called with arguments drawn from the
edges of their ranges: indices outside 0..63, negative and huge sizes, NaN
and infinite floats, null buffers, unknown names and missing files, over
images of odd sizes and layers of other sizes than the image, with the image
re-created and re-sized in between. Half the calls that take buffers get
real ones instead, with strides and rectangles a careful host could pass, so
that any access outside them is the engine's. Nothing may crash or trip the
sanitizers.

Run as `export_sequences.py LIBRARY HEADER`: each seed runs in a child
process, so a crash names its seed and the calls that led to it.
"""
import ctypes
import os
import random
import re
import resource
import shutil
import subprocess
import sys
import tempfile

SEEDS = int(os.environ.get("EXPORT_SEQUENCE_SEEDS", "64"))
CALLS = int(os.environ.get("EXPORT_SEQUENCE_CALLS", "400"))

# Raw memory services whose whole contract is the host's own pointers.
LEFT_OUT = {"PTE_Alloc", "PTE_Free", "PTE_Memcpy", "BankAdrs"}

SCALARS = {
    "int32_t": ctypes.c_int32, "uint32_t": ctypes.c_uint32, "int16_t": ctypes.c_int16,
    "uint16_t": ctypes.c_uint16, "uint8_t": ctypes.c_uint8, "int64_t": ctypes.c_int64,
    "uint64_t": ctypes.c_uint64, "float": ctypes.c_float, "double": ctypes.c_double,
}

INTS = [-2**31, -65536, -1001, -2, -1, 0, 1, 2, 3, 7, 16, 62, 63, 64, 65, 100, 255, 256,
        1000, 1001, 9999, 10000, 10001, 65535, 65536, 2**31 - 1]
FLOATS = [float("nan"), float("inf"), -float("inf"), -1e30, -1.0, 0.0, 0.5, 1.0, 2.0, 100.0, 1e30]


def declarations(header):
    text = open(header, encoding="utf-8").read()
    for ret, name, args in re.findall(r"PTE_API\s+([^;(]*?)\s*\bPTE_CALL\s+(\w+)\s*\(([^)]*)\)", text):
        params = [a.strip() for a in args.split(",") if a.strip() and a.strip() != "void"]
        yield ret.strip(), name, params


def param_kind(param):
    base = " ".join(param.replace("const ", "").split()[:-1])
    if "*" in param:
        return "text" if base.startswith("char") else "buffer"
    if base not in SCALARS:
        raise SystemExit(f"unknown parameter type in the header: {param}")
    return SCALARS[base]


def bind(lib, header):
    calls = []
    for ret, name, params in declarations(header):
        if name in LEFT_OUT:
            continue
        kinds = [param_kind(p) for p in params]
        names = [p.split()[-1].lstrip("*") for p in params]
        f = getattr(lib, name)
        f.argtypes = [ctypes.c_char_p if k == "text" else ctypes.c_void_p if k == "buffer" else k for k in kinds]
        f.restype = None if ret == "void" else ctypes.c_void_p if "*" in ret else ctypes.c_double \
            if ret in ("float", "double") else ctypes.c_int64
        calls.append((name, f, kinds, names))
    return calls


class HostBuffers:
    """Buffers a careful host would pass: each call's buffers are distinct,
    hold random bytes and have room on both sides of the pointer for any
    rectangle within HOST_REACH pixels of the origin, so whatever the engine
    reads or writes outside them is the engine's fault."""
    SIZE = 2 << 20
    HOST_REACH = 130
    STRIDES = (1024, 2048)

    def __init__(self, rng):
        self.blocks = [ctypes.create_string_buffer(self.SIZE) for _ in range(3)]
        for b in self.blocks:
            ctypes.memmove(b, rng.randbytes(self.SIZE), self.SIZE)
        self.pointers = [ctypes.addressof(b) + self.SIZE // 2 for b in self.blocks]

    def arguments(self, kinds, names, rng, texts):
        args, used = [], 0
        for kind, name in zip(kinds, names):
            if kind == "buffer":
                args.append(self.pointers[used % len(self.pointers)])
                used += 1
            elif kind == "text" or kind in (ctypes.c_float, ctypes.c_double):
                args.append(argument(kind, rng, texts))
            elif "stride" in name.lower():
                args.append(rng.choice(self.STRIDES))
            elif name == "rowPixels":
                args.append(128)
            else:
                args.append(wrapped(kind, rng.randint(-self.HOST_REACH, self.HOST_REACH)))
        return args


def argument(kind, rng, texts):
    """An argument from the edges of its kind's range; buffers are null."""
    if kind == "buffer":
        return None
    if kind == "text":
        return rng.choice(texts)
    if kind in (ctypes.c_float, ctypes.c_double):
        return rng.choice(FLOATS) if rng.random() < 0.5 else rng.uniform(-10.0, 300.0)
    roll = rng.random()
    # Small values often name the layers that exist.
    return wrapped(kind, rng.choice(INTS) if roll < 0.5 else rng.randint(0, 5) if roll < 0.7 else rng.randint(-5, 120))


def wrapped(kind, v):
    bits = ctypes.sizeof(kind) * 8
    if kind in (ctypes.c_uint8, ctypes.c_uint16, ctypes.c_uint32, ctypes.c_uint64):
        return v % (1 << bits)
    return (v + (1 << (bits - 1))) % (1 << bits) - (1 << (bits - 1))


def run_sequence(library, header, seed, log_path, folder):
    # Huge sizes must fail cleanly rather than exhaust the machine: the
    # sanitizer build caps single allocations itself, the plain build gets an
    # address-space limit, so the engine's out-of-memory paths run too.
    if "asan" not in os.environ.get("LD_PRELOAD", ""):
        resource.setrlimit(resource.RLIMIT_AS, (3 << 30, 3 << 30))
    lib = ctypes.CDLL(library)
    calls = bind(lib, header)
    rng = random.Random(seed)
    texts = [None, b"", b"Normal", b"Multiply", b"Layer Mask", b"Lanczos3", b"Bicubic", b"x" * 300,
             os.path.join(folder, "missing.png").encode(), os.path.join(folder, "out.png").encode(),
             os.path.join(folder, "out.bmp").encode(), os.path.join(folder, "out.psd").encode(),
             os.path.join(folder, "out.unknown").encode(), folder.encode(), b"\xff\xfe",
             # fill, wand and gradient modes, and text in several scripts
             b"Paint Connected", b"Erase Non-connected", b"Paint Alpha Connected", b"Connected", b"Color Range",
             b"Alpha Connected", b"Linear", "Text \u05e9\u05dc\u05d5\u05dd \u0633\u0644\u0627\u0645 \u6f22\u5b57".encode()]
    # Effect names (with a Lua filter to run) for the effect catalogue, so
    # that its routes run rather than only its unknown-name path.
    effects = []
    while lib.PTE_GetEffectName(len(effects)):
        effects.append(ctypes.string_at(lib.PTE_GetEffectName(len(effects))))
    lua = os.path.join(folder, "filter.lua")
    with open(lua, "w") as f:
        f.write("for y = bound_y0, bound_y1 do for x = bound_x0, bound_x1 do\n"
                "  local r, g, b = get_rgb(x, y); set_rgb(x, y, g, b, r) end end\n")
    texts.append(lua.encode())
    # Copies of shipped effect scripts, for the script-file effects, tips and
    # grit: the exports that write pictures may write over any path given.
    scripts = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "scripts")
    for name in ("utility/checker.fxs", "tips/chalk.fxs"):
        copy = os.path.join(folder, os.path.basename(name))
        shutil.copyfile(os.path.join(scripts, name), copy)
        texts.append(copy.encode())
    buffers = HostBuffers(rng)
    create = next(c[1] for c in calls if c[0] == "PTE_CreateImage")
    new_size = next(c[1] for c in calls if c[0] == "PTE_NewSize")
    create_layer = next(c[1] for c in calls if c[0] == "PTE_CreateLayer")
    sized = [c for c in calls if c[0] not in ("PTE_CreateImage", "PTE_NewSize")]

    def small_image(f):
        size = (rng.randint(1, 70), rng.randint(1, 70))
        f(None, *size, rng.choice([0, 1, 16, 64, 200]), rng.randint(0, 3))
        return size

    with open(log_path, "w", buffering=1) as log:
        size = small_image(create)
        # Mostly layers of the image's size, some of another size.
        for index in range(rng.randint(0, 6)):
            create_layer(index, *(size if rng.random() < 0.6 else (rng.randint(1, 80), rng.randint(1, 80))))
        lib.PTE_SetLayer(rng.randint(0, 5))
        for _ in range(CALLS):
            roll = rng.random()
            if roll < 0.01:
                log.write("PTE_CreateImage (small)\n")
                small_image(create)
            elif roll < 0.02:
                log.write("PTE_NewSize (small)\n")
                small_image(new_size)
            else:
                name, f, kinds, names = rng.choice(sized)
                # Calls with buffers get, half the time, real buffers and
                # arguments within their reach; otherwise null buffers and
                # arguments from the edges of their ranges.
                if "buffer" in kinds and rng.random() < 0.5:
                    args = buffers.arguments(kinds, names, rng, texts)
                else:
                    args = [argument(k, rng, texts) for k in kinds]
                if name == "PTE_IPLImageProcess" and rng.random() < 0.8:
                    # A catalogue name, often with the working buffers a host allocates first.
                    args[1] = rng.choice(effects)
                    if rng.random() < 0.5:
                        log.write("PTE_IPLAllocSrcBuffer32() PTE_IPLAllocDstBuffer32()\n")
                        lib.PTE_IPLAllocSrcBuffer32()
                        lib.PTE_IPLAllocDstBuffer32()
                log.write(f"{name}{tuple(args)}\n")
                f(*args)
        lib.PTE_DeleteImage()


def device_environment(folder):
    """No display (the clipboard stays inside the process, capture finds no
    screen, no clipboard thread starts), and scanning only through SANE's
    test backend, from a configuration folder of our own, so that no real
    scanner or network is probed."""
    sane = os.path.join(folder, "sane")
    os.makedirs(sane, exist_ok=True)
    with open(os.path.join(sane, "dll.conf"), "w") as conf:
        conf.write("test\n")
    env = dict(os.environ, SANE_CONFIG_DIR=sane)
    env.pop("DISPLAY", None)
    return env


def main():
    library, header = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if len(sys.argv) > 3:
        run_sequence(library, header, int(sys.argv[3]), sys.argv[4], sys.argv[5])
        return 0
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        log_path = os.path.join(folder, "calls.log")
        env = device_environment(folder)
        for seed in range(SEEDS):
            child = subprocess.run([sys.executable, os.path.abspath(__file__), library, header, str(seed), log_path, folder],
                                   capture_output=True, text=True, errors="replace", cwd=folder, env=env)
            if child.returncode != 0:
                failures += 1
                last = open(log_path, encoding="utf-8", errors="replace").read().splitlines()[-3:] \
                    if os.path.exists(log_path) else ["(no call made)"]
                print(f"seed {seed}: exit {child.returncode} after\n  " + "\n  ".join(last))
                print(child.stderr[-4000:])
    print(f"{SEEDS - failures} of {SEEDS} sequences of {CALLS} calls ran clean")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
