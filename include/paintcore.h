/*
 * paintcore: the painting engine's flat C interface.
 *
 * One image at a time: 64 layer slots of 16-bit RGBA pixels (slot 0 the
 * tracing layer, slot 1 the background, 2..63 upward in stacking order), a
 * 16-bit selection mask, the brush, an undo history and a view. Every
 * function runs to completion on the caller's thread; call the engine from
 * one thread at a time. docs/host-guide.md shows the calls in the order a
 * host makes them.
 *
 * ---- How to read the comments ----
 *
 * Pixel layouts: RGBA64 = four uint16 (red, green, blue, alpha; straight,
 * not premultiplied); RGBA32 = four bytes in the same order; RGB24 = three
 * bytes; G16/G8 = one value; BGR24 (only PTE_Load and the display buffer of
 * PTE_Render) = blue, green, red bytes. An 8-bit v becomes v * 256 in 16
 * bits (255 gives 65280, not 65535); 16 bits become 8 by the high byte.
 * Rows run top to bottom.
 *
 * Sizes and units: W x H is the image's size (PTE_CreateImage, PTE_NewSize).
 * "stride" is the distance in bytes from one row's start to the next (at
 * least width * bytes per pixel; it may be negative to walk up a buffer).
 * "packed" means stride = width * bytes per pixel. "image-sized" means W x H
 * pixels. Colour bytes are 0..255 (only the low byte of an int32 counts
 * unless a comment says otherwise); 16-bit values 0..65535. Percentages are
 * 0..100. "Opacity 0..256" is the blend step's scale (256 = opaque).
 * Coordinates are image pixels, (0, 0) top left.
 *
 * Buffers: every buffer passed in stays the caller's; the engine reads or
 * writes it only during the call and never keeps the pointer. The caller
 * makes it as large as the comment says; the engine trusts sizes and
 * strides. Buffers the engine owns (the working buffers, newRGBA, texts it
 * returns) live until the call that frees them, as stated.
 *
 * "Needs:" lists what must exist first:
 *   an image          PTE_CreateImage (or PTE_NewSize) since the last PTE_DeleteImage;
 *   a current layer   PTE_SetLayer on a layer with pixels of the image's size;
 *   layer n           PTE_CreateLayer(n, W, H): a layer of another size (left
 *                     over after PTE_NewSize) counts as missing;
 *   the working buffers  iplSrc32 and/or iplDst32 (PTE_IPLAllocSrcBuffer32,
 *                     PTE_IPLAllocDstBuffer32), image-sized when allocated;
 *   a view size       PTE_SetViewSize with sides above 0.
 * "Without:" says what the call does when something is missing: usually
 * nothing, with the neutral result (0, -1, null). Missing prerequisites
 * record no error text.
 *
 * Failures: a call that fails inside (memory that cannot be had, a file
 * that cannot be written, any fault) never lets it cross this interface:
 * it records a short text such as "CreateLayer Excpt", readable with
 * PTE_GetLastError, and returns its neutral result. "Error:" names the
 * text; calls without one record none. The text is never cleared by the
 * engine (PTE_SetLastError(NULL) clears it).
 *
 * Diagnostics: with PAINTCORE_TRACE=1 in the environment (read once), a
 * call that returns without doing its work writes one line to standard
 * error saying why, for example
 *   paintcore: PTE_Render: nothing drawn: the view size is 0 x 0 (PTE_SetViewSize)
 * Off (unset, empty or 0), nothing is written and nothing is slower.
 *
 * ---- Blend modes ----
 *
 * Layers and the paint layer blend by name (PTE_SetLayerOptions,
 * PTE_CreatePaintLayer); names are exact and case-sensitive, and any other
 * text (the empty one included) blends as "Normal". The numbers are those
 * of PTE_IPLImageProcess's p8 for the generator effects and of the Lua
 * constants MERGE_NORMAL .. MERGE_TEXTURIZE3 (0..19).
 *
 *   0 "Normal"       11 "Dodge"           21 "Alpha Filter"             31 "Alpha Smooth Lum"
 *   1 "Multiply"     12 "Burn"            22 "Alpha Black Outline"      32 "Alpha Smooth Lum2"
 *   2 "Screen"       13 "Reflect"         23 "Alpha Outline Tint 1"     33 "Alpha Smooth Lum3"
 *   3 "Darken"       14 "Glow"            24 "Alpha Outline Tint 2"     34 "Alpha Smooth Lum4"
 *   4 "Lighten"      15 "Add"             25 "Alpha Invert"             35 "Alpha Smooth Lum5"
 *   5 "Difference"   16 "Subtract"        26 "Alpha Shader"             36 "Alpha Overlay Outline"
 *   6 "Negation"     17 "Texturize"       27 "Alpha Shader Color"       37 "Alpha Highlight"
 *   7 "Exclusion"    18 "Texturize2"      28 "Alpha Shader Texture2"    38 "Layer Mask"
 *   8 "Overlay"      19 "Texturize3"      29 "Alpha Highlight Texture2" 39 "Luminance Alpha"
 *   9 "Hard Light"   20 (no name; blends as "Normal")                     40 "Luminance Alpha Invert"
 *  10 "Soft Light"                        30 "Alpha Smooth"
 *
 * 0..19 are colour modes; 21..40 alpha modes that rewrite the source's
 * colour or alpha first. "Reflect" and "Glow" blend as "Normal". A visible
 * layer in "Texturize3" is not shown: it becomes the brush texture. A
 * visible "Layer Mask" layer is not shown either: it weakens the layer just
 * below it (and strokes merged into that layer) by its own luminance.
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

/* Creates the image of width x height pixels (each 0..10000; a side outside that range becomes 100)
 * with a brush-tip capacity of tipSize pixels a side (0..10000; a negative one is 0; larger tips are
 * refused and nothing changes). Frees the pixels of every layer (their options stay), makes the mask
 * fully selected and in force, the zoom 1/1, the offset 0, 0, no current layer, no working buffers,
 * and an empty undo history. hostWindow and createParam are stored (createParam is read by nothing).
 * Call PTE_DeleteImage before creating again: buffers of an earlier image are not freed here.
 * The view size is not reset: set it with PTE_SetViewSize. Error: "CreateImage Excpt". */
PTE_API void PTE_CALL PTE_CreateImage(void* hostWindow, int32_t width, int32_t height, int32_t tipSize, int32_t createParam);
/* Starts over at another size, with the same arguments and bounds as PTE_CreateImage: frees and
 * re-allocates the mask (fully selected), the undo history and back buffers, the tip buffers, the
 * blend buffer, the paint layer, the texture and the working buffers. The layers keep their old size
 * and count as missing until the host creates them again at the new size. Error: "NewSize Excpt". */
PTE_API void PTE_CALL PTE_NewSize(void* hostWindow, int32_t width, int32_t height, int32_t tipSize, int32_t createParam);
/* Releases every buffer of the image and the pixels of all 64 layers. The newRGBA picture, the sizes
 * and the view stay; calling it twice is harmless. Error: "DeleteImage Excpt". */
PTE_API void PTE_CALL PTE_DeleteImage(void);
/* Display zoom of PTE_Render: numerator == denominator shows 1:1; numerator > denominator enlarges by
 * the numerator (each image pixel becomes numerator x numerator display pixels); denominator >
 * numerator reduces by the denominator (one image pixel of each denominator x denominator block).
 * The other value is not used. 1/1 after PTE_CreateImage. A zoom whose used value is 0 or below draws
 * nothing. */
PTE_API void PTE_CALL PTE_SetScale(int32_t numerator, int32_t denominator);
/* Stores the host's view offset; nothing in the engine reads it (PTE_Render takes the rectangle). */
PTE_API void PTE_CALL PTE_SetOffset(int32_t x, int32_t y);
/* Size of the host's view in display pixels: PTE_Render writes at most width columns and height rows.
 * 0 x 0 until the first call (then PTE_Render draws nothing); PTE_CreateImage does not reset it. */
PTE_API void PTE_CALL PTE_SetViewSize(int32_t width, int32_t height);
/* Stores at most 511 bytes of text as the last error; NULL (or "") clears it. */
PTE_API void PTE_CALL PTE_SetLastError(const char* text);
/* The last error text ("" when none), engine-owned, valid until the next call that records one. */
PTE_API const char* PTE_CALL PTE_GetLastError(void);
/* size bytes (0 gives a 1-byte block) from the heap the engine uses, for buffers shared with the
 * engine; NULL for a negative size or without memory. Free it with PTE_Free. */
PTE_API void* PTE_CALL PTE_Alloc(int32_t size);
/* Returns a block from PTE_Alloc; NULL is ignored. */
PTE_API void PTE_CALL PTE_Free(void* block);
/* Copies length bytes from source to destination; nothing when a pointer is NULL or length is 0 or
 * below. The ranges must not overlap. */
PTE_API void PTE_CALL PTE_Memcpy(void* destination, const void* source, int32_t length);
/* Returns its argument unchanged. */
PTE_API void* PTE_CALL BankAdrs(void* pointer);
/* The library's version as "MAJOR.MINOR.PATCH"; static text, never null. The major number is the one in the
 * shared library's name (libpaintcore.so.MAJOR): it changes only when the interface does. */
PTE_API const char* PTE_CALL PTE_GetVersion(void);

/* ---- Layers and layer alpha ----
 * A layer is index 0..63: 0 the tracing layer (never shown or merged; tracing mode samples it), 1 the
 * background (the bottom of the stack; its alpha counts as opaque on screen), 2..63 upward. A new
 * layer keeps the options its slot last had: after load every slot is hidden at opacity 0 in
 * "Normal", so call PTE_SetLayerOptions before expecting to see it. Indices outside 0..63 change
 * nothing. */

/* Creates layer index (0..63) of width x height pixels (normally W x H; sides 0 and up): slot 1 opaque
 * white (every channel 65535), any other slot transparent black. An existing layer of the same size
 * keeps its buffer and is cleared the same way. When memory is short the oldest undo steps are
 * released (the size in megabytes) and the allocation tried once more. Options are not touched.
 * Returns 1 when created, 0 for a bad index or size or without memory (the slot then has no pixels).
 * Needs: nothing (an image only for the layer to be of use). Error: "CreateLayer Excpt". */
PTE_API int32_t PTE_CALL PTE_CreateLayer(int32_t index, int32_t width, int32_t height);
/* Frees the pixels of layer index (0..63); its options stay. If it was the current layer it stays
 * current but without pixels: select another. Error: "DeleteLayer Excpt". */
PTE_API void PTE_CALL PTE_DeleteLayer(int32_t index);
/* Makes layer index current and copies it and the mask into the undo back buffers (the state an undo
 * step starts from; not while undo is paused). Dabs, clears, loads, effects and drawing work on the
 * current layer. Needs: layer index with pixels. Without: nothing (the current layer stays).
 * Selecting a layer in "Texturize3" drops the brush texture; leaving a visible one builds it.
 * Error: "SetLayer Excpt". */
PTE_API void PTE_CALL PTE_SetLayer(int32_t index);
/* The index of the current layer (0 before any PTE_SetLayer). */
PTE_API int32_t PTE_CALL PTE_GetLayerNum(void);
/* Sets layer index's options: visible (nonzero shows it and flattens it; the background is flattened
 * only when visible is exactly 1), keepAlpha (nonzero: loads, drawing and effects leave its alpha
 * unchanged; stroke and layer merges do not consult it), opacity in percent (0..100; stored as
 * trunc(percent * 2.56), values outside held to 0..256) and the blend mode by name (table above;
 * any other text blends as "Normal"; names of 50 characters or more are looked up but not kept as the
 * layer's name). Works on slots without pixels too. Error: "SetLayerOptions Excpt". */
PTE_API void PTE_CALL PTE_SetLayerOptions(int32_t index, uint8_t visible, uint8_t keepAlpha, int32_t opacityPercent, const char* modeName);
/* Exchanges two whole slots (pixels, size, options). The current index stays, so it now names the other
 * layer. Both indices 0..63, else nothing. */
