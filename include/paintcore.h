/*
 * paintcore: the painting engine's flat C interface.
 *
 * One image at a time: 64 layer slots of 16-bit RGBA pixels (slot 0 the
 * tracing layer, slot 1 the background), a 16-bit selection mask, the brush,
 * an undo history and a view. Every function runs to completion on the
 * caller's thread; call the engine from one thread at a time. Failures never
 * cross this interface: a function that can fail records a short text
 * ("CreateLayer Excpt") readable with PTE_GetLastError and returns a neutral
 * result.
 *
 * Pixel buffers: RGBA64 = four uint16 (red, green, blue, alpha, straight);
 * RGBA32 = four bytes in the same order; RGB24 = three bytes; G16/G8 = one
 * value. An 8-bit v is v * 256 in 16 bits; 16 bits become 8 by the high byte.
 */
#ifndef PAINTCORE_H
#define PAINTCORE_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define PTE_CALL __stdcall
#else
#define PTE_CALL
#endif

#if defined(_WIN32)
#if defined(PAINTCORE_BUILDING)
#define PTE_API __declspec(dllexport)
#elif defined(PAINTCORE_STATIC) /* linked with the engine's objects, not the DLL */
#define PTE_API
#else
#define PTE_API __declspec(dllimport)
#endif
#else
#define PTE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Image lifecycle, view, last error and memory helpers ---- */

/* Creates the image: sides outside 0..10000 become 100; allocates every image- and tip-sized buffer. */
PTE_API void PTE_CALL PTE_CreateImage(void* hostWindow, int32_t width, int32_t height, int32_t tipSize, int32_t createParam);
/* Re-allocates the image- and tip-sized buffers for another size; the layers are left as they are. */
PTE_API void PTE_CALL PTE_NewSize(void* hostWindow, int32_t width, int32_t height, int32_t tipSize, int32_t createParam);
/* Releases every buffer of the image and every layer. */
PTE_API void PTE_CALL PTE_DeleteImage(void);
/* Display zoom: equal values 1:1, a larger numerator enlarges by it, a larger denominator reduces by it. */
PTE_API void PTE_CALL PTE_SetScale(int32_t numerator, int32_t denominator);
/* Stores the host's view offset (kept for the host, read by nothing). */
PTE_API void PTE_CALL PTE_SetOffset(int32_t x, int32_t y);
/* Size of the host's view in display pixels; bounds what PTE_Render fills. */
PTE_API void PTE_CALL PTE_SetViewSize(int32_t width, int32_t height);
/* Stores at most 511 characters of text as the last error (null is the empty text). */
PTE_API void PTE_CALL PTE_SetLastError(const char* text);
/* The last error text; never cleared by the engine. */
PTE_API const char* PTE_CALL PTE_GetLastError(void);
/* A block from the engine's heap for buffers shared with the engine; null when it cannot be had. */
PTE_API void* PTE_CALL PTE_Alloc(int32_t size);
/* Returns a block from PTE_Alloc; null is ignored. */
PTE_API void PTE_CALL PTE_Free(void* block);
/* Copies length bytes forward; nothing when a pointer is null. The ranges must not overlap. */
PTE_API void PTE_CALL PTE_Memcpy(void* destination, const void* source, int32_t length);
/* Returns its argument unchanged. */
PTE_API void* PTE_CALL BankAdrs(void* pointer);
/* The library's version as "MAJOR.MINOR.PATCH"; static text, never null. The major number is the one in the
 * shared library's name (libpaintcore.so.MAJOR): it changes only when the interface does. */
PTE_API const char* PTE_CALL PTE_GetVersion(void);

/* ---- Layers and layer alpha ---- */

/* Creates layer index (0..63) of width x height: slot 1 opaque white, others transparent; 1 on success, else 0. */
PTE_API int32_t PTE_CALL PTE_CreateLayer(int32_t index, int32_t width, int32_t height);
/* Frees the pixels of layer index; its options stay. */
PTE_API void PTE_CALL PTE_DeleteLayer(int32_t index);
/* Makes layer index current (if it has pixels) and copies it into the undo back buffer. */
PTE_API void PTE_CALL PTE_SetLayer(int32_t index);
/* The index of the current layer. */
PTE_API int32_t PTE_CALL PTE_GetLayerNum(void);
/* Sets visibility, keep-alpha, opacity in percent and the blend mode by name ("Normal", "Multiply", ...). */
PTE_API void PTE_CALL PTE_SetLayerOptions(int32_t index, uint8_t visible, uint8_t keepAlpha, int32_t opacityPercent, const char* modeName);
/* Exchanges two whole slots; the current index then names the other layer. */
PTE_API void PTE_CALL PTE_SwapLayers(int32_t a, int32_t b);
/* Number of slots 0..63 that have pixels, the tracing layer included. */
PTE_API int32_t PTE_CALL PTE_GetLayerCount(void);
/* Frees the paint layer's pixels. */
PTE_API void PTE_CALL PTE_DeletePaintLayer(void);
/* alpha = 65535 - alpha over layer index. */
PTE_API void PTE_CALL PTE_InvertAlpha(int32_t index);
/* alpha = value over layer index. */
PTE_API void PTE_CALL PTE_SetLayerAlpha(int32_t index, uint16_t value);
/* Folds the layer's opacity into its alpha and sets its opacity to 256. */
PTE_API void PTE_CALL PTE_NormalizeLayerAlpha(int32_t index);
/* Where the current layer's alpha is below 256: colour = given bytes * 257, alpha 0. */
PTE_API void PTE_CALL PTE_SetColorAlpha(int32_t red, int32_t green, int32_t blue);
/* Softens the paint layer's alpha edges; alpha of 240 * 256 or more becomes opaque. */
PTE_API void PTE_CALL PTE_BlurPaintLayerAlpha(void);
/* alpha byte = 255 - alpha byte over an image-sized packed RGBA32 buffer. */
PTE_API void PTE_CALL PTE_InvertAlpha_RGBA32(uint8_t* buffer);
/* Where the alpha byte is 0, sets the colour bytes of a packed RGBA32 buffer of width x height. */
PTE_API void PTE_CALL PTE_SetColorAlphaRGBABuf(uint8_t* buffer, int32_t width, int32_t height, int32_t red, int32_t green, int32_t blue);
/* Where the colour bytes equal red, green, blue exactly, alpha byte = 0 (image-sized packed RGBA32). */
PTE_API void PTE_CALL PTE_SetAlphaFromRGBAImageColor(uint8_t* buffer, int32_t red, int32_t green, int32_t blue);

/* ---- Pixel transfer, conversions, clears and run-length lines ---- */

