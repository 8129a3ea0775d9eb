"""paintcore from Python: every export of the engine's C interface, typed,
as a module function of the same name (paintcore.PTE_CreateLayer), plus a
context manager for the one image the engine holds and numpy helpers for
moving pictures in and out.

    import paintcore
    with paintcore.Image(640, 480):
        paintcore.PTE_CreateLayer(1, 640, 480)
        ...

Text arguments take str, bytes or paths; buffer arguments take numpy
arrays, bytearrays or ctypes arrays, which the engine trusts to be large
enough. Functions returning text return bytes (last_error() gives str).
The library is found as paintcore._library.load() describes.
"""
from . import _library
from ._exports import EXPORTS, PACKAGE_VERSION

lib = _library.load()


def _bind():
    missing = [name for name in EXPORTS if not hasattr(lib, name)]
    if missing:
        raise ImportError(f"{lib._name} lacks {', '.join(missing[:5])}{' ...' if len(missing) > 5 else ''}: "
                          "the package is newer than the library it found")
    for name, (restype, argtypes, _names) in EXPORTS.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
        globals()[name] = function


_bind()
__version__ = PTE_GetVersion().decode()  # noqa: F821 (bound above)
if __version__.split(".")[0] != PACKAGE_VERSION.split(".")[0]:
    raise ImportError(f"{lib._name} is paintcore {__version__}; this package is for {PACKAGE_VERSION}")

from .image import Image, View, get_layer_rgba8, last_error, load_layer_rgba8, render  # noqa: E402

__all__ = ["Image", "View", "get_layer_rgba8", "load_layer_rgba8", "render", "last_error", "lib"] + list(EXPORTS)
