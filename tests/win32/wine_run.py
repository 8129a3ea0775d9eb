#!/usr/bin/env python3
"""Runs a Windows test program under wine64.

`wine_run.py --prefix DIR --path DLLDIR -- PROGRAM [ARGS...]` runs PROGRAM
with the Wine prefix DIR (made on first use, one maker at a time), Wine's
own messages silenced, DLLDIR on the program's DLL search path, and exits
with the program's status. Without DISPLAY it runs against an X server of
its own (tests/with_xvfb.py): windows, the clipboard and the keyboard need
one under Wine.
"""
import argparse
import fcntl
import os
import subprocess
import sys

WINE64 = "/usr/lib/wine/wine64"
HERE = os.path.dirname(os.path.abspath(__file__))


def wine_environment(prefix, dll_path):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    env["WINEDEBUG"] = "-all"
    # No .NET or browser engine: they are not needed and would be offered
    # for download when the prefix is made. A tablet interface module found
    # on the search path is loaded before Wine's own, as on Windows, where
    # the tablet's maker installs it.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;wintab32=n,b"
    env["WINEPATH"] = dll_path
    return env


def ensure_prefix(prefix, env):
    os.makedirs(os.path.dirname(prefix) or ".", exist_ok=True)
    with open(prefix + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(os.path.join(prefix, "system.reg")):
            return
        subprocess.run([WINE64, "wineboot", "--init"], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            subprocess.run(["wineserver", "--wait"], env=env, check=False, timeout=120)
        except subprocess.TimeoutExpired:
            pass


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--path", default="")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args(argv)
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no program given")
    env = wine_environment(os.path.abspath(args.prefix), args.path)
    ensure_prefix(env["WINEPREFIX"], env)
    run = [WINE64] + command
    if not env.get("DISPLAY"):
        run = [sys.executable, os.path.join(os.path.dirname(HERE), "with_xvfb.py")] + run
    return subprocess.call(run, env=env)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