/* Loads a source rectangle into layer index at (x, y), clipped to the layer; useMask weighs it by mask and texture. */
PTE_API void PTE_CALL PTE_LoadRGBA32Layer(const uint8_t* src, int32_t stride, int32_t index, int32_t x, int32_t y, int32_t width, int32_t height, uint8_t useMask);
/* Loads the current layer from (0, 0) over its own size. */
PTE_API void PTE_CALL PTE_LoadRGBA32(const uint8_t* src, int32_t stride, uint8_t useMask);
/* PTE_LoadRGBA32Layer with the mask and texture in force. */
PTE_API void PTE_CALL PTE_LoadRGBA32Into(const uint8_t* src, int32_t stride, int32_t index, int32_t x, int32_t y, int32_t width, int32_t height);
/* Earlier load: no transparent-pixel rule; partial coverage blends every channel. */
PTE_API void PTE_CALL PTE_LoadRGBA32Layer_GOOD(const uint8_t* src, int32_t stride, int32_t index, int32_t width, int32_t height, uint8_t useMask);
/* Earlier load: as _GOOD, but a transparent layer pixel takes the source colour. */
PTE_API void PTE_CALL PTE_LoadRGBA32Layer_GOOD2(const uint8_t* src, int32_t stride, int32_t index, int32_t width, int32_t height, uint8_t useMask);
/* Inflates a stream made by PTE_GetRGBA32LayerCompressed into layer index (a stream that does not inflate whole changes nothing). */
PTE_API void PTE_CALL PTE_LoadRGBA32LayerCompressed(const uint8_t* data, int32_t ignored, int32_t length, int32_t index);
/* Loads blue-green-red rows into the current layer, opaque. */
PTE_API void PTE_CALL PTE_Load(const uint8_t* src, int32_t stride, int32_t width, int32_t height);
/* Loads the colour of the current layer from RGB24; alpha untouched. */
PTE_API void PTE_CALL PTE_LoadRGB24(const uint8_t* src, int32_t stride, uint8_t useMask);
/* Loads the current layer's alpha from byte 0 of each RGB24 pixel where alpha is not 0. */
PTE_API void PTE_CALL PTE_LoadRGB24ToAlpha(const uint8_t* src, int32_t stride, uint8_t useMask);
/* Copies an image-sized RGBA64 buffer into layer index. */
PTE_API void PTE_CALL PTE_SetRGBA64Layer(const uint16_t* src, int32_t stride, int32_t index);
/* Raw copy of imageWidth * imageHeight * 8 bytes into layer index. */
PTE_API void PTE_CALL PTE_SetLayerData(const void* src, int32_t index);
/* Raw copy of one layer's pixels into another's. */
PTE_API void PTE_CALL PTE_CopyLayerData(int32_t fromIndex, int32_t toIndex);
/* Copies a rectangle of layer index unchanged into an RGBA64 buffer. */
PTE_API void PTE_CALL PTE_GetRGBA64LayerRect(uint16_t* dst, int32_t stride, int32_t index, int32_t x, int32_t y, int32_t width, int32_t height);
/* Copies the whole of layer index into an RGBA64 buffer. */
PTE_API void PTE_CALL PTE_GetRGBA64Layer(uint16_t* dst, int32_t stride, int32_t index);
/* Raw copy of layer index's imageWidth * imageHeight * 8 bytes. */
PTE_API void PTE_CALL PTE_GetLayerData(void* dst, int32_t index);
/* Layer index as RGBA32; returns imageHeight, or 0 when the layer has no pixels. */
PTE_API int32_t PTE_CALL PTE_GetRGBA32Layer(uint8_t* dst, int32_t stride, int32_t index);
/* The current layer as RGBA32; returns imageHeight or 0. */
PTE_API int32_t PTE_CALL PTE_GetRGBA32(uint8_t* dst, int32_t stride);
/* The current layer's colour as RGB24. */
PTE_API void PTE_CALL PTE_GetRGB24(uint8_t* dst, int32_t stride);
/* The current layer's alpha as grey RGB24. */
PTE_API void PTE_CALL PTE_GetRGB24FromAlpha(uint8_t* dst, int32_t stride);
/* Layer index as a deflated RGBA32 stream; returns its length, 0 on failure. */
PTE_API int32_t PTE_CALL PTE_GetRGBA32LayerCompressed(uint8_t* dst, int32_t ignored, int32_t capacity, int32_t index, int32_t last);
/* The rectangle at (x, y) of an RGBA64 buffer of rowPixels a row, as packed RGBA32. */
PTE_API void PTE_CALL PTE_RGBA64RectToRGBA32(const uint16_t* src, int32_t x, int32_t y, int32_t width, int32_t height, int32_t rowPixels, int32_t ignored, uint8_t* dst);
/* The same as packed RGB24. */
PTE_API void PTE_CALL PTE_RGBA64RectToRGBA24(const uint16_t* src, int32_t x, int32_t y, int32_t width, int32_t height, int32_t rowPixels, int32_t ignored, uint8_t* dst);
/* width x height RGBA64 pixels from the source's first pixel to RGBA32 (x, y only bound the loops). */
PTE_API void PTE_CALL PTE_GetRGBA32FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t x, int32_t y, int32_t width, int32_t height);
/* The same to RGB24. */
PTE_API void PTE_CALL PTE_GetRGB24FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t x, int32_t y, int32_t width, int32_t height);
/* width x height RGBA64 pixels to RGBA32. */
PTE_API void PTE_CALL PTE_GetRGBA32FromRGBA64(uint8_t* dst, int32_t dstStride, int32_t width, int32_t height, const uint16_t* src, int32_t srcStride);
/* An image-sized RGBA64 buffer to RGB24. */
PTE_API void PTE_CALL PTE_GetRGB24FromRGBA64(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride);
/* Row `row` of layer index as RGBA32 runs; returns the bytes written, 0 when the layer has no pixels. */
PTE_API int32_t PTE_CALL PTE_GetRGBA32LayerLineRLE(uint8_t* dst, int32_t index, int32_t row);
/* Decodes RGBA32 runs into row `row` of layer index. */
PTE_API void PTE_CALL PTE_PutRGBA32LayerLineRLE(const uint8_t* src, int32_t index, int32_t row);
/* Row `row` of the mask as G8 runs; returns the bytes written, 0 when there is no mask. */
PTE_API int32_t PTE_CALL PTE_GetMaskLineRLE(uint8_t* dst, int32_t row);
/* Decodes G8 runs into row `row` of the mask. */
PTE_API void PTE_CALL PTE_PutMaskLineRLE(const uint8_t* src, int32_t row);
/* Fills the current layer with the four bytes * 256. */
PTE_API void PTE_CALL PTE_Clear(int32_t red, int32_t green, int32_t blue, int32_t alpha);
/* Fills the current layer where the mask allows; partly selected pixels are mixed and made opaque. */
PTE_API void PTE_CALL PTE_ClearMasked(int32_t red, int32_t green, int32_t blue, int32_t alpha);
/* Fills the current layer through the mask as a masked load of a solid picture. */
PTE_API void PTE_CALL PTE_ClearMaskedAlpha(int32_t red, int32_t green, int32_t blue, int32_t alpha);
/* Fills an image-sized RGBA64 buffer. */
PTE_API void PTE_CALL PTE_ClearRGBA64(uint16_t* buffer, int32_t stride, uint16_t red, uint16_t green, uint16_t blue, uint16_t alpha);
/* Fills an image-sized RGBA32 buffer. */
PTE_API void PTE_CALL PTE_ClearRGBA32(uint8_t* buffer, int32_t stride, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);
/* Fills a packed RGBA32 buffer of width x height. */
PTE_API void PTE_CALL PTE_ClearRGBA32Buf(uint8_t* buffer, int32_t width, int32_t height, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);
/* Weighs the alpha of a packed RGBA32 buffer lying at (x, y) by the mask and texture. */
PTE_API void PTE_CALL PTE_AdjustRGBA32RectByMaskAndTexture(uint8_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height);
/* The same at (0, 0). */
PTE_API void PTE_CALL PTE_AdjustRGBA32ByMaskAndTexture(uint8_t* buffer, int32_t width, int32_t height);
/* Premultiplies colour by alpha for 0 < alpha < 255. */
PTE_API void PTE_CALL PTE_AdjustRGBA32PreFilter(uint8_t* buffer, int32_t width, int32_t height);
/* Divides alpha out again for 0 < alpha < 255. */
PTE_API void PTE_CALL PTE_AdjustRGBA32PostFilter(uint8_t* buffer, int32_t width, int32_t height);
/* With a nonzero flag, divides alpha out of an image-sized buffer for every alpha above 0. */
PTE_API void PTE_CALL PTE_AdjustRGBA32ForAlphaComp(int32_t flag, uint8_t* buffer);
/* Premultiplies 16-bit colour by alpha for alpha above 0. */
PTE_API void PTE_CALL PTE_AdjustRGBA64PreFilter(uint16_t* buffer, int32_t width, int32_t height);
/* Divides 16-bit alpha out again for alpha above 0. */
PTE_API void PTE_CALL PTE_AdjustRGBA64PostFilter(uint16_t* buffer, int32_t width, int32_t height);

/* ---- Paint layer ---- */

