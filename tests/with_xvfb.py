#!/usr/bin/env python3
"""Runs a command against an X server of its own.

`with_xvfb.py CMD [ARGS...]` starts Xvfb on a display number the server
picks itself (-displayfd, so parallel tests never collide), runs CMD with
DISPLAY set to it, stops the server and exits with CMD's status. Without
Xvfb on the machine it exits 77, which CTest can be told to read as a skip.
"""
import os
import shutil
import subprocess
import sys

SKIP = 77


def start_server(screen="1024x768x24", env=None, options=()):
    """An Xvfb on a display number it picks itself: (server, ":N"), or
    (None, None) when it does not start."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        [shutil.which("Xvfb"), "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
         *options],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    os.close(write_end)
    with os.fdopen(read_end) as announced:
        display = announced.readline().strip()
    if not display:
        stop_server(server)
        return None, None
    return server, ":" + display


def stop_server(server):
    """Ends a server (or any child process), killing it if it lingers."""
    server.terminate()
    try:
        server.wait(timeout=10)
    except subprocess.TimeoutExpired:
        server.kill()
        server.wait()


def main(argv):
    if len(argv) < 2:
        print("usage: with_xvfb.py CMD [ARGS...]", file=sys.stderr)
        return 2
    if shutil.which("Xvfb") is None:
        print("with_xvfb: no Xvfb on this machine", file=sys.stderr)
        return SKIP
    server, display = start_server()
    if server is None:
        print("with_xvfb: Xvfb did not start", file=sys.stderr)
        return 1
    try:
        return subprocess.call(argv[1:], env=dict(os.environ, DISPLAY=display))
    finally:
        stop_server(server)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