PTE_API void PTE_CALL PTE_SwapLayers(int32_t a, int32_t b);
/* Number of slots 0..63 that have pixels (of any size), the tracing layer included. */
PTE_API int32_t PTE_CALL PTE_GetLayerCount(void);
/* Frees the paint layer's pixels; dabs then paint straight into the current layer. */
PTE_API void PTE_CALL PTE_DeletePaintLayer(void);
/* alpha = 65535 - alpha over every pixel of layer index (at its own size). Without pixels: nothing. */
PTE_API void PTE_CALL PTE_InvertAlpha(int32_t index);
/* alpha = value (0..65535) over every pixel of layer index. Without pixels: nothing. */
PTE_API void PTE_CALL PTE_SetLayerAlpha(int32_t index, uint16_t value);
/* Folds the layer's opacity into its pixels: alpha = (opacity * alpha) >> 8 with opacity 0..256, then
 * opacity 256. Without pixels: nothing. */
PTE_API void PTE_CALL PTE_NormalizeLayerAlpha(int32_t index);
/* Where the current layer's alpha is below 256: colour = red, green, blue (0..255, held there) * 257
 * and alpha 0. Needs: a current layer. Without: nothing. */
PTE_API void PTE_CALL PTE_SetColorAlpha(int32_t red, int32_t green, int32_t blue);
/* Softens the paint layer's alpha edges with a blur (size 100); pixels whose alpha high byte is 240 or
 * more become opaque (65535). Needs: a paint layer. Without: nothing. Error: "BlurPaintLayerAlpha Excpt". */
PTE_API void PTE_CALL PTE_BlurPaintLayerAlpha(void);
/* alpha byte = 255 - alpha byte over an image-sized packed RGBA32 buffer (W * H * 4 bytes). */
PTE_API void PTE_CALL PTE_InvertAlpha_RGBA32(uint8_t* buffer);
/* Where the alpha byte is 0, sets the colour bytes (low bytes of red, green, blue) of a packed RGBA32
 * buffer of width x height (width * height * 4 bytes). */
PTE_API void PTE_CALL PTE_SetColorAlphaRGBABuf(uint8_t* buffer, int32_t width, int32_t height, int32_t red, int32_t green, int32_t blue);
/* Where the colour bytes of an image-sized packed RGBA32 buffer equal red, green, blue exactly (values
 * outside 0..255 never match), alpha byte = 0. */
PTE_API void PTE_CALL PTE_SetAlphaFromRGBAImageColor(uint8_t* buffer, int32_t red, int32_t green, int32_t blue);

/* ---- Pixel transfer, conversions, clears and run-length lines ----
 * "Through the mask" (useMask nonzero) weighs each pixel by the coverage of the mask (when in force)
 * and of the brush texture: fully selected pixels take the source, protected ones keep their value,
 * partly selected ones are mixed. Loads into a layer whose keepAlpha is set never change its alpha. */

/* Loads an RGBA32 rectangle of width x height from src (rows stride bytes apart, stride >= width * 4)
 * into layer index with its top-left corner at (x, y), clipped to the layer (a negative x or y skips
 * the source's first columns or rows). Each byte v becomes v * 256; without weighting a source alpha
 * of 0 gives transparent black. useMask: through the mask and texture. Needs: layer index with pixels.
 * Without: nothing. Error: "LoadRGBA32Layer Excpt". */
PTE_API void PTE_CALL PTE_LoadRGBA32Layer(const uint8_t* src, int32_t stride, int32_t index, int32_t x, int32_t y, int32_t width, int32_t height, uint8_t useMask);
/* Loads src into the current layer from (0, 0) over the layer's own size (src: H rows of stride
 * bytes). Needs: a current layer. Without: nothing. Error: "LoadRGBA32 Excpt". */
PTE_API void PTE_CALL PTE_LoadRGBA32(const uint8_t* src, int32_t stride, uint8_t useMask);
/* PTE_LoadRGBA32Layer through the mask and texture. Error: "LoadRGBA32Into Excpt". */
PTE_API void PTE_CALL PTE_LoadRGBA32Into(const uint8_t* src, int32_t stride, int32_t index, int32_t x, int32_t y, int32_t width, int32_t height);
/* Earlier load at (0, 0): no transparent-pixel rule; partly covered pixels mix every channel.
 * Error: "LoadRGBA32Layer Excpt". */
PTE_API void PTE_CALL PTE_LoadRGBA32Layer_GOOD(const uint8_t* src, int32_t stride, int32_t index, int32_t width, int32_t height, uint8_t useMask);
/* Earlier load: as _GOOD, but a transparent layer pixel takes the source colour. Error: "LoadRGBA32Layer Excpt". */
PTE_API void PTE_CALL PTE_LoadRGBA32Layer_GOOD2(const uint8_t* src, int32_t stride, int32_t index, int32_t width, int32_t height, uint8_t useMask);
/* Inflates a zlib stream of length bytes made by PTE_GetRGBA32LayerCompressed into layer index (the
 * layer's own width x height as RGBA32), without the mask. A stream that does not inflate to exactly
 * that size changes nothing. The second argument is not read. Needs: layer index with pixels.
 * Error: "LoadRGBA32LayerCompressed Excpt". */
PTE_API void PTE_CALL PTE_LoadRGBA32LayerCompressed(const uint8_t* data, int32_t ignored, int32_t length, int32_t index);
/* Loads blue-green-red rows (3 bytes a pixel, stride bytes apart) into the current layer from (0, 0)
 * over min(width, W) x min(height, H): colour = byte * 256, alpha 65535. Needs: a current layer.
 * Without: nothing. Error: "Load Excpt". */
PTE_API void PTE_CALL PTE_Load(const uint8_t* src, int32_t stride, int32_t width, int32_t height);
/* Loads the colour of the whole current layer from an image-sized RGB24 buffer (stride bytes a row);
 * alpha untouched. Needs: a current layer. Error: "LoadRGB24 Excpt". */
PTE_API void PTE_CALL PTE_LoadRGB24(const uint8_t* src, int32_t stride, uint8_t useMask);
/* Sets the current layer's alpha to byte 0 of each pixel of an image-sized RGB24 buffer * 256, only
 * where the alpha is not already 0. Needs: a current layer. Error: "LoadRGB24ToAlpha Excpt". */
PTE_API void PTE_CALL PTE_LoadRGB24ToAlpha(const uint8_t* src, int32_t stride, uint8_t useMask);
/* Copies an image-sized RGBA64 buffer (stride bytes a row) into layer index, all four channels
 * unchanged. Needs: layer index. Without: nothing. */
PTE_API void PTE_CALL PTE_SetRGBA64Layer(const uint16_t* src, int32_t stride, int32_t index);
/* Raw copy of W * H * 8 bytes (packed RGBA64) into layer index. Needs: layer index. */
PTE_API void PTE_CALL PTE_SetLayerData(const void* src, int32_t index);
/* Raw copy of one layer's W * H * 8 bytes into another's. Needs: both layers. */
PTE_API void PTE_CALL PTE_CopyLayerData(int32_t fromIndex, int32_t toIndex);
/* Copies the rectangle (x, y, width, height) of layer index unchanged into an RGBA64 buffer (its rows
 * stride bytes apart; pixel (x, y) lands at dst's first pixel). Only the part inside the layer is
 * copied; the rest of dst is left as it was. Needs: layer index with pixels. */
PTE_API void PTE_CALL PTE_GetRGBA64LayerRect(uint16_t* dst, int32_t stride, int32_t index, int32_t x, int32_t y, int32_t width, int32_t height);
/* Copies the whole of layer index (W x H) into an RGBA64 buffer of stride bytes a row. */
PTE_API void PTE_CALL PTE_GetRGBA64Layer(uint16_t* dst, int32_t stride, int32_t index);
/* Raw copy of layer index's W * H * 8 bytes into dst. Needs: layer index. */
PTE_API void PTE_CALL PTE_GetLayerData(void* dst, int32_t index);
/* Layer index as RGBA32 (high bytes) into dst: H rows of stride bytes, W * 4 of each written. Returns
 * H, or 0 (nothing written) without layer index or dst. */
PTE_API int32_t PTE_CALL PTE_GetRGBA32Layer(uint8_t* dst, int32_t stride, int32_t index);
/* PTE_GetRGBA32Layer of the current layer; H or 0. */
PTE_API int32_t PTE_CALL PTE_GetRGBA32(uint8_t* dst, int32_t stride);
/* The current layer's colour as RGB24 (H rows of stride bytes). Needs: a current layer. */
PTE_API void PTE_CALL PTE_GetRGB24(uint8_t* dst, int32_t stride);
/* The current layer's alpha high byte, in all three bytes of RGB24 pixels. Needs: a current layer. */
PTE_API void PTE_CALL PTE_GetRGB24FromAlpha(uint8_t* dst, int32_t stride);
/* Layer index as RGBA32 (W * H * 4 bytes) deflated into a zlib stream in dst, which holds capacity
 * bytes; level 1..9 (any other value: zlib's default). Returns the stream's length in bytes, 0 without
 * the layer, without room or on failure. The second argument is not read. Error: "GetRGBA32Layer Excpt". */
PTE_API int32_t PTE_CALL PTE_GetRGBA32LayerCompressed(uint8_t* dst, int32_t ignored, int32_t capacity, int32_t index, int32_t level);
/* The rectangle at (x, y) of an RGBA64 buffer of rowPixels pixels a row, as packed RGBA32 of width x
 * height (width * height * 4 bytes). The seventh argument is not read. */
PTE_API void PTE_CALL PTE_RGBA64RectToRGBA32(const uint16_t* src, int32_t x, int32_t y, int32_t width, int32_t height, int32_t rowPixels, int32_t ignored, uint8_t* dst);
/* The same as packed RGB24 (width * height * 3 bytes). */
PTE_API void PTE_CALL PTE_RGBA64RectToRGBA24(const uint16_t* src, int32_t x, int32_t y, int32_t width, int32_t height, int32_t rowPixels, int32_t ignored, uint8_t* dst);
/* width x height RGBA64 pixels from src's first pixel (srcStride bytes a row) to RGBA32 at dst's first
 * pixel (dstStride bytes a row). x and y move neither pointer and are not read. */
PTE_API void PTE_CALL PTE_GetRGBA32FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t x, int32_t y, int32_t width, int32_t height);
/* The same to RGB24. */
PTE_API void PTE_CALL PTE_GetRGB24FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t x, int32_t y, int32_t width, int32_t height);
/* width x height RGBA64 pixels to RGBA32, strides in bytes. */
PTE_API void PTE_CALL PTE_GetRGBA32FromRGBA64(uint8_t* dst, int32_t dstStride, int32_t width, int32_t height, const uint16_t* src, int32_t srcStride);
/* An image-sized RGBA64 buffer to RGB24, strides in bytes. */
PTE_API void PTE_CALL PTE_GetRGB24FromRGBA64(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride);
/* Row `row` (0..H-1) of layer index as RGBA32 runs of 5 bytes (count 1..255, then the four high
 * bytes); dst holds up to 5 * W bytes. Returns the bytes written; 0 without the layer or for a row
 * outside the image. */
PTE_API int32_t PTE_CALL PTE_GetRGBA32LayerLineRLE(uint8_t* dst, int32_t index, int32_t row);
/* Decodes 5-byte RGBA32 runs into row `row` of layer index (each byte * 256), W pixels and no more. */
PTE_API void PTE_CALL PTE_PutRGBA32LayerLineRLE(const uint8_t* src, int32_t index, int32_t row);
/* Row `row` of the mask as 2-byte G8 runs (count, high byte); dst holds up to 2 * W bytes. Returns the
 * bytes written; 0 without an image or for a row outside it. */