/* Creates the stroke's paint layer on first use (an existing one keeps its pixels) and sets its opacity and mode. */
PTE_API void PTE_CALL PTE_CreatePaintLayer(int32_t opacityPercent, const char* modeName);
/* Clears the paint layer to transparent and empties its changed area. */
PTE_API void PTE_CALL PTE_ClearPaintLayer(void);
/* Earlier clear: opaque white outside the changed area, transparent inside it. */
PTE_API void PTE_CALL PTE_ClearPaintLayer_old(void);

/* ---- Display options ---- */

/* Mask overlay colours (bytes) and style: 0 shows the overlay at half strength. */
PTE_API void PTE_CALL PTE_SetMaskOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t style);
/* Whether the renderer draws the mask. */
PTE_API void PTE_CALL PTE_DisplayMask(uint8_t shown);
/* Whether the mask limits painting, masked loads and fills. */
PTE_API void PTE_CALL PTE_EnableMask(uint8_t active);
/* Tracing mode: the renderer mixes in the tracing layer; sampling reads it. */
PTE_API void PTE_CALL PTE_SetTracingMode(uint8_t on);

/* ---- Brush texture ---- */

/* Makes the brush texture from the grey level of layer index. */
PTE_API void PTE_CALL PTE_CreateTexture(int32_t index);
/* Drops the brush texture. */
PTE_API void PTE_CALL PTE_DeleteTexture(void);

/* ---- Undo ---- */

/* Records one step of the current layer and/or the mask over the dirty rectangle (the whole image when it is empty). */
PTE_API void PTE_CALL PTE_SaveUndoBuffer(uint8_t savePixels, uint8_t saveMask);
/* Copies the whole layer and mask into the undo back buffers (unless paused). */
PTE_API void PTE_CALL PTE_SaveUndoBackBuffer(int32_t layer);
/* Steps back once, making the step's layer current; nothing when paused or nothing can be undone. */
PTE_API void PTE_CALL PTE_Undo(void);
/* Steps forward once again; nothing when paused or nothing can be redone. */
PTE_API void PTE_CALL PTE_Redo(void);
/* Empties the history and refreshes the back buffers from the current layer and the mask. */
PTE_API void PTE_CALL PTE_ClearUndo(void);
/* Releases the oldest steps until megabytes have been freed. */
PTE_API void PTE_CALL PTE_ReduceUndo(int32_t megabytes);
/* Empties the history and keeps at most levels steps (0..500). */
PTE_API void PTE_CALL PTE_SetUndoLevels(int32_t levels);
/* Memory budget of the history in megabytes; 0 sizes it from the memory available. */
PTE_API void PTE_CALL PTE_SetUndoMB(int32_t megabytes);
/* Saves, back-buffer refreshes, undo and redo do nothing until PTE_ResumeUndo. */
PTE_API void PTE_CALL PTE_PauseUndo(void);
/* Ends a pause; the next save covers everything painted meanwhile. */
PTE_API void PTE_CALL PTE_ResumeUndo(void);
/* 1 when a step can be undone, else 0. */
PTE_API int32_t PTE_CALL PTE_CanUndo(void);
/* 1 when a step can be redone, else 0. */
PTE_API int32_t PTE_CALL PTE_CanRedo(void);
/* Number of steps that can be redone. */
PTE_API int32_t PTE_CALL PTE_GetRedoCount(void);
/* Number of steps held, redoable ones included. */
PTE_API int32_t PTE_CALL PTE_GetUndoCount(void);
/* The budget in megabytes (recomputed first when automatic). */
PTE_API int32_t PTE_CALL PTE_GetTotalUndoMemory(void);
/* Memory the history holds, back buffers included, in megabytes. */
PTE_API int32_t PTE_CALL PTE_GetCurrentUndoMemory(void);

/* ---- Run-length codecs ---- */

/* RGBA64 -> 5-byte runs of high bytes; returns bytes written (0 for a null pointer). dst holds 5 * count. */
PTE_API int32_t PTE_CALL PTE_RLECompressRGBA64ToRGBA32(const uint16_t* src, uint8_t* dst, int32_t count);
/* 5-byte runs -> count RGBA64 pixels (byte * 256); returns the position past the last pixel written. */
PTE_API uint16_t* PTE_CALL PTE_RLEUncompressRGBA32ToRGBA64(const uint8_t* src, uint16_t* dst, int32_t count);
/* G16 -> 2-byte runs of high bytes; returns bytes written (0 for a null pointer). dst holds 2 * count. */
PTE_API int32_t PTE_CALL PTE_RLECompressG16ToG8(const uint16_t* src, uint8_t* dst, int32_t count);
/* 2-byte runs -> count G16 values (byte * 256). */
PTE_API void PTE_CALL PTE_RLEUncompressG8ToG16(const uint8_t* src, uint16_t* dst, int32_t count);

/* ---- Host services ---- */

/* Total physical memory in megabytes. */
PTE_API int32_t PTE_CALL PTE_GetTotalPhyMemory(void);
/* Available physical memory in megabytes. */
PTE_API int32_t PTE_CALL PTE_GetAvailPhyMemory(void);
/* Commit limit in megabytes. */
PTE_API int32_t PTE_CALL PTE_GetTotalPgMemory(void);
/* Commit capacity still available in megabytes. */
PTE_API int32_t PTE_CALL PTE_GetAvailPgMemory(void);
/* User address space of the process in megabytes. */
PTE_API int32_t PTE_CALL PTE_GetTotalVirMemory(void);
/* Unused user address space of the process in megabytes. */
PTE_API int32_t PTE_CALL PTE_GetAvailVirMemory(void);
/* Button-face colour as 0x00BBGGRR. */
PTE_API uint32_t PTE_CALL PTE_GetWindowBackgroundColor(void);
/* Button-text colour as 0x00BBGGRR. */
PTE_API uint32_t PTE_CALL PTE_GetWindowTextColor(void);
/* Renames a file; 1 on success, 0 when the target exists or the source is missing. */
PTE_API int32_t PTE_CALL PTE_RenameFile(const char* oldPath, const char* newPath);
/* 1 once after a display change was seen, else 0. */
PTE_API int32_t PTE_CALL PTE_IsDisplayChanged(void);
/* The system folder (at most 260 characters), valid until the next call. */
PTE_API const char* PTE_CALL PTE_GetDirInfo(void);
/* Accepted and ignored. */
PTE_API void PTE_CALL PTE_SetGridSpacing(int32_t spacing);
/* Accepted and ignored (another name of PTE_SetGridSpacing). */
PTE_API void PTE_CALL PTE_SetGrid(int32_t spacing);

/* ---- Selection mask ----
 * The mask is G16 over the image, 65535 selected, 0 protected. Caller images are image-sized and packed
 * (RGBA32, RGB24, or flood maps of one byte a pixel where 1 means inside). "level" marks with
 * ((255 - level) mod 256) * 256; "tolerance" is in percent: trunc(percent * 2.56) a channel, trunc(percent * 1.8) degrees of hue.
 */

