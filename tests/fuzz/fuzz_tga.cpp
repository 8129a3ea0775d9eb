// TGA files.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::keep_pictures_small();
    uint32_t w = 0, h = 0;
    fuzz::consume(imglib::codec::decode_tga(imglib::Bytes(data, size), w, h), w, h, 4);
    return 0;
}