PTE_API int32_t PTE_CALL PTE_GetMaskLineRLE(uint8_t* dst, int32_t row);
/* Decodes 2-byte G8 runs into row `row` of the mask (each byte * 256), W values and no more. */
PTE_API void PTE_CALL PTE_PutMaskLineRLE(const uint8_t* src, int32_t row);
/* Fills the whole current layer (whatever the mask) with red, green, blue, alpha (bytes) * 256: an
 * alpha of 255 gives 65280. Needs: a current layer. Without: nothing. */
PTE_API void PTE_CALL PTE_Clear(int32_t red, int32_t green, int32_t blue, int32_t alpha);
/* PTE_Clear where the mask allows: fully selected pixels take the colour and alpha; partly selected
 * ones are mixed toward the colour and made opaque; protected ones stay. Without the mask in force it
 * is PTE_Clear. Needs: a current layer. */
PTE_API void PTE_CALL PTE_ClearMasked(int32_t red, int32_t green, int32_t blue, int32_t alpha);
/* Fills the current layer through the mask and texture as a masked load of a solid picture (alpha
 * mixed too); without the mask in force it is PTE_Clear. Error: "ClearMaskedAlpha Excpt". */
PTE_API void PTE_CALL PTE_ClearMaskedAlpha(int32_t red, int32_t green, int32_t blue, int32_t alpha);
/* Fills an image-sized RGBA64 buffer (stride bytes a row) with 16-bit values. */
PTE_API void PTE_CALL PTE_ClearRGBA64(uint16_t* buffer, int32_t stride, uint16_t red, uint16_t green, uint16_t blue, uint16_t alpha);
/* Fills an image-sized RGBA32 buffer (stride bytes a row) with bytes. */
PTE_API void PTE_CALL PTE_ClearRGBA32(uint8_t* buffer, int32_t stride, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);
/* Fills a packed RGBA32 buffer of width x height with bytes. */
PTE_API void PTE_CALL PTE_ClearRGBA32Buf(uint8_t* buffer, int32_t width, int32_t height, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);
/* Weighs the alpha bytes of a packed RGBA32 buffer of width x height lying at (x, y) in the image by
 * the coverage of mask and texture there: alpha = trunc(coverage / 65535 * alpha). Pixels outside the
 * image are untouched; nothing without the mask in force and without a texture. */
PTE_API void PTE_CALL PTE_AdjustRGBA32RectByMaskAndTexture(uint8_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height);
/* The same at (0, 0). */
PTE_API void PTE_CALL PTE_AdjustRGBA32ByMaskAndTexture(uint8_t* buffer, int32_t width, int32_t height);
/* Premultiplies a packed RGBA32 buffer's colour by alpha for 0 < alpha < 255:
 * byte = trunc(alpha / 255 * (byte + 1)). Alpha is not changed. */
PTE_API void PTE_CALL PTE_AdjustRGBA32PreFilter(uint8_t* buffer, int32_t width, int32_t height);
/* Divides alpha out again for 0 < alpha < 255: byte = min(255, trunc(byte * 255 / alpha)). */
PTE_API void PTE_CALL PTE_AdjustRGBA32PostFilter(uint8_t* buffer, int32_t width, int32_t height);
/* With a nonzero flag, divides alpha out of an image-sized packed RGBA32 buffer for every alpha above 0. */
PTE_API void PTE_CALL PTE_AdjustRGBA32ForAlphaComp(int32_t flag, uint8_t* buffer);
/* Premultiplies a packed RGBA64 buffer's colour by alpha / 65535 for alpha above 0 (truncated). */
PTE_API void PTE_CALL PTE_AdjustRGBA64PreFilter(uint16_t* buffer, int32_t width, int32_t height);
/* Divides 16-bit alpha out again for alpha above 0 (held to 65535). */
PTE_API void PTE_CALL PTE_AdjustRGBA64PostFilter(uint16_t* buffer, int32_t width, int32_t height);

/* ---- Paint layer ----
 * An image-sized layer outside the table that collects one stroke: while it exists, dabs paint into it
 * (not into the current layer), PTE_Render shows it over the current layer, and PTE_MergePaintLayer
 * merges it as a whole with its own mode and opacity. */

/* Creates the paint layer on first use (transparent, nothing painted); an existing one keeps its
 * pixels. Sets its opacity in percent (0..100) and its blend mode by name (any other text: "Normal").
 * Needs: an image. Without memory there is no paint layer and dabs go to the current layer.
 * Error: "CreatePaintLayer Excpt". */
PTE_API void PTE_CALL PTE_CreatePaintLayer(int32_t opacityPercent, const char* modeName);
/* Clears the paint layer to transparent black and forgets what was painted (drops a stroke). Without a
 * paint layer: nothing. */
PTE_API void PTE_CALL PTE_ClearPaintLayer(void);
/* Earlier clear: opaque white outside the painted area, transparent black inside it. */
PTE_API void PTE_CALL PTE_ClearPaintLayer_old(void);

/* ---- Display options ---- */

/* The mask overlay of PTE_Render: two colours (bytes r1, g1, b1 and r2, g2, b2) in a checkerboard of
 * 32-pixel squares, and a style: 0 shows the overlay at half strength, anything else at full strength. */
PTE_API void PTE_CALL PTE_SetMaskOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t style);
/* Nonzero: PTE_Render draws the mask overlay (only while the mask is also in force). */
PTE_API void PTE_CALL PTE_DisplayMask(uint8_t shown);
/* Nonzero (the state after PTE_CreateImage): the mask limits dabs, masked loads, fills, effects and
 * drawing. 0: they change every pixel. */
PTE_API void PTE_CALL PTE_EnableMask(uint8_t active);
/* Nonzero: PTE_Render mixes the tracing layer (slot 0) half and half into the colour. */
PTE_API void PTE_CALL PTE_SetTracingMode(uint8_t on);

/* ---- Brush texture ---- */

/* Makes the brush texture from the grey level of layer index: one byte a pixel, 4..250. Dabs scale
 * their coverage by value / 256; masked loads by value / 128 where it is below 128. Needs: layer
 * index. Without: nothing.
 * Error: "CreateTexture Excpt". */
PTE_API void PTE_CALL PTE_CreateTexture(int32_t index);
/* Drops the brush texture. */
PTE_API void PTE_CALL PTE_DeleteTexture(void);

/* ---- Undo ----
 * The history keeps steps of the current layer and of the mask. Nothing is recorded until both the
 * number of steps (PTE_SetUndoLevels, 0 at load) and a budget (PTE_SetUndoMB, 0 MB at load, under which
 * each step replaces the one before) are set. A step holds the rectangle the dabs since the last save
 * covered; any other change (a load, a clear, an effect, drawing) leaves that rectangle empty, and the
 * step then holds the whole image. Selecting a layer (PTE_SetLayer) copies it and the mask into the
 * back buffers, the state the next step starts from. */

/* Records one step: with savePixels nonzero the current layer, with saveMask nonzero the mask, each as
 * it was before the changes since the last save (the back buffers) over the dirty rectangle (the whole
 * image when no dab grew it, or when it is only a pixel wide or high). Redoable steps are dropped; the
 * oldest steps are released until the new one fits the budget (the newest is always kept). The back
 * buffers then take the changed state. Needs: levels above 0, a current layer (pixels), the image's mask
 * (mask). Without levels: no step, but the back buffers still follow. Paused: nothing at all.
 * Error: "SaveUndoBuf Excpt". */
PTE_API void PTE_CALL PTE_SaveUndoBuffer(uint8_t savePixels, uint8_t saveMask);
/* Copies the whole of layer `layer` (when of the image's size) and the mask into the undo back buffers;
 * nothing while paused. PTE_SetLayer does this for the layer it selects. */
PTE_API void PTE_CALL PTE_SaveUndoBackBuffer(int32_t layer);
/* Steps back once: makes the step's layer current (as PTE_SetLayer does) and exchanges the step's
 * rectangle with it; changes not yet saved are overwritten. Nothing while paused or when no step can be
 * undone (PTE_CanUndo). Error: "Undo Excpt". */
PTE_API void PTE_CALL PTE_Undo(void);
/* Steps forward again; nothing while paused or when no step can be redone. Error: "Redo Excpt". */
PTE_API void PTE_CALL PTE_Redo(void);
/* Empties the history, ends a pause, and refreshes the back buffers from the current layer and the
 * mask. Error: "ClearUndo Excpt". */
PTE_API void PTE_CALL PTE_ClearUndo(void);
/* Releases the oldest steps that hold pixels until megabytes have been freed; the other steps keep
 * their order. Error: "ReduceUndo Excpt". */
PTE_API void PTE_CALL PTE_ReduceUndo(int32_t megabytes);
/* Empties the history (as PTE_ClearUndo) and keeps at most levels steps (held to 0..500; 0 turns
 * recording off). Error: "SetUndoLevels Excpt". */
PTE_API void PTE_CALL PTE_SetUndoLevels(int32_t levels);
/* Memory budget of the history in megabytes. 0 turns the automatic budget on, recomputed at every save:
 * 85 % of the smaller of PTE_GetAvailPhyMemory and PTE_GetAvailPgMemory, plus what the history holds,
 * less 20 KB per 1024 image pixels, and at least 15 KB per 1024 image pixels. Error: "SetUndoMB Excpt". */
PTE_API void PTE_CALL PTE_SetUndoMB(int32_t megabytes);
/* Saves, back-buffer refreshes, undo and redo do nothing until PTE_ResumeUndo (or PTE_ClearUndo). */
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
/* The budget in megabytes (recomputed first when automatic). Error: "GetTotalUndoMemory Excpt". */
PTE_API int32_t PTE_CALL PTE_GetTotalUndoMemory(void);
/* Memory the history holds, the two back buffers (W * H * 10 bytes) included, in megabytes. */
PTE_API int32_t PTE_CALL PTE_GetCurrentUndoMemory(void);

/* ---- Run-length codecs ----
 * Streams of runs laid end to end, no header: a colour run is 5 bytes (count 1..255, then the high bytes
 * of red, green, blue, alpha), a mask run 2 bytes (count, high byte). Decoding writes byte * 256. */

/* count (at least 1) RGBA64 pixels to 5-byte runs; dst holds 5 * count bytes. Returns the bytes written
 * (0 for a NULL pointer). */
PTE_API int32_t PTE_CALL PTE_RLECompressRGBA64ToRGBA32(const uint16_t* src, uint8_t* dst, int32_t count);
/* 5-byte runs to exactly count RGBA64 pixels (a run that would pass count is cut; a run of 0 is
 * skipped); returns the position past the last pixel written (dst when nothing is written). */
PTE_API uint16_t* PTE_CALL PTE_RLEUncompressRGBA32ToRGBA64(const uint8_t* src, uint16_t* dst, int32_t count);
/* count G16 values to 2-byte runs; dst holds 2 * count bytes. Returns the bytes written (0 for NULL). */
PTE_API int32_t PTE_CALL PTE_RLECompressG16ToG8(const uint16_t* src, uint8_t* dst, int32_t count);
/* 2-byte runs to exactly count G16 values. */
PTE_API void PTE_CALL PTE_RLEUncompressG8ToG16(const uint8_t* src, uint16_t* dst, int32_t count);

/* ---- Host services ---- */