/* Every mask value m becomes 65535 - m. */
PTE_API void PTE_CALL PTE_InvertMask(void);
/* Fills the mask from the grey (red + green + blue) / 3 of 16-bit components: dark selected, light protected. */
PTE_API void PTE_CALL PTE_ClearMask(int32_t red, int32_t green, int32_t blue);
/* Writes the mask as a grey RGB24 image of the image's size, 255 - (m >> 8): selected black, protected white. */
PTE_API void PTE_CALL PTE_SaveMask(uint8_t* dst, int32_t stride);
/* Reads the mask from a grey RGB24 image (black fully selected), clipped to the image. */
PTE_API void PTE_CALL PTE_LoadMask(const uint8_t* src, int32_t stride, int32_t width, int32_t height);
/* The current layer becomes the mask as an opaque grey picture, min(65535 - m, 65280). */
PTE_API void PTE_CALL PTE_CreateImageFromMask(void);
/* The current layer's alpha becomes the mask. */
PTE_API void PTE_CALL PTE_CreateAlphaFromMask(void);
/* The mask becomes the current layer's alpha. */
PTE_API void PTE_CALL PTE_CreateMaskFromAlpha(void);
/* The mask becomes the current layer's grey: dark selected, light protected. */
PTE_API void PTE_CALL PTE_CreateMaskFromImage(void);
/* Marks with value every pixel where two RGBA32 images differ in any byte. */
PTE_API void PTE_CALL PTE_CreateMaskFromDiff_RGBA32(const uint8_t* a, const uint8_t* b, uint16_t value);
/* Marks the pixels of an RGBA32 image whose colour is exactly (c0, c1, c2). */
PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageColor(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t level);
/* Marks the pixels of an RGB24 image whose colour is exactly (c0, c1, c2). */
PTE_API void PTE_CALL PTE_CreateMaskFromRGB24ImageColor(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t level);
/* Marks the pixels whose flood-map byte is 1. */
PTE_API void PTE_CALL PTE_CreateMaskFromFloodMask(const uint8_t* map, int32_t level);
/* Marks the pixels of an RGBA32 image whose every colour byte lies within the tolerance of (c0, c1, c2). */
PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageColorRange(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t tolerance, int32_t level);
/* Marks the pixels of an RGBA32 image whose alpha lies within the tolerance of alpha. */
PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageAlphaRange(const uint8_t* image, int32_t alpha, int32_t tolerance, int32_t level);
/* Marks the pixels of an RGBA32 image whose mean colour byte lies within the tolerance of (c0 + c1 + c2) / 3. */
PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageLuminanceRange(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t tolerance, int32_t level);
/* Marks the pixels of an RGBA32 image whose hue lies within the tolerance of (c0, c1, c2)'s, across 0/360 degrees. */
PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageHueRange(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t tolerance, int32_t level);
/* Weighs the alpha bytes of an image-sized RGBA32 image by the mask: ((m >> 8) * a) >> 8. */
PTE_API void PTE_CALL PTE_ApplyMaskToAlpha_RGBA32(uint8_t* image);
/* The same on the RGBA32 working source buffer, when it exists and the mask is in force. */
PTE_API void PTE_CALL PTE_ApplyMaskToAlpha_IPLSrcRGBA(void);
/* Every pixel of an image-sized RGBA32 image whose alpha lies within the tolerance of alpha becomes (c0, c1, c2, c3). */
PTE_API void PTE_CALL PTE_ReplaceFromRGBAImageAlphaRange(uint8_t* image, int32_t alpha, int32_t tolerance, int32_t c0, int32_t c1, int32_t c2, int32_t c3);
/* Every pixel of an image-sized RGBA32 image whose flood-map byte is 1 becomes (c0, c1, c2, c3). */
PTE_API void PTE_CALL PTE_ColorRGBA32FromFloodMask(uint8_t* image, const uint8_t* map, int32_t c0, int32_t c1, int32_t c2, int32_t c3);
/* Packed width x height: each RGB24 pixel takes the RGBA32 source's alpha in all three bytes. */
PTE_API void PTE_CALL PTE_RGBAlphaToRGB(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);
/* Packed width x height: each RGBA32 alpha becomes the mean of the RGB24 source pixel; colour stays. */
PTE_API void PTE_CALL PTE_RGBToRGBAlpha(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);
/* Packed width x height: RGB24 colour into RGBA32, alpha unchanged. */
PTE_API void PTE_CALL PTE_RGBToRGBA(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);
/* Packed width x height: RGBA32 colour into RGB24, alpha dropped. */
PTE_API void PTE_CALL PTE_RGBAToRGB(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);
/* ---- Imaging set-up, working buffers and whole-image geometry ---- */

/* Starts the imaging library; call before any other imaging operation. */
PTE_API void PTE_CALL PTE_IPLInit(void);
/* Leaves the imaging library. */
PTE_API void PTE_CALL PTE_IPLExit(void);
/* (Re)allocates the image-sized RGBA32 source buffer and fills it with the current layer. */
PTE_API void PTE_CALL PTE_IPLAllocSrcBuffer32(void);
/* Frees the RGBA32 source buffer; nothing if there is none. */
PTE_API void PTE_CALL PTE_IPLFreeSrcBuffer32(void);
/* (Re)allocates the image-sized RGBA32 destination buffer, contents unset. */
PTE_API void PTE_CALL PTE_IPLAllocDstBuffer32(void);
/* Frees the RGBA32 destination buffer. */
PTE_API void PTE_CALL PTE_IPLFreeDstBuffer32(void);
/* (Re)allocates the image-sized RGB24 source buffer and fills it with the current layer's colour. */
PTE_API void PTE_CALL PTE_IPLAllocSrcBuffer24(void);
/* Frees the RGB24 source buffer. */
PTE_API void PTE_CALL PTE_IPLFreeSrcBuffer24(void);
/* (Re)allocates the image-sized RGB24 destination buffer, contents unset. */
PTE_API void PTE_CALL PTE_IPLAllocDstBuffer24(void);
/* Frees the RGB24 destination buffer. */
PTE_API void PTE_CALL PTE_IPLFreeDstBuffer24(void);
/* Copies an image-sized packed RGBA32 picture into the source buffer; nothing if either is missing. */
PTE_API void PTE_CALL PTE_IPLSetSrcBuffer32(const uint8_t* picture);
/* Refills the RGBA32 source buffer from the current layer; returns it, or null if there is none. */
PTE_API uint8_t* PTE_CALL PTE_IPLUpdateSrcBuffer32(void);
/* Resamples every layer to newWidth x newHeight with a named filter ("Bilinear", "Lanczos3", ...). */
PTE_API void PTE_CALL PTE_IPLResize(int32_t newWidth, int32_t newHeight, const char* filterName);
/* Changes the canvas of every layer, keeping the pixels at an anchor ("TL" .. "BR"). */
PTE_API void PTE_CALL PTE_IPLResizePage(int32_t newWidth, int32_t newHeight, const char* anchor);
/* Cuts every layer to the rectangle from (left, top) up to (right, bottom). */
PTE_API void PTE_CALL PTE_IPLCrop(int32_t left, int32_t top, int32_t right, int32_t bottom);
/* Turns every layer a quarter counter-clockwise (layers become H x W). */
PTE_API void PTE_CALL PTE_IPLRotateLeft(void);
/* Turns every layer a quarter clockwise (layers become H x W). */
PTE_API void PTE_CALL PTE_IPLRotateRight(void);
/* Mirrors every layer left to right; a layer with keepAlpha keeps its alpha. */
PTE_API void PTE_CALL PTE_IPLFlipHorizontal(void);
/* Mirrors every layer top to bottom; a layer with keepAlpha keeps its alpha. */
PTE_API void PTE_CALL PTE_IPLFlipVertical(void);
/* ---- Effects and adjustments ----
 * PTE_IPLImageProcess applies one of 159 named effects to the current layer through the RGBA32 working buffers
 * (both must be allocated): tenths tk = pk * 0.1 of the six settings, options p7 and p8, flags f1..f6 (low bytes),
 * a colour (0..255 each), a seed for the random effects and a script path. Names are exact and case-sensitive;
 * results come back through the selection mask and keep a keepAlpha layer's alpha. Failures: "IPLImageProc Excpt". */
