#!/usr/bin/env python3
"""A Lua filter over the current layer: the script reads the source
picture and writes the destination, which the engine loads into the layer
when the script ends without error.

usage: lua_filter.py [OUT_FOLDER]
"""
import os
import sys
import tempfile

import numpy as np

import paintcore as pc

out = sys.argv[1] if len(sys.argv) > 1 else tempfile.mkdtemp()
W, H = 48, 32
SCRIPT = """
-- Inverts red, green and blue by sliderVal1 (0..1), keeping alpha.
for y = bound_y0, bound_y1 do
  for x = bound_x0, bound_x1 do
    local r, g, b = get_rgb(x, y)
    local k = sliderVal1
    set_rgb(x, y, r + k * (1 - 2 * r), g + k * (1 - 2 * g), b + k * (1 - 2 * b))
  end
end
"""

rng = np.random.default_rng(3)
picture = rng.integers(0, 256, (H, W, 4), dtype=np.uint8)
picture[:, :, 3] |= 1  # a pixel loaded with alpha 0 keeps no colour
path = os.path.join(out, "invert.lua")
with open(path, "w") as f:
    f.write(SCRIPT)

with pc.Image(W, H):
    assert pc.PTE_CreateLayer(1, W, H) == 1
    pc.PTE_SetLayer(1)
    pc.load_layer_rgba8(1, picture)
    # The working buffers: the source holds the current layer.
    pc.PTE_IPLAllocSrcBuffer32()
    pc.PTE_IPLAllocDstBuffer32()
    pc.PTE_LuaFilterRun(path, 1000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)  # slider 1000: sliderVal1 = 1.0
    assert pc.last_error() == "", pc.last_error()
    inverted = pc.get_layer_rgba8(1)
    pc.PTE_IPLFreeSrcBuffer32()
    pc.PTE_IPLFreeDstBuffer32()

# The script's arithmetic in doubles, each channel stored as trunc(v * 255).
r = picture[:, :, :3] / 255.0
expected = np.clip(np.trunc((r + 1.0 * (1 - 2 * r)) * 255), 0, 255)
assert (inverted[:, :, :3] == expected).all()
assert (inverted[:, :, 3] == picture[:, :, 3]).all()
print("inverted", W, "x", H, "pixels")
