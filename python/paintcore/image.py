"""The one image the engine holds, and pictures in and out of it as numpy
arrays (rows, columns, channels; uint8)."""
from typing import NamedTuple

from . import (PTE_CreateImage, PTE_DeleteImage, PTE_DeleteNewRGBA, PTE_GetLastError, PTE_GetRGBA32Layer,
               PTE_LoadRGBA32Layer, PTE_Render, PTE_SetScale, PTE_SetViewSize)

# The engine's limits: image sides (larger ones it quietly makes 100) and layer slots.
MAX_SIDE = 10000
LAYER_SLOTS = 64

_open = None  # the Image inside its with block, if any


def _numpy():
    try:
        import numpy
    except ImportError as e:
        raise ImportError("the picture helpers need numpy (Debian: python3-numpy)") from e
    return numpy


def last_error():
    """The engine's last error text ("" when none was recorded)."""
    return PTE_GetLastError().decode("utf-8", "replace")


class Image:
    """The engine's image, created on entering the with block and deleted,
    with every layer and buffer, on leaving it. The engine holds one image
    at a time, so with blocks do not nest."""

    def __init__(self, width, height, tip_size=128):
        if not (0 < width <= MAX_SIDE and 0 < height <= MAX_SIDE):
            raise ValueError(f"image sides are 1..{MAX_SIDE}: {width} x {height}")
        self.width, self.height, self.tip_size = int(width), int(height), int(tip_size)

    def __enter__(self):
        global _open
        if _open is not None:
            raise RuntimeError("the engine already holds an image: leave its with block first")
        PTE_CreateImage(None, self.width, self.height, self.tip_size, 0)
        _open = self
        return self

    def __exit__(self, *exc):
        global _open
        PTE_DeleteNewRGBA()
        PTE_DeleteImage()
        _open = None
        return False


def _image():
    if _open is None:
        raise RuntimeError("no image: use the helpers inside `with paintcore.Image(width, height):`")
    return _open


def _check_layer(index):
    if not 0 <= index < LAYER_SLOTS:
        raise IndexError(f"layer slots are 0..{LAYER_SLOTS - 1}: {index}")


def get_layer_rgba8(index):
    """Layer `index` as an image-sized array of shape (height, width, 4):
    red, green, blue, alpha, the high byte of each 16-bit value. A layer
    without pixels, or not of the image's size, is a ValueError."""
    np = _numpy()
    image = _image()
    _check_layer(index)
    out = np.empty((image.height, image.width, 4), np.uint8)
    if PTE_GetRGBA32Layer(out, image.width * 4, index) != image.height:
        raise ValueError(f"layer {index} has no pixels of the image's size")
    return out


def load_layer_rgba8(index, array, x=0, y=0, use_mask=False):
    """Loads an RGBA array of shape (rows, columns, 4) into layer `index`
    with its top-left corner at (x, y), each byte v becoming v * 256; with
    use_mask, through the selection mask. The rectangle must lie inside
    the image."""
    np = _numpy()
    image = _image()
    _check_layer(index)
    pixels = np.ascontiguousarray(array, dtype=np.uint8)
    if pixels.ndim != 3 or pixels.shape[2] != 4:
        raise ValueError(f"an RGBA array has shape (rows, columns, 4), not {pixels.shape}")
    rows, columns = pixels.shape[:2]
    if x < 0 or y < 0 or x + columns > image.width or y + rows > image.height:
        raise ValueError(f"{columns} x {rows} at ({x}, {y}) does not lie inside the {image.width} x {image.height} image")
    PTE_LoadRGBA32Layer(pixels, columns * 4, index, x, y, columns, rows, 1 if use_mask else 0)


class View(NamedTuple):
    """A view of the image: the rectangle (x, y, width, height) in image
    pixels, shown enlarged by `zoom_in` or reduced by `zoom_out` (at most
    one of them above 1)."""
    x: int
    y: int
    width: int
    height: int
    zoom_in: int = 1
    zoom_out: int = 1


def _display_size(image, view):
    """Display pixels of a view as the compositor sizes them: the rectangle
    clipped to the image, then enlarged or reduced by whole pixels."""
    x, y = max(view.x, 0), max(view.y, 0)
    width, height = min(view.width, image.width - x), min(view.height, image.height - y)
    if view.zoom_in > 1:
        return x, y, width, height, width * view.zoom_in, height * view.zoom_in
    return x, y, width, height, width // view.zoom_out, height // view.zoom_out


def render(view):
    """What the host's display shows of `view` (a View or (x, y, width,
    height)): the visible layers composited with the stroke in progress,
    over the transparency checkerboard, as an array of shape (rows,
    columns, 3) in red, green, blue. Sets the engine's zoom and view size
    to the view's. Without a current layer the engine draws nothing: black."""
    np = _numpy()
    image = _image()
    view = View(*view)
    if view.zoom_in < 1 or view.zoom_out < 1 or (view.zoom_in > 1 and view.zoom_out > 1):
        raise ValueError(f"zoom in or out by a whole factor, not both: {view}")
    x, y, width, height, columns, rows = _display_size(image, view)
    if rows <= 0 or columns <= 0:
        return np.zeros((0, 0, 3), np.uint8)
    bgr = np.zeros((rows, columns, 3), np.uint8)
    PTE_SetScale(view.zoom_in, view.zoom_out)
    PTE_SetViewSize(columns, rows)
    PTE_Render(bgr, columns * 3, x, y, width, height)
    return bgr[:, :, ::-1].copy()