/* Applies the effect; returns 1 for a catalogue name, 0 for any other name or without the working buffers. */
PTE_API int32_t PTE_CALL PTE_IPLImageProcess(int32_t reserved, const char* effectName, int32_t seed, int32_t p1, int32_t p2, int32_t p3, int32_t p4, int32_t p5, int32_t p6, int32_t p7, int32_t p8, uint8_t f1, uint8_t f2, uint8_t f3, uint8_t f4, uint8_t f5, uint8_t f6, int32_t red, int32_t green, int32_t blue, const char* text);
/* The name of catalogue entry index (0..158, in dispatch order), or null outside. */
PTE_API const char* PTE_CALL PTE_GetEffectName(int32_t index);
/* How entry index is carried out ("in place", "filtered", "24-bit", "recipe", ...), or null outside. */
PTE_API const char* PTE_CALL PTE_GetEffectRoute(int32_t index);
/* Sharpens the current layer, steepens its contrast by amount (0..1000) and scales its saturation (0..100, 50 keeps it); 1 when loaded. */
PTE_API int32_t PTE_CALL PTE_IPLPhotoPop(int32_t amount, double saturation, uint8_t flag);
/* Shifts hue (degrees), saturation and lightness (percent) of every pixel of a packed RGBA32 buffer; alpha untouched. */
PTE_API void PTE_CALL PTE_ProcessBuffer_HSLAdjust(uint8_t* buffer, int32_t width, int32_t height, int32_t hue, int32_t saturation, int32_t lightness);
/* The same with hue, saturation and value. */
PTE_API void PTE_CALL PTE_ProcessBuffer_HSVAdjust(uint8_t* buffer, int32_t width, int32_t height, int32_t hue, int32_t saturation, int32_t value);
/* Box-blurs a packed RGB24 buffer over a square of side 2 * (size / 5) + 3, mixed in at weight percent. */
PTE_API void PTE_CALL PTE_BlurMoreBufferRGB24(uint8_t* buffer, int32_t width, int32_t height, int32_t size, int32_t weight);
/* Pans the current layer by (dx, dy) from iplSrc32 as it stands (both RGBA32 working buffers needed): edge mode 1
 * wraps, 2 repeats the edge, others show the background red, green, blue, alpha; 0 lays it over transparent black.
 * Merged in "Normal"; with useMask weighed by the selection mask first. Failures: "IPLPan Excpt". */
PTE_API void PTE_CALL PTE_IPLPan(int32_t dx, int32_t dy, int32_t edgeMode, int32_t red, int32_t green, int32_t blue, int32_t alpha, uint8_t useMask);
/* Displaces iplSrc32 as it stands by the slopes of an effect-script texture tiled over the image (strength about
 * 0..100), the background colour word showing where pixels leave; loaded through the mask.
 * Failures: "IPLDisplacementBump Excpt". */
PTE_API void PTE_CALL PTE_IPLDisplacementBummp(const char* scriptPath, double strength, uint32_t background);
/* Pushes the picture near (x1, y1) over to (x2, y2), as a finger smudges paint, from iplSrc32 as it stands; loaded
 * through the mask. Records no error text. */
