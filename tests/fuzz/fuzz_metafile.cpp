// WMF and EMF files played onto a small canvas.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::keep_pictures_small();
    fuzz::consume(imglib::codec::render_metafile(imglib::Bytes(data, size), 64, 48, 0x00336699), 64, 48, 3);
    return 0;
}