/* Total physical memory in megabytes (on Linux from the kernel's accounting). Error: "GetMemory Excpt". */
PTE_API int32_t PTE_CALL PTE_GetTotalPhyMemory(void);
/* Available physical memory in megabytes. Error: "GetMemory Excpt". */
PTE_API int32_t PTE_CALL PTE_GetAvailPhyMemory(void);
/* Commit limit in megabytes. Error: "GetMemory Excpt". */
PTE_API int32_t PTE_CALL PTE_GetTotalPgMemory(void);
/* Commit capacity still available in megabytes. Error: "GetMemory Excpt". */
PTE_API int32_t PTE_CALL PTE_GetAvailPgMemory(void);
/* User address space of the process in megabytes. Error: "GetMemory Excpt". */
PTE_API int32_t PTE_CALL PTE_GetTotalVirMemory(void);
/* Unused user address space of the process in megabytes. Error: "GetMemory Excpt". */
PTE_API int32_t PTE_CALL PTE_GetAvailVirMemory(void);
/* Button-face colour as 0x00BBGGRR (0x00F0F0F0 on Linux). */
PTE_API uint32_t PTE_CALL PTE_GetWindowBackgroundColor(void);
/* Button-text colour as 0x00BBGGRR (0 on Linux). */
PTE_API uint32_t PTE_CALL PTE_GetWindowTextColor(void);
/* Renames a file; 1 on success, 0 when the target exists, the source is missing or a path is NULL.
 * Error: "RenameFile Excpt". */
PTE_API int32_t PTE_CALL PTE_RenameFile(const char* oldPath, const char* newPath);
/* 1 once after a display change was seen, else 0 (always 0 on Linux). */
PTE_API int32_t PTE_CALL PTE_IsDisplayChanged(void);
/* The system folder (at most 260 characters; "/usr/share" on Linux), engine-owned, valid until the
 * next call. Error: "GetDirInfo Excpt". */
PTE_API const char* PTE_CALL PTE_GetDirInfo(void);
/* Accepted and ignored. */
PTE_API void PTE_CALL PTE_SetGridSpacing(int32_t spacing);
/* Accepted and ignored (another name of PTE_SetGridSpacing). */
PTE_API void PTE_CALL PTE_SetGrid(int32_t spacing);

/* ---- Selection mask ----
 * The mask is G16 over the image (W * H values), 65535 fully selected, 0 protected; PTE_CreateImage
 * makes it fully selected and in force (PTE_EnableMask). It limits dabs, masked loads, fills, effects
 * and drawing; no operation here records an undo step (PTE_SaveUndoBuffer(0, 1) does). Caller images
 * are image-sized and packed: RGBA32 (W * H * 4 bytes), RGB24 (W * H * 3) or flood maps (W * H bytes,
 * 1 meaning inside). Marking operations write one value where their condition holds and leave the rest:
 * "level" (0..255) marks with ((255 - level) mod 256) * 256, so 0 writes 65280 and 255 writes 0.
 * "tolerance" is in percent: trunc(percent * 2.56) a channel, trunc(percent * 1.8) degrees of hue.
 * Every operation needs an image and does nothing without one; NULL images do nothing. Each records
 * "<name without PTE_> Excpt" when it fails, e.g. "InvertMask Excpt".
 */

/* Every mask value m becomes 65535 - m. */
PTE_API void PTE_CALL PTE_InvertMask(void);
/* Fills the mask from the grey (red + green + blue) / 3 of 16-bit components: grey 0..255 selects
 * (65535), 256..65280 gives 65280 - grey, lighter protects (0). PTE_ClearMask(0, 0, 0) selects all. */
PTE_API void PTE_CALL PTE_ClearMask(int32_t red, int32_t green, int32_t blue);
/* Writes the mask as grey RGB24 of W x H (rows stride bytes apart), 255 - (m >> 8) in every byte:
 * selected black, protected white. */
PTE_API void PTE_CALL PTE_SaveMask(uint8_t* dst, int32_t stride);
/* Reads the mask from grey RGB24 of width x height (rows stride bytes apart; clipped to the image): the
 * mean k of a pixel's bytes gives 65535 for k = 0, else (255 - k) * 256. */
PTE_API void PTE_CALL PTE_LoadMask(const uint8_t* src, int32_t stride, int32_t width, int32_t height);
/* The current layer becomes the mask as an opaque grey picture: colour min(65535 - m, 65280).
 * Needs: a current layer. */
PTE_API void PTE_CALL PTE_CreateImageFromMask(void);
/* alpha = m: the mask becomes the current layer's alpha channel. Needs: a current layer. */
PTE_API void PTE_CALL PTE_CreateAlphaFromMask(void);
/* m = alpha: the current layer's alpha channel becomes the mask. Needs: a current layer. */
PTE_API void PTE_CALL PTE_CreateMaskFromAlpha(void);
/* The mask becomes the current layer's grey (the mean of its 16-bit colour) as PTE_ClearMask maps it:
 * dark selected, light protected. Needs: a current layer. */
PTE_API void PTE_CALL PTE_CreateMaskFromImage(void);
/* Marks with value (0..65535) every pixel where two image-sized RGBA32 images differ in any byte. */
PTE_API void PTE_CALL PTE_CreateMaskFromDiff_RGBA32(const uint8_t* a, const uint8_t* b, uint16_t value);
/* Marks the pixels of an RGBA32 image whose colour bytes are exactly (c0, c1, c2). */
PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageColor(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t level);
/* Marks the pixels of an RGB24 image whose bytes are exactly (c0, c1, c2). */
PTE_API void PTE_CALL PTE_CreateMaskFromRGB24ImageColor(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t level);
/* Marks the pixels whose flood-map byte is 1. */
PTE_API void PTE_CALL PTE_CreateMaskFromFloodMask(const uint8_t* map, int32_t level);
/* Marks the pixels of an RGBA32 image whose every colour byte lies within the tolerance (percent) of
 * (c0, c1, c2). */
PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageColorRange(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t tolerance, int32_t level);
/* Marks the pixels of an RGBA32 image whose alpha byte lies within the tolerance (percent) of alpha. */
PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageAlphaRange(const uint8_t* image, int32_t alpha, int32_t tolerance, int32_t level);
/* Marks the pixels of an RGBA32 image whose mean colour byte lies within the tolerance (percent) of
 * (c0 + c1 + c2) / 3. */
PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageLuminanceRange(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t tolerance, int32_t level);
/* Marks the pixels of an RGBA32 image whose hue lies within the tolerance (percent of 180 degrees) of
 * (c0, c1, c2)'s, across 0/360 degrees; greys have hue -1, so they match a red reference. */
PTE_API void PTE_CALL PTE_CreateMaskFromRGBAImageHueRange(const uint8_t* image, int32_t c0, int32_t c1, int32_t c2, int32_t tolerance, int32_t level);
/* Weighs the alpha bytes of an image-sized RGBA32 image by the mask: ((m >> 8) * a) >> 8 (whether or
 * not the mask is in force). */
PTE_API void PTE_CALL PTE_ApplyMaskToAlpha_RGBA32(uint8_t* image);
/* The same on the RGBA32 working source buffer. Needs: iplSrc32 of the image's size and the mask in
 * force. Without: nothing. */
PTE_API void PTE_CALL PTE_ApplyMaskToAlpha_IPLSrcRGBA(void);
/* Every pixel of an image-sized RGBA32 image whose alpha byte lies within the tolerance (percent) of
 * alpha becomes (c0, c1, c2, c3); the mask is not involved. */
PTE_API void PTE_CALL PTE_ReplaceFromRGBAImageAlphaRange(uint8_t* image, int32_t alpha, int32_t tolerance, int32_t c0, int32_t c1, int32_t c2, int32_t c3);
/* Every pixel of an image-sized RGBA32 image whose flood-map byte is 1 becomes (c0, c1, c2, c3). */
PTE_API void PTE_CALL PTE_ColorRGBA32FromFloodMask(uint8_t* image, const uint8_t* map, int32_t c0, int32_t c1, int32_t c2, int32_t c3);
/* Packed width x height: each RGB24 pixel of dst takes the RGBA32 source's alpha in all three bytes. */
PTE_API void PTE_CALL PTE_RGBAlphaToRGB(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);
/* Packed width x height: each RGBA32 alpha of dst becomes the mean of the RGB24 source pixel; colour stays. */
PTE_API void PTE_CALL PTE_RGBToRGBAlpha(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);
/* Packed width x height: RGB24 colour into RGBA32, alpha unchanged. */
PTE_API void PTE_CALL PTE_RGBToRGBA(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);
/* Packed width x height: RGBA32 colour into RGB24, alpha dropped. */
PTE_API void PTE_CALL PTE_RGBAToRGB(uint8_t* dst, int32_t width, int32_t height, const uint8_t* src);

/* ---- Imaging set-up, working buffers and whole-image geometry ----
 * The working buffers are engine-owned copies of the current layer at 8 bits: iplSrc32 and iplDst32
 * (RGBA32, W * H * 4 bytes, packed) and iplSrc24 and iplDst24 (RGB24, W * H * 3 bytes). They are sized
 * when allocated, do not follow the layer (iplSrc32 keeps what it was filled with until
 * PTE_IPLUpdateSrcBuffer32, or another allocation, refills it) nor size changes, and live until freed,
 * PTE_NewSize or PTE_DeleteImage. Effects and Lua filters need iplSrc32 and iplDst32; the paint bucket,
 * the wand and the clipboard pastes allocate and free iplSrc32 themselves, shapes and gradients
 * iplDst32, also when the host had allocated it.
 */

/* Starts the imaging library. Optional here: every imaging call also works without it. */
PTE_API void PTE_CALL PTE_IPLInit(void);
/* Leaves the imaging library. */
PTE_API void PTE_CALL PTE_IPLExit(void);
/* (Re)allocates iplSrc32 and fills it with the current layer as RGBA32 (transparent black without a
 * current layer). Needs: an image. Error: "IPLAllocSrcBuffer32 Excpt" (the buffer is then missing). */
PTE_API void PTE_CALL PTE_IPLAllocSrcBuffer32(void);
/* Frees iplSrc32; nothing if there is none. Error: "IPLFreeSrcBuffer32 Excpt". */
PTE_API void PTE_CALL PTE_IPLFreeSrcBuffer32(void);
/* (Re)allocates iplDst32, contents unset. Error: "IPLAllocDstBuffer32 Excpt". */
PTE_API void PTE_CALL PTE_IPLAllocDstBuffer32(void);
/* Frees iplDst32. Error: "IPLFreeDstBuffer32 Excpt". */
PTE_API void PTE_CALL PTE_IPLFreeDstBuffer32(void);
/* (Re)allocates iplSrc24 and fills it with the current layer's colour (black without one).
 * Error: "IPLAllocSrcBuffer24 Excpt". */
PTE_API void PTE_CALL PTE_IPLAllocSrcBuffer24(void);
/* Frees iplSrc24. Error: "IPLFreeSrcBuffer24 Excpt". */
PTE_API void PTE_CALL PTE_IPLFreeSrcBuffer24(void);
/* (Re)allocates iplDst24, contents unset. Error: "IPLAllocDstBuffer24 Excpt". */
PTE_API void PTE_CALL PTE_IPLAllocDstBuffer24(void);
/* Frees iplDst24. Error: "IPLFreeDstBuffer24 Excpt". */
PTE_API void PTE_CALL PTE_IPLFreeDstBuffer24(void);
/* Copies an image-sized packed RGBA32 picture (W * H * 4 bytes) into iplSrc32. Needs: iplSrc32 of the
 * image's size. Without: nothing. Error: "IPLSetSrcBuffer32 Excpt". */
PTE_API void PTE_CALL PTE_IPLSetSrcBuffer32(const uint8_t* picture);
/* Refills iplSrc32 from the current layer (call it after painting or after selecting another layer,
 * before a Lua filter or an effect that reads the source as it stands) and returns it (engine-owned,
 * W * H * 4 bytes, valid until freed or allocated again). Needs: iplSrc32. Without: NULL.
 * Error: "IPLUpdateSrcBuffer32 Excpt". */
PTE_API uint8_t* PTE_CALL PTE_IPLUpdateSrcBuffer32(void);
/* Resamples every layer 1..63 of the image's size (the tracing layer is not touched) to newWidth x
 * newHeight (each 1..10000) with a filter named exactly: "Area Average", "Nearest Neighbor", "Bilinear",
 * "Bicubic", "Box", "Triangle", "Hamming", "Gaussian", "Bell", "B-Spline", "Cubic 1", "Cubic 2",
 * "Lanczos3", "Mitchell", "Sinc", "Hermite", "Hanning", "Catrom". Layers keep their options. The image
 * size stays: follow with PTE_NewSize(newWidth, newHeight). Any other name changes nothing; a size out of
 * range records "IPLResize Excpt" and changes nothing. */
