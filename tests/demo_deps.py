#!/usr/bin/env python3
"""`make demo` asks only for what the library and pte need: it installs the
install script's demo set, which holds no test, fuzz or benchmark tool, and
the demo's build configures with the test and benchmark frameworks and
Python hidden from CMake.

usage: demo_deps.py CMAKE SOURCE
"""
import os
import subprocess
import sys
import tempfile

from script_checks import Checks

CMAKE, SOURCE = sys.argv[1:3]
# Tools only the tests, fuzzing and benchmarks use.
TEST_ONLY = {"libgtest-dev", "libgmock-dev", "libbenchmark-dev", "clang", "libpixman-1-dev", "libmypaint-dev",
             "libstb-dev", "python3-pil", "python3-numpy", "xvfb", "xclip", "xdotool", "ffmpeg", "poppler-utils",
             "libimage-exiftool-perl", "libtiff-tools", "sane-utils"}
check = Checks()


def package_set(name):
    script = os.path.join(SOURCE, "scripts", "install-deps")
    text = open(script).read()
    start = text.index(f"\n{name}=(") + 1
    block = text[start:text.index("\n)", start) + 2]
    out = subprocess.run(["bash", "-c", block + f'\nprintf "%s\\n" "${{{name}[@]}}"'], capture_output=True, text=True)
    return set(out.stdout.split())


demo, more = package_set("demo_packages"), package_set("check_packages")
check(demo and not (demo & TEST_ONLY), f"the demo set holds test tools: {sorted(demo & TEST_ONLY)}")
check(TEST_ONLY <= demo | more, f"test tools missing from the script: {sorted(TEST_ONLY - demo - more)}")

for target, wanted, unwanted in (("demo", "install-deps demo", "install-deps check"),
                                 ("install", "install-deps demo", "install-deps check"),
                                 ("check", "install-deps check", None), ("bench", "install-deps check", None)):
    plan = subprocess.run(["make", "-n", "-C", SOURCE, target, "BUILD=/nonexistent-build"], capture_output=True,
                          text=True).stdout
    check(wanted in plan and (unwanted is None or unwanted not in plan), f"make {target} runs {wanted}")

with tempfile.TemporaryDirectory() as build:
    hidden = [f"-DCMAKE_DISABLE_FIND_PACKAGE_{p}=ON" for p in ("GTest", "benchmark", "Python3")]
    done = subprocess.run([CMAKE, "-S", SOURCE, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DPAINTCORE_TESTS=OFF",
                           "-DPAINTCORE_BENCH=OFF", *hidden], capture_output=True, text=True)
    check(done.returncode == 0, f"the demo's build configures without the test frameworks:\n{done.stderr}")

check.finish()
