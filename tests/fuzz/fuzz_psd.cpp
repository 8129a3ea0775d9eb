// PSD files: our section walk and the composite picture behind it.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::keep_pictures_small();
    const imglib::Bytes bytes(data, size);
    imglib::codec::Dims dims;
    if (!imglib::codec::psd_dims(bytes, dims) || uint64_t(dims.width) * dims.height > (uint64_t(1) << 20)) return 0;
    uint32_t w = 0, h = 0;
    fuzz::consume(imglib::codec::decode_psd(bytes, w, h), w, h, 4);
    return 0;
}