PTE_API void PTE_CALL PTE_IPLResize(int32_t newWidth, int32_t newHeight, const char* filterName);
/* Changes the canvas of every layer to newWidth x newHeight (1..10000), keeping the pixels at an anchor:
 * "TL", "TC", "TR", "ML", "MC", "MR", "BL", "BC", "BR" (top/middle/bottom, left/centre/right). New
 * canvas is opaque white on the background, transparent elsewhere. Follow with PTE_NewSize. Any other
 * anchor changes nothing. Error: "IPLResizePage Excpt". */
PTE_API void PTE_CALL PTE_IPLResizePage(int32_t newWidth, int32_t newHeight, const char* anchor);
/* Cuts every layer to columns left..right-1 and rows top..bottom-1 (inside the image, not empty, else
 * "IPLCrop Excpt" and nothing changes). Follow with PTE_NewSize(right - left, bottom - top). */
PTE_API void PTE_CALL PTE_IPLCrop(int32_t left, int32_t top, int32_t right, int32_t bottom);
/* Turns every layer a quarter counter-clockwise (layers become H x W); follow with PTE_NewSize(H, W).
 * Error: "IPLRotateLeft Excpt". */
PTE_API void PTE_CALL PTE_IPLRotateLeft(void);
/* Turns every layer a quarter clockwise (layers become H x W); follow with PTE_NewSize(H, W).
 * Error: "IPLRotateRight Excpt". */
PTE_API void PTE_CALL PTE_IPLRotateRight(void);
/* Mirrors every layer left to right in place; a layer with keepAlpha keeps its alpha.
 * Error: "IPLFlipHorizontal Excpt". */
PTE_API void PTE_CALL PTE_IPLFlipHorizontal(void);
/* Mirrors every layer top to bottom in place; a layer with keepAlpha keeps its alpha.
 * Error: "IPLVlipVertical Excpt" (spelled so). */
PTE_API void PTE_CALL PTE_IPLFlipVertical(void);

/* ---- Effects and adjustments ----
 * PTE_IPLImageProcess applies one of 159 named effects to the current layer through the RGBA32 working
 * buffers: the six settings p1..p6 are tenths (0..1000, read as tk = pk * 0.1, so 500 is the middle of
 * most ranges), p7 and p8 options, f1..f6 flags (low bytes), a colour (bytes), a seed for the random
 * effects and a path (an effect script, or the Lua filter of "Lua Filter"). Names are exact and
 * case-sensitive (PTE_GetEffectName lists them). Results come back through the selection mask and
 * keep a keepAlpha layer's alpha; the host saves an undo step afterwards. */

/* Applies the effect effectName to the current layer. Needs: iplSrc32 and iplDst32 of the image's size
 * (PTE_IPLAllocSrcBuffer32, PTE_IPLAllocDstBuffer32; most effects refresh iplSrc32 from the layer
 * themselves) and a current layer. Frees iplSrc24 and iplDst24 afterwards. The first argument is not
 * read; p8 of the generators is a blend-mode number (table above). Returns 1 for a catalogue name (also
 * for the few whose method this build does not carry yet: PTE_GetEffectRoute says "not yet available",
 * and nothing changes), 0 for any other name or without the working buffers.
 * Error: "IPLImageProc Excpt" (steps already loaded stay). */
PTE_API int32_t PTE_CALL PTE_IPLImageProcess(int32_t reserved, const char* effectName, int32_t seed, int32_t p1, int32_t p2, int32_t p3, int32_t p4, int32_t p5, int32_t p6, int32_t p7, int32_t p8, uint8_t f1, uint8_t f2, uint8_t f3, uint8_t f4, uint8_t f5, uint8_t f6, int32_t red, int32_t green, int32_t blue, const char* text);
/* The name of catalogue entry index (0..158, in dispatch order), static text; NULL outside. */
PTE_API const char* PTE_CALL PTE_GetEffectName(int32_t index);
/* How entry index is carried out ("in place", "filtered", "plain", "24-bit", "transform", "warp",
 * "script", "script twice", "built-in", "recipe", "generator", "script file", "Lua"), with
 * " (not yet available)" when this build does not carry it; static text, NULL outside 0..158. */
PTE_API const char* PTE_CALL PTE_GetEffectRoute(int32_t index);
/* Sharpens the current layer, steepens its contrast by amount (0..1000; with flag 1 once more at 1) and
 * multiplies its saturation by a factor of saturation (0..100): 1 at 50, rising to 3 at 100 and
 * falling through 0 (grey) at 33.3 to -2 at 0.
 * Needs: iplSrc32 and iplDst32, a current layer. Returns 1 when the last step was loaded, else 0.
 * Error: "IPLPhotoPop Excpt". */
PTE_API int32_t PTE_CALL PTE_IPLPhotoPop(int32_t amount, double saturation, uint8_t flag);
/* Shifts hue (degrees), saturation and lightness (percent, -100..100) of every pixel of a packed
 * RGBA32 buffer of width x height; alpha untouched, greys keep hue and saturation 0. */
