#!/usr/bin/env python3
"""Two layers over the background, a blend mode, the display at two zooms
and the page saved as a picture file.

usage: layers_and_view.py [OUT_FOLDER]
"""
import os
import sys
import tempfile

import numpy as np

import paintcore as pc

out = sys.argv[1] if len(sys.argv) > 1 else tempfile.mkdtemp()
W, H = 160, 100

with pc.Image(W, H):
    # Slot 1 is the background (opaque white when created); 2 and up stack above it.
    for index, mode, percent in ((1, "Normal", 100), (2, "Normal", 100), (3, "Multiply", 100)):
        assert pc.PTE_CreateLayer(index, W, H) == 1, pc.last_error()
        pc.PTE_SetLayerOptions(index, 1, 0, percent, mode)

    # A horizontal grey ramp on layer 2, an opaque yellow square on layer 3.
    ramp = np.zeros((H, W, 4), np.uint8)
    ramp[:, :, :3] = np.linspace(0, 255, W, dtype=np.uint8)[None, :, None]
    ramp[:, :, 3] = 255
    pc.load_layer_rgba8(2, ramp)
    square = np.full((40, 40, 4), (255, 255, 0, 255), np.uint8)
    pc.load_layer_rgba8(3, square, x=60, y=30)
    pc.PTE_SetLayer(3)  # the renderer needs a current layer

    # Multiply keeps the ramp's red and green under yellow and clears blue.
    view = pc.render((0, 0, W, H))
    assert view.shape == (H, W, 3), view.shape
    under = view[50, 60:100]
    assert (abs(under[:, 0].astype(int) - ramp[50, 60:100, 0]) <= 1).all(), under[:4]
    assert (under[:, 2] == 0).all(), under[:4]
    assert (view[10, :, 0] == view[10, :, 2]).all(), "outside the square: the grey ramp"

    # Enlarged three times: each image pixel is a 3 x 3 block of the same colour.
    zoomed = pc.render(pc.View(60, 30, 20, 20, zoom_in=3))
    assert zoomed.shape == (60, 60, 3)
    assert (zoomed[::3, ::3] == view[30:50, 60:80]).all()
    assert (zoomed[1::3, 2::3] == view[30:50, 60:80]).all()

    # The page (the visible layers merged) written by the engine as a PNG.
    path = os.path.join(out, "page.png")
    pc.PTE_SavePageToFileRGB24(path, ".png", 96)
    assert os.path.exists(path), pc.last_error()
print("page written to", path)
