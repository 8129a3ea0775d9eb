// BMP files and bare device-independent bitmaps.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::keep_pictures_small();
    const imglib::Bytes bytes(data, size);
    imglib::codec::Dims dims;
    (void)imglib::codec::bmp_dims(bytes, dims);
    uint32_t w = 0, h = 0;
    fuzz::consume(imglib::codec::decode_bmp(bytes, w, h), w, h, 4);
    imglib::Bytes header, bits;
    if (imglib::codec::split_packed_dib(bytes, header, bits))
        fuzz::consume(imglib::codec::decode_dib(header, bits, w, h), w, h, 4);
    return 0;
}