PTE_API void PTE_CALL PTE_WarpPointToPoint(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
/* ---- Picture files and the newRGBA buffer ----
 * Files are read and written in the format their content (reading) or
 * extension (writing, compared without regard to case) names: ".bmp",
 * ".jpg", ".png", ".tif", ".tga", ".gif", ".pcx", ".psd", ".wmf", ".emf".
 * The newRGBA buffer is one engine-owned RGBA32 picture (packed rows). */

/* Resolution of a file in dots per inch, snapped to 72, 96, 150, 200, 300, 450 or 600 (72 without one). */
PTE_API int32_t PTE_CALL PTE_GetDPIFromFile(const char* path);
/* Reads a file into newRGBA (metafiles at the image size over the brush colour); 1 on success, else 0 with newRGBA kept. */
PTE_API int32_t PTE_CALL PTE_ReadFromFile(const char* path);
/* Reads a file into dst (packed RGB24) only when it is exactly width x height; 1 on success, else 0 with dst untouched. */
PTE_API int32_t PTE_CALL PTE_ReadFromFileRGB24(uint8_t* dst, int32_t width, int32_t height, const char* path);
/* The same into packed RGBA32 (alpha 255 where the file has none). */
PTE_API int32_t PTE_CALL PTE_ReadFromFileRGBA32(uint8_t* dst, int32_t width, int32_t height, const char* path);
/* Writes packed RGB24 as .bmp .png .emf .gif .jpg .pcx .psd or .wmf (an enhanced metafile too) at dpi;
 * nonzero on success, 0 otherwise. */
PTE_API int32_t PTE_CALL PTE_WriteToFileRGB24(const uint8_t* src, int32_t width, int32_t height, const char* path,
                                              const char* ext, int32_t dpi);
/* Writes packed RGBA32 as .png .tga or .tif at dpi; nonzero on success, 0 otherwise. */
PTE_API int32_t PTE_CALL PTE_WriteToFileRGBA32(const uint8_t* src, int32_t width, int32_t height, const char* path,
                                               const char* ext, int32_t dpi);
/* Writes the composite of the visible layers, row by row, as RGB24 .bmp .png or .jpg at dpi; nothing for another extension. */
PTE_API void PTE_CALL PTE_SavePageToFileRGB24(const char* path, const char* ext, int32_t dpi);
/* Writes the composite of the visible layers, row by row, as RGBA32 .png .tga or .tif at dpi; nothing for another extension. */
PTE_API void PTE_CALL PTE_SavePageToFileRGB32(const char* path, const char* ext, int32_t dpi);
/* Writes a 24-bit BMP thumbnail of a picture file, 100 pixels along its longer side; always 0. */
PTE_API int32_t PTE_CALL PTE_MakeThumbnail(const char* from, const char* to);
/* Writes a JPEG (quality 75) of a picture file fitted into maxWidth x maxHeight, never enlarged; always 0. */
PTE_API int32_t PTE_CALL PTE_MakeWebPic(const char* from, const char* to, int32_t maxWidth, int32_t maxHeight);
/* Width of newRGBA in pixels. */
PTE_API int32_t PTE_CALL PTE_GetNewRGBAWidth(void);
/* Height of newRGBA in pixels. */
PTE_API int32_t PTE_CALL PTE_GetNewRGBAHeight(void);
/* Copies newRGBA (width x height x 4 bytes) into dst; nothing without a picture. */
PTE_API void PTE_CALL PTE_GetNewRGBA32(uint8_t* dst);
/* Copies red, green, blue of newRGBA (width x height x 3 bytes) into dst. */
PTE_API void PTE_CALL PTE_GetNewRGBA24(uint8_t* dst);
/* Copies newRGBA resampled to width x height into dst as packed RGB24. */
PTE_API void PTE_CALL PTE_GetResizedNewRGBA24(uint8_t* dst, int32_t width, int32_t height);
/* Loads newRGBA into the current layer at (0, 0) through the mask. */
PTE_API void PTE_CALL PTE_SetInNewRGBA(void);
/* Frees newRGBA; its width and height become 0. */
PTE_API void PTE_CALL PTE_DeleteNewRGBA(void);
/* ---- Compositing ---- */

/* Composites the visible layers, the stroke over the current layer, for an image rectangle at the view's zoom into blue-green-red rows stride bytes apart. */
PTE_API void PTE_CALL PTE_Render(uint8_t* buffer, int32_t stride, int32_t x, int32_t y, int32_t width, int32_t height);

/* ---- Merging ---- */

/* Merges the paint layer's changed area into layer index with its mode and opacity, then clears the paint layer. */
PTE_API void PTE_CALL PTE_MergePaintLayer(int32_t index);
/* Merges the whole of layer `from` into layer `to` with from's mode, opacity and mask layer. */
PTE_API void PTE_CALL PTE_MergeLayer(int32_t from, int32_t to);
/* Merges the rectangle (x, y, width, height) of layer `from` into a packed RGBA64 buffer of width x height. */
PTE_API void PTE_CALL PTE_MergeLayerIntoRect(int32_t from, uint16_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height);
/* Merges the whole of layer `from` into an image-sized packed RGBA64 buffer. */
PTE_API void PTE_CALL PTE_MergeLayerInto(int32_t from, uint16_t* buffer);
/* Flattens the visible layers' rectangle into a zeroed packed RGBA64 buffer of width x height. */
PTE_API void PTE_CALL PTE_MergeRect(uint16_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height);
/* Flattens the visible layers into an image-sized packed RGBA64 buffer. */
PTE_API void PTE_CALL PTE_Merge(uint16_t* buffer);
/* The flattened colour at (x, y) as 0x00RRGGBB, or -1 where it is transparent. */
PTE_API int32_t PTE_CALL PTE_GetColorAtMerged(int32_t x, int32_t y);
/* Earlier load: weighs src's alpha in place (useMask), clears the current layer where the mask allows, merges src into layer index at opacity 255. */
PTE_API void PTE_CALL PTE_LoadRGBA32Layer_BAD(uint8_t* src, int32_t ignored, int32_t index, int32_t width, int32_t height, uint8_t useMask);

/* ---- Brush settings ---- */

/* Brush colour from bytes (only the low byte of each counts), stored * 256, opaque. */
PTE_API void PTE_CALL PTE_SetColor(int32_t red, int32_t green, int32_t blue);
/* Brush colour from 16-bit values, opaque. */
PTE_API void PTE_CALL PTE_SetColor16(uint16_t red, uint16_t green, uint16_t blue);
/* The four bank colours of the bank mix kinds, as red, green, blue bytes of banks 0 to 3. */
PTE_API void PTE_CALL PTE_SetColorBanks(int32_t r0, int32_t g0, int32_t b0, int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3);
/* Weight (0..256) of picked-up colour when blending; 0 turns pick-up blending off. */
PTE_API void PTE_CALL PTE_SetBlendStrength(int32_t strength);
/* Weight (0..256) of the brush colour mixed into picked-up colour; 0 is off. */
PTE_API void PTE_CALL PTE_SetBlendPrimaryColorStrength(int32_t strength);
/* Nonzero: every painted pixel is fed back into the blend buffer. */
PTE_API void PTE_CALL PTE_SetBlendRemix(uint8_t remix);
/* With grit on, grit values above density - 1 are not painted. */
PTE_API void PTE_CALL PTE_SetDensity(int32_t density);
/* Brush opacity in percent; 100 or more is full. */
PTE_API void PTE_CALL PTE_SetAlpha(int32_t percent);
/* Range of the random per-dab shift of colour and alpha; 0 or less is off. */
PTE_API void PTE_CALL PTE_SetColorVary(int32_t amount);
/* Nonzero: dabs painted straight into a layer leave its alpha unchanged. */
PTE_API void PTE_CALL PTE_SetAlphaLocked(int32_t locked);
/* Nonzero: dabs leave the colour unchanged. */
PTE_API void PTE_CALL PTE_SetColorLocked(int32_t locked);
/* Nonzero: alpha changes only where old and new alpha are above 8191. */
PTE_API void PTE_CALL PTE_SetBlobLocked(int32_t locked);
/* Above 0: the alpha every painted pixel gets (0..65535). */
PTE_API void PTE_CALL PTE_SetAlphaLevel(int32_t level);
/* Nonzero: picked-up alpha shapes the coverage (image brushes). */
PTE_API void PTE_CALL PTE_SetImageBrushMode(int32_t on);
/* Nonzero: every covered tip pixel paints with full coverage. */
PTE_API void PTE_CALL PTE_SetSolidBrushMode(int32_t on);
/* Mode 1 turns the tip by degrees in every dab; any other mode only stores the angle. */
PTE_API void PTE_CALL PTE_SetRotateBrushMode(int32_t mode, int32_t degrees);
/* Paint-mix kind of dabs (32 normal, 33 and below other than 32 multiply, mixing kinds above) and its amount 0..256. */
PTE_API void PTE_CALL PTE_SetMixMode(int32_t kind, int32_t amount);
/* The next dab ignores the blend buffer. */
PTE_API void PTE_CALL PTE_TempDisableBlend(void);
/* Dabs paint into the mask until the next PTE_SetTool. */
PTE_API void PTE_CALL PTE_SetMaskMakerOn(void);
/* The next dab erases (in mask-maker mode: until the next PTE_SetTool). */
PTE_API void PTE_CALL PTE_SetEraseModeOn(void);
/* One dab fewer before the next grit pattern change. */
PTE_API void PTE_CALL PTE_DecDrawingLength(void);
/* Seeds the engine's random generator; one seed reproduces a stroke. */
PTE_API void PTE_CALL PTE_SetRandomSeed(int32_t seed);
/* The host's start folder (ignored when 1024 characters or longer). */
PTE_API void PTE_CALL PTE_SetStartDir(const char* path);
/* Tip edge in tip pixels (held to 0..1000; painting uses at most the tip capacity); dabs sample every tip pixel. */
PTE_API void PTE_CALL PTE_SetSize(int32_t size);
/* Dab edge on the image, 1..size and at most 999: the tip is sampled at the centres of n runs. */
PTE_API void PTE_CALL PTE_SetScaleSize(int32_t n);
/* Per-pixel colour variation; 0 or less is off. */
PTE_API void PTE_CALL PTE_SetPixColorVary(int32_t amount);
/* Per-pixel luminance variation; 0 or less is off. */
PTE_API void PTE_CALL PTE_SetPixLumVary(int32_t amount);
/* Sets up the tool: tip strength, grit block and thresholds, softness, variation, grit length, blending, tip inversion, grit and shape sources, shape angle; rebuilds grit patterns and tip. */
PTE_API void PTE_CALL PTE_SetTool(float tipStrength, int32_t gritBlock, int32_t blockThreshold, int32_t pixelThreshold, uint8_t softness, int32_t colorVary, int32_t drawingLength, int32_t blendStrength, int32_t primaryStrength, uint8_t remix, uint8_t byte11, uint8_t invert, uint8_t byte13, const char* gritSource, const char* shapeSource, int32_t shapeAngle);
/* Writes the high bytes of a 16-bit colour at (x, y) of an RGB24 buffer, if (x, y) lies inside the image. */
PTE_API void PTE_CALL PTE_SetPixelRGB24(uint8_t* buffer, int32_t stride, int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue);

/* ---- Brush tips ---- */

/* Rebuilds the tip for the brush size: the disc with its soft edge (picture tips fall back to it). */
PTE_API void PTE_CALL PTE_SetBrushShape(const char* path, int32_t angle);
/* As PTE_SetBrushShape, reading the path only as an image file. */
PTE_API void PTE_CALL PTE_SetBrushShape_ORIGINAL(const char* path, int32_t angle);
/* Rewrites layer index as grey paint whose alpha follows its luminance; mode 1 keeps some colour. */
PTE_API void PTE_CALL PTE_CreateBlobFromImage(int32_t index, int32_t mode);

/* ---- Dabs ---- */

/* Stamps the tip centred at (x, y) with a 16-bit colour (kept to 8 bits) into the paint layer, else the current layer; in mask-maker mode into the mask. */
PTE_API void PTE_CALL PTE_DrawDabGrit(int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue);
/* Stamps the tip into the mask with the brush colour's mask value (dark selects, white protects). */
PTE_API void PTE_CALL PTE_DrawDabGritMask(int32_t x, int32_t y);

/* ---- Blend buffer ---- */

/* Picks up colour around (x, y) from an image-sized RGBA64 picture, mixed with the brush colour by mix (0..256). */
PTE_API void PTE_CALL PTE_DoCopyBlendBuffer(int32_t x, int32_t y, const uint16_t* source, int32_t mix, int32_t hold);
/* PTE_DoCopyBlendBuffer from the current layer. */
PTE_API void PTE_CALL PTE_CopyBlendBufferSurface(int32_t x, int32_t y, int32_t mix, int32_t hold);
/* PTE_DoCopyBlendBuffer from layer index. */
PTE_API void PTE_CALL PTE_CopyBlendBufferLayer(int32_t index, int32_t x, int32_t y, int32_t mix);
/* PTE_DoCopyBlendBuffer from the undo back buffer: the layer before the stroke. */
PTE_API void PTE_CALL PTE_CopyBlendBufferHistory(int32_t x, int32_t y, int32_t mix);
/* Another name of PTE_CopyBlendBufferHistory. */
PTE_API void PTE_CALL PTE_CopyBlendBufferUnderLayer(int32_t x, int32_t y, int32_t mix);
/* PTE_DoCopyBlendBuffer from the tracing layer; nothing when it has no pixels. */
PTE_API void PTE_CALL PTE_CopyBlendBufferTrace(int32_t x, int32_t y, int32_t mix);
/* Mask-maker form: the mask around (x, y) mixed with the brush colour's mask value. */
PTE_API void PTE_CALL PTE_DoCopyBlendBufferMask(int32_t x, int32_t y, int32_t mix);
/* Empties the blend buffer. */
PTE_API void PTE_CALL PTE_ClearBlendBuffer(void);
/* Colour filter over the blend buffer: 289 grey, 290 invert, 291 zero below level %, 292 raise above level %. */
PTE_API void PTE_CALL PTE_FilterBlendBuffer(int32_t kind, int32_t level);

/* ---- Colour sampling ---- */

/* Red of the current layer at (x, y); 0 outside the image or without a layer. */
PTE_API int32_t PTE_CALL PTE_GetRed64(int32_t x, int32_t y);
/* Green of the current layer at (x, y); 0 outside the image or without a layer. */
PTE_API int32_t PTE_CALL PTE_GetGreen64(int32_t x, int32_t y);
/* Blue of the current layer at (x, y); 0 outside the image or without a layer. */
PTE_API int32_t PTE_CALL PTE_GetBlue64(int32_t x, int32_t y);
/* Alpha of the current layer at (x, y); 0 outside the image or without a layer. */
PTE_API int32_t PTE_CALL PTE_GetAlpha64(int32_t x, int32_t y);
/* 65535 - the mask at (x, y) (0 = paintable); 0 while the mask is not in force. */
PTE_API int32_t PTE_CALL PTE_GetMask64(int32_t x, int32_t y);
/* Colour of an image-sized RGBA64 picture at (x, y) clamped to the image: 0x00RRGGBB, -1 if transparent, 0 for null. */
PTE_API int32_t PTE_CALL PTE_GetColorAt(int32_t x, int32_t y, const uint16_t* pixels);
/* PTE_GetColorAt of the current layer. */
PTE_API int32_t PTE_CALL PTE_GetColorAtSurface(int32_t x, int32_t y);
/* PTE_GetColorAt of layer index. */
PTE_API int32_t PTE_CALL PTE_GetColorAtLayer(int32_t x, int32_t y, int32_t index);
/* PTE_GetColorAt of the undo back buffer. */
PTE_API int32_t PTE_CALL PTE_GetColorAtUnderLayer(int32_t x, int32_t y);
/* PTE_GetColorAt of the undo back buffer while a step can be undone, else 0. */
PTE_API int32_t PTE_CALL PTE_GetColorAtHistory(int32_t x, int32_t y);
/* PTE_GetColorAt of the tracing layer; 0 when it has no pixels. */
PTE_API int32_t PTE_CALL PTE_GetColorAtTrace(int32_t x, int32_t y);

/* ---- Lua filter scripts ---- */

/* Runs a Lua filter script over the current layer through the RGBA32 working buffers: sliders give sliderVal1..6 = value * 0.001, styles styleVal1..2 = value + 1, flags flagVal1..6 (low byte); script errors go to standard error and the last error. */
PTE_API void PTE_CALL PTE_LuaFilterRun(const char* path, int32_t slider1, int32_t slider2, int32_t slider3, int32_t slider4, int32_t slider5, int32_t slider6, int32_t style1, int32_t style2, int32_t flag1, int32_t flag2, int32_t flag3, int32_t flag4, int32_t flag5, int32_t flag6);
/* ---- Image brushes ----
 * A small picture stamped through the blend buffer instead of a flat
 * colour: kept at its loaded size (at most the tip capacity a side), sized
 * to the brush size on demand, optionally turned. */

/* Loads a picture file as the image brush; nothing when it cannot be read or is larger than the tip capacity. */
PTE_API void PTE_CALL PTE_LoadImageBrush(const char* path);
/* Loads packed RGBA32 host pixels of width x height as the image brush, if they fit the tip capacity. */
PTE_API void PTE_CALL PTE_LoadImageBrushFromRGBA32(const uint8_t* pixels, int32_t width, int32_t height);
/* Loads a strip of square frames (height x height each) from a picture file; the brush becomes one empty frame. */
PTE_API void PTE_CALL PTE_LoadImageBrushArray(const char* path);
/* The image brush becomes the blend buffer's used square (brush size x brush size). */
PTE_API void PTE_CALL PTE_CopyToImageBrush(void);
/* The image brush becomes brush size x brush size of one opaque colour (bytes 0..255). */
PTE_API void PTE_CALL PTE_FillImageBrush(int32_t red, int32_t green, int32_t blue);
/* Gives every pixel of the image brush the colour and keeps its alpha (an opaque one is made if there is none). */
PTE_API void PTE_CALL PTE_ColorImageBrush(int32_t red, int32_t green, int32_t blue);
/* Resamples the image brush to the brush size. */
PTE_API void PTE_CALL PTE_SizeImageBrush(void);
/* Sizes the image brush and mixes it into the blend buffer, keeping keepPercent (0..100) of the old content. */
PTE_API void PTE_CALL PTE_CopyFromImageBrush(int32_t keepPercent);
/* Copies frame trunc(frames * position) of the strip (0 <= position < 1) into the image brush. */
PTE_API void PTE_CALL PTE_CopyFromImageBrushArray(float position);
/* Turns the sized image brush by angle degrees (clockwise as seen), its alpha with it. */
PTE_API void PTE_CALL PTE_RotateImageBrush(int32_t angle);
/* Mixes the turned image brush into the blend buffer, keeping keepPercent of the old content; nothing before a turn. */
PTE_API void PTE_CALL PTE_CopyFromImageBrushRotate(int32_t keepPercent);
/* Writes the image brush at its loaded size as an RGBA PNG at 72 dots per inch. */
PTE_API void PTE_CALL PTE_SaveImageBrush(const char* path);

/* ---- Tablet input and spline smoothing ----
 * Without a tablet every packet query answers 0 and pressure reads run a
 * ramp: after PTE_ResetTabletPressure they give 10, 35, 60, 85, 100, 100, ... */

/* Opens a tablet context on the window; nonzero when a tablet answered, 0 without one. */
PTE_API int32_t PTE_CALL PTE_InitTablet(void* window);
/* Notes where the window's client area lies on the screen (call when the window moves); 0 without a tablet. */
PTE_API int32_t PTE_CALL PTE_SetTabletOrigin(void);
/* Closes the tablet context. */
PTE_API void PTE_CALL PTE_CloseTablet(void);
/* Starts a stroke: the ramp restarts at 10 and queued packets are dropped; the number dropped. */
PTE_API int32_t PTE_CALL PTE_ResetTabletPressure(void);
/* Reads the queued packets (at most 256) into the engine; their number. */
PTE_API int32_t PTE_CALL PTE_ReadTabletPackets(void);
/* Pressure 1..100 of packet index; the ramp's next value when there is no such packet. */
PTE_API int32_t PTE_CALL PTE_ReadTabletPressure(int32_t packet);
/* Scaled pressure of packet buffer entry index (0..255) without the minimum of 1; 0 without a tablet. */
PTE_API int32_t PTE_CALL PTE_ReadRawTabletPressure(int32_t packet);
/* 1 when the packet came from the pen's eraser end; 0 without such a packet. */
PTE_API int32_t PTE_CALL PTE_IsPacketInvert(int32_t packet);
/* The packet's status word; 0 without such a packet. */
PTE_API uint32_t PTE_CALL PTE_PacketStatus(int32_t packet);
/* The packet's x in window coordinates; 0 without such a packet. */
PTE_API int32_t PTE_CALL PTE_ReadTabletX(int32_t packet);
/* The packet's y in window coordinates; 0 without such a packet. */
PTE_API int32_t PTE_CALL PTE_ReadTabletY(int32_t packet);
/* A smooth curve (centripetal Catmull-Rom) through three points, 100 points from the first to the last; the last argument is ignored. */
PTE_API int32_t PTE_CALL PTE_CalcSpline3(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, int32_t ignored);
/* 100 after a spline, 0 before the first. */
PTE_API int32_t PTE_CALL PTE_GetSplinePointCount(void);
/* x of spline point index, truncated; past the end the last point's. */
PTE_API int32_t PTE_CALL PTE_GetSplinePointX(uint32_t point);
/* y of spline point index, truncated; past the end the last point's. */
PTE_API int32_t PTE_CALL PTE_GetSplinePointY(uint32_t point);

/* ---- Clipboard and screen capture ----
 * The clipboard holds one picture. On X11 a copy is served to other programs
 * as image/png and image/bmp while the host runs; without a display the
 * clipboard lives inside the process. Pastes read image/png or image/bmp. */

/* Copies the current layer, the mask applied to its alpha. */
PTE_API void PTE_CALL PTE_ToClipboard(void);
/* Copies the rectangle between two corners (either order) of the current layer, clipped to the image. */
PTE_API void PTE_CALL PTE_ToClipboardRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
/* Copies a packed RGBA32 picture; the mask is applied to its alpha in place where it lies over the image. */
PTE_API void PTE_CALL PTE_RGBA32ToClipboard(uint8_t* pixels, int32_t width, int32_t height);
/* 1 while this process's last copy is still what the desktop clipboard offers other programs (a host about to exit may keep it alive); 0 once another program copied, or without a display. */
PTE_API int32_t PTE_CALL PTE_IsClipboardOwner(void);
/* 1 when the newRGBA buffer now holds the clipboard's picture, else 0 (newRGBA as it was). */
PTE_API int32_t PTE_CALL PTE_FromClipboard(void);
/* Pastes into the current layer with the top-left corner (centre != 0: the centre) at (x, y), through the mask; 1 when pasted. */
PTE_API int32_t PTE_CALL PTE_FromClipboardInto(int32_t x, int32_t y, int32_t centre);
/* Pastes scaled, turned by angle degrees (counter-clockwise), merged in Normal through mask and texture; smooth != 0 resamples bicubically; 0. */
PTE_API int32_t PTE_CALL PTE_FromClipboardIntoEX(int32_t x, int32_t y, float scale, int32_t angle, int32_t centre, int32_t smooth);
/* As PTE_FromClipboardIntoEX with the longer side brought to size pixels; only the part over the image is merged; 0. */
PTE_API int32_t PTE_CALL PTE_FromClipboardIntoEX2(int32_t x, int32_t y, int32_t size, int32_t angle, int32_t centre, int32_t smooth);
/* 1 when the newRGBA buffer now holds the screen, else 0 (no display). */
PTE_API int32_t PTE_CALL PTE_ScreenCapture(void);
/* Captures the screen into the current layer at (0, 0) through the mask; 1 when done. */
PTE_API int32_t PTE_CALL PTE_ScreenCaptureInto(void);

/* ---- Scanner, PDF and AVI ---- */

/* 1 when the scanning service can be used. */
PTE_API int32_t PTE_CALL PTE_IsTwain(void);
/* Selects the device to scan from: the one chosen with PTE_TwainChooseSource, else the first found; 1 when there is one. */
PTE_API int32_t PTE_CALL PTE_TwainSelectSource(void);
/* Name of scanner device index (0 = the first found), valid until the next call; "" past the last. */
PTE_API const char* PTE_CALL PTE_TwainGetSourceName(int32_t index);
/* Chooses the scanner device of that name; 1 when there is one. */
PTE_API int32_t PTE_CALL PTE_TwainChooseSource(const char* name);
/* Scans one picture into the newRGBA buffer (opaque); 1 when scanned, else 0 (newRGBA as it was). */
PTE_API int32_t PTE_CALL PTE_TwainAcquire(void);
/* Forgets the pictures added for the next PDF. */
PTE_API int32_t PTE_CALL PTE_I2PDF_Reset(void);
/* Adds a picture file as the next page; 1 when it can be read as a picture, else 0. */
PTE_API int32_t PTE_CALL PTE_I2PDF_AddImage(const char* path);
/* Writes the pages (96 pixels an inch, 20-pixel grey border), deletes the picture files once written, forgets them; nonzero on success. */
PTE_API int32_t PTE_CALL PTE_I2PDF_MakePDF(const char* path);
/* As PTE_I2PDF_MakePDF, as a full-screen slide show turning pages by itself. */
PTE_API int32_t PTE_CALL PTE_I2PDF_MakePDFSlideshow(const char* path);
/* Starts an AVI file of uncompressed 24-bit frames, frameMs milliseconds each; the writer, or null. */
PTE_API void* PTE_CALL PTE_CreateAVI(const char* path, int32_t frameMs);
/* Appends a picture file as the next frame (all of the first frame's size); 1 when written, else 0. */
PTE_API int32_t PTE_CALL PTE_WriteAVI(const char* framePath);
/* Finishes the AVI file; 0 on success or without one, else an error code (and no partial file is left). */
PTE_API int32_t PTE_CALL PTE_CloseAVI(void);
/* ---- Drawing: the paint bucket, shapes, gradients and text ----
 * Colours are red, green, blue bytes. Each call works through the RGBA32
 * working buffers and ends by loading or merging into the current layer
 * through the selection mask; the host saves an undo step afterwards. */

/* Fills or erases from (x, y) by colour or alpha (tolerance 0..50000) in the named mode: "Paint Non-connected", "Erase Non-connected", "Paint Connected", "Erase Connected", "Paint Alpha Connected", "Paint Alpha Non-Connected". */
PTE_API void PTE_CALL PTE_IPLFloodFill(int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, int32_t tolerance, const char* mode);
/* The font dialog; this platform has none within the engine's reach: returns 0 as a cancelled dialog, the font record unchanged. */
PTE_API int32_t PTE_CALL PTE_ChooseFont(void);
/* Copies a 60-byte logical-font record in (face name, height: negative for the character height in pixels, weight, italic, underline, strike-out); null is ignored. A zeroed record is the default sans-serif face at 16 pixels. */
PTE_API void PTE_CALL PTE_SetFontRecord(const void* record);
/* Copies the 60-byte font record out; null is ignored. */
PTE_API void PTE_CALL PTE_GetFontRecord(void* record);
/* Draws UTF-8 text with the font record at (x, y) into the source buffer, refreshed from the current layer, and loads it through the mask; smooth (low byte) anti-aliases. Four arguments are not read. 1 when loaded, 0 without the source buffer, text or room. */
PTE_API int32_t PTE_CALL PTE_IPLText(int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, int32_t unused1, int32_t unused2, int32_t unused3, int32_t unused4, const char* text, uint8_t smooth);
/* A solid rectangle between two corners (both included), merged at opacity percent. */
PTE_API void PTE_CALL PTE_IPLRectangle(int32_t red, int32_t green, int32_t blue, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t opacity);
/* A filled anti-aliased ellipse in the box between two corners (radii at least 2), merged at opacity percent. */
PTE_API void PTE_CALL PTE_IPLEllipse(int32_t red, int32_t green, int32_t blue, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t opacity);
/* A gradient of count (0..4) colours from (x1, y1) to (x2, y2): kind "Linear", any other radial around (x1, y1). Counts 0 and 1 fade colour 1 in and out. */
PTE_API void PTE_CALL PTE_IPLGradient(int32_t red1, int32_t green1, int32_t blue1, int32_t red2, int32_t green2, int32_t blue2, int32_t red3, int32_t green3, int32_t blue3, int32_t red4, int32_t green4, int32_t blue4, int32_t count, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const char* kind);
/* ---- Mask shapes and the magic wand ----
 * The last argument is a percentage: 0 selects, 100 protects, values
 * between select partly. The wand only marks: clear the mask first for a
 * new selection. */

/* Selects the ellipse in the box between two corners (radii at least 2). */
PTE_API void PTE_CALL PTE_IPLMaskEllipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent);
/* Selects the rectangle between two corners, both included. */
PTE_API void PTE_CALL PTE_IPLMaskRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent);
/* Marks the mask where the current layer matches the pixel (x, y), tolerance 0..50000, in the named mode: "Non-connected", "Connected", "Color Range", "Luminance Range", "Hue Range", "Alpha Connected", "Alpha Non-connected". */
PTE_API void PTE_CALL PTE_IPLMaskWand(int32_t x, int32_t y, int32_t tolerance, int32_t percent, const char* mode);

#ifdef __cplusplus
}
#endif

#endif /* PAINTCORE_H */
