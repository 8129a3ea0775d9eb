#!/usr/bin/env python3
"""Drives the shared library from Python through ctypes, as a host would."""
import ctypes
import sys

lib = ctypes.CDLL(sys.argv[1])
lib.PTE_GetLastError.restype = ctypes.c_char_p
lib.PTE_GetDirInfo.restype = ctypes.c_char_p

lib.PTE_CreateImage(None, 64, 48, 32, 0)
assert lib.PTE_CreateLayer(1, 64, 48) == 1
assert lib.PTE_CreateLayer(2, 64, 48) == 1
lib.PTE_SetLayerOptions(2, 1, 0, 50, b"Multiply")
lib.PTE_SetLayer(2)
assert lib.PTE_GetLayerNum() == 2
assert lib.PTE_GetLayerCount() == 2
assert lib.PTE_CreateLayer(64, 8, 8) == 0

# A row of 600 equal mask values packs into three runs of two bytes.
values = (ctypes.c_uint16 * 600)(*([0x8000] * 600))
out = (ctypes.c_uint8 * 1200)()
assert lib.PTE_RLECompressG16ToG8(values, out, 600) == 6
assert list(out[:6]) == [255, 0x80, 255, 0x80, 90, 0x80]

lib.PTE_SetLastError(b"hello from python")
assert lib.PTE_GetLastError() == b"hello from python"
assert lib.PTE_GetTotalPhyMemory() > 0
lib.PTE_DeleteImage()
assert lib.PTE_GetLayerCount() == 0
print("ctypes host ok")
