// Any file through the library's calls: type guess, every header query and
// both readers (the codec libraries' wrappers included).
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::keep_pictures_small();
    using namespace imglib;
    HISSRC src = IS3OpenMemorySource(data, size);
    if (src == nullptr) return 0;
    (void)IS3GuessFileType(src);
    uint32_t w = 0, h = 0, bits = 0;
    double xres = 0, yres = 0;
    int32_t unit = 0;
    IS3GetBMPDims(src, &w, &h, &bits, &xres, &yres, &unit);
    IS3GetJPGDims(src, &w, &h, &bits, &xres, &yres, &unit);
    IS3GetPNGDims(src, &w, &h, &bits, &xres, &yres, &unit);
    IS3GetTIFFDims(src, &w, &h, &bits, &xres, &yres, &unit);
    IS3GetPSDDims(src, &w, &h, &bits, &xres, &yres, &unit);
    fuzz::consume(IS3ReadImageToRGBA(src, &w, &h), w, h, 4);
    fuzz::consume(IS3ReadImageToRGB(src, &w, &h), w, h, 3);
    IS3CloseSource(src);
    return 0;
}
