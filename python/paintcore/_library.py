"""Finding and loading libpaintcore."""
import ctypes
import os
import subprocess

SONAME = "libpaintcore.so.1"


def _pkg_config_libdir():
    try:
        done = subprocess.run(["pkg-config", "--variable=libdir", "paintcore"], capture_output=True, text=True)
    except OSError:
        return None
    return done.stdout.strip() if done.returncode == 0 and done.stdout.strip() else None


def load():
    """The library: the file PAINTCORE_LIBRARY names; else libpaintcore.so.1
    wherever the dynamic linker finds installed libraries; else in the lib
    folder pkg-config names for paintcore (an install under another prefix,
    with PKG_CONFIG_PATH set)."""
    path = os.environ.get("PAINTCORE_LIBRARY")
    if path:
        return ctypes.CDLL(path)
    try:
        return ctypes.CDLL(SONAME)
    except OSError as not_installed:
        libdir = _pkg_config_libdir()
        if libdir and os.path.exists(os.path.join(libdir, SONAME)):
            return ctypes.CDLL(os.path.join(libdir, SONAME))
        raise OSError(f"cannot load {SONAME}: install the library (make install), or set PAINTCORE_LIBRARY to "
                      f"its file (build/libpaintcore.so), or PKG_CONFIG_PATH to its pkgconfig folder") \
            from not_installed