PTE_API void PTE_CALL PTE_ProcessBuffer_HSLAdjust(uint8_t* buffer, int32_t width, int32_t height, int32_t hue, int32_t saturation, int32_t lightness);
/* The same with hue, saturation and value. */
PTE_API void PTE_CALL PTE_ProcessBuffer_HSVAdjust(uint8_t* buffer, int32_t width, int32_t height, int32_t hue, int32_t saturation, int32_t value);
/* Box-blurs a packed RGB24 buffer of width x height over a square of side 2 * (size / 5) + 3 pixels,
 * mixed in at weight percent (0..100). Error: "BlurMoreBuffer Excpt". */
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
 * Files are read in the format their content shows (BMP, JPEG, PNG, TIFF, GIF, TGA, PCX, PSD; metafiles
 * .wmf and .emf are drawn at the image's size over the brush colour) and written in the format the
 * extension names, compared without regard to case and with its dot: ".bmp", ".jpg", ".png", ".tif",
 * ".tga", ".gif", ".pcx", ".psd", ".wmf", ".emf". An extension a call does not offer writes nothing.
 * The newRGBA buffer is one engine-owned RGBA32 picture (packed rows) that reading, pasting, capture
 * and scanning fill; it survives PTE_DeleteImage and lives until PTE_DeleteNewRGBA or the next fill. */

/* Resolution of a picture file in dots per inch, snapped to 72, 96, 150, 200, 300, 450 or 600 (72
 * without one or when the file cannot be read). Error: "GetDPIFromFile Excpt". */
PTE_API int32_t PTE_CALL PTE_GetDPIFromFile(const char* path);
/* Reads a picture file into newRGBA (a metafile at W x H, so it needs an image); 1 on success, else 0
 * with newRGBA as it was. Error: "ReadFromFile Excpt", or "CreateNewRGBA Excpt" without memory. */
PTE_API int32_t PTE_CALL PTE_ReadFromFile(const char* path);
/* Reads a picture file into dst (packed RGB24, width * height * 3 bytes) only when it is exactly width
 * x height; 1 on success, else 0 with dst untouched. Error: "ReadFromFileRGB24 Excpt". */
PTE_API int32_t PTE_CALL PTE_ReadFromFileRGB24(uint8_t* dst, int32_t width, int32_t height, const char* path);
/* The same into packed RGBA32 (width * height * 4 bytes; alpha 255 where the file has none).
 * Error: "ReadFromFileRGBA32 Excpt". */
PTE_API int32_t PTE_CALL PTE_ReadFromFileRGBA32(uint8_t* dst, int32_t width, int32_t height, const char* path);
/* Writes packed RGB24 of width x height as ext (".bmp" ".png" ".emf" ".gif" ".jpg" (quality 97) ".pcx"
 * ".psd" or ".wmf", which writes an enhanced metafile) at dpi dots per inch; the file appears whole or
 * not at all. Nonzero on success, 0 otherwise (nothing written for another extension).
 * Error: "WriteToFileRGB24 Excpt". */
PTE_API int32_t PTE_CALL PTE_WriteToFileRGB24(const uint8_t* src, int32_t width, int32_t height, const char* path,
                                              const char* ext, int32_t dpi);
/* Writes packed RGBA32 of width x height as ".png", ".tga" or ".tif" at dpi; nonzero on success, 0
 * otherwise. Error: "WriteToFileRGBA32 Excpt". */
PTE_API int32_t PTE_CALL PTE_WriteToFileRGBA32(const uint8_t* src, int32_t width, int32_t height, const char* path,
                                               const char* ext, int32_t dpi);
/* Writes the flattened visible layers (as PTE_MergeRect: no paint layer, no checkerboard) row by row as
 * RGB24 ".bmp", ".png" or ".jpg" (quality 97) at dpi; another extension writes nothing. Needs: an image.
 * Error: "PTE_SavePageToFileRGB24 Excpt" (also when the file cannot be written). */
PTE_API void PTE_CALL PTE_SavePageToFileRGB24(const char* path, const char* ext, int32_t dpi);
/* The same as RGBA32 ".png", ".tga" or ".tif". Error: "PTE_SavePageToFileRGB32 Excpt". */
PTE_API void PTE_CALL PTE_SavePageToFileRGB32(const char* path, const char* ext, int32_t dpi);
/* Writes a 24-bit BMP thumbnail of a picture file, 100 pixels along its longer side; always 0.
 * Error: "MakeThumbnails Excpt". */
PTE_API int32_t PTE_CALL PTE_MakeThumbnail(const char* from, const char* to);
/* Writes a JPEG (quality 75) of a picture file fitted into maxWidth x maxHeight, never enlarged;
 * always 0. Error: "MakeWebPic Excpt". */
PTE_API int32_t PTE_CALL PTE_MakeWebPic(const char* from, const char* to, int32_t maxWidth, int32_t maxHeight);
/* Width of newRGBA in pixels (0 without a picture). */
PTE_API int32_t PTE_CALL PTE_GetNewRGBAWidth(void);
/* Height of newRGBA in pixels (0 without a picture). */
PTE_API int32_t PTE_CALL PTE_GetNewRGBAHeight(void);
/* Copies newRGBA (width * height * 4 bytes, packed) into dst; nothing without a picture.
 * Error: "GetNewRGBA32 Excpt". */
PTE_API void PTE_CALL PTE_GetNewRGBA32(uint8_t* dst);
/* Copies red, green, blue of newRGBA (width * height * 3 bytes, packed) into dst; nothing without a
 * picture. Error: "GetNewRGBA24 Excpt". */
PTE_API void PTE_CALL PTE_GetNewRGBA24(uint8_t* dst);
/* Copies newRGBA resampled to width x height (averaged down when smaller both ways, else bilinear) into
 * dst as packed RGB24 (width * height * 3 bytes). Error: "GetResizedNewRGB24 Excpt". */
PTE_API void PTE_CALL PTE_GetResizedNewRGBA24(uint8_t* dst, int32_t width, int32_t height);
/* Loads newRGBA into the current layer at (0, 0) through the mask. Needs: a picture, a current layer.
 * Error: "SetInNewRGBA Excpt". */
PTE_API void PTE_CALL PTE_SetInNewRGBA(void);
/* Frees newRGBA; its width and height become 0. Error: "DeleteNewRGBA Excpt". */
PTE_API void PTE_CALL PTE_DeleteNewRGBA(void);
/* ---- Compositing ---- */

/* Composites the visible layers (the paint layer laid over the current layer, "Texturize3" and
 * "Layer Mask" layers not shown, transparency as a white and grey checkerboard, the tracing layer and
 * the mask overlay when asked for) for the image rectangle (x, y, width, height) at the zoom of
 * PTE_SetScale, into buffer: blue-green-red bytes, rows stride bytes apart, the rectangle's top-left at
 * buffer's first byte. The rectangle is clipped to the image; the display area is width x height at
 * 1:1, width / d x height / d reduced by d, width * n x height * n enlarged by n, and at most the view
 * size (PTE_SetViewSize) in each direction: buffer holds that many rows of stride bytes, each 3 bytes a
 * column. Needs: an image, a current layer (with pixels), a view size. Without: nothing written.
 * Allocates nothing. Error: "Render Excpt". */
PTE_API void PTE_CALL PTE_Render(uint8_t* buffer, int32_t stride, int32_t x, int32_t y, int32_t width, int32_t height);

/* ---- Merging ----
 * Merges blend with the source's mode and opacity (and its "Layer Mask" layer, when the slot above is
 * one). Unlike PTE_Render they keep the background's own alpha and truncate to 16 bits per layer. */

/* Ends a stroke: merges the painted area of the paint layer into layer index with the paint layer's
 * mode and opacity (ignoring the mask and keepAlpha: the dabs already honoured them), then clears the
 * paint layer. Saves no undo step (PTE_SaveUndoBuffer does). Needs: layer index, a paint layer with
 * something painted. Without: nothing merged (the paint layer is still cleared).
 * Error: "MergePaintLayer Excpt". */
PTE_API void PTE_CALL PTE_MergePaintLayer(int32_t index);
/* Merges the whole of layer `from` into layer `to`. Needs: both layers. Error: "MergeLayer Excpt". */
PTE_API void PTE_CALL PTE_MergeLayer(int32_t from, int32_t to);
/* Merges the rectangle (x, y, width, height) of layer `from` into a packed RGBA64 buffer of width x
 * height (width * height * 8 bytes) at its (0, 0); parts outside the layer are skipped.
 * Error: "MergeLayerIntoRect Excpt". */
PTE_API void PTE_CALL PTE_MergeLayerIntoRect(int32_t from, uint16_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height);
/* Merges the whole of layer `from` into an image-sized packed RGBA64 buffer. Error: "MergeLayerInto Excpt". */
PTE_API void PTE_CALL PTE_MergeLayerInto(int32_t from, uint16_t* buffer);
/* Flattens the visible layers' rectangle (x, y, width, height) into a packed RGBA64 buffer of width x
 * height: zeroed, the background copied (when its visible flag is exactly 1, its own alpha, no opacity),
 * then layers 2..63 merged. No paint layer. Parts outside the image stay 0. Error: "MergeRect Excpt". */
PTE_API void PTE_CALL PTE_MergeRect(uint16_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height);
/* Flattens the visible layers into an image-sized packed RGBA64 buffer (W * H * 8 bytes).
 * Error: "Merge Excpt". */
PTE_API void PTE_CALL PTE_Merge(uint16_t* buffer);
/* The flattened colour at (x, y) as 0x00RRGGBB of high bytes, -1 where transparent (alpha below 256)
 * or outside the image. Error: "PTE_GetColorAtMerged Excpt" (then 0). */
PTE_API int32_t PTE_CALL PTE_GetColorAtMerged(int32_t x, int32_t y);
/* Earlier load: weighs src's alpha in place by mask and texture (useMask; src is changed), clears the
 * current layer where the mask allows (whichever index is), then merges src (packed RGBA32 of width x
 * height, laid at (0, 0) and clipped to the image) into layer index in "Normal" at opacity 255 of 256
 * with the layer's keepAlpha. The second argument is not read. Error: "LoadRGBA32Layer Excpt". */
PTE_API void PTE_CALL PTE_LoadRGBA32Layer_BAD(uint8_t* src, int32_t ignored, int32_t index, int32_t width, int32_t height, uint8_t useMask);

/* ---- Brush settings ----
 * Settings are plain values kept until changed; nothing checks them. At load the brush has size 0,
 * alpha 0 %, tip strength 0 and mix kind 0 (multiply): a host sets size, alpha and the tool
 * (PTE_SetSize, PTE_SetAlpha, PTE_SetTool) before the first dab paints anything. Colours given as
 * bytes are stored * 256 (255 gives 65280). Weights "0..256" are shares out of 256. */

/* Brush colour from bytes (only the low byte of each counts), stored * 256, opaque. PTE_DrawDabGrit
 * sets it from its own arguments; this colour serves blend pick-up, mask dabs and metafile backgrounds. */
PTE_API void PTE_CALL PTE_SetColor(int32_t red, int32_t green, int32_t blue);
/* Brush colour from 16-bit values (0..65535), opaque. */
PTE_API void PTE_CALL PTE_SetColor16(uint16_t red, uint16_t green, uint16_t blue);
/* The four bank colours of the bank mix kinds (249..255, 259, 260), red, green, blue bytes of banks 0 to 3. */
PTE_API void PTE_CALL PTE_SetColorBanks(int32_t r0, int32_t g0, int32_t b0, int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3);
/* Weight (0..256) of picked-up colour: above 0, dabs paint the blend buffer's colour instead of their
 * own and the blend-buffer copies work; 0 turns pick-up blending off. */
PTE_API void PTE_CALL PTE_SetBlendStrength(int32_t strength);
/* Weight (0..256) of the brush colour mixed into picked-up colour; 0 is off. */
PTE_API void PTE_CALL PTE_SetBlendPrimaryColorStrength(int32_t strength);
/* Nonzero: every pixel a blending dab paints is mixed back into the blend buffer (smudging). */
PTE_API void PTE_CALL PTE_SetBlendRemix(uint8_t remix);
/* With grit on (PTE_SetTool's gritBlock), only grit values up to density - 1 are painted (density
 * 1..255; grit from the random tables runs 0..253, and 255 marks pixels never painted). */
PTE_API void PTE_CALL PTE_SetDensity(int32_t density);
/* Brush opacity in percent: 100 or more is full, 1..99 scales coverage by trunc(percent * 1.28) / 128,
 * 0 (the state at load) paints nothing. */
PTE_API void PTE_CALL PTE_SetAlpha(int32_t percent);
/* Random shift of each dab's colour and alpha by (amount / 2 - a random 0..amount-1) * 256; 0 or less is off. */
PTE_API void PTE_CALL PTE_SetColorVary(int32_t amount);
/* Nonzero: dabs painted straight into a layer (no paint layer) leave its alpha unchanged. */
PTE_API void PTE_CALL PTE_SetAlphaLocked(int32_t locked);
/* Nonzero: dabs leave the colour unchanged (alpha only). */
PTE_API void PTE_CALL PTE_SetColorLocked(int32_t locked);
/* Nonzero: alpha changes only where old and new alpha are above 8191; erasing stops at 9215. */
PTE_API void PTE_CALL PTE_SetBlobLocked(int32_t locked);
/* Above 0 (held to 65535): the alpha every painted pixel gets instead of the computed one; 0 is off. */
PTE_API void PTE_CALL PTE_SetAlphaLevel(int32_t level);
/* Nonzero: picked-up alpha shapes the coverage (image brushes). */
PTE_API void PTE_CALL PTE_SetImageBrushMode(int32_t on);
/* Nonzero: every covered tip pixel paints with full coverage (hard edges). */
PTE_API void PTE_CALL PTE_SetSolidBrushMode(int32_t on);
/* Mode 1 turns the tip by degrees in every dab; any other mode only stores the angle. */
PTE_API void PTE_CALL PTE_SetRotateBrushMode(int32_t mode, int32_t degrees);
/* Paint-mix kind of dabs and its amount (0..256, the mixed colour's share). Kinds: 32 normal (what
 * PTE_SetTool sets), 33 and below multiply; 34 screen, 35 darken, 36 lighten, 37 difference, 38
 * negation, 39 exclusion, 40 overlay, 41 hard light, 42 soft light, 43 dodge, 44 burn, 45, 46, 47 add,
 * 48 linear burn; 249..262 bank and band kinds (PTE_SetColorBanks); 295 posterise by (amount - 127) *
 * 16 / 127 bits; 340 grey 32767 with alpha from luminance. Other kinds above 33 are undefined. */
PTE_API void PTE_CALL PTE_SetMixMode(int32_t kind, int32_t amount);
/* The next dab ignores the blend buffer. */
PTE_API void PTE_CALL PTE_TempDisableBlend(void);
/* Dabs paint into the selection mask (dark selects, white protects) until the next PTE_SetTool. */
PTE_API void PTE_CALL PTE_SetMaskMakerOn(void);
/* The next dab erases: alpha falls by the coverage, colour stays (in mask-maker mode: it selects, until
 * the next PTE_SetTool). Call it before each erasing dab. */
PTE_API void PTE_CALL PTE_SetEraseModeOn(void);
/* One dab fewer before the next grit pattern change (with grit on). */
PTE_API void PTE_CALL PTE_DecDrawingLength(void);
/* Seeds the engine's random generator (also reseeded with this seed by PTE_SetTool); one seed, the
 * same settings and the same calls reproduce a stroke. */
PTE_API void PTE_CALL PTE_SetRandomSeed(int32_t seed);
/* The host's start folder (shorter than 1024 bytes, else ignored): Lua paint scripts are written to
 * <path>/scripts/luapaint.srp, and the scripts folder must exist. */
PTE_API void PTE_CALL PTE_SetStartDir(const char* path);
/* Tip edge in pixels, held to 0..1000; dabs use at most the tip capacity of PTE_CreateImage. 0 (the
 * state at load) paints nothing. Set it before PTE_SetTool or PTE_SetBrushShape: the tip is built at
 * the size then in force. Resets PTE_SetScaleSize. */
PTE_API void PTE_CALL PTE_SetSize(int32_t size);
/* Shrinks the dab on the image to n x n pixels (held to 1..size and to 999) while the tip keeps its
 * size: each dab pixel samples the centre of the tip pixels it stands for. */
PTE_API void PTE_CALL PTE_SetScaleSize(int32_t n);
/* Per-pixel colour variation of dabs (random shifts of up to amount, 0 or less is off); builds a table
 * of 3 * tip capacity random bytes. Error: "MakeRandArrayByte Excpt". */
PTE_API void PTE_CALL PTE_SetPixColorVary(int32_t amount);
/* Per-pixel luminance variation (0..256 sensible, 0 or less is off). Error: "MakeRandArrayByte Excpt". */
PTE_API void PTE_CALL PTE_SetPixLumVary(int32_t amount);
/* Sets up the tool, then builds the grit patterns and the tip at the current brush size:
 *   tipStrength       factor 0..1 on every tip value (0 makes an empty tip that paints nothing);
 *   gritBlock         edge of a grit block in tip pixels; 0 turns grit off;
 *   gritBlockThreshold 0..255: about threshold/255 of the blocks carry grit;
 *   gritPixelThreshold 0..255: about threshold/255 of a carrying block's pixels are painted;
 *   tipSoftness       0..255: width of the disc's soft edge, softness/255 of the radius;
 *   colorVary         as PTE_SetColorVary;
 *   drawingLength     dabs drawn with one grit pattern before another is chosen;
 *   blendStrength     as PTE_SetBlendStrength (0..256);
 *   primaryStrength   as PTE_SetBlendPrimaryColorStrength (0..256);
 *   blendRemix        as PTE_SetBlendRemix;
 *   reserved1, reserved2  stored, read by nothing (pass 0);
 *   tipInvert         nonzero inverts the disc tip (65535 - value);
 *   gritSource        effect script or picture file the 20 grit patterns are cut from ("" or one
 *                     character: patterns from the random tables);
 *   shapeSource       tip shape as PTE_SetBrushShape ("" or one character: the disc);
 *   shapeAngle        degrees the shape picture is turned.
 * Also reseeds the random generator with PTE_SetRandomSeed's seed, sets mix kind 32 (normal painting)
 * and ends mask-maker and erase mode. Needs: an image (the tip buffers). Error: "SetTool Excpt". */
PTE_API void PTE_CALL PTE_SetTool(float tipStrength, int32_t gritBlock, int32_t gritBlockThreshold, int32_t gritPixelThreshold, uint8_t tipSoftness, int32_t colorVary, int32_t drawingLength, int32_t blendStrength, int32_t primaryStrength, uint8_t blendRemix, uint8_t reserved1, uint8_t tipInvert, uint8_t reserved2, const char* gritSource, const char* shapeSource, int32_t shapeAngle);
/* Writes the high bytes of a 16-bit colour at (x, y) of an RGB24 buffer (rows stride bytes apart) when
 * (x, y) lies inside the image (the image's size bounds it, not the buffer's). */
PTE_API void PTE_CALL PTE_SetPixelRGB24(uint8_t* buffer, int32_t stride, int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue);

/* ---- Brush tips ---- */

/* Rebuilds the tip at the brush size: from the picture at path (an effect script, else an image file),
 * greyed, stretched to size x size and turned by angle degrees (grey * 256 * tip strength), or the disc
 * with PTE_SetTool's softness, strength and inversion when path has fewer than 2 characters or gives no
 * picture. Needs: an image. Without: nothing. Error: "SetBrushShape Excpt". */
PTE_API void PTE_CALL PTE_SetBrushShape(const char* path, int32_t angle);
/* As PTE_SetBrushShape, reading the path only as an image file. Error: "SetBrushShape Excpt". */
PTE_API void PTE_CALL PTE_SetBrushShape_ORIGINAL(const char* path, int32_t angle);
/* Rewrites layer index as grey paint whose alpha follows its luminance (alpha above 8191 becomes
 * trunc(grey * 0.843 + 10239)); mode 1 keeps some colour, pulling dark and light toward the middle.
 * Needs: layer index. Error: "CreateBlobFromImage Excpt". */
PTE_API void PTE_CALL PTE_CreateBlobFromImage(int32_t index, int32_t mode);

/* ---- Dabs ---- */

/* Stamps the tip centred at (x, y) (image pixels; anywhere, clipped to the image) with the colour
 * red, green, blue (16-bit values; only the high byte is kept, and it becomes the brush colour) into
 * the paint layer when there is one, else into the current layer; in mask-maker mode into the mask.
 * Coverage is the tip times alpha, texture and mask; grit, locks, variation, blending and the mix kind
 * apply. Painted straight, the tracing layer and the background keep their alpha. Grows the undo dirty
 * rectangle and the paint layer's painted area, and ends the one-dab flags. Needs: an image, a current
 * layer (also with a paint layer), a brush size above 0 (PTE_SetSize), an alpha above 0 (PTE_SetAlpha)
 * and a tip (PTE_SetTool with a tip strength above 0). Without: nothing is painted. */
PTE_API void PTE_CALL PTE_DrawDabGrit(int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue);
/* Stamps the tip into the mask with the brush colour's mask value (black paints 65535, selecting;
 * white paints 0, protecting). Needs: an image. */
PTE_API void PTE_CALL PTE_DrawDabGritMask(int32_t x, int32_t y);

/* ---- Blend buffer ----
 * A tip-sized RGBA64 square of colour picked up around the brush, which blending dabs paint. The copies
 * fill its size x size square from the picture around (x, y): each picked-up colour is mixed with the
 * brush colour by mix (0..256, the brush colour's share: 0 takes the canvas, 256 the brush colour), and
 * its alpha is lowered by the mask in force. A window crossing the image's edge refills the whole square
 * first. Needs: an image and a blend strength above 0 (PTE_SetBlendStrength or PTE_SetTool). Without:
 * nothing. */

/* Picks up colour around (x, y) from an image-sized RGBA64 picture (W * H * 8 bytes, packed); hold
 * (low byte) nonzero keeps the old colour where the window leaves the image, turned opaque. */
PTE_API void PTE_CALL PTE_DoCopyBlendBuffer(int32_t x, int32_t y, const uint16_t* source, int32_t mix, int32_t hold);
/* PTE_DoCopyBlendBuffer from the current layer. */
PTE_API void PTE_CALL PTE_CopyBlendBufferSurface(int32_t x, int32_t y, int32_t mix, int32_t hold);
/* PTE_DoCopyBlendBuffer from layer index (nothing without its pixels). */
PTE_API void PTE_CALL PTE_CopyBlendBufferLayer(int32_t index, int32_t x, int32_t y, int32_t mix);
/* PTE_DoCopyBlendBuffer from the undo back buffer: the current layer as it was at the last save. */
PTE_API void PTE_CALL PTE_CopyBlendBufferHistory(int32_t x, int32_t y, int32_t mix);
/* Another name of PTE_CopyBlendBufferHistory. */
PTE_API void PTE_CALL PTE_CopyBlendBufferUnderLayer(int32_t x, int32_t y, int32_t mix);
/* PTE_DoCopyBlendBuffer from the tracing layer; nothing when it has no pixels. */
PTE_API void PTE_CALL PTE_CopyBlendBufferTrace(int32_t x, int32_t y, int32_t mix);
/* Mask-maker form: the mask around (x, y) mixed with the brush colour's mask value (read whether or not
 * the mask is in force). */
PTE_API void PTE_CALL PTE_DoCopyBlendBufferMask(int32_t x, int32_t y, int32_t mix);
/* Empties the blend buffer (all 0). */
PTE_API void PTE_CALL PTE_ClearBlendBuffer(void);
/* Colour filter over the blend buffer's used square (alpha untouched): kind 289 grey, 290 invert, 291
 * zero below levelPercent % of 65535, 292 raise above levelPercent % to 65280; other kinds nothing. */
PTE_API void PTE_CALL PTE_FilterBlendBuffer(int32_t kind, int32_t levelPercent);

/* ---- Colour sampling ---- */

/* Red (0..65535) of the current layer at (x, y); 0 outside the image or without a current layer. */
PTE_API int32_t PTE_CALL PTE_GetRed64(int32_t x, int32_t y);
/* Green of the current layer at (x, y); 0 outside the image or without a current layer. */
PTE_API int32_t PTE_CALL PTE_GetGreen64(int32_t x, int32_t y);
/* Blue of the current layer at (x, y); 0 outside the image or without a current layer. */
PTE_API int32_t PTE_CALL PTE_GetBlue64(int32_t x, int32_t y);
/* Alpha of the current layer at (x, y); 0 outside the image or without a current layer. */
PTE_API int32_t PTE_CALL PTE_GetAlpha64(int32_t x, int32_t y);
/* 65535 - the mask at (x, y): 0 = paintable, 65535 = protected; 0 outside the image or while the mask is
 * not in force. */
PTE_API int32_t PTE_CALL PTE_GetMask64(int32_t x, int32_t y);
/* Colour of an image-sized RGBA64 picture at (x, y) held to the image (a point outside samples the
 * nearest edge): 0x00RRGGBB of high bytes, -1 where alpha is below 256, 0 for NULL or without an image
 * (black is 0 too). */
PTE_API int32_t PTE_CALL PTE_GetColorAt(int32_t x, int32_t y, const uint16_t* pixels);
/* PTE_GetColorAt of the current layer (0 without one). */
PTE_API int32_t PTE_CALL PTE_GetColorAtSurface(int32_t x, int32_t y);
/* PTE_GetColorAt of layer index (0 without its pixels). */
PTE_API int32_t PTE_CALL PTE_GetColorAtLayer(int32_t x, int32_t y, int32_t index);
/* PTE_GetColorAt of the undo back buffer: the current layer as it was at the last save. */
PTE_API int32_t PTE_CALL PTE_GetColorAtUnderLayer(int32_t x, int32_t y);
/* PTE_GetColorAt of the undo back buffer while a step can be undone, else 0. */
PTE_API int32_t PTE_CALL PTE_GetColorAtHistory(int32_t x, int32_t y);
/* PTE_GetColorAt of the tracing layer; 0 when it has no pixels. */
PTE_API int32_t PTE_CALL PTE_GetColorAtTrace(int32_t x, int32_t y);

/* ---- Lua filter scripts ---- */

/* Runs the Lua 5.1 filter script at path once over the current layer: the script reads iplSrc32 as it
 * stands (it is not refreshed here: call PTE_IPLUpdateSrcBuffer32 after painting or selecting another
 * layer, or the script reads old pixels) and writes a copy in iplDst32; when it ends without error
 * the copy is loaded into the current layer through the mask. Globals: width, height, bound_x0..y1,
 * sliderVal1..6 = slider * 0.001, styleVal1..2 = style + 1, flagVal1..6 = low byte nonzero, and
 * MERGE_NORMAL..MERGE_TEXTURIZE3. Scripts get the standard libraries without what could harm the
 * machine (PAINTCORE_LUA_TRUSTED=1 gives all of them); Escape stops an endless one. A script that
 * cannot be loaded or fails is reported on standard error under "Lua Script Error" and recorded as the
 * last error "Lua Script Error: <text>"; the layer keeps only what "flush" and "merge" already did.
 * Needs: iplSrc32 and iplDst32 of the image's size, a current layer. Without the buffers: nothing.
 * Error: "LuaFilterRun Excpt". */
PTE_API void PTE_CALL PTE_LuaFilterRun(const char* path, int32_t slider1, int32_t slider2, int32_t slider3, int32_t slider4, int32_t slider5, int32_t slider6, int32_t style1, int32_t style2, int32_t flag1, int32_t flag2, int32_t flag3, int32_t flag4, int32_t flag5, int32_t flag6);
/* ---- Image brushes ----
 * A small picture stamped through the blend buffer instead of a flat
 * colour: kept at its loaded size (at most the tip capacity a side), sized
 * to the brush size on demand, optionally turned. Operations that use the
 * brush size do nothing while it is 0. */

/* Loads a picture file as the image brush; nothing when it cannot be read or is larger than the tip
 * capacity. Error: "LoadImageBrush Excpt". */
PTE_API void PTE_CALL PTE_LoadImageBrush(const char* path);
/* Loads packed RGBA32 host pixels of width x height as the image brush, if they fit the tip capacity.
 * Error: "LoadImageBrushFromRGBA32 Excpt". */
PTE_API void PTE_CALL PTE_LoadImageBrushFromRGBA32(const uint8_t* pixels, int32_t width, int32_t height);
/* Loads a strip of square frames (height x height each, width / height of them) from a picture file;
 * the brush becomes one empty frame until PTE_CopyFromImageBrushArray. Error: "LoadImageBrushArray Excpt". */
PTE_API void PTE_CALL PTE_LoadImageBrushArray(const char* path);
/* The image brush becomes the blend buffer's used square (brush size x brush size).
 * Error: "CopyToImageBrush Excpt". */
PTE_API void PTE_CALL PTE_CopyToImageBrush(void);
/* The image brush becomes brush size x brush size of one opaque colour (bytes, stored * 257).
 * Error: "FillImageBrush Excpt". */
PTE_API void PTE_CALL PTE_FillImageBrush(int32_t red, int32_t green, int32_t blue);
/* Gives every pixel of the image brush the colour (bytes * 257) and keeps its alpha (an opaque brush of
 * brush size is made if there is none). Error: "ColorImageBrush Excpt". */
PTE_API void PTE_CALL PTE_ColorImageBrush(int32_t red, int32_t green, int32_t blue);
/* Resamples the image brush to the brush size. Error: "SizeImageBrush Excpt". */
PTE_API void PTE_CALL PTE_SizeImageBrush(void);
/* Sizes the image brush and mixes it into the blend buffer, keeping keepPercent (0..100) of the old
 * content. Error: "SizeImageBrush Excpt" or "CopyFromImageBrush Excpt". */
PTE_API void PTE_CALL PTE_CopyFromImageBrush(int32_t keepPercent);
/* Copies frame trunc(frames * position) of the strip (0 <= position < 1) into the image brush.
 * Error: "CopyFromImageBrushArray Excpt". */
PTE_API void PTE_CALL PTE_CopyFromImageBrushArray(float position);
/* Turns the sized image brush by angle degrees (clockwise as seen), its alpha with it.
 * Error: "RotateImageBrush Excpt". */
PTE_API void PTE_CALL PTE_RotateImageBrush(int32_t angle);
/* Mixes the turned image brush into the blend buffer, keeping keepPercent of the old content; nothing
 * before a turn. Error: "CopyFromImageBrushRotate Excpt". */
PTE_API void PTE_CALL PTE_CopyFromImageBrushRotate(int32_t keepPercent);
/* Writes the image brush at its loaded size as an RGBA PNG at 72 dots per inch; nothing without one.
 * Error: "SaveImageBrush Excpt" (also when the file cannot be written). */
PTE_API void PTE_CALL PTE_SaveImageBrush(const char* path);

/* ---- Tablet input and spline smoothing ----
 * Without a tablet (always so on Linux, where PTE_InitTablet answers 0) every packet query answers 0
 * and pressure reads run a ramp: after PTE_ResetTabletPressure they give 10, 35, 60, 85, 100, 100, ...,
 * so strokes made with a mouse taper in. */

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
 * clipboard lives inside the process. Pastes read image/png or image/bmp.
 * Copies apply the mask (when in force) to the copied alpha; pastes into the current layer go through
 * the mask, use iplSrc32 or iplDst32 as a scratch picture (freeing it afterwards, also the host's), and
 * free newRGBA when done. */

/* Copies the current layer. Needs: a current layer (else a transparent picture is copied). */
PTE_API void PTE_CALL PTE_ToClipboard(void);
/* Copies the rectangle between two corners (either order; columns min..max-1, rows likewise) of the
 * current layer, clipped to the image; nothing when no pixel of it lies on the image.
 * Error: "ToClipBoardRect Excpt". */
PTE_API void PTE_CALL PTE_ToClipboardRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
/* Copies a packed RGBA32 picture of width x height; the mask is applied to its alpha in place where it
 * lies over the image (the caller's buffer changes). */
PTE_API void PTE_CALL PTE_RGBA32ToClipboard(uint8_t* pixels, int32_t width, int32_t height);
/* 1 while this process's last copy is still what the desktop clipboard offers other programs (a host about to exit may keep it alive); 0 once another program copied, or without a display. */
PTE_API int32_t PTE_CALL PTE_IsClipboardOwner(void);
/* 1 when the newRGBA buffer now holds the clipboard's picture, else 0 (newRGBA as it was).
 * Error: "FromClipBoard Excpt" or "CreateNewRGBA Excpt". */
PTE_API int32_t PTE_CALL PTE_FromClipboard(void);
/* Pastes into the current layer with the top-left corner (centre != 0: the centre) at (x, y), through the
 * mask; 1 when pasted, 0 without a picture or a current layer. Error: "FromClipBoardInto Excpt". */
PTE_API int32_t PTE_CALL PTE_FromClipboardInto(int32_t x, int32_t y, int32_t centre);
/* Pastes scaled by scale, turned by angle degrees (counter-clockwise), merged in "Normal" through mask and
 * texture (keeping a keepAlpha layer's alpha); smooth != 0 resamples bicubically. Always 0.
 * Error: "FromClipBoardIntoEX Excpt". */
PTE_API int32_t PTE_CALL PTE_FromClipboardIntoEX(int32_t x, int32_t y, float scale, int32_t angle, int32_t centre, int32_t smooth);
/* As PTE_FromClipboardIntoEX with the longer side brought to size pixels; only the part over the image
 * is merged. Always 0. */
PTE_API int32_t PTE_CALL PTE_FromClipboardIntoEX2(int32_t x, int32_t y, int32_t size, int32_t angle, int32_t centre, int32_t smooth);
/* 1 when the newRGBA buffer now holds the screen, else 0 (no display). Error: "ScreenCapture Excpt". */
PTE_API int32_t PTE_CALL PTE_ScreenCapture(void);
/* Captures the screen into the current layer at (0, 0) through the mask; 1 when done.
 * Error: "ScreenCaptureInto Excpt". */
PTE_API int32_t PTE_CALL PTE_ScreenCaptureInto(void);

/* ---- Scanner, PDF and AVI ----
 * On Linux the scanner is reached through SANE, PDF pages are drawn with cairo and videos written with
 * libavformat. */

/* 1 when the scanning service can be used. */
PTE_API int32_t PTE_CALL PTE_IsTwain(void);
/* Selects the device to scan from: the one chosen with PTE_TwainChooseSource, else the first found; 1 when there is one. */
PTE_API int32_t PTE_CALL PTE_TwainSelectSource(void);
/* Name of scanner device index (0 = the first found), engine-owned, valid until the next call; "" past the last. */
PTE_API const char* PTE_CALL PTE_TwainGetSourceName(int32_t index);
/* Chooses the scanner device of that name; 1 when there is one. */
PTE_API int32_t PTE_CALL PTE_TwainChooseSource(const char* name);
/* Scans one picture into the newRGBA buffer (opaque); 1 when scanned, else 0 (newRGBA as it was).
 * Error: "TwainAcquire Excpt" or "CreateNewRGBA Excpt". */
PTE_API int32_t PTE_CALL PTE_TwainAcquire(void);
/* Forgets the pictures added for the next PDF. */
PTE_API int32_t PTE_CALL PTE_I2PDF_Reset(void);
/* Adds a picture file as the next page; 1 when it can be read as a picture, else 0. */
PTE_API int32_t PTE_CALL PTE_I2PDF_AddImage(const char* path);
/* Writes the pages (96 pixels an inch, 20-pixel grey border), deletes the picture files once written, forgets them; nonzero on success. */
PTE_API int32_t PTE_CALL PTE_I2PDF_MakePDF(const char* path);
/* As PTE_I2PDF_MakePDF, as a full-screen slide show turning pages by itself. */
PTE_API int32_t PTE_CALL PTE_I2PDF_MakePDFSlideshow(const char* path);
/* Starts an AVI file of uncompressed 24-bit frames, frameMs (above 0) milliseconds each, finishing a video
 * still open; the writer (an opaque handle), or NULL. */
PTE_API void* PTE_CALL PTE_CreateAVI(const char* path, int32_t frameMs);
/* Appends a picture file as the next frame (all of the first frame's size); 1 when written, else 0. */
PTE_API int32_t PTE_CALL PTE_WriteAVI(const char* framePath);
/* Finishes the AVI file; 0 on success or without one, else an error code (and no partial file is left). */
PTE_API int32_t PTE_CALL PTE_CloseAVI(void);
/* ---- Drawing: the paint bucket, shapes, gradients and text ----
 * Colours are red, green, blue bytes. Each call works through the RGBA32
 * working buffers and ends by loading or merging into the current layer
 * through the selection mask; the host saves an undo step afterwards.
 * Each needs an image and a current layer, and changes nothing without them. */

/* Fills or erases from (x, y) (inside the image) by colour or alpha in the named mode: "Paint
 * Non-connected", "Erase Non-connected", "Paint Connected", "Erase Connected" (on the background the
 * erase modes paint), "Paint Alpha Connected" (above the background only), "Paint Alpha
 * Non-Connected". tolerance 0..50000 (50000 matches everything). Allocates and frees iplSrc32 (also one
 * the host allocated). Any other mode does nothing. Error: "IPLFloodFill Excpt". */
PTE_API void PTE_CALL PTE_IPLFloodFill(int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, int32_t tolerance, const char* mode);
/* The font dialog; this platform has none within the engine's reach: returns 0 as a cancelled dialog, the font record unchanged. */
PTE_API int32_t PTE_CALL PTE_ChooseFont(void);
/* Copies a 60-byte logical-font record in: int32 height (negative: the character height in pixels),
 * width, escapement, orientation, weight (400 regular, 700 bold), bytes italic, underline, strike-out,
 * character set, out precision, clip precision, quality, pitch and family, then the face name (32 bytes,
 * UTF-8, NUL-terminated). NULL is ignored. A zeroed record is the default sans-serif face at 16 pixels. */
PTE_API void PTE_CALL PTE_SetFontRecord(const void* record);
/* Copies the 60-byte font record out; NULL is ignored. */
PTE_API void PTE_CALL PTE_GetFontRecord(void* record);
/* Draws UTF-8 text with the font record, its top-left at (x, y), into iplSrc32 (refreshed from the current
 * layer first; it stays allocated) and loads it into the layer through the mask; smooth (low byte)
 * anti-aliases. The four unused arguments are not read. Needs: iplSrc32 (PTE_IPLAllocSrcBuffer32), a
 * current layer. Returns 1 when loaded, 0 without the source buffer, without text or room (x or y at or
 * past the right or bottom edge). Error: "IPLText Excpt". */
PTE_API int32_t PTE_CALL PTE_IPLText(int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, int32_t unused1, int32_t unused2, int32_t unused3, int32_t unused4, const char* text, uint8_t smooth);
/* A solid rectangle between two corners (either order, both included), merged at opacity percent
 * (0..100). Allocates and frees iplDst32. Error: "IPLRectangle Excpt". */
PTE_API void PTE_CALL PTE_IPLRectangle(int32_t red, int32_t green, int32_t blue, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t opacity);
/* A filled anti-aliased ellipse in the box between two corners (radii half the box's sides, at least 2),
 * merged at opacity percent (0..100). Allocates and frees iplDst32. Error: "IPLEllipse Excpt". */
PTE_API void PTE_CALL PTE_IPLEllipse(int32_t red, int32_t green, int32_t blue, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t opacity);
/* A gradient of count (0..4) colours from (x1, y1) to (x2, y2): kind "Linear", any other kind radial
 * around (x1, y1) out to (x2, y2). Counts 2..4 spread the colours evenly, opaque; 0 and 1 fade colour 1
 * out and in. Another count draws nothing. Allocates and frees iplDst32. Error: "IPLGradient Excpt". */
PTE_API void PTE_CALL PTE_IPLGradient(int32_t red1, int32_t green1, int32_t blue1, int32_t red2, int32_t green2, int32_t blue2, int32_t red3, int32_t green3, int32_t blue3, int32_t red4, int32_t green4, int32_t blue4, int32_t count, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const char* kind);
/* ---- Mask shapes and the magic wand ----
 * The last argument is a percentage: 0 selects (65535), 100 protects (0), values between select partly
 * ((255 - trunc(percent * 2.559)) * 256). The shapes keep only the high byte of the rest of the mask;
 * the wand only marks: clear the mask first (PTE_ClearMask(0, 0, 0) selects all, PTE_ClearMask(65535,
 * 65535, 65535) protects all) for a new selection. Each needs an image. */

/* Selects the ellipse in the box between two corners (radii half the box's sides, at least 2).
 * Error: "IPLMaskEllipse Excpt". */
PTE_API void PTE_CALL PTE_IPLMaskEllipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent);
/* Selects the rectangle between two corners, both included. Error: "IPLMaskRectangle Excpt". */
PTE_API void PTE_CALL PTE_IPLMaskRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent);
/* Marks the mask where the current layer matches the pixel (x, y) (inside the image), tolerance 0..50000,
 * in the named mode: "Non-connected", "Connected", "Color Range", "Luminance Range", "Hue Range" (these
 * match colour: all but "Connected" do nothing on a transparent pixel), "Alpha Connected" (above the
 * background only), "Alpha Non-connected". Any other mode does nothing. Allocates and frees iplSrc32 (also the host's).
 * Error: "IPLMaskWand Excpt". */
PTE_API void PTE_CALL PTE_IPLMaskWand(int32_t x, int32_t y, int32_t tolerance, int32_t percent, const char* mode);

#ifdef __cplusplus
}
#endif

#endif /* PAINTCORE_H */
