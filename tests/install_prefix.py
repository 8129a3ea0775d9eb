#!/usr/bin/env python3
"""`cmake --install` into a temporary prefix, then the README's C example
built against what was installed twice, once through pkg-config and once
through find_package(paintcore), and run with no LD_LIBRARY_PATH: each host
must load the installed libpaintcore.so.1, found through its rpath (the
README's line for a prefix the dynamic linker does not search).

usage: install_prefix.py CMAKE BUILD CC README VERSION
"""
import os
import re
import subprocess
import sys
import tempfile

from script_checks import Checks, code_block

CMAKE, BUILD, CC, README, VERSION = sys.argv[1:6]
MAJOR = VERSION.split(".")[0]
check = Checks()


def run(args, quiet=False, **kw):
    done = subprocess.run(args, capture_output=True, text=True, **kw)
    if done.returncode != 0 and not quiet:
        print(f"$ {' '.join(args)}\n{done.stdout}{done.stderr}")
    return done


def clean_env(**extra):
    env = {k: v for k, v in os.environ.items() if k not in ("LD_LIBRARY_PATH", "LD_PRELOAD", "PKG_CONFIG_PATH")}
    env.update(extra)
    return env


def soname(path):
    out = run(["readelf", "-d", path]).stdout
    found = re.search(r"\(SONAME\)\s+Library soname: \[(.*)\]", out)
    return found.group(1) if found else None


def runs_on_installed_library(host, prefix, how):
    """The host prints the version and the pixel, and the library it loads is the installed one."""
    env = clean_env()
    done = run([host], env=env)
    check(done.returncode == 0 and done.stdout == f"paintcore {VERSION}\n128 \n",
          f"{how}: the host printed {done.stdout!r} {done.stderr!r}")
    loaded = run(["ldd", host], env=env).stdout
    where = re.search(r"libpaintcore\.so\.\S+ => (\S+)", loaded)
    check(where is not None and os.path.realpath(where.group(1)).startswith(os.path.realpath(prefix) + os.sep),
          f"{how}: loads {where.group(1) if where else 'nothing'}, not the library in {prefix}")


with tempfile.TemporaryDirectory() as work:
    prefix = os.path.join(work, "prefix")
    installed = run([CMAKE, "--install", BUILD, "--prefix", prefix], env=clean_env())
    if not check(installed.returncode == 0, "cmake --install"):
        sys.exit(1)
    lib = os.path.join(prefix, "lib")
    for path in ("include/paintcore.h", f"lib/libpaintcore.so.{MAJOR}", "lib/libpaintcore.so",
                 "lib/pkgconfig/paintcore.pc", "lib/cmake/paintcore/paintcoreConfig.cmake",
                 "lib/cmake/paintcore/paintcoreConfigVersion.cmake"):
        check(os.path.exists(os.path.join(prefix, path)), f"installed {path}")
    check(soname(os.path.join(lib, "libpaintcore.so")) == f"libpaintcore.so.{MAJOR}",
          f"soname {soname(os.path.join(lib, 'libpaintcore.so'))}")
    check(os.path.islink(os.path.join(lib, "libpaintcore.so")) and
          os.path.realpath(os.path.join(lib, "libpaintcore.so")) == os.path.realpath(
              os.path.join(lib, f"libpaintcore.so.{MAJOR}")), "the development link points at the versioned library")

    source = os.path.join(work, "host.c")
    with open(source, "w") as f:
        f.write(code_block(README, "## Driving the library from C", "c"))

    # Through pkg-config.
    pc = clean_env(PKG_CONFIG_PATH=os.path.join(lib, "pkgconfig"))
    check(run(["pkg-config", "--modversion", "paintcore"], env=pc).stdout.strip() == VERSION, "pkg-config version")
    flags = run(["pkg-config", "--cflags", "--libs", "paintcore"], env=pc).stdout.split()
    libdir = run(["pkg-config", "--variable=libdir", "paintcore"], env=pc).stdout.strip()
    check(libdir == lib, f"pkg-config libdir {libdir}")
    host = os.path.join(work, "host_pkgconfig")
    built = run([CC, "-std=c99", "-Wall", "-Werror", source, *flags, f"-Wl,-rpath,{libdir}", "-o", host], env=pc)
    if check(built.returncode == 0, "the README's C example builds through pkg-config"):
        runs_on_installed_library(host, prefix, "pkg-config")

    # Through find_package.
    project = os.path.join(work, "project")
    os.mkdir(project)
    with open(os.path.join(project, "CMakeLists.txt"), "w") as f:
        f.write("cmake_minimum_required(VERSION 3.16)\nproject(host C)\n"
                f"find_package(paintcore {MAJOR}.0 REQUIRED)\n"
                "add_executable(host host.c)\ntarget_link_libraries(host PRIVATE paintcore::paintcore)\n")
    os.rename(source, os.path.join(project, "host.c"))
    tree = os.path.join(work, "project-build")
    configured = run([CMAKE, "-S", project, "-B", tree, f"-DCMAKE_PREFIX_PATH={prefix}",
                      f"-DCMAKE_C_COMPILER={CC}", "-DCMAKE_C_FLAGS=-Wall -Werror"], env=clean_env())
    if check(configured.returncode == 0, "find_package(paintcore) finds the installed package") and \
            check(run([CMAKE, "--build", tree], env=clean_env()).returncode == 0,
                  "the README's C example builds through find_package"):
        runs_on_installed_library(os.path.join(tree, "host"), prefix, "find_package")

    # A host asking for the next major version is told no.
    with open(os.path.join(project, "CMakeLists.txt"), "w") as f:
        f.write(f"cmake_minimum_required(VERSION 3.16)\nproject(host C)\nfind_package(paintcore {int(MAJOR) + 1}.0 REQUIRED)\n")
    check(run([CMAKE, "-S", project, "-B", tree + "2", f"-DCMAKE_PREFIX_PATH={prefix}"],
              env=clean_env(), quiet=True).returncode != 0, "find_package of the next major version fails")

check.finish()
