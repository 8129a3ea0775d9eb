#!/usr/bin/env python3
"""Every C program of docs/host-guide.md, compiled as a host would compile
it and run, so that the guide cannot drift from the library.

Each ```c block is a whole program. It runs in a folder of its own with
PAINTCORE_TRACE=1, must exit with 0, and must print exactly the ```text
block that follows it (standard output and standard error together), or
nothing when no such block follows: a guide whose calls silently do
nothing fails here.

usage: host_guide.py GUIDE INCLUDE_DIR LIBRARY CC [CFLAG...]
"""
import os
import re
import subprocess
import sys
import tempfile

from script_checks import Checks

GUIDE, INCLUDE, LIBRARY, CC = sys.argv[1:5]
CFLAGS = sys.argv[5:]
check = Checks()

FENCE = re.compile(r"^```(\w*)\n(.*?)^```\n", re.S | re.M)


def programs(text):
    """(line, source, expected output) for every c block."""
    blocks = [(m.group(1), m.group(2), text.count("\n", 0, m.start()) + 1) for m in FENCE.finditer(text)]
    found = []
    for k, (language, body, line) in enumerate(blocks):
        if language != "c":
            continue
        follows = blocks[k + 1] if k + 1 < len(blocks) else None
        expected = follows[1] if follows is not None and follows[0] == "text" else ""
        found.append((line, body, expected))
    return found


def compile_and_run(line, source, expected, work):
    folder = os.path.join(work, f"line{line}")
    os.makedirs(folder)
    path = os.path.join(folder, "host.c")
    with open(path, "w") as f:
        f.write(source)
    binary = os.path.join(folder, "host")
    built = subprocess.run([CC, "-std=c99", "-Wall", "-Wextra", "-Werror", "-pedantic", *CFLAGS, "-I", INCLUDE, path,
                            LIBRARY, "-Wl,-rpath," + os.path.dirname(os.path.abspath(LIBRARY)), "-o", binary],
                           capture_output=True, text=True)
    if not check(built.returncode == 0, f"the program at line {line} compiles:\n{built.stderr}"):
        return
    env = dict(os.environ, PAINTCORE_TRACE="1")
    ran = subprocess.run([binary], cwd=folder, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                         timeout=120)
    check(ran.returncode == 0, f"the program at line {line} exits with {ran.returncode}:\n{ran.stdout}")
    check(ran.stdout == expected,
          f"the program at line {line} printed\n{ran.stdout!r}\nwhere the guide shows\n{expected!r}")


text = open(GUIDE, encoding="utf-8").read()
found = programs(text)
check(len(found) >= 7, f"the guide holds {len(found)} programs")
with tempfile.TemporaryDirectory() as work:
    for line, source, expected in found:
        compile_and_run(line, source, expected, work)
check.finish()
