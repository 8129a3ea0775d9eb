#!/usr/bin/env python3
"""One brush stroke as a host paints it: brush set-up, a paint layer for
the stroke, dabs along a line, the merge into the layer, an undo step, and
the stroke undone again.

usage: paint_stroke.py [OUT_FOLDER]
"""
import os
import sys
import tempfile

import numpy as np

import paintcore as pc

out = sys.argv[1] if len(sys.argv) > 1 else tempfile.mkdtemp()
W, H = 200, 120

with pc.Image(W, H, tip_size=64):
    for index in (1, 2):
        assert pc.PTE_CreateLayer(index, W, H) == 1, pc.last_error()
        pc.PTE_SetLayerOptions(index, 1, 0, 100, "Normal")
    pc.PTE_SetLayer(1)
    pc.PTE_Clear(240, 236, 226, 255)  # paper
    pc.PTE_SetLayer(2)                # strokes go on layer 2
    pc.PTE_SetUndoLevels(20)          # the history: 20 steps ...
    pc.PTE_SetUndoMB(32)              # ... within 32 MB

    # The brush: size in tip pixels, opacity in percent, and the tool (a
    # soft round tip: strength 1.0, softness 180 of 255, no grit).
    pc.PTE_SetRandomSeed(7)
    pc.PTE_SetSize(24)
    pc.PTE_SetAlpha(100)
    pc.PTE_SetTool(1.0, 0, 0, 0, 180, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0)

    # The stroke goes into a paint layer merged as a whole at 100 % Normal.
    pc.PTE_CreatePaintLayer(100, "Normal")
    before = pc.get_layer_rgba8(2)
    for x in range(30, 171, 4):
        pc.PTE_DrawDabGrit(x, 60, 0xC800, 0x3000, 0x2000)  # 16-bit colour: bytes * 256
    assert (pc.get_layer_rgba8(2) == before).all(), "dabs stay in the paint layer until the merge"
    pc.PTE_MergePaintLayer(2)
    pc.PTE_SaveUndoBuffer(1, 0)  # the before-image of what the stroke changed

    painted = pc.get_layer_rgba8(2)
    centre = painted[60, 100]
    assert centre[3] > 200 and centre[0] > 150 and centre[2] < 80, centre
    assert painted[10, 100, 3] == 0 and painted[60, 5, 3] == 0, "nothing far from the line"
    assert pc.PTE_CanUndo() == 1

    view = pc.render((0, 0, W, H))
    pc.PTE_WriteToFileRGB24(np.ascontiguousarray(view), W, H, os.path.join(out, "stroke.png"), ".png", 96)

    pc.PTE_Undo()
    assert (pc.get_layer_rgba8(2) == before).all(), "undo takes the stroke back"
    assert pc.last_error() == "", pc.last_error()
print("stroke painted, shown and undone; display in", os.path.join(out, "stroke.png"))
